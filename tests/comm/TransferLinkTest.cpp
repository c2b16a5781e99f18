#include <gtest/gtest.h>
#include "record/ConfigRecord.h"
#include "tests/support/EngineFrame.h"
#include <algorithm>
#include <cstring>

// Transfers against the device simulator over the real TCP link, for what
// only the real link and threads show: unasked traffic in place of an answer.
// One request in flight, so every answer asks for the next block at once.

using enginetest::DefaultDeviceImage;
using enginetest::EngineFrame;
using devsim::Bytes;

namespace
{
class TransferLinkTest : public ::testing::Test, public enginetest::EngineOverTcp
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Start());
        g_Settings.DataReadWriteRequestDelay = 1;
        g_Settings.DataReadWriteMaxPendingRequests = 1;
        g_Settings.CommunicationTimeoutSwitchToFirmware = 150; // after an upload
    }
    void TearDown() override { Stop(); }

    bool Download()
    {
        if (engine.StartDataDownload() != 1)
            return false;
        return frame.WaitForStatus(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK, 20000);
    }

    // The engine is free again (an upload ends with the device's restart).
    bool PumpUntilReady()
    {
        for (int i = 0; i < 500; ++i)
        {
            if ((engine.GetState() == ENGINE_READY || engine.GetState() == ENGINE_INITIAL) && !engine.IsTimerArmed())
                return true;
            EngineFrame::Pump(10);
        }
        return false;
    }

    bool EngineImageIs(const Bytes& image)
    {
        return image.size() == ENGINE_IMAGE_SIZE && memcmp(engine.GetImage(), image.data(), ENGINE_IMAGE_SIZE) == 0;
    }
};

// Reacts to trace text as the monitor log does: monitoring goes on and its
// event mask goes out through the engine at once.
struct MonitorLogStartedByTrace : IEngineMonitorLog
{
    explicit MonitorLogStartedByTrace(CDeviceProtocol* e) : engine(e) {}
    void SetMonitoring(BOOL value) override
    {
        on = value;
        if (on)
            SendMonitorMask();
    }
    BOOL IsMonitoring() const override { return on; }
    int GetSubState() const override { return 0; }
    int SendMonitorMask() override { return engine->SendMonitorCommand("V=0000\r\n"); }
    void OnMonitorText(const char* t, int length) override
    {
        if (!on)
            SetMonitoring(TRUE);
        text.append(t, length);
    }
    void OnMonitorAck() override {}

    CDeviceProtocol* engine;
    BOOL on = FALSE;
    std::string text;
};
} // namespace

TEST_F(TransferLinkTest, MonitorTraceInPlaceOfABlockAnswerNeitherEndsNorStallsTheTransfer)
{
    MonitorLogStartedByTrace log(&engine);
    engine.SetMonitorLog(&log);
    sim.SetRestart(100, false);
    const Bytes defaults = DefaultDeviceImage();
    Bytes expectedUpload = defaults;
    expectedUpload[4] = expectedUpload[5] = 0xFF;
    // Which answer the trace replaces: an upload's first is its start's.
    const struct
    {
        bool upload;
        int answer;
    } cases[] = { { false, 1 }, { false, 40 }, { true, 2 }, { true, 40 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.upload ? "upload" : "download") << " answer " << c.answer);
        ASSERT_TRUE(PumpUntilReady());
        log.on = FALSE;
        log.text.clear();
        frame.statuses.clear();
        sim.ClearReceived();
        sim.SetImage(c.upload ? Bytes(ENGINE_IMAGE_SIZE, 0xFF) : defaults);
        devsim::SimFaults faults;
        faults.traceInsteadAt = c.answer;
        sim.SetFaults(faults);
        if (c.upload)
        {
            ASSERT_EQ(1, engine.StartDataUpload(defaults.data(), FALSE));
            ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, 20000)) << frame.StatusText();
            EXPECT_TRUE(sim.GetImage() == expectedUpload);
        }
        else
        {
            ASSERT_TRUE(Download()) << frame.StatusText();
            EXPECT_TRUE(EngineImageIs(defaults));
        }
        EXPECT_EQ(devsim::CDeviceSimulator::kHostileTrace, log.text);
        EXPECT_EQ(1u, Requests(IE_MONITOR_TEXT));
    }
    engine.SetMonitorLog(nullptr);
}


// A device that cuts or lengthens every 20th block's data element (its
// length byte and checksum right): the download ends with the device's record
// exactly, each such block asked for again, never with bytes it does not hold.
TEST_F(TransferLinkTest, BlockAnswersOfAnotherLengthAreAskedAgainUntilTheRecordIsExact)
{
    g_Settings.CommunicationTimeoutDataRead = 40;
    const Bytes device = DefaultDeviceImage();
    int cleanRequests = 0;
    for (size_t length : { size_t(0), size_t(64), size_t(192) })
    {
        SCOPED_TRACE(testing::Message() << length << " bytes");
        ASSERT_TRUE(PumpUntilReady());
        frame.statuses.clear();
        sim.SetImage(device);
        sim.Lock();
        sim.data.downloadRequests = 0;
        sim.Unlock();
        devsim::SimFaults faults;
        faults.resizeDataEvery = length ? 20 : 0;
        faults.resizedDataLength = length;
        sim.SetFaults(faults);
        ASSERT_TRUE(Download()) << frame.StatusText();
        EXPECT_TRUE(EngineImageIs(device));
        sim.Lock();
        const int requests = sim.data.downloadRequests;
        sim.Unlock();
        if (!length)
            cleanRequests = requests;
        else // the spoiled blocks asked for again
            EXPECT_GT(requests, cleanRequests);
    }
}
