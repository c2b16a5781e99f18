#pragma once
#include "wcl/Window.h"
#include "wcl/MessageMap.h"

// Base of every window, dialog and subclassed control with a message map.
// The object is found from its window through a window property, never through
// GWLP_USERDATA: the language module owns that slot of every window it translates.
class CMessageMapWindow : public CWindow
{
public:
    CMessageMapWindow() = default;
    CMessageMapWindow(const CMessageMapWindow&) = delete;
    CMessageMapWindow& operator=(const CMessageMapWindow&) = delete;
    virtual ~CMessageMapWindow();

    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult, DWORD dwMsgMapID = 0) = 0;

    // The default processing of a message no handler kept.
    virtual LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, when the window no longer exists.
    virtual void OnFinalMessage(HWND hWnd) {}

    // The message being dispatched, for handlers that need its time or position.
    const MSG* GetCurrentMessage() const { return m_pCurrentMsg; }

    // Hooks an existing window (a dialog's control) into this object's map;
    // the control's own procedure stays its default processing.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();
    BOOL IsSubclassed() const { return m_subclassed; }

    static CMessageMapWindow* FromHandle(HWND hWnd);

protected:
    // Attaches this object to the window whose creation it is about to start
    // (at that window's first message); EndCreate after the creation call.
    void BeginCreate();
    void EndCreate();
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
    static ATOM RegisterClassOnce(const char* className, UINT style, HBRUSH background, HCURSOR cursor);

    bool m_isDialog = false;
    bool m_subclassed = false;
    const MSG* m_pCurrentMsg = nullptr;

private:
    static CMessageMapWindow* ObjectForMessage(HWND hWnd, UINT uMsg);
    LRESULT Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    void AttachObject(HWND hWnd);
    void DetachObject(HWND hWnd);
};

// Declares the window class a CWindowImpl registers on its first Create.
#define DECLARE_WND_CLASS_EX(name, style, bkgnd) \
    static const char* GetWndClassName() { return name; } \
    static UINT GetWndClassStyle() { return style; } \
    static HBRUSH GetWndClassBackground() { return (HBRUSH)(INT_PTR)((bkgnd) + 1); }
#define DECLARE_WND_CLASS(name) DECLARE_WND_CLASS_EX(name, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)

// A window of the program's own class.
template <class T>
class CWindowImpl : public CMessageMapWindow
{
public:
    DECLARE_WND_CLASS_EX(nullptr, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)

    HWND Create(HWND parent, const RECT* rc = nullptr, const char* title = nullptr,
                DWORD style = 0, DWORD exStyle = 0, UINT_PTR idOrMenu = 0)
    {
        RegisterClassOnce(T::GetWndClassName(), T::GetWndClassStyle(), T::GetWndClassBackground(),
                          ::LoadCursor(NULL, IDC_ARROW));
        RECT r = rc ? *rc : RECT{ CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT };
        int cx = rc ? r.right - r.left : CW_USEDEFAULT;
        int cy = rc ? r.bottom - r.top : CW_USEDEFAULT;
        BeginCreate();
        HWND h = ::CreateWindowExA(exStyle, T::GetWndClassName(), title, style, r.left, r.top, cx, cy,
                                   parent, (HMENU)idOrMenu, ::GetModuleHandle(NULL), nullptr);
        EndCreate();
        if (!h)
            m_hWnd = NULL;
        return h;
    }
};

// A dialog from a resource template (T::IDD); modal or modeless.
// Handled messages return their result through DWLP_MSGRESULT.
template <class T>
class CDialogImpl : public CMessageMapWindow
{
public:
    CDialogImpl() { m_isDialog = true; }

    // The procedure the dialog is created with; every dialog routes through
    // the object's map.
    virtual DLGPROC GetDialogProc() { return DialogProc; }

    INT_PTR DoModal(HWND parent = ::GetActiveWindow())
    {
        BeginCreate();
        INT_PTR result = ::DialogBoxParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(static_cast<T*>(this)->IDD),
                                           parent, GetDialogProc(), (LPARAM)this);
        EndCreate();
        return result;
    }

    HWND Create(HWND parent, LPARAM initParam = 0)
    {
        BeginCreate();
        HWND h = ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(static_cast<T*>(this)->IDD),
                                      parent, GetDialogProc(), initParam);
        EndCreate();
        if (!h)
            m_hWnd = NULL;
        return h;
    }

    BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }
};

// A dialog-less control subclassed into an object with a map (CNumericEdit and the like).
template <class T>
class CControlImpl : public CMessageMapWindow
{
};
