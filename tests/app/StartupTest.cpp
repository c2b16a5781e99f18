#include "tests/support/EngineFrame.h"
#include "tests/app/FrameTestSupport.h"
#include "comm/Link.h"
#include "comm/UsbPort.h"

// The program's run function (app/WinMain.cpp) and its device notice seam.
int Run(LPSTR commandLine, int show);
extern bool (*g_RegisterDeviceNotices)(HWND window);

namespace
{
BOOL CALLBACK CountVisible(HWND wnd, LPARAM param)
{
    if (::IsWindowVisible(wnd))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

int VisibleThreadWindows()
{
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountVisible, (LPARAM)&count);
    return count;
}

bool PathSettingsSaved()
{
    return frametest::StoredDword(nullptr, "SplitterPos1") != 0xDEADBEEF;
}

BOOL CALLBACK CloseVisible(HWND wnd, LPARAM)
{
    if (::IsWindowVisible(wnd))
        ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    return TRUE;
}

bool s_wasZoomed = false;

void CALLBACK NoteZoomedAndClose(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(NULL, id);
    s_wasZoomed = g_hMainWnd && ::IsZoomed(g_hMainWnd);
    ::EnumThreadWindows(::GetCurrentThreadId(), CloseVisible, 0);
}

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override
    {
        DeleteSettingsKey();
        g_Settings.SetDefaults();
    }
};
}

// A language fault (here the configured language is not in the list; the
// language module's tests hold every fault's message) ends the program with
// exit code 0 before any window is shown.
TEST_F(StartupTest, ALanguageFaultEndsTheProgramBeforeAWindowShows)
{
    CTestLanguage lang;
    lang.WriteLanguage("strAppName=Test\r\n");
    frametest::StoreDword("Language", 2);
    CMessageBoxRecorder boxes;
    EXPECT_EQ(0, ::Run(const_cast<char*>(""), SW_SHOWNORMAL));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("Cannot find language setting!", boxes.Last().text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), boxes.Last().flags);
    EXPECT_EQ(0, VisibleThreadWindows());
    EXPECT_FALSE(PathSettingsSaved()) << "no save on a failed start";
}

TEST_F(StartupTest, StoredMaximisedPlacementOpensMaximisedWhateverTheShowState)
{
    const std::pair<const char*, DWORD> values[] = { { "x", 40 }, { "y", 30 }, { "cx", 640 }, { "cy", 500 },
                                                     { "Maximized", 1 } };
    for (const auto& v : values)
        frametest::StoreDword(v.first, v.second);

    // The shipped language starts the main window; closing it saves the paths.
    CMessageBoxRecorder boxes;
    s_wasZoomed = false;
    ::SetTimer(NULL, 0, 200, NoteZoomedAndClose);
    EXPECT_EQ(0, ::Run(const_cast<char*>(""), SW_SHOWNORMAL));
    EXPECT_TRUE(g_Language.IsAvailable());
    EXPECT_TRUE(PathSettingsSaved());
    EXPECT_TRUE(s_wasZoomed);
    // Closed while maximised: the restored rectangle and the flag are kept.
    for (const auto& v : values)
        EXPECT_EQ(v.second, frametest::StoredDword(nullptr, v.first)) << v.first;
    EXPECT_EQ(0u, boxes.Count());
}

namespace
{
HWND s_refusedWindow = NULL;
int s_linkStateAtRefusal = -1;

bool RefuseDeviceNotices(HWND window)
{
    s_refusedWindow = window;
    s_linkStateAtRefusal = CommState();
    return false;
}
}

// The main window exists and has started its link when the device notices
// are refused: neither may outlive the failed start.
TEST_F(StartupTest, RefusedDeviceNoticesCloseTheLinkAndTheWindow)
{
    devsim::CDeviceSimulator sim;
    const int port = sim.StartTcp();
    ASSERT_NE(0, port);
    g_Settings.SetDefaults();
    enginetest::UseLoopbackTcp(port);
    g_Settings.Save();

    CMessageBoxRecorder boxes;
    g_RegisterDeviceNotices = RefuseDeviceNotices;
    const int code = ::Run(const_cast<char*>(""), SW_SHOWNORMAL);
    g_RegisterDeviceNotices = RegisterUsbNotification;
    EXPECT_EQ(0, code);
    ASSERT_NE((HWND)NULL, s_refusedWindow);
    EXPECT_NE(0, s_linkStateAtRefusal) << "the frame had started its link";
    EXPECT_FALSE(::IsWindow(s_refusedWindow));
    EXPECT_EQ(0, CommState());
    EXPECT_EQ(0, VisibleThreadWindows());
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_FALSE(PathSettingsSaved()) << "no save on a failed start";
    frametest::DropQuitRequest();
    sim.Stop();
    ::WSACleanup();
}
