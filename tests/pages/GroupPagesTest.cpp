#include <gtest/gtest.h>
#include "tests/support/PageFixture.h"
#include "pages/GroupPages.h"
#include "pages/PageMemories.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <memory>
#include <string>

// The incoming and outgoing group pages: one tab per group in use, of the
// kind of card that serves it, and what each tab writes.
namespace
{
class GroupPagesTest : public PageFixture
{
protected:
    void SetUp() override
    {
        PageFixture::SetUp();
        ResetLastTabMemories();
        rec->cardSlots[0].cardType = CARD_GSM;
        rec->cardSlots[1].cardType = CARD_ANALOG_SUBSCRIBER;
        rec->cardSlots[2].cardType = CARD_ANALOG; // neither FXS nor combined
        rec->cardSlots[3].cardType = CARD_VOIP;
    }
    template <class P, class... A>
    std::unique_ptr<P> Open(A... args)
    {
        return OpenOwned<P>(args...);
    }
    static std::string Text(HWND w) { return WindowText(w); }
    // The window of the tab of group g, shown as a click on its tab shows it.
    template <class P>
    HWND ShowTab(P& page, int g)
    {
        CTabPageHost& tabs = page.Tabs();
        for (int i = 0; i < tabs.GetTabCount(); ++i)
            if ((int)tabs.GetTabData(i) == g)
            {
                ::SendMessageA(tabs.m_hWnd, TCM_SETCURSEL, i, 0);
                NMHDR nmh = { tabs.m_hWnd, IDC_CARD_TABS, (UINT)TCN_SELCHANGE };
                ::SendMessageA(page.m_hWnd, WM_NOTIFY, IDC_CARD_TABS, (LPARAM)&nmh);
            }
        IGroupTab* tab = page.TabOf(g);
        return tab ? tab->TabWindow() : NULL;
    }
    static std::string TabTitle(CTabPageHost& tabs, int i)
    {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        ::SendMessageA(tabs.m_hWnd, TCM_GETITEMA, i, (LPARAM)&item);
        return text;
    }
};

TEST_F(GroupPagesTest, IncomingTabsFollowTheCardThatServesEachGroup)
{
    rec->moduleGroups[1].inGroup = 4;   // GSM module 1
    rec->moduleGroups[3].inGroup = 4;   // and module 3
    rec->moduleGroups[5].inGroup = 7;   // FXS line
    rec->moduleGroups[9].inGroup = 2;   // plain analog card: the trunk dialog
    rec->moduleGroups[20].inGroup = 40; // names no group
    rec->sipTrunkGroups[6].inGroup = 11;
    memcpy(rec->sipTrunks[6].name, "carrier\0", 8);
    auto page = Open<CInGroupsPage>();
    CTabPageHost& tabs = page->Tabs();
    ASSERT_EQ(4, tabs.GetTabCount());
    EXPECT_EQ("Group 2", TabTitle(tabs, 0));
    EXPECT_EQ("Group 11", TabTitle(tabs, 3));

    HWND gsm = ShowTab(*page, 4);
    EXPECT_EQ("1  3  ", Text(::GetDlgItem(gsm, IDC_MEMBERS)));
    HWND voip = ShowTab(*page, 11);
    EXPECT_EQ("carrier\n", Text(::GetDlgItem(voip, IDC_TRUNKS)));
    EXPECT_TRUE(::GetDlgItem(ShowTab(*page, 7), IDC_INGRP_MIN) == NULL) << "the subscriber dialog";
    EXPECT_TRUE(::GetDlgItem(ShowTab(*page, 2), IDC_INGRP_MIN) != NULL) << "the trunk dialog";
}

TEST_F(GroupPagesTest, TrunkDialogStoresItsDigitsPrefixAndExtensionsForEveryCardItServes)
{
    rec->moduleGroups[9].inGroup = 2;
    auto page = Open<CInGroupsPage>();
    HWND t = ShowTab(*page, 2);
    ASSERT_TRUE(t != NULL);
    ::SetDlgItemTextA(t, IDC_INGRP_MIN, "2");
    ::SetDlgItemTextA(t, IDC_INGRP_PREFIX, "0#");
    for (const char* ext : { "11", "12", "11" })
    {
        ::SetDlgItemTextA(t, IDC_INGRP_EXT_EDIT, ext);
        ::SendMessageA(t, WM_COMMAND, IDC_INGRP_EXT_ADD, 0);
    }
    EXPECT_EQ(1, page->Store());
    const InGroupRec1& g = rec->inGroups1[2];
    EXPECT_EQ(0, g.mode);
    EXPECT_EQ(2, g.minDigits);
    EXPECT_EQ(0, memcmp(g.prefix, "\x02" "0#\xFF", 4));
    EXPECT_EQ(0, memcmp(g.extensions[0], "\x02" "11\xFF", 4));
    EXPECT_EQ(0, memcmp(g.extensions[1], "\x02" "12\xFF", 4));
    EXPECT_EQ(0, g.extensions[2][0]) << "the list ends with an empty entry";
    EXPECT_EQ(0xFF, g.extensions[2][1]);
    EXPECT_EQ(2, g_LastInGroup);
}

TEST_F(GroupPagesTest, GsmTabStoresTheSecondListOnlyInItsModeAndHiddenFieldsAsZero)
{
    rec->moduleGroups[0].inGroup = 3;
    memcpy(rec->inGroups2[3].extensions[0], "\x02" "55", 3);
    rec->inGroups1[3].ddiDigits = 7;
    rec->inGroups1[3].mode = 5; // a mode this language has no text for
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strInGroupMode0=plain\nstrInGroupMode8=two lists\nstrGroup=G%d\n"));
    ASSERT_TRUE(lang.Select());
    auto page = Open<CInGroupsPage>();
    HWND t = ShowTab(*page, 3);
    ASSERT_TRUE(t != NULL);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(t, IDC_INGRP_EXT2_LIST)));
    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(5, rec->inGroups1[3].mode) << "a mode without a text is kept";
    EXPECT_EQ(0, rec->inGroups2[3].extensions[0][0]) << "not mode 8: the second list is stored empty";
    EXPECT_EQ(0, rec->inGroups1[3].ddiDigits) << "no DDI text: no DDI digits";
    EXPECT_EQ(0, rec->inGroups2[3].bytes0[32]) << "no fraud-protection text: no number";
}

}
