#include <gtest/gtest.h>
#include "pages/GroupFunctions.h"
#include "pages/GroupPages.h"
#include <cstring>
#include <memory>

namespace
{
// A new record with cards in slots and groups on module positions.
struct GroupRecord
{
    std::unique_ptr<ConfigRecord> rec{ new ConfigRecord };
    GroupRecord() { SetConfigDefaults(rec.get()); }
    GroupRecord& Card(int slot, uint8_t type)
    {
        rec->cardSlots[slot].cardType = type;
        return *this;
    }
    GroupRecord& Module(int m, uint8_t out, uint8_t in, uint8_t out2 = CFG_NO_GROUP)
    {
        rec->moduleGroups[m] = { out, in, out2, CFG_NO_GROUP };
        return *this;
    }
    GroupRecord& Trunk(int t, uint8_t out, uint8_t in)
    {
        rec->sipTrunkGroups[t].outGroup = out;
        rec->sipTrunkGroups[t].inGroup = in;
        return *this;
    }
};

struct CardTypeCase
{
    const char* what;
    uint8_t slotType; // card of slot 2 (modules 8-11)
    int module;       // the module holding group 7 (-1: none)
    bool trunkHolds;  // SIP trunk 3 holds group 7 too
    uint8_t out;      // expected GetOutGroupCardType
};

const CardTypeCase kCardTypeCases[] = {
    { "combined card, trunk line", CARD_ANALOG_COMBINED, 9, false, CARD_ANALOG_TRUNK },
    { "combined card, subscriber line", CARD_ANALOG_COMBINED, 10, false, CARD_ANALOG_SUBSCRIBER },
    { "subscriber card", CARD_ANALOG_SUBSCRIBER, 8, false, CARD_ANALOG_SUBSCRIBER },
    { "GSM card beats the trunk", CARD_GSM, 11, true, CARD_GSM },
    { "SIP trunk only", CARD_GSM, -1, true, CARD_VOIP },
    { "empty slot 0xFF falls to the trunk", CARD_NONE_EMPTY, 8, true, CARD_VOIP },
    { "empty slot 0 and no trunk", CARD_NONE, 8, false, CARD_NONE },
    { "nothing holds it", CARD_GSM, -1, false, CARD_NONE },
};

TEST(GroupFunctionsTest, ServingCardTypeOfAGroupFollowsItsFirstModuleThenTheTrunks)
{
    for (const CardTypeCase& c : kCardTypeCases)
    {
        for (int asSecond = 0; asSecond < 2; ++asSecond)
        {
            GroupRecord r;
            r.Card(2, c.slotType);
            if (c.module >= 0)
            {
                r.Module(c.module, asSecond ? CFG_NO_GROUP : 7, 7, asSecond ? 7 : CFG_NO_GROUP);
            }
            if (c.trunkHolds)
                r.Trunk(3, 7, 7);
            EXPECT_EQ(c.out, GetOutGroupCardType(r.rec.get(), 7)) << c.what << (asSecond ? " (second)" : "");
            EXPECT_EQ(c.out, GetInGroupCardType(r.rec.get(), 7)) << c.what;
        }
    }
}

TEST(GroupFunctionsTest, DirectionsAreKeptApart)
{
    GroupRecord r;
    r.Card(1, CARD_GSM).Module(4, 3, 5).Trunk(0, 6, 3);
    EXPECT_EQ(CARD_GSM, GetOutGroupCardType(r.rec.get(), 3));
    EXPECT_EQ(CARD_VOIP, GetInGroupCardType(r.rec.get(), 3));
    EXPECT_EQ(CARD_GSM, GetInGroupCardType(r.rec.get(), 5));
    EXPECT_EQ(CARD_NONE, GetOutGroupCardType(r.rec.get(), 5));
    EXPECT_EQ(CARD_VOIP, GetOutGroupCardType(r.rec.get(), 6));
}

TEST(GroupFunctionsTest, UsedGroupsAreExactlyTheHeldOnesBelow32)
{
    GroupRecord r;
    r.Card(0, CARD_GSM).Module(0, 1, 2, 31).Module(5, 0x20, 0xFE, 4).Module(31, 0xFF, 9).Trunk(7, 12, 0x40).Trunk(2, 0xFF, 13);
    EXPECT_EQ((1u << 1) | (1u << 31) | (1u << 4) | (1u << 12), COutGroupsPage::GetUsedOutGroups(r.rec.get()));
    EXPECT_EQ((1u << 2) | (1u << 9) | (1u << 13), CInGroupsPage::GetUsedInGroups(r.rec.get()));
    GroupRecord none;
    EXPECT_EQ(0u, COutGroupsPage::GetUsedOutGroups(none.rec.get()));
    EXPECT_EQ(0u, CInGroupsPage::GetUsedInGroups(none.rec.get()));
}

TEST(GroupFunctionsTest, ApplyingModuleSettingsCopiesBothSimsAndGroupBytesToChosenGsmModules)
{
    GroupRecord r;
    r.Card(0, CARD_GSM).Card(1, CARD_GSM).Card(2, CARD_VOIP).Card(3, CARD_GSM);
    uint8_t* bytes = ConfigBytes(r.rec.get());
    for (uint32_t i = 0; i < sizeof(GsmModuleRec); ++i)
    {
        bytes[CFG_OFS_GSM_SIM1 + 5 * 48 + i] = (uint8_t)(0x30 + i);
        bytes[CFG_OFS_GSM_SIM2 + 5 * 48 + i] = (uint8_t)(0x90 + i);
    }
    r.Module(5, 1, 2, 3);
    r.rec->moduleGroups[5].spare = 0x44;
    std::unique_ptr<ConfigRecord> before(new ConfigRecord(*r.rec));

    // Modules 0, 6 (GSM), 9 (VoIP slot), 13 (GSM), 5 itself.
    uint32_t selection = (1u << 0) | (1u << 6) | (1u << 9) | (1u << 13) | (1u << 5);
    EXPECT_EQ((1u << 0) | (1u << 6) | (1u << 13), ApplyModuleSettings(r.rec.get(), 5, selection));

    for (int n : { 0, 6, 13 })
    {
        EXPECT_EQ(0, memcmp(&bytes[CFG_OFS_GSM_SIM1 + 5 * 48], &bytes[CFG_OFS_GSM_SIM1 + n * 48], 48)) << n;
        EXPECT_EQ(0, memcmp(&bytes[CFG_OFS_GSM_SIM2 + 5 * 48], &bytes[CFG_OFS_GSM_SIM2 + n * 48], 48)) << n;
        EXPECT_EQ(0, memcmp(&bytes[CFG_OFS_MODULE_GROUPS + 5 * 4], &bytes[CFG_OFS_MODULE_GROUPS + n * 4], 4)) << n;
    }
    // Everything else, the VoIP slot's module 9 included, is as it was.
    for (int n : { 0, 6, 13 })
    {
        r.rec->gsmSim1[n] = before->gsmSim1[n];
        r.rec->gsmSim2[n] = before->gsmSim2[n];
        r.rec->moduleGroups[n] = before->moduleGroups[n];
    }
    EXPECT_EQ(0, memcmp(before.get(), r.rec.get(), sizeof(ConfigRecord)));
}
}
