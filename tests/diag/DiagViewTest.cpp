#include <gtest/gtest.h>
#include "diag/DiagView.h"
#include "pages/DiagMessageBox.h"
#include "pages/DiagTextPage.h"
#include "pages/DiagIsdnPages.h"
#include "pages/DiagGsmCreditsPage.h"
#include "pages/DiagGraphPages.h"
#include "pages/TextPage.h"
#include "base/Language.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <string>
#include <vector>

// The diagnostics view in a hidden host, its pages' requests going to an
// engine on test seams; the test plays the main frame: it hands the engine's
// answers to the view and enters and leaves the tab.
using namespace enginetest;

namespace
{
using testsupport::Lang;

Bytes Body(const Bytes& message)
{
    return Bytes(message.begin(), message.end() - 1);
}

// A page whose window cannot be made.
class CWindowlessPage : public CDiagTextPage
{
public:
    using CDiagTextPage::CDiagTextPage;
    HWND Create(HWND) override { return NULL; }
};
IDiagPage* NoMemory(const DiagNode&, IDiagEngine&)
{
    return nullptr;
}
IDiagPage* NoWindow(const DiagNode& node, IDiagEngine& engine)
{
    return new CWindowlessPage(node, engine, "");
}

class DiagViewTest : public ::testing::Test
{
protected:
    Harness h{ false };
    CEngineDiagRequests requests{ h.engine };
    HWND host = NULL;
    CDiagView* view = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(SelectShippedLanguage());
        DiagPollingSuspended = 0;
        host = testsupport::CreatePageHost(900, 600, false);
        view = new CDiagView;
        view->SetEngine(&requests);
        RECT rc;
        ::GetClientRect(host, &rc);
        ASSERT_TRUE(view->Create(host, &rc));
        ASSERT_TRUE(view->CreateContents(0));
    }

    void TearDown() override
    {
        ::DestroyWindow(host);
        delete view;
        CloseNoResponseBox();
        SetDiagNodesForTest(nullptr, 0);
        DiagPollingSuspended = 0;
        g_Settings.SetDefaults();
    }

    HWND Tree() const { return view->GetTree(); }
    HWND Page() const { return view->GetPageWindow(); }

    int ItemKind(HTREEITEM item) const { return testsupport::TreeItemId(Tree(), item); }
    std::string ItemTitle(HTREEITEM item) const { return testsupport::TreeItemTitle(Tree(), item); }
    std::string PageText() const { return testsupport::TextPageText(Page()); }

    // A click on the node's text.
    void Click(int kind)
    {
        HTREEITEM item = view->FindNode(kind);
        ASSERT_TRUE(item) << kind;
        testsupport::ClickTreeItem(Tree(), item);
    }

    void Notify(UINT code)
    {
        NMHDR nmh = { host, 0, code };
        ::SendMessageA(*view, WM_NOTIFY, 0, (LPARAM)&nmh);
    }
    void EnterTab() { Notify((UINT)PSN_SETACTIVE); }
    void LeaveTab() { Notify((UINT)PSN_KILLACTIVE); }

    void Tick(UINT_PTR timer = 1) { ::SendMessageA(Page(), WM_TIMER, timer, 0); }

    // Whether the page's timer runs; the probe stops it.
    bool TimerRan(UINT_PTR timer = 1) { return ::KillTimer(Page(), timer) != 0; }

    // The frame's part: the device's answer goes through the engine, and the
    // data statuses it sends are handed to the view.
    void Answer(BYTE tag, const Bytes& data)
    {
        h.Deliver(Msg(MSG_TYPE_POSITIVE, { { tag, data } }));
        for (const Status& s : h.frame.Take())
            view->TakeDeviceData(s.code, s.result, h.engine);
    }

    // Whether the page's last request has its answer: a tick then raises no
    // box (the tick asks again).
    bool Answered()
    {
        CloseNoResponseBox();
        Tick();
        const bool missed = BoxWindow() != NULL;
        CloseNoResponseBox();
        return !missed;
    }

    HWND BoxWindow() const
    {
        CMessageBoxDlg* box = GetNoResponseBox();
        return box && box->m_hWnd && ::IsWindow(box->m_hWnd) ? box->m_hWnd : NULL;
    }

    // The sent requests' diagnostics element tags, in order.
    std::vector<BYTE> SentTags()
    {
        std::vector<BYTE> tags;
        for (const Bytes& m : h.TakeSent())
            tags.push_back(m.size() > 2 ? m[2] : 0);
        return tags;
    }
};
}

TEST_F(DiagViewTest, DividerLeavesTheTree120PixelsAndKeepsItsHeight)
{
    RECT rc;
    ::GetClientRect(*view, &rc);
    EXPECT_EQ(rc.bottom - 120, view->GetSplitterPos());
    RECT tree;
    ::GetWindowRect(Tree(), &tree);
    const int treeHeight = tree.bottom - tree.top;
    // Top pane above the bar, the tree below it to the bottom.
    RECT page;
    ::GetWindowRect(Page(), &page);
    EXPECT_EQ(rc.bottom - 120, page.bottom - page.top);

    // The tree keeps its height when the view grows or shrinks.
    ::MoveWindow(*view, 0, 0, rc.right, rc.bottom + 100, TRUE);
    EXPECT_EQ(rc.bottom + 100 - 120, view->GetSplitterPos());
    ::GetWindowRect(Tree(), &tree);
    EXPECT_EQ(treeHeight, tree.bottom - tree.top);

    // A stored position is used as it is, within the smallest pane size.
    CDiagView stored;
    ASSERT_TRUE(stored.Create(host, &rc));
    ASSERT_TRUE(stored.CreateContents(200));
    EXPECT_EQ(200, stored.GetSplitterPos());
    CDiagView tooLow;
    ASSERT_TRUE(tooLow.Create(host, &rc));
    ASSERT_TRUE(tooLow.CreateContents(rc.bottom - 10));
    EXPECT_EQ(rc.bottom - tooLow.m_cxySplitBar - 64, tooLow.GetSplitterPos());

    // A view that has no size yet places the divider when it gets one.
    CDiagView unsized;
    RECT none = { 0, 0, 0, 0 };
    ASSERT_TRUE(unsized.Create(host, &none));
    ASSERT_TRUE(unsized.CreateContents(0));
    EXPECT_EQ(0, unsized.GetSplitterPos()) << "closed unseen, the default is stored";
    ::MoveWindow(unsized, 0, 0, 600, 400, TRUE);
    EXPECT_EQ(400 - 120, unsized.GetSplitterPos());
    ::DestroyWindow(stored);
    ::DestroyWindow(tooLow);
    ::DestroyWindow(unsized);
}

TEST_F(DiagViewTest, EachPolledNodeAsksAtOnceAndAtEveryTick)
{
    const struct
    {
        int kind;
        Bytes first; // the request as the page is created
        Bytes tick;  // the request of timer 1
    } cases[] = {
        { 11, { 0xA1, 0x02, 0x62, 0x00 }, { 0xA1, 0x02, 0x62, 0x00 } },
        { 12, { 0xA1, 0x06, 0x6D, 0x04, 0x00, 0x01, 0x02, 0x03 }, { 0xA1, 0x06, 0x6D, 0x04, 0x00, 0x01, 0x02, 0x03 } },
        { 21, { 0xA1, 0x03, 0x63, 0x01, 0x00 }, { 0xA1, 0x03, 0x63, 0x01, 0x00 } },
        { 22, { 0xA1, 0x06, 0x64, 0x04, 0x00, 0x01, 0x02, 0x03 }, { 0xA1, 0x06, 0x64, 0x04, 0x00, 0x01, 0x02, 0x03 } },
        { 23, { 0xA1, 0x02, 0x6F, 0x00 }, { 0xA1, 0x02, 0x6F, 0x00 } },
        { 24, { 0xA1, 0x02, 0x6E, 0x00 }, { 0xA1, 0x02, 0x6E, 0x00 } },
        { 31, { 0xA1, 0x02, 0x5F, 0x00 }, { 0xA1, 0x02, 0x5F, 0x00 } },
    };
    EnterTab();
    for (const auto& c : cases)
    {
        Click(c.kind);
        ASSERT_EQ(c.kind, view->GetCurrentKind());
        std::vector<Bytes> sent = h.TakeSent();
        ASSERT_EQ(1u, sent.size()) << c.kind;
        EXPECT_EQ(c.first, Body(sent[0])) << c.kind;
        Tick();
        sent = h.TakeSent();
        ASSERT_EQ(1u, sent.size()) << c.kind;
        EXPECT_EQ(c.tick, Body(sent[0])) << c.kind;
        EXPECT_TRUE(TimerRan()) << c.kind;
        CloseNoResponseBox();
    }
    // The root asks nothing.
    Click(DiagNodeRoot);
    EXPECT_TRUE(h.TakeSent().empty());
}

TEST_F(DiagViewTest, TimersRunWithTheRefreshSettings)
{
    // Short periods so the pages' own timers tick while the test pumps.
    g_Settings.DiagnosticsRefresh = 20;
    g_Settings.GSMUsageRefresh = 20;
    EnterTab();
    Click(DiagNodeIsdnLines);
    DWORD start = ::GetTickCount();
    size_t count = 0;
    while (count < 3 && ::GetTickCount() - start < 3000)
    {
        testsupport::PumpMessages(10);
        count += h.TakeSent().size();
        CloseNoResponseBox();
    }
    EXPECT_GE(count, 3u);
}

TEST_F(DiagViewTest, LeavingTheTabStopsPollingExceptTheUsageGraph)
{
    EnterTab();
    for (int kind : { 11, 12, 21, 22, 31 })
    {
        Click(kind);
        h.TakeSent();
        LeaveTab();
        EXPECT_FALSE(TimerRan()) << kind;
        EXPECT_TRUE(h.TakeSent().empty());
        // Coming back asks at once and restarts the timer.
        EnterTab();
        EXPECT_EQ(1u, h.TakeSent().size()) << kind;
        EXPECT_TRUE(TimerRan()) << kind;
    }

    Click(DiagNodeGsmStatistics);
    h.TakeSent();
    LeaveTab();
    EXPECT_FALSE(TimerRan(1));
    EXPECT_FALSE(TimerRan(2));
    EnterTab();
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_GSM_STATISTICS }, SentTags());
    EXPECT_TRUE(TimerRan(1));
    EXPECT_TRUE(TimerRan(2));

    // The usage graph keeps sampling behind another tab; entering asks nothing more.
    Click(DiagNodeGsmUsage);
    h.TakeSent();
    LeaveTab();
    EnterTab();
    EXPECT_TRUE(h.TakeSent().empty());
    LeaveTab();
    Tick();
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_GSM_USAGE }, SentTags());
    EXPECT_TRUE(TimerRan());
}

TEST_F(DiagViewTest, AnswersAreStoredAndReachOnlyTheirPage)
{
    EnterTab();
    Click(DiagNodeIsdnLines);
    EXPECT_FALSE(Answered());

    // A cards answer while the ISDN lines are shown: stored, not handed on.
    // (Module 31 ends the engine's chain of card requests.)
    Bytes cards = { 5, 0x10, 0x10, 17, 3, 'a', 'b', 'c', 31, 0, 0, 99, 0 };
    Answer(IE_DIAG_CARD, cards);
    const BYTE* record = view->Answers().modules[5];
    EXPECT_EQ(0x10, record[0]);
    EXPECT_EQ(0x10, record[1]);
    EXPECT_EQ(17, record[2]);
    EXPECT_STREQ("abc", (const char*)record + 3);
    EXPECT_EQ(255, view->Answers().modules[4][2]);
    EXPECT_FALSE(Answered());

    Answer(IE_DIAG_ISDN_LINES, { 0x80, 0x00, 0x02, 0x80, 0x00, 0x80, 9, 9 });
    EXPECT_EQ(Bytes({ 0x80, 0x00, 0x02, 0x80, 0x00, 0x80, 9, 9 }),
              Bytes(view->Answers().isdnLines, view->Answers().isdnLines + 8));
    EXPECT_TRUE(Answered());

    // The usage value travels in the status itself.
    Click(DiagNodeGsmUsage);
    Answer(IE_DIAG_GSM_USAGE, { 40, 1 });
    EXPECT_EQ(40, view->Answers().gsmUsage);
    EXPECT_TRUE(Answered());

    Click(DiagNodeGsmStatistics);
    Bytes hours(30, 0);
    for (int i = 0; i < 30; ++i)
        hours[i] = (BYTE)(i + 1);
    Answer(IE_DIAG_GSM_STATISTICS, hours);
    EXPECT_EQ(Bytes(hours.begin(), hours.begin() + 24),
              Bytes(view->Answers().gsmStatistics, view->Answers().gsmStatistics + 24));
    EXPECT_FALSE(TimerRan(2)); // the answer ended the watchdog

    // Both credit tables; both VoIP tables.
    Click(DiagNodeGsmCredits);
    Answer(IE_DIAG_GSM_CREDIT, { 2, 16, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 31, 8, 0, 0, 0, 0, 0, 0, 0, 0 });
    EXPECT_EQ(1, view->Answers().gsmCreditA[2][0]);
    EXPECT_EQ(2, view->Answers().gsmCreditA[2][4]);
    EXPECT_EQ(3, view->Answers().gsmCreditB[2][0]);
    EXPECT_EQ(4, view->Answers().gsmCreditB[2][4]);
    EXPECT_TRUE(Answered());

    Click(DiagNodeVoip);
    Bytes voip;
    for (const char* name : { "trunk", "user" })
    {
        voip.insert(voip.end(), name, name + strlen(name) + 1);
        for (int i = 0; i < 12; ++i)
            voip.push_back(i == 6 ? (name[0] == 'u' ? 1 : 0) : 0x11);
    }
    voip.push_back(0);
    Answer(IE_DIAG_VOIP, voip);
    EXPECT_STREQ("trunk", (const char*)view->Answers().voipTrunks[0]);
    EXPECT_STREQ("user", (const char*)view->Answers().voipUsers[0]);
    EXPECT_EQ(0x11, view->Answers().voipUsers[0][24]);
    EXPECT_TRUE(Answered());

    // A page created later starts from the stored answer, not as answered.
    Click(DiagNodeCards);
    EXPECT_FALSE(Answered());
    Answer(IE_DIAG_ISDN_CREDIT, { 1, 24, 125, 0, 0, 0, 16, 14, 0, 0 });
    EXPECT_EQ(0, view->Answers().isdnCredit[1][0]); // a cut entry is not filed
    EXPECT_FALSE(Answered());
}

TEST_F(DiagViewTest, NoResponseBoxComesOnceAndTheNextAnswerClosesIt)
{
    EnterTab();
    Click(DiagNodeIsdnLines);
    h.TakeSent();
    EXPECT_EQ(NULL, BoxWindow());
    Tick();
    HWND box = BoxWindow();
    ASSERT_TRUE(box);
    char text[300] = "";
    ::GetWindowTextA(box, text, sizeof(text));
    EXPECT_EQ(Lang("strError"), text);
    ::GetDlgItemTextA(box, IDC_DIAG_MESSAGE_TEXT, text, sizeof(text));
    EXPECT_EQ(Lang("strDiagErrorNoResponse"), text);
    EXPECT_TRUE(::SendDlgItemMessageA(box, IDC_DIAG_MESSAGE_ICON, STM_GETICON, 0, 0));
    EXPECT_EQ(host, ::GetWindow(box, GW_OWNER));
    EXPECT_EQ(MB_ICONEXCLAMATION, GetNoResponseBox()->GetStyle());

    // One box however many ticks pass.
    Tick();
    Tick();
    EXPECT_EQ(box, BoxWindow());
    EXPECT_EQ(3u, h.TakeSent().size());

    // OK closes it; the next unanswered tick opens it again.
    ::SendMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(NULL, BoxWindow());
    Tick();
    EXPECT_TRUE(BoxWindow());

    // An answer of any page closes it.
    Answer(IE_DIAG_ISDN_LINES, Bytes(8, 0));
    EXPECT_EQ(nullptr, GetNoResponseBox());
    Tick();
    EXPECT_EQ(NULL, BoxWindow());
}

TEST_F(DiagViewTest, RefusedRequestsReopenTheBoxExceptOnTheCardsPage)
{
    EnterTab();
    Click(DiagNodeIsdnLines);
    h.link.state = 0;
    h.link.stateAfterReconnect = 0;
    Tick();
    ASSERT_TRUE(BoxWindow());
    ::SendMessageA(BoxWindow(), WM_COMMAND, IDOK, 0);
    Tick();
    EXPECT_TRUE(BoxWindow()) << "nothing went out, the old request is still unanswered";
    EXPECT_EQ(1u, h.TakeSent().size()); // only the one of the page's start
    CloseNoResponseBox();

    h.link.state = 2;
    Click(DiagNodeCards);
    h.TakeSent();
    h.link.state = 0;
    Tick();
    ASSERT_TRUE(BoxWindow());
    ::SendMessageA(BoxWindow(), WM_COMMAND, IDCANCEL, 0);
    Tick();
    Tick();
    EXPECT_EQ(NULL, BoxWindow());
    // A new unanswered request brings it back at the tick after.
    h.link.state = 2;
    Tick();
    EXPECT_EQ(1u, h.TakeSent().size());
    EXPECT_EQ(NULL, BoxWindow());
    Tick();
    EXPECT_TRUE(BoxWindow());
}

TEST_F(DiagViewTest, SuspendedPollingSendsNothingAndKeepsTheBox)
{
    EnterTab();
    Click(DiagNodeVoip);
    h.TakeSent();
    CDiagView::SuspendPolling();
    EXPECT_EQ(1, DiagPollingSuspended);
    Tick();
    Tick();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(BoxWindow());
    EXPECT_TRUE(TimerRan());
    CDiagView::ResumePolling();
    EXPECT_EQ(0, DiagPollingSuspended);
    Tick();
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_VOIP }, SentTags());
}

TEST_F(DiagViewTest, StatisticsWatchdogRaisesTheBoxAndAsksAgain)
{
    EnterTab();
    Click(DiagNodeGsmStatistics);
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_GSM_STATISTICS }, SentTags());
    // Timer 1 alone does not raise the box: the watchdog does.
    Tick(1);
    EXPECT_EQ(NULL, BoxWindow());
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_GSM_STATISTICS }, SentTags());
    Tick(2);
    EXPECT_TRUE(BoxWindow());
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_GSM_STATISTICS }, SentTags());
    EXPECT_TRUE(TimerRan(2)) << "asked again, so watched again";
    Answer(IE_DIAG_GSM_STATISTICS, Bytes(24, 16));
    EXPECT_EQ(NULL, BoxWindow());
}

TEST_F(DiagViewTest, LanguageChangeRetitlesAndRedrawsPagesWithTextsOfTheirOwn)
{
    EnterTab();
    Click(DiagNodeIsdnCredit);
    Tick();
    ASSERT_TRUE(BoxWindow());
    {
        CTestLanguage lang;
        ASSERT_TRUE(lang.WriteLanguage("strDiagRoot=Unit\r\nstrDiagIsdnCredit=Credit of the lines\r\n"
                                       "strDiagIsdnLink1=Second\r\nstrDiagVoipUsers=Subscribers\r\n"
                                       "strDiagIsdnLines=Lines\r\nstrDiagRootDescr=About the unit\r\n"));
        ASSERT_TRUE(lang.Select());
        view->OnLanguageChanged();
        EXPECT_EQ("Unit", ItemTitle(view->FindNode(DiagNodeRoot)));
        EXPECT_EQ("Lines", ItemTitle(view->FindNode(DiagNodeIsdnLines)));
        EXPECT_EQ("", ItemTitle(view->FindNode(DiagNodeVoip)));
        char label[64] = "";
        ::GetDlgItemTextA(Page(), IDC_DIAG_CREDIT_LABEL + 4, label, sizeof(label));
        EXPECT_STREQ("Second:", label);
        // Redrawn as if a fresh answer had come: the box goes.
        EXPECT_EQ(NULL, BoxWindow());

        Click(DiagNodeIsdnLines);
        Tick();
        ASSERT_TRUE(BoxWindow());
        view->OnLanguageChanged();
        EXPECT_TRUE(BoxWindow());

        // A page translated from its template's keys takes the new texts.
        TreeView_SelectItem(Tree(), view->FindNode(DiagNodeVoip));
        char group[64] = "";
        ::GetDlgItemTextA(Page(), IDC_DIAG_VOIP_USER_GROUP, group, sizeof(group));
        EXPECT_STREQ("Subscribers", group);

        Click(DiagNodeRoot);
        EXPECT_EQ("About the unit", PageText());
        TreeView_SelectItem(Tree(), view->FindNode(DiagNodeVoip));
    }
    view->OnLanguageChanged();
    char group[64] = "";
    ::GetDlgItemTextA(Page(), IDC_DIAG_VOIP_USER_GROUP, group, sizeof(group));
    EXPECT_EQ(Lang("strDiagVoipUsers"), group);
    Click(DiagNodeRoot);
    EXPECT_EQ(Lang("strDiagRootDescr").substr(0, CTextPage::kTextSize - 1), PageText());
    EXPECT_EQ(Lang("strDiagRoot"), ItemTitle(view->FindNode(DiagNodeRoot)));
}

TEST_F(DiagViewTest, NodeWhosePageCannotBeMadeIsNeverReached)
{
    size_t count = 0;
    const DiagNode* nodes = GetDiagNodes(&count);
    std::vector<DiagNode> failing(nodes, nodes + count);
    for (DiagNode& n : failing)
        if (n.id == DiagNodeCards)
            n.factory = NoMemory;
        else if (n.id == DiagNodeGsmCredits)
            n.factory = NoWindow;
    SetDiagNodesForTest(failing.data(), failing.size());
    EnterTab();
    Click(DiagNodeIsdnLines);
    h.TakeSent();

    // Out of memory: the old kind stays, its page is gone.
    Click(DiagNodeCards);
    EXPECT_EQ(DiagNodeIsdnLines, view->GetCurrentKind());
    EXPECT_EQ(nullptr, view->GetPage());
    EXPECT_EQ(NULL, view->GetSplitterPane(CDiagView::SPLIT_PANE_TOP));
    LeaveTab();
    EnterTab();
    Answer(IE_DIAG_ISDN_LINES, Bytes(8, 1));
    view->OnLanguageChanged();
    view->StopCardsPolling();
    view->StartCardsPolling();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(1, view->Answers().isdnLines[0]);

    // No window: the kind is current, without a page.
    Click(DiagNodeGsmCredits);
    EXPECT_EQ(DiagNodeGsmCredits, view->GetCurrentKind());
    EXPECT_EQ(nullptr, view->GetPage());
    LeaveTab();
    EnterTab();
    Answer(IE_DIAG_GSM_CREDIT, { 0, 8, 1, 2, 3, 4, 5, 6, 7, 8 });
    view->OnLanguageChanged();
    EXPECT_TRUE(h.TakeSent().empty());

    // A kind the view does not know: current, without a page.
    EXPECT_EQ(NULL, view->CreatePage(99));
    EXPECT_EQ(99, view->GetCurrentKind());
    EXPECT_EQ(nullptr, view->GetPage());

    // The next node works again.
    Click(DiagNodeVoip);
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_VOIP }, SentTags());
}

TEST_F(DiagViewTest, ModuleInformationPausesOnlyTheCardsPage)
{
    EnterTab();
    Click(DiagNodeIsdnLines);
    h.TakeSent();
    // Another page: the module information request leaves it alone.
    view->StopCardsPolling();
    view->StartCardsPolling();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(TimerRan());

    Click(DiagNodeCards);
    h.TakeSent();
    view->StopCardsPolling();
    EXPECT_FALSE(TimerRan());
    view->StartCardsPolling();
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_CARD }, SentTags());
    EXPECT_TRUE(TimerRan());
    // The frame's restart after any failed operation starts only what a
    // module information request stopped.
    ::SetTimer(Page(), 1, 60000, NULL);
    view->StartCardsPolling();
    EXPECT_TRUE(h.TakeSent().empty());

    // Ended after the tab was left: the cards stay stopped until it is entered.
    view->StartCardsPolling();
    view->StopCardsPolling();
    LeaveTab();
    h.TakeSent();
    view->StartCardsPolling();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_FALSE(TimerRan());
}

namespace
{
// A frame that, asked to connect, lets the user pick another node meanwhile
// (as in the connection dialog's own message loop).
struct ConnectingFrame
{
    static CDiagView* s_view;
    static int s_connects;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_COMMAND && LOWORD(wParam) == ENGINE_CMD_CONNECT)
        {
            ++s_connects;
            TreeView_SelectItem(s_view->GetTree(), s_view->FindNode(DiagNodeRoot));
            return 0;
        }
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
};
CDiagView* ConnectingFrame::s_view = nullptr;
int ConnectingFrame::s_connects = 0;
}

TEST_F(DiagViewTest, PageLeftWhileItsRequestConnectsIsDeletedAfterwards)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ConnectingFrame::Proc;
    wc.hInstance = ::GetModuleHandle(nullptr);
    wc.lpszClassName = "DiagTestConnectingFrame";
    ::RegisterClassA(&wc);
    HWND frame = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandle(nullptr), nullptr);
    ConnectingFrame::s_view = view;
    ConnectingFrame::s_connects = 0;
    EnterTab();
    Click(DiagNodeIsdnLines);
    h.TakeSent();
    h.engine.SetNotifyWindow(frame);
    h.link.state = 0;
    h.link.stateAfterReconnect = 0;
    Tick();
    EXPECT_EQ(1, ConnectingFrame::s_connects);
    EXPECT_EQ(DiagNodeRoot, view->GetCurrentKind());
    testsupport::PumpMessages(); // the left page object goes now
    h.engine.SetNotifyWindow(h.frame.hwnd);
    ::DestroyWindow(frame);
    h.link.state = 2;
    Click(DiagNodeCards);
    EXPECT_EQ(DiagNodeCards, view->GetCurrentKind());
    EXPECT_EQ(std::vector<BYTE>{ IE_DIAG_CARD }, SentTags());
}

TEST_F(DiagViewTest, PreTranslateGivesKeysOnlyToTheBox)
{
    EnterTab();
    Click(DiagNodeIsdnLines);
    MSG msg = { Tree(), WM_KEYDOWN, VK_RETURN, 0, 0, { 0, 0 } };
    EXPECT_FALSE(view->PreTranslateMessage(&msg));
    Tick();
    HWND box = BoxWindow();
    ASSERT_TRUE(box);
    MSG escape = { ::GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0, 0, { 0, 0 } };
    EXPECT_TRUE(view->PreTranslateMessage(&escape));
    testsupport::PumpMessages();
    EXPECT_EQ(NULL, BoxWindow());
}
