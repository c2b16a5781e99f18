#include "pages/GroupFunctions.h"
#include "pages/FieldBinding.h"
#include "record/EntityNames.h"
#include "base/Language.h"
#include <cstring>

namespace
{
constexpr int kLinesPerSlot = 4;

bool IsGroup(uint8_t b)
{
    return b < CFG_GROUP_COUNT;
}

template <class ModuleHolds, class TrunkHolds>
uint8_t GroupCardType(const ConfigRecord* rec, ModuleHolds moduleHolds, TrunkHolds trunkHolds)
{
    for (int m = 0; m < (int)CFG_MODULE_COUNT; ++m)
        if (moduleHolds(rec->moduleGroups[m]))
        {
            uint8_t type = GetModuleCardType(rec, m);
            if (type != CARD_NONE)
                return type;
            break;
        }
    for (const SipTrunkGroups& t : rec->sipTrunkGroups)
        if (trunkHolds(t))
            return CARD_VOIP;
    return CARD_NONE;
}
}

uint8_t GetModuleCardType(const ConfigRecord* rec, int module)
{
    uint8_t type = rec->cardSlots[module / kLinesPerSlot].cardType;
    if (type == CARD_NONE_EMPTY)
        return CARD_NONE;
    if (type == CARD_ANALOG_COMBINED)
        return module % kLinesPerSlot < 2 ? CARD_ANALOG_TRUNK : CARD_ANALOG_SUBSCRIBER;
    return type;
}

uint8_t GetInGroupCardType(const ConfigRecord* rec, int g)
{
    if (!IsGroup((uint8_t)g) || g < 0)
        return CARD_NONE;
    return GroupCardType(
        rec, [g](const ModuleGroupAssign& m) { return m.inGroup == g; },
        [g](const SipTrunkGroups& t) { return t.inGroup == g; });
}

uint8_t GetOutGroupCardType(const ConfigRecord* rec, int g)
{
    if (!IsGroup((uint8_t)g) || g < 0)
        return CARD_NONE;
    return GroupCardType(
        rec, [g](const ModuleGroupAssign& m) { return m.outGroup == g || m.outGroup2 == g; },
        [g](const SipTrunkGroups& t) { return t.outGroup == g; });
}

uint32_t ApplyModuleSettings(ConfigRecord* rec, int from, uint32_t selection)
{
    uint32_t changed = 0;
    for (int n = 0; n < (int)CFG_MODULE_COUNT; ++n)
    {
        if (n == from || !(selection & (1u << n)) || rec->cardSlots[n / kLinesPerSlot].cardType != CARD_GSM)
            continue;
        rec->gsmSim1[n] = rec->gsmSim1[from];
        rec->gsmSim2[n] = rec->gsmSim2[from];
        rec->moduleGroups[n] = rec->moduleGroups[from];
        changed |= 1u << n;
    }
    return changed;
}

void FillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind)
{
    bool in = direction == GroupDirection::In;
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    char text[ENTITY_NAME_SIZE] = "";
    g_Language.GetString(in ? "strInGroupNone" : "strOutGroupNone", text, sizeof(text));
    CFieldBinder::AddEntry(list, text, CFG_NO_GROUP);
    for (int g = 0; g < (int)CFG_GROUP_COUNT; ++g)
    {
        uint8_t serving = in ? GetInGroupCardType(rec, g) : GetOutGroupCardType(rec, g);
        if (serving != CARD_NONE && serving != kind)
            continue;
        if (in)
            GetInGroupName(g, text);
        else
            GetOutGroupName(g, text);
        CFieldBinder::AddEntry(list, text, g);
    }
}

void RefillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind)
{
    bool selected = ::SendMessageA(list, CB_GETCURSEL, 0, 0) >= 0;
    int code = CFieldBinder::SelectedCode(list);
    FillGroupList(list, rec, direction, kind);
    CFieldBinder::SelectByCode(list, selected ? code : -1);
}
