#include "tests/support/PageFixture.h"
#include "pages/SystemPages.h"
#include "pages/SystemServicePages.h"
#include "base/AppSettings.h"
#include <commctrl.h>
#include <cstring>

// The system pages as a user fills them in: what they show of the record,
// and what lands in it. Lists that keep a byte they cannot show are held to
// it by the registry suite's visit of a patterned record.
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

    // A zone none of the 25 shows no selection (and is kept: the registry
    // suite's patterned visit holds it); an unset zone is UTC at once.
    rec->general2.timeZoneCode = 200;
    Open<CSystemGeneralPage>();
    EXPECT_EQ(-1, CurSel(IDC_SYSGEN_TIME_ZONE));
    rec->general2.timeZoneCode = 0xFF;
    Open<CSystemGeneralPage>();
    EXPECT_EQ(0, rec->general2.timeZoneCode);
    EXPECT_EQ("UTC", Text(IDC_SYSGEN_TIME_ZONE));
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
    // Nothing clicked keeps the unset byte; automatic; with summer time.
    for (const auto& [click, mode] : std::vector<std::pair<UINT, uint8_t>>{
             { 0, 255 }, { IDC_SYSGEN_TIME_SYNC, 0 }, { IDC_SYSGEN_SUMMER_TIME, 1 } })
    {
        if (click)
            Click(click);
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(mode, rec->general2.timeSyncMode) << click;
    }
    EXPECT_TRUE(Enabled(IDC_SYSGEN_TIME_ZONE));
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
    EXPECT_EQ("010000000002" "255255255000" "00001", Bytes(rec->network.ipAddress, 29)) << "an empty port is the lowest";
    Type(IDC_SYSNET_PORT, "80");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("00080", Bytes(rec->network.tcpPort, 5));
}

typedef PageFixture ServicePagesTest;

TEST_F(ServicePagesTest, AlarmServerWithoutPortIsRefusedWithFocusOnThePort)
{
    Open<CSystemAlarmPage>();
    ShowHost();
    Type(IDC_ALARM_SERVER_HOST, "alarms.local");
    ASSERT_EQ(0, page->Store());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strSystemAlarmIpPortMissing", boxes.Last().key);
    EXPECT_EQ("Error", boxes.Last().caption);
    EXPECT_TRUE(HasFocus(IDC_ALARM_SERVER_PORT));
    EXPECT_EQ(0, rec->alarm.alarmServer[0]);

    Type(IDC_ALARM_SERVER_PORT, "2000");
    Type(IDC_ALARM_SERVER_HOST, "10.0.0.1");
    Type(IDC_ALARM_SMTP_HOST, "smtp.local");
    Type(IDC_ALARM_SMTP_PORT, ""); // no port check for the mail server
    ASSERT_EQ(1, page->Store());
    EXPECT_STREQ("N010000000001P2000", rec->alarm.alarmServer);
    EXPECT_STREQ("Ssmtp.local:0", rec->alarm.smtpServer);
}

TEST_F(ServicePagesTest, AlarmFieldsFullToTheirEndAreShownWithinTheirLimits)
{
    memset(rec->alarm.smtpUser, 'u', 40); // no terminator: the next field follows at once
    memset(rec->alarm.smtpPassword, 'p', 40);
    memset(rec->alarm.alarmServer, 'h', 40);
    rec->alarm.alarmServer[0] = 'S';
    rec->alarm.alarmServer[38] = ':';
    rec->alarm.alarmServer[39] = '7';
    memset(rec->alarm.mailSender, 0xFF, 40); // never written
    Open<CSystemAlarmPage>();
    EXPECT_EQ(std::string(40, 'u'), Text(IDC_ALARM_SMTP_USER));
    EXPECT_EQ(std::string(31, 'h'), Text(IDC_ALARM_SERVER_HOST));
    EXPECT_EQ("7", Text(IDC_ALARM_SERVER_PORT));
    EXPECT_EQ("", Text(IDC_ALARM_MAIL_SENDER));
    EXPECT_EQ(0, rec->alarm.mailSender[0]) << "an unset text becomes empty when the page opens";
}

TEST_F(ServicePagesTest, SmsModulesOfGsmSlotsOnlyAndTextWithinItsLimit)
{
    rec->cardSlots[1].cardType = CARD_GSM;
    rec->cardSlots[2].cardType = CARD_VOIP;
    uint8_t* sms = At(0x25D8C);
    sms[0] = 200; // longer than the page's limit
    memset(sms + 1, 'x', 250);
    sms[161] = 0x5A; // behind the text: kept
    memset(sms + 252, 0, 4);
    DWORD offset = g_Settings.ChannelIndexOffset;
    g_Settings.ChannelIndexOffset = 1;
    Open<CSystemSmsPage>();
    g_Settings.ChannelIndexOffset = offset;
    EXPECT_EQ(std::string(160, 'x'), Text(IDC_SMS_TEXT));
    EXPECT_TRUE(Enabled(IDC_SMS_MODULE_FIRST + 4));
    EXPECT_FALSE(Enabled(IDC_SMS_MODULE_FIRST + 8) || Enabled(IDC_SMS_MODULE_FIRST + 0));
    EXPECT_EQ("5", Text(IDC_SMS_LABEL_FIRST + 4));

    Command(IDC_SMS_SELECT_ALL);
    Type(IDC_SMS_TEXT, "Hello");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x05Hello", Bytes(sms, 6));
    EXPECT_EQ(0x5A, sms[161]);
    EXPECT_EQ(std::string("\xF0\x00\x00\x00", 4), Bytes(sms + 252, 4));
    EXPECT_EQ(0, rec->sms1.zero28);
}

TEST(RequestUrl, AcceptsOnlyHostPathQueryAndNumber)
{
    for (const auto& [url, check] : std::vector<std::pair<const char*, RequestUrlCheck>>{
             { "", RequestUrlCheck::Clear },
             { "http://", RequestUrlCheck::Clear },
             { "http://pbx.local/call?caller=NUMBER", RequestUrlCheck::Accept },
             { "http://pbx.local?caller=NUMBER", RequestUrlCheck::Refuse },
             { "http:///call?caller=NUMBER", RequestUrlCheck::Refuse },
             { "http://pbx.local/call?caller=123", RequestUrlCheck::Refuse },
             { "https://pbx.local/call?caller=NUMBER", RequestUrlCheck::Refuse },
             { "http://pbx.local/call=NUMBER?x", RequestUrlCheck::Refuse } })
        EXPECT_EQ(check, CheckRequestUrl(url)) << url;
}

TEST_F(ServicePagesTest, HttpUrlsAreShownAndStoredWithin128CharactersAndAMalformedOneIsRefused)
{
    uint8_t* url = At(0x41BDC);
    url[0] = 254;
    memcpy(url + 1, "http://a/b?c=NUMBER", 19);
    memset(url + 20, 'z', 200);
    Open<CSystemHttpPage>();
    ShowHost();
    EXPECT_EQ(128u, Text(IDC_HTTP_IN_URL).size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(254, url[0]) << "a visit keeps what the page cannot show";

    std::string longer = "http://a/b?c=NUMBER" + std::string(200, 'y');
    Type(IDC_HTTP_IN_URL, longer.c_str()); // a text set by program passes the edit's limit
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x80" + longer.substr(0, 128), Bytes(url, 129));

    Type(IDC_HTTP_IN_URL, "http://a/b?c=1");
    EXPECT_EQ(0, page->Store());
    EXPECT_EQ("strSystemHttpRequestErr", boxes.Last().key);
    EXPECT_TRUE(HasFocus(IDC_HTTP_IN_URL));
}
}
