#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include <cstring>

using namespace enginetest;

namespace
{
const Bytes kEventAck = { 0xA2, 0x02, 0x12, 0x00, 0x4A };
const Bytes kSwitchToFirmware = { 0xA1, 0x02, 0x52, 0x00, 0x0B };
const Bytes kGetSystemInfo = { 0xA1, 0x02, 0x15, 0x00, 0x48 };

// Reset sent and accepted: the device restarts, the link is closed.
void ResetAccepted(Harness& h)
{
    ASSERT_EQ(1, h.engine.ResetDevice());
    h.Positive({ { IE_RESET, {} } });
    ASSERT_EQ(ENGINE_RESTARTING, h.engine.GetState());
    h.Settle();
}
} // namespace

TEST(EngineRestart, ResetOverTcpEndsWithTheFirmwareBackAndItsVersionsStored)
{
    Harness h;
    h.engine.SetPassword("pw");
    ASSERT_EQ(1, h.engine.ResetDevice());
    EXPECT_EQ((Bytes{ 0xA1, 0x07, 0x81, 0x00, 0xD1, 0x03, 'p', 'w', 0x00 }), WithoutChecksum(h.OnlySent()));
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_RESET_SENT, 0));
    EXPECT_TRUE(h.LogHas("Device RESET"));

    h.Positive({ { IE_RESET, {} } });
    EXPECT_EQ(1, h.link.disconnects);
    EXPECT_EQ(g_Settings.CommunicationTimeoutSwitchToLoader, h.timer.armedMs);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_LINK_STATE, 0));
    h.frame.Take();

    // The restart time-out opens the TCP link again and asks the system
    // information.
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(1, h.link.reconnects);
    EXPECT_EQ((std::vector<Bytes>{ kGetSystemInfo }), h.TakeSent());

    // The loader reports its start: acknowledged, and asked to switch.
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, { 0x83, 0x01 } }, { IE_LOADER_VERSION, Text("L1.07") } }));
    EXPECT_EQ((std::vector<Bytes>{ kEventAck, kSwitchToFirmware }), h.TakeSent());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_LOADER_RESTARTED, 0));
    EXPECT_STREQ("L1.07", h.engine.GetLoaderVersion());
    EXPECT_EQ(1, h.engine.GetBoardNumber());

    h.Positive({ { IE_SWITCH_TO_FIRMWARE, {} } });
    EXPECT_EQ(ENGINE_SWITCHING_TO_FIRMWARE, h.engine.GetState());
    EXPECT_EQ(2, h.link.disconnects);
    EXPECT_EQ(g_Settings.CommunicationTimeoutSwitchToFirmware, h.timer.armedMs);

    const char* longName = "A-DEVICE-NAME-OF-FORTY-CHARACTERS-LONG!!";
    h.link.state = 2;
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_FIRMWARE_RESTART, { 0x83, 0x00 } },
                                      { IE_FIRMWARE_VERSION, Text("3.0.0.5") },
                                      { IE_DEVICE_NAME, Text(longName) } }));
    EXPECT_TRUE(h.TakeSent().empty()); // no acknowledgement
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_FIRMWARE_RUNNING, 0));
    EXPECT_STREQ("3.0.0.5", h.engine.GetFirmwareVersion());
    EXPECT_EQ(std::string(longName, 32), h.engine.GetDeviceName());
    EXPECT_EQ(2, h.engine.GetRunningProgram());
    EXPECT_EQ(0, h.engine.GetBoardNumber());
}

TEST(EngineRestart, SwitchTimeoutAsksTheSystemInformationAndTakesTheBoard)
{
    Harness h;
    ResetAccepted(h);
    h.Fire();
    h.Positive({ { IE_SWITCH_TO_FIRMWARE, {} } });
    h.Settle();

    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(ENGINE_RESTART_SYSINFO_LAST, h.engine.GetState());
    EXPECT_EQ((std::vector<Bytes>{ kGetSystemInfo }), h.TakeSent());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_LINK_STATE, 0));

    h.Positive({ { IE_LOADER_VERSION, Text("L1") },
                 { IE_FIRMWARE_VERSION, Text("3.0.1.0") },
                 { IE_SYSTEM_INFO, { 2, 0x83, 1, 0x05, 0x00, 0x03, 0x00 } } });
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_FIRMWARE_RUNNING, 0));
    EXPECT_EQ((std::vector<DWORD>{ 2, 0x83, 1, 0x00030005 }), h.Board());
}

TEST(EngineRestart, LoaderAnsweringAfterTheSwitchWasAskedDoesNotWaitForEver)
{
    Harness h;
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, {} } }));
    ASSERT_EQ(ENGINE_RESTART_SYSINFO, h.engine.GetState());
    h.TakeSent();

    h.Positive({ { IE_LOADER_VERSION, Text("L1") }, { IE_SYSTEM_INFO, { 1 } } });
    EXPECT_TRUE(h.TakeSent().empty());
    ASSERT_TRUE(h.engine.IsTimerArmed());
    EXPECT_EQ(g_Settings.CommunicationTimeoutSwitchToFirmware, h.timer.armedMs);

    h.Fire();
    EXPECT_EQ((std::vector<Bytes>{ kSwitchToFirmware }), h.TakeSent());
    EXPECT_EQ(1, h.engine.GetRetries());

    // A negative answer in this state is acknowledged only.
    h.Refuse({ 0x81 });
    EXPECT_EQ((std::vector<Bytes>{ kEventAck }), h.TakeSent());
    EXPECT_EQ(ENGINE_RESTART_SYSINFO, h.engine.GetState());

    // After three repeats the last tries ask the system information once.
    h.Fire(2);
    h.TakeSent();
    h.Fire();
    EXPECT_EQ(ENGINE_RESTART_SYSINFO_LAST, h.engine.GetState());
    EXPECT_EQ((std::vector<Bytes>{ kGetSystemInfo }), h.TakeSent());
    h.frame.Take();
    h.Fire();
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_NO_ANSWER_AFTER_RESTART, 0));
    EXPECT_EQ(ENGINE_FAILED, h.engine.GetState());
}

TEST(EngineRestart, LoaderRestartDuringUploadStartSendsNoAcknowledgement)
{
    Harness h;
    std::vector<BYTE> record(ENGINE_IMAGE_SIZE, 0xFF);
    h.engine.GetDateTime();
    ASSERT_EQ(1, h.engine.StartDataUpload(record.data(), FALSE));
    h.TakeSent();
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, { 0x83, 0x00 } } }));
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_EQ(ENGINE_UPLOAD_START, h.engine.GetState());
    EXPECT_EQ(0u, h.engine.GetBusy() & BUSY_OPERATION_BITS);
}

TEST(EngineRestart, RestartDuringATransferEndsItAsFailedBeforeTheRestartIsReported)
{
    // The firmware restarts under a running download: no more requests.
    Harness h;
    ASSERT_EQ(1, h.engine.StartDataDownload());
    h.Settle();
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_FIRMWARE_RESTART, { 0x83, 0x00 } } }));
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_DEVICE_RESTARTED, false }, { ENGINE_STATUS_FIRMWARE_RUNNING, 0, false } }),
              h.frame.Take());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_TRUE(h.TakeSent().empty());

    // The loader restarts under the upload's blocks: the upload is over,
    // the device is acknowledged and switched back to its firmware.
    Harness u;
    std::vector<BYTE> record(ENGINE_IMAGE_SIZE, 0x11);
    ASSERT_EQ(1, u.engine.StartDataUpload(record.data(), FALSE));
    u.Positive({ { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) } });
    ASSERT_EQ(ENGINE_UPLOAD_BLOCKS, u.engine.GetState());
    u.Settle();
    u.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, { 0x83, 0x00 } } }));
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_DEVICE_RESTARTED, false }, { ENGINE_STATUS_LOADER_RESTARTED, 0, false } }),
              u.frame.Take());
    EXPECT_EQ((std::vector<Bytes>{ kEventAck, kSwitchToFirmware }), u.TakeSent());
    EXPECT_EQ(ENGINE_RESTART_SYSINFO, u.engine.GetState());

    // The wait after an accepted reset expects the restart: nothing failed.
    Harness r;
    ResetAccepted(r);
    r.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_FIRMWARE_RESTART, { 0x83, 0x00 } } }));
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_FIRMWARE_RUNNING, 0, false } }), r.frame.Take());
}

TEST(EngineRestart, SerialPortThatStaysClosedIsReopenedAndFinallyGivenUp)
{
    Harness h;
    h.link.serial = true;
    h.link.stateAfterReconnect = 0;
    ResetAccepted(h);

    // The USB arrival may bring the port back: wait quietly first, a
    // second a tick.
    ASSERT_TRUE(h.Fire(20));
    EXPECT_EQ(1000u, h.timer.armedMs);
    EXPECT_EQ(0, h.link.reconnects);

    // Then open it on every tick.
    h.Fire(39);
    EXPECT_EQ(39, h.link.reconnects);
    EXPECT_FALSE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));

    h.Fire();
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));
    EXPECT_FALSE(h.engine.IsTimerArmed());

    // A port that comes back in time lets the restart go on.
    Harness back;
    back.link.serial = true;
    back.link.stateAfterReconnect = 2;
    ResetAccepted(back);
    back.Fire(21);
    EXPECT_EQ(ENGINE_RESTART_SYSINFO, back.engine.GetState());
    EXPECT_EQ((std::vector<Bytes>{ kGetSystemInfo }), back.TakeSent());
}
