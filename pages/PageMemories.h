#pragma once
#include "record/ConfigRecord.h"

// Process-wide memories of the tabbed and listed pages: the tab or entry a
// page showed last, shown again when the page is next opened.
extern int g_LastIsdnLinesTab;
extern int g_LastGsmCardTab[CFG_CARD_SLOT_COUNT];
extern int g_LastAnalogCardTab[CFG_CARD_SLOT_COUNT];
extern int g_LastInGroup;
extern int g_LastOutGroup;
extern int g_LastRoutingProfile;
// The modules the GSM apply dialog had checked last (bit n: module n); kept
// for the whole session.
extern uint32_t g_GsmApplySelection;

// A new, opened or adopted document starts on the first tabs; the analog
// card pages keep theirs.
void ResetLastTabMemories();
