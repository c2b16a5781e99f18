#include <gtest/gtest.h>
#include "pages/TabPageHost.h"
#include "tests/support/PageHostWindow.h"
#include <prsht.h>
#include <vector>

namespace
{
// The host is hidden, so a page's own visibility is its style bit.
bool Shown(HWND w) { return (::GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; }

// The tab control's parent: reflects the tab's notifications to the host.
class CTabParent : public CWindowImpl<CTabParent>
{
public:
    DECLARE_WND_CLASS("VelTestTabParent")
    BEGIN_MSG_MAP(CTabParent)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
};

// A page that counts what it is told and may refuse to be left.
class CProbePage : public CWindowImpl<CProbePage>
{
public:
    DECLARE_WND_CLASS("VelTestTabPage")
    int killActive = 0, setActive = 0;
    LRESULT refuseLeave = 0;
    LPARAM lastNotifyParam = -1;
    BEGIN_MSG_MAP(CProbePage)
        NOTIFY_CODE_HANDLER(PSN_KILLACTIVE, OnNotify)
        NOTIFY_CODE_HANDLER(PSN_SETACTIVE, OnNotify)
    END_MSG_MAP()
    LRESULT OnNotify(int, LPNMHDR nmh, BOOL&)
    {
        lastNotifyParam = ((PSHNOTIFY*)nmh)->lParam;
        ++(nmh->code == (UINT)PSN_KILLACTIVE ? killActive : setActive);
        return nmh->code == (UINT)PSN_KILLACTIVE ? refuseLeave : 0;
    }
};

// Three tabs whose pages the host makes on first use (the third's factory
// fails), on a hidden host.
class TabPageHostTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    CTabParent parent;
    CTabPageHost tabs;
    CProbePage pages[3];
    std::vector<int> made;

    void SetUp() override
    {
        host = testsupport::CreatePageHost();
        RECT rc = { 0, 0, 400, 300 };
        ASSERT_TRUE(parent.Create(host, &rc, "", WS_CHILD | WS_VISIBLE));
        HWND tab = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 5, 5, 380, 280,
                                     parent, (HMENU)1400, ::GetModuleHandle(NULL), NULL);
        ASSERT_TRUE(tabs.SubclassWindow(tab));
        tabs.SetFactory(TRUE, &Factory, (LPARAM)this);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(tabs.AddPage(NULL, "Tab"));
    }
    void TearDown() override { ::DestroyWindow(host); }

    static HWND Factory(int index, LPARAM param)
    {
        TabPageHostTest* self = (TabPageHostTest*)param;
        self->made.push_back(index);
        RECT rc = { 0, 0, 10, 10 };
        return index == 2 ? NULL : self->pages[index].Create(self->parent, &rc, "", WS_CHILD | WS_VISIBLE);
    }

    // A click on tab i, as the user makes it.
    void ClickTab(int i)
    {
        RECT rc;
        ::SendMessageA(tabs, TCM_GETITEMRECT, i, (LPARAM)&rc);
        LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    }
};
}

TEST_F(TabPageHostTest, FirstTabIsMadeAtOnceOthersOnFirstUseAndARefusingPageKeepsItsTab)
{
    EXPECT_EQ(3, tabs.GetTabCount());
    EXPECT_EQ(0, tabs.GetCurrentIndex());
    EXPECT_EQ(std::vector<int>{ 0 }, made);
    EXPECT_EQ(pages[0].m_hWnd, tabs.GetCurrentPage());
    EXPECT_TRUE(Shown(pages[0]) && ::IsWindowEnabled(pages[0]));

    // Selecting the current tab again calls no factory.
    EXPECT_EQ(0, tabs.SelectTab(0));
    EXPECT_EQ(1u, made.size());

    // A page refusing to be left keeps its tab.
    pages[0].refuseLeave = 1;
    ClickTab(1);
    EXPECT_EQ(0, (int)::SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_TRUE(Shown(pages[0]));
    EXPECT_EQ(1u, made.size());

    pages[0].refuseLeave = 0;
    ClickTab(1);
    EXPECT_EQ(1, tabs.GetCurrentIndex());
    EXPECT_EQ((std::vector<int>{ 0, 1 }), made);
    EXPECT_EQ(2, pages[0].killActive);
    EXPECT_EQ(1, pages[1].setActive);
    EXPECT_EQ(0, pages[0].lastNotifyParam); // a zeroed sheet notification
    EXPECT_FALSE(Shown(pages[0]) || ::IsWindowEnabled(pages[0]));
    EXPECT_TRUE(Shown(pages[1]));
    ClickTab(0);
    EXPECT_EQ(2u, made.size()); // made once
}
