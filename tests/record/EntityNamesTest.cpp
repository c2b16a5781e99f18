#include "record/EntityNames.h"
#include "base/AppSettings.h"
#include "tests/support/TestLanguage.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

class EntityNamesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = g_Settings;
        ASSERT_TRUE(lang.WriteLanguage((
            "strGroup=Group %d\nstrInGroup=Incoming group %02d\nstrOutGroup=Outgoing group %d\n"
            "strModule=Module %d\nstrCard=Card %d\nstrLine=Line %d\nstrPort=Port %d\n"
            "strLcrRoutingDefaultProfile=Default profile %d\nstrLcrRoutingProfile=Profile %d\n"
            "strCardNone=No card\nstrCardGSM=GSM card (GSM)\nstrCardVoIP=VoIP card (VoIP\n"
            "strCardAnalogSubscriber=Analog card (FXS)\nstrCardAnalogTrunk=Analog card (FXO)\n"
            "strCardAnalogCombined=Analog card (FXS/FXO)\nstrCardAnalog=Analog card\nstrCardUnknown=Unknown card\n"
            "strPatternString=Name %s\nstrPatternTwo=Group %d of %d\nstrPatternWide=Group %999999d\n"
            "strPatternStar=Group %*d\nstrPatternLong=Group %lld\nstrPatternPercent=100%% group %d\n"
            "strPatternNone=Plain text\nstrPatternCount=Group %n\nstrPatternChar=Group %c\nstrPatternEnd=Group %\n"
            "strPatternLongText=" + std::string(300, 'x') + " %d\n"
            "strPatternWideEnd=" + std::string(255, 'y') + "%08d\n").c_str()));
        ASSERT_TRUE(lang.Select());
    }
    void TearDown() override { g_Settings = saved; }

    std::string Name(int (*fn)(int, char*), int index)
    {
        char out[ENTITY_NAME_SIZE];
        memset(out, 'x', sizeof(out));
        fn(index, out);
        return out;
    }

    CTestLanguage lang;
    CAppSettings saved;
};

} // namespace

// Routing profile 0 is always the default profile's text, used as it stands,
// not as a pattern.
TEST_F(EntityNamesTest, IndexedNamesAddTheirDisplayOffsets)
{
    g_Settings.GroupIndexOffset = 1;
    g_Settings.ChannelIndexOffset = 10;
    g_Settings.BoardIndexOffset = 100;
    g_Settings.RoutingProfileIndexOffset = 1;
    EXPECT_EQ("Group 1", Name(GetGroupName, 0));
    EXPECT_EQ("Incoming group 05", Name(GetInGroupName, 4));
    EXPECT_EQ("Outgoing group 32", Name(GetOutGroupName, 31));
    EXPECT_EQ("Module 13", Name(GetModuleName, 3));
    EXPECT_EQ("Line 10", Name(GetLineName, 0));
    EXPECT_EQ("Port 17", Name(GetPortName, 7));
    EXPECT_EQ("Card 107", Name(GetCardName, 7));
    EXPECT_EQ("Default profile %d", Name(GetRoutingProfileName, 0));
    EXPECT_EQ("Profile 3", Name(GetRoutingProfileName, 2));
}

TEST_F(EntityNamesTest, PatternsThatAreNotOneIntegerAreUsedAsTheyStand)
{
    char out[ENTITY_NAME_SIZE];
    struct { const char* key; const char* expected; } cases[] = {
        {"strPatternString", "Name %s"},
        {"strPatternTwo", "Group %d of %d"},
        {"strPatternWide", "Group %999999d"},
        {"strPatternStar", "Group %*d"},
        {"strPatternLong", "Group %lld"},
        {"strPatternPercent", "100% group 6"},
        {"strPatternNone", "Plain text"},
        {"strPatternCount", "Group %n"},
        {"strPatternChar", "Group %c"},
        {"strPatternEnd", "Group %"},
        {"strNoSuchKey", ""},
    };
    for (const auto& c : cases)
    {
        int n = FormatIndexedName(5, 1, c.key, out, sizeof(out));
        EXPECT_STREQ(c.expected, out) << c.key;
        EXPECT_EQ((int)strlen(out), n) << c.key;
    }
}

TEST_F(EntityNamesTest, FormattingIsCutAtTheOutputAndTheNameSize)
{
    char small[8];
    EXPECT_EQ(7, FormatIntPattern(small, sizeof(small), "Group %d", 12345));
    EXPECT_STREQ("Group 1", small);
    char out[ENTITY_NAME_SIZE + 8];
    FormatIntPattern(out, ENTITY_NAME_SIZE, "%259d", 1);
    EXPECT_EQ(std::string(258, ' ') + "1", out);

    // Only the first 259 characters of a language text are taken: the
    // conversion is cut off and the rest is plain text.
    memset(out, '#', sizeof(out));
    EXPECT_EQ(259, FormatIndexedName(1, 0, "strPatternLongText", out));
    EXPECT_EQ(std::string(259, 'x'), out);
    EXPECT_EQ('#', out[ENTITY_NAME_SIZE]);
    // A pattern that grows past the buffer when formatted is cut there.
    memset(out, '#', sizeof(out));
    EXPECT_EQ(259, FormatIndexedName(6, 0, "strPatternWideEnd", out));
    EXPECT_EQ(std::string(255, 'y') + "0000", out);
    EXPECT_EQ('#', out[ENTITY_NAME_SIZE]);
}

TEST_F(EntityNamesTest, CardTypeNamesAndTheirShortForms)
{
    struct { uint8_t type; const char* full; const char* shortName; } cases[] = {
        {0, "No card", "No card"},
        {0xFF, "No card", "No card"},
        {1, "GSM card (GSM)", "GSM"},
        {2, "VoIP card (VoIP", "VoIP"}, // no ')': to the end
        {3, "Analog card (FXS)", "FXS"},
        {4, "Analog card (FXO)", "FXO"},
        {5, "Analog card (FXS/FXO)", "FXS/FXO"},
        {6, "Analog card", "Analog card"},
        {7, "Unknown card", "Unknown card"},
    };
    for (const auto& c : cases)
    {
        char full[ENTITY_NAME_SIZE], shortName[ENTITY_NAME_SIZE];
        GetCardTypeName(c.type, full, shortName);
        EXPECT_STREQ(c.full, full) << (int)c.type;
        EXPECT_STREQ(c.shortName, shortName) << (int)c.type;
    }
    char only[ENTITY_NAME_SIZE];
    GetCardTypeName(1, nullptr, only);
    EXPECT_STREQ("GSM", only);
}

// A length byte at or above the field's size reads as the field's room and
// is mended in the record, never a byte past the field; 0 and 0xFF are empty
// and leave the field alone.
TEST(CountedStringTest, ReadingClampsAnOverlongLengthInTheField)
{
    struct Case { size_t size; uint8_t length; int shown; uint8_t lengthAfter; };
    for (const Case& c : { Case{ 24, 24, 23, 23 }, Case{ 24, 40, 23, 23 }, Case{ 12, 12, 11, 11 },
                           Case{ 12, 200, 11, 11 }, Case{ 24, 0, 0, 0 }, Case{ 24, 255, 0, 255 } })
    {
        uint8_t field[26];
        memset(field, 'a', sizeof(field));
        field[0] = c.length;
        field[c.size] = 'X'; // the byte after the field
        char out[26];
        memset(out, '#', sizeof(out));
        const int n = c.size == 24 ? ReadCountedString24(field, out) : ReadCountedString12(field, out);
        EXPECT_EQ(c.shown, n) << c.size << "/" << (int)c.length;
        EXPECT_EQ(std::string(c.shown, 'a'), out);
        EXPECT_EQ(c.lengthAfter, field[0]);
    }
}

// Written: the length, the text cut to the field's room, 0xFF padding; the
// byte after the field is never touched.
TEST(CountedStringTest, WritingPadsWithEmptyMarkersAndClampsToTheField)
{
    const std::string longText(40, '7');
    struct Case { size_t size; const char* text; int written; };
    for (const Case& c : { Case{ 24, "", 0 }, Case{ 24, "123", 3 }, Case{ 24, longText.c_str(), 23 },
                           Case{ 12, longText.c_str(), 11 } })
    {
        std::vector<uint8_t> field(c.size + 1, 0x11), want(c.size + 1, 0xFF);
        want[0] = (uint8_t)c.written;
        memcpy(&want[1], c.text, c.written);
        want[c.size] = 0x11;
        const int n = c.size == 24 ? WriteCountedString24(c.text, field.data()) : WriteCountedString12(c.text, field.data());
        EXPECT_EQ(c.written, n) << c.size << "/" << c.text;
        EXPECT_EQ(want, field) << c.size << "/" << c.text;
    }
}
