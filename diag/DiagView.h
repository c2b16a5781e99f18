#pragma once
#include "wcl/Splitter.h"
#include "pages/DiagPage.h"
#include "res/DiagIds.h"
#include <commctrl.h>
#include <vector>

class CDeviceProtocol;

// The program's engine as the diagnostics pages see it.
class CEngineDiagRequests : public IDiagEngine
{
public:
    explicit CEngineDiagRequests(CDeviceProtocol& engine) : m_engine(engine) {}
    int RequestDiagnostics(DiagRequest request, int index) override;
    int GetModuleInfo(int module) override;

private:
    CDeviceProtocol& m_engine;
};

// The diagnostics view, second tab of the main frame: the page of the
// selected diagnostics node in the top pane, the tree of the nodes in the
// bottom pane. It keeps the last device answer of every kind, hands every
// answer to its page (which takes those of its own node), and starts and
// stops the page's polling when its tab is entered and left. What a node
// does is its row in the node table (pages/DiagItems.h).
//
// The main frame:
//   - creates the window as a child of its tab area (Create) and calls
//     CreateContents with the stored "SplitterPos2" (0: the tree 120 pixels
//     high); at close it stores GetSplitterPos();
//   - sends WM_NOTIFY PSN_SETACTIVE / PSN_KILLACTIVE when the tab is entered
//     or left (or calls OnSetActive / OnKillActive);
//   - on a diagnostics status, inside the engine's send, calls
//     TakeDeviceData(code, result, engine): the answer is copied and handed
//     to the page;
//   - around a module information request calls StopCardsPolling and
//     StartCardsPolling;
//   - calls SuspendPolling on a disconnect, ResumePolling when connecting;
//   - calls OnLanguageChanged after a new language was selected;
//   - offers messages to PreTranslateMessage and routes ID_NEXT_PANE and
//     ID_PREV_PANE through ProcessWindowMessage(..., 1) (or calls SwitchPane).
class CDiagView : public CSplitterWindowImpl<CDiagView, false>
{
public:
    DECLARE_WND_CLASS_EX("VelDiagView", CS_DBLCLKS, COLOR_BTNFACE)
    typedef CSplitterWindowImpl<CDiagView, false> Splitter;

    enum { kKeyboardTimer = 1, kKeyboardDelay = 500, kMinPaneSize = 64, kDefaultTreeHeight = 120 };

    CDiagView();
    ~CDiagView() override;

    // --- set-up, called by the main frame ---------------------------------
    HWND Create(HWND parent, const RECT* rc = nullptr,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, UINT id = 0);
    // Builds the tree and shows the root page; initialPosition is the
    // divider's position, 0 for a tree of 120 pixels. Returns 1.
    BOOL CreateContents(int initialPosition);
    // Translates nothing: the pages have no keyboard interface of their
    // own. The no-response box takes its keys (Enter, Esc, Tab).
    BOOL PreTranslateMessage(MSG* msg);
    void OnLanguageChanged();
    // The diagnostics tab was entered / left.
    void OnSetActive();
    void OnKillActive();
    // Copies the engine's answer of a diagnostics status into the view and
    // hands it on (OnDeviceData). The usage value is the result itself.
    void TakeDeviceData(int status, int result, const CDeviceProtocol& engine);
    // An answer of status is in its buffer: the page gets it (and takes it
    // when it is its node's); all answers stay in their buffers.
    void OnDeviceData(int status);
    // Around a module information request: only the page that the request
    // pauses stops, and only that page restarts (a start without a pause,
    // as after an operation that failed otherwise, does nothing).
    void StopCardsPolling();
    void StartCardsPolling();
    // F6: moves the focus between the tree and the page.
    void SwitchPane();
    // The divider's position to store; 0 (the default place) while the view
    // has not been shown with a size yet.
    int GetSplitterPos() const;

    // DiagPollingSuspended on and off.
    static void SuspendPolling();
    static void ResumePolling();

    // The engine the pages ask (the program's engine unless a test sets
    // another; null restores it). Pages made afterwards use it.
    void SetEngine(IDiagEngine* engine);

    // --- tree and pages ---------------------------------------------------
    HTREEITEM InsertNode(HTREEITEM parent, const DiagNode& node);
    void RetitleNodes();
    void ShowSelectedPage();
    HWND CreatePage(int id);
    void DestroyPage();
    HTREEITEM FindNode(int id) const;

    HWND GetTree() const { return m_tree; }
    int GetCurrentKind() const { return m_currentKind; }
    IDiagPage* GetPage() const { return m_page; }
    HWND GetPageWindow() const;
    bool IsActive() const { return m_active; }

    // The stored answers.
    const DiagAnswers& Answers() const { return m_answers; }

    BEGIN_MSG_MAP(CDiagView)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WMU_DELETE_RETIRED, OnDeleteRetired)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGINGA, OnSelChanging)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGEDA, OnSelChanged)
        NOTIFY_CODE_HANDLER(PSN_SETACTIVE, OnSetActiveNotify)
        NOTIFY_CODE_HANDLER(PSN_KILLACTIVE, OnKillActiveNotify)
        CHAIN_MSG_MAP(Splitter)
    ALT_MSG_MAP(1)
        COMMAND_ID_HANDLER(ID_NEXT_PANE_CMD, OnNextPane)
        COMMAND_ID_HANDLER(ID_PREV_PANE_CMD, OnNextPane)
    END_MSG_MAP()

    // The frame's pane commands (the frame's ids header names them too).
    enum { ID_NEXT_PANE_CMD = 57680, ID_PREV_PANE_CMD = 57681 };
    // Deletes page objects retired while a request was on its way.
    enum : UINT { WMU_DELETE_RETIRED = WM_APP + 40 };

private:
    HWND m_tree;
    HIMAGELIST m_images;
    IDiagPage* m_page;           // the page of the current node
    const DiagNode* m_node;      // the current node's row; null for an unknown node
    int m_currentKind;           // -1 before the first page
    int m_pendingTreeHeight;     // tree height to apply once the view has a size
    bool m_active;               // the diagnostics tab is shown
    std::vector<IDiagPage*> m_retired;
    CEngineDiagRequests m_programEngine;
    IDiagEngine* m_engine;
    DiagAnswers m_answers;
    IDiagPage* m_pausedPage;     // stopped for a module information request

    bool HasPage() const;
    bool CurrentHas(unsigned flag) const { return m_node && m_node->Has(flag); }
    void RedrawFromCache();
    void SetPageText();
    void DeletePageObject(IDiagPage* page);

    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDeleteRetired(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelChanging(int, LPNMHDR, BOOL&);
    LRESULT OnSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnSetActiveNotify(int, LPNMHDR, BOOL&);
    LRESULT OnKillActiveNotify(int, LPNMHDR, BOOL&);
    LRESULT OnNextPane(WORD, WORD, HWND, BOOL&);
};
