#include <gtest/gtest.h>
#include "comm/CommLogCtrl.h"
#include "comm/CommMessages.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/SerialLink.h"
#include "comm/UsbPort.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tests/support/LogView.h"
#include "tests/support/TestLanguage.h"
#include "tools/devsim/DeviceSimulator.h"
#include "tools/devsim/PtyPair.h"
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using devsim::Bytes;
using devsim::CDeviceSimulator;

namespace
{
const char* const kProgramPort = "COM41";
const char* const kDevicePort = "COM42";
const Bytes kSystemInfoRequest{ 0xA1, 0x02, 0x15, 0x00, 0x48 };

// The device as Windows names it: on the port the program uses.
int DeviceOnProgramPort(const char*, char* description, size_t descriptionSize, char* friendlyName,
                        size_t friendlyNameSize)
{
    CopyText(description, descriptionSize, "USB serial device");
    FormatText(friendlyName, friendlyNameSize, "Stellaris USB serial port (%s)", kProgramPort);
    return 1;
}
const char* const kDeviceInterface = "\\\\?\\USB#VID_1CBE&PID_0002#0E12AB34#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class LinkSerialTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!pty.Start(kProgramPort, kDevicePort))
            GTEST_SKIP() << "serial link over a pty pair skipped: " << pty.SkipReason();
        ASSERT_TRUE(sim.StartSerial(kDevicePort));
        g_Settings.ComMode = 0;
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), kProgramPort);
        g_Settings.Baudrate = 115200;
    }
    void TearDown() override
    {
        CommClose();
        CLinkMessageRecorder::Pump(0);
        sim.Stop();
        pty.Stop();
        g_Settings.SetDefaults();
    }
    static bool Send(const Bytes& message) { return CLinkMessageRecorder::Send(message); }

    devsim::CPtyPair pty;
    CDeviceSimulator sim;
    CLinkMessageRecorder recorder;
};
}

// On a pseudo terminal every wait for a port event ends at once with no
// event: the reader must rest between such waits instead of spinning. A
// resting reader makes at most one pass per 5 ms whatever the machine's load
// (a busy machine only makes it slower); a spinning one makes thousands.
TEST_F(LinkSerialTest, IdleReaderRestsThenRequestAndAnswerAreByteExactBothWays)
{
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    EXPECT_EQ(2, CommState());
    LONG passesBefore = SerialReaderPasses();
    DWORD start = ::GetTickCount();
    CLinkMessageRecorder::Pump(300);
    LONG passes = SerialReaderPasses() - passesBefore;
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_LE(passes, (LONG)(elapsed / 2 + 10)) << "in " << elapsed << " ms";

    ASSERT_TRUE(Send(kSystemInfoRequest));
    ASSERT_TRUE(sim.WaitForReceived(1, 3000));
    EXPECT_EQ((Bytes{ 0x7E, 0xA1, 0x02, 0x15, 0x00, 0x48, 0x7A }), sim.RawReceived());
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
    EXPECT_EQ(0xA2, recorder.frames[0][0]);

    // Both threads end when told: closing never has to give up on them.
    CommClose();
    EXPECT_EQ(0, CommThreadsLeftAtClose());
    EXPECT_FALSE(CommThreadsRunning());
    EXPECT_EQ(0, CommState());
}

// The device unplugged and plugged in again on the port the program uses.
TEST_F(LinkSerialTest, UsbRemovalSuspendsAndArrivalReopensThePort)
{
    UsbPortLookupFn previous = SetUsbPortLookup(DeviceOnProgramPort);
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));

    EXPECT_EQ(1, OnUsbDeviceChange(kDeviceInterface, 2));
    EXPECT_EQ(0, CommState());
    EXPECT_TRUE(CommIsSuspended());
    EXPECT_TRUE(CommThreadsRunning());

    EXPECT_EQ(1, OnUsbDeviceChange(kDeviceInterface, 1));
    EXPECT_EQ(2, CommState());
    EXPECT_FALSE(CommIsSuspended());
    ASSERT_TRUE(Send(kSystemInfoRequest));
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
    SetUsbPortLookup(previous);
}

namespace
{
// The hex bytes of every "RAW INPUT > " line of a log text, in order.
Bytes RawInputBytes(const std::string& text)
{
    Bytes bytes;
    static const std::regex line("RAW INPUT > ([0-9A-F ]*)");
    for (std::sregex_iterator m(text.begin(), text.end(), line), end; m != end; ++m)
    {
        std::istringstream hex((*m)[1].str());
        for (unsigned value; hex >> std::hex >> value;)
            bytes.push_back((BYTE)value);
    }
    return bytes;
}
} // namespace

// The real log view attached to the link: the reader thread logs the raw
// input while the UI thread, without handling a message, closes the link.
// Closing never waits on the log, and the reader's lines all land, in order.
TEST_F(LinkSerialTest, ReaderLogsRawInputWhileTheUiThreadClosesTheLink)
{
    CCommLogCtrl view;
    CLogViewWindow window;
    const HWND edit = window.edit;
    ASSERT_TRUE(edit != NULL);
    // Detached however the test ends, before the window goes: the link must
    // not keep a dead view.
    struct Detach
    {
        ~Detach() { CommSetLog(NULL); }
    } detach;
    view.Attach(edit);
    view.Init();
    view.SetMaxLines(0);
    view.SetCharsPerLine(4000); // one line per chunk read
    CommSetLog(&view);
    g_Settings.CommunicationLogRawInput = 1;

    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    ASSERT_TRUE(Send(kSystemInfoRequest));
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
    Bytes answerWire = devsim::SimFrame(recorder.frames[0]);
    // More answers on their way while the link closes.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Send(kSystemInfoRequest));
    ASSERT_TRUE(sim.WaitForReceived(6, 3000));
    CommClose();
    EXPECT_EQ(0, CommThreadsLeftAtClose());
    CommSetLog(NULL);
    CLinkMessageRecorder::Pump(50);

    std::string text = WindowText(edit);
    const size_t init = text.find("Init communication\r\nOpen port COM41 (115200 b/s)\r\nO.K.\r\nStart threads\r\nO.K.\r\n"
                                  "ComTimer started (");
    const size_t raw = text.find("RAW INPUT > ");
    const size_t close = text.find("Close communication\r\n");
    const size_t closePort = text.find("Close port COM41\r\n");
    ASSERT_TRUE(init < raw && raw != std::string::npos && close < closePort && closePort != std::string::npos) << text;
    // What was read before the close is logged whole and in order: whole
    // answers, byte-exact.
    Bytes logged = RawInputBytes(text);
    EXPECT_LE(recorder.frames.size() * answerWire.size(), logged.size());
    for (size_t at = 0; at + answerWire.size() <= logged.size(); at += answerWire.size())
        EXPECT_EQ(answerWire, Bytes(logged.begin() + at, logged.begin() + at + answerWire.size())) << at;
    // Raw input is magenta.
    EXPECT_EQ(LOG_MAGENTA, TextColorAt(edit, raw, 12));
}

// The port without a device: a stand-in open that fails as Windows would.
namespace
{
DWORD g_openError = 0;
HANDLE FailingOpen(const char*)
{
    ::SetLastError(g_openError);
    return INVALID_HANDLE_VALUE;
}

class LinkPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_boxes.clear();
        CommSetLogSink(ThreadLog::Sink, &log);
        CommSetErrorBox(RecordBox);
        SetPortOpenFunction(FailingOpen);
        g_Settings.ComMode = 0;
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), "COM7");
    }
    void TearDown() override
    {
        CommClose();
        SetPortOpenFunction(NULL);
        CommSetErrorBox(NULL);
        CommSetLogSink(NULL, NULL);
        g_Settings.SetDefaults();
    }

    ThreadLog log;
};
}

// The look-up binds the setup library's functions when first asked: a device
// that is not there is looked for (result 1) and leaves both names empty.
TEST(UsbPortNameTest, LookupOfAnAbsentDeviceFindsNothing)
{
    char description[64] = "x", friendlyName[64] = "x";
    EXPECT_EQ(1, FindUsbSerialPort("USB\\VID_0000&PID_0000\\NONE", description, sizeof(description), friendlyName,
                                   sizeof(friendlyName)));
    EXPECT_STREQ("", description);
    EXPECT_STREQ("", friendlyName);
}

TEST(UsbPortNameTest, PortNumberFollowsTheFriendlyName)
{
    char port[32];
    // Short, empty or numberless names give false and read nothing past their end.
    const char* names[][2] = { { "Stellaris USB serial port (COM7)", "COM7" }, { "Stellaris USB serial port (COM123)", "COM123" },
                               { "", "" }, { "COM7", "" }, { "Stellaris USB serial port", "" }, { "Stellaris USB serial port ", "" },
                               { "Stellaris USB serial port (COM)", "" }, { "Stellaris USB serial port (LPT1)", "" } };
    for (const auto& name : names)
    {
        EXPECT_EQ(name[1][0] != 0, ParseUsbPortName(name[0], port, sizeof(port))) << name[0];
        EXPECT_STREQ(name[1], port);
    }
    // A name that ends exactly at the skipped length, at the end of a page of
    // its own, must not be read beyond.
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    char* pages = (char*)::VirtualAlloc(NULL, si.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(pages);
    DWORD old;
    ::VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old);
    const char* name = "Stellaris USB serial port";
    size_t length = strlen(name) + 1;
    char* edge = pages + si.dwPageSize - length;
    memcpy(edge, name, length);
    EXPECT_FALSE(ParseUsbPortName(edge, port, sizeof(port)));
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(LinkPortTest, OpenFailuresShowTheirTexts)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strComError2=Port not found\nstrComError3=Port in use\nstrComError5=Port error\n"));
    ASSERT_TRUE(lang.Select());

    g_openError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(0, CommInit(NULL, 0));
    EXPECT_EQ(OPEN_PORT_IN_USE, OpenPort());
    g_openError = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(0, CommInit(NULL, 0));
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ("strComError1|COM7|Port in use|strComError1|COM7|Port not found",
              g_boxes[0].key + "|" + g_boxes[0].arg1 + "|" + g_boxes[0].arg2 + "|" + g_boxes[1].key + "|" +
                  g_boxes[1].arg1 + "|" + g_boxes[1].arg2);

    g_openError = ERROR_GEN_FAILURE;
    EXPECT_EQ(OPEN_PORT_FAILED, OpenPort());

    // Each attempt is logged with the system's text of its error, without
    // the line break the system ends it with.
    ASSERT_GE(log.lines.size(), 2u);
    EXPECT_EQ("Open port COM7 (115200 b/s)", log.lines[log.lines.size() - 2]);
    const std::string& error = log.lines.back();
    char prefix[32];
    FormatText(prefix, sizeof(prefix), "Error %lu - ", (unsigned long)ERROR_GEN_FAILURE);
    EXPECT_EQ(0u, error.find(prefix)) << error;
    EXPECT_GT(error.size(), strlen(prefix)) << error;
    EXPECT_EQ(std::string::npos, error.find_first_of("\r\n")) << error;

    // Quiet: no box, same result.
    EXPECT_EQ(0, CommInit(NULL, 1));
    EXPECT_EQ(2u, g_boxes.size());
    EXPECT_FALSE(CommThreadsRunning());
}
