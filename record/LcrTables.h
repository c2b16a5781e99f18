#pragma once
#include "record/ConfigRecord.h"
#include <cstddef>
#include <cstdint>

// The least-cost routing tables of the record: the routing rules with their
// companion records (same index, moved together), the CLIP table that gives
// profiles their callers, and the group scans the rule dialog offers.
//
// Invariants every writer keeps: used rules (profile below 0xFF) stand from
// rule 0 without gaps, the rules of one profile stand together and the
// profiles ascend; nothing is ever written at or past rule 1000.

constexpr int LCR_PROFILE_DEFAULT = 0;
constexpr int LCR_PROFILE_MAX = 254;
constexpr int LCR_TARGET_COUNT = 5;
constexpr int LCR_NUMBER_CHARS = 23;

// Input line and target codes of a rule (LcrLineCode); below 32 a group.
enum LcrLineCode : uint8_t
{
    LCR_LINE_A = 'A', // ISDN link 0 (input)
    LCR_LINE_B = 'B',
    LCR_LINE_C = 'C',
    LCR_LINE_VOIP = 'D', // VoIP users (input and target)
    LCR_TARGET_P = 'P',  // ISDN link 0 (target)
    LCR_TARGET_T = 'T',  // ISDN link 1 (target)
    LCR_TARGET_C = 'C',  // ISDN link 2 (target)
};

// Credit counter of a target, in the companion record.
enum LcrCreditCounter : uint8_t
{
    LCR_CREDIT_1 = 0,
    LCR_CREDIT_2 = 1,
    LCR_CREDIT_3 = 2,
    LCR_CREDIT_NONE = 110, // 'n'
};

// A rule and its companion: what a routing list row holds.
struct LcrRuleEntry
{
    LcrRoutingRule rule;
    RoutingRuleCompanion companion;
};
static_assert(sizeof(LcrRuleEntry) == 128, "rule with companion");

// Offsets inside a rule that the routing page edits.
constexpr size_t LCR_RULE_CUT = 1;
constexpr size_t LCR_RULE_DIAL = 2;
constexpr size_t LCR_RULE_LINE = 3;
constexpr size_t LCR_RULE_INSERT = 28;

inline uint8_t& RuleByte(LcrRoutingRule& r, size_t ofs) { return reinterpret_cast<uint8_t*>(&r)[ofs]; }
inline uint8_t RuleByte(const LcrRoutingRule& r, size_t ofs) { return reinterpret_cast<const uint8_t*>(&r)[ofs]; }

// An input line code as the rules compare it: 0xFF as 'A', 'a'..'d' as 'A'..'D'.
uint8_t NormalizedLineCode(uint8_t code);
// Rows sort incoming groups first, then links A, B, C, then VoIP users; within
// one input line by number, byte-wise. Negative, 0 or positive.
int CompareRules(const LcrRoutingRule& a, const LcrRoutingRule& b);
// A rule whose number length is 0 or 0xFF has no number.
bool RuleNumberEmpty(const LcrRoutingRule& rule);
// Whether an 'x' stands only as the last character of a number.
bool NumberWildcardRule(const char* number);

// Where a profile's rules stand: the first index of its block (the total when
// it has none), its rule count and the count of used rules.
struct ProfileBlock
{
    int start;
    int count;
    int total;
};
ProfileBlock FindProfileBlock(const ConfigRecord* rec, int profile);
int CountUsedRules(const ConfigRecord* rec);

// Replaces a profile's block with rows (rules and companions), moving the
// later blocks in both tables; rows that would pass rule 1000 are left out.
// The rows' profile bytes are set to profile. Returns the rows written.
int WriteProfileBlock(ConfigRecord* rec, int profile, const LcrRuleEntry* rows, int n);
// Removes a profile's rules and their companions; 0xFF fills the freed end.
void DeleteProfileRules(ConfigRecord* rec, int profile);
// Brings the used rules into ascending profile order, keeping the order
// within a profile and moving companions along; does nothing when they are in
// order already. Returns true when it moved rules.
bool SortRulesByProfile(ConfigRecord* rec);

// marks[p] is set for every profile p named by a used CLIP entry (any byte value).
void MarkClipProfiles(const ConfigRecord* rec, bool marks[256]);

// The groups in use: bit g set when a module position or SIP trunk names
// incoming group g (outgoing: first or second outgoing group of a module, or
// a trunk's outgoing group).
uint32_t UsedInGroupMask(const ConfigRecord* rec);
uint32_t UsedOutGroupMask(const ConfigRecord* rec);

// The mark a list shows for a credit counter byte: '1', '2', '3', 'n' or '0'.
char CreditMark(uint8_t counter);
// The text of a rule's targets, "G1(0,1), Link(2)" and the like, into out.
void LcrTargetText(const LcrRuleEntry& entry, char* out, size_t size);
// The text of an input line: a link name, "VoIP-U" or "G%d".
void FormatRuleLine(uint8_t code, char* out, size_t size);
