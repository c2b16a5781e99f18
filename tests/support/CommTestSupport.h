#pragma once
#include "comm/LmfFile.h"
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
// sample bytes that differ from their neighbours.
inline Bytes FactWave(size_t samples)
{
    Bytes v(58 + samples);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = (BYTE)(i * 7);
    memcpy(&v[0], "RIFF", 4);
    Put32(v, 4, (DWORD)v.size() - 8);
    memcpy(&v[8], "WAVEfmt ", 8);
    Put32(v, 16, 18);
    Put16(v, 20, 6);
    Put16(v, 22, 1);
    Put32(v, 24, 8000);
    Put32(v, 28, 8000);
    Put16(v, 32, 1);
    Put16(v, 34, 8);
    Put16(v, 36, 0);
    memcpy(&v[38], "fact", 4);
    Put32(v, 42, 4);
    Put32(v, 46, (DWORD)samples);
    memcpy(&v[50], "data", 4);
    Put32(v, 54, (DWORD)samples);
    return v;
}
} // namespace commtest
