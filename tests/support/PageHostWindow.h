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
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandle(NULL);
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
        wc.lpszClassName = "VelTestPageHost";
        ::RegisterClassA(&wc);
        registered = true;
    }
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    HWND h = ::CreateWindowExA(0, "VelTestPageHost", "host", style, 0, 0, width, height,
                               NULL, NULL, ::GetModuleHandle(NULL), NULL);
    return h;
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
    if (!::GetWindowRect(wnd, &rc))
        return false;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = ::GetDC(NULL);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof(bi);
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    DWORD stride = ((DWORD)w * 3 + 3) & ~3u;
    bi.biSizeImage = stride * (DWORD)h;
    char* bits = new char[bi.biSizeImage];
    ::GetDIBits(mem, bmp, 0, (UINT)h, bits, (BITMAPINFO*)&bi, DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(NULL, screen);
    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + bi.biSizeImage;
    bool ok = false;
    if (FILE* f = fopen(path, "wb"))
    {
        ok = fwrite(&bf, sizeof(bf), 1, f) == 1 && fwrite(&bi, sizeof(bi), 1, f) == 1 &&
             fwrite(bits, bi.biSizeImage, 1, f) == 1;
        ok = fclose(f) == 0 && ok;
    }
    delete[] bits;
    return ok;
}
}
