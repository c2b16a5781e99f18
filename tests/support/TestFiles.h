#pragma once
#include "wcl/Win.h"
#include <string>
#include <vector>

// Whole files for tests that check what the program wrote to disk, or give it
// a file to read.

// The file's bytes; "<missing>" when it cannot be opened. It may still be
// open for writing elsewhere (a log or an export the program keeps open).
inline std::string ReadWholeFile(const char* path)
{
    std::string data;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof(buf), &got, NULL) && got)
        data.append(buf, got);
    ::CloseHandle(h);
    return data;
}

// Replaces the file with these bytes; false when it could not be written.
inline bool WriteWholeFile(const char* path, const void* data, size_t size)
{
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const BOOL written = ::WriteFile(h, data, (DWORD)size, &put, NULL);
    ::CloseHandle(h);
    return written && put == size;
}

inline bool WriteWholeFile(const char* path, const std::string& data)
{
    return WriteWholeFile(path, data.data(), data.size());
}

inline bool WriteWholeFile(const char* path, const std::vector<BYTE>& data)
{
    return WriteWholeFile(path, data.data(), data.size());
}
