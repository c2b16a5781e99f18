#include "comm/SerialLink.h"
#include "comm/Framing.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"


namespace
{
// The port lock and the three overlapped events exist for the whole run:
// a thread that outlives CommClose can still use them safely.
struct CPortObjects
{
    CRITICAL_SECTION lock;
    HANDLE readEvent;
    HANDLE writeEvent;
    HANDLE waitEvent;
    CPortObjects()
    {
        ::InitializeCriticalSection(&lock);
        readEvent = ::CreateEvent(NULL, TRUE, FALSE, NULL);
        writeEvent = ::CreateEvent(NULL, TRUE, FALSE, NULL);
        waitEvent = ::CreateEvent(NULL, TRUE, FALSE, NULL);
    }
};
CPortObjects s_objects;

HANDLE s_port = INVALID_HANDLE_VALUE;
// Counts the opens of the port, so the reader knows a handle it waits on.
volatile LONG s_opens = 0;
char s_portName[32] = "";
DWORD s_baudrate = 115200;

HANDLE DefaultOpen(const char* path)
{
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, NULL);
}
PortOpenFn s_open = DefaultOpen;

HANDLE CurrentPort()
{
    ::EnterCriticalSection(&s_objects.lock);
    HANDLE h = s_port;
    ::LeaveCriticalSection(&s_objects.lock);
    return h;
}

void ClearPortError(HANDLE h, COMSTAT* status)
{
    DWORD errors = 0;
    COMSTAT local = {};
    ::ClearCommError(h, &errors, status ? status : &local);
}

void LogError(const char* what, DWORD error)
{
    LinkLogFormat("%s %lu - %s", what, error, SystemErrorText(error));
}

// The device went away under us (USB unplugged): close and try once to open
// it again.
void ReopenAfterAccessDenied()
{
    SerialClosePort();
    OpenPort();
}

// Reads everything queued and feeds it to the deframer; returns the bytes read.
int ReadQueued()
{
    BYTE buffer[512];
    int total = 0;
    bool more = true;
    while (more && !CommStopRequested())
    {
        more = false;
        int n = SerialRead(buffer, sizeof(buffer), &more);
        if (n <= 0)
            break;
        total += n;
        if (g_Settings.CommunicationLogRawInput)
            LinkLogRaw(buffer, n);
        DeframeBytes(buffer, n);
    }
    return total;
}

volatile LONG s_readerPasses = 0;
const DWORD kIdleRestMs = 5;
}

PortOpenFn SetPortOpenFunction(PortOpenFn open)
{
    PortOpenFn previous = s_open;
    s_open = open ? open : DefaultOpen;
    return previous;
}

void SerialConfigure(const char* portName, DWORD baudrate)
{
    CopyText(s_portName, sizeof(s_portName), portName);
    s_baudrate = baudrate;
}

const char* SerialPortName()
{
    return s_portName;
}

bool SerialIsOpen()
{
    return CurrentPort() != INVALID_HANDLE_VALUE;
}

int OpenPort()
{
    char path[48];
    FormatText(path, sizeof(path), "\\\\.\\%s", s_portName);

    ::EnterCriticalSection(&s_objects.lock);
    if (s_port != INVALID_HANDLE_VALUE)
    {
        ::LeaveCriticalSection(&s_objects.lock);
        return OPEN_PORT_OK;
    }
    LinkLogFormat("Open port %s (%lu b/s)", s_portName, s_baudrate);
    HANDLE h = s_open(path);
    if (h == INVALID_HANDLE_VALUE)
    {
        DWORD error = ::GetLastError();
        ::LeaveCriticalSection(&s_objects.lock);
        LogError("Error", error);
        if (error == ERROR_FILE_NOT_FOUND)
            return OPEN_PORT_MISSING;
        if (error == ERROR_ACCESS_DENIED)
            return OPEN_PORT_IN_USE;
        return OPEN_PORT_FAILED;
    }

    ::SetCommMask(h, EV_RXCHAR | EV_ERR);
    ::SetupComm(h, 1024, 1024);
    ::PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD; // reads return at once with what is queued
    ::SetCommTimeouts(h, &timeouts);

    // Start from the driver's own settings (its flow-control characters among
    // them) and set what the device needs; every other flag off.
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    ::GetCommState(h, &dcb);
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.BaudRate = s_baudrate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(h, &dcb))
    {
        DWORD error = ::GetLastError();
        ::CloseHandle(h);
        ::LeaveCriticalSection(&s_objects.lock);
        LogError("SetCommState Error", error);
        return OPEN_PORT_SETTINGS;
    }
    // Fails on a pseudo terminal; the line is up anyway.
    ::EscapeCommFunction(h, SETDTR);
    s_port = h;
    ::InterlockedIncrement(&s_opens);
    ::LeaveCriticalSection(&s_objects.lock);

    ResetReceiveState(true);
    LinkLog("O.K.");
    return OPEN_PORT_OK;
}

void SerialClosePort()
{
    ::EnterCriticalSection(&s_objects.lock);
    for (int attempt = 0; attempt < 10 && s_port != INVALID_HANDLE_VALUE; ++attempt)
    {
        if (::CloseHandle(s_port))
        {
            s_port = INVALID_HANDLE_VALUE;
            break;
        }
        DWORD error = ::GetLastError();
        ::LeaveCriticalSection(&s_objects.lock);
        LogError("Close Error", error);
        ::Sleep(200);
        ::EnterCriticalSection(&s_objects.lock);
    }
    ::LeaveCriticalSection(&s_objects.lock);
}

void SerialClearEventMask()
{
    ::EnterCriticalSection(&s_objects.lock);
    if (s_port != INVALID_HANDLE_VALUE)
        ::SetCommMask(s_port, 0);
    ::LeaveCriticalSection(&s_objects.lock);
}

void SerialShutdown()
{
    ::EnterCriticalSection(&s_objects.lock);
    bool open = s_port != INVALID_HANDLE_VALUE;
    if (open)
    {
        ::EscapeCommFunction(s_port, CLRDTR);
        ::PurgeComm(s_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    ::LeaveCriticalSection(&s_objects.lock);
    if (open)
    {
        LinkLogFormat("Close port %s", s_portName);
        SerialClosePort();
    }
}

int SerialWrite(const BYTE* bytes, int length)
{
    HANDLE h = CurrentPort();
    if (h == INVALID_HANDLE_VALUE || length <= 0)
        return 0;
    OVERLAPPED ov = {};
    ov.hEvent = s_objects.writeEvent;
    ::ResetEvent(ov.hEvent);
    DWORD written = 0;
    if (::WriteFile(h, bytes, (DWORD)length, &written, &ov))
        return (int)written;
    DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING)
    {
        if (!::GetOverlappedResult(h, &ov, &written, TRUE))
            ClearPortError(h, NULL);
        return (int)written;
    }
    LogError("Write Error", error);
    ClearPortError(h, NULL);
    if (error == ERROR_ACCESS_DENIED)
        ReopenAfterAccessDenied();
    return 0;
}

int SerialRead(BYTE* buffer, int maximum, bool* moreWaiting)
{
    if (moreWaiting)
        *moreWaiting = false;
    HANDLE h = CurrentPort();
    if (h == INVALID_HANDLE_VALUE || maximum <= 0)
        return 0;
    COMSTAT status = {};
    ClearPortError(h, &status);
    if (status.cbInQue == 0)
        return 0;
    DWORD wanted = status.cbInQue < (DWORD)maximum ? status.cbInQue : (DWORD)maximum;
    OVERLAPPED ov = {};
    ov.hEvent = s_objects.readEvent;
    ::ResetEvent(ov.hEvent);
    DWORD got = 0;
    if (!::ReadFile(h, buffer, wanted, &got, &ov))
    {
        DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING)
        {
            if (!::GetOverlappedResult(h, &ov, &got, TRUE))
                got = 0;
        }
        else
        {
            LogError("Read Error", error);
            ClearPortError(h, NULL);
            got = 0;
        }
    }
    if (moreWaiting)
        *moreWaiting = status.cbInQue > got;
    return (int)got;
}

void SerialReaderLoop()
{
    // Some ports end every wait for a port event at once without an event
    // (a pseudo terminal, some redirectors), and under Wine each such wait
    // costs more processor time than the rest it is followed by. After two
    // such waits in a row the reader stops waiting on that open of the port
    // and looks at its input queue every 5 ms instead.
    LONG waitsOpen = -1;     // the open the empty waits were counted on
    int emptyWaits = 0;
    LONG pollingOpen = -1;   // the open on which the reader polls
    while (!CommStopRequested())
    {
        ::InterlockedIncrement(&s_readerPasses);
        HANDLE h = CurrentPort();
        if (h == INVALID_HANDLE_VALUE)
        {
            ::Sleep(500);
            if (CommStopRequested())
                break;
            if (!CommIsSuspended())
                OpenPort();
            continue;
        }
        LONG open = s_opens;
        if (open == pollingOpen)
        {
            if (ReadQueued() == 0 && !CommStopRequested())
                ::Sleep(kIdleRestMs);
            continue;
        }

        DWORD mask = 0;
        OVERLAPPED ov = {};
        ov.hEvent = s_objects.waitEvent;
        ::ResetEvent(ov.hEvent);
        BOOL ok = ::WaitCommEvent(h, &mask, &ov);
        DWORD error = ok ? 0 : ::GetLastError();
        if (!ok && error == ERROR_IO_PENDING)
        {
            DWORD unused = 0;
            ok = ::GetOverlappedResult(h, &ov, &unused, TRUE);
            error = ok ? 0 : ::GetLastError();
        }
        if (CommStopRequested())
            break;

        if (!ok && error == ERROR_ACCESS_DENIED)
        {
            ClearPortError(h, NULL);
            ReopenAfterAccessDenied();
            continue;
        }
        if (ok && (mask & EV_ERR))
            ClearPortError(h, NULL);

        bool noEvent = ok ? mask == 0 : error == ERROR_OPERATION_ABORTED;
        if (open != waitsOpen)
        {
            waitsOpen = open;
            emptyWaits = 0;
        }
        emptyWaits = noEvent ? emptyWaits + 1 : 0;
        if (emptyWaits >= 2 && SerialIsOpen())
            pollingOpen = open;

        // Whatever ended the wait, take what is queued. A wait that brought
        // nothing to read rests a moment, so the reader never spins.
        if (ReadQueued() == 0 && !CommStopRequested())
            ::Sleep(kIdleRestMs);
    }
}

LONG SerialReaderPasses()
{
    return s_readerPasses;
}
