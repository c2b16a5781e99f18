#pragma once
#include "base/DiskFile.h"

// Results of CWaveFile::Open.
enum WaveOpenResult
{
    WAVE_OK = 0,
    WAVE_NOT_OPEN = 1,
    WAVE_EMPTY = 2,
    WAVE_TOO_LARGE = 3,
    WAVE_BAD_FORMAT = 4,
};

// Reader of an announcement: a RIFF/WAVE file of 8 kHz, mono, 8-bit A-law
// (format tag 6) with exactly the expected 58-byte header. The whole file,
// header included, goes to the device, addressed by file offset.
class CWaveFile : public CDiskFile
{
public:
    // The header the device expects; the samples follow it.
    static const int kHeaderSize = 58;
    // The largest RIFF size the device stores (the file is 8 bytes more).
    static const DWORD kMaxRiffSize = 0x3FF00;

    CWaveFile();
    virtual ~CWaveFile();

    using CDiskFile::Open;
    // Checks the already opened file (WaveOpenResult). A file that is larger
    // than the announcement limit is refused as too large even when its
    // header claims less.
    int Open();

    // Reads count bytes at the reader position without moving it.
    DWORD Read(void* buffer, DWORD count);
    // Moves the reader position by count: -1 when it reaches or passes the
    // end of the file; with no buffer 0; else the bytes read at the new
    // position.
    int Advance(void* buffer, DWORD count);
    DWORD Position() const { return m_position; }
    // The size of the file as the check found it: the end of what is sent,
    // even when the file can no longer tell its size.
    DWORD Size() const { return m_size; }

    // The header as read; after a check that found "data" at 38 it is in the
    // "fact" layout (data id and size at 50 and 54, bytes 38 to 49 zero).
    const BYTE* GetHeader() const { return m_header; }

private:
    BYTE m_header[kHeaderSize];
    DWORD m_position;
    DWORD m_size;
};
