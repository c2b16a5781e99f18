#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "comm/CommLogCtrl.h"
#include <cstdarg>
#include <cstring>

// The core states; the service operations add theirs (GetServiceStateHandlers).
static const EngineStateHandler s_coreHandlers[] = {
    { ENGINE_RESET_SENT, &CDeviceProtocol::OnResetAnswer, &CDeviceProtocol::OnResetTimeout },
    { ENGINE_RESTARTING, nullptr, &CDeviceProtocol::OnRestartingTimeout },
    { ENGINE_RESTART_SYSINFO, &CDeviceProtocol::OnRestartSysInfoAnswer, &CDeviceProtocol::OnRestartSysInfoTimeout },
    { ENGINE_RESTART_SYSINFO_LAST, &CDeviceProtocol::OnRestartSysInfoLastAnswer, &CDeviceProtocol::OnRestartSysInfoLastTimeout },
    { ENGINE_SWITCHING_TO_FIRMWARE, nullptr, &CDeviceProtocol::OnSwitchingTimeout },
    { ENGINE_READY, &CDeviceProtocol::OnReadyAnswer, &CDeviceProtocol::OnReadyTimeout },
    { ENGINE_DOWNLOAD, &CDeviceProtocol::OnDownloadAnswer, &CDeviceProtocol::OnDownloadTimeout },
    { ENGINE_UPLOAD_START, &CDeviceProtocol::OnUploadStartAnswer, &CDeviceProtocol::OnUploadStartTimeout },
    { ENGINE_UPLOAD_BLOCKS, &CDeviceProtocol::OnUploadBlockAnswer, &CDeviceProtocol::OnUploadBlockTimeout },
    { ENGINE_UPLOAD_RESTART_BEFORE, nullptr, &CDeviceProtocol::OnUploadRestartBeforeTimeout },
    { ENGINE_UPLOAD_RESTART_AFTER, nullptr, &CDeviceProtocol::OnUploadRestartAfterTimeout },
};

// A serial port that stays closed after a restart: after this many
// one-second waits the engine opens it itself on every tick, and after the
// second limit it gives up so that the restart notice closes.
static const int RECONNECT_QUIET_WAITS = 20;
static const int RECONNECT_GIVE_UP_WAITS = 60;

CDeviceProtocol::CDeviceProtocol()
{
    Construct(GetCommEngineLink(), GetThreadEngineTimer());
}

CDeviceProtocol::CDeviceProtocol(IEngineLink* link, IEngineTimer* timer)
{
    Construct(link, timer);
}

void CDeviceProtocol::Construct(IEngineLink* link, IEngineTimer* timer)
{
    m_link = link;
    m_timer = timer;
    m_hNotify = nullptr;
    m_state = ENGINE_INITIAL;
    m_busy = 0;
    m_retries = 0;
    m_timerId = 0;
    m_monitorLog = nullptr;
    m_commLog = nullptr;
    m_causeText[0] = 0;
    m_requestedOffset = m_expectedOffset = m_nextOffset = 0;
    m_blockSize = 0;
    m_window = 5;
    m_pending = 0;
    m_restartWait = 0;
    m_uploadWithoutNetwork = 0;
    m_image = g_EngineImage;
    m_lastRequestUs = 0;
    m_highResolution = false;
    m_password[0] = 0;
    m_newPasswordRepeat[0] = 0;
    m_oldPasswordRepeat[0] = 0;
    m_monitorCommand[0] = 0;
    memset(&m_dateTime, 0, sizeof(m_dateTime));
    m_dateExtraFlag = 0;
    m_dateExtra[0] = m_dateExtra[1] = 0;
    m_extraYear = 0;
    ClearVersions();
    ClearBoard();
    ClearLan();
    m_runningProgram = 0;
    ClearTables(true);
    m_cardChainIndex = m_cardChainCount = 0;
    m_creditChainIndex = m_creditChainCount = 0;
    m_moduleType[0] = m_imei[0] = m_imsi[0] = m_network[0] = 0;
    ClearCells();
    m_lastModule = 0;
    m_reconnectWaits = 0;
    m_loginPromptOpen = false;
}

CDeviceProtocol::~CDeviceProtocol()
{
    StopTimer();
    if (m_highResolution && m_timer)
        m_timer->SetHighResolution(false);
}

void CDeviceProtocol::SetPassword(const char* password)
{
    CopyText(m_password, sizeof(m_password), password ? password : "");
}

// ---------------------------------------------------------------------------
// Sending, timer, statuses, log

int CDeviceProtocol::Send(CDeviceMessage* message)
{
    if (!message)
        return 0;
    const int length = MessageLength(message);
    if (m_commLog)
        m_commLog->AddFrameDump(message->bytes, length, FALSE);
    if (!m_link || m_link->State() != LINK_CONNECTED)
    {
        FreeMessage(message);
        return 0;
    }
    return m_link->QueueSend(message, length);
}

void CDeviceProtocol::StartTimer(UINT milliseconds)
{
    // Only one response timer ever runs: a new one replaces the armed one.
    StopTimer();
    if (m_timer)
        m_timerId = m_timer->Start(this, milliseconds);
}

void CDeviceProtocol::StopTimer()
{
    if (m_timerId && m_timer)
        m_timer->Stop(m_timerId);
    m_timerId = 0;
    FollowTimerResolution();
}

static bool IsTransferState(int state)
{
    switch (state)
    {
    case ENGINE_DOWNLOAD:
    case ENGINE_UPLOAD_START:
    case ENGINE_UPLOAD_BLOCKS:
    case ENGINE_FLASH_START:
    case ENGINE_FLASH_WAIT_LOADER:
    case ENGINE_FLASH_BLOCKS:
    case ENGINE_ANNOUNCEMENT_START:
    case ENGINE_ANNOUNCEMENT_BLOCKS:
    case ENGINE_CDR_DOWNLOAD:
        return true;
    default:
        return false;
    }
}

void CDeviceProtocol::FollowTimerResolution()
{
    const bool wanted = IsTransferState(m_state);
    if (wanted == m_highResolution || !m_timer)
        return;
    m_timer->SetHighResolution(wanted);
    m_highResolution = wanted;
}

void CDeviceProtocol::PostStatus(int code, int result)
{
    if (m_hNotify)
        ::PostMessage(m_hNotify, WMU_ENGINE_STATUS, code, result);
}

void CDeviceProtocol::SendStatus(int code, int result)
{
    if (m_hNotify)
        ::SendMessage(m_hNotify, WMU_ENGINE_STATUS, code, result);
}

void CDeviceProtocol::Log(const char* format, ...)
{
    if (!m_commLog)
        return;
    char line[260];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof(line), format, args);
    va_end(args);
    m_commLog->AddText(line, LOG_TEAL);
}

bool CDeviceProtocol::EnsureLogin()
{
    if (!m_hNotify)
        return false;
    return ::SendMessage(m_hNotify, WMU_ENSURE_LOGIN, ENSURE_LINK, 1) != 0;
}

bool CDeviceProtocol::AskPassword()
{
    if (!m_hNotify)
        return false;
    // The prompt runs a nested message loop in which more answers and
    // time-outs arrive; they must not open a second prompt.
    m_loginPromptOpen = true;
    const bool accepted = ::SendMessage(m_hNotify, WMU_ENSURE_LOGIN, ENSURE_ASK_PASSWORD, 0) != 0;
    m_loginPromptOpen = false;
    return accepted;
}

CDeviceMessage* CDeviceProtocol::NewRequest(BYTE type)
{
    CDeviceMessage* message = AllocMessage(type);
    if (!message)
        FatalAllocError(1);
    return message;
}

void CDeviceProtocol::AddPassword(CDeviceMessage* message, const char* password)
{
    const int length = static_cast<int>(strlen(password)) + 1;
    AddIE(message, IE_PASSWORD, length, password);
}

void CDeviceProtocol::FinishRequest(CDeviceMessage* message, const char* logLine, int sentStatus, UINT timeout,
                                    DWORD busyBit)
{
    SetChecksum(message);
    if (logLine)
        Log("%s", logLine);
    // A fast device answers before this thread runs again: the notice that
    // the request is out must be queued ahead of its answer, or the window
    // would stay busy after the answer freed it.
    if (sentStatus)
        PostStatus(sentStatus, ENGINE_RESULT_NOTICE);
    Send(message);
    StartTimer(timeout);
    if (m_busy & busyBit)
        ++m_retries;
    else
        m_retries = 0;
    m_busy |= busyBit;
    m_state = ENGINE_READY;
}

void CDeviceProtocol::SendSimple(BYTE type, BYTE tag)
{
    CDeviceMessage* message = NewRequest(type);
    AddIE(message, tag, 0, nullptr);
    SetChecksum(message);
    Send(message);
}

void CDeviceProtocol::SendSystemInfoRequest()
{
    SendSimple(MSG_TYPE_REQUEST, IE_LOADER_VERSION);
}

void CDeviceProtocol::SendSwitchToFirmware()
{
    SendSimple(MSG_TYPE_REQUEST, IE_SWITCH_TO_FIRMWARE);
    m_busy |= BUSY_SWITCH_TO_FIRMWARE;
}

void CDeviceProtocol::CloseLink()
{
    if (m_link)
        m_link->Disconnect();
}

void CDeviceProtocol::FormatCause(const BYTE* causeElement, int dataLength)
{
    m_causeText[0] = 0;
    if (!causeElement)
    {
        g_Language.GetString("strErrorCauseNone", m_causeText, sizeof(m_causeText));
        return;
    }
    const BYTE* data = IEData(causeElement);
    for (int i = 0; i < dataLength; ++i)
    {
        char byteText[4];
        FormatText(byteText, sizeof(byteText), i ? " %02X" : "%02X", data[i]);
        if (strlen(m_causeText) + strlen(byteText) >= sizeof(m_causeText))
            break;
        AppendText(m_causeText, sizeof(m_causeText), byteText);
    }
}

void CDeviceProtocol::FormatCause(const CDeviceMessage* message)
{
    const BYTE* cause = message ? FindIE(message, IE_CAUSE) : nullptr;
    FormatCause(cause, cause ? IEDataLength(message, cause) : 0);
}

void FatalAllocError(int reason)
{
    char reasonText[260] = "";
    if (reason == 1)
        g_Language.GetString("strErrorAlloc", reasonText, sizeof(reasonText));
    g_Language.MessageBoxKeyFormat("strErrorTerminate", "strFatalError", MB_OK | MB_ICONERROR, reasonText);
    ::ExitProcess(reason);
}

// ---------------------------------------------------------------------------
// Stored information

void CDeviceProtocol::ClearVersions()
{
    m_loaderVersion[0] = m_firmwareVersion[0] = m_voipVersion[0] = m_deviceName[0] = 0;
}

void CDeviceProtocol::ClearBoard()
{
    m_boardKind = 0;
    m_boardNumber = 0xFF;
    m_boardValue = 0;
}

void CDeviceProtocol::ClearLan()
{
    m_ipAddress[0] = m_subnetMask[0] = m_routerAddress[0] = 0;
    m_tcpPort = 0;
    m_dhcp = 0xFF;
}

void CDeviceProtocol::ClearTables(bool isdnToo)
{
    if (isdnToo)
    {
        memset(m_isdnLines, 0, sizeof(m_isdnLines));
        memset(m_isdnCredit, 0, sizeof(m_isdnCredit));
    }
    memset(m_cards, 0, sizeof(m_cards));
    for (DiagCardEntry& card : m_cards)
        card.state = 0xFF;
    memset(m_gsmCreditA, 0, sizeof(m_gsmCreditA));
    memset(m_gsmCreditB, 0, sizeof(m_gsmCreditB));
    memset(m_gsmStatistics, 0, sizeof(m_gsmStatistics));
    memset(m_voipTrunks, 0, sizeof(m_voipTrunks));
    memset(m_voipUsers, 0, sizeof(m_voipUsers));
}

void CDeviceProtocol::ClearCells()
{
    memset(m_cells, 0, sizeof(m_cells));
    m_cellCount = 0;
}

void CDeviceProtocol::StoreText(const CDeviceMessage* message, BYTE tag, char* field, int fieldSize, int maxChars,
                                const char* logFormat)
{
    const BYTE* data;
    int length;
    if (!GetIE(message, tag, &data, &length))
        return;
    if (length > maxChars)
        length = maxChars;
    if (length > fieldSize - 1)
        length = fieldSize - 1;
    memcpy(field, data, length);
    field[length] = 0;
    if (logFormat)
        Log(logFormat, field);
}

// The versions and the name found in a message; the name is cut to 32
// characters.
void CDeviceProtocol::StoreVersions(const CDeviceMessage* message, bool loader, bool firmware)
{
    if (loader)
        StoreText(message, IE_LOADER_VERSION, m_loaderVersion, sizeof(m_loaderVersion), 63, "Loader version: %s");
    if (firmware)
        StoreText(message, IE_FIRMWARE_VERSION, m_firmwareVersion, sizeof(m_firmwareVersion), 63, "Firmware version: %s");
    StoreText(message, IE_VOIP_VERSION, m_voipVersion, sizeof(m_voipVersion), 63, "VoIP module version: %s");
    StoreText(message, IE_DEVICE_NAME, m_deviceName, sizeof(m_deviceName), 32, "Velmotrex name: %s");
}

// Board kind and number of a restart event or of the system information:
// the control board (0x83) gives its number, other boards add it to the kind.
void CDeviceProtocol::TakeBoard(const BYTE* data, int length)
{
    if (length < 1)
        return;
    m_boardKind = data[0];
    if (length < 2)
        return;
    if (m_boardKind == 0x83)
        m_boardNumber = data[1];
    else
        m_boardKind = static_cast<BYTE>(m_boardKind + data[1]);
}

// IE_SYSTEM_INFO: running program, then board kind, number and, for the
// control board, the board value (read only when the element holds it).
void CDeviceProtocol::TakeSystemInfo(const CDeviceMessage* message)
{
    const BYTE* data;
    int length;
    if (!GetIE(message, IE_SYSTEM_INFO, &data, &length))
        return;
    if (length >= 1 && (data[0] == 1 || data[0] == 2))
        m_runningProgram = data[0];
    ClearBoard();
    if (length >= 2)
        TakeBoard(data + 1, length - 1);
    if (m_boardKind == 0x83 && length >= 7)
    {
        const DWORD low = data[3] | (data[4] << 8);
        const DWORD high = data[5] | (data[6] << 8);
        m_boardValue = high * 65536 + low;
    }
}

void CDeviceProtocol::MonitorOffAfterRestart()
{
    // A temporary stop outlasts the restart.
    if (m_monitorLog && m_monitorLog->GetSubState() == IEngineMonitorLog::Running)
        m_monitorLog->SetMonitoring(FALSE);
}

// ---------------------------------------------------------------------------
// Dispatcher

const EngineStateHandler* CDeviceProtocol::FindHandler(int state) const
{
    for (const EngineStateHandler& handler : s_coreHandlers)
        if (handler.state == state)
            return &handler;
    int count = 0;
    const EngineStateHandler* service = GetServiceStateHandlers(&count);
    for (int i = 0; service && i < count; ++i)
        if (service[i].state == state)
            return &service[i];
    return nullptr;
}

// The link receives every frame into a buffer of a message's size, which the
// main frame hands on as the message.
static_assert(COMM_MESSAGE_SIZE == sizeof(CDeviceMessage), "a received frame's buffer is a message");

void CDeviceProtocol::OnMessage(CDeviceMessage* message, int length)
{
    if (!message)
        return;
    if (m_commLog)
        m_commLog->AddFrameDump(message->bytes, length < MESSAGE_BUFFER_SIZE ? length : MESSAGE_BUFFER_SIZE, TRUE);

    // A message is read only within what was received: a frame shorter than
    // its own length byte says is refused, not read from stale bytes.
    if (length < 3 || length > MESSAGE_BUFFER_SIZE || !IsValidMessageType(message) || length < MessageLength(message))
    {
        Log("Incorrect message structure!!!");
        FreeMessage(message);
        return;
    }
    if (!VerifyChecksum(message))
    {
        Log("Incorrect message checksum!!!");
        FreeMessage(message);
        return;
    }

    if (MessageType(message) == MSG_TYPE_REQUEST && OnDeviceEvent(message))
    {
        FreeMessage(message);
        FollowTimerResolution();
        return;
    }

    if (const EngineStateHandler* handler = FindHandler(m_state))
        if (handler->onMessage)
            (this->*handler->onMessage)(message);

    TakeMonitorTraffic(message);
    TakeDiagnostics(message);

    if (MessageType(message) == MSG_TYPE_NEGATIVE)
    {
        const BYTE* cause;
        int causeLength;
        if (GetIE(message, IE_CAUSE, &cause, &causeLength) && causeLength > 0)
        {
            if (cause[0] == CAUSE_REFUSED)
            {
                FormatCause(message);
                SendStatus(ENGINE_STATUS_REFUSED, 0);
            }
            else if (cause[0] == CAUSE_NO_FIRMWARE)
            {
                FormatCause(message);
                PostStatus(ENGINE_STATUS_NO_FIRMWARE, 0);
            }
        }
    }
    FreeMessage(message);
    FollowTimerResolution();
}

// Device events (type 0xA1). True when the event was handled completely.
bool CDeviceProtocol::OnDeviceEvent(const CDeviceMessage* message)
{
    const BYTE* data;
    int length;
    if (GetIE(message, IE_LOADER_RESTART, &data, &length))
    {
        if (m_state != ENGINE_SWITCHING_TO_FIRMWARE)
            StopTimer();
        FailOperationForRestart(false);
        Log("Restart loader");
        PostStatus(ENGINE_STATUS_LOADER_RESTARTED, 0);
        m_retries = 0;
        ClearOperationBits();
        m_busy &= ~static_cast<DWORD>(BUSY_NO_FIRMWARE);
        ClearTables(true);
        ClearCells();
        MonitorOffAfterRestart();
        ClearBoard();
        m_runningProgram = 1;
        TakeBoard(data, length);
        StoreVersions(message, true, true);

        // The loader is back while an update waits for it: ask it for the
        // flash start, never switch it to the firmware.
        if (m_state == ENGINE_FLASH_START || m_state == ENGINE_FLASH_WAIT_LOADER)
        {
            m_state = ENGINE_RESTART_SYSINFO;
            RestartFirmwareUpdate();
            return true;
        }
        if (m_state == ENGINE_UPLOAD_START)
            return true; // the upload start's answer follows
        if (m_state != ENGINE_SWITCHING_TO_FIRMWARE)
            m_state = ENGINE_RESTART_SYSINFO;
        SendSimple(MSG_TYPE_POSITIVE, IE_EVENT_ACK);
        if (!(m_busy & BUSY_SWITCH_TO_FIRMWARE))
        {
            SendSwitchToFirmware();
            StartTimer(g_Settings.CommunicationTimeout);
        }
        else if (m_state == ENGINE_RESTART_SYSINFO)
        {
            // The switch was asked for already: wait for the firmware's
            // restart, but not for ever.
            StartTimer(g_Settings.CommunicationTimeoutSwitchToFirmware);
        }
        const BYTE* cause;
        int causeLength;
        if (GetIE(message, IE_CAUSE, &cause, &causeLength) && causeLength > 0 && cause[0] == CAUSE_NO_FIRMWARE)
        {
            m_busy |= BUSY_NO_FIRMWARE;
            PostStatus(ENGINE_STATUS_NO_FIRMWARE, 0);
            StartFirmwareUpdateForNoFirmware();
        }
        else
        {
            m_busy &= ~static_cast<DWORD>(BUSY_NO_FIRMWARE);
        }
        return true;
    }
    if (FindIE(message, IE_SWITCH_TO_LOADER))
        return true;
    if (GetIE(message, IE_FIRMWARE_RESTART, &data, &length))
    {
        StopTimer();
        FailOperationForRestart(true);
        Log("Restart firmware");
        PostStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0);
        m_retries = 0;
        ClearOperationBits();
        ClearTables(true);
        ClearCells();
        MonitorOffAfterRestart();
        ClearBoard();
        TakeBoard(data, length);
        m_runningProgram = 2;
        StoreVersions(message, true, true);
        m_state = ENGINE_READY;
        return true;
    }
    if (FindIE(message, IE_POWER_DOWN))
    {
        Log("Power down");
        CloseLink();
        PostStatus(ENGINE_STATUS_LINK_STATE, 0);
        return false;
    }
    if (FindIE(message, IE_SWITCH_TO_FIRMWARE))
    {
        Log("Switch to firmware");
        CloseLink();
        PostStatus(ENGINE_STATUS_LINK_STATE, 0);
        return false;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Restart flows

void CDeviceProtocol::OnResetAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_POSITIVE)
    {
        if (!FindIE(message, IE_RESET))
            return;
        AwaitRestart(ENGINE_RESTARTING, g_Settings.CommunicationTimeoutSwitchToLoader);
        return;
    }
    if (MessageType(message) != MSG_TYPE_NEGATIVE)
        return;
    if (m_loginPromptOpen)
        return;
    StopTimer();
    const BYTE causeValue = CauseOf(message);
    if (causeValue == CAUSE_LOGIN_REQUIRED)
    {
        if (!AskPassword())
        {
            m_state = ENGINE_READY;
            PostStatus(ENGINE_STATUS_RESET_SENT, ENGINE_RESULT_LOGIN_REFUSED);
            return;
        }
        if (m_state != ENGINE_RESET_SENT)
            return; // something else happened while the prompt was open
    }
    else if (causeValue == CAUSE_NOT_ALLOWED)
    {
        m_state = ENGINE_READY;
        PostStatus(ENGINE_STATUS_NOT_ALLOWED, 0);
        return;
    }
    if (m_retries >= 3)
    {
        m_state = ENGINE_READY;
        FormatCause(message);
        PostStatus(ENGINE_STATUS_RESET_REFUSED, ENGINE_RESULT_NEGATIVE);
        return;
    }
    if (!ResetDevice())
    {
        m_state = ENGINE_READY;
        FormatCause(message);
        PostStatus(ENGINE_STATUS_RESET_REFUSED, ENGINE_RESULT_NEGATIVE);
    }
}

void CDeviceProtocol::OnRestartSysInfoAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_NEGATIVE)
    {
        SendSimple(MSG_TYPE_POSITIVE, IE_EVENT_ACK);
        return;
    }
    if (MessageType(message) != MSG_TYPE_POSITIVE)
        return;
    if (FindIE(message, IE_SWITCH_TO_FIRMWARE))
    {
        AwaitRestart(ENGINE_SWITCHING_TO_FIRMWARE, g_Settings.CommunicationTimeoutSwitchToFirmware);
        return;
    }
    if (!FindIE(message, IE_LOADER_VERSION))
        return;
    StopTimer();
    StoreText(message, IE_LOADER_VERSION, m_loaderVersion, sizeof(m_loaderVersion), 63, nullptr);
    const BYTE* info;
    int infoLength;
    m_runningProgram = (GetIE(message, IE_SYSTEM_INFO, &info, &infoLength) && infoLength >= 1 && info[0] == 2) ? 2 : 1;
    if (m_runningProgram == 1)
    {
        if (!(m_busy & BUSY_SWITCH_TO_FIRMWARE))
        {
            SendSwitchToFirmware();
            StartTimer(g_Settings.CommunicationTimeout);
        }
        else
        {
            // The switch is requested already; its restart event may be
            // lost, so a time-out asks again instead of waiting for ever.
            StartTimer(g_Settings.CommunicationTimeoutSwitchToFirmware);
        }
        return;
    }
    PostStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0);
    m_state = ENGINE_READY;
    Log("Loader version: %s", m_loaderVersion);
    StoreVersions(message, false, true);
    m_retries = 0;
    ClearOperationBits();
    ClearTables(false);
    ClearCells();
}

void CDeviceProtocol::OnRestartSysInfoLastAnswer(const CDeviceMessage* message)
{
    if (!FindIE(message, IE_LOADER_VERSION))
        return;
    StopTimer();
    PostStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0);
    m_state = ENGINE_READY;
    StoreVersions(message, true, true);
    if (FindIE(message, IE_SYSTEM_INFO))
        TakeSystemInfo(message);
    m_retries = 0;
    ClearOperationBits();
    ClearTables(true);
    ClearCells();
}

// ---------------------------------------------------------------------------
// Time-outs

void CDeviceProtocol::OnTimeout(UINT_PTR timerId)
{
    if (timerId != m_timerId || timerId == 0)
    {
        // A stale timer must not keep firing.
        if (timerId && m_timer)
            m_timer->Stop(timerId);
        return;
    }
    StopTimer();
    if (m_link && m_link->State() == LINK_CONNECTING)
    {
        StartTimer(1000); // TCP still connecting
        return;
    }
    if (m_loginPromptOpen)
        return; // the prompt's outcome decides what follows

    Log("Timer timeout! (status: %d)", m_state);

    // The transfers' pacing ticks are not losses and never count.
    if (m_retries >= 3 && !(m_state == ENGINE_DOWNLOAD && m_pending < m_window && m_nextOffset < ENGINE_IMAGE_SIZE) &&
        !(m_state == ENGINE_UPLOAD_BLOCKS && m_expectedOffset < ENGINE_IMAGE_SIZE && m_pending < m_window &&
          m_nextOffset < ENGINE_IMAGE_SIZE))
    {
        FailOperation();
        return;
    }
    if (const EngineStateHandler* handler = FindHandler(m_state))
        if (handler->onTimeout)
            (this->*handler->onTimeout)();
    FollowTimerResolution();
}

// The retry counter reached 3 (or a closed serial port never came back).
void CDeviceProtocol::FailOperation()
{
    if (m_state == ENGINE_RESTART_SYSINFO)
    {
        SendSystemInfoRequest();
        StartTimer(g_Settings.CommunicationTimeout);
        m_state = ENGINE_RESTART_SYSINFO_LAST;
        return;
    }
    if (m_state == ENGINE_RESTART_SYSINFO_LAST)
    {
        PostStatus(ENGINE_STATUS_NO_ANSWER_AFTER_RESTART, 0);
        EndOperation();
        return;
    }
    if (m_busy & BUSY_MODULE_INFO)
        ReportOperationFailed(ENGINE_STATUS_MODULE_INFO_ANSWERED, ENGINE_RESULT_NO_ANSWER);
    else
        ReportOperationFailed(ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_NOTICE);
    EndOperation();
}

// Closes the failed operation's files and tells the frame; the module
// information's dialog waits for its own answer status instead of 200.
void CDeviceProtocol::ReportOperationFailed(int status, int result)
{
    OnServiceFailure();
    Log("Operation failed!");
    PostStatus(status, result);
}

// A restart event ends the transfer or service operation under way: its
// files close and the frame hears that it failed, instead of keeping its
// progress open for answers that will never come. The flows that expect a
// restart (the loader during an update or an upload start, the waits after a
// reset or an upload) are left to their own handling.
void CDeviceProtocol::FailOperationForRestart(bool firmwareRestart)
{
    switch (m_state)
    {
    case ENGINE_DOWNLOAD:
    case ENGINE_UPLOAD_BLOCKS:
    case ENGINE_CDR_DOWNLOAD:
    case ENGINE_ANNOUNCEMENT_START:
    case ENGINE_ANNOUNCEMENT_BLOCKS:
        break;
    case ENGINE_UPLOAD_START:
    case ENGINE_FLASH_START:
    case ENGINE_FLASH_WAIT_LOADER:
    case ENGINE_FLASH_BLOCKS:
        if (!firmwareRestart)
            return;
        break;
    default:
        return;
    }
    ReportOperationFailed(ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_DEVICE_RESTARTED);
}

void CDeviceProtocol::EndOperation()
{
    ClearOperationBits();
    m_state = ENGINE_FAILED;
}

// The device restarts and closes the link: wait in state for it to come
// back, with the tries and the reconnect waits counted afresh.
void CDeviceProtocol::AwaitRestart(int state, UINT timeout)
{
    StopTimer();
    CloseLink();
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    m_state = state;
    m_retries = 0;
    m_reconnectWaits = 0;
    StartTimer(timeout);
}

bool CDeviceProtocol::ReconnectStep()
{
    if (!m_link || m_link->State() != LINK_CLOSED)
    {
        m_reconnectWaits = 0;
        return true;
    }
    if (m_link->IsSerial())
    {
        // A USB port comes back by its arrival notice; a plain COM port, a
        // redirector or a pty never sends one, so open it ourselves after a
        // while, and give up in the end so that nobody waits for ever.
        ++m_reconnectWaits;
        if (m_reconnectWaits > RECONNECT_QUIET_WAITS)
            m_link->Reconnect(m_hNotify);
        if (m_link->State() == LINK_CLOSED)
        {
            if (m_reconnectWaits >= RECONNECT_GIVE_UP_WAITS)
            {
                m_reconnectWaits = 0;
                m_retries = 3;
                FailOperation();
                return false;
            }
            StartTimer(1000);
            return false;
        }
        m_reconnectWaits = 0;
        return true;
    }
    m_link->Reconnect(m_hNotify);
    return true;
}

void CDeviceProtocol::OnResetTimeout()
{
    if (!ResetDevice())
    {
        // The link is gone: count the repeat and try again on the next tick.
        ++m_retries;
        StartTimer(g_Settings.CommunicationTimeoutReset);
    }
}

// The device came back (or is asked again): what does it run now?
void CDeviceProtocol::AskAfterRestart(int state, bool repeat)
{
    m_state = state;
    SendSystemInfoRequest();
    m_retries = repeat ? m_retries + 1 : 0;
    StartTimer(g_Settings.CommunicationTimeout);
}

void CDeviceProtocol::OnRestartingTimeout()
{
    if (!ReconnectStep())
        return;
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    AskAfterRestart(ENGINE_RESTART_SYSINFO, false);
}

void CDeviceProtocol::OnRestartSysInfoTimeout()
{
    if (m_busy & BUSY_SWITCH_TO_FIRMWARE)
        SendSimple(MSG_TYPE_REQUEST, IE_SWITCH_TO_FIRMWARE);
    else
        SendSystemInfoRequest();
    ++m_retries;
    StartTimer(g_Settings.CommunicationTimeout);
}

void CDeviceProtocol::OnRestartSysInfoLastTimeout()
{
    AskAfterRestart(ENGINE_RESTART_SYSINFO_LAST, true);
}

void CDeviceProtocol::OnSwitchingTimeout()
{
    if (!ReconnectStep())
        return;
    PostStatus(ENGINE_STATUS_LINK_STATE, 0);
    AskAfterRestart(ENGINE_RESTART_SYSINFO_LAST, true);
}
