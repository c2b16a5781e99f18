#include "pages/DiagPolling.h"
#include "pages/DiagPage.h"
#include "pages/DiagMessageBox.h"

int DiagPollingSuspended = 0;

int CDiagPolling::s_sending = 0;

CDiagPolling::CDiagPolling(const DiagNode& node, IDiagEngine& engine)
    : m_node(node), m_engine(engine), m_page(NULL), m_received(1)
{
}

int CDiagPolling::Send(int index)
{
    if (!m_node.Polls())
        return 0;
    // A request made while another is on its way (the engine connecting on
    // demand runs the connection dialog, whose loop runs our timers) would
    // open a second connect inside the first: it counts as refused.
    if (s_sending)
        return 0;
    ++s_sending;
    int sent = m_engine.RequestDiagnostics(m_node.request, index);
    --s_sending;
    return sent;
}

int CDiagPolling::Start(HWND page)
{
    if (!m_node.Polls() || !page)
        return 0;
    m_page = page;
    ::SetTimer(m_page, kRequestTimer, m_node.period ? m_node.period() : static_cast<DWORD>(kDefaultPeriod), NULL);
    int sent = Send(m_node.startIndex);
    if (m_node.Has(DNF_WATCHDOG))
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

bool CDiagPolling::TakeMissedAnswer(UINT_PTR timerId)
{
    if (!m_node.Polls())
        return false;
    if (m_node.Has(DNF_WATCHDOG))
    {
        if (timerId != kWatchdogTimer)
            return false;
        ::KillTimer(m_page, kWatchdogTimer);
        ShowNoResponseBox();
        return true;
    }
    if (m_received)
        return false;
    ShowNoResponseBox();
    // Such a page raises the box again only after a new unanswered
    // request, not at every tick while nothing can be sent.
    if (m_node.Has(DNF_BOX_PER_REQUEST))
        m_received = 1;
    return true;
}

void CDiagPolling::AskAgain(UINT_PTR timerId)
{
    if (!m_node.Polls() || DiagPollingSuspended)
        return;
    if (m_node.Has(DNF_WATCHDOG))
    {
        // While the device stays silent the page asks every 5 seconds.
        if (Send(0))
            ::SetTimer(m_page, kWatchdogTimer, kWatchdogPeriod, NULL);
        return;
    }
    if (timerId == kRequestTimer && Send(0))
        m_received = 0;
}

void CDiagPolling::OnAnswer(bool fromCache)
{
    if (!fromCache)
    {
        m_received = 1;
        CloseNoResponseBox();
    }
    if (m_node.Has(DNF_WATCHDOG) && m_page)
        ::KillTimer(m_page, kWatchdogTimer);
}
