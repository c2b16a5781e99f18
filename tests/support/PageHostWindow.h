#pragma once
#include "wcl/Win.h"
#include <cstdio>

// A hidden top-level window to parent pages and dialogs created from WS_CHILD
// templates (a child template without a parent fails with error 1406), and a
// message pump with a deadline for what the windows post to themselves.
namespace testsupport
{
inline HWND CreatePageHost(int width = 800, int height = 600, bool visible = false)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandle(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "VelTestPageHost";
    ::RegisterClassA(&wc); // fails harmlessly once the class is there
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    return ::CreateWindowExA(0, "VelTestPageHost", "host", style, 0, 0, width, height, NULL, NULL,
                             ::GetModuleHandle(NULL), NULL);
}

// Dispatches what is queued, then keeps pumping until ms have passed.
inline void PumpMessages(DWORD ms = 0)
{
    DWORD start = ::GetTickCount();
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (::GetTickCount() - start >= ms)
            break;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

// Writes what the screen shows of the window as a 24-bit BMP file (for
// looking at a view by eye; no test compares pixels).
inline bool SaveWindowImage(HWND wnd, const char* path)
{
    RECT rc;
    if (!::GetWindowRect(wnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top)
        return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const DWORD stride = ((DWORD)w * 3 + 3) & ~3u;
    BITMAPINFOHEADER bi = { sizeof(bi), w, h, 1, 24, BI_RGB, stride * (DWORD)h };
    HDC screen = ::GetDC(NULL);
    HDC mem = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, (BITMAPINFO*)&bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    BITMAPFILEHEADER bf = { 0x4D42, (DWORD)(sizeof(bf) + sizeof(bi)) + bi.biSizeImage, 0, 0, sizeof(bf) + sizeof(bi) };
    FILE* f = fopen(path, "wb");
    bool ok = f && fwrite(&bf, sizeof(bf), 1, f) == 1 && fwrite(&bi, sizeof(bi), 1, f) == 1 &&
              fwrite(bits, bi.biSizeImage, 1, f) == 1;
    ok = f && fclose(f) == 0 && ok;
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(NULL, screen);
    return ok;
}
}
