#pragma once
#include "wcl/FrameWindow.h"
#include "wcl/CommandBar.h"
#include "wcl/Rebar.h"
#include "wcl/ToolBar.h"
#include "wcl/StatusBar.h"
#include "wcl/UpdateUI.h"
#include "wcl/RecentDocumentList.h"
#include "wcl/MessageLoop.h"
#include "app/FrameSettings.h"
#include "comm/CommLogCtrl.h"
#include "comm/CommMessages.h"
#include "comm/MonitorLog.h"
#include "config/DataView.h"
#include "diag/DiagView.h"
#include "res/resource.h"

class CProgressDlg;
class CWaitDlg;
class CPasswordDlg;
class CLmfFile;

// The password dialog while it is open, so that the engine's answers reach it.
extern CPasswordDlg* g_pPasswordDlg;

// The main window: command bar, toolbar, status bar and the tabs of the
// configuration view, the diagnostics view and, on demand, the communication
// and monitor logs. Every user command starts here; device operations go to
// the protocol engine, whose results come back as window messages.
class CMainFrame : public CFrameWindowImpl<CMainFrame>,
                   public CFrameSettings,
                   public CUpdateUI,
                   public CMessageFilter,
                   public CIdleHandler
{
public:
    DECLARE_WND_CLASS("VelmotrexMainFrame")

    // The tab kinds (tab item data) and their images.
    enum TabKind
    {
        TabConfiguration = 0,
        TabCommunicationLog = 1,
        TabMonitorLog = 2,
        TabDiagnostics = 3,
    };

    enum : UINT
    {
        TabControlId = WCL_IDW_CLIENT,
        CommandBarId = 0xE805,
        ToolBarId = 0xE806,
        StatusPaneWidth = 200,
        MinTrackWidth = 400,
        MinTrackHeight = 484,
    };

    CMainFrame();
    ~CMainFrame() override;

    // Creates the window with the stored placement (loaded here first).
    HWND CreateFrame();

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override;

    void SetTitle(const char* fileName);
    void UpdateStatusBar();
    void SetBusy(bool busy);
    bool IsBusy() const { return m_busy; }
    void ApplyLanguage();

    // Tabs.
    int GetTabCount() const;
    int FindTab(int kind) const;
    int GetCurrentTabKind() const;
    // Selects tab index the way a click does: the shown page may refuse to
    // be left; false then, and nothing changes.
    bool SelectTab(int index);

    HWND GetTabControl() const { return m_tab; }
    const CCommandBarCtrl& GetCommandBar() const { return m_cmdBar; }
    HWND GetToolBar() const { return m_toolBar; }
    HWND GetStatusBar() const { return m_statusBar; }
    const CReBarCtrl& GetRebar() const { return m_rebar; }
    CRecentDocumentList& GetRecentList() { return m_recent; }
    CCommLogCtrl& GetCommLog() { return m_commLog; }
    CDataView& GetDataView() { return m_dataView; }
    CMonitorLog& GetMonitorLog() { return m_monitorLog; }
    CDiagView& GetDiagView() { return m_diagView; }
    CProgressDlg* GetProgressDialog() const { return m_progress; }
    CWaitDlg* GetRestartNotice() const { return m_notice; }
    bool IsDownloadPending() const { return m_pendingDownload; }
    bool IsUploadPending() const { return m_pendingUpload || m_pendingUploadWithoutNetwork; }
    bool IsFirmwareWriting() const { return m_firmwareWriting; }

    BEGIN_MSG_MAP(CMainFrame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        MESSAGE_HANDLER(WM_DROPFILES, OnDropFiles)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(m_findMessage, OnFindMessage)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
        MESSAGE_HANDLER(WM_DEVICECHANGE, OnDeviceChange)
        MESSAGE_HANDLER(WMU_ENSURE_LOGIN, OnEnsureLink)
        MESSAGE_HANDLER(WMU_FRAME_RECEIVED, OnFrameReceived)
        MESSAGE_HANDLER(WMU_ENGINE_STATUS, OnEngineStatus)
        MESSAGE_HANDLER(WMU_END_CONNECT_BLOCK, OnEndConnectBlock)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        CHAIN_MSG_MAP_MEMBER(m_cmdBar)
        COMMAND_ID_HANDLER(ID_FILE_NEW, OnFileNew)
        COMMAND_ID_HANDLER(ID_FILE_OPEN, OnFileOpen)
        COMMAND_ID_HANDLER(ID_FILE_SAVE, OnFileSave)
        COMMAND_ID_HANDLER(ID_FILE_SAVE_AS, OnFileSave)
        COMMAND_ID_HANDLER(ID_FILE_CLOSE, OnFileClose)
        COMMAND_ID_HANDLER(ID_FILE_DOWNLOAD, OnDownload)
        COMMAND_ID_HANDLER(ID_FILE_UPLOAD, OnUpload)
        COMMAND_ID_HANDLER(ID_FILE_UPLOAD_WITHOUT_NETWORK, OnUpload)
        COMMAND_ID_HANDLER(ID_FILE_DOWNLOAD_CDR, OnDownloadCdr)
        COMMAND_RANGE_HANDLER(ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST, OnRecentFile)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnQuit)
        COMMAND_ID_HANDLER(ID_VIEW_TOOLBAR, OnViewToolbar)
        COMMAND_ID_HANDLER(ID_VIEW_STATUS_BAR, OnViewStatusBar)
        COMMAND_ID_HANDLER(ID_CONNECTION_CONNECT, OnConnect)
        COMMAND_ID_HANDLER(ID_CONNECTION_DISCONNECT, OnDisconnect)
        COMMAND_ID_HANDLER(ID_OPTIONS_COMMUNICATION, OnCommunicationSettings)
        COMMAND_ID_HANDLER(ID_OPTIONS_LANGUAGE, OnLanguage)
        COMMAND_ID_HANDLER(ID_OPTIONS_PASSWORD, OnPassword)
        COMMAND_ID_HANDLER(ID_OPTIONS_DATETIME, OnDateTime)
        COMMAND_ID_HANDLER(ID_SERVICE_SYSINFO, OnSysInfo)
        COMMAND_ID_HANDLER(ID_SERVICE_RESET, OnReset)
        COMMAND_ID_HANDLER(ID_SERVICE_WRITE_FIRMWARE, OnWriteFirmware)
        COMMAND_ID_HANDLER(ID_SERVICE_MODULE_RESET, OnModuleReset)
        COMMAND_ID_HANDLER(ID_SERVICE_LOAD_ANNOUNCEMENT, OnLoadAnnouncement)
        COMMAND_ID_HANDLER(ID_SERVICE_MONITOR, OnToggleMonitorTab)
        COMMAND_ID_HANDLER(ID_SERVICE_COMMUNICATION, OnToggleCommunicationTab)
        COMMAND_ID_HANDLER(ID_HELP_CONTENTS, OnHelp)
        COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
        COMMAND_ID_HANDLER(ID_EDIT_COPY, OnLogCommand)
        COMMAND_ID_HANDLER(ID_EDIT_CLEAR, OnLogCommand)
        COMMAND_ID_HANDLER(ID_EDIT_SELECT_ALL, OnLogCommand)
        COMMAND_ID_HANDLER(ID_EDIT_SAVE_AS, OnLogSave)
        COMMAND_ID_HANDLER(ID_EDIT_FIND, OnFind)
        COMMAND_ID_HANDLER(ID_EDIT_FIND_NEXT, OnFindNext)
        COMMAND_ID_HANDLER(ID_NEXT_TAB, OnNextTab)
        COMMAND_ID_HANDLER(ID_PREV_TAB, OnPrevTab)
        NOTIFY_CODE_HANDLER(TTN_GETDISPINFOA, OnToolTipText)
        NOTIFY_HANDLER(TabControlId, TCN_SELCHANGING, OnTabChanging)
        NOTIFY_HANDLER(TabControlId, TCN_SELCHANGE, OnTabChanged)
        NOTIFY_CODE_HANDLER(RBN_CHEVRONPUSHED, OnChevron)
        CHAIN_MSG_MAP(CFrameWindowImpl<CMainFrame>)
        if (RouteToViews(hWnd, uMsg, wParam, lParam, lResult))
            return TRUE;
    END_MSG_MAP()

    void UpdateLayout();

    // The notification code with which the version answer re-issues the
    // download and upload commands (their second phase).
    enum : WORD { kSecondPhaseCode = 100 };

    // Whether the device's data version allows the transfer (asks the user
    // where it is the user's choice). confirmEqual: equal versions ask too.
    bool CheckDataVersion(bool confirmEqual);

private:
    // Posted to itself to end the connect block of a refused version check.
    enum : UINT { WMU_END_CONNECT_BLOCK = WM_APP + 40 };
    LRESULT OnEndConnectBlock(UINT, WPARAM, LPARAM, BOOL&) { m_connectBlocked = false; return 0; }

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMenuSelect(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnDropFiles(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFindMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDeviceChange(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnsureLink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFrameReceived(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEngineStatus(UINT, WPARAM, LPARAM, BOOL&);

    LRESULT OnFileNew(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileOpen(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileSave(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileClose(WORD, WORD, HWND, BOOL&);
    LRESULT OnDownload(WORD, WORD, HWND, BOOL&);
    LRESULT OnUpload(WORD, WORD, HWND, BOOL&);
    LRESULT OnDownloadCdr(WORD, WORD, HWND, BOOL&);
    LRESULT OnRecentFile(WORD, WORD, HWND, BOOL&);
    LRESULT OnQuit(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewToolbar(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewStatusBar(WORD, WORD, HWND, BOOL&);
    LRESULT OnConnect(WORD, WORD, HWND, BOOL&);
    LRESULT OnDisconnect(WORD, WORD, HWND, BOOL&);
    LRESULT OnCommunicationSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnLanguage(WORD, WORD, HWND, BOOL&);
    LRESULT OnPassword(WORD, WORD, HWND, BOOL&);
    LRESULT OnDateTime(WORD, WORD, HWND, BOOL&);
    LRESULT OnSysInfo(WORD, WORD, HWND, BOOL&);
    LRESULT OnReset(WORD, WORD, HWND, BOOL&);
    LRESULT OnWriteFirmware(WORD, WORD, HWND, BOOL&);
    LRESULT OnModuleReset(WORD, WORD, HWND, BOOL&);
    LRESULT OnLoadAnnouncement(WORD, WORD, HWND, BOOL&);
    LRESULT OnToggleMonitorTab(WORD, WORD, HWND, BOOL&);
    LRESULT OnToggleCommunicationTab(WORD, WORD, HWND, BOOL&);
    LRESULT OnHelp(WORD, WORD, HWND, BOOL&);
    LRESULT OnAbout(WORD, WORD, HWND, BOOL&);
    LRESULT OnLogCommand(WORD, WORD, HWND, BOOL&);
    LRESULT OnLogSave(WORD, WORD, HWND, BOOL&);
    LRESULT OnFind(WORD, WORD, HWND, BOOL&);
    LRESULT OnFindNext(WORD, WORD, HWND, BOOL&);
    LRESULT OnNextTab(WORD, WORD, HWND, BOOL&);
    LRESULT OnPrevTab(WORD, WORD, HWND, BOOL&);
    LRESULT OnToolTipText(int, LPNMHDR, BOOL&);
    LRESULT OnTabChanging(int, LPNMHDR, BOOL&);
    LRESULT OnTabChanged(int, LPNMHDR, BOOL&);
    LRESULT OnChevron(int, LPNMHDR, BOOL&);

    // Commands the frame does not handle go to the configuration view.
    BOOL RouteToViews(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

    void CreateToolBar();
    void CreateTabView();
    void CreateViews(HINSTANCE inst);
    void SaveDiagSplitter();
    void CreateDiagContents();
    bool CheckFirmwareFile(CLmfFile& file);
    void RetranslateDiagView();
    // Handles messages for ms milliseconds (the device answers meanwhile).
    static void PumpFor(DWORD ms);
    void AddTab(const char* titleKey, int image, int kind, HWND page, bool select);
    void RemoveTab(int kind);
    void ShowTabPage(int index);
    HWND GetTabPage(int index) const;
    HWND GetTabPageOfKind(int kind) const;
    // The log view of a log tab's kind; NULL for the other kinds and a log
    // that has no window.
    CCommLogCtrl* GetLogCtrlOfKind(int kind);
    int GetTabKind(int index) const;
    // The leave and enter notifications a page gets when its tab changes.
    bool LeaveTabPage(int index);
    void EnterTabPage(int index);
    void RetitleTabs();
    void LoadMenu();
    void ToggleLogTab(int kind, bool& shown, UINT commandId);
    // The log of the shown tab (communication or monitor), NULL on the others.
    HWND GetShownLog() const;
    void SearchShownLog();
    bool CommitPageOrShowIt();
    void ReadRecentList();
    void WriteRecentList();
    // The document's file, just opened or saved, heads the recent list and
    // names the window.
    void ShowAsRecentDocument(const char* path);
    bool IsLinkConfigured() const;
    // Waits up to 20 x 100 ms for the link state to reach target.
    bool WaitForLinkState(int target, bool refreshStatus);

    // Engine status helpers.
    void ClearPendings();
    void CheckVersionForSystemInfo();
    void AdoptDownloadedImage();
    void AdoptRecord(const BYTE* image);
    void NewDefaultDocument();
    void OnUploadAccepted();
    void ShowProgress(int percent);
    void EndProgress();
    void CompleteCdrProgress();
    // The modal progress dialog of a long operation, the frame busy meanwhile.
    int RunProgress(int kind);
    void EndNotice();
    void RunRestartNotice();
    void PassDiagnosticsData(int code, int result);
    void StopCardsPolling();
    void StartCardsPolling();
    void ResumeDiagPolling();
    void SuspendDiagPolling();
    void PassCellsToPage(bool ok);
    int CloseCdrExportFile();
    void ResumeMonitoring();
    void StopMonitoringDisplay();
    void ClearMonitorCommand();
    bool IsMonitoring() const;
    // Stops monitoring for an operation that restarts or rewrites the device.
    void PauseMonitoringForOperation();

    // Dialogs.
    bool RunLoginDialog(char* password, int size);
    // Returns true when the user changed and stored the settings.
    bool RunCommunicationDialog(bool fromMenu);
    void ShowLinkError();
    void RunSystemInfoDialog();
    void RunDateTimeDialog();
    void RunModuleInfoDialog();
    bool IsPasswordDialogOpen() const;
    void CancelPasswordDialog();
    void TellPasswordDialog(int result);

    // The configuration document.
    bool HasDocument() const;
    // The document's file name, "untitled" text for one without, none
    // without a document.
    const char* GetDocumentTitle();
    bool SaveModified();
    bool CommitPage();
    void CloseDocument();
    const char* GetDocumentPath();
    const void* GetDocumentRecord();
    bool SaveDocumentFile(const char* path);
    // The monitor log's text view and its operations.
    HWND GetMonitorLogText() const;
    CCommLogCtrl* GetMonitorLogCtrl();
    void ClearMonitorLog();
    bool SaveMonitorLog(const char* path);
    bool OpenDocumentFile(const char* path);
    void ConnectNow();

    CCommandBarCtrl m_cmdBar;
    CReBarCtrl m_rebar;
    CToolBarCtrl m_toolBar;
    CStatusBarCtrl m_statusBar;
    CWindow m_tab;
    HIMAGELIST m_tabImages = NULL;
    HMENU m_menu = NULL;
    HACCEL m_accel = NULL;
    CRecentDocumentList m_recent;
    CCommLogCtrl m_commLog;
    CDataView m_dataView;
    CMonitorLog m_monitorLog;
    CDiagView m_diagView;

    HWND m_findDlg = NULL;
    FINDREPLACEA m_findData;
    char m_findText[128];
    DWORD m_findFlags = 0; // bit 0 match case, bit 1 whole word
    UINT m_findMessage;

    bool m_busy = false;
    bool m_connecting = false;
    bool m_connectBlocked = false;
    CWaitDlg* m_notice = nullptr;
    CProgressDlg* m_progress = nullptr;
    bool m_tcpConnecting = false;
    bool m_pendingDownload = false;
    bool m_pendingUpload = false;
    bool m_firmwareWriting = false;
    bool m_pendingUploadWithoutNetwork = false;
    bool m_commTabShown = false;
    bool m_monitorTabShown = false;
    int m_lastGsmModule = 0;
};

// Whether a firmware version text parses as "%d.%d." into major and minor.
bool ParseVersionMajorMinor(const char* text, int* major, int* minor);

// The program's configuration data version, which a device must match.
extern const char* const kProgramDataVersion;
