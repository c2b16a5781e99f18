#pragma once
#include "base/DiskFile.h"

class CCommLogCtrl;

// Results of CLmfFile::Load.
enum LmfLoadResult
{
    LMF_LOAD_OK = 0,
    LMF_LOAD_NOT_OPEN = 1,
    LMF_LOAD_EMPTY = 2,
    LMF_LOAD_FORMAT = 3,
};

// Block types of the file.
enum : BYTE
{
    LMF_BLOCK_DATA = 0,
    LMF_BLOCK_IDENTIFIED = 1, // a data block that carries the device identification
};

// One block of the file.
struct LmfBlock
{
    DWORD address;    // device address of the block's first byte
    DWORD size;       // data bytes
    BYTE type;
    DWORD fileOffset; // where the data starts in the file
};

// An allowed device address range.
struct LmfRange
{
    DWORD start;
    DWORD size;
};

// A growable array that doubles its capacity (first capacity 1); a failed
// growth leaves it unchanged.
template <class T>
class CLmfArray
{
public:
    CLmfArray() = default;
    ~CLmfArray() { Clear(); }
    CLmfArray(const CLmfArray&) = delete;
    CLmfArray& operator=(const CLmfArray&) = delete;

    bool Add(const T& item);
    void Clear();
    int Count() const { return m_count; }
    const T& operator[](int i) const { return m_items[i]; }

private:
    T* m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};

// The device identification that a firmware image must carry, followed by a
// zero byte and the firmware's version text.
extern const char kLmfDeviceIdentification[];

// Reader of a firmware image in LmF block format: a sequence of blocks, each a
// 12-byte header ("LmF", type, little-endian address and size) followed by its
// data. It indexes the blocks, checks them against the allowed address ranges
// and the device identification, and hands out the image as chunks that never
// span two blocks nor cross the chunk limit.
class CLmfFile : public CDiskFile
{
public:
    CLmfFile();
    virtual ~CLmfFile();

    // Closes any open file first (clearing the blocks), then opens.
    bool Open(const char* path, DWORD flags);
    void Close();

    void SetIdBlockRequired(BOOL required) { m_idRequired = required ? 1 : 0; }
    void SetChunkLimit(int limit) { m_chunkLimit = limit; }
    bool AddAllowedRange(DWORD start, DWORD size);
    // The communication log for the reader's lines; none by default.
    void SetCommLog(CCommLogCtrl* log) { m_log = log; }

    // LmfLoadResult. A block whose data runs past the end of the file makes
    // the file a format error (truncated), as does any header that is cut,
    // has another magic, a zero size or an unknown type.
    int Load();
    // 1 when every block lies inside an allowed range; else 0 with the
    // address and size of the first block that does not.
    int CheckAddressSpace(DWORD* start, DWORD* size);
    // 1 when a block of type 1 carries the identification (or none is
    // required); text (64 bytes, may be none) receives the version text.
    int CheckIdentification(char* text);

    void ResetProgress();
    // Bytes read into buffer (at most max), 0 when all blocks are done, -1
    // when the file cannot be read.
    int ReadChunk(BYTE* buffer, int max, DWORD* address);
    // 1 while there is more to send, 0 at the end; newBlock (may be none) is
    // 1 when the next chunk starts a new block.
    int NextChunk(int* newBlock);
    DWORD CurrentAddress() const;
    // The current block; 0 when there is none.
    int GetBlockInfo(LmfBlock* block) const;
    DWORD BytesDone() const;
    DWORD TotalBytes() const;

    int GetBlockCount() const { return m_blocks.Count(); }
    const LmfBlock& GetBlock(int i) const { return m_blocks[i]; }

    // The identification text is found only within this many bytes of a
    // block's data; the version text is cut to 63 characters.
    static const DWORD kIdSearchBytes = 1024;
    static const int kVersionTextSize = 64;

private:
    void LogLine(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    CLmfArray<LmfBlock> m_blocks;
    CLmfArray<LmfRange> m_ranges;
    int m_currentBlock = 0;
    DWORD m_offsetInBlock = 0;
    int m_lastChunk = 0;
    int m_chunkLimit = -1;
    int m_idRequired = 1;
    CCommLogCtrl* m_log = nullptr;
};

// The firmware reader of the protocol engine, configured for the device:
// chunks never cross a 64 KiB address boundary, and blocks must lie in the
// device's application flash, its loader area or its external flash.
class CDeviceFirmwareFile : public CLmfFile
{
public:
    CDeviceFirmwareFile()
    {
        SetChunkLimit(0x10000);
        AddAllowedRange(0x60100000, 0x100000);
        AddAllowedRange(0x00020000, 0x60000);
        AddAllowedRange(0xF0000000, 0x4000000);
    }
};

template <class T>
bool CLmfArray<T>::Add(const T& item)
{
    if (m_count == m_capacity)
    {
        int capacity = m_capacity ? m_capacity * 2 : 1;
        if (capacity <= m_capacity)
            return false;
        HANDLE heap = ::GetProcessHeap();
        void* grown = m_items ? ::HeapReAlloc(heap, 0, m_items, sizeof(T) * (size_t)capacity)
                              : ::HeapAlloc(heap, 0, sizeof(T) * (size_t)capacity);
        if (!grown)
            return false;
        m_items = static_cast<T*>(grown);
        m_capacity = capacity;
    }
    m_items[m_count++] = item;
    return true;
}

template <class T>
void CLmfArray<T>::Clear()
{
    if (m_items)
        ::HeapFree(::GetProcessHeap(), 0, m_items);
    m_items = nullptr;
    m_count = m_capacity = 0;
}
