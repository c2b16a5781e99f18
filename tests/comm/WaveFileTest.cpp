#include <gtest/gtest.h>
#include "comm/WaveFile.h"
#include "tests/support/CommTestSupport.h"
#include <cstring>
#include <vector>

using namespace commtest;

namespace
{
const char kPath[] = "wave_test.wav";

void PutId(std::vector<BYTE>& v, size_t at, const char* id)
{
    memcpy(&v[at], id, 4);
}

// The same samples with "data" right after the format chunk.
std::vector<BYTE> DataWave(size_t samples)
{
    std::vector<BYTE> v = FactWave(samples + 12);
    v.erase(v.begin() + 38, v.begin() + 50);
    Put32(v, 4, (DWORD)v.size() - 8);
    Put32(v, 42, (DWORD)samples);
    for (size_t i = 46; i < v.size(); ++i)
        v[i] = (BYTE)i;
    return v;
}

class WaveFileTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        m_wave.Close();
        ::DeleteFileA(kPath);
    }

    int Check(const std::vector<BYTE>& bytes)
    {
        m_wave.Close();
        WriteWholeFile(kPath, bytes);
        if (!m_wave.Open(kPath, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING))
            return -1;
        return m_wave.Open();
    }

    CWaveFile m_wave;
};

TEST_F(WaveFileTest, AcceptsTheExpectedHeaderInBothLayouts)
{
    EXPECT_EQ(WAVE_OK, Check(FactWave(0))); // exactly 58 bytes
    EXPECT_EQ(WAVE_OK, Check(FactWave(1000)));

    std::vector<BYTE> data = DataWave(100);
    ASSERT_EQ(WAVE_OK, Check(data));
    // Normalised to the "fact" layout: data id and size at 50, 38..49 zero.
    const BYTE* h = m_wave.GetHeader();
    for (int i = 38; i < 50; ++i)
        EXPECT_EQ(0, h[i]) << i;
    EXPECT_EQ(0, memcmp(h + 50, "data", 4));
    EXPECT_EQ(100, h[54]);
    EXPECT_EQ(0, memcmp(h, data.data(), 38));

    // Another chunk at 38 is passed over when "data" stands at 50.
    std::vector<BYTE> list = FactWave(10);
    PutId(list, 38, "LIST");
    EXPECT_EQ(WAVE_OK, Check(list));
}

TEST_F(WaveFileTest, RefusesEachDeviationFromTheHeader)
{
    EXPECT_EQ(WAVE_NOT_OPEN, m_wave.Open());
    EXPECT_EQ(WAVE_EMPTY, Check({}));
    std::vector<BYTE> shortFile = FactWave(0);
    shortFile.pop_back();
    EXPECT_EQ(WAVE_BAD_FORMAT, Check(shortFile));

    struct Change { size_t at; int width; DWORD value; };
    const Change changes[] = {
        { 0, 4, 0x46464952 + 1 }, // "RIFF"
        { 8, 4, 0 },              // "WAVE"
        { 12, 4, 0 },             // "fmt "
        { 16, 4, 16 },            // a plain PCM-style format chunk
        { 20, 2, 1 },             // PCM instead of A-law
        { 20, 2, 7 },             // mu-law
        { 22, 2, 2 },             // stereo
        { 24, 4, 16000 },
        { 28, 4, 16000 },
        { 32, 2, 2 },
        { 34, 2, 16 },
        { 36, 2, 2 },
        { 42, 4, 8 },             // fact chunk of another size
        { 50, 4, 0 },             // no "data" after the fact chunk
    };
    for (const Change& c : changes)
    {
        std::vector<BYTE> v = FactWave(64);
        if (c.width == 2)
            Put16(v, c.at, (WORD)c.value);
        else
            Put32(v, c.at, c.value);
        EXPECT_EQ(WAVE_BAD_FORMAT, Check(v)) << "offset " << c.at;
    }
    std::vector<BYTE> other = FactWave(10);
    PutId(other, 38, "LIST");
    PutId(other, 50, "junk");
    EXPECT_EQ(WAVE_BAD_FORMAT, Check(other));
}

TEST_F(WaveFileTest, TooLargeByHeaderOrByRealSize)
{
    // The RIFF size alone decides, before the rest of the header is looked at.
    std::vector<BYTE> big(58, 0);
    PutId(big, 0, "RIFF");
    Put32(big, 4, 0x3FF01);
    EXPECT_EQ(WAVE_TOO_LARGE, Check(big));

    // The largest file the device stores: RIFF size 0x3FF00.
    std::vector<BYTE> largest = FactWave(0x3FF08 - 58);
    EXPECT_EQ(WAVE_OK, Check(largest));

    // One byte more in the file, while the header still claims the limit:
    // the whole file would be sent, so it is refused as well.
    std::vector<BYTE> longer = largest;
    longer.push_back(0xD5);
    EXPECT_EQ(WAVE_TOO_LARGE, Check(longer));
    std::vector<BYTE> lying = FactWave(0x40000);
    Put32(lying, 4, 0x100);
    EXPECT_EQ(WAVE_TOO_LARGE, Check(lying));
}

}
