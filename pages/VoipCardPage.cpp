#include "pages/VoipCardPage.h"
#include "pages/GroupFunctions.h"
#include <cstring>

namespace
{
constexpr uint8_t kRinging = 1;
constexpr uint8_t kProgress = 2;
constexpr uint8_t kCodecALaw = 1;
const char kDefaultSipPort[] = "5060"; // stored with its terminator

#define VOIP(member) offsetof(VoipModuleRec, member)
#define GROUP(member) offsetof(ModuleGroupAssign, member)

const FieldChoice kCodecs[] = {
    { kCodecALaw, nullptr, "G.711 A-Law", 0 },
    { 2, nullptr, "G.711 \xB5-Law", 0 },
    { 3, nullptr, "G.726-32", 0 },
    { 4, nullptr, "GSM", 0 },
};
const FieldChoice kProgressSignalling[] = {
    { kRinging, nullptr, nullptr, IDC_VOIP_USE_RINGING },
    { kProgress, nullptr, nullptr, IDC_VOIP_USE_PROGRESS },
};

const FieldBinding kVoipFields[] = {
    Field::Ip(IDC_VOIP_IP, VOIP(ipAddress)),
    Field::Ip(IDC_VOIP_MASK, VOIP(netMask)),
    Field::Ip(IDC_VOIP_GATEWAY, VOIP(defaultRouter)),
    Field::Ip(IDC_VOIP_DNS1, VOIP(dns1)),
    Field::Ip(IDC_VOIP_DNS2, VOIP(dns2)),
    Field::Text(IDC_VOIP_SIP_ADDRESS, VOIP(sipServer), sizeof(VoipModuleRec::sipServer)),
    Field::Port(IDC_VOIP_SIP_PORT, VOIP(sipPort), sizeof(VoipModuleRec::sipPort), 1, 65535, 0,
                FB_EMPTY_ALLOWED | FB_NO_DEFAULT),
    Field::Text(IDC_VOIP_SIP_NAME, VOIP(sipUser), sizeof(VoipModuleRec::sipUser)),
    Field::Text(IDC_VOIP_SIP_PASSWORD, VOIP(sipPassword), sizeof(VoipModuleRec::sipPassword)),
    Field::Number(IDC_VOIP_SIP_EXPIRE, VOIP(regExpiry), 2, 0, 65535, 0, FB_NO_DEFAULT),
    // Anything but ringing is signalled as progress, and stored so.
    Field::RadioOr(VOIP(progressSignalling), kProgressSignalling, kProgress),
    Field::Check(IDC_VOIP_SYMMETRIC_RTP, VOIP(symmetricRtp), 0xFF, 1, 0),
    Field::List(IDC_VOIP_CODEC_FIRST + 0, VOIP(codecs) + 0, kCodecs),
    Field::List(IDC_VOIP_CODEC_FIRST + 1, VOIP(codecs) + 1, kCodecs),
    Field::List(IDC_VOIP_CODEC_FIRST + 2, VOIP(codecs) + 2, kCodecs),
    Field::List(IDC_VOIP_CODEC_FIRST + 3, VOIP(codecs) + 3, kCodecs),
};

// The slot's four module positions all serve the same groups: the page
// shows those of the first and writes them to all four.
const FieldBinding kVoipGroupFields[] = {
    Field::OwnList(IDC_GROUP_IN, GROUP(inGroup)),
    Field::OwnList(IDC_GROUP_OUT, GROUP(outGroup)),
    Field::OwnList(IDC_GROUP_OUT2, GROUP(outGroup2)),
};
#undef VOIP
#undef GROUP

const UINT kGroupLists[] = { IDC_GROUP_IN, IDC_GROUP_OUT, IDC_GROUP_OUT2 };
const GroupDirection kGroupDirections[] = { GroupDirection::In, GroupDirection::Out, GroupDirection::Out };
}

const FieldTable CVoipCardPage::kFields =
    MakeFieldTable(kVoipFields, CFG_OFS_VOIP_MODULES, sizeof(VoipModuleRec), CFG_CARD_SLOT_COUNT);
const FieldTable CVoipCardPage::kGroupFields =
    MakeFieldTable(kVoipGroupFields, CFG_OFS_MODULE_GROUPS, 4 * sizeof(ModuleGroupAssign), CFG_CARD_SLOT_COUNT);

void CVoipCardPage::OnInitControls()
{
    // Unset fields get what the page shows for them, so the next commit
    // carries it.
    VoipModuleRec& v = m_pRecord->voipModules[m_slot];
    if ((uint8_t)v.sipServer[0] == 0xFF)
        v.sipServer[0] = '\0';
    if ((uint8_t)v.sipPort[0] == 0xFF)
        memcpy(v.sipPort, kDefaultSipPort, sizeof(kDefaultSipPort));
    if ((uint8_t)v.sipUser[0] == 0xFF)
        v.sipUser[0] = '\0';
    if ((uint8_t)v.sipPassword[0] == 0xFF)
        v.sipPassword[0] = '\0';
    for (uint8_t& codec : v.codecs)
        if (codec == 0xFF)
            codec = kCodecALaw;
    ::SendDlgItemMessageA(m_hWnd, IDC_VOIP_SIP_PASSWORD, EM_SETPASSWORDCHAR, '*', 0);
    for (int i = 0; i < 3; ++i)
        FillGroupList(GetDlgItem(kGroupLists[i]), m_pRecord, kGroupDirections[i], CARD_VOIP);
}

// The groups the lists show go to every position of the slot.
void CVoipCardPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    for (int p = 0; p < 4; ++p)
    {
        const ModuleGroupAssign& position = m_pRecord->moduleGroups[4 * m_slot + p];
        runs.insert(runs.end(), { RunOf(m_pRecord, position.inGroup), RunOf(m_pRecord, position.outGroup),
                                  RunOf(m_pRecord, position.outGroup2) });
    }
}

void CVoipCardPage::OnStored()
{
    // The group a list shows goes to all four positions of the slot; a list
    // showing none (its stored byte names no group it offers) keeps them.
    uint8_t ModuleGroupAssign::*const members[] = { &ModuleGroupAssign::inGroup, &ModuleGroupAssign::outGroup,
                                                    &ModuleGroupAssign::outGroup2 };
    ModuleGroupAssign* positions = &m_pRecord->moduleGroups[4 * m_slot];
    for (int i = 0; i < 3; ++i)
    {
        int code = CFieldBinder::SelectedCode(GetDlgItem(kGroupLists[i]));
        if (code < 0)
            continue;
        for (int p = 0; p < 4; ++p)
            positions[p].*members[i] = (uint8_t)code;
    }
}

void CVoipCardPage::OnTextsChanged()
{
    for (int i = 0; i < 3; ++i)
        RefillGroupList(GetDlgItem(kGroupLists[i]), m_pRecord, kGroupDirections[i], CARD_VOIP);
}
