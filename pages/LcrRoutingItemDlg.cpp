#include "pages/LcrRoutingItemDlg.h"
#include "pages/FieldBinding.h"
#include "pages/ListViewRows.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
const char kNumberChars[] = "0123456789*#,?,x";
const char kInsertChars[] = "0123456789*#";
constexpr int kMaxDigits = 23;
constexpr int kMaxAoc = 254;

// The credit combo's entries in their order.
const struct
{
    uint8_t counter;
    const char* key;
} kCredits[] = {
    { LCR_CREDIT_1, "strLcrRoutingCredit1" },
    { LCR_CREDIT_2, "strLcrRoutingCredit2" },
    { LCR_CREDIT_3, "strLcrRoutingCredit3" },
    { LCR_CREDIT_NONE, "strLcrRoutingCreditNone" },
};

constexpr int kCreditCount = (int)(sizeof(kCredits) / sizeof(kCredits[0]));

// The combo entry of a stored counter: an unset counter and one the device
// does not know show as counter 1, and are stored as what they show.
int CreditIndex(uint8_t counter)
{
    for (int i = 0; i < kCreditCount; ++i)
        if (kCredits[i].counter == counter)
            return i;
    return 0;
}

const char* CreditKey(uint8_t counter)
{
    return kCredits[CreditIndex(counter)].key;
}

bool IsGroup(uint8_t code) { return code < CFG_GROUP_COUNT; }

// A target's name: an outgoing group, a link or the VoIP users.
void TargetName(uint8_t code, char* out)
{
    out[0] = '\0';
    if (IsGroup(code))
        GetOutGroupName(code, out);
    else if (code == LCR_LINE_VOIP)
        g_Language.GetString("strLcrRoutingVoipUsers", out, ENTITY_NAME_SIZE);
    else
        GetIsdnLinkName(code, out);
}
}

CLcrRoutingItemDlg::CLcrRoutingItemDlg(const LcrRuleEntry& entry, const ConfigRecord* record,
                                       const std::vector<LcrRuleEntry>* rows, int editedRow)
    : m_entry(entry), m_pRecord(record), m_rows(rows), m_editedRow(editedRow)
{
    for (int i = 0; i < LCR_TARGET_COUNT && entry.rule.targets[i] != CFG_EMPTY; ++i)
    {
        uint8_t code = entry.rule.targets[i];
        if (!IsGroup(code) && code != LCR_TARGET_P && code != LCR_TARGET_T && code != LCR_TARGET_C &&
            code != LCR_LINE_VOIP)
            continue; // a code the device does not know is not offered
        uint8_t aoc = entry.rule.targetValues[i] > kMaxAoc ? 0 : entry.rule.targetValues[i];
        m_targets.push_back(Target{ code, aoc, kCredits[CreditIndex(entry.companion.bytes[i])].counter });
    }
}

LRESULT CLcrRoutingItemDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    g_Language.TranslateWindow(m_hWnd, true);
    // Centred on the tab that opened it.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT dlg, ref;
    ::GetWindowRect(m_hWnd, &dlg);
    if (owner && ::GetWindowRect(owner, &ref))
        ::SetWindowPos(m_hWnd, NULL, (ref.left + ref.right - (dlg.right - dlg.left)) / 2,
                       (ref.top + ref.bottom - (dlg.bottom - dlg.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    FillLineCombo();

    char text[CFG_COUNTED_24];
    m_number.SubclassWindow(GetDlgItem(IDC_LCR_ITEM_NUMBER));
    m_number.SetCharSet(kNumberChars, kMaxDigits);
    ReadCountedString(m_entry.rule.number, sizeof(m_entry.rule.number), text);
    ::SetDlgItemTextA(m_hWnd, IDC_LCR_ITEM_NUMBER, text);

    m_cut.SubclassWindow(GetDlgItem(IDC_LCR_ITEM_CUT));
    m_cut.SetRange(0, kMaxDigits, CNumericEdit::kNoDefault);
    m_cut.SetValue(RuleByte(m_entry.rule, LCR_RULE_CUT));
    m_insert.SubclassWindow(GetDlgItem(IDC_LCR_ITEM_INSERT));
    m_insert.SetCharSet(kInsertChars, kMaxDigits);
    ReadCountedString(m_entry.rule.bytes28, sizeof(m_entry.rule.bytes28), text);
    ::SetDlgItemTextA(m_hWnd, IDC_LCR_ITEM_INSERT, text);
    m_dial.SubclassWindow(GetDlgItem(IDC_LCR_ITEM_DIAL));
    m_dial.SetRange(0, kMaxDigits, CNumericEdit::kNoDefault);
    m_dial.SetValue(RuleByte(m_entry.rule, LCR_RULE_DIAL));

    FillTargetCombo();
    m_aoc.SubclassWindow(GetDlgItem(IDC_LCR_ITEM_AOC));
    m_aoc.SetRange(0, kMaxAoc, CNumericEdit::kNoDefault);
    m_aoc.SetValue(0);

    HWND credit = GetDlgItem(IDC_LCR_ITEM_CREDIT);
    for (const auto& c : kCredits)
    {
        char name[ENTITY_NAME_SIZE] = "";
        g_Language.GetString(c.key, name, sizeof(name));
        ::SendMessageA(credit, CB_ADDSTRING, 0, (LPARAM)name);
    }
    ::SendMessageA(credit, CB_SETCURSEL, 0, 0);

    HWND list = GetDlgItem(IDC_LCR_ITEM_TARGETS);
    int stops[2] = { 102, 158 };
    ::SendMessageA(list, LB_SETTABSTOPS, 2, (LPARAM)stops);
    for (int i = 0; i < (int)m_targets.size(); ++i)
        ShowTarget(i, true);
    return 1;
}

LRESULT CLcrRoutingItemDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    g_Language.ReleaseWindowKeys(m_hWnd);
    bHandled = FALSE;
    return 0;
}

void CLcrRoutingItemDlg::FillLineCombo()
{
    HWND combo = GetDlgItem(IDC_LCR_ITEM_LINE);
    char name[ENTITY_NAME_SIZE];
    for (uint8_t code = LCR_LINE_A; code <= LCR_LINE_C; ++code)
    {
        name[0] = '\0';
        GetIsdnLinkName(code, name);
        CFieldBinder::AddEntry(combo, name, code);
    }
    name[0] = '\0';
    g_Language.GetString("strLcrRoutingVoipUsers", name, sizeof(name));
    CFieldBinder::AddEntry(combo, name, LCR_LINE_VOIP);

    // The groups in use; an edited rule also offers its own group when
    // nothing uses it any more, so that it keeps its input line unless the
    // user changes it. A new rule starts from zeros, which name no line: it
    // starts on link A.
    const uint8_t line = RuleByte(m_entry.rule, LCR_RULE_LINE);
    uint32_t groups = UsedInGroupMask(m_pRecord);
    if (IsGroup(line) && m_editedRow >= 0)
        groups |= 1u << line;
    for (uint8_t g = 0; g < CFG_GROUP_COUNT; ++g)
    {
        if (!(groups & (1u << g)))
            continue;
        name[0] = '\0';
        GetInGroupName(g, name);
        CFieldBinder::AddEntry(combo, name, g);
    }
    uint8_t shown = NormalizedLineCode(line);
    if (CFieldBinder::SelectByCode(combo, shown) < 0)
        ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

void CLcrRoutingItemDlg::FillTargetCombo()
{
    HWND combo = GetDlgItem(IDC_LCR_ITEM_TARGET);
    char name[ENTITY_NAME_SIZE];
    uint32_t groups = UsedOutGroupMask(m_pRecord);
    for (uint8_t g = 0; g < CFG_GROUP_COUNT; ++g)
    {
        if (!(groups & (1u << g)))
            continue;
        TargetName(g, name);
        CFieldBinder::AddEntry(combo, name, g);
    }
    const uint8_t others[] = { LCR_TARGET_P, LCR_TARGET_T, LCR_TARGET_C, LCR_LINE_VOIP };
    for (uint8_t code : others)
    {
        TargetName(code, name);
        CFieldBinder::AddEntry(combo, name, code);
    }
    ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

void CLcrRoutingItemDlg::ShowTarget(int line, bool insert)
{
    const Target& t = m_targets[line];
    char name[ENTITY_NAME_SIZE], aoc[ENTITY_NAME_SIZE] = " ", credit[ENTITY_NAME_SIZE] = "", text[800];
    TargetName(t.code, name);
    if (IsGroup(t.code))
    {
        char pattern[ENTITY_NAME_SIZE] = "";
        g_Language.GetString("strLcrRoutingAocItem", pattern, sizeof(pattern));
        FormatIntPattern(aoc, sizeof(aoc), pattern, t.aoc);
    }
    g_Language.GetString(CreditKey(t.credit), credit, sizeof(credit));
    FormatText(text, sizeof(text), "%s\t%s\t%s", name, aoc, credit);
    HWND list = GetDlgItem(IDC_LCR_ITEM_TARGETS);
    if (!insert)
        ::SendMessageA(list, LB_DELETESTRING, line, 0);
    ::SendMessageA(list, LB_INSERTSTRING, line, (LPARAM)text);
}

CLcrRoutingItemDlg::Target CLcrRoutingItemDlg::ChosenTarget(bool* chosen)
{
    Target t = { CFG_EMPTY, 0, LCR_CREDIT_1 };
    int code = CFieldBinder::SelectedCode(GetDlgItem(IDC_LCR_ITEM_TARGET));
    *chosen = code >= 0;
    if (!*chosen)
        return t;
    t.code = (uint8_t)code;
    if (IsGroup(t.code))
        t.aoc = ::GetWindowTextLengthA(GetDlgItem(IDC_LCR_ITEM_AOC)) > 0 ? (uint8_t)m_aoc.GetValue() : 0;
    else
        t.aoc = CFG_EMPTY;
    int credit = (int)::SendMessageA(GetDlgItem(IDC_LCR_ITEM_CREDIT), CB_GETCURSEL, 0, 0);
    t.credit = kCredits[credit >= 0 && credit < kCreditCount ? credit : 0].counter;
    return t;
}

int CLcrRoutingItemDlg::FindTarget(uint8_t code) const
{
    for (int i = 0; i < (int)m_targets.size(); ++i)
        if (m_targets[i].code == code)
            return i;
    return -1;
}

void CLcrRoutingItemDlg::AddTarget()
{
    bool chosen;
    Target t = ChosenTarget(&chosen);
    if (!chosen || m_targets.size() >= (size_t)LCR_TARGET_COUNT || FindTarget(t.code) >= 0)
        return;
    m_targets.push_back(t);
    ShowTarget((int)m_targets.size() - 1, true);
}

void CLcrRoutingItemDlg::ChangeTarget()
{
    HWND list = GetDlgItem(IDC_LCR_ITEM_TARGETS);
    int line = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    bool chosen;
    Target t = ChosenTarget(&chosen);
    if (line < 0 || line >= (int)m_targets.size() || !chosen)
        return;
    int same = FindTarget(t.code);
    if (same >= 0 && same != line)
        return;
    m_targets[line] = t;
    ShowTarget(line, false);
    ::SendMessageA(list, LB_SETCURSEL, line, 0);
}

void CLcrRoutingItemDlg::DeleteTarget()
{
    HWND list = GetDlgItem(IDC_LCR_ITEM_TARGETS);
    int line = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_targets.size())
        return;
    m_targets.erase(m_targets.begin() + line);
    ::SendMessageA(list, LB_DELETESTRING, line, 0);
}

void CLcrRoutingItemDlg::MoveTarget(int step)
{
    HWND list = GetDlgItem(IDC_LCR_ITEM_TARGETS);
    int line = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    int to = line + step;
    if (line < 0 || line >= (int)m_targets.size() || to < 0 || to >= (int)m_targets.size())
        return;
    std::swap(m_targets[line], m_targets[to]);
    ShowTarget(line, false);
    ShowTarget(to, false);
    ::SendMessageA(list, LB_SETCURSEL, to, 0);
}

LRESULT CLcrRoutingItemDlg::OnTargetCommand(WORD, WORD id, HWND, BOOL&)
{
    switch (id)
    {
    case IDC_LCR_ITEM_ADD: AddTarget(); break;
    case IDC_LCR_ITEM_CHANGE: ChangeTarget(); break;
    case IDC_LCR_ITEM_DELETE: DeleteTarget(); break;
    case IDC_LCR_ITEM_UP: MoveTarget(-1); break;
    case IDC_LCR_ITEM_DOWN: MoveTarget(1); break;
    }
    return 0;
}

LRESULT CLcrRoutingItemDlg::OnTargetSelected(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(GetDlgItem(IDC_LCR_ITEM_TARGETS), LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_targets.size())
        return 0;
    const Target& t = m_targets[line];
    CFieldBinder::SelectByCode(GetDlgItem(IDC_LCR_ITEM_TARGET), t.code);
    m_aoc.SetValue(IsGroup(t.code) ? t.aoc : 0);
    ::SendMessageA(GetDlgItem(IDC_LCR_ITEM_CREDIT), CB_SETCURSEL, CreditIndex(t.credit), 0);
    return 0;
}

bool CLcrRoutingItemDlg::Refuse(UINT control, const char* key, const char* caption, const char* number,
                                const char* line)
{
    g_Language.MessageBoxKeyFormat(key, caption, MB_OK | MB_ICONEXCLAMATION, number ? number : "", line ? line : "");
    HWND c = GetDlgItem((int)control);
    if (control == IDC_LCR_ITEM_NUMBER)
        FocusEditText(c);
    else
        ::SetFocus(c);
    return false;
}

bool CLcrRoutingItemDlg::Accept()
{
    int line = CFieldBinder::SelectedCode(GetDlgItem(IDC_LCR_ITEM_LINE));
    if (line >= 0)
        RuleByte(m_entry.rule, LCR_RULE_LINE) = (uint8_t)line;
    const uint8_t lineCode = NormalizedLineCode(RuleByte(m_entry.rule, LCR_RULE_LINE));

    char number[CFG_COUNTED_24] = "";
    GetDlgItemText(IDC_LCR_ITEM_NUMBER, number, kMaxDigits + 1);
    if (!number[0])
        return Refuse(IDC_LCR_ITEM_NUMBER, "strLcrRoutingErrNumberMissing", "strError");
    for (int row = 0; m_rows && row < (int)m_rows->size(); ++row)
    {
        const LcrRoutingRule& other = (*m_rows)[row].rule;
        char otherNumber[CFG_COUNTED_24];
        ReadCountedString(other.number, sizeof(other.number), otherNumber);
        if (row != m_editedRow && NormalizedLineCode(RuleByte(other, LCR_RULE_LINE)) == lineCode &&
            strcmp(otherNumber, number) == 0)
        {
            char lineName[ENTITY_NAME_SIZE] = "";
            GetDlgItemText(IDC_LCR_ITEM_LINE, lineName, sizeof(lineName));
            return Refuse(IDC_LCR_ITEM_NUMBER, "strLcrRoutingErrNumberDuplicate", "strError", number, lineName);
        }
    }
    if (!NumberWildcardRule(number))
        return Refuse(IDC_LCR_ITEM_NUMBER, "strLcrRoutingErrNumberWildcard", "strWarning");

    WriteCountedString(number, m_entry.rule.number, sizeof(m_entry.rule.number));
    RuleByte(m_entry.rule, LCR_RULE_CUT) = (uint8_t)m_cut.GetValue();
    char insert[CFG_COUNTED_24] = "";
    GetDlgItemText(IDC_LCR_ITEM_INSERT, insert, kMaxDigits + 1);
    WriteCountedString(insert, m_entry.rule.bytes28, sizeof(m_entry.rule.bytes28));
    if (m_targets.empty())
        return Refuse(IDC_LCR_ITEM_TARGET, "strLcrRoutingErrNoTarget", "strError");
    memset(m_entry.rule.targets, CFG_EMPTY, sizeof(m_entry.rule.targets));
    for (int i = 0; i < (int)m_targets.size(); ++i)
    {
        const Target& t = m_targets[i];
        m_entry.rule.targets[i] = t.code;
        m_entry.rule.targetValues[i] = IsGroup(t.code) ? t.aoc : CFG_EMPTY;
        m_entry.companion.bytes[i] = t.credit;
    }
    RuleByte(m_entry.rule, LCR_RULE_DIAL) = (uint8_t)m_dial.GetValue();
    return true;
}

LRESULT CLcrRoutingItemDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    if (Accept())
        EndDialog(IDOK);
    return 0;
}

LRESULT CLcrRoutingItemDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDCANCEL);
    return 0;
}
