#pragma once
#include "wcl/WindowImpl.h"
#include "base/DiskFile.h"
#include "comm/CommLogCtrl.h"
#include "comm/DeviceProtocolMonitor.h"
#include "res/resource.h"

class CDeviceProtocol;
class IEngineLink;

// The monitor log tab: the user starts and stops system monitoring of the
// device, picks the classes of trace events the device sends (16 check boxes,
// a 16-bit mask), types monitor commands, and reads the device's trace text.
// The text is shown in a log view and copied to the temporary file
// "~monlog.tmp" from which the log is saved. Timestamped banners mark start,
// stop, temporary stop, resumption, loss and recovery of monitoring.
// UI thread only.
class CMonitorLog : public CDialogImpl<CMonitorLog>, public IEngineMonitorLog
{
public:
    enum { IDD = IDD_MONITOR_LOG };

    // Window timers.
    enum : UINT_PTR
    {
        TimerKeepAlive = 1,
        TimerAnswer = 2,
        TimerReconnect = 3,
    };
    static const UINT kAnswerWaitMs = 5000;
    static const UINT kReconnectPeriodMs = 1000;
    // The frame's save-log command.
    static const UINT kSaveLogCommand = 32785;

    // Opens the temporary file empty (each program run starts a new one).
    CMonitorLog();
    // Closes and deletes the temporary file.
    virtual ~CMonitorLog();

    // The engine and the link monitoring goes through: the program's own by
    // default; tests give theirs.
    void SetEngine(CDeviceProtocol* engine) { m_engine = engine; }
    void SetLink(IEngineLink* link) { m_link = link; }

    // IEngineMonitorLog
    void SetMonitoring(BOOL on) override;
    BOOL IsMonitoring() const override { return m_on; }
    int GetSubState() const override { return m_subState; }
    int SendMonitorMask() override;
    void OnMonitorText(const char* text, int length) override;
    void OnMonitorAck() override;

    // Around operations that interrupt monitoring (main frame).
    void MarkTemporaryStop();
    void MarkResumed();

    void ClearLog();
    // Copies the temporary file to path; false when the copy failed.
    bool SaveLog(const char* path);
    void ClearCommandText();
    void Retranslate();

    // Asks for a file name as the frame's save-log command does and saves
    // the monitor log there, whichever tab is shown.
    bool PromptAndSaveLog();

    // The file dialog of PromptAndSaveLog: fills path (size bytes) and
    // returns true on OK. Replaceable for tests (NULL restores the dialog).
    typedef bool (*SavePathPrompt)(HWND owner, char* path, int size);
    static void SetSavePathPrompt(SavePathPrompt prompt);

    CCommLogCtrl& GetView() { return m_view; }
    const char* GetCommandText() const { return m_commandText; }
    BOOL IsLost() const { return m_lost; }
    BOOL IsStoppedByUser() const { return m_stoppedByUser; }
    const char* GetTempPath() const { return m_tempPath; }

    BEGIN_MSG_MAP(CMonitorLog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        COMMAND_ID_HANDLER(IDC_MONITOR_START, OnStart)
        COMMAND_ID_HANDLER(IDC_MONITOR_STOP, OnStop)
        COMMAND_ID_HANDLER(IDC_MONITOR_EXECUTE, OnExecute)
        COMMAND_RANGE_HANDLER(IDC_MONITOR_OPTION1, IDC_MONITOR_OPTION16, OnOptionClicked)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnStart(WORD, WORD, HWND, BOOL&);
    LRESULT OnStop(WORD, WORD, HWND, BOOL&);
    LRESULT OnExecute(WORD, WORD, HWND, BOOL&);
    LRESULT OnOptionClicked(WORD, WORD, HWND, BOOL&);

    static const char kTempFileName[];

private:
    // How a control follows the dialog's size.
    enum : BYTE
    {
        MoveX = 0x1,
        MoveY = 0x2,
        SizeX = 0x4,
        SizeY = 0x8,
    };
    struct ResizeItem
    {
        int id;
        BYTE how;
        RECT initial;
    };

    CDeviceProtocol* Engine() const;
    IEngineLink* Link() const;
    bool LinkReady() const;
    void UpdateControls();
    // "dd/mm/yy hh:mm:ss" of the local clock.
    static void FormatStamp(char* buf, size_t size);
    // A banner in red in the view and, when toFile, with "\r\n" in the file.
    void WriteBanner(const char* text, bool toFile);
    // event: the words between the time and the closing stars.
    void WriteEventBanner(const char* lead, const char* event, bool toFile);
    void WriteStartedBanner();
    void WriteToTempFile(const void* bytes, DWORD length);
    void OpenTempFile(DWORD flags);
    void InitResize();
    void StopAnswerWait();

    CDeviceProtocol* m_engine = nullptr;
    IEngineLink* m_link = nullptr;

    CCommLogCtrl m_view;
    BOOL m_on = FALSE;
    int m_subState = Running;
    BOOL m_lost = FALSE;
    BOOL m_answerPending = FALSE; // a keep-alive waits for its answer
    BOOL m_stoppedByUser = FALSE;
    char m_commandText[128];
    CDiskFile m_tempFile;
    char m_tempPath[MAX_PATH];

    ResizeItem m_resize[23];
    int m_resizeCount = 0;
    SIZE m_initialSize = {};
};
