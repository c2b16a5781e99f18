#include "wcl/UpdateUI.h"

void CUpdateUI::UIInit(const UpdateUIEntry* entries, int count)
{
    m_states.clear();
    for (int i = 0; i < count; ++i)
        m_states.push_back(State{ entries[i].id, entries[i].where, true, false, true, true });
}

CUpdateUI::State* CUpdateUI::Find(UINT id)
{
    for (State& s : m_states)
        if (s.id == id)
            return &s;
    return nullptr;
}

const CUpdateUI::State* CUpdateUI::Find(UINT id) const
{
    for (const State& s : m_states)
        if (s.id == id)
            return &s;
    return nullptr;
}

BOOL CUpdateUI::UIEnable(UINT id, bool enable)
{
    State* s = Find(id);
    if (!s)
        return FALSE;
    if (s->enabled != enable)
    {
        s->enabled = enable;
        s->menuDirty = s->toolDirty = true;
    }
    return TRUE;
}

BOOL CUpdateUI::UISetCheck(UINT id, bool check)
{
    State* s = Find(id);
    if (!s)
        return FALSE;
    if (s->checked != check)
    {
        s->checked = check;
        s->menuDirty = s->toolDirty = true;
    }
    return TRUE;
}

bool CUpdateUI::UIIsEnabled(UINT id) const
{
    const State* s = Find(id);
    return s && s->enabled;
}

bool CUpdateUI::UIIsChecked(UINT id) const
{
    const State* s = Find(id);
    return s && s->checked;
}

void CUpdateUI::UIAddToolBar(HWND toolbar)
{
    if (toolbar)
        m_toolbars.push_back(toolbar);
}

void CUpdateUI::UIUpdateToolBar(bool force)
{
    for (State& s : m_states)
    {
        if (!(s.where & UPDUI_TOOLBAR) || !(s.toolDirty || force))
            continue;
        for (HWND tb : m_toolbars)
        {
            if (!::IsWindow(tb))
                continue;
            ::SendMessage(tb, TB_ENABLEBUTTON, s.id, MAKELPARAM(s.enabled, 0));
            ::SendMessage(tb, TB_CHECKBUTTON, s.id, MAKELPARAM(s.checked, 0));
        }
        s.toolDirty = false;
    }
}

void CUpdateUI::UIUpdateMenuBar(HMENU menu, bool force)
{
    if (!menu)
        return;
    for (State& s : m_states)
    {
        if (!(s.where & UPDUI_MENUBAR) || !(s.menuDirty || force))
            continue;
        // By command: the menu searches its popups for the item.
        ::EnableMenuItem(menu, s.id, MF_BYCOMMAND | (s.enabled ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(menu, s.id, MF_BYCOMMAND | (s.checked ? MF_CHECKED : MF_UNCHECKED));
        s.menuDirty = false;
    }
}
