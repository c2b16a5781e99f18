#include "pages/ClipPages.h"
#include "pages/ListViewRows.h"
#include "record/LcrTables.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
const char kClipChars[] = "0123456789?x";
const char kClipGsmChars[] = "0123456789x";
constexpr int kMaxDigits = 23;
constexpr size_t kClipProfile = offsetof(LcrClipEntry, bytes24); // the profile byte

LcrProfile& ClipProfile(LcrClipEntry& e) { return e.bytes24[0]; }
LcrProfile ClipProfile(const LcrClipEntry& e) { return e.bytes24[0]; }

std::string ClipNumber(const LcrClipEntry& e)
{
    char text[CFG_COUNTED_24];
    ReadCountedString(e.number, sizeof(e.number), text);
    return text;
}

bool CountedEmpty(const uint8_t* field) { return field[0] == 0 || field[0] == CFG_EMPTY; }

int ProfileOffset() { return (int)g_Settings.RoutingProfileIndexOffset; }

// The list pages share their layout: the list grows with the page.
const LayoutRule kListLayout[] = {
    { IDC_LCR_CLIP_LIST, LE_LEFT, 0 },
    { IDC_LCR_CLIP_LIST, LE_TOP, 0 },
    { IDC_LCR_CLIP_LIST, LE_RIGHT, 0 },
    { IDC_LCR_CLIP_LIST, LE_BOTTOM, 0 },
};
}
static_assert(kClipProfile == 24, "CLIP profile byte");
static_assert(IDC_LCR_CLIP_LIST == IDC_CLIP_GSM_LIST, "both lists share the layout");

// --- LCR CLIP table -------------------------------------------------------------

CConfigPage<CLcrClipTabPage>::LayoutRules_t CLcrClipTabPage::LayoutRules() const
{
    return LayoutRules_t(std::begin(kListLayout), std::end(kListLayout));
}

void CLcrClipTabPage::OnInitControls()
{
    m_number.SubclassWindow(GetDlgItem(IDC_LCR_CLIP_NUMBER));
    m_number.SetCharSet(kClipChars, kMaxDigits);
    m_profile.SubclassWindow(GetDlgItem(IDC_LCR_CLIP_PROFILE));
    m_profile.SetRange(ProfileOffset() + 1, ProfileOffset() + LCR_PROFILE_MAX, CNumericEdit::kNoDefault);
    m_profile.SetAllowEmpty(TRUE);
    ListView_SetExtendedListViewStyle(List(), LVS_EX_FULLROWSELECT);
    SetColumns();
    for (const LcrClipEntry& e : m_pRecord->lcrClip)
    {
        if (ClipProfile(e) > LCR_PROFILE_MAX)
            break;
        if (!CountedEmpty(e.number))
            InsertRow(e);
    }
}

void CLcrClipTabPage::SetColumns()
{
    const int w = ListClientWidth(List());
    const int widths[2] = { 2 * w / 3, w / 3 };
    SetListColumns(List(), "strLcrClipTabHeader", widths, 2);
}

void CLcrClipTabPage::OnTextsChanged()
{
    SetColumns();
}

int CLcrClipTabPage::InsertRow(const LcrClipEntry& entry)
{
    const std::string number = ClipNumber(entry);
    int row = 0;
    while (row < (int)m_rows.size() &&
           (ClipProfile(m_rows[row]) < ClipProfile(entry) ||
            (ClipProfile(m_rows[row]) == ClipProfile(entry) && ClipNumber(m_rows[row]) <= number)))
        ++row;
    m_rows.insert(m_rows.begin() + row, entry);
    char profile[16];
    FormatText(profile, sizeof(profile), "%d", (int)ClipProfile(entry) + ProfileOffset());
    const char* texts[2] = { number.c_str(), profile };
    return InsertListRow(List(), row, texts, 2);
}

int CLcrClipTabPage::FindNumber(const char* number) const
{
    for (int i = 0; i < (int)m_rows.size(); ++i)
        if (ClipNumber(m_rows[i]) == number)
            return i;
    return -1;
}

bool CLcrClipTabPage::ReadInput(LcrClipEntry& entry)
{
    char number[CFG_COUNTED_24] = "";
    GetDlgItemText(IDC_LCR_CLIP_NUMBER, number, kMaxDigits + 1);
    if (!number[0])
    {
        Refuse(IDC_LCR_CLIP_NUMBER, "strLcrClipTabErrNumberMissing", "strError");
        FocusEditText(GetDlgItem(IDC_LCR_CLIP_NUMBER));
        return false;
    }
    if (::GetWindowTextLengthA(GetDlgItem(IDC_LCR_CLIP_PROFILE)) == 0)
    {
        Refuse(IDC_LCR_CLIP_PROFILE, "strLcrClipTabErrProfileMissing", "strError");
        return false;
    }
    memset(&entry, CFG_EMPTY, sizeof(entry));
    WriteCountedString(number, entry.number, sizeof(entry.number));
    ClipProfile(entry) = (uint8_t)(m_profile.GetValue() - ProfileOffset());
    return true;
}

LRESULT CLcrClipTabPage::OnAdd(WORD, WORD, HWND, BOOL&)
{
    if (m_rows.size() >= CFG_LCR_CLIP_COUNT)
        return 0;
    LcrClipEntry entry;
    if (!ReadInput(entry))
        return 0;
    const std::string number = ClipNumber(entry);
    HWND edit = GetDlgItem(IDC_LCR_CLIP_NUMBER);
    if (FindNumber(number.c_str()) >= 0)
    {
        g_Language.MessageBoxKeyFormat("strLcrClipTabErrNumberDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION,
                                       number.c_str());
        FocusEditText(edit);
        return 0;
    }
    if (!NumberWildcardRule(number.c_str()))
    {
        g_Language.MessageBoxKey("strLcrClipTabErrNumberWildcard", "strWarning", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    ListView_EnsureVisible(List(), InsertRow(entry), FALSE);
    FocusEditText(edit);
    return 0;
}

LRESULT CLcrClipTabPage::OnChange(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    if (row < 0)
        return 0;
    LcrClipEntry entry;
    if (!ReadInput(entry))
        return 0;
    const std::string number = ClipNumber(entry);
    if (number == ClipNumber(m_rows[row]) && ClipProfile(entry) == ClipProfile(m_rows[row]))
        return 0;
    int holder = FindNumber(number.c_str());
    if (holder >= 0 && holder != row)
    {
        g_Language.MessageBoxKeyFormat("strLcrClipTabErrNumberDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION,
                                       number.c_str());
        FocusEditText(GetDlgItem(IDC_LCR_CLIP_NUMBER));
        return 0;
    }
    if (!NumberWildcardRule(number.c_str()))
    {
        g_Language.MessageBoxKey("strLcrClipTabErrNumberWildcard", "strWarning", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    // A profile whose last entry changes to another profile keeps its rules.
    m_rows.erase(m_rows.begin() + row);
    ListView_DeleteItem(List(), row);
    SelectListRow(List(), InsertRow(entry));
    ::SetFocus(List());
    return 0;
}

LRESULT CLcrClipTabPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    if (row < 0)
        return 0;
    const uint8_t profile = ClipProfile(m_rows[row]);
    const bool last = (row == 0 || ClipProfile(m_rows[row - 1]) != profile) &&
                      (row + 1 >= (int)m_rows.size() || ClipProfile(m_rows[row + 1]) != profile);
    if (last)
    {
        bool hasRules = false;
        // The whole used table: one from a file may hold the profiles out of order.
        for (const LcrRoutingRule& r : m_pRecord->routingRules)
        {
            if (r.profile > LCR_PROFILE_MAX)
                break;
            if (r.profile == profile && !RuleNumberEmpty(r))
                hasRules = true;
        }
        if (hasRules && g_Language.MessageBoxKeyFormat("strLcrClipTabDeleteProfile", "strWarning",
                                                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION,
                                                       (int)profile + ProfileOffset()) != IDYES)
            return 0;
    }
    m_rows.erase(m_rows.begin() + row);
    ListView_DeleteItem(List(), row);
    if (last)
    {
        // The profile's rules go as one block.
        SortRulesByProfile(m_pRecord);
        DeleteProfileRules(m_pRecord, profile);
    }
    return 0;
}

LRESULT CLcrClipTabPage::OnItemChanged(int, LPNMHDR hdr, BOOL&)
{
    const int row = NewlySelectedRow(hdr);
    if (row < 0 || row >= (int)m_rows.size())
        return 0;
    const LcrClipEntry& e = m_rows[row];
    ::SetDlgItemTextA(m_hWnd, IDC_LCR_CLIP_NUMBER, ClipNumber(e).c_str());
    ::SendMessageA(GetDlgItem(IDC_LCR_CLIP_NUMBER), EM_SETSEL, 0, -1);
    m_profile.SetValue((int)ClipProfile(e) + ProfileOffset());
    return 0;
}

void CLcrClipTabPage::OnStored()
{
    // Each entry is its row's number and profile; the bytes behind them are
    // the empty marker, whatever the entry held when it was read.
    memset(m_pRecord->lcrClip, CFG_EMPTY, sizeof(m_pRecord->lcrClip));
    for (size_t i = 0; i < m_rows.size() && i < CFG_LCR_CLIP_COUNT; ++i)
    {
        LcrClipEntry& e = m_pRecord->lcrClip[i];
        WriteCountedString(ClipNumber(m_rows[i]).c_str(), e.number, sizeof(e.number));
        ClipProfile(e) = ClipProfile(m_rows[i]);
    }
}

// --- CLIP from GSM ----------------------------------------------------------------

CConfigPage<CClipGsmPage>::LayoutRules_t CClipGsmPage::LayoutRules() const
{
    return LayoutRules_t(std::begin(kListLayout), std::end(kListLayout));
}

void CClipGsmPage::OnInitControls()
{
    m_number.SubclassWindow(GetDlgItem(IDC_CLIP_GSM_NUMBER));
    m_number.SetCharSet(kClipGsmChars, kMaxDigits);
    for (const ClipGsmEntry& e : m_pRecord->clipGsm)
    {
        if (CountedEmpty(e.number))
            break;
        Insert(ClipNumber(e));
    }
}

int CClipGsmPage::Insert(const std::string& number)
{
    // Kept in the order of the texts, as a sorted list box would hold them.
    int line = 0;
    while (line < (int)m_numbers.size() && m_numbers[line] <= number)
        ++line;
    m_numbers.insert(m_numbers.begin() + line, number);
    ::SendMessageA(List(), LB_INSERTSTRING, line, (LPARAM)number.c_str());
    return line;
}

int CClipGsmPage::Find(const std::string& number) const
{
    for (int i = 0; i < (int)m_numbers.size(); ++i)
        if (m_numbers[i] == number)
            return i;
    return -1;
}

bool CClipGsmPage::ReadInput(std::string& number)
{
    char text[CFG_COUNTED_24] = "";
    GetDlgItemText(IDC_CLIP_GSM_NUMBER, text, kMaxDigits + 1);
    number = text;
    if (!number.empty())
        return true;
    Refuse(IDC_CLIP_GSM_NUMBER, "strClipFromGsmErrNumberMissing", "strError");
    return false;
}

LRESULT CClipGsmPage::OnAdd(WORD, WORD, HWND, BOOL&)
{
    std::string number;
    HWND edit = GetDlgItem(IDC_CLIP_GSM_NUMBER);
    if (ReadInput(number) && m_numbers.size() < CFG_CLIP_GSM_COUNT)
    {
        if (Find(number) >= 0)
            g_Language.MessageBoxKeyFormat("strClipFromGsmErrNumberDuplicate", "strError",
                                           MB_OK | MB_ICONEXCLAMATION, number.c_str());
        else if (!NumberWildcardRule(number.c_str()))
            g_Language.MessageBoxKey("strClipFromGsmErrNumberWildcard", "strWarning", MB_OK | MB_ICONEXCLAMATION);
        else
            ::SendMessageA(List(), LB_SETTOPINDEX, Insert(number), 0);
    }
    FocusEditText(edit);
    return 0;
}

LRESULT CClipGsmPage::OnChange(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_numbers.size())
        return 0;
    std::string number;
    if (!ReadInput(number) || number == m_numbers[line])
        return 0;
    if (Find(number) >= 0)
    {
        g_Language.MessageBoxKeyFormat("strClipFromGsmErrNumberDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION,
                                       number.c_str());
        return 0;
    }
    if (!NumberWildcardRule(number.c_str()))
    {
        g_Language.MessageBoxKey("strClipFromGsmErrNumberWildcard", "strWarning", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    m_numbers.erase(m_numbers.begin() + line);
    ::SendMessageA(List(), LB_DELETESTRING, line, 0);
    int added = Insert(number);
    ::SendMessageA(List(), LB_SETCURSEL, added, 0);
    ::SendMessageA(List(), LB_SETTOPINDEX, added, 0);
    return 0;
}

LRESULT CClipGsmPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_numbers.size())
        return 0;
    m_numbers.erase(m_numbers.begin() + line);
    ::SendMessageA(List(), LB_DELETESTRING, line, 0);
    return 0;
}

LRESULT CClipGsmPage::OnSelected(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_numbers.size())
        return 0;
    ::SetDlgItemTextA(m_hWnd, IDC_CLIP_GSM_NUMBER, m_numbers[line].c_str());
    ::SendMessageA(GetDlgItem(IDC_CLIP_GSM_NUMBER), EM_SETSEL, 0, -1);
    return 0;
}

void CClipGsmPage::OnStored()
{
    memset(m_pRecord->clipGsm, CFG_EMPTY, sizeof(m_pRecord->clipGsm));
    for (size_t i = 0; i < m_numbers.size() && i < CFG_CLIP_GSM_COUNT; ++i)
        WriteCountedString(m_numbers[i].c_str(), m_pRecord->clipGsm[i].number, sizeof(m_pRecord->clipGsm[i].number));
}
