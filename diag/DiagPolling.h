#pragma once
#include "wcl/Win.h"

class CDeviceProtocol;

// The nodes of the diagnostics tree; the kind is the tree item data and
// selects the page to show.
enum DiagNodeKind
{
    DiagNodeRoot = 0,
    DiagNodeIsdnLines = 11,
    DiagNodeIsdnCredit = 12,
    DiagNodeCards = 21,
    DiagNodeGsmCredits = 22,
    DiagNodeGsmUsage = 23,
    DiagNodeGsmStatistics = 24,
    DiagNodeVoip = 31,
};

// While 1 the page timers send no device requests (the link is down or the
// engine is taken by other work); the timers keep running.
extern int DiagPollingSuspended;

// The engine the diagnostics pages send their requests to: the program's
// engine, or a test's.
CDeviceProtocol* GetDiagEngine();
void SetDiagEngine(CDeviceProtocol* engine);

// How a polled node asks the device: one row per polled kind.
struct DiagPollingRow
{
    int kind;
    int operation;        // engine diagnostics operation
    int startIndex;       // index of the first request (-1: the engine reads 0)
    int answerStatus;     // engine status that brings the answer
    DWORD (*period)();    // timer 1 period in ms, read when polling starts
};
// The row of a kind, or null for kinds that do not poll.
const DiagPollingRow* FindDiagPolling(int kind);
// The kind whose answer a status brings, or -1.
int DiagKindOfStatus(int status);

// The polling pattern every diagnostics page follows, as a member of the
// page. Timer 1 on the page window sends the page's request; an answer
// (OnAnswer) marks the request answered and closes the no-response box; a
// tick that finds the last request unanswered raises the box. The
// statistics page works with a 5-second answer watchdog (timer 2) instead.
// The page routes its WM_TIMER here and calls Start in WM_INITDIALOG and
// from the view; its window's destruction ends the timers.
class CDiagPolling
{
public:
    enum { kRequestTimer = 1, kWatchdogTimer = 2, kWatchdogPeriod = 5000 };

    explicit CDiagPolling(int kind);

    // Starts timer 1 and sends the first request at once; the engine's
    // result (1 sent, 0 not sent).
    int Start(HWND page);
    void Stop();
    // A WM_TIMER of the page; true when it found the last request without
    // an answer (the usage graph then draws a 0 sample, the statistics
    // graph clears).
    bool OnTimer(UINT_PTR timerId);
    // The page got its data: fromCache false for a fresh device answer,
    // true for a redraw from the view's stored answer.
    void OnAnswer(bool fromCache);

    bool IsAnswered() const { return m_received != 0; }
    int GetKind() const { return m_row ? m_row->kind : -1; }

    // True while a request of any page is on its way into the engine: the
    // engine may connect on demand there and run a dialog, so a page must
    // not be deleted under its own timer.
    static bool IsSending() { return s_sending > 0; }

private:
    const DiagPollingRow* m_row;
    HWND m_page;
    int m_received;   // 0 from a sent request until its answer

    // Sends the request with index; 1 when the engine sent it.
    int Send(int index);

    static int s_sending;
};
