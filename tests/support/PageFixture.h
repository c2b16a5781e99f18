#pragma once
#include <gtest/gtest.h>
#include "pages/ConfigPage.h"
#include "pages/DataTreeItems.h"
#include "pages/FieldBinding.h"
#include "pages/PageMemories.h"
#include "record/ConfigRecord.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/MessageBoxRecorder.h"
#include <memory>
#include <string>
#include <vector>

// A page opened on the page-edit copy (a new record unless the test changed
// it first) in a hidden host, with the English texts, every message box
// recorded and the pages' first tabs remembered. The control helpers act on
// the page's controls, or on those of the window `in` (a tab or a dialog).
class PageFixture : public ::testing::Test
{
protected:
    HWND host = NULL;
    ConfigRecord* rec = GetPageEditRecord();
    CMessageBoxRecorder boxes;
    std::unique_ptr<IConfigPage> page;

    static void SetUpTestSuite() { SelectShippedLanguage(); }
    void SetUp() override
    {
        host = testsupport::CreatePageHost();
        SetConfigDefaults(rec);
        ResetLastTabMemories();
    }
    void TearDown() override
    {
        Close();
        ::DestroyWindow(host);
    }

    // Page P made on the record with the arguments after it.
    template <class P, class... A>
    P& Open(A... args)
    {
        Close();
        P* p = new P(rec, args...);
        page.reset(p);
        EXPECT_TRUE(p->Create(host) != NULL);
        testsupport::PumpMessages();
        return *p;
    }
    // The page of tree item id, made by its registry row.
    IConfigPage* OpenItem(int id)
    {
        Close();
        const DataTreeItem* item = FindDataTreeItem(id);
        page.reset(item && item->factory ? item->factory(*item, rec) : nullptr);
        if (page)
            page->Create(host);
        testsupport::PumpMessages();
        return page.get();
    }
    void Close()
    {
        if (page && ::IsWindow(page->Window().m_hWnd))
            ::DestroyWindow(page->Window().m_hWnd);
        page.reset();
    }

    HWND Wnd() const { return page->Window().m_hWnd; }
    HWND Item(UINT id, HWND in = NULL) const { return ::GetDlgItem(in ? in : Wnd(), (int)id); }
    std::string Text(UINT id, HWND in = NULL) const
    {
        char text[512] = "";
        ::GetWindowTextA(Item(id, in), text, sizeof(text));
        return text;
    }
    void Type(UINT id, const char* text, HWND in = NULL) { ::SetWindowTextA(Item(id, in), text); }
    // A click as the user makes it: a check box toggles, its owner is told.
    void Click(UINT id, HWND in = NULL) { ::SendMessageA(Item(id, in), BM_CLICK, 0, 0); }
    // Only the owner's notice of a click.
    void Command(UINT id, HWND in = NULL)
    {
        ::SendMessageA(in ? in : Wnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id, in));
    }
    void SetCheck(UINT id, bool on, HWND in = NULL)
    {
        ::SendMessageA(Item(id, in), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool Checked(UINT id, HWND in = NULL) const { return ::SendMessageA(Item(id, in), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(UINT id, HWND in = NULL) const { return ::IsWindowEnabled(Item(id, in)) != FALSE; }
    bool HasFocus(UINT id, HWND in = NULL) const { return ::GetFocus() == Item(id, in); }
    int CurSel(UINT id, HWND in = NULL) const { return (int)::SendMessageA(Item(id, in), CB_GETCURSEL, 0, 0); }
    void Select(UINT id, int index, HWND in = NULL) { ::SendMessageA(Item(id, in), CB_SETCURSEL, (WPARAM)index, 0); }
    // The code of the list's selected item, -1 with none.
    int Code(UINT id, HWND in = NULL) const { return CFieldBinder::SelectedCode(Item(id, in)); }
    // The item of code chosen as the user chooses it: the owner is told.
    void Choose(UINT id, int code, HWND in = NULL)
    {
        CFieldBinder::SelectByCode(Item(id, in), code);
        ::SendMessageA(in ? in : Wnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)Item(id, in));
    }
    // The page is made visible so focus can land on it.
    void ShowHost()
    {
        ::ShowWindow(host, SW_SHOW);
        testsupport::PumpMessages();
    }
    // The page-edit copy's bytes at a record offset.
    uint8_t* At(uint32_t offset) const { return ConfigBytes(rec) + offset; }
    static std::string Bytes(const void* p, size_t n) { return std::string((const char*)p, n); }
};
