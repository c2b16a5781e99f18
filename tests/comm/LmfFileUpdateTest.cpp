#include <gtest/gtest.h>
#include "tests/support/CommTestSupport.h"
#include "tests/support/EngineHarness.h"
#include <algorithm>

using namespace enginetest;

namespace
{
const char kPath[] = "lmf_update.lmf";

using commtest::IdBlockData;
using commtest::LmfImage;

Bytes Chunk(size_t from, size_t count, const Bytes& data, size_t padTo = 0)
{
    Bytes c(data.begin() + from, data.begin() + from + count);
    c.resize(std::max(c.size(), padTo), 0xFF);
    return c;
}

class FirmwareUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        commtest::WriteSmallFirmware(kPath);
        h.engine.SetPassword("pw");
    }

    void TearDown() override
    {
        h.engine.GetLmfFile().Close();
        ::DeleteFileA(kPath);
    }

    // As the frame prepares an update.
    void OpenFile() { ASSERT_TRUE(commtest::OpenForUpdate(h.engine.GetLmfFile(), kPath)); }

    // Starts and lets the device accept the start.
    void StartAccepted()
    {
        OpenFile();
        ASSERT_EQ(1, h.engine.StartFirmwareUpdate());
        h.Positive({ { IE_FLASH_START, Bytes{ 1 } } });
    }

    // Starts and lets the device restart into its loader.
    void StartWaitingForTheLoader()
    {
        OpenFile();
        h.engine.StartFirmwareUpdate();
        h.Positive({ { IE_RESET, Bytes() } });
        ASSERT_EQ(ENGINE_FLASH_WAIT_LOADER, h.engine.GetState());
        h.Settle();
    }

    void Ack(DWORD address) { h.Positive({ { IE_FLASH_ADDRESS, Be32(address) } }); }

    static Bytes BlockRequest(const Bytes& chunk, DWORD address)
    {
        return Msg(MSG_TYPE_REQUEST, { { IE_FLASH_DATA, chunk }, { IE_FLASH_ADDRESS, Be32(address) } });
    }

    Harness h;
};

TEST_F(FirmwareUpdateTest, SmallFileGoesOutChunkByChunkWithItsStatuses)
{
    OpenFile();
    ASSERT_EQ(1, h.engine.StartFirmwareUpdate());
    EXPECT_EQ((std::vector<Bytes>{ Bytes{ 0xA1, 0x08, 0x21, 0x01, 0x01, 0xD1, 0x03, 'p', 'w', 0x00, 0x79 } }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 51, 0, false } }), h.frame.Take());
    EXPECT_EQ(ENGINE_FLASH_START, h.engine.GetState());
    EXPECT_EQ(5000u, h.timer.armedMs);

    const Bytes id = IdBlockData();
    const Bytes data = LmfImage::Counting(0x14, 0x80);
    h.Positive({ { IE_FLASH_START, Bytes{ 1 } } });
    EXPECT_EQ((std::vector<Bytes>{ BlockRequest(Chunk(0, 208, id), 0x60100000) }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 50, 0, false }, { 51, 0, false } }), h.frame.Take());
    EXPECT_EQ(ENGINE_FLASH_BLOCKS, h.engine.GetState());
    EXPECT_TRUE(h.LogHas("Loading FLASH block: 60100000 - 601000DF"));

    struct Step
    {
        DWORD ack;
        Bytes request;
        int percent;
    };
    const Step steps[] = {
        { 0x60100000, BlockRequest(Chunk(208, 16, id), 0x601000D0), 208 * 100 / 244 },
        { 0x601000D0, BlockRequest(Chunk(0, 8, data), 0x6010FFF8), 224 * 100 / 244 },
        // 12 bytes up to the boundary's other side, padded to 16.
        { 0x6010FFF8, BlockRequest(Chunk(8, 12, data, 16), 0x60110000), 232 * 100 / 244 },
    };
    for (const Step& step : steps)
    {
        Ack(step.ack);
        EXPECT_EQ(step.request, h.OnlySent()) << std::hex << step.ack;
        EXPECT_EQ((std::vector<Status>{ { 50, step.percent, false } }), h.frame.Take());
    }
    EXPECT_TRUE(h.LogHas("Loading FLASH block: 6010FFF8 - 6011000B"));

    Ack(0x60110000);
    EXPECT_EQ((std::vector<Bytes>{ Msg(MSG_TYPE_REQUEST, { { IE_FLASH_STOP, Bytes() } }) }), h.TakeSent());
    EXPECT_EQ((std::vector<Status>{ { 50, 100, false } }), h.frame.Take());
    EXPECT_EQ(10000u, h.timer.armedMs);
    EXPECT_TRUE(h.LogHas("Stop firmware update"));

    h.Positive({ { IE_FLASH_STOP, Bytes() } });
    EXPECT_EQ((std::vector<Status>{ { 52, 1, false }, { 500, 0, false } }), h.frame.Take());
    EXPECT_FALSE(h.engine.GetLmfFile().IsOpen());
    EXPECT_EQ(1, h.link.disconnects);
    EXPECT_EQ(ENGINE_SWITCHING_TO_FIRMWARE, h.engine.GetState());
    EXPECT_EQ(10000u, h.timer.armedMs);
}

// An acknowledgment for another address than the chunk in flight (a late
// duplicate of the one before, or one ahead) does not advance the update:
// nothing goes out, and the time-out sends the same chunk again.
TEST_F(FirmwareUpdateTest, AcknowledgmentOfAnotherAddressDoesNotAdvanceAndTheChunkGoesAgain)
{
    const struct
    {
        DWORD ack;
        const char* line;
    } cases[] = {
        { 0x60100000, "Acknowledge of invalid address (60100000)" }, // late: the chunk before
        { 0x6010FFF8, "Acknowledge of invalid address (6010FFF8)" }, // ahead
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        StartAccepted();
        h.Settle();
        Ack(0x60100000);
        const Bytes inFlight = h.OnlySent(); // the chunk at 601000D0
        h.frame.Take();
        Ack(c.ack);
        EXPECT_TRUE(h.TakeSent().empty());
        EXPECT_TRUE(h.frame.Take().empty());
        EXPECT_TRUE(h.LogHas(c.line));
        ASSERT_TRUE(h.Fire());
        EXPECT_EQ(inFlight, h.OnlySent());
        EXPECT_TRUE(h.frame.Take().empty()); // a repeat posts no progress
        EXPECT_EQ(1, h.engine.GetRetries());
        h.engine.GetLmfFile().Close();
        h.engine.StopTimer();
        h.Settle();
    }
}

TEST_F(FirmwareUpdateTest, AStartWithoutAFileOrAChunkThatCannotBeReadEndsAsFailed)
{
    h.engine.StartFirmwareUpdate();
    h.frame.Take();
    h.Positive({ { IE_FLASH_START, Bytes{ 1 } } });
    EXPECT_EQ((std::vector<Status>{ { 52, 2, false } }), h.frame.Take());

    StartAccepted();
    h.Settle();
    // The file's handle goes away under the reader.
    h.engine.GetLmfFile().CDiskFile::Close();
    Ack(0x60100000);
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ((std::vector<Status>{ { 52, 2, false } }), h.frame.Take());
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_EQ(0, h.engine.GetLmfFile().GetBlockCount()); // the reader was closed
    EXPECT_TRUE(h.LogHas("Firmware file read error"));
}

// The loader's "no firmware" starts an update only with a file loaded, and
// during an update starts it again from the first byte.
TEST_F(FirmwareUpdateTest, NoFirmwareStartsTheUpdateOnlyWithAFileLoadedAndAgainFromTheFirstByte)
{
    const Bytes noFirmware = Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, Bytes{ 0x83, 1 } }, { IE_CAUSE, Bytes{ 0x9F } } });
    h.Deliver(noFirmware);
    EXPECT_TRUE(h.frame.Has(210, 0));
    EXPECT_FALSE(SentTag(h.TakeSent(), IE_FLASH_START));

    StartAccepted();
    Ack(0x60100000);
    Ack(0x601000D0); // the reader is in the second block now
    h.TakeSent();
    h.Deliver(noFirmware);
    EXPECT_TRUE(SentTag(h.TakeSent(), IE_FLASH_START));
    EXPECT_EQ(ENGINE_FLASH_START, h.engine.GetState());
    h.Positive({ { IE_FLASH_START, Bytes{ 1 } } });
    EXPECT_EQ((std::vector<Bytes>{ BlockRequest(Chunk(0, 208, IdBlockData()), 0x60100000) }), h.TakeSent());
}

TEST_F(FirmwareUpdateTest, LoaderBackWhileWaitingForItIsAskedForTheFlashStart)
{
    // A USB port comes back by itself and the loader announces itself before
    // the wait is over: it must be asked for the flash start, not switched
    // back to the old firmware.
    h.link.serial = true;
    StartWaitingForTheLoader();
    h.link.state = 2;
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, Bytes{ 0x83, 1 } } }));
    EXPECT_EQ((std::vector<Bytes>{ Bytes{ 0xA1, 0x08, 0x21, 0x01, 0x01, 0xD1, 0x03, 'p', 'w', 0x00, 0x79 } }), h.TakeSent());
    EXPECT_EQ(0, h.engine.GetRetries());
    EXPECT_TRUE(h.engine.IsTimerArmed());
}

TEST_F(FirmwareUpdateTest, SilentLoaderFailsAfterThreeRepeatsEvenWhenTheyCannotGoOut)
{
    // The start repeated three times, going out or not; and the same after
    // the switch to the loader, where the wait's time-out cannot send
    // either: the wait, then three repeats.
    for (int step = 0; step < 3; ++step)
    {
        OpenFile();
        h.frame.linkReady = 1;
        h.engine.StartFirmwareUpdate();
        if (step == 2)
        {
            h.Positive({ { IE_RESET, Bytes() } });
            h.link.stateAfterReconnect = 0;
        }
        h.Settle();
        h.frame.linkReady = step == 0;
        ASSERT_TRUE(h.Fire(step == 2 ? 4 : 3));
        EXPECT_EQ(step == 0 ? 3u : 0u, h.TakeSent().size());
        EXPECT_EQ(5000u, h.timer.armedMs);
        h.frame.Take();
        ASSERT_TRUE(h.Fire());
        EXPECT_EQ((std::vector<Status>{ { 200, 0, false } }), h.frame.Take()) << step;
        EXPECT_FALSE(h.engine.GetLmfFile().IsOpen());
        EXPECT_FALSE(h.engine.IsTimerArmed());
    }
}

TEST(FirmwareProgressTest, LargeImagesDoNotWrapThePercentage)
{
    // 48 MiB of 50 MiB done: 96, where 32-bit arithmetic gives 14.
    EXPECT_EQ(96, ProgressPercent(0x3000000, 0x3200000));
    EXPECT_EQ(99, ProgressPercent(0xFFFFFFF0u, 0xFFFFFFFFu));
    EXPECT_EQ(100, ProgressPercent(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(0, ProgressPercent(5, 0));
}

TEST_F(FirmwareUpdateTest, CancelWhileWaitingForTheLoaderEndsAtOnce)
{
    StartWaitingForTheLoader();
    h.engine.CancelFirmwareUpdate(FALSE);
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ((std::vector<Status>{ { 52, 4, false } }), h.frame.Take());
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_FALSE(h.engine.GetLmfFile().IsOpen());
    EXPECT_TRUE(h.LogHas("Cancel firmware update"));

    // The loader announces itself later: it is switched back to the firmware.
    h.link.state = 2;
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, Bytes{ 0x83, 1 } } }));
    std::vector<Bytes> sent = h.TakeSent();
    EXPECT_FALSE(SentTag(sent, IE_FLASH_START));
    EXPECT_TRUE(SentTag(sent, IE_SWITCH_TO_FIRMWARE));
}
}
