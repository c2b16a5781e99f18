#pragma once
#include "wcl/Win.h"
#include <map>
#include <string>

// What a page's own controls showed when they were filled, so that a page
// writes back only what the user changed: a visit without input leaves the
// record as it was, also where the page could not show a stored value.
class CShownControls
{
public:
    // Remembers the controls first .. first + count - 1 of page.
    void Remember(HWND page, UINT first, UINT count = 1);
    // Whether any of them shows something else now.
    bool Changed(HWND page, UINT first, UINT count = 1) const;

private:
    std::map<UINT, std::string> m_states;
};

// The state a control shows: a button's check, a combo box's selection, a
// list box's items, an edit's text.
std::string ControlState(HWND control);
