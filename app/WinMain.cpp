// The program's entry: the order in which the module, the settings, the
// language, the network layer and the main window come up, and how each
// failure ends the program.
#include "wcl/WindowImpl.h"
#include "wcl/AppModule.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"
#include "app/MainFrame.h"
#include "comm/Link.h"
#include "comm/UsbPort.h"

namespace
{
// Names the start-up mutex. Nothing opens it: a second copy starts normally.
const char kStartupMutexName[] = "{5C3E8F21-7A4D-4B9E-A1C6-2F8D03E7B194}";
}

// Asks for the device's arrival and removal notices; replaceable, so that a
// test can make the start fail after the main window exists.
bool (*g_RegisterDeviceNotices)(HWND window) = RegisterUsbNotification;

// Everything between the module's start and its end. Every failure returns 0:
// the language module has shown its own message, the others show none.
// Callable from tests.
int Run(LPSTR commandLine, int show)
{
    // 1. Settings; 2. the language they name.
    g_Settings.Load();
    g_PathSettings.Load();
    if (!g_Language.SelectLanguage((int)g_Settings.Language))
        return 0;

    // 3. The serial and TCP links need Winsock 2.2.
    WSADATA wsaData;
    if (::WSAStartup(MAKEWORD(2, 2), &wsaData) != 0)
        return 0;

    // 4. The message loop, registered so that windows can add their filters.
    CMessageLoop loop;
    g_Module.AddMessageLoop(&loop);

    // 5. The main window, with its bars, tabs and the quiet first connect.
    CMainFrame frame;
    if (!frame.CreateFrame())
    {
        g_Module.RemoveMessageLoop();
        return 0;
    }

    // 6. The device's USB port comes and goes while the program runs.
    if (!g_RegisterDeviceNotices(frame))
    {
        // The frame may have started the link already: nothing of it may
        // outlive the failed start.
        CommClose();
        frame.DestroyWindow();
        g_Module.RemoveMessageLoop();
        return 0;
    }

    // 7, 8. Dropped files, then show: maximised when it was closed so.
    ::DragAcceptFiles(frame, TRUE);
    frame.ShowWindow(frame.m_maximized ? SW_SHOWMAXIMIZED : show);
    frame.UpdateWindow();

    // 9. Until the main window has closed.
    int result = loop.Run();

    // 10. Shutdown in reverse order.
    g_Module.RemoveMessageLoop();
    UnregisterUsbNotification();
    ::WSACleanup();
    g_PathSettings.Save();
    return result;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    // OLE, not only COM: the web page activates the browser control in place.
    ::OleInitialize(NULL);
    ::CreateMutexA(NULL, FALSE, kStartupMutexName);

    // Every control class the windows and pages use, registered before the
    // first of them is made from a template.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                           ICC_INTERNET_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES |
                                                           ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    // The log views are rich edit controls.
    HMODULE richEdit = ::LoadLibraryA("RICHED20.DLL");

    g_Module.Init(instance);

    int code = Run(commandLine, show);

    if (richEdit)
        ::FreeLibrary(richEdit);
    g_Module.Term();
    ::OleUninitialize();
    return code;
}
