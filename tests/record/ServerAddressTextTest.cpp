#include <gtest/gtest.h>
#include "record/ServerAddressText.h"
#include "record/CreditRestoreCode.h"
#include "record/ConfigRecord.h"
#include <cstring>
#include <string>

namespace
{
// The 40-byte field behind a 0xAB guard byte on each side.
struct GuardedField
{
    char before = (char)0xAB;
    char field[CFG_SERVER_ADDRESS_SIZE];
    char after = (char)0xAB;
    GuardedField() { memset(field, 0xCD, sizeof(field)); }
};

// A long host name is cut so that the port fits the field.
TEST(ServerAddressText, BuildsNumericAndHostNameForms)
{
    const struct { std::string host; int port; std::string stored; } cases[] = {
        { "10.0.0.1", 2000, "N010000000001P2000" },
        { "0.00.000.0", 25, "N000000000000P25" },
        { "255.255.255.255", 9, "N255255255255P9" },
        { "192 168..1  2", 80, "N192168001002P80" },
        { "10.0.0.1a", 1, "N010000000001P1" }, // a token's number is its leading digits
        { "10.0.0", 2000, "S10.0.0:2000" },
        { "10.0.0.1.5", 2000, "S10.0.0.1.5:2000" },
        { "a.0.0.1", 7, "Sa.0.0.1:7" },
        { "300.1.1.1", 7, "S300.1.1.1:7" },
        { "mail.example", 0, "Smail.example:0" },
        { "", 2000, "" }, // no server; the rest of the field is kept
        { std::string(60, 'h'), 65535, "S" + std::string(32, 'h') + ":65535" },
    };
    for (const auto& c : cases)
    {
        // The text and its terminator; the bytes behind it and the guards kept.
        GuardedField g, want;
        memcpy(want.field, c.stored.c_str(), c.stored.size() + 1);
        BuildServerAddress(c.host.c_str(), c.port, g.field);
        EXPECT_EQ(0, memcmp(&want, &g, sizeof(g))) << c.host;
    }
}

// A field without a terminator, with a colon right behind it that must not
// be found, and an unset field (all 0xFF) show nothing.
TEST(ServerAddressText, ShowsHostAndPort)
{
    const struct { std::string stored; const char* host; int port; } cases[] = {
        { "N010000000001P2000", "10.0.0.1", 2000 },
        { "Smail.example:25", "mail.example", 25 },
        { "Snocolon", "", -1 },
        { "N0100000000012000", "", -1 }, // no 'P' at index 13
        { "", "", -1 },
        { "S" "0123456789012345678901234567890123456" ":9", "0123456789012345678901234567890", -1 },
        { "S" + std::string(39, 'h'), "", 0 },
        { std::string(40, '\xFF'), "", 0 },
    };
    for (const auto& c : cases)
    {
        GuardedField g;
        memset(g.field, 0, sizeof(g.field));
        memcpy(g.field, c.stored.data(), c.stored.size());
        g.after = ':';
        char host[64] = "x";
        int port = -1;
        ParseServerAddress(g.field, host, sizeof(host), &port);
        EXPECT_STREQ(c.host, host) << c.stored;
        if (c.port >= 0)
        {
            EXPECT_EQ(c.port, port) << c.stored;
        }
    }
}

TEST(CreditRestoreCode, DecodesAndEncodesEachKind)
{
    const struct { uint8_t code; CreditRestoreKind kind; int day, week, weekday; } cases[] = {
        { 0x95, CreditRestoreKind::WeekDay, 1, 2, 5 },
        { 0xA7, CreditRestoreKind::WeekDay, 1, 4, 7 },
        { 0x8D, CreditRestoreKind::WeekDay, 1, 1, 5 },
        { 0x87, CreditRestoreKind::Weekly, 1, 1, 7 },
        { 0x83, CreditRestoreKind::Weekly, 1, 1, 3 },
        { 15, CreditRestoreKind::Day, 15, 1, 1 },
        { 1, CreditRestoreKind::Day, 1, 1, 1 },
    };
    for (const auto& c : cases)
    {
        CreditRestore r = DecodeCreditRestoreCode(c.code);
        EXPECT_TRUE(c.kind == r.kind && c.day == r.day && c.week == r.week && c.weekday == r.weekday) << (int)c.code;
        EXPECT_EQ(c.code, EncodeCreditRestoreCode(r));
    }
}
}
