#include <gtest/gtest.h>
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "tests/support/EngineFrame.h"
#include "tools/devsim/DeviceSimulator.h"
#include <vector>

// The engine against the device simulator over the real TCP link, its reader
// and writer threads and thread timers.

using enginetest::EngineFrame;

namespace
{
class EngineLinkTest : public ::testing::Test, public enginetest::EngineOverTcp
{
protected:
    void SetUp() override { ASSERT_TRUE(Start()); }
    void TearDown() override { Stop(); }
};
} // namespace

TEST_F(EngineLinkTest, UnansweredRequestIsSentFourTimesThenFails)
{
    g_Settings.CommunicationTimeout = 100;
    devsim::SimFaults faults;
    faults.noAnswer = -1;
    sim.SetFaults(faults);
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_OPERATION_FAILED, 0, 5000));
    EXPECT_EQ(4u, Requests(IE_DATE_TIME));
    EXPECT_EQ(ENGINE_FAILED, engine.GetState());
}

TEST_F(EngineLinkTest, RefusedPasswordIsAskedAndTheRequestRepeated)
{
    sim.SetPassword("secret", true);
    engine.SetPassword("wrong");
    frame.password = "secret";
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK, 5000));
    EXPECT_EQ(1, frame.prompts);
    EXPECT_EQ(2u, Requests(IE_DATE_TIME));
    EXPECT_NE(0, engine.GetDeviceTime().wYear);
}

TEST_F(EngineLinkTest, NegativeAnswersEndWithTheirCause)
{
    sim.RefuseNext(IE_DATE_TIME, 0x85, 10);
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_NEGATIVE, 5000));
    EXPECT_STREQ("85", engine.GetCauseText());
    EXPECT_EQ(4u, Requests(IE_DATE_TIME));
}

TEST_F(EngineLinkTest, ResetEndsWithTheDeviceBackAndItsVersionsStored)
{
    sim.SetRestart(200, true);
    ASSERT_EQ(1, engine.ResetDevice());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_FIRMWARE_RUNNING, 0, 15000));
    EngineFrame::Pump(100);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_TRUE(frame.Has(ENGINE_STATUS_LINK_STATE));
    EXPECT_STREQ("3.0.0.5", engine.GetFirmwareVersion());
    EXPECT_STREQ("L1.07", engine.GetLoaderVersion());
    EXPECT_EQ(2, engine.GetRunningProgram());
    // The device's events were acknowledged.
    EXPECT_GE(sim.Acks(), 1);
}

TEST_F(EngineLinkTest, SystemInformationAndSplitDiagnosticsAnswers)
{
    ASSERT_EQ(1, engine.GetSystemInfo());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK, 5000));
    EXPECT_STREQ("3.0.0.5", engine.GetFirmwareVersion());
    EXPECT_STREQ("VELMOTREX-TEST", engine.GetDeviceName());
    EXPECT_EQ(0x00030005u, engine.GetBoardValue());
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_OK, 5000));

    sim.Lock();
    for (int i = 0; i < 32; ++i)
        sim.data.cards[i] = { true, static_cast<WORD>(0x100 + i), static_cast<BYTE>(i % 3), "card text of some length" };
    for (int i = 0; i < 20; ++i)
    {
        const std::string name = "user" + std::to_string(i);
        devsim::Bytes row(name.begin(), name.end());
        row.push_back(0);
        row.insert(row.end(), 12, static_cast<BYTE>(i % 2));
        sim.data.voipRows.push_back(row);
    }
    sim.Unlock();

    ASSERT_EQ(1, engine.RequestDiagnostics(10, 0));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DIAG_CARDS, 0, 5000));
    EXPECT_EQ(0x11F, engine.GetCards()[31].value);
    EXPECT_STREQ("card text of some length", engine.GetCards()[17].text);

    ASSERT_EQ(1, engine.RequestDiagnostics(20, 0));
    ASSERT_TRUE(frame.WaitForStatus(ENGINE_STATUS_DIAG_VOIP, 0, 5000));
    int rows = 0;
    for (int i = 0; i < DIAG_VOIP_TRUNK_ROWS; ++i)
        rows += engine.GetVoipTrunkRow(i)[0] ? 1 : 0;
    for (int i = 0; i < DIAG_VOIP_USER_ROWS; ++i)
        rows += engine.GetVoipUserRow(i)[0] ? 1 : 0;
    EXPECT_EQ(18, rows); // the 8 trunk slots hold 8 of the 10 trunk rows, and 10 users
}
