#include "wcl/MessageLoop.h"
#include <algorithm>

namespace
{
template <class T>
BOOL RemoveOne(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return FALSE;
    list.erase(it);
    return TRUE;
}
}

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter)
{
    if (!filter)
        return FALSE;
    m_filters.push_back(filter);
    return TRUE;
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter)
{
    return RemoveOne(m_filters, filter);
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler)
{
    if (!handler)
        return FALSE;
    m_idleHandlers.push_back(handler);
    return TRUE;
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler)
{
    return RemoveOne(m_idleHandlers, handler);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg)
{
    // A filter may remove itself while it runs: walk a copy.
    std::vector<CMessageFilter*> filters(m_filters);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg))
            return TRUE;
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int)
{
    std::vector<CIdleHandler*> handlers(m_idleHandlers);
    BOOL more = FALSE;
    for (CIdleHandler* h : handlers)
        more |= h->OnIdle();
    return more;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg)
{
    // Mouse moves and caret blinks do not end an idle period.
    switch (msg.message)
    {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118: // WM_SYSTIMER: caret blink
        return false;
    default:
        return true;
    }
}

int CMessageLoop::Run()
{
    MSG msg = {};
    bool doIdle = true;
    int idleCount = 0;
    for (;;)
    {
        while (doIdle && !::PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle(idleCount++))
                doIdle = false;
        }
        BOOL got = ::GetMessageA(&msg, NULL, 0, 0);
        if (got == -1)
            continue;
        if (!got)
            break;
        if (!PreTranslateMessage(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (IsIdleMessage(msg))
        {
            doIdle = true;
            idleCount = 0;
        }
    }
    return (int)msg.wParam;
}
