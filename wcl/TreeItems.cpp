#include "wcl/TreeItems.h"

HIMAGELIST CreateTreeImageList(const int* iconIds, int count)
{
    HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, count, 0);
    for (int i = 0; i < count; ++i)
    {
        HICON h = (HICON)::LoadImageA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(iconIds[i]), IMAGE_ICON, 16, 16, 0);
        if (!h)
            h = (HICON)::LoadImageA(NULL, (LPCSTR)IDI_APPLICATION, IMAGE_ICON, 16, 16, LR_SHARED);
        // The icon's own bitmaps go in as they are: adding the icon itself
        // makes the list reload it from the resources first, which under
        // Wine costs a few milliseconds an icon at every start.
        ICONINFO info = {};
        if (h && ::GetIconInfo(h, &info) && info.hbmColor)
            ::ImageList_Add(images, info.hbmColor, info.hbmMask);
        else
            ::ImageList_AddIcon(images, h);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
        if (h)
            ::DestroyIcon(h);
    }
    return images;
}

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const char* title, int id, int image, int selectedImage)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<char*>(title);
    ins.item.lParam = id;
    ins.item.iImage = image;
    ins.item.iSelectedImage = selectedImage;
    return (HTREEITEM)::SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&ins);
}

bool GetTreeItemId(HWND tree, HTREEITEM item, int* id)
{
    if (!item)
        return false;
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = item;
    if (!TreeView_GetItem(tree, &tvi))
        return false;
    *id = (int)tvi.lParam;
    return true;
}

HTREEITEM FindTreeItem(HWND tree, int id)
{
    HTREEITEM item = TreeView_GetRoot(tree);
    while (item)
    {
        int itemId;
        if (GetTreeItemId(tree, item, &itemId) && itemId == id)
            return item;
        HTREEITEM next = TreeView_GetChild(tree, item);
        while (!next && item)
        {
            next = TreeView_GetNextSibling(tree, item);
            if (!next)
                item = TreeView_GetParent(tree, item);
        }
        item = next;
    }
    return NULL;
}

void SetTreeItemText(HWND tree, HTREEITEM item, const char* text)
{
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = const_cast<char*>(text);
    TreeView_SetItem(tree, &tvi);
}

bool DeferKeyboardSelection(HWND owner, UINT_PTR timer, UINT delay, const NMHDR* nmh)
{
    ::KillTimer(owner, timer);
    if (((const NMTREEVIEWA*)nmh)->action != TVC_BYKEYBOARD)
        return true;
    ::SetTimer(owner, timer, delay, NULL);
    return false;
}
