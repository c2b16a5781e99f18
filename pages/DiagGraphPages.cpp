#include "pages/DiagGraphPages.h"
#include "base/AppSettings.h"
#include <new>

namespace
{
// The usage grid moves one line per this many milliseconds of polling.
const DWORD kUsageGridPeriod = 240000;

// 17 y labels from the bottom up: one every 2 units of the range.
const char* const kYLabels[] = { "0",  "2",  "4",  "6",  "8",  "10", "12", "14", "16",
                                 "18", "20", "22", "24", "26", "28", "30", "32" };
const int kYLabelCount = sizeof(kYLabels) / sizeof(kYLabels[0]);
// One horizontal grid line per unit of the range.
const int kYGridLines = CDiagGraph::kMaximum - CDiagGraph::kMinimum + 1;

// 24 x labels from the left, every second one empty.
const char* const kHourLabels[] = { "0:00",  "", "2:00",  "", "4:00",  "", "6:00",  "", "8:00",  "", "10:00", "",
                                    "12:00", "", "14:00", "", "16:00", "", "18:00", "", "20:00", "", "22:00", "" };
static_assert(sizeof(kHourLabels) / sizeof(kHourLabels[0]) == CDiagGsmStatisticsPage::kHours, "one label per hour");

const char kLabelFace[] = "Tahoma";
const int kLabelPoints = 7;
}

const double CDiagGsmUsagePage::kSampleStep = 4.0;

int UsageGridSpacing(DWORD diagnosticsRefresh)
{
    return (int)(kUsageGridPeriod / PollingPeriod(diagnosticsRefresh, CDiagPolling::kDefaultPeriod));
}

IDiagPage* MakeGsmUsagePage(const DiagNode& node, IDiagEngine& engine)
{
    return new (std::nothrow) CDiagGsmUsagePage(node, engine);
}

IDiagPage* MakeGsmStatisticsPage(const DiagNode& node, IDiagEngine& engine)
{
    return new (std::nothrow) CDiagGsmStatisticsPage(node, engine);
}

// --- the graph of a page -------------------------------------------------------

CDiagGraph::~CDiagGraph()
{
    if (m_font)
        ::DeleteObject(m_font);
}

bool CDiagGraph::Create(HWND page)
{
    HWND marker = ::GetDlgItem(page, IDC_DIAG_GRAPH_MARKER);
    RECT rc = { 0, 0, 0, 0 };
    if (marker)
    {
        ::GetWindowRect(marker, &rc);
        ::MapWindowPoints(NULL, page, (POINT*)&rc, 2);
    }
    if (!m_graph.Create(page, &rc, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        IDC_DIAG_GRAPH))
        return false;
    HDC dc = ::GetDC(page);
    int height = -::MulDiv(kLabelPoints, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(page, dc);
    m_font = ::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kLabelFace);
    HFONT font = m_font ? m_font : (HFONT)::GetStockObject(DEFAULT_GUI_FONT);
    ::SendMessageA(m_graph, WM_SETFONT, (WPARAM)font, TRUE);
    return true;
}

// --- usage ---------------------------------------------------------------------

void CDiagGsmUsagePage::OnInitControls()
{
    if (!m_graph.Create(m_hWnd))
        return;
    CGraphCtrl& graph = Graph();
    graph.SetSampleCount(kSamples, CDiagGraph::kMinimum, CDiagGraph::kMaximum);
    graph.SetYLabels(kYLabelCount, kYLabels, 0, 0);
    graph.SetSampleStep(kSampleStep);
    // The grid keeps scrolling with the samples, a step per sample.
    graph.SetXGrid(UsageGridSpacing(g_Settings.DiagnosticsRefresh), false, 0);
    graph.SetYGrid(kYGridLines, true, 0);
}

int CDiagGsmUsagePage::StartPolling()
{
    // Each polling run starts its curve anew.
    int zero = 0;
    Graph().SetSamples(1, &zero);
    return CDiagPage<CDiagGsmUsagePage>::StartPolling();
}

void CDiagGsmUsagePage::OnAnswer(const DiagAnswers& answers, bool)
{
    Graph().SetValue(answers.gsmUsage);
}

void CDiagGsmUsagePage::OnNoAnswer()
{
    Graph().SetValue(0);
}

// --- statistics ----------------------------------------------------------------

void CDiagGsmStatisticsPage::OnInitControls()
{
    if (!m_graph.Create(m_hWnd))
        return;
    CGraphCtrl& graph = Graph();
    graph.SetMode(GraphModeBars);
    graph.SetGridScroll(false);
    graph.SetSampleCount(kHours, CDiagGraph::kMinimum, CDiagGraph::kMaximum);
    graph.SetYLabels(kYLabelCount, kYLabels, 0, 0);
    graph.SetYGrid(kYGridLines, true, 0);
    graph.SetXGrid(kHours + 1, true, 0);
    // Each hour gets one grid cell of width w with a bar of a third of it,
    // centred on the cell's line and its label.
    double w = graph.Plot().m_xSpacing;
    int half = (int)(w / 2);
    graph.SetXLabels(kHours, kHourLabels, half, half);
    graph.SetXGrid(kHours + 1, true, half);
    graph.SetSampleStep(w);
    graph.SetRightOffset(w / 2);
    graph.SetBarWidth(w / 3);
}

void CDiagGsmStatisticsPage::OnAnswer(const DiagAnswers& answers, bool)
{
    int values[kHours];
    for (int h = 0; h < kHours; ++h)
        values[h] = answers.gsmStatistics[h];
    Graph().SetSamples(kHours, values);
}

void CDiagGsmStatisticsPage::OnNoAnswer()
{
    Graph().ClearSamples();
}
