#pragma once
#include <cstdarg>
#include <cstddef>

// Bounded text handling, used wherever text meets the device, a file or a
// control. Every result is zero-terminated, also when it had to be cut.

// printf-style formatting into buf of size bytes; returns the length written
// (cut at size - 1), or 0 for a zero size.
int FormatText(char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int FormatTextV(char* buf, size_t size, const char* fmt, va_list args);

// Copies at most size - 1 characters of src; returns the length copied.
size_t CopyText(char* dst, size_t size, const char* src);

// Appends src after the text already in dst, bounded by size.
size_t AppendText(char* dst, size_t size, const char* src);

// The folder of a file path as every remembered folder is kept: with its
// trailing backslash; empty when the path names no folder.
void FolderOfFile(const char* path, char* folder, size_t size);
