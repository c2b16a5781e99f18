#include "pages/NumericEdit.h"
#include "base/TextUtil.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

int CNumericEdit::RangeTextLimit(int minimum, int maximum)
{
    int n = 0;
    if (minimum < 0)
    {
        if (minimum >= -9) n = 2;
        else if (minimum >= -99) n = 3;
        else if (minimum >= -999) n = 4;
        else if (minimum >= -9999) n = 5;
        else if (minimum >= -99999) n = 6;
        else n = 7;
    }
    if (maximum > 0)
    {
        int digits;
        if (maximum < 10) digits = 1;
        else if (maximum < 100) digits = 2;
        else if (maximum < 1000) digits = 3;
        else if (maximum < 10000) digits = 4;
        else if (maximum < 100000) digits = 5;
        else digits = 6;
        if (n < digits)
            n = digits;
    }
    return n;
}

void CNumericEdit::SetRange(int minimum, int maximum, int defaultValue)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_default = defaultValue;
    SendMessage(EM_LIMITTEXT, RangeTextLimit(minimum, maximum));
    if (minimum >= 0 && !(GetStyle() & ES_NUMBER))
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | ES_NUMBER);
    if (defaultValue >= minimum && defaultValue <= maximum)
        SetValue(defaultValue);
}

int CNumericEdit::Clamp(int value) const
{
    int r = value;
    if (r < m_minimum)
        r = m_minimum;
    else if (r > m_maximum)
        r = m_maximum;
    if (r == value)
        return value;
    if (m_useLastValid)
        return m_lastValid;
    if (m_default >= m_minimum && m_default <= m_maximum)
        return m_default;
    return r;
}

int CNumericEdit::SetValue(int value)
{
    int shown = Clamp(value);
    if (m_useLastValid)
        m_lastValid = shown;
    char text[16];
    FormatText(text, sizeof(text), "%d", shown);
    SetWindowText(text);
    return shown;
}

int CNumericEdit::GetValue()
{
    char text[32] = "";
    GetWindowText(text, sizeof(text));
    // strtol saturates where atoi would wrap: a text set by WM_SETTEXT is not
    // bound by the text limit, and "99999999999" must not come out negative.
    errno = 0;
    long v = strtol(text, nullptr, 10);
    if (v > INT_MAX)
        v = INT_MAX;
    else if (v < INT_MIN)
        v = INT_MIN;
    return SetValue((int)v);
}

LRESULT CNumericEdit::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    char c = (char)wParam;
    if (m_minimum >= 0 || (c >= '0' && c <= '9'))
    {
        bHandled = FALSE;
        return 0;
    }
    if (c == '-')
    {
        char text[50] = "";
        GetWindowText(text, sizeof(text));
        const char* minus = strchr(text, '-');
        DWORD start = 0, end = 0;
        SendMessage(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        bool pass;
        if (minus)
        {
            DWORD pos = (DWORD)(minus - text);
            pass = start != end && start <= pos && pos < end;
        }
        else
        {
            pass = start == 0;
        }
        if (pass)
        {
            bHandled = FALSE;
            return 0;
        }
    }
    else if ((unsigned char)c < 32)
    {
        bHandled = FALSE;
        return 0;
    }
    ::MessageBeep((UINT)-1);
    return 0;
}

LRESULT CNumericEdit::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (!(m_allowEmpty && ::GetWindowTextLengthA(m_hWnd) == 0))
        GetValue();
    bHandled = FALSE;
    return 0;
}
