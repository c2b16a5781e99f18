#include "base/TextUtil.h"
#include <cstdio>
#include <cstring>

int FormatTextV(char* buf, size_t size, const char* fmt, va_list args)
{
    if (!buf || size == 0)
        return 0;
    // msvcrt's _vsnprintf neither terminates a cut result nor returns its
    // length (-1): terminate and measure here.
    vsnprintf(buf, size, fmt ? fmt : "", args);
    buf[size - 1] = '\0';
    return (int)strlen(buf);
}

int FormatText(char* buf, size_t size, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = FormatTextV(buf, size, fmt, args);
    va_end(args);
    return n;
}

size_t CopyText(char* dst, size_t size, const char* src)
{
    if (!dst || size == 0)
        return 0;
    size_t n = src ? strnlen(src, size - 1) : 0;
    if (n)
        memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}

size_t AppendText(char* dst, size_t size, const char* src)
{
    if (!dst || size == 0)
        return 0;
    size_t used = strnlen(dst, size - 1);
    return used + CopyText(dst + used, size - used, src);
}

void FolderOfFile(const char* path, char* folder, size_t size)
{
    CopyText(folder, size, path ? path : "");
    char* slash = strrchr(folder, '\\');
    if (slash)
        slash[1] = 0;
    else if (size)
        folder[0] = 0;
}
