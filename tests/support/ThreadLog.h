#pragma once
#include "wcl/Win.h"
#include <algorithm>
#include <string>
#include <vector>

// A sink for the link's log lines (CommSetLogSink) that keeps them in order,
// from the UI thread and the link threads alike.
struct ThreadLog
{
    CRITICAL_SECTION cs;
    std::vector<std::string> lines;
    ThreadLog() { ::InitializeCriticalSection(&cs); }
    ~ThreadLog() { ::DeleteCriticalSection(&cs); }
    ThreadLog(const ThreadLog&) = delete;
    ThreadLog& operator=(const ThreadLog&) = delete;

    static void Sink(const char* text, COLORREF, void* context)
    {
        ThreadLog* self = static_cast<ThreadLog*>(context);
        ::EnterCriticalSection(&self->cs);
        self->lines.push_back(text);
        ::LeaveCriticalSection(&self->cs);
    }
    size_t Count(const std::string& line)
    {
        ::EnterCriticalSection(&cs);
        size_t n = (size_t)std::count(lines.begin(), lines.end(), line);
        ::LeaveCriticalSection(&cs);
        return n;
    }
    bool Has(const std::string& line) { return Count(line) != 0; }
};
