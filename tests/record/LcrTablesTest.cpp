#include "record/LcrTables.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "tests/record/DefaultRecord.h"
#include "tests/support/TestLanguage.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
// A record whose used rules carry the given profiles, each rule and its
// companion filled with a byte that names its original index.
std::unique_ptr<ConfigRecord> RecordWithRules(const std::vector<int>& profiles)
{
    auto rec = DefaultRecord();
    for (size_t i = 0; i < profiles.size(); ++i)
    {
        memset(&rec->routingRules[i], 0x10 + (int)(i % 200), sizeof(LcrRoutingRule));
        memset(&rec->routingCompanion[i], 0x20 + (int)(i % 200), sizeof(RoutingRuleCompanion));
        rec->routingRules[i].profile = (uint8_t)profiles[i];
    }
    return rec;
}

// The table as (profile, original index) pairs read back from both tables;
// a rule and its companion must still belong together.
std::vector<std::pair<int, int>> Table(const ConfigRecord& rec, int count)
{
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i)
    {
        const LcrRoutingRule& r = rec.routingRules[i];
        const uint8_t c = rec.routingCompanion[i].bytes[0];
        if (r.profile == 0xFF)
        {
            EXPECT_TRUE(r.bytes1[0] == 0xFF && c == 0xFF) << "rule " << i << " is not cleared";
            out.push_back({ 0xFF, -1 });
            continue;
        }
        EXPECT_EQ(r.bytes1[0] - 0x10, c - 0x20) << "rule " << i << " lost its companion";
        out.push_back({ r.profile, r.bytes1[0] - 0x10 });
    }
    return out;
}

bool AllFF(const void* p, size_t n)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return std::all_of(b, b + n, [](uint8_t v) { return v == 0xFF; });
}

TEST(LcrTables, FullTableNeverWritesPastTheLastRule)
{
    std::vector<int> profiles(CFG_ROUTING_RULE_COUNT, 0);
    for (size_t i = 500; i < profiles.size(); ++i)
        profiles[i] = 3;
    auto rec = RecordWithRules(profiles);
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*rec));

    // Profile 0 tries to grow by two rules: the table has no room.
    std::vector<LcrRuleEntry> rows(502);
    for (auto& r : rows)
        memset(&r, 0x33, sizeof(r));
    EXPECT_EQ(500, WriteProfileBlock(rec.get(), 0, rows.data(), (int)rows.size()));
    EXPECT_EQ(1000, CountUsedRules(rec.get()));
    EXPECT_EQ(0, memcmp(rec->lcrClip, before->lcrClip, sizeof(rec->lcrClip)));
    EXPECT_EQ(0, memcmp(&rec->httpIn, &before->httpIn, sizeof(rec->httpIn)));
    EXPECT_EQ(0, memcmp(&rec->routingCompanion[500], &before->routingCompanion[500], 500 * 64));

    // Deleting the first block moves 500 rules down and clears the tail.
    DeleteProfileRules(rec.get(), 0);
    EXPECT_EQ(500, CountUsedRules(rec.get()));
    EXPECT_EQ(0, memcmp(&rec->routingRules[0], &before->routingRules[500], 500 * 64));
    EXPECT_EQ(0, memcmp(&rec->routingCompanion[0], &before->routingCompanion[500], 500 * 64));
    EXPECT_TRUE(AllFF(&rec->routingRules[500], 500 * 64));
    EXPECT_TRUE(AllFF(&rec->routingCompanion[500], 500 * 64));
    EXPECT_EQ(0, memcmp(rec->lcrClip, before->lcrClip, sizeof(rec->lcrClip)));
}

TEST(LcrTables, GrowingABlockMovesTheLaterProfilesUp)
{
    auto rec = RecordWithRules({ 0, 3, 3 });
    LcrRuleEntry rows[2];
    rows[0].rule = rec->routingRules[0];
    rows[0].companion = rec->routingCompanion[0];
    memset(&rows[1], 0x10 + 9, sizeof(rows[1].rule));
    memset(&rows[1].companion, 0x20 + 9, sizeof(rows[1].companion));
    EXPECT_EQ(2, WriteProfileBlock(rec.get(), 0, rows, 2));
    EXPECT_EQ((std::vector<std::pair<int, int>>{ { 0, 0 }, { 0, 9 }, { 3, 1 }, { 3, 2 }, { 0xFF, -1 } }),
              Table(*rec, 5));
}

TEST(LcrTables, UnsortedProfilesAreSortedStablyWithTheirCompanions)
{
    auto rec = RecordWithRules({ 3, 3, 0, 0 });
    EXPECT_TRUE(SortRulesByProfile(rec.get()));
    EXPECT_EQ((std::vector<std::pair<int, int>>{ { 0, 2 }, { 0, 3 }, { 3, 0 }, { 3, 1 }, { 0xFF, -1 } }),
              Table(*rec, 5));
    EXPECT_FALSE(SortRulesByProfile(rec.get())) << "a sorted table is left alone";
}

LcrRoutingRule Rule(uint8_t line, const char* number)
{
    LcrRoutingRule r;
    memset(&r, 0xFF, sizeof(r));
    r.profile = 0;
    RuleByte(r, LCR_RULE_LINE) = line;
    WriteCountedString(number, r.number, sizeof(r.number));
    return r;
}

TEST(LcrTables, RulesSortGroupsFirstThenLinesThenNumbers)
{
    // expected: the sign of the comparison
    const struct { uint8_t lineA; const char* numberA; uint8_t lineB; const char* numberB; int expected; } cases[] = {
        { 31, "9", 'A', "1", -1 },     // a group before every link
        { 'A', "1", 'B', "0", -1 },
        { 'C', "1", 'D', "0", -1 },    // links before the VoIP users
        { 0xFF, "5", 'A', "5", 0 },    // an unset line is link A
        { 'b', "5", 'B', "5", 0 },     // lower case reads as upper case
        { 'd', "5", 'D', "5", 0 },
        { 'A', "123", 'A', "13", -1 }, // numbers byte-wise
    };
    for (const auto& c : cases)
    {
        int got = CompareRules(Rule(c.lineA, c.numberA), Rule(c.lineB, c.numberB));
        EXPECT_EQ(c.expected, (got > 0) - (got < 0)) << (int)c.lineA << c.numberA << " vs " << (int)c.lineB << c.numberB;
    }
}

TEST(LcrTables, WildcardOnlyAsLastCharacter)
{
    EXPECT_TRUE(NumberWildcardRule("0049"));
    EXPECT_TRUE(NumberWildcardRule("0049x"));
    EXPECT_FALSE(NumberWildcardRule("00x49"));
    EXPECT_FALSE(NumberWildcardRule("0049xx"));
}

TEST(LcrTables, ProfileMarksAndUsedGroupsComeFromTheRecord)
{
    auto rec = DefaultRecord();
    WriteCountedString("123", rec->lcrClip[0].number, 24);
    rec->lcrClip[0].bytes24[0] = 254;
    bool marks[256];
    MarkClipProfiles(rec.get(), marks);
    EXPECT_TRUE(marks[254]);
    EXPECT_FALSE(marks[1]);

    rec->moduleGroups[3].inGroup = 7;
    rec->moduleGroups[4].outGroup2 = 10;
    rec->sipTrunkGroups[2].outGroup = 1;
    rec->sipTrunkGroups[2].inGroup = 40; // no group
    EXPECT_EQ(1u << 7, UsedInGroupMask(rec.get()));
    EXPECT_EQ((1u << 10) | (1u << 1), UsedOutGroupMask(rec.get()));
}

TEST(LcrTables, TargetTextsShowGroupLinkAndCounter)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strIsdnLink0=ISDN A\nstrIsdnLink1=ISDN B\nstrIsdnLink2=ISDN C\n"));
    ASSERT_TRUE(lang.Select());
    const DWORD saved = g_Settings.GroupIndexOffset;
    g_Settings.GroupIndexOffset = 1;
    LcrRuleEntry e;
    memset(&e, 0xFF, sizeof(e));
    const uint8_t targets[] = { 4, 'T', 'D', 0xFF };
    memcpy(e.rule.targets, targets, sizeof(targets));
    e.rule.targetValues[0] = 12;
    e.companion.bytes[0] = LCR_CREDIT_NONE;
    e.companion.bytes[1] = LCR_CREDIT_3;
    e.companion.bytes[2] = 7;
    char text[256];
    LcrTargetText(e, text, sizeof(text));
    EXPECT_STREQ("G5(12,n), ISDN(3), VoIP-U(0)", text);
    memcpy(e.rule.targets, "\x04TDPC", LCR_TARGET_COUNT);
    LcrTargetText(e, text, sizeof(text));
    EXPECT_STREQ("G5(12,n), ISDN(3), VoIP-U(0), ISDN(1), ISDN(1)", text) << "all five targets";
    FormatRuleLine(0xFF, text, sizeof(text));
    EXPECT_STREQ("ISDN A", text);
    FormatRuleLine(2, text, sizeof(text));
    EXPECT_STREQ("G3", text);
    g_Settings.GroupIndexOffset = saved;
}

// 'P' and 'T' are the codes of links A and B as targets; a rule whose input
// line holds one is shown as that link, not as a group number no device has.
TEST(LcrTables, InputLinesPAndTShowAsTheirLinks)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strIsdnLink0=ISDN A\nstrIsdnLink1=ISDN B\nstrIsdnLink2=ISDN C\n"));
    ASSERT_TRUE(lang.Select());
    for (const auto& [code, shown] : std::vector<std::pair<uint8_t, const char*>>{
             { 'P', "ISDN A" }, { 'p', "ISDN A" }, { 'T', "ISDN B" }, { 't', "ISDN B" }, { 'c', "ISDN C" } })
    {
        char text[64];
        FormatRuleLine(code, text, sizeof(text));
        EXPECT_STREQ(shown, text) << code;
    }
}
}
