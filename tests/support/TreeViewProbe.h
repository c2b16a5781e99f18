#pragma once
#include "wcl/Win.h"
#include "base/Language.h"
#include "res/PagesIds.h"
#include "tests/support/PageHostWindow.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

// What the view tests read from a view's tree and text page, and the click a
// user makes on a tree item. The views keep each item's id in lParam.
namespace testsupport
{
// The text of a language key in the selected language.
inline std::string Lang(const char* key)
{
    char buf[1024] = "";
    g_Language.GetString(key, buf, sizeof(buf));
    return buf;
}

// The id of item; -100 when there is no such item.
inline int TreeItemData(HWND tree, HTREEITEM item)
{
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = item;
    return TreeView_GetItem(tree, &tvi) ? (int)tvi.lParam : -100;
}

inline std::string TreeItemTitle(HWND tree, HTREEITEM item)
{
    char buf[260] = "";
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = buf;
    tvi.cchTextMax = sizeof(buf);
    TreeView_GetItem(tree, &tvi);
    return buf;
}

// Every item of the tree, depth first from the root: an item, its children,
// then its next sibling.
template <class Visit>
void ForEachTreeItem(HWND tree, Visit visit)
{
    std::vector<HTREEITEM> items{ TreeView_GetRoot(tree) };
    while (!items.empty())
    {
        HTREEITEM item = items.back();
        items.pop_back();
        if (!item)
            continue;
        items.push_back(TreeView_GetNextSibling(tree, item));
        items.push_back(TreeView_GetChild(tree, item));
        visit(item);
    }
}

// A click on the item's text, and what it posts handled.
inline void ClickTreeItem(HWND tree, HTREEITEM item)
{
    TreeView_EnsureVisible(tree, item);
    RECT rc;
    ASSERT_TRUE(TreeView_GetItemRect(tree, item, &rc, TRUE));
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    // The button comes up while the tree watches the mouse for a drag.
    ::PostMessageA(tree, WM_LBUTTONUP, 0, at);
    ::SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PumpMessages();
}

// The text a text page shows.
inline std::string TextPageText(HWND page)
{
    char buf[300] = "";
    ::GetDlgItemTextA(page, IDC_TEXT_PAGE_TEXT, buf, sizeof(buf));
    return buf;
}
}
