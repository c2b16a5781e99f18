#include "comm/WaveFile.h"
#include <cstring>

namespace
{
DWORD Le32(const BYTE* p)
{
    return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24);
}

WORD Le16(const BYTE* p)
{
    return (WORD)(p[0] | (p[1] << 8));
}
}

CWaveFile::CWaveFile() : m_position(0), m_size(0)
{
    memset(m_header, 0, sizeof(m_header));
}

CWaveFile::~CWaveFile() = default;

int CWaveFile::Open()
{
    m_position = 0;
    m_size = 0;
    if (!IsOpen())
        return WAVE_NOT_OPEN;
    DWORD fileSize = GetSize();
    if (fileSize == 0)
        return WAVE_EMPTY;

    if (!SeekToBegin() || CDiskFile::Read(m_header, kHeaderSize) < (DWORD)kHeaderSize)
        return WAVE_BAD_FORMAT;

    const BYTE* h = m_header;
    if (memcmp(h, "RIFF", 4) != 0)
        return WAVE_BAD_FORMAT;
    // The whole file is sent: what counts is its real size as well as what
    // the header says.
    if (Le32(h + 4) > kMaxRiffSize || fileSize - 8 > kMaxRiffSize)
        return WAVE_TOO_LARGE;
    if (memcmp(h + 8, "WAVE", 4) != 0 || memcmp(h + 12, "fmt ", 4) != 0 || Le32(h + 16) != 18 ||
        Le16(h + 20) != 6 || Le16(h + 22) != 1 || Le32(h + 24) != 8000 || Le32(h + 28) != 8000 ||
        Le16(h + 32) != 1 || Le16(h + 34) != 8 || Le16(h + 36) != 0)
        return WAVE_BAD_FORMAT;

    if (memcmp(h + 38, "fact", 4) == 0)
    {
        if (Le32(h + 42) != 4)
            return WAVE_BAD_FORMAT;
    }
    else if (memcmp(h + 38, "data", 4) == 0)
    {
        memmove(m_header + 50, m_header + 38, 8);
        memset(m_header + 38, 0, 12);
    }
    if (memcmp(h + 50, "data", 4) != 0)
        return WAVE_BAD_FORMAT;
    m_size = fileSize;
    return WAVE_OK;
}

DWORD CWaveFile::Read(void* buffer, DWORD count)
{
    if (!buffer || !Seek(m_position))
        return 0;
    return CDiskFile::Read(buffer, count);
}

int CWaveFile::Advance(void* buffer, DWORD count)
{
    // The end is the checked size: a file that fails to tell its size now
    // must not look finished (the device would store half an announcement).
    m_position += count;
    if (m_position >= m_size)
        return -1;
    if (!buffer)
        return 0;
    return (int)Read(buffer, count);
}
