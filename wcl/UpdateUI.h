#pragma once
#include "wcl/Win.h"
#include <vector>

// Where a command's state shows.
enum : WORD
{
    UPDUI_MENUBAR = 0x0001,
    UPDUI_TOOLBAR = 0x0002,
};

struct UpdateUIEntry
{
    UINT id;
    WORD where;
};

// Enable and check states of commands, set by the frame's idle handler and
// written to the menu and the toolbars only when they changed.
class CUpdateUI
{
public:
    void UIInit(const UpdateUIEntry* entries, int count);

    BOOL UIEnable(UINT id, bool enable);
    BOOL UISetCheck(UINT id, bool check);
    bool UIIsEnabled(UINT id) const;
    bool UIIsChecked(UINT id) const;

    void UIAddToolBar(HWND toolbar);
    void UIUpdateToolBar(bool force = false);
    // Writes every changed state into the menu (its popups are searched).
    void UIUpdateMenuBar(HMENU menu, bool force = false);

private:
    struct State
    {
        UINT id;
        WORD where;
        bool enabled;
        bool checked;
        bool menuDirty;
        bool toolDirty;
    };
    State* Find(UINT id);
    const State* Find(UINT id) const;

    std::vector<State> m_states;
    std::vector<HWND> m_toolbars;
};
