#include <gtest/gtest.h>
#include "wcl/Splitter.h"
#include "wcl/ScrollImpl.h"
#include "wcl/UpdateUI.h"
#include <tuple>
#include <vector>

// What the splitter, the scrolling support and the update-UI states leave
// on screen: pane and child positions, scroll ranges, menu item states.
namespace
{
class CTestSplitter : public CSplitterWindowImpl<CTestSplitter>
{
public:
    DECLARE_WND_CLASS("WclTestSplitter")
    BEGIN_MSG_MAP(CTestSplitter)
        CHAIN_MSG_MAP(CSplitterWindowImpl<CTestSplitter>)
    END_MSG_MAP()
};

class CTestScrolled : public CWindowImpl<CTestScrolled>, public CScrollImpl<CTestScrolled>
{
public:
    DECLARE_WND_CLASS("WclTestScrolled")
    BEGIN_MSG_MAP(CTestScrolled)
        CHAIN_MSG_MAP(CScrollImpl<CTestScrolled>)
    END_MSG_MAP()
};

// A child's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND child)
{
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(NULL, ::GetParent(child), (POINT*)&rc, 2);
    return rc;
}

HWND MakeChild(HWND parent)
{
    return ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, NULL, NULL, NULL);
}
}

// The bar goes where it is dragged, but no nearer to either side than the
// smallest pane width; the panes fill the rest beside it.
TEST(Splitter, BarStopsWhereEachPaneKeepsItsMinimum)
{
    CTestSplitter splitter;
    const RECT rc = { 0, 0, 400, 300 };
    ASSERT_TRUE(splitter.Create(NULL, &rc, "split", WS_POPUP));
    RECT client;
    ::GetClientRect(splitter.m_hWnd, &client);
    ASSERT_EQ(400, client.right);
    splitter.m_cxyMin = 50;
    splitter.SetSplitterPane(CTestSplitter::SPLIT_PANE_LEFT, MakeChild(splitter.m_hWnd), false);
    splitter.SetSplitterPane(CTestSplitter::SPLIT_PANE_RIGHT, MakeChild(splitter.m_hWnd));
    for (const auto& [asked, bar] : std::vector<std::pair<int, int>>{ { 150, 150 }, { 1000, 346 }, { 10, 50 } })
    {
        splitter.SetSplitterPos(asked);
        EXPECT_EQ(bar, splitter.GetSplitterPos()) << asked;
        RECT left = PlaceOf(splitter.GetSplitterPane(CTestSplitter::SPLIT_PANE_LEFT));
        RECT right = PlaceOf(splitter.GetSplitterPane(CTestSplitter::SPLIT_PANE_RIGHT));
        EXPECT_EQ(bar, left.right - left.left) << asked;
        EXPECT_EQ(bar + splitter.m_cxySplitBar, right.left) << asked;
        EXPECT_EQ(400, right.right) << asked;
        EXPECT_EQ(300, right.bottom - right.top) << asked;
    }
    ::DestroyWindow(splitter.m_hWnd);
}

// The scroll ranges end at the extent's last pixel, and scrolling to the end
// shows the extent's last pixel at the client area's edge.
TEST(ScrollImpl, RangesEndAtTheExtentAndTheEndShowsItsLastPixel)
{
    CTestScrolled window;
    const RECT rc = { 0, 0, 200, 150 };
    ASSERT_TRUE(window.Create(NULL, &rc, "scroll", WS_POPUP | WS_HSCROLL | WS_VSCROLL));
    HWND child = MakeChild(window.m_hWnd);
    window.SetScrollSize(500, 400);
    RECT client;
    ::GetClientRect(window.m_hWnd, &client);
    for (const auto& [bar, extent, page] : std::vector<std::tuple<int, int, int>>{
             { SB_HORZ, 500, (int)client.right }, { SB_VERT, 400, (int)client.bottom } })
    {
        SCROLLINFO si = { sizeof(si), SIF_RANGE | SIF_PAGE };
        ASSERT_TRUE(::GetScrollInfo(window.m_hWnd, bar, &si));
        EXPECT_EQ(0, si.nMin) << bar;
        EXPECT_EQ(extent - 1, si.nMax) << bar;
        EXPECT_EQ(page, (int)si.nPage) << bar;
    }
    window.SetScrollOffset(10000, 10000);
    POINT offset;
    window.GetScrollOffset(&offset);
    EXPECT_EQ(500 - client.right, offset.x);
    EXPECT_EQ(400 - client.bottom, offset.y);
    RECT place = PlaceOf(child);
    EXPECT_EQ(-offset.x, place.left);
    EXPECT_EQ(-offset.y, place.top);
    ::DestroyWindow(window.m_hWnd);
}

// A disabled command's menu item is greyed and a checked one checked; a
// menu made anew takes every state only when it is written whole.
TEST(UpdateUI, MenuShowsTheStatesAndANewMenuTakesThemWhenWrittenWhole)
{
    const UINT kSave = 200, kLog = 201;
    const UpdateUIEntry entries[] = { { kSave, UPDUI_MENUBAR }, { kLog, UPDUI_MENUBAR } };
    auto makeMenu = [&] {
        HMENU menu = ::CreatePopupMenu();
        ::AppendMenuA(menu, MF_STRING, kSave, "&Save");
        ::AppendMenuA(menu, MF_STRING, kLog, "&Log");
        return menu;
    };
    auto greyed = [](HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    auto checked = [](HMENU menu, UINT id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    CUpdateUI ui;
    ui.UIInit(entries, 2);
    ui.UIEnable(kSave, false);
    ui.UISetCheck(kLog, true);
    HMENU menu = makeMenu();
    ui.UIUpdateMenuBar(menu);
    EXPECT_TRUE(greyed(menu, kSave));
    EXPECT_FALSE(greyed(menu, kLog));
    EXPECT_TRUE(checked(menu, kLog));

    HMENU fresh = makeMenu();
    ui.UIUpdateMenuBar(fresh);
    EXPECT_FALSE(greyed(fresh, kSave)) << "nothing changed since the last update";
    ui.UIUpdateMenuBar(fresh, true);
    EXPECT_TRUE(greyed(fresh, kSave));
    EXPECT_TRUE(checked(fresh, kLog));

    ui.UIEnable(kSave, true);
    ui.UIUpdateMenuBar(fresh);
    EXPECT_FALSE(greyed(fresh, kSave));
    ::DestroyMenu(menu);
    ::DestroyMenu(fresh);
}
