#pragma once
#include "wcl/Window.h"
#include <cstdarg>

// Log colours (COLORREF 0x00BBGGRR).
enum : COLORREF
{
    LOG_BLACK = 0x000000,
    LOG_RED = 0x0000FF,     // " IN:" prefix, link layer texts, monitor banners
    LOG_BLUE = 0xFF0000,    // "OUT:" prefix
    LOG_TEAL = 0x808000,    // protocol engine steps
    LOG_OLIVE = 0x008080,   // firmware file reader texts
    LOG_MAGENTA = 0xFF00FF, // raw input, USB device changes
};

// The coloured text view of the communication log and of the monitor log,
// over a rich edit 2.0 control that its owner creates and attaches.
//
// The owner attaches the control and calls Init on the UI thread. After that
// the appending operations (AddText, AddTextFormat, AddFrameDump, AddRawInput,
// SetColor) may be called from any thread. Lines of the UI thread are
// collected and written together a few tens of milliseconds later (or at
// once when the view is read), so that logging does not slow the work it
// records: a call from another thread never
// waits for the UI thread. It queues a heap copy of its line and posts the
// control a wake-up; the UI thread writes the queued lines in the order they
// were queued, and before any line of its own, so the order of all lines is
// the order of the calls. The link threads can therefore log while the UI
// thread waits for them to end. Find, SaveToFile, Trim, SetMaxLines, Clear and
// AppendPlain are for the UI thread only.
class CCommLogCtrl : public CWindow
{
public:
    CCommLogCtrl();
    virtual ~CCommLogCtrl();
    CCommLogCtrl(const CCommLogCtrl&) = delete;
    CCommLogCtrl& operator=(const CCommLogCtrl&) = delete;

    void Init();
    void SetMaxLines(int maxLines);
    int GetMaxLines() const { return m_maxLines; }
    int GetCharsPerLine() const { return m_charsPerLine; }
    void SetCharsPerLine(int chars) { m_charsPerLine = chars; }

    void SetColor(COLORREF color);
    void AddText(const char* text, COLORREF color);
    void AddTextFormat(const char* fmt, COLORREF color, ...) __attribute__((format(printf, 2, 4)));
    void AddTextFormatV(const char* fmt, COLORREF color, va_list args);
    void AddFrameDump(const BYTE* bytes, int length, BOOL incoming);
    void AddRawInput(const BYTE* bytes, int length);

    int Find(const char* text, BOOL matchCase, BOOL wholeWord);
    int SaveToFile(const char* path, BOOL append);
    void Trim();

    // Appends length bytes of text at the end as they are: no colour change,
    // no line end added (the device's monitor trace); then trims.
    void AppendPlain(const char* text, int length);
    // Empties the view.
    void Clear();
    // Scrolls the view to its latest lines, the owner calls it whenever the
    // view comes up: a view that grew while hidden (or before it had a size)
    // keeps the scroll position of that time, often its last, empty line.
    void ShowLatestLines();
    // Writes the lines other threads have queued; the UI thread does this by
    // itself before each of its own lines and when the wake-up arrives.
    void FlushQueued();
    // For an owner that knows when its thread has time to spare (a paced
    // transfer, right after a request went out): while it keeps calling, a
    // writing that falls due waits for its call and is done in steps of
    // about budgetMs, whole lines first and the drawing in a step of its
    // own, so that the log never holds up the next request.
    void WriteCollectedWithin(UINT budgetMs);
    // Whether a writing is under way (its painting held), and whether lines
    // wait that are not in the view yet; for an owner that paces the
    // writing, and for tests. Neither writes anything.
    bool IsWriting() const { return m_writingOpen; }
    bool HoldsUnwrittenLines();

    // The millisecond tick count the log's timing reads; GetTickCount unless
    // set (tests set counts near the ends of its range).
    typedef DWORD(WINAPI* TickSource)();
    void SetTickSource(TickSource source) { m_tickSource = source ? source : ::GetTickCount; }

    // The longest line AddTextFormat produces, its terminating zero included.
    static const int kMaxLineSize = 260;

private:
    struct QueuedLine;
    enum LineKind { kLineText, kLineFrameIn, kLineFrameOut, kLineRaw, kLineColor };

    bool OnUiThread() const;
    bool Enqueue(LineKind kind, COLORREF color, const void* data, int length, bool wakeUiThread);
    void Collect(LineKind kind, COLORREF color, const void* data, int length);
    int ViewLinesOf(const QueuedLine* line) const;
    void WriteLine(const QueuedLine* line);
    void FreeQueue();
    void DrainQueue(bool write);
    void ArmFlushTimer();
    void TakeQueued();
    void WriteTaken(LONGLONG budgetCounts);
    void FinishWriting();
    DWORD OwnerHoldLeft();

    void ScrollToLatestLines();
    void ApplyColor(COLORREF color);
    // Moves the insertion point to the end and inserts text in color.
    void AppendAtEnd(const char* text, COLORREF color);
    void WriteText(const char* text, COLORREF color);
    // Drops the oldest lines beyond the limit, at most maxDrop of them (0: as
    // Trim); true when the view is within its limit.
    bool TrimAtMost(int maxDrop);
    void WriteHexDump(const BYTE* bytes, int length, const char* prefix, COLORREF prefixColor,
                      COLORREF bytesColor, int startColumn);

    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);

    int m_charsPerLine = 140;
    int m_maxLines = 1000;

    // Lines queued by other threads, oldest first, and whether the control
    // still takes them (cleared when the window goes away).
    CRITICAL_SECTION m_queueLock;
    QueuedLine* m_queueHead = nullptr;
    QueuedLine* m_queueTail = nullptr;
    bool m_accepting = false;
    bool m_wakeUpPosted = false;
    // Lines of the UI thread wait for the flush timer (or the next read).
    bool m_flushTimerArmed = false;
    UINT m_lastFlushCostMs = 0;
    // The lines of the writing under way, oldest first (UI thread only), the
    // view lines of them the line limit drops unwritten, whether one is open
    // and what it cost so far (performance counts).
    QueuedLine* m_takenHead = nullptr;
    QueuedLine* m_takenTail = nullptr;
    int m_takenSkipLines = 0;
    // While a writing is open the view's painting is held: it is painted
    // once, when the writing ends.
    bool m_writingOpen = false;
    bool m_writingTrimmed = false;
    // Set while lines are written: the control's own messages of the writing
    // (reads of its length and selection) must not start another.
    bool m_writingNow = false;
    LONGLONG m_writingCost = 0;
    // A writing fell due while the owner writes: done at its next call.
    bool m_writingDue = false;
    // For m_ownerHoldMs after its last call, taken at m_ownerCalledAt, the
    // owner decides when the lines are written; before its first call and
    // once that time is over, the flush timer does. Held as a start and a
    // length, never as an end tick: only a difference from a tick the log
    // took itself stays right across the tick count's wrap.
    bool m_ownerHolds = false;
    DWORD m_ownerCalledAt = 0;
    DWORD m_ownerHoldMs = 0;
    TickSource m_tickSource = ::GetTickCount;
    bool m_subclassed = false;
    HWND m_subclassedWnd = NULL;
    DWORD m_uiThreadId = 0;
};
