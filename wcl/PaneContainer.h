#pragma once
#include "wcl/WindowImpl.h"

// A pane with a title strip above one client window (the configuration tree).
// The client's notifications and commands go on to the container's parent as
// if the client were the parent's own child, so the parent's map handles them.
class CPaneContainer : public CWindowImpl<CPaneContainer>
{
public:
    DECLARE_WND_CLASS_EX("VelPaneContainer", CS_DBLCLKS, COLOR_BTNFACE)

    HWND Create(HWND parent, const char* title,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, UINT id = 0);

    void SetTitle(const char* title);
    const char* GetTitle() const { return m_title; }
    void SetClient(HWND client);
    HWND GetClient() const { return m_client; }
    // Height of the title strip in pixels.
    int GetTitleHeight() const { return m_titleHeight; }

    BEGIN_MSG_MAP(CPaneContainer)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_NOTIFY, OnForward)
        MESSAGE_HANDLER(WM_COMMAND, OnForward)
    END_MSG_MAP()

private:
    char m_title[260] = "";
    HWND m_client = NULL;
    int m_titleHeight = 0;

    void UpdateLayout();
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnForward(UINT, WPARAM, LPARAM, BOOL&);
};
