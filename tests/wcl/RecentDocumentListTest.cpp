#include <gtest/gtest.h>
#include "wcl/RecentDocumentList.h"
#include <string>
#include <vector>

// The File menu as a user sees it: the newest file first, numbered from 1,
// never more entries than the list keeps.
TEST(RecentDocumentList, MenuShowsTheNewestFilesNumberedFromOne)
{
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 100, "&Open");
    ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 57616, "Recent files");
    ::AppendMenuA(menu, MF_STRING, 101, "E&xit");

    CRecentDocumentList list;
    list.SetMaxEntries(3);
    list.SetMenuHandle(menu);
    for (const char* path : { "a.cfg", "b.cfg", "c.cfg", "d.cfg", "B.CFG" })
        list.AddToList(path);

    auto items = [&] {
        std::vector<std::string> texts;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
        {
            char text[64] = "";
            ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    };
    EXPECT_EQ((std::vector<std::string>{ "&Open", "&1 B.CFG", "&2 d.cfg", "&3 c.cfg", "E&xit" }), items());

    // One entry fewer kept: the oldest goes at once.
    list.SetMaxEntries(2);
    EXPECT_EQ(2, list.GetCount());
    list.UpdateMenu();
    EXPECT_EQ((std::vector<std::string>{ "&Open", "&1 B.CFG", "&2 d.cfg", "E&xit" }), items());
    ::DestroyMenu(menu);
}
