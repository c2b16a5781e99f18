#include "record/SipAccount.h"
#include "record/GroupCardType.h"
#include <cstring>

namespace
{
void SetCommonDefaults(SipAccount* a)
{
    memset(a, 0, sizeof(*a));
    a->dtmfMode = DTMF_RFC2833;
    a->port = SIP_DEFAULT_PORT;
    static const uint8_t codecs[] = { CODEC_G711_ALAW, CODEC_G711_ULAW, CODEC_G729A, CODEC_G726_32 };
    memcpy(a->codecs, codecs, sizeof(codecs));
    a->voiceFlags = SVF_ECHO_CANCEL | (7u << SVF_ECHO_TAIL_SHIFT) | (1u << SVF_VAD_TUNE_SHIFT) | SVF_JITTER_BUFFER;
    a->jitterMin = 0;
    a->jitterMax = 100;
}
}

void SetNewUserAccount(SipAccount* a)
{
    SetCommonDefaults(a);
    a->accountFlags = SAF_USER | SAF_DYNAMIC | SAF_AUTH_INVITE;
}

void SetNewTrunkRow(SipTrunkRow* row)
{
    SipAccount* a = &row->account;
    SetCommonDefaults(a);
    a->registrarPort = SIP_DEFAULT_PORT;
    a->outboundProxyPort = SIP_DEFAULT_PORT;
    a->regExpiry = SIP_DEFAULT_REG_EXPIRY;
    a->regRetry = SIP_DEFAULT_REG_RETRY;
    a->accountFlags = SAF_AUTH_INVITE;
    row->inGroup = CFG_NO_GROUP;
    row->outGroup = CFG_NO_GROUP;
}

bool IsSipAccountInUse(const SipAccount& a)
{
    uint8_t first = (uint8_t)a.name[0];
    return first != 0 && first != CFG_EMPTY;
}

size_t CountSipAccounts(const SipAccount* table, size_t capacity)
{
    size_t n = 0;
    while (n < capacity && IsSipAccountInUse(table[n]))
        ++n;
    return n;
}

int GetAccountQualify(const SipAccount& a)
{
    return (int)((a.accountFlags & SAF_QUALIFY_MASK) >> SAF_QUALIFY_SHIFT);
}

void SetAccountQualify(SipAccount* a, int qualify)
{
    a->accountFlags = (a->accountFlags & ~(uint32_t)SAF_QUALIFY_MASK) |
                      (((uint32_t)qualify << SAF_QUALIFY_SHIFT) & SAF_QUALIFY_MASK);
}

int GetVadTuning(const SipAccount& a)
{
    int option = (int)((a.voiceFlags & SVF_VAD_TUNE_MASK) >> SVF_VAD_TUNE_SHIFT);
    return option < SVF_VAD_TUNE_OPTIONS ? option : -1;
}

void SetVadTuning(SipAccount* a, int option)
{
    if (option < 0 || option >= SVF_VAD_TUNE_OPTIONS)
        return;
    a->voiceFlags = (a->voiceFlags & ~(uint32_t)SVF_VAD_TUNE_MASK) | ((uint32_t)option << SVF_VAD_TUNE_SHIFT);
}

void NormaliseCodecs(SipAccount* a)
{
    uint8_t picks[SIP_CODEC_CHOICES];
    memcpy(picks, a->codecs, sizeof(picks));
    memset(a->codecs, 0, sizeof(a->codecs));
    size_t n = 0;
    for (uint8_t code : picks)
    {
        if (code == CODEC_NONE || code == CFG_EMPTY || memchr(a->codecs, code, n))
            continue;
        a->codecs[n++] = code;
    }
    if (n == 0)
        a->codecs[0] = CODEC_G711_ALAW;
}

void WriteSipUsers(ConfigRecord* rec, const SipAccount* const* users, size_t count)
{
    memset(rec->sipUsers, CFG_EMPTY, sizeof(rec->sipUsers));
    for (size_t i = 0; i < count && i < CFG_SIP_USER_COUNT; ++i)
        rec->sipUsers[i] = *users[i];
}

void WriteSipTrunks(ConfigRecord* rec, const SipTrunkRow* const* rows, size_t count)
{
    memset(rec->sipTrunks, CFG_EMPTY, sizeof(rec->sipTrunks));
    memset(rec->sipTrunkGroups, CFG_EMPTY, sizeof(rec->sipTrunkGroups));
    for (size_t i = 0; i < count && i < CFG_SIP_TRUNK_COUNT; ++i)
    {
        rec->sipTrunks[i] = rows[i]->account;
        rec->sipTrunkGroups[i].inGroup = rows[i]->inGroup;
        rec->sipTrunkGroups[i].outGroup = rows[i]->outGroup;
    }
}

void ReadSipTrunk(const ConfigRecord* rec, size_t index, SipTrunkRow* row)
{
    row->account = rec->sipTrunks[index];
    row->inGroup = rec->sipTrunkGroups[index].inGroup;
    row->outGroup = rec->sipTrunkGroups[index].outGroup;
}

void GetGroupsOfferedToTrunks(const ConfigRecord* rec, bool inOffered[32], bool outOffered[32])
{
    for (int g = 0; g < (int)CFG_GROUP_COUNT; ++g)
    {
        inOffered[g] = IsGroupOfferedTo(GetInGroupCardType(rec, g), CARD_VOIP);
        outOffered[g] = IsGroupOfferedTo(GetOutGroupCardType(rec, g), CARD_VOIP);
    }
}
