#include "diag/DiagPolling.h"
#include "diag/DiagMessageBox.h"
#include "base/AppSettings.h"
#include "comm/DeviceProtocol.h"

int DiagPollingSuspended = 0;

namespace
{
CDeviceProtocol* g_diagEngine = &g_DeviceProtocol;

DWORD DiagnosticsPeriod() { return g_Settings.DiagnosticsRefresh; }
DWORD UsagePeriod() { return g_Settings.GSMUsageRefresh; }
DWORD StatisticsPeriod() { return g_Settings.StatisticsRefresh; }

const DiagPollingRow kPollingRows[] = {
    { DiagNodeIsdnLines, 1, 0, ENGINE_STATUS_DIAG_ISDN_LINES, DiagnosticsPeriod },
    { DiagNodeIsdnCredit, 2, -1, ENGINE_STATUS_DIAG_ISDN_CREDIT, DiagnosticsPeriod },
    { DiagNodeCards, 10, 0, ENGINE_STATUS_DIAG_CARDS, DiagnosticsPeriod },
    { DiagNodeGsmCredits, 11, -1, ENGINE_STATUS_DIAG_GSM_CREDIT, DiagnosticsPeriod },
    { DiagNodeGsmUsage, 12, -1, ENGINE_STATUS_DIAG_GSM_USAGE, UsagePeriod },
    { DiagNodeGsmStatistics, 13, -1, ENGINE_STATUS_DIAG_GSM_STATISTICS, StatisticsPeriod },
    { DiagNodeVoip, 20, 0, ENGINE_STATUS_DIAG_VOIP, DiagnosticsPeriod },
};
}

int CDiagPolling::s_sending = 0;

CDeviceProtocol* GetDiagEngine()
{
    return g_diagEngine;
}

void SetDiagEngine(CDeviceProtocol* engine)
{
    g_diagEngine = engine ? engine : &g_DeviceProtocol;
}

const DiagPollingRow* FindDiagPolling(int kind)
{
    for (const DiagPollingRow& row : kPollingRows)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

int DiagKindOfStatus(int status)
{
    for (const DiagPollingRow& row : kPollingRows)
        if (row.answerStatus == status)
            return row.kind;
    return -1;
}

CDiagPolling::CDiagPolling(int kind) : m_row(FindDiagPolling(kind)), m_page(NULL), m_received(1)
{
}

int CDiagPolling::Send(int index)
{
    CDeviceProtocol* engine = GetDiagEngine();
    if (!m_row || !engine)
        return 0;
    ++s_sending;
    int sent = engine->RequestDiagnostics(m_row->operation, index);
    --s_sending;
    return sent;
}

int CDiagPolling::Start(HWND page)
{
    if (!m_row)
        return 0;
    m_page = page;
    ::SetTimer(m_page, kRequestTimer, m_row->period(), NULL);
    int sent = Send(m_row->startIndex);
    if (m_row->kind == DiagNodeGsmStatistics)
    {
        // The watchdog runs also when the request was refused: the box then
        // tells that nothing comes.
        ::SetTimer(m_page, kWatchdogTimer, kWatchdogPeriod, NULL);
        return sent;
    }
    // Unanswered from now on, whether or not the request went out.
    m_received = 0;
    return sent;
}

void CDiagPolling::Stop()
{
    if (!m_page)
        return;
    ::KillTimer(m_page, kRequestTimer);
    ::KillTimer(m_page, kWatchdogTimer);
}

bool CDiagPolling::OnTimer(UINT_PTR timerId)
{
    if (!m_row)
        return false;
    bool missed = false;
    if (m_row->kind == DiagNodeGsmStatistics)
    {
        if (timerId == kWatchdogTimer)
        {
            ::KillTimer(m_page, kWatchdogTimer);
            ShowNoResponseBox();
            missed = true;
        }
        // While the device stays silent the page asks every 5 seconds.
        if (!DiagPollingSuspended && Send(0))
            ::SetTimer(m_page, kWatchdogTimer, kWatchdogPeriod, NULL);
        return missed;
    }
    if (!m_received)
    {
        ShowNoResponseBox();
        missed = true;
        // The cards page raises the box again only after a new unanswered
        // request, not at every tick while nothing can be sent.
        if (m_row->kind == DiagNodeCards)
            m_received = 1;
    }
    if (timerId == kRequestTimer && !DiagPollingSuspended && Send(0))
        m_received = 0;
    return missed;
}

void CDiagPolling::OnAnswer(bool fromCache)
{
    if (!fromCache)
    {
        m_received = 1;
        CloseNoResponseBox();
    }
    if (m_row && m_row->kind == DiagNodeGsmStatistics && m_page)
        ::KillTimer(m_page, kWatchdogTimer);
}
