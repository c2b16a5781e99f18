#pragma once
#include "wcl/WindowImpl.h"
#include "wcl/ScrollImpl.h"
#include "layout/LayoutMgr.h"

// The page template of every configuration and diagnostics page: a modeless
// child dialog (T::IDD) whose scroll extent is its design size, with the
// layout manager for pages that bind control edges in DefineLayout.
//
// A page's own map chains this map first:
//     BEGIN_MSG_MAP(CMyPage)
//         CHAIN_MSG_MAP(CLayoutPage<CMyPage>)
//         MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
//     END_MSG_MAP()
// WM_SIZE, WM_ERASEBKGND and WM_INITDIALOG go on to the page's handlers after
// the template has seen them.
template <class T>
class CLayoutPage : public CDialogImpl<T>, public CScrollImpl<T>, public LayoutMgr<T>
{
public:
    typedef CScrollImpl<T> ScrollBase;
    typedef LayoutMgr<T> LayoutBase;

    // Creates the page dialog as a child of parent at the template's position
    // and design size; the rectangle is not used (the view sizes the page
    // afterwards). initParam reaches WM_INITDIALOG as lParam.
    HWND Create(HWND parent, const RECT* rc = nullptr, LPARAM initParam = 0)
    {
        (void)rc;
        return CDialogImpl<T>::Create(parent, initParam);
    }

    BEGIN_MSG_MAP(CLayoutPage)
        CHAIN_MSG_MAP(ScrollBase)
        MESSAGE_HANDLER(WM_SIZE, LayoutBase::OnSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, LayoutBase::OnEraseBackground)
        MESSAGE_HANDLER(WMU_PS_ATTACH_PS, LayoutBase::OnAttachPropertySheet)
        MESSAGE_HANDLER(WM_INITDIALOG, LayoutBase::OnInitDialog)
        MESSAGE_HANDLER(SizeNoticeMessage(), OnSizeNotice)
    END_MSG_MAP()

    // Asks for a WM_SIZE once the page's own initialisation has filled its
    // controls, so the first layout runs. The notice is posted and turned into
    // WM_SIZE with the client size the page has when it arrives: the view
    // usually sizes the page to its pane in between, and a size taken at
    // posting time would make the layout believe the page went back to its
    // design size.
    void PostSizeToSelf() { ::PostMessageA(this->m_hWnd, SizeNoticeMessage(), 0, 0); }

    static UINT SizeNoticeMessage()
    {
        static const UINT msg = ::RegisterWindowMessageA("VelLayoutPageSizeNotice");
        return msg;
    }

    LRESULT OnSizeNotice(UINT, WPARAM, LPARAM, BOOL&)
    {
        RECT rc = { 0, 0, 0, 0 };
        ::GetClientRect(this->m_hWnd, &rc);
        ::SendMessageA(this->m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
        return 0;
    }
};
