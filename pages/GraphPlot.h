#pragma once
#include "wcl/WindowImpl.h"
#include "pages/GraphModel.h"

// The plot area of the graph control: it holds the samples and paints the
// grid and the series through an off-screen bitmap, so appending a sample and
// repainting does not flicker. The graph control sets it up; see CGraphCtrl.
class CGraphPlot : public CWindowImpl<CGraphPlot>
{
public:
    DECLARE_WND_CLASS_EX("VelGraphPlot", 0, COLOR_WINDOW)

    explicit CGraphPlot(int mode);
    ~CGraphPlot() override;

    // Colours (COLORREF).
    enum : COLORREF
    {
        kBackground = 0x000000,
        kGrid = 0x008000,
        kCurve = 0x00FFFF,
        kBars = 0x00FFFF,
    };

    // Appends a sample (clamped); the grid moves left with it when it scrolls.
    bool AppendSample(int value);
    // The scrolling grid restarts with the samples.
    void ClearSamples();

    // Paints the part invalid of the client area into the off-screen bitmap
    // (what WM_PAINT then copies to the screen).
    void Render(const RECT& invalid);
    // The off-screen device context and the size of its bitmap.
    HDC GetMemoryDC() const { return m_memDC; }
    SIZE GetBitmapSize() const { return m_bitmapSize; }

    // The grid spacing that a count of lines gives at the client's size
    // (count > 1), or the spacing in pixels with the count -1.
    void SetXGrid(int n, bool byCount, double offset);
    void SetYGrid(int n, bool byCount, double offset);

    GraphSamples m_samples;
    int m_mode;
    bool m_gridScrolls = true;
    double m_xSpacing = 12.0;   // vertical grid lines
    double m_ySpacing = 12.0;   // horizontal grid lines
    double m_step = 2.0;
    double m_barWidth = 1.0;
    double m_rightOffset = 0.0;
    bool m_showHorizontal = true;
    bool m_showVertical = true;
    int m_xLineCount = -1;      // -1: the spacing was given in pixels
    int m_yLineCount = -1;
    double m_xOffset = 0.0;     // kept in (-spacing, 0] while scrolling
    double m_yOffset = 0.0;

    BEGIN_MSG_MAP(CGraphPlot)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

private:
    HPEN m_gridPen = NULL;
    HPEN m_curvePen = NULL;
    HBRUSH m_backgroundBrush = NULL;
    HBRUSH m_barBrush = NULL;
    HDC m_memDC = NULL;
    HBITMAP m_bitmap = NULL;
    HGDIOBJ m_oldBitmap = NULL;
    SIZE m_bitmapSize = { 0, 0 };

    // A bitmap that covers cx x cy; made again only when the plot grew
    // beyond the one it has.
    void EnsureBitmap(int cx, int cy);
    void DeleteDrawingObjects();
    void DrawGrid(const RECT& client, const RECT& invalid);
    void DrawCurve(const RECT& client, const RECT& invalid, int n);
    void DrawBars(const RECT& client, const RECT& invalid, int n);

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
};
