#include "comm/DeviceProtocol.h"
#include <dbt.h>
#include <shellapi.h>
#include <shlobj.h>
#include "tests/app/FrameTestSupport.h"
#include "app/WaitDlg.h"
#include "app/CommunicationDlg.h"
#include "app/AnnouncementDlg.h"
#include "base/TextUtil.h"
#include "comm/Link.h"
#include "res/PagesIds.h"
#include "tests/support/DataTreeItemsOverride.h"
#include "record/ConfigRecord.h"
#include "tests/support/TreeViewProbe.h"
#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace frametest;

namespace
{
std::string MenuText(HMENU menu, UINT id)
{
    char text[256] = "";
    ::GetMenuStringA(menu, id, text, sizeof(text), MF_BYCOMMAND);
    return text;
}

typedef FrameTest MainFrameTest;
}

TEST_F(MainFrameTest, StartsWithTranslatedMenusBarsAndTwoTabs)
{
    g_Settings.CommunicationLog = 1;
    ASSERT_TRUE(OpenFrame());
    PumpFor(0);
    EXPECT_EQ(g_hMainWnd, m_frame.m_hWnd);
    EXPECT_EQ("Velmotrex Configuration", Title());
    // The command bar shows the menu; the window has none of its own.
    EXPECT_EQ(NULL, ::GetMenu(m_frame));
    HMENU menu = m_frame.GetCommandBar().GetMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(6, ::GetMenuItemCount(menu));
    EXPECT_EQ("&New\tCtrl+N", MenuText(menu, ID_FILE_NEW));
    EXPECT_EQ("Upload &without Network Settings", MenuText(menu, ID_FILE_UPLOAD_WITHOUT_NETWORK));
    EXPECT_EQ("&Communication Log", MenuText(menu, ID_SERVICE_COMMUNICATION));
    EXPECT_EQ(6, (int)::SendMessage(m_frame.GetCommandBar().GetHwnd(), TB_BUTTONCOUNT, 0, 0));
    // The menu items of the toolbar's commands show its pictures.
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_BITMAP;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, ID_FILE_DOWNLOAD, FALSE, &item));
    EXPECT_TRUE(item.hbmpItem != NULL);
    EXPECT_EQ(m_frame.GetCommandBar().GetImage(ID_FILE_DOWNLOAD), item.hbmpItem);
    ASSERT_TRUE(::GetMenuItemInfoA(menu, ID_FILE_SAVE_AS, FALSE, &item));
    EXPECT_TRUE(item.hbmpItem == NULL);

    // New, Open, Save | Download, Upload, Upload without network | About.
    EXPECT_EQ(9, (int)::SendMessage(m_frame.GetToolBar(), TB_BUTTONCOUNT, 0, 0));
    EXPECT_EQ(2, m_frame.GetRebar().GetBandCount());
    char pane[128] = "";
    ::SendMessage(m_frame.GetStatusBar(), SB_GETTEXTA, 0, (LPARAM)pane);
    EXPECT_STREQ("USB: no port selected", pane);
    std::string tabs;
    for (int i = 0; i < m_frame.GetTabCount(); ++i)
    {
        char text[64] = "";
        TCITEMA item = { TCIF_TEXT, 0, 0, text, sizeof(text) };
        ::SendMessage(m_frame.GetTabControl(), TCM_GETITEMA, i, (LPARAM)&item);
        tabs += std::string(i ? "|" : "") + text;
    }
    EXPECT_EQ("Configuration|Diagnostics", tabs);
    EXPECT_EQ(CMainFrame::TabConfiguration, m_frame.GetCurrentTabKind());
    // With VEL_SHOT set the window stays a few seconds for a screenshot.
    if (getenv("VEL_SHOT"))
        PumpFor(4000);
    m_frame.DestroyWindow();
    EXPECT_EQ(NULL, g_hMainWnd);
}

TEST_F(MainFrameTest, CancelOnTheSaveQuestionKeepsTheWindowAndTheMonitoring)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(m_frame.GetDataView().OpenDocument());
    m_frame.GetDataView().SetModified(true);
    // Without a device the monitor's requests ask for the link: that dialog
    // is cancelled, and the link's complaint is not what is looked at here.
    m_frame.GetMonitorLog().SetMonitoring(TRUE);
    boxes.Clear();
    boxes.SetDefaultAnswer(IDCANCEL);
    m_frame.SendMessage(WM_CLOSE);
    ASSERT_EQ("strDataSaveQuestion", BoxKeys(boxes));
    EXPECT_TRUE(m_frame.IsWindow());
    EXPECT_TRUE(m_frame.GetMonitorLog().IsMonitoring()) << "the device is left as it was";
    EXPECT_EQ(0xDEADBEEF, StoredDword(nullptr, "Maximized")) << "nothing stored";
    m_frame.GetMonitorLog().SetMonitoring(FALSE);
    m_frame.GetDataView().SetModified(false);
}

// A log's tab reads as the Service menu command that brings it up.
TEST_F(MainFrameTest, LogTabsAreTitledAsTheirServiceCommands)
{
    g_Settings.CommunicationLog = 1;
    ASSERT_TRUE(OpenFrame());
    HMENU menu = m_frame.GetCommandBar().GetMenu();
    for (const auto& [kind, command] : { std::make_pair((int)CMainFrame::TabCommunicationLog, (UINT)ID_SERVICE_COMMUNICATION),
                                         std::make_pair((int)CMainFrame::TabMonitorLog, (UINT)ID_SERVICE_MONITOR) })
    {
        Command(command);
        const int tab = m_frame.FindTab(kind);
        ASSERT_GE(tab, 0) << kind;
        char text[64] = "";
        TCITEMA item = { TCIF_TEXT, 0, 0, text, sizeof(text) };
        ::SendMessage(m_frame.GetTabControl(), TCM_GETITEMA, tab, (LPARAM)&item);
        std::string wanted = MenuText(menu, command);
        wanted.erase(std::remove(wanted.begin(), wanted.end(), '&'), wanted.end());
        EXPECT_EQ(wanted, text);
    }
}

namespace
{
// Where a log view stands: its first visible line, and whether the start of
// its last text line (the line before the empty one its final line end
// leaves) lies inside the view.
struct LogViewScroll
{
    int firstVisible;
    bool lastLineShown;
};
LogViewScroll ScrollOf(HWND view)
{
    const int lines = (int)::SendMessage(view, EM_GETLINECOUNT, 0, 0);
    const LRESULT start = ::SendMessage(view, EM_LINEINDEX, lines >= 2 ? lines - 2 : 0, 0);
    POINTL at = {};
    ::SendMessage(view, EM_POSFROMCHAR, (WPARAM)&at, start);
    RECT client;
    ::GetClientRect(view, &client);
    return { (int)::SendMessage(view, EM_GETFIRSTVISIBLELINE, 0, 0), at.y >= 0 && at.y < client.bottom };
}
}

// Lines written while a log's tab is away must be there to read when it
// comes up: a short log from its first line, a long one at its end, both
// from the left edge.
TEST_F(MainFrameTest, LogTabsComeUpShowingTheirLatestLines)
{
    g_Settings.CommunicationLog = 1;
    ASSERT_TRUE(OpenFrame());
    m_frame.MoveWindow(0, 0, 960, 768);
    const struct
    {
        int kind;
        UINT command;
    } logs[] = { { CMainFrame::TabCommunicationLog, ID_SERVICE_COMMUNICATION },
                 { CMainFrame::TabMonitorLog, ID_SERVICE_MONITOR } };
    for (const auto& log : logs)
    {
        SCOPED_TRACE(log.kind);
        CCommLogCtrl& view = log.kind == CMainFrame::TabCommunicationLog ? m_frame.GetCommLog()
                                                                          : m_frame.GetMonitorLog().GetView();
        // The long log first: written into a view that has never had a size,
        // it came up at its last, empty line.
        for (int lines : { 150, 20, 3 })
        {
            SCOPED_TRACE(lines);
            view.Clear();
            for (int i = 0; i < lines; ++i)
                view.AddTextFormat("line %d", LOG_BLACK, i);
            BYTE dump[120];
            for (int i = 0; i < 120; ++i)
                dump[i] = (BYTE)i;
            view.AddFrameDump(dump, 120, TRUE); // a line wider than the view
            view.FlushQueued(); // written while the tab is away
            Command(log.command);
            ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(log.kind)));
            PumpFor(100);
            const LogViewScroll shown = ScrollOf(view);
            EXPECT_TRUE(shown.lastLineShown);
            POINT at = {};
            ::SendMessage(view, EM_GETSCROLLPOS, 0, (LPARAM)&at);
            EXPECT_EQ(0, at.x) << "lines start at the left edge";
            if (lines < 30)
                EXPECT_EQ(0, shown.firstVisible);
            else
                EXPECT_GT(shown.firstVisible, 100);
            // A resize of the shown log keeps where the user scrolled to.
            ::SendMessage(view, WM_VSCROLL, SB_TOP, 0);
            m_frame.MoveWindow(0, 0, 950, 760);
            PumpFor(0);
            EXPECT_EQ(0, ScrollOf(view).firstVisible);
            m_frame.MoveWindow(0, 0, 960, 768);
            ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabConfiguration)));
            Command(log.command);
        }
    }
}

namespace
{
// The pixels of a window's client area as they are on the screen.
std::vector<BYTE> ClientPixels(HWND window)
{
    RECT client;
    ::GetClientRect(window, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(window);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<BYTE> pixels(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + client.right * client.bottom * 4);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(window, screen);
    return pixels;
}
}

// A log writes its new lines into itself, never over the tab that is shown:
// after being shown once, with another tab selected and after its own tab was
// closed, and when the tab changes while a paced writing is under way.
TEST_F(MainFrameTest, LinesOfALogWhoseTabIsNotShownLeaveTheShownPageAlone)
{
    g_Settings.CommunicationLog = 1;
    ASSERT_TRUE(OpenFrame());
    m_frame.MoveWindow(0, 0, 960, 768);
    ASSERT_TRUE(m_frame.GetDataView().OpenDocument());
    const struct
    {
        int kind;
        UINT command;
    } logs[] = { { CMainFrame::TabCommunicationLog, ID_SERVICE_COMMUNICATION },
                 { CMainFrame::TabMonitorLog, ID_SERVICE_MONITOR } };
    enum Away
    {
        OtherTabSelected,
        TabClosed,
        TabChangedWhileWriting,
    };
    for (const auto& log : logs)
    {
        CCommLogCtrl& view = log.kind == CMainFrame::TabCommunicationLog ? m_frame.GetCommLog()
                                                                          : m_frame.GetMonitorLog().GetView();
        HWND tabWindow = log.kind == CMainFrame::TabCommunicationLog ? view.m_hWnd : m_frame.GetMonitorLog().m_hWnd;
        for (Away away : { OtherTabSelected, TabClosed, TabChangedWhileWriting })
        {
            SCOPED_TRACE(testing::Message() << "log " << log.kind << ", away " << away);
            Command(log.command);
            ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(log.kind)));
            view.AddText("shown once", LOG_BLACK);
            view.FlushQueued();
            PumpFor(50);
            if (away == TabChangedWhileWriting)
            {
                // The transfer's writing opens with the log shown: its owner
                // calls every few milliseconds until the writing falls due.
                // The view's painting is held while it is open; the user
                // changes the tab before it finishes.
                const std::vector<BYTE> shown = ClientPixels(view);
                for (int i = 0; i < 40; ++i)
                    view.AddTextFormat("paced %d", LOG_BLACK, i);
                const DWORD deadline = ::GetTickCount() + 1000;
                while (!view.IsWriting() && static_cast<LONG>(::GetTickCount() - deadline) < 0)
                {
                    view.WriteCollectedWithin(1);
                    PumpFor(5);
                }
                ASSERT_TRUE(view.IsWriting()) << "a writing is open when the tab changes";
                // Uncovered meanwhile (a window moved away), the log still
                // shows what it showed before the writing.
                ::InvalidateRect(view, NULL, TRUE);
                ::UpdateWindow(view);
                PumpFor(0);
                EXPECT_TRUE(shown == ClientPixels(view)) << "the open writing paints nothing yet";
            }
            ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabConfiguration)));
            if (away == TabClosed)
                Command(log.command);
            PumpFor(100);
            ASSERT_FALSE(::IsWindowVisible(tabWindow));
            const std::vector<BYTE> before = ClientPixels(m_frame);

            for (int i = 0; i < 60; ++i)
                view.AddTextFormat("away %d", LOG_RED, i);
            BYTE dump[40] = {};
            view.AddFrameDump(dump, sizeof(dump), FALSE);
            for (int step = 0; step < 8; ++step)
                view.WriteCollectedWithin(1);
            PumpFor(150);
            view.FlushQueued();
            PumpFor(50);

            EXPECT_FALSE(::IsWindowVisible(tabWindow));
            EXPECT_FALSE(::IsWindowVisible(view)) << "the log is not shown";
            EXPECT_TRUE(before == ClientPixels(m_frame)) << "the shown page is drawn as it was";
            if (away != TabClosed)
                Command(log.command);
            view.Clear();
        }
    }
}

// Every title of the configuration tree reads in full in the tree's width
// at the default window size, with every kind of card in the slots.
TEST_F(MainFrameTest, TreeTitlesReadInFullAtTheDefaultSize)
{
    ASSERT_TRUE(OpenFrame());
    m_frame.MoveWindow(0, 0, 960, 768);
    ASSERT_TRUE(m_frame.GetDataView().OpenDocument());
    const uint8_t types[8] = { CARD_NONE, CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK,
                               CARD_ANALOG_COMBINED, CARD_ANALOG, 9 };
    for (int slot = 0; slot < 8; ++slot)
        GetConfigRecord()->cardSlots[slot].cardType = types[slot];
    m_frame.GetDataView().BuildTree();
    PumpFor(0);
    HWND tree = m_frame.GetDataView().GetTree();
    RECT client;
    ::GetClientRect(tree, &client);
    int titles = 0;
    std::string cut;
    // Every item, scrolled into view one after the other.
    testsupport::ForEachTreeItem(tree, [&](HTREEITEM item) {
        TreeView_EnsureVisible(tree, item);
        RECT text = {};
        EXPECT_TRUE(TreeView_GetItemRect(tree, item, &text, TRUE));
        ++titles;
        if (text.right > client.right)
            cut += testsupport::TreeItemTitle(tree, item) + "\n";
    });
    EXPECT_GT(titles, 40);
    EXPECT_EQ("", cut) << "cut at the tree's right edge";
}

// At the default size every configuration page fits its pane across; a page
// taller than the pane scrolls up and down only, its vertical bar leaving it
// room enough. The widest pages are the card, SIP account, routing and
// extension pages. Their width in pixels comes from the dialog font: a
// substituted face measures the dialog units wider, so the font is checked
// first.
TEST_F(MainFrameTest, ConfigurationPagesFitThePaneAcrossAtTheDefaultSize)
{
    ASSERT_TRUE(OpenFrame());
    m_frame.MoveWindow(0, 0, 960, 768);
    CDataView& view = m_frame.GetDataView();
    ASSERT_TRUE(view.OpenDocument());
    const uint8_t types[8] = { CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK, CARD_ANALOG_COMBINED,
                               CARD_NONE, CARD_NONE, CARD_NONE };
    for (int slot = 0; slot < 8; ++slot)
        GetConfigRecord()->cardSlots[slot].cardType = types[slot];
    // As a downloaded record: the pages edit a copy of it.
    ASSERT_TRUE(view.AdoptRecord());
    PumpFor(0);
    HWND tree = view.GetTree();

    auto select = [&](HTREEITEM item) {
        TreeView_SelectItem(tree, item);
        PumpFor(0);
        return view.GetPageWindow();
    };
    HWND gsm = select(view.FindItem(CI_CARD_SLOT_FIRST));
    ASSERT_TRUE(gsm);
    HDC dc = ::GetDC(gsm);
    HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageA(gsm, WM_GETFONT, 0, 0));
    char face[LF_FACESIZE] = "";
    ::GetTextFaceA(dc, sizeof(face), face);
    ::SelectObject(dc, old);
    ::ReleaseDC(gsm, dc);
    EXPECT_STREQ("MS Sans Serif", face) << "the dialog font is substituted";
    const LONG gsmStyle = ::GetWindowLongA(gsm, GWL_STYLE);
    EXPECT_TRUE(gsmStyle & WS_VSCROLL) << "the GSM card page is taller than the pane";

    int pages = 0;
    std::string across;
    testsupport::ForEachTreeItem(tree, [&](HTREEITEM item) {
        HWND page = select(item);
        if (!page)
            return;
        ++pages;
        SCROLLINFO si = { sizeof(si), SIF_RANGE | SIF_PAGE };
        ::GetScrollInfo(page, SB_HORZ, &si);
        const int scrolls = si.nMax - si.nMin + 1 - (int)si.nPage;
        if ((::GetWindowLongA(page, GWL_STYLE) & WS_HSCROLL) || scrolls > 0)
            across += testsupport::TreeItemTitle(tree, item) + " scrolls " + std::to_string(scrolls) + " px\n";
    });
    EXPECT_GT(pages, 40);
    EXPECT_EQ("", across);
}

// A disabled toolbar button shows its picture in greys, not the solid square
// the control makes of a picture that fills its whole square (Save).
TEST_F(MainFrameTest, DisabledToolbarPicturesKeepTheirShapes)
{
    ASSERT_TRUE(OpenFrame());
    HWND toolBar = m_frame.GetToolBar();
    HIMAGELIST disabled = (HIMAGELIST)::SendMessage(toolBar, TB_GETDISABLEDIMAGELIST, 0, 0);
    ASSERT_TRUE(disabled != NULL);
    const int save = 2; // New, Open, Save, ...
    // Drawn on magenta: the pixels it covers are all grey, in several shades.
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(disabled, &cx, &cy));
    BITMAPINFO bi = {};
    bi.bmiHeader = { sizeof(bi.bmiHeader), cx, -cy, 1, 32, BI_RGB };
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(NULL);
    HBITMAP bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    ASSERT_TRUE(bitmap != NULL);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const DWORD magenta = 0xFF00FF;
    std::fill((DWORD*)bits, (DWORD*)bits + cx * cy, magenta);
    ASSERT_TRUE(ImageList_Draw(disabled, save, dc, 0, 0, ILD_TRANSPARENT));
    ::GdiFlush();
    std::set<DWORD> shades;
    int covered = 0, coloured = 0;
    for (int i = 0; i < cx * cy; ++i)
    {
        const DWORD p = ((DWORD*)bits)[i] & 0xFFFFFF;
        if (p == magenta)
            continue;
        ++covered;
        if ((p & 0xFF) != ((p >> 8) & 0xFF) || (p & 0xFF) != ((p >> 16) & 0xFF))
            ++coloured;
        shades.insert(p);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    EXPECT_GT(covered, cx * cy / 2);
    EXPECT_EQ(0, coloured);
    EXPECT_GE(shades.size(), 3u) << "a disk with its label and shutter, not a square";
}

// In a menu where some items show a picture, the menu draws the shortcut of
// an item without one over the end of its text: every item with a shortcut
// in such a menu has its picture ("Help Topics" and "F1" read apart).
TEST_F(MainFrameTest, MenuItemsWithShortcutsShowAPictureWhereTheirMenuHasPictures)
{
    ASSERT_TRUE(OpenFrame());
    const CCommandBarCtrl& bar = m_frame.GetCommandBar();
    HMENU menu = bar.GetMenu();
    EXPECT_EQ("&Help Topics\tF1", MenuText(menu, ID_HELP_CONTENTS));
    std::string without;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
    {
        HMENU popup = ::GetSubMenu(menu, i);
        bool pictures = false;
        for (int k = 0; k < ::GetMenuItemCount(popup); ++k)
            pictures = pictures || bar.GetImage(::GetMenuItemID(popup, k)) != NULL;
        for (int k = 0; pictures && k < ::GetMenuItemCount(popup); ++k)
        {
            const UINT id = ::GetMenuItemID(popup, k);
            const std::string text = MenuText(popup, id);
            if (text.find('\t') != std::string::npos && !bar.GetImage(id))
                without += text + "\n";
        }
    }
    EXPECT_EQ("", without);
}

TEST_F(MainFrameTest, DeviceChangeReadsItsStructureOnlyForEventsThatCarryOne)
{
    g_Settings.CommunicationLog = 1;
    ASSERT_TRUE(OpenFrame());
    // Device nodes changed: the second parameter is no structure.
    EXPECT_EQ(TRUE, m_frame.SendMessage(WM_DEVICECHANGE, 0x0007, 0x1234));
    std::string log = WindowText(m_frame.GetCommLog());
    EXPECT_NE(std::string::npos, log.find("WM_DEVICECHANGED: 0x7 0x1234"));
    EXPECT_EQ(std::string::npos, log.find("Device type"));
    // A port's arrival carries its header.
    DEV_BROADCAST_HDR port = { sizeof(port), DBT_DEVTYP_PORT };
    EXPECT_EQ(TRUE, m_frame.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, (LPARAM)&port));
    EXPECT_NE(std::string::npos, WindowText(m_frame.GetCommLog()).find("Device type: 3"));
}

TEST_F(MainFrameTest, TwoRestartNoticesInARowShowOneNotice)
{
    ASSERT_TRUE(OpenFrame());
    std::string text;
    // The second notice status and the end come while the notice is up.
    script.On<CWaitDlg>([&](CWaitDlg& dlg) {
        text = dlg.GetText();
        m_frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_LOADER_RESTARTED, 0);
        m_frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_FIRMWARE_RUNNING, 0);
    });
    script.On<CWaitDlg>([&](CWaitDlg&) {});
    m_frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_LOADER_RESTARTED, 0);
    ASSERT_TRUE(PumpUntil([&] { return script.Pending() == 1 && !m_frame.GetRestartNotice(); }, 5000))
        << script.Pending() << " " << (void*)m_frame.GetRestartNotice() << " " << script.Unexpected();
    PumpFor(100);
    EXPECT_EQ(1u, script.Pending()) << "one notice only";
    EXPECT_NE(std::string::npos, text.find("restart")) << text;
    EXPECT_FALSE(m_frame.IsBusy());
    EXPECT_TRUE(m_frame.IsWindowEnabled());
    EXPECT_EQ(0u, boxes.Count());
}

namespace
{
// What the shell hands over when one file is dropped on the window.
HDROP DropOf(const std::string& path)
{
    HGLOBAL mem = ::GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
    DROPFILES* drop = (DROPFILES*)::GlobalLock(mem);
    drop->pFiles = sizeof(DROPFILES);
    memcpy((char*)drop + sizeof(DROPFILES), path.c_str(), path.size());
    ::GlobalUnlock(mem);
    return (HDROP)mem;
}
}

TEST_F(MainFrameTest, DroppedFileOpensAndStaysInTheRecentFilesAfterARestart)
{
    const std::string path = NewFile("frame-drop.cfg");
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(m_frame.GetDataView().OpenDocument());
    ASSERT_TRUE(m_frame.GetDataView().SaveDocument(path.c_str()));
    Command(ID_FILE_CLOSE);
    ASSERT_FALSE(m_frame.GetDataView().HasDocument());
    m_frame.SendMessage(WM_DROPFILES, (WPARAM)DropOf(path));
    ASSERT_TRUE(m_frame.GetDataView().HasDocument());
    EXPECT_STREQ(path.c_str(), m_frame.GetDataView().GetPath());
    EXPECT_EQ("frame-drop.cfg - Velmotrex Configuration", Title());
    m_frame.SendMessage(WM_CLOSE);
    EXPECT_EQ(1u, StoredDword("Recent Document List", "DocumentCount", 0));

    // The next start lists it in the File menu; choosing it opens it.
    CMainFrame again;
    ASSERT_TRUE(again.CreateFrame());
    std::string item = MenuText(again.GetCommandBar().GetMenu(), ID_FILE_MRU_FIRST);
    EXPECT_NE(std::string::npos, item.find("frame-drop.cfg")) << item;
    again.SendMessage(WM_COMMAND, ID_FILE_MRU_FIRST);
    EXPECT_STREQ(path.c_str(), again.GetDataView().GetPath());
    // A file that is gone leaves the list when chosen.
    again.SendMessage(WM_COMMAND, ID_FILE_CLOSE);
    ::DeleteFileA(path.c_str());
    again.SendMessage(WM_COMMAND, ID_FILE_MRU_FIRST);
    EXPECT_FALSE(again.GetDataView().HasDocument());
    EXPECT_EQ(0u, StoredDword("Recent Document List", "DocumentCount", 0));
    again.DestroyWindow();
}

// An earlier run (or another program version) left more recent files than
// the File menu keeps: the newest six are listed, the rest not.
TEST_F(MainFrameTest, RecentFilesReadFromTheRegistryAreCutToSix)
{
    HKEY program = OpenSettingsKey();
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(program, "Recent Document List", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                               &key, NULL));
    ::RegCloseKey(program);
    const DWORD stored = 9;
    ::RegSetValueExA(key, "DocumentCount", 0, REG_DWORD, (const BYTE*)&stored, sizeof(stored));
    for (DWORD i = 1; i <= stored; ++i)
    {
        char name[16], path[32];
        FormatText(name, sizeof(name), "Document%d", (int)i);
        FormatText(path, sizeof(path), "C:\\old\\file%d.cfg", (int)i);
        ::RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)path, (DWORD)strlen(path) + 1);
    }
    ::RegCloseKey(key);

    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(6, m_frame.GetRecentList().GetCount());
    HMENU menu = m_frame.GetCommandBar().GetMenu();
    for (UINT i = 0; i < 8; ++i)
    {
        char file[16] = "";
        if (i < 6)
            FormatText(file, sizeof(file), "file%d.cfg", (int)i + 1);
        std::string item = MenuText(menu, ID_FILE_MRU_FIRST + i);
        EXPECT_EQ(i < 6, !item.empty()) << i;
        EXPECT_NE(std::string::npos, item.find(file)) << item;
    }
}

TEST_F(MainFrameTest, AnEmptyTcpPortIsNoConfiguredLink)
{
    // The communication dialog stores an empty port box as -1.
    g_Settings.ComMode = 1;
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
    g_Settings.TcpPort = 0xFFFFFFFF;
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(0, CommState()) << "no connect at start";
    // A request that needs the link asks for the settings first.
    script.On<CCommunicationDlg>([&](CCommunicationDlg& dlg) { PressButton(dlg, IDCANCEL); });
    CommSetErrorBox([](const char*, const char*, const char*) {});
    m_frame.SendMessage(WMU_ENSURE_LOGIN, 3, 0);
    CommSetErrorBox(nullptr);
    EXPECT_EQ(0u, script.Pending());
}

TEST_F(MainFrameTest, NewSaveBarsAboutAndQuitThatStoresThePlacement)
{
    ASSERT_TRUE(OpenFrame());
    // New: a document with the defaults, not yet in a file.
    Command(ID_FILE_NEW);
    CDataView& view = m_frame.GetDataView();
    ASSERT_TRUE(view.HasDocument());
    EXPECT_EQ("untitled - Velmotrex Configuration", Title());

    // Save on a new document asks for a name; on a named one it writes at once.
    const std::string path = NewFile("frame-commands.cfg");
    script.OnFileDialog(path);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    EXPECT_EQ("frame-commands.cfg - Velmotrex Configuration", Title());
    // The chosen folder, with its backslash, is where the next dialog starts.
    EXPECT_EQ(std::string(m_scratch.Dir()) + "\\", g_PathSettings.BrowsePathData);
    ::DeleteFileA(path.c_str());
    view.SetModified(true);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(0, script.Unexpected()) << "no second dialog";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    EXPECT_FALSE(view.IsModified());

    // The status bar toggle hides and shows the bar with its check mark.
    HMENU menu = m_frame.GetCommandBar().GetMenu();
    m_frame.OnIdle();
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(m_frame.GetStatusBar()));
    EXPECT_FALSE(::GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_VIEW_STATUS_BAR); // shown again: stored as shown below
    EXPECT_TRUE(::IsWindowVisible(m_frame.GetStatusBar()));

    // About shows the program's version.
    bool versionShown = false;
    script.On<CAboutDlg>([&](CAboutDlg& dlg) {
        for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            versionShown |= WindowText(child) == "v3.0.0.5";
        PressButton(dlg, IDOK);
    });
    Command(ID_APP_ABOUT);
    EXPECT_TRUE(versionShown);

    // Quit closes the window as its close box does and stores the placement,
    // the bars on two rows as they stand.
    m_frame.ShowWindow(SW_RESTORE);
    m_frame.SetWindowPos(NULL, 30, 40, 640, 500, SWP_NOZORDER);
    Command(ID_APP_EXIT);
    EXPECT_TRUE(PumpUntil([&] { return !m_frame.IsWindow(); }, 2000));
    EXPECT_EQ("", BoxKeys(boxes));
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(0, script.Unexpected());
    const std::pair<const char*, DWORD> stored[] = { { "x", 30 },       { "y", 40 },         { "cx", 640 },
                                                     { "cy", 500 },     { "Maximized", 0 },  { "Toolbar", 1 },
                                                     { "Statusbar", 1 }, { "CmdbarFirst", 1 }, { "OneLineRebar", 0 } };
    for (const auto& v : stored)
        EXPECT_EQ(v.second, StoredDword(nullptr, v.first)) << v.first;
}

TEST_F(MainFrameTest, AHiddenToolbarLeavesTheRowLayoutAsItWas)
{
    ASSERT_TRUE(OpenFrame());
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(::GetMenuState(m_frame.GetCommandBar().GetMenu(), ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    m_frame.SendMessage(WM_CLOSE);
    EXPECT_EQ(0u, StoredDword(nullptr, "Toolbar"));
    EXPECT_EQ(0u, StoredDword(nullptr, "OneLineRebar"));
}

namespace
{
// A page that refuses to be left, as a page with input it cannot take does.
LRESULT CALLBACK RefuseToBeLeft(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (msg == WM_NOTIFY && ((NMHDR*)lParam)->code == (UINT)PSN_KILLACTIVE)
        return TRUE;
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}
}

TEST_F(MainFrameTest, EveryTabChangeEntersAndLeavesThePageAsAClickDoes)
{
    ASSERT_TRUE(OpenFrame());
    CDiagView& diag = m_frame.GetDiagView();
    EXPECT_FALSE(diag.IsActive());
    // Ctrl+Tab and Ctrl+Shift+Tab.
    Command(ID_NEXT_TAB);
    EXPECT_TRUE(diag.IsActive());
    EXPECT_TRUE(::IsWindowVisible(diag));
    Command(ID_PREV_TAB);
    EXPECT_FALSE(diag.IsActive());

    // Removing the shown tab shows its neighbour the same way.
    Command(ID_SERVICE_MONITOR);
    ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabMonitorLog)));
    EXPECT_FALSE(diag.IsActive());
    Command(ID_SERVICE_MONITOR);
    EXPECT_EQ(CMainFrame::TabDiagnostics, m_frame.GetCurrentTabKind());
    EXPECT_TRUE(diag.IsActive());

    // A page that refuses to be left keeps its tab for keys and clicks.
    ASSERT_TRUE(::SetWindowSubclass(diag.m_hWnd, RefuseToBeLeft, 1, 0));
    Command(ID_NEXT_TAB);
    EXPECT_EQ(CMainFrame::TabDiagnostics, m_frame.GetCurrentTabKind());
    Command(ID_PREV_TAB);
    EXPECT_EQ(CMainFrame::TabDiagnostics, m_frame.GetCurrentTabKind());
    HWND tabs = m_frame.GetTabControl();
    NMHDR changing = { tabs, (UINT_PTR)::GetDlgCtrlID(tabs), (UINT)TCN_SELCHANGING };
    EXPECT_NE(0, m_frame.SendMessage(WM_NOTIFY, changing.idFrom, (LPARAM)&changing));
    ::RemoveWindowSubclass(diag.m_hWnd, RefuseToBeLeft, 1);
    Command(ID_NEXT_TAB);
    EXPECT_EQ(CMainFrame::TabConfiguration, m_frame.GetCurrentTabKind());
}

TEST_F(MainFrameTest, PlacementOfAFirstRunThenTheStoredOneAndItsInvalidForms)
{
    CFrameSettings settings(CFrameSettings::StorageRegistry, kSettingsKey);
    settings.Load();
    EXPECT_FALSE(settings.HasStoredRect()) << "a first run uses the system's placement";
    EXPECT_TRUE(!settings.m_maximized && settings.m_toolbar && settings.m_statusbar && settings.m_cmdbarFirst);
    EXPECT_FALSE(settings.m_oneLineRebar) << "both bars on two rows";

    const std::pair<const char*, DWORD> stored[] = { { "x", 10 },         { "y", 20 },       { "cx", 600 },
                                                     { "cy", 500 },       { "Maximized", 1 }, { "Toolbar", 0 },
                                                     { "CmdbarFirst", 0 }, { "OneLineRebar", 1 } };
    for (const auto& v : stored)
        StoreDword(v.first, v.second);
    settings.Load();
    const RECT expected = { 10, 20, 610, 520 };
    EXPECT_TRUE(settings.HasStoredRect() && ::EqualRect(&expected, &settings.GetStoredRect()));
    EXPECT_TRUE(settings.m_maximized && !settings.m_toolbar && !settings.m_cmdbarFirst && settings.m_oneLineRebar);

    // A window placed at x = -1, or one whose right edge comes to -1, starts
    // at the system's place; so does one without a height.
    for (DWORD x : { (DWORD)-1, (DWORD)-601 })
    {
        StoreDword("x", x);
        settings.Load();
        EXPECT_FALSE(settings.HasStoredRect()) << (int)x;
    }
    DeleteSettingsKey();
    StoreDword("x", 10);
    StoreDword("y", 20);
    StoreDword("cx", 600);
    settings.Load();
    EXPECT_FALSE(settings.HasStoredRect()) << "no height";
}

TEST_F(MainFrameTest, PlacementInTheIniFormKeepsTheSameValuesInItsWindowSection)
{
    CTestLanguage dir; // a fresh current directory
    CFrameSettings settings(CFrameSettings::StorageIni, "frame.ini");
    EXPECT_EQ(dir.PathOf("frame.ini"), std::string(settings.m_storageName));
    settings.m_rect = RECT{ 5, 6, 405, 506 };
    settings.m_maximized = true;
    settings.m_toolbar = false;
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(400u, ::GetPrivateProfileIntA("window", "cx", -1, settings.m_storageName));
    EXPECT_EQ(0u, ::GetPrivateProfileIntA("window", "toolbar", -1, settings.m_storageName));
    // INI numbers count as true only above 0.
    ::WritePrivateProfileStringA("window", "statusbar", "-1", settings.m_storageName);
    CFrameSettings loaded(CFrameSettings::StorageIni, "frame.ini");
    loaded.Load();
    EXPECT_EQ(405, loaded.GetStoredRect().right);
    EXPECT_TRUE(loaded.m_maximized && !loaded.m_toolbar && !loaded.m_statusbar);
    EXPECT_EQ(0xDEADBEEF, StoredDword(nullptr, "x")) << "nothing in the registry";
}

namespace
{
// Stands in for any page whose field holds a value it cannot take.
class CRefusingPage : public testsupport::CTestPage<CRefusingPage>
{
public:
    enum { IDD = IDD_TEXT_PAGE };
    static bool s_refuse;
    static int s_stores;
    explicit CRefusingPage(ConfigRecord* rec) : CTestPage<CRefusingPage>(rec) {}
    int Store() override
    {
        ++s_stores;
        return s_refuse ? 0 : 1;
    }
};
bool CRefusingPage::s_refuse = false;
int CRefusingPage::s_stores = 0;

IConfigPage* RefusingPages(const DataTreeItem&, ConfigRecord* edit)
{
    return new CRefusingPage(edit);
}
}

// A configuration page that refuses its input stops Save and Upload, and the
// configuration tab comes forward so that the user sees why.
TEST_F(MainFrameTest, RefusedInputStopsSaveAndUploadAndShowsTheConfiguration)
{
    testsupport::ScopedDataTreeItems items;
    for (DataTreeItem& row : items.rows)
        if (row.sections.count)
            row.factory = &RefusingPages;
    items.Apply();
    ASSERT_TRUE(OpenFrame());
    Command(ID_FILE_NEW);
    CDataView& view = m_frame.GetDataView();
    ASSERT_TRUE(view.HasDocument());
    // The alarm page: one whose refusal keeps the user on it.
    HTREEITEM alarm = view.FindItem(14);
    ASSERT_NE((HTREEITEM)NULL, alarm);
    TreeView_SelectItem(view.GetTree(), alarm);
    PumpFor(50);
    ASSERT_EQ(14, view.GetCurrentId());
    ASSERT_NE((HWND)NULL, view.GetPageWindow());

    boxes.SetDefaultAnswer(IDNO);
    Command(ID_SERVICE_MONITOR);
    CRefusingPage::s_refuse = true;
    const UINT commands[] = { ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_UPLOAD, ID_FILE_UPLOAD_WITHOUT_NETWORK };
    for (UINT id : commands)
    {
        SCOPED_TRACE(id);
        ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabMonitorLog)));
        const int storesBefore = CRefusingPage::s_stores;
        Command(id);
        EXPECT_LT(storesBefore, CRefusingPage::s_stores) << "the page was asked";
        EXPECT_EQ(CMainFrame::TabConfiguration, m_frame.GetCurrentTabKind());
        EXPECT_FALSE(m_frame.IsUploadPending());
    }
    PumpFor(100);
    EXPECT_EQ(0, script.Unexpected()) << "no file dialog, no link question";
    EXPECT_EQ("", BoxKeys(boxes));
    CRefusingPage::s_refuse = false;
    view.SetModified(false);
    m_frame.DestroyWindow(); // before its pages' factories are restored
}

TEST(VersionText, MajorAndMinorAreReadWhateverFollowsThem)
{
    // The text, whether it is read, and major * 100 + minor.
    for (const auto& [text, parsed, version] : std::vector<std::tuple<const char*, bool, int>>{
             { "3.0", true, 300 }, { "3.0 beta", true, 300 }, { "3.0.0.5", true, 300 }, { "2.9.1", true, 209 },
             { "3", false, 0 }, { "", false, 0 }, { "beta", false, 0 } })
    {
        int major = 0, minor = 0;
        EXPECT_EQ(parsed, ParseVersionMajorMinor(text, &major, &minor)) << text;
        EXPECT_EQ(version, major * 100 + minor) << text;
    }
}
