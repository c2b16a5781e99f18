#include "comm/MonitorLog.h"
#include "comm/Link.h"
#include "comm/DeviceProtocol.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/PathSettings.h"
#include "base/TextUtil.h"
#include <cstring>

const char CMonitorLog::kTempFileName[] = "~monlog.tmp";

namespace
{
// The temporary file is hidden; reopening it must name the same attribute.
const DWORD kTempCreate = DISKFILE_WRITE | DISKFILE_CREATE | DISKFILE_HIDDEN;
const DWORD kTempReopen = DISKFILE_WRITE | DISKFILE_OPEN_EXISTING | DISKFILE_HIDDEN;

const char kProgramVersion[] = "3.0.0.5";

bool AskSavePath(HWND owner, char* path, int size)
{
    char title[128] = "";
    g_Language.GetString("strMonitorSaveLog", title, sizeof(title));
    // The filter text separates its strings with '|'; the dialog wants zeros
    // and a double zero at the end.
    char filter[260];
    memset(filter, 0, sizeof(filter));
    g_Language.GetString("strLogSaveFilter", filter, sizeof(filter) - 2);
    for (char* p = filter; *p; ++p)
        if (*p == '|')
            *p = '\0';

    path[0] = '\0';
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = g_PathSettings.OpenSaveFilterLog;
    ofn.lpstrFile = path;
    ofn.nMaxFile = (DWORD)size;
    ofn.lpstrInitialDir = g_PathSettings.BrowsePathLog[0] ? g_PathSettings.BrowsePathLog : NULL;
    ofn.lpstrTitle = title[0] ? title : NULL;
    ofn.lpstrDefExt = "TXT";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING |
                OFN_EXPLORER;
    if (!::GetSaveFileNameA(&ofn))
        return false;
    g_PathSettings.OpenSaveFilterLog = ofn.nFilterIndex;
    // The chosen file's folder becomes the next dialog's start.
    FolderOfFile(path, g_PathSettings.BrowsePathLog, sizeof(g_PathSettings.BrowsePathLog));
    return true;
}

CMonitorLog::SavePathPrompt g_savePathPrompt = AskSavePath;
}

void CMonitorLog::SetSavePathPrompt(SavePathPrompt prompt)
{
    g_savePathPrompt = prompt ? prompt : AskSavePath;
}

CMonitorLog::CMonitorLog()
{
    m_commandText[0] = '\0';
    // The file lies in the current directory of the start; its full name is
    // kept so that a later change of directory does not lose it.
    if (!::GetFullPathNameA(kTempFileName, sizeof(m_tempPath), m_tempPath, NULL))
        CopyText(m_tempPath, sizeof(m_tempPath), kTempFileName);
    OpenTempFile(kTempCreate);
}

CMonitorLog::~CMonitorLog()
{
    m_tempFile.Close();
    ::DeleteFileA(m_tempPath);
}

CDeviceProtocol* CMonitorLog::Engine() const
{
    return m_engine ? m_engine : &g_DeviceProtocol;
}

IEngineLink* CMonitorLog::Link() const
{
    return m_link ? m_link : GetCommEngineLink();
}

bool CMonitorLog::LinkReady() const
{
    IEngineLink* link = Link();
    return link && link->State() == LINK_CONNECTED;
}

void CMonitorLog::OpenTempFile(DWORD flags)
{
    if (m_tempFile.Open(m_tempPath, flags) && (flags & DISKFILE_OPEN_EXISTING))
        m_tempFile.SeekToEnd();
}

void CMonitorLog::WriteToTempFile(const void* bytes, DWORD length)
{
    if (m_tempFile.IsOpen() && length)
        m_tempFile.Write(bytes, length);
}

void CMonitorLog::FormatStamp(char* buf, size_t size)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FormatText(buf, size, "%02d/%02d/%02d %02d:%02d:%02d", now.wDay, now.wMonth, now.wYear % 100, now.wHour,
               now.wMinute, now.wSecond);
}

void CMonitorLog::WriteBanner(const char* text, bool toFile)
{
    m_view.AddText(text, LOG_RED);
    if (toFile)
    {
        WriteToTempFile(text, (DWORD)strlen(text));
        WriteToTempFile("\r\n", 2);
    }
}

void CMonitorLog::WriteEventBanner(const char* lead, const char* event, bool toFile)
{
    char stamp[32];
    FormatStamp(stamp, sizeof(stamp));
    char text[128];
    FormatText(text, sizeof(text), "%s*** %s %s ***", lead, stamp, event);
    WriteBanner(text, toFile);
}

void CMonitorLog::WriteStartedBanner()
{
    CDeviceProtocol* engine = Engine();
    char stamp[32];
    FormatStamp(stamp, sizeof(stamp));
    // Three version texts of up to 63 characters each: longer than a log line.
    char text[512];
    FormatText(text, sizeof(text),
               "\r\n*** %s SYSTEM MONITORING STARTED ***\r\n*** Loader version: %s ***\r\n"
               "*** Firmware version: %s ***\r\n*** VoIP module version: %s ***\r\n*** Data version: %#08x ***\r\n"
               "*** Config. SW version: %s ***",
               stamp, engine->GetLoaderVersion(), engine->GetFirmwareVersion(), engine->GetVoipVersion(),
               (unsigned)engine->GetBoardValue(), kProgramVersion);
    WriteBanner(text, true);
}

void CMonitorLog::UpdateControls()
{
    if (!m_hWnd)
        return;
    ::EnableWindow(GetDlgItem(IDC_MONITOR_START), !m_on);
    ::EnableWindow(GetDlgItem(IDC_MONITOR_STOP), m_on);
    ::EnableWindow(GetDlgItem(IDC_MONITOR_EXECUTE), m_on);
    ::EnableWindow(GetDlgItem(IDC_MONITOR_COMMAND), m_on);
}

void CMonitorLog::SetMonitoring(BOOL on)
{
    on = on ? TRUE : FALSE;
    if (on == m_on)
        return;
    m_on = on;
    m_commandText[0] = '\0';
    if (!on && m_hWnd)
        SetDlgItemText(IDC_MONITOR_COMMAND, "");
    UpdateControls();

    if (on)
        WriteStartedBanner();
    else
        WriteEventBanner("\r\n", "SYSTEM MONITORING STOPPED", true);

    if (on)
    {
        m_lost = FALSE;
        SendMonitorMask();
        if (m_hWnd)
        {
            SetTimer(TimerKeepAlive, g_Settings.MonitorKeepAlive);
            SetTimer(TimerReconnect, kReconnectPeriodMs);
        }
    }
    else if (m_hWnd)
    {
        KillTimer(TimerKeepAlive);
        KillTimer(TimerReconnect);
    }

    // Only a stop the user asked for offers to save; the log saved is the
    // monitor log itself, whichever tab the frame shows.
    if (!on && m_stoppedByUser && g_Settings.MonitorLogSaveAtEnd)
    {
        if (g_Language.MessageBoxKey("strMonitorSaveLogRequest", "strMonitor", MB_YESNO | MB_ICONQUESTION) == IDYES)
            PromptAndSaveLog();
    }
    m_stoppedByUser = FALSE;
    m_subState = Running;
}

int CMonitorLog::SendMonitorMask()
{
    WORD mask = 0;
    if (m_hWnd)
    {
        for (int bit = 0; bit < 16; ++bit)
            if (::IsDlgButtonChecked(m_hWnd, IDC_MONITOR_OPTION1 + bit) == BST_CHECKED)
                mask |= (WORD)(1u << bit);
    }
    FormatText(m_commandText, sizeof(m_commandText), "V=%04X\r\n", mask);
    return Engine()->SendMonitorCommand(m_commandText);
}

void CMonitorLog::OnMonitorText(const char* text, int length)
{
    if (!m_on)
        SetMonitoring(TRUE);
    StopAnswerWait();
    if (m_lost)
    {
        WriteEventBanner("", "COMMUNICATION RECOVERY", true);
        m_lost = FALSE;
    }
    if (!text || length <= 0)
        return;
    m_view.AppendPlain(text, length);
    WriteToTempFile(text, (DWORD)length);
}

void CMonitorLog::StopAnswerWait()
{
    // A timer message already on its way finds nothing awaited.
    m_answerPending = FALSE;
    if (m_hWnd)
        KillTimer(TimerAnswer);
}

void CMonitorLog::OnMonitorAck()
{
    if (!m_on)
        return;
    StopAnswerWait();
    if (m_lost)
    {
        WriteEventBanner("", "COMMUNICATION RECOVERY", true);
        m_lost = FALSE;
    }
}

void CMonitorLog::MarkTemporaryStop()
{
    if (!m_on || m_subState == TemporarilyStopped)
        return;
    m_subState = TemporarilyStopped;
    WriteEventBanner("\r\n", "SYSTEM MONITORING TEMPORARY STOPPED", false);
}

void CMonitorLog::MarkResumed()
{
    if (!m_on || m_subState != TemporarilyStopped)
        return;
    m_subState = Resumed;
    WriteEventBanner("\r\n", "SYSTEM MONITORING RESUMED", false);
    m_lost = FALSE;
    if (LinkReady())
    {
        m_subState = Running;
        Engine()->SetMonitor(TRUE);
    }
    // Otherwise the reconnect and keep-alive timers bring the link back and
    // restart monitoring.
}

void CMonitorLog::ClearLog()
{
    m_view.Clear();
    m_tempFile.Close();
    OpenTempFile(kTempCreate);
}

bool CMonitorLog::SaveLog(const char* path)
{
    if (!path || !*path)
        return false;
    m_tempFile.Close();
    bool copied = ::CopyFileA(m_tempPath, path, FALSE) != FALSE;
    if (copied)
        ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    OpenTempFile(kTempReopen);
    // A log that was not written must not look saved.
    return copied;
}

bool CMonitorLog::PromptAndSaveLog()
{
    char path[MAX_PATH];
    HWND owner = m_hWnd ? ::GetParent(m_hWnd) : g_hMainWnd;
    if (!g_savePathPrompt(owner ? owner : m_hWnd, path, sizeof(path)))
        return false;
    if (SaveLog(path))
        return true;
    g_Language.MessageBoxKeyFormat("strLogSaveError", "strError", MB_ICONEXCLAMATION | MB_OK, path);
    return false;
}

void CMonitorLog::ClearCommandText()
{
    if (m_hWnd)
        SetDlgItemText(IDC_MONITOR_COMMAND, "");
}

void CMonitorLog::Retranslate()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        g_Language.RetranslateWindow(m_hWnd);
}

LRESULT CMonitorLog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | WS_CLIPCHILDREN);

    // A language file names only the event classes the device has: a box
    // whose text is empty is hidden.
    for (int i = 0; i < 16; ++i)
    {
        char key[32];
        FormatText(key, sizeof(key), "strMonitorOption%d", i + 1);
        char text[51] = "";
        g_Language.GetString(key, text, sizeof(text));
        if (!text[0])
            ::ShowWindow(GetDlgItem(IDC_MONITOR_OPTION1 + i), SW_HIDE);
    }
    g_Language.TranslateWindow(m_hWnd, true);

    m_view.Attach(GetDlgItem(IDC_MONITOR_VIEW));
    m_view.Init();
    m_view.SetMaxLines((int)g_Settings.MonitorLogMaxLines);
    ::SendMessageA(GetDlgItem(IDC_MONITOR_COMMAND), EM_LIMITTEXT, 125, 0);

    UpdateControls();
    ::EnableWindow(GetDlgItem(IDC_MONITOR_EXECUTE),
                   m_on && ::GetWindowTextLengthA(GetDlgItem(IDC_MONITOR_COMMAND)) > 0);
    InitResize();
    return TRUE;
}

LRESULT CMonitorLog::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    KillTimer(TimerKeepAlive);
    KillTimer(TimerAnswer);
    KillTimer(TimerReconnect);
    g_Language.ReleaseWindowKeys(m_hWnd);
    bHandled = FALSE;
    return 0;
}

LRESULT CMonitorLog::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    UINT_PTR id = (UINT_PTR)wParam;
    if (id != TimerKeepAlive && id != TimerAnswer && id != TimerReconnect)
    {
        bHandled = FALSE;
        return 0;
    }
    if (!m_on)
    {
        KillTimer(id);
        return 0;
    }
    switch (id)
    {
    case TimerKeepAlive:
        if (m_subState == Running)
        {
            // Only a keep-alive that really went out can go unanswered:
            // during a transfer none is sent, and the device must not be
            // declared lost for keeping quiet then.
            if (Engine()->SendKeepAlive())
            {
                m_answerPending = TRUE;
                SetTimer(TimerAnswer, kAnswerWaitMs);
            }
        }
        else if (m_subState == Resumed && LinkReady())
        {
            m_subState = Running;
            Engine()->SetMonitor(TRUE);
        }
        break;
    case TimerAnswer:
    {
        bool awaited = m_answerPending != FALSE;
        StopAnswerWait();
        if (awaited && m_subState == Running && !m_lost)
        {
            WriteEventBanner("\r\n", "COMMUNICATION LOST", true);
            m_lost = TRUE;
        }
        break;
    }
    case TimerReconnect:
        if (m_subState != Running && !LinkReady())
        {
            IEngineLink* link = Link();
            if (link)
                link->Reconnect(g_hMainWnd);
        }
        break;
    }
    return 0;
}

LRESULT CMonitorLog::OnStart(WORD, WORD, HWND, BOOL&)
{
    m_stoppedByUser = FALSE;
    Engine()->SetMonitor(TRUE);
    if (g_Settings.MonitorLogClearAtStart)
        ClearLog();
    return 0;
}

LRESULT CMonitorLog::OnStop(WORD, WORD, HWND, BOOL&)
{
    Engine()->SetMonitor(FALSE);
    m_stoppedByUser = TRUE;
    return 0;
}

LRESULT CMonitorLog::OnExecute(WORD, WORD, HWND, BOOL&)
{
    // At most the edit's 125 characters, then the line end the device wants.
    char text[126] = "";
    ::GetDlgItemTextA(m_hWnd, IDC_MONITOR_COMMAND, text, sizeof(text));
    FormatText(m_commandText, sizeof(m_commandText), "%s\r\n", text);
    Engine()->SendMonitorCommand(m_commandText);
    return 0;
}

LRESULT CMonitorLog::OnOptionClicked(WORD code, WORD, HWND, BOOL& bHandled)
{
    if (code != BN_CLICKED)
    {
        bHandled = FALSE;
        return 0;
    }
    if (m_on)
        SendMonitorMask();
    return 0;
}

void CMonitorLog::InitResize()
{
    RECT client;
    GetClientRect(&client);
    m_initialSize.cx = client.right - client.left;
    m_initialSize.cy = client.bottom - client.top;
    m_resizeCount = 0;

    struct Rule
    {
        int first;
        int last;
        BYTE how;
    };
    const Rule rules[] = {
        { IDC_MONITOR_OPTIONS, IDC_MONITOR_OPTIONS, MoveX },
        { IDC_MONITOR_OPTION1, IDC_MONITOR_OPTION16, MoveX },
        { IDC_MONITOR_COMMAND, IDC_MONITOR_COMMAND, SizeX | MoveY },
        { IDC_MONITOR_EXECUTE, IDC_MONITOR_EXECUTE, MoveX | MoveY },
        { IDC_MONITOR_VIEW, IDC_MONITOR_VIEW, SizeX | SizeY },
    };
    for (const Rule& rule : rules)
    {
        for (int id = rule.first; id <= rule.last; ++id)
        {
            HWND control = GetDlgItem(id);
            if (!control || m_resizeCount >= (int)(sizeof(m_resize) / sizeof(m_resize[0])))
                continue;
            ResizeItem& item = m_resize[m_resizeCount++];
            item.id = id;
            item.how = rule.how;
            ::GetWindowRect(control, &item.initial);
            ::MapWindowPoints(NULL, m_hWnd, reinterpret_cast<POINT*>(&item.initial), 2);
        }
    }
}

LRESULT CMonitorLog::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    bHandled = FALSE;
    if (wParam == SIZE_MINIMIZED || m_resizeCount == 0)
        return 0;
    // The size of the template is the smallest the controls are laid out for.
    int dx = (int)LOWORD(lParam) - m_initialSize.cx;
    int dy = (int)HIWORD(lParam) - m_initialSize.cy;
    if (dx < 0)
        dx = 0;
    if (dy < 0)
        dy = 0;
    HDWP defer = ::BeginDeferWindowPos(m_resizeCount);
    for (int i = 0; i < m_resizeCount && defer; ++i)
    {
        const ResizeItem& item = m_resize[i];
        RECT r = item.initial;
        if (item.how & MoveX)
            ::OffsetRect(&r, dx, 0);
        if (item.how & MoveY)
            ::OffsetRect(&r, 0, dy);
        if (item.how & SizeX)
            r.right += dx;
        if (item.how & SizeY)
            r.bottom += dy;
        defer = ::DeferWindowPos(defer, GetDlgItem(item.id), NULL, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (defer)
        ::EndDeferWindowPos(defer);
    ::InvalidateRect(m_hWnd, NULL, TRUE);
    return 0;
}
