#include "tests/support/PageFixture.h"
#include "pages/SystemPages.h"
#include "pages/SystemServicePages.h"
#include "base/AppSettings.h"
#include "tests/support/StarPasswordEdits.h"
#include "record/EntityNames.h"
#include <commctrl.h>
#include <cstring>

// The system pages as a user fills them in: what they show of the record,
// and what lands in it, also when the page is only looked at.
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

    // A zone none of the 25 shows no selection and is kept; an unset zone
    // is UTC at once.
    rec->general2.timeZoneCode = 200;
    Open<CSystemGeneralPage>();
    EXPECT_EQ(-1, CurSel(IDC_SYSGEN_TIME_ZONE));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(200, rec->general2.timeZoneCode);
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

// Values the device does not know are shown as one of the page's settings
// and stored as that setting, without any input.
TEST_F(SystemPagesTest, GeneralPageLookedAtStoresWhatItShows)
{
    struct Case
    {
        uint8_t syncMode, mobility, tone, announcements, beep, voipOff;
        uint8_t wantSync, wantMobility, wantTone, wantAnnouncements, wantBeep, wantVoipOff;
    };
    const Case cases[] = {
        { 5, 7, 0xFF, 0x0D, 250, 0xFF, /* stored */ 0, 0, 0, 0x05, 0, 1 },
        { 0xFF, 0xFF, 7, 0xFF, 0xFF, 7, /* stored */ 0xFF, 0, 1, 0, 0, 1 },
        { 1, 2, 0, 0x03, 240, 0, /* stored */ 1, 2, 0, 0x03, 240, 0 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE((int)c.syncMode);
        rec->general2.timeSyncMode = c.syncMode;
        rec->isdnCommon.mobilityExtMode = c.mobility;
        rec->isdnCommon.portabilityTone = c.tone;
        rec->isdnCommon.announcementBits = c.announcements;
        rec->beepTime = c.beep;
        rec->voipOff = c.voipOff;
        Open<CSystemGeneralPage>();
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.wantSync, rec->general2.timeSyncMode);
        EXPECT_EQ(c.wantMobility, rec->isdnCommon.mobilityExtMode);
        EXPECT_EQ(c.wantTone, rec->isdnCommon.portabilityTone);
        EXPECT_EQ(c.wantAnnouncements, rec->isdnCommon.announcementBits);
        EXPECT_EQ(c.wantBeep, rec->beepTime);
        EXPECT_EQ(c.wantVoipOff, rec->voipOff);
    }
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
    EXPECT_EQ(std::string(36, '0'), Bytes(rec->network.defaultRouter, 12) + Bytes(rec->network.dns1, 12) +
                                        Bytes(rec->network.dns2, 12))
        << "unset addresses show 0.0.0.0 and are stored so";
    Type(IDC_SYSNET_PORT, "80");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("00080", Bytes(rec->network.tcpPort, 5));
}

typedef PageFixture ServicePagesTest;

// A refused store writes nothing, not even the numbers listed before the
// server that is refused.
TEST_F(ServicePagesTest, AlarmServerWithoutPortIsRefusedWithFocusOnThePort)
{
    Open<CSystemAlarmPage>();
    ShowHost();
    Type(IDC_ALARM_NUMBER, "0301");
    Click(IDC_ALARM_ADD);
    Type(IDC_ALARM_SERVER_HOST, "alarms.local");
    const std::string kept = Bytes(&rec->alarm, sizeof(rec->alarm));
    ASSERT_EQ(0, page->Store());
    EXPECT_EQ(kept, Bytes(&rec->alarm, sizeof(rec->alarm)));
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

TEST_F(ServicePagesTest, AlarmNumbersAreAddedChangedAndStoredInListOrderAndASixthIsNotTaken)
{
    Open<CSystemAlarmPage>();
    for (const char* n : { "111", "222", "333", "444", "555", "666" })
    {
        Type(IDC_ALARM_NUMBER, n);
        Click(IDC_ALARM_ADD);
    }
    EXPECT_EQ(0u, boxes.Count()) << "a sixth number is left out without a message";
    EXPECT_EQ(5, ::SendMessageA(Item(IDC_ALARM_NUMBERS), LB_GETCOUNT, 0, 0));
    Type(IDC_ALARM_NUMBER, "");
    Click(IDC_ALARM_ADD);
    Type(IDC_ALARM_NUMBER, "444");
    ::SendMessageA(Item(IDC_ALARM_NUMBERS), LB_SETCURSEL, 1, 0);
    Click(IDC_ALARM_CHANGE);
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ("strSystemAlarmSmsNumberMissing", boxes.Calls()[0].key);
    EXPECT_EQ("strSystemAlarmSmsNumberDuplicate", boxes.Calls()[1].key);

    Type(IDC_ALARM_NUMBER, "777");
    Click(IDC_ALARM_CHANGE); // item 1 ("222") becomes "777" at the end
    ::SendMessageA(Item(IDC_ALARM_NUMBERS), LB_SETCURSEL, 0, 0);
    Click(IDC_ALARM_DELETE);
    ASSERT_EQ(1, page->Store());
    std::string want;
    for (const char* n : { "333", "444", "555", "777" })
    {
        uint8_t entry[24];
        WriteCountedString24(n, entry);
        want += Bytes(entry, 24);
    }
    EXPECT_EQ(want + std::string(24, '\xFF'), Bytes(rec->alarm.smsNumbers, 120));

    // Numbers behind an empty entry, unset or of length 0, are not shown,
    // and go at the next store.
    for (uint8_t end : { 0xFF, 0x00 })
    {
        memset(rec->alarm.smsNumbers, 0xFF, 120);
        rec->alarm.smsNumbers[0][0] = end;
        WriteCountedString24("12", rec->alarm.smsNumbers[1]);
        Open<CSystemAlarmPage>();
        EXPECT_EQ(0, ::SendMessageA(Item(IDC_ALARM_NUMBERS), LB_GETCOUNT, 0, 0)) << (int)end;
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(std::string(120, '\xFF'), Bytes(rec->alarm.smsNumbers, 120)) << (int)end;
    }
}

// Servers are stored as the edits show them: a mail server without a port
// shows the default port and is stored with it, a server that cannot be
// read shows nothing and is stored as none.
TEST_F(ServicePagesTest, AlarmServersLookedAtAreStoredAsShown)
{
    memset(&rec->alarm, 0xFF, sizeof(rec->alarm));
    strcpy(rec->alarm.smtpServer, "Smail:0");
    strcpy(rec->alarm.alarmServer, "Sabc");
    CStarPasswordEdits stars;
    Open<CSystemAlarmPage>();
    EXPECT_EQ("25", Text(IDC_ALARM_SMTP_PORT));
    EXPECT_EQ("", Text(IDC_ALARM_SERVER_HOST));
    EXPECT_EQ(std::set<int>{ IDC_ALARM_SMTP_PASSWORD }, stars.Ids()) << "the page asks for '*' itself";
    ASSERT_EQ(1, page->Store());
    EXPECT_STREQ("Smail:25", rec->alarm.smtpServer);
    EXPECT_EQ(0, rec->alarm.alarmServer[0]);
    EXPECT_EQ(30, rec->alarm.smtpTimeout);
}

// The mail time-out runs from 10 to 120 seconds; a value outside, stored or
// typed, becomes the default of 30.
TEST_F(ServicePagesTest, SmtpTimeoutTakesTenButNotNine)
{
    struct Case
    {
        uint8_t stored;
        const char* typed; // null: only looked at
        const char* shown;
        uint8_t written;
    };
    for (const Case& c : std::vector<Case>{
             { 9, nullptr, "30", 30 },
             { 10, nullptr, "10", 10 },
             { 120, nullptr, "120", 120 },
             { 121, nullptr, "30", 30 },
             { 60, "9", "30", 30 },
             { 60, "10", "10", 10 },
         })
    {
        SCOPED_TRACE(std::to_string(c.stored) + (c.typed ? std::string(" typed ") + c.typed : ""));
        rec->alarm.smtpTimeout = c.stored;
        Open<CSystemAlarmPage>();
        if (c.typed)
        {
            Type(IDC_ALARM_SMTP_TIMEOUT, c.typed);
            ::SendMessageA(Item(IDC_ALARM_SMTP_TIMEOUT), WM_KILLFOCUS, 0, 0);
        }
        EXPECT_EQ(c.shown, Text(IDC_ALARM_SMTP_TIMEOUT));
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.written, rec->alarm.smtpTimeout);
    }
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

TEST_F(ServicePagesTest, CdrUnwrittenFieldsShowAnsweredCallsAndTimeoutOneAndEveryStoreWritesTheServerByte)
{
    rec->cdr.timeout = 0xFFFF;
    rec->isdnCommon.cdrOption = 0xFF;
    rec->cdr.zero28 = 0x5A;
    Open<CSystemCdrPage>();
    EXPECT_EQ(1, rec->cdr.timeout);
    EXPECT_EQ(1, rec->isdnCommon.cdrOption);
    EXPECT_TRUE(Checked(IDC_CDR_ANSWERED));
    EXPECT_FALSE(Checked(IDC_CDR_UNANSWERED));
    EXPECT_EQ("1", Text(IDC_CDR_TIMEOUT));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, rec->cdr.zero28) << "written whether or not the server changed";

    // Bits the page does not show are cleared; an empty time-out is 1.
    rec->isdnCommon.cdrOption = 0x86;
    Open<CSystemCdrPage>();
    SetCheck(IDC_CDR_ANSWERED, true);
    Type(IDC_CDR_TIMEOUT, "");
    Type(IDC_CDR_HOST, "cdr.local");
    Type(IDC_CDR_PORT, "9000");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(3, rec->isdnCommon.cdrOption);
    EXPECT_EQ(1, rec->cdr.timeout);
    EXPECT_STREQ("Scdr.local:9000", rec->cdr.server);
}

TEST_F(ServicePagesTest, CreditReportStoresWhatIsReportedAndWhen)
{
    struct Case
    {
        int sendItem, hourItem;
        bool gsm, isdn;
        uint8_t sendMode, hour, reported;
    };
    const Case cases[] = {
        { 1, 7, false, false, 128, 7, 0xFF },
        { 4, 0, true, true, 131, 0, 0xFC },
        { 0, 23, true, false, 0xFF, 23, 0xFE },
    };
    for (const Case& c : cases)
    {
        rec->creditReport.reported = 0x30; // bits the page does not show are set
        Open<CSystemCreditPage>();
        Select(IDC_CREDIT_SEND, c.sendItem);
        Select(IDC_CREDIT_HOUR, c.hourItem);
        SetCheck(IDC_CREDIT_GSM, c.gsm);
        SetCheck(IDC_CREDIT_ISDN, c.isdn);
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.sendMode, rec->creditReport.sendMode);
        EXPECT_EQ(c.hour, rec->creditReport.hour);
        EXPECT_EQ(c.reported, rec->creditReport.reported);
    }
}

// A send day and an hour that are none of the lists' entries show no
// selection and are kept; a refused store writes nothing at all.
TEST_F(ServicePagesTest, CreditReportKeepsAnUnknownDayAndHourAndARefusedStoreWritesNothing)
{
    rec->creditReport.sendMode = 100;
    rec->creditReport.hour = 30;
    rec->creditReport.reported = 0x30;
    Open<CSystemCreditPage>();
    EXPECT_EQ(-1, CurSel(IDC_CREDIT_SEND));
    EXPECT_EQ(-1, CurSel(IDC_CREDIT_HOUR));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(100, rec->creditReport.sendMode);
    EXPECT_EQ(30, rec->creditReport.hour);
    EXPECT_EQ(0xFC, rec->creditReport.reported);

    std::string kept = Bytes(&rec->creditReport, sizeof(rec->creditReport));
    ShowHost();
    Select(IDC_CREDIT_SEND, 2);
    SetCheck(IDC_CREDIT_GSM, false);
    Type(IDC_CREDIT_HOST, "10.1.1.1");
    EXPECT_EQ(0, page->Store());
    EXPECT_EQ("strSystemCreditIpPortMissing", boxes.Last().key);
    EXPECT_TRUE(HasFocus(IDC_CREDIT_PORT));
    EXPECT_EQ(kept, Bytes(&rec->creditReport, sizeof(rec->creditReport)));
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

TEST_F(ServicePagesTest, HttpEmptyUrlShowsTheSchemeAndClearingOneKeepsTheOther)
{
    const char url[] = "http://a/b?c=NUMBER";
    rec->httpOut.urlLength = sizeof(url) - 1;
    memcpy(rec->httpOut.url, url, sizeof(url) - 1);
    rec->cardSlots[0].cardType = CARD_ANALOG_TRUNK;
    memset(rec->httpIn.selection, 0, 4);
    Open<CSystemHttpPage>();
    EXPECT_EQ(url, Text(IDC_HTTP_OUT_URL));
    EXPECT_EQ("http://", Text(IDC_HTTP_IN_URL));
    EXPECT_TRUE(Enabled(IDC_HTTP_CHANNEL_FIRST + 3));
    EXPECT_FALSE(Enabled(IDC_HTTP_CHANNEL_FIRST + 4));

    Type(IDC_HTTP_IN_URL, "");
    SetCheck(IDC_HTTP_CHANNEL_FIRST + 1, true);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string(1, (char)(sizeof(url) - 1)) + url, Bytes(&rec->httpOut, sizeof(url)));
    EXPECT_EQ(0, rec->httpIn.urlLength);
    EXPECT_EQ(std::string("\x02\x00\x00\x00", 4), Bytes(rec->httpIn.selection, 4));
}

// The masks are built from the boxes alone: modules and channels the page
// shows unchecked or disabled are not marked, whatever the record held.
TEST_F(ServicePagesTest, SmsAndHttpMasksLookedAtHoldOnlyTheCheckedBoxes)
{
    rec->cardSlots[0].cardType = CARD_GSM;
    memset(rec->sms2.moduleMask, 0xFF, 4);
    memset(rec->httpIn.selection, 0xFF, 4);
    rec->httpOut.selection[3] = 0xF5; // the four link bits and four kept ones
    rec->sms1.zero28 = 0x77;
    Open<CSystemSmsPage>();
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string("\x0F\x00\x00\x00", 4), Bytes(rec->sms2.moduleMask, 4));
    EXPECT_EQ(0, rec->sms1.zero28) << "written whether or not the server changed";

    for (auto& slot : rec->cardSlots)
        slot.cardType = CARD_NONE;
    Open<CSystemHttpPage>();
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string(4, '\0'), Bytes(rec->httpIn.selection, 4));
    EXPECT_EQ(0xF5, rec->httpOut.selection[3]);
    Click(IDC_HTTP_LINK_FIRST + 0);
    Click(IDC_HTTP_LINK_FIRST + 1);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0xF6, rec->httpOut.selection[3]);
}

// Each link box of the outgoing request owns one bit of the link byte: it
// alone sets or clears it, the other link bits and the four kept bits stay.
TEST_F(ServicePagesTest, HttpLinkBoxesEachOwnTheirBit)
{
    for (int k = 0; k < 4; ++k)
    {
        for (uint8_t before : { (uint8_t)0xF0, (uint8_t)0x5A, (uint8_t)0x0F })
        {
            SCOPED_TRACE("box " + std::to_string(k) + " on byte " + std::to_string(before));
            const uint8_t bit = (uint8_t)(1u << k);
            rec->httpOut.selection[3] = before;
            Open<CSystemHttpPage>();
            for (int box = 0; box < 4; ++box)
                EXPECT_EQ((before >> box) & 1, Checked(IDC_HTTP_LINK_FIRST + box) ? 1 : 0) << "box " << box;
            Click(IDC_HTTP_LINK_FIRST + k);
            ASSERT_EQ(1, page->Store());
            EXPECT_EQ(before ^ bit, rec->httpOut.selection[3]);
        }
    }
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
    EXPECT_EQ("\x80" "http://a/b?c=NUMBER" + std::string(109, 'z'), Bytes(url, 129)) << "stored as shown";

    std::string longer = "http://a/b?c=NUMBER" + std::string(200, 'y');
    Type(IDC_HTTP_IN_URL, longer.c_str()); // a text set by program passes the edit's limit
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("\x80" + longer.substr(0, 128), Bytes(url, 129));

    // A refused incoming URL keeps the outgoing one from being written too.
    const std::string kept = Bytes(&rec->httpOut, sizeof(rec->httpOut));
    Type(IDC_HTTP_OUT_URL, "http://pbx/in?c=NUMBER");
    Type(IDC_HTTP_IN_URL, "http://a/b?c=1");
    EXPECT_EQ(0, page->Store());
    EXPECT_EQ(kept, Bytes(&rec->httpOut, sizeof(rec->httpOut)));
    EXPECT_EQ("strSystemHttpRequestErr", boxes.Last().key);
    EXPECT_TRUE(HasFocus(IDC_HTTP_IN_URL));
}
}
