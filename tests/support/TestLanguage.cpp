#include "tests/support/TestLanguage.h"
#include "tests/support/MessageBoxRecorder.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <string>
#include <shlwapi.h>

CTestLanguage::CTestLanguage() : m_wasAvailable(g_Language.IsAvailable() && g_Language.GetLanguageFile()[0])
{
    ::GetCurrentDirectoryA(sizeof(m_previousDir), m_previousDir);
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof(temp), temp);
    static LONG s_counter = 0;
    FormatText(m_dir, sizeof(m_dir), "%svel-lang-%lu-%ld", temp, ::GetCurrentProcessId(),
               ::InterlockedIncrement(&s_counter));
    ::CreateDirectoryA(m_dir, NULL);
    ::SetCurrentDirectoryA(m_dir);
}

CTestLanguage::~CTestLanguage()
{
    ::SetCurrentDirectoryA(m_previousDir);
    WIN32_FIND_DATAA found;
    std::string pattern = PathOf("*");
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            {
                std::string path = PathOf(found.cFileName);
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(m_dir);
    if (m_wasAvailable)
        SelectShippedLanguage();
}

std::string CTestLanguage::PathOf(const char* name) const
{
    return std::string(m_dir) + "\\" + name;
}

bool CTestLanguage::WriteFile(const char* name, const char* content)
{
    std::string path = PathOf(name);
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = (DWORD)strlen(content), written = 0;
    bool ok = ::WriteFile(h, content, size, &written, NULL) && written == size;
    ::CloseHandle(h);
    return ok;
}

bool CTestLanguage::WriteLanguage(const char* strings, const char* menus, const char* tooltips)
{
    std::string lng = "[general]\r\nversion=3.0.0.5\r\n\r\n[strings]\r\n";
    lng += strings;
    lng += "\r\n[menus]\r\n";
    lng += menus;
    lng += "\r\n[tooltips]\r\n";
    lng += tooltips;
    lng += "\r\n";
    return WriteFile("LANG.INI",
                     "[general]\r\nnum_languages=1\r\ndirectory=\r\n\r\n[language names]\r\n1=Test\r\n\r\n"
                     "[language files]\r\n1=Test.lng\r\n")
        && WriteFile("Test.lng", lng.c_str());
}

bool CTestLanguage::Select()
{
    return g_Language.SelectLanguage(1);
}

bool SelectShippedLanguage()
{
    CMessageBoxRecorder quiet;
    return g_Language.SelectLanguage(1);
}

void DeleteSettingsKey()
{
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey);
}
