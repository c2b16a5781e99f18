#include <gtest/gtest.h>
#include "layout/LayoutPage.h"
#include "pages/TextPage.h"
#include "tests/layout/LayoutTestIds.h"
#include "tests/support/PageHostWindow.h"
#include <functional>
#include <string>
#include <vector>

// Pages created from their templates under a hidden host; every expected
// rectangle comes from the dialog's own unit mapping, never from pixels.
namespace
{
class CProbePage : public CLayoutPage<CProbePage>
{
public:
    enum { IDD = IDD_LAYOUT_PROBE };
    std::function<void(CProbePage&)> define;
    int ownAttachSeen = 0;
    int ownSizeSeen = 0;

    void DefineLayout()
    {
        if (define)
            define(*this);
    }

    BEGIN_MSG_MAP(CProbePage)
        CHAIN_MSG_MAP(CLayoutPage<CProbePage>)
        MESSAGE_HANDLER(WM_SIZE, OnOwnSize)
        MESSAGE_HANDLER(WMU_PS_ATTACH_PS, OnOwnAttach)
    END_MSG_MAP()

    LRESULT OnOwnSize(UINT, WPARAM, LPARAM, BOOL& handled) { ++ownSizeSeen; handled = FALSE; return 0; }
    LRESULT OnOwnAttach(UINT, WPARAM, LPARAM, BOOL&) { ++ownAttachSeen; return 0; }
};

RECT Dlu(HWND dlg, int x, int y, int cx, int cy)
{
    RECT rc = { x, y, x + cx, y + cy };
    ::MapDialogRect(dlg, &rc);
    return rc;
}

RECT ChildRect(HWND page, int id)
{
    RECT rc;
    ::GetWindowRect(::GetDlgItem(page, id), &rc);
    ::MapWindowPoints(NULL, page, (POINT*)&rc, 2);
    return rc;
}

// Whole rectangles and sizes compared as "left,top,right,bottom" texts.
std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
void ExpectRect(const RECT& want, const RECT& got) { EXPECT_EQ(Text(want), Text(got)); }
RECT Xy(long x, long y) { return RECT{ x, y, 0, 0 }; }

// Sizes the page window so that its client area is cx by cy (no scroll bars
// are needed at or above the design size).
void SizePage(HWND page, int cx, int cy)
{
    ::SetWindowPos(page, NULL, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    testsupport::PumpMessages();
}

class LayoutPageTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    void SetUp() override { host = testsupport::CreatePageHost(); ASSERT_TRUE(host); }
    void TearDown() override { ::DestroyWindow(host); }
};
}

// The view sizes a page to its pane before the size notice the page posted
// itself at creation arrives: the notice must lay out for the size the page
// has then, or a later shrink leaves the text laid out for the large pane.
TEST_F(LayoutPageTest, TextPageFillsALargerPaneAndScrollsInASmallerOne)
{
    CTextPage page("Configuration of the gateway");
    ASSERT_TRUE(page.Create(host));
    char text[64] = "";
    ::GetDlgItemTextA(page, IDC_TEXT_PAGE_TEXT, text, sizeof(text));
    EXPECT_STREQ("Configuration of the gateway", text);
    RECT design = Dlu(page, 0, 0, 102, 50);
    RECT ctl = Dlu(page, 7, 7, 88, 36);
    RECT client;
    ::GetClientRect(page, &client);
    ExpectRect(design, client);

    // Bound on all four sides with the template's margins.
    int W = design.right * 3, H = design.bottom * 2;
    SizePage(page, W, H);
    RECT grown = { ctl.left, ctl.top, W - (design.right - ctl.right), H - (design.bottom - ctl.bottom) };
    ExpectRect(grown, ChildRect(page, IDC_TEXT_PAGE_TEXT));
    ExpectRect(Xy(W, H), Xy(page.m_sizeLast.cx, page.m_sizeLast.cy));

    // Smaller than the design size: scroll bars, the text back at its design place.
    SizePage(page, design.right / 2, design.bottom / 2);
    EXPECT_EQ((DWORD)(WS_VSCROLL | WS_HSCROLL), page.GetStyle() & (WS_VSCROLL | WS_HSCROLL));
    ExpectRect(ctl, ChildRect(page, IDC_TEXT_PAGE_TEXT));

    // Scrolling moves the text with the page.
    page.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    page.SendMessage(WM_HSCROLL, SB_BOTTOM, 0);
    POINT off;
    page.ScrollBase::GetScrollOffset(&off);
    ::GetClientRect(page, &client);
    ExpectRect(Xy(design.right - client.right, design.bottom - client.bottom), Xy(off.x, off.y));
    RECT scrolled = ctl;
    ::OffsetRect(&scrolled, -off.x, -off.y);
    ExpectRect(scrolled, ChildRect(page, IDC_TEXT_PAGE_TEXT));

    // A layout while scrolled places the text at its layout place minus the offset.
    page.ApplyLayout();
    ExpectRect(scrolled, ChildRect(page, IDC_TEXT_PAGE_TEXT));

    // Growing again scrolls back to the origin and fills the pane. The moves
    // do not redraw: the layout must leave the whole grown control to be
    // painted, not only the part the page's erase reaches.
    ::ShowWindow(host, SW_SHOWNA);
    HWND textCtl = ::GetDlgItem(page, IDC_TEXT_PAGE_TEXT);
    ::UpdateWindow(page);
    ::UpdateWindow(textCtl);
    RECT update;
    ASSERT_FALSE(::GetUpdateRect(textCtl, &update, FALSE));
    ::SetWindowPos(page, NULL, 0, 0, W, H, SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetClientRect(textCtl, &client);
    ASSERT_TRUE(::GetUpdateRect(textCtl, &update, FALSE));
    ExpectRect(client, update);
    testsupport::PumpMessages();
    page.ScrollBase::GetScrollOffset(&off);
    ExpectRect(Xy(0, 0), Xy(off.x, off.y));
    ExpectRect(grown, ChildRect(page, IDC_TEXT_PAGE_TEXT));
    page.DestroyWindow();
}

TEST_F(LayoutPageTest, WidthShrunkBackLaysOutOnceMore)
{
    CProbePage page;
    page.define = [](CProbePage& p) {
        p.AttachItemToDialog(IDC_PROBE_EDIT, LE_LEFT);
        p.AttachItemToDialog(IDC_PROBE_EDIT, LE_RIGHT);
    };
    ASSERT_TRUE(page.Create(host));
    RECT design = Dlu(page, 0, 0, 200, 100);
    RECT edit = Dlu(page, 10, 10, 80, 14);
    int extra = design.right / 2;

    SizePage(page, design.right + extra, design.bottom);
    RECT wide = edit;
    wide.right += extra;
    ExpectRect(wide, ChildRect(page, IDC_PROBE_EDIT));

    // Back to the design width: the last width was larger, so it lays out.
    SizePage(page, design.right, design.bottom);
    ExpectRect(edit, ChildRect(page, IDC_PROBE_EDIT));

    // At the design width again: no layout, a control moved by hand stays.
    ::MoveWindow(::GetDlgItem(page, IDC_PROBE_EDIT), 1, 2, 30, 12, FALSE);
    page.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(design.right, design.bottom));
    RECT byHand = { 1, 2, 31, 14 };
    ExpectRect(byHand, ChildRect(page, IDC_PROBE_EDIT));

    // A size message without a width lays nothing out but is remembered.
    page.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, design.bottom * 3));
    ExpectRect(byHand, ChildRect(page, IDC_PROBE_EDIT));
    ExpectRect(Xy(0, design.bottom * 3), Xy(page.m_sizeLast.cx, page.m_sizeLast.cy));
    EXPECT_GT(page.ownSizeSeen, 0);
    page.DestroyWindow();
}

TEST_F(LayoutPageTest, AttachedSheetKeepsItsDistancesAndStaysInTheTemplate)
{
    CProbePage page;
    page.define = [](CProbePage& p) {
        for (int edge : { LE_LEFT, LE_RIGHT, LE_TOP, LE_BOTTOM })
            p.AttachItemToDialog(IDC_PROBE_EDIT, edge);
    };
    ASSERT_TRUE(page.Create(host));
    EXPECT_EQ(0, page.SendMessage(WMU_PS_ATTACH_PS, (WPARAM)page.GetDlgItem(IDC_PROBE_BUTTON),
                                  (LPARAM)page.GetDlgItem(IDC_PROBE_EDIT)));
    EXPECT_EQ(0, page.ownAttachSeen);

    RECT b0 = ChildRect(page, IDC_PROBE_BUTTON);
    RECT e0 = ChildRect(page, IDC_PROBE_EDIT);
    RECT design = Dlu(page, 0, 0, 200, 100);
    SizePage(page, design.right + 40, design.bottom + 30);
    // The edit grows with the page; the sheet keeps its distances to it.
    RECT e1 = ChildRect(page, IDC_PROBE_EDIT), b1 = ChildRect(page, IDC_PROBE_BUTTON);
    ExpectRect(RECT{ e0.left, e0.top, e0.right + 40, e0.bottom + 30 }, e1);
    ExpectRect(RECT{ b0.left + e1.left - e0.left, b0.top, b0.right + 40, b0.bottom + 30 }, b1);
    page.DestroyWindow();
}
