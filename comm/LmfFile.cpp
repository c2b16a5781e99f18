#include "comm/LmfFile.h"
#include "comm/CommLogCtrl.h"
#include "base/TextUtil.h"
#include <cstdarg>
#include <cstring>

const char kLmfDeviceIdentification[] = "Orvand Vox_Q7R KVD208";

namespace
{
const DWORD kHeaderSize = 12;

DWORD LittleEndian32(const BYTE* p)
{
    return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24);
}
}

CLmfFile::CLmfFile() = default;

CLmfFile::~CLmfFile()
{
    Close();
}

bool CLmfFile::Open(const char* path, DWORD flags)
{
    if (IsOpen())
        Close();
    return CDiskFile::Open(path, flags);
}

void CLmfFile::Close()
{
    m_blocks.Clear();
    CDiskFile::Close();
}

bool CLmfFile::AddAllowedRange(DWORD start, DWORD size)
{
    LmfRange range = { start, size };
    return m_ranges.Add(range);
}

void CLmfFile::LogLine(const char* fmt, ...)
{
    if (!m_log)
        return;
    va_list args;
    va_start(args, fmt);
    m_log->AddTextFormatV(fmt, LOG_OLIVE, args);
    va_end(args);
}

int CLmfFile::Load()
{
    LogLine("Load LmF file %s", GetPath());
    m_blocks.Clear();
    ResetProgress();
    if (!IsOpen())
        return LMF_LOAD_NOT_OPEN;

    DWORD fileSize = GetSize();
    if (fileSize == 0)
        return LMF_LOAD_EMPTY;
    LogLine("File size: %d", (int)fileSize);
    if (!SeekToBegin())
        return LMF_LOAD_FORMAT;

    // Positions in 64 bits: a block size near 4 GiB must not wrap past the
    // end-of-file check.
    unsigned long long position = 0;
    bool identified = false;
    for (;;)
    {
        BYTE header[kHeaderSize];
        DWORD got = Read(header, kHeaderSize);
        if (got == 0)
            break;
        if (got < kHeaderSize)
            return LMF_LOAD_FORMAT;
        position += kHeaderSize;

        BYTE type = header[3];
        DWORD address = LittleEndian32(header + 4);
        DWORD size = LittleEndian32(header + 8);
        if (memcmp(header, "LmF", 3) != 0 || size == 0)
            return LMF_LOAD_FORMAT;
        LogLine("> LmF block: type=%d,addr=%#x,size=%#x", type, (unsigned)address, (unsigned)size);
        if (type != LMF_BLOCK_DATA && type != LMF_BLOCK_IDENTIFIED)
            return LMF_LOAD_FORMAT;
        // A block whose data runs past the end of the file would fail
        // halfway through flashing: refuse the file as truncated.
        if (position + size > fileSize)
            return LMF_LOAD_FORMAT;

        LmfBlock block = { address, size, type, (DWORD)position };
        if (!m_blocks.Add(block))
            return LMF_LOAD_FORMAT;
        if (type == LMF_BLOCK_IDENTIFIED)
            identified = true;

        position += size;
        if (!Seek((DWORD)position))
            return LMF_LOAD_FORMAT;
    }

    if (m_blocks.Count() == 0)
        return LMF_LOAD_FORMAT;
    if (identified || !m_idRequired)
        return LMF_LOAD_OK;
    return LMF_LOAD_FORMAT;
}

int CLmfFile::CheckAddressSpace(DWORD* start, DWORD* size)
{
    if (m_ranges.Count() == 0 || m_blocks.Count() == 0)
        return 1;
    for (int b = 0; b < m_blocks.Count(); ++b)
    {
        const LmfBlock& block = m_blocks[b];
        // In 64 bits: a block or range reaching past 4 GiB must not wrap.
        unsigned long long blockEnd = (unsigned long long)block.address + block.size;
        bool fits = false;
        for (int r = 0; r < m_ranges.Count() && !fits; ++r)
        {
            const LmfRange& range = m_ranges[r];
            unsigned long long rangeEnd = (unsigned long long)range.start + range.size;
            fits = block.address >= range.start && blockEnd <= rangeEnd;
        }
        if (!fits)
        {
            if (start)
                *start = block.address;
            if (size)
                *size = block.size;
            return 0;
        }
    }
    return 1;
}

int CLmfFile::CheckIdentification(char* text)
{
    if (text)
        text[0] = '\0';
    if (!m_idRequired)
        return 1;

    const DWORD idLength = (DWORD)sizeof(kLmfDeviceIdentification); // with its zero byte
    int found = 0;
    BYTE data[kIdSearchBytes];
    for (int b = 0; b < m_blocks.Count(); ++b)
    {
        const LmfBlock& block = m_blocks[b];
        if (block.type != LMF_BLOCK_IDENTIFIED)
            continue;
        DWORD want = block.size < kIdSearchBytes ? block.size : kIdSearchBytes;
        if (!Seek(block.fileOffset))
            continue;
        DWORD got = Read(data, want);
        for (DWORD at = 0; at + idLength <= got; ++at)
        {
            if (memcmp(data + at, kLmfDeviceIdentification, idLength) != 0)
                continue;
            found = 1;
            if (text)
            {
                // The version text follows the identification and any
                // further zero bytes; it is copied only from the bytes read.
                DWORD from = at + idLength;
                while (from < got && data[from] == 0)
                    ++from;
                int n = 0;
                while (from + n < got && data[from + n] != 0 && n < kVersionTextSize - 1)
                {
                    text[n] = (char)data[from + n];
                    ++n;
                }
                text[n] = '\0';
            }
            // Searching on: the last identification found gives the text.
        }
    }
    return found;
}

void CLmfFile::ResetProgress()
{
    m_currentBlock = 0;
    m_offsetInBlock = 0;
    m_lastChunk = 0;
}

int CLmfFile::ReadChunk(BYTE* buffer, int max, DWORD* address)
{
    if (m_currentBlock >= m_blocks.Count())
        return 0;
    if (!buffer || max <= 0)
        return -1;
    const LmfBlock& block = m_blocks[m_currentBlock];
    if (!Seek(block.fileOffset + m_offsetInBlock))
        return -1;

    DWORD n = block.size - m_offsetInBlock;
    if (n > (DWORD)max)
        n = (DWORD)max;
    DWORD first = block.address + m_offsetInBlock;
    if (m_chunkLimit > 0)
    {
        // End the chunk just before the next multiple of the limit.
        DWORD limit = (DWORD)m_chunkLimit;
        DWORD toBoundary = limit - first % limit;
        if (n > toBoundary)
            n = toBoundary;
    }
    DWORD got = Read(buffer, n);
    if (got < 1)
        return -1;
    m_lastChunk = (int)got;
    if (address)
        *address = first;
    return (int)got;
}

int CLmfFile::NextChunk(int* newBlock)
{
    if (newBlock)
        *newBlock = 0;
    if (m_currentBlock >= m_blocks.Count())
        return 0;
    if (m_lastChunk == 0)
        return 1;
    const LmfBlock& block = m_blocks[m_currentBlock];
    if (m_offsetInBlock + (DWORD)m_lastChunk < block.size)
    {
        m_offsetInBlock += (DWORD)m_lastChunk;
        return 1;
    }
    ++m_currentBlock;
    m_offsetInBlock = 0;
    m_lastChunk = 0;
    if (m_currentBlock >= m_blocks.Count())
        return 0;
    if (newBlock)
        *newBlock = 1;
    return 1;
}

DWORD CLmfFile::CurrentAddress() const
{
    if (m_currentBlock >= m_blocks.Count())
        return 0;
    return m_blocks[m_currentBlock].address + m_offsetInBlock;
}

int CLmfFile::GetBlockInfo(LmfBlock* block) const
{
    if (m_currentBlock >= m_blocks.Count())
        return 0;
    if (block)
        *block = m_blocks[m_currentBlock];
    return 1;
}

DWORD CLmfFile::BytesDone() const
{
    DWORD done = 0;
    for (int b = 0; b < m_currentBlock && b < m_blocks.Count(); ++b)
        done += m_blocks[b].size;
    if (m_currentBlock < m_blocks.Count())
        done += m_offsetInBlock;
    return done;
}

DWORD CLmfFile::TotalBytes() const
{
    DWORD total = 0;
    for (int b = 0; b < m_blocks.Count(); ++b)
        total += m_blocks[b].size;
    return total;
}
