#pragma once
#include "wcl/WindowImpl.h"

// An EDIT control of a page dialog that accepts only the characters of an
// allowed set (digits, dial characters and the like). A typed letter is
// brought to the case of the set's letter; anything else is refused with a
// beep. Pasted text is filtered by the same rule.
class CCharSetEdit : public CControlImpl<CCharSetEdit>
{
public:
    // Sets the text limit and the allowed set (owned by the caller, usually
    // a string constant; NULL accepts everything).
    void SetCharSet(const char* allowed, int textLimit);
    const char* GetCharSet() const { return m_allowed; }

    // The character of the set that c stands for (c brought to the set's
    // letter case), or 0 when the set has none.
    static char MatchCharSet(const char* allowed, char c);

    BEGIN_MSG_MAP(CCharSetEdit)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        MESSAGE_HANDLER(WM_PASTE, OnPaste)
    END_MSG_MAP()

private:
    const char* m_allowed = nullptr;

    LRESULT OnChar(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaste(UINT, WPARAM, LPARAM, BOOL&);
};
