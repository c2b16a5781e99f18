#include "pages/ListViewRows.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
void SetColumn(HWND list, int index, const char* title, int width)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(title);
    if (index < Header_GetItemCount(ListView_GetHeader(list)))
    {
        ListView_SetColumn(list, index, &col);
        return;
    }
    col.mask |= LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = width;
    col.iSubItem = index;
    ListView_InsertColumn(list, index, &col);
}
}

void SetListColumns(HWND list, const char* headerKey, const int* widths, int count)
{
    char header[512] = "";
    g_Language.GetString(headerKey, header, sizeof(header));
    char* title = header;
    for (int i = 0; i < count; ++i)
    {
        char* bar = title ? strchr(title, '|') : nullptr;
        if (bar)
            *bar = '\0';
        SetColumn(list, i, title ? title : "", widths[i]);
        title = bar ? bar + 1 : nullptr;
    }
}

void SetListColumnKeys(HWND list, const char* const* keys, const int* widths, int count)
{
    for (int i = 0; i < count; ++i)
    {
        char title[256] = "";
        g_Language.GetString(keys[i], title, sizeof(title));
        SetColumn(list, i, title, widths[i]);
    }
}

int InsertListRow(HWND list, int index, const char* const* texts, int count)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(texts[0]);
    int row = ListView_InsertItem(list, &item);
    if (row >= 0)
        for (int c = 1; c < count; ++c)
            ListView_SetItemText(list, row, c, const_cast<char*>(texts[c]));
    return row;
}

void SetListRow(HWND list, int index, const char* const* texts, int count)
{
    for (int c = 0; c < count; ++c)
        ListView_SetItemText(list, index, c, const_cast<char*>(texts[c]));
}

int SelectedListRow(HWND list)
{
    return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

int NewlySelectedRow(const NMHDR* hdr)
{
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(hdr);
    if (!(nm->uChanged & LVIF_STATE) || !(nm->uNewState & LVIS_SELECTED) || (nm->uOldState & LVIS_SELECTED))
        return -1;
    return nm->iItem;
}

void SelectListRow(HWND list, int index)
{
    if (index < 0)
        return;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, index, FALSE);
}

int ListClientWidth(HWND list)
{
    RECT rc = { 0, 0, 0, 0 };
    ::GetClientRect(list, &rc);
    return rc.right - rc.left;
}

void FocusEditText(HWND edit)
{
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SetFocus(edit);
}
