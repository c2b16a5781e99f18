#pragma once
#include "pages/DiagPage.h"
#include "pages/GraphCtrl.h"
#include "res/DiagIds.h"

// The two graph pages of the diagnostics view. Both use one template whose
// hidden static marks where the graph goes; the y axis runs from 0 to 32.

// The vertical grid spacing of the usage graph in pixels: 240000 divided by
// the "DiagnosticsRefresh" setting (48 at its default 5000 ms). A setting of
// 0 counts as that default; a setting above 240000 gives no lines.
int UsageGridSpacing(DWORD diagnosticsRefresh);

// The pages of the usage and statistics nodes (null when out of memory).
IDiagPage* MakeGsmUsagePage(const DiagNode& node, IDiagEngine& engine);
IDiagPage* MakeGsmStatisticsPage(const DiagNode& node, IDiagEngine& engine);

// The graph of a page: created over the marker static, with the small
// label font the page owns.
class CDiagGraph
{
public:
    enum { kMinimum = 0, kMaximum = 32 };

    explicit CDiagGraph(int mode) : m_graph(mode) {}
    ~CDiagGraph();
    bool Create(HWND page);
    CGraphCtrl& Graph() { return m_graph; }

private:
    CGraphCtrl m_graph;
    HFONT m_font = NULL;   // owned when not the stock font
};

// A scrolling curve of the device's GSM usage value: one sample per answer,
// a 0 sample for each unanswered tick. It keeps sampling while another tab
// is shown and starts anew (one 0 sample) each time its polling starts.
class CDiagGsmUsagePage : public CDiagPage<CDiagGsmUsagePage>
{
public:
    enum { IDD = IDD_DIAG_GRAPH_PAGE };
    enum { kSamples = 1000 };
    static const double kSampleStep;

    CDiagGsmUsagePage(const DiagNode& node, IDiagEngine& engine)
        : CDiagPage<CDiagGsmUsagePage>(node, engine), m_graph(GraphModeCurve)
    {
    }

    int StartPolling() override;
    CGraphCtrl& Graph() { return m_graph.Graph(); }

protected:
    void OnInitControls() override;
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;
    void OnNoAnswer() override;

private:
    CDiagGraph m_graph;
};

// 24 bars, one per hour of the day, from the device's statistics answer;
// a request left unanswered for 5 seconds clears them.
class CDiagGsmStatisticsPage : public CDiagPage<CDiagGsmStatisticsPage>
{
public:
    enum { IDD = IDD_DIAG_GRAPH_PAGE };
    enum { kHours = 24 };

    CDiagGsmStatisticsPage(const DiagNode& node, IDiagEngine& engine)
        : CDiagPage<CDiagGsmStatisticsPage>(node, engine), m_graph(GraphModeBars)
    {
    }

    CGraphCtrl& Graph() { return m_graph.Graph(); }

protected:
    void OnInitControls() override;
    void OnAnswer(const DiagAnswers& answers, bool fromCache) override;
    void OnNoAnswer() override;

private:
    CDiagGraph m_graph;
};
