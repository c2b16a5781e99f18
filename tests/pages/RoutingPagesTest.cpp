#include "pages/ClipPages.h"
#include "pages/ConfigItems.h"
#include "pages/LcrRoutingItemDlg.h"
#include "pages/LcrRoutingPage.h"
#include "pages/MobilityPages.h"
#include "pages/PageMemories.h"
#include "pages/FieldBinding.h"
#include "record/FieldText.h"
#include "comm/DeviceProtocol.h"
#include "tests/support/PageFixture.h"
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
class RoutingPagesTest : public PageFixture
{
protected:
    void SetUp() override
    {
        PageFixture::SetUp();
        g_LastRoutingProfile = 0;
    }
    template <class P>
    P* Open()
    {
        P* p = &PageFixture::Open<P>();
        ::MoveWindow(p->m_hWnd, 0, 0, 640, 420, TRUE);
        testsupport::PumpMessages();
        return p;
    }

    static void Click(HWND page, UINT id)
    {
        ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(page, (int)id));
    }

    // Rule i: profile, input line 'A', number "<i>", no targets; the
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
            char number[16];
            snprintf(number, sizeof(number), "%u", (unsigned)(i + 100));
            WriteCountedString(number, r.number, sizeof(r.number));
            memset(&rec->routingCompanion[i], 0x20 + (int)(i % 200), sizeof(RoutingRuleCompanion));
        }
    }
    void SetClip(int index, const char* number, int profile)
    {
        WriteCountedString(number, rec->lcrClip[index].number, 24);
        rec->lcrClip[index].bytes24[0] = (uint8_t)profile;
    }
};

// --- routing -------------------------------------------------------------------

TEST_F(RoutingPagesTest, UnsortedTableListsTheTabsRulesAndStoreKeepsEveryRule)
{
    SetRules({ 3, 3, 0, 0 });
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrRoutingPage* page = Open<CLcrRoutingPage>();
    CLcrRoutingListTab* tab = page->Tab(0);
    ASSERT_TRUE(tab != nullptr);
    EXPECT_EQ(2u, tab->Rows().size());
    EXPECT_EQ(2, ListView_GetItemCount(tab->List()));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, memcmp(rec, before.get(), sizeof(ConfigRecord))) << "a visit without changes";

    tab->ReplaceRule(0, tab->Rows()[0]); // the user edits a rule and keeps it
    ASSERT_EQ(1, page->Store());
    const int moved[4] = { 2, 3, 0, 1 };
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(0, memcmp(&rec->routingRules[i], &before->routingRules[moved[i]], 64)) << "rule " << i;
        EXPECT_EQ(0, memcmp(&rec->routingCompanion[i], &before->routingCompanion[moved[i]], 64)) << "rule " << i;
    }
    EXPECT_EQ(0xFF, rec->routingRules[4].profile);
}

TEST_F(RoutingPagesTest, AFullTableRefusesAnAddAndStoreStaysInsideTheTable)
{
    std::vector<int> profiles(CFG_ROUTING_RULE_COUNT, 0);
    for (size_t i = 990; i < profiles.size(); ++i)
        profiles[i] = 3; // a profile without a tab still counts
    SetRules(profiles);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrRoutingPage* page = Open<CLcrRoutingPage>();
    CLcrRoutingListTab* tab = page->Tab(0);
    ASSERT_TRUE(tab != nullptr);
    tab->DeleteRule(0);
    LcrRuleEntry entry = tab->Rows()[0];
    WriteCountedString("77", entry.rule.number, 24);
    EXPECT_TRUE(tab->AddRule(entry)) << "the deleted rule made room for one";
    EXPECT_FALSE(tab->AddRule(entry)) << "the 1001st rule";
    EXPECT_EQ(990u, tab->Rows().size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, memcmp(rec->lcrClip, before->lcrClip, sizeof(rec->lcrClip)));
    EXPECT_EQ(0, memcmp(&rec->httpIn, &before->httpIn, sizeof(rec->httpIn)));
    EXPECT_EQ(3, rec->routingRules[999].profile);
}

TEST_F(RoutingPagesTest, TabsForTheDefaultAndEveryClipProfileAndTheRememberedOneIsShown)
{
    SetClip(0, "111", 7);
    SetClip(1, "222", 2);
    g_LastRoutingProfile = 7;
    CLcrRoutingPage* page = Open<CLcrRoutingPage>();
    ASSERT_EQ(3, page->Tabs().GetTabCount());
    EXPECT_EQ(0, (int)page->Tabs().GetTabData(0));
    EXPECT_EQ(2, (int)page->Tabs().GetTabData(1));
    EXPECT_EQ(7, (int)page->Tabs().GetTabData(page->Tabs().GetCurrentIndex()));
}

struct RuleDialog
{
    std::unique_ptr<CLcrRoutingItemDlg> dlg;
    HWND Open(const LcrRuleEntry& entry, const ConfigRecord* rec, const std::vector<LcrRuleEntry>* rows, int edited,
              HWND parent)
    {
        dlg.reset(new CLcrRoutingItemDlg(entry, rec, rows, edited));
        return dlg->Create(parent);
    }
    ~RuleDialog()
    {
        if (dlg && dlg->m_hWnd)
            ::DestroyWindow(dlg->m_hWnd);
    }
    void Choose(UINT combo, int code) { CFieldBinder::SelectByCode(dlg->GetDlgItem(combo), code); }
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

TEST_F(RoutingPagesTest, RuleDialogWritesTargetsInListOrderAndKeepsAnUnusedInputGroup)
{
    rec->moduleGroups[0].outGroup = 10;
    rec->moduleGroups[1].outGroup = 1; // "group 1" is a prefix of "group 10"
    RuleDialog d;
    ASSERT_TRUE(d.Open(NewRule(5), rec, nullptr, -1, host) != NULL);
    ::SetDlgItemTextA(d.dlg->m_hWnd, IDC_LCR_ITEM_NUMBER, "0049x");
    ::SetDlgItemTextA(d.dlg->m_hWnd, IDC_LCR_ITEM_AOC, "7");
    d.Choose(IDC_LCR_ITEM_TARGET, 10);
    ::SendDlgItemMessageA(d.dlg->m_hWnd, IDC_LCR_ITEM_CREDIT, CB_SETCURSEL, 3, 0);
    d.dlg->AddTarget();
    d.Choose(IDC_LCR_ITEM_TARGET, 1);
    ::SetDlgItemTextA(d.dlg->m_hWnd, IDC_LCR_ITEM_AOC, "");
    ::SendDlgItemMessageA(d.dlg->m_hWnd, IDC_LCR_ITEM_CREDIT, CB_SETCURSEL, 1, 0);
    d.dlg->AddTarget();
    d.Choose(IDC_LCR_ITEM_TARGET, 'T');
    d.dlg->AddTarget();
    d.dlg->AddTarget(); // the same target again
    ASSERT_EQ(3u, d.dlg->Targets().size());
    ::SendDlgItemMessageA(d.dlg->m_hWnd, IDC_LCR_ITEM_TARGETS, LB_SETCURSEL, 2, 0);
    d.dlg->MoveTarget(-1);

    ASSERT_TRUE(d.dlg->Accept());
    const LcrRuleEntry& r = d.dlg->Result();
    EXPECT_EQ(5, RuleByte(r.rule, LCR_RULE_LINE)) << "the rule keeps its incoming group";
    const uint8_t targets[5] = { 10, 'T', 1, 0xFF, 0xFF };
    const uint8_t aoc[5] = { 7, 0xFF, 0, 0, 0 }; // positions behind the list keep theirs
    const uint8_t credits[5] = { LCR_CREDIT_NONE, LCR_CREDIT_2, LCR_CREDIT_2, 0xFF, 0xFF };
    EXPECT_EQ(0, memcmp(targets, r.rule.targets, 5));
    EXPECT_EQ(0, memcmp(aoc, r.rule.targetValues, 5));
    EXPECT_EQ(0, memcmp(credits, r.companion.bytes, 5));
    char number[24];
    ReadCountedString(r.rule.number, 24, number);
    EXPECT_STREQ("0049x", number);
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(RoutingPagesTest, RuleDialogRefusesWhatTheRuleCannotHold)
{
    std::vector<LcrRuleEntry> rows(2, NewRule('a'));
    WriteCountedString("123", rows[0].rule.number, 24);
    WriteCountedString("456", rows[1].rule.number, 24);
    struct Case
    {
        const char* number;
        int edited;
        bool target;
        const char* key; // null: accepted
    } cases[] = {
        { "", -1, true, "strLcrRoutingErrNumberMissing" },
        { "123", -1, true, "strLcrRoutingErrNumberDuplicate" }, // 'a' is link A
        { "123", 0, true, nullptr },                              // the edited row itself
        { "1x2", -1, true, "strLcrRoutingErrNumberWildcard" },
        { "789", -1, false, "strLcrRoutingErrNoTarget" },
    };
    for (const Case& c : cases)
    {
        RuleDialog d;
        ASSERT_TRUE(d.Open(NewRule('A'), rec, &rows, c.edited, host) != NULL);
        ::SetDlgItemTextA(d.dlg->m_hWnd, IDC_LCR_ITEM_NUMBER, c.number);
        if (c.target)
        {
            d.Choose(IDC_LCR_ITEM_TARGET, 'P');
            d.dlg->AddTarget();
        }
        boxes.Clear();
        EXPECT_EQ(c.key == nullptr, d.dlg->Accept()) << c.number;
        EXPECT_EQ(c.key ? std::string(c.key) : std::string(), boxes.Count() ? boxes.Last().key : std::string());
    }
}

// --- CLIP table -----------------------------------------------------------------

TEST_F(RoutingPagesTest, DeletingAProfilesLastCallerAsksAndDropsItsRulesWithTheirCompanions)
{
    SetClip(0, "111", 5);
    SetClip(1, "222", 6);
    SetRules({ 0, 5, 5, 6 });
    std::unique_ptr<ConfigRecord> doc(new ConfigRecord(*rec));
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));
    CLcrClipTabPage* page = Open<CLcrClipTabPage>();
    HWND list = ::GetDlgItem(page->m_hWnd, IDC_LCR_CLIP_LIST);
    ASSERT_EQ(2u, page->Rows().size());

    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    boxes.PushAnswer(IDNO);
    Click(page->m_hWnd, IDC_LIST_DELETE);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strLcrClipTabDeleteProfile", boxes.Last().key);
    EXPECT_EQ(2u, page->Rows().size());
    EXPECT_EQ(0, memcmp(rec->routingRules, before->routingRules, sizeof(rec->routingRules)));

    boxes.PushAnswer(IDYES);
    Click(page->m_hWnd, IDC_LIST_DELETE);
    EXPECT_EQ(1u, page->Rows().size());
    EXPECT_EQ(0, rec->routingRules[0].profile);
    EXPECT_EQ(6, rec->routingRules[1].profile);
    EXPECT_EQ(0, memcmp(&rec->routingCompanion[1], &before->routingCompanion[3], 64));

    // The commit carries both tables into the document.
    ASSERT_EQ(1, page->Store());
    CommitSectionList sections = GetCommitSections(*FindConfigItem(CI_LCR_CLIP), doc.get());
    for (size_t i = 0; i < sections.count; ++i)
        memcpy(ConfigBytes(doc.get()) + sections.sections[i].offset,
               ConfigBytes(rec) + sections.sections[i].offset, sections.sections[i].length);
    EXPECT_EQ(0, memcmp(doc->routingCompanion, rec->routingCompanion, sizeof(rec->routingCompanion)));
    EXPECT_EQ(0, memcmp(doc->routingRules, rec->routingRules, sizeof(rec->routingRules)));
    EXPECT_EQ(0xFF, doc->lcrClip[1].number[0]);
}

// --- mobility and working hours -------------------------------------------------

TEST_F(RoutingPagesTest, MobilityNumbersStayInsideTheirFieldsAndModesSurviveALanguageChange)
{
    const char* numbers[3] = { "1234567890123456789012", "", "77" };
    const uint8_t modes[3] = { MOBILITY_DURING_WH, MOBILITY_ALWAYS, MOBILITY_OUTSIDE_WH };
    rec->mobility[0] = MakeMobilityEntry('B', "200", numbers, modes);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&rec->mobility[0]);
    EXPECT_EQ(22, b[28]);
    EXPECT_EQ(MOBILITY_DURING_WH, b[51]) << "the 22nd digit does not overwrite the mode";
    EXPECT_EQ(2, b[52]);
    EXPECT_EQ(MOBILITY_OUTSIDE_WH, b[75]);
    EXPECT_EQ(0xFF, b[76]) << "only two numbers";
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));

    CMobilityExtPage* page = Open<CMobilityExtPage>();
    HWND list = ::GetDlgItem(page->m_hWnd, IDC_MOB_LIST);
    char text[128];
    {
        CTestLanguage lang;
        ASSERT_TRUE(lang.WriteLanguage("strMobilityExtDuringWHShort=Tag\nstrMobilityExtOutOfWHShort=Nacht\n"));
        ASSERT_TRUE(lang.Select());
        page->OnLanguageChanged();
        ListView_GetItemText(list, 0, 2, text, sizeof(text));
        EXPECT_STREQ("1234567890123456789012-Tag, 77-Nacht", text);
        ::SetDlgItemTextA(page->m_hWnd, IDC_MOB_EXTENSION, "300");
        ::SetDlgItemTextA(page->m_hWnd, IDC_MOB_NUMBER1, "5");
        Click(page->m_hWnd, IDC_LIST_ADD);
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
        for (int e = 0; c.refused < 0 && e < 4; ++e)
            EXPECT_TRUE(c.in[e].hour == c.out[e].hour && c.in[e].minute == c.out[e].minute) << e;
    }
    EXPECT_EQ(0, ShownWorkingTime(WorkingTime{ 24, 30 }).hour) << "an impossible time shows as unset";
    EXPECT_EQ(0, ShownWorkingTime(WorkingTime{ 9, 60 }).hour);
    EXPECT_EQ(9, ShownWorkingTime(WorkingTime{ 9, 59 }).hour);
}

TEST_F(RoutingPagesTest, WorkingHoursRefuseAnOverlapAndKeepTheDevicesBytes)
{
    rec->workingHours.weekDays[0][2] = 0x42; // a byte no control shows
    rec->workingHours.weekDays[1][0] = 30;   // an impossible hour
    rec->workingHours.holidays[0] = 29;
    rec->workingHours.holidays[1] = 2;
    rec->workingHours.holidays[4] = 1;
    rec->workingHours.holidays[5] = 1;
    CWorkingHoursPage* page = Open<CWorkingHoursPage>();
    ASSERT_EQ(2u, page->Holidays().size());
    EXPECT_EQ(1, page->Holidays()[0].month) << "sorted by month and day";
    char text[64];
    ::SendDlgItemMessageA(page->m_hWnd, IDC_WH_HOLIDAYS, LB_GETTEXT, 1, (LPARAM)text);
    char expected[64];
    CWorkingHoursPage::FormatHoliday(CWorkingHoursPage::Holiday{ 29, 2 }, expected, sizeof(expected));
    EXPECT_STREQ(expected, text);
    EXPECT_TRUE(strstr(text, "29") != nullptr) << text;

    SYSTEMTIME st = {};
    HWND tuesdayBegin = ::GetDlgItem(page->m_hWnd, IDC_WH_TIME_FIRST + 4);
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

    ::SendDlgItemMessageA(page->m_hWnd, IDC_WH_HOLIDAYS, LB_SETCURSEL, 1, 0);
    Click(page->m_hWnd, IDC_LIST_DELETE);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, memcmp(rec->workingHours.holidays, "\x01\x01\xFF\xFF\xFF\xFF", 6));
}
}
