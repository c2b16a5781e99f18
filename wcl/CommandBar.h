#pragma once
#include "wcl/WindowImpl.h"
#include <vector>

// The menu bar of the frame as a toolbar in a rebar band: one button per
// top-level menu item, whose drop-down is tracked under the button. Its
// notifications arrive at the frame, which chains this object's map.
class CCommandBarCtrl
{
public:
    enum : UINT { FirstButtonId = 0xF300 };

    ~CCommandBarCtrl();

    HWND Create(HWND frame, HWND parent, UINT id);
    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return ::IsWindow(m_hWnd) != 0; }

    // Shows menu's top-level items as buttons; the bar does not own the menu.
    BOOL AttachMenu(HMENU menu);
    HMENU GetMenu() const { return m_menu; }

    // Pictures beside menu items: a strip of square images (magenta is
    // transparent), the image at position i for command ids[i] (0: none).
    // They stay with the bar and go onto every menu it is given.
    BOOL LoadImages(UINT bitmapId, int size, const UINT* ids, int count);
    // The picture of a command's menu items, NULL when it has none.
    HBITMAP GetImage(UINT id) const;

    // Tracks the drop-down of top-level item index under its button.
    void DropDown(int index);
    // Tracks popup at a screen point, the frame receiving its commands.
    BOOL TrackPopupMenu(HMENU popup, UINT flags, int x, int y);
    // Alt+letter: drops the menu whose mnemonic is ch; true when one was found.
    bool OpenByMnemonic(char ch);

    BEGIN_MSG_MAP(CCommandBarCtrl)
        if (uMsg == WM_COMMAND && m_hWnd && (HWND)lParam == m_hWnd)
            WCL_CALL_HANDLER(OnButton(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    END_MSG_MAP()

    LRESULT OnButton(WORD, WORD id, HWND, BOOL&);
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

private:
    HWND m_hWnd = NULL;
    HWND m_frame = NULL;
    HMENU m_menu = NULL;
    int m_tracking = -1;
    struct MenuImage
    {
        UINT id;
        HBITMAP bitmap;
    };
    std::vector<MenuImage> m_images;

    void ApplyImages(HMENU menu) const;
};
