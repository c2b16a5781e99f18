#pragma once
#include "wcl/Window.h"

// One button of a toolbar built in code: a command id, or 0 for a separator.
struct ToolBarButton
{
    UINT id;
    int image;
};

// A flat toolbar for a rebar band, with tooltips and images from one bitmap strip.
class CToolBarCtrl : public CWindow
{
public:
    ~CToolBarCtrl()
    {
        if (m_images)
            ImageList_Destroy(m_images);
        if (m_hotImages)
            ImageList_Destroy(m_hotImages);
        if (m_disabledImages)
            ImageList_Destroy(m_disabledImages);
    }

    HWND Create(HWND parent, UINT id, DWORD extraStyle = 0)
    {
        m_hWnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, NULL,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                       TBSTYLE_TOOLTIPS | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE |
                                       CCS_NOPARENTALIGN | extraStyle,
                                   0, 0, 0, 0, parent, (HMENU)(UINT_PTR)id, ::GetModuleHandle(NULL), NULL);
        if (m_hWnd)
            SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
        return m_hWnd;
    }

    // Images from a bitmap strip of square images; magenta is transparent.
    // The hot list is the same strip unless a second strip replaces it. A
    // disabled strip replaces the look the control makes from the strip's
    // transparency alone, which turns a picture that fills its square into
    // a solid grey square.
    BOOL SetImages(UINT bitmapId, int size, UINT hotBitmapId = 0, UINT disabledBitmapId = 0)
    {
        m_images = LoadStrip(bitmapId, size);
        if (!m_images)
            return FALSE;
        SendMessage(TB_SETIMAGELIST, 0, (LPARAM)m_images);
        if (hotBitmapId && (m_hotImages = LoadStrip(hotBitmapId, size)) != NULL)
            SendMessage(TB_SETHOTIMAGELIST, 0, (LPARAM)m_hotImages);
        if (disabledBitmapId && (m_disabledImages = LoadStrip(disabledBitmapId, size)) != NULL)
            SendMessage(TB_SETDISABLEDIMAGELIST, 0, (LPARAM)m_disabledImages);
        return TRUE;
    }

    void SetButtonSize(int cx, int cy) { SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(cx, cy)); }

    BOOL AddButtons(const ToolBarButton* buttons, int count)
    {
        for (int i = 0; i < count; ++i)
        {
            TBBUTTON b = {};
            b.idCommand = (int)buttons[i].id;
            b.iBitmap = buttons[i].id ? buttons[i].image : 0;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = buttons[i].id ? BTNS_BUTTON : BTNS_SEP;
            if (!SendMessage(TB_ADDBUTTONSA, 1, (LPARAM)&b))
                return FALSE;
        }
        SendMessage(TB_AUTOSIZE);
        return TRUE;
    }

    bool IsButtonEnabled(UINT id) const { return SendMessage(TB_ISBUTTONENABLED, id) != 0; }
    int GetButtonCount() const { return (int)SendMessage(TB_BUTTONCOUNT); }

private:
    HIMAGELIST m_images = NULL;
    HIMAGELIST m_hotImages = NULL;
    HIMAGELIST m_disabledImages = NULL;

    static HIMAGELIST LoadStrip(UINT bitmapId, int size)
    {
        return ImageList_LoadImageA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(bitmapId), size, 0, RGB(255, 0, 255),
                                    IMAGE_BITMAP, LR_CREATEDIBSECTION);
    }
};
