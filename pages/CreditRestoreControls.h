#pragma once
#include "pages/NumericEdit.h"
#include "record/CreditRestoreCode.h"

// The controls of one restore rule of a set of credit counters: three kind
// radios (day, week-day, weekly; consecutive ids), the day and week edits and
// the weekday list. The ISDN link tab and both SIMs of a GSM module tab show
// and store the rule alike through this.
struct CreditRestoreIds
{
    UINT dayRadio, weekdayRadio, weeklyRadio;
    UINT day, week, weekday;
};

class CCreditRestoreControls
{
public:
    // Subclasses the edits of the dialog's controls and fills the weekdays.
    void Attach(HWND dialog, const CreditRestoreIds& ids);

    // The code as the controls show it: its kind checked, its fields shown.
    void Show(uint8_t code);
    // The code built from the controls.
    uint8_t Code();
    CreditRestoreKind Kind() const;

    // The fields of the checked kind shown, the others hidden.
    void ShowKindFields();
    // Radios on or off; of the fields only those of the checked kind on.
    void Enable(bool on);
    // The weekday names again in the language in use, the selection kept.
    void RefillWeekdays();

private:
    HWND m_dialog = NULL;
    CreditRestoreIds m_ids = {};
    CNumericEdit m_day;
    CNumericEdit m_week;

    HWND Item(UINT id) const { return ::GetDlgItem(m_dialog, (int)id); }
    bool IsChecked(UINT id) const { return ::IsDlgButtonChecked(m_dialog, (int)id) == BST_CHECKED; }
    void FillWeekdays();
};
