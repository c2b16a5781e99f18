#pragma once
#include "wcl/Win.h"

// The device link: a serial port (the device's USB serial port or any COM
// port) or a TCP connection, chosen by g_Settings.ComMode. One reader thread
// feeds the deframer, one writer thread frames and writes; a 1-second thread
// timer (ComTimer) drops stalled frames. All functions but the thread
// procedures are called on the UI thread.

enum LinkKind
{
    LINK_SERIAL = 0,
    LINK_TCP = 1,
};

// Starts the link from the settings; window receives WMU_FRAME_RECEIVED and
// the link's statuses (NULL keeps the stored one). quiet suppresses the error
// boxes (start-up connect, USB arrival, reconnects). 1 started, 0 failed.
// Returns only after the writer thread takes messages.
int CommInit(HWND window, int quiet);

// Stops the threads, the timer and the port or socket; always completes. It
// waits for the threads at most 5 s, handling sent messages meanwhile.
void CommClose();

// Serial form of disconnecting: closes the port, the threads keep running and
// do not reopen it until CommInit or the device's USB arrival.
void CommSuspend();

// The state of the link, the same numbers for both kinds: a serial port is
// closed or connected, a TCP link also connecting.
enum LinkState
{
    LINK_CLOSED = 0,
    LINK_CONNECTING = 1,
    LINK_CONNECTED = 2,
};
// Serial: LINK_CONNECTED when the port is open, else LINK_CLOSED. TCP: TcpState.
int CommState();

// Hands a finished message (process heap) to the writer thread, which frees
// it. 1 queued; 0 when no writer runs (the message is freed at once).
int CommQueueSend(BYTE* message, int length);

// The stored notify window, the link kind of the last CommInit and whether
// the threads were told to stop.
HWND CommGetNotifyWindow();
// Sets the window that receives WMU_FRAME_RECEIVED without starting the link
// (CommInit sets it too).
void CommSetNotifyWindow(HWND window);
int CommGetLinkKind();
bool CommStopRequested();
// Whether the serial link was suspended (the reader does not reopen the port).
bool CommIsSuspended();
// Whether the reader and writer threads run.
bool CommThreadsRunning();
// How many link threads the last CommClose left running when its wait ran
// out (0 when both ended as they were told).
int CommThreadsLeftAtClose();

// Writes one piece of a frame to the link (serial or TCP).
int CommWriteBytes(const BYTE* bytes, int length);

DWORD WINAPI CommReaderThread(LPVOID lpParam);

// The system's text for a Windows error code (one shared buffer, UI thread
// and link threads alike: copy it before the next call).
const char* SystemErrorText(DWORD code);

// Error boxes of the link: key of the box text (a format with two %s),
// its two arguments; caption "strError", error icon. Replaceable for tests.
typedef void (*LinkErrorBoxFn)(const char* formatKey, const char* arg1, const char* arg2);
void CommSetErrorBox(LinkErrorBoxFn box);
void CommShowErrorBox(const char* formatKey, const char* arg1, const char* arg2);
// The text of a language key, bounded (the link's keys of its error boxes).
void CommLoadText(const char* key, char* text, int size);
