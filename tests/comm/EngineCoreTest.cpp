#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"

using namespace enginetest;

namespace
{
const Bytes kGetDateTimeWithPassword = { 0xA1, 0x07, 0x61, 0x00, 0xD1, 0x03, 'p', 'w', 0x00, 0x3C };
} // namespace

TEST(EngineCore, UnansweredRequestGoesOutFourTimesThenFailsAndATimeOutRepeatsTheFirstPending)
{
    Harness h;
    h.engine.SetPassword("pw");
    ASSERT_EQ(1, h.engine.GetDateTime());
    EXPECT_EQ(5000u, h.timer.armedMs);
    ASSERT_TRUE(h.Fire(3));
    EXPECT_EQ(std::vector<Bytes>(4, kGetDateTimeWithPassword), h.TakeSent());
    EXPECT_FALSE(h.LogHas("Operation failed!"));

    ASSERT_TRUE(h.Fire());
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(0u, h.engine.GetBusy());
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));
    EXPECT_EQ(1u, h.LogCount("Operation failed!"));
    EXPECT_EQ(4u, h.LogCount("Get date/time"));
    EXPECT_TRUE(h.LogHas("Timer timeout! (status: 10)"));

    // With two requests out, the time-out repeats the first pending one.
    h.engine.GetDateTime();
    h.engine.SendMonitorCommand("V=0001\r\n");
    h.TakeSent();
    h.Fire();
    Bytes text;
    ASSERT_TRUE(SentElement(h.OnlySent(), IE_MONITOR_TEXT, &text));
    EXPECT_EQ(Text("V=0001\r\n"), text);
}

TEST(EngineCore, RefusedPasswordAsksTheFrameAndEndsWithResultFive)
{
    Harness h;
    h.engine.SetPassword("pw");
    h.engine.GetDateTime();
    h.TakeSent();
    h.frame.passwordAnswer = 0;
    h.Refuse({ 0x92 });
    EXPECT_EQ(1, h.frame.passwordPrompts);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_LOGIN_REFUSED));
    EXPECT_EQ(0u, h.engine.GetBusy());
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_FALSE(h.engine.IsTimerArmed());

    // Accepted: the request goes out again with the new password.
    h.frame.passwordAnswer = 1;
    h.engine.GetDateTime();
    h.TakeSent();
    h.engine.SetPassword("new");
    h.Refuse({ 0x92 });
    Bytes password;
    ASSERT_TRUE(SentElement(h.OnlySent(), IE_PASSWORD, &password));
    EXPECT_EQ((Bytes{ 'n', 'e', 'w', 0 }), password);
    EXPECT_EQ(1, h.engine.GetRetries());
}

TEST(EngineCore, NegativeAnswerIsRepeatedThenFailsWithItsCause)
{
    Harness h;
    h.engine.GetDateTime();
    for (int i = 0; i < 3; ++i)
        h.Refuse({ 0x85, 0x01, 0xAB });
    EXPECT_EQ(4u, h.TakeSent().size());
    EXPECT_FALSE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_NEGATIVE));
    h.Refuse({ 0x85, 0x01, 0xAB });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_NEGATIVE));
    EXPECT_STREQ("85 01 AB", h.engine.GetCauseText());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_EQ(0u, h.engine.GetBusy());
}

TEST(EngineCore, RefusedAndNoFirmwareCausesReachTheFrameAndCauseTextsAreBounded)
{
    Harness h;
    h.Refuse({ 0x83, 0x07 });
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_REFUSED, 0, true } }), h.frame.Take());
    EXPECT_STREQ("83 07", h.engine.GetCauseText());
    h.Refuse({ 0x9F });
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_NO_FIRMWARE, 0, false } }), h.frame.Take());

    // 80 cause bytes: the text keeps 21 of them, "EE" and 20 times " EE".
    h.engine.GetDateTime();
    h.Refuse(Bytes(80, 0xEE));
    std::string bounded = "EE";
    for (int i = 0; i < 20; ++i)
        bounded += " EE";
    EXPECT_EQ(bounded, h.engine.GetCauseText());
}

TEST(EngineCore, MalformedMessagesAreLoggedAndDroppedWhileTheTimerRepeats)
{
    Harness h;
    h.engine.GetDateTime();
    h.Settle();
    const DWORD busy = h.engine.GetBusy();

    Bytes badChecksum = Msg(MSG_TYPE_POSITIVE, { { IE_DATE_TIME, { 1, 2, 3, 4, 5, 6 } } });
    badChecksum.back() ^= 0x10;
    h.Deliver(badChecksum);
    EXPECT_TRUE(h.LogHas("Incorrect message checksum!!!"));

    Bytes badType = Msg(MSG_TYPE_POSITIVE, { { IE_DATE_TIME, {} } });
    badType[0] = 0xA4;
    h.Deliver(badType);
    EXPECT_EQ(1u, h.LogCount("Incorrect message structure!!!"));

    // Shorter than its own length byte says, and shorter than 3 bytes.
    Bytes good = Msg(MSG_TYPE_POSITIVE, { { IE_DATE_TIME, { 1, 2, 3, 4, 5, 6 } } });
    h.DeliverRaw(good.data(), static_cast<int>(good.size()) - 2);
    const BYTE tiny[2] = { 0xA2, 0x00 };
    h.DeliverRaw(tiny, 2);
    EXPECT_EQ(3u, h.LogCount("Incorrect message structure!!!"));

    EXPECT_EQ(busy, h.engine.GetBusy());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_TRUE(h.frame.Take().empty());
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(1u, h.TakeSent().size());

    // The next good frame is handled.
    h.Deliver(good);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK));
}

TEST(EngineCore, OnlyOneTimerRunsAndStaleTimersAreKilled)
{
    Harness h;
    h.engine.GetDateTime();
    const UINT_PTR first = h.timer.armed;
    h.engine.GetLanInfo();
    const UINT_PTR second = h.timer.armed;
    ASSERT_NE(first, second);
    // Arming stopped the first one.
    ASSERT_FALSE(h.timer.stopped.empty());
    EXPECT_EQ(first, h.timer.stopped.back());

    h.TakeSent();
    h.engine.OnTimeout(first); // a stale tick
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(first, h.timer.stopped.back());
    EXPECT_EQ(second, h.timer.armed);
}

TEST(EngineCore, LinkLostForGoodEndsTheRequestInsteadOfWaiting)
{
    // A plain request whose repeat finds no link.
    Harness h;
    h.engine.GetDateTime();
    h.frame.linkReady = 0;
    h.frame.Take();
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(ENGINE_FAILED, h.engine.GetState());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));
    EXPECT_FALSE(h.engine.IsTimerArmed());
}
