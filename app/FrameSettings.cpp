#include "app/FrameSettings.h"
#include "base/TextUtil.h"
#include <cstdlib>

namespace
{
const char kIniSection[] = "window";

void WriteIniNumber(const char* file, const char* key, long value)
{
    char text[16];
    FormatText(text, sizeof(text), "%ld", value);
    ::WritePrivateProfileStringA(kIniSection, key, text, file);
}
}

CFrameSettings::CFrameSettings(int kind, const char* name)
    : m_rect{ CW_USEDEFAULT, CW_USEDEFAULT, 0, 0 },
      m_maximized(false),
      m_toolbar(true),
      m_statusbar(true),
      m_cmdbarFirst(false),
      m_oneLineRebar(true),
      m_storageKind(kind)
{
    m_storageName[0] = 0;
    if (kind == StorageRegistry)
    {
        CopyText(m_storageName, sizeof(m_storageName), name ? name : "");
    }
    else
    {
        char dir[MAX_PATH] = "";
        ::GetCurrentDirectoryA(sizeof(dir), dir);
        FormatText(m_storageName, sizeof(m_storageName), "%s\\%s", dir, name ? name : "");
    }
}

// Registry kind reads the DWORD value name; INI kind the decimal text iniKey.
bool CFrameSettings::ReadNumber(HKEY key, const char* name, const char* iniKey, long* value) const
{
    if (m_storageKind == StorageRegistry)
    {
        DWORD data = 0, size = sizeof(data), type = 0;
        if (::RegQueryValueExA(key, name, NULL, &type, (BYTE*)&data, &size) != ERROR_SUCCESS || type != REG_DWORD)
            return false;
        *value = (long)(LONG)data;
        return true;
    }
    char text[32] = "";
    ::GetPrivateProfileStringA(kIniSection, iniKey, "", text, sizeof(text), m_storageName);
    if (!text[0])
        return false;
    *value = strtol(text, nullptr, 10);
    return true;
}

void CFrameSettings::Load()
{
    HKEY key = NULL;
    if (m_storageKind == StorageRegistry &&
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_storageName, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
            ERROR_SUCCESS)
        return;
    // An INI number counts as true only above 0; a registry number when not 0.
    auto flag = [&](const char* name, const char* iniKey, bool missing) {
        long v = 0;
        if (!ReadNumber(key, name, iniKey, &v))
            return missing;
        return m_storageKind == StorageRegistry ? v != 0 : v > 0;
    };

    long x, y, cx, cy;
    bool hasX = ReadNumber(key, "x", "x", &x);
    bool hasY = ReadNumber(key, "y", "y", &y);
    bool hasCx = ReadNumber(key, "cx", "cx", &cx);
    bool hasCy = ReadNumber(key, "cy", "cy", &cy);
    if (!hasX || !hasY || !hasCx || !hasCy || x == -1 || y == -1 || x + cx == -1 || y + cy == -1)
        m_rect = RECT{ CW_USEDEFAULT, CW_USEDEFAULT, 0, 0 };
    else
        m_rect = RECT{ x, y, x + cx, y + cy };

    m_maximized = flag("Maximized", "maximized", false);
    m_toolbar = flag("Toolbar", "toolbar", true);
    m_cmdbarFirst = flag("CmdbarFirst", "cmdbarfirst", true);
    m_oneLineRebar = flag("OneLineRebar", "onelinerebar", false);
    m_statusbar = flag("Statusbar", "statusbar", true);
    if (key)
        ::RegCloseKey(key);
}

void CFrameSettings::Capture(HWND frame, const CReBarCtrl& rebar, HWND statusBar)
{
    WINDOWPLACEMENT wp = { sizeof(wp) };
    if (::GetWindowPlacement(frame, &wp))
    {
        m_rect = wp.rcNormalPosition;
        m_maximized = wp.showCmd == SW_SHOWMAXIMIZED;
    }
    if (rebar.m_hWnd && ::IsWindow(rebar.m_hWnd))
    {
        int toolIndex = rebar.IdToIndex(ToolBarBandId);
        m_toolbar = toolIndex >= 0 && !rebar.IsBandHidden(toolIndex);
        m_cmdbarFirst = rebar.IdToIndex(CommandBarBandId) == 0;
        if (m_toolbar)
            m_oneLineRebar = rebar.GetRowCount() == 1;
    }
    else
    {
        m_toolbar = false;
    }
    // The bar's own visibility: a frame closed before it was ever shown keeps
    // the status bar the user chose.
    m_statusbar = statusBar && ::IsWindow(statusBar) && (::GetWindowLongA(statusBar, GWL_STYLE) & WS_VISIBLE);
}

bool CFrameSettings::Save() const
{
    const struct
    {
        const char* name;
        const char* iniKey;
        long value;
    } values[] = {
        { "x", "x", m_rect.left },
        { "y", "y", m_rect.top },
        { "cx", "cx", m_rect.right - m_rect.left },
        { "cy", "cy", m_rect.bottom - m_rect.top },
        { "Maximized", "maximized", m_maximized ? 1 : 0 },
        { "Toolbar", "toolbar", m_toolbar ? 1 : 0 },
        { "CmdbarFirst", "cmdbarfirst", m_cmdbarFirst ? 1 : 0 },
        { "OneLineRebar", "onelinerebar", m_oneLineRebar ? 1 : 0 },
        { "Statusbar", "statusbar", m_statusbar ? 1 : 0 },
    };
    if (m_storageKind != StorageRegistry)
    {
        for (const auto& v : values)
            WriteIniNumber(m_storageName, v.iniKey, v.value);
        return true;
    }
    HKEY key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_storageName, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& v : values)
    {
        DWORD data = (DWORD)v.value;
        ok &= ::RegSetValueExA(key, v.name, 0, REG_DWORD, (const BYTE*)&data, sizeof(data)) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return ok;
}

void CFrameSettings::CreateBands(CReBarCtrl& rebar, HWND commandBar, HWND toolBar)
{
    bool newRow = !m_oneLineRebar;
    if (m_cmdbarFirst)
    {
        rebar.AddBand(commandBar, CommandBarBandId, newRow);
        rebar.AddBand(toolBar, ToolBarBandId, newRow);
    }
    else
    {
        rebar.AddBand(toolBar, ToolBarBandId, newRow);
        rebar.AddBand(commandBar, CommandBarBandId, newRow);
    }
    ToggleToolbar(rebar, false);
}

bool CFrameSettings::ToggleToolbar(CReBarCtrl& rebar, bool toggle)
{
    if (toggle)
        m_toolbar = !m_toolbar;
    int index = rebar.IdToIndex(ToolBarBandId);
    if (index >= 0)
        rebar.ShowBand(index, m_toolbar);
    return m_toolbar;
}

bool CFrameSettings::ToggleStatusBar(HWND statusBar, bool toggle)
{
    if (toggle)
        m_statusbar = !m_statusbar;
    if (statusBar)
        ::ShowWindow(statusBar, m_statusbar ? SW_SHOWNOACTIVATE : SW_HIDE);
    return m_statusbar;
}
