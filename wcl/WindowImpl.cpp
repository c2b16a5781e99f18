#include "wcl/WindowImpl.h"

namespace
{
const char kObjectProp[] = "WclObject";
// Marks a window whose object went away before it: it keeps only default
// processing and never adopts an object that is being created.
const char kOrphanProp[] = "WclOrphan";

// The object whose window is being created on this thread: it is attached at
// the first message the new window receives, before WM_NCCREATE or WM_SETFONT.
thread_local CMessageMapWindow* t_creating = nullptr;

bool IsDirectResultMessage(UINT uMsg)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
}

CMessageMapWindow::~CMessageMapWindow()
{
    if (t_creating == this)
        t_creating = nullptr;
    if (m_subclassed && m_hWnd)
        UnsubclassWindow();
    else if (m_hWnd && ::IsWindow(m_hWnd) && FromHandle(m_hWnd) == this)
    {
        DetachObject(m_hWnd);
        ::SetPropA(m_hWnd, kOrphanProp, (HANDLE)1);
    }
}

CMessageMapWindow* CMessageMapWindow::FromHandle(HWND hWnd)
{
    return static_cast<CMessageMapWindow*>(::GetPropA(hWnd, kObjectProp));
}

void CMessageMapWindow::BeginCreate()
{
    t_creating = this;
}

void CMessageMapWindow::EndCreate()
{
    // A creation that failed before the first message must not leave this
    // object waiting for the next window that comes along.
    if (t_creating == this)
        t_creating = nullptr;
}

// The object of a window, or the one being created when this is the new
// window's first message. An orphaned window adopts nothing.
CMessageMapWindow* CMessageMapWindow::ObjectForMessage(HWND hWnd, UINT uMsg)
{
    CMessageMapWindow* self = FromHandle(hWnd);
    if (self)
        return self;
    if (::GetPropA(hWnd, kOrphanProp))
    {
        if (uMsg == WM_NCDESTROY)
            ::RemovePropA(hWnd, kOrphanProp);
        return nullptr;
    }
    if (!t_creating)
        return nullptr;
    self = t_creating;
    t_creating = nullptr;
    self->AttachObject(hWnd);
    return self;
}

void CMessageMapWindow::AttachObject(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProp, this);
}

void CMessageMapWindow::DetachObject(HWND hWnd)
{
    ::RemovePropA(hWnd, kObjectProp);
}

LRESULT CMessageMapWindow::DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_subclassed)
        return ::DefSubclassProc(m_hWnd, uMsg, wParam, lParam);
    if (m_isDialog)
        return 0;
    return ::DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CMessageMapWindow::Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    MSG msg = { hWnd, uMsg, wParam, lParam, 0, { 0, 0 } };
    const MSG* previous = m_pCurrentMsg;
    m_pCurrentMsg = &msg;
    LRESULT result = 0;
    handled = ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0);
    m_pCurrentMsg = previous;
    return result;
}

LRESULT CALLBACK CMessageMapWindow::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CMessageMapWindow* self = ObjectForMessage(hWnd, uMsg);
    if (!self)
        return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);

    BOOL handled = FALSE;
    LRESULT result = self->Dispatch(hWnd, uMsg, wParam, lParam, handled);
    if (!handled)
        result = ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        self->DetachObject(hWnd);
        self->m_hWnd = NULL;
        self->OnFinalMessage(hWnd);
    }
    return result;
}

INT_PTR CALLBACK CMessageMapWindow::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CMessageMapWindow* self = ObjectForMessage(hWnd, uMsg);
    if (!self)
        return FALSE;

    BOOL handled = FALSE;
    LRESULT result = self->Dispatch(hWnd, uMsg, wParam, lParam, handled);
    if (uMsg == WM_NCDESTROY)
    {
        self->DetachObject(hWnd);
        self->m_hWnd = NULL;
        self->OnFinalMessage(hWnd);
        return handled;
    }
    if (!handled)
        return FALSE;
    if (IsDirectResultMessage(uMsg))
        return (INT_PTR)result;
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

LRESULT CALLBACK CMessageMapWindow::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR refData)
{
    CMessageMapWindow* self = reinterpret_cast<CMessageMapWindow*>(refData);
    BOOL handled = FALSE;
    LRESULT result = self->Dispatch(hWnd, uMsg, wParam, lParam, handled);
    if (!handled)
        result = ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        ::RemoveWindowSubclass(hWnd, SubclassProc, 0);
        self->DetachObject(hWnd);
        self->m_subclassed = false;
        self->m_hWnd = NULL;
        self->OnFinalMessage(hWnd);
    }
    return result;
}

BOOL CMessageMapWindow::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandle(hWnd))
        return FALSE;
    if (!::SetWindowSubclass(hWnd, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    AttachObject(hWnd);
    m_subclassed = true;
    return TRUE;
}

HWND CMessageMapWindow::UnsubclassWindow()
{
    if (!m_subclassed)
        return NULL;
    HWND h = m_hWnd;
    ::RemoveWindowSubclass(h, SubclassProc, 0);
    DetachObject(h);
    m_subclassed = false;
    m_hWnd = NULL;
    return h;
}

ATOM CMessageMapWindow::RegisterClassOnce(const char* className, UINT style, HBRUSH background, HCURSOR cursor)
{
    WNDCLASSEXA wc = { sizeof(wc) };
    HINSTANCE inst = ::GetModuleHandle(NULL);
    if (::GetClassInfoExA(inst, className, &wc))
        return 1;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = inst;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc);
}

LRESULT WclReflectNotification(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND child = NULL;
    switch (uMsg)
    {
    case WM_COMMAND:
        if (lParam)
            child = (HWND)lParam;
        break;
    case WM_NOTIFY:
        child = ((LPNMHDR)lParam)->hwndFrom;
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
            child = (HWND)lParam;
        else
            child = ::GetDlgItem(hWnd, HIWORD(wParam));
        break;
    case WM_DRAWITEM:
        if (wParam)
            child = ((LPDRAWITEMSTRUCT)lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (wParam)
            child = ::GetDlgItem(hWnd, ((LPMEASUREITEMSTRUCT)lParam)->CtlID);
        break;
    case WM_COMPAREITEM:
        if (wParam)
            child = ((LPCOMPAREITEMSTRUCT)lParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        if (wParam)
            child = ((LPDELETEITEMSTRUCT)lParam)->hwndItem;
        break;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = (HWND)lParam;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = (HWND)lParam;
        break;
    default:
        break;
    }
    if (!child || !::IsWindow(child))
    {
        bHandled = FALSE;
        return 0;
    }
    return ::SendMessage(child, OCM__BASE + uMsg, wParam, lParam);
}
