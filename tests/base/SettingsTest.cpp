#include <gtest/gtest.h>
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <map>
#include <string>

namespace
{
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }

    static void SetNumber(const char* name, DWORD value)
    {
        HKEY key = OpenSettingsKey();
        ::RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
        ::RegCloseKey(key);
    }
    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = OpenSettingsKey();
        ::RegSetValueExA(key, name, 0, type, (const BYTE*)data, size);
        ::RegCloseKey(key);
    }
    static void SetText(const char* name, const char* text)
    {
        SetRaw(name, REG_SZ, text, (DWORD)strlen(text) + 1);
    }
    // Every value in the key: name -> (type, data).
    static std::map<std::string, std::pair<DWORD, std::string>> ReadKey()
    {
        std::map<std::string, std::pair<DWORD, std::string>> values;
        HKEY key = OpenSettingsKey();
        for (DWORD i = 0;; ++i)
        {
            char name[256];
            BYTE data[1024];
            DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
            if (::RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            values[name] = {type, std::string((const char*)data, dataSize)};
        }
        ::RegCloseKey(key);
        return values;
    }
};
}

TEST_F(SettingsTest, EmptyKeyGivesEveryDefault)
{
    CAppSettings s;
    s.TcpPort = 7;
    strcpy(s.VirtualComPort, "COM9");
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(1u, s.Language);
    EXPECT_EQ(115200u, s.Baudrate);
    EXPECT_EQ(1002u, s.TcpPort);
    EXPECT_STREQ("", s.VirtualComPort);
    EXPECT_EQ(200u, s.CommunicationLogMaxLines);
    EXPECT_EQ(1000u, s.MonitorLogMaxLines);
    EXPECT_EQ(20000u, s.MonitorKeepAlive);
    // The time-outs a device answer has, in milliseconds.
    EXPECT_EQ(5000u, s.CommunicationTimeout);
    EXPECT_EQ(5000u, s.CommunicationTimeoutDataRead);
    EXPECT_EQ(5000u, s.CommunicationTimeoutDataWrite);
    EXPECT_EQ(5000u, s.CommunicationTimeoutReset);
    EXPECT_EQ(10000u, s.CommunicationTimeoutReadCells);
    EXPECT_EQ(10000u, s.CommunicationTimeoutFlashLoadEnd);
    EXPECT_EQ(10000u, s.CommunicationTimeoutSwitchToFirmware);
    EXPECT_EQ(60000u, s.StatisticsRefresh);
    EXPECT_EQ(8u, s.CDRFieldCause);
    EXPECT_EQ(4u, s.CDRFieldCalledNumber);
    EXPECT_EQ(25u, s.DataReadWriteRequestDelay);
    EXPECT_EQ(5u, s.DataReadWriteMaxPendingRequests);
    EXPECT_EQ(1u, s.CheckFirmwareAddrSpace);
    EXPECT_STREQ("", s.Icon);

    CPathSettings p;
    memset(&p, 0, sizeof(p));
    ASSERT_TRUE(p.Load());
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof(cwd), cwd);
    EXPECT_STREQ(cwd, p.BrowsePathData);
    EXPECT_STREQ(cwd, p.BrowsePathCdr);
    EXPECT_EQ(1u, p.OpenSaveFilterLog);
    EXPECT_STREQ("", p.LastFlashWriteFile);
    EXPECT_EQ(200, p.SplitterPos1);
    EXPECT_EQ(0, p.SplitterPos2);
}

TEST_F(SettingsTest, SaveWritesExactlyTheSavedValues)
{
    CAppSettings s;
    s.TcpPort = 70000; // not range checked
    strcpy(s.TcpAddress, "10.0.0.5");
    s.CheckFirmwareVersion = 0;
    ASSERT_TRUE(s.Save());
    auto values = ReadKey();
    EXPECT_EQ(38u, values.size());
    for (const char* readOnly : {"CommunicationLogRawInput", "CommunicationTimeoutSwitchToLoader",
                                 "CommunicationTimeoutSwitchToFirmware", "DataReadWriteRequestDelay",
                                 "DataReadWriteMaxPendingRequests", "CheckFirmwareVersion",
                                 "CheckFirmwareAddrSpace", "Icon"})
        EXPECT_EQ(0u, values.count(readOnly)) << readOnly;
    EXPECT_EQ(DWORD(REG_DWORD), values["TcpPort"].first);
    DWORD port = 0;
    memcpy(&port, values["TcpPort"].second.data(), 4);
    EXPECT_EQ(70000u, port);
    EXPECT_EQ(DWORD(REG_SZ), values["TcpAddress"].first);
    EXPECT_EQ(std::string("10.0.0.5", 9), values["TcpAddress"].second) << "text with its terminator";
    EXPECT_EQ(std::string("", 1), values["VirtualComPort"].second);

    CPathSettings p;
    p.SetDefaults();
    p.SplitterPos1 = -3;
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(50u, ReadKey().size());
    CPathSettings q;
    q.Load();
    EXPECT_EQ(-3, q.SplitterPos1);
}

TEST_F(SettingsTest, StoredValuesAndReadOnlyValuesTakeEffect)
{
    SetNumber("CommunicationTimeoutFlashLoadStart", 1234);
    SetNumber("CheckFirmwareVersion", 0);
    SetNumber("DataReadWriteMaxPendingRequests", 9);
    SetNumber("TcpPort", 0);
    SetText("VirtualComPort", "COM3");
    CAppSettings s;
    s.Load();
    EXPECT_EQ(1234u, s.CommunicationTimeoutFlashLoadStart);
    // The time-outs a device answer has, in milliseconds.
    EXPECT_EQ(5000u, s.CommunicationTimeout);
    EXPECT_EQ(5000u, s.CommunicationTimeoutDataRead);
    EXPECT_EQ(5000u, s.CommunicationTimeoutDataWrite);
    EXPECT_EQ(5000u, s.CommunicationTimeoutReset);
    EXPECT_EQ(10000u, s.CommunicationTimeoutReadCells);
    EXPECT_EQ(10000u, s.CommunicationTimeoutFlashLoadEnd);
    EXPECT_EQ(0u, s.CheckFirmwareVersion);
    EXPECT_EQ(9u, s.DataReadWriteMaxPendingRequests);
    EXPECT_EQ(25u, s.DataReadWriteRequestDelay);
    EXPECT_EQ(0u, s.TcpPort);
    EXPECT_STREQ("COM3", s.VirtualComPort);

    s.Save(); // leaves the administrator's read-only values as they are
    auto values = ReadKey();
    DWORD check = 1;
    memcpy(&check, values["CheckFirmwareVersion"].second.data(), 4);
    EXPECT_EQ(0u, check);
}

TEST_F(SettingsTest, TextThatDoesNotFitFallsBackToItsDefault)
{
    SetText("VirtualComPort", std::string(31, 'A').c_str()); // fits with its terminator
    CAppSettings s;
    s.Load();
    EXPECT_EQ(std::string(31, 'A'), s.VirtualComPort);

    SetText("VirtualComPort", std::string(32, 'B').c_str());
    s.Load();
    EXPECT_STREQ("", s.VirtualComPort);

    // Exactly 32 bytes stored without a terminator is no text either.
    SetRaw("VirtualComPort", REG_SZ, std::string(32, 'C').data(), 32);
    s.Load();
    EXPECT_STREQ("", s.VirtualComPort);
    EXPECT_EQ('\0', s.VirtualComPort[31]);

    CPathSettings p;
    SetText("BrowsePathLog", std::string(300, 'D').c_str());
    p.Load();
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof(cwd), cwd);
    EXPECT_STREQ(cwd, p.BrowsePathLog);
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSize)
{
    CAppSettings s;
    WORD shortNumber = 0x0102;
    SetRaw("Baudrate", REG_BINARY, &shortNumber, sizeof(shortNumber));
    BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw("TcpPort", REG_BINARY, eight, sizeof(eight));
    SetText("MonitorKeepAlive", "100");
    DWORD number = 5;
    SetRaw("TcpAddress", REG_DWORD, &number, sizeof(number));
    s.Load();
    EXPECT_EQ(0x0102u, s.Baudrate) << "a short number is zero-extended, no stale bytes";
    EXPECT_EQ(1002u, s.TcpPort) << "longer than four bytes";
    EXPECT_EQ(20000u, s.MonitorKeepAlive) << "text where a number belongs";
    EXPECT_STREQ("", s.TcpAddress) << "number where a text belongs";
}
