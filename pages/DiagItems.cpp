// The diagnostics tree's nodes: one row each, in build order, naming the
// page a node shows and how that page asks the device. Adding a page is
// completing its row's factory here.
#include "pages/DiagItems.h"
#include "pages/DiagPage.h"
#include "pages/DiagTextPage.h"
#include "pages/DiagIsdnPages.h"
#include "pages/DiagCardsPage.h"
#include "pages/DiagGsmCreditsPage.h"
#include "pages/DiagVoipPage.h"
#include "pages/DiagGraphPages.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include <new>

namespace
{
DWORD DiagnosticsPeriod() { return PollingPeriod(g_Settings.DiagnosticsRefresh, CDiagPolling::kDefaultPeriod); }
DWORD UsagePeriod() { return PollingPeriod(g_Settings.GSMUsageRefresh, CDiagPolling::kDefaultPeriod); }
DWORD StatisticsPeriod() { return PollingPeriod(g_Settings.StatisticsRefresh, CDiagPolling::kDefaultStatisticsPeriod); }

// A page showing the text of the node's text key.
IDiagPage* MakeTextPage(const DiagNode& node, IDiagEngine& engine)
{
    char text[CTextPage::kTextSize] = "";
    g_Language.GetString(node.textKey, text, sizeof(text));
    return new (std::nothrow) CDiagTextPage(node, engine, text);
}

template <class P>
IDiagPage* Make(const DiagNode& node, IDiagEngine& engine)
{
    return new (std::nothrow) P(node, engine);
}

const unsigned kCached = DNF_REDRAWS_FROM_CACHE;
const unsigned kCachedOwnTexts = DNF_REDRAWS_FROM_CACHE | DNF_OWN_TEXTS;

// Rows: id, title, images, page, text, request, start index, answer status,
// period, flags. The nodes whose own page is still to come show their title.
#define NODE(id, title, factory, text, request, start, answer, period, flags) \
    { id, title, TI_PAGE, TI_PAGE_SELECTED, factory, text, request, start, answer, period, flags }

const DiagNode kDiagNodes[] = {
    { DiagNodeRoot, "strDiagRoot", TI_ROOT, TI_ROOT, MakeTextPage, "strDiagRootDescr", DIAG_REQ_NONE, 0,
      kNoAnswerStatus, nullptr, 0 },
    NODE(DiagNodeIsdnLines, "strDiagIsdnLines", Make<CDiagIsdnLinesPage>, nullptr, DIAG_REQ_ISDN_LINES, 0,
         ENGINE_STATUS_DIAG_ISDN_LINES, DiagnosticsPeriod, kCached | DNF_TRANSLATED),
    NODE(DiagNodeIsdnCredit, "strDiagIsdnCredit", Make<CDiagIsdnCreditPage>, nullptr, DIAG_REQ_ISDN_CREDIT, -1,
         ENGINE_STATUS_DIAG_ISDN_CREDIT, DiagnosticsPeriod, kCachedOwnTexts | DNF_TRANSLATED),
    NODE(DiagNodeCards, "strDiagCards", Make<CDiagCardsPage>, nullptr, DIAG_REQ_CARDS, 0, ENGINE_STATUS_DIAG_CARDS,
         DiagnosticsPeriod, kCachedOwnTexts | DNF_BOX_PER_REQUEST | DNF_PAUSED_BY_MODULE_INFO),
    NODE(DiagNodeGsmCredits, "strDiagGsmCredits", Make<CDiagGsmCreditsPage>, nullptr, DIAG_REQ_GSM_CREDIT, -1,
         ENGINE_STATUS_DIAG_GSM_CREDIT, DiagnosticsPeriod, kCachedOwnTexts),
    NODE(DiagNodeGsmUsage, "strDiagGsmUsage", MakeGsmUsagePage, nullptr, DIAG_REQ_GSM_USAGE, -1,
         ENGINE_STATUS_DIAG_GSM_USAGE, UsagePeriod, DNF_POLLS_HIDDEN),
    NODE(DiagNodeGsmStatistics, "strDiagGsmStatistics", MakeGsmStatisticsPage, nullptr,
         DIAG_REQ_GSM_STATISTICS, -1, ENGINE_STATUS_DIAG_GSM_STATISTICS, StatisticsPeriod, DNF_WATCHDOG),
    NODE(DiagNodeVoip, "strDiagVoip", Make<CDiagVoipPage>, nullptr, DIAG_REQ_VOIP, 0, ENGINE_STATUS_DIAG_VOIP,
         DiagnosticsPeriod, kCachedOwnTexts | DNF_TRANSLATED),
};
#undef NODE

const DiagNode* g_nodes = kDiagNodes;
size_t g_nodeCount = sizeof(kDiagNodes) / sizeof(kDiagNodes[0]);
}

const DiagNode* GetDiagNodes(size_t* count)
{
    *count = g_nodeCount;
    return g_nodes;
}

const DiagNode* FindDiagNode(int id)
{
    for (size_t i = 0; i < g_nodeCount; ++i)
        if (g_nodes[i].id == id)
            return &g_nodes[i];
    return nullptr;
}

const DiagNode* FindDiagNodeByAnswer(int status)
{
    if (status <= 0)
        return nullptr;
    for (size_t i = 0; i < g_nodeCount; ++i)
        if (g_nodes[i].answerStatus == status)
            return &g_nodes[i];
    return nullptr;
}

void SetDiagNodesForTest(const DiagNode* nodes, size_t count)
{
    g_nodes = nodes ? nodes : kDiagNodes;
    g_nodeCount = nodes ? count : sizeof(kDiagNodes) / sizeof(kDiagNodes[0]);
}
