#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include <string>

using namespace enginetest;

TEST(RequestDevice, SetDateTimeSendsTheDateAndGetDateTimeStoresOnlyARealDate)
{
    Harness h;
    h.engine.SetPassword("pw");
    SYSTEMTIME t = { 2025, 12, 0, 24, 13, 45, 9, 0 };
    ASSERT_EQ(1, h.engine.SetDateTime(&t));
    const Bytes first = h.OnlySent();
    EXPECT_EQ((Bytes{ 0xA1, 0x0D, 0x61, 0x06, 0x09, 0x2D, 0x0D, 0x18, 0x0C, 0x19, 0xD1, 0x03, 'p', 'w', 0x00 }), WithoutChecksum(first));
    EXPECT_TRUE(h.LogHas("Set date/time"));
    h.Fire();
    EXPECT_EQ(first, h.OnlySent());

    h.Positive({ { IE_DATE_TIME, {} } });
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_SET_DATETIME_ANSWERED, ENGINE_RESULT_OK));
    EXPECT_EQ(0u, h.engine.GetBusy());
    EXPECT_FALSE(h.engine.IsTimerArmed());

    h.engine.GetDateTime();
    h.Positive({ { IE_DATE_TIME, { 9, 45, 13, 24, 12, 25 } }, { IE_DATE_EXTRA, { 0x12, 0x34, 24 } } });
    const SYSTEMTIME& got = h.engine.GetDeviceTime();
    EXPECT_EQ((std::vector<int>{ 2025, 12, 24, 13, 45, 9 }), (std::vector<int>{ got.wYear, got.wMonth, got.wDay, got.wHour, got.wMinute, got.wSecond }));
    EXPECT_EQ(1, h.engine.GetDateExtraFlag());
    EXPECT_EQ((Bytes{ 0x12, 0x34 }), Bytes(h.engine.GetDateExtraBytes(), h.engine.GetDateExtraBytes() + 2));
    EXPECT_EQ(2024, h.engine.GetExtraYear());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK));

    // The device's date is kept only when it is a real date: a field out of
    // range, or a day its month lacks, leaves it empty (the date/time dialog
    // then shows the computer's date). Second, minute, hour, day, month, year.
    const struct { Bytes date; int year; } dates[] = {
        { { 0, 0, 0, 29, 2, 24 }, 2024 },   { { 59, 59, 23, 31, 12, 25 }, 2025 }, { { 0, 0, 0, 29, 2, 25 }, 0 },
        { { 0, 0, 0, 31, 4, 25 }, 0 },      { { 0, 0, 0, 0, 1, 25 }, 0 },         { { 0, 0, 0, 1, 13, 25 }, 0 },
        { { 0, 0, 24, 1, 1, 25 }, 0 },      { { 0, 60, 0, 1, 1, 25 }, 0 },        { { 60, 0, 0, 1, 1, 25 }, 0 },
    };
    for (const auto& d : dates)
    {
        h.engine.GetDateTime();
        h.Positive({ { IE_DATE_TIME, d.date } });
        EXPECT_EQ(d.year, h.engine.GetDeviceTime().wYear) << (int)d.date[3] << "." << (int)d.date[4] << "." << (int)d.date[5];
    }
    EXPECT_EQ(0, h.engine.GetDateExtraFlag());
}

TEST(RequestDevice, SystemInformationIsSentToTheFrameThenTheLanIsAsked)
{
    Harness h;
    ASSERT_EQ(1, h.engine.GetSystemInfo());
    EXPECT_EQ((Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 }), h.OnlySent());
    EXPECT_TRUE(h.LogHas("Get system info"));
    h.frame.Take();

    h.Positive({ { IE_LOADER_VERSION, Text("L1.07") },
                 { IE_FIRMWARE_VERSION, Text("3.0.0.5") },
                 { IE_SYSTEM_INFO, { 2, 0x83, 1, 0x05, 0x00, 0x03, 0x00 } },
                 { IE_DEVICE_NAME, Text("GW-1") },
                 { IE_VOIP_VERSION, Text("V2") } });
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK, true }, { ENGINE_STATUS_LANINFO_SENT, 0, false } }),
              h.frame.Take());
    EXPECT_EQ((Bytes{ 0xA1, 0x02, 0x66, 0x00 }), WithoutChecksum(h.OnlySent()));
    EXPECT_EQ((std::vector<std::string>{ "L1.07", "3.0.0.5", "V2", "GW-1" }),
              (std::vector<std::string>{ h.engine.GetLoaderVersion(), h.engine.GetFirmwareVersion(), h.engine.GetVoipVersion(), h.engine.GetDeviceName() }));
    EXPECT_EQ((std::vector<DWORD>{ 2, 0x83, 1, 0x00030005 }), h.Board());
    EXPECT_TRUE(h.LogHas("Firmware version: 3.0.0.5"));
    EXPECT_TRUE(h.LogHas("Velmotrex name: GW-1"));
    EXPECT_TRUE(h.engine.GetBusy() & BUSY_LAN_INFO);

    // A device busy with its LAN is asked again; another refusal ends the question.
    h.frame.Take();
    h.Refuse({ CAUSE_LAN_BUSY });
    EXPECT_EQ((Bytes{ 0xA1, 0x02, 0x66, 0x00 }), WithoutChecksum(h.OnlySent()));
    h.Refuse({ 0x81 });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_LANINFO_ANSWERED, ENGINE_RESULT_NEGATIVE));
    EXPECT_FALSE(h.engine.GetBusy() & BUSY_LAN_INFO);

    // A peripheral board adds its number to the kind; versions are cut to
    // their fields.
    Harness p;
    p.engine.QueryVersion();
    p.frame.Take();
    const std::string longVersion(100, 'v');
    p.Positive({ { IE_FIRMWARE_VERSION, Text(longVersion.c_str()) }, { IE_SYSTEM_INFO, { 1, 0x84, 3 } } });
    EXPECT_EQ((std::vector<DWORD>{ 1, 0x87, 0xFF, 0 }), p.Board());
    EXPECT_EQ(std::string(63, 'v'), p.engine.GetFirmwareVersion());
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_SYSINFO_ANSWERED, ENGINE_RESULT_OK, false } }), p.frame.Take());
    EXPECT_TRUE(p.TakeSent().size() == 1); // the query only; no LAN request

    // A control board whose element stops inside the value: the value is
    // not read from beyond the element, the partition is.
    Harness c;
    c.engine.QueryVersion();
    c.Positive({ { IE_FIRMWARE_VERSION, Text("3") },
                 { IE_SYSTEM_INFO, { 2, 0x83, 1, 0x05, 0x00, 0x03 } },
                 { IE_DEVICE_NAME, Text("GW") } }); // the next bytes in the message
    EXPECT_EQ((std::vector<DWORD>{ 2, 0x83, 1, 0 }), c.Board());
}

TEST(RequestDevice, ModuleInformationResetAndPassword)
{
    Harness h;
    h.engine.SetPassword("pw");
    h.engine.GetModuleInfo(3);
    EXPECT_EQ((Bytes{ 0xA1, 0x03, 0x67, 0x01, 0x03 }), WithoutChecksum(h.OnlySent()));
    EXPECT_TRUE(h.LogHas("Get module info - 3"));
    const std::string longImei(40, '3');
    h.Positive({ { IE_MODULE_INFO, Text("MOD-X") },
                 { IE_MODULE_IMEI, Text(longImei.c_str()) },
                 { IE_MODULE_IMSI, Text("262011234567890") },
                 { IE_MODULE_NETWORK, Text("NET") } });
    EXPECT_EQ((std::vector<std::string>{ "MOD-X", std::string(31, '3'), "262011234567890", "NET" }),
              (std::vector<std::string>{ h.engine.GetModuleType(), h.engine.GetModuleImei(), h.engine.GetModuleImsi(), h.engine.GetModuleNetwork() }));
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_MODULE_INFO_ANSWERED, ENGINE_RESULT_OK));

    // -1 is the last module.
    h.engine.ResetGsmModule(-1);
    EXPECT_EQ((Bytes{ 0xA1, 0x08, 0x82, 0x01, 0x03, 0xD1, 0x03, 'p', 'w', 0x00 }), WithoutChecksum(h.OnlySent()));
    h.Positive({ { IE_GSM_MODULE_RESET, { 3 } } });
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_MODULE_RESET_ANSWERED, ENGINE_RESULT_OK));

    h.engine.ChangePassword("new", "old");
    EXPECT_EQ((Bytes{ 0xA1, 0x0C, 0x28, 0x04, 'n', 'e', 'w', 0x00, 0xD1, 0x04, 'o', 'l', 'd', 0x00 }), WithoutChecksum(h.OnlySent()));
    h.Fire();
    EXPECT_EQ((Bytes{ 0xA1, 0x0C, 0x28, 0x04, 'n', 'e', 'w', 0x00, 0xD1, 0x04, 'o', 'l', 'd', 0x00 }), WithoutChecksum(h.OnlySent()));
    // A wrong old password is not repeated.
    h.Refuse({ 0x92 });
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_PASSWORD_ANSWERED, ENGINE_RESULT_OLD_PASSWORD_WRONG));
    EXPECT_EQ(0, h.frame.passwordPrompts);
    EXPECT_TRUE(h.TakeSent().empty());
}

TEST(RequestDevice, CellListFillsFixedFields)
{
    Harness h;
    h.engine.GetGsmCells(2);
    EXPECT_EQ((Bytes{ 0xA1, 0x03, 0x6C, 0x01, 0x02 }), WithoutChecksum(h.OnlySent()));
    EXPECT_EQ(g_Settings.CommunicationTimeoutReadCells, h.timer.armedMs);
    const char* text = "262,01,1A2B,00FF,x,x,x,x,x,,262,0,12345,7,x,x,x,x,x";
    Bytes data = Text(text);
    data.insert(data.begin(), 0x00);
    h.Positive({ { IE_GSM_CELLS, data } });
    ASSERT_EQ(2, h.engine.GetCellCount());
    // Country, network, area and cell side by side; a token of zeros fills
    // its field.
    const char* cells = h.engine.GetCells()[0].mcc;
    EXPECT_EQ(std::string("262011A2B00FF2620012347\0", 2 * sizeof(GsmCellRecord) - 2), std::string(cells, 2 * sizeof(GsmCellRecord) - 2));
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_CELLS_ANSWERED, ENGINE_RESULT_OK));

    // An answer without data gives no cells; one without a request is ignored.
    h.engine.GetGsmCells(2);
    h.Positive({ { IE_GSM_CELLS, {} } });
    EXPECT_EQ(0, h.engine.GetCellCount());
    h.Positive({ { IE_GSM_CELLS, data } });
    EXPECT_EQ(0, h.engine.GetCellCount());

    // The cell list is asked twice at most.
    h.engine.GetGsmCells(1);
    h.TakeSent();
    h.Fire();
    h.OnlySent();
    h.Fire();
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));
}

// A notice that an operation is out must reach the window before the
// device's answer can, or the window stays busy after the answer freed it.
TEST(RequestDevice, TheNoticeOfEveryRequestIsQueuedAheadOfItsAnswer)
{
    const std::vector<BYTE> record(ENGINE_IMAGE_SIZE, 0xFF);
    const struct
    {
        int (*start)(CDeviceProtocol&, const BYTE*);
        int notice;
    } cases[] = {
        { [](CDeviceProtocol& e, const BYTE*) { return e.GetSystemInfo(); }, ENGINE_STATUS_SYSINFO_SENT },
        { [](CDeviceProtocol& e, const BYTE*) { return e.GetDateTime(); }, ENGINE_STATUS_GET_DATETIME_SENT },
        { [](CDeviceProtocol& e, const BYTE*) { return e.ResetDevice(); }, ENGINE_STATUS_RESET_SENT },
        { [](CDeviceProtocol& e, const BYTE*) { return e.StartDataDownload(); }, ENGINE_STATUS_TRANSFER_STARTED },
        { [](CDeviceProtocol& e, const BYTE* r) { return e.StartDataUpload(r, FALSE); }, ENGINE_STATUS_UPLOAD_STARTED },
    };
    for (const auto& c : cases)
    {
        Harness h;
        h.link.answerTo = h.frame.hwnd;
        c.start(h.engine, record.data());
        const std::vector<Status> statuses = h.frame.Take();
        ASSERT_GE(statuses.size(), 2u) << c.notice;
        EXPECT_EQ(c.notice, statuses[0].code);
        EXPECT_EQ(FakeLink::kAnswerMarker, statuses[1].code) << c.notice;
    }
}
