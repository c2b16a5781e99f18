#include "wcl/CommandBar.h"
#include <cctype>

CCommandBarCtrl::~CCommandBarCtrl()
{
    if (::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    for (const MenuImage& image : m_images)
        ::DeleteObject(image.bitmap);
}

HWND CCommandBarCtrl::Create(HWND frame, HWND parent, UINT id)
{
    m_frame = frame;
    m_hWnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, NULL,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                   TBSTYLE_LIST | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN,
                               0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id, ::GetModuleHandle(NULL), NULL);
    if (!m_hWnd)
        return NULL;
    ::SendMessage(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessage(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    // Button clicks come to the frame, which hands them to this object.
    ::SendMessage(m_hWnd, TB_SETPARENT, (WPARAM)frame, 0);
    return m_hWnd;
}

BOOL CCommandBarCtrl::LoadImages(UINT bitmapId, int size, const UINT* ids, int count)
{
    HBITMAP strip = (HBITMAP)::LoadImageA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0,
                                          LR_CREATEDIBSECTION);
    if (!strip)
        return FALSE;
    BITMAP info = {};
    ::GetObjectA(strip, sizeof(info), &info);
    const int width = info.bmWidth, height = info.bmHeight;
    std::vector<DWORD> pixels((size_t)width * (size_t)height);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(NULL);
    const bool read = ::GetDIBits(screen, strip, 0, (UINT)height, pixels.data(), &bi, DIB_RGB_COLORS) != 0;
    ::DeleteObject(strip);
    if (!read || height < size)
    {
        ::ReleaseDC(NULL, screen);
        return FALSE;
    }
    // The menu's own colour stands in for the transparent magenta.
    const COLORREF menu = ::GetSysColor(COLOR_MENU);
    const DWORD background = (GetRValue(menu) << 16) | (GetGValue(menu) << 8) | GetBValue(menu);
    for (int i = 0; i < count && (i + 1) * size <= width; ++i)
    {
        if (!ids[i])
            continue;
        BITMAPINFO one = bi;
        one.bmiHeader.biWidth = size;
        one.bmiHeader.biHeight = -size;
        void* bits = nullptr;
        HBITMAP image = ::CreateDIBSection(screen, &one, DIB_RGB_COLORS, &bits, NULL, 0);
        if (!image)
            continue;
        DWORD* out = static_cast<DWORD*>(bits);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
            {
                DWORD p = pixels[(size_t)y * width + (size_t)(i * size + x)] & 0xFFFFFF;
                out[y * size + x] = p == 0xFF00FF ? background : p;
            }
        m_images.push_back(MenuImage{ ids[i], image });
    }
    ::ReleaseDC(NULL, screen);
    if (m_menu)
        ApplyImages(m_menu);
    return TRUE;
}

HBITMAP CCommandBarCtrl::GetImage(UINT id) const
{
    for (const MenuImage& image : m_images)
        if (image.id == id)
            return image.bitmap;
    return NULL;
}

void CCommandBarCtrl::ApplyImages(HMENU menu) const
{
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        HMENU sub = ::GetSubMenu(menu, i);
        if (sub)
        {
            ApplyImages(sub);
            continue;
        }
        HBITMAP image = GetImage(::GetMenuItemID(menu, i));
        if (!image)
            continue;
        MENUITEMINFOA item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = image;
        ::SetMenuItemInfoA(menu, (UINT)i, TRUE, &item);
    }
}

BOOL CCommandBarCtrl::AttachMenu(HMENU menu)
{
    if (!m_hWnd)
        return FALSE;
    m_menu = menu;
    if (menu)
        ApplyImages(menu);
    while (::SendMessage(m_hWnd, TB_DELETEBUTTON, 0, 0))
    {
    }
    int count = menu ? ::GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i)
    {
        char text[128] = "";
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        // The string pool needs a double-zero end.
        char pooled[130] = "";
        ::lstrcpynA(pooled, text, (int)sizeof(pooled) - 1);
        int str = (int)::SendMessage(m_hWnd, TB_ADDSTRINGA, 0, (LPARAM)pooled);
        TBBUTTON b = {};
        b.iBitmap = I_IMAGENONE;
        b.idCommand = (int)(FirstButtonId + i);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        b.iString = str;
        ::SendMessage(m_hWnd, TB_ADDBUTTONSA, 1, (LPARAM)&b);
    }
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);
    return TRUE;
}

void CCommandBarCtrl::DropDown(int index)
{
    if (!m_menu || index < 0 || index >= ::GetMenuItemCount(m_menu))
        return;
    HMENU popup = ::GetSubMenu(m_menu, index);
    if (!popup)
        return;
    RECT rc = {};
    ::SendMessage(m_hWnd, TB_GETITEMRECT, index, (LPARAM)&rc);
    ::MapWindowPoints(m_hWnd, NULL, (POINT*)&rc, 2);
    m_tracking = index;
    ::SendMessage(m_hWnd, TB_PRESSBUTTON, FirstButtonId + index, TRUE);
    TPMPARAMS exclude = { sizeof(exclude), rc };
    ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON, rc.left, rc.bottom,
                       m_frame, &exclude);
    ::SendMessage(m_hWnd, TB_PRESSBUTTON, FirstButtonId + index, FALSE);
    m_tracking = -1;
}

BOOL CCommandBarCtrl::TrackPopupMenu(HMENU popup, UINT flags, int x, int y)
{
    return ::TrackPopupMenuEx(popup, flags, x, y, m_frame, NULL);
}

bool CCommandBarCtrl::OpenByMnemonic(char ch)
{
    if (!m_menu)
        return false;
    int count = ::GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i)
    {
        char text[128] = "";
        ::GetMenuStringA(m_menu, i, text, sizeof(text), MF_BYPOSITION);
        const char* amp = strchr(text, '&');
        if (amp && amp[1] && toupper((unsigned char)amp[1]) == toupper((unsigned char)ch))
        {
            DropDown(i);
            return true;
        }
    }
    return false;
}

LRESULT CCommandBarCtrl::OnButton(WORD, WORD id, HWND, BOOL&)
{
    if (id >= FirstButtonId)
        DropDown(id - FirstButtonId);
    return 0;
}

// Alt+letter and F10 reach the frame as the keyboard menu request; without a
// window menu the bar answers it.
LRESULT CCommandBarCtrl::OnSysCommand(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if ((wParam & 0xFFF0) != SC_KEYMENU || !m_menu)
    {
        bHandled = FALSE;
        return 0;
    }
    if (lParam == 0 || lParam == ' ')
    {
        if (lParam == ' ')
        {
            bHandled = FALSE;
            return 0;
        }
        DropDown(0);
        return 0;
    }
    if (!OpenByMnemonic((char)lParam))
        ::MessageBeep(0);
    return 0;
}
