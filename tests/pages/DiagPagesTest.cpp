#include <gtest/gtest.h>
#include "pages/DiagIsdnPages.h"
#include "pages/DiagCardsPage.h"
#include "pages/DiagGsmCreditsPage.h"
#include "pages/DiagVoipPage.h"
#include "pages/DiagMessageBox.h"
#include "base/AppSettings.h"
#include "record/EntityNames.h"
#include "record/ConfigRecord.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The diagnostics pages made from their rows, in a hidden host, asking an
// engine that counts their requests and answers only when the test does.
namespace
{
std::string Lang(const char* key)
{
    char text[260] = "";
    g_Language.GetString(key, text, sizeof(text));
    return text;
}

struct CountingEngine : IDiagEngine
{
    std::vector<std::pair<DiagRequest, int>> requests;
    std::vector<int> moduleInfos;
    int result = 1;
    std::function<void()> whileSending; // runs inside the next request

    int RequestDiagnostics(DiagRequest request, int index) override
    {
        requests.push_back({ request, index });
        if (whileSending)
        {
            std::function<void()> nested = whileSending;
            whileSending = nullptr;
            nested();
        }
        return result;
    }
    int GetModuleInfo(int module) override
    {
        moduleInfos.push_back(module);
        return 1;
    }
};

void PutWord(BYTE* p, WORD v)
{
    p[0] = (BYTE)v;
    p[1] = (BYTE)(v >> 8);
}
void PutDword(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (BYTE)(v >> (8 * i));
}

class DiagPagesTest : public ::testing::Test
{
protected:
    CountingEngine engine;
    HWND host = NULL;
    std::unique_ptr<IDiagPage> page;
    DiagAnswers answers;

    void SetUp() override
    {
        ASSERT_TRUE(SelectShippedLanguage());
        g_Settings.SetDefaults();
        DiagPollingSuspended = 0;
        answers.Clear();
        host = testsupport::CreatePageHost(1000, 700, false);
    }
    void TearDown() override
    {
        if (page && page->Window().m_hWnd)
            ::DestroyWindow(page->Window().m_hWnd);
        page.reset();
        ::DestroyWindow(host);
        CloseNoResponseBox();
    }

    template <class P>
    P& Open(DiagNodeId id)
    {
        const DiagNode* node = FindDiagNode(id);
        EXPECT_TRUE(node);
        page.reset(node->factory(*node, engine));
        EXPECT_TRUE(page->Create(host));
        return dynamic_cast<P&>(*page);
    }
    HWND Wnd() const { return page->Window().m_hWnd; }
    std::string Text(int id) const
    {
        char text[300] = "";
        ::GetDlgItemTextA(Wnd(), id, text, sizeof(text));
        return text;
    }
    void Fresh(DiagNodeId id) { page->UpdateFromDevice(id, answers, false); }
    void Tick() { ::SendMessageA(Wnd(), WM_TIMER, CDiagPolling::kRequestTimer, 0); }
    static bool BoxUp()
    {
        CMessageBoxDlg* box = GetNoResponseBox();
        return box && box->m_hWnd && ::IsWindow(box->m_hWnd);
    }
};
}

// --- the texts the pages build -----------------------------------------------

TEST(DiagTexts, ModuleStatesTheirTextsAndColours)
{
    ASSERT_TRUE(SelectShippedLanguage());
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    char pattern[260];
    const struct
    {
        WORD code;
        const char* deviceText;
        std::string text;
        COLORREF colour;
    } cases[] = {
        { 16, "", Lang("strDiagGsmStatusIdle"), STATE_GREEN },
        { 17, "Operator", Lang("strDiagGsmStatusOutCall") + " - Operator", STATE_YELLOW },
        { 56, "", Lang("strDiagGsmStatusOutCall"), STATE_YELLOW },
        { 33, "", Lang("strDiagVoipStatusInit"), face },
        { 61, "", Lang("strDiagAnalogStatusDiscInd"), STATE_DARK_GREEN },
        { 240, "x", Lang("strDiagGsmStatusNotPresent") + " - x", STATE_RED },
        // Computed texts take no device text.
        { 225, "x", (FormatIntPattern(pattern, sizeof(pattern), Lang("strDiagGsmStatusError").c_str(), 225), pattern),
          STATE_RED },
        { 0x800A, "x", (FormatIntPattern(pattern, sizeof(pattern), Lang("strDiagGsmStatusCmeError10").c_str(), 10), pattern),
          STATE_RED },
        { 0x8063, "", (FormatIntPattern(pattern, sizeof(pattern), Lang("strDiagGsmStatusCmeError").c_str(), 99), pattern),
          STATE_RED },
        { 0x83E8, "", (FormatIntPattern(pattern, sizeof(pattern), Lang("strDiagGsmStatusUnknown").c_str(), 0x83E8), pattern),
          face },
    };
    for (const auto& c : cases)
    {
        char text[100];
        EXPECT_EQ(c.colour, ModuleStateText(c.code, c.deviceText, text, sizeof(text))) << c.code;
        EXPECT_EQ(c.text, text) << c.code;
    }
    EXPECT_NE(std::string::npos, Lang("strDiagGsmStatusCmeError10").find("%d"));

    // A language text with more than one conversion, or a string one, is shown as it stands.
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strDiagGsmStatusUnknown=State %s %n\nstrDiagGsmStatusError=Error %d and %d\n"
                                   "strDiagGsmStatusCmeError=CME %x\n"));
    ASSERT_TRUE(lang.Select());
    char text[100];
    ModuleStateText(7, "", text, sizeof(text));
    EXPECT_STREQ("State %s %n", text);
    ModuleStateText(225, "", text, sizeof(text));
    EXPECT_STREQ("Error %d and %d", text);
    ModuleStateText(0x8005, "", text, sizeof(text));
    EXPECT_STREQ("CME 5", text);
}

TEST(DiagTexts, SignalLevels)
{
    ASSERT_TRUE(SelectShippedLanguage());
    const struct
    {
        int value;
        std::string text;
        int dbm;
    } cases[] = { { 255, "", 0 },
                  { 0, Lang("strDiagGsmSignalMin"), -113 },
                  { 1, "-111 dBm", -111 },
                  { 30, "-53 dBm", -53 },
                  { 31, Lang("strDiagGsmSignalMax"), -51 },
                  { 99, Lang("strDiagGsmSignalNo"), 0 },
                  { 50, Lang("strDiagGsmSignalUnknown"), 0 } };
    for (const auto& c : cases)
    {
        char text[100];
        EXPECT_EQ(c.dbm, SignalText(c.value, text, sizeof(text))) << c.value;
        EXPECT_EQ(c.text, text) << c.value;
    }
}

TEST(DiagTexts, LineLampsFollowTheStatusBits)
{
    // Rows LOS, AIS, LFA, RRA, FEC, L2, SDI.
    const struct
    {
        WORD status;
        LineLamp lamps[kLineLampRows];
    } cases[] = {
        { 0x0000, { LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF } },
        { 0x00FB, { LAMP_ALARM, LAMP_ALARM, LAMP_ALARM, LAMP_ALARM, LAMP_ALARM, LAMP_ALARM, LAMP_SDI } },
        { 0x0004, { LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF } },
        { 0x0042, { LAMP_OFF, LAMP_ALARM, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_ALARM, LAMP_OFF } },
        { 0x80FF, { LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF, LAMP_OFF } },
    };
    for (const auto& c : cases)
        for (int row = 0; row < kLineLampRows; ++row)
            EXPECT_EQ(c.lamps[row], LineLampOf(c.status, row)) << c.status << " row " << row;
}

TEST(DiagTexts, VoipRows)
{
    auto row = [](const char* name, std::vector<BYTE> ip, WORD port, WORD flags, WORD state, WORD rtt) {
        std::vector<BYTE> r(36, 0);
        memcpy(r.data(), name, strnlen(name, 24));
        memcpy(r.data() + 24, ip.data(), 4);
        r[28] = (BYTE)(port >> 8);
        r[29] = (BYTE)port;
        PutWord(r.data() + 30, flags);
        PutWord(r.data() + 32, state);
        PutWord(r.data() + 34, rtt);
        return r;
    };
    const struct
    {
        std::vector<BYTE> row;
        bool trunk;
        VoipRowTexts want;
    } cases[] = {
        { row("t1", { 0, 0, 0, 0 }, 0, 0x2000, 0x0231, 0), true,
          { "t1", "Unregistered", "- - -", "ONLINE, UNREACHABLE", "OK" } },
        { row("u1", { 10, 0, 0, 7 }, 5060, 0x000E, 0x0012, 35), false,
          { "u1", "10.0.0.7:5060", "D N", "OFFLINE, OK (35 ms)", "" } },
        { row("t2", { 0, 0, 0, 0 }, 0, 0x000A, 0x0340, 0), true, { "t2", "Unavailable", "D - R", "UNKNOWN", "FAILED" } },
        { row("u2", { 0, 0, 0, 0 }, 0, 0, 0x0100, 12), false, { "u2", "Unavailable", "- -", "UNMONITORED (12 ms)", "" } },
        // A name filling its field without a terminator is cut to 23 characters.
        { row("abcdefghijklmnopqrstuvwxyz", { 1, 2, 3, 4 }, 1, 0, 0x0020, 0), true,
          { "abcdefghijklmnopqrstuvw", "1.2.3.4:1", "- - -", "LAGGED", "" } },
    };
    for (const auto& c : cases)
    {
        VoipRowTexts t;
        ASSERT_TRUE(FormatVoipRow(c.row.data(), c.trunk, &t));
        EXPECT_STREQ(c.want.name, t.name);
        EXPECT_STREQ(c.want.address, t.address) << c.want.name;
        EXPECT_STREQ(c.want.flags, t.flags) << c.want.name;
        EXPECT_STREQ(c.want.monitoring, t.monitoring) << c.want.name;
        EXPECT_STREQ(c.want.registration, t.registration) << c.want.name;
    }
    VoipRowTexts t;
    EXPECT_FALSE(FormatVoipRow(std::vector<BYTE>(36, 0).data(), true, &t));
}

// --- the pages ---------------------------------------------------------------

TEST_F(DiagPagesTest, EachPageAsksForItsOwnDataAndTakesOnlyItsOwnAnswers)
{
    const struct
    {
        DiagNodeId id;
        DiagRequest request;
        int firstIndex;
    } cases[] = { { DiagNodeIsdnLines, DIAG_REQ_ISDN_LINES, 0 },
                  { DiagNodeIsdnCredit, DIAG_REQ_ISDN_CREDIT, -1 },
                  { DiagNodeCards, DIAG_REQ_CARDS, 0 },
                  { DiagNodeGsmCredits, DIAG_REQ_GSM_CREDIT, -1 },
                  { DiagNodeVoip, DIAG_REQ_VOIP, 0 } };
    for (const auto& c : cases)
    {
        engine.requests.clear();
        const DiagNode* node = FindDiagNode(c.id);
        page.reset(node->factory(*node, engine));
        ASSERT_TRUE(page->Create(host)) << c.id;
        ASSERT_EQ(1u, engine.requests.size()) << c.id;
        EXPECT_EQ(c.request, engine.requests[0].first);
        EXPECT_EQ(c.firstIndex, engine.requests[0].second);
        Tick();
        EXPECT_TRUE(BoxUp()) << c.id;
        EXPECT_EQ(0, engine.requests.back().second) << "the timer asks from 0";

        // A late answer of another node is no answer to this page.
        for (const auto& other : cases)
            if (other.id != c.id)
                page->UpdateFromDevice(other.id, answers, false);
        EXPECT_TRUE(BoxUp()) << c.id;
        Fresh(c.id);
        EXPECT_FALSE(BoxUp()) << c.id;
        Tick();
        EXPECT_FALSE(BoxUp()) << c.id;
        ::DestroyWindow(Wnd());
    }
}

TEST_F(DiagPagesTest, IsdnLinesShowTheirLampsWithIconsLoadedOnce)
{
    auto& lines = Open<CDiagIsdnLinesPage>(DiagNodeIsdnLines);
    PutWord(answers.isdnLines, 0x0081);      // LOS and SDI
    PutWord(answers.isdnLines + 2, 0x80FF);  // not valid: all off
    PutWord(answers.isdnLines + 4, 0x0002);  // L2
    Fresh(DiagNodeIsdnLines);
    EXPECT_EQ(LAMP_ALARM, lines.ShownLamp(0, 0));
    EXPECT_EQ(LAMP_SDI, lines.ShownLamp(0, 6));
    EXPECT_EQ(LAMP_OFF, lines.ShownLamp(0, 1));
    for (int row = 0; row < kLineLampRows; ++row)
        EXPECT_EQ(LAMP_OFF, lines.ShownLamp(1, row));
    EXPECT_EQ(LAMP_ALARM, lines.ShownLamp(2, 5));
    HICON los = (HICON)::SendDlgItemMessageA(Wnd(), IDC_DIAG_LINE_LAMP, STM_GETICON, 0, 0);
    ASSERT_TRUE(los);
    // Many answers later the same two icons are shown: none is loaded anew.
    for (int i = 0; i < 20; ++i)
    {
        PutWord(answers.isdnLines, (i & 1) ? 0x0081 : 0);
        Fresh(DiagNodeIsdnLines);
    }
    EXPECT_EQ(los, (HICON)::SendDlgItemMessageA(Wnd(), IDC_DIAG_LINE_LAMP, STM_GETICON, 0, 0));
}

TEST_F(DiagPagesTest, IsdnCreditShowsEachLinksCounters)
{
    Open<CDiagIsdnCreditPage>(DiagNodeIsdnCredit);
    EXPECT_EQ(Lang("strDiagIsdnLink0") + ":", Text(IDC_DIAG_CREDIT_LABEL));
    EXPECT_EQ(Lang("strDiagIsdnLink2") + ":", Text(IDC_DIAG_CREDIT_LABEL + 8));
    PutDword(answers.isdnCredit[1] + 8, 125);
    PutDword(answers.isdnCredit[1] + 12, 3600);
    PutDword(answers.isdnCredit[3], 99); // the fourth link is not shown
    Fresh(DiagNodeIsdnCredit);
    EXPECT_EQ("0 / 0", Text(IDC_DIAG_CREDIT_LABEL + 1));
    EXPECT_EQ("2:05 / 60:00", Text(IDC_DIAG_CREDIT_LABEL + 4 + 2));
}

TEST_F(DiagPagesTest, CardsShowStatesSimsLevelsAndKinds)
{
    auto& cards = Open<CDiagCardsPage>(DiagNodeCards);
    char name[ENTITY_NAME_SIZE];
    GetCardName(0, name);
    EXPECT_EQ(name, Text(IDC_DIAG_CARD_GROUP)) << "card names alone until the first answer";
    char port[ENTITY_NAME_SIZE];
    GetPortName(5, port);
    EXPECT_EQ(std::string(port) + ":", Text(IDC_DIAG_MODULE_LABEL + 15));

    // Card 0 GSM: idle on the second SIM, signal 1; card 1 VoIP; card 2 an error.
    PutWord(answers.modules[0], 0x1010);
    answers.modules[0][2] = 1;
    PutWord(answers.modules[1], 17);
    answers.modules[1][2] = 99;
    memcpy(answers.modules[1] + 3, "Operator One", 13);
    PutWord(answers.modules[4], 33);
    PutWord(answers.modules[8], 0x800A);
    answers.modules[8][2] = 30;
    // A text filling its field without a terminator is cut to 40 characters.
    memset(answers.modules[9] + 3, 'x', 41);
    PutWord(answers.modules[9], 16);
    Fresh(DiagNodeCards);

    EXPECT_EQ(" " + Lang("strDiagGsmStatusIdle") + " ", Text(IDC_DIAG_MODULE_STATE));
    EXPECT_EQ("SIM2\t-111 dBm", Text(IDC_DIAG_MODULE_LEVEL));
    EXPECT_EQ(STATE_GREEN, cards.GetStateColour(0));
    EXPECT_EQ(" " + Lang("strDiagGsmStatusOutCall") + " - Operator One ", Text(IDC_DIAG_MODULE_STATE + 3));
    EXPECT_EQ("SIM1\t" + Lang("strDiagGsmSignalNo"), Text(IDC_DIAG_MODULE_LEVEL + 3));
    EXPECT_EQ("", Text(IDC_DIAG_MODULE_LEVEL + 6)) << "signal 255 shows nothing";
    EXPECT_EQ(STATE_RED, cards.GetStateColour(8));
    EXPECT_EQ(" " + Lang("strDiagGsmStatusIdle") + " - " + std::string(40, 'x') + " ", Text(IDC_DIAG_MODULE_STATE + 27));

    char gsm[ENTITY_NAME_SIZE], voip[ENTITY_NAME_SIZE];
    GetCardTypeName(CARD_GSM, gsm, nullptr);
    GetCardTypeName(CARD_VOIP, voip, nullptr);
    EXPECT_EQ(std::string(name) + " - " + gsm, Text(IDC_DIAG_CARD_GROUP));
    GetCardName(1, name);
    EXPECT_EQ(std::string(name) + " - " + voip, Text(IDC_DIAG_CARD_GROUP + 1));
    EXPECT_TRUE(cards.GetStateCursor(0));
    // The stored answer redrawn (tab entered again) still shows the second SIM.
    page->UpdateFromDevice(DiagNodeCards, answers, true);
    EXPECT_EQ("SIM2\t-111 dBm", Text(IDC_DIAG_MODULE_LEVEL));

    // A double-click on a GSM module asks for its information; on a VoIP card nothing.
    ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_DIAG_MODULE_STATE + 3, STN_DBLCLK),
                   (LPARAM)::GetDlgItem(Wnd(), IDC_DIAG_MODULE_STATE + 3));
    ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_DIAG_MODULE_STATE + 12, STN_DBLCLK),
                   (LPARAM)::GetDlgItem(Wnd(), IDC_DIAG_MODULE_STATE + 12));
    EXPECT_EQ(std::vector<int>{ 1 }, engine.moduleInfos);

    // GSM turned VoIP: the hand goes.
    PutWord(answers.modules[0], 38);
    Fresh(DiagNodeCards);
    EXPECT_FALSE(cards.GetStateCursor(0));
    EXPECT_EQ(CARD_VOIP, cards.GetShownKind(0));
}

TEST_F(DiagPagesTest, GsmCreditsShowBothTablesPerCounter)
{
    Open<CDiagGsmCreditsPage>(DiagNodeGsmCredits);
    g_Settings.BoardIndexOffset = 5;
    page->OnLanguageChanged();
    char pattern[260];
    FormatIntPattern(pattern, sizeof(pattern), Lang("strDiagGsmCard").c_str(), 1);
    EXPECT_EQ(pattern, Text(IDC_DIAG_CARD_GROUP)) << "cards count from 1 whatever the offset";
    char module[ENTITY_NAME_SIZE];
    GetModuleName(6, module);
    EXPECT_EQ(std::string(module) + ":", Text(IDC_DIAG_GSM_CREDIT_LABEL + 24));

    PutDword(answers.gsmCreditA[6], 61);
    PutDword(answers.gsmCreditA[6] + 4, 59);
    PutDword(answers.gsmCreditB[6] + 20, 3600);
    Fresh(DiagNodeGsmCredits);
    EXPECT_EQ("1:01 / 0:59\n0 / 0", Text(IDC_DIAG_GSM_CREDIT_LABEL + 25));
    EXPECT_EQ("0 / 0\n0 / 0", Text(IDC_DIAG_GSM_CREDIT_LABEL + 26));
    EXPECT_EQ("0 / 0\n0:00 / 60:00", Text(IDC_DIAG_GSM_CREDIT_LABEL + 27));
}

TEST_F(DiagPagesTest, VoipListsKeepTheSelectedNameAcrossRefreshes)
{
    Open<CDiagVoipPage>(DiagNodeVoip);
    HWND users = ::GetDlgItem(Wnd(), IDC_DIAG_VOIP_USERS);
    HWND trunks = ::GetDlgItem(Wnd(), IDC_DIAG_VOIP_TRUNKS);
    auto setUsers = [&](std::vector<const char*> names) {
        memset(answers.voipUsers, 0, sizeof(answers.voipUsers));
        for (size_t i = 0; i < names.size(); ++i)
            strcpy((char*)answers.voipUsers[i], names[i]);
    };
    auto itemText = [](HWND list, int item, int column) {
        char text[260] = "";
        LVITEMA lvi = {};
        lvi.iSubItem = column;
        lvi.pszText = text;
        lvi.cchTextMax = sizeof(text);
        ::SendMessageA(list, LVM_GETITEMTEXTA, item, (LPARAM)&lvi);
        return std::string(text);
    };
    auto selected = [&]() {
        int i = (int)::SendMessageA(users, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
        return i < 0 ? std::string() : itemText(users, i, 0);
    };
    auto select = [&](int item) {
        LVITEMA s = {};
        s.stateMask = s.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(users, LVM_SETITEMSTATE, item, (LPARAM)&s);
    };

    strcpy((char*)answers.voipTrunks[0], "carrier");
    PutWord(answers.voipTrunks[0] + 30, 0x2000);
    PutWord(answers.voipTrunks[0] + 32, 0x0231);
    setUsers({ "zed", "Anna", "bob", "anna" });
    Fresh(DiagNodeVoip);
    EXPECT_EQ(1, ::SendMessageA(trunks, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("Unregistered", itemText(trunks, 0, 1));
    EXPECT_EQ("ONLINE, UNREACHABLE", itemText(trunks, 0, 3));
    EXPECT_EQ("OK", itemText(trunks, 0, 4));
    ASSERT_EQ(4, ::SendMessageA(users, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("zed", itemText(users, 3, 0)) << "sorted by name";

    // The selected name stays selected wherever it lands, matched exactly.
    for (int i = 0; i < 4; ++i)
        if (itemText(users, i, 0) == "anna")
            select(i);
    setUsers({ "Anna", "aaron", "anna", "zed" });
    Fresh(DiagNodeVoip);
    EXPECT_EQ("anna", selected());
    setUsers({ "Anna", "zed" });
    Fresh(DiagNodeVoip);
    EXPECT_EQ("", selected()) << "a vanished name leaves no selection";
}

TEST_F(DiagPagesTest, RequestMadeWhileAnotherIsOnItsWayCountsAsRefused)
{
    Open<CDiagIsdnLinesPage>(DiagNodeIsdnLines);
    engine.requests.clear();
    // As the connection dialog's loop runs the page timers while the engine connects.
    int nested = -1;
    engine.whileSending = [&] {
        ::SendMessageA(Wnd(), WM_TIMER, CDiagPolling::kRequestTimer, 0);
        nested = (int)engine.requests.size();
    };
    Tick();
    EXPECT_EQ(1, nested);
    EXPECT_EQ(1u, engine.requests.size());
    Tick();
    EXPECT_EQ(2u, engine.requests.size()) << "the next tick asks again";
}

TEST_F(DiagPagesTest, EveryPageMadeAndDestroyedFiftyTimesReleasesWhatItHeld)
{
    const size_t keptBefore = g_Language.GetKeptKeyCount();
    DWORD handlesBefore = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore);
    for (DiagNodeId id : { DiagNodeIsdnLines, DiagNodeIsdnCredit, DiagNodeCards, DiagNodeGsmCredits, DiagNodeVoip })
    {
        const DiagNode* node = FindDiagNode(id);
        for (int i = 0; i < 50; ++i)
        {
            std::unique_ptr<IDiagPage> p(node->factory(*node, engine));
            ASSERT_TRUE(p->Create(host)) << id;
            // An answer and a language change on the first and last rounds:
            // what they take must go with the page as well.
            if (i == 0 || i == 49)
            {
                p->UpdateFromDevice(id, answers, false);
                p->OnLanguageChanged();
            }
            ::DestroyWindow(p->Window().m_hWnd);
        }
        EXPECT_EQ(keptBefore, g_Language.GetKeptKeyCount()) << id;
    }
    DWORD handlesAfter = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 5);
}
