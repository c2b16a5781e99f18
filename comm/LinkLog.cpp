#include "comm/LinkLog.h"
#include "comm/CommLogCtrl.h"
#include "base/TextUtil.h"
#include <cstdarg>

namespace
{
CCommLogCtrl* volatile s_log = NULL;
LinkLogSink volatile s_sink = NULL;
void* volatile s_sinkContext = NULL;

void Emit(const char* text, COLORREF color)
{
    LinkLogSink sink = s_sink;
    if (sink)
    {
        sink(text, color, s_sinkContext);
        return;
    }
    CCommLogCtrl* log = s_log;
    if (log)
        log->AddText(text, color);
}

void EmitFormatV(COLORREF color, const char* fmt, va_list args)
{
    if (!s_sink && !s_log)
        return;
    char line[CCommLogCtrl::kMaxLineSize];
    FormatTextV(line, sizeof(line), fmt, args);
    Emit(line, color);
}
}

void CommSetLog(CCommLogCtrl* log)
{
    s_log = log;
}

CCommLogCtrl* CommGetLog()
{
    return s_log;
}

void CommSetLogSink(LinkLogSink sink, void* context)
{
    s_sinkContext = context;
    s_sink = sink;
}

void LinkLog(const char* text)
{
    Emit(text, LOG_RED);
}

void LinkLogFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    EmitFormatV(LOG_RED, fmt, args);
    va_end(args);
}

void LinkLogColorFormat(COLORREF color, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    EmitFormatV(color, fmt, args);
    va_end(args);
}

void LinkLogRaw(const BYTE* bytes, int length)
{
    LinkLogSink sink = s_sink;
    if (sink)
    {
        char line[3 + 3 * 64 + 1];
        CopyText(line, sizeof(line), "RAW");
        for (int i = 0; i < length && i < 64; ++i)
        {
            char hex[4];
            FormatText(hex, sizeof(hex), " %02X", bytes[i]);
            AppendText(line, sizeof(line), hex);
        }
        sink(line, LOG_MAGENTA, s_sinkContext);
        return;
    }
    CCommLogCtrl* log = s_log;
    if (log)
        log->AddRawInput(bytes, length);
}
