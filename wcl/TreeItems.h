#pragma once
#include "wcl/Win.h"

// Items of the views' tree controls (configuration items, diagnostics
// nodes): every item keeps its id in lParam, shows one of the five images of
// CreateTreeImageList and is found, read and retitled by that id.

// A 16x16 image list of the given icon resources, in their order (the trees'
// and the main window's tabs'). A missing icon takes the application icon's
// place so the images after it keep their indexes.
HIMAGELIST CreateTreeImageList(const int* iconIds, int count);

// Appends an item with its title, id and images under parent (NULL: at the
// top level).
HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const char* title, int id, int image, int selectedImage);

// The id of item; false for no item.
bool GetTreeItemId(HWND tree, HTREEITEM item, int* id);

// The first item with id in a depth-first walk of the whole tree, or NULL.
HTREEITEM FindTreeItem(HWND tree, int id);

void SetTreeItemText(HWND tree, HTREEITEM item, const char* text);

// Gives item, its following siblings and all their children the titles
// titleOf(id, buf, size) makes of their ids (after a language change).
template <class TitleOf>
void RetitleTreeItems(HWND tree, HTREEITEM first, TitleOf titleOf)
{
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item))
    {
        int id;
        if (GetTreeItemId(tree, item, &id))
        {
            char title[260];
            titleOf(id, title, sizeof(title));
            SetTreeItemText(tree, item, title);
        }
        RetitleTreeItems(tree, TreeView_GetChild(tree, item), titleOf);
    }
}

// Running through a tree with the arrow keys builds no page per step. Called
// on TVN_SELCHANGED: a selection made with the keyboard (re)starts the
// owner's timer and its page follows once the keys rest (the owner's
// WM_TIMER); any other selection stops the timer and true says to show the
// page now.
bool DeferKeyboardSelection(HWND owner, UINT_PTR timer, UINT delay, const NMHDR* nmh);
