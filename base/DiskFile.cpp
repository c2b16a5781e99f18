#include "base/DiskFile.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
bool PathFits(const char* path)
{
    return path && strnlen(path, MAX_PATH) < MAX_PATH;
}

// Opens a path with plain CreateFile arguments; NULL (never the invalid
// handle value) on failure.
HANDLE OpenHandle(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes)
{
    if (!PathFits(path))
        return NULL;
    HANDLE h = ::CreateFileA(path, access, share, NULL, disposition, attributes, NULL);
    return h == INVALID_HANDLE_VALUE ? NULL : h;
}
}

CDiskFile::CDiskFile() : m_handle(NULL)
{
    m_path[0] = '\0';
}

CDiskFile::CDiskFile(HANDLE handle) : m_handle(handle == INVALID_HANDLE_VALUE ? NULL : handle)
{
    m_path[0] = '\0';
}

CDiskFile::CDiskFile(const char* path) : m_handle(NULL)
{
    CopyText(m_path, sizeof(m_path), path);
}

CDiskFile::~CDiskFile()
{
    Close();
}

bool CDiskFile::Open(const char* path, DWORD flags)
{
    if (!path)
        return false;
    Close();
    CopyText(m_path, sizeof(m_path), path);
    if (!PathFits(path))
        return false;

    DWORD access = 0;
    if (flags & DISKFILE_READ)
        access |= GENERIC_READ;
    if (flags & DISKFILE_WRITE)
        access |= GENERIC_WRITE;
    DWORD share = 0;
    if (flags & DISKFILE_SHARE_READ)
        share |= FILE_SHARE_READ;
    if (flags & DISKFILE_SHARE_WRITE)
        share |= FILE_SHARE_WRITE;
    DWORD disposition = OPEN_ALWAYS;
    if (flags & DISKFILE_OPEN_EXISTING)
        disposition = OPEN_EXISTING;
    else if (flags & DISKFILE_CREATE)
        disposition = CREATE_ALWAYS;
    DWORD attributes = 0;
    if (flags & DISKFILE_SYSTEM)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    if (flags & DISKFILE_HIDDEN)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (flags & DISKFILE_READONLY)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!attributes)
        attributes = FILE_ATTRIBUTE_NORMAL;

    m_handle = OpenHandle(path, access, share, disposition, attributes);
    return m_handle != NULL;
}

void CDiskFile::Close()
{
    if (m_handle)
        ::CloseHandle(m_handle);
    m_handle = NULL;
    m_path[0] = '\0';
}

bool CDiskFile::Exists() const
{
    return m_path[0] && FileExists(m_path);
}

bool CDiskFile::GetPath(char* buf, size_t size) const
{
    if (!buf)
        return false;
    CopyText(buf, size, m_path);
    return true;
}

DWORD CDiskFile::GetSize() const
{
    if (!m_handle)
        return 0;
    DWORD size = ::GetFileSize(m_handle, NULL);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

bool CDiskFile::SetLength(DWORD size, BYTE fill)
{
    if (!m_handle)
        return false;
    DWORD current = GetSize();
    if (size > current)
    {
        BYTE block[1024];
        memset(block, fill, sizeof(block));
        if (!SeekToEnd())
            return false;
        // Exactly the missing bytes; a write that fails or writes nothing
        // ends the loop with a failure instead of spinning.
        DWORD missing = size - current;
        while (missing > 0)
        {
            DWORD piece = missing < sizeof(block) ? missing : (DWORD)sizeof(block);
            DWORD written = Write(block, piece);
            if (written == 0)
                return false;
            missing -= written;
        }
        return true;
    }
    if (!Seek(size))
        return false;
    return ::SetEndOfFile(m_handle) != FALSE;
}

DWORD CDiskFile::GetPosition() const
{
    if (!m_handle)
        return INVALID_SET_FILE_POINTER;
    return ::SetFilePointer(m_handle, 0, NULL, FILE_CURRENT);
}

bool CDiskFile::SetPointer(LONG distance, LONG high, DWORD method)
{
    if (!m_handle)
        return false;
    return ::SetFilePointer(m_handle, distance, &high, method) != INVALID_SET_FILE_POINTER;
}

bool CDiskFile::Seek(DWORD position)
{
    // The high part keeps positions from 2 GB up from reading as negative.
    return SetPointer((LONG)position, 0, FILE_BEGIN);
}

bool CDiskFile::SeekRelative(LONG distance)
{
    return SetPointer(distance, distance < 0 ? -1 : 0, FILE_CURRENT);
}

bool CDiskFile::SeekToBegin()
{
    return SetPointer(0, 0, FILE_BEGIN);
}

bool CDiskFile::SeekToEnd()
{
    return SetPointer(0, 0, FILE_END);
}

DWORD CDiskFile::Read(void* buf, DWORD count)
{
    DWORD done = 0;
    if (!m_handle || !buf || !::ReadFile(m_handle, buf, count, &done, NULL))
        return 0;
    return done;
}

DWORD CDiskFile::Write(const void* buf, DWORD count)
{
    DWORD done = 0;
    if (!m_handle || !buf || !::WriteFile(m_handle, buf, count, &done, NULL))
        return 0;
    return done;
}

bool FileExists(const char* path)
{
    HANDLE h = OpenHandle(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL);
    if (!h)
        return false;
    ::CloseHandle(h);
    return true;
}

bool TruncateFile(const char* path)
{
    CDiskFile file;
    if (!file.Open(path, DISKFILE_WRITE | DISKFILE_SHARE_READ | DISKFILE_SHARE_WRITE))
        return false;
    file.SetLength(0, 0);
    return true;
}

bool AppendToFile(const char* path, const void* buf, DWORD count)
{
    CDiskFile file;
    if (!file.Open(path, DISKFILE_WRITE) || !file.SeekToEnd())
        return false;
    return file.Write(buf, count) == count;
}

DWORD ReadFileAt(const char* path, DWORD offset, void* buf, DWORD count)
{
    CDiskFile file;
    if (!file.Open(path, DISKFILE_READ))
        return 0;
    if (!file.Seek(offset) || file.GetPosition() != offset)
        return 0;
    return file.Read(buf, count);
}

DWORD GetFileSizeByName(const char* path)
{
    CDiskFile file;
    if (!file.Open(path, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_SHARE_WRITE | DISKFILE_OPEN_EXISTING))
        return 0;
    return file.GetSize();
}

bool IsDirectory(const char* path)
{
    if (!PathFits(path))
        return false;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(path, &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(h);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectoryPath(const char* path)
{
    if (!PathFits(path) || !path[0])
        return false;
    char part[MAX_PATH];
    for (const char* p = strchr(path, '\\'); p; p = strchr(p + 1, '\\'))
    {
        size_t n = (size_t)(p - path);
        if (n == 0)
            continue;
        CopyText(part, n + 1, path);
        ::CreateDirectoryA(part, NULL); // drive roots and existing folders fail harmlessly
    }
    if (::CreateDirectoryA(path, NULL))
        return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS;
}
