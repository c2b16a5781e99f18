#pragma once
#include "wcl/Window.h"

// Log colours (COLORREF 0x00BBGGRR).
enum : COLORREF
{
    LOG_BLACK = 0x000000,
    LOG_RED = 0x0000FF,     // " IN:" prefix, link layer texts, monitor banners
    LOG_BLUE = 0xFF0000,    // "OUT:" prefix
    LOG_TEAL = 0x808000,    // protocol engine steps
    LOG_OLIVE = 0x008080,   // firmware file reader texts
    LOG_MAGENTA = 0xFF00FF, // raw input, USB device changes
};

// The coloured text view of the communication log and of the monitor log,
// over a rich edit 2.0 control that its owner creates and attaches.
class CCommLogCtrl : public CWindow
{
public:
    CCommLogCtrl() = default;
    virtual ~CCommLogCtrl();

    void Init();
    void SetMaxLines(int maxLines);
    int GetMaxLines() const { return m_maxLines; }
    int GetCharsPerLine() const { return m_charsPerLine; }
    void SetCharsPerLine(int chars) { m_charsPerLine = chars; }

    void SetColor(COLORREF color);
    void AddText(const char* text, COLORREF color);
    void AddTextFormat(const char* fmt, COLORREF color, ...) __attribute__((format(printf, 2, 4)));
    void AddFrameDump(const BYTE* bytes, int length, BOOL incoming);
    void AddRawInput(const BYTE* bytes, int length);

    int Find(const char* text, BOOL matchCase, BOOL wholeWord);
    int SaveToFile(const char* path, BOOL append);
    void Trim();

private:
    int m_charsPerLine = 140;
    int m_maxLines = 1000;
};
