// The yardstick of the start-up benchmark: an empty Win32 program with the
// program's menu, a tab control and a status bar, and nothing else.
#include "wcl/Win.h"
#include "res/FrameIds.h"
#include <commctrl.h>

namespace
{
HWND g_tab, g_status;

void Layout(HWND frame)
{
    RECT rc, bar;
    ::GetClientRect(frame, &rc);
    ::SendMessageA(g_status, WM_SIZE, 0, 0);
    ::GetWindowRect(g_status, &bar);
    ::MoveWindow(g_tab, 0, 0, rc.right, rc.bottom - (bar.bottom - bar.top), TRUE);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
    {
        HINSTANCE inst = ((CREATESTRUCTA*)lParam)->hInstance;
        g_tab = ::CreateWindowExA(0, WC_TABCONTROLA, NULL, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd,
                                  NULL, inst, NULL);
        ::SendMessageA(g_tab, WM_SETFONT, (WPARAM)::GetStockObject(DEFAULT_GUI_FONT), FALSE);
        const char* titles[] = { "Configuration", "Diagnostics" };
        for (int i = 0; i < 2; ++i)
        {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(titles[i]);
            ::SendMessageA(g_tab, TCM_INSERTITEMA, i, (LPARAM)&item);
        }
        g_status = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                     hwnd, NULL, inst, NULL);
        return 0;
    }
    case WM_SIZE:
        Layout(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES };
    ::InitCommonControlsEx(&controls);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "EmptyWin32Frame";
    if (!::RegisterClassA(&wc))
        return 1;
    HWND frame = ::CreateWindowExA(WS_EX_APPWINDOW, wc.lpszClassName, "Empty", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL,
                                   ::LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)), instance, NULL);
    if (!frame)
        return 1;
    ::ShowWindow(frame, show);
    ::UpdateWindow(frame);
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
