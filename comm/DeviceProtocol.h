#pragma once
#include "wcl/Win.h"
#include "comm/CommMessages.h"
#include "comm/DeviceMessage.h"
#include "comm/DeviceProtocolMonitor.h"
#include "comm/EngineStatus.h"
#include "comm/LmfFile.h"
#include "comm/WaveFile.h"
#include "comm/CdrExportFile.h"

class CCommLogCtrl;
class CDeviceProtocol;

// The configuration image: the device keeps its configuration record as one
// flat image mapped at DEVICE_IMAGE_BASE.
const DWORD ENGINE_IMAGE_SIZE = 484868;
const DWORD DEVICE_IMAGE_BASE = 0x60000000;
const int DOWNLOAD_BLOCK_SIZE = 128;
const int UPLOAD_BLOCK_SIZE = 208;

// The engine's image buffer: download target, upload source.
extern BYTE g_EngineImage[ENGINE_IMAGE_SIZE];

// Image helpers of the transfers.
int CopyToImage(BYTE* image, const BYTE* data, DWORD offset, int length);
int CopyFromImage(const BYTE* image, BYTE* out, DWORD offset, int length);
DWORD SkipErasedRun(const BYTE* image, DWORD offset);
DWORD NextDownloadOffset(BYTE* image, DWORD offset);

// Engine states.
enum EngineState
{
    ENGINE_INITIAL = 1,
    ENGINE_RESET_SENT = 2,
    ENGINE_RESTARTING = 3,
    ENGINE_RESTART_SYSINFO = 5,
    ENGINE_RESTART_SYSINFO_LAST = 6,
    ENGINE_SWITCHING_TO_FIRMWARE = 7,
    ENGINE_READY = 10,
    ENGINE_FLASH_START = 21,
    ENGINE_FLASH_WAIT_LOADER = 22,
    ENGINE_FLASH_BLOCKS = 23,
    ENGINE_DOWNLOAD = 30,
    ENGINE_UPLOAD_START = 40,
    ENGINE_UPLOAD_BLOCKS = 41,
    ENGINE_UPLOAD_RESTART_BEFORE = 42,
    ENGINE_UPLOAD_RESTART_AFTER = 43,
    ENGINE_FAILED = 50,
    ENGINE_CDR_DOWNLOAD = 60,
    ENGINE_ANNOUNCEMENT_START = 70,
    ENGINE_ANNOUNCEMENT_BLOCKS = 71,
};

// Busy bits: which plain request waits for its answer, and a few flags.
enum EngineBusy : DWORD
{
    BUSY_NO_FIRMWARE = 0x0001,
    BUSY_MONITOR_START = 0x0002,
    BUSY_MONITOR_STOP = 0x0004,
    BUSY_MONITOR_COMMAND = 0x0008,
    BUSY_FLASH_CANCEL = 0x0010,
    BUSY_SYSTEM_INFO = 0x0020,
    BUSY_LAN_INFO = 0x0040,
    BUSY_VERSION_QUERY = 0x0080,
    BUSY_PASSWORD = 0x0100,
    BUSY_GET_DATETIME = 0x0200,
    BUSY_SET_DATETIME = 0x0400,
    BUSY_MODULE_INFO = 0x0800,
    BUSY_MODULE_RESET = 0x1000,
    BUSY_GSM_CELLS = 0x2000,
    BUSY_SWITCH_TO_FIRMWARE = 0x4000,
    BUSY_UPLOAD_RESTARTED = 0x8000,
    // The bits of the plain requests, cleared when an operation ends.
    BUSY_OPERATION_BITS = 0x00FE | 0x3F00,
};

// The main frame's connect command, sent when a diagnostics request finds
// the link down.
const UINT ENGINE_CMD_CONNECT = 32792;

// The link the engine talks through; replaced by tests.
class IEngineLink
{
public:
    virtual ~IEngineLink() {}
    // 0 closed, 1 connecting (TCP), 2 ready.
    virtual int State() = 0;
    // Takes the message (process heap) in any case; 1 queued.
    virtual int QueueSend(CDeviceMessage* message, int length) = 0;
    // Closes the link as the device drops it: TCP disconnects, a serial port
    // is suspended until it comes back.
    virtual void Disconnect() = 0;
    // Opens the link again quietly.
    virtual int Reconnect(HWND notify) = 0;
    virtual bool IsSerial() = 0;
};

// The engine's one-shot response timer; replaced by tests, which fire it.
class IEngineTimer
{
public:
    virtual ~IEngineTimer() {}
    // Arms a timer that calls engine->OnTimeout(id); returns its id (non-zero).
    virtual UINT_PTR Start(CDeviceProtocol* engine, UINT milliseconds) = 0;
    virtual void Stop(UINT_PTR id) = 0;
    // A clock in microseconds that the transfers pace their requests by.
    virtual ULONGLONG NowMicroseconds() = 0;
    // Raises the system's timer resolution while a transfer runs (the
    // default tick would stretch every pacing delay to its next multiple).
    virtual void SetHighResolution(bool on) = 0;
};

// The real link of the program and thread timers on the UI thread.
IEngineLink* GetCommEngineLink();
IEngineTimer* GetThreadEngineTimer();

// A handler of a state's messages and time-outs. The core states are in the
// engine's own table; the service operations (firmware, announcement, CDR)
// bring theirs in GetServiceStateHandlers.
struct EngineStateHandler
{
    int state;
    void (CDeviceProtocol::*onMessage)(const CDeviceMessage* message);
    // Called with the retry counter below 3.
    void (CDeviceProtocol::*onTimeout)();
};
const EngineStateHandler* GetServiceStateHandlers(int* count);

// The progress of the firmware and announcement updates: done x 100 / total
// (0 for an empty total).
int ProgressPercent(DWORD done, DWORD total);

// One card of the diagnostics.
struct DiagCardEntry
{
    WORD value;
    BYTE state; // 0xFF = none
    char text[41];
};

// One cell of the GSM cell list: fixed fields without terminators.
struct GsmCellRecord
{
    char mcc[3];
    char mnc[2];
    char lac[4];
    char cellId[4];
};

const int DIAG_CARD_COUNT = 32;
const int DIAG_GSM_CREDIT_COUNT = 32;
const int DIAG_RECORD_SIZE = 24;
const int DIAG_VOIP_ROW_SIZE = 36;
const int DIAG_VOIP_TRUNK_ROWS = 8;
const int DIAG_VOIP_USER_ROWS = 110;
const int GSM_CELL_COUNT = 7;
// A chained diagnostics read (cards, GSM credit) ends after this many
// exchanges even when the device keeps answering.
const int DIAG_CHAIN_LIMIT = 32;

// The protocol engine: builds and sends every request, receives every message
// of the device, runs one operation at a time with a single response timer
// and up to three repeats, and reports to the main frame with
// WMU_ENGINE_STATUS. Everything runs on the UI thread.
class CDeviceProtocol
{
public:
    // The program's engine uses the real link and thread timers; tests give
    // their own.
    CDeviceProtocol();
    CDeviceProtocol(IEngineLink* link, IEngineTimer* timer);
    virtual ~CDeviceProtocol();

    CDeviceProtocol(const CDeviceProtocol&) = delete;
    CDeviceProtocol& operator=(const CDeviceProtocol&) = delete;

    // Attachments handed over by the main frame.
    void SetNotifyWindow(HWND wnd) { m_hNotify = wnd; }
    HWND GetNotifyWindow() const { return m_hNotify; }
    void SetMonitorLog(IEngineMonitorLog* log) { m_monitorLog = log; }
    void SetCommLog(CCommLogCtrl* log) { m_commLog = log; m_lmfFile.SetCommLog(log); }

    // Core.
    // Takes the message in every case: queued to the link, or freed.
    int Send(CDeviceMessage* message);
    void StartTimer(UINT milliseconds);
    void StopTimer();
    // The dispatcher of a received message of length bytes; frees it.
    void OnMessage(CDeviceMessage* message, int length);
    void OnTimeout(UINT_PTR timerId);
    void FormatCause(const BYTE* causeElement, int dataLength);
    void FormatCause(const CDeviceMessage* message);

    // Configuration image transfer.
    int StartDataDownload();
    int RequestDataBlock(BOOL quiet);
    int CancelDataDownload();
    int StartDataUpload(const void* record, BOOL withoutNetwork);
    int SendDataBlock(BOOL quiet);
    int StopDataUpload(BOOL repeat);
    int CancelDataUpload();

    // Device requests.
    int GetDateTime();
    int SetDateTime(const SYSTEMTIME* time);
    int ResetDevice();
    int GetSystemInfo();
    int QueryVersion();
    int GetLanInfo();
    int SetMonitor(BOOL start);
    int SendMonitorCommand(const char* text);
    int SendKeepAlive();
    int GetModuleInfo(int module);
    int ResetGsmModule(int module);
    int GetGsmCells(int module);
    int ChangePassword(const char* newPassword, const char* oldPassword);
    int RequestDiagnostics(int page, int index);

    // The device password of the login.
    void SetPassword(const char* password);
    const char* GetPassword() const { return m_password; }

    // What the device told.
    int GetState() const { return m_state; }
    DWORD GetBusy() const { return m_busy; }
    int GetRetries() const { return m_retries; }
    bool IsTimerArmed() const { return m_timerId != 0; }
    const char* GetCauseText() const { return m_causeText; }
    const char* GetLoaderVersion() const { return m_loaderVersion; }
    const char* GetFirmwareVersion() const { return m_firmwareVersion; }
    const char* GetVoipVersion() const { return m_voipVersion; }
    const char* GetDeviceName() const { return m_deviceName; }
    BYTE GetBoardKind() const { return m_boardKind; }
    BYTE GetBoardNumber() const { return m_boardNumber; }
    BYTE GetRunningProgram() const { return m_runningProgram; }
    DWORD GetBoardValue() const { return m_boardValue; }
    const char* GetIpAddress() const { return m_ipAddress; }
    const char* GetSubnetMask() const { return m_subnetMask; }
    const char* GetRouterAddress() const { return m_routerAddress; }
    WORD GetTcpPort() const { return m_tcpPort; }
    BYTE GetDhcp() const { return m_dhcp; }
    // wYear 0: the device gave no valid date.
    const SYSTEMTIME& GetDeviceTime() const { return m_dateTime; }
    BYTE GetDateExtraFlag() const { return m_dateExtraFlag; }
    const BYTE* GetDateExtraBytes() const { return m_dateExtra; }
    WORD GetExtraYear() const { return m_extraYear; }
    const char* GetModuleType() const { return m_moduleType; }
    const char* GetModuleImei() const { return m_imei; }
    const char* GetModuleImsi() const { return m_imsi; }
    const char* GetModuleNetwork() const { return m_network; }
    int GetLastModule() const { return m_lastModule; }
    const GsmCellRecord* GetCells() const { return m_cells; }
    int GetCellCount() const { return m_cellCount; }
    const BYTE* GetIsdnLines() const { return m_isdnLines; }
    const BYTE* GetIsdnCredit(int line) const { return m_isdnCredit[line]; }
    const DiagCardEntry* GetCards() const { return m_cards; }
    const BYTE* GetGsmCreditA(int module) const { return m_gsmCreditA[module]; }
    const BYTE* GetGsmCreditB(int module) const { return m_gsmCreditB[module]; }
    const BYTE* GetGsmStatistics() const { return m_gsmStatistics; }
    const BYTE* GetVoipTrunkRow(int row) const { return m_voipTrunks[row]; }
    const BYTE* GetVoipUserRow(int row) const { return m_voipUsers[row]; }
    BYTE* GetImage() const { return m_image; }
    DWORD GetRequestedOffset() const { return m_requestedOffset; }
    DWORD GetExpectedOffset() const { return m_expectedOffset; }
    DWORD GetNextOffset() const { return m_nextOffset; }
    DWORD GetPendingRequests() const { return m_pending; }

    // Handlers of the state table (messages in the state, time-outs below 3
    // retries).
    void OnResetAnswer(const CDeviceMessage* message);
    void OnRestartSysInfoAnswer(const CDeviceMessage* message);
    void OnRestartSysInfoLastAnswer(const CDeviceMessage* message);
    void OnReadyAnswer(const CDeviceMessage* message);
    void OnDownloadAnswer(const CDeviceMessage* message);
    void OnUploadStartAnswer(const CDeviceMessage* message);
    void OnUploadBlockAnswer(const CDeviceMessage* message);
    void OnResetTimeout();
    void OnRestartingTimeout();
    void OnRestartSysInfoTimeout();
    void OnRestartSysInfoLastTimeout();
    void OnSwitchingTimeout();
    void OnReadyTimeout();
    void OnDownloadTimeout();
    void OnUploadStartTimeout();
    void OnUploadBlockTimeout();
    void OnUploadRestartBeforeTimeout();
    void OnUploadRestartAfterTimeout();

    // Service operations (firmware update, announcement, CDR download) hook
    // in here: they close their files when an operation fails, and the
    // firmware update restarts after a loader restart or a missing firmware.
    void OnServiceFailure();
    void RestartFirmwareUpdate();
    void StartFirmwareUpdateForNoFirmware();

    // ---- Service operations (DeviceProtocolService.cpp) -------------------
    // Firmware update through the loader, announcement update and CDR
    // download. The frame opens and checks the files before it starts an
    // operation and closes them when the progress dialog ends; the engine
    // closes them earlier when the device ends or refuses the operation.
    int SelectFirmwareFile(char* path, int size);
    int StartFirmwareUpdate();
    int SendFirmwareBlock(BOOL retry);
    int StopFirmwareUpdate(BOOL retry);
    int CancelFirmwareUpdate(BOOL retry);
    int SelectAnnouncementFile(char* path, int size);
    int StartAnnouncementUpdate(int type);
    int SendAnnouncementBlock(BOOL retry);
    int StopAnnouncementUpdate(BOOL retry);
    int CancelAnnouncementUpdate();
    int StartCdrDownload(BOOL retry);
    int CancelCdrDownload();

    CLmfFile& GetLmfFile() { return m_lmfFile; }
    CWaveFile& GetWaveFile() { return m_waveFile; }
    CCdrExportFile& GetCdrExportFile() { return m_cdrFile; }
    int GetAnnouncementType() const { return m_announcementType; }
    int GetEraseCount() const { return m_eraseCount; }
    DWORD GetCdrPosition() const { return m_cdrPosition; }
    int GetCdrLastCount() const { return m_cdrLastCount; }
    DWORD GetCdrBadRecord() const { return m_cdrBadRecord; }

    // Handlers of the service states.
    void OnFlashStartAnswer(const CDeviceMessage* message);
    void OnFlashBlockAnswer(const CDeviceMessage* message);
    void OnFlashStartTimeout();
    void OnFlashWaitLoaderTimeout();
    void OnFlashBlockTimeout();
    void OnAnnouncementStartAnswer(const CDeviceMessage* message);
    void OnAnnouncementBlockAnswer(const CDeviceMessage* message);
    void OnAnnouncementStartTimeout();
    void OnAnnouncementBlockTimeout();
    void OnCdrAnswer(const CDeviceMessage* message);
    void OnCdrTimeout();
    // ---- end of the service operations --------------------------------------

private:
    friend struct EngineTestAccess;

    void Construct(IEngineLink* link, IEngineTimer* timer);

    // Helpers of the request pattern.
    bool EnsureLogin();
    bool AskPassword();
    CDeviceMessage* NewRequest(BYTE type);
    void AddPassword(CDeviceMessage* message, const char* password);
    void FinishRequest(CDeviceMessage* message, const char* logLine, int sentStatus, UINT timeout, DWORD busyBit);
    void PostStatus(int code, int result);
    void SendStatus(int code, int result);
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SendSimple(BYTE type, BYTE tag);
    bool IsOperationRunning() const;
    bool SendBesideOperation(CDeviceMessage* message);
    void SendSystemInfoRequest();
    void SendSwitchToFirmware();
    void CloseLink();
    // The device restarts: the link closes and state waits for it to return.
    void AwaitRestart(int state, UINT timeout);
    // Asks the device that came back what it runs now.
    void AskAfterRestart(int state, bool repeat);
    // Reconnect step of the restart time-outs: false when the caller must
    // return (the timer was re-armed or the failure path taken).
    bool ReconnectStep();
    void FailOperation();
    void FailOperationForRestart(bool firmwareRestart);
    void ReportOperationFailed(int status, int result);
    void EndOperation();
    void ClearOperationBits() { m_busy &= ~static_cast<DWORD>(BUSY_OPERATION_BITS); }
    DWORD FirstPendingBit() const;
    int RepeatRequest(DWORD bit);
    void OnReadyNegative(const CDeviceMessage* message);
    // Ends the request awaiting a positive answer; false when none awaits it.
    bool TakeAwaitedAnswer(DWORD bit, int status);
    // Login step of a negative answer with cause 0x92: true when the login
    // was accepted (go on with the retry rule).
    bool LoginStep(int answerStatus, DWORD bit);

    // Device events and stored information.
    bool OnDeviceEvent(const CDeviceMessage* message);
    void TakeBoard(const BYTE* data, int length);
    void TakeSystemInfo(const CDeviceMessage* message);
    void StoreVersions(const CDeviceMessage* message, bool loader, bool firmware);
    void StoreText(const CDeviceMessage* message, BYTE tag, char* field, int fieldSize, int maxChars,
                   const char* logFormat);
    void ClearVersions();
    void ClearBoard();
    void ClearLan();
    void ClearTables(bool isdnToo);
    void ClearCells();
    void MonitorOffAfterRestart();
    void TakeMonitorTraffic(const CDeviceMessage* message);

    // Answers of the plain requests.
    void TakeSystemInfoAnswer(const CDeviceMessage* message);
    void TakeLanInfo(const CDeviceMessage* message);
    void TakeDateTime(const CDeviceMessage* message);
    void TakeModuleInfo(const CDeviceMessage* message);
    void TakeCells(const CDeviceMessage* message);
    void TakeDiagnostics(const CDeviceMessage* message);
    int SendDiagnosticsRequest(int page, int index);

    // Transfers.
    bool TransferLogin(int endStatus);
    // A transfer's negative answer: true when the caller repeats its request.
    bool TransferRefused(const CDeviceMessage* message, int endStatus);
    // The window of block requests both transfers keep in flight.
    void ResetTransferWindow();
    void SendWindowRequest(CDeviceMessage* message, int progressStatus, BOOL quiet);
    void StartWindowTimer(UINT answerTimeout);
    bool FreeWindowPlace();
    // Whether the next block may go out now: the pacing delay has passed
    // since the previous request went out. A wait of under two milliseconds
    // is waited here, as no timer is that exact.
    bool PacingDue();
    ULONGLONG PacingLeftUs();
    bool WindowHasRoom() const;
    // Follows the state: a transfer holds the raised timer resolution.
    void FollowTimerResolution();
    void CancelTransfer(const char* logLine, int endStatus);
    void RewindDownload();
    void RewindUpload();
    bool TakeLateVersion(const CDeviceMessage* message);
    static int UploadBlockLength(DWORD offset);

    const EngineStateHandler* FindHandler(int state) const;

    IEngineLink* m_link;
    IEngineTimer* m_timer;

    HWND m_hNotify;
    int m_state;
    DWORD m_busy;
    int m_retries;
    UINT_PTR m_timerId;
    IEngineMonitorLog* m_monitorLog;
    CCommLogCtrl* m_commLog;
    char m_causeText[64];

    // Transfer counters.
    DWORD m_requestedOffset;
    DWORD m_expectedOffset;
    DWORD m_nextOffset;
    DWORD m_blockSize;
    DWORD m_window;
    DWORD m_pending;
    DWORD m_restartWait;
    DWORD m_uploadWithoutNetwork;
    BYTE* m_image;
    // When the last block request went out (the timer seam's clock).
    ULONGLONG m_lastRequestUs;
    bool m_highResolution;

    char m_password[33];
    char m_newPasswordRepeat[33];
    char m_oldPasswordRepeat[33];
    char m_monitorCommand[128];

    SYSTEMTIME m_dateTime;
    BYTE m_dateExtraFlag;
    BYTE m_dateExtra[2];
    WORD m_extraYear;

    char m_loaderVersion[64];
    char m_firmwareVersion[64];
    char m_voipVersion[64];
    char m_deviceName[64];

    BYTE m_boardKind;
    BYTE m_boardNumber;
    BYTE m_runningProgram;
    DWORD m_boardValue;

    char m_ipAddress[32];
    char m_subnetMask[32];
    char m_routerAddress[32];
    WORD m_tcpPort;
    BYTE m_dhcp;

    BYTE m_isdnLines[8];
    BYTE m_isdnCredit[4][DIAG_RECORD_SIZE];
    DiagCardEntry m_cards[DIAG_CARD_COUNT];
    BYTE m_gsmCreditA[DIAG_GSM_CREDIT_COUNT][DIAG_RECORD_SIZE];
    BYTE m_gsmCreditB[DIAG_GSM_CREDIT_COUNT][DIAG_RECORD_SIZE];
    BYTE m_gsmStatistics[24];
    BYTE m_voipTrunks[DIAG_VOIP_TRUNK_ROWS][DIAG_VOIP_ROW_SIZE];
    BYTE m_voipUsers[DIAG_VOIP_USER_ROWS][DIAG_VOIP_ROW_SIZE];

    // Chained diagnostics reads: the index asked for and the exchanges made.
    int m_cardChainIndex;
    int m_cardChainCount;
    int m_creditChainIndex;
    int m_creditChainCount;

    char m_moduleType[64];
    char m_imei[32];
    char m_imsi[32];
    char m_network[64];
    GsmCellRecord m_cells[GSM_CELL_COUNT];
    int m_cellCount;
    int m_lastModule;

    // Waits of the reconnect step while a serial port stays closed.
    int m_reconnectWaits;
    // A password prompt is open (nested message loop): refusals and time-outs
    // that arrive meanwhile are dropped.
    bool m_loginPromptOpen;

    // ---- Service operations (DeviceProtocolService.cpp) -------------------
    // Ends a service operation that cannot go on: closes its file, posts its
    // end status with the result, and returns to the ready state.
    void EndFirmwareUpdate(int result);
    void EndAnnouncementUpdate(int result);
    void EndCdrDownload(int result);
    // The login step of a refused password: false when the operation ended
    // (no password given, or something else happened meanwhile).
    bool ServiceLogin(void (CDeviceProtocol::*end)(int));
    // A refusal's password step and third-refusal end: true to repeat.
    bool ServiceRefused(const CDeviceMessage* message, BYTE cause, void (CDeviceProtocol::*end)(int));
    void EndWithoutCause(const char* logLine, void (CDeviceProtocol::*end)(int));
    void LogFlashBlock();
    // Repeats of a start or first request that keep the timer running even
    // when the link is not back and nothing could go out.
    void RepeatFirmwareStart();
    void RepeatAnnouncementStart();
    void RepeatCdrRequest(BOOL retry);
    // Arms the answer's time-out, counts a repeat as a try, enters state.
    void AwaitServiceAnswer(int state, UINT timeout, bool repeat);

    CDeviceFirmwareFile m_lmfFile;
    CWaveFile m_waveFile;
    CCdrExportFile m_cdrFile;
    int m_announcementType = 0;
    int m_eraseCount = 0;
    DWORD m_cdrPosition = 0xFFFFFFFF;
    int m_cdrLastCount = -1;
    DWORD m_cdrBadRecord = 0;
    // ---- end of the service operations --------------------------------------
};

// Shows the fatal error box for reason (1: out of memory) and ends the
// process with that exit code.
void FatalAllocError(int reason);

// The program's engine.
extern CDeviceProtocol g_DeviceProtocol;
