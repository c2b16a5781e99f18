#pragma once
#include <cstdint>

// When a set of credit counters is restored, as one byte: the day of the
// month 1-31 (bit 7 clear); 0x80 | weekday for every week; or
// week * 8 | 0x80 | weekday for a week 1-4 of the month. Weekdays are 1-7;
// 0xFF is not set.
enum class CreditRestoreKind
{
    Day,     // on a day of each month
    WeekDay, // on a weekday of a week of each month
    Weekly,  // on a weekday of every week
};

struct CreditRestore
{
    CreditRestoreKind kind;
    int day;     // 1-31, Day
    int week;    // 1-4, WeekDay
    int weekday; // 1-7, WeekDay and Weekly
};

// What a code means; the parts a kind does not use are 1.
CreditRestore DecodeCreditRestoreCode(uint8_t code);
uint8_t EncodeCreditRestoreCode(const CreditRestore& restore);
