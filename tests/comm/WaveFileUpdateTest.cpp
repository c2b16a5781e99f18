#include <gtest/gtest.h>
#include "tests/support/CommTestSupport.h"
#include "tests/support/EngineHarness.h"
#include <algorithm>

using namespace enginetest;

namespace
{
const char kPath[] = "announcement.wav";

class AnnouncementUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_file = commtest::FactWave(242); // 300 bytes
        WriteWholeFile(kPath, m_file);
        h.engine.SetPassword("pw");
        OpenFile();
    }

    void OpenFile() { ASSERT_TRUE(commtest::OpenForUpdate(h.engine.GetWaveFile(), kPath)); }

    void TearDown() override
    {
        h.engine.GetWaveFile().Close();
        ::DeleteFileA(kPath);
    }

    Bytes Block(size_t from, size_t count, size_t padTo)
    {
        Bytes data(m_file.begin() + from, m_file.begin() + from + count);
        data.resize(std::max(data.size(), padTo), 0xFF);
        return Msg(MSG_TYPE_REQUEST, { { IE_ANNOUNCEMENT_DATA, data }, { IE_ADDRESS, Be32((DWORD)from) } });
    }

    void Ack(DWORD address)
    {
        h.Positive({ { IE_ANNOUNCEMENT_DATA, Bytes() }, { IE_ADDRESS, Be32(address) } });
    }

    void StartAccepted()
    {
        ASSERT_EQ(1, h.engine.StartAnnouncementUpdate(1));
        h.Positive({ { IE_ANNOUNCEMENT_START, Bytes{ 1 } } });
        h.Settle();
    }

    Bytes m_file;
    Harness h;
};

TEST_F(AnnouncementUpdateTest, TheWholeFileGoesOutInBlocksAddressedByFileOffset)
{
    ASSERT_EQ(1, h.engine.StartAnnouncementUpdate(2));
    std::vector<Bytes> sent = h.TakeSent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(Msg(MSG_TYPE_REQUEST, { { IE_ANNOUNCEMENT_START, Bytes{ 2 } },
                                      { IE_ADDRESS, Bytes{ 0, 0, 0, 58 } },
                                      { IE_PASSWORD, Bytes{ 'p', 'w', 0 } } }),
              sent[0]);
    EXPECT_EQ((std::vector<Status>{ { 71, 0, false } }), h.frame.Take());
    EXPECT_EQ(ENGINE_ANNOUNCEMENT_START, h.engine.GetState());
    EXPECT_TRUE(h.LogHas("Start announcements update"));

    // The header goes with the first block; the last is padded with 0xFF.
    h.Positive({ { IE_ANNOUNCEMENT_START, Bytes{ 2 } } });
    EXPECT_EQ((std::vector<Bytes>{ Block(0, 208, 0) }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 70, 0, false } }), h.frame.Take());
    Ack(0);
    EXPECT_EQ((std::vector<Bytes>{ Block(208, 92, 96) }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 70, 208 * 100 / 300, false } }), h.frame.Take());
    Ack(208);
    EXPECT_EQ((std::vector<Bytes>{ Msg(MSG_TYPE_REQUEST, { { IE_ANNOUNCEMENT_STOP, Bytes{ 0 } } }) }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 70, 100, false } }), h.frame.Take());

    h.Positive({ { IE_ANNOUNCEMENT_STOP, Bytes{ 0 } } });
    EXPECT_EQ((std::vector<Status>{ { 72, 1, false } }), h.frame.Take());
    EXPECT_FALSE(h.engine.GetWaveFile().IsOpen());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_FALSE(h.engine.IsTimerArmed());
}

TEST_F(AnnouncementUpdateTest, FourEraseWaitsAreFreeAndTheFifthCounts)
{
    StartAccepted();
    const Bytes erasing = Msg(MSG_TYPE_POSITIVE, { { IE_FLASH_ERASE, Bytes() } });
    for (int i = 1; i <= 5; ++i)
    {
        h.Deliver(erasing);
        EXPECT_EQ(i, h.engine.GetEraseCount());
        EXPECT_EQ(1000u, h.timer.armedMs);
        ASSERT_TRUE(h.Fire());
        EXPECT_EQ((std::vector<Bytes>{ Block(0, 208, 0) }), h.TakeSent());
        EXPECT_EQ(i <= 4 ? 0 : 1, h.engine.GetRetries()) << i;
    }
    EXPECT_EQ(5u, h.LogCount("Erasing flash sector"));
    // An acknowledgment ends the erase waits.
    Ack(0);
    EXPECT_EQ(0, h.engine.GetEraseCount());
}

TEST_F(AnnouncementUpdateTest, RefusalEndsWithItsCauseAndARepeatedStartKeepsItsType)
{
    StartAccepted();
    h.Refuse({ 0x86 });
    EXPECT_EQ((std::vector<Status>{ { 72, 2, false } }), h.frame.Take());
    EXPECT_STREQ("86", h.engine.GetCauseText());
    EXPECT_FALSE(h.engine.GetWaveFile().IsOpen());

    // Accepted with no file open: nothing is sent, the update fails.
    h.engine.StartAnnouncementUpdate(0);
    h.Settle();
    h.Positive({ { IE_ANNOUNCEMENT_START, Bytes{ 0 } } });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ((std::vector<Status>{ { 72, 2, false } }), h.frame.Take());

    OpenFile();
    ASSERT_EQ(1, h.engine.StartAnnouncementUpdate(3));
    h.TakeSent();
    ASSERT_TRUE(h.Fire()); // the start goes again with its type
    Bytes type;
    ASSERT_TRUE(SentElement(h.OnlySent(), IE_ANNOUNCEMENT_START, &type));
    EXPECT_EQ(Bytes{ 3 }, type);
}

// The file goes away under the reader (a lost network drive), or is
// replaced by a shorter one after its check: never reported as complete,
// never sent with a gap.
TEST_F(AnnouncementUpdateTest, AFileThatCannotBeReadWholeEndsTheUpdateAsFailed)
{
    for (int cut = 0; cut <= 1; ++cut)
    {
        CWaveFile& wave = h.engine.GetWaveFile();
        if (!wave.IsOpen())
            OpenFile();
        StartAccepted();
        wave.Close();
        if (cut)
        {
            WriteWholeFile(kPath, m_file.data(), 250);
            ASSERT_TRUE(wave.CDiskFile::Open(kPath, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING));
        }
        Ack(0);
        EXPECT_TRUE(h.TakeSent().empty());
        EXPECT_EQ((std::vector<Status>{ { 72, 2, false } }), h.frame.Take());
        EXPECT_EQ(ENGINE_READY, h.engine.GetState());
        EXPECT_FALSE(h.engine.IsTimerArmed());
        EXPECT_FALSE(wave.IsOpen());
    }
    EXPECT_TRUE(h.LogHas("Announcement file read error"));
}
}
