#pragma once
#include "wcl/ScrollImpl.h"
#include <map>

// Edge bindings of the controls of a layout-managed page. Each managed control
// keeps six bindings, one per edge, and the rectangle they produce; a resize
// solves the bindings in passes until nothing moves and moves all controls in
// one deferred batch.

enum LayoutEdge
{
    LE_LEFT = 0,
    LE_RIGHT = 1,
    LE_HCENTER = 2,
    LE_TOP = 3,
    LE_BOTTOM = 4,
    LE_VCENTER = 5,
    LE_COUNT = 6
};

enum ConstraintType
{
    CT_KEEP_SIZE = 0,         // follows the opposite edge, the control keeps its size
    CT_OPPOSITE_OF_CONTROL = 1,
    CT_SAME_AS_CONTROL = 2,
    CT_PERCENT = 3,           // percentage of the layout width or height
    CT_SAME_AS_DIALOG = 4,
    CT_OPPOSITE_OF_DIALOG = 5,
    CT_DIALOG_ORIGIN = 6      // the layout rectangle's left or top
};

struct EdgeConstraint
{
    UINT type;
    int offset;
    HWND reference;
    int percent;
};

struct LayoutItem
{
    EdgeConstraint edges[LE_COUNT];
    int left, top, right, bottom;
};

typedef std::map<HWND, LayoutItem> LayoutItemMap;

// The registered messages of layout-managed pages; registered at start-up in
// this order. Pages handle WMU_PS_ATTACH_PS; nothing handles the other two.
extern const UINT WMU_PS_ATTACH_PAGE;
extern const UINT WMU_PS_INIT;
extern const UINT WMU_PS_ATTACH_PS;

// The offset that keeps control rectangle c where it is relative to the
// reference rectangle r on the given edge (centres truncate toward zero).
int MeasureEdgeOffset(int edge, const RECT& c, const RECT& r);

// One solve of the bindings: passes over the items in map order until a pass
// changes nothing, at most 100. Only the axes whose flag is set are computed.
// Returns the number of passes run.
int SolveLayout(LayoutItemMap& items, const RECT& layoutRect, bool horizontal, bool vertical);

// Whether the theme library can be loaded; probed once per process.
bool IsThemeLibraryPresent();

// The layout engine mixed into a page class T. T provides the window (m_hWnd)
// and the scrolling support (CScrollImpl<T>: offset and extent).
template <class T>
class LayoutMgr
{
public:
    LayoutItemMap m_items;
    const int m_percentBase = 100;
    SIZE m_sizeMin = { 0, 0 };
    SIZE m_sizeLast = { 0, 0 };
    // Zero-terminated ids of controls kept out of the background erase.
    const int* m_pExcludeIds = nullptr;

    // The page's client rectangle, never smaller than the scroll extent.
    RECT GetLayoutRect() const
    {
        const T* pT = static_cast<const T*>(this);
        RECT rc = { 0, 0, 0, 0 };
        ::GetClientRect(pT->m_hWnd, &rc);
        SIZE all;
        pT->GetScrollSize(&all);
        if (rc.right < all.cx)
            rc.right = all.cx;
        if (rc.bottom < all.cy)
            rc.bottom = all.cy;
        return rc;
    }

    POINT GetScrollOffset() const
    {
        POINT pt;
        static_cast<const T*>(this)->CScrollImpl<T>::GetScrollOffset(&pt);
        return pt;
    }

    void AttachToControl(HWND control, int edge, HWND reference)
    {
        Attach(control, edge, CT_SAME_AS_CONTROL, reference, ControlRect(reference));
    }

    void AttachToDialog(HWND control, int edge)
    {
        Attach(control, edge, CT_SAME_AS_DIALOG, NULL, GetLayoutRect());
    }

    void AttachItemToDialog(int id, int edge)
    {
        AttachToDialog(::GetDlgItem(static_cast<T*>(this)->m_hWnd, id), edge);
    }

    // The page hook that declares the bindings; a page class hides it with its own.
    void DefineLayout() {}

    bool DoLayout()
    {
        if (m_items.empty())
            return false;
        RECT rc = GetLayoutRect();
        int w = rc.right - rc.left;
        int h = rc.bottom - rc.top;
        bool horz = w > m_sizeMin.cx || m_sizeLast.cx > m_sizeMin.cx;
        bool vert = h > m_sizeMin.cy || m_sizeLast.cy > m_sizeMin.cy;
        if (!horz && !vert)
            return false;
        SolveLayout(m_items, rc, horz, vert);
        return true;
    }

    void ApplyLayout()
    {
        HWND page = static_cast<T*>(this)->m_hWnd;
        POINT off = GetScrollOffset();
        HDWP dwp = ::BeginDeferWindowPos((int)m_items.size());
        for (auto it = m_items.begin(); dwp && it != m_items.end(); ++it)
        {
            const LayoutItem& item = it->second;
            dwp = ::DeferWindowPos(dwp, it->first, NULL, item.left - off.x, item.top - off.y,
                                   item.right - item.left, item.bottom - item.top,
                                   SWP_NOZORDER | SWP_NOREDRAW);
        }
        if (dwp)
            ::EndDeferWindowPos(dwp);
        // The moves did not redraw, and the page clips its children: the
        // controls must be invalidated with it, or a grown control keeps
        // showing only the part it painted at its old size.
        ::RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }

    // Another window (an embedded sheet, wParam) keeps its distances to a
    // placeholder control (lParam) on all four sides.
    LRESULT OnAttachPropertySheet(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
    {
        static const int edges[] = { LE_LEFT, LE_RIGHT, LE_TOP, LE_BOTTOM };
        for (int e : edges)
            AttachToControl((HWND)wParam, e, (HWND)lParam);
        return 0;
    }

    LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (!IsThemeLibraryPresent() && m_pExcludeIds)
        {
            HWND page = static_cast<T*>(this)->m_hWnd;
            HDC dc = (HDC)wParam;
            int oldMode = ::SetMapMode(dc, MM_TEXT);
            POINT org = { 0, 0 };
            ::GetViewportOrgEx(dc, &org);
            for (const int* id = m_pExcludeIds; *id; ++id)
            {
                HWND ctl = ::GetDlgItem(page, *id);
                if (!ctl || !::IsWindowVisible(ctl))
                    continue;
                RECT rc = ControlRect(ctl);
                ::OffsetRect(&rc, -org.x, -org.y);
                ::ExcludeClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
            }
            ::SetMapMode(dc, oldMode);
        }
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        bHandled = FALSE;
        T* pT = static_cast<T*>(this);
        RECT rc = { 0, 0, 0, 0 };
        ::GetClientRect(pT->m_hWnd, &rc);
        m_sizeMin.cx = m_sizeLast.cx = rc.right - rc.left;
        m_sizeMin.cy = m_sizeLast.cy = rc.bottom - rc.top;
        pT->DefineLayout();
        pT->SetScrollSize(m_sizeMin.cx, m_sizeMin.cy, TRUE);
        return 0;
    }

    LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
    {
        bHandled = FALSE;
        int w = (short)LOWORD(lParam);
        int h = (short)HIWORD(lParam);
        if (w && h && DoLayout())
            ApplyLayout();
        m_sizeLast.cx = w;
        m_sizeLast.cy = h;
        return 0;
    }

protected:
    // A control's window rectangle in page client coordinates.
    RECT ControlRect(HWND control) const
    {
        RECT rc = { 0, 0, 0, 0 };
        ::GetWindowRect(control, &rc);
        ::MapWindowPoints(NULL, static_cast<const T*>(this)->m_hWnd, (POINT*)&rc, 2);
        return rc;
    }

    void Attach(HWND control, int edge, UINT type, HWND reference, const RECT& refRect)
    {
        if (edge < 0 || edge >= LE_COUNT)
            return;
        LayoutItem& item = m_items.emplace(control, LayoutItem()).first->second;
        item.edges[edge] = EdgeConstraint{ type, 0, reference, 0 };
        RECT c = ControlRect(control);
        item.left = c.left;
        item.top = c.top;
        item.right = c.right;
        item.bottom = c.bottom;
        item.edges[edge].offset = MeasureEdgeOffset(edge, c, refRect);
    }
};
