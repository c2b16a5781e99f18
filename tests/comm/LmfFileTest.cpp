#include <gtest/gtest.h>
#include "comm/LmfFile.h"
#include "comm/CommLogCtrl.h"
#include <string>
#include <vector>

namespace
{
const char kPath[] = "lmf_test.lmf";
const DWORD kReadFlags = DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING;

// An LmF image built byte by byte.
struct LmfImage
{
    std::vector<BYTE> bytes;

    static void Put32(std::vector<BYTE>& v, DWORD x)
    {
        for (int i = 0; i < 4; ++i)
            v.push_back((BYTE)(x >> (8 * i)));
    }

    LmfImage& Header(BYTE type, DWORD address, DWORD size, const char* magic = "LmF")
    {
        bytes.insert(bytes.end(), magic, magic + 3);
        bytes.push_back(type);
        Put32(bytes, address);
        Put32(bytes, size);
        return *this;
    }

    LmfImage& Block(BYTE type, DWORD address, const std::vector<BYTE>& data)
    {
        Header(type, address, (DWORD)data.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }

    LmfImage& Filled(BYTE type, DWORD address, DWORD size)
    {
        std::vector<BYTE> data(size);
        for (DWORD i = 0; i < size; ++i)
            data[i] = (BYTE)i;
        return Block(type, address, data);
    }

    void Write(const char* path = kPath) const
    {
        HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD put = 0;
        if (!bytes.empty())
            ::WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, NULL);
        ::CloseHandle(h);
    }
};

// Data of an identification block: some code, the identification, its zero
// byte, padding zeros and the version text.
std::vector<BYTE> IdData(size_t lead, const std::string& version, size_t zeros = 2)
{
    std::vector<BYTE> data(lead, 0x5A);
    const char* id = kLmfDeviceIdentification;
    data.insert(data.end(), id, id + strlen(id) + 1);
    data.insert(data.end(), zeros, 0);
    data.insert(data.end(), version.begin(), version.end());
    data.push_back(0);
    return data;
}

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
        image.Write();
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
    LmfImage image;
    image.Filled(0, 0x60100000, 16).Block(1, 0x60110000, IdData(100, "VX 4.02.17", 3));
    ASSERT_EQ(LMF_LOAD_OK, Load(image));
    char text[64] = "";
    EXPECT_EQ(1, m_file.CheckIdentification(text));
    EXPECT_STREQ("VX 4.02.17", text);
    EXPECT_EQ(1, m_file.CheckIdentification(nullptr));

    // A type-1 block without the identification fails the check.
    LmfImage wrong;
    std::vector<BYTE> other = IdData(0, "V1");
    other[3] = 'X';
    wrong.Block(1, 0x60100000, other);
    ASSERT_EQ(LMF_LOAD_OK, Load(wrong));
    EXPECT_EQ(0, m_file.CheckIdentification(text));
    EXPECT_STREQ("", text);
}

TEST_F(LmfFileTest, TheLastIdentificationFoundGivesTheVersionText)
{
    std::vector<BYTE> twice = IdData(8, "V2.0");
    std::vector<BYTE> second = IdData(4, "V2.1");
    twice.insert(twice.end(), second.begin(), second.end());
    LmfImage image;
    image.Block(1, 0x60100000, IdData(0, "V1.0"))
        .Block(1, 0x60110000, twice)
        .Block(1, 0x60120000, std::vector<BYTE>(64, 0x33)) // type 1 without it: no change
        .Filled(0, 0x60130000, 16);
    ASSERT_EQ(LMF_LOAD_OK, Load(image));
    char text[64] = "";
    EXPECT_EQ(1, m_file.CheckIdentification(text));
    EXPECT_STREQ("V2.1", text);
}

TEST_F(LmfFileTest, IdentificationIsSoughtOnlyWithinTheFirst1024Bytes)
{
    size_t idLength = strlen(kLmfDeviceIdentification) + 1;
    // The zero byte after the identification is the 1024th byte: found.
    LmfImage inside;
    inside.Block(1, 0x60100000, IdData(1024 - idLength, "V1"));
    ASSERT_EQ(LMF_LOAD_OK, Load(inside));
    char text[64] = "";
    EXPECT_EQ(1, m_file.CheckIdentification(text));
    // The version text lies beyond the bytes read: none is copied.
    EXPECT_STREQ("", text);

    // One byte later the zero byte lies beyond them: not found.
    LmfImage outside;
    outside.Block(1, 0x60100000, IdData(1024 - idLength + 1, "V1"));
    ASSERT_EQ(LMF_LOAD_OK, Load(outside));
    EXPECT_EQ(0, m_file.CheckIdentification(text));
}

TEST_F(LmfFileTest, VersionTextIsBoundedBy63CharactersAndTheBytesRead)
{
    LmfImage image;
    image.Block(1, 0x60100000, IdData(0, std::string(200, 'v')));
    ASSERT_EQ(LMF_LOAD_OK, Load(image));
    char text[64];
    memset(text, '#', sizeof(text));
    EXPECT_EQ(1, m_file.CheckIdentification(text));
    EXPECT_EQ(std::string(63, 'v'), std::string(text));

    // A version text with no end in the block stops at the block's end.
    std::vector<BYTE> data = IdData(0, "ABC");
    data.pop_back();
    LmfImage open;
    open.Block(1, 0x60100000, data).Block(0, 0x60110000, { 'Z', 'Z', 'Z', 'Z' });
    ASSERT_EQ(LMF_LOAD_OK, Load(open));
    EXPECT_EQ(1, m_file.CheckIdentification(text));
    EXPECT_STREQ("ABC", text);
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

    struct Expected { DWORD address; int length; BYTE first; int newBlock; };
    const Expected chunks[] = {
        { 0x6010FFF8, 8, 0x00, 0 },
        { 0x60110000, 0x18, 0x08, 0 },
        { 0x00020000, 208, 0x00, 1 },
        { 0x000200D0, 208, 208, 0 },
        { 0x000201A0, 84, (BYTE)416, 0 },
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
        int more = m_file.NextChunk(&newBlock);
        if (&e != &chunks[4])
        {
            ASSERT_EQ(1, more);
            EXPECT_EQ((&e)[1].newBlock, newBlock);
        }
        else
            EXPECT_EQ(0, more);
    }
    BYTE buf[208];
    DWORD address = 0;
    EXPECT_EQ(0, m_file.ReadChunk(buf, 208, &address));
    EXPECT_EQ(0, m_file.GetBlockInfo(nullptr));
}

}

namespace
{
// A small deterministic generator: the same mutations on every run.
struct Lcg
{
    DWORD state;
    DWORD Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

TEST_F(LmfFileTest, MutatedFilesAreNeverReadOutsideThemselves)
{
    LmfImage base;
    base.Block(1, 0x60100000, IdData(40, "V7.7")).Filled(0, 0x6010FFF0, 40).Filled(0, 0x00020000, 300);
    Lcg rng = { 12345 };
    int accepted = 0;
    for (int round = 0; round < 300; ++round)
    {
        LmfImage image = base;
        std::vector<BYTE>& b = image.bytes;
        int changes = 1 + (int)(rng.Next() % 4);
        for (int c = 0; c < changes; ++c)
        {
            switch (rng.Next() % 4)
            {
            case 0: b[rng.Next() % b.size()] = (BYTE)rng.Next(); break;
            case 1: b.resize(rng.Next() % b.size()); break;
            case 2: b.insert(b.end(), rng.Next() % 40, (BYTE)rng.Next()); break;
            default: b[rng.Next() % 12] ^= (BYTE)(1u << (rng.Next() % 8)); break;
            }
            if (b.empty())
                break;
        }
        int result = Load(image, (round & 1) != 0);
        ASSERT_GE(result, LMF_LOAD_OK);
        ASSERT_LE(result, LMF_LOAD_FORMAT);
        if (result != LMF_LOAD_OK)
            continue;
        ++accepted;
        // Every block lies inside the file, and the chunks cover them exactly.
        DWORD total = 0;
        for (int i = 0; i < m_file.GetBlockCount(); ++i)
        {
            const LmfBlock& block = m_file.GetBlock(i);
            ASSERT_LE((unsigned long long)block.fileOffset + block.size, b.size());
            total += block.size;
        }
        char text[64];
        memset(text, 'x', sizeof(text));
        m_file.CheckIdentification(text);
        ASSERT_LT(strnlen(text, sizeof(text)), sizeof(text));
        m_file.ResetProgress();
        DWORD sent = 0;
        for (int guard = 0; guard < 100000; ++guard)
        {
            BYTE chunk[208];
            DWORD address;
            int n = m_file.ReadChunk(chunk, 208, &address);
            ASSERT_GE(n, 0);
            if (n == 0)
                break;
            sent += (DWORD)n;
            if (!m_file.NextChunk(nullptr))
                break;
        }
        EXPECT_EQ(total, sent);
    }
    EXPECT_GT(accepted, 0);
}
}
