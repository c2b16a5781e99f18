#include "tests/support/PageFixture.h"
#include "pages/IsdnPages.h"
#include "pages/IsdnLinesPage.h"
#include "pages/AnalogPages.h"
#include "pages/CardSlotsPage.h"
#include "tests/support/StrayDialogCloser.h"
#include <cstring>
#include <tuple>

namespace
{
#define B(text) std::string(text, sizeof(text) - 1)
std::string Raw(const void* p, size_t n) { return std::string((const char*)p, n); }

TEST(IsdnCommonRules, AlertingDelayThresholdFlashLengthAndSyncOrder)
{
    for (const auto& [typed, code, shown] : std::vector<std::tuple<const char*, uint8_t, std::string>>{
             { "99", 15, "15" }, { "2R", 'R', "R" }, { "", 0, "0" }, { "7", 7, "7" } })
    {
        char text[8];
        EXPECT_EQ(code, ParseAlertingDelay(typed)) << typed;
        FormatAlertingDelay(code, text, sizeof(text));
        EXPECT_EQ(shown, text);
    }
    // A threshold typed in dBm: shown rounded, stored as its code.
    for (const auto& [typed, shown, code] : std::vector<std::tuple<int, int, uint8_t>>{
             { -52, -53, 30 }, { -51, -51, 31 }, { -113, -113, 0 }, { -112, -113, 0 } })
    {
        EXPECT_EQ(shown, RoundThreshold(typed)) << typed;
        EXPECT_EQ(code, ThresholdCode(typed)) << typed;
    }
    EXPECT_EQ(-113, ThresholdDbm(0xFF));
    EXPECT_EQ(-51, ThresholdDbm(31));
    EXPECT_EQ(130, RoundFlashLength(133));
    EXPECT_EQ(26, FlashLengthCode(130));
    EXPECT_EQ(255, FlashLengthCode(1275));
    // The synchronisation order skips bytes naming no link, ends at the
    // first unset byte and writes the rest unset.
    const uint8_t stored[8] = { 2, 7, 0, 2, 0xFF, 1, 1, 1 };
    int links[kSyncOrderSize];
    ASSERT_EQ(3, ReadSyncOrder(stored, links));
    EXPECT_EQ((std::vector<int>{ 2, 0, 2 }), std::vector<int>(links, links + 3));
    uint8_t order[8];
    WriteSyncOrder(links, 3, order);
    EXPECT_EQ(B("\x02\x00\x02\xFF\xFF\xFF\xFF\xFF"), Raw(order, 8));
    const int many[10] = { 0, 1, 2, 0, 1, 2, 0, 1, 2, 0 };
    memset(order, 0, sizeof(order));
    WriteSyncOrder(many, 10, order);
    EXPECT_EQ(B("\x00\x01\x02\x00\x01\x02\x00\x01"), Raw(order, 8)) << "at most eight sources";
}

typedef PageFixture AnalogPageTest;

TEST_F(AnalogPageTest, NewRecordShowsItsDefaultsAndStoreClearsUnusedBits)
{
    rec->analogCommon.fxsWord = 0xFFFFFFEF;
    rec->analogCommon.fxoWordB |= 0x40;
    Open<CAnalogFxsPage>();
    EXPECT_TRUE(Checked(IDC_FXS_METERING_16KHZ));
    SetCheck(IDC_FXS_METERING_16KHZ, false);
    SetCheck(IDC_FXS_METERING_12KHZ, true);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0x10u, rec->analogCommon.fxsWord);

    Open<CAnalogFxoPage>();
    EXPECT_EQ("100", Text(IDC_FXO_FLASH_LENGTH));
    SetCheck(IDC_FXO_REVERSAL_START, true);
    Type(IDC_FXO_FLASH_LENGTH, "133");
    // Leaving the edit: it clamps, then the page hears of it.
    ::SendMessageA(Item(IDC_FXO_FLASH_LENGTH), WM_KILLFOCUS, 0, 0);
    ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_FXO_FLASH_LENGTH, EN_KILLFOCUS), (LPARAM)Item(IDC_FXO_FLASH_LENGTH));
    EXPECT_EQ("130", Text(IDC_FXO_FLASH_LENGTH));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(26, rec->analogCommon.fxoFlashLength);
    EXPECT_EQ(0x1Eu, rec->analogCommon.fxoWordB) << "a word the page writes loses its unused bits";
    EXPECT_EQ(0x02u, rec->analogCommon.fxoWordA);
}

class IsdnLinesPageTest : public PageFixture
{
protected:
    // The tab of link, shown.
    HWND OpenTab(int link)
    {
        CIsdnLinesPage& lines = Open<CIsdnLinesPage>();
        lines.Tabs().SelectTab(link);
        return lines.Tab(link)->m_hWnd;
    }
};

TEST_F(IsdnLinesPageTest, UnknownLinkModeIsKeptAndQsigNamesTheSidesMasterAndSlave)
{
    rec->isdnLinks[2].linkMode = 7;
    rec->isdnLinks[1].linkMode = 3;
    EXPECT_EQ(-1, CurSel(IDC_LINK_PROTOCOL, OpenTab(2)));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(7, rec->isdnLinks[2].linkMode);
    EXPECT_EQ(2, g_LastIsdnLinesTab);
    EXPECT_EQ(2, Open<CIsdnLinesPage>().Tabs().GetCurrentIndex()) << "the page shows the tab it showed last";

    HWND tab = OpenTab(1);
    EXPECT_EQ("Master", Text(IDC_LINK_SIDE_NT, tab));
    EXPECT_TRUE(Checked(IDC_LINK_SIDE_NT, tab));
    g_Language.RetranslateWindow(Wnd());
    page->OnLanguageChanged();
    EXPECT_EQ("Master", Text(IDC_LINK_SIDE_NT, tab));
    EXPECT_EQ("Expert...", Text(IDC_LINK_EXPERT, tab));
    EXPECT_EQ(1, CurSel(IDC_LINK_PROTOCOL, tab));
}

TEST(LinkLayer, MovesTheSignallingMarkAndKeepsOtherFlags)
{
    IsdnLinkSettings link;
    memset(&link, 0, sizeof(link));
    link.flags = 0xF1; // CRC4 and other bits the dialog does not own
    link.timeslotState[16] = 0xF1;
    link.timeslotState[20] = 0xF4;
    LinkLayerValues v = ReadLinkLayer(link);
    EXPECT_EQ(16, v.signalling);
    v.signalling = 20;
    v.longHaul = true;
    v.wiring = WIRING_NT;
    v.tei = 5;
    ApplyLinkLayer(link, v);
    EXPECT_EQ(0xFB, link.flags);
    EXPECT_EQ(5, link.tei);
    EXPECT_EQ(0, link.timeslotState[16]);
    EXPECT_EQ(0xF1, link.timeslotState[20]);
}

// An unset credit record starts on day 1 with no credit; credits are typed
// in minutes; the expert dialog moves the signalling channel at once.
TEST_F(IsdnLinesPageTest, CreditsAreMinutesAndTheExpertDialogMovesTheSignallingChannel)
{
    memset(&rec->isdnCredit[0], 0xFF, sizeof(IsdnLinkCredit));
    OpenTab(0);
    const IsdnLinkCredit& c = rec->isdnCredit[0];
    EXPECT_EQ(1, c.creditRestoreCode);
    EXPECT_EQ(0u, c.credit[5]);
    EXPECT_EQ(1, c.nextUnit[5]);
    EXPECT_EQ(0xFF, c.bytes67[0]);

    rec->isdnCredit[0].credit[0] = 90;
    rec->isdnCredit[0].oldCredit[0] = 90;
    HWND tab = OpenTab(0);
    EXPECT_EQ("1", Text(IDC_LINK_CREDIT_0, tab));
    Type(IDC_LINK_CREDIT_0, "2", tab);
    {
        CModalDialogAnswerer answerer([](HWND dlg, void*) {
            ::SetDlgItemTextA(dlg, IDC_LAYER_SIGNALLING, "20");
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        }, nullptr);
        Command(IDC_LINK_EXPERT, tab);
        EXPECT_EQ(1, answerer.Answered());
    }
    EXPECT_TRUE(Enabled(IDC_LINK_TIMESLOT_HIGH + 0, tab));
    EXPECT_FALSE(Enabled(IDC_LINK_TIMESLOT_HIGH + 4, tab));
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]) << "written into the page-edit copy at once";
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(120u, c.credit[0]);
    EXPECT_EQ(90u, c.oldCredit[0]) << "an untouched credit keeps its seconds";
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]);
}

// What a control shows: an edit's text, "on" or "off" for a button.
std::string Shows(HWND control)
{
    char cls[16] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    if (!lstrcmpiA(cls, "Button"))
        return ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "on" : "off";
    char text[64] = "";
    ::GetWindowTextA(control, text, sizeof(text));
    return text;
}

// One field as a page finds it, shows it and stores it after a visit
// without input.
struct VisitCase
{
    uint32_t offset; // record offset
    std::string stored;
    UINT control;
    const char* shown;
    std::string written;
};

#define COMMON_AT(member) (uint32_t) offsetof(ConfigRecord, isdnCommon.member)

class PageVisitTest : public PageFixture
{
protected:
    // Writes every case's stored bytes, opens page P, checks what each
    // control shows, stores, and checks what each field holds.
    template <class P>
    void Visit(const std::vector<VisitCase>& cases, HWND (*in)(IConfigPage&) = nullptr)
    {
        for (const VisitCase& c : cases)
            memcpy(At(c.offset), c.stored.data(), c.stored.size());
        Open<P>();
        HWND wnd = in ? in(*page) : Wnd();
        for (const VisitCase& c : cases)
            if (c.control)
            {
                EXPECT_EQ(c.shown, Shows(Item(c.control, wnd))) << "control " << c.control;
            }
        ASSERT_EQ(1, page->Store());
        for (const VisitCase& c : cases)
            EXPECT_EQ(c.written, Raw(At(c.offset), c.written.size())) << "offset " << c.offset;
    }
};

// A field stored unset, or with a value the page does not know, is stored
// as the page shows it: exactly the bytes a user would see uploaded.
TEST_F(PageVisitTest, IsdnCommonStoresWhatItShowsOfUnsetAndUnknownFields)
{
    memset(&rec->isdnCommon, 0xFF, sizeof(rec->isdnCommon));
    Visit<CIsdnCommonPage>({
        { COMMON_AT(dialWait), B("\xFF\xFF"), IDC_ISDNCOM_DIAL_WAIT, "60", B("\x3C\x00") },
        { COMMON_AT(dialTone), B("\xFF"), IDC_ISDNCOM_MORSE_A, "off", B("\x02") },
        { COMMON_AT(callbackSaveTime), B("\xFF"), IDC_ISDNCOM_CALLBACK_SAVE, "48", B("\x30") },
        { COMMON_AT(channelAssociation), B("\xFF"), IDC_ISDNCOM_CHANNEL_ASSOC, "off", B("\x00") },
        { COMMON_AT(noAnswerTimeout), B("\xFF"), IDC_ISDNCOM_NO_ANSWER, "255", B("\xFF") },
        { COMMON_AT(progressTone), B("\xFF"), IDC_ISDNCOM_PROGRESS_TONE, "off", B("\x00") },
        { COMMON_AT(alertingDelay), B("\xFF"), IDC_ISDNCOM_ALERTING_DELAY, "0", B("\x00") },
        { COMMON_AT(substituteIntlFormat), B("\xFF"), IDC_ISDNCOM_INTL_FORMAT, "on", B("\x01") },
        { COMMON_AT(gsmBusyCause), B("\xFF"), IDC_ISDNCOM_BUSY_CAUSE, "3", B("\x03") },
        { COMMON_AT(blockedNotLoggedIn), B("\xFF"), IDC_ISDNCOM_NOT_LOGGED, "0", B("\x00") },
        { COMMON_AT(blockedPoorSignal), B("\xFF"), IDC_ISDNCOM_POOR_COUNT, "0", B("\x00") },
        { COMMON_AT(gsmSignalCode), B("\xFF"), IDC_ISDNCOM_POOR_SIGNAL, "-113", B("\x00") },
        { COMMON_AT(countryPrefix), std::string(12, '\xFF'), IDC_ISDNCOM_COUNTRY_PREFIX, "",
          B("\x00") + std::string(11, '\xFF') },
        { COMMON_AT(cutPrefix), B("\xFF"), IDC_ISDNCOM_CUT_PREFIX, "off", B("\x00") },
        { COMMON_AT(connectWithAlerting), B("\xFF"), IDC_ISDNCOM_CONNECT_ALERTING, "off", B("\x00") },
        // Bytes of the range that other pages edit.
        { COMMON_AT(mobilityExtMode), B("\xFF"), 0, "", B("\xFF") },
        { COMMON_AT(portabilityTone), B("\xFF"), 0, "", B("\xFF") },
        { COMMON_AT(bytes0F), B("\xFF\xFF\xFF\xFF\xFF"), 0, "", B("\xFF\xFF\xFF\xFF\xFF") },
        { COMMON_AT(cdrOption), B("\xFF\xFF"), 0, "", B("\xFF\xFF") },
    });
    EXPECT_FALSE(Checked(IDC_ISDNCOM_NO_DIALTONE) || Checked(IDC_ISDNCOM_CONTINUOUS)) << "no tone shown";

    Visit<CIsdnCommonPage>({
        { COMMON_AT(dialWait), B("\x00\x00"), IDC_ISDNCOM_DIAL_WAIT, "1", B("\x01\x00") },
        { COMMON_AT(dialTone), B("\x07"), IDC_ISDNCOM_MORSE_A, "off", B("\x02") },
        { COMMON_AT(callbackSaveTime), B("\x31"), IDC_ISDNCOM_CALLBACK_SAVE, "48", B("\x30") },
        { COMMON_AT(channelAssociation), B("\x02"), IDC_ISDNCOM_CHANNEL_ASSOC, "off", B("\x00") },
        { COMMON_AT(progressTone), B("\x05"), IDC_ISDNCOM_PROGRESS_TONE, "off", B("\x00") },
        { COMMON_AT(alertingDelay), B("\x10"), IDC_ISDNCOM_ALERTING_DELAY, "16", B("\x0F") },
        { COMMON_AT(substituteIntlFormat), B("\x02"), IDC_ISDNCOM_INTL_FORMAT, "on", B("\x01") },
        { COMMON_AT(gsmBusyCause), B("\x00"), IDC_ISDNCOM_BUSY_CAUSE, "3", B("\x03") },
        { COMMON_AT(blockedNotLoggedIn), B("\x21"), IDC_ISDNCOM_NOT_LOGGED, "0", B("\x00") },
        { COMMON_AT(blockedPoorSignal), B("\x20"), IDC_ISDNCOM_POOR_COUNT, "32", B("\x20") },
        { COMMON_AT(gsmSignalCode), B("\x28"), IDC_ISDNCOM_POOR_SIGNAL, "-51", B("\x1F") },
        { COMMON_AT(countryPrefix), B("\x03" "12+\0\0\0\0\0\0\0\0"), IDC_ISDNCOM_COUNTRY_PREFIX, "12+",
          B("\x03" "12+") + std::string(8, '\xFF') },
        { COMMON_AT(cutPrefix), B("\x02"), IDC_ISDNCOM_CUT_PREFIX, "off", B("\x00") },
        { COMMON_AT(connectWithAlerting), B("\x07"), IDC_ISDNCOM_CONNECT_ALERTING, "on", B("\x01") },
    });
}

// The order list as the page shows it, one link name a line.
std::string ListTexts(HWND list)
{
    std::string texts;
    int count = (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
    {
        char text[64] = "";
        ::SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
        texts += text;
        texts += ";";
    }
    return texts;
}

TEST_F(PageVisitTest, SyncOrderIsWrittenAsTheListsShowIt)
{
    struct Case
    {
        std::string stored;
        const char* order;
        const char* unused;
        std::string written;
    };
    for (const Case& c : std::vector<Case>{
             { B("\x01\x00\xFF\xFF\xFF\xFF\xFF\xFF"), "ISDN-B;ISDN-A;", "ISDN-C;",
               B("\x01\x00\xFF\xFF\xFF\xFF\xFF\xFF") },
             { B("\x02\x07\x00\x09\xFF\x01\x01\x01"), "ISDN-C;ISDN-A;", "ISDN-B;",
               B("\x02\x00\xFF\xFF\xFF\xFF\xFF\xFF") },
             { B("\x03\x01\xFE\x02\x02\x02\x02\x02"), "ISDN-B;ISDN-C;ISDN-C;ISDN-C;ISDN-C;ISDN-C;",
               "ISDN-A;", B("\x01\x02\x02\x02\x02\x02\xFF\xFF") },
             { std::string(8, '\xFF'), "", "ISDN-A;ISDN-B;ISDN-C;", std::string(8, '\xFF') },
         })
    {
        SCOPED_TRACE(c.order);
        memcpy(rec->isdnSyncOrder, c.stored.data(), 8);
        Open<CIsdnSynchroPage>();
        EXPECT_EQ(c.order, ListTexts(Item(IDC_SYNC_ORDER)));
        EXPECT_EQ(c.unused, ListTexts(Item(IDC_SYNC_UNUSED)));
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.written, Raw(rec->isdnSyncOrder, 8));
    }
}

// A device order that names one link eight times leaves the other two links
// to be added behind it: the order list then holds ten sources, of which the
// first eight are written and the ISDN common settings behind the order keep
// their bytes.
TEST_F(PageVisitTest, SyncOrderLongerThanItsEightEntriesWritesOnlyEight)
{
    memset(rec->isdnSyncOrder, 0, 8);
    const std::string common = Raw(&rec->isdnCommon, sizeof(rec->isdnCommon));
    Open<CIsdnSynchroPage>();
    for (int added = 0; added < 2; ++added)
    {
        ::SendMessageA(Item(IDC_SYNC_UNUSED), LB_SETCURSEL, 0, 0);
        Command(IDC_SYNC_ADD);
    }
    EXPECT_EQ(10, ::SendMessageA(Item(IDC_SYNC_ORDER), LB_GETCOUNT, 0, 0));
    EXPECT_EQ("", ListTexts(Item(IDC_SYNC_UNUSED)));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string(8, '\0'), Raw(rec->isdnSyncOrder, 8));
    EXPECT_EQ(common, Raw(&rec->isdnCommon, sizeof(rec->isdnCommon)));
}

UINT TimeslotBoxId(int timeslot)
{
    return timeslot < 16 ? IDC_LINK_TIMESLOT_LOW + timeslot : IDC_LINK_TIMESLOT_HIGH + timeslot - 16;
}

HWND LinkTab0(IConfigPage& p) { return static_cast<CIsdnLinesPage&>(p).Tab(0)->m_hWnd; }

#define LINK_AT(member) (uint32_t)(offsetof(ConfigRecord, isdnLinks) + offsetof(IsdnLinkSettings, member))
#define CREDIT_AT(member) (uint32_t)(offsetof(ConfigRecord, isdnCredit) + offsetof(IsdnLinkCredit, member))

// The link tab writes its timeslots, restore rule and counters as it shows
// them, from a record the page cannot fully show.
TEST_F(PageVisitTest, LinkTabStoresTimeslotsRestoreRuleAndCountersAsShown)
{
    std::string states(32, '\0');
    states[0] = '\x00';  // timeslot 0 is always the framing slot
    states[5] = '\xF4';  // blocked
    states[7] = '\x33';  // no state the page knows: free
    states[16] = '\xF1'; // the signalling channel: kept
    states[20] = '\xF1'; // a second mark is an ordinary timeslot
    std::string written = states;
    written[0] = '\xF0';
    written[7] = written[20] = '\0';
    Visit<CIsdnLinesPage>(
        {
            { LINK_AT(flags), B("\xF0"), IDC_LINK_CRC4, "off", B("\xF0") },
            { LINK_AT(hunting), B("\xFF"), IDC_LINK_DOWNWARDS, "on", B("\xFF") },
            { LINK_AT(timeslotState), states, IDC_LINK_TIMESLOT_LOW + 5, "on", written },
            { CREDIT_AT(creditRestoreCode), B("\x00"), IDC_LINK_RESTORE_DAY_VALUE, "1", B("\x01") },
            { CREDIT_AT(firstUnit), B("\x00\xFF\x07"), IDC_LINK_FIRST_COUNT_0, "1", B("\x01\xFF\x07") },
            { CREDIT_AT(nextUnit), B("\x05\x00\x00"), IDC_LINK_NEXT_COUNT_1, "1", B("\x05\x01\x01") },
            { CREDIT_AT(block), B("\x80\xFF\x01"), IDC_LINK_BLOCK_1, "on", B("\x00\xFF\x00") },
            { CREDIT_AT(credit), B("\xFF\xFF\xFF\xFF"), IDC_LINK_CREDIT_0, "44640", B("\x80\xDE\x28\x00") },
            { CREDIT_AT(oldCredit) + 8, B("\x96\x00\x00\x00"), IDC_LINK_OLD_CREDIT_2, "2",
              B("\x96\x00\x00\x00") }, // 150 seconds, shown rounded: kept
            { CREDIT_AT(credit) + 12, B("\xFF\xFF\xFF\xFF"), 0, "", B("\xFF\xFF\xFF\xFF") }, // counter 3: not the page's
        },
        LinkTab0);
}

// Each restore code as the tab shows it and the code it stores back.
TEST_F(PageVisitTest, RestoreCodesAreShownAndStoredAsTheirKind)
{
    struct Case
    {
        uint8_t code;
        UINT radio;
        const char* day;  // null: hidden
        const char* week; // null: hidden
        int weekday;      // the list's item, -1 none; hidden with the day radio
        uint8_t stored;
    };
    for (const Case& c : std::vector<Case>{
             { 15, IDC_LINK_RESTORE_DAY, "15", nullptr, -2, 15 },
             { 0, IDC_LINK_RESTORE_DAY, "1", nullptr, -2, 1 },
             { 0x95, IDC_LINK_RESTORE_WEEKDAY, nullptr, "2", 4, 0x95 },
             { 0xBF, IDC_LINK_RESTORE_WEEKDAY, nullptr, "4", 6, 0xA7 },
             { 0xC1, IDC_LINK_RESTORE_WEEKDAY, nullptr, "1", 0, 0x89 },
             { 0x83, IDC_LINK_RESTORE_WEEKLY, nullptr, nullptr, 2, 0x83 },
             { 0x80, IDC_LINK_RESTORE_WEEKLY, nullptr, nullptr, -1, 0x80 },
         })
    {
        SCOPED_TRACE((int)c.code);
        rec->isdnCredit[1].creditRestoreCode = c.code;
        CIsdnLinesPage& lines = Open<CIsdnLinesPage>();
        HWND tab = lines.Tab(1)->m_hWnd;
        EXPECT_TRUE(Checked(c.radio, tab));
        auto visible = [&](UINT id) { return (::GetWindowLongA(Item(id, tab), GWL_STYLE) & WS_VISIBLE) != 0; };
        EXPECT_EQ(c.day != nullptr, visible(IDC_LINK_RESTORE_DAY_VALUE));
        EXPECT_EQ(c.week != nullptr, visible(IDC_LINK_RESTORE_WEEK));
        EXPECT_EQ(c.weekday != -2, visible(IDC_LINK_RESTORE_WEEKDAY_LIST));
        if (c.day)
        {
                EXPECT_EQ(c.day, Text(IDC_LINK_RESTORE_DAY_VALUE, tab));
        }
        if (c.week)
        {
                EXPECT_EQ(c.week, Text(IDC_LINK_RESTORE_WEEK, tab));
        }
        if (c.weekday != -2)
        {
                EXPECT_EQ(c.weekday, CurSel(IDC_LINK_RESTORE_WEEKDAY_LIST, tab));
        }
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.stored, rec->isdnCredit[1].creditRestoreCode);
    }
}

// Each link mode as protocol and side, and the mode stored back; a mode no
// protocol stands for is kept until the user picks one.
TEST_F(IsdnLinesPageTest, LinkModesAreShownAsProtocolAndSide)
{
    struct Case
    {
        uint8_t mode;
        int protocol;
        const char* checkedSide;
        uint8_t stored;
    };
    for (const Case& c : std::vector<Case>{
             { 0, 0, "Terminal (TE)", 0 },
             { 1, 0, "Network (NT)", 1 },
             { 2, 1, "Slave", 2 },
             { 3, 1, "Master", 3 },
             { 0xFF, 2, "Terminal (TE)", 0xFF },
             { 4, -1, "Terminal (TE)", 4 },
             { 0xFE, -1, "Terminal (TE)", 0xFE },
         })
    {
        SCOPED_TRACE((int)c.mode);
        rec->isdnLinks[0].linkMode = c.mode;
        HWND tab = OpenTab(0);
        EXPECT_EQ(c.protocol, CurSel(IDC_LINK_PROTOCOL, tab));
        UINT side = Checked(IDC_LINK_SIDE_NT, tab) ? IDC_LINK_SIDE_NT : IDC_LINK_SIDE_TE;
        EXPECT_EQ(c.checkedSide, Text(side, tab));
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.stored, rec->isdnLinks[0].linkMode);
    }
}

// The expert button shows its language text as it is, in every language
// and however often the language changes: the English text says itself
// that the button opens a dialog.
TEST_F(IsdnLinesPageTest, ExpertButtonShowsItsLanguageTextAlone)
{
    HWND tab = OpenTab(0);
    EXPECT_EQ("Expert...", Text(IDC_LINK_EXPERT, tab));
    g_Language.RetranslateWindow(Wnd());
    page->OnLanguageChanged();
    EXPECT_EQ("Expert...", Text(IDC_LINK_EXPERT, tab));

    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strIsdnLinkExpert=Layer settings\n"));
    ASSERT_TRUE(lang.Select());
    g_Language.RetranslateWindow(Wnd());
    page->OnLanguageChanged();
    EXPECT_EQ("Layer settings", Text(IDC_LINK_EXPERT, tab));
}

// Block all and unblock all reach every timeslot but the framing slot and
// the signalling channel, and the states land as the boxes show them.
TEST_F(IsdnLinesPageTest, BlockAllLeavesFramingAndSignallingSlots)
{
    std::string blocked(32, '\xF4'), free(32, '\0');
    blocked[0] = free[0] = '\xF0';
    blocked[16] = free[16] = '\xF1';
    HWND tab = OpenTab(0);
    for (const auto& [button, states] : std::vector<std::pair<UINT, std::string>>{
             { IDC_LINK_BLOCK_ALL, blocked }, { IDC_LINK_UNBLOCK_ALL, free } })
    {
        Command(button, tab);
        EXPECT_FALSE(Checked(IDC_LINK_TIMESLOT_LOW, tab));
        EXPECT_FALSE(Checked(IDC_LINK_TIMESLOT_HIGH, tab));
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(states, Raw(rec->isdnLinks[0].timeslotState, 32)) << button;
    }
}

// What the expert dialog shows of a link's layer settings, and what it
// writes when confirmed without input.
struct LayerShown
{
    bool longHaul = false;
    UINT wiring = 0;
    std::string tei, signalling;
};

TEST_F(IsdnLinesPageTest, ExpertDialogShowsAndWritesTheLinkLayerAsShown)
{
    struct Case
    {
        uint8_t flags, tei;
        int signalling; // -1: no timeslot marked
        bool longHaul;
        UINT wiring;
        const char *teiShown, *signallingShown;
        uint8_t flagsAfter, teiAfter;
        int signallingAfter;
    };
    for (const Case& c : std::vector<Case>{
             { 0x06, 5, 16, true, IDC_LAYER_WIRING_TE, "5", "16", 0x06, 5, 16 },
             { 0x0D, 200, -1, false, IDC_LAYER_WIRING_PROTOCOL, "127", "16", 0x01, 127, 16 },
             { 0xF8, 0, 31, false, IDC_LAYER_WIRING_NT, "0", "31", 0xF8, 0, 31 },
         })
    {
        SCOPED_TRACE((int)c.flags);
        IsdnLinkSettings& link = rec->isdnLinks[1];
        link.flags = c.flags;
        link.tei = c.tei;
        memset(link.timeslotState, 0, sizeof(link.timeslotState));
        if (c.signalling >= 0)
            link.timeslotState[c.signalling] = 0xF1;
        HWND tab = OpenTab(1);
        LayerShown shown;
        {
            CModalDialogAnswerer answerer([](HWND dlg, void* context) {
                LayerShown& s = *static_cast<LayerShown*>(context);
                s.longHaul = ::IsDlgButtonChecked(dlg, IDC_LAYER_LONG_HAUL) == BST_CHECKED;
                for (UINT id = IDC_LAYER_WIRING_PROTOCOL; id <= IDC_LAYER_WIRING_NT; ++id)
                    if (::IsDlgButtonChecked(dlg, (int)id) == BST_CHECKED)
                        s.wiring = id;
                char text[16] = "";
                ::GetDlgItemTextA(dlg, IDC_LAYER_TEI, text, sizeof(text));
                s.tei = text;
                ::GetDlgItemTextA(dlg, IDC_LAYER_SIGNALLING, text, sizeof(text));
                s.signalling = text;
                ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            }, &shown);
            Command(IDC_LINK_EXPERT, tab);
            ASSERT_EQ(1, answerer.Answered());
        }
        EXPECT_EQ(c.longHaul, shown.longHaul);
        EXPECT_EQ(c.wiring, shown.wiring);
        EXPECT_EQ(c.teiShown, shown.tei);
        EXPECT_EQ(c.signallingShown, shown.signalling);
        EXPECT_EQ(c.flagsAfter, link.flags);
        EXPECT_EQ(c.teiAfter, link.tei);
        EXPECT_EQ(c.signallingAfter, SignallingTimeslot(link));
        EXPECT_FALSE(Enabled(TimeslotBoxId(c.signallingAfter), tab));
    }
}

#define ANALOG_AT(member) (uint32_t) offsetof(ConfigRecord, analogCommon.member)

// Words the pages cannot fully show are built from 0 and the bits shown.
TEST_F(PageVisitTest, AnalogWordsAreBuiltFromTheBitsShown)
{
    memset(&rec->analogCommon, 0xFF, 16);
    Visit<CAnalogFxsPage>({
        { ANALOG_AT(fxsWord), B("\xFF\xFF\xFF\xFF"), IDC_FXS_METERING_12KHZ, "on", B("\x10\x00\x00\x00") },
    });
    Visit<CAnalogFxoPage>({
        { ANALOG_AT(fxoWordA), B("\xFF\xFF\xFF\xFF"), IDC_FXO_DIALING_PULSE, "on", B("\x13\x00\x00\x00") },
        { ANALOG_AT(fxoWordB), B("\xFF\xFF\xFF\xFF"), IDC_FXO_REVERSAL_END, "on", B("\xBE\x00\x00\x00") },
        { ANALOG_AT(fxoFlashLength), B("\x00"), IDC_FXO_FLASH_LENGTH, "40", B("\x08") },
        { ANALOG_AT(waitDialToneTime), B("\xFF"), IDC_FXO_WAIT_DIALTONE_TIME, "30", B("\x1E") },
        { ANALOG_AT(busyDetectStart), B("\x00"), IDC_FXO_BUSY_START_TIME, "1", B("\x01") },
        { ANALOG_AT(busyMinLengthEnd), B("\x01"), IDC_FXO_MIN_BUSY_LENGTH, "2", B("\x02") },
        { ANALOG_AT(bytes10), B("\xFF"), 0, "", B("\xFF") },
    });
}

// A number at the top of its range is shown and stored as it is.
TEST_F(PageVisitTest, NumbersAtTheTopOfTheirRangesAreKept)
{
    Visit<CIsdnCommonPage>({
        { COMMON_AT(dialWait), B("\x3C\x00"), IDC_ISDNCOM_DIAL_WAIT, "60", B("\x3C\x00") },
        { COMMON_AT(callbackSaveTime), B("\x30"), IDC_ISDNCOM_CALLBACK_SAVE, "48", B("\x30") },
        { COMMON_AT(noAnswerTimeout), B("\xFF"), IDC_ISDNCOM_NO_ANSWER, "255", B("\xFF") },
        { COMMON_AT(gsmBusyCause), B("\x7F"), IDC_ISDNCOM_BUSY_CAUSE, "127", B("\x7F") },
        { COMMON_AT(blockedNotLoggedIn), B("\x20"), IDC_ISDNCOM_NOT_LOGGED, "32", B("\x20") },
        { COMMON_AT(blockedPoorSignal), B("\x20"), IDC_ISDNCOM_POOR_COUNT, "32", B("\x20") },
    });
    Visit<CAnalogFxoPage>({
        { ANALOG_AT(fxoFlashLength), B("\xFF"), IDC_FXO_FLASH_LENGTH, "1275", B("\xFF") },
        { ANALOG_AT(waitDialToneTime), B("\x1E"), IDC_FXO_WAIT_DIALTONE_TIME, "30", B("\x1E") },
        { ANALOG_AT(busyDetectStart), B("\x1E"), IDC_FXO_BUSY_START_TIME, "30", B("\x1E") },
        { ANALOG_AT(busyMinLengthEnd), B("\x14"), IDC_FXO_MIN_BUSY_LENGTH, "20", B("\x14") },
    });
}

// Each FXO box and radio owns one bit of its word.
TEST_F(AnalogPageTest, EachFxoControlWritesItsOwnBit)
{
    struct Case
    {
        UINT control;
        uint32_t wordA, wordB;
    };
    for (const Case& c : std::vector<Case>{
             { IDC_FXO_DIALING_PULSE, 0x01, 0 },
             { IDC_FXO_WAIT_DIALTONE, 0x02, 0 },
             { IDC_FXO_METERING_12KHZ, 0x10, 0 },
             { IDC_FXO_BUSY_START, 0, 0x02 },
             { IDC_FXO_REVERSAL_START, 0, 0x04 },
             { IDC_FXO_BUSY_INBOUND, 0, 0x08 },
             { IDC_FXO_BUSY_OUTBOUND, 0, 0x10 },
             { IDC_FXO_LOOP_CURRENT, 0, 0x20 },
             { IDC_FXO_REVERSAL_END, 0, 0x80 },
         })
    {
        SCOPED_TRACE(c.control);
        rec->analogCommon.fxoWordA = rec->analogCommon.fxoWordB = 0;
        Open<CAnalogFxoPage>();
        Click(c.control);
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.wordA, rec->analogCommon.fxoWordA);
        EXPECT_EQ(c.wordB, rec->analogCommon.fxoWordB);
    }
}

// Each slot record holds its card type, the rest written unset; a slot
// stored unset is an empty slot.
TEST_F(PageVisitTest, CardSlotsWriteOnlyTheirCardTypes)
{
    memset(rec->cardSlots, 0x42, sizeof(rec->cardSlots));
    rec->cardSlots[0].cardType = 0xFF;
    rec->cardSlots[1].cardType = CARD_GSM;
    rec->cardSlots[2].cardType = 9; // no card the list offers: kept
    Open<CCardsSelectPage>();
    EXPECT_EQ("3\n\n\nOther", Text(IDC_SLOT_FIRST + 2));
    ASSERT_EQ(1, page->Store());
    const uint8_t types[8] = { CARD_NONE, CARD_GSM, 9, 0x42, 0x42, 0x42, 0x42, 0x42 };
    for (int s = 0; s < 8; ++s)
    {
        EXPECT_EQ(types[s], rec->cardSlots[s].cardType) << s;
        EXPECT_EQ(std::string(31, '\xFF'), Raw(rec->cardSlots[s].bytes1, 31)) << s;
    }
}
}
