#include <gtest/gtest.h>
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"
#include "comm/DeviceProtocol.h"
#include <dbt.h>
#include <shellapi.h>
#include <shlobj.h>
#include "wcl/AppModule.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestLanguage.h"
#include "tests/app/FrameTestSupport.h"
#include "app/WaitDlg.h"
#include "app/CommunicationDlg.h"
#include "base/TextUtil.h"
#include "comm/Link.h"
#include "app/AnnouncementDlg.h"
#include <string>

namespace
{
// With VEL_SHOT set, a test shows its window for a few seconds so that a
// screenshot can be taken of it.
void HoldForScreenshot()
{
    if (getenv("VEL_SHOT"))
        frametest::PumpFor(4000);
}

void Pump()
{
    frametest::PumpFor(0);
}

std::string MenuText(HMENU menu, UINT id)
{
    char text[256] = "";
    ::GetMenuStringA(menu, id, text, sizeof(text), MF_BYCOMMAND);
    return text;
}

std::string TabTitle(HWND tab, int index)
{
    char text[128] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ::SendMessage(tab, TCM_GETITEMA, index, (LPARAM)&item);
    return text;
}

class MainFrameTest : public ::testing::Test
{
protected:
    // The log tabs are rich edit controls; the program loads the library at start.
    static void SetUpTestSuite() { ::LoadLibraryA("RICHED20.DLL"); }
    void SetUp() override
    {
        ASSERT_TRUE(frametest::StartWithDefaultSettings());
        g_Module.AddMessageLoop(&m_loop);
        frametest::DropQuitRequest();
    }
    void TearDown() override
    {
        g_Module.RemoveMessageLoop();
        DeleteSettingsKey();
        g_Settings.SetDefaults();
    }

    CMessageLoop m_loop;
};
}

TEST_F(MainFrameTest, StartsWithTranslatedMenusBarsAndTwoTabs)
{
    g_Settings.CommunicationLog = 1;
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    frame.ShowWindow(SW_SHOW);
    Pump();
    EXPECT_EQ(g_hMainWnd, frame.m_hWnd);

    EXPECT_EQ("Velmotrex Configuration", frametest::WindowText(frame));
    // The command bar shows the menu; the window has none of its own.
    EXPECT_EQ(NULL, ::GetMenu(frame));
    HMENU menu = frame.GetCommandBar().GetMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(6, ::GetMenuItemCount(menu));
    EXPECT_EQ("&New\tCtrl+N", MenuText(menu, ID_FILE_NEW));
    EXPECT_EQ("Upload &without Network Settings", MenuText(menu, ID_FILE_UPLOAD_WITHOUT_NETWORK));
    EXPECT_EQ("&Communication Log", MenuText(menu, ID_SERVICE_COMMUNICATION));
    EXPECT_EQ(6, (int)::SendMessage(frame.GetCommandBar().GetHwnd(), TB_BUTTONCOUNT, 0, 0));
    // The menu items of the toolbar's commands show its pictures.
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_BITMAP;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, ID_FILE_DOWNLOAD, FALSE, &item));
    EXPECT_TRUE(item.hbmpItem != NULL);
    EXPECT_EQ(frame.GetCommandBar().GetImage(ID_FILE_DOWNLOAD), item.hbmpItem);
    item.hbmpItem = NULL;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, ID_FILE_SAVE_AS, FALSE, &item));
    EXPECT_TRUE(item.hbmpItem == NULL);

    // New, Open, Save | Download, Upload, Upload without network | About.
    EXPECT_EQ(9, (int)::SendMessage(frame.GetToolBar(), TB_BUTTONCOUNT, 0, 0));
    EXPECT_EQ(2, frame.GetRebar().GetBandCount());
    EXPECT_TRUE(::IsWindowVisible(frame.GetStatusBar()));
    char pane[128] = "";
    ::SendMessage(frame.GetStatusBar(), SB_GETTEXTA, 0, (LPARAM)pane);
    EXPECT_STREQ("USB: no port selected", pane);

    ASSERT_EQ(2, frame.GetTabCount());
    EXPECT_EQ("Configuration", TabTitle(frame.GetTabControl(), 0));
    EXPECT_EQ("Diagnostics", TabTitle(frame.GetTabControl(), 1));
    EXPECT_EQ(CMainFrame::TabConfiguration, frame.GetCurrentTabKind());
    EXPECT_EQ(1, frame.FindTab(CMainFrame::TabDiagnostics));
    HoldForScreenshot();

    frame.DestroyWindow();
    EXPECT_EQ(NULL, g_hMainWnd);
}

TEST_F(MainFrameTest, ClosingStoresThePlacementAndTheBars)
{
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    frame.SetWindowPos(NULL, 30, 40, 640, 500, SWP_NOZORDER);
    frame.SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(::GetMenuState(frame.GetCommandBar().GetMenu(), ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    frame.SendMessage(WM_CLOSE);
    EXPECT_FALSE(::IsWindow(frame.m_hWnd));
    // A hidden toolbar leaves the row layout as it was (two rows at first).
    const std::pair<const char*, DWORD> stored[] = { { "x", 30 },       { "y", 40 },         { "cx", 640 },
                                                     { "cy", 500 },     { "Maximized", 0 },  { "Toolbar", 0 },
                                                     { "Statusbar", 1 }, { "CmdbarFirst", 1 }, { "OneLineRebar", 0 } };
    for (const auto& v : stored)
        EXPECT_EQ(v.second, frametest::StoredDword(nullptr, v.first)) << v.first;
}

TEST_F(MainFrameTest, CancelOnTheSaveQuestionKeepsTheWindowAndTheMonitoring)
{
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    ASSERT_TRUE(frame.GetDataView().OpenDocument());
    frame.GetDataView().SetModified(true);
    // Without a device the monitor's requests ask for the link: that dialog
    // is cancelled.
    frametest::CDialogScript script;
    frame.GetMonitorLog().SetMonitoring(TRUE);

    CMessageBoxRecorder boxes(IDCANCEL);
    frame.SendMessage(WM_CLOSE);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strDataSaveQuestion", boxes.Last().key);
    EXPECT_TRUE(frame.IsWindow());
    EXPECT_TRUE(frame.GetMonitorLog().IsMonitoring()) << "the device is left as it was";
    EXPECT_EQ(0xDEADBEEF, frametest::StoredDword(nullptr, "Maximized")) << "nothing stored";

    frame.GetMonitorLog().SetMonitoring(FALSE);
    frame.GetDataView().SetModified(false);
    frame.DestroyWindow();
}

TEST_F(MainFrameTest, DeviceChangeReadsItsStructureOnlyForEventsThatCarryOne)
{
    g_Settings.CommunicationLog = 1;
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    // Device nodes changed: the second parameter is no structure.
    EXPECT_EQ(TRUE, frame.SendMessage(WM_DEVICECHANGE, 0x0007, 0x1234));
    char text[1024] = "";
    ::GetWindowTextA(frame.GetCommLog(), text, sizeof(text));
    EXPECT_NE(nullptr, strstr(text, "WM_DEVICECHANGED: 0x7 0x1234"));
    EXPECT_EQ(nullptr, strstr(text, "Device type"));

    // A port's arrival carries its header.
    DEV_BROADCAST_HDR port = {};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    EXPECT_EQ(TRUE, frame.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, (LPARAM)&port));
    ::GetWindowTextA(frame.GetCommLog(), text, sizeof(text));
    EXPECT_NE(nullptr, strstr(text, "Device type: 3"));
    frame.DestroyWindow();
}

TEST_F(MainFrameTest, NoFirmwareMessageIsShownOnceAndNotDuringAnUpdate)
{
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    CMessageBoxRecorder boxes(IDOK);
    frame.SendMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_NO_FIRMWARE, 0);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strFlashNoFirmware", boxes.Last().key);
    // A CDR end while no progress dialog exists only closes the export.
    frame.SendMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_CDR_ENDED, ENGINE_RESULT_OK);
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_FALSE(frame.IsBusy());
    // Status 500 refreshes the status bar.
    frame.SendMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_LINK_STATE, 0);
    char pane[128] = "";
    ::SendMessage(frame.GetStatusBar(), SB_GETTEXTA, 0, (LPARAM)pane);
    EXPECT_STREQ("USB: no port selected", pane);
    frame.DestroyWindow();
}

TEST_F(MainFrameTest, TwoRestartNoticesInARowShowOneNotice)
{
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    frame.ShowWindow(SW_SHOW);
    CMessageBoxRecorder boxes(IDOK);
    frametest::CDialogScript script;
    std::string text;
    // The second notice status and the end come while the notice is up.
    script.On<CWaitDlg>([&](CWaitDlg& dlg) {
        text = dlg.GetText();
        frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_LOADER_RESTARTED, 0);
        frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_FIRMWARE_RUNNING, 0);
    });
    script.On<CWaitDlg>([&](CWaitDlg&) {});
    frame.PostMessage(WMU_ENGINE_STATUS, ENGINE_STATUS_LOADER_RESTARTED, 0);
    ASSERT_TRUE(frametest::PumpUntil([&] { return script.Pending() == 1 && !frame.GetRestartNotice(); }, 5000))
        << script.Pending() << " " << (void*)frame.GetRestartNotice() << " " << script.Unexpected();
    frametest::PumpFor(100);
    EXPECT_EQ(1u, script.Pending()) << "one notice only";
    EXPECT_NE(std::string::npos, text.find("restart")) << text;
    EXPECT_FALSE(frame.IsBusy());
    EXPECT_TRUE(frame.IsWindowEnabled());
    EXPECT_EQ(0u, boxes.Count());
    frame.DestroyWindow();
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
    const std::string path = frametest::TempPath("frame-drop.cfg");
    {
        CMainFrame frame;
        ASSERT_TRUE(frame.CreateFrame());
        ASSERT_TRUE(frame.GetDataView().OpenDocument());
        ASSERT_TRUE(frame.GetDataView().SaveDocument(path.c_str()));
        frame.SendMessage(WM_COMMAND, ID_FILE_CLOSE);
        ASSERT_FALSE(frame.GetDataView().HasDocument());

        frame.SendMessage(WM_DROPFILES, (WPARAM)DropOf(path));
        ASSERT_TRUE(frame.GetDataView().HasDocument());
        EXPECT_STREQ(path.c_str(), frame.GetDataView().GetPath());
        EXPECT_EQ("frame-drop.cfg - Velmotrex Configuration", frametest::WindowText(frame));
        frame.SendMessage(WM_CLOSE);
    }
    EXPECT_EQ(1u, frametest::StoredDword("Recent Document List", "DocumentCount", 0));

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
    CMessageBoxRecorder boxes(IDOK);
    again.SendMessage(WM_COMMAND, ID_FILE_MRU_FIRST);
    EXPECT_FALSE(again.GetDataView().HasDocument());
    EXPECT_EQ(0u, frametest::StoredDword("Recent Document List", "DocumentCount", 0));
    again.DestroyWindow();
}

TEST_F(MainFrameTest, AnEmptyTcpPortIsNoConfiguredLink)
{
    // The communication dialog stores an empty port box as -1.
    g_Settings.ComMode = 1;
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
    g_Settings.TcpPort = 0xFFFFFFFF;
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    EXPECT_EQ(0, CommState()) << "no connect at start";
    // A request that needs the link asks for the settings first.
    frametest::CDialogScript script;
    bool asked = false;
    script.On<CCommunicationDlg>([&](CCommunicationDlg& dlg) {
        asked = true;
        frametest::PressButton(dlg, IDCANCEL);
    });
    CommSetErrorBox([](const char*, const char*, const char*) {});
    frame.SendMessage(WMU_ENSURE_LOGIN, 3, 0);
    CommSetErrorBox(nullptr);
    EXPECT_TRUE(asked);
    frame.DestroyWindow();
}

TEST_F(MainFrameTest, NewSaveStatusBarAndQuitCommands)
{
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    frame.ShowWindow(SW_SHOW);
    CMessageBoxRecorder boxes(IDOK);
    frametest::CDialogScript script;
    auto title = [&] { return frametest::WindowText(frame); };

    // New: a document with the defaults, not yet in a file.
    frame.SendMessage(WM_COMMAND, ID_FILE_NEW);
    CDataView& view = frame.GetDataView();
    ASSERT_TRUE(view.HasDocument());
    EXPECT_EQ("untitled - Velmotrex Configuration", title());

    // Save on a new document asks for a name; on a named one it writes at once.
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(temp), temp);
    const std::string path = std::string(temp) + "frame-commands.cfg";
    ::DeleteFileA(path.c_str());
    script.OnFileDialog(path);
    frame.SendMessage(WM_COMMAND, ID_FILE_SAVE);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(1u, script.FileDialogs().size());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    EXPECT_EQ("frame-commands.cfg - Velmotrex Configuration", title());
    // The chosen folder, with its backslash, is where the next dialog starts.
    EXPECT_STREQ(temp, g_PathSettings.BrowsePathData);
    ::DeleteFileA(path.c_str());
    view.SetModified(true);
    frame.SendMessage(WM_COMMAND, ID_FILE_SAVE);
    EXPECT_EQ(1u, script.FileDialogs().size()) << "no second dialog";
    EXPECT_EQ(0, script.Unexpected());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    EXPECT_FALSE(view.IsModified());

    // The status bar toggle hides and shows the bar with its check mark.
    HMENU menu = frame.GetCommandBar().GetMenu();
    frame.OnIdle();
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    frame.SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(frame.GetStatusBar()));
    EXPECT_FALSE(::GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    frame.SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(frame.GetStatusBar()));
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);

    // About shows the program's version.
    bool versionShown = false;
    script.On<CAboutDlg>([&](CAboutDlg& dlg) {
        for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        {
            char text[64] = "";
            ::GetWindowTextA(child, text, sizeof(text));
            versionShown |= strcmp(text, "v3.0.0.5") == 0;
        }
        frametest::PressButton(dlg, IDOK);
    });
    frame.SendMessage(WM_COMMAND, ID_APP_ABOUT);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_TRUE(versionShown);

    // Quit closes the window as its close box does.
    frame.SendMessage(WM_COMMAND, ID_APP_EXIT);
    EXPECT_TRUE(frametest::PumpUntil([&] { return !::IsWindow(frame.m_hWnd); }, 2000));
    EXPECT_EQ(0u, boxes.Count()) << (boxes.Count() ? boxes.Last().key : "");
    EXPECT_EQ(1u, frametest::StoredDword(nullptr, "Statusbar"));
    EXPECT_EQ(0u, frametest::StoredDword(nullptr, "OneLineRebar")) << "the bars stand on two rows";
    ::DeleteFileA(path.c_str());
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
    CMainFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    CDiagView& diag = frame.GetDiagView();
    EXPECT_FALSE(diag.IsActive());

    // Ctrl+Tab and Ctrl+Shift+Tab.
    frame.SendMessage(WM_COMMAND, ID_NEXT_TAB);
    EXPECT_TRUE(diag.IsActive());
    EXPECT_TRUE(::IsWindowVisible(diag) || !frame.IsWindowVisible());
    frame.SendMessage(WM_COMMAND, ID_PREV_TAB);
    EXPECT_FALSE(diag.IsActive());

    // Removing the shown tab shows its neighbour the same way.
    frame.SendMessage(WM_COMMAND, ID_SERVICE_MONITOR);
    ASSERT_TRUE(frame.SelectTab(frame.FindTab(CMainFrame::TabMonitorLog)));
    EXPECT_FALSE(diag.IsActive());
    frame.SendMessage(WM_COMMAND, ID_SERVICE_MONITOR);
    EXPECT_EQ(CMainFrame::TabDiagnostics, frame.GetCurrentTabKind());
    EXPECT_TRUE(diag.IsActive());

    // A page that refuses to be left keeps its tab for keys and clicks.
    ASSERT_TRUE(::SetWindowSubclass(diag.m_hWnd, RefuseToBeLeft, 1, 0));
    frame.SendMessage(WM_COMMAND, ID_NEXT_TAB);
    EXPECT_EQ(CMainFrame::TabDiagnostics, frame.GetCurrentTabKind());
    frame.SendMessage(WM_COMMAND, ID_PREV_TAB);
    EXPECT_EQ(CMainFrame::TabDiagnostics, frame.GetCurrentTabKind());
    NMHDR changing = { frame.GetTabControl(), (UINT_PTR)::GetDlgCtrlID(frame.GetTabControl()), (UINT)TCN_SELCHANGING };
    EXPECT_NE(0, frame.SendMessage(WM_NOTIFY, changing.idFrom, (LPARAM)&changing));
    ::RemoveWindowSubclass(diag.m_hWnd, RefuseToBeLeft, 1);
    frame.SendMessage(WM_COMMAND, ID_NEXT_TAB);
    EXPECT_EQ(CMainFrame::TabConfiguration, frame.GetCurrentTabKind());
    frame.DestroyWindow();
}

TEST(VersionText, MajorAndMinorAreReadWhateverFollowsThem)
{
    const struct
    {
        const char* text;
        bool parsed;
        int major, minor;
    } cases[] = { { "3.0", true, 3, 0 },    { "3.0 beta", true, 3, 0 }, { "3.0.0.5", true, 3, 0 },
                  { "2.9.1", true, 2, 9 },  { "3", false, 0, 0 },       { "", false, 0, 0 },
                  { "beta", false, 0, 0 } };
    for (const auto& c : cases)
    {
        int major = 0, minor = 0;
        EXPECT_EQ(c.parsed, ParseVersionMajorMinor(c.text, &major, &minor)) << c.text;
        EXPECT_EQ(c.major, major) << c.text;
        EXPECT_EQ(c.minor, minor) << c.text;
    }
}
