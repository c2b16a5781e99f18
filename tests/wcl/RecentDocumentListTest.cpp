#include <gtest/gtest.h>
#include "wcl/RecentDocumentList.h"
#include <shlwapi.h>
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

// Every menu id holds a file: the list keeps as many files as it has ids and
// hands out only those it holds; a shorter list written to the registry
// leaves no value of a longer one behind.
TEST(RecentDocumentList, KeepsAFilePerMenuIdAndTheRegistryNoStaleOne)
{
    const char kProgramKey[] = "Software\\VelmotrexRecentFilesTest";
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kProgramKey);
    CRecentDocumentList list(100, 115);
    list.SetMaxEntries(99);
    EXPECT_EQ(16, list.GetMaxEntries());
    for (int i = 1; i <= 16; ++i)
        list.AddToList(("f" + std::to_string(i) + ".cfg").c_str());
    ASSERT_EQ(16, list.GetCount());
    char path[MAX_PATH] = "";
    EXPECT_TRUE(list.GetFromList(115, path, sizeof(path)));
    EXPECT_STREQ("f1.cfg", path) << "the oldest on the last id";
    EXPECT_FALSE(list.GetFromList(116, path, sizeof(path)));
    ASSERT_TRUE(list.WriteToRegistry(HKEY_CURRENT_USER, kProgramKey));

    // Fewer files kept: those cut off are neither handed out nor left in
    // the registry.
    list.SetMaxEntries(2);
    EXPECT_TRUE(list.GetFromList(101, path, sizeof(path)));
    EXPECT_STREQ("f15.cfg", path);
    EXPECT_FALSE(list.GetFromList(102, path, sizeof(path)));
    ASSERT_TRUE(list.WriteToRegistry(HKEY_CURRENT_USER, kProgramKey));
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kProgramKey) + "\\Recent Document List").c_str(),
                                             0, KEY_READ, &key));
    for (int i = 1; i <= 16; ++i)
    {
        const std::string name = "Document" + std::to_string(i);
        EXPECT_EQ(i <= 2, ::RegQueryValueExA(key, name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS) << name;
    }
    ::RegCloseKey(key);
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kProgramKey);
}
