#pragma once
#include "record/ConfigRecord.h"
#include <cstdint>

// Which card serves a module position, an incoming or an outgoing group, and
// which groups a card of one kind may be given. The one place of this rule:
// the group pages, the card pages and the SIP trunks all ask here.
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
// card, else CARD_VOIP when a SIP trunk holds it, else CARD_NONE.
uint8_t GetInGroupCardType(const ConfigRecord* rec, int group);
uint8_t GetOutGroupCardType(const ConfigRecord* rec, int group);

// A group may be given to a card of kind when no card serves it or a card of
// that kind does.
inline bool IsGroupOfferedTo(uint8_t servingType, uint8_t kind)
{
    return servingType == CARD_NONE || servingType == kind;
}
