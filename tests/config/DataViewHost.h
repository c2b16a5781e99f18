#pragma once
// What the data view tests stand on: the view over the whole client area of a
// host window, as the main window holds it, and a fresh folder for the files
// a test saves and opens.
#include "config/DataView.h"
#include "tests/support/PageHostWindow.h"

namespace testsupport
{
// Creates the host window and the view in it; false when the view cannot be
// created. The caller destroys host.
inline bool CreateViewInHost(CDataView& view, HWND& host, int width, int height, bool visible)
{
    host = CreatePageHost(width, height, visible);
    RECT rc;
    ::GetClientRect(host, &rc);
    return view.Create(host, &rc) && view.OnCreate(0);
}

// A new empty folder in the temporary directory, its name starting with
// prefix (up to three characters).
inline void CreateTempFolder(const char* prefix, char (&dir)[MAX_PATH])
{
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof(temp), temp);
    ::GetTempFileNameA(temp, prefix, 0, dir);
    ::DeleteFileA(dir);
    ::CreateDirectoryA(dir, NULL);
}
} // namespace testsupport
