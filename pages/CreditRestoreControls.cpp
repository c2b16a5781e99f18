#include "pages/CreditRestoreControls.h"
#include "pages/FieldBinding.h"
#include "base/Language.h"
#include "base/TextUtil.h"

namespace
{
constexpr int kWeekdays = 7;
constexpr int kMaxDay = 31;
constexpr int kMaxWeek = 4;
}

void CCreditRestoreControls::Attach(HWND dialog, const CreditRestoreIds& ids)
{
    m_dialog = dialog;
    m_ids = ids;
    // No default: a day or week beyond its range shows the range's end, as
    // the device counts it, not a day the user never chose.
    m_day.SubclassWindow(Item(ids.day));
    m_day.SetRange(1, kMaxDay, CNumericEdit::kNoDefault);
    m_week.SubclassWindow(Item(ids.week));
    m_week.SetRange(1, kMaxWeek, CNumericEdit::kNoDefault);
    FillWeekdays();
}

void CCreditRestoreControls::FillWeekdays()
{
    HWND list = Item(m_ids.weekday);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int d = 1; d <= kWeekdays; ++d)
    {
        char key[16];
        char text[128] = "";
        FormatText(key, sizeof(key), "strDay%d", d);
        g_Language.GetString(key, text, sizeof(text));
        CFieldBinder::AddEntry(list, text, d);
    }
}

void CCreditRestoreControls::RefillWeekdays()
{
    int weekday = CFieldBinder::SelectedCode(Item(m_ids.weekday));
    FillWeekdays();
    CFieldBinder::SelectByCode(Item(m_ids.weekday), weekday);
}

void CCreditRestoreControls::Show(uint8_t code)
{
    CreditRestore rule = DecodeCreditRestoreCode(code);
    ::CheckRadioButton(m_dialog, (int)m_ids.dayRadio, (int)m_ids.weeklyRadio,
                       rule.kind == CreditRestoreKind::Weekly    ? (int)m_ids.weeklyRadio
                       : rule.kind == CreditRestoreKind::WeekDay ? (int)m_ids.weekdayRadio
                                                                 : (int)m_ids.dayRadio);
    m_day.SetValue(rule.day);
    m_week.SetValue(rule.week);
    // A weekday of 0 (every week, no day) selects none.
    CFieldBinder::SelectByCode(Item(m_ids.weekday), rule.weekday);
    ShowKindFields();
}

CreditRestoreKind CCreditRestoreControls::Kind() const
{
    return IsChecked(m_ids.weeklyRadio)    ? CreditRestoreKind::Weekly
           : IsChecked(m_ids.weekdayRadio) ? CreditRestoreKind::WeekDay
                                           : CreditRestoreKind::Day;
}

uint8_t CCreditRestoreControls::Code()
{
    // With no weekday selected the rule's weekday is 0, as the device had it.
    int weekday = CFieldBinder::SelectedCode(Item(m_ids.weekday));
    CreditRestore rule = { Kind(), m_day.GetValue(), m_week.GetValue(), weekday > 0 ? weekday : 0 };
    return EncodeCreditRestoreCode(rule);
}

void CCreditRestoreControls::ShowKindFields()
{
    CreditRestoreKind kind = Kind();
    ::ShowWindow(Item(m_ids.day), kind == CreditRestoreKind::Day ? SW_SHOW : SW_HIDE);
    ::ShowWindow(Item(m_ids.week), kind == CreditRestoreKind::WeekDay ? SW_SHOW : SW_HIDE);
    ::ShowWindow(Item(m_ids.weekday), kind != CreditRestoreKind::Day ? SW_SHOW : SW_HIDE);
}

void CCreditRestoreControls::Enable(bool on)
{
    for (UINT id : { m_ids.dayRadio, m_ids.weekdayRadio, m_ids.weeklyRadio })
        ::EnableWindow(Item(id), on);
    CreditRestoreKind kind = Kind();
    ::EnableWindow(Item(m_ids.day), on && kind == CreditRestoreKind::Day);
    ::EnableWindow(Item(m_ids.week), on && kind == CreditRestoreKind::WeekDay);
    ::EnableWindow(Item(m_ids.weekday), on && kind != CreditRestoreKind::Day);
}
