#include "comm/Link.h"
#include "comm/CommMessages.h"
#include "comm/Framing.h"
#include "comm/LinkLog.h"
#include "comm/SerialLink.h"
#include "comm/TcpLink.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"

namespace
{
struct LinkThread
{
    HANDLE handle;
    volatile DWORD id;
};

volatile LONG s_linkKind = LINK_SERIAL;
HWND volatile s_notifyWindow = NULL;
volatile LONG s_suspended = 1;
volatile LONG s_stop = 0;
LinkThread s_reader = { NULL, 0 };
LinkThread s_writer = { NULL, 0 };
UINT_PTR s_comTimer = 0;
int s_threadsLeftAtClose = 0;
bool s_portErrorShown = false;
bool s_threadErrorShown = false;

void DefaultErrorBox(const char* formatKey, const char* arg1, const char* arg2)
{
    g_Language.MessageBoxKeyFormat(formatKey, "strError", MB_OK | MB_ICONERROR, arg1, arg2);
}
LinkErrorBoxFn s_errorBox = DefaultErrorBox;

const char* OpenPortKey(int code)
{
    switch (code)
    {
    case OPEN_PORT_MISSING: return "strComError2";
    case OPEN_PORT_IN_USE: return "strComError3";
    case OPEN_PORT_SETTINGS: return "strComError4";
    default: return "strComError5";
    }
}

DWORD WINAPI ReaderThreadProc(LPVOID param)
{
    DWORD result = CommReaderThread(param);
    s_reader.id = 0;
    return result;
}

DWORD WINAPI WriterThreadProc(LPVOID param)
{
    DWORD result = CommWriterThread(param);
    s_writer.id = 0;
    return result;
}

bool ThreadAlive(const LinkThread& t)
{
    return t.handle && ::WaitForSingleObject(t.handle, 0) == WAIT_TIMEOUT;
}

// Waits for both threads to end, at most timeoutMs, handling messages sent to
// this thread meanwhile (a thread that sends to a window of ours must not
// block us nor we it). Returns how many are still running.
int WaitForThreads(DWORD timeoutMs)
{
    DWORD deadline = ::GetTickCount() + timeoutMs;
    for (;;)
    {
        HANDLE handles[2];
        DWORD count = 0;
        if (ThreadAlive(s_reader))
            handles[count++] = s_reader.handle;
        if (ThreadAlive(s_writer))
            handles[count++] = s_writer.handle;
        if (count == 0)
            return 0;
        DWORD now = ::GetTickCount();
        if ((LONG)(now - deadline) >= 0)
            return (int)count;
        DWORD r = ::MsgWaitForMultipleObjects(count, handles, FALSE, deadline - now, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 + count)
        {
            MSG msg;
            ::PeekMessage(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        else if (r == WAIT_FAILED)
        {
            return (int)count;
        }
        // A thread that ended or the deadline: count again.
    }
}

void CloseThreadHandle(LinkThread& t)
{
    if (t.handle)
        ::CloseHandle(t.handle);
    t.handle = NULL;
    t.id = 0;
}

// Created suspended, so that its id is stored before it runs.
bool StartLinkThread(LinkThread& t, LPTHREAD_START_ROUTINE proc, void* param)
{
    DWORD id = 0;
    t.handle = ::CreateThread(NULL, 0, proc, param, CREATE_SUSPENDED, &id);
    if (!t.handle)
        return false;
    t.id = id;
    ::ResumeThread(t.handle);
    return true;
}

bool StartThreads()
{
    LinkLog("Start threads");
    ::InterlockedExchange(&s_stop, 0);
    HANDLE queueReady = ::CreateEvent(NULL, TRUE, FALSE, NULL);
    if (!s_reader.handle)
        StartLinkThread(s_reader, ReaderThreadProc, NULL);
    if (!s_writer.handle && StartLinkThread(s_writer, WriterThreadProc, queueReady))
    {
        // The writer's queue must exist before anything is posted to it.
        HANDLE waits[2] = { queueReady, s_writer.handle };
        ::WaitForMultipleObjects(2, waits, FALSE, 5000);
    }
    ::CloseHandle(queueReady);
    bool ok = s_reader.handle && s_writer.handle;
    if (ok)
        LinkLog("O.K.");
    return ok;
}
}

void CommSetErrorBox(LinkErrorBoxFn box)
{
    s_errorBox = box ? box : DefaultErrorBox;
}

void CommShowErrorBox(const char* formatKey, const char* arg1, const char* arg2)
{
    s_errorBox(formatKey, arg1, arg2);
}

void CommLoadText(const char* key, char* text, int size)
{
    if (size <= 0)
        return;
    text[0] = '\0';
    g_Language.GetString(key, text, (size_t)size);
}

const char* SystemErrorText(DWORD code)
{
    static thread_local char text[1024];
    text[0] = '\0';
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code,
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), NULL);
    if (n >= sizeof(text))
        n = sizeof(text) - 1;
    text[n] = '\0';
    // System texts end in a line break; a log line does not want it.
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' '))
        text[--n] = '\0';
    return text;
}

HWND CommGetNotifyWindow()
{
    return s_notifyWindow;
}

void CommSetNotifyWindow(HWND window)
{
    s_notifyWindow = window;
}

int CommGetLinkKind()
{
    return (int)s_linkKind;
}

bool CommStopRequested()
{
    return s_stop != 0;
}

bool CommIsSuspended()
{
    return s_suspended != 0;
}

int CommThreadsLeftAtClose()
{
    return s_threadsLeftAtClose;
}

bool CommThreadsRunning()
{
    return ThreadAlive(s_reader) && ThreadAlive(s_writer);
}

int CommWriteBytes(const BYTE* bytes, int length)
{
    if (s_linkKind == LINK_TCP)
        return TcpSend(bytes, length);
    return SerialWrite(bytes, length);
}

int CommState()
{
    if (s_linkKind == LINK_TCP)
        return TcpState();
    return SerialIsOpen() ? 2 : 0;
}

int CommQueueSend(BYTE* message, int length)
{
    DWORD writer = s_writer.id;
    if (!message || writer == 0 || !::PostThreadMessage(writer, WMU_SEND_FRAME, (WPARAM)message, (LPARAM)length))
    {
        FreeCommBuffer(message);
        return 0;
    }
    return 1;
}

DWORD WINAPI CommReaderThread(LPVOID)
{
    if (s_linkKind != LINK_TCP)
    {
        SerialReaderLoop();
        return 0;
    }
    BYTE buffer[512];
    while (!CommStopRequested())
    {
        if (!TcpPoll(1000))
            continue;
        int n = TcpReceive(buffer, sizeof(buffer));
        if (n > 0)
            DeframeBytes(buffer, n);
    }
    return 0;
}

int CommInit(HWND window, int quiet)
{
    LinkLog("Init communication");
    LONG kind = g_Settings.ComMode == LINK_TCP ? LINK_TCP : LINK_SERIAL;
    // Threads of the other link kind (a suspended serial link, an idle TCP
    // reader) would go on serving the old kind: stop them too.
    if (SerialIsOpen() || TcpState() != TCP_CLOSED || (s_reader.handle && kind != s_linkKind))
        CommClose();

    s_linkKind = kind;
    if (s_linkKind == LINK_SERIAL)
        SerialConfigure(g_Settings.VirtualComPort, g_Settings.Baudrate);
    if (window)
        s_notifyWindow = window;

    if (s_linkKind == LINK_SERIAL)
    {
        int code = OpenPort();
        ::InterlockedExchange(&s_suspended, 0);
        if (code != OPEN_PORT_OK)
        {
            if (!quiet && !s_portErrorShown)
            {
                char text[260];
                CommLoadText(OpenPortKey(code), text, sizeof(text));
                s_portErrorShown = true;
                CommShowErrorBox("strComError1", SerialPortName(), text);
                s_portErrorShown = false;
            }
            return 0;
        }
    }
    else
    {
        TcpConnect(s_notifyWindow);
        if (TcpState() == TCP_CLOSED)
            return 0;
    }

    if (!s_reader.handle || !s_writer.handle)
        StartThreads();

    if (s_reader.handle && s_writer.handle)
    {
        ::SetThreadPriority(s_reader.handle, THREAD_PRIORITY_ABOVE_NORMAL);
        if (!s_comTimer)
        {
            s_comTimer = ::SetTimer(NULL, 0, 1000, ComTimer);
            LinkLogFormat("ComTimer started (%d)", (int)s_comTimer);
        }
        return 1;
    }

    DWORD error = ::GetLastError();
    LinkLogFormat("Error %lu - %s", error, SystemErrorText(error));
    CommClose();
    if (!quiet && !s_threadErrorShown)
    {
        s_threadErrorShown = true;
        CommShowErrorBox("strComError6", "", "");
        s_threadErrorShown = false;
    }
    return 0;
}

void CommSuspend()
{
    if (!SerialIsOpen())
    {
        ::InterlockedExchange(&s_suspended, 1);
        return;
    }
    // Suspended first, so the reader does not reopen what we close.
    ::InterlockedExchange(&s_suspended, 1);
    LinkLogFormat("Close port %s", SerialPortName());
    SerialClearEventMask();
    SerialClosePort();
}

void CommClose()
{
    LinkLog("Close communication");
    ::InterlockedExchange(&s_stop, 1);
    if (s_linkKind == LINK_SERIAL)
        SerialClearEventMask();
    else
        TcpClose();
    if (s_writer.id)
        ::PostThreadMessage(s_writer.id, WMU_SEND_FRAME, 0, 0);
    s_threadsLeftAtClose = WaitForThreads(5000);
    CloseThreadHandle(s_reader);
    CloseThreadHandle(s_writer);
    if (s_comTimer)
    {
        ::KillTimer(NULL, s_comTimer);
        s_comTimer = 0;
    }
    ResetReceiveState(true);
    if (s_linkKind == LINK_SERIAL)
        SerialShutdown();
    else
        TcpClose();
}
