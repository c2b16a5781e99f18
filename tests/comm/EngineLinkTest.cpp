#include <gtest/gtest.h>
#include "app/AppSettings.h"
#include "app/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "tools/devsim/DeviceSimulator.h"
#include <vector>

// The engine against the device simulator over the real TCP link, its reader
// and writer threads and thread timers.

namespace
{
// Stands in for the main frame: hands received frames to the engine,
// connects on demand, asks for the password, records the statuses.
class EngineFrame
{
public:
    explicit EngineFrame(CDeviceProtocol* engine) : m_engine(engine)
    {
        static bool registered = false;
        if (!registered)
        {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &EngineFrame::WndProc;
            wc.hInstance = ::GetModuleHandle(nullptr);
            wc.lpszClassName = "EngineLinkTestFrame";
            ::RegisterClassA(&wc);
            registered = true;
        }
        s_current = this;
        hwnd = ::CreateWindowExA(0, "EngineLinkTestFrame", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 ::GetModuleHandle(nullptr), nullptr);
    }
    ~EngineFrame()
    {
        ::DestroyWindow(hwnd);
        s_current = nullptr;
    }

    static void Pump(DWORD ms)
    {
        const DWORD deadline = ::GetTickCount() + ms;
        do
        {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            ::Sleep(1);
        } while (static_cast<LONG>(::GetTickCount() - deadline) < 0);
    }

    bool WaitForStatus(int code, int result, DWORD ms)
    {
        const DWORD deadline = ::GetTickCount() + ms;
        for (;;)
        {
            for (const auto& s : statuses)
                if (s.first == code && s.second == result)
                    return true;
            if (static_cast<LONG>(::GetTickCount() - deadline) >= 0)
                return false;
            Pump(5);
        }
    }

    bool Has(int code)
    {
        for (const auto& s : statuses)
            if (s.first == code)
                return true;
        return false;
    }

    HWND hwnd = nullptr;
    std::vector<std::pair<int, int>> statuses;
    const char* password = "";
    int prompts = 0;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        EngineFrame* self = s_current;
        if (!self)
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        switch (msg)
        {
        case WMU_FRAME_RECEIVED:
            self->m_engine->OnMessage(reinterpret_cast<BYTE*>(wParam), static_cast<int>(lParam));
            return 0;
        case WMU_ENGINE_STATUS:
            self->statuses.push_back({ static_cast<int>(wParam), static_cast<int>(lParam) });
            return 0;
        case WMU_ENSURE_LOGIN:
            if (wParam == 3)
            {
                if (CommState() != 2)
                    CommInit(hwnd, 1);
                for (int i = 0; i < 20 && CommState() != 2; ++i)
                    Pump(100);
                return CommState() == 2;
            }
            ++self->prompts;
            self->m_engine->SetPassword(self->password);
            return 1;
        default:
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        }
    }

    CDeviceProtocol* m_engine;
    static EngineFrame* s_current;
};

EngineFrame* EngineFrame::s_current = nullptr;

class EngineLinkTest : public ::testing::Test
{
protected:
    EngineLinkTest() : engine(GetCommEngineLink(), GetThreadEngineTimer()), frame(&engine) {}

    void SetUp() override
    {
        ASSERT_TRUE(WinsockStartup());
        port = sim.StartTcp();
        ASSERT_NE(0, port);
        g_Settings.SetDefaults();
        g_Settings.ComMode = 1;
        CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
        g_Settings.TcpPort = static_cast<DWORD>(port);
        g_Settings.CommunicationTimeout = 300;
        g_Settings.CommunicationTimeoutReset = 300;
        g_Settings.CommunicationTimeoutSwitchToLoader = 300;
        g_Settings.CommunicationTimeoutSwitchToFirmware = 600;
        engine.SetNotifyWindow(frame.hwnd);
        ASSERT_EQ(1, CommInit(frame.hwnd, 1));
        for (int i = 0; i < 300 && CommState() != 2; ++i)
            EngineFrame::Pump(10);
        ASSERT_EQ(2, CommState());
    }

    void TearDown() override
    {
        engine.StopTimer();
        CommClose();
        EngineFrame::Pump(20);
        sim.Stop();
        WinsockCleanup();
        g_Settings.SetDefaults();
    }

    size_t Requests(BYTE tag)
    {
        size_t count = 0;
        for (const devsim::SimMessage& m : sim.Received())
            if (m.type == 0xA1 && m.Has(tag))
                ++count;
        return count;
    }

    devsim::CDeviceSimulator sim;
    CDeviceProtocol engine;
    EngineFrame frame;
    int port = 0;
};
} // namespace

TEST_F(EngineLinkTest, UnansweredRequestIsSentFourTimesThenFails)
{
    devsim::SimFaults faults;
    faults.noAnswer = -1;
    sim.SetFaults(faults);
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_OPERATION_FAILED, 0, 5000));
    EXPECT_EQ(4u, Requests(IE_DATE_TIME));
    EXPECT_EQ(ENGINE_FAILED, engine.GetState());
}

TEST_F(EngineLinkTest, RefusedPasswordIsAskedAndTheRequestRepeated)
{
    sim.SetPassword("secret", true);
    engine.SetPassword("wrong");
    frame.password = "secret";
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK, 5000));
    EXPECT_EQ(1, frame.prompts);
    EXPECT_EQ(2u, Requests(IE_DATE_TIME));
    EXPECT_NE(0, engine.GetDeviceTime().wYear);
}

TEST_F(EngineLinkTest, NegativeAnswersEndWithTheirCause)
{
    sim.RefuseNext(IE_DATE_TIME, 0x85, 10);
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_NEGATIVE, 5000));
    EXPECT_STREQ("85", engine.GetCauseText());
    EXPECT_EQ(4u, Requests(IE_DATE_TIME));
}

TEST_F(EngineLinkTest, ResetEndsWithTheDeviceBackAndItsVersionsStored)
{
    sim.SetRestart(200, true);
    ASSERT_EQ(1, engine.ResetDevice());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0, 15000));
    EngineFrame::Pump(100);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_TRUE(frame.Has(ENGINE_STATUS_LINK_STATE));
    EXPECT_STREQ("3.0.0.5", engine.GetFirmwareVersion());
    EXPECT_STREQ("L1.07", engine.GetLoaderVersion());
    EXPECT_EQ(2, engine.GetRunningProgram());
    // The device's events were acknowledged.
    EXPECT_GE(sim.Acks(), 1);
}

TEST_F(EngineLinkTest, SystemInformationAndSplitDiagnosticsAnswers)
{
    ASSERT_EQ(1, engine.GetSystemInfo());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK, 5000));
    EXPECT_STREQ("3.0.0.5", engine.GetFirmwareVersion());
    EXPECT_STREQ("VELMOTREX-TEST", engine.GetDeviceName());
    EXPECT_EQ(0x00030005u, engine.GetBoardValue());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_OK, 5000));

    sim.Lock();
    for (int i = 0; i < 32; ++i)
        sim.data.cards[i] = { true, static_cast<WORD>(0x100 + i), static_cast<BYTE>(i % 3), "card text of some length" };
    for (int i = 0; i < 20; ++i)
    {
        const std::string name = "user" + std::to_string(i);
        devsim::Bytes row(name.begin(), name.end());
        row.push_back(0);
        row.insert(row.end(), 12, static_cast<BYTE>(i % 2));
        sim.data.voipRows.push_back(row);
    }
    sim.Unlock();

    ASSERT_EQ(1, engine.RequestDiagnostics(10, 0));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DIAG_CARDS, 0, 5000));
    EXPECT_EQ(0x11F, engine.GetCards()[31].value);
    EXPECT_STREQ("card text of some length", engine.GetCards()[17].text);

    ASSERT_EQ(1, engine.RequestDiagnostics(20, 0));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DIAG_VOIP, 0, 5000));
    int rows = 0;
    for (int i = 0; i < DIAG_VOIP_TRUNK_ROWS; ++i)
        rows += engine.GetVoipTrunkRow(i)[0] ? 1 : 0;
    for (int i = 0; i < DIAG_VOIP_USER_ROWS; ++i)
        rows += engine.GetVoipUserRow(i)[0] ? 1 : 0;
    EXPECT_EQ(18, rows); // the 8 trunk slots hold 8 of the 10 trunk rows, and 10 users
}
