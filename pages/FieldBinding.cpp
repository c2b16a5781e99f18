#include "pages/FieldBinding.h"
#include "pages/NumericEdit.h"
#include "pages/CharSetEdit.h"
#include "record/FieldText.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <commctrl.h>
#include <cstring>

namespace
{
uint32_t EntryBase(const FieldTable& table, uint32_t index)
{
    return table.base + index * table.stride;
}

bool IsComboBox(HWND control)
{
    char cls[32] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    return ::lstrcmpiA(cls, "ComboBox") == 0;
}

int ReadValue(const uint8_t* field, uint16_t size)
{
    return size == 2 ? (field[0] | field[1] << 8) : field[0];
}

void WriteValue(uint8_t* field, uint16_t size, int value)
{
    field[0] = (uint8_t)value;
    if (size == 2)
        field[1] = (uint8_t)(value >> 8);
}

void WriteMasked(uint8_t* field, uint8_t mask, int code)
{
    *field = (uint8_t)((*field & ~mask) | (code & mask));
}

// The style bit, not IsWindowVisible: pages are filled before they are shown.
bool IsHidden(HWND control)
{
    return !(::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
}

void ChoiceText(const FieldChoice& c, char* text, size_t size)
{
    text[0] = '\0';
    if (c.key)
        g_Language.GetString(c.key, text, size);
    else if (c.text)
        CopyText(text, size, c.text);
}

// The decimal value of an edit's text; false when it holds no number.
bool ReadEditNumber(HWND edit, int* value)
{
    char text[32] = "";
    ::GetWindowTextA(edit, text, sizeof(text));
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (end == text)
        return false;
    *value = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v;
    return true;
}
}

void CollectBoundRuns(const FieldTable& table, std::vector<ByteRun>& runs)
{
    for (uint32_t e = 0; e < table.entries; ++e)
        for (size_t i = 0; i < table.count; ++i)
            runs.push_back({ EntryBase(table, e) + table.rows[i].offset, table.rows[i].size });
}

std::string BoundFieldText(const FieldBinding& b, const uint8_t* field)
{
    std::vector<char> text(b.size + 1u);
    if (b.kind == FieldKind::Counted)
        ReadCountedString(field, b.size, text.data());
    else
        ReadFieldText(field, b.size, text.data());
    return text.data();
}

CFieldBinder::CFieldBinder() = default;
CFieldBinder::~CFieldBinder() = default;

int CFieldBinder::AddEntry(HWND list, const char* text, int code)
{
    bool combo = IsComboBox(list);
    int index = (int)::SendMessageA(list, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, (LPARAM)text);
    if (index >= 0)
        ::SendMessageA(list, combo ? CB_SETITEMDATA : LB_SETITEMDATA, index, (LPARAM)code);
    return index;
}

int CFieldBinder::SelectByCode(HWND list, int code)
{
    bool combo = IsComboBox(list);
    int count = (int)::SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
        if ((int)::SendMessageA(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0) == code)
            found = i;
    // -1 explicitly: an index that matches nothing keeps the old selection
    // on some systems and clears it on others.
    ::SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)found, 0);
    return found;
}

int CFieldBinder::SelectedCode(HWND list)
{
    bool combo = IsComboBox(list);
    int sel = (int)::SendMessageA(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (sel < 0)
        return -1;
    return (int)::SendMessageA(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, sel, 0);
}

void CFieldBinder::FillList(HWND list, const FieldBinding& b)
{
    if (!b.choices)
        return;
    ::SendMessageA(list, IsComboBox(list) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (uint16_t i = 0; i < b.choiceCount; ++i)
    {
        char text[260];
        ChoiceText(b.choices[i], text, sizeof(text));
        if (text[0] == '\0' && (b.flags & FB_SKIP_EMPTY))
            continue;
        AddEntry(list, text, b.choices[i].code);
    }
}

CNumericEdit* CFieldBinder::MakeNumericEdit(HWND control, const FieldBinding& b)
{
    m_numbers.push_back(std::unique_ptr<CNumericEdit>(new CNumericEdit));
    CNumericEdit* edit = m_numbers.back().get();
    edit->SubclassWindow(control);
    edit->SetAllowEmpty((b.flags & FB_EMPTY_ALLOWED) ? TRUE : FALSE);
    int def = (b.flags & FB_NO_DEFAULT) ? CNumericEdit::kNoDefault : b.defaultValue;
    edit->SetRange(b.minimum, b.maximum, def);
    return edit;
}

// The state of a radio group: the code of its checked button, -1 for none.
static int CheckedChoice(HWND page, const FieldBinding& b)
{
    for (uint16_t c = 0; c < b.choiceCount; ++c)
        if (::IsDlgButtonChecked(page, (int)b.choices[c].control) == BST_CHECKED)
            return b.choices[c].code;
    return -1;
}

CNumericEdit* CFieldBinder::NumericEdit(HWND page, UINT id) const
{
    HWND control = ::GetDlgItem(page, (int)id);
    for (const auto& edit : m_numbers)
        if (edit->m_hWnd == control)
            return edit.get();
    return nullptr;
}

void CFieldBinder::Fill(HWND page, const uint8_t* record, const FieldTable& table, uint32_t index)
{
    const uint8_t* bytes = record + EntryBase(table, index);
    for (size_t i = 0; i < table.count; ++i)
    {
        const FieldBinding& b = table.rows[i];
        const uint8_t* field = bytes + b.offset;
        HWND control = ::GetDlgItem(page, (int)b.control);
        if (!control)
            continue;
        switch (b.kind)
        {
        case FieldKind::Number:
        {
            CNumericEdit* edit = NumericEdit(page, b.control);
            if (!edit)
                edit = MakeNumericEdit(control, b);
            edit->SetValue(ReadValue(field, b.size));
            break;
        }
        case FieldKind::PortDigits:
        {
            CNumericEdit* edit = NumericEdit(page, b.control);
            if (!edit)
                edit = MakeNumericEdit(control, b);
            int value = ParseDigits(field, b.size);
            if (value != 0)
                edit->SetValue(value);
            else if (b.flags & FB_EMPTY_ALLOWED)
                edit->SetWindowText("");
            else
                edit->SetValue(value);
            break;
        }
        case FieldKind::Check:
        {
            int value = field[0] & b.mask;
            bool on = (b.flags & FB_CHECK_ANY) ? (field[0] != (uint8_t)b.maximum && field[0] != 0xFF)
                                               : value == (b.minimum & b.mask);
            ::SendMessageA(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case FieldKind::List:
            FillList(control, b);
            SelectByCode(control, field[0] & b.mask);
            break;
        case FieldKind::Radio:
        {
            bool known = false;
            for (uint16_t c = 0; c < b.choiceCount; ++c)
                known = known || (field[0] & b.mask) == (b.choices[c].code & b.mask);
            const int shown = known || !(b.flags & FB_UNKNOWN_SHOWN) ? field[0] & b.mask : b.defaultValue & b.mask;
            for (uint16_t c = 0; c < b.choiceCount; ++c)
            {
                bool on = shown == (b.choices[c].code & b.mask);
                ::CheckDlgButton(page, (int)b.choices[c].control, on ? BST_CHECKED : BST_UNCHECKED);
            }
            break;
        }
        case FieldKind::IpDigits:
        {
            uint32_t address = ParseIpDigits(reinterpret_cast<const char*>(field));
            ::SendMessageA(control, IPM_SETADDRESS, 0, (LPARAM)address);
            break;
        }
        case FieldKind::Counted:
        case FieldKind::Text:
        {
            std::string text = BoundFieldText(b, field);
            int limit = b.size > 0 ? b.size - 1 : 0;
            if (b.charSet)
            {
                m_charSets.push_back(std::unique_ptr<CCharSetEdit>(new CCharSetEdit));
                m_charSets.back()->SubclassWindow(control);
                m_charSets.back()->SetCharSet(b.charSet, limit);
            }
            else
            {
                ::SendMessageA(control, EM_LIMITTEXT, (WPARAM)limit, 0);
            }
            ::SetWindowTextA(control, text.c_str());
            break;
        }
        }
    }
}

const FieldBinding* CFieldBinder::Store(HWND page, uint8_t* record, const FieldTable& table, uint32_t index)
{
    uint8_t* bytes = record + EntryBase(table, index);
    // Refusals first, so a refused page writes nothing.
    for (size_t i = 0; i < table.count; ++i)
    {
        const FieldBinding& b = table.rows[i];
        HWND control = ::GetDlgItem(page, (int)b.control);
        if (!control || IsHidden(control))
            continue;
        if ((b.flags & FB_REFUSE) && (b.kind == FieldKind::Number || b.kind == FieldKind::PortDigits))
        {
            int value = 0;
            bool number = ReadEditNumber(control, &value);
            if (number ? (value < b.minimum || value > b.maximum) : !(b.flags & FB_EMPTY_ALLOWED))
                return &b;
        }
        if ((b.flags & FB_REQUIRED) && ::GetWindowTextLengthA(control) == 0)
            return &b;
    }
    for (size_t i = 0; i < table.count; ++i)
    {
        const FieldBinding& b = table.rows[i];
        uint8_t* field = bytes + b.offset;
        HWND control = ::GetDlgItem(page, (int)b.control);
        if (!control || IsHidden(control))
            continue;
        switch (b.kind)
        {
        case FieldKind::Number:
        {
            CNumericEdit* edit = NumericEdit(page, b.control);
            if (edit)
                WriteValue(field, b.size, edit->GetValue());
            break;
        }
        case FieldKind::PortDigits:
        {
            CNumericEdit* edit = NumericEdit(page, b.control);
            if (edit)
                WriteDigits(edit->GetValue(), field, b.size);
            break;
        }
        case FieldKind::Check:
        {
            bool on = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
            WriteMasked(field, b.mask, on ? b.minimum : b.maximum);
            break;
        }
        case FieldKind::List:
        {
            int code = SelectedCode(control);
            if (code >= 0)
                WriteMasked(field, b.mask, code);
            break;
        }
        case FieldKind::Radio:
        {
            int code = CheckedChoice(page, b);
            if (code >= 0)
                WriteMasked(field, b.mask, code);
            break;
        }
        case FieldKind::IpDigits:
        {
            DWORD address = 0;
            ::SendMessageA(control, IPM_GETADDRESS, 0, (LPARAM)&address);
            FormatIpDigits(address, reinterpret_cast<char*>(field));
            break;
        }
        case FieldKind::Counted:
        case FieldKind::Text:
        {
            std::vector<char> text(b.size + 1u);
            ::GetWindowTextA(control, text.data(), (int)text.size());
            if (b.kind == FieldKind::Counted)
                WriteCountedString(text.data(), field, b.size, (b.flags & FB_ZERO_FILL) ? 0 : 0xFF);
            else
                WriteFieldText(text.data(), field, b.size, (b.flags & FB_ZERO_FILL) != 0);
            break;
        }
        }
    }
    return nullptr;
}

void CFieldBinder::RefreshTexts(HWND page, const FieldTable& table)
{
    for (size_t i = 0; i < table.count; ++i)
    {
        const FieldBinding& b = table.rows[i];
        if (b.kind != FieldKind::List || !b.choices)
            continue;
        HWND list = ::GetDlgItem(page, (int)b.control);
        if (!list)
            continue;
        int code = SelectedCode(list);
        bool selected = (IsComboBox(list) ? ::SendMessageA(list, CB_GETCURSEL, 0, 0)
                                          : ::SendMessageA(list, LB_GETCURSEL, 0, 0)) >= 0;
        FillList(list, b);
        SelectByCode(list, selected ? code : INT_MIN);
    }
}
