// The main frame's ties to its views, the monitor log, the progress and
// restart notices and its modal dialogs.
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "app/AnnouncementDlg.h"
#include "app/CommunicationDlg.h"
#include "app/DateTimeDlg.h"
#include "app/GsmModuleDlg.h"
#include "app/LanguageDlg.h"
#include "app/LoginDlg.h"
#include "app/PasswordDlg.h"
#include "app/ProgressDlg.h"
#include "app/SysInfoDlg.h"
#include "app/WaitDlg.h"
#include "pages/DataTreeItems.h"
#include "pages/GsmCellSelectPage.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "record/ConfigRecord.h"
#include "wcl/WaitCursor.h"
#include <shlwapi.h>
#include <cstring>

CPasswordDlg* g_pPasswordDlg = nullptr;

namespace
{
// A document without a file shows this in the title.
const char kUntitled[] = "untitled";

// The window a dialog that answers the device opens over.
HWND ActiveOwner(HWND frame)
{
    HWND active = ::GetActiveWindow();
    return active ? active : frame;
}
}

HWND CMainFrame::GetTabPageOfKind(int kind) const
{
    switch (kind)
    {
    case TabConfiguration:
        return m_dataView.m_hWnd;
    case TabCommunicationLog:
        return m_commLog;
    case TabMonitorLog:
        return m_monitorLog.m_hWnd;
    case TabDiagnostics:
        return m_diagView.m_hWnd;
    default:
        return NULL;
    }
}

void CMainFrame::CreateViews(HINSTANCE inst)
{
    m_dataView.Create(m_tab);
    if (m_dataView.m_hWnd)
        ::ShowWindow(m_dataView, SW_HIDE);

    m_diagView.Create(m_tab);
    if (m_diagView.m_hWnd)
        ::ShowWindow(m_diagView, SW_HIDE);

    m_monitorLog.Create(m_tab);
    if (m_monitorLog.m_hWnd)
        ::ShowWindow(m_monitorLog, SW_HIDE);
}

// ---------------------------------------------------------------------------
// Configuration document

bool CMainFrame::HasDocument() const
{
    return m_dataView.m_hWnd && m_dataView.HasDocument();
}

const char* CMainFrame::GetDocumentTitle()
{
    if (!HasDocument())
        return nullptr;
    const char* path = m_dataView.GetPath();
    if (!path || !path[0])
        return kUntitled;
    return ::PathFindFileNameA(path);
}

bool CMainFrame::SaveModified()
{
    return !m_dataView.m_hWnd || m_dataView.SaveModified(m_hWnd) != 0;
}

bool CMainFrame::CommitPage()
{
    return !m_dataView.m_hWnd || m_dataView.CommitPage() != 0;
}

void CMainFrame::CloseDocument()
{
    if (m_dataView.m_hWnd)
        m_dataView.CloseDocument();
}

const char* CMainFrame::GetDocumentPath()
{
    return HasDocument() ? m_dataView.GetPath() : nullptr;
}

const void* CMainFrame::GetDocumentRecord()
{
    return HasDocument() ? m_dataView.GetConfigRecord() : nullptr;
}

bool CMainFrame::SaveDocumentFile(const char* path)
{
    return m_dataView.m_hWnd && m_dataView.SaveDocument(path) != 0;
}

bool CMainFrame::OpenDocumentFile(const char* path)
{
    return m_dataView.m_hWnd && m_dataView.OpenDocument(path) != 0;
}

void CMainFrame::AdoptRecord(const BYTE* image)
{
    ConfigRecord* record = m_dataView.GetConfigRecord();
    if (!m_dataView.m_hWnd || !record)
        return;
    memcpy(record, image, sizeof(ConfigRecord));
    m_dataView.AdoptRecord();
    m_dataView.UpdateVoipItem();
    m_dataView.RetitleItems();
    SetTitle(GetDocumentTitle());
}

void CMainFrame::NewDefaultDocument()
{
    if (OpenDocumentFile(nullptr))
        SetTitle(kUntitled);
}

void CMainFrame::OnUploadAccepted()
{
    if (m_dataView.m_hWnd)
        m_dataView.UpdateVoipItem();
}

// ---------------------------------------------------------------------------
// Diagnostics view: its polling follows the link; the answers are copied
// inside the engine's send and reach a page only when it shows their kind.

void CMainFrame::PassDiagnosticsData(int code, int result)
{
    if (m_diagView.m_hWnd)
        m_diagView.TakeDeviceData(code, result, g_DeviceProtocol);
}

void CMainFrame::StopCardsPolling()
{
    if (m_diagView.m_hWnd)
        m_diagView.StopCardsPolling();
}

void CMainFrame::StartCardsPolling()
{
    if (m_diagView.m_hWnd)
        m_diagView.StartCardsPolling();
}

void CMainFrame::ResumeDiagPolling()
{
    CDiagView::ResumePolling();
}

void CMainFrame::SuspendDiagPolling()
{
    CDiagView::SuspendPolling();
}

void CMainFrame::CreateDiagContents()
{
    if (m_diagView.m_hWnd)
        m_diagView.CreateContents(g_PathSettings.SplitterPos2);
}

void CMainFrame::SaveDiagSplitter()
{
    if (m_diagView.m_hWnd)
        g_PathSettings.SplitterPos2 = m_diagView.GetSplitterPos();
}

void CMainFrame::RetranslateDiagView()
{
    if (m_diagView.m_hWnd)
        m_diagView.OnLanguageChanged();
}

// The GSM cell selection page asked for the cells of a module; the answer
// goes to it while it is the page shown.
void CMainFrame::PassCellsToPage(bool ok)
{
    if (m_dataView.GetCurrentId() != CI_GSM_CELLS)
        return;
    if (CGsmCellSelectPage* page = dynamic_cast<CGsmCellSelectPage*>(m_dataView.GetPage()))
        page->OnCellsRead(ok);
}

// ---------------------------------------------------------------------------
// Monitor log

HWND CMainFrame::GetMonitorLogText() const
{
    return const_cast<CMonitorLog&>(m_monitorLog).GetView().m_hWnd;
}

CCommLogCtrl* CMainFrame::GetMonitorLogCtrl()
{
    return m_monitorLog.m_hWnd ? &m_monitorLog.GetView() : nullptr;
}

CCommLogCtrl* CMainFrame::GetLogCtrlOfKind(int kind)
{
    switch (kind)
    {
    case TabCommunicationLog:
        return m_commLog.m_hWnd ? &m_commLog : nullptr;
    case TabMonitorLog:
        return GetMonitorLogCtrl();
    default:
        return nullptr;
    }
}

void CMainFrame::ClearMonitorLog()
{
    m_monitorLog.ClearLog();
}

bool CMainFrame::SaveMonitorLog(const char* path)
{
    return m_monitorLog.SaveLog(path);
}

bool CMainFrame::IsMonitoring() const
{
    return m_monitorLog.IsMonitoring() != 0;
}

void CMainFrame::ResumeMonitoring()
{
    if (IsMonitoring())
        m_monitorLog.MarkResumed();
}

void CMainFrame::StopMonitoringDisplay()
{
    if (IsMonitoring())
        m_monitorLog.SetMonitoring(FALSE);
}

void CMainFrame::ClearMonitorCommand()
{
    m_monitorLog.ClearCommandText();
}

void CMainFrame::PauseMonitoringForOperation()
{
    if (!IsMonitoring())
        return;
    m_monitorLog.MarkTemporaryStop();
    g_DeviceProtocol.SetMonitor(FALSE);
    // The device's answer to the stop comes in meanwhile.
    PumpFor(1000);
}

void CMainFrame::PumpFor(DWORD ms)
{
    const DWORD end = ::GetTickCount() + ms;
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                ::PostQuitMessage((int)msg.wParam);
                return;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        const LONG left = (LONG)(end - ::GetTickCount());
        if (left <= 0)
            return;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)left, QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------------------
// Progress and restart notice

int CMainFrame::RunProgress(int kind)
{
    std::function<void()> cancel;
    switch (kind)
    {
    // Only an operation that still runs is cancelled: the answer to the
    // abort question may come after the device ended it.
    case CProgressDlg::KIND_FIRMWARE:
        cancel = [] {
            int state = g_DeviceProtocol.GetState();
            if (state >= ENGINE_FLASH_START && state <= ENGINE_FLASH_BLOCKS)
                g_DeviceProtocol.CancelFirmwareUpdate(FALSE);
        };
        break;
    case CProgressDlg::KIND_CDR:
        cancel = [] {
            if (g_DeviceProtocol.GetState() == ENGINE_CDR_DOWNLOAD)
                g_DeviceProtocol.CancelCdrDownload();
        };
        break;
    case CProgressDlg::KIND_ANNOUNCEMENT:
        cancel = [] {
            int state = g_DeviceProtocol.GetState();
            if (state == ENGINE_ANNOUNCEMENT_START || state == ENGINE_ANNOUNCEMENT_BLOCKS)
                g_DeviceProtocol.CancelAnnouncementUpdate();
        };
        break;
    default:
        break; // the transfers cancel themselves
    }
    CProgressDlg dlg(kind, 100, cancel);
    m_progress = &dlg;
    SetBusy(true);
    INT_PTR result = dlg.DoModal(m_hWnd);
    m_progress = nullptr;
    SetBusy(false);
    return (int)result;
}

void CMainFrame::ShowProgress(int percent)
{
    if (m_progress)
        m_progress->SetProgress(percent);
}

void CMainFrame::EndProgress()
{
    if (m_progress)
        m_progress->Close();
}

void CMainFrame::CompleteCdrProgress()
{
    if (m_progress)
        m_progress->SetProgress(100);
}

int CMainFrame::CloseCdrExportFile()
{
    CCdrExportFile& file = g_DeviceProtocol.GetCdrExportFile();
    int error = (int)file.GetErrorCode();
    file.Close();
    return error;
}

void CMainFrame::EndNotice()
{
    if (m_notice)
        m_notice->Close();
}

void CMainFrame::RunRestartNotice()
{
    if (m_notice)
    {
        // Already on screen: the text is set again; its modal loop goes on.
        m_notice->SetText("strNotifyRestart");
        return;
    }
    CWaitDlg notice("strNotifyRestart");
    m_notice = &notice;
    notice.DoModal(m_hWnd);
    m_notice = nullptr;
}

// ---------------------------------------------------------------------------
// Dialogs

bool CMainFrame::RunLoginDialog(char* password, int size)
{
    CLoginDlg dlg;
    if (dlg.DoModal(ActiveOwner(m_hWnd)) != IDOK)
        return false;
    CopyText(password, (size_t)size, dlg.m_password);
    return true;
}

bool CMainFrame::RunCommunicationDialog(bool fromMenu)
{
    CCommunicationDlg dlg(g_Settings.ComMode, g_Settings.VirtualComPort, g_Settings.TcpAddress, g_Settings.TcpPort);
    if (dlg.DoModal(fromMenu ? m_hWnd : ActiveOwner(m_hWnd)) != IDOK)
        return false;
    if (dlg.m_linkMode == g_Settings.ComMode && strcmp(dlg.m_portName, g_Settings.VirtualComPort) == 0 &&
        strcmp(dlg.m_tcpAddress, g_Settings.TcpAddress) == 0 && dlg.m_tcpPort == g_Settings.TcpPort)
        return false;
    g_Settings.ComMode = dlg.m_linkMode;
    CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), dlg.m_portName);
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), dlg.m_tcpAddress);
    g_Settings.TcpPort = dlg.m_tcpPort;
    g_Settings.Save();
    UpdateStatusBar();
    return true;
}

void CMainFrame::ShowLinkError()
{
    ShowTcpError();
}

void CMainFrame::RunSystemInfoDialog()
{
    CSysInfoDlg dlg(SysInfoData::FromEngine(g_DeviceProtocol));
    dlg.DoModal(ActiveOwner(m_hWnd));
}

void CMainFrame::RunDateTimeDialog()
{
    CDateTimeDlg dlg;
    dlg.LoadFromEngine(g_DeviceProtocol);
    if (dlg.DoModal(ActiveOwner(m_hWnd)) == IDOK)
        g_DeviceProtocol.SetDateTime(&dlg.GetTime());
}

void CMainFrame::RunModuleInfoDialog()
{
    CGsmModuleInfoDlg dlg(GsmModuleInfoData::FromEngine(g_DeviceProtocol, g_DeviceProtocol.GetLastModule()));
    dlg.DoModal(ActiveOwner(m_hWnd));
}

bool CMainFrame::IsPasswordDialogOpen() const
{
    return g_pPasswordDlg != nullptr;
}

void CMainFrame::CancelPasswordDialog()
{
    if (g_pPasswordDlg)
        g_pPasswordDlg->Abandon();
}

void CMainFrame::TellPasswordDialog(int result)
{
    if (!g_pPasswordDlg)
        return;
    if (result == ENGINE_RESULT_OK)
        g_pPasswordDlg->OnChangeDone();
    else
        g_pPasswordDlg->OnChangeFailed(result, g_DeviceProtocol.GetCauseText());
}

LRESULT CMainFrame::OnLanguage(WORD, WORD, HWND, BOOL&)
{
    CLanguageDlg dlg(g_Settings.Language);
    if (dlg.DoModal(m_hWnd) != IDOK || dlg.m_language == g_Settings.Language)
        return 0;
    // A language file that cannot be used must not become the setting: the
    // program would be left without texts now and could not start next time.
    if (!g_Language.SelectLanguage((int)dlg.m_language))
    {
        g_Language.SelectLanguage((int)g_Settings.Language);
        return 0;
    }
    g_Settings.Language = dlg.m_language;
    g_Settings.Save();
    ApplyLanguage();
    return 0;
}

LRESULT CMainFrame::OnPassword(WORD, WORD, HWND, BOOL&)
{
    CPasswordDlg dlg;
    g_pPasswordDlg = &dlg;
    if (dlg.DoModal(m_hWnd) == IDOK)
        g_DeviceProtocol.SetPassword(dlg.m_newPassword);
    g_pPasswordDlg = nullptr;
    return 0;
}

LRESULT CMainFrame::OnModuleReset(WORD, WORD, HWND, BOOL&)
{
    char caption[MAX_PATH] = "";
    g_Language.GetString("strGsmModuleReset", caption, sizeof(caption));
    CGsmModuleResetDlg dlg(m_lastGsmModule, caption);
    if (dlg.DoModal(m_hWnd) != IDOK)
        return 0;
    m_lastGsmModule = dlg.GetIndex();
    g_DeviceProtocol.ResetGsmModule(m_lastGsmModule);
    return 0;
}

LRESULT CMainFrame::OnAbout(WORD, WORD, HWND, BOOL&)
{
    CAboutDlg dlg;
    dlg.DoModal(m_hWnd);
    return 0;
}

// ---------------------------------------------------------------------------
// Closing

LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // The save question comes first: Cancel leaves the device as it was.
    if (!SaveModified())
        return 0;
    if (IsMonitoring())
        g_DeviceProtocol.SetMonitor(FALSE);
    ShowWaitCursor(); // the window goes: nothing to come back to
    CommClose();
    if (m_dataView.m_hWnd)
        g_PathSettings.SplitterPos1 = m_dataView.GetSplitterPos();
    SaveDiagSplitter();
    Capture(m_hWnd, m_rebar, m_statusBar);
    Save();
    bHandled = FALSE;
    return 0;
}

BOOL CMainFrame::RouteToViews(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)
{
    if (uMsg != WM_COMMAND)
        return FALSE;
    // F6 switches the panes of the view that is shown.
    if (GetCurrentTabKind() == TabDiagnostics && m_diagView.m_hWnd)
        return m_diagView.ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, 1);
    if (!m_dataView.m_hWnd)
        return FALSE;
    return m_dataView.ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, 1);
}
