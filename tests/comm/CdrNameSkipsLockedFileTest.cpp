#include "comm/CdrExportFile.h"
#include "base/TextUtil.h"
#include <gtest/gtest.h>
#include <string>

// The proposed CDR export name passes over every name that is taken: a file
// that another program holds open without sharing (a spreadsheet showing the
// morning's export) and a folder of that name are taken as well.
TEST(CdrNameSkipsLockedFileTest, LockedFilesAndFoldersAreTakenNames)
{
    char temp[MAX_PATH], dir[MAX_PATH];
    ::GetTempPathA(sizeof(temp), temp);
    FormatText(dir, sizeof(dir), "%scdrlocked%lu", temp, ::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(dir, NULL));
    const std::string base = std::string(dir) + "\\CDR240305";
    SYSTEMTIME date = {};
    date.wYear = 2024;
    date.wMonth = 3;
    date.wDay = 5;

    HANDLE held = ::CreateFileA((base + ".CSV").c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(::CreateDirectoryA((base + "_01.CSV").c_str(), NULL));

    char name[MAX_PATH] = "";
    ASSERT_TRUE(CCdrExportFile::ProposeFileName(dir, CDR_FORMAT_TEXT_SEMICOLON, date, name, sizeof(name)));
    EXPECT_EQ(base + "_02.CSV", name);

    // Other formats have names of their own.
    ASSERT_TRUE(CCdrExportFile::ProposeFileName(dir, CDR_FORMAT_BINARY, date, name, sizeof(name)));
    EXPECT_EQ(base + ".BIN", name);

    ::CloseHandle(held);
    ::DeleteFileA((base + ".CSV").c_str());
    ::RemoveDirectoryA((base + "_01.CSV").c_str());
    ::RemoveDirectoryA(dir);
}
