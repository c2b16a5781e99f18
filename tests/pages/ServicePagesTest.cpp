#include "tests/support/PageFixture.h"
#include "pages/SystemServicePages.h"
#include "record/EntityNames.h"
#include "base/AppSettings.h"
#include <cstring>

namespace
{
typedef PageFixture AlarmPageTest;

TEST_F(AlarmPageTest, AlarmServerWithoutPortIsRefusedWithFocusOnThePort)
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

TEST_F(AlarmPageTest, FullFieldsAreShownWithinTheirLimits)
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

typedef PageFixture CreditPageTest;

TEST_F(CreditPageTest, UnknownSendDayAndHourAreKept)
{
    rec->creditReport.sendMode = 100;
    rec->creditReport.hour = 30;
    Open<CSystemCreditPage>();
    EXPECT_EQ("", Selected(IDC_CREDIT_SEND));
    EXPECT_EQ("", Selected(IDC_CREDIT_HOUR));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(100, rec->creditReport.sendMode);
    EXPECT_EQ(30, rec->creditReport.hour);
}

typedef PageFixture SmsPageTest;

TEST_F(SmsPageTest, ModulesOfGsmSlotsOnlyAndTextWithinItsLimit)
{
    rec->cardSlots[1].cardType = CARD_GSM;
    rec->cardSlots[2].cardType = CARD_VOIP;
    memset(At(0x25D8C) + 1, 'x', 250);
    At(0x25D8C)[0] = 200;   // longer than the page's limit
    At(0x25D8C)[161] = 0x5A; // behind the text: kept
    memset(At(0x25D8C) + 252, 0, 4);
    DWORD offset = g_Settings.ChannelIndexOffset;
    g_Settings.ChannelIndexOffset = 1;
    Open<CSystemSmsPage>();
    g_Settings.ChannelIndexOffset = offset;
    EXPECT_EQ(std::string(160, 'x'), Text(IDC_SMS_TEXT));
    EXPECT_TRUE(Enabled(IDC_SMS_MODULE_FIRST + 4));
    EXPECT_FALSE(Enabled(IDC_SMS_MODULE_FIRST + 8));
    EXPECT_FALSE(Enabled(IDC_SMS_MODULE_FIRST + 0));
    EXPECT_EQ("5", Text(IDC_SMS_LABEL_FIRST + 4));

    Click(IDC_SMS_SELECT_ALL);
    Type(IDC_SMS_TEXT, "Hello");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string("\x05Hello", 6), Bytes(At(0x25D8C), 6));
    EXPECT_EQ(0x5A, At(0x25D8C)[161]);
    EXPECT_EQ(std::string("\xF0\x00\x00\x00", 4), Bytes(At(0x25D8C) + 252, 4));
    EXPECT_EQ(0, rec->sms1.zero28);
}

typedef PageFixture HttpPageTest;

TEST(RequestUrl, AcceptsOnlyHostPathQueryAndNumber)
{
    const struct
    {
        const char* url;
        RequestUrlCheck check;
    } cases[] = {
        { "", RequestUrlCheck::Clear },
        { "http://", RequestUrlCheck::Clear },
        { "http://pbx.local/call?caller=NUMBER", RequestUrlCheck::Accept },
        { "http://pbx.local?caller=NUMBER", RequestUrlCheck::Refuse },
        { "http:///call?caller=NUMBER", RequestUrlCheck::Refuse },
        { "http://pbx.local/call?caller=123", RequestUrlCheck::Refuse },
        { "https://pbx.local/call?caller=NUMBER", RequestUrlCheck::Refuse },
        { "http://pbx.local/call=NUMBER?x", RequestUrlCheck::Refuse },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check, CheckRequestUrl(c.url)) << c.url;
}

TEST_F(HttpPageTest, MalformedUrlIsRefusedWithFocusOnItsEdit)
{
    Open<CSystemHttpPage>();
    ShowHost();
    Type(IDC_HTTP_IN_URL, "http://a/b?c=1");
    EXPECT_EQ(0, page->Store());
    EXPECT_EQ("strSystemHttpRequestErr", boxes.Last().key);
    EXPECT_TRUE(HasFocus(IDC_HTTP_IN_URL));
}

TEST_F(HttpPageTest, UrlsAreShownAndStoredWithin128Characters)
{
    At(0x41BDC)[0] = 254;
    memcpy(At(0x41BDC) + 1, "http://a/b?c=NUMBER", 19);
    memset(At(0x41BDC) + 20, 'z', 200);
    Open<CSystemHttpPage>();
    EXPECT_EQ(128u, Text(IDC_HTTP_IN_URL).size());
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(254, At(0x41BDC)[0]) << "a visit keeps what the page cannot show";

    std::string url = "http://a/b?c=NUMBER" + std::string(200, 'y');
    Type(IDC_HTTP_IN_URL, url.c_str()); // a text set by program passes the edit's limit
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(128, At(0x41BDC)[0]);
    EXPECT_EQ(url.substr(0, 128), Bytes(At(0x41BDC) + 1, 128));
}
}
