#pragma once
#include <cstddef>
#include <cstdint>

// Names of configuration entities (groups, modules, cards, lines, ports,
// routing profiles, ISDN links, card types) built from language texts, with
// the display offsets of the settings added to the stored 0-based numbers;
// and the rules for CountedString fields of the configuration record.

constexpr size_t ENTITY_NAME_SIZE = 260;

// Formats a language pattern with one integer. The pattern is used only when
// it holds at most one conversion and that one is an integer conversion with
// a sane width; otherwise the text is taken as it stands. The result is
// always terminated and cut to size. Returns the length written.
int FormatIntPattern(char* out, size_t size, const char* pattern, int value);

// The language text of key (at most 259 characters) formatted with
// index + offset. Returns the length written.
int FormatIndexedName(int index, int offset, const char* key, char* out, size_t size = ENTITY_NAME_SIZE);

// Indexed names into buffers of ENTITY_NAME_SIZE bytes.
int GetGroupName(int index, char* out);          // "strGroup", GroupIndexOffset
int GetInGroupName(int index, char* out);        // "strInGroup", GroupIndexOffset
int GetOutGroupName(int index, char* out);       // "strOutGroup", GroupIndexOffset
int GetModuleName(int index, char* out);         // "strModule", ChannelIndexOffset
int GetCardName(int index, char* out);           // "strCard", BoardIndexOffset
int GetLineName(int index, char* out);           // "strLine", ChannelIndexOffset
int GetPortName(int index, char* out);           // "strPort", ChannelIndexOffset
// Profile 0 is the default profile, whatever the offset.
int GetRoutingProfileName(int profile, char* out);

// ISDN link by its code: 0, 'A', 'P', 'a', 'p' link 0; 1, 'B', 'T', 'b', 't'
// link 1; 2, 'C', 'c' link 2. Any other code leaves out unchanged (false).
bool GetIsdnLinkName(int code, char* out);

// The text of a CardType. fullOut receives the whole text, shortOut the part
// in parentheses (or the whole text when it has none); either may be null.
void GetCardTypeName(uint8_t cardType, char* fullOut, char* shortOut);
const char* GetCardTypeKey(uint8_t cardType);

// CountedString fields of 24 bytes (up to 23 characters) and 12 bytes (up to
// 11). Reading: out (at least 24 or 12 bytes) becomes the text; a length
// above the field's capacity is first lowered in the field itself. Writing
// fills the field with 0xFF and stores at most 23 or 11 characters. Both
// return the length.
int ReadCountedString24(uint8_t* field, char* out);
int ReadCountedString12(uint8_t* field, char* out);
int WriteCountedString24(const char* text, uint8_t* field);
int WriteCountedString12(const char* text, uint8_t* field);
