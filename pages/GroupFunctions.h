#pragma once
#include "wcl/Win.h"
#include "record/ConfigRecord.h"
#include <cstdint>

// Which card serves an incoming or outgoing group, which groups are in use,
// and the group lists of the card pages. The record functions work on any
// copy of the record and need no window.
//
// A group byte of a module position or SIP trunk names a group only when it
// is below 32; 0xFF means none and 32-254 name nothing the device knows, so
// they are ignored everywhere alike.

// The card type a module or line position works as: its slot's CardType,
// with a combined analog card's lines 0-1 as trunk (FXO) lines and 2-3 as
// subscriber (FXS) lines. An empty slot (0 or 0xFF) gives CARD_NONE.
uint8_t GetModuleCardType(const ConfigRecord* rec, int module);

// The card type that serves group g: that of the first module position
// holding it (incoming: group byte 1; outgoing: byte 0 or 2) when it has a
// card, else CARD_VOIP when a SIP trunk holds it, else 0.
uint8_t GetInGroupCardType(const ConfigRecord* rec, int group);
uint8_t GetOutGroupCardType(const ConfigRecord* rec, int group);

// Copies module from's SIM 1 and SIM 2 records and its group bytes to every
// module of selection (bit n: module n) that sits on a GSM card, itself left
// out. Returns the modules changed as bits.
uint32_t ApplyModuleSettings(ConfigRecord* rec, int from, uint32_t selection);

// Fills a group list: "none" (item data CFG_NO_GROUP), then every group
// served by nobody or by a card of kind, named by its number (item data g).
enum class GroupDirection { In, Out };
void FillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind);
// Fills the list again in the current language, keeping the selected group
// (none when nothing was selected).
void RefillGroupList(HWND list, const ConfigRecord* rec, GroupDirection direction, uint8_t kind);
