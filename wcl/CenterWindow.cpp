#include "wcl/CenterWindow.h"

void CenterOnOwner(HWND dlg)
{
    RECT area;
    HWND owner = ::GetWindow(dlg, GW_OWNER);
    if (!owner)
        owner = ::GetParent(dlg);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT rc;
    ::GetWindowRect(dlg, &rc);
    int x = area.left + ((area.right - area.left) - (rc.right - rc.left)) / 2;
    int y = area.top + ((area.bottom - area.top) - (rc.bottom - rc.top)) / 2;
    ::SetWindowPos(dlg, NULL, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
