#pragma once
#include "wcl/Win.h"

// The TCP side of the link: one non-blocking client socket to the device's
// LAN interface ("TcpAddress" : "TcpPort").
//
// The socket is handed over atomically: whichever thread disconnects takes
// the socket out of the shared state and closes it; a thread that failed on
// a socket that has since been replaced does not touch the new one. So the
// socket is closed once and status 500 is posted once per connection.

enum TcpLinkState
{
    TCP_CLOSED = 0,
    TCP_CONNECTING = 1,
    TCP_CONNECTED = 2,
};

// Last error codes, for ShowTcpError.
enum TcpLinkError
{
    TCP_ERROR_NONE = 0,
    TCP_ERROR_ADDRESS = 1,   // "strTcpError3"
    TCP_ERROR_SOCKET = 2,    // "strTcpError2"
    TCP_ERROR_CONNECT = 3,   // "strTcpError4"
    TCP_ERROR_EXCEPTION = 4, // "strTcpError4"
};

int WinsockStartup();
void WinsockCleanup();

// Starts a connection; true when connected at once. window receives status
// 500 on every disconnect.
bool TcpConnect(HWND window);
// Waits up to ms: while connecting, for the connection to complete (then
// false); while connected, for data (true).
bool TcpPoll(DWORD ms);
// Sends all bytes, waiting up to 1 s at a time for the socket to take more;
// returns the bytes sent, 0 on failure. Only a real error disconnects.
int TcpSend(const BYTE* bytes, int length);
int TcpReceive(BYTE* buffer, int maximum);
void TcpDisconnect();
void TcpClose();
int TcpState();
int TcpLastError();
bool TcpResolveAddress(const char* text, int port, sockaddr_in* address);
void ShowTcpError();
