#pragma once
#include "wcl/Win.h"

// Window messages between the link threads, the protocol engine and the main
// frame. Buffers that travel with them come from the process heap: the sender
// allocates, the receiver frees with FreeCommBuffer.

// Thread message to the writer thread: wParam = message buffer, lParam = its
// length (N + 3). A zero buffer with a zero length stops the writer.
const UINT WMU_SEND_FRAME = WM_APP + 1;

// Posted to the notify window (the main frame) for every received message:
// wParam = buffer holding the unstuffed message, lParam = its length.
const UINT WMU_FRAME_RECEIVED = WM_APP + 1;

// Sent by the engine to the main frame: (3, 1) before a request, make sure the
// link is up; (1, 0) after a refused password, ask for it. Non-zero = go on.
const UINT WMU_ENSURE_LOGIN = WM_APP + 2;
// What the engine asks with WMU_ENSURE_LOGIN (wParam).
enum EnsureLoginRequest
{
    ENSURE_ASK_PASSWORD = 1, // the device refused the password: ask the user
    ENSURE_LINK = 3,         // a request is about to go out: connect when needed
};

// Posted to the main frame by the engine and the TCP link: wParam = status
// code, lParam = result.
const UINT WMU_ENGINE_STATUS = WM_APP + 5;

// The size of every message buffer, sent or received.
const int COMM_MESSAGE_SIZE = 258;

inline void* AllocCommBuffer(SIZE_T size, bool zeroFill)
{
    return ::HeapAlloc(::GetProcessHeap(), zeroFill ? HEAP_ZERO_MEMORY : 0, size);
}

inline void FreeCommBuffer(void* buffer)
{
    if (buffer)
        ::HeapFree(::GetProcessHeap(), 0, buffer);
}
