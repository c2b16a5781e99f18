#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "comm/LateBound.h"
#include <mmsystem.h>

// The engine over the program's own link.
class CCommEngineLink : public IEngineLink
{
public:
    int State() override { return CommState(); }
    // The writer frees what it was given: the message's bytes are its heap block.
    int QueueSend(CDeviceMessage* message, int length) override { return CommQueueSend(message->bytes, length); }
    void Disconnect() override
    {
        if (IsSerial())
            CommSuspend();
        else
            TcpClose();
    }
    int Reconnect(HWND notify) override { return CommInit(notify, 1); }
    bool IsSerial() override { return CommGetLinkKind() == LINK_SERIAL; }
};

// Thread timers without a window: the callback carries only the timer id,
// so the armed timers remember their engine here (UI thread only).
class CThreadEngineTimer : public IEngineTimer
{
public:
    UINT_PTR Start(CDeviceProtocol* engine, UINT milliseconds) override
    {
        const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, &CThreadEngineTimer::TimerProc);
        if (!id)
            return 0;
        for (Slot& slot : s_slots)
        {
            if (!slot.id)
            {
                slot.id = id;
                slot.engine = engine;
                return id;
            }
        }
        ::KillTimer(nullptr, id); // more engines than any program has
        return 0;
    }

    void Stop(UINT_PTR id) override
    {
        ::KillTimer(nullptr, id);
        for (Slot& slot : s_slots)
            if (slot.id == id)
                slot = Slot();
    }

    ULONGLONG NowMicroseconds() override
    {
        static LARGE_INTEGER frequency;
        if (!frequency.QuadPart)
            ::QueryPerformanceFrequency(&frequency);
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return static_cast<ULONGLONG>(now.QuadPart / frequency.QuadPart) * 1000000ULL +
               static_cast<ULONGLONG>(now.QuadPart % frequency.QuadPart) * 1000000ULL / frequency.QuadPart;
    }

    void SetHighResolution(bool on) override
    {
        // The multimedia timer library is wanted only while a transfer runs.
        typedef decltype(&::timeBeginPeriod) PeriodFn;
        static const PeriodFn begin = LateBoundFunction<PeriodFn>("winmm.dll", "timeBeginPeriod");
        static const PeriodFn end = LateBoundFunction<PeriodFn>("winmm.dll", "timeEndPeriod");
        PeriodFn change = on ? begin : end;
        if (change)
            change(1);
    }

private:
    struct Slot
    {
        UINT_PTR id = 0;
        CDeviceProtocol* engine = nullptr;
    };

    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD)
    {
        for (Slot& slot : s_slots)
        {
            if (slot.id == id)
            {
                CDeviceProtocol* engine = slot.engine;
                engine->OnTimeout(id);
                return;
            }
        }
        ::KillTimer(nullptr, id);
    }

    static Slot s_slots[8];
};

CThreadEngineTimer::Slot CThreadEngineTimer::s_slots[8];

IEngineLink* GetCommEngineLink()
{
    static CCommEngineLink link;
    return &link;
}

IEngineTimer* GetThreadEngineTimer()
{
    static CThreadEngineTimer timer;
    return &timer;
}
