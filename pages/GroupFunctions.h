#pragma once
#include "wcl/Win.h"
#include "record/ConfigRecord.h"
#include "record/GroupCardType.h"
#include <cstdint>

// The group lists of the card pages and of the SIP trunks, and applying one
// GSM module's settings to others. Which card serves a group is the record's
// rule (record/GroupCardType.h).

// Copies module from's SIM 1 and SIM 2 records and its group bytes to every
// module of selection (bit n: module n) that sits on a GSM card, itself left
// out. Returns the modules changed as bits.
uint32_t ApplyModuleSettings(ConfigRecord* rec, int from, uint32_t selection);

// Fills a group list: "none" (item data CFG_NO_GROUP), then every group
// served by nobody or by a card of kind, named by its number (item data g).
enum class GroupDirection { In, Out };
void FillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind);
// The same with the offered groups given: "none", then every group g with
// offered[g] set.
void FillGroupList(HWND list, GroupDirection direction, const bool offered[CFG_GROUP_COUNT]);
// Fills the list again in the current language, keeping the selected group
// (none when nothing was selected).
void RefillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind);
