#include <gtest/gtest.h>
#include "pages/DiagIsdnPages.h"
#include "pages/DiagCardsPage.h"
#include "pages/DiagGsmCreditsPage.h"
#include "pages/DiagVoipPage.h"
#include "pages/DiagGraphPages.h"
#include "pages/DiagMessageBox.h"
#include "base/AppSettings.h"
#include "record/EntityNames.h"
#include "record/ConfigRecord.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <algorithm>
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

// The diagnostics pages made from their rows, in a hidden host, asking an
// engine that counts their requests and answers only when the test does.
namespace
{
using testsupport::Lang;

struct CountingEngine : IDiagEngine
{
    std::vector<std::pair<DiagRequest, int>> requests;
    std::vector<int> moduleInfos;
    std::function<void()> whileSending; // runs inside the next request

    int RequestDiagnostics(DiagRequest request, int index) override
    {
        requests.push_back({ request, index });
        std::function<void()> nested;
        nested.swap(whileSending);
        if (nested)
            nested();
        return 1;
    }
    int GetModuleInfo(int module) override
    {
        moduleInfos.push_back(module);
        return 1;
    }
};

// Numbers low byte first, as the device sends them (and as this machine keeps them).
void PutWord(BYTE* p, WORD v) { memcpy(p, &v, sizeof(v)); }
void PutDword(BYTE* p, DWORD v) { memcpy(p, &v, sizeof(v)); }
// The language text of key with its one number filled in.
std::string Pattern(const char* key, int value)
{
    char text[260];
    FormatIntPattern(text, sizeof(text), Lang(key).c_str(), value);
    return text;
}

const DiagNodeKind kNodes[] = { DiagNodeIsdnLines, DiagNodeIsdnCredit, DiagNodeCards, DiagNodeGsmCredits, DiagNodeVoip };

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
        Close();
        ::DestroyWindow(host);
        CloseNoResponseBox();
    }
    void Close()
    {
        if (page && page->Window().m_hWnd)
            ::DestroyWindow(page->Window().m_hWnd);
        page.reset();
    }
    IDiagPage* Make(DiagNodeKind id)
    {
        const DiagNode* node = FindDiagNode(id);
        IDiagPage* p = node->factory(*node, engine);
        EXPECT_TRUE(p->Create(host)) << id;
        return p;
    }
    template <class P>
    P& Open(DiagNodeKind id)
    {
        Close();
        page.reset(Make(id));
        return dynamic_cast<P&>(*page);
    }
    HWND Wnd() const { return page->Window().m_hWnd; }
    std::string Text(int id) const
    {
        char text[300] = "";
        ::GetDlgItemTextA(Wnd(), id, text, sizeof(text));
        return text;
    }
    void Fresh(DiagNodeKind id) { page->UpdateFromDevice(id, answers, false); }
    void Tick() { ::SendMessageA(Wnd(), WM_TIMER, CDiagPolling::kRequestTimer, 0); }
    static bool BoxUp()
    {
        CMessageBoxDlg* box = GetNoResponseBox();
        return box && box->m_hWnd && ::IsWindow(box->m_hWnd);
    }
};
}

// --- the texts the pages build -----------------------------------------------

TEST(DiagTexts, ModuleStatesAndSignalLevels)
{
    ASSERT_TRUE(SelectShippedLanguage());
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    char text[100];
    // Computed texts (errors, unknown states) take no device text.
    for (const auto& [code, deviceText, want, colour] : std::vector<std::tuple<WORD, const char*, std::string, COLORREF>>{
             { 16, "", Lang("strDiagGsmStatusIdle"), STATE_GREEN },
             { 17, "Operator", Lang("strDiagGsmStatusOutCall") + " - Operator", STATE_YELLOW },
             { 56, "", Lang("strDiagGsmStatusOutCall"), STATE_YELLOW },
             { 33, "", Lang("strDiagVoipStatusInit"), face },
             { 61, "", Lang("strDiagAnalogStatusDiscInd"), STATE_DARK_GREEN },
             { 240, "x", Lang("strDiagGsmStatusNotPresent") + " - x", STATE_RED },
             { 225, "x", Pattern("strDiagGsmStatusError", 225), STATE_RED },
             { 0x800A, "x", Pattern("strDiagGsmStatusCmeError10", 10), STATE_RED },
             { 0x8063, "", Pattern("strDiagGsmStatusCmeError", 99), STATE_RED },
             { 0x83E8, "", Pattern("strDiagGsmStatusUnknown", 0x83E8), face } })
    {
        EXPECT_EQ(colour, GetStatusText(code, deviceText, text, sizeof(text))) << code;
        EXPECT_EQ(want, text) << code;
    }
    for (const auto& [value, want, dbm] : std::vector<std::tuple<int, std::string, int>>{
             { 255, "", 0 }, { 0, Lang("strDiagGsmSignalMin"), -113 }, { 1, "-111 dBm", -111 }, { 30, "-53 dBm", -53 },
             { 31, Lang("strDiagGsmSignalMax"), -51 }, { 99, Lang("strDiagGsmSignalNo"), 0 },
             { 50, Lang("strDiagGsmSignalUnknown"), 0 } })
    {
        EXPECT_EQ(dbm, GetSignalText(value, text, sizeof(text))) << value;
        EXPECT_EQ(want, text) << value;
    }

    // A language text with more than one conversion, or a string one, is shown as it stands.
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strDiagGsmStatusUnknown=State %s %n\nstrDiagGsmStatusError=Error %d and %d\n"
                                   "strDiagGsmStatusCmeError=CME %x\n"));
    ASSERT_TRUE(lang.Select());
    for (const auto& [code, want] : std::vector<std::pair<WORD, std::string>>{
             { 7, "State %s %n" }, { 225, "Error %d and %d" }, { 0x8005, "CME 5" } })
    {
        GetStatusText(code, "", text, sizeof(text));
        EXPECT_EQ(want, text);
    }
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
    // Texts name|address|flags|monitoring|registration; a name filling its
    // field without a terminator is cut to 23 characters.
    VoipRowTexts t;
    for (const auto& [bytes, trunk, want] : std::vector<std::tuple<std::vector<BYTE>, bool, std::string>>{
             { row("t1", { 0, 0, 0, 0 }, 0, 0x2000, 0x0231, 0), true, "t1|Unregistered|- - -|ONLINE, UNREACHABLE|OK" },
             { row("u1", { 10, 0, 0, 7 }, 5060, 0x000E, 0x0012, 35), false, "u1|10.0.0.7:5060|D N|OFFLINE, OK (35 ms)|" },
             { row("t2", { 0, 0, 0, 0 }, 0, 0x000A, 0x0340, 0), true, "t2|Unavailable|D - R|UNKNOWN|FAILED" },
             { row("u2", { 0, 0, 0, 0 }, 0, 0, 0x0100, 12), false, "u2|Unavailable|- -|UNMONITORED (12 ms)|" },
             { row("abcdefghijklmnopqrstuvwxyz", { 1, 2, 3, 4 }, 1, 0, 0x0020, 0), true,
               "abcdefghijklmnopqrstuvw|1.2.3.4:1|- - -|LAGGED|" } })
    {
        ASSERT_TRUE(FormatVoipRow(bytes.data(), trunk, &t));
        EXPECT_EQ(want, std::string(t.name) + "|" + t.address + "|" + t.flags + "|" + t.monitoring + "|" + t.registration);
    }
    EXPECT_FALSE(FormatVoipRow(std::vector<BYTE>(36, 0).data(), true, &t));
}

// --- the pages ---------------------------------------------------------------

TEST_F(DiagPagesTest, EachPageAsksForItsOwnDataAndTakesOnlyItsOwnAnswers)
{
    const std::pair<DiagRequest, int> asked[] = { { DIAG_REQ_ISDN_LINES, 0 }, { DIAG_REQ_ISDN_CREDIT, -1 }, { DIAG_REQ_CARDS, 0 },
                                                   { DIAG_REQ_GSM_CREDIT, -1 }, { DIAG_REQ_VOIP, 0 } };
    for (int n = 0; n < 5; ++n)
    {
        DiagNodeKind id = kNodes[n];
        engine.requests.clear();
        page.reset(Make(id));
        ASSERT_EQ(1u, engine.requests.size()) << id;
        EXPECT_EQ(asked[n], engine.requests[0]) << "the first request asks from index 0, credits from -1";
        Tick();
        EXPECT_TRUE(BoxUp()) << id;
        EXPECT_EQ(0, engine.requests.back().second) << "the timer asks from 0";

        // A late answer of another node is no answer to this page.
        for (DiagNodeKind other : kNodes)
            if (other != id)
                page->UpdateFromDevice(other, answers, false);
        EXPECT_TRUE(BoxUp()) << id;
        Fresh(id);
        EXPECT_FALSE(BoxUp()) << id;
        Tick();
        EXPECT_FALSE(BoxUp()) << id;
        ::DestroyWindow(Wnd());
    }
}

// Rows LOS, AIS, LFA, RRA, FEC, L2, SDI of each link: A alarm, S SDI, - off.
TEST_F(DiagPagesTest, IsdnLinesShowTheirLampsWithIconsLoadedOnce)
{
    auto& lines = Open<CDiagIsdnLinesPage>(DiagNodeIsdnLines);
    auto shown = [&]() {
        std::string lamps;
        for (int link = 0; link < kIsdnLinks; ++link)
            for (int row = 0; row < kLineLampRows; ++row)
            {
                LineLamp lamp = lines.ShownLamp(link, row);
                lamps += lamp == LAMP_ALARM ? 'A' : lamp == LAMP_SDI ? 'S' : lamp == LAMP_OFF ? '-' : '?';
            }
        return lamps;
    };
    const struct
    {
        WORD status[3];
        const char* lamps;
    } answersOf[] = { { { 0x0081, 0x80FF, 0x0042 }, "A-----S" "-------" "-A---A-" }, // 0x8000: not valid
                      { { 0x00FB, 0x0004, 0x0002 }, "AAAAAAS" "-------" "-----A-" } };
    for (const auto& a : answersOf)
    {
        for (int link = 0; link < 3; ++link)
            PutWord(answers.isdnLines + 2 * link, a.status[link]);
        Fresh(DiagNodeIsdnLines);
        EXPECT_EQ(a.lamps, shown());
    }
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

TEST_F(DiagPagesTest, CardsShowStatesSimsLevelsAndKinds)
{
    auto& cards = Open<CDiagCardsPage>(DiagNodeCards);
    char card0[ENTITY_NAME_SIZE], card1[ENTITY_NAME_SIZE], port[ENTITY_NAME_SIZE];
    char gsm[ENTITY_NAME_SIZE], voip[ENTITY_NAME_SIZE];
    GetCardName(0, card0);
    GetCardName(1, card1);
    GetPortName(5, port);
    GetCardTypeName(CARD_GSM, gsm, nullptr);
    GetCardTypeName(CARD_VOIP, voip, nullptr);
    EXPECT_EQ(card0, Text(IDC_DIAG_CARD_GROUP)) << "card names alone until the first answer";
    EXPECT_EQ(std::string(port) + ":", Text(IDC_DIAG_MODULE_LABEL + 15));

    // State (low byte first), signal and text of modules (the texts
    // themselves are the state texts above): 0 idle on the second SIM,
    // signal 1; 4 a VoIP module; 9 a text filling its field without a
    // terminator, cut to 40.
    memcpy(answers.modules[0], "\x10\x10\x01", 3);
    memcpy(answers.modules[4], "\x21\x00", 2);
    memcpy(answers.modules[9], "\x10\x00\x00", 3);
    memset(answers.modules[9] + 3, 'x', 41);
    Fresh(DiagNodeCards);

    EXPECT_EQ(" " + Lang("strDiagGsmStatusIdle") + " ", Text(IDC_DIAG_MODULE_STATE));
    EXPECT_EQ("SIM2\t-111 dBm", Text(IDC_DIAG_MODULE_LEVEL));
    EXPECT_EQ(STATE_GREEN, cards.GetStateColour(0));
    EXPECT_EQ(" " + Lang("strDiagGsmStatusIdle") + " - " + std::string(40, 'x') + " ", Text(IDC_DIAG_MODULE_STATE + 27));
    EXPECT_EQ(std::string(card0) + " - " + gsm, Text(IDC_DIAG_CARD_GROUP));
    EXPECT_EQ(std::string(card1) + " - " + voip, Text(IDC_DIAG_CARD_GROUP + 1));
    EXPECT_TRUE(cards.GetStateCursor(0));
    // The stored answer redrawn (tab entered again) still shows the second SIM.
    page->UpdateFromDevice(DiagNodeCards, answers, true);
    EXPECT_EQ("SIM2\t-111 dBm", Text(IDC_DIAG_MODULE_LEVEL));

    // A double-click on a GSM module asks for its information; on a VoIP card nothing.
    for (int m : { 3, 12 })
        ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_DIAG_MODULE_STATE + m, STN_DBLCLK),
                       (LPARAM)::GetDlgItem(Wnd(), IDC_DIAG_MODULE_STATE + m));
    EXPECT_EQ(std::vector<int>{ 1 }, engine.moduleInfos);

    // GSM turned VoIP: the hand goes.
    PutWord(answers.modules[0], 38);
    Fresh(DiagNodeCards);
    EXPECT_FALSE(cards.GetStateCursor(0));
    EXPECT_EQ(CARD_VOIP, cards.GetShownKind(0));
}

// The positions of an analog card are its lines, as the configuration calls
// them; the other cards' are ports when the page opens and modules after a
// language change, in a language where the two names differ.
TEST_F(DiagPagesTest, CardsNameTheLinesOfAnAnalogCardAsLines)
{
    CTestLanguage language;
    ASSERT_TRUE(language.WriteLanguage("strPort=Port %d\nstrModule=Module %d\nstrLine=Line %d\n"));
    ASSERT_TRUE(language.Select());
    Open<CDiagCardsPage>(DiagNodeCards);
    auto name = [](int (*get)(int, char*), int k) {
        char text[ENTITY_NAME_SIZE];
        get(k, text);
        return std::string(text) + ":";
    };
    ASSERT_NE(name(GetPortName, 4), name(GetModuleName, 4));
    PutWord(answers.modules[4], 33);  // a VoIP card in slot 1
    PutWord(answers.modules[8], 54);  // an analog card in slot 2
    PutWord(answers.modules[12], 16); // a GSM card in slot 3
    Fresh(DiagNodeCards);
    for (auto other : { GetPortName, GetModuleName })
    {
        SCOPED_TRACE(other == GetPortName ? "as opened" : "after a language change");
        EXPECT_EQ(name(other, 0), Text(IDC_DIAG_MODULE_LABEL));
        EXPECT_EQ(name(other, 4), Text(IDC_DIAG_MODULE_LABEL + 3 * 4));
        EXPECT_EQ(name(GetLineName, 8), Text(IDC_DIAG_MODULE_LABEL + 3 * 8));
        EXPECT_EQ(name(GetLineName, 11), Text(IDC_DIAG_MODULE_LABEL + 3 * 11));
        EXPECT_EQ(name(other, 12), Text(IDC_DIAG_MODULE_LABEL + 3 * 12));
        page->OnLanguageChanged();
    }
    // The analog card taken out: its positions are modules again.
    PutWord(answers.modules[8], 0);
    Fresh(DiagNodeCards);
    EXPECT_EQ(name(GetModuleName, 8), Text(IDC_DIAG_MODULE_LABEL + 3 * 8));
}

namespace
{
// The fields among ids whose text does not show in full at the page's size,
// measured as the field draws it: with its own font in its client area, on
// one line or wrapped between words.
std::string CutFields(HWND page, const std::vector<int>& ids, bool wrapped)
{
    std::string cut;
    for (int id : ids)
    {
        HWND field = ::GetDlgItem(page, id);
        char text[300] = "";
        ::GetWindowTextA(field, text, sizeof(text));
        RECT client;
        ::GetClientRect(field, &client);
        HDC dc = ::GetDC(field);
        HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageA(field, WM_GETFONT, 0, 0));
        SIZE need = {};
        if (wrapped && (::GetWindowLongA(field, GWL_STYLE) & SS_TYPEMASK) == SS_OWNERDRAW)
        {
            // A state field the page draws, in the lines it breaks the text
            // into; every character of the text is on one of them.
            TEXTMETRICA metrics = {};
            ::GetTextMetricsA(dc, &metrics);
            std::string joined;
            for (const std::string& line : StateTextLines(dc, text, client.right))
            {
                SIZE size = {};
                ::GetTextExtentPoint32A(dc, line.data(), (int)line.size(), &size);
                need.cx = std::max(need.cx, size.cx);
                need.cy += metrics.tmHeight;
                joined += line;
            }
            std::string spaceless = text;
            spaceless.erase(std::remove(spaceless.begin(), spaceless.end(), ' '), spaceless.end());
            joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
            if (joined != spaceless)
                need.cy = client.bottom + 1;
        }
        else if (wrapped)
        {
            RECT rc = { 0, 0, client.right, 0 };
            ::DrawTextA(dc, text, -1, &rc, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
            need = { rc.right, rc.bottom };
        }
        else
            ::GetTextExtentPoint32A(dc, text, (int)strlen(text), &need);
        ::SelectObject(dc, old);
        ::ReleaseDC(field, dc);
        if (need.cx > client.right || need.cy > client.bottom)
            cut += " " + std::to_string(id) + " '" + text + "'";
    }
    return cut;
}
}

// The largest values read in full at the page's size: two counts of
// 0xFFFFFFFF seconds in each ISDN credit field, and every state text with a
// device text of its full 40 characters (capital letters, the widest a
// device's words take) in each module's state field.
TEST_F(DiagPagesTest, LargestCreditsAndStateTextsReadInFull)
{
    Open<CDiagIsdnCreditPage>(DiagNodeIsdnCredit);
    memset(answers.isdnCredit, 0xFF, sizeof(answers.isdnCredit));
    Fresh(DiagNodeIsdnCredit);
    std::vector<int> counters;
    for (int link = 0; link < 3; ++link)
        for (int counter = 0; counter < 3; ++counter)
            counters.push_back(IDC_DIAG_CREDIT_LABEL + 4 * link + 1 + counter);
    EXPECT_EQ("71582788:15 / 71582788:15", Text(counters.back()));
    EXPECT_EQ("", CutFields(Wnd(), counters, false));

    Open<CDiagCardsPage>(DiagNodeCards);
    std::vector<int> states;
    for (int k = 0; k < 32; ++k)
        states.push_back(IDC_DIAG_MODULE_STATE + 3 * k);
    // Every state word the device may send, 32 at a time.
    std::vector<WORD> words;
    for (WORD w = 0; w < 256; ++w)
        words.push_back(w);
    for (WORD w : { 0x83E7, 0x8FFF, 0xEFFF })
        words.push_back(w);
    // Words, and one word without a space that no line holds.
    for (const std::string deviceText :
         { "NETWORK REGISTRATION REFUSED BY OPERATOR", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD" })
    {
        ASSERT_EQ(40u, deviceText.size());
        for (size_t first = 0; first < words.size(); first += 32)
        {
            for (int k = 0; k < 32; ++k)
            {
                PutWord(answers.modules[k], words[std::min(first + k, words.size() - 1)]);
                memcpy(answers.modules[k] + DiagAnswers::MODULE_TEXT_OFFSET, deviceText.data(), deviceText.size());
            }
            Fresh(DiagNodeCards);
            EXPECT_EQ("", CutFields(Wnd(), states, true)) << "state words from " << words[first];
            if (first == 224)
            {
                EXPECT_EQ(" " + Lang("strDiagGsmStatusNoSim2Module") + " - " + deviceText + " ",
                          Text(IDC_DIAG_MODULE_STATE + 3 * 6))
                    << "state 230 with its device text";
            }
        }
    }
}

// A language change before the device answered titles every card with its
// name and the kind last shown, which is none yet.
TEST_F(DiagPagesTest, CardsRetitledBeforeAnyAnswerNameTheirKind)
{
    Open<CDiagCardsPage>(DiagNodeCards);
    char none[ENTITY_NAME_SIZE];
    GetCardTypeName(CARD_NONE, none, nullptr);
    page->OnLanguageChanged();
    for (int c = 0; c < CDiagCardsPage::kCards; ++c)
    {
        char name[ENTITY_NAME_SIZE];
        GetCardName(c, name);
        EXPECT_EQ(std::string(name) + " - " + none, Text(IDC_DIAG_CARD_GROUP + c)) << c;
    }
}

TEST_F(DiagPagesTest, CreditPagesShowEachCounterUsedAndGranted)
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

    Open<CDiagGsmCreditsPage>(DiagNodeGsmCredits);
    g_Settings.BoardIndexOffset = 5;
    page->OnLanguageChanged();
    EXPECT_EQ(Pattern("strDiagGsmCard", 1), Text(IDC_DIAG_CARD_GROUP)) << "cards count from 1 whatever the offset";
    char module[ENTITY_NAME_SIZE];
    GetModuleName(6, module);
    EXPECT_EQ(std::string(module) + ":", Text(IDC_DIAG_GSM_CREDIT_LABEL + 24));
    PutDword(answers.gsmCreditA[6], 61);
    PutDword(answers.gsmCreditA[6] + 4, 59);
    PutDword(answers.gsmCreditB[6] + 20, 3600);
    Fresh(DiagNodeGsmCredits);
    EXPECT_EQ("1:01 / 0:59\n0 / 0|0 / 0\n0 / 0|0 / 0\n0:00 / 60:00", Text(IDC_DIAG_GSM_CREDIT_LABEL + 25) + "|" +
              Text(IDC_DIAG_GSM_CREDIT_LABEL + 26) + "|" + Text(IDC_DIAG_GSM_CREDIT_LABEL + 27));
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
        Fresh(DiagNodeVoip);
    };
    auto itemText = [](HWND list, int item, int column) {
        char text[260] = "";
        ListView_GetItemText(list, item, column, text, sizeof(text));
        return std::string(text);
    };
    auto selected = [&]() {
        int i = ListView_GetNextItem(users, -1, LVNI_SELECTED);
        return i < 0 ? std::string() : itemText(users, i, 0);
    };

    strcpy((char*)answers.voipTrunks[0], "carrier");
    PutWord(answers.voipTrunks[0] + 30, 0x2000);
    PutWord(answers.voipTrunks[0] + 32, 0x0231);
    setUsers({ "zed", "Anna", "bob", "anna" });
    EXPECT_EQ(1, ListView_GetItemCount(trunks)) << "its texts are the row texts above";
    ASSERT_EQ(4, ListView_GetItemCount(users));
    EXPECT_EQ("zed", itemText(users, 3, 0)) << "sorted by name";

    // The selected name stays selected wherever it lands, matched exactly.
    for (int i = 0; i < 4; ++i)
        if (itemText(users, i, 0) == "anna")
            ListView_SetItemState(users, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    setUsers({ "Anna", "aaron", "anna", "zed" });
    EXPECT_EQ("anna", selected());
    setUsers({ "Anna", "zed" });
    EXPECT_EQ("", selected()) << "a vanished name leaves no selection";
}

TEST_F(DiagPagesTest, RequestMadeWhileAnotherIsOnItsWayCountsAsRefused)
{
    Open<CDiagIsdnLinesPage>(DiagNodeIsdnLines);
    engine.requests.clear();
    // As the connection dialog's loop runs the page timers while the engine connects.
    int nested = -1;
    engine.whileSending = [&] {
        Tick();
        nested = (int)engine.requests.size();
    };
    Tick();
    EXPECT_EQ(1, nested);
    EXPECT_EQ(1u, engine.requests.size());
    Tick();
    EXPECT_EQ(2u, engine.requests.size()) << "the next tick asks again";
}

// An answer and a language change on each round: what they take must go
// with the page as well.
TEST_F(DiagPagesTest, EveryPageMadeAndDestroyedAgainReleasesWhatItHeld)
{
    const size_t keptBefore = g_Language.GetKeptKeyCount();
    DWORD handlesBefore = 0, handlesAfter = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore);
    for (DiagNodeKind id : kNodes)
    {
        for (int i = 0; i < 3; ++i)
        {
            std::unique_ptr<IDiagPage> p(Make(id));
            p->UpdateFromDevice(id, answers, false);
            p->OnLanguageChanged();
            ::DestroyWindow(p->Window().m_hWnd);
        }
        EXPECT_EQ(keptBefore, g_Language.GetKeptKeyCount()) << id;
    }
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 5);
}

// A request may bring its answer in before it returns (the engine connects on
// demand and runs a dialog meanwhile): a tick that found the last request
// unanswered draws its miss first, so that answer is what the graph keeps.
TEST_F(DiagPagesTest, AnswerBroughtInByTheTicksOwnRequestOutlivesTheMiss)
{
    answers.gsmUsage = 9;
    memset(answers.gsmStatistics, 16, sizeof(answers.gsmStatistics));
    const struct
    {
        DiagNodeKind node;
        UINT_PTR timer;
        std::vector<int> newest; // the graph's newest samples after the tick
    } cases[] = {
        { DiagNodeGsmUsage, CDiagPolling::kRequestTimer, { 0, 9 } },
        { DiagNodeGsmStatistics, CDiagPolling::kWatchdogTimer, std::vector<int>(24, 16) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.node);
        Close();
        page.reset(Make(c.node));
        CGraphCtrl& graph = c.node == DiagNodeGsmUsage ? static_cast<CDiagGsmUsagePage&>(*page).Graph()
                                                       : static_cast<CDiagGsmStatisticsPage&>(*page).Graph();
        engine.whileSending = [&] { Fresh(c.node); };
        ::SendMessageA(Wnd(), WM_TIMER, c.timer, 0);
        const GraphSamples& samples = graph.Plot().m_samples;
        const int n = static_cast<int>(c.newest.size());
        ASSERT_LE(n, samples.Count());
        std::vector<int> newest;
        for (int i = 0; i < n; ++i)
            newest.push_back(samples.Newest(n, i));
        EXPECT_EQ(c.newest, newest);
        EXPECT_FALSE(BoxUp()) << "the answer closed the box";
    }
}

// A refresh setting of 0 stands for its default: every polled page asks once
// when it opens and not again at the shortest timer period there is.
TEST_F(DiagPagesTest, RefreshSettingsOfZeroPollAtTheirDefaults)
{
    g_Settings.DiagnosticsRefresh = 0;
    g_Settings.GSMUsageRefresh = 0;
    g_Settings.StatisticsRefresh = 0;
    for (DiagNodeKind id : { DiagNodeIsdnLines, DiagNodeIsdnCredit, DiagNodeCards, DiagNodeGsmCredits, DiagNodeGsmUsage,
                           DiagNodeGsmStatistics, DiagNodeVoip })
    {
        Close();
        engine.requests.clear();
        page.reset(Make(id));
        testsupport::PumpMessages(150); // a dozen ticks at the shortest period
        EXPECT_EQ(1u, engine.requests.size()) << id;
        CloseNoResponseBox();
    }
    EXPECT_EQ(48, UsageGridSpacing(0));
}
