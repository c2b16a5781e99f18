#include "comm/TcpLink.h"
#include "comm/CommMessages.h"
#include "comm/EngineStatus.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"

namespace
{
// Guards the socket, its generation and the state. Never deleted.
struct CTcpLock
{
    CRITICAL_SECTION cs;
    CTcpLock() { ::InitializeCriticalSection(&cs); }
};
CTcpLock s_lock;

SOCKET s_socket = INVALID_SOCKET;
LONG s_generation = 0;
volatile LONG s_state = TCP_CLOSED;
volatile LONG s_error = TCP_ERROR_NONE;
HWND s_notifyWindow = NULL;
bool s_errorBoxShown = false;

struct Snapshot
{
    SOCKET socket;
    LONG generation;
    LONG state;
};

Snapshot Current()
{
    ::EnterCriticalSection(&s_lock.cs);
    Snapshot s = { s_socket, s_generation, s_state };
    ::LeaveCriticalSection(&s_lock.cs);
    return s;
}

// Takes the socket of 'generation' out of the shared state and closes it;
// nothing when that socket is already gone.
void DropSocket(LONG generation)
{
    ::EnterCriticalSection(&s_lock.cs);
    SOCKET s = INVALID_SOCKET;
    bool connected = false;
    if (generation == s_generation && s_socket != INVALID_SOCKET)
    {
        s = s_socket;
        connected = s_state == TCP_CONNECTED;
        s_socket = INVALID_SOCKET;
    }
    if (generation == s_generation)
        s_state = TCP_CLOSED;
    HWND notify = s_notifyWindow;
    ::LeaveCriticalSection(&s_lock.cs);
    if (s == INVALID_SOCKET)
        return;
    LinkLog("Disconnect");
    if (connected)
        ::shutdown(s, SD_BOTH);
    ::closesocket(s);
    if (notify)
        ::PostMessage(notify, WMU_ENGINE_STATUS, ENGINE_STATUS_LINK_STATE, 0);
}

// Waits for one socket condition; returns select's result and sets the flags.
int WaitSocket(SOCKET s, DWORD ms, bool forWrite, bool* ready, bool* exception)
{
    fd_set set, except;
    FD_ZERO(&set);
    FD_ZERO(&except);
    FD_SET(s, &set);
    FD_SET(s, &except);
    timeval tv = { (long)(ms / 1000), (long)((ms % 1000) * 1000) };
    int r = ::select(0, forWrite ? NULL : &set, forWrite ? &set : NULL, &except, &tv);
    *ready = r > 0 && FD_ISSET(s, &set);
    *exception = r > 0 && FD_ISSET(s, &except);
    return r;
}

bool TcpConnectStart()
{
    ::EnterCriticalSection(&s_lock.cs);
    SOCKET s = s_socket;
    ::LeaveCriticalSection(&s_lock.cs);
    if (s == INVALID_SOCKET)
    {
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
        {
            LinkLogFormat("socket() error - %d", ::WSAGetLastError());
            s_error = TCP_ERROR_SOCKET;
            return false;
        }
        ::EnterCriticalSection(&s_lock.cs);
        s_socket = s;
        ++s_generation;
        ::LeaveCriticalSection(&s_lock.cs);
    }
    LONG generation = Current().generation;
    LinkLog("Socket OK");
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    BOOL noDelay = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&noDelay, sizeof(noDelay));

    sockaddr_in address = {};
    if (!TcpResolveAddress(g_Settings.TcpAddress, (int)g_Settings.TcpPort, &address))
    {
        LinkLog("Invalid address!");
        DropSocket(generation);
        s_error = TCP_ERROR_ADDRESS;
        return false;
    }
    LinkLogFormat("Connecting to %s:%d", ::inet_ntoa(address.sin_addr), (int)ntohs(address.sin_port));
    if (::connect(s, (sockaddr*)&address, sizeof(address)) == 0)
    {
        LinkLog("Connected");
        return true;
    }
    int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return false;
    LinkLogFormat("connect() error - %d", error);
    DropSocket(generation);
    s_error = TCP_ERROR_CONNECT;
    return false;
}
}

int WinsockStartup()
{
    WSADATA data;
    int result = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (result != 0)
    {
        LinkLogFormat("WSAStartup() failed - %d", result);
        return 0;
    }
    LinkLogFormat("Winsock %d.%d", LOBYTE(data.wVersion), HIBYTE(data.wVersion));
    return 1;
}

void WinsockCleanup()
{
    TcpClose();
    ::WSACleanup();
}

bool TcpResolveAddress(const char* text, int port, sockaddr_in* address)
{
    if (!text || !*text)
        return false;
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((u_short)port);
    a.sin_addr.s_addr = ::inet_addr(text);
    if (a.sin_addr.s_addr == INADDR_NONE)
    {
        hostent* host = ::gethostbyname(text);
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
            return false;
        memcpy(&a.sin_addr, host->h_addr_list[0], sizeof(a.sin_addr));
    }
    *address = a;
    return true;
}

bool TcpConnect(HWND window)
{
    LinkLogFormat("TCP Connect - %s:%d", g_Settings.TcpAddress, (int)g_Settings.TcpPort);
    ::EnterCriticalSection(&s_lock.cs);
    s_notifyWindow = window;
    LONG state = s_state;
    ::LeaveCriticalSection(&s_lock.cs);
    if (state == TCP_CONNECTED)
        return true;
    if (state == TCP_CONNECTING)
        return false;
    s_error = TCP_ERROR_NONE;
    s_state = TCP_CONNECTING;
    if (TcpConnectStart())
    {
        s_state = TCP_CONNECTED;
    }
    else
    {
        ::EnterCriticalSection(&s_lock.cs);
        if (s_socket == INVALID_SOCKET)
            s_state = TCP_CLOSED;
        ::LeaveCriticalSection(&s_lock.cs);
    }
    return s_state == TCP_CONNECTED;
}

bool TcpPoll(DWORD ms)
{
    Snapshot s = Current();
    if (s.socket == INVALID_SOCKET)
    {
        // Idle without a socket; short enough that a new connection is
        // picked up at once.
        ::Sleep(10);
        return false;
    }
    bool ready = false, exception = false;
    if (s.state == TCP_CONNECTING)
    {
        int r = WaitSocket(s.socket, ms, true, &ready, &exception);
        if (r < 0)
        {
            LinkLogFormat("select() error - %d", ::WSAGetLastError());
            DropSocket(s.generation);
            s_error = TCP_ERROR_EXCEPTION;
            return false;
        }
        int soError = 0;
        int size = sizeof(soError);
        if (ready && ::getsockopt(s.socket, SOL_SOCKET, SO_ERROR, (char*)&soError, &size) == 0 && soError)
            exception = true;
        if (exception)
        {
            LinkLog("Connect exception");
            DropSocket(s.generation);
            s_error = TCP_ERROR_EXCEPTION;
            return false;
        }
        if (ready)
        {
            ::EnterCriticalSection(&s_lock.cs);
            bool current = s.generation == s_generation && s_socket != INVALID_SOCKET;
            if (current)
                s_state = TCP_CONNECTED;
            ::LeaveCriticalSection(&s_lock.cs);
            if (current)
            {
                LinkLog("Connected");
                s_error = TCP_ERROR_NONE;
            }
        }
        return false;
    }
    if (s.state != TCP_CONNECTED)
        return false;
    int r = WaitSocket(s.socket, ms, false, &ready, &exception);
    if (r < 0)
    {
        LinkLogFormat("select() error - %d", ::WSAGetLastError());
        DropSocket(s.generation);
        return false;
    }
    if (exception)
    {
        LinkLog("Connect exception");
        DropSocket(s.generation);
        return false;
    }
    return ready;
}

int TcpSend(const BYTE* bytes, int length)
{
    Snapshot s = Current();
    if (s.socket == INVALID_SOCKET || s.state != TCP_CONNECTED)
        return 0;
    int sent = 0;
    while (sent < length)
    {
        int n = ::send(s.socket, (const char*)bytes + sent, length - sent, 0);
        if (n > 0)
        {
            sent += n;
            continue;
        }
        int error = ::WSAGetLastError();
        if (n < 0 && error == WSAEWOULDBLOCK)
        {
            bool ready = false, exception = false;
            int r = WaitSocket(s.socket, 1000, true, &ready, &exception);
            if (r > 0 && ready && !exception)
                continue;
            if (r == 0)
            {
                // The device takes nothing for a second: give up on this piece
                // and leave the connection to the engine's time-outs.
                LinkLogFormat("send() error - %d", WSAETIMEDOUT);
                return sent;
            }
            error = r < 0 ? ::WSAGetLastError() : WSAECONNRESET;
        }
        LinkLogFormat("send() error - %d", error);
        DropSocket(s.generation);
        return 0;
    }
    return sent;
}

int TcpReceive(BYTE* buffer, int maximum)
{
    Snapshot s = Current();
    if (s.socket == INVALID_SOCKET || s.state != TCP_CONNECTED)
        return 0;
    int n = ::recv(s.socket, (char*)buffer, maximum, 0);
    if (n > 0)
        return n;
    if (n == 0)
    {
        LinkLog("Connection closed");
        DropSocket(s.generation);
        return 0;
    }
    int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return 0;
    LinkLogFormat("read() error - %d", error);
    DropSocket(s.generation);
    return 0;
}

void TcpDisconnect()
{
    DropSocket(Current().generation);
    s_state = TCP_CLOSED;
    s_error = TCP_ERROR_NONE;
}

void TcpClose()
{
    TcpDisconnect();
}

int TcpState()
{
    return (int)s_state;
}

int TcpLastError()
{
    return (int)s_error;
}

void ShowTcpError()
{
    const char* key = NULL;
    switch (s_error)
    {
    case TCP_ERROR_ADDRESS: key = "strTcpError3"; break;
    case TCP_ERROR_SOCKET: key = "strTcpError2"; break;
    case TCP_ERROR_CONNECT:
    case TCP_ERROR_EXCEPTION: key = "strTcpError4"; break;
    default: return;
    }
    if (s_errorBoxShown)
        return;
    char text[260];
    CommLoadText(key, text, sizeof(text));
    char target[96];
    FormatText(target, sizeof(target), "%s:%d", g_Settings.TcpAddress, (int)g_Settings.TcpPort);
    s_errorBoxShown = true;
    CommShowErrorBox("strTcpError1", target, text);
    s_errorBoxShown = false;
}
