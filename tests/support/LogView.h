#pragma once
#include "wcl/Win.h"
#include <richedit.h>
#include <string>

// Rich edit 2.0 log views in tests: one created as the frame creates its
// communication log, and what a user sees in one (text, colours).

// A log view under a hidden top-level host window: read-only, multi-line,
// both scroll bars, lines never wrapped by the control. The host (and the
// view with it) goes when this does.
class CLogViewWindow
{
public:
    CLogViewWindow()
    {
        ::LoadLibraryA("RICHED20.DLL");
        host = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL,
                                 ::GetModuleHandle(NULL), NULL);
        edit = ::CreateWindowExA(0, "RichEdit20A", "",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                     ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                 0, 0, 580, 380, host, (HMENU)1030, ::GetModuleHandle(NULL), NULL);
    }
    ~CLogViewWindow()
    {
        if (host)
            ::DestroyWindow(host);
    }
    CLogViewWindow(const CLogViewWindow&) = delete;
    CLogViewWindow& operator=(const CLogViewWindow&) = delete;

    HWND host = NULL;
    HWND edit = NULL;
};

// The window's whole text; a rich edit gives its line ends as "\r\n".
inline std::string WindowText(HWND wnd)
{
    const int length = ::GetWindowTextLengthA(wnd);
    std::string text((size_t)length + 1, '\0');
    text.resize((size_t)::GetWindowTextA(wnd, &text[0], length + 1));
    return text;
}

// The colour of the characters [first, last) of the control (where a line end
// counts as one character); 0xFFFFFFFF when they have more than one.
inline COLORREF RangeColor(HWND edit, LONG first, LONG last)
{
    CHARRANGE cr = { first, last };
    ::SendMessageA(edit, EM_EXSETSEL, 0, (LPARAM)&cr);
    CHARFORMATA cf = {};
    cf.cbSize = sizeof(cf);
    ::SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf);
    return (cf.dwMask & CFM_COLOR) ? cf.crTextColor : 0xFFFFFFFF;
}

// The colour of count characters at index at of WindowText(edit);
// 0xFFFFFFFF for npos or mixed colours.
inline COLORREF TextColorAt(HWND edit, size_t at, size_t count)
{
    if (at == std::string::npos)
        return 0xFFFFFFFF;
    const std::string text = WindowText(edit);
    LONG lineEnds = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos && end + 2 <= at; end = text.find("\r\n", end + 2))
        ++lineEnds;
    const LONG position = (LONG)at - lineEnds;
    return RangeColor(edit, position, position + (LONG)count);
}
