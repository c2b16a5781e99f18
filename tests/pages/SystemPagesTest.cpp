#include "tests/support/PageFixture.h"
#include "pages/SystemPages.h"
#include <commctrl.h>
#include <cstring>

// The general and network pages as a user fills them in: what they show of
// the record, and what lands in it.
namespace
{
typedef PageFixture SystemPagesTest;

TEST_F(SystemPagesTest, TimeZoneListOffersTheTwentyFiveZonesWithTheirCodes)
{
    rec->general2.timeZoneCode = 131;
    Open<CSystemGeneralPage>();
    HWND list = Item(IDC_SYSGEN_TIME_ZONE);
    ASSERT_EQ(25, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 25; ++i)
    {
        int hour = i - 12;
        char want[16] = "UTC";
        if (hour != 0)
            snprintf(want, sizeof(want), hour < 0 ? "UTC%03d:00" : "UTC+%02d:00", hour);
        char text[32] = "";
        ::SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(want, text) << i;
        EXPECT_EQ(hour < 0 ? 128 - hour : hour, ::SendMessageA(list, CB_GETITEMDATA, i, 0)) << i;
    }
    EXPECT_EQ("UTC-03:00", Text(IDC_SYSGEN_TIME_ZONE));
}

TEST_F(SystemPagesTest, NameLongerThanItsFieldShowsAndStoresThirtyTwoCharacters)
{
    rec->idNameLength = 200;
    memcpy(rec->idName, "0123456789abcdefghijABCDEFGHIJ++", 32);
    memcpy(rec->network.ipAddress, "192168001001", 12);
    Open<CSystemGeneralPage>();
    EXPECT_EQ("0123456789abcdefghijABCDEFGHIJ++", Text(IDC_SYSGEN_NAME));
    // A longer text set from outside the edit's limit is cut to the field.
    Type(IDC_SYSGEN_NAME, "0123456789abcdefghijABCDEFGHIJ++tail");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x20" "0123456789abcdefghijABCDEFGHIJ++" "192168001001", Bytes(&rec->idNameLength, 45));
}

// The time setting is one byte behind two boxes: manual, automatic, or
// automatic with summer time; the zone waits for the automatic setting.
TEST_F(SystemPagesTest, TimeSettingFollowsItsTwoBoxes)
{
    rec->general2.timeSyncMode = 255;
    Open<CSystemGeneralPage>();
    for (int id : { IDC_SYSGEN_TIME_ZONE, IDC_SYSGEN_SUMMER_TIME, IDC_SYSGEN_TIME_ZONE_LABEL })
        EXPECT_FALSE(Enabled(id)) << id;
    const struct
    {
        UINT click;
        uint8_t mode;
    } steps[] = { { 0, 255 }, { IDC_SYSGEN_TIME_SYNC, 0 }, { IDC_SYSGEN_SUMMER_TIME, 1 } };
    for (const auto& s : steps)
    {
        if (s.click)
            Click(s.click);
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(s.mode, rec->general2.timeSyncMode) << s.click;
    }
    EXPECT_TRUE(Enabled(IDC_SYSGEN_TIME_ZONE));
}

// A zone none of the 25 shows no selection and is kept (the registry suite's
// patterned visit holds it); an unset zone is UTC from the moment the page
// opens.
TEST_F(SystemPagesTest, UnknownZoneShowsNoSelectionAndAnUnsetOneIsUtc)
{
    rec->general2.timeZoneCode = 200;
    Open<CSystemGeneralPage>();
    EXPECT_EQ(-1, CurSel(IDC_SYSGEN_TIME_ZONE));
    rec->general2.timeZoneCode = 0xFF;
    Open<CSystemGeneralPage>();
    EXPECT_EQ(0, rec->general2.timeZoneCode);
    EXPECT_EQ("UTC", Text(IDC_SYSGEN_TIME_ZONE));
}

TEST_F(SystemPagesTest, PortabilityToneGoesWithItsTextAndKeepsItsByte)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strSystemGeneralName=Name\r\n"));
    ASSERT_TRUE(lang.Select());
    rec->isdnCommon.portabilityTone = 0x37;
    Open<CSystemGeneralPage>();
    EXPECT_FALSE(::GetWindowLongA(Item(IDC_SYSGEN_PORTABILITY_TONE), GWL_STYLE) & WS_VISIBLE);
    SetCheck(IDC_SYSGEN_PORTABILITY_TONE, false);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0x37, rec->isdnCommon.portabilityTone);
}

TEST_F(SystemPagesTest, NetworkPageWritesAddressesAndPortAsDigits)
{
    memset(&rec->network, 0xFF, sizeof(rec->network));
    Open<CSystemNetworkPage>();
    DWORD shown = 1;
    ::SendMessageA(Item(IDC_SYSNET_GATEWAY), IPM_GETADDRESS, 0, (LPARAM)&shown);
    EXPECT_EQ(0u, shown);
    EXPECT_EQ("", Text(IDC_SYSNET_PORT));

    ::SendMessageA(Item(IDC_SYSNET_IP), IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 2));
    ::SendMessageA(Item(IDC_SYSNET_MASK), IPM_SETADDRESS, 0, MAKEIPADDRESS(255, 255, 255, 0));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("010000000002", Bytes(rec->network.ipAddress, 12));
    EXPECT_EQ("255255255000", Bytes(rec->network.netMask, 12));
    EXPECT_EQ("00001", Bytes(rec->network.tcpPort, 5)) << "an empty port is the lowest port";
    Type(IDC_SYSNET_PORT, "80");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("00080", Bytes(rec->network.tcpPort, 5));
}
}
