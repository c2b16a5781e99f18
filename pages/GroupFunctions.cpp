#include "pages/GroupFunctions.h"
#include "pages/FieldBinding.h"
#include "record/EntityNames.h"
#include "base/Language.h"
#include <cstring>

namespace
{
constexpr int kLinesPerSlot = 4;
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
    bool offered[CFG_GROUP_COUNT];
    for (int g = 0; g < (int)CFG_GROUP_COUNT; ++g)
        offered[g] = IsGroupOfferedTo(direction == GroupDirection::In ? GetInGroupCardType(rec, g)
                                                                      : GetOutGroupCardType(rec, g),
                                      kind);
    FillGroupList(list, direction, offered);
}

void FillGroupList(HWND list, GroupDirection direction, const bool offered[CFG_GROUP_COUNT])
{
    bool in = direction == GroupDirection::In;
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    char text[ENTITY_NAME_SIZE] = "";
    g_Language.GetString(in ? "strInGroupNone" : "strOutGroupNone", text, sizeof(text));
    CFieldBinder::AddEntry(list, text, CFG_NO_GROUP);
    for (int g = 0; g < (int)CFG_GROUP_COUNT; ++g)
    {
        if (!offered[g])
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
