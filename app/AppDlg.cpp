#include "app/AppDlg.h"

void GetItemText(HWND dlg, int id, char* buf, size_t size)
{
    if (!buf || !size)
        return;
    buf[0] = '\0';
    ::GetDlgItemTextA(dlg, id, buf, (int)size);
    buf[size - 1] = '\0';
}
