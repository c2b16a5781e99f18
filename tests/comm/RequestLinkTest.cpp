#include <gtest/gtest.h>
#include "tests/support/EngineFrame.h"
#include <cstring>
#include <string>

// Every device request against the simulator over the real TCP link: the
// bytes the device receives, and what the engine keeps of the answers,
// including answers the device splits over several messages.

using enginetest::EngineFrame;
using devsim::Bytes;

namespace
{
// A message as it goes on the wire, its checksum appended.
Bytes WithChecksum(Bytes message)
{
    BYTE sum = 0;
    for (BYTE b : message)
        sum = static_cast<BYTE>(sum + b);
    message.push_back(static_cast<BYTE>(0x100 - sum));
    return message;
}

class RequestLinkTest : public ::testing::Test, public enginetest::EngineOverTcp
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Start());
        sim.SetPassword("pw", true);
        engine.SetPassword("pw");
    }
    void TearDown() override { Stop(); }

    // The last request the device received that holds the tag, as its bytes.
    Bytes LastRequest(BYTE tag)
    {
        Bytes bytes;
        for (const devsim::SimMessage& m : sim.Received())
            if (m.type == MSG_TYPE_REQUEST && m.Has(tag))
                bytes = m.Encode();
        return bytes;
    }

    bool Answered(int code, int result = ENGINE_RESULT_OK) { return frame.WaitForStatus(code, result, 5000); }
};
} // namespace

TEST_F(RequestLinkTest, DateTimeModuleCellsAndPassword)
{
    SYSTEMTIME set = {};
    set.wYear = 2025;
    set.wMonth = 12;
    set.wDay = 24;
    set.wHour = 13;
    set.wMinute = 45;
    set.wSecond = 9;
    ASSERT_EQ(1, engine.SetDateTime(&set));
    ASSERT_TRUE(Answered(ENGINE_STATUS_SET_DATETIME_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x0D, 0x61, 0x06, 0x09, 0x2D, 0x0D, 0x18, 0x0C, 0x19, 0xD1, 0x03, 'p', 'w', 0 }),
              LastRequest(IE_DATE_TIME));

    // The device's clock as the device keeps it.
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(Answered(ENGINE_STATUS_GET_DATETIME_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x07, 0x61, 0x00, 0xD1, 0x03, 'p', 'w', 0 }), LastRequest(IE_DATE_TIME));
    const SYSTEMTIME& got = engine.GetDeviceTime();
    EXPECT_EQ(2025, got.wYear);
    EXPECT_EQ(12, got.wMonth);
    EXPECT_EQ(24, got.wDay);
    EXPECT_EQ(13, got.wHour);
    EXPECT_EQ(45, got.wMinute);
    EXPECT_EQ(9, got.wSecond);

    // Module texts are cut to their fields.
    sim.Lock();
    sim.data.imei = std::string(40, '7');
    sim.data.moduleType = std::string(80, 'M');
    sim.Unlock();
    ASSERT_EQ(1, engine.GetModuleInfo(2));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MODULE_INFO_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x03, 0x67, 0x01, 0x02 }), LastRequest(IE_MODULE_INFO));
    EXPECT_EQ(std::string(63, 'M'), engine.GetModuleType());
    EXPECT_EQ(std::string(31, '7'), engine.GetModuleImei());
    EXPECT_STREQ("262011234567890", engine.GetModuleImsi());
    EXPECT_STREQ("TEST-NET", engine.GetModuleNetwork());

    // The module reset goes to the module last named.
    ASSERT_EQ(1, engine.ResetGsmModule(-1));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MODULE_RESET_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x08, 0x82, 0x01, 0x02, 0xD1, 0x03, 'p', 'w', 0 }), LastRequest(IE_GSM_MODULE_RESET));

    ASSERT_EQ(1, engine.GetGsmCells(-1));
    ASSERT_TRUE(Answered(ENGINE_STATUS_CELLS_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x03, 0x6C, 0x01, 0x02 }), LastRequest(IE_GSM_CELLS));
    ASSERT_EQ(2, engine.GetCellCount());
    EXPECT_EQ(0, memcmp(&engine.GetCells()[0], "262011A2B00FF", 13));
    EXPECT_EQ(0, memcmp(&engine.GetCells()[1], "262020C0D0E0F", 13));

    // A list longer than 7 cells keeps the first 7.
    std::string nine;
    for (int cell = 1; cell <= 9; ++cell)
        nine += "26" + std::to_string(cell) + ",0" + std::to_string(cell) + ",AAA" + std::to_string(cell) +
                ",BBB" + std::to_string(cell) + ",1,2,3,4,5,";
    sim.Lock();
    sim.data.cells = nine;
    sim.Unlock();
    frame.statuses.clear();
    ASSERT_EQ(1, engine.GetGsmCells(-1));
    ASSERT_TRUE(Answered(ENGINE_STATUS_CELLS_ANSWERED));
    ASSERT_EQ(7, engine.GetCellCount());
    EXPECT_EQ(0, memcmp(&engine.GetCells()[6], "26707AAA7BBB7", 13));

    // The old password goes in place of the stored one; a wrong one is told
    // apart and not repeated.
    ASSERT_EQ(1, engine.ChangePassword("new", "old"));
    ASSERT_TRUE(Answered(ENGINE_STATUS_PASSWORD_ANSWERED, ENGINE_RESULT_OLD_PASSWORD_WRONG));
    EXPECT_EQ(1u, Requests(IE_NEW_PASSWORD));
    ASSERT_EQ(1, engine.ChangePassword("new", "pw"));
    ASSERT_TRUE(Answered(ENGINE_STATUS_PASSWORD_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x0B, 0x28, 0x04, 'n', 'e', 'w', 0, 0xD1, 0x03, 'p', 'w', 0 }),
              LastRequest(IE_NEW_PASSWORD));
    EXPECT_EQ(0u, engine.GetBusy() & 0x3FFE);
    EXPECT_EQ(0, frame.prompts);
}

TEST_F(RequestLinkTest, SystemLanMonitorAndKeepAlive)
{
    // A LAN record with its router address.
    const std::string lan = std::string("\x01") + "192168001010" + "255255255000" + "01002" + "192168001001";
    sim.Lock();
    sim.data.lanInfo.assign(lan.begin(), lan.end());
    sim.Unlock();
    ASSERT_EQ(1, engine.GetSystemInfo());
    ASSERT_TRUE(Answered(ENGINE_STATUS_SYSINFO_ANSWERED));
    ASSERT_TRUE(Answered(ENGINE_STATUS_LANINFO_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x15, 0x00 }), LastRequest(IE_LOADER_VERSION));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x66, 0x00 }), LastRequest(IE_LAN_INFO));
    EXPECT_STREQ("L1.07", engine.GetLoaderVersion());
    EXPECT_STREQ("V2.4.1", engine.GetVoipVersion());
    EXPECT_EQ(0x83, engine.GetBoardKind());
    EXPECT_EQ(1, engine.GetBoardNumber());
    EXPECT_EQ(1, engine.GetDhcp());
    EXPECT_STREQ("192.168.1.10", engine.GetIpAddress());
    EXPECT_STREQ("255.255.255.0", engine.GetSubnetMask());
    EXPECT_STREQ("192.168.1.1", engine.GetRouterAddress());
    EXPECT_EQ(1002, engine.GetTcpPort());

    // A monitor start asks the system information first, then starts.
    sim.ClearReceived();
    ASSERT_EQ(1, engine.SetMonitor(TRUE));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MONITOR_ANSWERED));
    std::vector<devsim::SimMessage> seen = sim.Received();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x15, 0x00 }), seen[0].Encode());
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x31, 0x00 }), seen[1].Encode());

    frame.statuses.clear();
    ASSERT_EQ(1, engine.SendMonitorCommand("V=0001\r\n"));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MONITOR_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x0F, 0x33, 0x08, 'V', '=', '0', '0', '0', '1', '\r', '\n', 0xD1, 0x03, 'p', 'w', 0 }),
              LastRequest(IE_MONITOR_TEXT));

    frame.statuses.clear();
    ASSERT_EQ(1, engine.SetMonitor(FALSE));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MONITOR_ANSWERED));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x32, 0x00 }), LastRequest(IE_MONITOR_STOP));

    // The keep-alive: no status, no timer.
    frame.statuses.clear();
    ASSERT_EQ(1, engine.SendKeepAlive());
    EXPECT_FALSE(engine.IsTimerArmed());
    for (int i = 0; i < 200 && LastRequest(IE_KEEPALIVE).empty(); ++i)
        EngineFrame::Pump(10);
    EngineFrame::Pump(50); // its answer
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x34, 0x00 }), LastRequest(IE_KEEPALIVE));
    EXPECT_TRUE(frame.statuses.empty());
    EXPECT_EQ(0u, engine.GetBusy() & 0x3FFE);
}

TEST_F(RequestLinkTest, DiagnosticsPagesWithAnswersOverSeveralMessages)
{
    sim.Lock();
    sim.data.isdnLines = Bytes{ 1, 2, 3, 4, 5, 6, 7, 8 };
    for (BYTE i = 0; i < 4; ++i)
        sim.data.isdnCredit[i] = Bytes(DIAG_RECORD_SIZE, static_cast<BYTE>(0x10 + i));
    // Long texts: the cards take several exchanges.
    for (int i = 0; i < 32; ++i)
        sim.data.cards[i] = { true, static_cast<WORD>(0x200 + i), static_cast<BYTE>(i % 4),
                              std::string(30 + i % 11, static_cast<char>('a' + i % 26)) };
    // 48-byte credits: four modules to a message, eight exchanges.
    for (int i = 0; i < 32; ++i)
    {
        Bytes credit(48);
        for (int b = 0; b < 48; ++b)
            credit[b] = static_cast<BYTE>(i + b);
        sim.data.gsmCredit[i] = credit;
    }
    sim.data.gsmUsage = 77;
    sim.data.gsmStatistics = Bytes(24, 9);
    // Eight trunks and 110 users with long names: many messages.
    sim.data.voipRows.clear();
    for (int i = 0; i < 8 + 110; ++i)
    {
        const std::string name = (i < 8 ? "trunk-" : "user-name-of-some-length-") + std::to_string(i);
        Bytes row(name.begin(), name.end());
        row.push_back(0);
        Bytes fields{ 1, 2, 3, 4, 5, 6, static_cast<BYTE>(i < 8 ? 0 : 1), 0, 9, 10, 11, 12 };
        row.insert(row.end(), fields.begin(), fields.end());
        sim.data.voipRows.push_back(row);
    }
    sim.Unlock();

    ASSERT_EQ(1, engine.RequestDiagnostics(1, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_ISDN_LINES, 0));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x02, 0x62, 0x00 }), LastRequest(IE_DIAG_ISDN_LINES));
    EXPECT_EQ(0, memcmp(engine.GetIsdnLines(), "\x01\x02\x03\x04\x05\x06\x07\x08", 8));

    ASSERT_EQ(1, engine.RequestDiagnostics(2, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_ISDN_CREDIT, 0));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x06, 0x6D, 0x04, 0, 1, 2, 3 }), LastRequest(IE_DIAG_ISDN_CREDIT));
    EXPECT_EQ(0x13, engine.GetIsdnCredit(3)[23]);

    const size_t before = Requests(IE_DIAG_CARD);
    ASSERT_EQ(1, engine.RequestDiagnostics(10, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_CARDS, 0));
    EXPECT_GT(Requests(IE_DIAG_CARD) - before, 3u);
    for (int i = 0; i < 32; ++i)
    {
        EXPECT_EQ(0x200 + i, engine.GetCards()[i].value) << i;
        EXPECT_EQ(std::string(30 + i % 11, static_cast<char>('a' + i % 26)), engine.GetCards()[i].text) << i;
    }

    ASSERT_EQ(1, engine.RequestDiagnostics(11, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_GSM_CREDIT, 0));
    EXPECT_EQ(WithChecksum({ 0xA1, 0x06, 0x64, 0x04, 28, 29, 30, 31 }), LastRequest(IE_DIAG_GSM_CREDIT));
    EXPECT_EQ(8u, Requests(IE_DIAG_GSM_CREDIT));
    EXPECT_EQ(31, engine.GetGsmCreditA(31)[0]);
    EXPECT_EQ(31 + 47, engine.GetGsmCreditB(31)[23]);

    ASSERT_EQ(1, engine.RequestDiagnostics(12, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_GSM_USAGE, 77));
    ASSERT_EQ(1, engine.RequestDiagnostics(13, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_GSM_STATISTICS, 0));
    EXPECT_EQ(9, engine.GetGsmStatistics()[23]);

    ASSERT_EQ(1, engine.RequestDiagnostics(20, 0));
    ASSERT_TRUE(Answered(ENGINE_STATUS_DIAG_VOIP, 0));
    EXPECT_STREQ("trunk-7", reinterpret_cast<const char*>(engine.GetVoipTrunkRow(7)));
    // Names are cut to 23 characters and their terminator.
    EXPECT_EQ("user-name-of-some-lengt", std::string(reinterpret_cast<const char*>(engine.GetVoipUserRow(109))));
    EXPECT_EQ(12, engine.GetVoipUserRow(109)[35]);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
}

TEST_F(RequestLinkTest, RefusalCausesDecideWhatFollows)
{
    // LAN busy: the request is repeated until the device answers.
    sim.RefuseNext(IE_LAN_INFO, 0x9C, 2);
    ASSERT_EQ(1, engine.GetLanInfo());
    ASSERT_TRUE(Answered(ENGINE_STATUS_LANINFO_ANSWERED));
    EXPECT_EQ(3u, Requests(IE_LAN_INFO));

    // Any other cause ends the LAN request at once.
    frame.statuses.clear();
    sim.RefuseNext(IE_LAN_INFO, 0x85, 1);
    ASSERT_EQ(1, engine.GetLanInfo());
    ASSERT_TRUE(Answered(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_NEGATIVE));
    EXPECT_EQ(4u, Requests(IE_LAN_INFO));
    EXPECT_STREQ("85", engine.GetCauseText());

    // No runnable firmware and a refusal reach the frame with their causes.
    frame.statuses.clear();
    sim.RefuseNext(IE_DATE_TIME, 0x9F, 1);
    ASSERT_EQ(1, engine.GetDateTime());
    ASSERT_TRUE(Answered(ENGINE_STATUS_NO_FIRMWARE, 0));
    EXPECT_STREQ("9F", engine.GetCauseText());
    ASSERT_TRUE(Answered(ENGINE_STATUS_GET_DATETIME_ANSWERED)); // the repeat went through

    frame.statuses.clear();
    sim.RefuseNext(IE_MODULE_INFO, 0x83, -1);
    ASSERT_EQ(1, engine.GetModuleInfo(1));
    ASSERT_TRUE(Answered(ENGINE_STATUS_MODULE_INFO_ANSWERED, ENGINE_RESULT_NEGATIVE));
    EXPECT_TRUE(frame.Has(ENGINE_STATUS_REFUSED));
    EXPECT_EQ(4u, Requests(IE_MODULE_INFO));
    EXPECT_EQ(ENGINE_READY, engine.GetState());
}
