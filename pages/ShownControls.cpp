#include "pages/ShownControls.h"
#include <vector>

std::string ControlState(HWND control)
{
    char cls[32] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    if (::lstrcmpiA(cls, "Button") == 0)
        return std::to_string(::SendMessageA(control, BM_GETCHECK, 0, 0));
    if (::lstrcmpiA(cls, "ComboBox") == 0)
        return std::to_string(::SendMessageA(control, CB_GETCURSEL, 0, 0));
    if (::lstrcmpiA(cls, "ListBox") == 0)
    {
        std::string items;
        int count = (int)::SendMessageA(control, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
        {
            LRESULT length = ::SendMessageA(control, LB_GETTEXTLEN, (WPARAM)i, 0);
            std::vector<char> text(length > 0 ? (size_t)length + 1 : 1, '\0');
            if (length > 0)
                ::SendMessageA(control, LB_GETTEXT, (WPARAM)i, (LPARAM)text.data());
            items += text.data();
            items += '\n';
        }
        return items;
    }
    int length = ::GetWindowTextLengthA(control);
    std::vector<char> text((size_t)length + 1, '\0');
    ::GetWindowTextA(control, text.data(), length + 1);
    return text.data();
}

void CShownControls::Remember(HWND page, UINT first, UINT count)
{
    for (UINT id = first; id < first + count; ++id)
        m_states[id] = ControlState(::GetDlgItem(page, (int)id));
}

bool CShownControls::Changed(HWND page, UINT first, UINT count) const
{
    for (UINT id = first; id < first + count; ++id)
    {
        auto it = m_states.find(id);
        if (it == m_states.end() || it->second != ControlState(::GetDlgItem(page, (int)id)))
            return true;
    }
    return false;
}
