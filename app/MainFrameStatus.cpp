// The main frame's side of the engine: received frames, the link and login
// requests, and every status the engine reports.
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "app/LoginDlg.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "record/ConfigRecord.h"
#include "wcl/WaitCursor.h"
#include <cstring>

namespace
{
// Keeps "strFlashNoFirmware" from being shown twice at once.
bool g_noFirmwareBoxUp = false;

void ErrorBox(const char* key, UINT icon = MB_ICONEXCLAMATION)
{
    g_Language.MessageBoxKey(key, "strError", icon | MB_OK);
}

void ErrorBoxWithCause(const char* key)
{
    g_Language.MessageBoxKeyFormat(key, "strError", MB_ICONEXCLAMATION | MB_OK, g_DeviceProtocol.GetCauseText());
}
}

LRESULT CMainFrame::OnFrameReceived(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    g_DeviceProtocol.OnMessage(reinterpret_cast<CDeviceMessage*>(wParam), (int)lParam);
    return 0;
}

bool CMainFrame::IsLinkConfigured() const
{
    if (g_Settings.ComMode == LINK_SERIAL)
        return g_Settings.VirtualComPort[0] != 0;
    if (g_Settings.ComMode == LINK_TCP)
        return g_Settings.TcpAddress[0] != 0 && g_Settings.TcpPort >= 1 && g_Settings.TcpPort <= 65535;
    return true;
}

bool CMainFrame::WaitForLinkState(int target, bool refreshStatus)
{
    for (int i = 0; i < 20; ++i)
    {
        if (refreshStatus)
            UpdateStatusBar();
        if (CommState() == target)
            return true;
        ::Sleep(100);
    }
    return CommState() == target;
}

LRESULT CMainFrame::OnEnsureLink(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    OnIdle();
    const bool busyWait = lParam != 0;
    if (wParam == ENSURE_ASK_PASSWORD)
    {
        if (m_busy)
            SetBusy(false);
        char password[33] = "";
        if (!RunLoginDialog(password, sizeof(password)))
        {
            g_Language.MessageBoxKey("strLoginStop", "strLoginError", MB_ICONSTOP | MB_OK);
            return 0;
        }
        g_DeviceProtocol.SetPassword(password);
        return 1;
    }
    if (wParam != ENSURE_LINK)
        return 0;

    // A link the user refused stays closed, and the diagnostics stay quiet
    // with it, until the user connects again.
    if (CommState() == 0 && m_connectBlocked)
        return 0;
    ResumeDiagPolling();
    if (CommState() != LINK_CLOSED)
        return 1;
    // A request from a diagnostics timer may arrive while a connect attempt
    // of this very function waits: that attempt answers for it.
    if (m_connecting)
        return 0;
    m_connecting = true;
    if (!IsLinkConfigured())
        RunCommunicationDialog(false);
    if (!CommInit(m_hWnd, 0))
    {
        m_connecting = false;
        return 0;
    }
    if (busyWait)
        SetBusy(true);
    WaitForLinkState(LINK_CONNECTED, true);
    if (busyWait)
        SetBusy(false);
    int state = CommState();
    LRESULT result = 0;
    if (state == LINK_CONNECTED)
    {
        result = 1;
    }
    else if (busyWait && state == LINK_CONNECTING)
    {
        // A TCP connection is still being made: wait for its end, looking
        // once a second, with the frame disabled.
        SetBusy(true);
        CLoginWaitDlg wait;
        wait.DoModal(m_hWnd);
        SetBusy(false);
        if (CommState() == LINK_CONNECTED)
            result = 1;
        else
            ShowLinkError();
    }
    m_connecting = false;
    return result;
}

void CMainFrame::ClearPendings()
{
    m_pendingDownload = m_pendingUpload = m_pendingUploadWithoutNetwork = false;
}

LRESULT CMainFrame::OnEngineStatus(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    const int code = (int)wParam;
    const int result = (int)lParam;
    switch (code)
    {
    case ENGINE_STATUS_RESET_SENT:
        if (result == ENGINE_RESULT_LOGIN_REFUSED)
        {
            SetBusy(false);
            EndNotice();
            break;
        }
        // The reset was accepted: the device restarts.
        [[fallthrough]];
    case ENGINE_STATUS_LOADER_RESTARTED:
        SetBusy(false);
        ClearPendings();
        CancelPasswordDialog();
        SetBusy(true);
        RunRestartNotice();
        break;
    case ENGINE_STATUS_RESET_REFUSED:
        SetBusy(false);
        EndNotice();
        if (result == ENGINE_RESULT_NEGATIVE)
            ErrorBoxWithCause("strErrorResponse");
        ResumeMonitoring();
        break;
    case ENGINE_STATUS_FIRMWARE_RUNNING:
        SetBusy(false);
        EndNotice();
        CancelPasswordDialog();
        ClearPendings();
        ResumeMonitoring();
        break;
    case ENGINE_STATUS_NO_ANSWER_AFTER_RESTART:
        SetBusy(false);
        EndNotice();
        ErrorBox("strErrorRestart", MB_ICONSTOP);
        break;
    case ENGINE_STATUS_TRANSFER_STARTED:
    case ENGINE_STATUS_UPLOAD_STARTED:
    case ENGINE_STATUS_MONITOR_SENT:
    case ENGINE_STATUS_SYSINFO_SENT:
    case ENGINE_STATUS_LANINFO_SENT:
    case ENGINE_STATUS_ANNOUNCEMENT_PROGRESS:
    case ENGINE_STATUS_PASSWORD_SENT:
    case ENGINE_STATUS_GET_DATETIME_SENT:
    case ENGINE_STATUS_SET_DATETIME_SENT:
    case ENGINE_STATUS_MODULE_RESET_SENT:
    case ENGINE_STATUS_CDR_STARTED:
    case ENGINE_STATUS_CELLS_SENT:
        SetBusy(true);
        break;
    case ENGINE_STATUS_DOWNLOAD_PROGRESS:
    case ENGINE_STATUS_UPLOAD_PROGRESS:
    case ENGINE_STATUS_FLASH_STARTED:
    case ENGINE_STATUS_ANNOUNCEMENT_STARTED:
        ShowProgress(result);
        break;
    case ENGINE_STATUS_DOWNLOAD_ENDED:
        SetBusy(false);
        EndNotice();
        if (result == ENGINE_RESULT_OK)
        {
            EndProgress();
            AdoptDownloadedImage();
        }
        else
        {
            EndProgress();
            if (result == ENGINE_RESULT_NEGATIVE)
                ErrorBoxWithCause("strErrorResponse");
        }
        break;
    case ENGINE_STATUS_UPLOAD_ENDED:
        SetBusy(false);
        EndProgress();
        if (result == ENGINE_RESULT_OK)
            OnUploadAccepted();
        else if (result == ENGINE_RESULT_NEGATIVE)
            ErrorBoxWithCause("strErrorResponse");
        ResumeMonitoring();
        break;
    case ENGINE_STATUS_MONITOR_ANSWERED:
        SetBusy(false);
        if (result == ENGINE_RESULT_OK)
            ClearMonitorCommand();
        else if (result == ENGINE_RESULT_NEGATIVE)
            ErrorBoxWithCause("strErrorResponse");
        break;
    case ENGINE_STATUS_FLASH_PROGRESS:
        if (m_notice)
        {
            EndNotice();
            SetBusy(false);
        }
        SetBusy(true);
        break;
    case ENGINE_STATUS_FLASH_ENDED:
        SetBusy(false);
        m_firmwareWriting = false;
        EndProgress();
        if (result == ENGINE_RESULT_OK)
            g_Language.MessageBoxKey("strFlashWriteOK", "strFinish", MB_ICONINFORMATION | MB_OK);
        else if (result == ENGINE_RESULT_NEGATIVE)
            ErrorBoxWithCause("strFlashWriteError");
        ResumeMonitoring();
        break;
    case ENGINE_STATUS_SYSINFO_ANSWERED:
        SetBusy(false);
        if (result != ENGINE_RESULT_OK)
        {
            ClearPendings();
            ErrorBox("strSysInfoError");
            break;
        }
        if (m_pendingDownload || m_pendingUpload || m_pendingUploadWithoutNetwork)
        {
            UINT id = m_pendingDownload ? ID_FILE_DOWNLOAD
                      : m_pendingUpload ? ID_FILE_UPLOAD
                                        : ID_FILE_UPLOAD_WITHOUT_NETWORK;
            if (m_pendingDownload)
                m_pendingDownload = false;
            else if (m_pendingUpload)
                m_pendingUpload = false;
            else
                m_pendingUploadWithoutNetwork = false;
            PostMessage(WM_COMMAND, MAKEWPARAM(id, kSecondPhaseCode), 0);
            break;
        }
        CheckVersionForSystemInfo();
        break;
    case ENGINE_STATUS_LANINFO_ANSWERED:
        SetBusy(false);
        if (result != ENGINE_RESULT_OK)
            ErrorBox("strSysInfoErrorLan");
        RunSystemInfoDialog();
        break;
    case ENGINE_STATUS_ANNOUNCEMENT_ENDED:
        EndProgress();
        if (result == ENGINE_RESULT_OK)
            g_Language.MessageBoxKey("strAnnouncementUpdateOK", "strFinish", MB_ICONINFORMATION | MB_OK);
        else if (result == ENGINE_RESULT_NEGATIVE)
            ErrorBox("strAnnouncementUpdateError");
        SetBusy(false);
        break;
    case ENGINE_STATUS_PASSWORD_ANSWERED:
        SetBusy(false);
        TellPasswordDialog(result);
        break;
    case ENGINE_STATUS_GET_DATETIME_ANSWERED:
        SetBusy(false);
        if (result == ENGINE_RESULT_OK)
            RunDateTimeDialog();
        else
            ErrorBox("strDateTimeGetError");
        break;
    case ENGINE_STATUS_SET_DATETIME_ANSWERED:
        SetBusy(false);
        if (result != ENGINE_RESULT_OK)
            ErrorBox("strDateTimeSetError");
        break;
    case ENGINE_STATUS_DIAG_ISDN_LINES:
    case ENGINE_STATUS_DIAG_ISDN_CREDIT:
    case ENGINE_STATUS_DIAG_CARDS:
    case ENGINE_STATUS_DIAG_GSM_CREDIT:
    case ENGINE_STATUS_DIAG_GSM_USAGE:
    case ENGINE_STATUS_DIAG_GSM_STATISTICS:
    case ENGINE_STATUS_DIAG_VOIP:
        PassDiagnosticsData(code, result);
        break;
    case ENGINE_STATUS_MODULE_INFO_SENT:
        StopCardsPolling();
        SetBusy(true);
        break;
    case ENGINE_STATUS_MODULE_INFO_ANSWERED:
        SetBusy(false);
        if (result == ENGINE_RESULT_OK)
        {
            StartCardsPolling();
            RunModuleInfoDialog();
        }
        else
        {
            if (result == ENGINE_RESULT_NO_ANSWER)
                ErrorBox("strErrorNoResponse", MB_ICONSTOP);
            StartCardsPolling();
        }
        break;
    case ENGINE_STATUS_MODULE_RESET_ANSWERED:
        SetBusy(false);
        break;
    case ENGINE_STATUS_CDR_ENDED:
        SetBusy(false);
        if (result == ENGINE_RESULT_OK)
        {
            CompleteCdrProgress();
            CloseCdrExportFile();
        }
        else
        {
            EndProgress();
            int fileError = CloseCdrExportFile();
            if (g_DeviceProtocol.GetCauseText()[0])
            {
                ErrorBoxWithCause("strErrorResponse");
            }
            else
            {
                const char* key = fileError == 1    ? "strCdrVersionError"
                                  : fileError == 2  ? "strCdrFormatError"
                                  : fileError == 3  ? "strCdrRecSizeError"
                                  : fileError == 10 ? "strCdrSaveError"
                                                    : nullptr;
                if (key)
                    ErrorBox(key);
            }
        }
        break;
    case ENGINE_STATUS_CELLS_ANSWERED:
        SetBusy(false);
        PassCellsToPage(result == ENGINE_RESULT_OK);
        break;
    case ENGINE_STATUS_OPERATION_FAILED:
    case ENGINE_STATUS_NOT_ALLOWED:
        SetBusy(false);
        EndNotice();
        EndProgress();
        // A module information request ended by a device restart: the
        // cards it paused poll again.
        StartCardsPolling();
        // An update that ends without an answer or refused is over too.
        m_firmwareWriting = false;
        if (code == ENGINE_STATUS_OPERATION_FAILED)
            StopMonitoringDisplay();
        if (IsPasswordDialogOpen())
        {
            TellPasswordDialog(ENGINE_RESULT_NO_ANSWER);
        }
        else
        {
            ClearPendings();
            const char* key = code == ENGINE_STATUS_NOT_ALLOWED             ? "strErrorNotAllowed"
                              : result == ENGINE_RESULT_DEVICE_RESTARTED ? "strErrorDeviceRestarted"
                                                                         : "strErrorNoResponse";
            ErrorBox(key, MB_ICONSTOP);
        }
        break;
    case ENGINE_STATUS_NO_FIRMWARE:
        SetBusy(false);
        EndNotice();
        if (!g_noFirmwareBoxUp && !m_firmwareWriting)
        {
            g_noFirmwareBoxUp = true;
            ErrorBox("strFlashNoFirmware");
            g_noFirmwareBoxUp = false;
        }
        break;
    case ENGINE_STATUS_LINK_STATE:
        UpdateStatusBar();
        break;
    default:
        break;
    }
    return 0;
}

// The device's configuration data version against the program's: a device
// of an older major version cannot take this program's data; any other
// difference is the user's decision. False: stop (the user was told).
bool CMainFrame::CheckDataVersion(bool confirmEqual)
{
    const char* deviceVersion = g_DeviceProtocol.GetFirmwareVersion();
    int deviceMajor = 0, deviceMinor = 0, major = 0, minor = 0;
    ParseVersionMajorMinor(kProgramDataVersion, &major, &minor);
    // A version text that does not parse counts as an older device.
    if (!ParseVersionMajorMinor(deviceVersion, &deviceMajor, &deviceMinor))
        deviceMajor = deviceMinor = -1;
    if (deviceMajor < major)
    {
        g_Language.MessageBoxKeyFormat("strDataVersionError", "strWarning", MB_ICONEXCLAMATION | MB_OK,
                                       deviceVersion);
        return false;
    }
    if (deviceMajor != major || deviceMinor != minor)
        return g_Language.MessageBoxKeyFormat("strDataVersionConflict", "strWarning", MB_ICONEXCLAMATION | MB_YESNO,
                                              deviceVersion, kProgramDataVersion) == IDYES;
    if (confirmEqual)
        return g_Language.MessageBoxKey("strDataUploadConfirm", "strDataUpload", MB_ICONQUESTION | MB_YESNO) ==
               IDYES;
    return true;
}

// The answer to the system information command: runs inside the engine's
// send, so clearing the busy bit keeps the engine from asking for the LAN
// information (and the dialog from opening) after a refused version.
void CMainFrame::CheckVersionForSystemInfo()
{
    if (CheckDataVersion(false))
        return;
    {
        CWaitCursor wait;
        // A TCP link is closed too, as the Disconnect command closes it: the
        // user said no to this device.
        if (g_Settings.ComMode == LINK_TCP)
            TcpClose();
        else
            CommSuspend();
    }
    SuspendDiagPolling();
    // The engine goes on to the LAN information request once this returns;
    // with the link suspended that request would connect again on demand.
    // Until the current message is done, requests find the link closed.
    m_connectBlocked = true;
    PostMessage(WMU_END_CONNECT_BLOCK);
}

void CMainFrame::AdoptDownloadedImage()
{
    const BYTE* image = g_DeviceProtocol.GetImage();
    DWORD formatWord = 0;
    if (image)
        memcpy(&formatWord, image, sizeof(formatWord));
    if (image && formatWord == ConfigFormatWord)
    {
        AdoptRecord(image);
        return;
    }
    if (g_Language.MessageBoxKey("strDataInvalid", "strError", MB_ICONEXCLAMATION | MB_YESNO) == IDYES)
        NewDefaultDocument();
}
