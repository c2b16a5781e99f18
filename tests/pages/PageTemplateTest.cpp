#include "tests/support/PageFixture.h"
#include "pages/AnalogCardPage.h"
#include "pages/AnalogPages.h"
#include "pages/CardSlotsPage.h"
#include "pages/ClipPages.h"
#include "pages/DiagCardsPage.h"
#include "pages/DiagGraphPages.h"
#include "pages/DiagGsmCreditsPage.h"
#include "pages/DiagIsdnPages.h"
#include "pages/DiagVoipPage.h"
#include "pages/GroupPages.h"
#include "pages/GsmCardPage.h"
#include "pages/GsmCellSelectPage.h"
#include "pages/IsdnLinesPage.h"
#include "pages/IsdnPages.h"
#include "pages/LcrRoutingPage.h"
#include "pages/MobilityPages.h"
#include "pages/SipAccountPages.h"
#include "pages/SipCommonPage.h"
#include "pages/SystemPages.h"
#include "pages/SystemServicePages.h"
#include "pages/TextPage.h"
#include "pages/VoipCardPage.h"
#include "base/Language.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <algorithm>
#include <commctrl.h>
#include <sstream>
#include <string>
#include <vector>

// How the pages are laid out. First the dialog templates the program loads
// for its pages, read as the dialog manager reads them: a page's template
// size is its scroll extent, so a page wider than the view needs a horizontal
// scroll bar, and a control outside its template can never be scrolled to.
// Then the card slot, card and group pages and every tab they hold, open as a
// user sees them, held to the same rules with what they fill in at run time.
namespace
{
// A control's place, in dialog units or in pixels, for the one rule both
// kinds of check hold controls to.
struct Box
{
    std::string name;
    RECT rc;
    bool groupBox;
};

// The controls that cover each other or straddle a group box's frame, as
// "a/b" pairs: only a control wholly inside a group box may share its place,
// below its top edge unless onTopEdge allows a control there (a check box
// standing for the box's title).
std::string InEachOthersWay(const std::vector<Box>& boxes, bool onTopEdge = false)
{
    std::string out;
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j)
        {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            RECT common;
            if (!::IntersectRect(&common, &a.rc, &b.rc))
                continue;
            bool fits = false;
            if (a.groupBox != b.groupBox)
            {
                const RECT& box = a.groupBox ? a.rc : b.rc;
                const RECT& inner = a.groupBox ? b.rc : a.rc;
                fits = ::EqualRect(&common, &inner) && (onTopEdge || inner.top > box.top);
            }
            if (!fits)
                out += " " + a.name + "/" + b.name;
        }
    return out;
}

struct TemplateItem
{
    int id;
    DWORD style;
    short x, y, cx, cy;
    WORD classAtom; // 0 when the class is given by name
};

struct DialogTemplate
{
    bool found = false;
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    std::vector<TemplateItem> items;
};

const WORD* SkipSzOrOrd(const WORD* p, WORD* atom = nullptr)
{
    if (atom)
        *atom = 0;
    if (*p == 0xFFFF)
    {
        if (atom)
            *atom = p[1];
        return p + 2;
    }
    while (*p)
        ++p;
    return p + 1;
}

const WORD* AlignDword(const WORD* p)
{
    return (const WORD*)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
}

// The extended template of dialog id as linked into this program.
DialogTemplate LoadTemplate(int id)
{
    DialogTemplate t;
    HMODULE module = ::GetModuleHandle(NULL);
    HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    const BYTE* data = res ? (const BYTE*)::LockResource(::LoadResource(module, res)) : nullptr;
    if (!data)
        return t;
    const WORD* w = (const WORD*)data;
    if (w[0] != 1 || w[1] != 0xFFFF) // not DLGTEMPLATEEX
        return t;
    t.found = true;
    memcpy(&t.exStyle, data + 8, 4);
    memcpy(&t.style, data + 12, 4);
    WORD count;
    memcpy(&count, data + 16, 2);
    memcpy(&t.cx, data + 22, 2);
    memcpy(&t.cy, data + 24, 2);
    const WORD* p = (const WORD*)(data + 26);
    p = SkipSzOrOrd(p); // menu
    p = SkipSzOrOrd(p); // class
    p = SkipSzOrOrd(p); // title
    if (t.style & DS_SETFONT)
    {
        p += 3; // point size, weight, italic and character set
        p = SkipSzOrOrd(p);
    }
    for (WORD i = 0; i < count; ++i)
    {
        p = AlignDword(p);
        const BYTE* item = (const BYTE*)p;
        TemplateItem it;
        memcpy(&it.style, item + 8, 4);
        memcpy(&it.x, item + 12, 2);
        memcpy(&it.y, item + 14, 2);
        memcpy(&it.cx, item + 16, 2);
        memcpy(&it.cy, item + 18, 2);
        DWORD itemId;
        memcpy(&itemId, item + 20, 4);
        it.id = (int)(LONG)itemId;
        p = SkipSzOrOrd((const WORD*)(item + 24), &it.classAtom);
        p = SkipSzOrOrd(p); // title
        WORD extra = *p++;
        p = (const WORD*)((const BYTE*)p + extra);
        t.items.push_back(it);
    }
    return t;
}

struct PageSize
{
    const char* page;
    int dialog;
    short cx, cy;
};

// Every page class, its template and its design size in dialog units.
const PageSize kPages[] = {
    { "text", CTextPage::IDD, 102, 50 },
    { "system general", CSystemGeneralPage::IDD, 310, 258 },
    { "system network", CSystemNetworkPage::IDD, 310, 139 },
    { "system alarm", CSystemAlarmPage::IDD, 310, 298 },
    { "system CDR", CSystemCdrPage::IDD, 310, 107 },
    { "system credit", CSystemCreditPage::IDD, 310, 126 },
    { "system SMS", CSystemSmsPage::IDD, 310, 222 },
    { "system HTTP", CSystemHttpPage::IDD, 310, 211 },
    { "ISDN common", CIsdnCommonPage::IDD, 300, 326 },
    { "ISDN lines", CIsdnLinesPage::IDD, 310, 610 },
    { "ISDN synchronisation", CIsdnSynchroPage::IDD, 310, 64 },
    { "analog FXS", CAnalogFxsPage::IDD, 300, 70 },
    { "analog FXO", CAnalogFxoPage::IDD, 300, 278 },
    { "card slots", CCardsSelectPage::IDD, 372, 142 },
    { "GSM card", CGsmCardPage::IDD, 424, 615 },
    { "VoIP card", CVoipCardPage::IDD, 424, 361 },
    { "analog card", CAnalogCardPage::IDD, 424, 168 },
    { "incoming groups", CInGroupsPage::IDD, 342, 366 },
    { "outgoing groups", COutGroupsPage::IDD, 310, 165 },
    { "GSM cell selection", CGsmCellSelectPage::IDD, 310, 239 },
    { "SIP common", CVoipCommonPage::IDD, 300, 258 },
    { "SIP users", CVoipUsersPage::IDD, 424, 243 },
    { "SIP trunks", CVoipTrunksPage::IDD, 424, 137 },
    { "LCR CLIP", CLcrClipTabPage::IDD, 310, 243 },
    { "LCR routing", CLcrRoutingPage::IDD, 424, 225 },
    { "CLIP from GSM", CClipGsmPage::IDD, 310, 243 },
    { "mobility extension", CMobilityExtPage::IDD, 424, 243 },
    { "working hours", CWorkingHoursPage::IDD, 310, 357 },
    { "diagnostics ISDN lines", CDiagIsdnLinesPage::IDD, 348, 157 },
    { "diagnostics ISDN credit", CDiagIsdnCreditPage::IDD, 348, 88 },
    { "diagnostics cards", CDiagCardsPage::IDD, 494, 490 },
    { "diagnostics GSM credits", CDiagGsmCreditsPage::IDD, 494, 490 },
    { "diagnostics GSM usage", CDiagGsmUsagePage::IDD, 460, 264 },
    { "diagnostics GSM statistics", CDiagGsmStatisticsPage::IDD, 460, 264 },
    { "diagnostics VoIP", CDiagVoipPage::IDD, 494, 224 },
};

const WORD kButtonAtom = 0x0080;
const WORD kComboBoxAtom = 0x0085;
// What a closed drop-down list takes of its template height.
const short kClosedComboHeight = 14;

RECT Area(const TemplateItem& it)
{
    short cy = it.classAtom == kComboBoxAtom && it.cy > kClosedComboHeight ? kClosedComboHeight : it.cy;
    return RECT{ it.x, it.y, it.x + it.cx, it.y + cy };
}

bool IsGroupBox(const TemplateItem& it)
{
    return it.classAtom == kButtonAtom && (it.style & BS_TYPEMASK) == BS_GROUPBOX;
}

std::string Name(const TemplateItem& it)
{
    return std::to_string(it.id) + "@" + std::to_string(it.x) + "," + std::to_string(it.y);
}

// The controls of t that reach outside the template, as "id@x,y" texts.
std::string ControlsOutside(const DialogTemplate& t)
{
    std::string out;
    for (const TemplateItem& it : t.items)
    {
        RECT a = Area(it);
        if (a.left < 0 || a.top < 0 || a.right > t.cx || a.bottom > t.cy)
            out += " " + Name(it);
    }
    return out;
}

// The shown controls of t that cover each other or straddle a group box's
// frame, as "id@x,y/id@x,y" pairs.
std::string ControlsInEachOthersWay(const DialogTemplate& t)
{
    std::vector<Box> shown;
    for (const TemplateItem& it : t.items)
        if (it.style & WS_VISIBLE)
            shown.push_back({ Name(it), Area(it), IsGroupBox(it) });
    return InEachOthersWay(shown);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// Whether the text of a label, a check box, a radio button, a push button or
// a group box is drawn in full in its control with the control's font.
bool ShowsWholeText(HWND control)
{
    char cls[32] = "", text[512] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    ::GetWindowTextA(control, text, sizeof(text));
    if (!text[0])
        return true;
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    RECT client;
    ::GetClientRect(control, &client);
    int room = client.right, rows = client.bottom;
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (!lstrcmpiA(cls, "Static"))
    {
        const LONG kind = style & SS_TYPEMASK;
        if (kind > SS_RIGHT && kind != SS_LEFTNOWORDWRAP)
            return true; // icons, frames and owner-drawn statics show no text
        if (kind != SS_LEFTNOWORDWRAP)
            format = DT_CALCRECT | DT_WORDBREAK;
        if (style & SS_NOPREFIX)
            format |= DT_NOPREFIX;
    }
    else if (!lstrcmpiA(cls, "Button"))
    {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX)
            room -= 2 * ::GetSystemMetrics(SM_CXEDGE) + 8; // the frame's corner and the gaps beside the title
        else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                 kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE)
            room -= ::GetSystemMetrics(SM_CXMENUCHECK) + 4; // the box and the gap after it
        else
            room -= 6; // the button's edges
        if (style & BS_MULTILINE)
            format = DT_CALCRECT | DT_WORDBREAK;
    }
    else
        return true;
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageA(control, WM_GETFONT, 0, 0));
    RECT need = { 0, 0, room, 0 };
    ::DrawTextA(dc, text, -1, &need, format);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return need.right <= room && need.bottom <= rows;
}

// The texts of dialog's controls that are cut, as "id 'text'" entries.
std::string CutTexts(HWND dialog)
{
    std::string out;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (!ShowsWholeText(c))
        {
            char text[512] = "";
            ::GetWindowTextA(c, text, sizeof(text));
            out += " " + std::to_string(::GetDlgCtrlID(c)) + " '" + text + "'";
        }
    return out;
}
}

TEST(PageTemplateTest, EveryPageTemplateHasItsDesignSizeAndHoldsItsControls)
{
    ASSERT_EQ(35u, sizeof(kPages) / sizeof(kPages[0]));
    for (const PageSize& p : kPages)
    {
        SCOPED_TRACE(std::string(p.page) + " (dialog " + std::to_string(p.dialog) + ")");
        DialogTemplate t = LoadTemplate(p.dialog);
        ASSERT_TRUE(t.found);
        EXPECT_EQ(std::to_string(p.cx) + " x " + std::to_string(p.cy),
                  std::to_string(t.cx) + " x " + std::to_string(t.cy));
        EXPECT_EQ("", ControlsOutside(t));
        EXPECT_EQ("", ControlsInEachOthersWay(t));
    }
}

// The graph pages' template is a plain visible child with its font: neither
// a nested dialog control nor one that clips its children.
TEST(PageTemplateTest, GraphPageTemplateHasItsOwnStyle)
{
    DialogTemplate t = LoadTemplate(CDiagGsmUsagePage::IDD);
    ASSERT_TRUE(t.found);
    EXPECT_EQ(0x54000040u, t.style);
    EXPECT_EQ((DWORD)WS_EX_CONTROLPARENT, t.exStyle);
}

// A tab's dialog is laid over its tab control's display area and cut to it:
// every control of the tab must lie inside that area.
TEST(PageTemplateTest, TabDialogsFitTheTabControlsOfTheirPages)
{
    struct TabFit
    {
        int page, tabControl, tab;
    };
    const TabFit fits[] = {
        { IDD_ISDN_LINES, IDC_ISDNLINES_TABS, IDD_ISDN_LINK_TAB },
        { IDD_LCR_ROUTING, IDC_LCR_ROUTING_TABS, IDD_LCR_ROUTING_TAB },
    };
    HWND host = testsupport::CreatePageHost();
    for (const TabFit& f : fits)
    {
        SCOPED_TRACE("dialog " + std::to_string(f.tab) + " in " + std::to_string(f.page));
        HWND page = ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(f.page), host, PlainDialogProc, 0);
        ASSERT_TRUE(page != NULL);
        HWND tabs = ::GetDlgItem(page, f.tabControl);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>("Tab");
        ::SendMessageA(tabs, TCM_INSERTITEMA, 0, (LPARAM)&item);
        RECT area;
        ::GetClientRect(tabs, &area);
        ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, (LPARAM)&area);

        // The tab's controls in pixels of its own dialog units.
        HWND tab = ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(f.tab), host, PlainDialogProc, 0);
        ASSERT_TRUE(tab != NULL);
        DialogTemplate t = LoadTemplate(f.tab);
        RECT limit = { 0, 0, area.right - area.left, area.bottom - area.top };
        std::string outside;
        for (const TemplateItem& it : t.items)
        {
            RECT rc = Area(it);
            ::MapDialogRect(tab, &rc);
            if (rc.right > limit.right || rc.bottom > limit.bottom)
                outside += " " + std::to_string(it.id);
        }
        EXPECT_EQ("", outside);
        EXPECT_EQ("", ControlsInEachOthersWay(t));
        ::DestroyWindow(tab);
        ::DestroyWindow(page);
    }
    ::DestroyWindow(host);
}

// In English every label, box and button text of a page reads in full, and
// of the tabs and dialogs whose labels give a range.
TEST(PageTemplateTest, EveryTextOfAPageTemplateReadsInFullInEnglish)
{
    ASSERT_TRUE(SelectShippedLanguage());
    std::vector<int> dialogs;
    for (const PageSize& p : kPages)
        dialogs.push_back(p.dialog);
    const int tabs[] = { IDD_ISDN_LINK_TAB,    IDD_LCR_ROUTING_TAB, IDD_IN_GROUP_GSM,        IDD_IN_GROUP_FXS,
                         IDD_IN_GROUP_FXO,     IDD_VOIP_USER,       IDD_VOIP_TRUNK,          IDD_VOIP_TRUNK_ADVANCED,
                         IDD_VOIP_VOICE_ADVANCED };
    dialogs.insert(dialogs.end(), std::begin(tabs), std::end(tabs));
    HWND host = testsupport::CreatePageHost();
    for (int dialog : dialogs)
    {
        SCOPED_TRACE("dialog " + std::to_string(dialog));
        HWND page = ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(dialog), host, PlainDialogProc, 0);
        ASSERT_TRUE(page != NULL);
        g_Language.TranslateWindow(page, true);
        EXPECT_EQ("", CutTexts(page));
        g_Language.ReleaseWindowKeys(page);
        ::DestroyWindow(page);
    }
    ::DestroyWindow(host);
}

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

// Every fault of the dialog's controls: outside the area they must keep to,
// a text cut, or in each other's way.
std::string LayoutFaults(HWND dlg, const RECT& area)
{
    std::string faults;
    std::vector<Box> boxes;
    for (const Control& c : ControlsOf(dlg))
    {
        if (!Inside(c.rc, area))
            faults += "\n" + Name(c) + " leaves its page";
        std::string text = LongestText(c);
        if (!text.empty() && TextWidth(c.hwnd, text) + Room(c) > c.rc.right - c.rc.left)
            faults += "\n" + Name(c) + " cuts \"" + text + "\"";
        boxes.push_back({ Name(c), c.rc, IsGroupBox(c) });
    }
    return faults + InEachOthersWay(boxes, true);
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
        EXPECT_EQ("", LayoutFaults(Wnd(), PageArea())) << what;
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
            EXPECT_EQ("", LayoutFaults(tab, display)) << what << " tab " << i;
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
    EXPECT_EQ("", LayoutFaults(dlg.m_hWnd, client));
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
