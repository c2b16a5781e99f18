#pragma once
#include "wcl/Win.h"

struct DiagNode;
class IDiagEngine;

// A polling period in ms from its setting: 0 would run the page's timer at the
// shortest period there is and ask the device dozens of times a second, so 0
// stands for the setting's default.
inline DWORD PollingPeriod(DWORD setting, DWORD defaultPeriod)
{
    return setting ? setting : defaultPeriod;
}

// While 1 the page timers send no device requests (the link is down or the
// engine is taken by other work); the timers keep running.
extern int DiagPollingSuspended;

// The polling pattern every diagnostics page follows, as a member of the
// page, under its node's row. Timer 1 on the page window sends the page's
// request; an answer (OnAnswer) marks the request answered and closes the
// no-response box; a tick that finds the last request unanswered raises the
// box. A node with a watchdog (the statistics) works with a 5-second answer
// watchdog (timer 2) instead. The page routes its polling timers here and
// calls Start in WM_INITDIALOG and from the view; its window's destruction
// ends the timers.
class CDiagPolling
{
public:
    enum
    {
        kRequestTimer = 1,
        kWatchdogTimer = 2,
        kWatchdogPeriod = 5000,
        kDefaultPeriod = 5000,           // "DiagnosticsRefresh" and "GSMUsageRefresh"
        kDefaultStatisticsPeriod = 60000 // "StatisticsRefresh"
    };

    CDiagPolling(const DiagNode& node, IDiagEngine& engine);

    // Starts timer 1 and sends the first request at once; the engine's
    // result (1 sent, 0 not sent).
    int Start(HWND page);
    void Stop();
    // A polling timer of the page, in two steps: first whether it found the
    // last request without an answer (raises the box; the usage graph then
    // draws a 0 sample, the statistics graph clears), then the next request.
    // The page acts on a miss between the two, so that an answer the request
    // brings in at once (the engine may run a connect dialog inside it) is
    // not wiped afterwards.
    bool TakeMissedAnswer(UINT_PTR timerId);
    void AskAgain(UINT_PTR timerId);
    // The page got its data: fromCache false for a fresh device answer,
    // true for a redraw from the view's stored answer.
    void OnAnswer(bool fromCache);

    bool IsAnswered() const { return m_received != 0; }
    static bool IsPollingTimer(UINT_PTR timerId) { return timerId == kRequestTimer || timerId == kWatchdogTimer; }

    // True while a request of any page is on its way into the engine: the
    // engine may connect on demand there and run a dialog, so a page must
    // not be deleted under its own timer, and no other request may start a
    // second connect inside the first.
    static bool IsSending() { return s_sending > 0; }

private:
    const DiagNode& m_node;
    IDiagEngine& m_engine;
    HWND m_page;
    int m_received;   // 0 from a sent request until its answer

    // Sends the request with index; 1 when the engine sent it.
    int Send(int index);

    static int s_sending;
};
