#include "record/GroupCardType.h"

namespace
{
constexpr int kLinesPerSlot = 4;

bool IsGroup(int g)
{
    return g >= 0 && g < (int)CFG_GROUP_COUNT;
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
    if (!IsGroup(g))
        return CARD_NONE;
    return GroupCardType(
        rec, [g](const ModuleGroupAssign& m) { return m.inGroup == g; },
        [g](const SipTrunkGroups& t) { return t.inGroup == g; });
}

uint8_t GetOutGroupCardType(const ConfigRecord* rec, int g)
{
    if (!IsGroup(g))
        return CARD_NONE;
    return GroupCardType(
        rec, [g](const ModuleGroupAssign& m) { return m.outGroup == g || m.outGroup2 == g; },
        [g](const SipTrunkGroups& t) { return t.outGroup == g; });
}
