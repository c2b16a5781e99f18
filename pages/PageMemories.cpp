#include "pages/PageMemories.h"

int g_LastIsdnLinesTab = 0;
int g_LastGsmCardTab[CFG_CARD_SLOT_COUNT] = {};
int g_LastAnalogCardTab[CFG_CARD_SLOT_COUNT] = {};
int g_LastInGroup = 0;
int g_LastOutGroup = 0;
int g_LastRoutingProfile = 0;
uint32_t g_GsmApplySelection = 0xFFFFFFFF;

void ResetLastTabMemories()
{
    g_LastIsdnLinesTab = 0;
    for (int& tab : g_LastGsmCardTab)
        tab = 0;
    g_LastInGroup = 0;
    g_LastOutGroup = 0;
    g_LastRoutingProfile = 0;
}
