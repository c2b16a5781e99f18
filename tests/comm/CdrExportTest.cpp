#include "comm/CdrExportFile.h"
#include "base/AppSettings.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// A device record: 5 March 2024, 14:07:09, call of 3725 s, from PBX port 2 to
// GSM port 3, cause 16.
Bytes DeviceRecord(uint8_t callType = 1, const char* caller = "0123", const char* called = "456")
{
    size_t l1 = strlen(caller), l2 = strlen(called);
    // A record too long for the device's 64 bytes still gets all its bytes:
    // the decoder is handed only the first 64.
    Bytes r(17 + l1 + l2 > 64 ? 17 + l1 + l2 : 64, 0xEE);
    const uint8_t head[] = {1, callType, 5, 3, 24, 14, 7, 9, 16, (0 << 5) | 2, (4 << 5) | 3, 0x00, 0x00, 0x0E, 0x8D};
    memcpy(r.data(), head, sizeof(head));
    r[15] = (uint8_t)l1;
    memcpy(&r[16], caller, l1);
    r[16 + l1] = (uint8_t)l2;
    memcpy(&r[17 + l1], called, l2);
    return r;
}

Bytes Join(const Bytes& a, const Bytes& b)
{
    Bytes r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

// Fails every write, as a full disk would.
class CFailingCdrFile : public CCdrExportFile
{
protected:
    DWORD WriteBytes(const void*, DWORD) override { return 0; }
};

class CdrExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = g_Settings;
        g_Settings.SetCdrDefaults();
        g_Settings.ChannelIndexOffset = 0;
    }
    void TearDown() override
    {
        file.Close();
        g_Settings = saved;
    }
    void Begin(DWORD format)
    {
        ASSERT_TRUE(file.Open(path.c_str(), DISKFILE_WRITE | DISKFILE_CREATE));
        file.SetFormat(format);
    }
    std::string Line(const Bytes& rec, DWORD format = CDR_FORMAT_TEXT_SEMICOLON)
    {
        CCdrExportFile f;
        f.SetFormat(format);
        CdrRecord r;
        EXPECT_EQ(64, f.DecodeRecord(rec.data(), (DWORD)rec.size(), &r));
        char line[1024];
        f.BuildLine(&r, line, sizeof(line));
        return line;
    }

    CAppSettings saved;
    CScratchFolder folder;
    const char* dir = folder.Dir();
    std::string path = folder.Path("export.csv");
    CCdrExportFile file;
};

} // namespace

TEST_F(CdrExportTest, DefaultColumnsWithSemicolons)
{
    EXPECT_EQ("5.3.2024;14:07:09;Outgoing PBX->GSM;0123;456;1:02:05;PBX/2;GSM/3;16\r\n", Line(DeviceRecord()));
    EXPECT_EQ("5.3.2024\t14:07:09\tAnswered Smart Callback\t\t\t1:02:05\tPBX/2\tGSM/3\t16\r\n",
              Line(DeviceRecord(19, "", ""), CDR_FORMAT_TEXT_TAB));
    EXPECT_EQ("5.3.2024;14:07:09;;0123;456;1:02:05;PBX/2;GSM/3;16\r\n", Line(DeviceRecord(6)));
    g_Settings.ChannelIndexOffset = 1; // GSM ports only
    EXPECT_EQ("5.3.2024;14:07:09;Outgoing PBX->GSM;0123;456;1:02:05;PBX/2;GSM/4;16\r\n", Line(DeviceRecord()));
}

TEST_F(CdrExportTest, PortTypeTexts)
{
    // Port bytes: type in bits 7-5, number in bits 4-0; only GSM ports get
    // the channel offset.
    g_Settings.ChannelIndexOffset = 1;
    g_Settings.CDRFieldInPort = 0;
    g_Settings.CDRFieldOutPort = 1;
    for (DWORD* f : {&g_Settings.CDRFieldDate, &g_Settings.CDRFieldTime, &g_Settings.CDRFieldType,
                     &g_Settings.CDRFieldCallerId, &g_Settings.CDRFieldCalledNumber, &g_Settings.CDRFieldLength,
                     &g_Settings.CDRFieldCause})
        *f = 9;
    struct { uint8_t in, out; const char* line; } ports[] = {
        {(1 << 5) | 31, (2 << 5) | 0, "PSTN/31;E1-C/0\r\n"},
        {(3 << 5) | 5, (4 << 5) | 31, "E1-D/5;GSM/32\r\n"},
        {(5 << 5) | 1, (7 << 5) | 2, "/1;/2\r\n"},
    };
    for (const auto& p : ports)
    {
        Bytes rec = DeviceRecord();
        rec[9] = p.in;
        rec[10] = p.out;
        EXPECT_EQ(p.line, Line(rec));
    }
}

TEST_F(CdrExportTest, ExportWritesTheHeaderAndOneLinePerRecordOrTheRecordsUnchanged)
{
    Begin(CDR_FORMAT_TEXT_TAB);
    EXPECT_EQ(1, file.BeginExport());
    EXPECT_EQ(1, file.WriteRecords(Join(DeviceRecord(1), DeviceRecord(17, "99", "")).data(), 128));
    EXPECT_EQ(2u, file.GetRecordCount());
    file.Close();
    EXPECT_EQ("Date\tTime\tCall Type\tCaller Id\tCalled Number\tCall Length\tInput Port\tOutput Port\tCause\r\n"
              "5.3.2024\t14:07:09\tOutgoing PBX->GSM\t0123\t456\t1:02:05\tPBX/2\tGSM/3\t16\r\n"
              "5.3.2024\t14:07:09\tAnswered Call\t99\t\t1:02:05\tPBX/2\tGSM/3\t16\r\n",
              ReadWholeFile(path.c_str()));

    // Binary: the device's records as they came, unchecked.
    Begin(CDR_FORMAT_BINARY);
    ASSERT_EQ(1, file.BeginExport());
    Bytes block = Join(DeviceRecord(1), DeviceRecord(2));
    block[70] = 0x00;
    EXPECT_EQ(1, file.WriteRecords(block.data(), (DWORD)block.size()));
    EXPECT_EQ(1, file.WriteRecords(block.data(), 64));
    EXPECT_EQ(3u, file.GetRecordCount());
    file.Close();
    EXPECT_EQ(std::string(block.begin(), block.end()) + std::string(block.begin(), block.begin() + 64), ReadWholeFile(path.c_str()));
}

TEST_F(CdrExportTest, FailedWritesAreReportedInBothFormats)
{
    CFailingCdrFile failing;
    ASSERT_TRUE(failing.Open(path.c_str(), DISKFILE_WRITE | DISKFILE_CREATE));
    Bytes rec = DeviceRecord();

    failing.SetFormat(CDR_FORMAT_BINARY);
    EXPECT_EQ(0, failing.WriteRecords(rec.data(), 64));
    EXPECT_EQ((DWORD)CDR_ERROR_WRITE, failing.GetErrorCode());
    EXPECT_EQ(0u, failing.GetRecordCount());

    failing.SetFormat(CDR_FORMAT_TEXT_SEMICOLON);
    EXPECT_EQ(0, failing.BeginExport());
    EXPECT_EQ(0, failing.WriteRecords(rec.data(), 64));
    EXPECT_EQ((DWORD)CDR_ERROR_WRITE, failing.GetErrorCode());
    EXPECT_EQ(0u, failing.GetRecordCount());
}

TEST_F(CdrExportTest, ABlockEndingInsideARecordKeepsTheRecordsBeforeIt)
{
    Begin(CDR_FORMAT_TEXT_SEMICOLON);
    g_Settings.CDRHeader = 0;
    ASSERT_EQ(1, file.BeginExport());
    Bytes block = DeviceRecord();
    block.resize(100, 0x33);
    block[64] = 1; // the next record starts well, but is cut
    EXPECT_EQ(0, file.WriteRecords(block.data(), 100));
    EXPECT_EQ((DWORD)CDR_ERROR_RECORD_SIZE, file.GetErrorCode());
    EXPECT_EQ(1u, file.GetRecordCount());

    block[64] = 2; // the format byte is tested before the length
    EXPECT_EQ(0, file.WriteRecords(block.data(), 100));
    EXPECT_EQ((DWORD)CDR_ERROR_VERSION, file.GetErrorCode());
    EXPECT_EQ(2u, file.GetRecordCount());

    // A good block clears the error.
    EXPECT_EQ(1, file.WriteRecords(block.data(), 64));
    EXPECT_EQ(0u, file.GetErrorCode());
    file.Close();
    EXPECT_EQ(Line(DeviceRecord()) + Line(DeviceRecord()) + Line(DeviceRecord()), ReadWholeFile(path.c_str()));
}

// The proposed export name passes over every name that is taken: a file that
// another program holds open without sharing (a spreadsheet showing the
// morning's export) and a folder of that name are taken as well.
TEST_F(CdrExportTest, ProposedNamesSkipLockedFilesAndFolders)
{
    const std::string base = std::string(dir) + "\\CDR240305";
    SYSTEMTIME date = { 2024, 3, 0, 5 };
    HANDLE held = ::CreateFileA((base + ".CSV").c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(::CreateDirectoryA((base + "_01.CSV").c_str(), NULL));
    char name[MAX_PATH] = "";
    EXPECT_TRUE(CCdrExportFile::ProposeFileName(dir, CDR_FORMAT_TEXT_SEMICOLON, date, name, sizeof(name)));
    EXPECT_EQ(base + "_02.CSV", name);
    // Other formats have names of their own.
    EXPECT_TRUE(CCdrExportFile::ProposeFileName(dir, CDR_FORMAT_BINARY, date, name, sizeof(name)));
    EXPECT_EQ(base + ".BIN", name);
    ::CloseHandle(held);
    ::RemoveDirectoryA((base + "_01.CSV").c_str());
}
