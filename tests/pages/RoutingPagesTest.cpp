#include "pages/ClipPages.h"
#include "pages/LcrRoutingItemDlg.h"
#include "pages/LcrRoutingPage.h"
#include "pages/MobilityPages.h"
#include "record/FieldText.h"
#include "tests/support/PageFixture.h"
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
// table not sorted by profile lists each tab's rules and keeps every rule.
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
    EXPECT_EQ(0, memcmp(rec, before.get(), sizeof(ConfigRecord))) << "a visit without changes";

    tab->ReplaceRule(0, tab->Rows()[0]); // the user edits a rule and keeps it
    ASSERT_EQ(1, page->Store());
    const int moved[4] = { 2, 3, 0, 1 };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Rules(before.get(), moved[i]) + Companion(before.get(), moved[i]), Rules(rec, i) + Companion(rec, i)) << i;
    EXPECT_EQ(0xFF, rec->routingRules[4].profile);
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

TEST_F(RoutingPagesTest, RuleDialogWritesTargetsInListOrderAndKeepsAnUnusedInputGroup)
{
    rec->moduleGroups[0].outGroup = 10;
    rec->moduleGroups[1].outGroup = 1; // "group 1" is a prefix of "group 10"
    CLcrRoutingItemDlg dlg(NewRule(5), rec, nullptr, -1);
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
    ASSERT_EQ(3u, dlg.Targets().size());
    ::SendMessageA(Item(IDC_LCR_ITEM_TARGETS, d), LB_SETCURSEL, 2, 0);
    dlg.MoveTarget(-1);

    ASSERT_TRUE(dlg.Accept());
    const LcrRuleEntry& r = dlg.Result();
    ::DestroyWindow(d);
    EXPECT_EQ(5, RuleByte(r.rule, LCR_RULE_LINE)) << "the rule keeps its incoming group";
    EXPECT_EQ(std::string("\x0A" "T\x01\xFF\xFF" "\x07\xFF\x00\x00\x00", 10), Bytes(r.rule.targets, 10))
        << "targets, then their values; positions behind the list keep theirs";
    EXPECT_EQ((std::string{ LCR_CREDIT_NONE, LCR_CREDIT_2, LCR_CREDIT_2, '\xFF', '\xFF' }), Bytes(r.companion.bytes, 5));
    EXPECT_EQ("\x05" "0049x", Bytes(r.rule.number, 6));
    EXPECT_EQ(0u, boxes.Count());
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
    CommitSectionList sections = GetCommitSections(*FindConfigItem(CI_LCR_CLIP), doc.get());
    for (size_t i = 0; i < sections.count; ++i)
        memcpy(ConfigBytes(doc.get()) + sections.sections[i].offset, At(sections.sections[i].offset),
               sections.sections[i].length);
    EXPECT_EQ(0, memcmp(doc.get(), rec, sizeof(ConfigRecord)));
    EXPECT_EQ(0xFF, doc->lcrClip[1].number[0]);
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

TEST_F(RoutingPagesTest, WorkingHoursRefuseAnOverlapAndKeepTheDevicesBytes)
{
    rec->workingHours.weekDays[0][2] = 0x42; // a byte no control shows
    rec->workingHours.weekDays[1][0] = 30;   // an impossible hour
    memcpy(rec->workingHours.holidays, "\x1D\x02\xFF\xFF\x01\x01", 6); // 29 February, 1 January
    CWorkingHoursPage& hours = Open<CWorkingHoursPage>();
    ASSERT_EQ(2u, hours.Holidays().size());
    EXPECT_EQ(1, hours.Holidays()[0].month) << "sorted by month and day";
    char text[64];
    ::SendMessageA(Item(IDC_WH_HOLIDAYS), LB_GETTEXT, 1, (LPARAM)text);
    EXPECT_TRUE(strstr(text, "29") != nullptr) << text; // not the other holiday's text

    SYSTEMTIME st = {};
    HWND tuesdayBegin = Item(IDC_WH_TIME_FIRST + 4);
    ::SendMessageA(tuesdayBegin, DTM_GETSYSTEMTIME, 0, (LPARAM)&st);
    EXPECT_EQ(0, st.wHour) << "the impossible hour shows as unset";
    st.wHour = 19; // begins after it ends (18:00)
    ::SendMessageA(tuesdayBegin, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    EXPECT_EQ(0, page->Store());
    EXPECT_EQ("strWorkingHoursErr", boxes.Last().key);
    EXPECT_EQ(0, memcmp(&rec->workingHours, &before->workingHours, sizeof(WorkingHours)));

    st.wHour = 8;
    ::SendMessageA(tuesdayBegin, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0x42, rec->workingHours.weekDays[0][2]);
    EXPECT_EQ(8, rec->workingHours.weekDays[1][0]);
    EXPECT_EQ(0, memcmp(rec->workingHours.holidays, before->workingHours.holidays, 160)) << "holidays untouched";

    ::SendMessageA(Item(IDC_WH_HOLIDAYS), LB_SETCURSEL, 1, 0);
    Command(IDC_LIST_DELETE);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x01\x01\xFF\xFF\xFF\xFF", Bytes(rec->workingHours.holidays, 6));
}
}
