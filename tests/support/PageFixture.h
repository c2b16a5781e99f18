#pragma once
#include <gtest/gtest.h>
#include "pages/ConfigPage.h"
#include "pages/ConfigItems.h"
#include "record/ConfigRecord.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/MessageBoxRecorder.h"
#include <memory>
#include <string>

// A page opened on the page-edit copy (a new record unless the test changed
// it first) in a hidden host, with the English texts and every message box
// recorded.
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
    }
    void TearDown() override
    {
        Close();
        ::DestroyWindow(host);
    }

    template <class P>
    P& Open()
    {
        Close();
        P* p = new P(rec);
        page.reset(p);
        p->Create(host);
        testsupport::PumpMessages();
        return *p;
    }
    // The page of tree item id, made by its registry row.
    IConfigPage* OpenItem(int id)
    {
        Close();
        const ConfigItem* item = FindConfigItem(id);
        page.reset(item && item->factory ? item->factory(*item, rec) : nullptr);
        if (page)
            page->Create(host);
        testsupport::PumpMessages();
        return page.get();
    }
    // A page of the test's own keeping, with the arguments after the record.
    template <class P, class... A>
    std::unique_ptr<P> OpenOwned(A... args)
    {
        std::unique_ptr<P> p(new P(rec, args...));
        EXPECT_TRUE(p->Create(host) != NULL);
        testsupport::PumpMessages();
        return p;
    }
    static std::string WindowText(HWND w)
    {
        char text[512] = "";
        ::GetWindowTextA(w, text, sizeof(text));
        return text;
    }
    void Close()
    {
        if (page && ::IsWindow(page->Window().m_hWnd))
            ::DestroyWindow(page->Window().m_hWnd);
        page.reset();
    }

    HWND Item(UINT id) const { return ::GetDlgItem(page->Window().m_hWnd, (int)id); }
    std::string Text(UINT id) const
    {
        char text[512] = "";
        ::GetWindowTextA(Item(id), text, sizeof(text));
        return text;
    }
    void Type(UINT id, const char* text) { ::SetWindowTextA(Item(id), text); }
    void Click(UINT id)
    {
        ::SendMessageA(page->Window().m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id));
    }
    void SetCheck(UINT id, bool on) { ::SendMessageA(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    bool Checked(UINT id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(UINT id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool HasFocus(UINT id) const { return ::GetFocus() == Item(id); }
    // The combo box's selected item text, empty with none.
    std::string Selected(UINT id) const
    {
        int sel = (int)::SendMessageA(Item(id), CB_GETCURSEL, 0, 0);
        char text[256] = "";
        if (sel >= 0 && ::SendMessageA(Item(id), CB_GETLBTEXTLEN, sel, 0) < (LRESULT)sizeof(text))
            ::SendMessageA(Item(id), CB_GETLBTEXT, sel, (LPARAM)text);
        return text;
    }
    void Select(UINT id, int index)
    {
        ::SendMessageA(Item(id), CB_SETCURSEL, (WPARAM)index, 0);
    }
    // The page is made visible so focus can land on it.
    void ShowHost()
    {
        ::ShowWindow(host, SW_SHOW);
        testsupport::PumpMessages();
    }
    // The page-edit copy's bytes at a record offset.
    uint8_t* At(uint32_t offset) const { return ConfigBytes(rec) + offset; }
    std::string Bytes(const void* p, size_t n) const { return std::string((const char*)p, n); }
};
