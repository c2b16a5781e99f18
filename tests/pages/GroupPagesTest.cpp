#include "tests/support/PageFixture.h"
#include "pages/GroupPages.h"
#include "pages/PageMemories.h"
#include <cstring>
#include <string>

// The incoming group page: one tab per group in use, of the kind of card
// that serves it, and what each tab writes.
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
    // The window of the tab of group g, shown as a click on its tab shows it.
    HWND ShowTab(int g)
    {
        CInGroupsPage& groups = dynamic_cast<CInGroupsPage&>(*page);
        CTabPageHost& tabs = groups.Tabs();
        for (int i = 0; i < tabs.GetTabCount(); ++i)
            if ((int)tabs.GetTabData(i) == g)
            {
                ::SendMessageA(tabs.m_hWnd, TCM_SETCURSEL, i, 0);
                NMHDR nmh = { tabs.m_hWnd, IDC_CARD_TABS, (UINT)TCN_SELCHANGE };
                ::SendMessageA(Wnd(), WM_NOTIFY, IDC_CARD_TABS, (LPARAM)&nmh);
            }
        IGroupTab* tab = groups.TabOf(g);
        return tab ? tab->TabWindow() : NULL;
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
    CTabPageHost& tabs = Open<CInGroupsPage>().Tabs();
    ASSERT_EQ(4, tabs.GetTabCount());
    std::string titles;
    for (int i = 0; i < 4; ++i)
    {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        ::SendMessageA(tabs.m_hWnd, TCM_GETITEMA, i, (LPARAM)&item);
        titles += std::string(text) + ";";
    }
    EXPECT_EQ("Group 2;Group 4;Group 7;Group 11;", titles);
    EXPECT_EQ("1  3  ", Text(IDC_MEMBERS, ShowTab(4)));
    EXPECT_EQ("carrier\n", Text(IDC_TRUNKS, ShowTab(11)));
    EXPECT_TRUE(Item(IDC_INGRP_MIN, ShowTab(7)) == NULL) << "the subscriber dialog";
    EXPECT_TRUE(Item(IDC_INGRP_MIN, ShowTab(2)) != NULL) << "the trunk dialog";
}

TEST_F(GroupPagesTest, TrunkDialogStoresItsDigitsPrefixAndExtensionsForEveryCardItServes)
{
    rec->moduleGroups[9].inGroup = 2;
    Open<CInGroupsPage>();
    HWND t = ShowTab(2);
    ASSERT_TRUE(t != NULL);
    Type(IDC_INGRP_MIN, "2", t);
    Type(IDC_INGRP_PREFIX, "0#", t);
    for (const char* ext : { "11", "12", "11" })
    {
        Type(IDC_INGRP_EXT_EDIT, ext, t);
        ::SendMessageA(t, WM_COMMAND, IDC_INGRP_EXT_ADD, 0);
    }
    EXPECT_EQ(1, page->Store());
    const InGroupRec1& g = rec->inGroups1[2];
    EXPECT_EQ(0, g.mode);
    EXPECT_EQ(2, g.minDigits);
    EXPECT_EQ("\x02" "0#\xFF", Bytes(g.prefix, 4));
    EXPECT_EQ("\x02" "11\xFF", Bytes(g.extensions[0], 4));
    EXPECT_EQ("\x02" "12\xFF", Bytes(g.extensions[1], 4));
    EXPECT_EQ(std::string("\x00\xFF", 2), Bytes(g.extensions[2], 2)) << "the list ends with an empty entry";
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
    Open<CInGroupsPage>();
    HWND t = ShowTab(3);
    ASSERT_TRUE(t != NULL);
    EXPECT_FALSE(Enabled(IDC_INGRP_EXT2_LIST, t));
    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(5, rec->inGroups1[3].mode) << "a mode without a text is kept";
    EXPECT_EQ(0, rec->inGroups2[3].extensions[0][0]) << "not mode 8: the second list is stored empty";
    EXPECT_EQ(0, rec->inGroups1[3].ddiDigits) << "no DDI text: no DDI digits";
    EXPECT_EQ(0, rec->inGroups2[3].bytes0[32]) << "no fraud-protection text: no number";
}
}
