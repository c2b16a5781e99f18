#include "tests/support/PageFixture.h"
#include "pages/AnalogCardPage.h"
#include "pages/CardSlotsPage.h"
#include "pages/GroupPages.h"
#include "pages/GsmCardPage.h"
#include "pages/VoipCardPage.h"
#include <algorithm>
#include <sstream>

// The card slot, card and group pages and every tab they hold, as a user
// sees them with the English texts at their design size: each control
// inside its page (a tab's inside the tab control's display area), inside the
// group box it stands in, clear of its neighbours, and wide enough for its
// text and for the longest entry of its list.
namespace
{
struct Control
{
    HWND hwnd;
    int id;
    std::string cls;
    LONG style;
    RECT rc; // screen coordinates
};

std::string Name(const Control& c)
{
    char text[128] = "";
    ::GetWindowTextA(c.hwnd, text, sizeof(text));
    std::ostringstream s;
    s << c.cls << " " << c.id << " \"" << text << "\"";
    return s.str();
}

bool Inside(const RECT& in, const RECT& outer)
{
    return in.left >= outer.left && in.top >= outer.top && in.right <= outer.right && in.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT both;
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

bool IsGroupBox(const Control& c)
{
    return c.cls == "Button" && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
}

// The controls of a page or tab dialog; the tab dialogs a page holds are
// checked on their own.
std::vector<Control> ControlsOf(HWND dlg)
{
    std::vector<Control> all;
    for (HWND h = ::GetWindow(dlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        char cls[64] = "";
        ::GetClassNameA(h, cls, sizeof(cls));
        if (!strcmp(cls, "#32770"))
            continue;
        Control c = { h, ::GetDlgCtrlID(h), cls, ::GetWindowLongA(h, GWL_STYLE), {} };
        ::GetWindowRect(h, &c.rc);
        all.push_back(c);
    }
    return all;
}

// The widest line of a text in the control's font, in pixels.
int TextWidth(HWND h, const std::string& text)
{
    HDC dc = ::GetDC(h);
    HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageA(h, WM_GETFONT, 0, 0));
    int widest = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
    {
        SIZE size = {};
        ::GetTextExtentPoint32A(dc, line.c_str(), (int)line.size(), &size);
        widest = std::max(widest, (int)size.cx);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(h, dc);
    return widest;
}

// What the control needs beside its text: the box of a check box or radio
// button, the frame of a button, the arrow of a list.
int Room(const Control& c)
{
    const int box = ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
    if (c.cls == "Button")
    {
        switch (c.style & BS_TYPEMASK)
        {
        case BS_GROUPBOX: return 16;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return (c.style & BS_PUSHLIKE) ? 8 : box;
        default: return 8;
        }
    }
    if (c.cls == "ComboBox")
        return ::GetSystemMetrics(SM_CXVSCROLL) + 8;
    return 0;
}

// The longest text the control shows: its own text, or its longest entry.
// A multi-line label (the member lists) wraps by design and is left out.
std::string LongestText(const Control& c)
{
    char text[512] = "";
    if (c.cls == "ComboBox")
    {
        std::string longest;
        int count = (int)::SendMessageA(c.hwnd, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
            if (::SendMessageA(c.hwnd, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof(text))
            {
                ::SendMessageA(c.hwnd, CB_GETLBTEXT, i, (LPARAM)text);
                if (TextWidth(c.hwnd, text) > TextWidth(c.hwnd, longest))
                    longest = text;
            }
        return longest;
    }
    if (c.cls != "Static" && c.cls != "Button")
        return "";
    ::GetWindowTextA(c.hwnd, text, sizeof(text));
    if (c.cls == "Static")
    {
        TEXTMETRICA tm = {};
        HDC dc = ::GetDC(c.hwnd);
        HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageA(c.hwnd, WM_GETFONT, 0, 0));
        ::GetTextMetricsA(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(c.hwnd, dc);
        if (c.rc.bottom - c.rc.top >= 2 * tm.tmHeight)
            return "";
    }
    return text;
}

// Every fault of the dialog's controls against the area they must keep to.
std::vector<std::string> LayoutFaults(HWND dlg, const RECT& area)
{
    std::vector<std::string> faults;
    std::vector<Control> all = ControlsOf(dlg);
    for (const Control& c : all)
    {
        if (!Inside(c.rc, area))
            faults.push_back(Name(c) + " leaves its page");
        std::string text = LongestText(c);
        if (!text.empty() && TextWidth(c.hwnd, text) + Room(c) > c.rc.right - c.rc.left)
            faults.push_back(Name(c) + " cuts \"" + text + "\"");
    }
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
        {
            const Control& a = all[i];
            const Control& b = all[j];
            if (!Overlap(a.rc, b.rc))
                continue;
            if (IsGroupBox(a) && IsGroupBox(b))
                faults.push_back(Name(a) + " overlaps " + Name(b));
            else if (IsGroupBox(a) || IsGroupBox(b))
            {
                const Control& box = IsGroupBox(a) ? a : b;
                const Control& inner = IsGroupBox(a) ? b : a;
                if (!Inside(inner.rc, box.rc))
                    faults.push_back(Name(box) + " cuts " + Name(inner));
            }
            else
                faults.push_back(Name(a) + " overlaps " + Name(b));
        }
    return faults;
}

std::string Lines(const std::vector<std::string>& faults)
{
    std::string all;
    for (const std::string& f : faults)
        all += f + "\n";
    return all;
}

class CardPagesLayoutTest : public PageFixture
{
protected:
    void SetUp() override
    {
        PageFixture::SetUp();
        rec->cardSlots[0].cardType = CARD_GSM;
        rec->cardSlots[1].cardType = CARD_ANALOG_SUBSCRIBER;
        rec->cardSlots[2].cardType = CARD_ANALOG_TRUNK;
        rec->cardSlots[3].cardType = CARD_VOIP;
        for (uint8_t g = 0; g < 4; ++g) // one group of each kind, each way
            rec->moduleGroups[4 * g] = { g, g, 0xFF, 0xFF };
    }
    RECT PageArea() const
    {
        RECT rc;
        ::GetWindowRect(Wnd(), &rc);
        return rc;
    }
    // The page's own controls inside the page.
    void ExpectPageFits(const char* what)
    {
        EXPECT_EQ("", Lines(LayoutFaults(Wnd(), PageArea()))) << what;
    }
    // Shows every tab of the page's tab control in turn, as a click on it
    // does, and holds each tab dialog to the control's display area.
    void ExpectEveryTabFits(CTabPageHost& tabs, const char* what)
    {
        for (int i = 0; i < tabs.GetTabCount(); ++i)
        {
            ::SendMessageA(tabs.m_hWnd, TCM_SETCURSEL, i, 0);
            NMHDR nmh = { tabs.m_hWnd, IDC_CARD_TABS, (UINT)TCN_SELCHANGE };
            ::SendMessageA(Wnd(), WM_NOTIFY, IDC_CARD_TABS, (LPARAM)&nmh);
            HWND tab = tabs.GetPage(i);
            ASSERT_TRUE(tab != NULL) << what << " tab " << i;
            RECT display = tabs.GetDisplayRect();
            ::MapWindowPoints(tabs.m_hWnd, NULL, (POINT*)&display, 2);
            EXPECT_EQ("", Lines(LayoutFaults(tab, display))) << what << " tab " << i;
        }
    }
};

TEST_F(CardPagesLayoutTest, CardSlotsPage)
{
    Open<CCardsSelectPage>();
    ExpectPageFits("card slots");
}

TEST_F(CardPagesLayoutTest, GsmCardPageAndItsModuleTabs)
{
    CGsmCardPage& card = Open<CGsmCardPage>(0);
    ExpectPageFits("GSM card");
    ExpectEveryTabFits(card.Tabs(), "GSM card");
}

TEST_F(CardPagesLayoutTest, GsmApplyDialog)
{
    CGsmModuleApplyDlg dlg(0, rec, 0xFFFFFFFF);
    ASSERT_TRUE(dlg.Create(host) != NULL);
    RECT client;
    ::GetClientRect(dlg.m_hWnd, &client);
    ::MapWindowPoints(dlg.m_hWnd, NULL, (POINT*)&client, 2);
    EXPECT_EQ("", Lines(LayoutFaults(dlg.m_hWnd, client)));
    ::DestroyWindow(dlg.m_hWnd);
}

TEST_F(CardPagesLayoutTest, VoipCardPage)
{
    Open<CVoipCardPage>(3);
    ExpectPageFits("VoIP card");
}

TEST_F(CardPagesLayoutTest, AnalogCardPageAndItsLineTabs)
{
    CAnalogCardPage& card = Open<CAnalogCardPage>(4);
    ExpectPageFits("analog card");
    ExpectEveryTabFits(card.Tabs(), "analog card");
}

TEST_F(CardPagesLayoutTest, IncomingGroupsPageAndATabOfEachKind)
{
    CInGroupsPage& groups = Open<CInGroupsPage>();
    ASSERT_EQ(4, groups.Tabs().GetTabCount()) << "GSM, subscriber, trunk and VoIP groups";
    ExpectPageFits("incoming groups");
    ExpectEveryTabFits(groups.Tabs(), "incoming groups");
}

TEST_F(CardPagesLayoutTest, OutgoingGroupsPageAndATabOfEachKind)
{
    COutGroupsPage& groups = Open<COutGroupsPage>();
    ASSERT_EQ(4, groups.Tabs().GetTabCount()) << "GSM, subscriber, trunk and VoIP groups";
    ExpectPageFits("outgoing groups");
    ExpectEveryTabFits(groups.Tabs(), "outgoing groups");
}
}
