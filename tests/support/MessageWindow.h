#pragma once
// The message-only windows that stand in for the main frame in engine tests.
#include <windows.h>

namespace enginetest
{
// A message-only window of a class of its own with this procedure. The class
// is registered at the first call; later calls find it there.
inline HWND CreateStandInWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandle(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}
} // namespace enginetest
