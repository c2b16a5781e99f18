#pragma once
#include "wcl/Rebar.h"

// The main window's placement and the layout of its bars across runs: loaded
// before the window is created, applied when the bars are built, captured and
// saved when the window closes. Kept as values of the program's registry key,
// or, as the alternative storage kind, in the "window" section of an INI file.
class CFrameSettings
{
public:
    enum StorageKind { StorageIni = 0, StorageRegistry = 1 };
    enum : UINT { CommandBarBandId = 1, ToolBarBandId = 2 };

    // Registry kind: name is the key path under HKEY_LOCAL_MACHINE; INI kind:
    // a file name taken in the current directory.
    CFrameSettings(int kind, const char* name);
    virtual ~CFrameSettings() = default;

    void Load();
    // Reads the placement and the bar layout from the live windows.
    void Capture(HWND frame, const CReBarCtrl& rebar, HWND statusBar);
    bool Save() const;

    // Adds the command bar and toolbar bands in the stored order and rows,
    // then shows or hides the toolbar band.
    void CreateBands(CReBarCtrl& rebar, HWND commandBar, HWND toolBar);
    bool ToggleToolbar(CReBarCtrl& rebar, bool toggle);
    bool ToggleStatusBar(HWND statusBar, bool toggle);

    // The rectangle the window is created with: the stored one, or the
    // system default (x = CW_USEDEFAULT).
    const RECT& GetStoredRect() const { return m_rect; }
    bool HasStoredRect() const { return m_rect.left != CW_USEDEFAULT; }

    RECT m_rect;
    bool m_maximized;
    bool m_toolbar;
    bool m_statusbar;
    bool m_cmdbarFirst;
    bool m_oneLineRebar;
    int m_storageKind;
    char m_storageName[260];

private:
    bool ReadNumber(HKEY key, const char* name, const char* iniKey, long* value) const;
};
