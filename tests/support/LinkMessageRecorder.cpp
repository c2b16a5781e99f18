#include "tests/support/LinkMessageRecorder.h"
#include "comm/CommMessages.h"
#include "tests/support/MessageWindow.h"

namespace
{
const char* const kClassName = "VelLinkMessageRecorder";
const char* const kObjectProp = "VelLinkMessageRecorder.Object";
}

CLinkMessageRecorder::CLinkMessageRecorder()
{
    m_hWnd = enginetest::CreateStandInWindow(kClassName, WindowProc);
    ::SetPropA(m_hWnd, kObjectProp, (HANDLE)this);
}

CLinkMessageRecorder::~CLinkMessageRecorder()
{
    // Frames still queued for the window are freed with it.
    MSG msg;
    while (::PeekMessage(&msg, m_hWnd, WMU_FRAME_RECEIVED, WMU_FRAME_RECEIVED, PM_REMOVE))
        FreeCommBuffer((void*)msg.wParam);
    ::RemovePropA(m_hWnd, kObjectProp);
    ::DestroyWindow(m_hWnd);
}

void CLinkMessageRecorder::SetFrameHandler(FrameHandler handler, void* context)
{
    m_handler = handler;
    m_context = context;
}

LRESULT CALLBACK CLinkMessageRecorder::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CLinkMessageRecorder* self = (CLinkMessageRecorder*)::GetPropA(hWnd, kObjectProp);
    if (self && msg == WMU_FRAME_RECEIVED)
    {
        BYTE* message = (BYTE*)wParam;
        int length = (int)lParam;
        if (self->m_handler)
        {
            self->m_handler(message, length, self->m_context);
        }
        else
        {
            self->frames.push_back(std::vector<BYTE>(message, message + (length > 0 ? length : 0)));
            FreeCommBuffer(message);
        }
        return 0;
    }
    if (self && msg == WMU_ENGINE_STATUS)
    {
        self->statuses.push_back(Status{ wParam, lParam });
        return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

void CLinkMessageRecorder::Pump(DWORD ms)
{
    DWORD deadline = ::GetTickCount() + ms;
    for (;;)
    {
        MSG msg;
        while (::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
        DWORD now = ::GetTickCount();
        if ((LONG)(now - deadline) >= 0)
            return;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, deadline - now, QS_ALLINPUT);
    }
}

bool CLinkMessageRecorder::WaitForFrames(size_t count, DWORD timeoutMs)
{
    DWORD deadline = ::GetTickCount() + timeoutMs;
    while (frames.size() < count)
    {
        if ((LONG)(::GetTickCount() - deadline) >= 0)
            return false;
        Pump(5);
    }
    return true;
}

size_t CLinkMessageRecorder::CountStatus(WPARAM code) const
{
    size_t n = 0;
    for (const Status& s : statuses)
        if (s.code == code)
            ++n;
    return n;
}

bool CLinkMessageRecorder::WaitForStatus(WPARAM code, DWORD timeoutMs, size_t count)
{
    DWORD deadline = ::GetTickCount() + timeoutMs;
    while (CountStatus(code) < count)
    {
        if ((LONG)(::GetTickCount() - deadline) >= 0)
            return false;
        Pump(5);
    }
    return true;
}
