#include <gtest/gtest.h>
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <map>
#include <string>

namespace
{
// A value of the record as text (numbers in decimal, signed), looked up by its
// registry name; "?" when the record has no such value.
template <class Record>
std::string Field(const Record& record, const char* name)
{
    size_t count = 0;
    const SettingValue* table = Record::GetTable(&count);
    for (size_t i = 0; i < count; ++i)
    {
        if (strcmp(table[i].name, name) != 0)
            continue;
        const char* field = reinterpret_cast<const char*>(&record) + table[i].offset;
        if (table[i].type != SETTING_NUMBER)
            return std::string(field, strnlen(field, table[i].size));
        int number = 0;
        memcpy(&number, field, sizeof(number));
        return std::to_string(number);
    }
    return "?";
}

// Fills every value of the record with junk, so a load must set each one.
template <class Record>
void Scramble(Record& record)
{
    size_t count = 0;
    const SettingValue* table = Record::GetTable(&count);
    for (size_t i = 0; i < count; ++i)
        memset(reinterpret_cast<char*>(&record) + table[i].offset, 0x55, table[i].size);
}

// The named value as both records read it from the registry now.
std::string Loaded(const char* name)
{
    CAppSettings app;
    CPathSettings paths;
    Scramble(app);
    Scramble(paths);
    EXPECT_TRUE(app.Load());
    EXPECT_TRUE(paths.Load());
    const std::string value = Field(app, name);
    return value != "?" ? value : Field(paths, name);
}

std::string CurrentDirectory()
{
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof(cwd), cwd);
    return cwd;
}

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }

    static void SetRaw(const char* name, DWORD type, const std::string& data)
    {
        HKEY key = OpenSettingsKey();
        ::RegSetValueExA(key, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size());
        ::RegCloseKey(key);
    }
    static std::string Number(DWORD value) { return std::string((const char*)&value, sizeof(value)); }

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
    const std::string cwd = CurrentDirectory();
    // The time-outs of a device answer are in milliseconds.
    const std::pair<const char*, std::string> defaults[] = {
        { "Language", "1" }, { "Baudrate", "115200" }, { "TcpPort", "1002" }, { "VirtualComPort", "" },
        { "CommunicationLogMaxLines", "200" }, { "MonitorLogMaxLines", "1000" }, { "MonitorKeepAlive", "20000" },
        { "CommunicationTimeout", "5000" }, { "CommunicationTimeoutDataRead", "5000" },
        { "CommunicationTimeoutDataWrite", "5000" }, { "CommunicationTimeoutReset", "5000" },
        { "CommunicationTimeoutReadCells", "10000" }, { "CommunicationTimeoutFlashLoadEnd", "10000" },
        { "CommunicationTimeoutSwitchToFirmware", "10000" }, { "StatisticsRefresh", "60000" },
        { "CDRFieldCause", "8" }, { "CDRFieldCalledNumber", "4" }, { "DataReadWriteRequestDelay", "25" },
        { "DataReadWriteMaxPendingRequests", "5" }, { "CheckFirmwareAddrSpace", "1" }, { "Icon", "" },
        { "BrowsePathData", cwd }, { "BrowsePathCdr", cwd }, { "OpenSaveFilterLog", "1" },
        { "LastFlashWriteFile", "" }, { "SplitterPos1", "200" }, { "SplitterPos2", "0" },
    };
    for (const auto& d : defaults)
        EXPECT_EQ(d.second, Loaded(d.first)) << d.first;
}

TEST_F(SettingsTest, StoredValuesOfEveryShapeAreReadOrFallBackToTheirDefault)
{
    const struct
    {
        const char* name;
        DWORD type;
        std::string data;
        std::string loaded;
    } cases[] = {
        { "CommunicationTimeoutFlashLoadStart", REG_DWORD, Number(1234), "1234" },
        { "TcpPort", REG_DWORD, Number(0), "0" },
        // Read-only values are read all the same.
        { "CheckFirmwareVersion", REG_DWORD, Number(0), "0" },
        { "DataReadWriteMaxPendingRequests", REG_DWORD, Number(9), "9" },
        // Text that fits with its terminator; text that does not; 32 bytes
        // stored without a terminator are no text either.
        { "VirtualComPort", REG_SZ, std::string("COM3", 5), "COM3" },
        { "VirtualComPort", REG_SZ, std::string(31, 'A') + '\0', std::string(31, 'A') },
        { "VirtualComPort", REG_SZ, std::string(32, 'B') + '\0', "" },
        { "VirtualComPort", REG_SZ, std::string(32, 'C'), "" },
        { "BrowsePathLog", REG_SZ, std::string(300, 'D') + '\0', CurrentDirectory() },
        // A short number is zero-extended, no stale bytes; a longer one, text
        // where a number belongs and a number where text belongs are defaults.
        { "Baudrate", REG_BINARY, std::string("\x02\x01", 2), "258" },
        { "TcpPort", REG_BINARY, std::string("\1\2\3\4\5\6\7\x08", 8), "1002" },
        { "MonitorKeepAlive", REG_SZ, std::string("100", 4), "20000" },
        { "TcpAddress", REG_DWORD, Number(5), "" },
    };
    for (const auto& c : cases)
    {
        DeleteSettingsKey();
        SetRaw(c.name, c.type, c.data);
        EXPECT_EQ(c.loaded, Loaded(c.name)) << c.name << " " << c.data.size();
    }
}

TEST_F(SettingsTest, SaveWritesExactlyTheSavedValues)
{
    // The administrator's read-only values stay as they are.
    SetRaw("CheckFirmwareVersion", REG_DWORD, Number(7));
    CAppSettings s;
    s.TcpPort = 70000; // not range checked
    strcpy(s.TcpAddress, "10.0.0.5");
    s.CheckFirmwareVersion = 0;
    ASSERT_TRUE(s.Save());
    auto values = ReadKey();
    EXPECT_EQ(39u, values.size());
    for (const char* readOnly : {"CommunicationLogRawInput", "CommunicationTimeoutSwitchToLoader",
                                 "CommunicationTimeoutSwitchToFirmware", "DataReadWriteRequestDelay",
                                 "DataReadWriteMaxPendingRequests", "CheckFirmwareAddrSpace", "Icon"})
        EXPECT_EQ(0u, values.count(readOnly)) << readOnly;
    EXPECT_EQ(std::make_pair(DWORD(REG_DWORD), Number(7)), values["CheckFirmwareVersion"]);
    EXPECT_EQ(std::make_pair(DWORD(REG_DWORD), Number(70000)), values["TcpPort"]);
    EXPECT_EQ(std::make_pair(DWORD(REG_SZ), std::string("10.0.0.5", 9)), values["TcpAddress"]) << "with its terminator";

    CPathSettings p;
    p.SetDefaults();
    p.SplitterPos1 = -3;
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(51u, ReadKey().size());
    EXPECT_EQ("-3", Loaded("SplitterPos1"));
}
