#include <gtest/gtest.h>
#include "record/FieldText.h"
#include <cstring>
#include <string>
#include <vector>

TEST(FieldText, IpDigitsReadAndWritten)
{
    EXPECT_EQ(0xFFFFFF00u, ParseIpDigits("255255255000"));
    char unset[12];
    memset(unset, 0xFF, sizeof(unset));
    EXPECT_EQ(0u, ParseIpDigits(unset));
    EXPECT_EQ(0x0A000001u, ParseIpDigits("010000000001"));

    char field[13];
    memset(field, '#', sizeof(field));
    FormatIpDigits(0x0A000001, field);
    EXPECT_EQ("010000000001", std::string(field, 12));
    EXPECT_EQ('#', field[12]);
    char text[13];
    FormatIpDigits(0xC0A80164, nullptr, text);
    EXPECT_STREQ("192168001100", text);
}

TEST(FieldText, CountedAndBoundedTextsStayInTheirFields)
{
    // Field of 6 bytes: up to 5 characters; 0 and 0xFF are empty.
    const struct { uint8_t length; const char* shown; } cases[] = { { 0, "" }, { 0xFF, "" }, { 3, "abc" }, { 5, "abcde" }, { 40, "abcde" } };
    for (const auto& c : cases)
    {
        uint8_t field[7] = { c.length, 'a', 'b', 'c', 'd', 'e', 'X' };
        char out[8];
        ReadCountedString(field, 6, out);
        EXPECT_STREQ(c.shown, out) << (int)c.length;
        EXPECT_EQ(c.length, field[0]); // reading never changes the record
    }
    uint8_t field[7];
    memset(field, 0x55, sizeof(field));
    EXPECT_EQ(5, WriteCountedString("abcdefgh", field, 6));
    EXPECT_EQ((std::vector<uint8_t>{ 5, 'a', 'b', 'c', 'd', 'e', 0x55 }), std::vector<uint8_t>(field, field + 7));
    WriteCountedString("ab", field, 6);
    EXPECT_EQ((std::vector<uint8_t>{ 2, 'a', 'b', 0xFF, 0xFF, 0xFF, 0x55 }), std::vector<uint8_t>(field, field + 7));

    uint8_t text[6] = { 'x', 'y', 'z', 'w', 'v', 'u' };
    char shown[7];
    EXPECT_EQ(6, ReadFieldText(text, 6, shown));
    EXPECT_STREQ("xyzwvu", shown);
    WriteFieldText("abcdefgh", text, 6);
    EXPECT_EQ(0, memcmp("abcde\0", text, 6));
    memcpy(text, "xyzwvu", 6);
    WriteFieldText("ab", text, 6);
    EXPECT_EQ(0, memcmp("ab\0wvu", text, 6));
    WriteFieldText("ab", text, 6, true);
    EXPECT_EQ(0, memcmp("ab\0\0\0\0", text, 6));
}

// A credit shown in whole minutes keeps its seconds while the edit still
// shows their minutes, and becomes the minutes shown once they change.
TEST(FieldText, CreditSecondsKeepWhatTheirMinutesStillShow)
{
    const struct
    {
        uint32_t stored;
        int shown;
        uint32_t stores;
    } cases[] = {
        { 150, 2, 150 }, // 2:30 shown as 2: kept
        { 59, 0, 59 },   // under a minute, shown as 0: kept
        { 150, 3, 180 }, // typed up
        { 150, 1, 60 },  // typed down
        { 0, 5, 300 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.stores, CreditSeconds(c.stored, c.shown)) << c.stored << " shown as " << c.shown;
}
