#include "pages/ClipPages.h"
#include "pages/GsmCellSelectPage.h"
#include "pages/LcrRoutingItemDlg.h"
#include "pages/LcrRoutingPage.h"
#include "pages/MobilityPages.h"
#include "record/FieldText.h"
#include "tests/support/PageFixture.h"
#include "tests/support/TreeViewProbe.h"
#include <cstring>
#include <tuple>

namespace
{
class RoutingPagesTest : public PageFixture
{
protected:
    template <class P>
    P& OpenSized()
    {
        P& p = Open<P>();
        ::MoveWindow(p.m_hWnd, 0, 0, 640, 420, TRUE);
        testsupport::PumpMessages();
        return p;
    }
    // Rule i: profile, input line 'A', number "<i + 100>", no targets; the
    // companion filled with a byte naming the rule.
    void SetRules(const std::vector<int>& profiles)
    {
        for (size_t i = 0; i < profiles.size(); ++i)
        {
            LcrRoutingRule& r = rec->routingRules[i];
            memset(&r, 0, sizeof(r));
            memset(r.targets, 0xFF, sizeof(r.targets));
            r.profile = (uint8_t)profiles[i];
            RuleByte(r, LCR_RULE_LINE) = 'A';
            WriteCountedString(std::to_string(i + 100).c_str(), r.number, sizeof(r.number));
            memset(&rec->routingCompanion[i], 0x20 + (int)(i % 200), sizeof(RoutingRuleCompanion));
        }
    }
    void SetClip(int index, const char* number, int profile)
    {
        WriteCountedString(number, rec->lcrClip[index].number, 24);
        rec->lcrClip[index].bytes24[0] = (uint8_t)profile;
    }
    std::string Rules(const ConfigRecord* r, size_t i) const { return Bytes(&r->routingRules[i], 64); }
    std::string Companion(const ConfigRecord* r, size_t i) const { return Bytes(&r->routingCompanion[i], 64); }
};

LcrRuleEntry NewRule(uint8_t line)
{
    LcrRuleEntry e;
    memset(&e.rule, 0, sizeof(e.rule));
    memset(e.rule.targets, 0xFF, sizeof(e.rule.targets));
    memset(&e.companion, 0xFF, sizeof(e.companion));
    RuleByte(e.rule, LCR_RULE_LINE) = line;
    return e;
}

// --- routing -------------------------------------------------------------------

// Tabs for the default and every CLIP profile, the remembered one shown; a
// table not sorted by profile lists each tab's rules, and a visit stores them
// in profile order with every rule kept.
TEST_F(RoutingPagesTest, UnsortedTableListsTheTabsRulesAndStoreKeepsEveryRule)
{
    SetClip(0, "111", 7);
    SetClip(1, "222", 2);
    g_LastRoutingProfile = 7;
    SetRules({ 3, 3, 0, 0 });
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrRoutingPage& routing = OpenSized<CLcrRoutingPage>();
    CTabPageHost& tabs = routing.Tabs();
    ASSERT_EQ(3, tabs.GetTabCount());
    EXPECT_EQ(0, (int)tabs.GetTabData(0));
    EXPECT_EQ(2, (int)tabs.GetTabData(1));
    EXPECT_EQ(7, (int)tabs.GetTabData(tabs.GetCurrentIndex()));
    tabs.SelectTab(0);
    CLcrRoutingListTab* tab = routing.Tab(0);
    ASSERT_TRUE(tab != nullptr);
    EXPECT_EQ(2u, tab->Rows().size());
    EXPECT_EQ(2, ListView_GetItemCount(tab->List()));
    ASSERT_EQ(1, page->Store());
    const int moved[4] = { 2, 3, 0, 1 };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Rules(before.get(), moved[i]) + Companion(before.get(), moved[i]), Rules(rec, i) + Companion(rec, i)) << i;
    EXPECT_EQ(0xFF, rec->routingRules[4].profile);
}

// A rule without a number is not listed; the next Store of its tab drops it
// with its companion, and the rules behind it move up. A tab never shown
// keeps its block as it is.
TEST_F(RoutingPagesTest, ARuleWithoutANumberIsDroppedByTheNextStoreOfItsTab)
{
    SetClip(0, "111", 3);
    SetRules({ 0, 0, 3, 3 });
    rec->routingRules[1].number[0] = 0;
    rec->routingRules[3].number[0] = 0xFF;
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrRoutingListTab* tab = OpenSized<CLcrRoutingPage>().Tab(0);
    ASSERT_TRUE(tab != nullptr);
    EXPECT_EQ(1u, tab->Rows().size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(Rules(before.get(), 0) + Rules(before.get(), 2) + Rules(before.get(), 3) + std::string(64, '\xFF'),
              Rules(rec, 0) + Rules(rec, 1) + Rules(rec, 2) + Rules(rec, 3));
    EXPECT_EQ(Companion(before.get(), 0) + Companion(before.get(), 2) + Companion(before.get(), 3) +
                  std::string(64, '\xFF'),
              Companion(rec, 0) + Companion(rec, 1) + Companion(rec, 2) + Companion(rec, 3));
}

// A listed rule's used targets without a counter count on counter 1 from
// the moment its tab opens; unused positions and unlisted rules stay.
TEST_F(RoutingPagesTest, ListedTargetsWithoutACounterCountOnCounter1)
{
    SetRules({ 0, 0 });
    for (int i = 0; i < 2; ++i)
    {
        rec->routingRules[i].targets[0] = LCR_TARGET_P;
        rec->routingRules[i].targets[2] = 3;
        memset(rec->routingCompanion[i].bytes, 0xFF, 4);
    }
    rec->routingRules[1].number[0] = 0; // not listed
    OpenSized<CLcrRoutingPage>();
    EXPECT_EQ(std::string("\x00\xFF\x00\xFF", 4), Bytes(rec->routingCompanion[0].bytes, 4));
    EXPECT_EQ(std::string(4, '\xFF'), Bytes(rec->routingCompanion[1].bytes, 4));
}

TEST_F(RoutingPagesTest, AFullTableRefusesAnAddAndStoreStaysInsideTheTable)
{
    std::vector<int> profiles(CFG_ROUTING_RULE_COUNT, 0);
    std::fill(profiles.begin() + 990, profiles.end(), 3); // a profile without a tab still counts
    SetRules(profiles);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrRoutingListTab* tab = OpenSized<CLcrRoutingPage>().Tab(0);
    ASSERT_TRUE(tab != nullptr);
    tab->DeleteRule(0);
    LcrRuleEntry entry = tab->Rows()[0];
    WriteCountedString("77", entry.rule.number, 24);
    EXPECT_TRUE(tab->AddRule(entry)) << "the deleted rule made room for one";
    EXPECT_FALSE(tab->AddRule(entry)) << "the 1001st rule";
    EXPECT_EQ(990u, tab->Rows().size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(Bytes(before->lcrClip, sizeof(rec->lcrClip)), Bytes(rec->lcrClip, sizeof(rec->lcrClip)));
    EXPECT_EQ(Bytes(&before->httpIn, sizeof(rec->httpIn)), Bytes(&rec->httpIn, sizeof(rec->httpIn)));
    EXPECT_EQ(3, rec->routingRules[999].profile);
}

// An edited rule keeps its own incoming group although nothing uses it any
// more; a counter the device does not know shows and stores as counter 1.
TEST_F(RoutingPagesTest, RuleDialogWritesTargetsInListOrderAndKeepsAnEditedRulesUnusedInputGroup)
{
    rec->moduleGroups[0].outGroup = 10;
    rec->moduleGroups[1].outGroup = 1; // "group 1" is a prefix of "group 10"
    LcrRuleEntry edited = NewRule(5);
    edited.rule.targets[0] = LCR_TARGET_C;
    edited.companion.bytes[0] = 7;
    CLcrRoutingItemDlg dlg(edited, rec, nullptr, 0);
    HWND d = dlg.Create(host);
    ASSERT_TRUE(d != NULL);
    Type(IDC_LCR_ITEM_NUMBER, "0049x", d);
    // Target, AOC value and credit position added in turn; the same target twice.
    for (const auto& [target, aoc, credit] : std::vector<std::tuple<int, const char*, int>>{
             { 10, "7", 3 }, { 1, "", 1 }, { 'T', "", 1 }, { 'T', "", 1 } })
    {
        CFieldBinder::SelectByCode(Item(IDC_LCR_ITEM_TARGET, d), target);
        Type(IDC_LCR_ITEM_AOC, aoc, d);
        Select(IDC_LCR_ITEM_CREDIT, credit, d);
        dlg.AddTarget();
    }
    ASSERT_EQ(4u, dlg.Targets().size());
    ::SendMessageA(Item(IDC_LCR_ITEM_TARGETS, d), LB_SETCURSEL, 3, 0);
    dlg.MoveTarget(-1);

    ASSERT_TRUE(dlg.Accept());
    const LcrRuleEntry& r = dlg.Result();
    ::DestroyWindow(d);
    EXPECT_EQ(5, RuleByte(r.rule, LCR_RULE_LINE)) << "the rule keeps its incoming group";
    EXPECT_EQ(std::string("C\x0A" "T\x01\xFF" "\xFF\x07\xFF\x00\x00", 10), Bytes(r.rule.targets, 10))
        << "targets, then their values; positions behind the list keep theirs";
    EXPECT_EQ((std::string{ LCR_CREDIT_1, LCR_CREDIT_NONE, LCR_CREDIT_2, LCR_CREDIT_2, '\xFF' }),
              Bytes(r.companion.bytes, 5));
    EXPECT_EQ("\x05" "0049x", Bytes(r.rule.number, 6));
    EXPECT_EQ(0u, boxes.Count());
}

// A new rule starts from zeros, which name no input line: its list holds the
// links, the VoIP users and the incoming groups in use, and it starts on
// link A.
TEST_F(RoutingPagesTest, NewRuleStartsOnLinkAAndListsOnlyTheIncomingGroupsInUse)
{
    for (int inUse : { -1, 2 })
    {
        SetConfigDefaults(rec);
        if (inUse >= 0)
            rec->moduleGroups[0].inGroup = (uint8_t)inUse;
        LcrRuleEntry entry = NewRule(0);
        CLcrRoutingItemDlg dlg(entry, rec, nullptr, -1);
        HWND d = dlg.Create(host);
        ASSERT_TRUE(d != NULL);
        HWND lines = Item(IDC_LCR_ITEM_LINE, d);
        std::vector<int> codes;
        for (int i = 0; i < (int)::SendMessageA(lines, CB_GETCOUNT, 0, 0); ++i)
            codes.push_back((int)::SendMessageA(lines, CB_GETITEMDATA, i, 0));
        std::vector<int> want = { 'A', 'B', 'C', 'D' };
        if (inUse >= 0)
            want.push_back(inUse);
        EXPECT_EQ(want, codes);
        EXPECT_EQ(0, CurSel(IDC_LCR_ITEM_LINE, d));
        Type(IDC_LCR_ITEM_NUMBER, "12", d);
        CFieldBinder::SelectByCode(Item(IDC_LCR_ITEM_TARGET, d), 'P');
        dlg.AddTarget();
        ASSERT_TRUE(dlg.Accept());
        ::DestroyWindow(d);
        EXPECT_EQ(LCR_LINE_A, RuleByte(dlg.Result().rule, LCR_RULE_LINE)) << inUse;
    }
}

TEST_F(RoutingPagesTest, RuleDialogRefusesWhatTheRuleCannotHold)
{
    std::vector<LcrRuleEntry> rows(2, NewRule('a'));
    WriteCountedString("123", rows[0].rule.number, 24);
    WriteCountedString("456", rows[1].rule.number, 24);
    // The number typed, the row edited (-1: a new rule), whether a target is
    // added, and the refusal (empty: accepted); 'a' is link A.
    for (const auto& [number, edited, target, key] : std::vector<std::tuple<const char*, int, bool, std::string>>{
             { "", -1, true, "strLcrRoutingErrNumberMissing" },
             { "123", -1, true, "strLcrRoutingErrNumberDuplicate" },
             { "123", 0, true, "" },
             { "1x2", -1, true, "strLcrRoutingErrNumberWildcard" },
             { "789", -1, false, "strLcrRoutingErrNoTarget" } })
    {
        CLcrRoutingItemDlg dlg(NewRule('A'), rec, &rows, edited);
        HWND d = dlg.Create(host);
        ASSERT_TRUE(d != NULL);
        Type(IDC_LCR_ITEM_NUMBER, number, d);
        if (target)
        {
            CFieldBinder::SelectByCode(Item(IDC_LCR_ITEM_TARGET, d), 'P');
            dlg.AddTarget();
        }
        boxes.Clear();
        EXPECT_EQ(key.empty(), dlg.Accept()) << number;
        EXPECT_EQ(key, boxes.Count() ? boxes.Last().key : "") << number;
        ::DestroyWindow(d);
    }
}

// Each field of a rule is kept up to its end: 23 digits to cut and to dial,
// AOC values up to 254 (an unset one shows and stores 0), five targets.
TEST_F(RoutingPagesTest, RuleDialogKeepsEachFieldUpToItsEnd)
{
    rec->moduleGroups[0].outGroup = 3;
    rec->moduleGroups[1].outGroup = 4;
    LcrRuleEntry rule = NewRule('A');
    WriteCountedString("12", rule.rule.number, sizeof(rule.rule.number));
    RuleByte(rule.rule, LCR_RULE_CUT) = 23;
    RuleByte(rule.rule, LCR_RULE_DIAL) = 23;
    memcpy(rule.rule.targets, "\x03\x04PTC", 5);
    memcpy(rule.rule.targetValues, "\xFE\xFF\xFF\xFF\xFF", 5);
    CLcrRoutingItemDlg dlg(rule, rec, nullptr, 0);
    HWND d = dlg.Create(host);
    ASSERT_TRUE(d != NULL);
    EXPECT_EQ("23", Text(IDC_LCR_ITEM_CUT, d));
    EXPECT_EQ("23", Text(IDC_LCR_ITEM_DIAL, d));
    CFieldBinder::SelectByCode(Item(IDC_LCR_ITEM_TARGET, d), 'D');
    dlg.AddTarget();
    EXPECT_EQ(5u, dlg.Targets().size()) << "a sixth target is not taken";
    EXPECT_EQ(5, ::SendMessageA(Item(IDC_LCR_ITEM_TARGETS, d), LB_GETCOUNT, 0, 0));

    // The targets as the user selects them; a typed 255 is cut to 254.
    for (const auto& [line, shown, typed] : std::vector<std::tuple<int, const char*, const char*>>{
             { 1, "0", nullptr }, { 0, "254", "255" } })
    {
        ::SendMessageA(Item(IDC_LCR_ITEM_TARGETS, d), LB_SETCURSEL, line, 0);
        ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LCR_ITEM_TARGETS, LBN_SELCHANGE),
                       (LPARAM)Item(IDC_LCR_ITEM_TARGETS, d));
        EXPECT_EQ(shown, Text(IDC_LCR_ITEM_AOC, d)) << line;
        if (typed)
        {
            Type(IDC_LCR_ITEM_AOC, typed, d);
            dlg.ChangeTarget();
        }
    }
    ASSERT_TRUE(dlg.Accept());
    const LcrRuleEntry& r = dlg.Result();
    ::DestroyWindow(d);
    EXPECT_EQ(23, RuleByte(r.rule, LCR_RULE_CUT));
    EXPECT_EQ(23, RuleByte(r.rule, LCR_RULE_DIAL));
    EXPECT_EQ(std::string("\x03\x04PTC" "\xFE\x00\xFF\xFF\xFF", 10), Bytes(r.rule.targets, 10));
}

// --- CLIP table -----------------------------------------------------------------

TEST_F(RoutingPagesTest, DeletingAProfilesLastCallerAsksAndDropsItsRulesWithTheirCompanions)
{
    SetClip(0, "111", 5);
    SetClip(1, "222", 6);
    SetRules({ 0, 5, 5, 6 });
    std::unique_ptr<ConfigRecord> doc(new ConfigRecord(*rec));
    CLcrClipTabPage& clip = Open<CLcrClipTabPage>();
    ASSERT_EQ(2u, clip.Rows().size());
    ListView_SetItemState(Item(IDC_LCR_CLIP_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    boxes.PushAnswer(IDNO);
    Command(IDC_LIST_DELETE);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strLcrClipTabDeleteProfile", boxes.Last().key);
    EXPECT_EQ(2u, clip.Rows().size());
    EXPECT_EQ(Bytes(doc->routingRules, sizeof(rec->routingRules)), Bytes(rec->routingRules, sizeof(rec->routingRules)));

    boxes.PushAnswer(IDYES);
    Command(IDC_LIST_DELETE);
    EXPECT_EQ(1u, clip.Rows().size());
    EXPECT_EQ(Rules(doc.get(), 0) + Rules(doc.get(), 3) + std::string(64, '\xFF'),
              Rules(rec, 0) + Rules(rec, 1) + Rules(rec, 2));
    EXPECT_EQ(Companion(doc.get(), 0) + Companion(doc.get(), 3), Companion(rec, 0) + Companion(rec, 1));

    // The commit carries both tables into the document.
    ASSERT_EQ(1, page->Store());
    CommitSectionList sections = GetCommitSections(*FindDataTreeItem(CI_LCR_CLIP), doc.get());
    for (size_t i = 0; i < sections.count; ++i)
        memcpy(ConfigBytes(doc.get()) + sections.sections[i].offset, At(sections.sections[i].offset),
               sections.sections[i].length);
    EXPECT_EQ(0, memcmp(doc.get(), rec, sizeof(ConfigRecord)));
    EXPECT_EQ(0xFF, doc->lcrClip[1].number[0]);
}

// Entries are checked in turn and stored sorted by profile, then number; an
// entry read with other bytes behind its profile is stored with the empty
// marker there.
TEST_F(RoutingPagesTest, ClipEntriesAreCheckedAndStoredSortedByProfileThenNumber)
{
    SetClip(0, "13", 2);
    memset(rec->lcrClip[0].bytes24 + 1, 0, 11);
    CLcrClipTabPage& clip = Open<CLcrClipTabPage>();
    // The number and profile typed, and the refusal (empty: added).
    for (const auto& [number, profile, key] : std::vector<std::tuple<const char*, const char*, std::string>>{
             { "", "1", "strLcrClipTabErrNumberMissing" },
             { "5", "", "strLcrClipTabErrProfileMissing" },
             { "123", "2", "" },
             { "9", "1", "" },
             { "13", "4", "strLcrClipTabErrNumberDuplicate" },
             { "1x3", "4", "strLcrClipTabErrNumberWildcard" } })
    {
        Type(IDC_LCR_CLIP_NUMBER, number);
        Type(IDC_LCR_CLIP_PROFILE, profile);
        boxes.Clear();
        Command(IDC_LIST_ADD);
        EXPECT_EQ(key, boxes.Count() ? boxes.Last().key : "") << number;
    }
    ASSERT_EQ(3u, clip.Rows().size());
    ASSERT_EQ(1, page->Store());
    const std::string rest(11, '\xFF');
    EXPECT_EQ("\x01" "9" + std::string(22, '\xFF') + "\x01" + rest, Bytes(&rec->lcrClip[0], 36));
    EXPECT_EQ("\x03" "123" + std::string(20, '\xFF') + "\x02" + rest, Bytes(&rec->lcrClip[1], 36));
    EXPECT_EQ("\x02" "13" + std::string(21, '\xFF') + "\x02" + rest, Bytes(&rec->lcrClip[2], 36));
    EXPECT_EQ(std::string(36, '\xFF'), Bytes(&rec->lcrClip[3], 36));
}

// --- CLIP from GSM ----------------------------------------------------------------

TEST_F(RoutingPagesTest, ClipFromGsmKeepsTheNumbersInTextOrderUpTo1000)
{
    for (int i = 0; i < 999; ++i)
        WriteCountedString(std::to_string(5000 + i).c_str(), rec->clipGsm[i].number, 24);
    CClipGsmPage& clip = Open<CClipGsmPage>();
    for (const char* n : { "10", "7", "8" })
    {
        Type(IDC_CLIP_GSM_NUMBER, n);
        Command(IDC_LIST_ADD);
    }
    EXPECT_EQ(1000u, clip.Numbers().size()) << "the 1001st number is not added";
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x02" "10" + std::string(33, '\xFF'), Bytes(&rec->clipGsm[0], 36));
    EXPECT_EQ("\x04" "5998", Bytes(&rec->clipGsm[999], 5));
    EXPECT_EQ(0u, boxes.Count());
}

// A number of 23 digits, as many as the field holds, is taken whole by both
// CLIP lists.
TEST_F(RoutingPagesTest, ClipNumbersTakeTwentyThreeDigits)
{
    const std::string digits = "12345678901234567890123";
    Open<CClipGsmPage>();
    Type(IDC_CLIP_GSM_NUMBER, digits.c_str());
    Command(IDC_LIST_ADD);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x17" + digits, Bytes(&rec->clipGsm[0], 24));

    Open<CLcrClipTabPage>();
    Type(IDC_LCR_CLIP_NUMBER, digits.c_str());
    Type(IDC_LCR_CLIP_PROFILE, "1");
    Command(IDC_LIST_ADD);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x17" + digits, Bytes(&rec->lcrClip[0], 24));
    EXPECT_EQ(0u, boxes.Count());
}

// --- GSM cells ----------------------------------------------------------------------

// A stored count above 16 is written back as 16 when the page opens, and the
// visit stores the 16 cells it shows; an action the device does not know
// shows and stores as none.
TEST_F(RoutingPagesTest, CellsAreLimitedTo16AndAVisitStoresWhatThePageShows)
{
    uint8_t* cells = rec->gsmCells.bytes;
    cells[0] = 0;
    cells[1] = 20;
    for (int i = 0; i < 16; ++i)
        memcpy(cells + 4 + 16 * i, "262\x00" "01ABCD1234\x00\x00", 16);
    CGsmCellSelectPage& cellPage = Open<CGsmCellSelectPage>();
    EXPECT_EQ(16u, cellPage.Cells().size());
    EXPECT_EQ(16, cells[1]) << "written back when the page opens";
    EXPECT_EQ(0, CurSel(IDC_CELL_ACTION));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string("\xFF\x10\xFF\xFF", 4), Bytes(cells, 4));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ("262\xFF" "01ABCD1234\xFF\xFF", Bytes(cells + 4 + 16 * i, 16)) << i;

    // A 17th cell is not added; a typed cell is padded.
    ListView_SetItemState(Item(IDC_CELL_LIST), 15, LVIS_SELECTED, LVIS_SELECTED);
    Command(IDC_CELL_DELETE);
    for (const auto& [id, text] : std::vector<std::pair<UINT, const char*>>{
             { IDC_CELL_MCC, "262" }, { IDC_CELL_MNC, "1" }, { IDC_CELL_LAC, "A" }, { IDC_CELL_ID, "FF" } })
        Type(id, text);
    Command(IDC_CELL_ADD);
    Type(IDC_CELL_ID, "FE");
    Command(IDC_CELL_ADD);
    ASSERT_EQ(16u, cellPage.Cells().size());
    Select(IDC_CELL_ACTION, 2);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(2, cells[0]);
    EXPECT_EQ("262\xFF" "01000A00FF\xFF\xFF", Bytes(cells + 4 + 16 * 15, 16));

    // A module whose request cannot go out.
    boxes.Clear();
    Command(IDC_CELL_READ);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strGsmCellSelReadError", boxes.Last().key);
}

// --- mobility and working hours -------------------------------------------------

TEST_F(RoutingPagesTest, MobilityNumbersStayInsideTheirFieldsAndModesSurviveALanguageChange)
{
    const char* numbers[3] = { "1234567890123456789012", "", "77" };
    const uint8_t modes[3] = { MOBILITY_DURING_WH, MOBILITY_ALWAYS, MOBILITY_OUTSIDE_WH };
    rec->mobility[0] = MakeMobilityEntry('B', "200", numbers, modes);
    // The 22nd digit does not overwrite the mode; only two numbers.
    const std::string first = "\x16" "1234567890123456789012";
    EXPECT_EQ(first + (char)MOBILITY_DURING_WH + "\x02" "77", Bytes((uint8_t*)&rec->mobility[0] + 28, 27));
    EXPECT_EQ(MOBILITY_OUTSIDE_WH, ((uint8_t*)&rec->mobility[0])[75]);
    EXPECT_EQ(0xFF, ((uint8_t*)&rec->mobility[0])[76]);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));

    Open<CMobilityExtPage>();
    {
        CTestLanguage lang;
        ASSERT_TRUE(lang.WriteLanguage("strMobilityExtDuringWHShort=Tag\nstrMobilityExtOutOfWHShort=Nacht\n"));
        ASSERT_TRUE(lang.Select());
        page->OnLanguageChanged();
        char text[128];
        ListView_GetItemText(Item(IDC_MOB_LIST), 0, 2, text, sizeof(text));
        EXPECT_STREQ("1234567890123456789012-Tag, 77-Nacht", text);
        Type(IDC_MOB_EXTENSION, "300");
        Type(IDC_MOB_NUMBER1, "5");
        Command(IDC_LIST_ADD);
        ASSERT_EQ(1, page->Store());
    }
    EXPECT_EQ('A', rec->mobility[0].bytes0[0]) << "the new row sorts first";
    EXPECT_EQ(0, memcmp(&rec->mobility[1], &before->mobility[0], sizeof(MobilityExtEntry)));
}

// A visit stores each entry as its row shows it: the numbers in order, a mode
// without its short text as "always", every other byte the empty marker.
TEST_F(RoutingPagesTest, MobilityVisitStoresEachEntryAsItsRowShowsIt)
{
    uint8_t* e = (uint8_t*)&rec->mobility[0];
    memset(e, 0, sizeof(MobilityExtEntry));
    e[0] = 0xFF;                            // read as link A
    memcpy(e + 4, "\x03" "200", 4);         // extension
    memcpy(e + 52, "\x02" "55", 3);         // second number only
    e[52 + 23] = 7;                         // a mode the device does not know
    memcpy(e + 76, "\x01" "9", 2);          // third number, outside working hours
    e[76 + 23] = MOBILITY_OUTSIDE_WH;
    Open<CMobilityExtPage>();
    ASSERT_EQ(1, page->Store());
    std::string want(sizeof(MobilityExtEntry), '\xFF');
    want.replace(0, 1, "A");
    want.replace(4, 4, "\x03" "200");
    want.replace(28, 3, "\x02" "55");
    want.replace(51, 1, { (char)MOBILITY_ALWAYS });
    want.replace(52, 2, "\x01" "9");
    want.replace(75, 1, { (char)MOBILITY_OUTSIDE_WH });
    EXPECT_EQ(want, Bytes(e, sizeof(MobilityExtEntry)));
    EXPECT_EQ(std::string(sizeof(MobilityExtEntry), '\xFF'), Bytes(&rec->mobility[1], sizeof(MobilityExtEntry)));
}

// Rows are stored from their entries, not read back from the row's text: a
// number that holds the ", " between numbers or the "-" before a mode, or a
// mode text that holds them, keeps its numbers and modes as they were.
TEST_F(RoutingPagesTest, MobilityNumbersHoldingTheRowsSeparatorsAreStoredWhole)
{
    const struct
    {
        const char* numbers[3];
        const char* duringShort; // the language's short text of mode 1
    } cases[] = {
        { { "12, 34", "5-6", "7" }, "WH" },
        { { "12", "34", "" }, "in, WH" },
        { { "12", "34-5", "" }, "in-WH" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.duringShort);
        CTestLanguage lang;
        ASSERT_TRUE(lang.WriteLanguage((std::string("strMobilityExtDuringWHShort=") + c.duringShort +
                                        "\nstrMobilityExtOutOfWHShort=out\n").c_str()));
        ASSERT_TRUE(lang.Select());
        const uint8_t modes[3] = { MOBILITY_DURING_WH, MOBILITY_ALWAYS, MOBILITY_OUTSIDE_WH };
        memset(rec->mobility, 0xFF, sizeof(rec->mobility));
        rec->mobility[0] = MakeMobilityEntry('B', "200", c.numbers, modes);
        const std::string entry = Bytes(&rec->mobility[0], sizeof(MobilityExtEntry));
        Open<CMobilityExtPage>();
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(entry, Bytes(&rec->mobility[0], sizeof(MobilityExtEntry)));
        EXPECT_EQ(0xFF, ((uint8_t*)&rec->mobility[1])[4]) << "still one entry";
    }
}

// The interface list offers the three links and the VoIP users; a row is
// stored with its interface's letter.
TEST_F(RoutingPagesTest, MobilityInterfacesAreTheThreeLinksAndTheVoipUsers)
{
    Open<CMobilityExtPage>();
    HWND list = Item(IDC_MOB_INTERFACE);
    ASSERT_EQ(4, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    char text[64] = "";
    ::SendMessageA(list, CB_GETLBTEXT, 3, (LPARAM)text);
    EXPECT_EQ(testsupport::Lang("strMobilityExtVoipUsers"), text);
    for (int i = 0; i < 4; ++i)
    {
        Select(IDC_MOB_INTERFACE, i);
        Type(IDC_MOB_EXTENSION, "200");
        Type(IDC_MOB_NUMBER1, "5");
        Command(IDC_LIST_ADD);
    }
    ASSERT_EQ(1, page->Store());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ('A' + i, rec->mobility[i].bytes0[0]) << i;
    EXPECT_EQ(0u, boxes.Count());
}

// A full mobility list (500) and a full holiday list (40) take no more, and
// Store writes what they hold.
TEST_F(RoutingPagesTest, FullMobilityAndHolidayListsTakeNoMore)
{
    const char* numbers[3] = { "1", "", "" };
    const uint8_t modes[3] = { MOBILITY_ALWAYS, MOBILITY_ALWAYS, MOBILITY_ALWAYS };
    for (int i = 0; i < (int)CFG_MOBILITY_COUNT; ++i)
        rec->mobility[i] = MakeMobilityEntry('B', std::to_string(1000 + i).c_str(), numbers, modes);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CMobilityExtPage& mobility = Open<CMobilityExtPage>();
    Type(IDC_MOB_EXTENSION, "1"); // would sort first, on link A
    Type(IDC_MOB_NUMBER1, "2");
    Command(IDC_LIST_ADD);
    EXPECT_EQ(CFG_MOBILITY_COUNT, mobility.Rows().size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, memcmp(rec->mobility, before->mobility, sizeof(rec->mobility)));

    for (int h = 0; h < 40; ++h)
    {
        rec->workingHours.holidays[4 * h] = (uint8_t)(1 + h % 28);
        rec->workingHours.holidays[4 * h + 1] = (uint8_t)(1 + h / 28);
    }
    memcpy(before.get(), rec, sizeof(ConfigRecord));
    CWorkingHoursPage& hours = Open<CWorkingHoursPage>();
    SYSTEMTIME st = {};
    ::SendMessageA(Item(IDC_WH_HOLIDAY_DATE), DTM_GETSYSTEMTIME, 0, (LPARAM)&st);
    st.wMonth = 12;
    st.wDay = 24;
    ::SendMessageA(Item(IDC_WH_HOLIDAY_DATE), DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
    Command(IDC_LIST_ADD);
    EXPECT_EQ(40u, hours.Holidays().size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, memcmp(&rec->workingHours, &before->workingHours, sizeof(WorkingHours)));
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(RoutingPagesTest, WorkingDaysAreCheckedInOrder)
{
    struct Case
    {
        WorkingTime in[4];
        int refused; // first entry out of order, -1 none
        WorkingTime out[4];
    } cases[] = {
        { { { 8, 0 }, { 12, 0 }, { 13, 0 }, { 17, 0 } }, -1, { { 8, 0 }, { 12, 0 }, { 13, 0 }, { 17, 0 } } },
        { { { 8, 0 }, { 12, 0 }, { 11, 0 }, { 17, 0 } }, 2, {} },
        { { { 0, 0 }, { 0, 0 }, { 9, 0 }, { 17, 0 } }, -1, { { 255, 255 }, { 255, 255 }, { 9, 0 }, { 17, 0 } } },
        { { { 8, 0 }, { 18, 0 }, { 0, 0 }, { 0, 0 } }, -1, { { 8, 0 }, { 18, 0 }, { 255, 255 }, { 255, 255 } } },
        { { { 8, 30 }, { 8, 30 }, { 0, 0 }, { 0, 0 } }, 1, {} },
        { { { 8, 0 }, { 12, 0 }, { 14, 0 }, { 13, 0 } }, 3, {} },
    };
    for (Case& c : cases)
    {
        EXPECT_EQ(c.refused, PrepareWorkingDay(c.in));
        EXPECT_TRUE(c.refused >= 0 || Bytes(c.out, sizeof(c.out)) == Bytes(c.in, sizeof(c.in))) << c.refused;
    }
    EXPECT_EQ(0, ShownWorkingTime(WorkingTime{ 24, 30 }).hour) << "an impossible time shows as unset";
    EXPECT_EQ(0, ShownWorkingTime(WorkingTime{ 9, 60 }).hour);
    EXPECT_EQ(9, ShownWorkingTime(WorkingTime{ 9, 59 }).hour);
}

// Store checks every day, those the user left alone included; a refused
// Store writes nothing, also not the days before the refused one.
TEST_F(RoutingPagesTest, WorkingHoursRefuseAnOverlapAndKeepTheDevicesBytes)
{
    rec->workingHours.weekDays[0][0] = 30;   // an impossible hour: Monday shows 0:00-18:00
    rec->workingHours.weekDays[0][2] = 0x42; // a byte no control shows
    memcpy(rec->workingHours.weekDays[2] + 8, "\x0B\x00\xFF\xFF\x11\x00", 6); // Wednesday 8-18 and 11-17
    memcpy(rec->workingHours.holidays, "\x1D\x02\xFF\xFF\x01\x01", 6); // 29 February, 1 January
    CWorkingHoursPage& hours = Open<CWorkingHoursPage>();
    ASSERT_EQ(2u, hours.Holidays().size());
    EXPECT_EQ(1, hours.Holidays()[0].month) << "sorted by month and day";
    char text[64];
    ::SendMessageA(Item(IDC_WH_HOLIDAYS), LB_GETTEXT, 1, (LPARAM)text);
    EXPECT_TRUE(strstr(text, "29") != nullptr) << text; // not the other holiday's text

    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    ASSERT_EQ(0, page->Store()) << "the overlap came from the record";
    EXPECT_EQ("strWorkingHoursErr", boxes.Last().key);
    EXPECT_EQ(0, memcmp(&rec->workingHours, &before->workingHours, sizeof(WorkingHours)));

    SYSTEMTIME st = {};
    HWND wednesdaySecond = Item(IDC_WH_TIME_FIRST + 4 * 2 + 2);
    ::SendMessageA(wednesdaySecond, DTM_GETSYSTEMTIME, 0, (LPARAM)&st);
    EXPECT_EQ(11, st.wHour);
    st.wHour = 19; // after the first interval ends (18:00)
    ::SendMessageA(wednesdaySecond, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
    st.wHour = 20;
    ::SendMessageA(Item(IDC_WH_TIME_FIRST + 4 * 2 + 3), DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string("\x00\x00\x42", 3), Bytes(rec->workingHours.weekDays[0], 3)) << "Monday as shown";
    EXPECT_EQ(std::string("\x13\x00\xFF\xFF\x14\x00", 6), Bytes(rec->workingHours.weekDays[2] + 8, 6));
    EXPECT_EQ("\x01\x01\xFF\xFF\x1D\x02\xFF\xFF\xFF", Bytes(rec->workingHours.holidays, 9)) << "in list order";

    ::SendMessageA(Item(IDC_WH_HOLIDAYS), LB_SETCURSEL, 1, 0);
    Command(IDC_LIST_DELETE);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x01\x01\xFF\xFF\xFF\xFF", Bytes(rec->workingHours.holidays, 6));
}
}
