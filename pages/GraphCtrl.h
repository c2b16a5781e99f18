#pragma once
#include "pages/GraphPlot.h"

// The graph control: integer samples in a ring buffer plotted as a curve of
// the newest samples (GraphModeCurve) or as bars (GraphModeBars) on a black
// grid whose vertical lines can scroll with the data, with axis labels
// around the plot. Every setter that changes the picture repaints the plot.
class CGraphCtrl : public CWindowImpl<CGraphCtrl>
{
public:
    DECLARE_WND_CLASS_EX("wtlGraphCustCtrl", CS_HREDRAW | CS_VREDRAW, COLOR_BTNFACE)

    enum { kMargin = 16, kLabelGap = 8, kLabelTextSize = 64 };

    struct Label
    {
        int width;
        int height;
        char text[kLabelTextSize];
    };

    explicit CGraphCtrl(int mode = GraphModeCurve);
    ~CGraphCtrl() override;

    HWND Create(HWND parent, const RECT* rc, const char* name, DWORD style, DWORD exStyle, UINT id)
    {
        return CWindowImpl<CGraphCtrl>::Create(parent, rc, name, style, exStyle, id);
    }

    // A new buffer of n zeroed samples and its range; false (nothing
    // changed) when it cannot be allocated.
    bool SetSampleCount(int n, int minimum, int maximum);
    // Clamps the value to the range and appends it; false without a buffer.
    bool SetValue(int value);
    // Shows the n values, oldest first (clamped, also in the caller's array).
    bool SetSamples(int n, int* values);
    void ClearSamples();
    // GraphModeCurve or GraphModeBars; any other mode is refused (false).
    bool SetMode(int mode);
    void SetGridScroll(bool on);
    // The horizontal distance of two samples; at least one pixel.
    void SetSampleStep(double pixels);
    void SetRightOffset(double pixels);
    void SetBarWidth(double pixels);
    // By count: n lines over the plot's width (height), kept at n when the
    // plot is resized; otherwise a spacing of n pixels (below 1: no lines).
    void SetXGrid(int n, bool byCount, double offset);
    void SetYGrid(int n, bool byCount, double offset);
    // Labels from the bottom up (y) or from the left (x), spread between the
    // plot's edges less the insets.
    bool SetYLabels(int count, const char* const* texts, int bottomInset, int topInset);
    bool SetXLabels(int count, const char* const* texts, int leftInset, int rightInset);

    CGraphPlot& Plot() { return m_plot; }
    // The plot's rectangle in the control's client coordinates.
    RECT GetPlotRect() const;
    int GetXLabelCount() const { return m_xLabelCount; }
    const Label* GetXLabels() const { return m_xLabels; }
    int GetYLabelCount() const { return m_yLabelCount; }
    const Label* GetYLabels() const { return m_yLabels; }
    // Where label i's text starts (its top-left corner, client coordinates);
    // false for a label that is not drawn.
    bool YLabelOrigin(int i, POINT* origin) const;
    bool XLabelOrigin(int i, POINT* origin) const;

    BEGIN_MSG_MAP(CGraphCtrl)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
        MESSAGE_HANDLER(WM_GETFONT, OnGetFont)
    END_MSG_MAP()

private:
    CGraphPlot m_plot;
    int m_yTopInset = 0;
    int m_yBottomInset = 0;
    int m_xLeftInset = 0;
    int m_xRightInset = 0;
    int m_xLabelCount = 0;
    Label* m_xLabels = nullptr;
    int m_yLabelCount = 0;
    Label* m_yLabels = nullptr;
    HFONT m_font = NULL;

    bool CopyLabels(int count, const char* const* texts, Label** labels, int* labelCount);
    void MeasureLabels();
    void CalcPlotRect();
    // The y labels' bottom edge: the x labels hang from it.
    int YLabelBottom(const RECT& plot) const { return plot.bottom - m_yBottomInset; }
    void Repaint();

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFont(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetFont(UINT, WPARAM, LPARAM, BOOL&) { return (LRESULT)m_font; }
};
