#pragma once
// A protocol engine on test seams: a link that captures what is sent, a
// timer that the test fires, a message-only frame window that records the
// engine's statuses and answers its login questions, and a real
// communication log view to read the engine's log lines from.
#include "base/AppSettings.h"
#include "comm/CommLogCtrl.h"
#include "comm/DeviceProtocol.h"
#include "tests/support/LogView.h"
#include "tests/support/MessageWindow.h"
#include <gtest/gtest.h>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace enginetest
{
typedef std::vector<BYTE> Bytes;

struct FakeLink : IEngineLink
{
    int state = 2;
    bool serial = false;
    int stateAfterReconnect = 2;
    int disconnects = 0;
    int reconnects = 0;
    std::vector<Bytes> sent;
    // A device fast enough to answer before the engine's thread runs again:
    // each send posts kAnswerMarker to this window, as the reader would.
    HWND answerTo = nullptr;
    static constexpr int kAnswerMarker = -1;

    int State() override { return state; }
    int QueueSend(CDeviceMessage* message, int length) override
    {
        if (answerTo)
            ::PostMessageA(answerTo, WMU_ENGINE_STATUS, kAnswerMarker, 0);
        sent.push_back(Bytes(message->bytes, message->bytes + length));
        FreeMessage(message);
        return 1;
    }
    void Disconnect() override
    {
        ++disconnects;
        state = 0;
    }
    int Reconnect(HWND) override
    {
        ++reconnects;
        state = stateAfterReconnect;
        return state == 2;
    }
    bool IsSerial() override { return serial; }
};

struct FakeTimer : IEngineTimer
{
    UINT_PTR nextId = 100;
    UINT_PTR armed = 0;
    UINT armedMs = 0;
    std::vector<UINT_PTR> stopped;

    UINT_PTR Start(CDeviceProtocol*, UINT milliseconds) override
    {
        armed = nextId++;
        armedMs = milliseconds;
        return armed;
    }
    void Stop(UINT_PTR id) override
    {
        stopped.push_back(id);
        if (id == armed)
            armed = 0;
    }
    // Time stands still until a test lets it pass (firing a timer does).
    ULONGLONG nowUs = 1000000;
    ULONGLONG NowMicroseconds() override { return nowUs; }
    bool highResolution = false;
    void SetHighResolution(bool on) override { highResolution = on; }
};

struct Status
{
    int code;
    int result;
    bool sent; // sent, not posted
    bool operator==(const Status& other) const
    {
        return code == other.code && result == other.result && sent == other.sent;
    }
};

// The frame's side: records statuses, answers WMU_ENSURE_LOGIN.
class StatusWindow
{
public:
    StatusWindow()
    {
        s_current = this;
        hwnd = CreateStandInWindow("EngineTestStatusSink", &StatusWindow::WndProc);
    }
    ~StatusWindow()
    {
        Pump();
        ::DestroyWindow(hwnd);
        s_current = nullptr;
    }

    // Delivers the posted statuses.
    void Pump()
    {
        MSG msg;
        while (::PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
        {
            m_dispatching = true;
            ::DispatchMessageA(&msg);
            m_dispatching = false;
        }
    }

    std::vector<Status> Take()
    {
        Pump();
        std::vector<Status> out;
        out.swap(statuses);
        return out;
    }

    bool Has(int code, int result)
    {
        Pump();
        for (const Status& s : statuses)
            if (s.code == code && s.result == result)
                return true;
        return false;
    }

    HWND hwnd = nullptr;
    std::vector<Status> statuses;
    int linkReady = 1;       // answer to (3, 1)
    int passwordAnswer = 1;  // answer to (1, 0)
    int passwordPrompts = 0;
    int connectCommands = 0;
    // Runs inside the password prompt (nested loop stand-in).
    void (*duringPrompt)(void* context) = nullptr;
    void* promptContext = nullptr;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        StatusWindow* self = s_current;
        if (self && msg == WMU_ENGINE_STATUS)
        {
            self->statuses.push_back({ static_cast<int>(wParam), static_cast<int>(lParam), !self->m_dispatching });
            return 0;
        }
        if (self && msg == WMU_ENSURE_LOGIN)
        {
            if (wParam == 3)
                return self->linkReady;
            ++self->passwordPrompts;
            if (self->duringPrompt)
                self->duringPrompt(self->promptContext);
            return self->passwordAnswer;
        }
        if (self && msg == WM_COMMAND && LOWORD(wParam) == ENGINE_CMD_CONNECT)
        {
            ++self->connectCommands;
            return 0;
        }
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    static StatusWindow* s_current;
    bool m_dispatching = false; // a posted message is being delivered
};

inline StatusWindow* StatusWindow::s_current = nullptr;

// A message as the device sends it: elements given in wire order.
inline Bytes Msg(BYTE type, std::initializer_list<std::pair<BYTE, Bytes>> elements)
{
    Bytes m;
    m.push_back(type);
    m.push_back(0);
    for (const auto& e : elements)
    {
        m.push_back(e.first);
        m.push_back(static_cast<BYTE>(e.second.size()));
        m.insert(m.end(), e.second.begin(), e.second.end());
    }
    m[1] = static_cast<BYTE>(m.size() - 2);
    BYTE sum = 0;
    for (BYTE b : m)
        sum = static_cast<BYTE>(sum + b);
    m.push_back(static_cast<BYTE>(0x100 - sum));
    return m;
}

inline Bytes Text(const char* text)
{
    return Bytes(text, text + strlen(text));
}

inline Bytes Be32(DWORD value)
{
    return Bytes{ static_cast<BYTE>(value >> 24), static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8),
                  static_cast<BYTE>(value) };
}

// How often what occurs in text, overlapping occurrences counted.
inline size_t CountOf(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The engine under test with its seams and a communication log.
class Harness
{
public:
    // withLog false leaves the engine without a communication log (long
    // transfers run much faster without the view).
    explicit Harness(bool withLog = true) : engine(&link, &timer)
    {
        g_Settings.SetDefaults();
        log.Attach(logView.edit);
        log.Init();
        log.SetMaxLines(100000);
        engine.SetNotifyWindow(frame.hwnd);
        if (withLog)
            engine.SetCommLog(&log);
    }
    ~Harness()
    {
        engine.SetCommLog(nullptr);
        log.Detach();
    }

    void Deliver(const Bytes& message) { DeliverRaw(message.data(), static_cast<int>(message.size())); }

    void DeliverRaw(const BYTE* bytes, int length)
    {
        // As the link receives it: a frame's buffer of a message's size.
        CDeviceMessage* buffer =
            static_cast<CDeviceMessage*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CDeviceMessage)));
        memcpy(buffer->bytes, bytes, length < MESSAGE_BUFFER_SIZE ? length : MESSAGE_BUFFER_SIZE);
        engine.OnMessage(buffer, length);
    }

    // Fires the armed timer; false when none was armed.
    bool Fire()
    {
        if (!timer.armed)
            return false;
        timer.nowUs += timer.armedMs * 1000ULL;
        engine.OnTimeout(timer.armed);
        return true;
    }

    std::vector<Bytes> TakeSent()
    {
        std::vector<Bytes> out;
        out.swap(link.sent);
        return out;
    }

    // The one message sent since the last look (a failure when not one).
    Bytes OnlySent()
    {
        std::vector<Bytes> sent = TakeSent();
        EXPECT_EQ(1u, sent.size());
        return sent.empty() ? Bytes() : sent[0];
    }

    // Forgets what was sent and posted so far: the next look sees what
    // follows.
    void Settle()
    {
        TakeSent();
        frame.Take();
    }

    // The device's answers: positive with these elements, or refused.
    void Positive(std::initializer_list<std::pair<BYTE, Bytes>> elements) { Deliver(Msg(MSG_TYPE_POSITIVE, elements)); }
    void Refuse(Bytes cause) { Deliver(Msg(MSG_TYPE_NEGATIVE, { { IE_CAUSE, cause } })); }

    // Fires the armed timer times times; false when one was not armed.
    bool Fire(int times)
    {
        for (int i = 0; i < times; ++i)
            if (!Fire())
                return false;
        return true;
    }

    // Plays the device of a transfer: answers each message the engine sent
    // with answer(message), fires the armed timer when it sent nothing.
    // Until running() turns false, no timer is armed, or the step limit.
    template <typename Running, typename Answer>
    void Drive(Running running, Answer answer, int maxSteps = 20000)
    {
        for (int step = 0; step < maxSteps && running(); ++step)
        {
            std::vector<Bytes> sent = TakeSent();
            if (sent.empty())
            {
                if (!Fire())
                    return;
                continue;
            }
            for (const Bytes& message : sent)
                answer(message);
        }
    }

    // The board as the device reported it: running program, kind, number, value.
    std::vector<DWORD> Board() const
    {
        return { engine.GetRunningProgram(), engine.GetBoardKind(), engine.GetBoardNumber(), engine.GetBoardValue() };
    }

    std::string LogText() { return WindowText(log); }

    bool LogHas(const char* line) { return LogText().find(line) != std::string::npos; }

    size_t LogCount(const char* line) { return CountOf(LogText(), line); }

    FakeLink link;
    FakeTimer timer;
    StatusWindow frame;
    CDeviceProtocol engine;
    CLogViewWindow logView;
    CCommLogCtrl log;
};

// An element of a sent message, empty when absent.
inline bool SentElement(const Bytes& message, BYTE tag, Bytes* data)
{
    CDeviceMessage sent = {};
    memcpy(sent.bytes, message.data(), message.size() < sizeof(sent.bytes) ? message.size() : sizeof(sent.bytes));
    const BYTE* element = FindIE(&sent, tag);
    if (!element)
        return false;
    if (data)
        *data = Bytes(element + 2, element + 2 + element[1]);
    return true;
}

// Whether any of the sent messages carries the element.
inline bool SentTag(const std::vector<Bytes>& sent, BYTE tag)
{
    for (const Bytes& m : sent)
        if (SentElement(m, tag, nullptr))
            return true;
    return false;
}

// A message without its checksum byte.
inline Bytes WithoutChecksum(const Bytes& message)
{
    return message.empty() ? message : Bytes(message.begin(), message.end() - 1);
}

inline DWORD SentAddress(const Bytes& message)
{
    Bytes a;
    if (!SentElement(message, IE_ADDRESS, &a) || a.size() != 4)
        return 0xFFFFFFFF;
    return (static_cast<DWORD>(a[0]) << 24) | (a[1] << 16) | (a[2] << 8) | a[3];
}
} // namespace enginetest
