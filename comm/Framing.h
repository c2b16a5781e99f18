#pragma once
#include "wcl/Win.h"

// Frames on the wire: 0x7E, the message with 0x7E, 0x7A and 0xCD escaped, 0x7A.
//   0x7E -> CD 01, 0x7A -> CD 10, 0xCD -> CD CD, any other byte as itself.
enum : BYTE
{
    FRAME_START = 0x7E,
    FRAME_END = 0x7A,
    FRAME_ESCAPE = 0xCD,
};

// Writes leave in pieces of at least this many bytes (at most 61), with a 1 ms
// pause after each piece: the device's receiver takes short bursts best.
const int FRAME_PIECE_SIZE = 60;
const DWORD FRAME_PIECE_PAUSE_MS = 1;

// The receive buffer; the longest message the deframer accepts is one byte less.
const int FRAME_RECEIVE_SIZE = 258;
const int FRAME_MAX_MESSAGE = FRAME_RECEIVE_SIZE - 1;

// Where the writer's pieces go: returns the bytes written.
typedef int (*FrameWriteFn)(const BYTE* bytes, int length, void* context);

// Frames one message and hands it to write piece by piece, pausing 1 ms after
// each piece (pauseMs 0 leaves the pauses out). Returns the number of pieces.
int WriteFramedMessage(const BYTE* message, int length, FrameWriteFn write, void* context,
                       DWORD pauseMs = FRAME_PIECE_PAUSE_MS);

// The writer thread: frames and writes every WMU_SEND_FRAME until a zero/zero
// message or the link's stop flag, then frees whatever is still queued. Its
// pause after each piece and frame runs from when that write returned to the
// start of the next write, so taking and framing the next message count in it.
// lpParam is an event it sets once its message queue exists.
DWORD WINAPI CommWriterThread(LPVOID lpParam);

// The receive deframer, fed by the reader thread. Every completed frame is
// posted to the link's notify window as WMU_FRAME_RECEIVED; when the post fails
// the buffer is freed at once.
//   DeframeByte: one byte, with the frame lock held by the caller.
//   DeframeBytes: a chunk, taking the frame lock itself.
void DeframeByte(BYTE b);
void DeframeBytes(const BYTE* bytes, int length);

// Back to "outside a frame". freeBuffer also releases a buffer still held
// (link closed); otherwise an abandoned buffer is kept for the next frame.
void ResetReceiveState(bool freeBuffer);

// One idle tick of the deframer under the frame lock: true when a frame that
// stalled for 3 ticks was dropped.
bool DeframerTick();

// The link's 1-second thread timer: drops a stalled frame and logs
// "Communication timeout".
void CALLBACK ComTimer(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

// The frame lock: guards the receive state. Created with the program, never
// deleted, so a late thread can always take it.
void LockFrame();
void UnlockFrame();
