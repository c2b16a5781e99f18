#include <gtest/gtest.h>
#include "pages/GraphCtrl.h"
#include "tests/support/PageHostWindow.h"
#include <cstring>
#include <tuple>
#include <vector>

// The graph's arithmetic alone, then the control drawn off-screen: positions
// from the plot's measured client area, colours read back from the bitmap.

TEST(GraphModel, VisibleSampleCountFromWidthOffsetAndStep)
{
    // One every 4 pixels, both edges included; the step's integer part
    // divides; a part of a step at the left edge; a step below a pixel counts
    // as one; an offset that leaves no room.
    for (const auto& [width, offset, step, visible] : std::vector<std::tuple<int, double, double, int>>{
             { 400, 0.0, 4.0, 101 }, { 400, 0.0, 4.9, 101 }, { 401, 0.0, 4.0, 102 }, { 400, 8.0, 4.0, 99 },
             { 400, 0.0, 0.25, 401 }, { 10, 20.0, 2.0, 0 } })
        EXPECT_EQ(visible, graph::VisibleSampleCount(width, offset, step)) << width << " " << step;
}

TEST(GraphModel, GridOffsetWrapsAndDegenerateSpacingsRangesAndLabelsDivideByNothing)
{
    // Spacing 48 and step 4: the lines move 4 pixels left per sample and the
    // offset comes back to 0 after 12 samples.
    double offset = 0.0;
    for (int n = 1; n <= 12; ++n)
    {
        offset = graph::AdvanceGridOffset(offset, 4.0, 48.0);
        EXPECT_DOUBLE_EQ(n < 12 ? -4.0 * n : 0.0, offset) << n;
    }
    // Spacings that draw no lines must not stall an append.
    EXPECT_DOUBLE_EQ(-4.0, graph::AdvanceGridOffset(0.0, 4.0, 0.0));
    EXPECT_DOUBLE_EQ(-4.0, graph::AdvanceGridOffset(0.0, 4.0, -48.0));
    double tiny = graph::AdvanceGridOffset(0.0, 4.0, 1e-9);
    EXPECT_TRUE(tiny <= 0.0 && tiny > -1e-9) << tiny;
    EXPECT_FALSE(graph::HasGridLines(0.5));
    // An empty range spans one; a single label sits at the start, none nowhere.
    EXPECT_EQ(199, graph::ValueToY(5, 0, 200, 5, 5));
    EXPECT_EQ(199, graph::ValueToY(6, 0, 200, 9, 3));
    int at = -1;
    EXPECT_TRUE(graph::LabelPosition(1, 0, 200, 40, &at));
    EXPECT_EQ(200, at);
    EXPECT_FALSE(graph::LabelPosition(0, 0, 200, 40, &at));
}

TEST(GraphModel, SamplesAreClampedToTheRangeAndKeptInTheirRing)
{
    GraphSamples s;
    EXPECT_FALSE(s.Append(1));   // no buffer yet
    ASSERT_TRUE(s.Reset(3, 0, 32));
    for (int v : { 40, -5, 7, 9 })
        ASSERT_TRUE(s.Append(v));
    EXPECT_EQ(3, s.Count());
    EXPECT_EQ(1, s.WriteIndex());
    EXPECT_EQ((std::vector<int>{ 0, 7, 9 }), (std::vector<int>{ s.Newest(3, 0), s.Newest(3, 1), s.Newest(3, 2) }));

    // Setting all clamps the caller's values too and grows the buffer.
    int values[5] = { 1, 200, -1, 3, 4 };
    ASSERT_TRUE(s.SetAll(5, values));
    EXPECT_EQ(5, s.Capacity());
    EXPECT_EQ(0, s.WriteIndex());
    EXPECT_EQ((std::vector<int>{ 1, 32, 0, 3, 4 }), std::vector<int>(values, values + 5));

    // An empty buffer takes an empty series without a division.
    ASSERT_TRUE(s.Reset(0, 0, 32));
    EXPECT_TRUE(s.SetAll(0, values));
    EXPECT_EQ(0, s.WriteIndex());
}

namespace
{
class GraphCtrlTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    CGraphCtrl* graphCtrl = nullptr;
    RECT c = {};   // the plot's client area

    void SetUp() override { host = testsupport::CreatePageHost(700, 500, true); }
    void TearDown() override
    {
        ::DestroyWindow(host);
        delete graphCtrl;
    }

    void Make(int mode, int width = 600, int height = 400)
    {
        graphCtrl = new CGraphCtrl(mode);
        RECT rc = { 10, 10, 10 + width, 10 + height };
        ASSERT_TRUE(graphCtrl->Create(host, &rc, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                                      1364));
        Measure();
    }
    void Measure() { ::GetClientRect(graphCtrl->Plot(), &c); }
    int W() const { return c.right; }
    int H() const { return c.bottom; }

    // Draws the whole plot off-screen and reads a pixel of the bitmap.
    COLORREF PixelAfterRender(int x, int y)
    {
        graphCtrl->Plot().Render(c);
        return Pixel(x, y);
    }
    COLORREF Pixel(int x, int y) { return ::GetPixel(graphCtrl->Plot().GetMemoryDC(), x, y); }
};
}

TEST_F(GraphCtrlTest, CurveDrawsTheStoredSamplesNewestAtTheRightAndGridLinesMoveLeftWithEachSample)
{
    Make(GraphModeCurve);
    ASSERT_TRUE(graphCtrl->SetSampleCount(1000, 0, 32));
    graphCtrl->SetSampleStep(4.0);
    graphCtrl->SetYGrid(0, false, 0);   // no horizontal lines in the way
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(graphCtrl->SetValue(40));   // stored as the maximum
    // Five samples 4 pixels apart on the top edge, the newest at the right edge.
    EXPECT_EQ((COLORREF)CGraphPlot::kCurve, PixelAfterRender(W() - 2, 0));
    EXPECT_EQ((COLORREF)CGraphPlot::kCurve, Pixel(W() - 16, 0));
    EXPECT_EQ((COLORREF)CGraphPlot::kBackground, Pixel(W() - 18, 0));

    graphCtrl->SetXGrid(48, false, 0);
    int row = H() / 2;
    EXPECT_EQ((COLORREF)CGraphPlot::kGrid, PixelAfterRender(W() - 48, row));
    graphCtrl->SetValue(0);
    EXPECT_EQ((COLORREF)CGraphPlot::kGrid, PixelAfterRender(W() - 52, row));
    EXPECT_EQ((COLORREF)CGraphPlot::kBackground, Pixel(W() - 48, row));
    for (int i = 0; i < 11; ++i)
        graphCtrl->SetValue(0);
    EXPECT_DOUBLE_EQ(0.0, graphCtrl->Plot().m_xOffset);

    // A spacing below a pixel (a refresh setting above 240000) draws no
    // lines and appending goes on.
    graphCtrl->SetXGrid(0, false, 0);
    for (int i = 0; i < 100; ++i)
        graphCtrl->SetValue(i);
    graphCtrl->Plot().Render(c);
    for (int x = 0; x < W(); ++x)
        ASSERT_NE((COLORREF)CGraphPlot::kGrid, Pixel(x, row)) << x;
}

TEST(GraphCtrl, ModeChangesOutsideCurveAndBarsAreRefused)
{
    CGraphCtrl bars(GraphModeBars);
    EXPECT_FALSE(bars.SetMode(3));
    EXPECT_EQ(GraphModeBars, bars.Plot().m_mode);
    EXPECT_EQ(GraphModeCurve, CGraphCtrl(7).Plot().m_mode);
}

TEST_F(GraphCtrlTest, TheBitmapIsMadeAgainWhenThePlotGrowsBeyondIt)
{
    Make(GraphModeCurve, 200, 150);
    ::MoveWindow(*graphCtrl, 10, 10, 640, 460, TRUE);
    Measure();
    SIZE grown = graphCtrl->Plot().GetBitmapSize();
    EXPECT_GE(grown.cx, W());
    EXPECT_GE(grown.cy, H());
    // The new far corner is drawn like the rest: the newest sample on top.
    ASSERT_TRUE(graphCtrl->SetSampleCount(100, 0, 32));
    graphCtrl->SetYGrid(0, false, 0);
    graphCtrl->SetValue(32);
    graphCtrl->SetValue(32);
    EXPECT_EQ((COLORREF)CGraphPlot::kCurve, PixelAfterRender(W() - 1, 0));
    EXPECT_EQ((COLORREF)CGraphPlot::kBackground, Pixel(W() - 1, H() - 1));
}

TEST_F(GraphCtrlTest, LabelsAreMeasuredInTheFontAndPlacedBesideThePlotAndAGridByCountFollowsItsSize)
{
    Make(GraphModeBars);
    graphCtrl->SetXGrid(25, true, 0);
    ::MoveWindow(*graphCtrl, 10, 10, 400, 300, TRUE);
    Measure();
    EXPECT_DOUBLE_EQ(W() / 24.0, graphCtrl->Plot().m_xSpacing);
    // One line gives no spacing to divide by.
    graphCtrl->SetXGrid(1, true, 0);
    ::MoveWindow(*graphCtrl, 10, 10, 600, 400, TRUE);
    EXPECT_FALSE(graph::HasGridLines(graphCtrl->Plot().m_xSpacing));

    HFONT font = (HFONT)::GetStockObject(DEFAULT_GUI_FONT);
    ::SendMessageA(*graphCtrl, WM_SETFONT, (WPARAM)font, TRUE);
    static const char* const yTexts[] = { "0", "16", "32" };
    static const char* const xTexts[] = { "0:00", "", "2:00" };
    ASSERT_TRUE(graphCtrl->SetYLabels(3, yTexts, 0, 0));
    ASSERT_TRUE(graphCtrl->SetXLabels(3, xTexts, 10, 10));

    HDC dc = ::GetDC(*graphCtrl);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE wide, tall;   // digits are equally wide in the font
    ::GetTextExtentPoint32A(dc, "32", 2, &wide);
    ::GetTextExtentPoint32A(dc, "0:00", 4, &tall);
    ::SelectObject(dc, old);
    ::ReleaseDC(*graphCtrl, dc);

    RECT client, p = graphCtrl->GetPlotRect();
    ::GetClientRect(*graphCtrl, &client);
    EXPECT_EQ(CGraphCtrl::kMargin + CGraphCtrl::kLabelGap + wide.cx, p.left);
    EXPECT_EQ(client.bottom - CGraphCtrl::kMargin - CGraphCtrl::kLabelGap - tall.cy, p.bottom);
    EXPECT_EQ(client.right - CGraphCtrl::kMargin, p.right);

    POINT at;
    ASSERT_TRUE(graphCtrl->YLabelOrigin(0, &at));   // "0" at the bottom
    EXPECT_EQ(p.bottom - graphCtrl->GetYLabels()[0].height / 2, at.y);
    ASSERT_TRUE(graphCtrl->XLabelOrigin(2, &at));
    EXPECT_EQ(p.right - 10 - graphCtrl->GetXLabels()[2].width / 2, at.x);
    EXPECT_EQ(p.bottom + CGraphCtrl::kLabelGap, at.y);

    // Painting copes with a single label and with none.
    static const char* const one[] = { "only" };
    ASSERT_TRUE(graphCtrl->SetXLabels(1, one, 0, 0));
    ASSERT_TRUE(graphCtrl->SetYLabels(0, nullptr, 0, 0));
    EXPECT_FALSE(graphCtrl->YLabelOrigin(0, &at));
    ::RedrawWindow(*graphCtrl, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
