#include <gtest/gtest.h>
#include "diag/DiagView.h"
#include "pages/DiagMessageBox.h"
#include "pages/DiagTextPage.h"
#include "pages/DiagGraphPages.h"
#include "res/DiagPagesIds.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <string>
#include <vector>

// The diagnostics view in a host window, its pages' requests going to an
// engine; the test plays the main frame: it hands the engine's answers to the
// view and enters and leaves the tab.
using namespace enginetest;

namespace
{
using testsupport::Lang;

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
        view = nullptr;
        CloseNoResponseBox();
        SetDiagNodesForTest(nullptr, 0);
        DiagPollingSuspended = 0;
        g_Settings.SetDefaults();
    }

    HWND Tree() const { return view->GetTree(); }
    HWND Page() const { return view->GetPageWindow(); }

    // A click on the node's text.
    void Click(int kind)
    {
        HTREEITEM item = view->FindNode(kind);
        ASSERT_TRUE(item) << kind;
        testsupport::ClickTreeItem(Tree(), item);
    }

    void Tick(UINT_PTR timer = CDiagPolling::kRequestTimer) { ::SendMessageA(Page(), WM_TIMER, timer, 0); }
    // Whether the page's timer runs; the probe stops it.
    bool TimerRan(UINT_PTR timer = CDiagPolling::kRequestTimer) { return ::KillTimer(Page(), timer) != 0; }

    HWND BoxWindow() const
    {
        CMessageBoxDlg* box = GetNoResponseBox();
        return box && box->m_hWnd && ::IsWindow(box->m_hWnd) ? box->m_hWnd : NULL;
    }

    void Notify(UINT code)
    {
        NMHDR nmh = { host, 0, code };
        ::SendMessageA(*view, WM_NOTIFY, 0, (LPARAM)&nmh);
    }
    void EnterTab() { Notify((UINT)PSN_SETACTIVE); }
    void LeaveTab() { Notify((UINT)PSN_KILLACTIVE); }
    // The tab entered and the node shown; its first request is taken.
    void Show(int kind)
    {
        EnterTab();
        Click(kind);
        h.TakeSent();
    }

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

    // The curve or bars of the usage or statistics page shown.
    CGraphCtrl& Graph() const
    {
        IDiagPage* page = view->GetPage();
        if (view->GetCurrentKind() == DiagNodeGsmUsage)
            return static_cast<CDiagGsmUsagePage*>(page)->Graph();
        return static_cast<CDiagGsmStatisticsPage*>(page)->Graph();
    }
    const GraphSamples& Samples() const { return Graph().Plot().m_samples; }
    std::vector<int> Newest(int n) const
    {
        std::vector<int> values;
        for (int i = 0; i < n; ++i)
            values.push_back(Samples().Newest(n, i));
        return values;
    }

    // The sent requests without their check byte.
    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> bodies;
        for (const Bytes& m : h.TakeSent())
            bodies.push_back(Bytes(m.begin(), m.end() - 1));
        return bodies;
    }
};
}

TEST_F(DiagViewTest, DividerLeavesTheTree120PixelsAndKeepsItsHeight)
{
    RECT rc;
    ::GetClientRect(*view, &rc);
    EXPECT_EQ(rc.bottom - 120, view->GetSplitterPos());
    RECT tree, page;
    ::GetWindowRect(Tree(), &tree);
    const int treeHeight = tree.bottom - tree.top;
    // Top pane above the bar, the tree below it to the bottom.
    ::GetWindowRect(Page(), &page);
    EXPECT_EQ(rc.bottom - 120, page.bottom - page.top);

    // The tree keeps its height when the view grows or shrinks.
    ::MoveWindow(*view, 0, 0, rc.right, rc.bottom + 100, TRUE);
    EXPECT_EQ(rc.bottom + 100 - 120, view->GetSplitterPos());
    ::GetWindowRect(Tree(), &tree);
    EXPECT_EQ(treeHeight, tree.bottom - tree.top);

    // A stored position is used as it is, within the smallest pane size; a
    // view that has no size yet places the divider when it gets one.
    const RECT none = { 0, 0, 0, 0 };
    const struct
    {
        RECT rc;
        int stored;
        int pos;
    } cases[] = {
        { rc, 200, 200 },
        { rc, (int)rc.bottom - 10, (int)rc.bottom - view->m_cxySplitBar - 64 },
        { none, 0, 0 }, // closed unseen, the default is stored
    };
    for (const auto& c : cases)
    {
        CDiagView other;
        ASSERT_TRUE(other.Create(host, const_cast<RECT*>(&c.rc)));
        ASSERT_TRUE(other.CreateContents(c.stored));
        EXPECT_EQ(c.pos, other.GetSplitterPos()) << c.stored;
        ::MoveWindow(other, 0, 0, 600, 400, TRUE);
        if (c.rc.bottom == 0)
        {
            EXPECT_EQ(400 - 120, other.GetSplitterPos());
        }
        ::DestroyWindow(other);
    }
}

// Each node asks at once, again at every tick, stops behind another tab and
// asks at once on return; the usage graph keeps sampling behind another tab
// and asks nothing more on return; only the statistics page has a watchdog,
// so its tick alone raises no box.
TEST_F(DiagViewTest, EachPolledNodeAsksAtOnceAtEveryTickAndOnlyOnItsTab)
{
    const struct
    {
        int kind;
        Bytes request;
    } cases[] = {
        { 11, { 0xA1, 0x02, 0x62, 0x00 } },
        { 12, { 0xA1, 0x06, 0x6D, 0x04, 0x00, 0x01, 0x02, 0x03 } },
        { 21, { 0xA1, 0x03, 0x63, 0x01, 0x00 } },
        { 22, { 0xA1, 0x06, 0x64, 0x04, 0x00, 0x01, 0x02, 0x03 } },
        { 23, { 0xA1, 0x02, 0x6F, 0x00 } },
        { 24, { 0xA1, 0x02, 0x6E, 0x00 } },
        { 31, { 0xA1, 0x02, 0x5F, 0x00 } },
    };
    const std::vector<Bytes> none;
    EnterTab();
    for (const auto& c : cases)
    {
        const std::vector<Bytes> one = { c.request };
        Click(c.kind);
        ASSERT_EQ(c.kind, view->GetCurrentKind());
        EXPECT_EQ(one, Sent()) << c.kind;
        LeaveTab();
        if (c.kind == DiagNodeGsmUsage)
        {
            Tick();
        }
        else
        {
            EXPECT_FALSE(TimerRan(CDiagPolling::kRequestTimer)) << c.kind;
            EXPECT_FALSE(TimerRan(CDiagPolling::kWatchdogTimer)) << c.kind;
            EXPECT_EQ(none, Sent()) << c.kind;
        }
        EnterTab();
        EXPECT_EQ(one, Sent()) << c.kind;
        Tick();
        EXPECT_EQ(one, Sent()) << c.kind;
        EXPECT_TRUE(TimerRan()) << c.kind;
        EXPECT_EQ(c.kind == DiagNodeGsmStatistics, TimerRan(CDiagPolling::kWatchdogTimer)) << c.kind;
        EXPECT_EQ(c.kind != DiagNodeGsmStatistics, BoxWindow() != NULL) << c.kind;
        CloseNoResponseBox();
    }
    // The root asks nothing.
    Click(DiagNodeRoot);
    EXPECT_EQ(none, Sent());
}

TEST_F(DiagViewTest, TimersRunWithTheRefreshSettings)
{
    // A short period so the page's own timer ticks while the test pumps.
    g_Settings.DiagnosticsRefresh = 20;
    Show(DiagNodeIsdnLines);
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

// Each answer is filed where its page reads it, and counts as an answer only
// for its own page; a page created later starts from the stored answer, not
// as answered.
TEST_F(DiagViewTest, AnswersAreStoredAndReachOnlyTheirPage)
{
    const DiagAnswers& a = view->Answers();
    Bytes hours(30, 0);
    for (int i = 0; i < 30; ++i)
        hours[i] = (BYTE)(i + 1);
    Bytes voip;
    for (const char* name : { "trunk", "user" })
    {
        voip.insert(voip.end(), name, name + strlen(name) + 1);
        for (int i = 0; i < 12; ++i)
            voip.push_back(i == 6 ? (name[0] == 'u' ? 1 : 0) : 0x11);
    }
    voip.push_back(0);
    const Bytes credits = { 2, 16, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 31, 8, 0, 0, 0, 0, 0, 0, 0, 0 };
    const struct
    {
        int kind; // the page shown
        BYTE tag;
        Bytes answer;
        const BYTE* stored;
        Bytes want;
        bool answered;
    } cases[] = {
        // Module 31 ends the engine's chain of card requests.
        { DiagNodeIsdnLines, IE_DIAG_CARD, { 5, 0x10, 0x10, 17, 3, 'a', 'b', 'c', 31, 0, 0, 99, 0 }, a.modules[5],
          { 0x10, 0x10, 17, 'a', 'b', 'c', 0 }, false },
        { DiagNodeIsdnLines, IE_DIAG_CARD, {}, &a.modules[4][2], { DiagAnswers::NO_SIGNAL }, false },
        { DiagNodeIsdnLines, IE_DIAG_ISDN_LINES, { 0x80, 0x00, 0x02, 0x80, 0x00, 0x80, 9, 9 }, a.isdnLines,
          { 0x80, 0x00, 0x02, 0x80, 0x00, 0x80, 9, 9 }, true },
        // The usage value travels in the status itself.
        { DiagNodeGsmUsage, IE_DIAG_GSM_USAGE, { 40, 1 }, (const BYTE*)&a.gsmUsage, { 40, 0, 0, 0 }, true },
        { DiagNodeGsmStatistics, IE_DIAG_GSM_STATISTICS, hours, a.gsmStatistics, Bytes(hours.begin(), hours.begin() + 24),
          true },
        { DiagNodeGsmCredits, IE_DIAG_GSM_CREDIT, credits, a.gsmCreditA[2], { 1, 0, 0, 0, 2 }, true },
        { DiagNodeGsmCredits, IE_DIAG_GSM_CREDIT, credits, a.gsmCreditB[2], { 3, 0, 0, 0, 4 }, true },
        { DiagNodeVoip, IE_DIAG_VOIP, voip, a.voipTrunks[0], { 't', 'r', 'u', 'n', 'k', 0 }, true },
        { DiagNodeVoip, IE_DIAG_VOIP, voip, a.voipUsers[0], { 'u', 's', 'e', 'r', 0 }, true },
        { DiagNodeVoip, IE_DIAG_VOIP, voip, &a.voipUsers[0][24], { 0x11 }, true },
        // A cut entry is not filed.
        { DiagNodeCards, IE_DIAG_ISDN_CREDIT, { 1, 24, 125, 0, 0, 0, 16, 14, 0, 0 }, a.isdnCredit[1], { 0 }, false },
    };
    EnterTab();
    for (const auto& c : cases)
    {
        if (view->GetCurrentKind() != c.kind)
            Click(c.kind);
        if (!c.answer.empty())
            Answer(c.tag, c.answer);
        EXPECT_EQ(c.want, Bytes(c.stored, c.stored + c.want.size())) << c.kind << " " << (int)c.tag;
        EXPECT_EQ(c.answered, Answered()) << c.kind << " " << (int)c.tag;
    }
}

TEST_F(DiagViewTest, NoResponseBoxComesOnceTheNextAnswerClosesItAndSuspendingKeepsIt)
{
    Show(DiagNodeIsdnLines);
    EXPECT_EQ(NULL, BoxWindow());
    // Keys go to the box only while it is there.
    MSG enter = { Tree(), WM_KEYDOWN, VK_RETURN, 0, 0, { 0, 0 } };
    EXPECT_FALSE(view->PreTranslateMessage(&enter));
    Tick();
    HWND box = BoxWindow();
    ASSERT_TRUE(box);
    EXPECT_EQ(Lang("strError"), WindowText(box));
    EXPECT_EQ(Lang("strDiagErrorNoResponse"), WindowText(::GetDlgItem(box, IDC_DIAG_MESSAGE_TEXT)));
    EXPECT_EQ(host, ::GetWindow(box, GW_OWNER));

    // One box however many ticks pass.
    Tick();
    Tick();
    EXPECT_EQ(box, BoxWindow());
    EXPECT_EQ(3u, h.TakeSent().size());

    // Escape closes it; the next unanswered tick opens it again.
    MSG escape = { ::GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0, 0, { 0, 0 } };
    EXPECT_TRUE(view->PreTranslateMessage(&escape));
    testsupport::PumpMessages();
    EXPECT_EQ(NULL, BoxWindow());
    Tick();
    EXPECT_TRUE(BoxWindow());

    // An answer of any page closes it.
    Answer(IE_DIAG_ISDN_LINES, Bytes(8, 0));
    EXPECT_EQ(nullptr, GetNoResponseBox());
    Tick();
    EXPECT_EQ(NULL, BoxWindow());

    // Suspended polling sends nothing, and the box comes all the same.
    h.TakeSent();
    CDiagView::SuspendPolling();
    Tick();
    Tick();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(BoxWindow());
    EXPECT_TRUE(TimerRan());
    CDiagView::ResumePolling();
    Tick();
    EXPECT_EQ((std::vector<Bytes>{ { 0xA1, 0x02, IE_DIAG_ISDN_LINES, 0x00 } }), Sent());
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

TEST_F(DiagViewTest, LanguageChangeRetitlesAndRedrawsPagesWithTextsOfTheirOwn)
{
    auto ItemTitle = [this](int kind) { return testsupport::TreeItemTitle(Tree(), view->FindNode(kind)); };
    Show(DiagNodeIsdnCredit);
    Tick();
    ASSERT_TRUE(BoxWindow());
    {
        CTestLanguage lang;
        ASSERT_TRUE(lang.WriteLanguage("strDiagRoot=Unit\r\nstrDiagIsdnCredit=Credit of the lines\r\n"
                                       "strDiagIsdnLink1=Second\r\nstrDiagVoipUsers=Subscribers\r\n"
                                       "strDiagIsdnLines=Lines\r\nstrDiagRootDescr=About the unit\r\n"));
        ASSERT_TRUE(lang.Select());
        view->OnLanguageChanged();
        EXPECT_EQ("Unit", ItemTitle(DiagNodeRoot));
        EXPECT_EQ("Lines", ItemTitle(DiagNodeIsdnLines));
        EXPECT_EQ("", ItemTitle(DiagNodeVoip));
        EXPECT_EQ("Second:", WindowText(::GetDlgItem(Page(), IDC_DIAG_CREDIT_LABEL + 4)));
        // Redrawn as if a fresh answer had come: the box goes.
        EXPECT_EQ(NULL, BoxWindow());

        Click(DiagNodeIsdnLines);
        Tick();
        ASSERT_TRUE(BoxWindow());
        view->OnLanguageChanged();
        EXPECT_TRUE(BoxWindow());

        // A page translated from its template's keys takes the new texts.
        TreeView_SelectItem(Tree(), view->FindNode(DiagNodeVoip));
        EXPECT_EQ("Subscribers", WindowText(::GetDlgItem(Page(), IDC_DIAG_VOIP_USER_GROUP)));
        Click(DiagNodeRoot);
        EXPECT_EQ("About the unit", testsupport::TextPageText(Page()));
    }
    view->OnLanguageChanged();
    EXPECT_EQ(Lang("strDiagRoot"), ItemTitle(DiagNodeRoot));
}

// Out of memory the old kind stays current; without a window the new kind is
// current; either way without a page, and nothing that reaches the page
// afterwards crashes or asks anything.
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
    Show(DiagNodeIsdnLines);
    const struct
    {
        int kind;
        int current;
        BYTE tag;
        Bytes answer;
    } cases[] = {
        { DiagNodeCards, DiagNodeIsdnLines, IE_DIAG_ISDN_LINES, Bytes(8, 1) },
        { DiagNodeGsmCredits, DiagNodeGsmCredits, IE_DIAG_GSM_CREDIT, { 0, 8, 1, 2, 3, 4, 5, 6, 7, 8 } },
    };
    for (const auto& c : cases)
    {
        Click(c.kind);
        EXPECT_EQ(c.current, view->GetCurrentKind());
        EXPECT_EQ(nullptr, view->GetPage());
        EXPECT_EQ(NULL, view->GetSplitterPane(CDiagView::SPLIT_PANE_TOP));
        LeaveTab();
        EnterTab();
        Answer(c.tag, c.answer);
        view->OnLanguageChanged();
        view->StopCardsPolling();
        view->StartCardsPolling();
        EXPECT_TRUE(h.TakeSent().empty()) << c.kind;
    }
    EXPECT_EQ(1, view->Answers().isdnLines[0]) << "stored without a page";

    // A kind the view does not know: current, without a page.
    EXPECT_EQ(NULL, view->CreatePage(99));
    EXPECT_EQ(99, view->GetCurrentKind());
    EXPECT_EQ(nullptr, view->GetPage());

    // The next node works again.
    Click(DiagNodeVoip);
    EXPECT_EQ((std::vector<Bytes>{ { 0xA1, 0x02, IE_DIAG_VOIP, 0x00 } }), Sent());
}

TEST_F(DiagViewTest, ModuleInformationPausesOnlyTheCardsPage)
{
    Show(DiagNodeIsdnLines);
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
    EXPECT_EQ((std::vector<Bytes>{ { 0xA1, 0x03, IE_DIAG_CARD, 0x01, 0x00 } }), Sent());
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
CDiagView* s_connectingView = nullptr;
int s_connects = 0;
LRESULT CALLBACK ConnectingFrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COMMAND || LOWORD(wParam) != ENGINE_CMD_CONNECT)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    ++s_connects;
    TreeView_SelectItem(s_connectingView->GetTree(), s_connectingView->FindNode(DiagNodeRoot));
    return 0;
}
}

TEST_F(DiagViewTest, PageLeftWhileItsRequestConnectsIsDeletedAfterwards)
{
    HWND frame = CreateStandInWindow("DiagTestConnectingFrame", ConnectingFrameProc);
    s_connectingView = view;
    s_connects = 0;
    Show(DiagNodeIsdnLines);
    h.engine.SetNotifyWindow(frame);
    h.link.state = 0;
    h.link.stateAfterReconnect = 0;
    Tick();
    EXPECT_EQ(1, s_connects);
    EXPECT_EQ(DiagNodeRoot, view->GetCurrentKind());
    testsupport::PumpMessages(); // the left page object goes now
    h.engine.SetNotifyWindow(h.frame.hwnd);
    ::DestroyWindow(frame);
    h.link.state = 2;
    Click(DiagNodeCards);
    EXPECT_EQ(DiagNodeCards, view->GetCurrentKind());
    EXPECT_EQ((std::vector<Bytes>{ { 0xA1, 0x03, IE_DIAG_CARD, 0x01, 0x00 } }), Sent());
}

TEST_F(DiagViewTest, UsageCurveTakesOneSamplePerAnswerAndKeepsSamplingOffTheTab)
{
    Show(DiagNodeGsmUsage);
    // A fresh curve starts with one 0 sample; 40 is drawn at the top (32).
    for (BYTE usage : { 10, 20, 40 })
    {
        Answer(IE_DIAG_GSM_USAGE, { usage, 1 });
        Tick();
    }
    EXPECT_EQ((std::vector<int>{ 0, 10, 20, 32 }), Newest(4));

    // Another tab: the page's timer runs on and its answers still come in.
    LeaveTab();
    EXPECT_TRUE(TimerRan());
    Answer(IE_DIAG_GSM_USAGE, { 10, 1 });
    EXPECT_EQ(10, Newest(1)[0]);

    // A silent device: each tick after an unanswered request adds a 0 sample
    // and raises the box.
    Tick();
    const int samples = Samples().Count();
    for (int tick = 0; tick < 3; ++tick)
        Tick();
    EXPECT_EQ(samples + 3, Samples().Count());
    EXPECT_EQ((std::vector<int>{ 0, 0, 0 }), Newest(3));
    EXPECT_TRUE(BoxWindow());
}

TEST_F(DiagViewTest, StatisticsBarsShowTheHoursAndTheWatchdogClearsThem)
{
    Show(DiagNodeGsmStatistics);
    Bytes hours(24);
    std::vector<int> want(24);
    for (int h = 0; h < 24; ++h)
        hours[h] = (BYTE)(want[h] = h);
    hours[5] = 200; // drawn at 32
    want[5] = 32;
    Answer(IE_DIAG_GSM_STATISTICS, hours);
    EXPECT_EQ(want, Newest(24));
    EXPECT_FALSE(TimerRan(CDiagPolling::kWatchdogTimer)) << "the answer stopped the watchdog";

    // A request the device leaves unanswered: the watchdog runs, and a late
    // answer of another kind does not stop it.
    h.TakeSent();
    Tick();
    view->TakeDeviceData(ENGINE_STATUS_DIAG_GSM_USAGE, 7, h.engine);
    EXPECT_TRUE(TimerRan(CDiagPolling::kWatchdogTimer));
    EXPECT_EQ(24, Samples().Count());

    // Its expiry clears the bars, raises the box and asks again.
    Tick(CDiagPolling::kWatchdogTimer);
    EXPECT_EQ(0, Samples().Count());
    EXPECT_TRUE(BoxWindow());
    EXPECT_EQ(std::vector<Bytes>(2, { 0xA1, 0x02, IE_DIAG_GSM_STATISTICS, 0x00 }), Sent());
    EXPECT_TRUE(TimerRan(CDiagPolling::kWatchdogTimer));
}

TEST_F(DiagViewTest, UsageGridFollowsTheRefreshSettingWithoutHangingAtItsExtremes)
{
    const struct
    {
        DWORD refresh;
        int spacing;
    } cases[] = {
        { 5000, 48 },
        { 10000, 24 },
        { 0, 48 },        // counts as the default: no division by zero
        { 300000, 0 },    // no lines
    };
    ::ShowWindow(host, SW_SHOWNA); // painted for real
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.spacing, UsageGridSpacing(c.refresh)) << c.refresh;
        g_Settings.DiagnosticsRefresh = c.refresh;
        Click(DiagNodeRoot);
        Click(DiagNodeGsmUsage);
        EXPECT_DOUBLE_EQ(c.spacing, Graph().Plot().m_xSpacing);
        ::RedrawWindow(Page(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        for (int i = 0; i < 100; ++i)
        {
            view->TakeDeviceData(ENGINE_STATUS_DIAG_GSM_USAGE, i % 40, h.engine);
            ::RedrawWindow(Graph().Plot(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        EXPECT_EQ(101, Samples().Count()) << c.refresh;
    }
}
