#pragma once
#include "tests/support/TestFiles.h"
#include <string>

// A language set of the test's own in a scratch folder, which is the current
// directory while the object lives (LANG.INI is looked up there); Select()
// selects its language 1. The destructor returns to the previous directory,
// deletes the files and selects the shipped language of that directory again
// when one was selected before (so later tests see the English texts).
class CTestLanguage
{
public:
    CTestLanguage();
    ~CTestLanguage();

    std::string PathOf(const char* name) const { return m_folder.Path(name); }
    // Writes a file of the directory with exactly this content.
    bool WriteFile(const char* name, const char* content);
    // LANG.INI with one language "Test" in "Test.lng", and Test.lng with
    // version "3.0.0.5" and the given section bodies ("key=text\n" lines).
    bool WriteLanguage(const char* strings, const char* menus = "", const char* tooltips = "");
    bool Select();

private:
    CScratchFolder m_folder;
    char m_previousDir[MAX_PATH];
    bool m_wasAvailable;
};

// Selects language 1 of the LANG.INI in the current directory (the test
// binaries run beside the shipped set) with message boxes suppressed.
bool SelectShippedLanguage();

// Deletes the program's registry key with all its values: tests start from a
// clean machine.
void DeleteSettingsKey();
