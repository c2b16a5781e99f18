#include "tests/record/DefaultRecord.h"
#include <gtest/gtest.h>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

// The expected image of a new record, built byte by byte from record offsets
// (independently of the structures), so that a misplaced structure member
// shows as a wrong byte.
struct ExpectedImage
{
    std::vector<uint8_t> bytes = std::vector<uint8_t>(CFG_RECORD_SIZE, 0xFF);
    std::vector<bool> named = std::vector<bool>(CFG_RECORD_SIZE, false);

    void U8(uint32_t ofs, uint8_t v) { bytes[ofs] = v; named[ofs] = true; }
    void U16(uint32_t ofs, uint16_t v) { U8(ofs, v & 0xFF); U8(ofs + 1, v >> 8); }
    void U32(uint32_t ofs, uint32_t v) { U16(ofs, v & 0xFFFF); U16(ofs + 2, v >> 16); }
    void Text(uint32_t ofs, const char* t, size_t n) { for (size_t i = 0; i < n; ++i) U8(ofs + i, (uint8_t)t[i]); }
    void Run(uint32_t ofs, std::initializer_list<uint8_t> v) { for (uint8_t b : v) U8(ofs++, b); }

    void SimCredits(uint32_t base)
    {
        U32(base + 12, 0); U32(base + 16, 0);
        U8(base + 20, 1); U8(base + 21, 1); U8(base + 22, 1);
        for (uint32_t o = 24; o <= 36; o += 4) U32(base + o, 0);
        for (uint32_t o = 42; o <= 45; ++o) U8(base + o, 1);
    }

    ExpectedImage()
    {
        U32(0, 0x1801011A);
        U8(6, 0);
        Text(0x27, "000000000000", 12);
        Text(0x33, "255255255000", 12);
        Text(0x3F, "01002", 5);
        Text(0x44, "000000000000", 12);
        Text(0x50, "000000000000", 12);
        Text(0x5C, "000000000000", 12);
        U8(0x68, 1);
        for (uint32_t k = 0; k < 4; ++k)
        {
            uint32_t l = 0x100 + 80 * k;
            U8(l, 0xF1);
            U8(l + 3, 0);
            U8(l + 4, 0);
            for (uint32_t t = 0; t < 32; ++t) U8(l + 0x10 + t, 0);
            U8(l + 0x10, 0xF0);
            U8(l + 0x10 + 16, 0xF1);
        }
        U8(0x101, 1); U8(0x1F1, 1); U8(0x151, 0); U8(0x1A1, 0);
        U8(0x102, 0xFC); U8(0x1F2, 0xFC); U8(0x152, 0xFD); U8(0x1A2, 0xFD);
        Run(0x240, { 1, 0 });
        Run(0x248, { 6, 0, 0, 0, 0, 30, 1, 0, 0, 1, 3, 0, 0, 0, 0 });
        U8(0x25C, 0); Run(0x268, { 0, 1, 0, 0 });
        for (uint32_t g = 0; g < 32; ++g)
        {
            uint32_t o = 0x348 + 16 * g;
            U8(o, 0); U8(o + 1, 0); U8(o + 2, 0);
            uint32_t in = 0x548 + 208 * g;
            U8(in, 0); U8(in + 1, 0); U8(in + 2, 3); U8(in + 3, 3); U8(in + 4, 0); U8(in + 5, 0);
            U8(in + 6, 0x41); U8(in + 8, 0); U8(in + 32, 0);
            for (uint32_t i = 0; i < 5; ++i)
            {
                U8(in + 56 + 24 * i, 0);
                U8(0x23C8C + 208 * g + 56 + 24 * i, 0);
            }
        }
        for (uint32_t m = 0; m < 32; ++m)
        {
            uint32_t s1 = 0x1F48 + 48 * m;
            U8(s1, 1); U8(s1 + 1, 8); U8(s1 + 2, 0x80); U8(s1 + 3, 0x80);
            SimCredits(s1);
            SimCredits(0x2568C + 48 * m);
        }
        U8(0x23948, 0);
        for (uint32_t o : {0x23970u, 0x23998u, 0x239C0u, 0x239E8u, 0x23A10u}) U8(o, 0);
        U8(0x23A38, 30);
        U8(0x23B8C, 0); U8(0x23BB4, 0); U16(0x23BB8, 1);
        U8(0x23C0C, 0); U8(0x23C34, 0);
        U8(0x25C8C, 0); U8(0x25D8C, 0); U8(0x41BDC, 0);
        for (uint32_t d = 0; d < 5; ++d)
        {
            uint32_t o = 0x41CDC + 32 * d;
            U8(o, 8); U8(o + 1, 0); U8(o + 4, 18); U8(o + 5, 0);
        }
        for (uint32_t k = 0; k < 4; ++k)
        {
            uint32_t o = 0x41E5C + 96 * k;
            for (uint32_t j = 0; j < 6; ++j)
            {
                U32(o + 4 * j, 0); U32(o + 24 + 4 * j, 0); U8(o + 48 + j, 1); U8(o + 54 + j, 1);
            }
            U8(o + 66, 1);
        }
        U8(0x41FDC, 0); U8(0x42006, 0); U8(0x4201D, 0);
        for (uint32_t v = 0; v < 16; ++v)
        {
            uint32_t o = 0x4215C + 512 * v;
            for (uint32_t t : { 0u, 24u, 36u, 48u })
                Text(o + t, "000000000000", 12);
            Text(o + 12, "255255255000", 12);
            U8(o + 76, 0);
            Text(o + 172, "5060", 5);
            U8(o + 180, 0); U8(o + 204, 0); Run(o + 228, { 0, 0, 1, 0, 1, 2, 3, 4 });
        }
        U32(0x4415C, 0); U32(0x44160, 2); U32(0x44164, 0x1A);
        U8(0x44168, 20); U8(0x44169, 4); U8(0x4416A, 20); U8(0x4416B, 3);
        for (uint32_t l = 0; l < 32; ++l)
        {
            U8(0x4425C + 256 * l, 0);
            U8(0x4425C + 256 * l + 24, 1);
        }
        U8(0x60000, 1); U8(0x60001, 0); U16(0x60002, 5060); U16(0x60004, 3600); U16(0x60006, 90);
        U8(0x60008, 0); U8(0x60009, 0xFC); U16(0x6000C, 8000); U16(0x6000E, 8099); U8(0x60010, 0);
        U8(0x6001C, 0); U8(0x60020, 0); U8(0x60060, 0); U16(0x600A0, 3478); U16(0x600A2, 300);
    }
};

} // namespace

TEST(ConfigRecordLayout, MapTilesTheWholeRecordInOrder)
{
    uint32_t next = 0;
    for (size_t i = 0; i < g_ConfigRecordMapCount; ++i)
    {
        const ConfigSection& s = g_ConfigRecordMap[i];
        EXPECT_EQ(next, s.offset) << s.name;
        next = s.offset + s.entrySize * s.count;
    }
    EXPECT_EQ(CFG_RECORD_SIZE, next);
    EXPECT_EQ(0x76604u, CFG_RECORD_SIZE);
}

TEST(ConfigRecordDefaults, EveryByteMatchesTheListedDefaultsAndTheRestIsEmpty)
{
    auto rec = DefaultRecord();
    ExpectedImage expected;
    const uint8_t* actual = ConfigBytes(rec.get());
    int mismatches = 0;
    for (uint32_t i = 0; i < CFG_RECORD_SIZE && mismatches < 20; ++i)
    {
        if (actual[i] != expected.bytes[i])
        {
            ADD_FAILURE() << "offset 0x" << std::hex << i << ": got 0x" << (int)actual[i]
                          << ", expected 0x" << (int)expected.bytes[i];
            ++mismatches;
        }
    }
}

// Each used rule's targets that name an outgoing group take that group's
// default value where none is set; the list ends at 0xFF, the table at the
// first unused rule.
TEST(RoutingGroupFill, FillsFromTheOutgoingGroupsUpToTheEndOfEachListAndTable)
{
    auto rec = DefaultRecord();
    rec->outGroups[3].targetDefault = 7;
    rec->outGroups[5].targetDefault = 9;
    struct { uint8_t profile, targets[5], before[5], after[5]; } rules[] = {
        // 40 is no outgoing group but does not end the list; a set value stays.
        { 0, { 3, 40, 5, 0xFF, 3 }, { 0xFF, 0xFF, 2, 0xFF, 0xFF }, { 7, 0xFF, 2, 0xFF, 0xFF } },
        { 0, { 0xFF, 3, 3, 3, 3 }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF } },
        { 1, { 5, 0xFF, 3, 3, 3 }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }, { 9, 0xFF, 0xFF, 0xFF, 0xFF } },
        { 0xFF, { 3, 3, 3, 3, 3 }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF } },
        { 0, { 3, 5, 3, 5, 3 }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF } },
    };
    for (int i = 0; i < 5; ++i)
    {
        rec->routingRules[i].profile = rules[i].profile;
        memcpy(rec->routingRules[i].targets, rules[i].targets, 5);
        memcpy(rec->routingRules[i].targetValues, rules[i].before, 5);
    }
    EXPECT_EQ(1, FillRoutingGroupDefaults(rec.get()));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0, memcmp(rules[i].after, rec->routingRules[i].targetValues, 5)) << "rule " << i;
}
