#include <gtest/gtest.h>
#include "comm/MonitorLog.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/LogView.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include <regex>
#include <string>

using namespace enginetest;

namespace
{
// Replaces every "dd/dd/dd dd:dd:dd" time stamp by "DD/MM/YY hh:mm:ss".
std::string MaskStamps(const std::string& text)
{
    static const std::regex stamp("\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d");
    return std::regex_replace(text, stamp, "DD/MM/YY hh:mm:ss");
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
        ::SetCurrentDirectoryA(m_folder.Dir());
    }
    ~CPrivateWorkDir() { ::SetCurrentDirectoryA(m_previous); }

private:
    CScratchFolder m_folder;
    char m_previous[MAX_PATH] = "";
};

const char kSavedPath[] = "monitor_saved.txt";
int g_prompts = 0;

// The user names kSavedPath.
bool ScriptedPrompt(HWND, char* path, int size)
{
    ++g_prompts;
    CopyText(path, (size_t)size, kSavedPath);
    return true;
}

class MonitorLogTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { SelectShippedLanguage(); }

    void SetUp() override
    {
        // The keep-alive period of the defaults: a zero period would let the
        // real timer send keep-alives the test does not expect.
        g_Settings.SetDefaults();
        m_host = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600, NULL, NULL,
                                   ::GetModuleHandle(NULL), NULL);
        h.engine.SetMonitorLog(&m_log);
        m_log.SetEngine(&h.engine);
        m_log.SetLink(&h.link);
        ASSERT_TRUE(m_log.Create(m_host) != NULL);
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
    // One keep-alive period: its tick, then its answer's time-out.
    void KeepAlivePeriod()
    {
        Timer(CMonitorLog::TimerKeepAlive);
        Timer(CMonitorLog::TimerAnswer);
    }

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

    // The device confirms whatever was asked last.
    void DeviceAnswers(BYTE tag, const Bytes& data = Bytes()) { h.Positive({ { tag, data } }); }

    CPrivateWorkDir m_dir; // before the log, which opens its file at once
    Harness h;
    CMessageBoxRecorder m_boxes{ IDNO };
    HWND m_host = NULL;
    CMonitorLog m_log;
};

TEST_F(MonitorLogTest, MaskGoesOutAsFourUpperHexDigitsAndExecuteSendsTheBoundedText)
{
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION1, BST_CHECKED);
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION16, BST_CHECKED);
    EXPECT_EQ(1, m_log.SendMonitorMask());
    EXPECT_EQ((std::vector<std::string>{ "V=8001\r\n" }), SentCommands());

    // A click while off sends nothing; while on the new mask goes out.
    Command(IDC_MONITOR_OPTION1 + 10);
    EXPECT_TRUE(SentCommands().empty());
    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    ::CheckDlgButton(m_log, IDC_MONITOR_OPTION1 + 10, BST_CHECKED);
    Command(IDC_MONITOR_OPTION1 + 10);
    EXPECT_EQ((std::vector<std::string>{ "V=8401\r\n" }), SentCommands());

    // Execute sends the edit's text with a line end.
    DeviceAnswers(IE_MONITOR_TEXT);
    m_log.SetDlgItemText(IDC_MONITOR_COMMAND, "TRACE ON");
    Command(IDC_MONITOR_EXECUTE);
    EXPECT_EQ((std::vector<std::string>{ "TRACE ON\r\n" }), SentCommands());

    // Setting the text bypasses the edit's limit: the command stays at 125.
    m_log.SetDlgItemText(IDC_MONITOR_COMMAND, std::string(300, 'c').c_str());
    DeviceAnswers(IE_MONITOR_TEXT);
    Command(IDC_MONITOR_EXECUTE);
    EXPECT_EQ((std::vector<std::string>{ std::string(125, 'c') + "\r\n" }), SentCommands());
}

TEST_F(MonitorLogTest, TraceWhileOffFirstWritesTheStartedBannerAndReachesTheFileWithoutTheWindow)
{
    const char trace[] = "L2 up\r\nCALL 1 -> 2";
    m_log.OnMonitorText(trace, (int)strlen(trace));
    EXPECT_TRUE(m_log.IsMonitoring());
    EXPECT_EQ(StartedBanner() + trace, View());
    EXPECT_EQ(StartedBanner() + trace, TempFile());
    // Going on sent the event mask of the boxes.
    EXPECT_EQ((std::vector<std::string>{ "V=0000\r\n" }), SentCommands());

    // The device's trace text arrives from the engine as it is.
    h.Positive({ { IE_MONITOR_START, Text("\r\nmore") } });
    EXPECT_EQ(StartedBanner() + trace + "\r\nmore", TempFile());

    // The frame may destroy the tab's window while the engine still passes
    // trace: the text still goes to the file.
    ::DestroyWindow(m_host);
    m_host = NULL;
    EXPECT_TRUE((HWND)m_log.GetView() == NULL);
    m_log.OnMonitorText("\r\nafter\r\n", 9);
    m_log.SetMonitoring(FALSE);
    EXPECT_EQ(StartedBanner() + trace + "\r\nmore\r\nafter\r\n\r\n*** DD/MM/YY hh:mm:ss SYSTEM MONITORING STOPPED ***\r\n",
              TempFile());
}

TEST_F(MonitorLogTest, LossIsWrittenOnceAndRecoveryOnceAfterItAndADownloadIsNoLoss)
{
    // A timer that fires while monitoring is off sends nothing and writes
    // nothing.
    KeepAlivePeriod();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ("", View());

    m_log.SetMonitoring(TRUE);
    h.TakeSent();
    const std::string lost = "\r\n*** DD/MM/YY hh:mm:ss COMMUNICATION LOST ***";
    const std::string recovered = "*** DD/MM/YY hh:mm:ss COMMUNICATION RECOVERY ***";

    for (int period = 0; period < 2; ++period)
    {
        KeepAlivePeriod();
        EXPECT_TRUE(SentTag(h.TakeSent(), IE_KEEPALIVE));
    }
    EXPECT_TRUE(m_log.IsLost());
    EXPECT_EQ(1u, CountOf(View(), lost));
    EXPECT_EQ(1u, CountOf(TempFile(), lost + "\r\n"));

    DeviceAnswers(IE_KEEPALIVE);
    DeviceAnswers(IE_KEEPALIVE);
    EXPECT_FALSE(m_log.IsLost());
    std::string file = TempFile();
    EXPECT_EQ(1u, CountOf(View(), recovered));
    EXPECT_EQ(1u, CountOf(file, recovered));
    EXPECT_EQ(file.size() - recovered.size() - 2, file.rfind(recovered));

    // An answer in time keeps the loss banner away.
    Timer(CMonitorLog::TimerKeepAlive);
    DeviceAnswers(IE_KEEPALIVE);
    Timer(CMonitorLog::TimerAnswer);
    EXPECT_EQ(1u, CountOf(View(), "COMMUNICATION LOST"));

    // The engine sends nothing while the image is read, so the device's
    // silence during a download is no loss.
    h.engine.StartDataDownload();
    h.TakeSent();
    KeepAlivePeriod();
    EXPECT_FALSE(SentTag(h.TakeSent(), IE_KEEPALIVE));
    EXPECT_FALSE(m_log.IsLost());
    EXPECT_EQ(1u, CountOf(View(), "COMMUNICATION LOST"));
    h.engine.CancelDataDownload();
}

TEST_F(MonitorLogTest, StopByTheUserAsksToSaveWhenTheDeviceConfirms)
{
    m_boxes.PushAnswer(IDYES);
    m_log.OnMonitorText("trace\r\n", 7);
    Command(IDC_MONITOR_STOP);
    EXPECT_TRUE(SentTag(h.TakeSent(), IE_MONITOR_STOP));
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


}
