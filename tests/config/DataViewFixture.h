#pragma once
// What the data view tests stand on: the view over the whole client area of a
// visible host window, as the main window holds it, its tree read and clicked
// as a user does it, both record copies, and a fresh folder for the files a
// test saves and opens.
#include "config/DataView.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <gtest/gtest.h>
#include <string>

class DataViewFixture : public ::testing::Test
{
protected:
    HWND host = NULL;
    CDataView view;
    CScratchFolder folder;

    void SetUp() override
    {
        ASSERT_TRUE(SelectShippedLanguage());
        host = testsupport::CreatePageHost(900, 600, true);
        RECT rc;
        ::GetClientRect(host, &rc);
        ASSERT_TRUE(view.Create(host, &rc) && view.OnCreate(0));
    }
    void TearDown() override { ::DestroyWindow(host); }

    std::string PathOf(const char* name) const { return folder.Path(name); }
    HWND Tree() const { return view.GetTree(); }
    ConfigRecord* Doc() const { return ::GetConfigRecord(); }
    ConfigRecord* Edit() const { return GetPageEditRecord(); }
    uint8_t& DocByte(uint32_t ofs) { return ConfigBytes(Doc())[ofs]; }
    uint8_t& EditByte(uint32_t ofs) { return ConfigBytes(Edit())[ofs]; }
    int ItemId(HTREEITEM item) const { return testsupport::TreeItemId(Tree(), item); }
    std::string ItemTitle(int id) const { return testsupport::TreeItemTitle(Tree(), view.FindItem(id)); }
    int SelectedId() const { return ItemId(TreeView_GetSelection(Tree())); }
    std::string PageText() const { return testsupport::TextPageText(view.GetPageWindow()); }

    // A click on the item's text.
    void Click(int id)
    {
        HTREEITEM item = view.FindItem(id);
        ASSERT_TRUE(item) << id;
        testsupport::ClickTreeItem(Tree(), item);
    }
};
