#pragma once
#include "record/ConfigRecord.h"
#include <cstddef>
#include <cstdint>

// The SIP account record shared by the VoIP module's user accounts
// (telephones registering with the device) and trunk accounts (the device
// registering with a provider), and the record functions of both tables.

enum DtmfMode : uint8_t
{
    DTMF_INBAND = 0,
    DTMF_RFC2833 = 1,
    DTMF_INFO = 2,
};

enum VoipCodec : uint8_t
{
    CODEC_NONE = 0,
    CODEC_G711_ALAW = 1,
    CODEC_G711_ULAW = 2,
    CODEC_G729A = 3,
    CODEC_G723_1 = 4,
    CODEC_G726_16 = 5,
    CODEC_G726_24 = 6,
    CODEC_G726_32 = 7,
    CODEC_G726_40 = 8,
    CODEC_G726_32_AAL2 = 9, // shown with the same text as 7
    CODEC_GSM = 10,
    CODEC_ILBC20 = 11,
    CODEC_ILBC30 = 12,
    CODEC_COUNT = 13,
};
constexpr int SIP_CODEC_CHOICES = 5; // codecs the dialogs offer, in order of preference

enum SipAccountFlags : uint32_t
{
    SAF_USER = 1u << 0,        // set by the user dialog, cleared by the trunk dialog
    SAF_DYNAMIC = 1u << 1,     // the host is not fixed
    SAF_REGISTER = 1u << 2,    // trunks
    SAF_AUTH_INVITE = 1u << 3,
    SAF_CLEAR_MODE = 1u << 5,  // trunks
    SAF_NAT = 1u << 11,
    SAF_QUALIFY_MASK = 0xFu << 12, // 1-15, 0: qualify off
};
constexpr int SAF_QUALIFY_SHIFT = 12;

enum SipVoiceFlags : uint32_t
{
    SVF_ECHO_CANCEL = 1u << 0,
    SVF_ECHO_TAIL_MASK = 0xFu << 1, // index k: (k + 1) * 8 ms
    SVF_VAD = 1u << 5,
    SVF_VAD_TUNE_MASK = 0x7u << 6,  // options 0-4
    SVF_AGC = 1u << 9,
    SVF_NOISE_SUPPRESS = 1u << 10,
    SVF_JITTER_BUFFER = 1u << 11,
    SVF_G723_HIGH_RATE = 1u << 12,
};
constexpr int SVF_ECHO_TAIL_SHIFT = 1;
constexpr int SVF_VAD_TUNE_SHIFT = 6;
constexpr int SVF_VAD_TUNE_OPTIONS = 5;

constexpr uint16_t SIP_DEFAULT_PORT = 5060;
constexpr uint16_t SIP_DEFAULT_REG_EXPIRY = 1800;
constexpr uint16_t SIP_DEFAULT_REG_RETRY = 30;
constexpr int SIP_DEFAULT_QUALIFY = 2;

// The SIP numbers store 0 for their default: a 0 read from an edit becomes
// the default before it is stored.
inline void ZeroToDefault(uint16_t* value, uint16_t def)
{
    if (*value == 0)
        *value = def;
}

// One trunk as its page keeps it: the account and the trunk's two groups.
struct SipTrunkRow
{
    SipAccount account;
    uint8_t inGroup;  // 0-31, 0xFF none
    uint8_t outGroup;
};

// The new accounts the Add buttons start from.
void SetNewUserAccount(SipAccount* account);
void SetNewTrunkRow(SipTrunkRow* row);

// A table ends at the first record whose first byte is 0 or 0xFF.
bool IsSipAccountInUse(const SipAccount& account);
size_t CountSipAccounts(const SipAccount* table, size_t capacity);

// The qualify value of bits 12-15 (0: off).
int GetAccountQualify(const SipAccount& account);
void SetAccountQualify(SipAccount* account, int qualify);

// VAD tuning option of the voice flags; -1 when the stored value is not one
// of the five options.
int GetVadTuning(const SipAccount& account);
void SetVadTuning(SipAccount* account, int option);

// Rewrites the 16 codec bytes from the five choices held in bytes 0-4:
// "none", repeated codes and the empty marker dropped, the rest 0; with no
// codec left, G.711 A-law alone.
void NormaliseCodecs(SipAccount* account);

// Writes the users' table: all 110 records 0xFF, then the given ones in order.
void WriteSipUsers(ConfigRecord* rec, const SipAccount* const* users, size_t count);
// Writes the trunks' table and their group bytes: all 0xFF, then row i into
// trunk i and its groups.
void WriteSipTrunks(ConfigRecord* rec, const SipTrunkRow* const* rows, size_t count);
// Reads trunk i with its group bytes.
void ReadSipTrunk(const ConfigRecord* rec, size_t index, SipTrunkRow* row);

// The groups a trunk may serve: those no card serves, and those the VoIP
// module serves (a trunk's own groups included); the rule of every group list.
void GetGroupsOfferedToTrunks(const ConfigRecord* rec, bool inOffered[32], bool outOffered[32]);
