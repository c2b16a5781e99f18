#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "wcl/AppModule.h"
#include "wcl/TreeItems.h"
#include "wcl/WaitCursor.h"
#include <cstdio>
#include <cstring>

const char* const kProgramDataVersion = "3.0.0.5";

namespace
{
// The toolbar: New, Open, Save | Download, Upload, Upload without network | About.
const ToolBarButton kToolBarButtons[] = {
    { ID_FILE_NEW, 0 },
    { ID_FILE_OPEN, 1 },
    { ID_FILE_SAVE, 2 },
    { 0, 0 },
    { ID_FILE_DOWNLOAD, 3 },
    { ID_FILE_UPLOAD, 4 },
    { ID_FILE_UPLOAD_WITHOUT_NETWORK, 5 },
    { 0, 0 },
    { ID_APP_ABOUT, 6 },
};

const UpdateUIEntry kUpdateUI[] = {
    { ID_VIEW_TOOLBAR, UPDUI_MENUBAR },
    { ID_VIEW_STATUS_BAR, UPDUI_MENUBAR },
    { ID_FILE_SAVE, UPDUI_MENUBAR | UPDUI_TOOLBAR },
    { ID_FILE_SAVE_AS, UPDUI_MENUBAR },
    { ID_FILE_UPLOAD, UPDUI_MENUBAR | UPDUI_TOOLBAR },
    { ID_FILE_UPLOAD_WITHOUT_NETWORK, UPDUI_MENUBAR | UPDUI_TOOLBAR },
    { ID_FILE_CLOSE, UPDUI_MENUBAR },
    { ID_EDIT_SAVE_AS, UPDUI_MENUBAR },
    { ID_EDIT_COPY, UPDUI_MENUBAR },
    { ID_EDIT_FIND, UPDUI_MENUBAR },
    { ID_EDIT_FIND_NEXT, UPDUI_MENUBAR },
    { ID_EDIT_SELECT_ALL, UPDUI_MENUBAR },
    { ID_EDIT_CLEAR, UPDUI_MENUBAR },
    { ID_CONNECTION_CONNECT, UPDUI_MENUBAR },
    { ID_CONNECTION_DISCONNECT, UPDUI_MENUBAR },
    { ID_SERVICE_MONITOR, UPDUI_MENUBAR },
    { ID_SERVICE_COMMUNICATION, UPDUI_MENUBAR },
};

const struct
{
    int kind;
    const char* titleKey;
} kTabTitles[] = {
    { CMainFrame::TabConfiguration, "strTabConfiguration" },
    { CMainFrame::TabCommunicationLog, "strTabCommunication" },
    { CMainFrame::TabMonitorLog, "strTabMonitor" },
    { CMainFrame::TabDiagnostics, "strTabDiagnostics" },
};

// The Service menu's position in the menu bar.
const int kServiceMenuPosition = 4;

const char* TabTitleKey(int kind)
{
    for (const auto& t : kTabTitles)
        if (t.kind == kind)
            return t.titleKey;
    return "";
}

void LoadText(const char* key, char* buf, size_t size)
{
    g_Language.GetString(key, buf, size);
}
}

// The major and minor number at the start of a version text ("3.0",
// "3.0 beta", "3.0.0.5"): what follows the minor number does not matter.
bool ParseVersionMajorMinor(const char* text, int* major, int* minor)
{
    int a = 0, b = 0;
    if (!text || sscanf(text, "%d.%d", &a, &b) != 2)
        return false;
    *major = a;
    *minor = b;
    return true;
}

CMainFrame::CMainFrame() : CFrameSettings(StorageRegistry, kSettingsKey), m_recent(ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST)
{
    m_findText[0] = 0;
    memset(&m_findData, 0, sizeof(m_findData));
    m_findMessage = ::RegisterWindowMessageA(FINDMSGSTRINGA);
}

CMainFrame::~CMainFrame()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    if (m_tabImages)
        ImageList_Destroy(m_tabImages);
    if (m_menu)
        ::DestroyMenu(m_menu);
}

HWND CMainFrame::CreateFrame()
{
    Load();
    RECT rc = GetStoredRect();
    char title[128] = "";
    LoadText("strAppName", title, sizeof(title));
    if (HasStoredRect())
        return Create(NULL, &rc, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW);
    return Create(NULL, nullptr, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_APPWINDOW);
}

// ---------------------------------------------------------------------------
// Creation and layout

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    SetTitle(nullptr);

    // An icon file named in the settings replaces the program's own icons,
    // only when both sizes load.
    HICON bigIcon = NULL, smallIcon = NULL;
    if (g_Settings.Icon[0])
    {
        bigIcon = (HICON)::LoadImageA(NULL, g_Settings.Icon, IMAGE_ICON, 32, 32, LR_LOADFROMFILE);
        smallIcon = (HICON)::LoadImageA(NULL, g_Settings.Icon, IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
        if (!bigIcon || !smallIcon)
        {
            if (bigIcon)
                ::DestroyIcon(bigIcon);
            if (smallIcon)
                ::DestroyIcon(smallIcon);
            bigIcon = smallIcon = NULL;
        }
    }
    HINSTANCE inst = ::GetModuleHandle(NULL);
    if (!bigIcon)
    {
        bigIcon = (HICON)::LoadImageA(inst, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0);
        smallIcon = (HICON)::LoadImageA(inst, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0);
    }
    SendMessage(WM_SETICON, ICON_BIG, (LPARAM)bigIcon);
    SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)smallIcon);

    m_accel = ::LoadAcceleratorsA(inst, MAKEINTRESOURCEA(IDR_MAINFRAME));

    // The bars: the rebar holds the command bar and the toolbar.
    m_rebar.Create(m_hWnd, WCL_IDW_TOOLBAR);
    m_hWndToolBar = m_rebar;
    m_cmdBar.Create(m_hWnd, m_rebar, CommandBarId);
    // The menus show the toolbar's pictures beside the same commands, and
    // Help Topics a picture of its own, so that every item of the Help menu
    // has one and the menu lines its texts and shortcuts up alike.
    const UINT menuImageIds[] = { ID_FILE_NEW,    ID_FILE_OPEN,   ID_FILE_SAVE, ID_FILE_DOWNLOAD,
                                  ID_FILE_UPLOAD, ID_FILE_UPLOAD_WITHOUT_NETWORK, ID_APP_ABOUT, ID_HELP_CONTENTS };
    m_cmdBar.LoadImages(IDB_MENU_IMAGES, 16, menuImageIds, (int)(sizeof(menuImageIds) / sizeof(menuImageIds[0])));
    LoadMenu();
    CreateToolBar();
    CreateBands(m_rebar, m_cmdBar.GetHwnd(), m_toolBar);
    m_statusBar.Create(m_hWnd, WCL_IDW_STATUS_BAR);
    m_hWndStatusBar = m_statusBar;
    int pane = StatusPaneWidth;
    m_statusBar.SetPanes(&pane, 1);
    ToggleStatusBar(m_statusBar, false);

    m_recent.SetMaxEntries(6);
    m_recent.SetMaxItemLength(128);
    ReadRecentList();

    CreateTabView();
    CreateViews(inst);
    AddTab("strTabConfiguration", TabConfiguration, TabConfiguration, GetTabPageOfKind(TabConfiguration), true);
    AddTab("strTabDiagnostics", TabDiagnostics, TabDiagnostics, GetTabPageOfKind(TabDiagnostics), false);

    if (g_Settings.CommunicationLog)
    {
        HWND log = ::CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                                     WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                         ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                     0, 0, 0, 0, m_tab, NULL, inst, NULL);
        if (log)
        {
            m_commLog.Attach(log);
            m_commLog.Init();
            m_commLog.SetMaxLines((int)g_Settings.CommunicationLogMaxLines);
            g_DeviceProtocol.SetCommLog(&m_commLog);
            CommSetLog(&m_commLog);
        }
    }
    if (m_monitorLog.m_hWnd)
        g_DeviceProtocol.SetMonitorLog(&m_monitorLog);

    g_DeviceProtocol.SetNotifyWindow(m_hWnd);
    CommSetNotifyWindow(m_hWnd);
    UpdateLayout();

    if (m_dataView.m_hWnd)
        m_dataView.OnCreate(g_PathSettings.SplitterPos1);
    CreateDiagContents();

    UIInit(kUpdateUI, (int)(sizeof(kUpdateUI) / sizeof(kUpdateUI[0])));
    UIAddToolBar(m_toolBar);
    UISetCheck(ID_VIEW_TOOLBAR, m_toolbar);
    UISetCheck(ID_VIEW_STATUS_BAR, m_statusbar);

    m_busy = m_tcpConnecting = false;
    m_pendingDownload = m_pendingUpload = m_pendingUploadWithoutNetwork = m_firmwareWriting = false;
    if (CMessageLoop* loop = g_Module.GetMessageLoop())
    {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    // Connect quietly at once when a link is configured; a failure only
    // shows in the status bar.
    if ((g_Settings.ComMode == LINK_SERIAL || g_Settings.ComMode == LINK_TCP) && IsLinkConfigured())
        CommInit(m_hWnd, 1);

    g_hMainWnd = m_hWnd;
    UpdateStatusBar();
    return 0;
}

void CMainFrame::LoadMenu()
{
    HMENU fresh = ::LoadMenuA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (!fresh)
        return;
    if (!g_Settings.CommunicationLog)
        ::DeleteMenu(::GetSubMenu(fresh, kServiceMenuPosition), ID_SERVICE_COMMUNICATION, MF_BYCOMMAND);
    g_Language.TranslateMenu(fresh);
    m_cmdBar.AttachMenu(fresh);
    HMENU old = m_menu;
    m_menu = fresh;
    if (old)
        ::DestroyMenu(old);
    m_recent.SetMenuHandle(::GetSubMenu(m_menu, 0));
    // The states were written into the old menu: write them all again.
    UIUpdateMenuBar(m_menu, true);
}

void CMainFrame::CreateToolBar()
{
    m_toolBar.Create(m_rebar, ToolBarId);
    // 24-pixel pictures, in full colour under the mouse, in greys when disabled.
    m_toolBar.SetImages(IDB_TOOLBAR, 24, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED);
    m_toolBar.AddButtons(kToolBarButtons, (int)(sizeof(kToolBarButtons) / sizeof(kToolBarButtons[0])));
    m_toolBar.SendMessage(TB_SETPARENT, (WPARAM)m_hWnd);
}

void CMainFrame::CreateTabView()
{
    HWND tab = ::CreateWindowExA(0, WC_TABCONTROLA, NULL,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_HOTTRACK |
                                     TCS_FOCUSNEVER,
                                 0, 0, 0, 0, m_hWnd, (HMENU)(UINT_PTR)TabControlId, ::GetModuleHandle(NULL), NULL);
    m_tab = tab;
    m_hWndClient = tab;
    ::SendMessage(tab, WM_SETFONT, (WPARAM)::GetStockObject(DEFAULT_GUI_FONT), FALSE);
    const int icons[] = { IDI_TAB_CONFIGURATION, IDI_TAB_COMMUNICATION, IDI_TAB_MONITOR, IDI_TAB_DIAGNOSTICS };
    m_tabImages = CreateTreeImageList(icons, (int)(sizeof(icons) / sizeof(icons[0])));
    TabCtrl_SetImageList(tab, m_tabImages);
}

void CMainFrame::UpdateLayout()
{
    CFrameWindowImpl<CMainFrame>::UpdateLayout();
    int index = TabCtrl_GetCurSel(m_tab);
    if (index >= 0)
        ShowTabPage(index);
}

LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (CMessageLoop* loop = g_Module.GetMessageLoop())
    {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    if (m_findDlg && ::IsWindow(m_findDlg))
        ::DestroyWindow(m_findDlg);
    m_findDlg = NULL;
    if (g_hMainWnd == m_hWnd)
        g_hMainWnd = NULL;
    // The link and the engine must not reach a window that is gone, nor the
    // logs that go with it.
    CommClose();
    if (g_DeviceProtocol.GetNotifyWindow() == m_hWnd)
        g_DeviceProtocol.SetNotifyWindow(NULL);
    g_DeviceProtocol.SetCommLog(nullptr);
    CommSetLog(nullptr);
    g_DeviceProtocol.SetMonitorLog(nullptr);
    ::PostQuitMessage(0);
    bHandled = FALSE;
    return 0;
}

// ---------------------------------------------------------------------------
// Tabs

int CMainFrame::GetTabCount() const
{
    return m_tab.m_hWnd ? TabCtrl_GetItemCount(m_tab) : 0;
}

int CMainFrame::GetTabKind(int index) const
{
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    if (!::SendMessage(m_tab, TCM_GETITEMA, index, (LPARAM)&item))
        return -1;
    return (int)(item.lParam & 0xFF);
}

int CMainFrame::FindTab(int kind) const
{
    int count = GetTabCount();
    for (int i = 0; i < count; ++i)
        if (GetTabKind(i) == kind)
            return i;
    return -1;
}

int CMainFrame::GetCurrentTabKind() const
{
    int index = m_tab.m_hWnd ? TabCtrl_GetCurSel(m_tab) : -1;
    return index < 0 ? -1 : GetTabKind(index);
}

HWND CMainFrame::GetTabPage(int index) const
{
    return index < 0 ? NULL : GetTabPageOfKind(GetTabKind(index));
}

void CMainFrame::AddTab(const char* titleKey, int image, int kind, HWND page, bool select)
{
    char title[128] = "";
    LoadText(titleKey, title, sizeof(title));
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = title;
    item.iImage = image;
    item.lParam = kind;
    int index = (int)::SendMessage(m_tab, TCM_INSERTITEMA, GetTabCount(), (LPARAM)&item);
    if (page)
        ::ShowWindow(page, SW_HIDE);
    if (select && index >= 0)
    {
        TabCtrl_SetCurSel(m_tab, index);
        ShowTabPage(index);
        EnterTabPage(index);
    }
}

void CMainFrame::RemoveTab(int kind)
{
    int index = FindTab(kind);
    if (index < 0)
        return;
    // Leaving the shown tab goes the way a click goes: the page is told.
    if (TabCtrl_GetCurSel(m_tab) == index)
    {
        int next = index > 0 ? index - 1 : (GetTabCount() > 1 ? 1 : -1);
        if (next >= 0)
            SelectTab(next);
        else
            LeaveTabPage(index);
    }
    HWND page = GetTabPage(index);
    TabCtrl_DeleteItem(m_tab, index);
    if (page)
        ::ShowWindow(page, SW_HIDE);
    UpdateLayout();
}

bool CMainFrame::LeaveTabPage(int index)
{
    HWND page = GetTabPage(index);
    if (!page || !::IsWindow(page))
        return true;
    NMHDR nmh = { m_tab, TabControlId, (UINT)PSN_KILLACTIVE };
    // A page that refuses to be left answers non-zero.
    return ::SendMessage(page, WM_NOTIFY, TabControlId, (LPARAM)&nmh) == 0;
}

void CMainFrame::EnterTabPage(int index)
{
    HWND page = GetTabPage(index);
    if (!page || !::IsWindow(page))
        return;
    NMHDR nmh = { m_tab, TabControlId, (UINT)PSN_SETACTIVE };
    ::SendMessage(page, WM_NOTIFY, TabControlId, (LPARAM)&nmh);
}

void CMainFrame::ShowTabPage(int index)
{
    RECT rc;
    m_tab.GetClientRect(&rc);
    TabCtrl_AdjustRect(m_tab, FALSE, &rc);
    int count = GetTabCount();
    HWND shown = GetTabPage(index);
    for (int i = 0; i < count; ++i)
    {
        HWND page = GetTabPage(i);
        if (page && page != shown)
            ::ShowWindow(page, SW_HIDE);
    }
    if (shown)
    {
        const bool comesUp = (::GetWindowLongA(shown, GWL_STYLE) & WS_VISIBLE) == 0;
        ::SetWindowPos(shown, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_SHOWWINDOW | SWP_NOACTIVATE);
        // A log that comes up shows its latest lines (not on every resize,
        // which would undo the user's scrolling).
        if (comesUp)
        {
            if (CCommLogCtrl* log = GetLogCtrlOfKind(GetTabKind(index)))
                log->ShowLatestLines();
        }
    }
}

bool CMainFrame::SelectTab(int index)
{
    int current = TabCtrl_GetCurSel(m_tab);
    if (index < 0 || index >= GetTabCount())
        return false;
    if (index == current)
        return true;
    if (current >= 0 && !LeaveTabPage(current))
        return false;
    TabCtrl_SetCurSel(m_tab, index);
    ShowTabPage(index);
    EnterTabPage(index);
    return true;
}

// The keyboard goes to the page of the shown tab (the tab control never
// takes the focus).
LRESULT CMainFrame::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    HWND page = m_tab.m_hWnd ? GetTabPage(TabCtrl_GetCurSel(m_tab)) : NULL;
    if (!page || !::IsWindowVisible(page))
    {
        bHandled = FALSE;
        return 0;
    }
    ::SetFocus(page);
    return 0;
}

LRESULT CMainFrame::OnTabChanging(int, LPNMHDR, BOOL&)
{
    int current = TabCtrl_GetCurSel(m_tab);
    return current >= 0 && !LeaveTabPage(current) ? TRUE : FALSE;
}

LRESULT CMainFrame::OnTabChanged(int, LPNMHDR, BOOL&)
{
    int index = TabCtrl_GetCurSel(m_tab);
    if (index >= 0)
    {
        ShowTabPage(index);
        EnterTabPage(index);
    }
    return 0;
}

LRESULT CMainFrame::OnNextTab(WORD, WORD, HWND, BOOL&)
{
    int count = GetTabCount();
    if (count > 1)
        SelectTab((TabCtrl_GetCurSel(m_tab) + 1) % count);
    return 0;
}

LRESULT CMainFrame::OnPrevTab(WORD, WORD, HWND, BOOL&)
{
    int count = GetTabCount();
    if (count > 1)
    {
        int current = TabCtrl_GetCurSel(m_tab);
        SelectTab(current > 0 ? current - 1 : count - 1);
    }
    return 0;
}

void CMainFrame::RetitleTabs()
{
    int count = GetTabCount();
    for (int i = 0; i < count; ++i)
    {
        char title[128] = "";
        LoadText(TabTitleKey(GetTabKind(i)), title, sizeof(title));
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        ::SendMessage(m_tab, TCM_SETITEMA, i, (LPARAM)&item);
    }
}

void CMainFrame::ToggleLogTab(int kind, bool& shown, UINT commandId)
{
    if (shown)
    {
        RemoveTab(kind);
    }
    else
    {
        AddTab(TabTitleKey(kind), kind, kind, GetTabPageOfKind(kind), false);
    }
    shown = !shown;
    UISetCheck(commandId, shown);
    UIUpdateMenuBar(m_menu);
    UpdateLayout();
}

LRESULT CMainFrame::OnToggleCommunicationTab(WORD, WORD, HWND, BOOL&)
{
    if (!m_commLog.m_hWnd)
        return 0;
    ToggleLogTab(TabCommunicationLog, m_commTabShown, ID_SERVICE_COMMUNICATION);
    return 0;
}

LRESULT CMainFrame::OnToggleMonitorTab(WORD, WORD, HWND, BOOL&)
{
    ToggleLogTab(TabMonitorLog, m_monitorTabShown, ID_SERVICE_MONITOR);
    return 0;
}

// ---------------------------------------------------------------------------
// Title, status bar, busy state, idle

void CMainFrame::SetTitle(const char* fileName)
{
    char appName[128] = "";
    LoadText("strAppName", appName, sizeof(appName));
    if (!fileName)
    {
        SetWindowText(appName);
        return;
    }
    char title[MAX_PATH + 160];
    FormatText(title, sizeof(title), "%s - %s", fileName, appName);
    SetWindowText(title);
}

void CMainFrame::UpdateStatusBar()
{
    if (!m_statusBar.m_hWnd)
        return;
    char text[256] = "";
    char state[64] = "";
    int linkState = CommState();
    if (g_Settings.ComMode == LINK_SERIAL)
    {
        if (!g_Settings.VirtualComPort[0])
        {
            LoadText("strStatNoPort", state, sizeof(state));
            FormatText(text, sizeof(text), "USB: %s", state);
        }
        else
        {
            LoadText(linkState == 2 ? "strStatConnected" : "strStatDisconnected", state, sizeof(state));
            FormatText(text, sizeof(text), "USB: %s - %s", g_Settings.VirtualComPort, state);
        }
    }
    else if (g_Settings.ComMode == LINK_TCP)
    {
        if (!g_Settings.TcpAddress[0])
        {
            LoadText("strStatNoAddress", state, sizeof(state));
            FormatText(text, sizeof(text), "TCP: %s", state);
        }
        else
        {
            const char* key = linkState == 2 ? "strStatConnected"
                              : linkState == 1 ? "strStatConnecting"
                                               : "strStatDisconnected";
            LoadText(key, state, sizeof(state));
            FormatText(text, sizeof(text), "TCP: %s - %s", g_Settings.TcpAddress, state);
        }
    }
    char shown[256] = "";
    m_statusBar.GetPaneText(0, shown, sizeof(shown));
    if (strcmp(shown, text) != 0)
        m_statusBar.SetPaneText(0, text);
}

void CMainFrame::SetBusy(bool busy)
{
    m_busy = busy;
    // While the password dialog is up, it owns the frame's enabled state.
    if (!IsPasswordDialogOpen())
        EnableWindow(!busy);
    if (busy)
        ShowWaitCursor();
    else
        ShowArrowCursor();
}

BOOL CMainFrame::OnIdle()
{
    bool hasDocument = HasDocument();
    UIEnable(ID_FILE_SAVE, hasDocument);
    UIEnable(ID_FILE_SAVE_AS, hasDocument);
    UIEnable(ID_FILE_UPLOAD, hasDocument);
    UIEnable(ID_FILE_UPLOAD_WITHOUT_NETWORK, hasDocument);
    UIEnable(ID_FILE_CLOSE, hasDocument);

    HWND log = GetShownLog();
    bool hasText = log && ::GetWindowTextLengthA(log) > 0;
    bool hasSelection = false;
    if (log)
    {
        CHARRANGE range = { 0, 0 };
        ::SendMessage(log, EM_EXGETSEL, 0, (LPARAM)&range);
        hasSelection = range.cpMax > range.cpMin;
    }
    UIEnable(ID_EDIT_COPY, hasSelection);
    UIEnable(ID_EDIT_SELECT_ALL, hasText);
    UIEnable(ID_EDIT_CLEAR, hasText);
    UIEnable(ID_EDIT_FIND, hasText);
    UIEnable(ID_EDIT_FIND_NEXT, hasText);
    UIEnable(ID_EDIT_SAVE_AS, hasText);

    int linkState = CommState();
    UIEnable(ID_CONNECTION_CONNECT, linkState == 0);
    UIEnable(ID_CONNECTION_DISCONNECT, linkState != 0);

    UIUpdateToolBar();
    UIUpdateMenuBar(m_menu);
    UpdateStatusBar();
    return FALSE;
}

namespace
{
// The clipboard and undo keys of an edit field: Ctrl+C, Ctrl+Ins, Ctrl+V,
// Shift+Ins, Ctrl+X, Shift+Del, Ctrl+Z, Alt+Backspace.
bool IsEditingKey(const MSG* msg)
{
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return false;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    switch (msg->wParam)
    {
    case 'C':
    case 'V':
    case 'X':
    case 'Z':
        return ctrl && !alt;
    case VK_INSERT:
        return ctrl || shift;
    case VK_DELETE:
        return shift;
    case VK_BACK:
        return alt;
    default:
        return false;
    }
}

bool IsEditField(HWND wnd)
{
    char cls[32] = "";
    ::GetClassNameA(wnd, cls, sizeof(cls));
    return lstrcmpiA(cls, "Edit") == 0;
}
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg)
{
    if (!msg->hwnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
    {
        // The Find dialog is a window of its own.
        return m_findDlg && ::IsWindow(m_findDlg) && ::IsDialogMessageA(m_findDlg, msg);
    }
    // The edit fields of the pages and of the monitor commands keep their
    // clipboard and undo keys; the frame's copy works on the logs only.
    const bool editing = IsEditingKey(msg) && IsEditField(msg->hwnd);
    if (m_accel && !editing && ::TranslateAcceleratorA(m_hWnd, m_accel, msg))
        return TRUE;
    if (m_dataView.m_hWnd && m_dataView.PreTranslateMessage(msg))
        return TRUE;
    if (m_diagView.m_hWnd && m_diagView.PreTranslateMessage(msg))
        return TRUE;
    if (m_monitorLog.m_hWnd && ::IsWindowVisible(m_monitorLog) &&
        (msg->hwnd == m_monitorLog.m_hWnd || ::IsChild(m_monitorLog, msg->hwnd)) &&
        ::IsDialogMessageA(m_monitorLog, msg))
        return TRUE;
    return FALSE;
}

LRESULT CMainFrame::OnSetCursor(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (m_busy)
    {
        ShowWaitCursor();
        return TRUE;
    }
    if (m_tcpConnecting)
    {
        if (CommState() != LINK_CONNECTING)
        {
            m_tcpConnecting = false;
        }
        else
        {
            ShowStartingCursor();
            return TRUE;
        }
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    MINMAXINFO* info = (MINMAXINFO*)lParam;
    info->ptMinTrackSize.x = MinTrackWidth;
    info->ptMinTrackSize.y = MinTrackHeight;
    return 0;
}

LRESULT CMainFrame::OnToolTipText(int, LPNMHDR nmh, BOOL& bHandled)
{
    NMTTDISPINFOA* info = (NMTTDISPINFOA*)nmh;
    if (info->uFlags & TTF_IDISHWND)
    {
        bHandled = FALSE;
        return 0;
    }
    char text[80] = "";
    g_Language.GetTooltip((UINT)nmh->idFrom, text, sizeof(text));
    if (text[0])
    {
        CopyText(info->szText, sizeof(info->szText), text);
        info->lpszText = info->szText;
        info->hinst = NULL;
    }
    return 0;
}

// A band that does not fit shows the commands it hides in a drop-down.
LRESULT CMainFrame::OnChevron(int, LPNMHDR nmh, BOOL&)
{
    NMREBARCHEVRON* chevron = (NMREBARCHEVRON*)nmh;
    REBARBANDINFOA band = {};
    band.cbSize = REBARBANDINFOA_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    m_rebar.SendMessage(RB_GETBANDINFOA, chevron->uBand, (LPARAM)&band);
    HWND bar = band.hwndChild;
    RECT client;
    ::GetClientRect(bar, &client);
    HMENU popup = ::CreatePopupMenu();
    int count = (int)::SendMessage(bar, TB_BUTTONCOUNT, 0, 0);
    bool pendingSeparator = false;
    int added = 0;
    for (int i = 0; i < count; ++i)
    {
        RECT rc;
        ::SendMessage(bar, TB_GETITEMRECT, i, (LPARAM)&rc);
        TBBUTTON b = {};
        ::SendMessage(bar, TB_GETBUTTON, i, (LPARAM)&b);
        if (rc.right <= client.right)
            continue;
        if (b.fsStyle & BTNS_SEP)
        {
            pendingSeparator = added > 0;
            continue;
        }
        if (pendingSeparator)
            ::AppendMenuA(popup, MF_SEPARATOR, 0, NULL);
        pendingSeparator = false;
        if (bar == m_cmdBar.GetHwnd())
        {
            int index = b.idCommand - (int)CCommandBarCtrl::FirstButtonId;
            char text[128] = "";
            ::GetMenuStringA(m_menu, index, text, sizeof(text), MF_BYPOSITION);
            ::AppendMenuA(popup, MF_POPUP, (UINT_PTR)::GetSubMenu(m_menu, index), text);
        }
        else
        {
            char text[80] = "";
            ::SendMessage(bar, TB_GETBUTTONTEXTA, b.idCommand, (LPARAM)text);
            if (!text[0])
                g_Language.GetTooltip((UINT)b.idCommand, text, sizeof(text));
            bool enabled = ::SendMessage(bar, TB_ISBUTTONENABLED, b.idCommand, 0) != 0;
            ::AppendMenuA(popup, MF_STRING | (enabled ? 0 : MF_GRAYED), (UINT_PTR)b.idCommand, text);
        }
        ++added;
    }
    if (added == 0)
    {
        ::MessageBeep((UINT)-1);
    }
    else
    {
        POINT pt = { chevron->rc.left, chevron->rc.bottom };
        ::ClientToScreen(m_rebar, &pt);
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, pt.x, pt.y, 0, m_hWnd, NULL);
    }
    // The command bar's drop-downs belong to the menu: detach before destroying.
    while (::GetMenuItemCount(popup) > 0)
        ::RemoveMenu(popup, 0, MF_BYPOSITION);
    ::DestroyMenu(popup);
    return 0;
}

LRESULT CMainFrame::OnViewToolbar(WORD, WORD, HWND, BOOL&)
{
    bool shown = ToggleToolbar(m_rebar, true);
    UISetCheck(ID_VIEW_TOOLBAR, shown);
    UIUpdateMenuBar(m_menu);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnViewStatusBar(WORD, WORD, HWND, BOOL&)
{
    bool shown = ToggleStatusBar(m_statusBar, true);
    UISetCheck(ID_VIEW_STATUS_BAR, shown);
    UIUpdateMenuBar(m_menu);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnQuit(WORD, WORD, HWND, BOOL&)
{
    PostMessage(WM_CLOSE);
    return 0;
}

// ---------------------------------------------------------------------------
// Recent files

void CMainFrame::ReadRecentList()
{
    m_recent.ReadFromRegistry(HKEY_LOCAL_MACHINE, kSettingsKey);
}

void CMainFrame::WriteRecentList()
{
    m_recent.WriteToRegistry(HKEY_LOCAL_MACHINE, kSettingsKey);
}

// ---------------------------------------------------------------------------
// Language

void CMainFrame::ApplyLanguage()
{
    SetTitle(GetDocumentTitle());
    LoadMenu();
    ReadRecentList();
    RetitleTabs();
    if (m_dataView.m_hWnd)
        m_dataView.OnLanguageChanged();
    RetranslateDiagView();
    if (m_monitorLog.m_hWnd)
        m_monitorLog.Retranslate();
    UpdateStatusBar();
}
