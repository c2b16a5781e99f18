#pragma once
#include "wcl/Splitter.h"
#include "diag/DiagPolling.h"
#include "res/DiagIds.h"
#include <commctrl.h>
#include <vector>

class CDeviceProtocol;

// The diagnostics view, second tab of the main frame: the page of the
// selected diagnostics node in the top pane, the tree of the nodes in the
// bottom pane. It keeps the last device answer of every kind, hands the
// current node's answer to its page, and starts and stops the page's polling
// when its tab is entered and left.
//
// The main frame:
//   - creates the window as a child of its tab area (Create) and calls
//     CreateContents with the stored "SplitterPos2" (0: the tree 120 pixels
//     high); at close it stores GetSplitterPos();
//   - sends WM_NOTIFY PSN_SETACTIVE / PSN_KILLACTIVE when the tab is entered
//     or left (or calls OnSetActive / OnKillActive);
//   - on a diagnostics status (100, 101, 111, 112, 117, 118, 120), inside the
//     engine's send, calls TakeDeviceData(code, result, engine): the answer is
//     copied and handed to the page when the page shows that kind;
//   - on status 113 calls StopCardsPolling, on 114 StartCardsPolling;
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

    // The stored answers; layouts are the device's.
    enum
    {
        ISDN_LINES_SIZE = 8,
        ISDN_CREDIT_SIZE = 96,
        MODULE_RECORD_SIZE = 44,
        MODULE_COUNT = 32,
        MODULE_SIGNAL_OFFSET = 2,
        GSM_CREDIT_SIZE = 768,
        GSM_STATISTICS_SIZE = 24,
        VOIP_ROW_SIZE = 36,
        VOIP_TRUNK_ROWS = 8,
        VOIP_USER_ROWS = 110,
    };

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
    // hands it on (OnDeviceData). For 117 the value is the result itself.
    void TakeDeviceData(int status, int result, const CDeviceProtocol& engine);
    // An answer of status is in its buffer: the page gets it when it shows
    // that kind; other answers wait in their buffers.
    void OnDeviceData(int status);
    // Around a module information request: only the cards page polls cards.
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

    // --- tree and pages ---------------------------------------------------
    HTREEITEM InsertNode(HTREEITEM parent, int kind);
    void RetitleNodes();
    void ShowSelectedPage();
    HWND CreatePage(int kind);
    void DestroyPage();
    HTREEITEM FindNode(int kind) const;

    HWND GetTree() const { return m_tree; }
    int GetCurrentKind() const { return m_currentKind; }
    CMessageMapWindow* GetPage() const { return m_page; }
    HWND GetPageWindow() const;
    bool IsActive() const { return m_active; }

    // --- stored answers -----------------------------------------------------
    BYTE* IsdnLines() { return m_isdnLines; }
    BYTE* IsdnCredit() { return m_isdnCredit; }
    BYTE* ModuleRecords() { return m_modules; }
    BYTE* GsmCreditA() { return m_gsmCreditA; }
    BYTE* GsmCreditB() { return m_gsmCreditB; }
    BYTE* GsmStatistics() { return m_gsmStatistics; }
    BYTE* VoipTrunkRows() { return m_voipTrunks; }
    BYTE* VoipUserRows() { return m_voipUsers; }
    int& GsmUsage() { return m_gsmUsage; }

    // Tests make the page of a kind fail: the hook answers PAGE_NO_MEMORY
    // or PAGE_NO_WINDOW for it; anything else leaves the kind to the view.
    enum CreateResult { PAGE_CREATED, PAGE_NO_MEMORY, PAGE_NO_WINDOW, PAGE_NONE };
    typedef CreateResult (*PageFactoryHook)(int kind);
    static void SetPageFactoryHook(PageFactoryHook hook);

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
    CMessageMapWindow* m_page;   // the root text page or the page of the current kind
    int m_currentKind;           // -1 before the first page
    int m_pendingTreeHeight;     // tree height to apply once the view has a size
    bool m_active;               // the diagnostics tab is shown
    std::vector<CMessageMapWindow*> m_retired;

    BYTE m_isdnLines[ISDN_LINES_SIZE];
    BYTE m_isdnCredit[ISDN_CREDIT_SIZE];
    BYTE m_modules[MODULE_RECORD_SIZE * MODULE_COUNT];
    BYTE m_gsmCreditA[GSM_CREDIT_SIZE];
    BYTE m_gsmCreditB[GSM_CREDIT_SIZE];
    BYTE m_gsmStatistics[GSM_STATISTICS_SIZE];
    BYTE m_voipTrunks[VOIP_ROW_SIZE * VOIP_TRUNK_ROWS];
    BYTE m_voipUsers[VOIP_ROW_SIZE * VOIP_USER_ROWS];
    int m_gsmUsage;

    bool HasPage() const;
    // The buffer a kind's page is filled from (the first of two tables).
    const void* BufferOf(int kind);
    void UpdatePage(bool fromCache);
    int StartPagePolling();
    void StopPagePolling();
    void DeletePageObject(CMessageMapWindow* page);

    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDeleteRetired(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelChanging(int, LPNMHDR, BOOL&);
    LRESULT OnSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnSetActiveNotify(int, LPNMHDR, BOOL&);
    LRESULT OnKillActiveNotify(int, LPNMHDR, BOOL&);
    LRESULT OnNextPane(WORD, WORD, HWND, BOOL&);
};

// One node of the diagnostics tree.
struct DiagTreeNode
{
    int kind;
    const char* titleKey;
};
extern const DiagTreeNode g_DiagTreeNodes[];
extern const size_t g_DiagTreeNodeCount;
const DiagTreeNode* FindDiagTreeNode(int kind);
