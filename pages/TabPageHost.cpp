#include "pages/TabPageHost.h"
#include <cstring>
#include <new>
#include <prsht.h>

CTabPageHost::CTabPageHost()
    : m_currentIndex(-1), m_currentPage(NULL), m_factoryEnabled(0), m_factory(nullptr), m_factoryParam(0)
{
}

CTabPageHost::~CTabPageHost() = default;

void CTabPageHost::SetFactory(BOOL enabled, PageFactory factory, LPARAM param)
{
    m_factoryEnabled = enabled ? 1 : 0;
    m_factory = factory;
    m_factoryParam = param;
}

HWND CTabPageHost::GetPage(int index) const
{
    return index >= 0 && index < (int)m_pages.size() ? m_pages[index] : NULL;
}

int CTabPageHost::InsertTab(const char* title, int image, LPARAM data)
{
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(title ? title : "");
    item.cchTextMax = (int)strlen(item.pszText) + 1;
    if (image != -1)
    {
        item.mask |= TCIF_IMAGE;
        item.iImage = image;
    }
    if (data != 0)
    {
        item.mask |= TCIF_PARAM;
        item.lParam = data;
    }
    return (int)SendMessage(TCM_INSERTITEMA, GetTabCount(), (LPARAM)&item);
}

BOOL CTabPageHost::AddPage(HWND page, const char* title, int image, LPARAM data, BOOL select)
{
    int index = InsertTab(title, image, data);
    if (index < 0)
        return FALSE;
    try
    {
        m_pages.insert(m_pages.begin() + (index < (int)m_pages.size() ? index : (int)m_pages.size()), page);
    }
    catch (const std::bad_alloc&)
    {
        SendMessage(TCM_DELETEITEM, index);
        return FALSE;
    }
    if (page)
    {
        FitPage(page);
        ::EnableWindow(page, FALSE);
        ::ShowWindow(page, SW_HIDE);
    }
    if (index == 0)
    {
        select = TRUE;
        Invalidate();
    }
    if (select)
        SelectTab(index);
    return TRUE;
}

BOOL CTabPageHost::SetTabText(int index, const char* title)
{
    if (index < 0 || index >= GetTabCount())
        return FALSE;
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(title ? title : "");
    return (BOOL)SendMessage(TCM_SETITEMA, index, (LPARAM)&item);
}

LPARAM CTabPageHost::GetTabData(int index) const
{
    if (index < 0 || index >= GetTabCount())
        return 0;
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    if (!SendMessage(TCM_GETITEMA, index, (LPARAM)&item))
        return 0;
    return item.lParam;
}

RECT CTabPageHost::GetDisplayRect() const
{
    RECT rc = { 0, 0, 0, 0 };
    GetClientRect(&rc);
    SendMessage(TCM_ADJUSTRECT, FALSE, (LPARAM)&rc);
    return rc;
}

void CTabPageHost::FitPage(HWND page) const
{
    RECT rc = GetDisplayRect();
    ::MapWindowPoints(m_hWnd, GetParent(), (POINT*)&rc, 2);
    ::MoveWindow(page, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

int CTabPageHost::SelectTab(int index)
{
    if (index < 0 || index >= GetTabCount() || index == m_currentIndex)
        return m_currentIndex;
    int previous = m_currentIndex;
    HWND page = GetPage(index);
    if (!page && m_factoryEnabled && m_factory && index < (int)m_pages.size())
    {
        page = m_factory(index, m_factoryParam);
        m_pages[index] = page;
        if (page)
        {
            FitPage(page);
            ::EnableWindow(page, FALSE);
            ::ShowWindow(page, SW_HIDE);
        }
    }
    HWND old = GetPage(m_currentIndex);
    if (m_currentIndex >= 0 && old)
    {
        ::EnableWindow(old, FALSE);
        ::ShowWindow(old, SW_HIDE);
    }
    m_currentIndex = index;
    // A tab without a page has no current page: the hidden page of the
    // previous tab must not be asked to validate fields nobody can see.
    m_currentPage = page;
    if (page && ::IsWindow(page))
    {
        ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::EnableWindow(page, TRUE);
        ::ShowWindow(page, SW_SHOW);
        ::SetFocus(page);
        ::InvalidateRect(page, NULL, TRUE);
    }
    SendMessage(TCM_SETCURSEL, index);
    return previous;
}

void CTabPageHost::RemoveTab(int index, BOOL destroy)
{
    if (index < 0 || index >= GetTabCount())
        return;
    HWND page = GetPage(index);
    if (page)
    {
        if (destroy)
        {
            if (page == m_currentPage)
                m_currentPage = NULL;
            if (::IsWindow(page))
                ::DestroyWindow(page);
        }
        else if (::IsWindow(page))
        {
            ::ShowWindow(page, SW_HIDE);
        }
    }
    SendMessage(TCM_DELETEITEM, index);
    if (index < (int)m_pages.size())
        m_pages.erase(m_pages.begin() + index);
    if (index == m_currentIndex)
    {
        m_currentIndex = -1;
        m_currentPage = NULL;
        int count = GetTabCount();
        if (count > 0)
            SelectTab(index < count ? index : count - 1);
    }
    else if (index < m_currentIndex)
    {
        // The current tab moved down by one: keep the index on it.
        --m_currentIndex;
        SendMessage(TCM_SETCURSEL, m_currentIndex);
    }
}

void CTabPageHost::RemoveAll()
{
    m_currentIndex = -1;
    while (GetTabCount() > 0)
        RemoveTab(0, TRUE);
    m_pages.clear();
    m_currentPage = NULL;
}

LRESULT CTabPageHost::SendPageNotify(HWND page, UINT code)
{
    PSHNOTIFY pn = {};
    pn.hdr.hwndFrom = m_hWnd;
    pn.hdr.idFrom = (UINT_PTR)GetDlgCtrlID();
    pn.hdr.code = code;
    return ::SendMessageA(page, WM_NOTIFY, pn.hdr.idFrom, (LPARAM)&pn);
}

LRESULT CTabPageHost::OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != SIZE_MINIMIZED)
    {
        for (HWND page : m_pages)
            if (page)
                FitPage(page);
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CTabPageHost::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    RemoveAll();
    bHandled = FALSE;
    return 0;
}

LRESULT CTabPageHost::OnSelChanging(int, LPNMHDR, BOOL&)
{
    if (m_currentPage && ::IsWindow(m_currentPage))
        return SendPageNotify(m_currentPage, PSN_KILLACTIVE) != 0 ? 1 : 0;
    return 0;
}

LRESULT CTabPageHost::OnSelChange(int, LPNMHDR, BOOL&)
{
    SelectTab((int)SendMessage(TCM_GETCURSEL));
    if (m_currentPage && ::IsWindow(m_currentPage))
        SendPageNotify(m_currentPage, PSN_SETACTIVE);
    return 0;
}
