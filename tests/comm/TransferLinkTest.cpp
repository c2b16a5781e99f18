#include <gtest/gtest.h>
#include "record/ConfigRecord.h"
#include "tests/support/EngineFrame.h"
#include <algorithm>
#include <cstring>

// Configuration transfers against the device simulator over the real TCP
// link. At the default pacing a full image takes longer than a test may run
// (one request per pacing delay), so most tests keep one request in flight:
// every answer then asks for the next block at once and the transfer runs at
// the link's speed. Out-of-order answers need several in flight: that test
// paces at the timer's shortest period.

using enginetest::DefaultDeviceImage;
using enginetest::EngineFrame;
using enginetest::FullDeviceImage;
using devsim::Bytes;

namespace
{
// A document as a technician makes one: defaults, 30 routing rules, two SIP
// trunks, and its last byte set so that the last block carries the padding.
Bytes EditedDocument()
{
    Bytes document = DefaultDeviceImage();
    for (DWORD i = 0; i < 30 * 64; ++i)
        document[CFG_OFS_ROUTING_RULES + i] = static_cast<BYTE>(i % 250);
    for (DWORD i = 0; i < 2 * 768; ++i)
        document[CFG_OFS_SIP_TRUNKS + i] = static_cast<BYTE>(i % 7);
    document[ENGINE_IMAGE_SIZE - 1] = 0x5A;
    return document;
}

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

    // Several requests in flight, paced at the timer's shortest period.
    static void Paced() { g_Settings.DataReadWriteMaxPendingRequests = 5; }

    // Image offsets of the block requests or writes the device saw.
    std::vector<DWORD> Offsets(BYTE tag)
    {
        std::vector<DWORD> offsets;
        for (const devsim::SimMessage& m : sim.Received())
        {
            const Bytes* address = m.Find(IE_ADDRESS);
            if (m.type == MSG_TYPE_REQUEST && m.Has(tag) && address && address->size() == 4)
                offsets.push_back((DWORD(address->at(0)) << 24 | DWORD(address->at(1)) << 16 | DWORD(address->at(2)) << 8 | address->at(3)) - DEVICE_IMAGE_BASE);
        }
        return offsets;
    }

    bool NothingAtOrPastTheImageEnd(BYTE tag)
    {
        for (DWORD offset : Offsets(tag))
            if (offset >= ENGINE_IMAGE_SIZE)
                return false;
        return true;
    }

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

TEST_F(TransferLinkTest, FullAndDefaultImagesDownloadByteExact)
{
    const Bytes full = FullDeviceImage();
    sim.SetImage(full);
    ASSERT_TRUE(Download());
    EXPECT_TRUE(EngineImageIs(full));

    // The image left by the full download must not show through the default
    // one's skipped tables.
    frame.statuses.clear();
    const Bytes defaults = DefaultDeviceImage();
    sim.SetImage(defaults);
    ASSERT_TRUE(Download());
    EXPECT_TRUE(EngineImageIs(defaults));
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_TRUE(NothingAtOrPastTheImageEnd(IE_DOWNLOAD_DATA));
}

TEST_F(TransferLinkTest, DownloadSurvivesALostBlockADuplicateSwappedAnswersAndAnAddressPastTheImage)
{
    Paced();
    const Bytes defaults = DefaultDeviceImage();
    sim.SetImage(defaults);
    devsim::SimFaults faults;
    faults.loseBlockAt = 40 * 128 + 1;
    faults.duplicateAnswer = 3;
    faults.swapAnswers = 2;
    faults.answerPastImage = 1;
    sim.SetFaults(faults);
    ASSERT_TRUE(Download());
    EXPECT_TRUE(EngineImageIs(defaults));
    EXPECT_TRUE(NothingAtOrPastTheImageEnd(IE_DOWNLOAD_DATA));
    // Every fault happened, and the lost block was asked for again.
    const devsim::SimFaults left = sim.GetFaults();
    EXPECT_EQ(0u, left.loseBlockAt);
    EXPECT_EQ(0, left.duplicateAnswer);
    EXPECT_EQ(0, left.swapAnswers);
    EXPECT_EQ(0, left.answerPastImage);
    const std::vector<DWORD> offsets = Offsets(IE_DOWNLOAD_DATA);
    EXPECT_GE(std::count(offsets.begin(), offsets.end(), 40u * 128u), 2);
}

TEST_F(TransferLinkTest, LostLastBlockIsAskedAgainAndNothingPastTheImage)
{
    // The default image ends with its last 4-byte block after the skipped
    // user table: nothing is left to ask for when its answer is lost.
    const Bytes defaults = DefaultDeviceImage();
    sim.SetImage(defaults);
    devsim::SimFaults faults;
    faults.loseBlockAt = 484864 + 1;
    sim.SetFaults(faults);
    ASSERT_TRUE(Download());
    EXPECT_TRUE(EngineImageIs(defaults));
    EXPECT_TRUE(NothingAtOrPastTheImageEnd(IE_DOWNLOAD_DATA));
    const std::vector<DWORD> offsets = Offsets(IE_DOWNLOAD_DATA);
    EXPECT_EQ(2, std::count(offsets.begin(), offsets.end(), 484864u));
}

TEST_F(TransferLinkTest, DownloadAsksThePasswordOnceAndGoesOn)
{
    const Bytes defaults = DefaultDeviceImage();
    sim.SetImage(defaults);
    sim.SetPassword("secret", true);
    engine.SetPassword("old");
    frame.password = "secret";
    ASSERT_TRUE(Download());
    EXPECT_EQ(1, frame.prompts);
    EXPECT_TRUE(EngineImageIs(defaults));
}

TEST_F(TransferLinkTest, DownloadWithoutAnswersFails)
{
    g_Settings.CommunicationTimeoutDataRead = 100;
    devsim::SimFaults faults;
    faults.noAnswer = -1;
    sim.SetFaults(faults);
    ASSERT_EQ(1, engine.StartDataDownload());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_OPERATION_FAILED, 0, 10000));
    EXPECT_EQ(ENGINE_FAILED, engine.GetState());
    EXPECT_FALSE(frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED));
}

TEST_F(TransferLinkTest, CancelStopsTheDownloadCleanly)
{
    sim.SetImage(FullDeviceImage());
    ASSERT_EQ(1, engine.StartDataDownload());
    EngineFrame::Pump(100);
    EXPECT_EQ(1, engine.CancelDataDownload());
    const size_t asked = Requests(IE_DOWNLOAD_DATA);
    EngineFrame::Pump(300);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_FALSE(engine.IsTimerArmed());
    EXPECT_LE(Requests(IE_DOWNLOAD_DATA), asked + 1);
    EXPECT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_CANCELLED, 100));
}

TEST_F(TransferLinkTest, UploadMakesTheDeviceImageEqualToTheDocumentAlsoAfterALostLastAcknowledgement)
{
    Bytes document = EditedDocument();
    document[4] = 0x12; // the commit marker is forced
    sim.SetRestart(100, true);
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, 20000));
    Bytes expected = document;
    expected[4] = 0xFF;
    expected[5] = 0xFF;
    EXPECT_TRUE(sim.GetImage() == expected);
    EXPECT_TRUE(NothingAtOrPastTheImageEnd(IE_UPLOAD_DATA));

    // The last block ends with the image's last byte and four bytes of padding.
    Bytes lastBlock;
    for (const devsim::SimMessage& m : sim.Received())
        if (m.type == MSG_TYPE_REQUEST && m.Has(IE_UPLOAD_DATA))
            lastBlock = *m.Find(IE_UPLOAD_DATA);
    const DWORD last = Offsets(IE_UPLOAD_DATA).back();
    ASSERT_EQ(ENGINE_IMAGE_SIZE - last + 4, lastBlock.size());
    EXPECT_EQ(0x5A, lastBlock[lastBlock.size() - 5]);
    EXPECT_EQ((Bytes{ 0xFF, 0xFF, 0xFF, 0xFF }), Bytes(lastBlock.end() - 4, lastBlock.end()));

    // The device restarts and announces its firmware; the engine comes back
    // to state 10. The engine is ready already before the announcement, so
    // the next upload waits for it (an announcement during a transfer ends it).
    for (int i = 0; i < 500 && !(frame.Has(ENGINE_STATUS_FIRMWARE_RUNNING) && engine.GetState() == ENGINE_READY); ++i)
        EngineFrame::Pump(10);
    ASSERT_TRUE(frame.Has(ENGINE_STATUS_FIRMWARE_RUNNING));
    ASSERT_EQ(ENGINE_READY, engine.GetState());

    // Again, with the last block's acknowledgement lost and a password asked
    // first: the last block goes again, nothing past the image.
    sim.SetImage(DefaultDeviceImage());
    sim.ClearReceived();
    frame.statuses.clear();
    devsim::SimFaults faults;
    faults.loseBlockAt = last + 1;
    sim.SetFaults(faults);
    sim.SetPassword("secret", true);
    engine.SetPassword("old");
    frame.password = "secret";
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, 20000))
        << frame.StatusText() << " state " << engine.GetState();
    EXPECT_EQ(1, frame.prompts);
    const std::vector<DWORD> second = Offsets(IE_UPLOAD_DATA);
    EXPECT_EQ(2, std::count(second.begin(), second.end(), last));
    EXPECT_TRUE(NothingAtOrPastTheImageEnd(IE_UPLOAD_DATA));
    EXPECT_TRUE(sim.GetImage() == expected);
}

TEST_F(TransferLinkTest, UploadSurvivesARestartFirstALostAcknowledgementAndADuplicate)
{
    const Bytes document = DefaultDeviceImage();
    Bytes expected = document;
    expected[4] = expected[5] = 0xFF;
    devsim::SimFaults faults;
    faults.restartBeforeUpload = 1;
    faults.loseBlockAt = 256 + 1; // the second block, behind the erased run after the network part
    faults.duplicateAnswer = 4;
    sim.SetFaults(faults);
    sim.SetRestart(100, false);
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, 20000));
    EXPECT_TRUE(sim.GetImage() == expected);
    const devsim::SimFaults left = sim.GetFaults();
    EXPECT_EQ(0, left.restartBeforeUpload);
    EXPECT_EQ(0u, left.loseBlockAt);
    EXPECT_EQ(0, left.duplicateAnswer);
}

TEST_F(TransferLinkTest, RefusalsRewindThenEndWithTheirCauseAndNotAllowedStops)
{
    sim.SetImage(DefaultDeviceImage());
    // Two refusals are got over by rewinding.
    sim.RefuseNext(IE_DOWNLOAD_DATA, 0x85, 2);
    ASSERT_TRUE(Download());

    // Refused every time: the first request and three repeats, then the cause.
    frame.statuses.clear();
    sim.ClearReceived();
    sim.RefuseNext(IE_DOWNLOAD_DATA, 0x85, -1);
    ASSERT_EQ(1, engine.StartDataDownload());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_NEGATIVE, 5000));
    EXPECT_EQ(4u, Requests(IE_DOWNLOAD_DATA));
    EXPECT_STREQ("85", engine.GetCauseText());
    EXPECT_EQ(ENGINE_READY, engine.GetState());

    frame.statuses.clear();
    sim.RefuseNext(IE_DOWNLOAD_DATA, 0x94, 1);
    ASSERT_EQ(1, engine.StartDataDownload());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_NOT_ALLOWED, 0, 5000));
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_FALSE(frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED));

    // An upload whose blocks are refused with 0x83 ends with its cause, and
    // the frame hears of each refusal.
    frame.statuses.clear();
    const Bytes document = EditedDocument();
    sim.RefuseNext(IE_UPLOAD_DATA, 0x83, -1);
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_NEGATIVE, 5000));
    EXPECT_STREQ("83", engine.GetCauseText());
    EXPECT_TRUE(frame.Has(ENGINE_STATUS_REFUSED));
    EXPECT_EQ(ENGINE_READY, engine.GetState());

    frame.statuses.clear();
    sim.RefuseNext(IE_UPLOAD_SIZE, 0x94, 1);
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_NOT_ALLOWED, 0, 5000));
    EXPECT_EQ(ENGINE_READY, engine.GetState());
}

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

TEST_F(TransferLinkTest, ARestartInPlaceOfAnAnswerEndsTheDownloadAsRestarted)
{
    sim.SetImage(DefaultDeviceImage());
    devsim::SimFaults faults;
    faults.restartInsteadAt = 3;
    sim.SetFaults(faults);
    ASSERT_EQ(1, engine.StartDataDownload());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_DEVICE_RESTARTED, 5000))
        << frame.StatusText();
    // The loader is acknowledged and switched back to the firmware.
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0, 5000)) << frame.StatusText();
    EXPECT_FALSE(frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED));
    EXPECT_EQ(1u, Requests(IE_SWITCH_TO_FIRMWARE));
}
