#include "comm/CommLogCtrl.h"
#include "base/DiskFile.h"
#include "base/TextUtil.h"
#include "wcl/RedrawOff.h"
#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace
{
// One font for every log view, created by the first Init and kept for the
// life of the process.
HFONT g_logFont = NULL;

HFONT GetLogFont()
{
    if (!g_logFont)
    {
        // Ten points in the screen's resolution, as a point font is made.
        HDC screen = ::GetDC(NULL);
        int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ::ReleaseDC(NULL, screen);
        LOGFONTA lf = {};
        lf.lfHeight = -::MulDiv(100, dpi, 720);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        CopyText(lf.lfFaceName, sizeof(lf.lfFaceName), "Courier New");
        g_logFont = ::CreateFontIndirectA(&lf);
    }
    return g_logFont;
}

// The wake-up a logging thread posts to the control.
UINT LogFlushMessage()
{
    static UINT msg = ::RegisterWindowMessageA("VelmotrexCommLogFlush");
    return msg;
}

// Scrolls the view to its latest lines once it has come up.
const UINT_PTR kShowLatestTimerId = 0x4C48;

const UINT_PTR kSubclassId = 0x4C4F47; // "LOG"

// Lines of the UI thread are collected and written together at most this
// long after the first of them: writing each line by itself (a layout pass
// and a redraw each) would slow down the work the log records.
const UINT_PTR kFlushTimerId = 0x4C47;
const DWORD kFlushIntervalMs = 40;
// The pause after a writing, in multiples of what the writing cost.
const UINT kFlushCostShare = 20;
// The owner's steps counted into its hold on the writing at most: a pacing
// delay set to minutes must not keep the view from showing the last lines
// of a transfer for as long.
const UINT kMaxOwnerBudgetMs = 50;
// The oldest lines an owner's step drops at most.
const int kTrimStepLines = 40;

// Messages that read the view's text or selection: the collected lines are
// written first.
bool ReadsTheText(UINT msg)
{
    switch (msg)
    {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case EM_GETLINECOUNT:
    case EM_LINEINDEX:
    case EM_GETLINE:
    case EM_STREAMOUT:
    case EM_GETTEXTEX:
    case EM_GETTEXTLENGTHEX:
    case EM_GETTEXTRANGE:
    case EM_FINDTEXTEX:
    case EM_SETSEL:
    case EM_EXSETSEL:
    case EM_GETSEL:
    case EM_EXGETSEL:
    case EM_GETCHARFORMAT:
        return true;
    default:
        return false;
    }
}

DWORD CALLBACK StreamToFile(DWORD_PTR cookie, LPBYTE buf, LONG count, LONG* done)
{
    CDiskFile* file = reinterpret_cast<CDiskFile*>(cookie);
    DWORD written = file->Write(buf, (DWORD)count);
    *done = (LONG)written;
    // Fewer bytes written than given (disk full): stop the stream.
    return written < (DWORD)count ? 1 : 0;
}
}

// A line handed over by another thread: a process-heap copy of its bytes.
struct CCommLogCtrl::QueuedLine
{
    QueuedLine* next;
    LineKind kind;
    COLORREF color;
    int length;
    BYTE data[1]; // length bytes, then a terminating zero
};

CCommLogCtrl::CCommLogCtrl()
{
    ::InitializeCriticalSection(&m_queueLock);
}

CCommLogCtrl::~CCommLogCtrl()
{
    // The owner may have detached the window before: unhook the one hooked.
    if (m_subclassed && ::IsWindow(m_subclassedWnd))
        ::RemoveWindowSubclass(m_subclassedWnd, SubclassProc, kSubclassId);
    m_subclassed = false;
    FreeQueue();
    ::DeleteCriticalSection(&m_queueLock);
}

void CCommLogCtrl::Init()
{
    if (!m_hWnd)
        return;
    SetFont(GetLogFont(), TRUE);

    // The width of "0" in the window's own device context (the log font is
    // not selected into it) sets how many characters fit the screen's width.
    HDC dc = ::GetDC(m_hWnd);
    if (dc)
    {
        SIZE size = {};
        if (::GetTextExtentPoint32A(dc, "0", 1, &size) && size.cx > 0)
        {
            RECT desktop = {};
            ::GetWindowRect(::GetDesktopWindow(), &desktop);
            m_charsPerLine = (desktop.right - desktop.left) / size.cx;
        }
        ::ReleaseDC(m_hWnd, dc);
    }

    m_uiThreadId = ::GetWindowThreadProcessId(m_hWnd, NULL);
    if (m_subclassed && m_subclassedWnd != m_hWnd && ::IsWindow(m_subclassedWnd))
    {
        ::RemoveWindowSubclass(m_subclassedWnd, SubclassProc, kSubclassId);
        m_subclassed = false;
    }
    if (!m_subclassed)
    {
        m_subclassed = ::SetWindowSubclass(m_hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
        m_subclassedWnd = m_subclassed ? m_hWnd : NULL;
    }
    ::EnterCriticalSection(&m_queueLock);
    m_accepting = m_subclassed;
    ::LeaveCriticalSection(&m_queueLock);
}

LRESULT CALLBACK CCommLogCtrl::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR refData)
{
    CCommLogCtrl* self = reinterpret_cast<CCommLogCtrl*>(refData);
    if (uMsg == LogFlushMessage() || (uMsg == WM_TIMER && wParam == kFlushTimerId))
    {
        if (uMsg == WM_TIMER)
        {
            ::KillTimer(hWnd, kFlushTimerId);
            self->m_flushTimerArmed = false;
        }
        const DWORD ownerLeft = self->OwnerHoldLeft();
        if (ownerLeft > 0)
        {
            // The owner's next call writes; this timer takes over only when
            // the owner stops calling.
            self->m_writingDue = true;
            if (!self->m_flushTimerArmed && ::SetTimer(hWnd, kFlushTimerId, ownerLeft, NULL))
                self->m_flushTimerArmed = true;
            return 0;
        }
        self->FlushQueued();
        return 0;
    }
    if (uMsg == WM_PAINT && self->m_writingOpen)
    {
        // The writing under way draws the view once, when it ends.
        ::ValidateRect(hWnd, NULL);
        return 0;
    }
    if (uMsg == WM_TIMER && wParam == kShowLatestTimerId)
    {
        ::KillTimer(hWnd, kShowLatestTimerId);
        self->FlushQueued();
        self->ScrollToLatestLines();
        return 0;
    }
    if (ReadsTheText(uMsg))
        self->FlushQueued(); // whoever reads the view sees every line added
    if (uMsg == WM_NCDESTROY)
    {
        ::RemoveWindowSubclass(hWnd, SubclassProc, id);
        self->m_subclassed = false;
        self->m_subclassedWnd = NULL;
        ::EnterCriticalSection(&self->m_queueLock);
        self->m_accepting = false;
        // A view whose window is gone writes nothing (the handle may soon
        // name another window).
        if (self->m_hWnd == hWnd)
            self->m_hWnd = NULL;
        ::LeaveCriticalSection(&self->m_queueLock);
        self->FreeQueue();
    }
    return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

bool CCommLogCtrl::OnUiThread() const
{
    DWORD ui = m_uiThreadId ? m_uiThreadId : ::GetWindowThreadProcessId(m_hWnd, NULL);
    return ui == ::GetCurrentThreadId();
}

// A line of the UI thread joins the collected ones: they are written now
// when the last writing is a while ago, else by the flush timer.
void CCommLogCtrl::Collect(LineKind kind, COLORREF color, const void* data, int length)
{
    if (!Enqueue(kind, color, data, length, false) || m_flushTimerArmed)
        return;
    ArmFlushTimer();
}

void CCommLogCtrl::ArmFlushTimer()
{
    // The view never takes more than about a twentieth of the thread's time,
    // however fast the lines come: a writing that took long waits longer.
    UINT wait = kFlushIntervalMs;
    if (m_lastFlushCostMs * kFlushCostShare > wait)
        wait = m_lastFlushCostMs * kFlushCostShare;
    if (m_flushTimerArmed)
        ::KillTimer(m_hWnd, kFlushTimerId);
    m_flushTimerArmed = ::SetTimer(m_hWnd, kFlushTimerId, wait, NULL) != 0;
    if (!m_flushTimerArmed)
        FlushQueued();
}

void CCommLogCtrl::WriteCollectedWithin(UINT budgetMs)
{
    if (!m_hWnd || !::IsWindow(m_hWnd) || !OnUiThread())
        return;
    // Some calls apart and a flush interval more: when the owner stops
    // calling, its timer writes the rest soon, within half a second.
    m_ownerHolds = true;
    m_ownerCalledAt = m_tickSource();
    m_ownerHoldMs = std::min<UINT>(budgetMs, kMaxOwnerBudgetMs) * 8 + kFlushIntervalMs;
    if (!m_writingOpen && !m_writingDue)
        return;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const LONGLONG budget = static_cast<LONGLONG>(budgetMs ? budgetMs : 1) * frequency.QuadPart / 1000;
    if (!m_writingOpen)
    {
        m_writingDue = false;
        TakeQueued();
        if (!m_takenHead)
            return;
        WriteTaken(budget);
        return; // the drawing comes in a step of its own
    }
    if (m_takenHead)
    {
        WriteTaken(budget);
        return;
    }
    if (!m_writingTrimmed)
    {
        // Dropping the oldest lines costs the control more than writing
        // them: a few tens at a step.
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        m_writingNow = true;
        {
            CRedrawOff redrawOff(m_hWnd);
            m_writingTrimmed = TrimAtMost(kTrimStepLines);
        }
        m_writingNow = false;
        ::QueryPerformanceCounter(&end);
        m_writingCost += end.QuadPart - start.QuadPart;
        return;
    }
    FinishWriting();
}

// What is left of the owner's hold on the writing, in milliseconds; 0 when
// the owner holds none (never called, or its hold is over).
DWORD CCommLogCtrl::OwnerHoldLeft()
{
    if (!m_ownerHolds)
        return 0;
    const DWORD elapsed = m_tickSource() - m_ownerCalledAt;
    if (elapsed >= m_ownerHoldMs)
    {
        m_ownerHolds = false;
        return 0;
    }
    return m_ownerHoldMs - elapsed;
}

bool CCommLogCtrl::HoldsUnwrittenLines()
{
    ::EnterCriticalSection(&m_queueLock);
    const bool queued = m_queueHead != nullptr;
    ::LeaveCriticalSection(&m_queueLock);
    return queued || m_takenHead != nullptr;
}

// How many lines of the view a queued line makes (a dump wraps at the
// view's width, as WriteHexDump writes it).
int CCommLogCtrl::ViewLinesOf(const QueuedLine* line) const
{
    int startColumn = 4;
    switch (line->kind)
    {
    case kLineColor:
        return 0;
    case kLineText:
        return 1;
    case kLineRaw:
        startColumn = 12;
        break;
    default:
        break;
    }
    const int width = m_charsPerLine > 0 ? m_charsPerLine : 1;
    int lines = 0;
    int column = startColumn;
    for (int i = 0; i < line->length; ++i)
    {
        column += column ? 3 : 2;
        if (column >= width)
        {
            ++lines;
            column = 0;
        }
    }
    return column ? lines + 1 : lines;
}

bool CCommLogCtrl::Enqueue(LineKind kind, COLORREF color, const void* data, int length, bool wakeUiThread)
{
    if (length < 0)
        length = 0;
    QueuedLine* line = static_cast<QueuedLine*>(
        ::HeapAlloc(::GetProcessHeap(), 0, sizeof(QueuedLine) + (size_t)length));
    if (!line)
        return false;
    line->next = nullptr;
    line->kind = kind;
    line->color = color;
    line->length = length;
    if (length)
        memcpy(line->data, data, (size_t)length);
    line->data[length] = 0;

    bool wake = false;
    bool queued = false;
    HWND target = NULL;
    ::EnterCriticalSection(&m_queueLock);
    if (m_accepting && m_hWnd)
    {
        target = m_hWnd;
        // The wake-up is posted once for the lines of other threads; lines
        // of the UI thread before it do not count.
        wake = !m_wakeUpPosted;
        if (wakeUiThread)
            m_wakeUpPosted = true;
        if (m_queueTail)
            m_queueTail->next = line;
        else
            m_queueHead = line;
        m_queueTail = line;
        queued = true;
    }
    ::LeaveCriticalSection(&m_queueLock);
    if (!queued)
    {
        ::HeapFree(::GetProcessHeap(), 0, line);
        return false;
    }
    // Posted, never sent: this thread must not wait for the UI thread, which
    // may itself be waiting for this thread to end.
    if (wake && wakeUiThread)
        ::PostMessageA(target, LogFlushMessage(), 0, 0);
    return true;
}

void CCommLogCtrl::FlushQueued()
{
    DrainQueue(true);
}

void CCommLogCtrl::FreeQueue()
{
    DrainQueue(false);
}

// Moves every queued line to the end of the writing under way at once, so that
// other threads queue on meanwhile; the lines that the line limit would drop
// at once are counted for not being written at all.
void CCommLogCtrl::TakeQueued()
{
    ::EnterCriticalSection(&m_queueLock);
    QueuedLine* line = m_queueHead;
    QueuedLine* last = m_queueTail;
    m_queueHead = m_queueTail = nullptr;
    m_wakeUpPosted = false;
    ::LeaveCriticalSection(&m_queueLock);
    if (line)
    {
        if (m_takenTail)
            m_takenTail->next = line;
        else
            m_takenHead = line;
        m_takenTail = last;
    }
    m_takenSkipLines = 0;
    if (m_maxLines > 0)
    {
        int total = 0;
        for (const QueuedLine* l = m_takenHead; l; l = l->next)
            total += ViewLinesOf(l);
        m_takenSkipLines = total - m_maxLines;
    }
}

// Writes the taken lines, with the view's redraw off, until budgetCounts of
// time passed (0: all of them); the rest stays taken.
void CCommLogCtrl::WriteTaken(LONGLONG budgetCounts)
{
    LARGE_INTEGER start, now;
    ::QueryPerformanceCounter(&start);
    m_writingNow = true;
    // One drawing of the view for the whole writing, when it ends; the line
    // limit kept once at the end. The writing may go on over several calls
    // with the message loop between them: the view's drawing is off only
    // within each call, its painting held in between.
    if (!m_writingOpen)
    {
        m_writingOpen = true;
        m_writingTrimmed = false;
        m_writingCost = 0;
    }
    {
        CRedrawOff redrawOff(m_hWnd);
        while (m_takenHead)
        {
            QueuedLine* line = m_takenHead;
            m_takenHead = line->next;
            if (!m_takenHead)
                m_takenTail = nullptr;
            const int lines = ViewLinesOf(line);
            const bool written = m_takenSkipLines < lines || line->kind == kLineColor;
            if (written)
                WriteLine(line);
            m_takenSkipLines -= lines;
            ::HeapFree(::GetProcessHeap(), 0, line);
            if (written && budgetCounts)
            {
                ::QueryPerformanceCounter(&now);
                if (now.QuadPart - start.QuadPart >= budgetCounts)
                    break;
            }
        }
    }
    m_writingNow = false;
    ::QueryPerformanceCounter(&now);
    m_writingCost += now.QuadPart - start.QuadPart;
}

// Ends the writing: the line limit kept and the view painted now, so that
// the cost of the writing includes its drawing; the next writing waits in
// proportion to that cost.
void CCommLogCtrl::FinishWriting()
{
    if (!m_writingOpen)
        return;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    m_writingNow = true;
    {
        CRedrawOff redrawOff(m_hWnd);
        Trim();
    }
    m_writingOpen = false; // the view paints again
    Invalidate(TRUE);
    ::UpdateWindow(m_hWnd);
    m_writingNow = false;
    // A timer that fell due meanwhile does not cut the pause this writing
    // earned short.
    m_writingDue = false;
    ::QueryPerformanceCounter(&end);
    m_writingCost += end.QuadPart - start.QuadPart;
    m_lastFlushCostMs =
        frequency.QuadPart ? static_cast<UINT>(m_writingCost * 1000 / frequency.QuadPart) : 0;
    ::EnterCriticalSection(&m_queueLock);
    const bool more = m_queueHead != nullptr;
    ::LeaveCriticalSection(&m_queueLock);
    if (more)
    {
        ArmFlushTimer();
    }
    else if (m_flushTimerArmed)
    {
        // The next line arms it anew, with the pause this writing earned.
        ::KillTimer(m_hWnd, kFlushTimerId);
        m_flushTimerArmed = false;
    }
}

// Writes (while the window is there) or frees every line taken and queued,
// ending a writing under way.
void CCommLogCtrl::DrainQueue(bool write)
{
    const bool writing = write && m_hWnd && ::IsWindow(m_hWnd);
    if (!writing)
    {
        ::EnterCriticalSection(&m_queueLock);
        QueuedLine* line = m_queueHead;
        m_queueHead = m_queueTail = nullptr;
        m_wakeUpPosted = false;
        ::LeaveCriticalSection(&m_queueLock);
        for (QueuedLine* l : { m_takenHead, line })
        {
            while (l)
            {
                QueuedLine* next = l->next;
                ::HeapFree(::GetProcessHeap(), 0, l);
                l = next;
            }
        }
        m_takenHead = m_takenTail = nullptr;
        m_writingOpen = false;
        return;
    }
    if (m_writingNow)
        return; // the control's own messages while lines are written
    TakeQueued();
    if (!m_takenHead && !m_writingOpen)
        return;
    m_writingDue = false;
    WriteTaken(0);
    FinishWriting();
}

void CCommLogCtrl::WriteLine(const QueuedLine* line)
{
    switch (line->kind)
    {
    case kLineText:
        WriteText(reinterpret_cast<const char*>(line->data), line->color);
        break;
    case kLineFrameIn:
        WriteHexDump(line->data, line->length, " IN:", LOG_RED, LOG_BLACK, 4);
        break;
    case kLineFrameOut:
        WriteHexDump(line->data, line->length, "OUT:", LOG_BLUE, LOG_BLACK, 4);
        break;
    case kLineRaw:
        WriteHexDump(line->data, line->length, "RAW INPUT > ", LOG_MAGENTA, LOG_MAGENTA, 12);
        break;
    case kLineColor:
        ApplyColor(line->color);
        break;
    }
}

void CCommLogCtrl::SetMaxLines(int maxLines)
{
    m_maxLines = maxLines;
    Trim();
}

void CCommLogCtrl::SetColor(COLORREF color)
{
    if (!m_hWnd)
        return;
    if (!OnUiThread())
    {
        Enqueue(kLineColor, color, nullptr, 0, true);
        return;
    }
    Collect(kLineColor, color, nullptr, 0);
}

void CCommLogCtrl::ApplyColor(COLORREF color)
{
    // The selection is the insertion point at the end: this colours the text
    // appended next.
    CHARFORMATA cf = {};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR;
    cf.dwEffects = 0;
    cf.crTextColor = color;
    SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf);
}

void CCommLogCtrl::AddText(const char* text, COLORREF color)
{
    if (!m_hWnd)
        return;
    if (!text)
        text = "";
    if (!OnUiThread())
    {
        Enqueue(kLineText, color, text, (int)strlen(text), true);
        return;
    }
    Collect(kLineText, color, text, (int)strlen(text));
}

void CCommLogCtrl::AddTextFormat(const char* fmt, COLORREF color, ...)
{
    va_list args;
    va_start(args, color);
    AddTextFormatV(fmt, color, args);
    va_end(args);
}

void CCommLogCtrl::AddTextFormatV(const char* fmt, COLORREF color, va_list args)
{
    // Bounded and always terminated, whatever the arguments (a long path).
    char line[kMaxLineSize];
    FormatTextV(line, sizeof(line), fmt, args);
    AddText(line, color);
}

void CCommLogCtrl::AddFrameDump(const BYTE* bytes, int length, BOOL incoming)
{
    if (!m_hWnd || !bytes || length <= 0)
        return;
    if (!OnUiThread())
    {
        Enqueue(incoming ? kLineFrameIn : kLineFrameOut, LOG_BLACK, bytes, length, true);
        return;
    }
    Collect(incoming ? kLineFrameIn : kLineFrameOut, LOG_BLACK, bytes, length);
}

void CCommLogCtrl::AddRawInput(const BYTE* bytes, int length)
{
    if (!m_hWnd || !bytes || length <= 0)
        return;
    if (!OnUiThread())
    {
        Enqueue(kLineRaw, LOG_MAGENTA, bytes, length, true);
        return;
    }
    Collect(kLineRaw, LOG_MAGENTA, bytes, length);
}

void CCommLogCtrl::AppendPlain(const char* text, int length)
{
    if (!m_hWnd || !text || length <= 0)
        return;
    FlushQueued();
    // The control takes a zero-terminated text: copy the bytes given, no more.
    char* copy = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), 0, (size_t)length + 1));
    if (!copy)
        return;
    memcpy(copy, text, (size_t)length);
    copy[length] = 0;
    // The device's text in the view's own colour, whatever line came before.
    {
        CRedrawOff redrawOff(m_hWnd);
        AppendAtEnd(copy, LOG_BLACK);
        Trim();
    }
    Invalidate(TRUE);
    ::HeapFree(::GetProcessHeap(), 0, copy);
}

void CCommLogCtrl::Clear()
{
    if (!m_hWnd)
        return;
    FlushQueued();
    SendMessage(WM_SETTEXT, 0, (LPARAM)"");
}

void CCommLogCtrl::ShowLatestLines()
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    FlushQueued();
    ScrollToLatestLines();
    // A view that has just come up takes its new size into its scrolling
    // range only after the messages of its showing, its painting included:
    // once more then (a timer comes after them).
    ::SetTimer(m_hWnd, kShowLatestTimerId, 0, NULL);
}

void CCommLogCtrl::ScrollToLatestLines()
{
    // Both axes in one move: the control's own bottom and left scrolls each
    // move the other axis too.
    SCROLLINFO si = { sizeof(si), SIF_RANGE | SIF_PAGE };
    POINT to = { 0, 0 };
    if (::GetScrollInfo(m_hWnd, SB_VERT, &si))
        to.y = std::max(0, si.nMax - (int)si.nPage + 1); // the last page's top
    SendMessage(EM_SETSCROLLPOS, 0, (LPARAM)&to);
}

void CCommLogCtrl::AppendAtEnd(const char* text, COLORREF color)
{
    GETTEXTLENGTHEX gtl = { GTL_NUMCHARS | GTL_PRECISE, CP_ACP };
    LONG end = (LONG)SendMessage(EM_GETTEXTLENGTHEX, (WPARAM)&gtl, 0);
    CHARRANGE cr = { end, end };
    SendMessage(EM_EXSETSEL, 0, (LPARAM)&cr);
    // Placing the insertion point takes the colour of the text before it (or
    // of a found text the user selected): the colour is set only now.
    ApplyColor(color);
    SendMessage(EM_REPLACESEL, FALSE, (LPARAM)text);
}

void CCommLogCtrl::WriteText(const char* text, COLORREF color)
{
    // The line and its end in one insertion where it fits: each insertion
    // costs the control a layout pass.
    char line[kMaxLineSize + 2];
    size_t length = strlen(text);
    if (length + 2 < sizeof(line))
    {
        memcpy(line, text, length);
        memcpy(line + length, "\r\n", 3);
        AppendAtEnd(line, color);
    }
    else
    {
        AppendAtEnd(text, color);
        AppendAtEnd("\r\n", color);
    }
    ApplyColor(LOG_BLACK);
}

void CCommLogCtrl::WriteHexDump(const BYTE* bytes, int length, const char* prefix, COLORREF prefixColor,
                                COLORREF bytesColor, int startColumn)
{
    // The whole dump is built first and goes into the control in one
    // insertion after its prefix: three characters a byte at most, and a
    // line end for at most every byte.
    int width = m_charsPerLine > 0 ? m_charsPerLine : 1;
    size_t size = (size_t)length * 5 + 8;
    char* buf = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), 0, size));
    if (!buf)
        return;
    buf[0] = 0;

    int column = startColumn;
    for (int i = 0; i < length; ++i)
    {
        char piece[4];
        if (column)
        {
            FormatText(piece, sizeof(piece), " %02X", bytes[i]);
            column += 3;
        }
        else
        {
            FormatText(piece, sizeof(piece), "%02X", bytes[i]);
            column = 2;
        }
        AppendText(buf, size, piece);
        if (column >= width)
        {
            AppendText(buf, size, "\r\n");
            column = 0;
        }
    }
    if (column)
        AppendText(buf, size, "\r\n");

    AppendAtEnd(prefix, prefixColor);
    AppendAtEnd(buf, bytesColor);
    if (bytesColor != LOG_BLACK)
        ApplyColor(LOG_BLACK);
    ::HeapFree(::GetProcessHeap(), 0, buf);
}

void CCommLogCtrl::Trim()
{
    TrimAtMost(0);
}

bool CCommLogCtrl::TrimAtMost(int maxDrop)
{
    if (!m_hWnd || m_maxLines <= 0)
        return true;
    int count = (int)SendMessage(EM_GETLINECOUNT);
    if (count <= m_maxLines)
        return true;
    // Larger limits drop 10 or 100 lines more than needed, so that the
    // deletion does not run for every new line.
    int k;
    if (m_maxLines > 1000)
        k = count - m_maxLines + 100;
    else if (m_maxLines > 100)
        k = count - m_maxLines + 10;
    else
        k = count - m_maxLines - 1;
    if (k <= 0)
        return true;
    const bool all = maxDrop <= 0 || k <= maxDrop;
    if (!all)
        k = maxDrop;
    LONG start = (LONG)SendMessage(EM_LINEINDEX, (WPARAM)k);
    if (start <= 0)
        return true;
    CHARRANGE cr = { 0, start };
    SendMessage(EM_EXSETSEL, 0, (LPARAM)&cr);
    SendMessage(EM_REPLACESEL, FALSE, (LPARAM)"");
    GETTEXTLENGTHEX gtl = { GTL_NUMCHARS | GTL_PRECISE, CP_ACP };
    LONG end = (LONG)SendMessage(EM_GETTEXTLENGTHEX, (WPARAM)&gtl, 0);
    CHARRANGE at = { end, end };
    SendMessage(EM_EXSETSEL, 0, (LPARAM)&at);
    return all;
}

int CCommLogCtrl::Find(const char* text, BOOL matchCase, BOOL wholeWord)
{
    if (!m_hWnd || !text || !*text)
        return 0;
    FlushQueued();
    DWORD flags = FR_DOWN;
    if (matchCase)
        flags |= FR_MATCHCASE;
    if (wholeWord)
        flags |= FR_WHOLEWORD;

    CHARRANGE sel = {};
    SendMessage(EM_EXGETSEL, 0, (LPARAM)&sel);

    FINDTEXTEXA ft = {};
    ft.lpstrText = const_cast<char*>(text);
    ft.chrg.cpMin = sel.cpMax;
    ft.chrg.cpMax = -1;
    LRESULT at = SendMessage(EM_FINDTEXTEX, flags, (LPARAM)&ft);
    if (at < 0)
    {
        // Wrap around: from the start up to the end of the old selection.
        ft.chrg.cpMin = 0;
        ft.chrg.cpMax = sel.cpMax;
        at = SendMessage(EM_FINDTEXTEX, flags, (LPARAM)&ft);
    }
    if (at < 0)
        return 0;
    SendMessage(EM_EXSETSEL, 0, (LPARAM)&ft.chrgText);
    return 1;
}

int CCommLogCtrl::SaveToFile(const char* path, BOOL append)
{
    if (!m_hWnd || !path)
        return 0;
    FlushQueued();
    if (!append)
        TruncateFile(path);
    CDiskFile file;
    // Write access, no sharing, open or create.
    if (!file.Open(path, DISKFILE_WRITE))
        return 0;
    if (append)
        file.SeekToEnd();
    EDITSTREAM es = {};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&file);
    es.pfnCallback = StreamToFile;
    SendMessage(EM_STREAMOUT, SF_TEXT, (LPARAM)&es);
    file.Close();
    return 1;
}
