#include <gtest/gtest.h>
#include "comm/CommMessages.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/SerialLink.h"
#include "app/AppSettings.h"
#include "app/TextUtil.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tools/devsim/DeviceSimulator.h"
#include <algorithm>
#include <string>
#include <vector>

using devsim::Bytes;
using devsim::CDeviceSimulator;
using devsim::SimMessage;

namespace
{
// A pseudo-terminal pair made by socat, its two ends mapped to two COM ports
// of the Wine prefix: the program opens one, the simulator the other.
class CPtyPair
{
public:
    bool Start(const char* programPort, const char* devicePort)
    {
        if (::GetFileAttributesA("Z:\\usr\\bin\\socat") == INVALID_FILE_ATTRIBUTES)
        {
            m_skipReason = "socat is not installed";
            return false;
        }
        char prefix[MAX_PATH] = "";
        if (!::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix)))
        {
            m_skipReason = "not running under Wine (WINEPREFIX unset)";
            return false;
        }
        m_programLink = Link(prefix, programPort);
        m_deviceLink = Link(prefix, devicePort);
        // Wine's mount manager reads the port keys only when the session
        // starts, so the ends are linked into the prefix's device folder
        // directly; a key left from elsewhere would map the port again at
        // the next start.
        DeletePortKey(programPort);
        DeletePortKey(devicePort);
        DeleteUnixLink(m_programLink);
        DeleteUnixLink(m_deviceLink);
        // socat is a host program: Wine cannot end it, so a shell notes its
        // process id for Stop.
        m_pidFile = std::string(prefix) + "/vel-socat-" + std::to_string(::GetCurrentProcessId()) + ".pid";
        ::DeleteFileA(DosPath(m_pidFile).c_str());
        std::string command = "Z:\\bin\\sh -c \"echo $$ > " + m_pidFile
                              + "; exec /usr/bin/socat pty,raw,echo=0,link=" + m_programLink
                              + " pty,raw,echo=0,link=" + m_deviceLink + "\"";
        if (!Run(command, false))
        {
            m_skipReason = "socat could not be started";
            return false;
        }
        std::string programPath = std::string("\\\\.\\") + programPort;
        std::string devicePath = std::string("\\\\.\\") + devicePort;
        for (int i = 0; i < 300; ++i)
        {
            if (CanOpen(programPath) && CanOpen(devicePath))
                return true;
            ::Sleep(10);
        }
        m_skipReason = "socat made no pty pair";
        return false;
    }

    void Stop()
    {
        if (m_pidFile.empty())
            return;
        char pid[32] = "";
        HANDLE f = ::CreateFileA(DosPath(m_pidFile).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (f != INVALID_HANDLE_VALUE)
        {
            DWORD got = 0;
            ::ReadFile(f, pid, sizeof(pid) - 1, &got, NULL);
            pid[got] = '\0';
            ::CloseHandle(f);
        }
        long id = strtol(pid, NULL, 10);
        if (id > 0)
            Run("Z:\\bin\\kill " + std::to_string(id), true);
        ::DeleteFileA(DosPath(m_pidFile).c_str());
        m_pidFile.clear();
        DeleteUnixLink(m_programLink);
        DeleteUnixLink(m_deviceLink);
    }

    ~CPtyPair() { Stop(); }
    const std::string& SkipReason() const { return m_skipReason; }

private:
    static std::string Link(const char* prefix, const char* port)
    {
        std::string name(port);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        return std::string(prefix) + "/dosdevices/" + name;
    }
    static std::string DosPath(const std::string& unixPath)
    {
        std::string p = "Z:" + unixPath;
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    }
    // True once the port opens as a serial port (the mount manager has
    // picked the mapping up).
    static bool CanOpen(const std::string& path)
    {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        DCB dcb = {};
        dcb.DCBlength = sizeof(dcb);
        bool serial = ::GetCommState(h, &dcb) != FALSE;
        ::CloseHandle(h);
        return serial;
    }
    static bool Run(const std::string& command, bool wait)
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        if (!::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
            return false;
        if (wait)
            ::WaitForSingleObject(pi.hProcess, 3000);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
        return true;
    }
    static void DeleteUnixLink(const std::string& unixPath) { ::DeleteFileA(DosPath(unixPath).c_str()); }
    static void DeletePortKey(const char* port)
    {
        HKEY key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        {
            ::RegDeleteValueA(key, port);
            ::RegCloseKey(key);
        }
    }

    std::string m_pidFile;
    std::string m_programLink, m_deviceLink, m_skipReason;
};

const char* const kProgramPort = "COM41";
const char* const kDevicePort = "COM42";

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
    bool Send(const Bytes& message)
    {
        BYTE* m = (BYTE*)AllocCommBuffer(COMM_MESSAGE_SIZE, true);
        std::copy(message.begin(), message.end(), m);
        return CommQueueSend(m, (int)message.size()) == 1;
    }

    CPtyPair pty;
    CDeviceSimulator sim;
    CLinkMessageRecorder recorder;
};
}

TEST_F(LinkSerialTest, RequestAndAnswerAreByteExactBothWays)
{
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    EXPECT_EQ(2, CommState());
    ASSERT_TRUE(Send(Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 }));
    ASSERT_TRUE(sim.WaitForReceived(1, 3000));
    EXPECT_EQ((Bytes{ 0x7E, 0xA1, 0x02, 0x15, 0x00, 0x48, 0x7A }), sim.RawReceived());
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
    SimMessage answer;
    ASSERT_TRUE(SimMessage::Decode(recorder.frames[0], &answer));
    EXPECT_TRUE(answer.Has(devsim::TAG_FIRMWARE_VERSION));

    // A long message with every special byte goes out whole.
    Bytes special(2, 0);
    for (int i = 0; i < 60; ++i)
        special.push_back(i % 3 == 0 ? 0x7E : i % 3 == 1 ? 0x7A : 0xCD);
    special[0] = 0xA2;
    special[1] = 0;
    sim.ClearReceived();
    ASSERT_TRUE(Send(special));
    DWORD deadline = ::GetTickCount() + 3000;
    while (sim.RawReceived().size() < devsim::SimFrame(special).size() && (LONG)(::GetTickCount() - deadline) < 0)
        ::Sleep(5);
    EXPECT_EQ(devsim::SimFrame(special), sim.RawReceived());

    DWORD start = ::GetTickCount();
    CommClose();
    EXPECT_LT(::GetTickCount() - start, 1500u);
    EXPECT_FALSE(CommThreadsRunning());
}

TEST_F(LinkSerialTest, IdleReaderUsesAlmostNoProcessorTime)
{
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernelBefore, &userBefore);
    ::Sleep(500);
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernelAfter, &userAfter);
    auto ticks = [](const FILETIME& f) { return ((ULONGLONG)f.dwHighDateTime << 32) | f.dwLowDateTime; };
    ULONGLONG used = ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore);
    // 100 ns units: under a fifth of the half second (a spinning reader takes all of it).
    EXPECT_LT(used, 1000000ull);
}

TEST_F(LinkSerialTest, SuspendClosesThePortAndInitReopensIt)
{
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    CommSuspend();
    EXPECT_EQ(0, CommState());
    EXPECT_TRUE(CommThreadsRunning());
    // Suspended: the reader does not reopen the port by itself.
    CLinkMessageRecorder::Pump(700);
    EXPECT_EQ(0, CommState());
    ASSERT_EQ(1, CommInit(recorder.hwnd(), 1));
    EXPECT_EQ(2, CommState());
    ASSERT_TRUE(Send(Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 }));
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
}
