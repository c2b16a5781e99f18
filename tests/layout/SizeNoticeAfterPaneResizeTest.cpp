#include <gtest/gtest.h>
#include "layout/LayoutPage.h"
#include "pages/TextPage.h"
#include "tests/support/PageHostWindow.h"

// A page posts itself a size notice during its initialisation, and the view
// sizes the page to its pane before that notice arrives. The notice must
// carry the size the page has when it arrives: a size taken at posting time
// would tell the layout that the page went back to its design size, and a
// later shrink of the pane would then leave the text laid out for the large
// pane, reaching past the page.
namespace
{
RECT Dlu(HWND dlg, int x, int y, int cx, int cy)
{
    RECT rc = { x, y, x + cx, y + cy };
    ::MapDialogRect(dlg, &rc);
    return rc;
}

RECT TextRect(HWND page)
{
    RECT rc;
    ::GetWindowRect(::GetDlgItem(page, IDC_TEXT_PAGE_TEXT), &rc);
    ::MapWindowPoints(NULL, page, (POINT*)&rc, 2);
    return rc;
}

void Resize(HWND page, int cx, int cy)
{
    ::SetWindowPos(page, NULL, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}
}

TEST(SizeNoticeAfterPaneResizeTest, APaneShrunkAfterTheFirstLayoutPutsTheTextBack)
{
    HWND host = testsupport::CreatePageHost();
    ASSERT_TRUE(host);
    CTextPage page("Root");
    ASSERT_TRUE(page.Create(host));
    const RECT design = Dlu(page, 0, 0, 102, 50);
    const RECT ctl = Dlu(page, 7, 7, 88, 36);

    // Put in a larger pane before the notice posted at creation arrives.
    const int W = design.right * 3, H = design.bottom * 2;
    Resize(page, W, H);
    testsupport::PumpMessages();
    RECT grown = TextRect(page);
    EXPECT_EQ(W - (design.right - ctl.right), grown.right);
    EXPECT_EQ(H - (design.bottom - ctl.bottom), grown.bottom);
    EXPECT_EQ(W, page.m_sizeLast.cx);
    EXPECT_EQ(H, page.m_sizeLast.cy);

    // The pane shrinks below the design size: the text returns to its design
    // place and the page scrolls.
    Resize(page, design.right / 2, design.bottom / 2);
    testsupport::PumpMessages();
    RECT back = TextRect(page);
    EXPECT_EQ(ctl.left, back.left);
    EXPECT_EQ(ctl.top, back.top);
    EXPECT_EQ(ctl.right, back.right);
    EXPECT_EQ(ctl.bottom, back.bottom);
    EXPECT_TRUE(page.GetStyle() & WS_VSCROLL);

    page.DestroyWindow();
    ::DestroyWindow(host);
}
