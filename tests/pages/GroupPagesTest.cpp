#include "tests/support/PageFixture.h"
#include "pages/GroupPages.h"
#include "pages/GroupFunctions.h"
#include <cstring>
#include <tuple>
#include <utility>

// The groups of a record: the card serving each, and the incoming group
// page with one tab per group in use, of that card's kind, and what each tab
// writes.
namespace
{
// A new record with cards in slots and groups on module positions.
struct GroupRecord
{
    std::unique_ptr<ConfigRecord> rec{ new ConfigRecord };
    GroupRecord() { SetConfigDefaults(rec.get()); }
    GroupRecord& Card(int slot, uint8_t type)
    {
        rec->cardSlots[slot].cardType = type;
        return *this;
    }
    GroupRecord& Module(int m, uint8_t out, uint8_t in, uint8_t out2 = CFG_NO_GROUP)
    {
        rec->moduleGroups[m] = { out, in, out2, CFG_NO_GROUP };
        return *this;
    }
    GroupRecord& Trunk(int t, uint8_t out, uint8_t in)
    {
        rec->sipTrunkGroups[t].outGroup = out;
        rec->sipTrunkGroups[t].inGroup = in;
        return *this;
    }
};

// The card of slot 2 (modules 8-11), the module holding group 7 (-1: none,
// as its first or second outgoing group), whether SIP trunk 3 holds it too,
// and the card type serving it.
TEST(GroupFunctionsTest, ServingCardTypeOfAGroupFollowsItsFirstModuleThenTheTrunks)
{
    for (const auto& [what, slotType, module, trunkHolds, type] :
         std::vector<std::tuple<const char*, uint8_t, int, bool, uint8_t>>{
             { "combined card, trunk line", CARD_ANALOG_COMBINED, 9, false, CARD_ANALOG_TRUNK },
             { "combined card, subscriber line", CARD_ANALOG_COMBINED, 10, false, CARD_ANALOG_SUBSCRIBER },
             { "subscriber card", CARD_ANALOG_SUBSCRIBER, 8, false, CARD_ANALOG_SUBSCRIBER },
             { "GSM card beats the trunk", CARD_GSM, 11, true, CARD_GSM },
             { "SIP trunk only", CARD_GSM, -1, true, CARD_VOIP },
             { "empty slot 0xFF falls to the trunk", CARD_NONE_EMPTY, 8, true, CARD_VOIP },
             { "empty slot 0 and no trunk", CARD_NONE, 8, false, CARD_NONE },
             { "nothing holds it", CARD_GSM, -1, false, CARD_NONE } })
        for (bool asSecond : { false, true })
        {
            GroupRecord r;
            r.Card(2, slotType);
            if (module >= 0)
                r.Module(module, asSecond ? CFG_NO_GROUP : 7, 7, asSecond ? 7 : CFG_NO_GROUP);
            if (trunkHolds)
                r.Trunk(3, 7, 7);
            EXPECT_EQ(type, GetOutGroupCardType(r.rec.get(), 7)) << what << (asSecond ? " (second)" : "");
            EXPECT_EQ(type, GetInGroupCardType(r.rec.get(), 7)) << what;
        }
}

TEST(GroupFunctionsTest, DirectionsAreKeptApart)
{
    GroupRecord r;
    r.Card(1, CARD_GSM).Module(4, 3, 5).Trunk(0, 6, 3);
    EXPECT_EQ(CARD_GSM, GetOutGroupCardType(r.rec.get(), 3));
    EXPECT_EQ(CARD_VOIP, GetInGroupCardType(r.rec.get(), 3));
    EXPECT_EQ(CARD_GSM, GetInGroupCardType(r.rec.get(), 5));
    EXPECT_EQ(CARD_NONE, GetOutGroupCardType(r.rec.get(), 5));
    EXPECT_EQ(CARD_VOIP, GetOutGroupCardType(r.rec.get(), 6));
}

TEST(GroupFunctionsTest, UsedGroupsAreExactlyTheHeldOnesBelow32)
{
    GroupRecord r;
    r.Card(0, CARD_GSM).Module(0, 1, 2, 31).Module(5, 0x20, 0xFE, 4).Module(31, 0xFF, 9).Trunk(7, 12, 0x40).Trunk(2, 0xFF, 13);
    EXPECT_EQ((1u << 1) | (1u << 31) | (1u << 4) | (1u << 12), COutGroupsPage::GetUsedOutGroups(r.rec.get()));
    EXPECT_EQ((1u << 2) | (1u << 9) | (1u << 13), CInGroupsPage::GetUsedInGroups(r.rec.get()));
    GroupRecord none;
    EXPECT_EQ(0u, COutGroupsPage::GetUsedOutGroups(none.rec.get()));
    EXPECT_EQ(0u, CInGroupsPage::GetUsedInGroups(none.rec.get()));
}

TEST(GroupFunctionsTest, ApplyingModuleSettingsCopiesBothSimsAndGroupBytesToChosenGsmModules)
{
    GroupRecord r;
    r.Card(0, CARD_GSM).Card(1, CARD_GSM).Card(2, CARD_VOIP).Card(3, CARD_GSM).Module(5, 1, 2, 3);
    r.rec->moduleGroups[5].spare = 0x44;
    for (uint32_t i = 0; i < sizeof(GsmModuleRec); ++i)
    {
        ConfigBytes(r.rec.get())[CFG_OFS_GSM_SIM1 + 5 * 48 + i] = (uint8_t)(0x30 + i);
        ConfigBytes(r.rec.get())[CFG_OFS_GSM_SIM2 + 5 * 48 + i] = (uint8_t)(0x90 + i);
    }
    // What the record must become: module 5's bytes on modules 0, 6 and 13,
    // and nothing else changed, the VoIP slot's module 9 included.
    std::unique_ptr<ConfigRecord> want(new ConfigRecord(*r.rec));
    for (int n : { 0, 6, 13 })
    {
        want->gsmSim1[n] = want->gsmSim1[5];
        want->gsmSim2[n] = want->gsmSim2[5];
        want->moduleGroups[n] = want->moduleGroups[5];
    }
    uint32_t selection = (1u << 0) | (1u << 6) | (1u << 9) | (1u << 13) | (1u << 5);
    EXPECT_EQ((1u << 0) | (1u << 6) | (1u << 13), ApplyModuleSettings(r.rec.get(), 5, selection));
    EXPECT_EQ(0, memcmp(want.get(), r.rec.get(), sizeof(ConfigRecord)));
}

class GroupPagesTest : public PageFixture
{
protected:
    void SetUp() override
    {
        PageFixture::SetUp();
        rec->cardSlots[0].cardType = CARD_GSM;
        rec->cardSlots[1].cardType = CARD_ANALOG_SUBSCRIBER;
        rec->cardSlots[2].cardType = CARD_ANALOG; // neither FXS nor combined
        rec->cardSlots[3].cardType = CARD_VOIP;
    }
    // The window of the tab of group g, shown as a click on its tab shows it.
    template <class P = CInGroupsPage>
    HWND ShowTab(int g)
    {
        P& groups = dynamic_cast<P&>(*page);
        CTabPageHost& tabs = groups.Tabs();
        for (int i = 0; i < tabs.GetTabCount(); ++i)
            if ((int)tabs.GetTabData(i) == g)
            {
                ::SendMessageA(tabs.m_hWnd, TCM_SETCURSEL, i, 0);
                NMHDR nmh = { tabs.m_hWnd, IDC_CARD_TABS, (UINT)TCN_SELCHANGE };
                ::SendMessageA(Wnd(), WM_NOTIFY, IDC_CARD_TABS, (LPARAM)&nmh);
            }
        IBoundTab* tab = groups.TabOf(g);
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
        TCITEMA item = { TCIF_TEXT, 0, 0, text, sizeof(text) };
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

// The second record of an incoming GSM group holds only what its tab
// writes; the extension lists take five distinct lines; the subscriber tab
// writes the mode and the wait alone.
TEST_F(GroupPagesTest, IncomingTabsWriteTheirRecordsWholeAndTakeNoSixthExtension)
{
    rec->moduleGroups[0].inGroup = 3; // GSM
    rec->moduleGroups[5].inGroup = 7; // FXS line
    memset(&rec->inGroups2[3], 0x42, sizeof(InGroupRec2));
    rec->inGroups2[3].extensions[0][0] = 0; // the second list empty
    memset(&rec->inGroups1[7], 0x42, sizeof(InGroupRec1));
    memset(&rec->inGroups2[7], 0x43, sizeof(InGroupRec2));
    Open<CInGroupsPage>();
    HWND t = ShowTab(3);
    ASSERT_TRUE(t != NULL);
    for (const char* ext : { "1", "2", "1", "3", "4", "5", "6" })
    {
        Type(IDC_INGRP_EXT_EDIT, ext, t);
        Command(IDC_INGRP_EXT_ADD, t);
    }
    std::string lines;
    HWND list = Item(IDC_INGRP_EXT_LIST, t);
    for (int i = 0; i < (int)::SendMessageA(list, LB_GETCOUNT, 0, 0); ++i)
    {
        char text[32] = "";
        ::SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
        lines += std::string(text) + ";";
    }
    EXPECT_EQ("1;2;3;4;5;", lines) << "no sixth line, no line twice";
    Choose(IDC_INGRP_MODE, 8, t);
    EXPECT_TRUE(Enabled(IDC_INGRP_EXT2_LIST, t)) << "mode 8 has a second list";
    Type(IDC_INGRP_EXT2_EDIT, "9*", t);
    Command(IDC_INGRP_EXT2_ADD, t);
    Type(IDC_INGRP_FRAUD, "77", t);
    const std::pair<UINT, const char*> typed[] = { { IDC_INGRP_WAIT, "61" },  { IDC_INGRP_MIN, "0" },
                                                   { IDC_INGRP_MAX, "21" },   { IDC_INGRP_CB_CUT, "3" },
                                                   { IDC_INGRP_PREFIX, "#1" }, { IDC_INGRP_CB_PREFIX, "0*" } };
    for (const auto& [id, text] : typed)
        Type(id, text, t);
    ASSERT_TRUE(ShowTab(7) != NULL);
    EXPECT_EQ(1, page->Store());

    const InGroupRec1& p1 = rec->inGroups1[3];
    EXPECT_EQ(std::string("\x08\x3C\x01\x14\x03", 5), Bytes(&p1, 5)) << "mode 8, counts within their ranges";
    EXPECT_EQ("\x02#1\xFF", Bytes(p1.prefix, 4));
    EXPECT_EQ("\x02" "0*\xFF", Bytes(p1.callbackPrefix, 4));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::string("\x01") + (char)('1' + i) + '\xFF', Bytes(p1.extensions[i], 3)) << i;
    std::string part2(sizeof(InGroupRec2), '\xFF');
    part2.replace(32, 3, "\x02" "77");
    for (int i = 0; i < 5; ++i)
        part2[56 + 24 * i] = '\0';
    part2.replace(56, 3, "\x02" "9*");
    EXPECT_EQ(part2, Bytes(&rec->inGroups2[3], sizeof(InGroupRec2)));

    std::string fxs(sizeof(InGroupRec1), '\x42');
    fxs[0] = 0;  // mode
    fxs[1] = 60; // the wait, within its range
    EXPECT_EQ(fxs, Bytes(&rec->inGroups1[7], sizeof(InGroupRec1)));
    EXPECT_EQ(std::string(sizeof(InGroupRec2), '\x43'), Bytes(&rec->inGroups2[7], sizeof(InGroupRec2)));
}

// The DDI count of a GSM group, incoming and outgoing: 0 to 20 and no
// default, so a typed count beyond is the range's end; an unset count
// shows none.
TEST_F(GroupPagesTest, DdiDigitsStayWithinTheirRangeAndAnUnsetCountShowsNone)
{
    rec->moduleGroups[0].inGroup = 3;
    rec->moduleGroups[1].outGroup = 4;
    struct Case
    {
        uint8_t stored;
        const char* typed; // null: left as shown
        const char* shown;
        uint8_t expected;
    };
    const Case cases[] = {
        { 0xFF, nullptr, "0", 0 },
        { 30, nullptr, "20", 20 },
        { 12, nullptr, "12", 12 },
        { 5, "25", "5", 20 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.stored) + " " + (c.typed ? c.typed : "-"));
        rec->inGroups1[3].ddiDigits = c.stored;
        rec->outGroups[4].ddiDigits = c.stored;
        Open<CInGroupsPage>();
        HWND in = ShowTab(3);
        EXPECT_EQ(c.shown, Text(IDC_INGRP_DDI, in));
        if (c.typed)
            Type(IDC_INGRP_DDI, c.typed, in);
        EXPECT_EQ(1, page->Store());
        EXPECT_EQ(c.expected, rec->inGroups1[3].ddiDigits) << "incoming";

        Open<COutGroupsPage>();
        HWND out = ShowTab<COutGroupsPage>(4);
        EXPECT_EQ(c.shown, Text(IDC_OUTGRP_DDI, out));
        if (c.typed)
            Type(IDC_OUTGRP_DDI, c.typed, out);
        EXPECT_EQ(1, page->Store());
        EXPECT_EQ(c.expected, rec->outGroups[4].ddiDigits) << "outgoing";
    }
}

TEST_F(GroupPagesTest, OutgoingTabsListMembersAndStoreTheirSelection)
{
    rec->moduleGroups[2].outGroup2 = 6; // GSM, as second outgoing group only
    rec->moduleGroups[4].outGroup = 8;  // FXS line
    rec->moduleGroups[12].outGroup = 9; // VoIP card of slot 3
    rec->outGroups[6].selection = 7;    // no such selection: by credit
    rec->outGroups[8].selection = 2;
    rec->outGroups[9].selection = 1;
    ASSERT_EQ(3, Open<COutGroupsPage>().Tabs().GetTabCount());

    HWND gsm = ShowTab<COutGroupsPage>(6);
    EXPECT_EQ("2  ", Text(IDC_MEMBERS, gsm));
    EXPECT_TRUE(Checked(IDC_OUTGRP_CREDIT, gsm));
    HWND fxs = ShowTab<COutGroupsPage>(8);
    EXPECT_TRUE(Checked(IDC_OUTGRP_CYCLIC, fxs));
    HWND voip = ShowTab<COutGroupsPage>(9);
    EXPECT_EQ("3  ", Text(IDC_MEMBERS, voip));

    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(2, rec->outGroups[6].selection) << "shown by credit, stored so";
    EXPECT_EQ(1, rec->outGroups[8].selection) << "an analog group is never by credit";
    EXPECT_EQ(0, rec->outGroups[9].selection) << "a VoIP group is always from the first";
    EXPECT_EQ(9, g_LastOutGroup);
}
}
