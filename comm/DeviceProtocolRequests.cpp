#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

// The order in which a time-out or a negative answer looks for the pending
// plain request.
static const DWORD s_repeatOrder[] = {
    BUSY_MONITOR_START, BUSY_MONITOR_STOP, BUSY_MONITOR_COMMAND, BUSY_SYSTEM_INFO,
    BUSY_VERSION_QUERY, BUSY_LAN_INFO, BUSY_PASSWORD, BUSY_GET_DATETIME,
    BUSY_SET_DATETIME, BUSY_MODULE_INFO, BUSY_MODULE_RESET, BUSY_GSM_CELLS,
};

// ---------------------------------------------------------------------------
// Requests

int CDeviceProtocol::GetDateTime()
{
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_DATE_TIME, 0, nullptr);
    AddPassword(message, m_password);
    FinishRequest(message, "Get date/time", ENGINE_STATUS_GET_DATETIME_SENT, g_Settings.CommunicationTimeout, BUSY_GET_DATETIME);
    return 1;
}

int CDeviceProtocol::SetDateTime(const SYSTEMTIME* time)
{
    if (!EnsureLogin())
        return 0;
    // A repeat sends the value of the first request.
    if (!(m_busy & BUSY_SET_DATETIME) && time)
        m_dateTime = *time;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_DATE_TIME, 6, m_dateTime.wSecond, m_dateTime.wMinute, m_dateTime.wHour, m_dateTime.wDay,
               m_dateTime.wMonth, m_dateTime.wYear - 2000);
    AddPassword(message, m_password);
    FinishRequest(message, "Set date/time", ENGINE_STATUS_SET_DATETIME_SENT, g_Settings.CommunicationTimeout, BUSY_SET_DATETIME);
    return 1;
}

int CDeviceProtocol::ResetDevice()
{
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_RESET, 0, nullptr);
    AddPassword(message, m_password);
    SetChecksum(message);
    Log("Device RESET");
    PostStatus(ENGINE_STATUS_RESET_SENT, 0); // ahead of the answer, as every request's notice
    Send(message);
    StartTimer(g_Settings.CommunicationTimeoutReset);
    if (m_state == ENGINE_RESET_SENT)
        ++m_retries;
    else
        m_retries = 0;
    m_busy &= ~static_cast<DWORD>(BUSY_SWITCH_TO_FIRMWARE);
    m_state = ENGINE_RESET_SENT;
    return 1;
}

int CDeviceProtocol::GetSystemInfo()
{
    ClearVersions();
    ClearBoard();
    m_runningProgram = 0;
    ClearLan();
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_LOADER_VERSION, 0, nullptr);
    FinishRequest(message, "Get system info", ENGINE_STATUS_SYSINFO_SENT, g_Settings.CommunicationTimeout, BUSY_SYSTEM_INFO);
    return 1;
}

int CDeviceProtocol::QueryVersion()
{
    ClearVersions();
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_LOADER_VERSION, 0, nullptr);
    FinishRequest(message, "Get system info", ENGINE_STATUS_SYSINFO_SENT, g_Settings.CommunicationTimeout, BUSY_VERSION_QUERY);
    return 1;
}

int CDeviceProtocol::GetLanInfo()
{
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_LAN_INFO, 0, nullptr);
    FinishRequest(message, "Get LAN info", ENGINE_STATUS_LANINFO_SENT, g_Settings.CommunicationTimeout, BUSY_LAN_INFO);
    return 1;
}

// A transfer, a service operation or a restart owns the engine's state and
// its one timer until it ends.
bool CDeviceProtocol::IsOperationRunning() const
{
    return m_state != ENGINE_INITIAL && m_state != ENGINE_READY && m_state != ENGINE_FAILED;
}

// Monitor traffic may arrive in the middle of an operation and the monitor
// log answers it at once: its commands then go out beside the operation,
// without its state, timer or repeats, so that the operation runs on.
bool CDeviceProtocol::SendBesideOperation(CDeviceMessage* message)
{
    if (!IsOperationRunning())
        return false;
    SetChecksum(message);
    Send(message);
    return true;
}

int CDeviceProtocol::SetMonitor(BOOL start)
{
    if (!start)
    {
        if (!EnsureLogin())
            return 0;
        CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
        AddIE(message, IE_MONITOR_STOP, 0, nullptr);
        if (!SendBesideOperation(message))
            FinishRequest(message, nullptr, ENGINE_STATUS_MONITOR_SENT, g_Settings.CommunicationTimeout, BUSY_MONITOR_STOP);
        return 1;
    }
    if (IsOperationRunning())
    {
        // No system information in the middle of an operation: the start
        // itself goes out beside it.
        if (!EnsureLogin())
            return 0;
        CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
        AddIE(message, IE_MONITOR_START, 0, nullptr);
        SendBesideOperation(message);
        return 1;
    }
    // A start first asks the system information; its answer sends the start.
    const bool repeat = (m_busy & BUSY_MONITOR_START) != 0;
    if (!repeat)
    {
        ClearVersions();
        ClearBoard();
    }
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    const char* logLine = nullptr;
    if (repeat && m_firmwareVersion[0])
    {
        AddIE(message, IE_MONITOR_START, 0, nullptr);
    }
    else
    {
        AddIE(message, IE_LOADER_VERSION, 0, nullptr);
        if (!repeat)
            logLine = "Get system info";
    }
    FinishRequest(message, logLine, ENGINE_STATUS_MONITOR_SENT, g_Settings.CommunicationTimeout, BUSY_MONITOR_START);
    return 1;
}

int CDeviceProtocol::SendMonitorCommand(const char* text)
{
    if (text != m_monitorCommand)
        CopyText(m_monitorCommand, sizeof(m_monitorCommand), text ? text : "");
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_MONITOR_TEXT, static_cast<int>(strlen(m_monitorCommand)), m_monitorCommand);
    AddPassword(message, m_password);
    if (!SendBesideOperation(message))
        FinishRequest(message, nullptr, ENGINE_STATUS_MONITOR_SENT, g_Settings.CommunicationTimeout, BUSY_MONITOR_COMMAND);
    return 1;
}

int CDeviceProtocol::SendKeepAlive()
{
    if (m_state == ENGINE_FAILED)
        m_state = ENGINE_READY;
    if (m_state != ENGINE_READY)
        return 0;
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_KEEPALIVE, 0, nullptr);
    SetChecksum(message);
    return Send(message);
}

int CDeviceProtocol::GetModuleInfo(int module)
{
    m_moduleType[0] = m_imei[0] = m_imsi[0] = m_network[0] = 0;
    if (module >= 0)
        m_lastModule = module;
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_MODULE_INFO, 1, m_lastModule);
    char line[64];
    FormatText(line, sizeof(line), "Get module info - %d", m_lastModule);
    FinishRequest(message, line, ENGINE_STATUS_MODULE_INFO_SENT, g_Settings.CommunicationTimeout, BUSY_MODULE_INFO);
    return 1;
}

int CDeviceProtocol::ResetGsmModule(int module)
{
    if (module >= 0)
        m_lastModule = module;
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_GSM_MODULE_RESET, 1, m_lastModule);
    AddPassword(message, m_password);
    FinishRequest(message, nullptr, ENGINE_STATUS_MODULE_RESET_SENT, g_Settings.CommunicationTimeout, BUSY_MODULE_RESET);
    return 1;
}

int CDeviceProtocol::GetGsmCells(int module)
{
    ClearCells();
    if (module >= 0)
        m_lastModule = module;
    if (!EnsureLogin())
        return 0;
    const bool repeat = (m_busy & BUSY_GSM_CELLS) != 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIEBytes(message, IE_GSM_CELLS, 1, m_lastModule);
    FinishRequest(message, nullptr, ENGINE_STATUS_CELLS_SENT, g_Settings.CommunicationTimeoutReadCells, BUSY_GSM_CELLS);
    if (!repeat)
        m_retries = 2; // one repeat before it fails
    return 1;
}

int CDeviceProtocol::ChangePassword(const char* newPassword, const char* oldPassword)
{
    if (newPassword != m_newPasswordRepeat)
        CopyText(m_newPasswordRepeat, sizeof(m_newPasswordRepeat), newPassword ? newPassword : "");
    if (oldPassword != m_oldPasswordRepeat)
        CopyText(m_oldPasswordRepeat, sizeof(m_oldPasswordRepeat), oldPassword ? oldPassword : "");
    if (!EnsureLogin())
        return 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    AddIE(message, IE_NEW_PASSWORD, static_cast<int>(strlen(m_newPasswordRepeat)) + 1, m_newPasswordRepeat);
    AddPassword(message, m_oldPasswordRepeat);
    FinishRequest(message, nullptr, ENGINE_STATUS_PASSWORD_SENT, g_Settings.CommunicationTimeout, BUSY_PASSWORD);
    return 1;
}

int CDeviceProtocol::RequestDiagnostics(int page, int index)
{
    // A request of the page starts a new chain.
    if (page == 10)
        m_cardChainCount = 0;
    else if (page == 11)
        m_creditChainCount = 0;
    return SendDiagnosticsRequest(page, index);
}

int CDeviceProtocol::SendDiagnosticsRequest(int page, int index)
{
    if (m_state == ENGINE_INITIAL || m_state == ENGINE_FAILED)
        m_state = ENGINE_READY;
    if (m_state != ENGINE_READY)
        return 0;
    if (!m_link || m_link->State() != LINK_CONNECTED)
    {
        if (m_hNotify)
            ::SendMessage(m_hNotify, WM_COMMAND, ENGINE_CMD_CONNECT, 0);
        if (!m_link || m_link->State() != LINK_CONNECTED)
            return 0;
    }
    if (index < 0 || index >= 32)
        index = 0;
    CDeviceMessage* message = NewRequest(MSG_TYPE_REQUEST);
    switch (page)
    {
    case 1:
        AddIE(message, IE_DIAG_ISDN_LINES, 0, nullptr);
        break;
    case 2:
        AddIEBytes(message, IE_DIAG_ISDN_CREDIT, 4, 0, 1, 2, 3);
        break;
    case 10:
        AddIEBytes(message, IE_DIAG_CARD, 1, index);
        m_cardChainIndex = index;
        break;
    case 11:
    {
        BYTE modules[4];
        int count = 0;
        for (int i = index; i < 32 && count < 4; ++i)
            modules[count++] = static_cast<BYTE>(i);
        AddIE(message, IE_DIAG_GSM_CREDIT, count, modules);
        m_creditChainIndex = index;
        break;
    }
    case 12:
        AddIE(message, IE_DIAG_GSM_USAGE, 0, nullptr);
        break;
    case 13:
        AddIE(message, IE_DIAG_GSM_STATISTICS, 0, nullptr);
        break;
    case 20:
        memset(m_voipTrunks, 0, sizeof(m_voipTrunks));
        memset(m_voipUsers, 0, sizeof(m_voipUsers));
        AddIE(message, IE_DIAG_VOIP, 0, nullptr);
        break;
    default:
        FreeMessage(message);
        return 0;
    }
    SetChecksum(message);
    Send(message);
    return 1;
}

// ---------------------------------------------------------------------------
// Time-outs and repeats in state 10

DWORD CDeviceProtocol::FirstPendingBit() const
{
    for (DWORD bit : s_repeatOrder)
        if (m_busy & bit)
            return bit;
    return 0;
}

int CDeviceProtocol::RepeatRequest(DWORD bit)
{
    switch (bit)
    {
    case BUSY_MONITOR_START: return SetMonitor(TRUE);
    case BUSY_MONITOR_STOP: return SetMonitor(FALSE);
    case BUSY_MONITOR_COMMAND: return SendMonitorCommand(m_monitorCommand);
    case BUSY_SYSTEM_INFO: return GetSystemInfo();
    case BUSY_VERSION_QUERY: return QueryVersion();
    case BUSY_LAN_INFO: return GetLanInfo();
    case BUSY_PASSWORD: return ChangePassword(m_newPasswordRepeat, m_oldPasswordRepeat);
    case BUSY_GET_DATETIME: return GetDateTime();
    case BUSY_SET_DATETIME: return SetDateTime(nullptr);
    case BUSY_MODULE_INFO: return GetModuleInfo(-1);
    case BUSY_MODULE_RESET: return ResetGsmModule(-1);
    case BUSY_GSM_CELLS: return GetGsmCells(-1);
    default: return 1;
    }
}

void CDeviceProtocol::OnReadyTimeout()
{
    const DWORD bit = FirstPendingBit();
    if (bit == BUSY_LAN_INFO && m_retries != 0)
    {
        // The LAN information is asked twice at most.
        PostStatus(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_NO_ANSWER);
        m_busy &= ~static_cast<DWORD>(BUSY_LAN_INFO);
        return;
    }
    // A repeat that finds the link gone for good ends the operation, so the
    // frame does not stay busy waiting for an answer that cannot come.
    if (!RepeatRequest(bit))
        FailOperation();
}

// ---------------------------------------------------------------------------
// Answers in state 10

// The answer status of each plain request.
static int AnswerStatusOf(DWORD bit)
{
    switch (bit)
    {
    case BUSY_MONITOR_START:
    case BUSY_MONITOR_STOP:
    case BUSY_MONITOR_COMMAND: return ENGINE_STATUS_MONITOR_ANSWERED;
    case BUSY_SYSTEM_INFO:
    case BUSY_VERSION_QUERY: return ENGINE_STATUS_SYSINFO_ANSWERED;
    case BUSY_LAN_INFO: return ENGINE_STATUS_LANINFO_ANSWERED;
    case BUSY_PASSWORD: return ENGINE_STATUS_PASSWORD_ANSWERED;
    case BUSY_GET_DATETIME: return ENGINE_STATUS_GET_DATETIME_ANSWERED;
    case BUSY_SET_DATETIME: return ENGINE_STATUS_SET_DATETIME_ANSWERED;
    case BUSY_MODULE_INFO: return ENGINE_STATUS_MODULE_INFO_ANSWERED;
    case BUSY_MODULE_RESET: return ENGINE_STATUS_MODULE_RESET_ANSWERED;
    case BUSY_GSM_CELLS: return ENGINE_STATUS_CELLS_ANSWERED;
    default: return 0;
    }
}

bool CDeviceProtocol::LoginStep(int answerStatus, DWORD bit)
{
    if (m_retries == 3)
        m_retries = 2;
    if (AskPassword())
        return (m_busy & bit) != 0; // still pending after the prompt
    PostStatus(answerStatus, ENGINE_RESULT_LOGIN_REFUSED);
    m_busy &= ~bit;
    return false;
}

void CDeviceProtocol::OnReadyNegative(const CDeviceMessage* message)
{
    if (m_loginPromptOpen)
        return;
    FormatCause(message);
    const DWORD bit = FirstPendingBit();
    if (!bit)
        return;
    StopTimer();
    const BYTE causeValue = CauseOf(message);
    const int status = AnswerStatusOf(bit);

    if (causeValue == CAUSE_LOGIN_REQUIRED)
    {
        if (bit == BUSY_PASSWORD)
        {
            // The old password was wrong: no repeat.
            PostStatus(status, ENGINE_RESULT_OLD_PASSWORD_WRONG);
            m_busy &= ~bit;
            return;
        }
        if (bit == BUSY_MONITOR_COMMAND || bit == BUSY_GET_DATETIME || bit == BUSY_SET_DATETIME || bit == BUSY_MODULE_RESET)
        {
            if (!LoginStep(status, bit))
                return;
        }
    }
    if (bit == BUSY_LAN_INFO && causeValue != CAUSE_LAN_BUSY)
    {
        PostStatus(status, ENGINE_RESULT_NEGATIVE);
        m_busy &= ~bit;
        return;
    }
    if (m_retries >= 3 || !RepeatRequest(bit))
    {
        PostStatus(status, ENGINE_RESULT_NEGATIVE);
        m_busy &= ~bit;
    }
}

// A positive answer ends the request that awaits it: its time-out stops and
// its status goes out. An answer nobody awaits changes nothing. True when
// the request was awaited.
bool CDeviceProtocol::TakeAwaitedAnswer(DWORD bit, int status)
{
    if (!(m_busy & bit))
        return false;
    StopTimer();
    PostStatus(status, ENGINE_RESULT_OK);
    m_busy &= ~bit;
    return true;
}

void CDeviceProtocol::OnReadyAnswer(const CDeviceMessage* message)
{
    if (MessageType(message) == MSG_TYPE_NEGATIVE)
    {
        OnReadyNegative(message);
        return;
    }
    if (MessageType(message) != MSG_TYPE_POSITIVE)
        return;

    const BYTE* data;
    int length;
    if (GetIE(message, IE_MONITOR_START, &data, &length))
    {
        if (TakeAwaitedAnswer(BUSY_MONITOR_START, ENGINE_STATUS_MONITOR_ANSWERED) && m_monitorLog)
        {
            if (m_monitorLog->IsMonitoring())
                m_monitorLog->SendMonitorMask();
            else
                m_monitorLog->SetMonitoring(TRUE);
        }
        if (length > 0 && m_monitorLog)
            m_monitorLog->OnMonitorText(reinterpret_cast<const char*>(data), length);
        return;
    }
    if (FindIE(message, IE_MONITOR_STOP))
    {
        TakeAwaitedAnswer(BUSY_MONITOR_STOP, ENGINE_STATUS_MONITOR_ANSWERED);
        if (m_monitorLog && m_monitorLog->GetSubState() == IEngineMonitorLog::Running)
            m_monitorLog->SetMonitoring(FALSE);
        return;
    }
    if (FindIE(message, IE_MONITOR_TEXT))
    {
        TakeAwaitedAnswer(BUSY_MONITOR_COMMAND, ENGINE_STATUS_MONITOR_ANSWERED);
        if (m_monitorLog)
            m_monitorLog->OnMonitorAck();
        return;
    }
    if (FindIE(message, IE_KEEPALIVE))
    {
        if (m_monitorLog)
            m_monitorLog->OnMonitorAck();
        return;
    }
    if (FindIE(message, IE_FIRMWARE_VERSION))
    {
        TakeSystemInfoAnswer(message);
        return;
    }
    if (FindIE(message, IE_LAN_INFO))
    {
        TakeLanInfo(message);
        return;
    }
    if (FindIE(message, IE_NEW_PASSWORD))
    {
        TakeAwaitedAnswer(BUSY_PASSWORD, ENGINE_STATUS_PASSWORD_ANSWERED);
        return;
    }
    if (FindIE(message, IE_DATE_TIME))
    {
        TakeDateTime(message);
        return;
    }
    if (FindIE(message, IE_MODULE_INFO))
    {
        TakeModuleInfo(message);
        return;
    }
    if (FindIE(message, IE_GSM_MODULE_RESET))
    {
        if (m_busy & BUSY_MODULE_RESET)
            StopTimer();
        PostStatus(ENGINE_STATUS_MODULE_RESET_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_MODULE_RESET);
        return;
    }
    if (FindIE(message, IE_GSM_CELLS))
        TakeCells(message);
}

// Monitor trace and keep-alive answers arrive in any state (a download may
// run while monitoring): outside state 10 they go to the monitor log here.
void CDeviceProtocol::TakeMonitorTraffic(const CDeviceMessage* message)
{
    if (m_state == ENGINE_READY || MessageType(message) != MSG_TYPE_POSITIVE || !m_monitorLog)
        return;
    const BYTE* data;
    int length;
    if (GetIE(message, IE_MONITOR_START, &data, &length))
    {
        if (length > 0)
            m_monitorLog->OnMonitorText(reinterpret_cast<const char*>(data), length);
    }
    else if (FindIE(message, IE_KEEPALIVE))
    {
        m_monitorLog->OnMonitorAck();
    }
}

void CDeviceProtocol::TakeSystemInfoAnswer(const CDeviceMessage* message)
{
    if (m_busy & (BUSY_SYSTEM_INFO | BUSY_VERSION_QUERY))
        StopTimer();
    StoreVersions(message, true, true);
    TakeSystemInfo(message);
    if (m_busy & BUSY_SYSTEM_INFO)
    {
        SendStatus(ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_SYSTEM_INFO);
        GetLanInfo();
    }
    if (m_busy & BUSY_MONITOR_START)
    {
        m_retries = 0;
        SetMonitor(TRUE);
    }
    if (m_busy & BUSY_VERSION_QUERY)
    {
        PostStatus(ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_VERSION_QUERY);
    }
}

// Three decimal digits of an address field, taken modulo 256.
static int DigitsValue(const BYTE* digits, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + ((digits[i] >= '0' && digits[i] <= '9') ? digits[i] - '0' : 0);
    return value;
}

static void FormatAddressDigits(char* text, size_t size, const BYTE* digits)
{
    FormatText(text, size, "%d.%d.%d.%d", DigitsValue(digits, 3) % 256, DigitsValue(digits + 3, 3) % 256,
               DigitsValue(digits + 6, 3) % 256, DigitsValue(digits + 9, 3) % 256);
}

void CDeviceProtocol::TakeLanInfo(const CDeviceMessage* message)
{
    if (m_busy & BUSY_LAN_INFO)
        StopTimer();
    const BYTE* data;
    int length;
    GetIE(message, IE_LAN_INFO, &data, &length);
    if (length <= 0)
    {
        Log("No LAN configuration");
    }
    else
    {
        // Each field is read only when the record holds it whole.
        m_dhcp = data[0];
        if (length >= 30)
        {
            FormatAddressDigits(m_ipAddress, sizeof(m_ipAddress), data + 1);
            Log("IP Address: %s", m_ipAddress);
            FormatAddressDigits(m_subnetMask, sizeof(m_subnetMask), data + 13);
            Log("Subnet Mask: %s", m_subnetMask);
            if (length >= 42)
            {
                FormatAddressDigits(m_routerAddress, sizeof(m_routerAddress), data + 30);
                Log("Default Gateway: %s", m_routerAddress);
            }
            m_tcpPort = static_cast<WORD>(DigitsValue(data + 25, 5));
            Log("Port: %d", m_tcpPort);
        }
    }
    if (m_busy & BUSY_LAN_INFO)
    {
        PostStatus(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_LAN_INFO);
    }
}

void CDeviceProtocol::TakeDateTime(const CDeviceMessage* message)
{
    if (m_busy & (BUSY_GET_DATETIME | BUSY_SET_DATETIME))
        StopTimer();
    if (m_busy & BUSY_GET_DATETIME)
    {
        memset(&m_dateTime, 0, sizeof(m_dateTime));
        m_dateExtraFlag = 0;
        const BYTE* data;
        int length;
        GetIE(message, IE_DATE_TIME, &data, &length);
        if (length >= 6)
        {
            // A date out of range is not handed on: the dialog then shows
            // the computer's date. A day the month does not have (31 April,
            // 29 February of a common year) is out of range too.
            static const BYTE kMonthDays[12] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
            const int year = data[5] + 2000;
            const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
            const bool valid = data[0] < 60 && data[1] < 60 && data[2] < 24 && data[4] >= 1 && data[4] <= 12 &&
                               data[3] >= 1 && data[3] <= kMonthDays[data[4] - 1] &&
                               !(data[4] == 2 && data[3] == 29 && !leap);
            if (valid)
            {
                m_dateTime.wSecond = data[0];
                m_dateTime.wMinute = data[1];
                m_dateTime.wHour = data[2];
                m_dateTime.wDay = data[3];
                m_dateTime.wMonth = data[4];
                m_dateTime.wYear = static_cast<WORD>(year);
            }
        }
        const BYTE* extra;
        int extraLength;
        if (GetIE(message, IE_DATE_EXTRA, &extra, &extraLength) && extraLength >= 3)
        {
            m_dateExtraFlag = 1;
            m_dateExtra[0] = extra[0];
            m_dateExtra[1] = extra[1];
            m_extraYear = extra[2] ? static_cast<WORD>(extra[2] + 2000) : 0;
        }
        PostStatus(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_GET_DATETIME);
    }
    if (m_busy & BUSY_SET_DATETIME)
    {
        PostStatus(ENGINE_STATUS_SET_DATETIME_ANSWERED, ENGINE_RESULT_OK);
        m_busy &= ~static_cast<DWORD>(BUSY_SET_DATETIME);
    }
}

void CDeviceProtocol::TakeModuleInfo(const CDeviceMessage* message)
{
    if (m_busy & BUSY_MODULE_INFO)
        StopTimer();
    StoreText(message, IE_MODULE_INFO, m_moduleType, sizeof(m_moduleType), 63, nullptr);
    StoreText(message, IE_MODULE_IMEI, m_imei, sizeof(m_imei), 31, nullptr);
    StoreText(message, IE_MODULE_IMSI, m_imsi, sizeof(m_imsi), 31, nullptr);
    StoreText(message, IE_MODULE_NETWORK, m_network, sizeof(m_network), 63, nullptr);
    PostStatus(ENGINE_STATUS_MODULE_INFO_ANSWERED, ENGINE_RESULT_OK);
    m_busy &= ~static_cast<DWORD>(BUSY_MODULE_INFO);
}

// One token of the cell text into its fixed field: its first characters, a
// token of zeros fills the field with zeros, a shorter token ends with a
// terminator.
static void FillCellField(char* field, int fieldSize, const char* token, int tokenLength)
{
    memset(field, 0, fieldSize);
    bool zeros = tokenLength > 0;
    for (int i = 0; i < tokenLength; ++i)
        if (token[i] != '0')
            zeros = false;
    if (zeros)
    {
        memset(field, '0', fieldSize);
        return;
    }
    memcpy(field, token, tokenLength < fieldSize ? tokenLength : fieldSize);
}

void CDeviceProtocol::TakeCells(const CDeviceMessage* message)
{
    if (!(m_busy & BUSY_GSM_CELLS))
        return;
    StopTimer();
    ClearCells();
    const BYTE* data;
    int length;
    GetIE(message, IE_GSM_CELLS, &data, &length);
    const char* text = reinterpret_cast<const char*>(data) + 1;
    const int textLength = length - 1; // byte 0 is not used
    int token = 0;
    int pos = 0;
    while (pos < textLength)
    {
        int start = pos;
        while (pos < textLength && text[pos] != ',' && text[pos] != 0)
            ++pos;
        const int tokenLength = pos - start;
        if (pos < textLength && text[pos] == 0)
            pos = textLength; // the text ends at its terminator
        else
            ++pos;
        if (tokenLength == 0)
            continue; // consecutive commas are one separator
        const int cell = token / 9;
        const int field = token % 9;
        ++token;
        if (cell >= GSM_CELL_COUNT)
            break;
        GsmCellRecord& record = m_cells[cell];
        if (field == 0)
            m_cellCount = cell + 1;
        switch (field)
        {
        case 0: FillCellField(record.mcc, sizeof(record.mcc), text + start, tokenLength); break;
        case 1: FillCellField(record.mnc, sizeof(record.mnc), text + start, tokenLength); break;
        case 2: FillCellField(record.lac, sizeof(record.lac), text + start, tokenLength); break;
        case 3: FillCellField(record.cellId, sizeof(record.cellId), text + start, tokenLength); break;
        default: break;
        }
    }
    PostStatus(ENGINE_STATUS_CELLS_ANSWERED, ENGINE_RESULT_OK);
    m_busy &= ~static_cast<DWORD>(BUSY_GSM_CELLS);
}

// ---------------------------------------------------------------------------
// Diagnostics answers (any state, any message)

void CDeviceProtocol::TakeDiagnostics(const CDeviceMessage* message)
{
    const BYTE* data;
    int length;
    if (GetIE(message, IE_DIAG_ISDN_LINES, &data, &length))
    {
        memcpy(m_isdnLines, data, length < 8 ? length : 8);
        SendStatus(ENGINE_STATUS_DIAG_ISDN_LINES, 0);
        return;
    }
    if (GetIE(message, IE_DIAG_ISDN_CREDIT, &data, &length))
    {
        int pos = 0;
        while (pos + 2 <= length && pos + 2 + data[pos + 1] <= length)
        {
            const int index = data[pos];
            const int entryLength = data[pos + 1];
            if (entryLength == DIAG_RECORD_SIZE && index < 4)
                memcpy(m_isdnCredit[index], data + pos + 2, DIAG_RECORD_SIZE);
            pos += 2 + entryLength;
        }
        SendStatus(ENGINE_STATUS_DIAG_ISDN_CREDIT, 0);
        return;
    }
    if (GetIE(message, IE_DIAG_CARD, &data, &length))
    {
        int last = -1;
        int pos = 0;
        while (pos + 5 <= length && pos + 5 + data[pos + 4] <= length)
        {
            const int index = data[pos];
            const int textLength = data[pos + 4];
            if (index < DIAG_CARD_COUNT)
            {
                DiagCardEntry& card = m_cards[index];
                card.value = static_cast<WORD>(data[pos + 1] | (data[pos + 2] << 8));
                card.state = data[pos + 3];
                const int kept = textLength < 40 ? textLength : 40;
                memcpy(card.text, data + pos + 5, kept);
                card.text[kept] = 0;
                last = index;
            }
            pos += 5 + textLength;
        }
        // Go on only while the device moves forward, and not for ever.
        if (last >= 1 && last < 31 && last >= m_cardChainIndex && m_cardChainCount < DIAG_CHAIN_LIMIT - 1)
        {
            ++m_cardChainCount;
            if (SendDiagnosticsRequest(10, last + 1))
                return;
        }
        SendStatus(ENGINE_STATUS_DIAG_CARDS, 0);
        return;
    }
    if (GetIE(message, IE_DIAG_GSM_CREDIT, &data, &length))
    {
        int last = -1;
        int pos = 0;
        while (pos + 2 <= length && pos + 2 + data[pos + 1] <= length)
        {
            const int index = data[pos];
            const int entryLength = data[pos + 1];
            const BYTE* entry = data + pos + 2;
            if (index < DIAG_GSM_CREDIT_COUNT && (entryLength == 8 || entryLength == 16 || entryLength == 48))
            {
                BYTE* a = m_gsmCreditA[index];
                BYTE* b = m_gsmCreditB[index];
                memset(a, 0, DIAG_RECORD_SIZE);
                memset(b, 0, DIAG_RECORD_SIZE);
                if (entryLength == 8)
                {
                    memcpy(a, entry, 8);
                }
                else if (entryLength == 16)
                {
                    memcpy(a, entry, 8);
                    memcpy(b, entry + 8, 8);
                }
                else
                {
                    memcpy(a, entry, 24);
                    memcpy(b, entry + 24, 24);
                }
                last = index;
            }
            pos += 2 + entryLength;
        }
        if (last >= 1 && last < 31 && last >= m_creditChainIndex && m_creditChainCount < DIAG_CHAIN_LIMIT - 1)
        {
            ++m_creditChainCount;
            if (SendDiagnosticsRequest(11, last + 1))
                return;
        }
        SendStatus(ENGINE_STATUS_DIAG_GSM_CREDIT, 0);
        return;
    }
    if (GetIE(message, IE_DIAG_GSM_USAGE, &data, &length))
    {
        if (length > 0)
            SendStatus(ENGINE_STATUS_DIAG_GSM_USAGE, data[0]);
        return;
    }
    if (GetIE(message, IE_DIAG_GSM_STATISTICS, &data, &length))
    {
        memcpy(m_gsmStatistics, data, length < 24 ? length : 24);
        SendStatus(ENGINE_STATUS_DIAG_GSM_STATISTICS, 0);
        return;
    }
    if (GetIE(message, IE_DIAG_VOIP, &data, &length))
    {
        int pos = 0;
        while (pos < length)
        {
            int nameLength = 0;
            while (pos + nameLength < length && data[pos + nameLength] != 0)
                ++nameLength;
            if (nameLength == 0)
            {
                // An empty name ends the list (only then is it complete).
                if (pos + nameLength < length)
                    SendStatus(ENGINE_STATUS_DIAG_VOIP, 0);
                return;
            }
            if (pos + nameLength + 1 + 12 > length)
                return; // a row that overruns the element ends the walk
            BYTE row[DIAG_VOIP_ROW_SIZE] = {};
            const int kept = nameLength < 23 ? nameLength : 23;
            memcpy(row, data + pos, kept);
            memcpy(row + 24, data + pos + nameLength + 1, 12);
            BYTE(*table)[DIAG_VOIP_ROW_SIZE] = (row[30] & 1) ? m_voipUsers : m_voipTrunks;
            const int rows = (row[30] & 1) ? DIAG_VOIP_USER_ROWS : DIAG_VOIP_TRUNK_ROWS;
            for (int i = 0; i < rows; ++i)
            {
                if (table[i][0] == 0)
                {
                    memcpy(table[i], row, DIAG_VOIP_ROW_SIZE);
                    break;
                }
            }
            pos += nameLength + 1 + 12;
        }
    }
}
