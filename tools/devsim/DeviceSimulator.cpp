#include "tools/devsim/DeviceSimulator.h"
#include <algorithm>
#include <cstring>

namespace devsim
{
namespace
{

// One message carries at most this much element data: with the type, the
// length, a two-byte element header and the checksum the message stays
// within the 257 bytes the program's receiver takes.
const size_t kMaxElementData = 252;

Bytes TextBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

std::string ElementText(const Bytes& data)
{
    std::string s(data.begin(), data.end());
    size_t nul = s.find('\0');
    if (nul != std::string::npos)
        s.resize(nul);
    return s;
}

bool Elapsed(DWORD deadline)
{
    return (LONG)(::GetTickCount() - deadline) >= 0;
}

// Splits a run of entries into answers of one element each, as many whole
// entries per answer as fit.
void SplitEntries(BYTE tag, const std::vector<Bytes>& entries, std::vector<SimMessage>* answers)
{
    Bytes data;
    for (const Bytes& entry : entries)
    {
        if (!data.empty() && data.size() + entry.size() > kMaxElementData)
        {
            answers->push_back(SimMessage(SIM_POSITIVE).Add(tag, data));
            data.clear();
        }
        data.insert(data.end(), entry.begin(), entry.end());
    }
    if (!data.empty() || answers->empty())
        answers->push_back(SimMessage(SIM_POSITIVE).Add(tag, data));
}
}

CDeviceSimulator::CDeviceSimulator()
{
    ::InitializeCriticalSection(&m_lock);
    ::InitializeCriticalSection(&m_sendLock);
    data.image.assign(SIM_IMAGE_SIZE, 0xFF);
    // The record's format word, little-endian as the device stores it.
    data.image[0] = 0x1A;
    data.image[1] = 0x01;
    data.image[2] = 0x01;
    data.image[3] = 0x18;
    data.lanInfo = TextBytes(std::string("\x00", 1) + "192168001010255255255000" "01002" "192168001001");
    for (int i = 0; i < 4; ++i)
        data.isdnCredit[i] = Bytes(24, (BYTE)(0x10 + i));
    for (int i = 0; i < 8; ++i)
    {
        data.cards[i].present = true;
        data.cards[i].value = (WORD)(0x100 + i);
        data.cards[i].state = (BYTE)(i % 3);
        data.cards[i].text = "Card " + std::to_string(i + 1) + " ready";
    }
}

CDeviceSimulator::~CDeviceSimulator()
{
    Stop();
    ::DeleteCriticalSection(&m_sendLock);
    ::DeleteCriticalSection(&m_lock);
}

// The operations the device answers, tried in this order against the
// elements of a request: add a row (and its handler) for a new one.
const SimOperation* CDeviceSimulator::Operations(size_t* count)
{
    static const SimOperation kOperations[] = {
        { TAG_LOADER_VERSION, "system information", false, &CDeviceSimulator::OnSystemInfo },
        { TAG_SWITCH_TO_FIRMWARE, "switch to firmware", false, &CDeviceSimulator::OnSwitchToFirmware },
        { TAG_RESET, "reset", true, &CDeviceSimulator::OnReset },
        { TAG_KEEPALIVE, "keep-alive", false, &CDeviceSimulator::OnKeepAlive },
        { TAG_MONITOR_START, "monitor start", false, &CDeviceSimulator::OnMonitorStart },
        { TAG_MONITOR_STOP, "monitor stop", false, &CDeviceSimulator::OnMonitorStop },
        { TAG_MONITOR_TEXT, "monitor command", true, &CDeviceSimulator::OnMonitorText },
        { TAG_DATE_TIME, "date and time", true, &CDeviceSimulator::OnDateTime },
        { TAG_LAN_INFO, "LAN information", false, &CDeviceSimulator::OnLanInfo },
        { TAG_MODULE_INFO, "module information", false, &CDeviceSimulator::OnModuleInfo },
        { TAG_GSM_MODULE_RESET, "module reset", true, &CDeviceSimulator::OnModuleReset },
        { TAG_GSM_CELLS, "cell list", false, &CDeviceSimulator::OnCells },
        { TAG_NEW_PASSWORD, "password change", true, &CDeviceSimulator::OnNewPassword },
        { TAG_DIAG_ISDN_LINES, "ISDN line states", false, &CDeviceSimulator::OnIsdnLines },
        { TAG_DIAG_ISDN_CREDIT, "ISDN credit", false, &CDeviceSimulator::OnIsdnCredit },
        { TAG_DIAG_CARD, "card states", false, &CDeviceSimulator::OnCards },
        { TAG_DIAG_GSM_CREDIT, "GSM credit", false, &CDeviceSimulator::OnGsmCredit },
        { TAG_DIAG_GSM_USAGE, "GSM usage", false, &CDeviceSimulator::OnGsmUsage },
        { TAG_DIAG_GSM_STATISTICS, "GSM statistics", false, &CDeviceSimulator::OnGsmStatistics },
        { TAG_DIAG_VOIP, "VoIP rows", false, &CDeviceSimulator::OnVoip },
        { TAG_DOWNLOAD_DATA, "configuration block read", true, &CDeviceSimulator::OnDownloadBlock },
        { TAG_UPLOAD_SIZE, "configuration upload start", true, &CDeviceSimulator::OnUploadStart },
        { TAG_UPLOAD_DATA, "configuration block write", true, &CDeviceSimulator::OnUploadBlock },
        { TAG_UPLOAD_STOP, "configuration upload stop", false, &CDeviceSimulator::OnUploadStop },
        { TAG_FLASH_START, "firmware update start", true, &CDeviceSimulator::OnFlashStart },
        { TAG_FLASH_DATA, "firmware block", false, &CDeviceSimulator::OnFlashBlock },
        { TAG_FLASH_STOP, "firmware update stop", false, &CDeviceSimulator::OnFlashStop },
        { TAG_FLASH_CANCEL, "firmware update cancel", false, &CDeviceSimulator::OnFlashCancel },
        { TAG_ANNOUNCEMENT_START, "announcement start", true, &CDeviceSimulator::OnAnnouncementStart },
        { TAG_ANNOUNCEMENT_DATA, "announcement block", false, &CDeviceSimulator::OnAnnouncementBlock },
        { TAG_ANNOUNCEMENT_STOP, "announcement stop", false, &CDeviceSimulator::OnAnnouncementStop },
        { TAG_CDR_REQUEST, "CDR block", true, &CDeviceSimulator::OnCdr },
    };
    *count = sizeof(kOperations) / sizeof(kOperations[0]);
    return kOperations;
}

int CDeviceSimulator::StartTcp()
{
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listener == INVALID_SOCKET)
        return 0;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    int len = sizeof(addr);
    if (::bind(m_listener, (sockaddr*)&addr, sizeof(addr)) != 0 || ::listen(m_listener, 4) != 0
        || ::getsockname(m_listener, (sockaddr*)&addr, &len) != 0)
    {
        ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return 0;
    }
    m_serial = false;
    m_stop = 0;
    m_thread = ::CreateThread(NULL, 0, ThreadProc, this, 0, NULL);
    return m_thread ? ntohs(addr.sin_port) : 0;
}

bool CDeviceSimulator::StartSerial(const char* portName)
{
    std::string path = std::string("\\\\.\\") + portName;
    m_port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (m_port == INVALID_HANDLE_VALUE)
        return false;
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    ::GetCommState(m_port, &dcb);
    dcb.BaudRate = 115200;
    dcb.fBinary = TRUE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    ::SetCommState(m_port, &dcb);
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    ::SetCommTimeouts(m_port, &timeouts);
    ::PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_serial = true;
    m_stop = 0;
    m_thread = ::CreateThread(NULL, 0, ThreadProc, this, 0, NULL);
    return m_thread != NULL;
}

void CDeviceSimulator::Stop()
{
    if (m_thread)
    {
        ::InterlockedExchange(&m_stop, 1);
        ::WaitForSingleObject(m_thread, 5000);
        ::CloseHandle(m_thread);
        m_thread = NULL;
    }
    CloseClient();
    if (m_listener != INVALID_SOCKET)
    {
        ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        ::WSACleanup();
    }
    if (m_port != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }
}

void CDeviceSimulator::SetIdentity(const SimIdentity& identity)
{
    Lock();
    m_identity = identity;
    Unlock();
}

SimIdentity CDeviceSimulator::GetIdentity()
{
    return ReadLocked(m_identity);
}

void CDeviceSimulator::SetPassword(const std::string& password, bool required)
{
    Lock();
    m_password = password;
    m_passwordRequired = required;
    Unlock();
}

void CDeviceSimulator::SetFaults(const SimFaults& faults)
{
    Lock();
    m_faults = faults;
    Unlock();
}

SimFaults CDeviceSimulator::GetFaults()
{
    return ReadLocked(m_faults);
}

void CDeviceSimulator::RefuseNext(BYTE tag, BYTE cause, int count)
{
    Lock();
    m_refusals[tag] = std::make_pair(cause, count);
    Unlock();
}

void CDeviceSimulator::SetRestart(DWORD downMs, bool sendEvents)
{
    Lock();
    m_restartDownMs = downMs;
    m_restartEvents = sendEvents;
    Unlock();
}

std::vector<SimMessage> CDeviceSimulator::Received()
{
    return ReadLocked(m_received);
}

size_t CDeviceSimulator::ReceivedCount()
{
    Lock();
    size_t n = m_received.size();
    Unlock();
    return n;
}

std::vector<Bytes> CDeviceSimulator::Rejected()
{
    return ReadLocked(m_rejected);
}

Bytes CDeviceSimulator::RawReceived()
{
    return ReadLocked(m_raw);
}

void CDeviceSimulator::ClearReceived()
{
    Lock();
    m_received.clear();
    m_rejected.clear();
    m_raw.clear();
    Unlock();
}

int CDeviceSimulator::Connections()
{
    return ReadLocked(m_connections);
}

int CDeviceSimulator::Acks()
{
    return ReadLocked(m_acks);
}

bool CDeviceSimulator::Booting()
{
    return ReadLocked(m_booting);
}

bool CDeviceSimulator::WaitForReceived(size_t count, DWORD timeoutMs)
{
    DWORD deadline = ::GetTickCount() + timeoutMs;
    while (ReceivedCount() < count)
    {
        if (Elapsed(deadline))
            return false;
        ::Sleep(2);
    }
    return true;
}

bool CDeviceSimulator::WaitForConnections(int count, DWORD timeoutMs)
{
    DWORD deadline = ::GetTickCount() + timeoutMs;
    while (Connections() < count)
    {
        if (Elapsed(deadline))
            return false;
        ::Sleep(2);
    }
    return true;
}

DWORD WINAPI CDeviceSimulator::ThreadProc(LPVOID param)
{
    static_cast<CDeviceSimulator*>(param)->Run();
    return 0;
}

void CDeviceSimulator::Run()
{
    if (m_serial)
        RunSerial();
    else
        RunTcp();
}

// Ends a restart whose time is up: the device runs its new program and will
// announce itself once the link is up again.
static bool FinishBoot(bool* booting, DWORD bootUntil)
{
    if (*booting && Elapsed(bootUntil))
    {
        *booting = false;
        return true;
    }
    return false;
}

void CDeviceSimulator::RunTcp()
{
    while (!m_stop)
    {
        Lock();
        if (m_dropRequested)
        {
            m_dropRequested = false;
            Unlock();
            CloseClient();
            Lock();
        }
        if (FinishBoot(&m_booting, m_bootUntil))
        {
            m_identity.running = m_bootInto;
            m_announcePending = m_bootEvent != 0;
        }
        bool booting = m_booting;
        Unlock();

        if (m_client == INVALID_SOCKET)
        {
            if (booting)
            {
                ::Sleep(5);
                continue;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_listener, &readable);
            timeval tv = { 0, 20000 };
            if (::select(0, &readable, NULL, NULL, &tv) > 0)
            {
                SOCKET s = ::accept(m_listener, NULL, NULL);
                if (s != INVALID_SOCKET)
                {
                    BOOL noDelay = TRUE;
                    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&noDelay, sizeof(noDelay));
                    ::EnterCriticalSection(&m_sendLock);
                    m_client = s;
                    ::LeaveCriticalSection(&m_sendLock);
                    Lock();
                    ++m_connections;
                    m_deframer.Reset();
                    Unlock();
                    OnLinkUp();
                }
            }
            continue;
        }

        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_client, &readable);
        timeval tv = { 0, 20000 };
        int ready = ::select(0, &readable, NULL, NULL, &tv);
        if (ready < 0)
        {
            CloseClient();
            continue;
        }
        if (ready == 0)
            continue;
        BYTE buffer[512];
        int n = ::recv(m_client, (char*)buffer, sizeof(buffer), 0);
        if (n <= 0)
        {
            CloseClient();
            continue;
        }
        OnBytes(buffer, (size_t)n);
    }
}

void CDeviceSimulator::RunSerial()
{
    while (!m_stop)
    {
        Lock();
        bool announce = false;
        if (FinishBoot(&m_booting, m_bootUntil))
        {
            m_identity.running = m_bootInto;
            m_announcePending = m_bootEvent != 0;
            announce = true;
        }
        bool booting = m_booting;
        Unlock();
        if (announce)
            OnLinkUp();

        DWORD errors = 0;
        COMSTAT status = {};
        ::ClearCommError(m_port, &errors, &status);
        if (status.cbInQue == 0)
        {
            ::Sleep(2);
            continue;
        }
        BYTE buffer[512];
        DWORD wanted = status.cbInQue < sizeof(buffer) ? status.cbInQue : sizeof(buffer);
        DWORD got = 0;
        if (!::ReadFile(m_port, buffer, wanted, &got, NULL) || got == 0)
        {
            ::Sleep(2);
            continue;
        }
        // A restarting device hears nothing.
        if (!booting)
            OnBytes(buffer, got);
    }
}

void CDeviceSimulator::CloseClient()
{
    ::EnterCriticalSection(&m_sendLock);
    if (m_client != INVALID_SOCKET)
    {
        ::shutdown(m_client, SD_BOTH);
        ::closesocket(m_client);
        m_client = INVALID_SOCKET;
    }
    ::LeaveCriticalSection(&m_sendLock);
}

void CDeviceSimulator::OnLinkUp()
{
    Lock();
    bool announce = m_announcePending && m_restartEvents;
    m_announcePending = false;
    BYTE eventTag = m_bootEvent;
    SimIdentity id = m_identity;
    Unlock();
    if (!announce || !eventTag)
        return;
    SendToProgram(RestartEvent(eventTag, id));
}

// The event a device sends when it comes up running id.running.
SimMessage CDeviceSimulator::RestartEvent(BYTE eventTag, const SimIdentity& id)
{
    SimMessage event(SIM_REQUEST);
    event.Add(eventTag, Bytes{ id.boardKind, id.boardNumber });
    event.AddText(TAG_LOADER_VERSION, id.loaderVersion);
    if (id.running == 2)
    {
        event.AddText(TAG_FIRMWARE_VERSION, id.firmwareVersion);
        event.AddText(TAG_VOIP_VERSION, id.voipVersion);
    }
    event.AddText(TAG_DEVICE_NAME, id.deviceName);
    if (id.running == 1 && id.firmwareMissing)
        event.Add(TAG_CAUSE, Bytes{ 0x9F });
    return event;
}

void CDeviceSimulator::OnBytes(const BYTE* bytes, size_t length)
{
    std::vector<Bytes> frames;
    Lock();
    m_raw.insert(m_raw.end(), bytes, bytes + length);
    m_deframer.Feed(bytes, length, &frames);
    Unlock();
    for (const Bytes& frame : frames)
        OnMessage(frame);
}

bool CDeviceSimulator::TakeFault(int* counter)
{
    if (*counter == 0)
        return false;
    if (*counter > 0)
        --*counter;
    return true;
}

// Counts down to the nth answer: true when this is it.
bool CDeviceSimulator::TakeCountdown(int* nth)
{
    if (*nth <= 0)
        return false;
    return --*nth == 0;
}

const char* const CDeviceSimulator::kHostileTrace = "hostile trace\r\n";

SimMessage CDeviceSimulator::Negative(BYTE cause)
{
    return SimMessage(SIM_NEGATIVE).Add(TAG_CAUSE, Bytes{ cause });
}

void CDeviceSimulator::OnMessage(const Bytes& raw)
{
    SimMessage request;
    Lock();
    if (!SimMessage::Decode(raw, &request))
    {
        m_rejected.push_back(raw);
        Unlock();
        return;
    }
    m_received.push_back(request);
    if (m_booting)
    {
        Unlock();
        return;
    }
    if (request.type == SIM_POSITIVE && request.Has(TAG_EVENT_ACK))
        ++m_acks;
    // The program refuses a CDR block with a negative message that is also
    // its next request.
    bool cdrRefusal = request.type == SIM_NEGATIVE && request.Has(TAG_CDR_REQUEST);
    if (request.type != SIM_REQUEST && !cdrRefusal)
    {
        Unlock();
        return;
    }
    if (TakeFault(&m_faults.dropConnection))
    {
        Unlock();
        DropLink();
        return;
    }
    if (TakeFault(&m_faults.noAnswer))
    {
        Unlock();
        return;
    }

    const SimOperation* operation = NULL;
    size_t operationCount = 0;
    const SimOperation* operations = Operations(&operationCount);
    for (size_t i = 0; i < operationCount; ++i)
    {
        if (request.Has(operations[i].tag))
        {
            operation = &operations[i];
            break;
        }
    }

    std::vector<SimMessage> answers;
    const Bytes* password = request.Find(TAG_PASSWORD);
    if (!operation)
    {
        answers.push_back(Negative(CAUSE_UNKNOWN_REQUEST));
    }
    else if ((password && ElementText(*password) != m_password)
             || (!password && operation->needsLogin && m_passwordRequired))
    {
        answers.push_back(Negative(CAUSE_LOGIN_REQUIRED));
    }
    else
    {
        auto refusal = m_refusals.find(operation->tag);
        if (refusal == m_refusals.end() || refusal->second.second == 0)
            refusal = m_refusals.find(0);
        if (refusal != m_refusals.end() && refusal->second.second != 0)
        {
            answers.push_back(Negative(refusal->second.first));
            if (refusal->second.second > 0)
                --refusal->second.second;
        }
        else
        {
            (this->*operation->handler)(request, &answers);
        }
    }
    bool restart = m_restartAfterAnswer;
    m_restartAfterAnswer = false;
    if (TakeCountdown(&m_faults.traceInsteadAt))
    {
        answers.assign(1, SimMessage(SIM_POSITIVE).Add(TAG_MONITOR_START, TextBytes(kHostileTrace)));
        restart = false;
    }
    if (TakeCountdown(&m_faults.restartInsteadAt))
    {
        // The device restarted into its loader instead of answering: the
        // link stays up and the loader announces itself.
        m_identity.running = 1;
        answers.assign(1, RestartEvent(TAG_LOADER_RESTART, m_identity));
        restart = false;
    }
    Unlock();

    Answer(answers);
    if (restart)
    {
        Lock();
        BeginRestart(m_restartInto, m_restartEvent);
        Unlock();
    }
}

void CDeviceSimulator::Answer(const std::vector<SimMessage>& answers)
{
    Lock();
    DWORD delay = m_faults.answerDelayMs;
    Unlock();
    if (delay)
        ::Sleep(delay);
    for (const SimMessage& answer : answers)
    {
        Lock();
        bool bad = TakeFault(&m_faults.badChecksum);
        bool truncated = TakeFault(&m_faults.truncated);
        bool shortFrame = TakeFault(&m_faults.shortFrame);
        bool overlong = TakeFault(&m_faults.overlongBefore);
        bool garbage = TakeFault(&m_faults.garbageBefore);
        Unlock();

        Bytes message = answer.Encode(bad);
        Bytes wire;
        if (garbage)
        {
            static const BYTE kGarbage[] = { 0x11, 0x7A, 0xCD, 0x55, 0x00, 0xFF, 0x10, 0x01, 0xCD, 0x7A };
            wire.insert(wire.end(), kGarbage, kGarbage + sizeof(kGarbage));
        }
        if (overlong)
        {
            Bytes junk = SimFrame(Bytes(300, 0x55));
            wire.insert(wire.end(), junk.begin(), junk.end());
        }
        Bytes frame = SimFrame(shortFrame ? Bytes(message.begin(), message.begin() + 2) : message);
        if (truncated)
            frame.resize(frame.size() / 2);
        wire.insert(wire.end(), frame.begin(), frame.end());

        Lock();
        bool twice = TakeFault(&m_faults.duplicateAnswer);
        bool hold = m_heldAnswers.empty() && TakeFault(&m_faults.swapAnswers);
        std::vector<Bytes> held;
        if (hold)
            m_heldAnswers.push_back(wire);
        else
            held.swap(m_heldAnswers);
        Unlock();
        if (hold)
            continue;
        Transmit(wire);
        if (twice)
            Transmit(wire);
        for (const Bytes& late : held)
            Transmit(late);
    }
}

bool CDeviceSimulator::SendToProgram(const SimMessage& message)
{
    return Transmit(SimFrame(message.Encode()));
}

bool CDeviceSimulator::SendRaw(const Bytes& bytes)
{
    return Transmit(bytes);
}

bool CDeviceSimulator::Transmit(const Bytes& bytes)
{
    bool ok = true;
    ::EnterCriticalSection(&m_sendLock);
    if (m_serial)
    {
        DWORD written = 0;
        ok = m_port != INVALID_HANDLE_VALUE
             && ::WriteFile(m_port, bytes.data(), (DWORD)bytes.size(), &written, NULL)
             && written == bytes.size();
    }
    else if (m_client == INVALID_SOCKET)
    {
        ok = false;
    }
    else
    {
        size_t sent = 0;
        while (ok && sent < bytes.size())
        {
            int n = ::send(m_client, (const char*)bytes.data() + sent, (int)(bytes.size() - sent), 0);
            if (n <= 0)
                ok = false;
            else
                sent += (size_t)n;
        }
    }
    ::LeaveCriticalSection(&m_sendLock);
    return ok;
}

void CDeviceSimulator::DropLink()
{
    if (m_serial)
    {
        Lock();
        BeginRestart(m_identity.running, 0);
        Unlock();
        return;
    }
    Lock();
    m_dropRequested = true;
    Unlock();
    // On the simulator's own thread the drop can happen at once.
    CloseClient();
}

// The link goes down now and comes back after the restart time with the
// device running 'runningAfter' (lock held).
void CDeviceSimulator::BeginRestart(int runningAfter, BYTE eventTag)
{
    m_booting = true;
    m_bootUntil = ::GetTickCount() + m_restartDownMs;
    m_bootInto = runningAfter;
    m_bootEvent = eventTag;
    m_deframer.Reset();
    if (!m_serial)
        m_dropRequested = true;
}

SimMessage CDeviceSimulator::SystemInfoAnswer()
{
    const SimIdentity& id = m_identity;
    SimMessage answer(SIM_POSITIVE);
    answer.AddText(TAG_LOADER_VERSION, id.loaderVersion);
    Bytes info{ (BYTE)id.running, id.boardKind, id.boardNumber };
    if (id.boardKind == 0x83)
    {
        // Two little-endian words, the low word first.
        info.push_back((BYTE)(id.boardValue & 0xFF));
        info.push_back((BYTE)((id.boardValue >> 8) & 0xFF));
        info.push_back((BYTE)((id.boardValue >> 16) & 0xFF));
        info.push_back((BYTE)((id.boardValue >> 24) & 0xFF));
    }
    answer.Add(TAG_SYSTEM_INFO, info);
    answer.AddText(TAG_DEVICE_NAME, id.deviceName);
    if (id.running == 2)
    {
        answer.AddText(TAG_FIRMWARE_VERSION, id.firmwareVersion);
        answer.AddText(TAG_VOIP_VERSION, id.voipVersion);
    }
    return answer;
}

void CDeviceSimulator::OnSystemInfo(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SystemInfoAnswer());
}

void CDeviceSimulator::OnSwitchToFirmware(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_SWITCH_TO_FIRMWARE));
    if (m_identity.running == 1 && !m_identity.firmwareMissing)
    {
        m_restartAfterAnswer = true;
        m_restartInto = 2;
        m_restartEvent = TAG_FIRMWARE_RESTART;
    }
}

void CDeviceSimulator::OnReset(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_RESET));
    m_restartAfterAnswer = true;
    m_restartInto = 1;
    m_restartEvent = TAG_LOADER_RESTART;
}

void CDeviceSimulator::OnKeepAlive(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_KEEPALIVE));
}

void CDeviceSimulator::OnMonitorStart(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_MONITOR_START, TextBytes(data.monitorTrace)));
}

void CDeviceSimulator::OnMonitorStop(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_MONITOR_STOP));
}

void CDeviceSimulator::OnMonitorText(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_MONITOR_TEXT));
}

void CDeviceSimulator::OnDateTime(const SimMessage& request, std::vector<SimMessage>* answers)
{
    const Bytes* set = request.Find(TAG_DATE_TIME);
    if (set && set->size() >= 6)
    {
        SYSTEMTIME& t = data.time;
        t = SYSTEMTIME();
        t.wSecond = (*set)[0];
        t.wMinute = (*set)[1];
        t.wHour = (*set)[2];
        t.wDay = (*set)[3];
        t.wMonth = (*set)[4];
        t.wYear = (WORD)(2000 + (*set)[5]);
        answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DATE_TIME));
        return;
    }
    SYSTEMTIME t = data.time;
    if (t.wYear == 0)
        ::GetLocalTime(&t);
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DATE_TIME,
        Bytes{ (BYTE)t.wSecond, (BYTE)t.wMinute, (BYTE)t.wHour, (BYTE)t.wDay, (BYTE)t.wMonth,
               (BYTE)(t.wYear - 2000) }));
}

void CDeviceSimulator::OnLanInfo(const SimMessage&, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_LAN_INFO, data.lanInfo));
}

void CDeviceSimulator::OnModuleInfo(const SimMessage&, std::vector<SimMessage>* answers)
{
    SimMessage answer(SIM_POSITIVE);
    answer.AddText(TAG_MODULE_INFO, data.moduleType);
    answer.AddText(TAG_MODULE_IMEI, data.imei);
    answer.AddText(TAG_MODULE_IMSI, data.imsi);
    answer.AddText(TAG_MODULE_NETWORK, data.network);
    answers->push_back(answer);
}

void CDeviceSimulator::OnModuleReset(const SimMessage& request, std::vector<SimMessage>* answers)
{
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_GSM_MODULE_RESET, *request.Find(TAG_GSM_MODULE_RESET)));
}

void CDeviceSimulator::OnCells(const SimMessage&, std::vector<SimMessage>* answers)
{
    Bytes text{ 0 };
    text.insert(text.end(), data.cells.begin(), data.cells.end());
    if (text.size() > kMaxElementData)
        text.resize(kMaxElementData);
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_GSM_CELLS, text));
}

void CDeviceSimulator::OnNewPassword(const SimMessage& request, std::vector<SimMessage>* answers)
{
    m_password = ElementText(*request.Find(TAG_NEW_PASSWORD));
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_NEW_PASSWORD));
}

namespace
{
void PutLe(Bytes& out, size_t at, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = (BYTE)(value >> (8 * i));
}

Bytes VoipRow(const std::string& name, DWORD ip, WORD port, WORD flags, WORD state, WORD roundTrip)
{
    Bytes row(name.begin(), name.end());
    row.push_back(0);
    Bytes tail(12, 0);
    for (int i = 0; i < 4; ++i)
        tail[i] = (BYTE)(ip >> (24 - 8 * i)); // network order
    tail[4] = (BYTE)(port >> 8);
    tail[5] = (BYTE)port;
    PutLe(tail, 6, flags, 2);
    PutLe(tail, 8, state, 2);
    PutLe(tail, 10, roundTrip, 2);
    row.insert(row.end(), tail.begin(), tail.end());
    return row;
}
}

void CDeviceSimulator::StepLiveDiagnostics()
{
    if (!data.liveDiagnostics)
        return;
    const int t = ++data.diagnosticsStep;

    // Link 1 runs through its alarms, link 2 blinks a remote alarm, link 3 is quiet.
    static const WORD kLink1[] = { 0x0000, 0x0080, 0x00C0, 0x0003, 0x8000 };
    data.isdnLines.assign(8, 0);
    PutLe(data.isdnLines, 0, kLink1[t % 5], 2);
    PutLe(data.isdnLines, 2, (t & 1) ? 0x0010 : 0x0000, 2);

    for (int link = 0; link < 4; ++link)
    {
        data.isdnCredit[link].assign(24, 0);
        for (int j = 0; j < 6; ++j)
            PutLe(data.isdnCredit[link], 4 * j, (DWORD)(t * 13 * (link + 1) + 61 * j), 4);
    }

    // Card 0 GSM with calls coming and going, card 1 VoIP, cards 2 and 7
    // analog, card 3 GSM with SIM faults, the others empty: more than one
    // message holds, so the program reads them in a chain.
    static const WORD kGsmCycle[] = { 16, 17, 26, 28, 18, 27, 29, 20 };
    static const WORD kGsmFaults[] = { 0x800A, 229, 2, 128 };
    static const WORD kVoip[] = { 38, 42, 43, 33 };
    static const WORD kAnalog[] = { 54, 56, 59, 50 };
    for (int k = 0; k < 32; ++k)
    {
        DeviceData::Card& card = data.cards[k];
        card = DeviceData::Card{ false, 0, 0xFF, std::string() };
        const int m = k % 4;
        switch (k / 4)
        {
        case 0:
            card = { true, (WORD)(kGsmCycle[(t + 3 * m) % 8] | (m == 1 ? 0x1000 : 0)), (BYTE)(8 + (t * 3 + 5 * m) % 23),
                     m == 0 ? "Operator One" : "" };
            break;
        case 1:
            card = { true, kVoip[(t + m) % 4], 0xFF, "" };
            break;
        case 2:
        case 7:
            card = { true, kAnalog[(t + m) % 4], 0xFF, "Line ok" };
            break;
        case 3:
            card = { true, kGsmFaults[m], (BYTE)(m == 0 ? 99 : 0), "" };
            break;
        }
    }

    for (int k = 0; k < 32; ++k)
    {
        if (k < 4)
        {
            data.gsmCredit[k].assign(48, 0);
            for (int j = 0; j < 12; ++j)
                PutLe(data.gsmCredit[k], 4 * j, (DWORD)(t * 7 * (k + 1) + 30 * j), 4);
        }
        else if (k < 16)
        {
            data.gsmCredit[k].assign(8, 0);
            PutLe(data.gsmCredit[k], 0, (DWORD)(t * 5 + k), 4);
        }
        else
        {
            data.gsmCredit[k].clear();
        }
    }

    // Three trunks and thirty users: more than one message holds.
    data.voipRows.clear();
    data.voipRows.push_back(VoipRow("carrier-a", 0xC0A80A01, 5060, 0x0006, 0x0211, (WORD)(20 + t % 15)));
    data.voipRows.push_back(VoipRow("carrier-b", 0, 0, 0x2008, (t & 1) ? 0x0132 : 0x0331, 0));
    data.voipRows.push_back(VoipRow("backup", 0x0A000005, 5080, 0x0002, 0x0120, 0));
    for (int u = 0; u < 30; ++u)
    {
        char name[16];
        snprintf(name, sizeof(name), "user%02d", (u * 7) % 30);
        const bool online = (u + t) % 3 != 0;
        data.voipRows.push_back(VoipRow(name, online ? 0xC0A80B00u + (DWORD)u : 0, online ? 5060 : 0,
                                        (WORD)(0x0001 | (u % 2 ? 0x0002 : 0) | (online ? 0 : 0x2000)),
                                        online ? 0x0011 : 0x0000, (WORD)(online ? 10 + u : 0)));
    }
}

void CDeviceSimulator::OnIsdnLines(const SimMessage&, std::vector<SimMessage>* answers)
{
    StepLiveDiagnostics();
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DIAG_ISDN_LINES, data.isdnLines));
}

void CDeviceSimulator::OnIsdnCredit(const SimMessage& request, std::vector<SimMessage>* answers)
{
    StepLiveDiagnostics();
    std::vector<Bytes> entries;
    for (BYTE index : *request.Find(TAG_DIAG_ISDN_CREDIT))
    {
        if (index >= 4)
            continue;
        Bytes entry{ index, (BYTE)data.isdnCredit[index].size() };
        entry.insert(entry.end(), data.isdnCredit[index].begin(), data.isdnCredit[index].end());
        entries.push_back(entry);
    }
    SplitEntries(TAG_DIAG_ISDN_CREDIT, entries, answers);
}

void CDeviceSimulator::OnCards(const SimMessage& request, std::vector<SimMessage>* answers)
{
    const Bytes* req = request.Find(TAG_DIAG_CARD);
    int first = req->empty() ? 0 : (*req)[0];
    if (first == 0)
        StepLiveDiagnostics(); // a new read of all cards
    // One answer per request: as many entries from the first index as fit;
    // the program asks again from the next index.
    Bytes entries;
    for (int i = first; i < 32; ++i)
    {
        const DeviceData::Card& card = data.cards[i];
        std::string text = card.present ? card.text : std::string();
        Bytes entry{ (BYTE)i, (BYTE)(card.value & 0xFF), (BYTE)(card.value >> 8),
                     card.present ? card.state : (BYTE)0xFF, (BYTE)text.size() };
        entry.insert(entry.end(), text.begin(), text.end());
        if (entries.size() + entry.size() > kMaxElementData)
            break;
        entries.insert(entries.end(), entry.begin(), entry.end());
    }
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DIAG_CARD, entries));
}

void CDeviceSimulator::OnGsmCredit(const SimMessage& request, std::vector<SimMessage>* answers)
{
    const Bytes* req = request.Find(TAG_DIAG_GSM_CREDIT);
    if (!req->empty() && (*req)[0] == 0)
        StepLiveDiagnostics(); // a new read of all modules
    Bytes entries;
    for (BYTE index : *request.Find(TAG_DIAG_GSM_CREDIT))
    {
        if (index >= 32)
            continue;
        Bytes credit = data.gsmCredit[index].empty() ? Bytes(8, 0) : data.gsmCredit[index];
        Bytes entry{ index, (BYTE)credit.size() };
        entry.insert(entry.end(), credit.begin(), credit.end());
        if (entries.size() + entry.size() > kMaxElementData)
            break;
        entries.insert(entries.end(), entry.begin(), entry.end());
    }
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DIAG_GSM_CREDIT, entries));
}

void CDeviceSimulator::OnGsmUsage(const SimMessage&, std::vector<SimMessage>* answers)
{
    StepLiveDiagnostics();
    BYTE value = data.gsmUsage;
    if (!data.gsmUsageSeries.empty())
        value = data.gsmUsageSeries[data.gsmUsageNext++ % data.gsmUsageSeries.size()];
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DIAG_GSM_USAGE, Bytes{ value }));
}

void CDeviceSimulator::OnGsmStatistics(const SimMessage&, std::vector<SimMessage>* answers)
{
    StepLiveDiagnostics();
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DIAG_GSM_STATISTICS, data.gsmStatistics));
}

void CDeviceSimulator::OnVoip(const SimMessage&, std::vector<SimMessage>* answers)
{
    StepLiveDiagnostics();
    std::vector<Bytes> rows = data.voipRows;
    rows.push_back(Bytes(13, 0)); // an empty name ends the list
    SplitEntries(TAG_DIAG_VOIP, rows, answers);
}
}

namespace devsim
{
void CDeviceSimulator::SetImage(const Bytes& image)
{
    Lock();
    data.image = image;
    data.image.resize(SIM_IMAGE_SIZE, 0xFF);
    Unlock();
}

Bytes CDeviceSimulator::GetImage()
{
    return ReadLocked(data.image);
}

// The image offset a block request addresses; false when the address is not
// 4 bytes or lies outside the image.
bool CDeviceSimulator::BlockAddress(const SimMessage& request, DWORD* offset)
{
    const Bytes* a = request.Find(TAG_ADDRESS);
    if (!a || a->size() != 4)
        return false;
    DWORD address = ((DWORD)(*a)[0] << 24) | ((DWORD)(*a)[1] << 16) | ((DWORD)(*a)[2] << 8) | (*a)[3];
    if (address < SIM_IMAGE_BASE || address - SIM_IMAGE_BASE >= SIM_IMAGE_SIZE)
        return false;
    *offset = address - SIM_IMAGE_BASE;
    return true;
}

static Bytes AddressBytes(DWORD address)
{
    return Bytes{ (BYTE)(address >> 24), (BYTE)(address >> 16), (BYTE)(address >> 8), (BYTE)address };
}

void CDeviceSimulator::OnDownloadBlock(const SimMessage& request, std::vector<SimMessage>* answers)
{
    ++data.downloadRequests;
    DWORD offset = 0;
    if (!BlockAddress(request, &offset))
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    if (m_faults.loseBlockAt && m_faults.loseBlockAt == offset + 1)
    {
        m_faults.loseBlockAt = 0;
        return;
    }
    size_t length = SIM_DOWNLOAD_BLOCK;
    if (offset + length > SIM_IMAGE_SIZE)
        length = SIM_IMAGE_SIZE - offset;
    if (m_faults.resizeDataEvery > 0 && data.downloadRequests % m_faults.resizeDataEvery == 0)
        length = std::min(m_faults.resizedDataLength, std::min<size_t>(SIM_IMAGE_SIZE - offset, 255)); // one length byte
    Bytes block(data.image.begin() + offset, data.image.begin() + offset + length);
    DWORD address = SIM_IMAGE_BASE + offset;
    if (TakeFault(&m_faults.answerPastImage))
        address = SIM_IMAGE_BASE + SIM_IMAGE_SIZE + (DWORD)SIM_DOWNLOAD_BLOCK;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_DOWNLOAD_DATA, block).Add(TAG_ADDRESS, AddressBytes(address)));
}

void CDeviceSimulator::OnUploadStart(const SimMessage& request, std::vector<SimMessage>* answers)
{
    if (TakeFault(&m_faults.restartBeforeUpload))
    {
        answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_RESET));
        m_restartAfterAnswer = true;
        m_restartInto = m_identity.running;
        m_restartEvent = 0;
        return;
    }
    const Bytes* size = request.Find(TAG_UPLOAD_SIZE);
    DWORD announced = size && size->size() == 4
                          ? ((DWORD)(*size)[0] << 24) | ((DWORD)(*size)[1] << 16) | ((DWORD)(*size)[2] << 8) | (*size)[3]
                          : 0;
    if (announced != SIM_IMAGE_SIZE)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    const Bytes* flag = request.Find(TAG_UPLOAD_FLAG);
    data.uploadWithoutNetwork = flag && !flag->empty() && (*flag)[0] == 1;
    // The device erases its image store first: what is not written stays 0xFF.
    data.staging.assign(SIM_IMAGE_SIZE, 0xFF);
    data.uploading = true;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_UPLOAD_SIZE));
}

void CDeviceSimulator::OnUploadBlock(const SimMessage& request, std::vector<SimMessage>* answers)
{
    DWORD offset = 0;
    const Bytes* block = request.Find(TAG_UPLOAD_DATA);
    if (!data.uploading || !BlockAddress(request, &offset))
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    if (m_faults.loseBlockAt && m_faults.loseBlockAt == offset + 1)
    {
        m_faults.loseBlockAt = 0;
        return;
    }
    ++data.uploadBlocks;
    // Padding behind the image end is dropped.
    size_t length = block->size();
    if (offset + length > SIM_IMAGE_SIZE)
        length = SIM_IMAGE_SIZE - offset;
    std::copy(block->begin(), block->begin() + length, data.staging.begin() + offset);
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_ADDRESS, AddressBytes(SIM_IMAGE_BASE + offset)));
}

void CDeviceSimulator::OnUploadStop(const SimMessage&, std::vector<SimMessage>* answers)
{
    if (!data.uploading)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    data.uploading = false;
    if (data.uploadWithoutNetwork)
        std::copy(data.image.begin() + 4, data.image.begin() + 256, data.staging.begin() + 4);
    data.image.swap(data.staging);
    data.staging.clear();
    ++data.uploadsDone;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_UPLOAD_STOP));
    // The device restarts to take the new configuration.
    m_restartAfterAnswer = true;
    m_restartInto = m_identity.running;
    m_restartEvent = TAG_FIRMWARE_RESTART;
}
}

namespace devsim
{
static DWORD BigEndian(const Bytes* b)
{
    if (!b || b->size() != 4)
        return 0xFFFFFFFF;
    return ((DWORD)(*b)[0] << 24) | ((DWORD)(*b)[1] << 16) | ((DWORD)(*b)[2] << 8) | (*b)[3];
}

static Bytes BigEndianBytes(DWORD v)
{
    return Bytes{ (BYTE)(v >> 24), (BYTE)(v >> 16), (BYTE)(v >> 8), (BYTE)v };
}

bool CDeviceSimulator::SendTrace(const std::string& text)
{
    bool ok = true;
    for (size_t pos = 0; pos < text.size() && ok; pos += kMaxElementData)
        ok = SendToProgram(SimMessage(SIM_POSITIVE).Add(TAG_MONITOR_START, TextBytes(text.substr(pos, kMaxElementData))));
    return ok;
}

void CDeviceSimulator::OnFlashStart(const SimMessage&, std::vector<SimMessage>* answers)
{
    if (TakeFault(&m_faults.flashSilent))
        return;
    if (m_identity.running != 1)
    {
        // The firmware cannot write itself: restart into the loader first.
        answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_RESET));
        m_restartAfterAnswer = true;
        m_restartInto = 1;
        m_restartEvent = TAG_LOADER_RESTART;
        return;
    }
    data.flashPending.clear();
    data.flashOpen = true;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_START, Bytes{ 1 }));
}

void CDeviceSimulator::OnFlashBlock(const SimMessage& request, std::vector<SimMessage>* answers)
{
    if (TakeFault(&m_faults.flashSilent))
        return;
    DWORD address = BigEndian(request.Find(TAG_FLASH_ADDRESS));
    if (!data.flashOpen || address == 0xFFFFFFFF)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    if (TakeFault(&m_faults.eraseWaits))
    {
        answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_ERASE));
        return;
    }
    data.flashPending[address] = *request.Find(TAG_FLASH_DATA);
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_ADDRESS, BigEndianBytes(address)));
}

void CDeviceSimulator::OnFlashStop(const SimMessage&, std::vector<SimMessage>* answers)
{
    if (TakeFault(&m_faults.flashSilent))
        return;
    if (!data.flashOpen)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    data.flashOpen = false;
    for (const auto& block : data.flashPending)
        data.flash[block.first] = block.second;
    data.flashPending.clear();
    ++data.flashUpdatesDone;
    m_identity.firmwareMissing = false;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_STOP));
    // The new firmware starts.
    m_restartAfterAnswer = true;
    m_restartInto = 2;
    m_restartEvent = TAG_FIRMWARE_RESTART;
}

void CDeviceSimulator::OnFlashCancel(const SimMessage&, std::vector<SimMessage>* answers)
{
    data.flashOpen = false;
    data.flashPending.clear();
    ++data.flashCancels;
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_CANCEL));
}

void CDeviceSimulator::OnAnnouncementStart(const SimMessage& request, std::vector<SimMessage>* answers)
{
    const Bytes* type = request.Find(TAG_ANNOUNCEMENT_START);
    if (!type || type->size() != 1 || (*type)[0] > 3)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    data.announcementType = (*type)[0];
    data.announcementPending.clear();
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_ANNOUNCEMENT_START, *type));
}

void CDeviceSimulator::OnAnnouncementBlock(const SimMessage& request, std::vector<SimMessage>* answers)
{
    DWORD position = BigEndian(request.Find(TAG_ADDRESS));
    if (data.announcementType < 0 || position > 0x40000)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    if (TakeFault(&m_faults.eraseWaits))
    {
        answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_FLASH_ERASE));
        return;
    }
    const Bytes* block = request.Find(TAG_ANNOUNCEMENT_DATA);
    if (data.announcementPending.size() < position + block->size())
        data.announcementPending.resize(position + block->size(), 0xFF);
    std::copy(block->begin(), block->end(), data.announcementPending.begin() + position);
    answers->push_back(
        SimMessage(SIM_POSITIVE).Add(TAG_ANNOUNCEMENT_DATA).Add(TAG_ADDRESS, BigEndianBytes(position)));
}

void CDeviceSimulator::OnAnnouncementStop(const SimMessage&, std::vector<SimMessage>* answers)
{
    if (data.announcementType < 0)
    {
        answers->push_back(Negative(CAUSE_REFUSED));
        return;
    }
    Bytes file = data.announcementPending;
    // The RIFF size tells where the file ends and the block padding begins.
    if (file.size() >= 8)
    {
        DWORD riff = file[4] | (file[5] << 8) | (file[6] << 16) | ((DWORD)file[7] << 24);
        if (riff + 8 <= file.size())
            file.resize(riff + 8);
    }
    data.announcements[data.announcementType] = file;
    data.announcementType = -1;
    data.announcementPending.clear();
    answers->push_back(SimMessage(SIM_POSITIVE).Add(TAG_ANNOUNCEMENT_STOP, Bytes{ 0 }));
}

// The next block of unread records at the current ring position.
SimMessage CDeviceSimulator::CdrBlock()
{
    Bytes block;
    for (int i = 0; i < data.cdrBlockRecords && i < (int)data.cdrRecords.size(); ++i)
    {
        if (block.size() + SIM_CDR_RECORD > kMaxElementData - 6)
            break;
        block.insert(block.end(), data.cdrRecords[i].begin(), data.cdrRecords[i].end());
    }
    SimMessage answer(SIM_POSITIVE);
    answer.Add(TAG_CDR_REQUEST, block);
    if (!block.empty())
        answer.Add(TAG_CDR_POSITION, BigEndianBytes(data.cdrPosition));
    return answer;
}

void CDeviceSimulator::OnCdr(const SimMessage& request, std::vector<SimMessage>* answers)
{
    const Bytes* count = request.Find(TAG_CDR_REQUEST);
    const Bytes* position = request.Find(TAG_CDR_POSITION);
    if (!count->empty() && position && BigEndian(position) == data.cdrPosition)
    {
        // The program took the block at this position: those records are read.
        size_t taken = (*count)[0] / SIM_CDR_RECORD;
        const Bytes* cause = request.Find(TAG_CAUSE);
        if (request.type == SIM_NEGATIVE && cause && cause->size() >= 2 && (*cause)[0] == 0x99)
        {
            // Records before the bad one were written; the bad one is dropped.
            data.cdrBadReports.push_back((*cause)[1]);
            taken = (*cause)[1];
        }
        if (taken > data.cdrRecords.size())
            taken = data.cdrRecords.size();
        data.cdrRecords.erase(data.cdrRecords.begin(), data.cdrRecords.begin() + taken);
        data.cdrPosition = (data.cdrPosition + (DWORD)taken * SIM_CDR_RECORD) % SIM_CDR_RING;
    }
    answers->push_back(CdrBlock());
}
}
