#include <gtest/gtest.h>
#include "record/SipAccount.h"
#include "tests/record/DefaultRecord.h"
#include <cstring>
#include <vector>

namespace
{
const uint8_t* Bytes(const SipAccount& a)
{
    return reinterpret_cast<const uint8_t*>(&a);
}

// Every byte of the record except the listed ones is 0.
void ExpectOnlyBytes(const SipAccount& a, const std::vector<std::pair<size_t, uint8_t>>& set)
{
    std::vector<uint8_t> expected(sizeof(SipAccount), 0);
    for (const auto& b : set)
        expected[b.first] = b.second;
    EXPECT_EQ(expected, std::vector<uint8_t>(Bytes(a), Bytes(a) + sizeof(SipAccount)));
}
} // namespace

TEST(SipAccount, NewUserAndTrunkHoldExactlyTheirDefaults)
{
    // port 5060 at 216; DTMF RFC2833 at 517; codecs A-law, u-law, G.729a,
    // G.726-32 at 520; voice flags: echo canceller, tail 64 ms, VAD tuning 1,
    // jitter buffer (0x0A4F) at 552; jitter 0..100 at 556.
    const std::vector<std::pair<size_t, uint8_t>> common = {
        { 216, 0xC4 }, { 217, 0x13 }, { 517, 1 }, { 520, 1 }, { 521, 2 }, { 522, 3 }, { 523, 7 },
        { 552, 0x4F }, { 553, 0x08 }, { 557, 100 },
    };
    SipAccount user;
    memset(&user, 0xAA, sizeof(user));
    SetNewUserAccount(&user);
    auto userBytes = common;
    userBytes.push_back({ 536, 0x0B }); // user, dynamic, authenticate INVITE
    ExpectOnlyBytes(user, userBytes);

    SipTrunkRow trunk;
    memset(&trunk, 0xAA, sizeof(trunk));
    SetNewTrunkRow(&trunk);
    auto trunkBytes = common;
    trunkBytes.insert(trunkBytes.end(), { { 218, 0xC4 }, { 219, 0x13 }, { 220, 0xC4 }, { 221, 0x13 },
                                          { 222, 0x08 }, { 223, 0x07 }, { 224, 30 }, { 536, 0x08 } });
    ExpectOnlyBytes(trunk.account, trunkBytes);
    EXPECT_EQ(0xFF, trunk.inGroup);
    EXPECT_EQ(0xFF, trunk.outGroup);
}

TEST(SipAccount, CodecChoicesAreStoredOnceInOrderAndNeverEmpty)
{
    const struct { uint8_t picks[5], stored[5]; } cases[] = {
        { { 1, 2, 3, 7, 0 }, { 1, 2, 3, 7, 0 } },
        { { 2, 2, 0, 5, 2 }, { 2, 5, 0, 0, 0 } },   // repeats and "none" dropped
        { { 0, 0, 0, 0, 0 }, { 1, 0, 0, 0, 0 } },   // none chosen: G.711 A-law alone
        { { 0xFF, 13, 0, 13, 4 }, { 13, 4, 0, 0, 0 } }, // an unknown code kept, the empty marker not
    };
    for (const auto& c : cases)
    {
        SipAccount a;
        memset(&a, 0x55, sizeof(a));
        memcpy(a.codecs, c.picks, 5);
        NormaliseCodecs(&a);
        uint8_t expected[16] = {};
        memcpy(expected, c.stored, 5);
        EXPECT_EQ(0, memcmp(expected, a.codecs, 16)) << int(c.picks[0]) << "," << int(c.picks[1]);
        EXPECT_EQ(0x55, Bytes(a)[536]); // the flags after the codecs stay
    }
}

TEST(SipAccount, VadTuningAndQualifyKeepTheirNeighbourBits)
{
    SipAccount a;
    memset(&a, 0, sizeof(a));
    a.voiceFlags = 0xFFFFFE3Fu | (6u << 6); // tuning 6: no option
    EXPECT_EQ(-1, GetVadTuning(a));
    SetVadTuning(&a, -1); // nothing selected: kept
    EXPECT_EQ(0xFFFFFFBFu, a.voiceFlags);
    SetVadTuning(&a, 4);
    EXPECT_EQ(0xFFFFFF3Fu, a.voiceFlags);

    a.accountFlags = 0xFFFF0FFFu;
    SetAccountQualify(&a, 2);
    EXPECT_EQ(0xFFFF2FFFu, a.accountFlags);
    SetAccountQualify(&a, 0);
    EXPECT_EQ(0xFFFF0FFFu, a.accountFlags);
}

TEST(SipAccount, TrunksAreOfferedOnlyGroupsOfNoCardOrOfTheVoipCard)
{
    auto rec = DefaultRecord();
    rec->cardSlots[0].cardType = CARD_GSM;
    rec->cardSlots[1].cardType = CARD_VOIP;
    rec->cardSlots[2].cardType = CARD_ANALOG_COMBINED;
    rec->moduleGroups[0].inGroup = 1;    // GSM
    rec->moduleGroups[1].outGroup2 = 2;  // GSM, second outgoing group
    rec->moduleGroups[4].inGroup = 3;    // VoIP card
    rec->moduleGroups[8].outGroup = 4;   // combined card, trunk line
    rec->moduleGroups[10].inGroup = 5;   // combined card, subscriber line
    rec->moduleGroups[20].inGroup = 6;   // slot 5: no card
    rec->sipTrunkGroups[0].inGroup = 7;  // a trunk's own group
    bool in[32], out[32];
    GetGroupsOfferedToTrunks(rec.get(), in, out);
    EXPECT_EQ((std::vector<bool>{ true, false, true, true, true, false, true, true }), std::vector<bool>(in, in + 8));
    EXPECT_EQ((std::vector<bool>{ true, true, false, true, false, true, true, true }), std::vector<bool>(out, out + 8));
    EXPECT_TRUE(in[31] && out[31]);
}
