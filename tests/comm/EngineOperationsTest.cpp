#include <gtest/gtest.h>
#include "tests/support/CommTestSupport.h"
#include "tests/support/EngineHarness.h"
#include <functional>

// What every long operation shares: it ends with its own status, its file
// closed and its timer stopped when the device does not allow it, when the
// user gives no password after a refusal, when the user cancels, and when
// the link is gone for good and its repeats cannot go out.

using namespace enginetest;

namespace
{
struct Operation
{
    const char* name;
    int ended; // the status its end is told with
    std::function<int(Harness&)> start;
    std::pair<BYTE, Bytes> accepted; // the device's answer to the start; tag 0: none
    std::function<int(Harness&)> cancel;
    const char* cancelLine;
    std::function<bool(Harness&)> fileOpen;
};

enum Event { NotAllowed, LoginRefused, Cancelled, LinkGoneAtStart, LinkGoneLater };
} // namespace

TEST(EngineOperations, EveryOperationEndsWithItsStatusFileClosedAndTimerStopped)
{
    CScratchFolder folder;
    const std::string firmware = folder.Path("image.lmf"), wave = folder.Path("greeting.wav");
    ASSERT_TRUE(commtest::WriteSmallFirmware(firmware.c_str()));
    ASSERT_TRUE(WriteWholeFile(wave, commtest::FactWave(242)));
    const Bytes record(ENGINE_IMAGE_SIZE, 0x12);
    const Operation operations[] = {
        { "download", ENGINE_STATUS_DOWNLOAD_ENDED, [](Harness& h) { return h.engine.StartDataDownload(); }, { 0, {} },
          [](Harness& h) { return h.engine.CancelDataDownload(); }, "Cancel data download", nullptr },
        { "upload", ENGINE_STATUS_UPLOAD_ENDED, [&](Harness& h) { return h.engine.StartDataUpload(record.data(), FALSE); },
          { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) }, [](Harness& h) { return h.engine.CancelDataUpload(); },
          "Cancel data upload", nullptr },
        { "firmware", ENGINE_STATUS_FLASH_ENDED,
          [&](Harness& h) { return commtest::OpenForUpdate(h.engine.GetLmfFile(), firmware.c_str()) ? h.engine.StartFirmwareUpdate() : 0; },
          { IE_FLASH_START, { 1 } }, nullptr, nullptr, [](Harness& h) { return h.engine.GetLmfFile().IsOpen() != FALSE; } },
        { "announcement", ENGINE_STATUS_ANNOUNCEMENT_ENDED,
          [&](Harness& h) { return commtest::OpenForUpdate(h.engine.GetWaveFile(), wave.c_str()) ? h.engine.StartAnnouncementUpdate(1) : 0; },
          { IE_ANNOUNCEMENT_START, { 1 } }, [](Harness& h) { return h.engine.CancelAnnouncementUpdate(); },
          "Cancel announcements update", [](Harness& h) { return h.engine.GetWaveFile().IsOpen() != FALSE; } },
    };
    for (const Operation& op : operations)
    {
        for (Event event : { NotAllowed, LoginRefused, Cancelled, LinkGoneAtStart, LinkGoneLater })
        {
            if (event == Cancelled && !op.cancel)
                continue;
            SCOPED_TRACE(testing::Message() << op.name << " event " << event);
            Harness h;
            h.frame.passwordAnswer = 0;
            ASSERT_EQ(1, op.start(h));
            if (op.accepted.first && (event == Cancelled || event == LinkGoneLater))
                h.Positive({ op.accepted });
            h.Settle();
            Status expected = { ENGINE_STATUS_NOT_ALLOWED, 0, false };
            if (event == NotAllowed)
                h.Refuse({ 0x94 });
            else if (event == LoginRefused)
            {
                h.Refuse({ 0x92 });
                EXPECT_EQ(1, h.frame.passwordPrompts);
                expected = { op.ended, ENGINE_RESULT_LOGIN_REFUSED, false };
            }
            else if (event == Cancelled)
            {
                EXPECT_EQ(1, op.cancel(h));
                EXPECT_TRUE(h.LogHas(op.cancelLine));
                expected = { op.ended, ENGINE_RESULT_CANCELLED, false };
            }
            else
            {
                // Repeats that cannot go out still count: a handful of ticks.
                h.frame.linkReady = 0;
                h.link.state = h.link.stateAfterReconnect = 0;
                int ticks = 0;
                while (h.Fire() && ticks < 50)
                    ++ticks;
                EXPECT_LE(ticks, 5);
                expected = { ENGINE_STATUS_OPERATION_FAILED, 0, false };
            }
            EXPECT_TRUE(h.TakeSent().empty());
            std::vector<Status> statuses = h.frame.Take();
            EXPECT_TRUE(std::find(statuses.begin(), statuses.end(), expected) != statuses.end());
            EXPECT_FALSE(h.engine.IsTimerArmed());
            EXPECT_FALSE(op.fileOpen && op.fileOpen(h));
        }
    }
}
