#include "record/LcrTables.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
inline bool RuleUsed(const LcrRoutingRule& r) { return r.profile <= LCR_PROFILE_MAX; }

// Incoming groups 0..31 first, then the lines by their letter.
int LineSortKey(uint8_t code)
{
    uint8_t n = NormalizedLineCode(code);
    return n < CFG_GROUP_COUNT ? n : 256 + n;
}

void MoveRules(ConfigRecord* rec, int to, int from, int count)
{
    if (count <= 0 || to == from)
        return;
    memmove(&rec->routingRules[to], &rec->routingRules[from], count * sizeof(LcrRoutingRule));
    memmove(&rec->routingCompanion[to], &rec->routingCompanion[from], count * sizeof(RoutingRuleCompanion));
}

void ClearRules(ConfigRecord* rec, int first, int count)
{
    if (count <= 0)
        return;
    memset(&rec->routingRules[first], CFG_EMPTY, count * sizeof(LcrRoutingRule));
    memset(&rec->routingCompanion[first], CFG_EMPTY, count * sizeof(RoutingRuleCompanion));
}
}

uint8_t NormalizedLineCode(uint8_t code)
{
    if (code == CFG_EMPTY)
        return LCR_LINE_A;
    if (code >= 'a' && code <= 'd')
        return (uint8_t)(code - 'a' + 'A');
    return code;
}

int CompareRules(const LcrRoutingRule& a, const LcrRoutingRule& b)
{
    int la = LineSortKey(RuleByte(a, LCR_RULE_LINE));
    int lb = LineSortKey(RuleByte(b, LCR_RULE_LINE));
    if (la != lb)
        return la < lb ? -1 : 1;
    char na[CFG_COUNTED_24], nb[CFG_COUNTED_24];
    ReadCountedString(a.number, sizeof(a.number), na);
    ReadCountedString(b.number, sizeof(b.number), nb);
    return strcmp(na, nb);
}

bool RuleNumberEmpty(const LcrRoutingRule& rule)
{
    return rule.number[0] == 0 || rule.number[0] == CFG_EMPTY;
}

bool NumberWildcardRule(const char* number)
{
    const char* x = strchr(number, 'x');
    return !x || x[1] == '\0';
}

ProfileBlock FindProfileBlock(const ConfigRecord* rec, int profile)
{
    ProfileBlock b = { -1, 0, 0 };
    int i = 0;
    for (; i < (int)CFG_ROUTING_RULE_COUNT && RuleUsed(rec->routingRules[i]); ++i)
    {
        int p = rec->routingRules[i].profile;
        if (b.start < 0 && p >= profile)
            b.start = i;
        if (p == profile)
            ++b.count;
    }
    b.total = i;
    if (b.start < 0)
        b.start = b.total;
    return b;
}

int CountUsedRules(const ConfigRecord* rec)
{
    return FindProfileBlock(rec, 0).total;
}

int WriteProfileBlock(ConfigRecord* rec, int profile, const LcrRuleEntry* rows, int n)
{
    ProfileBlock b = FindProfileBlock(rec, profile);
    const int others = b.total - b.count;
    if (n > (int)CFG_ROUTING_RULE_COUNT - others)
        n = (int)CFG_ROUTING_RULE_COUNT - others;
    if (n < 0)
        n = 0;
    MoveRules(rec, b.start + n, b.start + b.count, b.total - b.start - b.count);
    if (n < b.count)
        ClearRules(rec, b.total - (b.count - n), b.count - n);
    for (int i = 0; i < n; ++i)
    {
        rec->routingRules[b.start + i] = rows[i].rule;
        rec->routingRules[b.start + i].profile = (uint8_t)profile;
        rec->routingCompanion[b.start + i] = rows[i].companion;
    }
    return n;
}

void DeleteProfileRules(ConfigRecord* rec, int profile)
{
    WriteProfileBlock(rec, profile, nullptr, 0);
}

bool SortRulesByProfile(ConfigRecord* rec)
{
    const int total = CountUsedRules(rec);
    bool sorted = true;
    for (int i = 1; i < total && sorted; ++i)
        sorted = rec->routingRules[i - 1].profile <= rec->routingRules[i].profile;
    if (sorted)
        return false;
    std::vector<LcrRuleEntry> rows(total);
    for (int i = 0; i < total; ++i)
    {
        rows[i].rule = rec->routingRules[i];
        rows[i].companion = rec->routingCompanion[i];
    }
    std::stable_sort(rows.begin(), rows.end(), [](const LcrRuleEntry& a, const LcrRuleEntry& b) {
        return a.rule.profile < b.rule.profile;
    });
    for (int i = 0; i < total; ++i)
    {
        rec->routingRules[i] = rows[i].rule;
        rec->routingCompanion[i] = rows[i].companion;
    }
    return true;
}

void MarkClipProfiles(const ConfigRecord* rec, bool marks[256])
{
    for (int p = 0; p < 256; ++p)
        marks[p] = false;
    for (const LcrClipEntry& e : rec->lcrClip)
        if (e.number[0] != CFG_EMPTY)
            marks[e.bytes24[0]] = true;
}

uint32_t UsedInGroupMask(const ConfigRecord* rec)
{
    uint32_t mask = 0;
    for (const ModuleGroupAssign& m : rec->moduleGroups)
        if (m.inGroup < CFG_GROUP_COUNT)
            mask |= 1u << m.inGroup;
    for (const SipTrunkGroups& t : rec->sipTrunkGroups)
        if (t.inGroup < CFG_GROUP_COUNT)
            mask |= 1u << t.inGroup;
    return mask;
}

uint32_t UsedOutGroupMask(const ConfigRecord* rec)
{
    uint32_t mask = 0;
    for (const ModuleGroupAssign& m : rec->moduleGroups)
    {
        if (m.outGroup < CFG_GROUP_COUNT)
            mask |= 1u << m.outGroup;
        if (m.outGroup2 < CFG_GROUP_COUNT)
            mask |= 1u << m.outGroup2;
    }
    for (const SipTrunkGroups& t : rec->sipTrunkGroups)
        if (t.outGroup < CFG_GROUP_COUNT)
            mask |= 1u << t.outGroup;
    return mask;
}

char CreditMark(uint8_t counter)
{
    switch (counter)
    {
    case LCR_CREDIT_1:
    case CFG_EMPTY: return '1';
    case LCR_CREDIT_2: return '2';
    case LCR_CREDIT_3: return '3';
    case LCR_CREDIT_NONE: return 'n';
    default: return '0';
    }
}

void FormatRuleLine(uint8_t code, char* out, size_t size)
{
    uint8_t n = NormalizedLineCode(code);
    char name[ENTITY_NAME_SIZE] = "";
    if (n == LCR_LINE_VOIP)
        CopyText(out, size, "VoIP-U");
    else if (GetIsdnLinkName(n >= 'A' ? n : 0x100, name))
        CopyText(out, size, name);
    else
        FormatText(out, size, "G%d", (int)n + (int)g_Settings.GroupIndexOffset);
}

void LcrTargetText(const LcrRuleEntry& entry, char* out, size_t size)
{
    out[0] = '\0';
    for (int i = 0; i < LCR_TARGET_COUNT; ++i)
    {
        uint8_t t = entry.rule.targets[i];
        if (t == CFG_EMPTY)
            break;
        char mark = CreditMark(entry.companion.bytes[i]);
        char item[ENTITY_NAME_SIZE] = "";
        char link[ENTITY_NAME_SIZE] = "";
        if (t < CFG_GROUP_COUNT)
            FormatText(item, sizeof(item), "G%d(%d,%c)", (int)t + (int)g_Settings.GroupIndexOffset,
                       (int)entry.rule.targetValues[i], mark);
        else if (t == LCR_LINE_VOIP)
            FormatText(item, sizeof(item), "VoIP-U(%c)", mark);
        else if (GetIsdnLinkName(t, link))
        {
            if (char* blank = strchr(link, ' '))
                *blank = '\0';
            FormatText(item, sizeof(item), "%s(%c)", link, mark);
        }
        else
            continue;
        if (out[0])
            AppendText(out, size, ", ");
        AppendText(out, size, item);
    }
}
