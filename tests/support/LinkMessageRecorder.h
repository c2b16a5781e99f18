#pragma once
#include "comm/CommMessages.h"
#include "comm/Link.h"
#include "tests/support/MessageWindow.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// The link's error boxes, recorded in place of being shown
// (CommSetErrorBox(RecordBox)).
struct LinkErrorBox
{
    std::string key, arg1, arg2;
};
inline std::vector<LinkErrorBox> g_boxes;
inline void RecordBox(const char* key, const char* arg1, const char* arg2)
{
    g_boxes.push_back(LinkErrorBox{ key, arg1, arg2 });
}

// The link's log lines, written by the UI thread and the link threads alike.
struct ThreadLog
{
    CRITICAL_SECTION cs;
    std::vector<std::string> lines;
    ThreadLog() { ::InitializeCriticalSection(&cs); }
    ~ThreadLog() { ::DeleteCriticalSection(&cs); }
    static void Sink(const char* text, COLORREF, void* context)
    {
        ThreadLog* self = static_cast<ThreadLog*>(context);
        ::EnterCriticalSection(&self->cs);
        self->lines.push_back(text);
        ::LeaveCriticalSection(&self->cs);
    }
    bool Has(const std::string& line)
    {
        ::EnterCriticalSection(&cs);
        const bool has = std::find(lines.begin(), lines.end(), line) != lines.end();
        ::LeaveCriticalSection(&cs);
        return has;
    }
};

// A message-only window standing in for the main frame in link tests: it
// keeps a copy of every WMU_FRAME_RECEIVED message (and frees the buffer, as
// the frame's handler would) and every WMU_ENGINE_STATUS.
class CLinkMessageRecorder
{
public:
    struct Status
    {
        WPARAM code;
        LPARAM result;
    };

    CLinkMessageRecorder() : m_hWnd(enginetest::CreateStandInWindow("VelLinkMessageRecorder", WindowProc))
    {
        ::SetPropA(m_hWnd, kObjectProp, (HANDLE)this);
    }
    ~CLinkMessageRecorder()
    {
        // Frames still queued for the window are freed with it.
        MSG msg;
        while (::PeekMessage(&msg, m_hWnd, WMU_FRAME_RECEIVED, WMU_FRAME_RECEIVED, PM_REMOVE))
            FreeCommBuffer((void*)msg.wParam);
        ::RemovePropA(m_hWnd, kObjectProp);
        ::DestroyWindow(m_hWnd);
    }
    CLinkMessageRecorder(const CLinkMessageRecorder&) = delete;
    CLinkMessageRecorder& operator=(const CLinkMessageRecorder&) = delete;

    HWND hwnd() const { return m_hWnd; }

    std::vector<std::vector<BYTE>> frames;
    std::vector<Status> statuses;

    // Pumps this thread's messages (thread timers included) for ms.
    static void Pump(DWORD ms)
    {
        const DWORD deadline = ::GetTickCount() + ms;
        for (;;)
        {
            MSG msg;
            while (::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
            {
                ::TranslateMessage(&msg);
                ::DispatchMessage(&msg);
            }
            const LONG left = (LONG)(deadline - ::GetTickCount());
            if (left <= 0)
                return;
            ::MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)left, QS_ALLINPUT);
        }
    }
    // Pumps until done() holds or timeoutMs passed; what done() says then.
    template <typename Done> static bool PumpUntil(Done done, DWORD timeoutMs)
    {
        const DWORD deadline = ::GetTickCount() + timeoutMs;
        while (!done())
        {
            if ((LONG)(::GetTickCount() - deadline) >= 0)
                return false;
            Pump(5);
        }
        return true;
    }
    bool WaitForFrames(size_t count, DWORD timeoutMs)
    {
        return PumpUntil([&] { return frames.size() >= count; }, timeoutMs);
    }
    bool WaitForStatus(WPARAM code, DWORD timeoutMs)
    {
        return PumpUntil([&] { return CountStatus(code) > 0; }, timeoutMs);
    }
    // Queues a copy of the message on the open link, as the engine does.
    static bool Send(const std::vector<BYTE>& message)
    {
        BYTE* m = (BYTE*)AllocCommBuffer(COMM_MESSAGE_SIZE, true);
        memcpy(m, message.data(), message.size());
        return CommQueueSend(m, (int)message.size()) == 1;
    }
    size_t CountStatus(WPARAM code) const
    {
        size_t n = 0;
        for (const Status& s : statuses)
            n += s.code == code;
        return n;
    }

private:
    static constexpr const char* kObjectProp = "VelLinkMessageRecorder.Object";
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        CLinkMessageRecorder* self = (CLinkMessageRecorder*)::GetPropA(hWnd, kObjectProp);
        if (self && msg == WMU_FRAME_RECEIVED)
        {
            BYTE* message = (BYTE*)wParam;
            self->frames.push_back(std::vector<BYTE>(message, message + (lParam > 0 ? lParam : 0)));
            FreeCommBuffer(message);
            return 0;
        }
        if (self && msg == WMU_ENGINE_STATUS)
        {
            self->statuses.push_back(Status{ wParam, lParam });
            return 0;
        }
        return ::DefWindowProcA(hWnd, msg, wParam, lParam);
    }
    HWND m_hWnd;
};
