#pragma once
#include "wcl/Win.h"

class CCommLogCtrl;

// The link's lines in the communication log. The link writes only when a log
// is attached (the main frame attaches it when the log tab exists).
//
// Threads: the reader and writer threads log too. They never send anything to
// the UI thread: CCommLogCtrl's appending operations queue a heap copy of the
// line when called from another thread and post the control a wake-up, and
// the UI thread writes the queued lines in call order. So CommClose may wait
// for the threads while they log. Attach and detach on the UI thread, and
// detach (CommSetLog(NULL)) before the control is destroyed.
void CommSetLog(CCommLogCtrl* log);
CCommLogCtrl* CommGetLog();

// A replacement for the log control (tests): receives every line with its
// colour, from whichever thread logs it; raw input arrives as "RAW" + hex.
typedef void (*LinkLogSink)(const char* text, COLORREF color, void* context);
void CommSetLogSink(LinkLogSink sink, void* context);

// Link texts are red.
void LinkLog(const char* text);
void LinkLogFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LinkLogColorFormat(COLORREF color, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// A chunk of bytes as read from the serial port.
void LinkLogRaw(const BYTE* bytes, int length);
