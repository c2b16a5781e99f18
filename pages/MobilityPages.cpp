#include "pages/MobilityPages.h"
#include "pages/FieldBinding.h"
#include "pages/ListViewRows.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
constexpr size_t kInterface = 0;
constexpr size_t kExtension = 4;
constexpr size_t kFirstNumber = 28;
constexpr size_t kNumberStride = 24;
constexpr size_t kModeInNumber = 23;
constexpr int kMaxExtensionDigits = 23;
constexpr int kMaxNumberDigits = 22;
constexpr int kInterfaceCount = 4; // links A, B, C and the VoIP users
constexpr int kHolidayMax = 40;
constexpr int kDays = 7;
constexpr uint8_t kVoipInterface = 'D';

const UINT kNumberEdits[MOBILITY_NUMBER_COUNT] = { IDC_MOB_NUMBER1, IDC_MOB_NUMBER2, IDC_MOB_NUMBER3 };
const UINT kModeCombos[MOBILITY_NUMBER_COUNT] = { IDC_MOB_MODE1, IDC_MOB_MODE2, IDC_MOB_MODE3 };
const FieldChoice kModes[] = {
    { MOBILITY_ALWAYS, "strMobilityExtAlways", nullptr, 0 },
    { MOBILITY_DURING_WH, "strMobilityExtDuringWH", nullptr, 0 },
    { MOBILITY_OUTSIDE_WH, "strMobilityExtOutOfWH", nullptr, 0 },
};

const uint8_t* Bytes(const MobilityExtEntry& e) { return reinterpret_cast<const uint8_t*>(&e); }
uint8_t* Bytes(MobilityExtEntry& e) { return reinterpret_cast<uint8_t*>(&e); }

void InterfaceName(uint8_t code, char* out)
{
    out[0] = '\0';
    if (code == kVoipInterface)
        g_Language.GetString("strMobilityExtVoipUsers", out, ENTITY_NAME_SIZE);
    else
        GetIsdnLinkName(code, out);
}

int DateOrder(uint8_t day, uint8_t month) { return month * 31 + day; }
}

// --- the entries as stored --------------------------------------------------------

uint8_t MobilityInterface(const MobilityExtEntry& e)
{
    uint8_t code = Bytes(e)[kInterface];
    return code == CFG_EMPTY ? 'A' : code;
}

void MobilityExtension(const MobilityExtEntry& e, char* out)
{
    ReadCountedString(Bytes(e) + kExtension, CFG_COUNTED_24, out);
}

void MobilityNumber(const MobilityExtEntry& e, int k, char* out)
{
    ReadCountedString(Bytes(e) + kFirstNumber + k * kNumberStride, MOBILITY_NUMBER_SIZE, out);
}

uint8_t MobilityMode(const MobilityExtEntry& e, int k)
{
    return Bytes(e)[kFirstNumber + k * kNumberStride + kModeInNumber];
}

MobilityExtEntry MakeMobilityEntry(uint8_t iface, const char* extension, const char* const numbers[3],
                                   const uint8_t modes[3])
{
    MobilityExtEntry e;
    memset(&e, CFG_EMPTY, sizeof(e));
    uint8_t* b = Bytes(e);
    b[kInterface] = iface;
    WriteCountedString(extension, b + kExtension, CFG_COUNTED_24);
    int k = 0;
    for (int i = 0; i < MOBILITY_NUMBER_COUNT; ++i)
    {
        if (!numbers[i][0])
            continue;
        uint8_t* field = b + kFirstNumber + k * kNumberStride;
        WriteCountedString(numbers[i], field, MOBILITY_NUMBER_SIZE);
        field[kModeInNumber] = modes[i];
        ++k;
    }
    return e;
}

MobilityExtEntry MobilityEntryAsShown(const MobilityExtEntry& e)
{
    char extension[CFG_COUNTED_24];
    MobilityExtension(e, extension);
    char numbers[MOBILITY_NUMBER_COUNT][MOBILITY_NUMBER_SIZE];
    const char* texts[MOBILITY_NUMBER_COUNT];
    uint8_t modes[MOBILITY_NUMBER_COUNT];
    for (int k = 0; k < MOBILITY_NUMBER_COUNT; ++k)
    {
        MobilityNumber(e, k, numbers[k]);
        texts[k] = numbers[k];
        modes[k] = MobilityShownMode(MobilityMode(e, k));
    }
    return MakeMobilityEntry(MobilityInterface(e), extension, texts, modes);
}

uint8_t MobilityShownMode(uint8_t mode)
{
    return mode == MOBILITY_DURING_WH || mode == MOBILITY_OUTSIDE_WH ? mode : (uint8_t)MOBILITY_ALWAYS;
}

int CompareMobility(const MobilityExtEntry& a, const MobilityExtEntry& b)
{
    int ia = MobilityInterface(a), ib = MobilityInterface(b);
    if (ia != ib)
        return ia < ib ? -1 : 1;
    char ea[CFG_COUNTED_24], eb[CFG_COUNTED_24];
    MobilityExtension(a, ea);
    MobilityExtension(b, eb);
    return strcmp(ea, eb);
}

void FormatMobilityNumbers(const MobilityExtEntry& e, char* out, size_t size)
{
    out[0] = '\0';
    for (int k = 0; k < MOBILITY_NUMBER_COUNT; ++k)
    {
        char number[MOBILITY_NUMBER_SIZE];
        MobilityNumber(e, k, number);
        if (!number[0])
            continue;
        if (out[0])
            AppendText(out, size, ", ");
        AppendText(out, size, number);
        const char* key = MobilityMode(e, k) == MOBILITY_DURING_WH    ? "strMobilityExtDuringWHShort"
                          : MobilityMode(e, k) == MOBILITY_OUTSIDE_WH ? "strMobilityExtOutOfWHShort"
                                                                      : nullptr;
        if (key)
        {
            char mode[ENTITY_NAME_SIZE] = "";
            g_Language.GetString(key, mode, sizeof(mode));
            AppendText(out, size, "-");
            AppendText(out, size, mode);
        }
    }
}

// --- mobility page ----------------------------------------------------------------

CConfigPage<CMobilityExtPage>::LayoutRules_t CMobilityExtPage::LayoutRules() const
{
    return { { IDC_MOB_LIST, LE_LEFT, 0 }, { IDC_MOB_LIST, LE_TOP, 0 }, { IDC_MOB_LIST, LE_RIGHT, 0 }, { IDC_MOB_LIST, LE_BOTTOM, 0 } };
}

void CMobilityExtPage::OnInitControls()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_MOB_EXTENSION, EM_LIMITTEXT, kMaxExtensionDigits, 0);
    for (UINT id : kNumberEdits)
        ::SendDlgItemMessageA(m_hWnd, (int)id, EM_LIMITTEXT, kMaxNumberDigits, 0);
    FillCombos();
    ListView_SetExtendedListViewStyle(List(), LVS_EX_FULLROWSELECT);
    SetColumns();
    for (const MobilityExtEntry& e : m_pRecord->mobility)
    {
        uint8_t length = Bytes(e)[kExtension];
        if (length == 0 || length == CFG_EMPTY)
            break;
        InsertRow(e);
    }
}

void CMobilityExtPage::FillCombos()
{
    // The combos keep their selections through a change of language.
    HWND iface = GetDlgItem(IDC_MOB_INTERFACE);
    int selected = (int)::SendMessageA(iface, CB_GETCURSEL, 0, 0);
    ::SendMessageA(iface, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kInterfaceCount; ++i)
    {
        char name[ENTITY_NAME_SIZE];
        InterfaceName((uint8_t)('A' + i), name);
        ::SendMessageA(iface, CB_ADDSTRING, 0, (LPARAM)name);
    }
    ::SendMessageA(iface, CB_SETCURSEL, selected >= 0 ? selected : 0, 0);
    for (UINT id : kModeCombos)
    {
        HWND combo = GetDlgItem((int)id);
        selected = (int)::SendMessageA(combo, CB_GETCURSEL, 0, 0);
        ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (const FieldChoice& mode : kModes)
        {
            char text[ENTITY_NAME_SIZE] = "";
            g_Language.GetString(mode.key, text, sizeof(text));
            ::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
        }
        ::SendMessageA(combo, CB_SETCURSEL, selected >= 0 ? selected : 0, 0);
    }
}

void CMobilityExtPage::SetColumns()
{
    const int w = ListClientWidth(List());
    const int widths[3] = { w / 6, w / 5, w - w / 6 - w / 5 };
    SetListColumns(List(), "strMobilityExtHeader", widths, 3);
}

void CMobilityExtPage::OnTextsChanged()
{
    FillCombos();
    SetColumns();
    for (int row = 0; row < (int)m_rows.size(); ++row)
        SetRow(row, false);
}

int CMobilityExtPage::InsertRow(const MobilityExtEntry& e)
{
    int row = 0;
    while (row < (int)m_rows.size() && CompareMobility(m_rows[row], e) <= 0)
        ++row;
    m_rows.insert(m_rows.begin() + row, e);
    SetRow(row, true);
    return row;
}

void CMobilityExtPage::SetRow(int row, bool insert)
{
    const MobilityExtEntry& e = m_rows[row];
    char iface[ENTITY_NAME_SIZE], extension[CFG_COUNTED_24], numbers[256];
    InterfaceName(MobilityInterface(e), iface);
    MobilityExtension(e, extension);
    FormatMobilityNumbers(e, numbers, sizeof(numbers));
    const char* texts[3] = { iface, extension, numbers };
    if (insert)
        InsertListRow(List(), row, texts, 3);
    else
        SetListRow(List(), row, texts, 3);
}

LRESULT CMobilityExtPage::OnAddOrChange(WORD, WORD id, HWND, BOOL&)
{
    const bool add = id == IDC_LIST_ADD;
    const int selected = SelectedListRow(List());
    if ((add && m_rows.size() >= CFG_MOBILITY_COUNT) || (!add && selected < 0))
        return 0;
    char extension[CFG_COUNTED_24] = "";
    GetDlgItemText(IDC_MOB_EXTENSION, extension, kMaxExtensionDigits + 1);
    HWND extensionEdit = GetDlgItem(IDC_MOB_EXTENSION);
    if (!extension[0])
    {
        Refuse(IDC_MOB_EXTENSION, "strMobilityExtExtensionMissing", "strError");
        return 0;
    }
    // An interface combo without a selection (a stored code it has no entry
    // for) keeps the changed row's code.
    const MobilityExtEntry* changed = add ? nullptr : &m_rows[selected];
    int index = (int)::SendDlgItemMessageA(m_hWnd, IDC_MOB_INTERFACE, CB_GETCURSEL, 0, 0);
    const uint8_t iface = index >= 0 && index < kInterfaceCount ? (uint8_t)('A' + index)
                          : changed                             ? Bytes(*changed)[kInterface]
                                                                : (uint8_t)'A';
    if (add)
    {
        for (const MobilityExtEntry& e : m_rows)
        {
            char other[CFG_COUNTED_24];
            MobilityExtension(e, other);
            if (MobilityInterface(e) == iface && strcmp(other, extension) == 0)
            {
                char name[ENTITY_NAME_SIZE];
                InterfaceName(iface, name);
                g_Language.MessageBoxKeyFormat("strMobilityExtExtensionDuplicate", "strError",
                                               MB_OK | MB_ICONEXCLAMATION, extension, name);
                FocusEditText(extensionEdit);
                return 0;
            }
        }
    }
    char numbers[MOBILITY_NUMBER_COUNT][MOBILITY_NUMBER_SIZE];
    const char* numberTexts[MOBILITY_NUMBER_COUNT];
    uint8_t modes[MOBILITY_NUMBER_COUNT];
    bool any = false;
    for (int k = 0; k < MOBILITY_NUMBER_COUNT; ++k)
    {
        numbers[k][0] = '\0';
        GetDlgItemText((int)kNumberEdits[k], numbers[k], kMaxNumberDigits + 1);
        numberTexts[k] = numbers[k];
        int mode = (int)::SendDlgItemMessageA(m_hWnd, (int)kModeCombos[k], CB_GETCURSEL, 0, 0);
        modes[k] = mode >= 0 && mode < 3 ? (uint8_t)kModes[mode].code : (uint8_t)MOBILITY_ALWAYS;
        any = any || numbers[k][0];
    }
    if (!any)
    {
        Refuse(kNumberEdits[0], "strMobilityExtNumbersMissing", "strError");
        FocusEditText(GetDlgItem((int)kNumberEdits[0]));
        return 0;
    }
    MobilityExtEntry entry = MakeMobilityEntry(iface, extension, numberTexts, modes);
    if (!add)
    {
        m_rows.erase(m_rows.begin() + selected);
        ListView_DeleteItem(List(), selected);
    }
    int row = InsertRow(entry);
    if (add)
        ListView_EnsureVisible(List(), row, FALSE);
    else
        SelectListRow(List(), row);
    FocusEditText(extensionEdit);
    return 0;
}

LRESULT CMobilityExtPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    if (row < 0)
        return 0;
    m_rows.erase(m_rows.begin() + row);
    ListView_DeleteItem(List(), row);
    return 0;
}

LRESULT CMobilityExtPage::OnItemChanged(int, LPNMHDR hdr, BOOL&)
{
    const int row = NewlySelectedRow(hdr);
    if (row < 0 || row >= (int)m_rows.size())
        return 0;
    const MobilityExtEntry& e = m_rows[row];
    int index = MobilityInterface(e) - 'A';
    ::SendDlgItemMessageA(m_hWnd, IDC_MOB_INTERFACE, CB_SETCURSEL, index >= 0 && index < kInterfaceCount ? index : -1,
                          0);
    char text[CFG_COUNTED_24];
    MobilityExtension(e, text);
    ::SetDlgItemTextA(m_hWnd, IDC_MOB_EXTENSION, text);
    for (int k = 0; k < MOBILITY_NUMBER_COUNT; ++k)
    {
        MobilityNumber(e, k, text);
        ::SetDlgItemTextA(m_hWnd, (int)kNumberEdits[k], text);
        // A mode the row shows without its short text is "always".
        uint8_t mode = MobilityShownMode(MobilityMode(e, k));
        int shown = mode == MOBILITY_DURING_WH ? 1 : mode == MOBILITY_OUTSIDE_WH ? 2 : 0;
        ::SendDlgItemMessageA(m_hWnd, (int)kModeCombos[k], CB_SETCURSEL, shown, 0);
    }
    return 0;
}

void CMobilityExtPage::OnStored()
{
    // Each record is what its row shows: bytes no column shows become the
    // empty marker, a mode without its short text "always".
    memset(m_pRecord->mobility, CFG_EMPTY, sizeof(m_pRecord->mobility));
    for (size_t i = 0; i < m_rows.size() && i < CFG_MOBILITY_COUNT; ++i)
        m_pRecord->mobility[i] = MobilityEntryAsShown(m_rows[i]);
}

// --- working hours --------------------------------------------------------------

WorkingTime ShownWorkingTime(WorkingTime stored)
{
    if (stored.hour > 23 || stored.minute > 59)
        return WorkingTime{ 0, 0 };
    return stored;
}

int PrepareWorkingDay(WorkingTime times[4])
{
    for (int interval = 0; interval < 2; ++interval)
    {
        WorkingTime* t = times + 2 * interval;
        if (t[0].hour == 0 && t[0].minute == 0 && t[1].hour == 0 && t[1].minute == 0)
            t[0] = t[1] = WorkingTime{ CFG_EMPTY, CFG_EMPTY };
    }
    for (int e = 1; e < 4; ++e)
    {
        const WorkingTime& prev = times[e - 1];
        if (prev.hour == CFG_EMPTY)
            continue;
        bool earlier = prev.hour < times[e].hour || (prev.hour == times[e].hour && prev.minute < times[e].minute);
        if (!earlier)
            return e;
    }
    return -1;
}

void CWorkingHoursPage::FormatHoliday(const Holiday& h, char* out, size_t size)
{
    char format[128] = "";
    g_Language.GetString("strWorkingHoursDateFormat", format, sizeof(format));
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    SYSTEMTIME st = {};
    st.wYear = today.wYear;
    st.wMonth = h.month;
    st.wDay = h.day;
    // 29 February takes the next leap year when this one has none.
    while (h.month == 2 && h.day == 29 && !(st.wYear % 4 == 0 && (st.wYear % 100 != 0 || st.wYear % 400 == 0)))
        ++st.wYear;
    out[0] = '\0';
    if (!::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, format[0] ? format : nullptr, out, (int)size))
        FormatText(out, size, "%d.%d.", (int)h.day, (int)h.month);
}

void CWorkingHoursPage::OnInitControls()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const WorkingHours& wh = m_pRecord->workingHours;
    for (int d = 0; d < kDays; ++d)
        for (int e = 0; e < 4; ++e)
        {
            HWND picker = GetDlgItem(IDC_WH_TIME_FIRST + 4 * d + e);
            ::SendMessageA(picker, DTM_SETFORMATA, 0, (LPARAM) "H:mm");
            WorkingTime shown = ShownWorkingTime(WorkingTime{ wh.weekDays[d][4 * e], wh.weekDays[d][4 * e + 1] });
            SYSTEMTIME st = now;
            st.wHour = shown.hour;
            st.wMinute = shown.minute;
            st.wSecond = 0;
            st.wMilliseconds = 0;
            ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
        }
    char format[128] = "";
    g_Language.GetString("strWorkingHoursDateFormat", format, sizeof(format));
    ::SendDlgItemMessageA(m_hWnd, IDC_WH_HOLIDAY_DATE, DTM_SETFORMATA, 0, (LPARAM)format);
    ::SendDlgItemMessageA(m_hWnd, IDC_WH_HOLIDAY_FORMAT, DTM_SETFORMATA, 0, (LPARAM)format);
    for (int h = 0; h < kHolidayMax; ++h)
    {
        const uint8_t* stored = wh.holidays + 4 * h;
        if (stored[0] == CFG_EMPTY || stored[1] > 254)
            break;
        InsertHoliday(Holiday{ stored[0], stored[1] });
    }
    ::SendDlgItemMessageA(m_hWnd, IDC_WH_HOLIDAY_DATE, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&now);
}

int CWorkingHoursPage::InsertHoliday(const Holiday& h)
{
    int line = 0;
    while (line < (int)m_holidays.size() &&
           DateOrder(m_holidays[line].day, m_holidays[line].month) <= DateOrder(h.day, h.month))
        ++line;
    m_holidays.insert(m_holidays.begin() + line, h);
    char text[128];
    FormatHoliday(h, text, sizeof(text));
    ::SendMessageA(List(), LB_INSERTSTRING, line, (LPARAM)text);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    ::SendMessageA(List(), LB_SETITEMDATA, line, ((LPARAM)h.month << 24) | ((LPARAM)h.day << 16) | now.wYear);
    return line;
}

void CWorkingHoursPage::ReadDay(int day, WorkingTime times[4]) const
{
    for (int e = 0; e < 4; ++e)
    {
        SYSTEMTIME st = {};
        if (::SendDlgItemMessageA(m_hWnd, IDC_WH_TIME_FIRST + 4 * day + e, DTM_GETSYSTEMTIME, 0, (LPARAM)&st) !=
            GDT_VALID)
            st.wHour = st.wMinute = 0;
        times[e] = WorkingTime{ (uint8_t)st.wHour, (uint8_t)st.wMinute };
    }
}

bool CWorkingHoursPage::OnValidate()
{
    // Every day is checked before any is written, so a refused Store leaves
    // the working hours as they were.
    for (int d = 0; d < kDays; ++d)
    {
        WorkingTime times[4];
        ReadDay(d, times);
        if (PrepareWorkingDay(times) >= 0)
        {
            Refuse(IDC_WH_TIME_FIRST + 4 * d, "strWorkingHoursErr", "strError");
            return false;
        }
    }
    return true;
}

void CWorkingHoursPage::OnStored()
{
    WorkingHours& wh = m_pRecord->workingHours;
    for (int d = 0; d < kDays; ++d)
    {
        WorkingTime times[4];
        ReadDay(d, times);
        PrepareWorkingDay(times);
        for (int e = 0; e < 4; ++e)
        {
            // Bytes 2 and 3 of each entry are the device's; they stay.
            wh.weekDays[d][4 * e] = times[e].hour;
            wh.weekDays[d][4 * e + 1] = times[e].minute;
        }
    }
    memset(wh.holidays, CFG_EMPTY, sizeof(wh.holidays));
    for (size_t i = 0; i < m_holidays.size() && i < (size_t)kHolidayMax; ++i)
    {
        wh.holidays[4 * i] = m_holidays[i].day;
        wh.holidays[4 * i + 1] = m_holidays[i].month;
    }
}

void CWorkingHoursPage::SetPickerDate(const Holiday& h)
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    st.wMonth = h.month;
    st.wDay = h.day;
    ::SendDlgItemMessageA(m_hWnd, IDC_WH_HOLIDAY_DATE, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&st);
}

LRESULT CWorkingHoursPage::OnAddOrChange(WORD, WORD id, HWND, BOOL&)
{
    const bool add = id == IDC_LIST_ADD;
    HWND picker = GetDlgItem(IDC_WH_HOLIDAY_DATE);
    SYSTEMTIME st = {};
    int selected = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (::SendMessageA(picker, DTM_GETSYSTEMTIME, 0, (LPARAM)&st) != GDT_VALID)
        return 0;
    if ((add && m_holidays.size() >= (size_t)kHolidayMax) || (!add && (selected < 0 || selected >= (int)m_holidays.size())))
        return 0;
    Holiday h = { (uint8_t)st.wDay, (uint8_t)st.wMonth };
    for (const Holiday& other : m_holidays)
    {
        if (other.day == h.day && other.month == h.month)
        {
            char text[128];
            FormatHoliday(h, text, sizeof(text));
            g_Language.MessageBoxKeyFormat("strWorkingHoursErrHolidayDuplicate", "strError",
                                           MB_OK | MB_ICONEXCLAMATION, text);
            ::SetFocus(picker);
            return 0;
        }
    }
    if (!add)
    {
        m_holidays.erase(m_holidays.begin() + selected);
        ::SendMessageA(List(), LB_DELETESTRING, selected, 0);
    }
    ::SendMessageA(List(), LB_SETTOPINDEX, InsertHoliday(h), 0);
    ::SetFocus(picker);
    return 0;
}

LRESULT CWorkingHoursPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (line < 0 || line >= (int)m_holidays.size())
        return 0;
    m_holidays.erase(m_holidays.begin() + line);
    ::SendMessageA(List(), LB_DELETESTRING, line, 0);
    return 0;
}

LRESULT CWorkingHoursPage::OnSelected(WORD, WORD, HWND, BOOL&)
{
    int line = (int)::SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (line >= 0 && line < (int)m_holidays.size())
        SetPickerDate(m_holidays[line]);
    return 0;
}
