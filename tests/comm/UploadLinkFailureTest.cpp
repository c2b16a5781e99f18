#include <gtest/gtest.h>
#include "record/ConfigRecord.h"
#include "tests/support/EngineFrame.h"

// An upload against the device simulator over the real TCP link that is
// never answered, or that the user cancels: it ends with its status and
// nothing more goes to the device.

using enginetest::EngineFrame;
using devsim::Bytes;

namespace
{
class UploadLinkFailureTest : public ::testing::Test, public enginetest::EngineOverTcp
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Start());
        g_Settings.DataReadWriteRequestDelay = 1;
        g_Settings.DataReadWriteMaxPendingRequests = 1;
        g_Settings.CommunicationTimeoutDataWriteStart = 100;
        g_Settings.CommunicationTimeoutDataWrite = 100;
        document.resize(sizeof(ConfigRecord));
        SetConfigDefaults(reinterpret_cast<ConfigRecord*>(document.data()));
        document[ENGINE_IMAGE_SIZE - 1] = 0x5A;
    }
    void TearDown() override { Stop(); }

    Bytes document;
};
} // namespace

TEST_F(UploadLinkFailureTest, UnansweredBlocksFailAfterThreeRepeats)
{
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    // The start is answered; from the first block on the device is silent.
    for (int i = 0; i < 200 && Requests(IE_UPLOAD_DATA) == 0; ++i)
        EngineFrame::Pump(5);
    devsim::SimFaults faults;
    faults.noAnswer = -1;
    sim.SetFaults(faults);
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_OPERATION_FAILED, 0, 10000));
    EXPECT_EQ(ENGINE_FAILED, engine.GetState());
    EXPECT_FALSE(engine.IsTimerArmed());
    EXPECT_FALSE(frame.Has(ENGINE_STATUS_UPLOAD_ENDED));
    const size_t sent = Requests(IE_UPLOAD_DATA);
    EngineFrame::Pump(300);
    EXPECT_EQ(sent, Requests(IE_UPLOAD_DATA)) << "nothing after the failure";
    EXPECT_EQ(0u, Requests(IE_UPLOAD_STOP));
}

TEST_F(UploadLinkFailureTest, CancelStopsTheUploadCleanly)
{
    ASSERT_EQ(1, engine.StartDataUpload(document.data(), FALSE));
    for (int i = 0; i < 200 && Requests(IE_UPLOAD_DATA) < 20; ++i)
        EngineFrame::Pump(5);
    ASSERT_GE(Requests(IE_UPLOAD_DATA), 20u);
    EXPECT_EQ(1, engine.CancelDataUpload());
    const size_t asked = Requests(IE_UPLOAD_DATA);
    EngineFrame::Pump(300);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_FALSE(engine.IsTimerArmed());
    EXPECT_LE(Requests(IE_UPLOAD_DATA), asked + 1); // one may have been on its way
    EXPECT_EQ(0u, Requests(IE_UPLOAD_STOP));
    EXPECT_TRUE(frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_CANCELLED, 100));
    EXPECT_FALSE(frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK));
}
