// The main frame's commands: documents, device operations, logs and tabs.
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/DiskFile.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "app/AnnouncementDlg.h"
#include "app/ProgressDlg.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "comm/UsbPort.h"
#include "wcl/WaitCursor.h"
#include <shellapi.h>
#include <dbt.h>
#include <cstring>

namespace
{
// A language filter text whose '|' separate the strings, as the file
// dialogs want them (double zero at the end).
void LoadFilter(const char* key, char* buf, size_t size)
{
    g_Language.GetString(key, buf, size - 2);
    size_t len = strlen(buf);
    for (size_t i = 0; i < len; ++i)
        if (buf[i] == '|')
            buf[i] = 0;
    buf[len] = 0;
    buf[len + 1] = 0;
}

// The folder of path with its trailing backslash.
struct FileDialog
{
    OPENFILENAMEA ofn;
    char file[MAX_PATH];
    char filter[512];
    char title[128];

    FileDialog(HWND owner, const char* titleKey, const char* filterKey, DWORD filterIndex, const char* folder)
    {
        memset(&ofn, 0, sizeof(ofn));
        file[0] = 0;
        LoadFilter(filterKey, filter, sizeof(filter));
        g_Language.GetString(titleKey, title, sizeof(title));
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter;
        ofn.nFilterIndex = filterIndex;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof(file);
        ofn.lpstrInitialDir = folder && folder[0] ? folder : nullptr;
        ofn.lpstrTitle = title;
    }
};

// The type and the folder chosen in a data file dialog are what the next one
// offers, whether or not the file could be used.
void RememberDataFileChoice(const FileDialog& dlg)
{
    g_PathSettings.OpenSaveFilterData = dlg.ofn.nFilterIndex;
    FolderOfFile(dlg.file, g_PathSettings.BrowsePathData, sizeof(g_PathSettings.BrowsePathData));
}
}

// ---------------------------------------------------------------------------
// Documents

LRESULT CMainFrame::OnFileNew(WORD, WORD, HWND, BOOL&)
{
    if (SaveModified())
        NewDefaultDocument();
    return 0;
}

LRESULT CMainFrame::OnFileOpen(WORD, WORD, HWND, BOOL&)
{
    if (!SaveModified())
        return 0;
    FileDialog dlg(m_hWnd, "strDataOpen", "strDataOpenSaveFilter", g_PathSettings.OpenSaveFilterData,
                   g_PathSettings.BrowsePathData);
    dlg.ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING |
                    OFN_EXPLORER;
    if (!::GetOpenFileNameA(&dlg.ofn))
        return 0;
    if (OpenDocumentFile(dlg.file))
        ShowAsRecentDocument(dlg.file);
    RememberDataFileChoice(dlg);
    return 0;
}

LRESULT CMainFrame::OnFileClose(WORD, WORD, HWND, BOOL&)
{
    if (!SaveModified())
        return 0;
    CloseDocument();
    SetTitle(nullptr);
    return 0;
}

void CMainFrame::ShowAsRecentDocument(const char* path)
{
    m_recent.AddToList(path);
    WriteRecentList();
    SetTitle(GetDocumentTitle());
}

LRESULT CMainFrame::OnRecentFile(WORD, WORD id, HWND, BOOL&)
{
    if (!SaveModified())
        return 0;
    char path[MAX_PATH] = "";
    if (!m_recent.GetFromList(id, path, sizeof(path)))
        return 0;
    bool opened = OpenDocumentFile(path);
    if (opened)
        m_recent.MoveToTop(id);
    else
        m_recent.RemoveFromList(id);
    WriteRecentList();
    if (opened)
        SetTitle(GetDocumentTitle());
    return 0;
}

LRESULT CMainFrame::OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    HDROP drop = (HDROP)wParam;
    char path[MAX_PATH] = "";
    if (SaveModified() && ::DragQueryFileA(drop, 0, path, sizeof(path)) > 0 && OpenDocumentFile(path))
        ShowAsRecentDocument(path);
    ::DragFinish(drop);
    return 0;
}

// ---------------------------------------------------------------------------
// Device transfers

LRESULT CMainFrame::OnDownload(WORD code, WORD, HWND, BOOL&)
{
    if (code != kSecondPhaseCode)
    {
        if (SaveModified() && g_DeviceProtocol.QueryVersion())
            m_pendingDownload = true;
        return 0;
    }
    if (!CheckDataVersion(false))
        return 0;
    if (g_DeviceProtocol.StartDataDownload())
        RunProgress(CProgressDlg::KIND_DOWNLOAD);
    return 0;
}

LRESULT CMainFrame::OnUpload(WORD code, WORD id, HWND, BOOL&)
{
    const bool withoutNetwork = id == ID_FILE_UPLOAD_WITHOUT_NETWORK;
    if (code != kSecondPhaseCode)
    {
        if (!CommitPageOrShowIt())
            return 0;
        if (g_DeviceProtocol.QueryVersion())
            (withoutNetwork ? m_pendingUploadWithoutNetwork : m_pendingUpload) = true;
        return 0;
    }
    if (!CheckDataVersion(true))
        return 0;
    PauseMonitoringForOperation();
    const void* record = GetDocumentRecord();
    if (record && g_DeviceProtocol.StartDataUpload(record, withoutNetwork))
        RunProgress(CProgressDlg::KIND_UPLOAD);
    return 0;
}

// ---------------------------------------------------------------------------
// Connection

void CMainFrame::ConnectNow()
{
    ShowWaitCursor();
    SendMessage(WMU_ENSURE_LOGIN, ENSURE_LINK, 0);
    if (CommState() == LINK_CONNECTING)
    {
        m_tcpConnecting = true;
        ShowStartingCursor();
    }
    else
    {
        m_tcpConnecting = false;
        ShowArrowCursor();
    }
    ResumeDiagPolling();
}

LRESULT CMainFrame::OnConnect(WORD, WORD, HWND, BOOL&)
{
    ConnectNow();
    return 0;
}

LRESULT CMainFrame::OnDisconnect(WORD, WORD, HWND, BOOL&)
{
    {
        CWaitCursor wait;
        if (g_Settings.ComMode == LINK_SERIAL)
            CommSuspend();
        else if (g_Settings.ComMode == LINK_TCP)
            TcpClose();
    }
    m_tcpConnecting = false;
    SuspendDiagPolling();
    UpdateStatusBar();
    return 0;
}

LRESULT CMainFrame::OnCommunicationSettings(WORD, WORD, HWND, BOOL&)
{
    if (!RunCommunicationDialog(true))
        return 0;
    CommClose();
    SetBusy(true);
    WaitForLinkState(LINK_CLOSED, false);
    SetBusy(false);
    ConnectNow();
    return 0;
}

// ---------------------------------------------------------------------------
// Device requests

LRESULT CMainFrame::OnDateTime(WORD, WORD, HWND, BOOL&)
{
    g_DeviceProtocol.GetDateTime();
    return 0;
}

LRESULT CMainFrame::OnSysInfo(WORD, WORD, HWND, BOOL&)
{
    g_DeviceProtocol.GetSystemInfo();
    return 0;
}

LRESULT CMainFrame::OnReset(WORD, WORD, HWND, BOOL&)
{
    PauseMonitoringForOperation();
    g_DeviceProtocol.ResetDevice();
    return 0;
}

// ---------------------------------------------------------------------------
// Tabs, bars, help

LRESULT CMainFrame::OnHelp(WORD, WORD, HWND, BOOL&)
{
    g_Language.ShowHelp(m_hWnd);
    return 0;
}

bool CMainFrame::CommitPageOrShowIt()
{
    if (CommitPage())
        return true;
    int index = FindTab(TabConfiguration);
    if (index >= 0 && TabCtrl_GetCurSel(m_tab) != index)
        SelectTab(index);
    return false;
}

LRESULT CMainFrame::OnFileSave(WORD, WORD id, HWND, BOOL&)
{
    if (!HasDocument() || !CommitPageOrShowIt())
        return 0;
    const char* current = GetDocumentPath();
    if (id == ID_FILE_SAVE && current && current[0])
    {
        SaveDocumentFile(current);
        return 0;
    }
    FileDialog dlg(m_hWnd, "strDataSave", "strDataOpenSaveFilter", g_PathSettings.OpenSaveFilterData,
                   g_PathSettings.BrowsePathData);
    if (current)
        CopyText(dlg.file, sizeof(dlg.file), current);
    dlg.ofn.lpstrDefExt = "CFG";
    dlg.ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    OFN_ENABLESIZING | OFN_EXPLORER;
    if (!::GetSaveFileNameA(&dlg.ofn))
        return 0;
    if (SaveDocumentFile(dlg.file))
        ShowAsRecentDocument(dlg.file);
    RememberDataFileChoice(dlg);
    return 0;
}

// ---------------------------------------------------------------------------
// Logs

HWND CMainFrame::GetShownLog() const
{
    switch (GetCurrentTabKind())
    {
    case TabCommunicationLog:
        return m_commLog;
    case TabMonitorLog:
        return GetMonitorLogText();
    default:
        return NULL;
    }
}

LRESULT CMainFrame::OnLogCommand(WORD, WORD id, HWND, BOOL&)
{
    HWND log = GetShownLog();
    if (!log)
        return 0;
    switch (id)
    {
    case ID_EDIT_COPY:
        ::SendMessage(log, WM_COPY, 0, 0);
        break;
    case ID_EDIT_SELECT_ALL:
    {
        CHARRANGE all = { 0, -1 };
        ::SendMessage(log, EM_EXSETSEL, 0, (LPARAM)&all);
        break;
    }
    case ID_EDIT_CLEAR:
        if (GetCurrentTabKind() == TabMonitorLog)
            ClearMonitorLog();
        else
            ::SetWindowTextA(log, "");
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CMainFrame::OnLogSave(WORD, WORD, HWND, BOOL&)
{
    int kind = GetCurrentTabKind();
    if (kind != TabCommunicationLog && kind != TabMonitorLog)
        return 0;
    FileDialog dlg(m_hWnd, kind == TabCommunicationLog ? "strLogSave" : "strMonitorSaveLog", "strLogSaveFilter",
                   g_PathSettings.OpenSaveFilterLog, g_PathSettings.BrowsePathLog);
    dlg.ofn.lpstrDefExt = "TXT";
    dlg.ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    OFN_ENABLESIZING | OFN_EXPLORER;
    if (!::GetSaveFileNameA(&dlg.ofn))
        return 0;
    bool saved = kind == TabCommunicationLog ? m_commLog.SaveToFile(dlg.file, FALSE) != 0
                                             : SaveMonitorLog(dlg.file);
    // A log that could not be written must not look saved.
    if (!saved)
        g_Language.MessageBoxKeyFormat("strLogSaveError", "strError", MB_ICONEXCLAMATION | MB_OK, dlg.file);
    g_PathSettings.OpenSaveFilterLog = dlg.ofn.nFilterIndex;
    FolderOfFile(dlg.file, g_PathSettings.BrowsePathLog, sizeof(g_PathSettings.BrowsePathLog));
    return 0;
}

LRESULT CMainFrame::OnFind(WORD, WORD, HWND, BOOL&)
{
    if (m_findDlg && ::IsWindow(m_findDlg))
    {
        ::SetFocus(m_findDlg);
        return 0;
    }
    memset(&m_findData, 0, sizeof(m_findData));
    m_findData.lStructSize = sizeof(m_findData);
    m_findData.hwndOwner = m_hWnd;
    m_findData.lpstrFindWhat = m_findText;
    m_findData.wFindWhatLen = sizeof(m_findText);
    m_findData.Flags = FR_DOWN | FR_HIDEUPDOWN | ((m_findFlags & 1) ? FR_MATCHCASE : 0) |
                       ((m_findFlags & 2) ? FR_WHOLEWORD : 0);
    m_findDlg = ::FindTextA(&m_findData);
    if (m_findDlg)
        ::ShowWindow(m_findDlg, SW_SHOW);
    return 0;
}

LRESULT CMainFrame::OnFindNext(WORD code, WORD id, HWND ctl, BOOL& handled)
{
    if (!m_findText[0])
        return OnFind(code, id, ctl, handled);
    SearchShownLog();
    return 0;
}

void CMainFrame::SearchShownLog()
{
    if (!m_findText[0])
        return;
    if (CCommLogCtrl* ctrl = GetLogCtrlOfKind(GetCurrentTabKind()))
        ctrl->Find(m_findText, (m_findFlags & 1) != 0, (m_findFlags & 2) != 0);
}

LRESULT CMainFrame::OnFindMessage(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    FINDREPLACEA* fr = (FINDREPLACEA*)lParam;
    if (fr->Flags & FR_DIALOGTERM)
    {
        m_findDlg = NULL;
        return 0;
    }
    if (GetCurrentTabKind() == TabConfiguration)
    {
        if (m_findDlg)
            ::SendMessage(m_findDlg, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (fr->Flags & FR_FINDNEXT)
    {
        CopyText(m_findText, sizeof(m_findText), fr->lpstrFindWhat);
        m_findFlags = ((fr->Flags & FR_MATCHCASE) ? 1 : 0) | ((fr->Flags & FR_WHOLEWORD) ? 2 : 0);
        SearchShownLog();
    }
    return 0;
}

LRESULT CMainFrame::OnContextMenu(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    HWND log = GetShownLog();
    if (!log)
    {
        bHandled = FALSE;
        return 0;
    }
    POINT pt = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
    if (pt.x == -1 && pt.y == -1)
    {
        pt.x = pt.y = 1;
        ::ClientToScreen(log, &pt);
    }
    RECT rc;
    ::GetWindowRect(log, &rc);
    if (!::PtInRect(&rc, pt))
    {
        bHandled = FALSE;
        return 0;
    }
    HMENU menu = ::LoadMenuA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(IDR_CONTEXTMENU));
    if (!menu)
        return 0;
    HMENU popup = ::GetSubMenu(menu, 0);
    g_Language.TranslatePopupMenu(popup);
    // The popup shows the same states as the menu bar.
    UIUpdateMenuBar(popup, true);
    m_cmdBar.TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y);
    ::DestroyMenu(menu);
    return 0;
}

// ---------------------------------------------------------------------------
// Device arrival and removal

LRESULT CMainFrame::OnDeviceChange(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    CCommLogCtrl* log = m_commLog.m_hWnd ? &m_commLog : nullptr;
    if (log)
        log->AddTextFormat("WM_DEVICECHANGED: %#x %#x", LOG_MAGENTA, (unsigned)wParam, (unsigned)lParam);
    // Only these events carry a device broadcast structure in lParam.
    bool carriesHeader = wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE ||
                         wParam == DBT_DEVICEQUERYREMOVE || wParam == DBT_DEVICEQUERYREMOVEFAILED ||
                         wParam == DBT_DEVICEREMOVEPENDING || wParam == DBT_DEVICETYPESPECIFIC ||
                         wParam == DBT_CUSTOMEVENT;
    if (!carriesHeader || !lParam)
        return TRUE;
    const DEV_BROADCAST_HDR* header = (const DEV_BROADCAST_HDR*)lParam;
    if (log)
        log->AddTextFormat("Device type: %d", LOG_MAGENTA, (int)header->dbch_devicetype);
    if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
        header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE)
    {
        const DEV_BROADCAST_DEVICEINTERFACE_A* iface = (const DEV_BROADCAST_DEVICEINTERFACE_A*)lParam;
        if (log)
            log->AddTextFormat("Device interface name: %s", LOG_MAGENTA, iface->dbcc_name);
        OnUsbDeviceChange(iface->dbcc_name, wParam == DBT_DEVICEARRIVAL ? 1 : 2);
        UpdateStatusBar();
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// Service operations with files: firmware, announcement, CDR export. Each
// file is closed on every way out that starts no operation.

namespace
{
void FirmwareFileError(const char* detailKey)
{
    char detail[256] = "";
    if (detailKey)
        g_Language.GetString(detailKey, detail, sizeof(detail));
    g_Language.MessageBoxKeyFormat("strFlashWriteFileError", "strError", MB_ICONEXCLAMATION | MB_OK, detail);
}

void AnnouncementFileError(const char* detailKey)
{
    char detail[256] = "";
    g_Language.GetString(detailKey, detail, sizeof(detail));
    g_Language.MessageBoxKeyFormat("strAnnouncementFileError", "strError", MB_ICONEXCLAMATION | MB_OK, detail);
}

// Whether a file of that name is there, also one another program holds open
// without sharing (which a probe that opens the file would call missing).
bool FileIsThere(const char* path)
{
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}

// The opened firmware file against the device: its blocks, address ranges and
// identification; false when the user was told why not, or said no.
bool CMainFrame::CheckFirmwareFile(CLmfFile& file)
{
    int loaded = file.Load();
    if (loaded != LMF_LOAD_OK)
    {
        FirmwareFileError(loaded == LMF_LOAD_EMPTY    ? "strFlashWriteFileErrorEmpty"
                          : loaded == LMF_LOAD_FORMAT ? "strFlashWriteFileErrorFormat"
                                                      : nullptr);
        return false;
    }
    DWORD start = 0, size = 0;
    if (!file.CheckAddressSpace(&start, &size) && g_Settings.CheckFirmwareAddrSpace)
    {
        g_Language.MessageBoxKey("strFlashWriteFileErrorAddrSpace", "strError", MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    char version[64] = "";
    if (!file.CheckIdentification(version))
    {
        // Only reached while the identification is required.
        g_Language.MessageBoxKey("strFlashWriteFileErrorVersion", "strError", MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    // Asked also when the file names no version (identification not
    // required): writing firmware is never done without a Yes.
    if (!version[0])
        g_Language.GetString("strFlashWriteVersionUnknown", version, sizeof(version));
    if (g_Language.MessageBoxKeyFormat("strFlashWriteFileVersion", "strFlashWrite", MB_ICONEXCLAMATION | MB_YESNO,
                                       version) != IDYES)
        return false;
    return true;
}

LRESULT CMainFrame::OnWriteFirmware(WORD, WORD, HWND, BOOL&)
{
    m_firmwareWriting = true;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), g_PathSettings.LastFlashWriteFile);
    if (!g_DeviceProtocol.SelectFirmwareFile(path, sizeof(path)))
    {
        m_firmwareWriting = false;
        return 0;
    }
    CopyText(g_PathSettings.LastFlashWriteFile, sizeof(g_PathSettings.LastFlashWriteFile), path);

    CLmfFile& file = g_DeviceProtocol.GetLmfFile();
    if (!file.Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING))
    {
        FirmwareFileError(FileIsThere(path) ? "strFlashWriteFileErrorOpen" : "strFlashWriteFileErrorNoFile");
        m_firmwareWriting = false;
        return 0;
    }
    file.SetIdBlockRequired(g_Settings.CheckFirmwareVersion != 0);
    if (!CheckFirmwareFile(file))
    {
        file.Close();
        m_firmwareWriting = false;
        return 0;
    }

    PauseMonitoringForOperation();
    m_monitorLog.SetMonitoring(FALSE);
    file.ResetProgress();
    if (!g_DeviceProtocol.StartFirmwareUpdate())
    {
        file.Close();
        m_firmwareWriting = false;
        return 0;
    }
    RunProgress(CProgressDlg::KIND_FIRMWARE);
    file.Close();
    return 0;
}

LRESULT CMainFrame::OnLoadAnnouncement(WORD, WORD, HWND, BOOL&)
{
    CAnnouncementDlg typeDlg(0);
    if (typeDlg.DoModal(m_hWnd) == IDCANCEL)
        return 0;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), g_PathSettings.LastAnnouncementFile);
    if (!g_DeviceProtocol.SelectAnnouncementFile(path, sizeof(path)))
        return 0;
    CopyText(g_PathSettings.LastAnnouncementFile, sizeof(g_PathSettings.LastAnnouncementFile), path);

    CWaveFile& file = g_DeviceProtocol.GetWaveFile();
    if (!file.Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING))
    {
        AnnouncementFileError(FileIsThere(path) ? "strAnnouncementFileErrorOpen" : "strAnnouncementFileErrorNoFile");
        return 0;
    }
    static const char* const kCheckKeys[] = { nullptr, "strAnnouncementFileErrorOpen",
                                              "strAnnouncementFileErrorEmpty", "strAnnouncementFileErrorTooBig",
                                              "strAnnouncementFileErrorFormat" };
    int check = file.Open();
    if (check != WAVE_OK)
    {
        if (check > 0 && check < (int)(sizeof(kCheckKeys) / sizeof(kCheckKeys[0])))
            AnnouncementFileError(kCheckKeys[check]);
        file.Close();
        return 0;
    }
    if (g_DeviceProtocol.StartAnnouncementUpdate(typeDlg.GetIndex()))
        RunProgress(CProgressDlg::KIND_ANNOUNCEMENT);
    file.Close();
    return 0;
}

LRESULT CMainFrame::OnDownloadCdr(WORD, WORD, HWND, BOOL&)
{
    char folder[MAX_PATH];
    CopyText(folder, sizeof(folder), g_PathSettings.BrowsePathCdr);
    size_t len = strlen(folder);
    if (len > 0 && folder[len - 1] != '\\' && len + 1 < sizeof(folder))
        CopyText(folder + len, sizeof(folder) - len, "\\");

    FileDialog dlg(m_hWnd, "strCdrSave", "strCdrSaveFilter", g_PathSettings.OpenSaveFilterCdr, folder);
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    char proposed[MAX_PATH] = "";
    CCdrExportFile::ProposeFileName(folder, g_PathSettings.OpenSaveFilterCdr, today, proposed, sizeof(proposed));
    // The dialog proposes the name alone; its folder is the initial one.
    const char* name = strrchr(proposed, '\\');
    CopyText(dlg.file, sizeof(dlg.file), name ? name + 1 : proposed);
    char* dot = strrchr(dlg.file, '.');
    if (dot)
        *dot = 0;
    dlg.ofn.lpstrDefExt = "CSV";
    // An existing export is not replaced without asking.
    dlg.ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    OFN_ENABLESIZING | OFN_EXPLORER;
    if (!::GetSaveFileNameA(&dlg.ofn))
        return 0;

    CCdrExportFile& file = g_DeviceProtocol.GetCdrExportFile();
    if (!file.Open(dlg.file, DISKFILE_WRITE | DISKFILE_CREATE))
    {
        g_Language.MessageBoxKey("strCdrSaveError", "strError", MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    file.SetFormat(dlg.ofn.nFilterIndex);
    file.BeginExport();
    g_PathSettings.OpenSaveFilterCdr = dlg.ofn.nFilterIndex;
    FolderOfFile(dlg.file, g_PathSettings.BrowsePathCdr, sizeof(g_PathSettings.BrowsePathCdr));
    if (g_DeviceProtocol.StartCdrDownload(FALSE))
        RunProgress(CProgressDlg::KIND_CDR);
    // Closed whether or not the download started: the file must not stay locked.
    file.Close();
    return 0;
}
