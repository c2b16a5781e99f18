// The main frame's ties to its views, the monitor log and its dialogs.
#include "app/MainFrame.h"
#include "app/AppSettings.h"
#include "app/PathSettings.h"
#include "app/Language.h"
#include "app/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include <cstring>

HWND CMainFrame::GetTabPageOfKind(int kind) const
{
    switch (kind)
    {
    case TabCommunicationLog:
        return m_commLog;
    case TabMonitorLog:
        return GetMonitorLogText();
    default:
        return NULL;
    }
}

// ---------------------------------------------------------------------------
// Configuration document

bool CMainFrame::HasDocument() const { return false; }
const char* CMainFrame::GetDocumentTitle() { return nullptr; }
bool CMainFrame::SaveModified() { return true; }
bool CMainFrame::CommitPage() { return true; }
void CMainFrame::CloseDocument() {}
const char* CMainFrame::GetDocumentPath() { return nullptr; }
const void* CMainFrame::GetDocumentRecord() { return nullptr; }
bool CMainFrame::SaveDocumentFile(const char*) { return false; }
bool CMainFrame::OpenDocumentFile(const char*) { return false; }
void CMainFrame::AdoptRecord(const BYTE*) {}
void CMainFrame::NewDefaultDocument() {}
void CMainFrame::OnUploadAccepted() {}

// ---------------------------------------------------------------------------
// Diagnostics view

void CMainFrame::PassDiagnosticsData(int, int) {}
void CMainFrame::StopCardsPolling() {}
void CMainFrame::StartCardsPolling() {}
void CMainFrame::ResumeDiagPolling() {}
void CMainFrame::SuspendDiagPolling() {}
void CMainFrame::PassCellsToPage(bool) {}

// ---------------------------------------------------------------------------
// Monitor log

HWND CMainFrame::GetMonitorLogText() const { return NULL; }
CCommLogCtrl* CMainFrame::GetMonitorLogCtrl() { return nullptr; }
void CMainFrame::ClearMonitorLog() {}
bool CMainFrame::SaveMonitorLog(const char*) { return false; }
bool CMainFrame::IsMonitoring() const { return false; }
void CMainFrame::ResumeMonitoring() {}
void CMainFrame::StopMonitoringDisplay() {}
void CMainFrame::ClearMonitorCommand() {}
void CMainFrame::PauseMonitoringForOperation() {}

// ---------------------------------------------------------------------------
// Progress and restart notice

int CMainFrame::RunProgress(int, bool) { return 0; }
void CMainFrame::ShowProgress(int) {}
void CMainFrame::EndProgress() {}
void CMainFrame::CompleteCdrProgress() {}
void CMainFrame::EndNotice() {}
void CMainFrame::RunRestartNotice() {}
int CMainFrame::CloseCdrExportFile() { return 0; }

// ---------------------------------------------------------------------------
// Dialogs

bool CMainFrame::RunLoginDialog(char*, int) { return false; }
bool CMainFrame::RunCommunicationDialog(bool) { return false; }
void CMainFrame::ShowLinkError() { ShowTcpError(); }
void CMainFrame::RunSystemInfoDialog() {}
void CMainFrame::RunDateTimeDialog() {}
void CMainFrame::RunModuleInfoDialog() {}
bool CMainFrame::IsPasswordDialogOpen() const { return false; }
void CMainFrame::CancelPasswordDialog() {}
void CMainFrame::TellPasswordDialog(int) {}

LRESULT CMainFrame::OnLanguage(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnPassword(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnWriteFirmware(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnModuleReset(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnLoadAnnouncement(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnDownloadCdr(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainFrame::OnAbout(WORD, WORD, HWND, BOOL&) { return 0; }

// ---------------------------------------------------------------------------
// Closing

LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // The save question comes first: Cancel leaves the device as it was.
    if (!SaveModified())
        return 0;
    if (IsMonitoring())
        g_DeviceProtocol.SetMonitor(FALSE);
    ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
    CommClose();
    Capture(m_hWnd, m_rebar, m_statusBar);
    Save();
    bHandled = FALSE;
    return 0;
}

BOOL CMainFrame::RouteToViews(HWND, UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}
