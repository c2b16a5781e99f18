#include <gtest/gtest.h>
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
#include <commctrl.h>
#include <string>
#include <vector>

// The dialog templates the program loads for its pages, read as the dialog
// manager reads them: a page's template size is its scroll extent, so a page
// wider than the view needs a horizontal scroll bar, and a control outside
// its template can never be scrolled to.
namespace
{
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
    std::string out;
    for (size_t i = 0; i < t.items.size(); ++i)
        for (size_t j = i + 1; j < t.items.size(); ++j)
        {
            const TemplateItem& a = t.items[i];
            const TemplateItem& b = t.items[j];
            if (!(a.style & WS_VISIBLE) || !(b.style & WS_VISIBLE))
                continue;
            RECT ra = Area(a), rb = Area(b), common;
            if (!::IntersectRect(&common, &ra, &rb))
                continue;
            bool fits = false;
            if (IsGroupBox(a) != IsGroupBox(b))
            {
                const RECT& box = IsGroupBox(a) ? ra : rb;
                const RECT& inner = IsGroupBox(a) ? rb : ra;
                fits = ::EqualRect(&common, &inner) && inner.top > box.top;
            }
            if (!fits)
                out += " " + Name(a) + "/" + Name(b);
        }
    return out;
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

// In English every label, box and button text of a page reads in full.
TEST(PageTemplateTest, EveryTextOfAPageTemplateReadsInFullInEnglish)
{
    ASSERT_TRUE(SelectShippedLanguage());
    std::vector<int> dialogs;
    for (const PageSize& p : kPages)
        dialogs.push_back(p.dialog);
    const int tabs[] = { IDD_ISDN_LINK_TAB, IDD_LCR_ROUTING_TAB };
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
