#pragma once
#include "wcl/Win.h"

// The serial side of the link: the port handle under the port lock, overlapped
// reads, writes and port events.

// Result codes of OpenPort.
enum OpenPortResult
{
    OPEN_PORT_OK = 0,          // open (or already open)
    OPEN_PORT_MISSING = 1,     // "strComError2": the port does not exist
    OPEN_PORT_IN_USE = 2,      // "strComError3": access denied
    OPEN_PORT_SETTINGS = 3,    // "strComError4": SetCommState refused
    OPEN_PORT_FAILED = 4,      // "strComError5": any other error
};

// The port name (at most 31 characters) and line speed the next OpenPort uses.
void SerialConfigure(const char* portName, DWORD baudrate);
const char* SerialPortName();

int OpenPort();
bool SerialIsOpen();
// Closes the handle: up to 10 attempts, 200 ms apart.
void SerialClosePort();
// Clears the event mask, which wakes a reader waiting for a port event.
void SerialClearEventMask();
// Lowers DTR, purges both directions and closes (the link is being closed).
void SerialShutdown();

int SerialWrite(const BYTE* bytes, int length);
int SerialRead(BYTE* buffer, int maximum, bool* moreWaiting);

// The reader thread's serial loop; returns when the link's stop flag is set.
// A pass that finds nothing to read rests 5 ms before it waits again.
void SerialReaderLoop();
// How many passes the reader loop has made (it counts every wait for a port
// event and every rest while the port is closed).
LONG SerialReaderPasses();

// How the port is opened (tests replace it to play a port in use): a handle
// or INVALID_HANDLE_VALUE with the error in GetLastError.
typedef HANDLE (*PortOpenFn)(const char* path);
PortOpenFn SetPortOpenFunction(PortOpenFn open);
