#include "pages/CharSetEdit.h"
#include <string>

void CCharSetEdit::SetCharSet(const char* allowed, int textLimit)
{
    SendMessage(EM_LIMITTEXT, textLimit);
    m_allowed = allowed;
}

char CCharSetEdit::MatchCharSet(const char* allowed, char c)
{
    for (const char* s = allowed; *s; ++s)
    {
        char d = c;
        if (::IsCharAlphaA(*s) && ::IsCharAlphaA(d))
        {
            char buf[2] = { d, 0 };
            if (::IsCharUpperA(*s))
                ::CharUpperA(buf);
            else
                ::CharLowerA(buf);
            d = buf[0];
        }
        if (d == *s)
            return d;
    }
    return 0;
}

LRESULT CCharSetEdit::OnChar(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    char c = (char)wParam;
    if (!m_allowed || (unsigned char)c < 32)
    {
        bHandled = FALSE;
        return 0;
    }
    char d = MatchCharSet(m_allowed, c);
    if (!d)
    {
        ::MessageBeep((UINT)-1);
        return 0;
    }
    if (d == c)
    {
        bHandled = FALSE;
        return 0;
    }
    // The letter goes to the control in the set's case.
    return ::DefSubclassProc(m_hWnd, WM_CHAR, (WPARAM)(unsigned char)d, lParam);
}

LRESULT CCharSetEdit::OnPaste(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (!m_allowed)
    {
        bHandled = FALSE;
        return 0;
    }
    std::string filtered;
    bool refused = false;
    if (::OpenClipboard(m_hWnd))
    {
        HANDLE data = ::GetClipboardData(CF_TEXT);
        const char* text = data ? static_cast<const char*>(::GlobalLock(data)) : nullptr;
        if (text)
        {
            SIZE_T size = ::GlobalSize(data);
            // Line breaks and other control characters are no input of a
            // one-line field: they are dropped along with foreign characters.
            for (SIZE_T i = 0; i < size && text[i]; ++i)
            {
                char d = (unsigned char)text[i] < 32 ? 0 : MatchCharSet(m_allowed, text[i]);
                if (d)
                    filtered += d;
                else
                    refused = true;
            }
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    if (refused)
        ::MessageBeep((UINT)-1);
    if (!filtered.empty())
        SendMessage(EM_REPLACESEL, TRUE, (LPARAM)filtered.c_str());
    return 0;
}
