#pragma once
// A stand-in for the main frame for engine tests over the real link: it hands
// received frames to the engine, connects on demand, answers the password
// question with a scripted password and records the engine's statuses.
#include "comm/DeviceProtocol.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "record/ConfigRecord.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tests/support/MessageWindow.h"
#include "tools/devsim/DeviceSimulator.h"
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace enginetest
{
// Answers "make sure the link is up" as the main frame does: at once while
// the link is connected or connecting; otherwise opens it and waits for it
// without handling messages.
inline LRESULT EnsureLinkWithoutPumping(HWND hwnd)
{
    if (CommState() != 0)
        return 1;
    if (!CommInit(hwnd, 1))
        return 0;
    for (int i = 0; i < 20 && CommState() != 2; ++i)
        ::Sleep(100);
    return CommState() == 2;
}

// Stands in for the main frame: hands received frames to the engine,
// connects on demand, asks for the password, records the statuses.
class EngineFrame
{
public:
    explicit EngineFrame(CDeviceProtocol* engine) : m_engine(engine)
    {
        s_current = this;
        hwnd = CreateStandInWindow("EngineLinkTestFrame", &EngineFrame::WndProc);
    }
    ~EngineFrame()
    {
        ::DestroyWindow(hwnd);
        s_current = nullptr;
    }

    // Handles messages until the deadline, waking at once for each new one
    // (a frame from the link, a timer), so a transfer runs at the link's pace.
    static void Pump(DWORD ms) { CLinkMessageRecorder::Pump(ms); }

    bool WaitForStatus(int code, int result, DWORD ms)
    {
        return CLinkMessageRecorder::PumpUntil([&] { return Has(code, result); }, ms);
    }

    bool Has(int code, int result) const
    {
        for (const auto& s : statuses)
            if (s.first == code && s.second == result)
                return true;
        return false;
    }

    // The statuses so far as "code/result ...", for failure messages.
    std::string StatusText() const
    {
        std::string text;
        for (const auto& s : statuses)
            text += std::to_string(s.first) + "/" + std::to_string(s.second) + " ";
        return text;
    }

    HWND hwnd = nullptr;
    std::vector<std::pair<int, int>> statuses;
    const char* password = "";
    int prompts = 0;
    // Runs a step of the test at a status, after it is recorded (as the
    // progress dialog's abort).
    std::function<void(int code, int result)> onStatus;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        EngineFrame* self = s_current;
        if (!self)
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        switch (msg)
        {
        case WMU_FRAME_RECEIVED:
            self->m_engine->OnMessage(reinterpret_cast<CDeviceMessage*>(wParam), static_cast<int>(lParam));
            return 0;
        case WMU_ENGINE_STATUS:
            self->statuses.push_back({ static_cast<int>(wParam), static_cast<int>(lParam) });
            if (self->onStatus)
                self->onStatus(static_cast<int>(wParam), static_cast<int>(lParam));
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

inline EngineFrame* EngineFrame::s_current = nullptr;

// The link settings for the simulator on the loopback port, with short
// time-outs so that a silent device is noticed at once.
inline void UseLoopbackTcp(int port)
{
    g_Settings.ComMode = 1;
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
    g_Settings.TcpPort = static_cast<DWORD>(port);
    g_Settings.CommunicationTimeout = 300;
    g_Settings.CommunicationTimeoutReset = 300;
    g_Settings.CommunicationTimeoutSwitchToLoader = 300;
    g_Settings.CommunicationTimeoutSwitchToFirmware = 600;
    g_Settings.CommunicationTimeoutDataRead = 300;
    g_Settings.CommunicationTimeoutDataWrite = 300;
    g_Settings.CommunicationTimeoutDataWriteStart = 300;
}

// How many requests carrying tag the simulator has received.
inline size_t RequestsWithTag(devsim::CDeviceSimulator& sim, BYTE tag)
{
    size_t count = 0;
    for (const devsim::SimMessage& m : sim.Received())
        if (m.type == 0xA1 && m.Has(tag))
            ++count;
    return count;
}

// An engine with the real link and thread timers, connected over TCP to a
// device simulator on the loopback; short time-outs.
class EngineOverTcp
{
public:
    EngineOverTcp() : engine(GetCommEngineLink(), GetThreadEngineTimer()), frame(&engine) {}

    bool Start()
    {
        if (!WinsockStartup())
            return false;
        port = sim.StartTcp();
        if (!port)
            return false;
        g_Settings.SetDefaults();
        UseLoopbackTcp(port);
        engine.SetNotifyWindow(frame.hwnd);
        if (CommInit(frame.hwnd, 1) != 1)
            return false;
        for (int i = 0; i < 300 && CommState() != 2; ++i)
            EngineFrame::Pump(10);
        return CommState() == 2;
    }

    void Stop()
    {
        engine.StopTimer();
        CommClose();
        EngineFrame::Pump(20);
        sim.Stop();
        WinsockCleanup();
        g_Settings.SetDefaults();
    }

    size_t Requests(BYTE tag) { return RequestsWithTag(sim, tag); }

    devsim::CDeviceSimulator sim;
    CDeviceProtocol engine;
    EngineFrame frame;
    int port = 0;
};

// Every table filled: what a download reads back whole (the unused space
// holds nothing).
inline devsim::Bytes FullDeviceImage()
{
    static const DWORD unusedRegions[][2] = { { 287356, 393216 }, { 393728, 394240 } };
    devsim::Bytes image(ENGINE_IMAGE_SIZE);
    for (DWORD i = 0; i < ENGINE_IMAGE_SIZE; ++i)
        image[i] = static_cast<BYTE>((i * 7 + (i >> 9)) % 251);
    for (const auto& region : unusedRegions)
        std::fill(image.begin() + region[0], image.begin() + region[1], 0xFF);
    const DWORD word = ConfigFormatWord;
    memcpy(image.data(), &word, 4);
    return image;
}

// The record of a new document: every default set.
inline devsim::Bytes DefaultDeviceImage()
{
    devsim::Bytes image(sizeof(ConfigRecord));
    SetConfigDefaults(reinterpret_cast<ConfigRecord*>(image.data()));
    return image;
}
} // namespace enginetest
