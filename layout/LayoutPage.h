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
    END_MSG_MAP()

    // Posts WM_SIZE with the real client size, so the first layout runs once
    // the page's own initialisation has filled its controls.
    void PostSizeToSelf()
    {
        RECT rc = { 0, 0, 0, 0 };
        ::GetClientRect(this->m_hWnd, &rc);
        ::PostMessageA(this->m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    }
};
