#pragma once
#include "comm/LmfFile.h"
#include "comm/WaveFile.h"
#include "tests/support/TestFiles.h"
#include <cstring>
#include <string>
#include <vector>

// Firmware and announcement files built byte by byte, for the file readers'
// tests and for the updates that send them.
namespace commtest
{
typedef std::vector<BYTE> Bytes;

inline void Put16(Bytes& v, size_t at, WORD x)
{
    v[at] = (BYTE)x;
    v[at + 1] = (BYTE)(x >> 8);
}

inline void Put32(Bytes& v, size_t at, DWORD x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = (BYTE)(x >> (8 * i));
}

// An LmF file: blocks of a 12-byte header ("LmF", type, address, size) and
// their data.
struct LmfImage
{
    Bytes bytes;

    LmfImage& Header(BYTE type, DWORD address, DWORD size, const char* magic = "LmF")
    {
        bytes.insert(bytes.end(), magic, magic + 3);
        bytes.push_back(type);
        bytes.resize(bytes.size() + 8);
        Put32(bytes, bytes.size() - 8, address);
        Put32(bytes, bytes.size() - 4, size);
        return *this;
    }
    LmfImage& Block(BYTE type, DWORD address, const Bytes& data)
    {
        Header(type, address, (DWORD)data.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    // A block of size bytes counting up from seed.
    LmfImage& Filled(BYTE type, DWORD address, DWORD size, BYTE seed = 0) { return Block(type, address, Counting(size, seed)); }

    static Bytes Counting(DWORD size, BYTE seed)
    {
        Bytes data(size);
        for (DWORD i = 0; i < size; ++i)
            data[i] = (BYTE)(seed + i);
        return data;
    }
};

// Data of an identification block: some code, the identification, its zero
// byte, padding zeros and the version text.
inline Bytes IdData(size_t lead, const std::string& version, size_t zeros = 2)
{
    Bytes data(lead, 0x5A);
    const char* id = kLmfDeviceIdentification;
    data.insert(data.end(), id, id + strlen(id) + 1);
    data.insert(data.end(), zeros, 0);
    data.insert(data.end(), version.begin(), version.end());
    data.push_back(0);
    return data;
}

// An A-law announcement in the "fact" layout the device takes, with samples
// sample bytes that differ from their neighbours: RIFF size, an 18-byte
// format chunk (A-law, mono, 8000 Hz, 8 bits), a 4-byte fact chunk and data.
inline Bytes FactWave(size_t samples)
{
    static const BYTE header[58] = {
        'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0, 6, 0, 1, 0, 0x40, 0x1F, 0, 0,
        0x40, 0x1F, 0, 0, 1, 0, 8, 0, 0, 0, 'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0, 0, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0 };
    Bytes v(58 + samples);
    for (size_t i = 58; i < v.size(); ++i)
        v[i] = (BYTE)(i * 7);
    memcpy(&v[0], header, sizeof(header));
    Put32(v, 4, (DWORD)v.size() - 8);
    Put32(v, 46, (DWORD)samples);
    Put32(v, 54, (DWORD)samples);
    return v;
}

// A firmware file of two blocks: an identification block of 0xE0 bytes at
// 0x60100000 and a data block of 0x14 bytes at 0x6010FFF8 that crosses the
// 64 KiB boundary.
inline Bytes IdBlockData()
{
    Bytes data = LmfImage::Counting(0xE0, 0x10);
    const char* id = kLmfDeviceIdentification;
    memcpy(&data[16], id, strlen(id) + 1);
    memcpy(&data[16 + strlen(id) + 1], "V5.1", 5);
    return data;
}

inline bool WriteSmallFirmware(const char* path)
{
    return WriteWholeFile(path, LmfImage().Block(1, 0x60100000, IdBlockData()).Filled(0, 0x6010FFF8, 0x14, 0x80).bytes);
}

// Opens and checks the file as the frame does before an update.
inline bool OpenForUpdate(CLmfFile& lmf, const char* path)
{
    DWORD start, size;
    if (!lmf.Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING) || lmf.Load() != LMF_LOAD_OK ||
        !lmf.CheckAddressSpace(&start, &size) || !lmf.CheckIdentification(nullptr))
        return false;
    lmf.ResetProgress();
    return true;
}

inline bool OpenForUpdate(CWaveFile& wave, const char* path)
{
    return wave.Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING) && wave.Open() == WAVE_OK;
}
} // namespace commtest
