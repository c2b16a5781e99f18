#include "pages/GraphPlot.h"

CGraphPlot::CGraphPlot(int mode) : m_mode(mode == GraphModeBars ? GraphModeBars : GraphModeCurve)
{
}

CGraphPlot::~CGraphPlot()
{
    DeleteDrawingObjects();
}

bool CGraphPlot::AppendSample(int value)
{
    if (!m_samples.Append(value))
        return false;
    if (m_showVertical && m_gridScrolls)
        m_xOffset = graph::AdvanceGridOffset(m_xOffset, m_step, m_xSpacing);
    return true;
}

void CGraphPlot::ClearSamples()
{
    m_samples.Clear();
    if (m_gridScrolls)
        m_xOffset = 0.0;
}

void CGraphPlot::SetXGrid(int n, bool byCount, double offset)
{
    RECT rc = { 0, 0, 0, 0 };
    if (m_hWnd)
        ::GetClientRect(m_hWnd, &rc);
    m_xSpacing = byCount ? graph::SpacingForCount(n, rc.right) : (double)n;
    m_xLineCount = byCount ? n : -1;
    m_xOffset = offset;
}

void CGraphPlot::SetYGrid(int n, bool byCount, double offset)
{
    RECT rc = { 0, 0, 0, 0 };
    if (m_hWnd)
        ::GetClientRect(m_hWnd, &rc);
    m_ySpacing = byCount ? graph::SpacingForCount(n, rc.bottom) : (double)n;
    m_yLineCount = byCount ? n : -1;
    m_yOffset = offset;
}

void CGraphPlot::EnsureBitmap(int cx, int cy)
{
    if (!m_memDC)
        return;
    // Never an empty bitmap: a plot created before its layout has no size.
    if (cx < 1)
        cx = 1;
    if (cy < 1)
        cy = 1;
    if (m_bitmap && cx <= m_bitmapSize.cx && cy <= m_bitmapSize.cy)
        return;
    if (m_bitmap)
    {
        cx = cx > m_bitmapSize.cx ? cx : m_bitmapSize.cx;
        cy = cy > m_bitmapSize.cy ? cy : m_bitmapSize.cy;
    }
    HDC windowDC = ::GetDC(m_hWnd);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDC, cx, cy);
    ::ReleaseDC(m_hWnd, windowDC);
    if (!bitmap)
        return;   // the old one still serves its part of the plot
    HGDIOBJ previous = ::SelectObject(m_memDC, bitmap);
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    else
        m_oldBitmap = previous;
    m_bitmap = bitmap;
    m_bitmapSize.cx = cx;
    m_bitmapSize.cy = cy;
}

void CGraphPlot::DeleteDrawingObjects()
{
    if (m_memDC)
    {
        if (m_oldBitmap)
            ::SelectObject(m_memDC, m_oldBitmap);
        ::DeleteDC(m_memDC);
        m_memDC = NULL;
    }
    m_oldBitmap = NULL;
    HGDIOBJ objects[] = { m_bitmap, m_gridPen, m_curvePen, m_backgroundBrush, m_barBrush };
    for (HGDIOBJ object : objects)
        if (object)
            ::DeleteObject(object);
    m_bitmap = NULL;
    m_gridPen = m_curvePen = NULL;
    m_backgroundBrush = m_barBrush = NULL;
    m_bitmapSize.cx = m_bitmapSize.cy = 0;
}

// --- painting ----------------------------------------------------------------

void CGraphPlot::DrawGrid(const RECT& c, const RECT& r)
{
    HGDIOBJ oldPen = ::SelectObject(m_memDC, m_gridPen);
    if (m_showVertical && graph::HasGridLines(m_xSpacing))
    {
        for (double x = graph::LastGridLineAtOrBefore(c.right + m_xOffset, m_xSpacing, r.right); x >= r.left;
             x -= m_xSpacing)
        {
            ::MoveToEx(m_memDC, (int)x, r.top, NULL);
            ::LineTo(m_memDC, (int)x, r.bottom);
        }
    }
    if (m_showHorizontal && graph::HasGridLines(m_ySpacing))
    {
        for (double y = graph::LastGridLineAtOrBefore(c.bottom - m_yOffset, m_ySpacing, r.bottom); y >= r.top;
             y -= m_ySpacing)
        {
            ::MoveToEx(m_memDC, r.left, (int)y, NULL);
            ::LineTo(m_memDC, r.right, (int)y);
        }
    }
    ::SelectObject(m_memDC, oldPen);
}

void CGraphPlot::DrawCurve(const RECT& c, const RECT& r, int n)
{
    HGDIOBJ oldPen = ::SelectObject(m_memDC, m_curvePen);
    const int minimum = m_samples.Minimum(), maximum = m_samples.Maximum();
    double x = c.right - m_rightOffset - (n - 1) * m_step;
    bool placed = false;
    for (int i = 0; i < n; ++i, x += m_step)
    {
        int y = graph::ValueToY(m_samples.Newest(n, i), c.top, c.bottom, minimum, maximum);
        if (x >= r.left)
        {
            if (placed)
                ::LineTo(m_memDC, (int)x, y);
            else
                ::MoveToEx(m_memDC, (int)x, y, NULL);
            placed = true;
        }
        else if (x + m_step > r.left)
        {
            // The segment that enters the painted part starts here.
            ::MoveToEx(m_memDC, (int)x, y, NULL);
            placed = true;
        }
        if (x > r.right)
            break;
    }
    ::SelectObject(m_memDC, oldPen);
}

void CGraphPlot::DrawBars(const RECT& c, const RECT& r, int n)
{
    const int minimum = m_samples.Minimum(), maximum = m_samples.Maximum();
    double x = c.right - m_rightOffset - (n - 1) * m_step - m_barWidth / 2;
    for (int i = 0; i < n; ++i, x += m_step)
    {
        if (x + m_barWidth >= r.left)
        {
            int y = graph::ValueToY(m_samples.Newest(n, i), c.top, c.bottom, minimum, maximum);
            RECT bar = { (int)x, y, (int)(x + m_barWidth), c.bottom };
            ::FillRect(m_memDC, &bar, m_barBrush);
        }
        if (x > r.right)
            break;
    }
}

void CGraphPlot::Render(const RECT& invalid)
{
    if (!m_memDC || !m_hWnd)
        return;
    RECT c;
    ::GetClientRect(m_hWnd, &c);
    EnsureBitmap(c.right, c.bottom);
    RECT r;
    if (!::IntersectRect(&r, &invalid, &c))
        return;
    ::FillRect(m_memDC, &r, m_backgroundBrush);
    DrawGrid(c, r);
    int n = graph::VisibleSampleCount(c.right - c.left, m_rightOffset, m_step);
    if (n > m_samples.Count())
        n = m_samples.Count();
    if (n <= 0)
        return;
    if (m_mode == GraphModeBars)
        DrawBars(c, r, n);
    else
        DrawCurve(c, r, n);
}

// --- messages ----------------------------------------------------------------

LRESULT CGraphPlot::OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    HDC windowDC = ::GetDC(m_hWnd);
    m_memDC = ::CreateCompatibleDC(windowDC);
    ::ReleaseDC(m_hWnd, windowDC);
    m_gridPen = ::CreatePen(PS_SOLID, 1, kGrid);
    m_curvePen = ::CreatePen(PS_SOLID, 1, kCurve);
    m_backgroundBrush = ::CreateSolidBrush(kBackground);
    m_barBrush = ::CreateSolidBrush(kBars);
    RECT c;
    ::GetClientRect(m_hWnd, &c);
    EnsureBitmap(c.right, c.bottom);
    return m_memDC ? 0 : -1;
}

LRESULT CGraphPlot::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    int cx = LOWORD(lParam), cy = HIWORD(lParam);
    // A grid given by its count of lines keeps that count.
    if (m_xLineCount > 0)
        m_xSpacing = graph::SpacingForCount(m_xLineCount, cx);
    if (m_yLineCount > 0)
        m_ySpacing = graph::SpacingForCount(m_yLineCount, cy);
    EnsureBitmap(cx, cy);
    return 0;
}

LRESULT CGraphPlot::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    Render(ps.rcPaint);
    if (m_memDC)
        ::BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, m_memDC, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CGraphPlot::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    DeleteDrawingObjects();
    bHandled = FALSE;
    return 0;
}
