#include "tests/support/TestLanguage.h"
#include "tests/support/MessageBoxRecorder.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include <shlwapi.h>

CTestLanguage::CTestLanguage() : m_wasAvailable(g_Language.IsAvailable() && g_Language.GetLanguageFile()[0])
{
    ::GetCurrentDirectoryA(sizeof(m_previousDir), m_previousDir);
    ::SetCurrentDirectoryA(m_folder.Path("").c_str());
}

// The folder, no longer current, goes with its files after this.
CTestLanguage::~CTestLanguage()
{
    ::SetCurrentDirectoryA(m_previousDir);
    if (m_wasAvailable)
        SelectShippedLanguage();
}

bool CTestLanguage::WriteFile(const char* name, const char* content)
{
    return WriteWholeFile(PathOf(name), std::string(content));
}

bool CTestLanguage::WriteLanguage(const char* strings, const char* menus, const char* tooltips)
{
    std::string lng = std::string("[general]\r\nversion=3.0.0.5\r\n\r\n[strings]\r\n") + strings + "\r\n[menus]\r\n" +
                      menus + "\r\n[tooltips]\r\n" + tooltips + "\r\n";
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
