#include "pages/GraphCtrl.h"
#include "base/TextUtil.h"
#include <cstring>
#include <new>

CGraphCtrl::CGraphCtrl(int mode) : m_plot(mode)
{
}

CGraphCtrl::~CGraphCtrl()
{
    delete[] m_xLabels;
    delete[] m_yLabels;
}

void CGraphCtrl::Repaint()
{
    if (m_plot.m_hWnd)
        ::InvalidateRect(m_plot.m_hWnd, NULL, FALSE);
}

// --- samples and grid ----------------------------------------------------------

bool CGraphCtrl::SetSampleCount(int n, int minimum, int maximum)
{
    if (!m_plot.m_samples.Reset(n, minimum, maximum))
        return false;
    ClearSamples();
    return true;
}

bool CGraphCtrl::SetValue(int value)
{
    if (!m_plot.AppendSample(value))
        return false;
    Repaint();
    return true;
}

bool CGraphCtrl::SetSamples(int n, int* values)
{
    if (!m_plot.m_samples.SetAll(n, values))
        return false;
    Repaint();
    return true;
}

void CGraphCtrl::ClearSamples()
{
    m_plot.ClearSamples();
    Repaint();
}

bool CGraphCtrl::SetMode(int mode)
{
    if (mode != GraphModeCurve && mode != GraphModeBars)
        return false;
    m_plot.m_mode = mode;
    Repaint();
    return true;
}

void CGraphCtrl::SetGridScroll(bool on)
{
    m_plot.m_gridScrolls = on;
}

void CGraphCtrl::SetSampleStep(double pixels)
{
    // The visible count divides by the step's integer part.
    m_plot.m_step = pixels >= 1.0 ? pixels : 1.0;
    Repaint();
}

void CGraphCtrl::SetRightOffset(double pixels)
{
    m_plot.m_rightOffset = pixels;
    Repaint();
}

void CGraphCtrl::SetBarWidth(double pixels)
{
    m_plot.m_barWidth = pixels;
    Repaint();
}

void CGraphCtrl::SetXGrid(int n, bool byCount, double offset)
{
    m_plot.SetXGrid(n, byCount, offset);
    Repaint();
}

void CGraphCtrl::SetYGrid(int n, bool byCount, double offset)
{
    m_plot.SetYGrid(n, byCount, offset);
    Repaint();
}

// --- labels ----------------------------------------------------------------------

bool CGraphCtrl::CopyLabels(int count, const char* const* texts, Label** labels, int* labelCount)
{
    if (count < 0 || (count > 0 && !texts))
        return false;
    Label* copy = nullptr;
    if (count > 0)
    {
        copy = new (std::nothrow) Label[count];
        if (!copy)
            return false;
        for (int i = 0; i < count; ++i)
        {
            copy[i].width = copy[i].height = 0;
            CopyText(copy[i].text, sizeof(copy[i].text), texts[i] ? texts[i] : "");
        }
    }
    delete[] *labels;
    *labels = copy;
    *labelCount = count;
    return true;
}

bool CGraphCtrl::SetYLabels(int count, const char* const* texts, int bottomInset, int topInset)
{
    if (!CopyLabels(count, texts, &m_yLabels, &m_yLabelCount))
        return false;
    m_yBottomInset = bottomInset;
    m_yTopInset = topInset;
    MeasureLabels();
    CalcPlotRect();
    return true;
}

bool CGraphCtrl::SetXLabels(int count, const char* const* texts, int leftInset, int rightInset)
{
    if (!CopyLabels(count, texts, &m_xLabels, &m_xLabelCount))
        return false;
    m_xLeftInset = leftInset;
    m_xRightInset = rightInset;
    MeasureLabels();
    CalcPlotRect();
    return true;
}

void CGraphCtrl::MeasureLabels()
{
    if (!m_hWnd)
        return;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ oldFont = m_font ? ::SelectObject(dc, m_font) : NULL;
    Label* sets[] = { m_xLabels, m_yLabels };
    int counts[] = { m_xLabelCount, m_yLabelCount };
    for (int s = 0; s < 2; ++s)
    {
        for (int i = 0; i < counts[s]; ++i)
        {
            Label& label = sets[s][i];
            SIZE size = { 0, 0 };
            ::GetTextExtentPoint32A(dc, label.text, (int)strlen(label.text), &size);
            label.width = size.cx;
            label.height = size.cy;
        }
    }
    if (oldFont)
        ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);
}

RECT CGraphCtrl::GetPlotRect() const
{
    RECT rc = { 0, 0, 0, 0 };
    if (m_plot.m_hWnd && m_hWnd)
    {
        ::GetWindowRect(m_plot.m_hWnd, &rc);
        ::MapWindowPoints(NULL, m_hWnd, (POINT*)&rc, 2);
    }
    return rc;
}

void CGraphCtrl::CalcPlotRect()
{
    if (!m_hWnd || !m_plot.m_hWnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::InflateRect(&rc, -kMargin, -kMargin);
    int tallest = 0, widest = 0;
    for (int i = 0; i < m_xLabelCount; ++i)
        tallest = m_xLabels[i].height > tallest ? m_xLabels[i].height : tallest;
    for (int i = 0; i < m_yLabelCount; ++i)
        widest = m_yLabels[i].width > widest ? m_yLabels[i].width : widest;
    if (m_xLabelCount > 0)
        rc.bottom -= kLabelGap + tallest;
    if (m_yLabelCount > 0)
        rc.left += kLabelGap + widest;
    // A control too small for its labels keeps an empty plot, never a negative one.
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    ::MoveWindow(m_plot.m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    ::InvalidateRect(m_hWnd, NULL, TRUE);
}

bool CGraphCtrl::YLabelOrigin(int i, POINT* origin) const
{
    if (i < 0 || i >= m_yLabelCount)
        return false;
    RECT p = GetPlotRect();
    int y;
    if (!graph::LabelPosition(m_yLabelCount, i, YLabelBottom(p), p.top + m_yTopInset, &y))
        return false;
    origin->x = p.left - kLabelGap - m_yLabels[i].width;
    origin->y = y - m_yLabels[i].height / 2;
    return true;
}

bool CGraphCtrl::XLabelOrigin(int i, POINT* origin) const
{
    if (i < 0 || i >= m_xLabelCount)
        return false;
    RECT p = GetPlotRect();
    int x;
    if (!graph::LabelPosition(m_xLabelCount, i, p.left + m_xLeftInset, p.right - m_xRightInset, &x))
        return false;
    origin->x = x - m_xLabels[i].width / 2;
    origin->y = (m_yLabelCount > 0 ? YLabelBottom(p) : p.bottom) + kLabelGap;
    return true;
}

// --- messages ----------------------------------------------------------------------

LRESULT CGraphCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::InflateRect(&rc, -kMargin, -kMargin);
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    if (!m_plot.Create(m_hWnd, &rc, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN))
        return -1;
    if (!m_font)
    {
        HWND parent = ::GetParent(m_hWnd);
        m_font = parent ? (HFONT)::SendMessageA(parent, WM_GETFONT, 0, 0) : NULL;
        if (!m_font)
            m_font = (HFONT)::GetStockObject(SYSTEM_FONT);
    }
    return 0;
}

LRESULT CGraphCtrl::OnSize(UINT, WPARAM, LPARAM, BOOL&)
{
    CalcPlotRect();
    return 0;
}

LRESULT CGraphCtrl::OnSetFont(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    m_font = (HFONT)wParam;
    // Labels set before keep their place only when measured in the new font.
    if (m_xLabelCount > 0 || m_yLabelCount > 0)
    {
        MeasureLabels();
        CalcPlotRect();
    }
    if (LOWORD(lParam) && m_hWnd)
    {
        ::InvalidateRect(m_hWnd, NULL, TRUE);
        ::UpdateWindow(m_hWnd);
    }
    return 0;
}

LRESULT CGraphCtrl::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    HGDIOBJ oldFont = m_font ? ::SelectObject(dc, m_font) : NULL;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    POINT at;
    for (int i = 0; i < m_yLabelCount; ++i)
        if (YLabelOrigin(i, &at))
            ::TextOutA(dc, at.x, at.y, m_yLabels[i].text, (int)strlen(m_yLabels[i].text));
    for (int i = 0; i < m_xLabelCount; ++i)
        if (XLabelOrigin(i, &at))
            ::TextOutA(dc, at.x, at.y, m_xLabels[i].text, (int)strlen(m_xLabels[i].text));
    if (oldFont)
        ::SelectObject(dc, oldFont);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}
