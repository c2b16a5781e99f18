#pragma once
#include "wcl/Win.h"
#include <vector>

// A message-only window standing in for the main frame in link and engine
// tests: it keeps a copy of every WMU_FRAME_RECEIVED message (and frees the
// buffer, as the frame's handler would) and every WMU_ENGINE_STATUS.
class CLinkMessageRecorder
{
public:
    struct Status
    {
        WPARAM code;
        LPARAM result;
    };

    CLinkMessageRecorder();
    ~CLinkMessageRecorder();
    CLinkMessageRecorder(const CLinkMessageRecorder&) = delete;
    CLinkMessageRecorder& operator=(const CLinkMessageRecorder&) = delete;

    HWND hwnd() const { return m_hWnd; }

    // When set, frames are handed on instead of being kept (an engine's
    // dispatcher, which frees them).
    typedef void (*FrameHandler)(BYTE* message, int length, void* context);
    void SetFrameHandler(FrameHandler handler, void* context);

    std::vector<std::vector<BYTE>> frames;
    std::vector<Status> statuses;

    // Pumps this thread's messages (thread timers included) for ms.
    static void Pump(DWORD ms);
    // Pumps until at least count frames arrived or timeoutMs passed.
    bool WaitForFrames(size_t count, DWORD timeoutMs);
    // Pumps until a status with this code arrived (count times) or timeoutMs.
    bool WaitForStatus(WPARAM code, DWORD timeoutMs, size_t count = 1);
    size_t CountStatus(WPARAM code) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = NULL;
    FrameHandler m_handler = nullptr;
    void* m_context = nullptr;
};
