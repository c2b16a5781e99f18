#include "pages/GsmCellSelectPage.h"
#include "pages/ListViewRows.h"
#include "record/EntityNames.h"
#include "comm/DeviceProtocol.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
// Where a cell's fields stand in the record and how wide they are.
struct CellField
{
    UINT edit;
    size_t recordOffset;
    int width;
    const char* chars;
    const char* missingKey;
    const char* columnKey;
};
const char kDigits[] = "0123456789";
const char kHexDigits[] = "0123456789ABCDEF";
const CellField kCellFields[4] = {
    { IDC_CELL_MCC, 0, 3, kDigits, "strGsmCellSelMccMissing", "strGsmCellSelMcc" },
    { IDC_CELL_MNC, 4, 2, kDigits, "strGsmCellSelMncMissing", "strGsmCellSelMnc" },
    { IDC_CELL_LAC, 6, 4, kHexDigits, "strGsmCellSelLacMissing", "strGsmCellSelLac" },
    { IDC_CELL_ID, 10, 4, kHexDigits, "strGsmCellSelCellIdMissing", "strGsmCellSelCellId" },
};
constexpr size_t kActionByte = 0;
constexpr size_t kCountByte = 1;
constexpr size_t kFirstCell = 4;
constexpr size_t kCellSize = 16;

const FieldChoice kActions[] = {
    { GSM_CELL_ACTION_NONE, "strGsmCellSelActionNone", nullptr, 0 },
    { GSM_CELL_ACTION_ALARM, "strGsmCellSelActionAlarm", nullptr, 0 },
    { GSM_CELL_ACTION_BLOCK, "strGsmCellSelActionBlock", nullptr, 0 },
    { GSM_CELL_ACTION_ALARM_AND_BLOCK, "strGsmCellSelActionAlarmBlock", nullptr, 0 },
};
const FieldBinding kCellSelectFields[] = {
    Field::List(IDC_CELL_ACTION, CFG_OFS_GSM_CELLS + kActionByte, kActions),
};

char* FieldOf(GsmCellText& c, int i)
{
    char* fields[4] = { c.mcc, c.mnc, c.lac, c.cellId };
    return fields[i];
}
const char* FieldOf(const GsmCellText& c, int i) { return FieldOf(const_cast<GsmCellText&>(c), i); }

// At most width characters, ending at a terminator.
void CopyField(char* out, const char* field, int width)
{
    int n = 0;
    while (n < width && field[n])
    {
        out[n] = field[n];
        ++n;
    }
    out[n] = '\0';
}

bool AllZerosOrEmpty(const GsmCellText& c)
{
    bool empty = true, zeros = true;
    for (int i = 0; i < 4; ++i)
    {
        const char* f = FieldOf(c, i);
        if (f[0])
            empty = false;
        if (strspn(f, "0") != strlen(f) || (int)strlen(f) != kCellFields[i].width)
            zeros = false;
    }
    return empty || zeros;
}
}

bool operator==(const GsmCellText& a, const GsmCellText& b)
{
    for (int i = 0; i < 4; ++i)
        if (strcmp(FieldOf(a, i), FieldOf(b, i)) != 0)
            return false;
    return true;
}

const FieldTable CGsmCellSelectPage::kFields = MakeFieldTable(kCellSelectFields);

void CGsmCellSelectPage::OnInitControls()
{
    for (int i = 0; i < 4; ++i)
    {
        m_edits[i].SubclassWindow(GetDlgItem((int)kCellFields[i].edit));
        m_edits[i].SetCharSet(kCellFields[i].chars, kCellFields[i].width);
    }
    ListView_SetExtendedListViewStyle(List(), LVS_EX_FULLROWSELECT);
    ListView_SetExtendedListViewStyle(Online(), LVS_EX_FULLROWSELECT);
    SetColumns();

    // A count above 16 shows 16 cells and is written back as 16 at once: the
    // device must not read past its table of 16.
    uint8_t* rec = m_pRecord->gsmCells.bytes;
    if (rec[kCountByte] >= 1 && rec[kCountByte] <= 254)
    {
        if (rec[kCountByte] > GSM_CELL_MAX)
            rec[kCountByte] = GSM_CELL_MAX;
        const int count = rec[kCountByte];
        for (int i = 0; i < count; ++i)
        {
            GsmCellText cell;
            const char* stored = reinterpret_cast<const char*>(rec + kFirstCell + i * kCellSize);
            for (int f = 0; f < 4; ++f)
                CopyField(FieldOf(cell, f), stored + kCellFields[f].recordOffset, kCellFields[f].width);
            m_cells.push_back(cell);
            ShowCell(List(), cell, i, true);
        }
    }
    FillModules();
}

void CGsmCellSelectPage::OnFilled()
{
    // The device knows no action 0: it shows as "none" and is stored as
    // "none" (255).
    if (m_pRecord->gsmCells.bytes[kActionByte] == 0)
        CFieldBinder::SelectByCode(GetDlgItem(IDC_CELL_ACTION), kActions[0].code);
}

void CGsmCellSelectPage::SetColumns()
{
    const int w = ListClientWidth(List());
    const int widths[4] = { w * 31 / 136, w * 34 / 136, w * 37 / 136, w * 34 / 136 };
    const char* keys[4] = { kCellFields[0].columnKey, kCellFields[1].columnKey, kCellFields[2].columnKey,
                            kCellFields[3].columnKey };
    SetListColumnKeys(List(), keys, widths, 4);
    SetListColumnKeys(Online(), keys, widths, 4);
}

void CGsmCellSelectPage::FillModules()
{
    HWND combo = GetDlgItem(IDC_CELL_MODULE);
    int index = (int)::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int m = 0; m < (int)CFG_MODULE_COUNT; ++m)
    {
        char name[ENTITY_NAME_SIZE] = "";
        GetModuleName(m, name);
        ::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)name);
    }
    ::SendMessageA(combo, CB_SETCURSEL, index >= 0 ? index : 0, 0);
}

void CGsmCellSelectPage::OnTextsChanged()
{
    SetColumns();
    FillModules();
}

void CGsmCellSelectPage::ShowCell(HWND list, const GsmCellText& cell, int row, bool insert)
{
    const char* texts[4] = { cell.mcc, cell.mnc, cell.lac, cell.cellId };
    if (insert)
        InsertListRow(list, row, texts, 4);
    else
        SetListRow(list, row, texts, 4);
}

int CGsmCellSelectPage::FindCell(const GsmCellText& cell) const
{
    for (int i = 0; i < (int)m_cells.size(); ++i)
        if (m_cells[i] == cell)
            return i;
    return -1;
}

void CGsmCellSelectPage::ReadPaddedField(UINT id, char* out, int width)
{
    char text[8] = "";
    GetDlgItemText((int)id, text, width + 1);
    int length = (int)strlen(text);
    memset(out, '0', width - length);
    memcpy(out + width - length, text, length + 1);
    ::SetDlgItemTextA(m_hWnd, (int)id, out);
}

bool CGsmCellSelectPage::ReadCell(GsmCellText& cell)
{
    for (int i = 0; i < 4; ++i)
    {
        const CellField& f = kCellFields[i];
        if (::GetWindowTextLengthA(GetDlgItem((int)f.edit)) == 0)
        {
            g_Language.MessageBoxKey(f.missingKey, "strError", MB_OK | MB_ICONEXCLAMATION);
            FocusEditText(GetDlgItem((int)f.edit));
            return false;
        }
        ReadPaddedField(f.edit, FieldOf(cell, i), f.width);
    }
    return true;
}

LRESULT CGsmCellSelectPage::OnAdd(WORD, WORD, HWND, BOOL&)
{
    GsmCellText cell;
    if (m_cells.size() >= (size_t)GSM_CELL_MAX || !ReadCell(cell))
        return 0;
    if (FindCell(cell) >= 0)
        g_Language.MessageBoxKey("strGsmCellSelDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION);
    else
    {
        m_cells.push_back(cell);
        ShowCell(List(), cell, (int)m_cells.size() - 1, true);
        ListView_EnsureVisible(List(), (int)m_cells.size() - 1, FALSE);
    }
    FocusEditText(GetDlgItem(IDC_CELL_ID));
    return 0;
}

LRESULT CGsmCellSelectPage::OnChange(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    GsmCellText cell;
    if (row < 0 || !ReadCell(cell))
        return 0;
    int equal = FindCell(cell);
    if (equal == row)
        return 0;
    if (equal >= 0)
    {
        g_Language.MessageBoxKey("strGsmCellSelDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION);
        FocusEditText(GetDlgItem(IDC_CELL_ID));
        return 0;
    }
    m_cells[row] = cell;
    ShowCell(List(), cell, row, false);
    return 0;
}

LRESULT CGsmCellSelectPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    if (row < 0)
        return 0;
    m_cells.erase(m_cells.begin() + row);
    ListView_DeleteItem(List(), row);
    return 0;
}

int CGsmCellSelectPage::ModuleIndex() const
{
    int index = (int)::SendMessageA(GetDlgItem(IDC_CELL_MODULE), CB_GETCURSEL, 0, 0);
    return index < 0 ? 0 : index;
}

LRESULT CGsmCellSelectPage::OnRead(WORD, WORD, HWND, BOOL&)
{
    m_online.clear();
    ListView_DeleteAllItems(Online());
    if (!g_DeviceProtocol.GetGsmCells(ModuleIndex()))
        ShowOnlineCells(false, nullptr, 0); // the request could not be sent
    return 0;
}

void CGsmCellSelectPage::OnCellsRead(bool ok)
{
    ShowOnlineCells(ok, g_DeviceProtocol.GetCells(), GSM_CELL_COUNT);
}

void CGsmCellSelectPage::ShowOnlineCells(bool ok, const GsmCellRecord* cells, int count)
{
    const int module = ModuleIndex() + (int)g_Settings.ChannelIndexOffset;
    m_online.clear();
    ListView_DeleteAllItems(Online());
    if (!ok)
    {
        g_Language.MessageBoxKeyFormat("strGsmCellSelReadError", "strError", MB_OK | MB_ICONEXCLAMATION, module);
        return;
    }
    for (int i = 0; i < count; ++i)
    {
        GsmCellText cell;
        CopyField(cell.mcc, cells[i].mcc, sizeof(cells[i].mcc));
        CopyField(cell.mnc, cells[i].mnc, sizeof(cells[i].mnc));
        CopyField(cell.lac, cells[i].lac, sizeof(cells[i].lac));
        CopyField(cell.cellId, cells[i].cellId, sizeof(cells[i].cellId));
        if (AllZerosOrEmpty(cell))
            continue;
        m_online.push_back(cell);
        ShowCell(Online(), cell, (int)m_online.size() - 1, true);
    }
    if (m_online.empty())
        g_Language.MessageBoxKeyFormat("strGsmCellSelReadEmpty", "strError", MB_OK | MB_ICONEXCLAMATION, module);
}

LRESULT CGsmCellSelectPage::OnCopy(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(Online());
    if (m_cells.size() >= (size_t)GSM_CELL_MAX || row < 0 || row >= (int)m_online.size())
        return 0;
    if (FindCell(m_online[row]) >= 0)
    {
        g_Language.MessageBoxKey("strGsmCellSelDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    m_cells.push_back(m_online[row]);
    ShowCell(List(), m_online[row], (int)m_cells.size() - 1, true);
    ListView_EnsureVisible(List(), (int)m_cells.size() - 1, FALSE);
    return 0;
}

LRESULT CGsmCellSelectPage::OnItemChanged(int, LPNMHDR hdr, BOOL&)
{
    const int row = NewlySelectedRow(hdr);
    if (row < 0 || row >= (int)m_cells.size())
        return 0;
    for (int i = 0; i < 4; ++i)
        ::SetDlgItemTextA(m_hWnd, (int)kCellFields[i].edit, FieldOf(m_cells[row], i));
    ::SendMessageA(GetDlgItem(IDC_CELL_ID), EM_SETSEL, 0, -1);
    return 0;
}

void CGsmCellSelectPage::OnStored()
{
    // The action byte is the binding's; everything behind it is rewritten
    // from the list.
    uint8_t* rec = m_pRecord->gsmCells.bytes;
    memset(rec + kCountByte, CFG_EMPTY, sizeof(m_pRecord->gsmCells.bytes) - kCountByte);
    if (!m_cells.empty())
        rec[kCountByte] = (uint8_t)m_cells.size();
    for (size_t i = 0; i < m_cells.size() && i < (size_t)GSM_CELL_MAX; ++i)
        for (int f = 0; f < 4; ++f)
            strncpy(reinterpret_cast<char*>(rec + kFirstCell + i * kCellSize + kCellFields[f].recordOffset),
                    FieldOf(m_cells[i], f), kCellFields[f].width);
}
