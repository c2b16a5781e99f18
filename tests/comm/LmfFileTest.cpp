#include <gtest/gtest.h>
#include "comm/LmfFile.h"
#include "tests/support/CommTestSupport.h"
#include <string>
#include <vector>

using namespace commtest;

namespace
{
const char kPath[] = "lmf_test.lmf";
const DWORD kReadFlags = DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING;

class LmfFileTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        m_file.Close();
        ::DeleteFileA(kPath);
    }

    // Configured as the engine configures its reader.
    int Load(const LmfImage& image, BOOL idRequired = TRUE)
    {
        m_file.Close();
        WriteWholeFile(kPath, image.bytes);
        m_file.SetChunkLimit(0x10000);
        m_file.SetIdBlockRequired(idRequired);
        if (!m_ranges)
        {
            m_file.AddAllowedRange(0x60100000, 0x100000);
            m_file.AddAllowedRange(0x00020000, 0x60000);
            m_file.AddAllowedRange(0xF0000000, 0x4000000);
            m_ranges = true;
        }
        if (!m_file.Open(kPath, kReadFlags))
            return -1;
        return m_file.Load();
    }

    CLmfFile m_file;
    bool m_ranges = false;
};

TEST_F(LmfFileTest, RefusesEmptyUnopenedAndMalformedFiles)
{
    EXPECT_EQ(LMF_LOAD_NOT_OPEN, m_file.Load());
    EXPECT_EQ(LMF_LOAD_EMPTY, Load(LmfImage()));
    EXPECT_EQ(LMF_LOAD_FORMAT, Load(LmfImage().Header(1, 0x60100000, 0)));
    EXPECT_EQ(LMF_LOAD_FORMAT, Load(LmfImage().Header(1, 0x60100000, 4, "LmG").Filled(1, 0, 0)));
    EXPECT_EQ(LMF_LOAD_FORMAT, Load(LmfImage().Filled(2, 0x60100000, 16)));
    EXPECT_EQ(0, m_file.GetBlockCount());
}

TEST_F(LmfFileTest, ABlockRunningPastTheEndOfTheFileIsRefusedAsTruncated)
{
    LmfImage image;
    image.Block(1, 0x60100000, IdData(0, "V1")).Filled(0, 0x60110000, 64);
    ASSERT_EQ(LMF_LOAD_OK, Load(image));
    ASSERT_EQ(2, m_file.GetBlockCount());
    EXPECT_EQ(12u + (DWORD)IdData(0, "V1").size() + 12u, m_file.GetBlock(1).fileOffset);

    image.bytes.pop_back();
    EXPECT_EQ(LMF_LOAD_FORMAT, Load(image));

    // A size near 4 GiB must not wrap the end-of-file check.
    LmfImage huge;
    huge.Block(1, 0x60100000, IdData(0, "V1")).Header(0, 0x60110000, 0xFFFFFFF8).Filled(0, 0, 8);
    EXPECT_EQ(LMF_LOAD_FORMAT, Load(huge));
}

TEST_F(LmfFileTest, IdentificationGivesTheVersionTextAfterIt)
{
    const size_t idLength = strlen(kLmfDeviceIdentification) + 1;
    std::vector<BYTE> notId = IdData(0, "V1");
    notId[3] = 'X';
    std::vector<BYTE> twice = IdData(8, "V2.0");
    std::vector<BYTE> second = IdData(4, "V2.1");
    twice.insert(twice.end(), second.begin(), second.end());
    std::vector<BYTE> openText = IdData(0, "ABC");
    openText.pop_back();

    struct Case { const char* what; LmfImage image; int found; std::string text; };
    const Case cases[] = {
        { "after code and padding", LmfImage().Filled(0, 0x60100000, 16).Block(1, 0x60110000, IdData(100, "VX 4.02.17", 3)), 1, "VX 4.02.17" },
        { "type 1 without it", LmfImage().Block(1, 0x60100000, notId), 0, "" },
        // The earlier code stopped at the first; the last one found counts.
        { "the last one found", LmfImage().Block(1, 0x60100000, IdData(0, "V1.0")).Block(1, 0x60110000, twice)
                                    .Block(1, 0x60120000, std::vector<BYTE>(64, 0x33)).Filled(0, 0x60130000, 16), 1, "V2.1" },
        // Sought within the first 1024 bytes: its zero byte is the 1024th, the
        // version text lies beyond the bytes read and none is copied.
        { "zero byte at 1024", LmfImage().Block(1, 0x60100000, IdData(1024 - idLength, "V1")), 1, "" },
        { "zero byte at 1025", LmfImage().Block(1, 0x60100000, IdData(1024 - idLength + 1, "V1")), 0, "" },
        { "bounded by 63 characters", LmfImage().Block(1, 0x60100000, IdData(0, std::string(200, 'v'))), 1, std::string(63, 'v') },
        { "no end in the block", LmfImage().Block(1, 0x60100000, openText).Block(0, 0x60110000, { 'Z', 'Z', 'Z', 'Z' }), 1, "ABC" },
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(LMF_LOAD_OK, Load(c.image)) << c.what;
        char text[64];
        memset(text, '#', sizeof(text));
        EXPECT_EQ(c.found, m_file.CheckIdentification(text)) << c.what;
        EXPECT_EQ(c.text, std::string(text, strnlen(text, sizeof(text)))) << c.what;
    }
    EXPECT_EQ(1, m_file.CheckIdentification(nullptr));
}

TEST_F(LmfFileTest, AddressSpaceCheckReportsTheFirstBlockOutside)
{
    LmfImage fits;
    fits.Block(0, 0x601FFFE0, std::vector<BYTE>(32, 1));
    ASSERT_EQ(LMF_LOAD_OK, Load(fits, FALSE));
    DWORD start = 0, size = 0;
    EXPECT_EQ(1, m_file.CheckAddressSpace(&start, &size)); // ends at 0x601FFFFF

    LmfImage outside;
    outside.Filled(0, 0x00020000, 16).Filled(0, 0x601FFFE1, 32).Filled(0, 0x70000000, 4);
    ASSERT_EQ(LMF_LOAD_OK, Load(outside, FALSE));
    EXPECT_EQ(0, m_file.CheckAddressSpace(&start, &size)); // ends at 0x60200000
    EXPECT_EQ(0x601FFFE1u, start);
    EXPECT_EQ(32u, size);

    // A block that wraps past 4 GiB does not fit the range at 0xF0000000.
    LmfImage wraps;
    wraps.Filled(0, 0xFFFFFFF0, 0x20);
    ASSERT_EQ(LMF_LOAD_OK, Load(wraps, FALSE));
    EXPECT_EQ(0, m_file.CheckAddressSpace(&start, &size));
    EXPECT_EQ(0xFFFFFFF0u, start);
}

TEST_F(LmfFileTest, ChunksStopAtBlockEndsAnd64KiBBoundaries)
{
    LmfImage image;
    image.Filled(1, 0x6010FFF8, 0x20).Filled(0, 0x00020000, 500);
    ASSERT_EQ(LMF_LOAD_OK, Load(image, FALSE));
    EXPECT_EQ(0x20u + 500u, m_file.TotalBytes());
    m_file.ResetProgress();

    // Each chunk, and whether another follows and starts a new block.
    struct Expected { DWORD address; int length; BYTE first; int more, newBlock; };
    const Expected chunks[] = {
        { 0x6010FFF8, 8, 0x00, 1, 0 },   { 0x60110000, 0x18, 0x08, 1, 1 }, { 0x00020000, 208, 0x00, 1, 0 },
        { 0x000200D0, 208, 208, 1, 0 }, { 0x000201A0, 84, (BYTE)416, 0, 0 },
    };
    DWORD done = 0;
    int newBlock = -1;
    ASSERT_EQ(1, m_file.NextChunk(&newBlock)); // nothing read yet: stays
    EXPECT_EQ(0, newBlock);
    for (const Expected& e : chunks)
    {
        EXPECT_EQ(e.address, m_file.CurrentAddress());
        EXPECT_EQ(done, m_file.BytesDone());
        BYTE buf[208];
        DWORD address = 0;
        ASSERT_EQ(e.length, m_file.ReadChunk(buf, 208, &address));
        EXPECT_EQ(e.address, address);
        EXPECT_EQ(e.first, buf[0]);
        done += (DWORD)e.length;
        newBlock = 0;
        EXPECT_EQ(e.more, m_file.NextChunk(&newBlock)) << std::hex << e.address;
        EXPECT_EQ(e.newBlock, newBlock) << std::hex << e.address;
    }
    BYTE buf[208];
    DWORD address = 0;
    EXPECT_EQ(0, m_file.ReadChunk(buf, 208, &address));
    EXPECT_EQ(0, m_file.GetBlockInfo(nullptr));
}

}
