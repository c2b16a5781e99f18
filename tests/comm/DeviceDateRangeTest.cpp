#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"

using namespace enginetest;

// The device's date is kept only when it is a real date: a field out of
// range, or a day its month does not have, leaves the stored date empty (the
// date/time dialog then shows the computer's date).

namespace
{
// The stored year after a get date/time answered with these six bytes:
// second, minute, hour, day, month, year - 2000.
int StoredYear(const Bytes& date)
{
    Harness h(false);
    h.engine.GetDateTime();
    h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_DATE_TIME, date } }));
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK));
    return h.engine.GetDeviceTime().wYear;
}
} // namespace

TEST(DeviceDateRange, OnlyRealDatesAreKept)
{
    EXPECT_EQ(2024, StoredYear({ 0, 0, 0, 29, 2, 24 }));  // a leap day
    EXPECT_EQ(2025, StoredYear({ 59, 59, 23, 31, 12, 25 }));
    EXPECT_EQ(0, StoredYear({ 0, 0, 0, 29, 2, 25 }));     // no leap year
    EXPECT_EQ(0, StoredYear({ 0, 0, 0, 31, 4, 25 }));     // April has 30 days
    EXPECT_EQ(0, StoredYear({ 0, 0, 0, 0, 1, 25 }));      // day 0
    EXPECT_EQ(0, StoredYear({ 0, 0, 0, 1, 13, 25 }));     // month 13
    EXPECT_EQ(0, StoredYear({ 0, 0, 24, 1, 1, 25 }));     // hour 24
    EXPECT_EQ(0, StoredYear({ 0, 60, 0, 1, 1, 25 }));     // minute 60
    EXPECT_EQ(0, StoredYear({ 60, 0, 0, 1, 1, 25 }));     // second 60
}
