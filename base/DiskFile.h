#pragma once
#include "wcl/Win.h"

// Open flags of CDiskFile::Open, combined bit by bit.
enum : DWORD
{
    DISKFILE_READ          = 0x1,
    DISKFILE_WRITE         = 0x2,
    DISKFILE_SHARE_READ    = 0x100,
    DISKFILE_SHARE_WRITE   = 0x200,
    DISKFILE_OPEN_EXISTING = 0x10000,   // fail when missing
    DISKFILE_CREATE        = 0x20000,   // create or truncate (ignored with OPEN_EXISTING)
    DISKFILE_SYSTEM        = 0x1000000, // attributes of a created file
    DISKFILE_HIDDEN        = 0x2000000,
    DISKFILE_READONLY      = 0x4000000,
};

// The one file class of the program: owns a Win32 handle and the path it was
// opened with; byte-exact reads, writes and seeks, no buffering.
class CDiskFile
{
public:
    CDiskFile();
    explicit CDiskFile(HANDLE handle);
    explicit CDiskFile(const char* path);
    virtual ~CDiskFile();

    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;

    // Closes any open file first. A path of MAX_PATH characters or more fails
    // without touching the file system. On failure the path stays stored so
    // that a message can name the file.
    bool Open(const char* path, DWORD flags);
    void Close();
    bool IsOpen() const { return m_handle != NULL; }
    // True when the stored path opens for reading (probe closed at once).
    bool Exists() const;
    bool GetPath(char* buf, size_t size) const;
    const char* GetPath() const { return m_path; }

    DWORD GetSize() const;
    // Grows with the fill byte or cuts to size. False when not open, or when
    // writing the fill fails or makes no progress.
    bool SetLength(DWORD size, BYTE fill);

    DWORD GetPosition() const; // 0xFFFFFFFF when not open or on failure
    bool Seek(DWORD position);
    bool SeekRelative(LONG distance);
    bool SeekToBegin();
    bool SeekToEnd();

    DWORD Read(void* buf, DWORD count);
    DWORD Write(const void* buf, DWORD count);

    HANDLE GetHandle() const { return m_handle; }

private:
    bool SetPointer(LONG distance, LONG high, DWORD method);

    HANDLE m_handle;
    char m_path[MAX_PATH];
};

// File utilities on a path.
bool FileExists(const char* path);
bool TruncateFile(const char* path);
bool AppendToFile(const char* path, const void* buf, DWORD count);
DWORD ReadFileAt(const char* path, DWORD offset, void* buf, DWORD count);
DWORD GetFileSizeByName(const char* path);
bool IsDirectory(const char* path);
bool CreateDirectoryPath(const char* path);
