#include <gtest/gtest.h>
#include "comm/MonitorLog.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/LogView.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include <cctype>
#include <string>

using namespace enginetest;

namespace
{
// Replaces every "dd/dd/dd dd:dd:dd" time stamp by "DD/MM/YY hh:mm:ss".
std::string MaskStamps(const std::string& text)
{
    const char* shape = "99/99/99 99:99:99";
    const size_t n = strlen(shape);
    std::string out = text;
    for (size_t i = 0; i + n <= out.size(); ++i)
    {
        bool match = true;
        for (size_t k = 0; k < n && match; ++k)
            match = shape[k] == '9' ? isdigit((unsigned char)out[i + k]) != 0 : out[i + k] == shape[k];
        if (match)
            out.replace(i, n, "DD/MM/YY hh:mm:ss");
    }
    return out;
}

size_t CountOf(const std::string& text, const char* what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

std::string StartedBanner()
{
    char version[32];
    FormatText(version, sizeof(version), "%#08x", 0u);
    return std::string("\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STARTED ***\r\n*** Loader version:  ***\r\n"
                       "*** Firmware version:  ***\r\n*** VoIP module version:  ***\r\n*** Data version: ") +
           version + " ***\r\n*** Config. SW version: 3.0.0.5 ***\r\n";
}

// The log keeps "~monlog.tmp" in the current directory, without sharing:
// each test works in a folder of its own, so that other programs started in
// the same folder (another test binary, the program itself) do not meet it.
class CPrivateWorkDir
{
public:
    CPrivateWorkDir()
    {
        ::GetCurrentDirectoryA(sizeof(m_previous), m_previous);
        char temp[MAX_PATH] = "";
        ::GetTempPathA(sizeof(temp), temp);
        FormatText(m_path, sizeof(m_path), "%svel-monitorlog-%lu", temp, ::GetCurrentProcessId());
        ::CreateDirectoryA(m_path, NULL);
        ::SetCurrentDirectoryA(m_path);
    }
    ~CPrivateWorkDir()
    {
        ::SetCurrentDirectoryA(m_previous);
        ::RemoveDirectoryA(m_path);
    }

private:
    char m_previous[MAX_PATH] = "";
    char m_path[MAX_PATH] = "";
};

const char kSavedPath[] = "monitor_saved.txt";
std::string g_promptPath;
int g_prompts = 0;

bool ScriptedPrompt(HWND, char* path, int size)
{
    ++g_prompts;
    if (g_promptPath.empty())
        return false;
    CopyText(path, (size_t)size, g_promptPath.c_str());
    return true;
}

class MonitorLogTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { SelectShippedLanguage(); }

    void SetUp() override
    {
        m_host = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600, NULL, NULL,
                                   ::GetModuleHandle(NULL), NULL);
        h.engine.SetMonitorLog(&m_log);
        m_log.SetEngine(&h.engine);
        m_log.SetLink(&h.link);
        ASSERT_TRUE(m_log.Create(m_host) != NULL);
        g_promptPath = kSavedPath;
        g_prompts = 0;
        CMonitorLog::SetSavePathPrompt(ScriptedPrompt);
    }

    void TearDown() override
    {
        CMonitorLog::SetSavePathPrompt(nullptr);
        h.engine.SetMonitorLog(nullptr);
        ::DestroyWindow(m_host);
        ::DeleteFileA(kSavedPath);
    }

    std::string View() { return MaskStamps(WindowText(m_log.GetDlgItem(IDC_MONITOR_VIEW))); }

    // The colour of the five characters at index at of View().
    COLORREF ColorAt(size_t at) { return TextColorAt(m_log.GetDlgItem(IDC_MONITOR_VIEW), at, 5); }

    // The log keeps its temporary file open without sharing: read it
    // through a save.
    std::string TempFile()
    {
        const char* copy = "monitor_temp_copy.txt";
        if (!m_log.SaveLog(copy))
            return "<not saved>";
        std::string text = MaskStamps(ReadWholeFile(copy));
        ::DeleteFileA(copy);
        return text;
    }

    void Command(int id) { ::SendMessageA(m_log, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)m_log.GetDlgItem(id)); }
    void Timer(UINT_PTR id) { ::SendMessageA(m_log, WM_TIMER, id, 0); }

    // The monitor command texts the engine sent, in order.
    std::vector<std::string> SentCommands()
    {
        std::vector<std::string> texts;
        for (const Bytes& m : h.TakeSent())
        {
            Bytes data;
            if (SentElement(m, IE_MONITOR_TEXT, &data))
                texts.push_back(std::string(data.begin(), data.end()));
        }
        return texts;
    }

    bool SentElementOf(BYTE tag)
    {
        for (const Bytes& m : h.TakeSent())
            if (SentElement(m, tag, nullptr))
                return true;
        return false;
    }

    // The device confirms whatever was asked last.
    void DeviceAnswers(BYTE tag, const Bytes& data = Bytes()) { h.Deliver(Msg(MSG_TYPE_POSITIVE, { { tag, data } })); }

    CPrivateWorkDir m_dir; // before the log, which opens its file at once
    Harness h;
    CMessageBoxRecorder m_boxes{ IDNO };
    HWND m_host = NULL;
    CMonitorLog m_log;
};

TEST_F(MonitorLogTest, ControlsFollowTheMonitoringState)
{
    EXPECT_TRUE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_START)));
    EXPECT_FALSE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_STOP)));
    EXPECT_FALSE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_COMMAND)));
    m_log.SetMonitoring(TRUE);
    EXPECT_FALSE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_START)));
    EXPECT_TRUE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_STOP)));
    EXPECT_TRUE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_EXECUTE)));
    m_log.SetDlgItemText(IDC_MONITOR_COMMAND, "STAT");
    m_log.SetMonitoring(FALSE);
    EXPECT_TRUE(::IsWindowEnabled(m_log.GetDlgItem(IDC_MONITOR_START)));
    char text[32] = "x";
    m_log.GetDlgItemText(IDC_MONITOR_COMMAND, text, sizeof(text));
    EXPECT_STREQ("", text);

    // Texts come from the language file; the view uses the log font.
    m_log.GetDlgItemText(IDC_MONITOR_EXECUTE, text, sizeof(text));
    EXPECT_STRNE("strExecute", text);
    EXPECT_STRNE("", text);
}

TEST_F(MonitorLogTest, MaskOfTheFirstAndLastBoxIsSentAsFourUpperHexDigits)
{
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION1, BST_CHECKED);
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION16, BST_CHECKED);
    EXPECT_EQ(1, m_log.SendMonitorMask());
    EXPECT_STREQ("V=8001\r\n", m_log.GetCommandText());
    std::vector<std::string> sent = SentCommands();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("V=8001\r\n", sent[0]);

    // A click while off sends nothing; while on the new mask goes out.
    Command(IDC_MONITOR_OPTION1 + 10);
    EXPECT_TRUE(SentCommands().empty());
    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION1 + 10, BST_CHECKED);
    Command(IDC_MONITOR_OPTION1 + 10);
    sent = SentCommands();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("V=8401\r\n", sent[0]);
}

TEST_F(MonitorLogTest, ExecuteSendsTheEditTextBoundedWithALineEnd)
{
    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    m_log.SetDlgItemText(IDC_MONITOR_COMMAND, "TRACE ON");
    Command(IDC_MONITOR_EXECUTE);
    std::vector<std::string> sent = SentCommands();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("TRACE ON\r\n", sent[0]);

    // Setting the text bypasses the edit's limit: the command stays at 125.
    m_log.SetDlgItemText(IDC_MONITOR_COMMAND, std::string(300, 'c').c_str());
    DeviceAnswers(IE_MONITOR_TEXT);
    Command(IDC_MONITOR_EXECUTE);
    sent = SentCommands();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(std::string(125, 'c') + "\r\n", sent[0]);
}

TEST_F(MonitorLogTest, TraceWhileOffFirstWritesTheStartedBanner)
{
    const char trace[] = "L2 up\r\nCALL 1 -> 2";
    m_log.OnMonitorText(trace, (int)strlen(trace));
    EXPECT_TRUE(m_log.IsMonitoring());
    EXPECT_EQ(StartedBanner() + trace, View());
    EXPECT_EQ(StartedBanner() + trace, TempFile());
    // Going on sent the event mask of the boxes.
    std::vector<std::string> sent = SentCommands();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("V=0000\r\n", sent[0]);

    // The device's trace text arrives from the engine as it is.
    h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_MONITOR_START, Text("\r\nmore") } }));
    EXPECT_EQ(StartedBanner() + trace + "\r\nmore", TempFile());
}

TEST_F(MonitorLogTest, LossIsWrittenOnceAndRecoveryOnceAfterIt)
{
    // A timer that fires while monitoring is off sends nothing and writes
    // nothing.
    Timer(CMonitorLog::TimerKeepAlive);
    Timer(CMonitorLog::TimerAnswer);
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ("", View());

    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    const std::string lost = "\r\n*** DD/MM/YY hh:mm:ss COMMUNICATION LOST ***";
    const std::string recovered = "*** DD/MM/YY hh:mm:ss COMMUNICATION RECOVERY ***";

    for (int period = 0; period < 2; ++period)
    {
        Timer(CMonitorLog::TimerKeepAlive);
        EXPECT_TRUE(SentElementOf(IE_KEEPALIVE));
        Timer(CMonitorLog::TimerAnswer);
    }
    EXPECT_TRUE(m_log.IsLost());
    EXPECT_EQ(1u, CountOf(View(), lost.c_str()));
    EXPECT_EQ(1u, CountOf(TempFile(), (lost + "\r\n").c_str()));

    DeviceAnswers(IE_KEEPALIVE);
    DeviceAnswers(IE_KEEPALIVE);
    EXPECT_FALSE(m_log.IsLost());
    std::string file = TempFile();
    EXPECT_EQ(1u, CountOf(View(), recovered.c_str()));
    EXPECT_EQ(1u, CountOf(file, recovered.c_str()));
    EXPECT_EQ(file.size() - recovered.size() - 2, file.rfind(recovered));

    // An answer in time keeps the loss banner away.
    Timer(CMonitorLog::TimerKeepAlive);
    DeviceAnswers(IE_KEEPALIVE);
    Timer(CMonitorLog::TimerAnswer);
    EXPECT_EQ(1u, CountOf(View(), "COMMUNICATION LOST"));
}

TEST_F(MonitorLogTest, KeepAliveTimeDuringADownloadIsNoLoss)
{
    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    h.engine.StartDataDownload();
    h.TakeSent();

    // The engine sends nothing while the image is read, so the device's
    // silence is no loss.
    Timer(CMonitorLog::TimerKeepAlive);
    EXPECT_FALSE(SentElementOf(IE_KEEPALIVE));
    Timer(CMonitorLog::TimerAnswer);
    EXPECT_FALSE(m_log.IsLost());
    EXPECT_EQ(0u, CountOf(View(), "COMMUNICATION LOST"));
    h.engine.CancelDataDownload();
}

TEST_F(MonitorLogTest, StopByTheUserAsksToSaveWhenTheDeviceConfirms)
{
    m_boxes.PushAnswer(IDYES);
    m_log.OnMonitorText("trace\r\n", 7);
    Command(IDC_MONITOR_STOP);
    EXPECT_TRUE(SentElementOf(IE_MONITOR_STOP));
    EXPECT_EQ(0u, m_boxes.Count());
    DeviceAnswers(IE_MONITOR_STOP);

    EXPECT_FALSE(m_log.IsMonitoring());
    ASSERT_EQ(1u, m_boxes.Count());
    EXPECT_EQ("strMonitorSaveLogRequest", m_boxes.Last().key);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), m_boxes.Last().flags & (MB_TYPEMASK | MB_ICONMASK));
    // The monitor log saves itself, not whichever log tab the frame shows.
    EXPECT_EQ(1, g_prompts);
    std::string saved = MaskStamps(ReadWholeFile(kSavedPath));
    EXPECT_EQ(StartedBanner() + "trace\r\n\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STOPPED ***\r\n", saved);
    EXPECT_EQ(saved, TempFile());
}

TEST_F(MonitorLogTest, StopsNotAskedForByTheUserDoNotAsk)
{
    m_log.SetMonitoring(TRUE);
    m_log.SetMonitoring(FALSE); // a device restart or a failed operation
    EXPECT_EQ(0u, m_boxes.Count());

    // Nor with the setting off.
    g_Settings.MonitorLogSaveAtEnd = 0;
    m_log.SetMonitoring(TRUE);
    Command(IDC_MONITOR_STOP);
    DeviceAnswers(IE_MONITOR_STOP);
    EXPECT_FALSE(m_log.IsMonitoring());
    EXPECT_EQ(0u, m_boxes.Count());
    EXPECT_FALSE(m_log.IsStoppedByUser());
    g_Settings.MonitorLogSaveAtEnd = 1;
}

TEST_F(MonitorLogTest, TemporaryStopAndResumeShowInTheViewOnly)
{
    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    m_log.MarkTemporaryStop();
    EXPECT_EQ(CMonitorLog::TemporarilyStopped, m_log.GetSubState());
    // A device restart meanwhile leaves the log on.
    h.link.state = 0;
    Timer(CMonitorLog::TimerKeepAlive);
    Timer(CMonitorLog::TimerAnswer);
    EXPECT_FALSE(m_log.IsLost());
    EXPECT_TRUE(h.TakeSent().empty());

    m_log.MarkResumed();
    EXPECT_EQ(CMonitorLog::Resumed, m_log.GetSubState());
    Timer(CMonitorLog::TimerReconnect);
    EXPECT_EQ(1, h.link.reconnects);
    // The link is back: the next keep-alive period restarts monitoring,
    // which first asks the system information.
    Timer(CMonitorLog::TimerKeepAlive);
    EXPECT_EQ(CMonitorLog::Running, m_log.GetSubState());
    EXPECT_TRUE(SentElementOf(IE_LOADER_VERSION));

    std::string view = View();
    EXPECT_EQ(1u, CountOf(view, "\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING TEMPORARY STOPPED ***\r\n"));
    EXPECT_EQ(1u, CountOf(view, "\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING RESUMED ***\r\n"));
    ASSERT_TRUE(m_log.SaveLog(kSavedPath));
    EXPECT_EQ(StartedBanner(), MaskStamps(ReadWholeFile(kSavedPath)));

    // With the link ready at once monitoring restarts right away.
    m_log.MarkTemporaryStop();
    m_log.MarkResumed();
    EXPECT_EQ(CMonitorLog::Running, m_log.GetSubState());
}

TEST_F(MonitorLogTest, ClearAndSaveWorkOnTheTemporaryFile)
{
    g_Settings.MonitorLogClearAtStart = 1;
    m_log.OnMonitorText("old\r\n", 5);
    m_log.SetMonitoring(FALSE);
    Command(IDC_MONITOR_START); // clears view and file
    EXPECT_TRUE(SentElementOf(IE_LOADER_VERSION));
    EXPECT_EQ("", View());
    EXPECT_EQ("", TempFile());
    m_log.OnMonitorText("new", 3);

    ASSERT_TRUE(m_log.SaveLog(kSavedPath));
    EXPECT_EQ(0u, ::GetFileAttributesA(kSavedPath) & FILE_ATTRIBUTE_HIDDEN);
    // The temporary file takes more text after a save.
    m_log.OnMonitorText("er", 2);
    EXPECT_EQ(StartedBanner() + "newer", TempFile());
    EXPECT_EQ(StartedBanner() + "new", MaskStamps(ReadWholeFile(kSavedPath)));

    // A copy that fails is not reported as saved.
    EXPECT_FALSE(m_log.SaveLog("no_such_folder\\log.txt"));
    m_boxes.Clear();
    g_promptPath = "no_such_folder\\log.txt";
    EXPECT_FALSE(m_log.PromptAndSaveLog());
    ASSERT_EQ(1u, m_boxes.Count());
    EXPECT_EQ("strLogSaveError", m_boxes.Last().key);
}

// The view keeps "MonitorLogMaxLines" lines; the temporary file, and so a
// saved log, keeps everything.
TEST_F(MonitorLogTest, ViewIsTrimmedButTheFileKeepsEveryLine)
{
    m_log.GetView().SetMaxLines(20);
    m_log.SetMonitoring(TRUE);
    std::string trace;
    for (int i = 0; i < 60; ++i)
    {
        char line[32];
        FormatText(line, sizeof(line), "trace line %02d\r\n", i);
        m_log.OnMonitorText(line, (int)strlen(line));
        trace += line;
    }
    std::string view = View();
    EXPECT_EQ(20u, CountOf(view, "\r\n"));
    EXPECT_EQ(0u, view.find("trace line 40\r\n"));
    EXPECT_EQ(view.size() - strlen("trace line 59\r\n"), view.rfind("trace line 59\r\n"));
    EXPECT_EQ(StartedBanner() + trace, TempFile());

    // Banners are red in the view; the trace after a banner is black.
    m_log.SetMonitoring(FALSE);
    m_log.OnMonitorText("after\r\n", 7);
    view = View();
    EXPECT_EQ(LOG_RED, ColorAt(view.rfind("*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STOPPED")));
    EXPECT_EQ(LOG_RED, ColorAt(view.rfind("*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STARTED")));
    EXPECT_EQ(LOG_BLACK, ColorAt(view.rfind("trace line 59")));
    EXPECT_EQ(LOG_BLACK, ColorAt(view.rfind("after")));
}

// The frame may destroy the tab's window while the engine still passes
// trace: the text still goes to the file.
TEST_F(MonitorLogTest, TraceAfterTheWindowIsGoneStillReachesTheFile)
{
    m_log.OnMonitorText("before\r\n", 8);
    ::DestroyWindow(m_host);
    m_host = NULL;
    EXPECT_TRUE((HWND)m_log.GetView() == NULL);
    m_log.OnMonitorText("after\r\n", 7);
    m_log.SetMonitoring(FALSE);
    EXPECT_EQ(StartedBanner() + "before\r\nafter\r\n\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STOPPED ***\r\n",
              TempFile());
}

TEST(MonitorLogFileTest, TheTemporaryFileLivesAndDiesWithTheLog)
{
    CPrivateWorkDir dir;
    std::string path;
    {
        CMonitorLog log;
        path = log.GetTempPath();
        EXPECT_NE(std::string::npos, path.find("~monlog.tmp"));
        DWORD attributes = ::GetFileAttributesA(path.c_str());
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
        EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_HIDDEN);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
}

TEST(MonitorLogLanguageTest, BoxesWithoutTextAreHidden)
{
    CTestLanguage language;
    ASSERT_TRUE(language.WriteLanguage("strMonitorOption1=ISDN\nstrMonitorOption2=GSM\nstrExecute=Run\n"));
    ASSERT_TRUE(language.Select());
    CPrivateWorkDir dir;
    HWND host = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600, NULL, NULL, NULL, NULL);
    {
        CMonitorLog log;
        ASSERT_TRUE(log.Create(host) != NULL);
        EXPECT_TRUE(::GetWindowLongA(log.GetDlgItem(IDC_MONITOR_OPTION1), GWL_STYLE) & WS_VISIBLE);
        EXPECT_TRUE(::GetWindowLongA(log.GetDlgItem(IDC_MONITOR_OPTION1 + 1), GWL_STYLE) & WS_VISIBLE);
        for (int i = 2; i < 16; ++i)
            EXPECT_FALSE(::GetWindowLongA(log.GetDlgItem(IDC_MONITOR_OPTION1 + i), GWL_STYLE) & WS_VISIBLE) << i;
        char text[32] = "";
        log.GetDlgItemText(IDC_MONITOR_OPTION1 + 1, text, sizeof(text));
        EXPECT_STREQ("GSM", text);
        ::DestroyWindow(host);
    }
}
}
