#include <gtest/gtest.h>
#include "app/AnnouncementDlg.h"
#include "base/AppSettings.h"
#include "app/CommunicationDlg.h"
#include "app/DateTimeDlg.h"
#include "app/GsmModuleDlg.h"
#include "app/LanguageDlg.h"
#include "app/LoginDlg.h"
#include "app/MainFrame.h"
#include "app/PasswordDlg.h"
#include "base/PathSettings.h"
#include "app/ProgressDlg.h"
#include "app/SysInfoDlg.h"
#include "app/WaitDlg.h"
#include "wcl/AppModule.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/StrayDialogCloser.h"
#include "tests/support/TestLanguage.h"
#include "tests/app/FrameTestSupport.h"
#include <memory>
#include <set>
#include <string>
#include <vector>

// The dialogs run modeless from their templates: controls are set as a user
// sets them, buttons are pressed through WM_COMMAND, and what the dialog
// keeps is read back.
using namespace frametest;

namespace
{

std::vector<std::string> ListEntries(HWND dlg)
{
    HWND list = ::GetDlgItem(dlg, IDC_SELECT_LIST);
    std::vector<std::string> entries;
    int count = (int)::SendMessage(list, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
    {
        char text[256] = "";
        ::SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        entries.push_back(text);
    }
    return entries;
}

int ListSelection(HWND dlg)
{
    return (int)::SendDlgItemMessageA(dlg, IDC_SELECT_LIST, CB_GETCURSEL, 0, 0);
}

void Press(HWND dlg, int id)
{
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dlg, id));
}

bool Enabled(HWND dlg, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE;
}

// A modeless instance of a dialog class, destroyed with the test.
template <class T>
struct Modeless
{
    T& dlg;
    explicit Modeless(T& d) : dlg(d) { dlg.Create(NULL); }
    ~Modeless()
    {
        if (dlg.IsWindow())
            dlg.DestroyWindow();
    }
    HWND hwnd() const { return dlg.m_hWnd; }
};

class AppDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
        ::InitCommonControlsEx(&icc);
        ASSERT_TRUE(SelectShippedLanguage());
        g_Settings.SetDefaults();
    }
    void TearDown() override
    {
        g_Settings.SetDefaults();
        EXPECT_EQ(0, m_net.Count()) << "a system message box bypassed the program's own";
    }
    CMessageBoxRecorder m_boxes;
    CStrayDialogCloser m_net;
};
}

TEST_F(AppDialogsTest, DownloadProgressClosesItselfAtTheEnd)
{
    int cancels = 0;
    CProgressDlg dlg(CProgressDlg::KIND_DOWNLOAD, 100, [&] { ++cancels; });
    Modeless<CProgressDlg> m(dlg);
    ASSERT_TRUE(m.hwnd());
    EXPECT_EQ("Reading Configuration", WindowText(m.hwnd()));
    HWND bar = ::GetDlgItem(m.hwnd(), IDC_PROGRESS_BAR);
    EXPECT_TRUE(::GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    dlg.SetProgress(40);
    EXPECT_EQ(40, (int)::SendMessage(bar, PBM_GETPOS, 0, 0));
    EXPECT_EQ(0, dlg.GetResult());
    dlg.SetProgress(100);
    EXPECT_EQ("OK", ItemText(m.hwnd(), IDCANCEL));
    PumpFor(0);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_EQ(0, cancels);
}

TEST_F(AppDialogsTest, AbortQuestionDecidesTheCancel)
{
    int cancels = 0;
    CProgressDlg dlg(CProgressDlg::KIND_UPLOAD, 100, [&] { ++cancels; });
    Modeless<CProgressDlg> m(dlg);
    m_boxes.PushAnswer(IDNO);
    Press(m.hwnd(), IDCANCEL);
    ASSERT_EQ(1u, m_boxes.Count());
    EXPECT_EQ("strDataUploadAbort", m_boxes.Last().key);
    EXPECT_EQ("Abort", m_boxes.Last().caption);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND), m_boxes.Last().flags);
    EXPECT_EQ(0, cancels) << "No leaves the operation running";
    EXPECT_EQ(0, dlg.GetResult());
    EXPECT_TRUE(Enabled(m.hwnd(), IDCANCEL));

    m_boxes.PushAnswer(IDYES);
    Press(m.hwnd(), IDCANCEL);
    EXPECT_EQ(1, cancels);
    EXPECT_EQ(IDCANCEL, dlg.GetResult());
    EXPECT_TRUE(dlg.IsDone());
}

namespace
{
CProgressDlg* s_endingDialog = nullptr;
bool s_cancelWasEnabled = true;

// The engine reports the end while the user still reads the question.
int AnswerYesAfterTheEnd(HWND, const char*, const char*, UINT, const char*)
{
    s_cancelWasEnabled = ::IsWindowEnabled(::GetDlgItem(s_endingDialog->m_hWnd, IDCANCEL)) != FALSE;
    s_endingDialog->Close();
    return IDYES;
}
}

TEST_F(AppDialogsTest, AbortAnsweredAfterTheEndCancelsNothing)
{
    int cancels = 0;
    CProgressDlg dlg(CProgressDlg::KIND_DOWNLOAD, 100, [&] { ++cancels; });
    Modeless<CProgressDlg> m(dlg);
    s_endingDialog = &dlg;
    MessageBoxHook previous = SetMessageBoxHook(AnswerYesAfterTheEnd);
    Press(m.hwnd(), IDCANCEL);
    SetMessageBoxHook(previous);
    EXPECT_FALSE(s_cancelWasEnabled) << "Cancel is disabled while the question is open";
    EXPECT_EQ(0, cancels);
    PumpFor(0);
    EXPECT_EQ(IDOK, dlg.GetResult());
}

TEST_F(AppDialogsTest, NoticeClosedBeforeItOpensEndsAtOnce)
{
    // The device was back before the notice came up: a notice without
    // buttons must not stay on screen for good.
    CWaitDlg notice("strNotifyRestart");
    notice.Close();
    Modeless<CWaitDlg> w(notice);
    PumpFor(0);
    EXPECT_EQ(IDOK, notice.GetResult());

    CProgressDlg progress(CProgressDlg::KIND_UPLOAD, 100, [] {});
    progress.Close();
    Modeless<CProgressDlg> p(progress);
    PumpFor(0);
    EXPECT_EQ(IDOK, progress.GetResult());
}

TEST_F(AppDialogsTest, SystemInformationValues)
{
    // A peripheral board with nothing known beyond its name and address,
    // then the control board with every value.
    SysInfoData info = {};
    info.boardType = 0x85;
    strcpy(info.loaderVersion, "L 1.02");
    strcpy(info.deviceName, "Gateway 7");
    info.dataPartition = 2;
    strcpy(info.ipAddress, "192.168.1.20");
    info.dhcp = 1;
    SysInfoData control = info;
    control.boardType = 0x83, control.dataVersion = 0x10203, control.dataPartition = 0;
    control.dhcp = 0, control.port = 1002;
    const struct
    {
        int id;
        const char *peripheral, *control;
    } rows[] = {
        { IDC_SYSINFO_GROUP, "Peripheral board 1", "Control board" },
        { IDC_SYSINFO_FIRMWARE, "n/a", "n/a" },
        { IDC_SYSINFO_LOADER, "L 1.02", "L 1.02" },
        { IDC_SYSINFO_NAME, "Gateway 7", "Gateway 7" },
        { IDC_SYSINFO_DATA_VERSION, "n/a", "0x010203" },
        { IDC_SYSINFO_DATA_PARTITION, "n/a", "0" },
        { IDC_SYSINFO_IP_ADDRESS, "192.168.1.20", "192.168.1.20" },
        { IDC_SYSINFO_GATEWAY, "n/a", "n/a" },
        { IDC_SYSINFO_DHCP, "Yes", "No" },
        { IDC_SYSINFO_PORT, "n/a", "1002" },
    };
    CSysInfoDlg p(info), c(control);
    Modeless<CSysInfoDlg> mp(p), mc(c);
    EXPECT_EQ("System Information", WindowText(mp.hwnd()));
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.peripheral, ItemText(mp.hwnd(), row.id)) << row.id;
        EXPECT_EQ(row.control, ItemText(mc.hwnd(), row.id)) << row.id;
    }
    Press(mc.hwnd(), IDOK);
    EXPECT_EQ(IDOK, c.GetResult());
}

TEST_F(AppDialogsTest, DateAndTimeKeepTheirRangeAndSynchronise)
{
    CDateTimeDlg dlg;
    dlg.m_time.wYear = 2024, dlg.m_time.wMonth = 2, dlg.m_time.wDay = 29;
    dlg.m_time.wHour = 13, dlg.m_time.wMinute = 45, dlg.m_time.wSecond = 10;
    dlg.m_lastSyncPresent = 1;
    dlg.m_lastSync[0] = 3, dlg.m_lastSync[1] = 7;
    dlg.m_lastSyncYear = 2023;
    Modeless<CDateTimeDlg> m(dlg);
    EXPECT_EQ("Last synchronization: 03.07.2023", ItemText(m.hwnd(), IDC_DIALOG_TEXT));

    HWND datePicker = ::GetDlgItem(m.hwnd(), IDC_DATE_PICKER);
    SYSTEMTIME early = dlg.m_time;
    early.wYear = 1999;
    ::SendMessage(datePicker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&early);
    SYSTEMTIME shown = {};
    ::SendMessage(datePicker, DTM_GETSYSTEMTIME, 0, (LPARAM)&shown);
    EXPECT_EQ(2024, shown.wYear) << "the picker refuses dates before 2000";

    Press(m.hwnd(), IDOK);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_EQ(2024, dlg.m_time.wYear);
    EXPECT_EQ(29, dlg.m_time.wDay);
    EXPECT_EQ(13, dlg.m_time.wHour);
    EXPECT_EQ(10, dlg.m_time.wSecond);

    // The last day of the range is the device's date, not today's.
    CDateTimeDlg last;
    last.m_time.wYear = 2099, last.m_time.wMonth = 12, last.m_time.wDay = 31;
    Modeless<CDateTimeDlg> l(last);
    ::SendDlgItemMessageA(l.hwnd(), IDC_DATE_PICKER, DTM_GETSYSTEMTIME, 0, (LPARAM)&shown);
    EXPECT_EQ(2099, shown.wYear);
    EXPECT_EQ(31, shown.wDay);

    CDateTimeDlg sync;
    sync.m_lastSyncPresent = 1;
    Modeless<CDateTimeDlg> s(sync);
    EXPECT_EQ("The last synchronization failed.", ItemText(s.hwnd(), IDC_DIALOG_TEXT));
    SYSTEMTIME before;
    ::GetLocalTime(&before);
    Press(s.hwnd(), IDC_DATETIME_SYNCHRONIZE);
    PumpFor(0);
    EXPECT_EQ(IDOK, sync.GetResult());
    EXPECT_EQ(before.wYear, sync.m_time.wYear);
    EXPECT_EQ(before.wDay, sync.m_time.wDay);
}

namespace
{
// COM1 and COM10 are free, COM3 is held by another program, COM5 fails.
DWORD FakePorts(int number)
{
    switch (number)
    {
    case 1:
    case 10:
        return ERROR_SUCCESS;
    case 3:
        return ERROR_ACCESS_DENIED;
    case 5:
        return ERROR_GEN_FAILURE;
    default:
        return ERROR_FILE_NOT_FOUND;
    }
}

struct FakePortScope
{
    ComPortProbe previous = SetComPortProbe(FakePorts);
    ~FakePortScope() { SetComPortProbe(previous); }
};
}

TEST_F(AppDialogsTest, CommunicationListsPortsAndMatchesTheWholeName)
{
    FakePortScope ports;
    CCommunicationDlg dlg(0, "com1", "", 0);
    Modeless<CCommunicationDlg> m(dlg);
    HWND h = m.hwnd();
    std::vector<std::string> names = ListEntries(h);
    ASSERT_EQ(3u, names.size()) << "a port in use is listed all the same";
    EXPECT_EQ("COM1", names[0]);
    EXPECT_EQ("COM10", names[1]);
    EXPECT_EQ("COM3", names[2]);
    EXPECT_EQ(0, ListSelection(h)) << "COM1, not COM10";
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(h, IDC_LINK_USB));
    EXPECT_TRUE(Enabled(h, IDC_SELECT_LIST));
    EXPECT_FALSE(Enabled(h, IDC_TCP_ADDRESS));
    EXPECT_FALSE(Enabled(h, IDC_TCP_PORT));
    EXPECT_EQ("", ItemText(h, IDC_TCP_PORT)) << "port 0 is not shown";

    // The user switches to TCP and leaves the port box empty.
    ::SendDlgItemMessageA(h, IDC_LINK_TCP, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(h, IDC_LINK_USB)) << "one click clears the other link";
    EXPECT_FALSE(Enabled(h, IDC_SELECT_LIST));
    EXPECT_TRUE(Enabled(h, IDC_TCP_PORT));
    ::SetDlgItemTextA(h, IDC_TCP_ADDRESS, "gw.example");
    Press(h, IDOK);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_EQ(1u, dlg.m_linkMode);
    EXPECT_STREQ("COM1", dlg.m_portName);
    EXPECT_STREQ("gw.example", dlg.m_tcpAddress);
    EXPECT_EQ(0xFFFFFFFFu, dlg.m_tcpPort) << "an empty port box gives -1";
}

TEST_F(AppDialogsTest, CommunicationKeepsAnAbsentPortAndClampsThePortBox)
{
    FakePortScope ports;
    CCommunicationDlg dlg(1, "COM7", "10.0.0.1", 1002);
    Modeless<CCommunicationDlg> m(dlg);
    HWND h = m.hwnd();
    EXPECT_EQ(-1, ListSelection(h));
    EXPECT_EQ("1002", ItemText(h, IDC_TCP_PORT));
    EXPECT_EQ("10.0.0.1", ItemText(h, IDC_TCP_ADDRESS));
    EXPECT_FALSE(Enabled(h, IDC_SELECT_LIST));
    EXPECT_EQ(63, (int)::SendDlgItemMessageA(h, IDC_TCP_ADDRESS, EM_GETLIMITTEXT, 0, 0));
    ::SetDlgItemTextA(h, IDC_TCP_PORT, "70000");
    Press(h, IDOK);
    EXPECT_STREQ("COM7", dlg.m_portName) << "the configured port stays when it is absent";
    EXPECT_EQ(65535u, dlg.m_tcpPort);

    // A stored port outside 1..65535 is no port: the box stays empty and OK
    // keeps it unconfigured instead of inventing port 1 or 65535.
    for (DWORD stored : {0xFFFFFFFFu, 70000u})
    {
        CCommunicationDlg unset(1, "", "10.0.0.1", stored);
        Modeless<CCommunicationDlg> u(unset);
        EXPECT_EQ("", ItemText(u.hwnd(), IDC_TCP_PORT)) << stored;
        Press(u.hwnd(), IDOK);
        EXPECT_EQ(0xFFFFFFFFu, unset.m_tcpPort) << stored;
    }

    CCommunicationDlg fresh(0, "", "", 1002);
    Modeless<CCommunicationDlg> f(fresh);
    EXPECT_EQ(0, ListSelection(f.hwnd())) << "no configured port: the first one";
}


namespace
{
int s_linkState = 1;
int FakeLinkState()
{
    return s_linkState;
}
}

namespace
{
// The edits a dialog gives the password character '*' while it is made:
// Wine shows '*' by itself, Windows with visual styles a dot unless told.
struct StarPasswordEdits
{
    StarPasswordEdits()
    {
        s_ids = &ids;
        hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &Proc, NULL, ::GetCurrentThreadId());
    }
    ~StarPasswordEdits()
    {
        ::UnhookWindowsHookEx(hook);
        s_ids = nullptr;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_ids && call->message == EM_SETPASSWORDCHAR && call->wParam == '*')
            s_ids->insert(::GetDlgCtrlID(call->hwnd));
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    static std::set<int>* s_ids;
    std::set<int> ids;
    HHOOK hook;
};
std::set<int>* StarPasswordEdits::s_ids = nullptr;
}

TEST_F(AppDialogsTest, LoginTakesThePasswordAndTheWaitEndsWithTheAttempt)
{
    CLoginDlg login;
    StarPasswordEdits stars;
    Modeless<CLoginDlg> m(login);
    EXPECT_EQ(std::set<int>{ IDC_LOGIN_PASSWORD }, stars.ids);
    EXPECT_EQ(32, (int)::SendDlgItemMessageA(m.hwnd(), IDC_LOGIN_PASSWORD, EM_GETLIMITTEXT, 0, 0));
    ::SetDlgItemTextA(m.hwnd(), IDC_LOGIN_PASSWORD, "secret");
    Press(m.hwnd(), IDOK);
    EXPECT_EQ(IDOK, login.GetResult());
    EXPECT_STREQ("secret", login.m_password);

    s_linkState = 1;
    CLoginWaitDlg wait(FakeLinkState);
    Modeless<CLoginWaitDlg> w(wait);
    PumpFor(0);
    EXPECT_FALSE(::IsWindowVisible(w.hwnd()));
    EXPECT_FALSE(wait.CheckAttempt()) << "attempt still in progress";
    EXPECT_EQ(0, wait.GetResult());
    s_linkState = 0;
    ::SendMessageA(w.hwnd(), WM_TIMER, CLoginWaitDlg::kTimerId, 0);
    EXPECT_EQ(IDOK, wait.GetResult());
}

TEST_F(AppDialogsTest, PasswordChangeChecksTheConfirmationAndWaitsOnlyWhenSent)
{
    std::vector<std::pair<std::string, std::string>> sent;
    bool sendWorks = true;
    CPasswordDlg dlg([&](const char* newPassword, const char* oldPassword) {
        sent.emplace_back(newPassword, oldPassword);
        return sendWorks;
    });
    StarPasswordEdits stars;
    Modeless<CPasswordDlg> m(dlg);
    EXPECT_EQ((std::set<int>{ IDC_PASSWORD_OLD, IDC_PASSWORD_NEW, IDC_PASSWORD_CONFIRM }), stars.ids);
    HWND h = m.hwnd();
    ::SetDlgItemTextA(h, IDC_PASSWORD_OLD, "old");
    ::SetDlgItemTextA(h, IDC_PASSWORD_NEW, "new1");
    ::SetDlgItemTextA(h, IDC_PASSWORD_CONFIRM, "new2");
    Press(h, IDOK);
    ASSERT_EQ(1u, m_boxes.Count());
    EXPECT_EQ("strPasswordConfirmFailed", m_boxes.Last().key);
    EXPECT_EQ("Error", m_boxes.Last().caption);
    EXPECT_EQ("", ItemText(h, IDC_PASSWORD_NEW));
    EXPECT_EQ("", ItemText(h, IDC_PASSWORD_CONFIRM));
    EXPECT_EQ("old", ItemText(h, IDC_PASSWORD_OLD));
    EXPECT_TRUE(sent.empty());

    ::SetDlgItemTextA(h, IDC_PASSWORD_NEW, "new");
    ::SetDlgItemTextA(h, IDC_PASSWORD_CONFIRM, "new");
    sendWorks = false;
    Press(h, IDOK);
    ASSERT_EQ(1u, sent.size());
    EXPECT_FALSE(dlg.IsWaiting()) << "nothing went out: nothing to wait for";
    EXPECT_TRUE(Enabled(h, IDCANCEL));

    sendWorks = true;
    Press(h, IDOK);
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ("new", sent[1].first);
    EXPECT_EQ("old", sent[1].second);
    EXPECT_TRUE(dlg.IsWaiting());
    EXPECT_FALSE(Enabled(h, IDC_PASSWORD_OLD));
    EXPECT_FALSE(Enabled(h, IDOK));
    Press(h, IDCANCEL);
    EXPECT_EQ(0, dlg.GetResult()) << "cannot be closed while the device works";

    dlg.OnChangeFailed(6);
    EXPECT_EQ("strPasswordOldFailed", m_boxes.Last().key);
    EXPECT_EQ("", ItemText(h, IDC_PASSWORD_OLD));
    EXPECT_TRUE(Enabled(h, IDOK));
    EXPECT_FALSE(dlg.IsWaiting());

    dlg.OnChangeFailed(9, "wrong state");
    EXPECT_EQ("The device refused the request: wrong state", m_boxes.Last().text);

    ::SetDlgItemTextA(h, IDC_PASSWORD_OLD, "old");
    Press(h, IDOK);
    EXPECT_TRUE(dlg.IsWaiting());
    dlg.OnChangeDone();
    PumpFor(0);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_STREQ("new", dlg.m_newPassword);
}

// The language command of the main window: the chosen language is selected
// first; only a language in use becomes the setting.
namespace
{
int s_languageToChoose = 0;
const char* s_fileToRemove = nullptr;

// The user picks the entry of a language number and presses OK; a file to
// remove disappears just before (another program, a network drive).
void ChooseLanguage(HWND dlg, void*)
{
    HWND list = ::GetDlgItem(dlg, IDC_SELECT_LIST);
    int count = (int)::SendMessage(list, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        if ((int)::SendMessage(list, CB_GETITEMDATA, i, 0) == s_languageToChoose)
            ::SendMessage(list, CB_SETCURSEL, i, 0);
    if (s_fileToRemove)
        ::DeleteFileA(s_fileToRemove);
    ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

bool StoredLanguage(DWORD* value)
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof(*value);
    bool found = ::RegQueryValueExA(key, "Language", NULL, NULL, (BYTE*)value, &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return found;
}

class LanguageSwitchTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ::LoadLibraryA("RICHED20.DLL"); }
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES};
        ::InitCommonControlsEx(&icc);
        DeleteSettingsKey();
        g_Settings.SetDefaults();
        g_PathSettings.SetDefaults();
        char shipped[MAX_PATH];
        ::GetCurrentDirectoryA(sizeof(shipped), shipped);
        m_lang.reset(new CTestLanguage);
        ASSERT_TRUE(::CopyFileA((std::string(shipped) + "\\English.lng").c_str(),
                                m_lang->PathOf("English.lng").c_str(), FALSE));
        m_lang->WriteFile("LANG.INI", "[general]\r\nnum_languages=4\r\n"
                                      "[language names]\r\n1=English\r\n2=Old\r\n3=Gone\r\n4=Second\r\n"
                                      "[language files]\r\n1=English.lng\r\n2=Old.lng\r\n3=Gone.lng\r\n"
                                      "4=Second.lng\r\n");
        m_lang->WriteFile("Old.lng", "[general]\r\nversion=2.0.0.1\r\n[strings]\r\nstrAppName=Old\r\n");
        m_lang->WriteFile("Gone.lng", "[general]\r\nversion=3.0.0.5\r\n[strings]\r\nstrAppName=Gone\r\n");
        m_lang->WriteFile("Second.lng", "[general]\r\nversion=3.0.0.5\r\n[strings]\r\nstrAppName=Zweite\r\n"
                                        "[menus]\r\nmenuMainFile=&Datei\r\n");
        ASSERT_TRUE(g_Language.SelectLanguage(1));
        g_Module.AddMessageLoop(&m_loop);
        ASSERT_TRUE(m_frame.CreateFrame());
    }
    void TearDown() override
    {
        if (m_frame.IsWindow())
            m_frame.DestroyWindow();
        g_Module.RemoveMessageLoop();
        s_fileToRemove = nullptr;
        m_lang.reset();
        DeleteSettingsKey();
        g_Settings.SetDefaults();
        EXPECT_EQ(0, m_net.Count()) << "a system message box bypassed the program's own";
    }
    // Runs the language command with the user choosing 'language'.
    void ChooseInTheDialog(int language)
    {
        s_languageToChoose = language;
        CModalDialogAnswerer answerer(ChooseLanguage, nullptr);
        m_frame.SendMessage(WM_COMMAND, ID_OPTIONS_LANGUAGE);
        EXPECT_EQ(1, answerer.Answered());
        EXPECT_EQ(0, answerer.Overdue());
    }
    std::string AppName()
    {
        char text[128] = "";
        g_Language.GetString("strAppName", text, sizeof(text));
        return text;
    }

    std::unique_ptr<CTestLanguage> m_lang;
    CMessageLoop m_loop;
    CMainFrame m_frame;
    CMessageBoxRecorder m_boxes;
    CStrayDialogCloser m_net;
};
}

TEST_F(LanguageSwitchTest, UnusableFileKeepsTheLanguageInUseAndSavesNothing)
{
    std::string gone = m_lang->PathOf("Gone.lng");
    std::string upper = gone;
    ::CharUpperA(&upper[0]);
    const struct
    {
        int language;
        const char* removed;
        std::string message;
    } cases[] = {
        { 2, nullptr, "Incompatible version of the language file!" },
        { 3, gone.c_str(), "Cannot find language file " + upper + "!" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.language);
        m_boxes.Clear();
        s_fileToRemove = c.removed;
        ChooseInTheDialog(c.language);
        ASSERT_EQ(1u, m_boxes.Count());
        EXPECT_EQ(c.message, m_boxes.Last().text);
        EXPECT_TRUE(g_Language.IsAvailable()) << "back to the language in use";
        EXPECT_EQ(m_lang->PathOf("English.lng"), g_Language.GetLanguageFile());
        EXPECT_EQ("Velmotrex Configuration", AppName());
        EXPECT_EQ(1u, g_Settings.Language);
        DWORD stored = 0;
        EXPECT_FALSE(StoredLanguage(&stored)) << "the setting was not written";
        EXPECT_NE(std::string::npos, WindowText(m_frame.m_hWnd).find("Velmotrex Configuration"));
    }
    // Later message boxes still have their texts: the program stays usable.
    g_Language.MessageBoxKey("strAppName", nullptr, MB_OK);
    EXPECT_EQ("Velmotrex Configuration", m_boxes.Last().text);
}

TEST_F(LanguageSwitchTest, UsableLanguageBecomesTheSettingAndRetranslatesTheWindow)
{
    ChooseInTheDialog(4);
    EXPECT_EQ(0u, m_boxes.Count());
    EXPECT_EQ("Zweite", AppName());
    EXPECT_EQ(4u, g_Settings.Language);
    DWORD stored = 0;
    ASSERT_TRUE(StoredLanguage(&stored));
    EXPECT_EQ(4u, stored);
    EXPECT_NE(std::string::npos, WindowText(m_frame.m_hWnd).find("Zweite"));
    char menu[64] = "";
    ::GetMenuStringA(m_frame.GetCommandBar().GetMenu(), 0, menu, sizeof(menu), MF_BYPOSITION);
    EXPECT_STREQ("&Datei", menu);
}
