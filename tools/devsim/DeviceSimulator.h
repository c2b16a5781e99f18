#pragma once
// The device on the other end of the link, for the tests: it listens on a
// loopback TCP port or serves a COM port, deframes requests, answers them from
// a table of operations and can misbehave on request.
#include "tools/devsim/SimMessage.h"
#include <map>
#include <string>
#include <vector>

namespace devsim
{
// Element tags the device knows.
enum : BYTE
{
    TAG_LOADER_RESTART = 0x11,
    TAG_EVENT_ACK = 0x12,
    TAG_FIRMWARE_RESTART = 0x13,
    TAG_LOADER_VERSION = 0x15,
    TAG_FIRMWARE_VERSION = 0x16,
    TAG_SYSTEM_INFO = 0x17,
    TAG_DEVICE_NAME = 0x18,
    TAG_VOIP_VERSION = 0x1A,
    TAG_FLASH_START = 0x21,
    TAG_FLASH_DATA = 0x22,
    TAG_FLASH_ADDRESS = 0x26,
    TAG_FLASH_CANCEL = 0x27,
    TAG_NEW_PASSWORD = 0x28,
    TAG_FLASH_STOP = 0x29,
    TAG_UPLOAD_SIZE = 0x40,
    TAG_UPLOAD_DATA = 0x41,
    TAG_DOWNLOAD_DATA = 0x42,
    TAG_ANNOUNCEMENT_START = 0x43,
    TAG_ANNOUNCEMENT_DATA = 0x44,
    TAG_FLASH_ERASE = 0x45,
    TAG_ADDRESS = 0x46,
    TAG_ANNOUNCEMENT_STOP = 0x48,
    TAG_UPLOAD_STOP = 0x49,
    TAG_CDR_REQUEST = 0x4A,
    TAG_CDR_POSITION = 0x4B,
    TAG_UPLOAD_FLAG = 0x55,
    TAG_MONITOR_START = 0x31,
    TAG_MONITOR_STOP = 0x32,
    TAG_MONITOR_TEXT = 0x33,
    TAG_KEEPALIVE = 0x34,
    TAG_SWITCH_TO_LOADER = 0x51,
    TAG_SWITCH_TO_FIRMWARE = 0x52,
    TAG_DIAG_VOIP = 0x5F,
    TAG_DATE_TIME = 0x61,
    TAG_DIAG_ISDN_LINES = 0x62,
    TAG_DIAG_CARD = 0x63,
    TAG_DIAG_GSM_CREDIT = 0x64,
    TAG_LAN_INFO = 0x66,
    TAG_MODULE_INFO = 0x67,
    TAG_MODULE_IMEI = 0x68,
    TAG_MODULE_IMSI = 0x69,
    TAG_MODULE_NETWORK = 0x6A,
    TAG_GSM_CELLS = 0x6C,
    TAG_DIAG_ISDN_CREDIT = 0x6D,
    TAG_DIAG_GSM_STATISTICS = 0x6E,
    TAG_DIAG_GSM_USAGE = 0x6F,
    TAG_CAUSE = 0x71,
    TAG_RESET = 0x81,
    TAG_GSM_MODULE_RESET = 0x82,
    TAG_POWER_DOWN = 0x83,
    TAG_DATE_EXTRA = 0x88,
    TAG_PASSWORD = 0xD1,
};

enum : BYTE
{
    CAUSE_LOGIN_REQUIRED = 0x92,
    CAUSE_REFUSED = 0x83,
    CAUSE_UNKNOWN_REQUEST = 0x81,
};

// The configuration image and where the device maps it.
const DWORD SIM_IMAGE_SIZE = 484868;
const DWORD SIM_IMAGE_BASE = 0x60000000;
const size_t SIM_DOWNLOAD_BLOCK = 128;

// What the device says about itself.
struct SimIdentity
{
    int running = 2;          // 1 loader, 2 firmware
    std::string loaderVersion = "L1.07";
    std::string firmwareVersion = "3.0.0.5";
    std::string voipVersion = "V2.4.1";
    std::string deviceName = "VELMOTREX-TEST";
    BYTE boardKind = 0x83;    // control board
    BYTE boardNumber = 1;     // data partition
    DWORD boardValue = 0x00030005;
    bool firmwareMissing = false; // the loader's restart event carries cause 0x9F
};

// Misbehaviour, each counted in answers (or requests) still to spoil; -1 for
// every one from now on.
struct SimFaults
{
    int noAnswer = 0;           // requests left unanswered
    DWORD answerDelayMs = 0;    // every answer waits this long
    int badChecksum = 0;        // answers whose checksum is wrong
    int truncated = 0;          // answers cut off before their end byte
    int shortFrame = 0;         // answers replaced by a frame of two message bytes
    int overlongBefore = 0;     // answers preceded by a 300-byte frame
    int garbageBefore = 0;      // answers preceded by stray bytes outside a frame
    int dropConnection = 0;     // requests that make the device drop the link instead
    // Configuration transfer.
    DWORD loseBlockAt = 0;      // image offset + 1 whose block answer is lost once (0: none)
    int duplicateAnswer = 0;    // answers sent twice
    int swapAnswers = 0;        // answers held back and sent after the next one
    int answerPastImage = 0;    // block answers that name an address behind the image
    int restartBeforeUpload = 0; // upload starts answered with a restart first
    // Every nth block read request (counted in downloadRequests; 0: none) is
    // answered with a data element of resizedDataLength bytes, its length
    // byte and the checksum right: shorter, the block's first bytes; longer,
    // the block and the image bytes behind it.
    int resizeDataEvery = 0;
    size_t resizedDataLength = 64;
    // Flash and announcement blocks.
    int eraseWaits = 0;         // block answers replaced by "erasing flash"
    int flashSilent = 0;        // flash requests the loader does not answer
    // In place of one answer (the nth from now, 1 = the next; 0: none): a
    // monitor trace, or a restart into the loader announced by its event.
    int traceInsteadAt = 0;
    int restartInsteadAt = 0;
};

// The CDR ring: records of 64 bytes in a ring of 8 MiB of positions.
const DWORD SIM_CDR_RECORD = 64;
const DWORD SIM_CDR_RING = 0x800000;

class CDeviceSimulator;
typedef void (CDeviceSimulator::*SimHandler)(const SimMessage& request, std::vector<SimMessage>* answers);

// One operation the device answers: the request element that selects it,
// whether it wants the password, its handler.
struct SimOperation
{
    BYTE tag;
    const char* name;
    bool needsLogin;
    SimHandler handler;
};

class CDeviceSimulator
{
public:
    CDeviceSimulator();
    ~CDeviceSimulator();
    CDeviceSimulator(const CDeviceSimulator&) = delete;
    CDeviceSimulator& operator=(const CDeviceSimulator&) = delete;

    // Listens on 127.0.0.1 at an ephemeral port; returns the port, 0 on failure.
    int StartTcp();
    // Serves a COM port ("COM6"); false when it cannot be opened.
    bool StartSerial(const char* portName);
    void Stop();

    // Settings; change them under the simulator's lock (these do).
    void SetIdentity(const SimIdentity& identity);
    SimIdentity GetIdentity();
    void SetPassword(const std::string& password, bool required);
    void SetFaults(const SimFaults& faults);
    SimFaults GetFaults();
    // The next count requests of the operation whose tag is given are refused
    // with cause (tag 0: any operation).
    void RefuseNext(BYTE tag, BYTE cause, int count = 1);
    // How long a restart keeps the link down, and whether the device tells
    // the program that it restarted.
    void SetRestart(DWORD downMs, bool sendEvents);

    // Sends a message of the device's own (an event) on the current link.
    bool SendToProgram(const SimMessage& message);
    // Sends raw bytes as they are.
    bool SendRaw(const Bytes& bytes);
    // Drops the current connection (TCP) or goes silent for the restart time.
    void DropLink();

    // What the device saw: decoded messages, undecodable frame bodies, every
    // raw byte, accepted connections, acknowledged events.
    std::vector<SimMessage> Received();
    size_t ReceivedCount();
    std::vector<Bytes> Rejected();
    Bytes RawReceived();
    void ClearReceived();
    int Connections();
    int Acks();
    bool Booting();
    // Waits until count messages arrived in all; false on time-out.
    bool WaitForReceived(size_t count, DWORD timeoutMs);
    bool WaitForConnections(int count, DWORD timeoutMs);

    static const SimOperation* Operations(size_t* count);

private:
    static DWORD WINAPI ThreadProc(LPVOID param);
    void Run();
    void RunTcp();
    void RunSerial();
    void OnBytes(const BYTE* bytes, size_t length);
    void OnMessage(const Bytes& raw);
    void Answer(const std::vector<SimMessage>& answers);
    bool Transmit(const Bytes& bytes);
    bool TakeFault(int* counter);
    bool TakeCountdown(int* nth);
    SimMessage RestartEvent(BYTE eventTag, const SimIdentity& id);
    void CloseClient();
    void BeginRestart(int runningAfter, BYTE eventTag);
    void OnLinkUp();
    SimMessage Negative(BYTE cause);
    SimMessage SystemInfoAnswer();

    // Operations.
    void OnSystemInfo(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnSwitchToFirmware(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnReset(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnKeepAlive(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnMonitorStart(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnMonitorStop(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnMonitorText(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnDateTime(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnLanInfo(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnModuleInfo(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnModuleReset(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnCells(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnNewPassword(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnIsdnLines(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnIsdnCredit(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnCards(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnGsmCredit(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnGsmUsage(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnGsmStatistics(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnVoip(const SimMessage& request, std::vector<SimMessage>* answers);
    // The live diagnostics data of the next step (under the lock).
    void StepLiveDiagnostics();
    void OnDownloadBlock(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnUploadStart(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnUploadBlock(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnUploadStop(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnFlashStart(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnFlashBlock(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnFlashStop(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnFlashCancel(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnAnnouncementStart(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnAnnouncementBlock(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnAnnouncementStop(const SimMessage& request, std::vector<SimMessage>* answers);
    void OnCdr(const SimMessage& request, std::vector<SimMessage>* answers);
    SimMessage CdrBlock();
    bool BlockAddress(const SimMessage& request, DWORD* offset);

public:
    // Device data the diagnostics and information requests answer from.
    // Change under Lock/Unlock while the simulator runs.
    struct DeviceData
    {
        SYSTEMTIME time = {};            // zero: the host's clock
        Bytes lanInfo;                   // IE_LAN_INFO data
        std::string moduleType = "GSM-MOD-2", imei = "356938035643809",
                    imsi = "262011234567890", network = "TEST-NET";
        std::string cells = "262,01,1A2B,00FF,1,2,3,4,5,262,02,0C0D,0E0F,1,2,3,4,5";
        Bytes isdnLines = Bytes{ 1, 2, 3, 0, 0, 0, 0, 0 };
        Bytes isdnCredit[4];
        struct Card { bool present; WORD value; BYTE state; std::string text; } cards[32] = {};
        Bytes gsmCredit[32];             // 8, 16 or 48 bytes; empty = absent
        BYTE gsmUsage = 42;
        // Usage values answered in turn, one per request, from the first
        // again after the last; empty: gsmUsage every time.
        Bytes gsmUsageSeries;
        size_t gsmUsageNext = 0;
        Bytes gsmStatistics = Bytes(24, 7);
        std::vector<Bytes> voipRows;     // name with NUL, then 12 bytes
        // When set, every diagnostics answer first moves the data on one
        // step (line alarms, module states and signals, credits, VoIP rows
        // enough to fill several messages), as a busy device would.
        bool liveDiagnostics = false;
        int diagnosticsStep = 0;
        std::string monitorTrace = "";   // text sent with the monitor start answer
        Bytes image;                     // the configuration image (SIM_IMAGE_SIZE bytes)
        Bytes staging;                   // what an upload in progress wrote (erased: 0xFF)
        bool uploading = false;
        bool uploadWithoutNetwork = false;
        int downloadRequests = 0, uploadBlocks = 0, uploadsDone = 0;

        // Flash written through the loader: address -> bytes, kept when the
        // update stops, dropped when it is cancelled.
        std::map<DWORD, Bytes> flash, flashPending;
        bool flashOpen = false;
        int flashUpdatesDone = 0, flashCancels = 0;

        // Announcements by type (0..3), the whole file as sent.
        Bytes announcements[4];
        Bytes announcementPending;
        int announcementType = -1;

        // CDR records not yet read, the ring position of the first, records
        // per block and the bad records reported by the program (their numbers).
        std::vector<Bytes> cdrRecords;
        DWORD cdrPosition = 0;
        int cdrBlockRecords = 3;
        std::vector<int> cdrBadReports;
    } data;
    // The trace text that replaces an answer (traceInsteadAt).
    static const char* const kHostileTrace;
    // Sends monitor trace text as the device does, unasked (split as needed).
    bool SendTrace(const std::string& text);
    // The device's image (under the lock).
    void SetImage(const Bytes& image);
    Bytes GetImage();
    void Lock() { ::EnterCriticalSection(&m_lock); }
    void Unlock() { ::LeaveCriticalSection(&m_lock); }

private:
    // A copy of a field the simulator's thread writes, taken under the lock.
    template <typename T> T ReadLocked(const T& field)
    {
        Lock();
        T copy = field;
        Unlock();
        return copy;
    }

    CRITICAL_SECTION m_lock;
    CRITICAL_SECTION m_sendLock;
    HANDLE m_thread = NULL;
    volatile LONG m_stop = 0;
    bool m_serial = false;
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_client = INVALID_SOCKET;
    HANDLE m_port = INVALID_HANDLE_VALUE;

    SimIdentity m_identity;
    SimFaults m_faults;
    std::string m_password;
    bool m_passwordRequired = false;
    std::map<BYTE, std::pair<BYTE, int>> m_refusals; // tag -> cause, count
    DWORD m_restartDownMs = 200;
    bool m_restartEvents = true;

    // Restart in progress: the link stays down until m_bootUntil, then the
    // device runs m_bootInto and announces itself with m_bootEvent.
    bool m_booting = false;
    DWORD m_bootUntil = 0;
    int m_bootInto = 2;
    BYTE m_bootEvent = 0;
    bool m_announcePending = false;
    bool m_dropRequested = false;
    // Set by a handler: restart once its answer went out.
    bool m_restartAfterAnswer = false;
    int m_restartInto = 0;
    BYTE m_restartEvent = 0;

    SimDeframer m_deframer;
    std::vector<Bytes> m_heldAnswers; // answers held back by swapAnswers
    std::vector<SimMessage> m_received;
    std::vector<Bytes> m_rejected;
    Bytes m_raw;
    int m_connections = 0;
    int m_acks = 0;
};
}
