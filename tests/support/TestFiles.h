#pragma once
#include "wcl/Win.h"
#include <string>
#include <vector>

// Whole files for tests that check what the program wrote to disk, or give it
// a file to read.

// The file's bytes; "<missing>" when it cannot be opened. It may still be
// open for writing elsewhere (a log or an export the program keeps open).
inline std::string ReadWholeFile(const char* path)
{
    std::string data;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof(buf), &got, NULL) && got)
        data.append(buf, got);
    ::CloseHandle(h);
    return data;
}

// Replaces the file with these bytes; false when it could not be written.
inline bool WriteWholeFile(const std::string& path, const void* data, size_t size)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const BOOL written = ::WriteFile(h, data, (DWORD)size, &put, NULL);
    ::CloseHandle(h);
    return written && put == size;
}

inline bool WriteWholeFile(const std::string& path, const std::string& data)
{
    return WriteWholeFile(path, data.data(), data.size());
}

inline bool WriteWholeFile(const std::string& path, const std::vector<BYTE>& data)
{
    return WriteWholeFile(path, data.data(), data.size());
}

// The file's bytes; empty when it cannot be opened.
inline std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    const std::string data = ReadWholeFile(path.c_str());
    return data == "<missing>" ? std::vector<BYTE>() : std::vector<BYTE>(data.begin(), data.end());
}

// A fresh folder under the temporary directory, removed with its files (also
// read-only ones) when the test ends.
class CScratchFolder
{
public:
    CScratchFolder()
    {
        char base[MAX_PATH];
        ::GetTempPathA(sizeof(base), base);
        ::GetTempFileNameA(base, "vel", 0, m_dir);
        ::DeleteFileA(m_dir);
        ::CreateDirectoryA(m_dir, NULL);
    }
    ~CScratchFolder()
    {
        for (const std::string& name : Files())
        {
            const std::string p = Path(name.c_str());
            ::SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(p.c_str());
        }
        ::RemoveDirectoryA(m_dir);
    }
    const char* Dir() const { return m_dir; }
    std::string Path(const char* name) const { return std::string(m_dir) + "\\" + name; }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA(Path("*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
        return names;
    }

private:
    char m_dir[MAX_PATH] = "";
};
