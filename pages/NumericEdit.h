#pragma once
#include "wcl/WindowImpl.h"
#include <climits>

// An EDIT control of a page dialog that holds one integer in a range, with a
// default, an optional empty state and an optional fall-back to the last
// valid value. Its text is rewritten whenever it is read, set or left.
class CNumericEdit : public CControlImpl<CNumericEdit>
{
public:
    // The default of an edit that shows no value of its own: outside every
    // range, so no range can mistake it for a value.
    static constexpr int kNoDefault = INT_MIN;

    // Stores the range and default, limits the text to the characters the
    // range needs, makes a non-negative range digits-only and shows the
    // default when it lies within the range.
    void SetRange(int minimum, int maximum, int defaultValue);
    void SetAllowEmpty(BOOL allow) { m_allowEmpty = allow ? 1 : 0; }
    // With this on, an out-of-range entry shows the last value that was set.
    void SetUseLastValid(BOOL use) { m_useLastValid = use ? 1 : 0; }

    // The value to show for value: itself when in range, else the last valid
    // value (option on), else the default when it lies in the range, else the
    // crossed bound.
    int Clamp(int value) const;
    // Shows the clamped value and returns it.
    int SetValue(int value);
    // Reads the text (decimal, leading blanks and sign allowed, the rest
    // ignored, no digits 0; too long a number saturates), clamps it, shows it
    // and returns it.
    int GetValue();

    int GetMinimum() const { return m_minimum; }
    int GetMaximum() const { return m_maximum; }
    int GetDefault() const { return m_default; }

    // The text limit SetRange gives a range.
    static int RangeTextLimit(int minimum, int maximum);

    BEGIN_MSG_MAP(CNumericEdit)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    END_MSG_MAP()

private:
    int m_minimum = 0;
    int m_maximum = 0;
    int m_default = 0;
    DWORD m_useLastValid = 0;
    DWORD m_allowEmpty = 0;
    int m_lastValid = 0;

    LRESULT OnChar(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&);
};
