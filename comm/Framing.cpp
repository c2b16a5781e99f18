#include "comm/Framing.h"
#include "comm/CommMessages.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/CommLogCtrl.h"

namespace
{
// A lock that exists for the whole run: constructed before any thread, never
// deleted.
struct CFrameLock
{
    CRITICAL_SECTION cs;
    CFrameLock() { ::InitializeCriticalSection(&cs); }
};
CFrameLock s_frameLock;

// Receive state, guarded by the frame lock.
struct ReceiveState
{
    BYTE inFrame;
    BYTE escape;
    BYTE idleTicks;
    int index;
    BYTE* buffer;
};
ReceiveState s_rx = { 0, 0, 0, 0, NULL };

// Appends the stuffed form of b at piece[used]; returns the new fill.
int StuffByte(BYTE* piece, int used, BYTE b)
{
    switch (b)
    {
    case FRAME_START:
        piece[used++] = FRAME_ESCAPE;
        piece[used++] = 0x01;
        break;
    case FRAME_END:
        piece[used++] = FRAME_ESCAPE;
        piece[used++] = 0x10;
        break;
    case FRAME_ESCAPE:
        piece[used++] = FRAME_ESCAPE;
        piece[used++] = FRAME_ESCAPE;
        break;
    default:
        piece[used++] = b;
        break;
    }
    return used;
}

// The writer's pause between two writes, counted from when the previous
// write returned: the time the writer spends taking the next message and
// framing it is part of the pause, not added to it.
struct PieceGap
{
    LONGLONG frequency;
    LONGLONG lastWriteEnd; // 0 before the first write
};

LONGLONG PerformanceNow()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Waits until the pause after the previous write is over. A sleep of the
// system would overshoot the millisecond by a tenth or more, and the pause
// comes after every piece: the last part is waited by yielding.
void WaitForPieceGap(const PieceGap& gap)
{
    if (!gap.lastWriteEnd)
        return;
    const LONGLONG due = gap.lastWriteEnd + gap.frequency * FRAME_PIECE_PAUSE_MS / 1000;
    for (;;)
    {
        const LONGLONG left = due - PerformanceNow();
        if (left <= 0)
            return;
        ::Sleep(left > gap.frequency * 3 / 2000 ? 1 : 0);
    }
}

int WriteToLink(const BYTE* bytes, int length, void* context)
{
    PieceGap* gap = static_cast<PieceGap*>(context);
    WaitForPieceGap(*gap);
    const int written = CommWriteBytes(bytes, length);
    gap->lastWriteEnd = PerformanceNow();
    return written;
}

// Frees the messages still queued for a writer that stops.
void DropQueuedFrames()
{
    MSG msg;
    while (::PeekMessage(&msg, NULL, WMU_SEND_FRAME, WMU_SEND_FRAME, PM_REMOVE))
        FreeCommBuffer((void*)msg.wParam);
}
}

void LockFrame()
{
    ::EnterCriticalSection(&s_frameLock.cs);
}

void UnlockFrame()
{
    ::LeaveCriticalSection(&s_frameLock.cs);
}

int WriteFramedMessage(const BYTE* message, int length, FrameWriteFn write, void* context,
                       DWORD pauseMs)
{
    // A stuffed byte takes two places, so a piece holds at most 61 bytes.
    BYTE piece[64];
    int used = 0;
    int pieces = 0;
    piece[used++] = FRAME_START;
    for (int i = 0; i < length; ++i)
    {
        used = StuffByte(piece, used, message[i]);
        if (used >= FRAME_PIECE_SIZE)
        {
            write(piece, used, context);
            ++pieces;
            used = 0;
            if (pauseMs)
                ::Sleep(pauseMs);
        }
    }
    piece[used++] = FRAME_END;
    write(piece, used, context);
    ++pieces;
    if (pauseMs)
        ::Sleep(pauseMs);
    return pieces;
}

DWORD WINAPI CommWriterThread(LPVOID lpParam)
{
    MSG msg;
    // Create the message queue before CommInit goes on: a message posted
    // before it exists would be lost.
    ::PeekMessage(&msg, NULL, WM_USER, WM_USER, PM_NOREMOVE);
    if (lpParam)
        ::SetEvent((HANDLE)lpParam);
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    PieceGap gap = { frequency.QuadPart, 0 };

    while (::GetMessage(&msg, NULL, WMU_SEND_FRAME, WMU_SEND_FRAME) > 0)
    {
        BYTE* message = (BYTE*)msg.wParam;
        int length = (int)msg.lParam;
        if ((!message && length == 0) || CommStopRequested())
        {
            FreeCommBuffer(message);
            break;
        }
        if (!message)
            continue;
        if (length > 0 && length <= COMM_MESSAGE_SIZE)
            WriteFramedMessage(message, length, WriteToLink, &gap, 0); // WriteToLink pauses
        FreeCommBuffer(message);
    }
    DropQueuedFrames();
    return 0;
}

void DeframeByte(BYTE b)
{
    if (b == FRAME_START)
    {
        if (!s_rx.buffer)
            s_rx.buffer = (BYTE*)AllocCommBuffer(FRAME_RECEIVE_SIZE, false);
        s_rx.inFrame = s_rx.buffer ? 1 : 0;
        s_rx.idleTicks = 0;
        s_rx.index = 0;
        s_rx.escape = 0;
        return;
    }
    if (!s_rx.inFrame)
        return;

    s_rx.idleTicks = 0;
    switch (b)
    {
    case FRAME_END:
    {
        BYTE* message = s_rx.buffer;
        int length = s_rx.index;
        s_rx.buffer = NULL;
        s_rx.inFrame = 0;
        s_rx.escape = 0;
        HWND window = CommGetNotifyWindow();
        if (!window || !::PostMessage(window, WMU_FRAME_RECEIVED, (WPARAM)message, (LPARAM)length))
            FreeCommBuffer(message);
        return;
    }
    case FRAME_ESCAPE:
        if (s_rx.escape)
        {
            s_rx.buffer[s_rx.index++] = FRAME_ESCAPE;
            s_rx.escape = 0;
        }
        else
        {
            s_rx.escape = FRAME_ESCAPE;
        }
        break;
    case 0x01:
        s_rx.buffer[s_rx.index++] = s_rx.escape ? FRAME_START : 0x01;
        s_rx.escape = 0;
        break;
    case 0x10:
        s_rx.buffer[s_rx.index++] = s_rx.escape ? FRAME_END : 0x10;
        s_rx.escape = 0;
        break;
    default:
        s_rx.buffer[s_rx.index++] = b;
        s_rx.escape = 0;
        break;
    }
    // A body that fills the buffer is overlong: drop it, keep the buffer.
    if (s_rx.index >= FRAME_RECEIVE_SIZE)
    {
        s_rx.inFrame = 0;
        s_rx.escape = 0;
        s_rx.index = 0;
    }
}

void DeframeBytes(const BYTE* bytes, int length)
{
    LockFrame();
    for (int i = 0; i < length; ++i)
        DeframeByte(bytes[i]);
    UnlockFrame();
}

void ResetReceiveState(bool freeBuffer)
{
    LockFrame();
    s_rx.inFrame = 0;
    s_rx.escape = 0;
    s_rx.idleTicks = 0;
    s_rx.index = 0;
    if (freeBuffer)
    {
        FreeCommBuffer(s_rx.buffer);
        s_rx.buffer = NULL;
    }
    UnlockFrame();
}

bool DeframerTick()
{
    bool dropped = false;
    LockFrame();
    if (s_rx.inFrame && ++s_rx.idleTicks >= 3)
    {
        s_rx.inFrame = 0;
        s_rx.escape = 0;
        s_rx.index = 0;
        dropped = true;
    }
    UnlockFrame();
    return dropped;
}

void CALLBACK ComTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (DeframerTick())
        LinkLog("Communication timeout");
}
