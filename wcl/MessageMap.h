#pragma once
#include "wcl/Win.h"

// Message maps: a window class lists the messages, commands and notifications
// it handles as a table. A handler that lets a message go on clears bHandled;
// the message then reaches the next entry, the chained maps and finally the
// window's default processing. Maps can be chained (base classes, members)
// and a class may keep alternate maps (ALT_MSG_MAP) for windows it subclasses.
//
// Handler signatures:
//   LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
//   LRESULT OnCommand(WORD code, WORD id, HWND hCtl, BOOL& bHandled);
//   LRESULT OnNotify(int id, LPNMHDR nmh, BOOL& bHandled);

#define BEGIN_MSG_MAP(theClass) \
public: \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) \
    { \
        BOOL bHandled = TRUE; \
        (void)hWnd; (void)bHandled; \
        switch (dwMsgMapID) \
        { \
        case 0:

#define ALT_MSG_MAP(mapId) \
            break; \
        case mapId:

#define END_MSG_MAP() \
            break; \
        default: \
            break; \
        } \
        return FALSE; \
    }

#define WCL_CALL_HANDLER(expr) \
    { bHandled = TRUE; lResult = (expr); if (bHandled) return TRUE; }

#define MESSAGE_HANDLER(msg, func) \
    if (uMsg == (UINT)(msg)) WCL_CALL_HANDLER(func(uMsg, wParam, lParam, bHandled))

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func) \
    if (uMsg >= (UINT)(msgFirst) && uMsg <= (UINT)(msgLast)) WCL_CALL_HANDLER(func(uMsg, wParam, lParam, bHandled))

#define COMMAND_HANDLER(id, code, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (WORD)(id) && HIWORD(wParam) == (WORD)(code)) \
        WCL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define COMMAND_ID_HANDLER(id, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (WORD)(id)) \
        WCL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define COMMAND_CODE_HANDLER(code, func) \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (WORD)(code)) \
        WCL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) >= (WORD)(idFirst) && LOWORD(wParam) <= (WORD)(idLast)) \
        WCL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define NOTIFY_HANDLER(id, notifyCode, func) \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) && ((LPNMHDR)lParam)->code == (UINT)(notifyCode)) \
        WCL_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

#define NOTIFY_ID_HANDLER(id, func) \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id)) \
        WCL_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

#define NOTIFY_CODE_HANDLER(notifyCode, func) \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(notifyCode)) \
        WCL_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

// Notifications reflected back to the control that sent them (see REFLECT_NOTIFICATIONS).
#define REFLECTED_COMMAND_CODE_HANDLER(code, func) \
    if (uMsg == OCM_COMMAND && HIWORD(wParam) == (WORD)(code)) \
        WCL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define REFLECTED_NOTIFY_CODE_HANDLER(notifyCode, func) \
    if (uMsg == OCM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(notifyCode)) \
        WCL_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

#define CHAIN_MSG_MAP(theBase) \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define CHAIN_MSG_MAP_ALT(theBase, mapId) \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, mapId)) return TRUE;

#define CHAIN_MSG_MAP_MEMBER(member) \
    if ((member).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

// A parent sends the notifications of its controls back to them as OCM_ codes.
#define REFLECT_NOTIFICATIONS() \
    { bHandled = TRUE; lResult = WclReflectNotification(hWnd, uMsg, wParam, lParam, bHandled); if (bHandled) return TRUE; }

// A control that receives a reflected message it does not handle gives the
// default answer of the original message.
#define DEFAULT_REFLECTION_HANDLER() \
    if (uMsg >= OCM__BASE && uMsg <= OCM__BASE + WM_USER) \
    { lResult = ::DefWindowProc(hWnd, uMsg - OCM__BASE, wParam, lParam); return TRUE; }

// Sends a control notification (WM_COMMAND, WM_NOTIFY, owner-draw, colour and
// scroll messages) back to the control it came from; clears bHandled when the
// message is no control notification.
LRESULT WclReflectNotification(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
