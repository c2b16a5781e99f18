#include "app/AnnouncementDlg.h"
#include "app/CommunicationDlg.h"
#include "app/DateTimeDlg.h"
#include "app/LanguageDlg.h"
#include "app/LoginDlg.h"
#include "app/PasswordDlg.h"
#include "app/SysInfoDlg.h"
#include "tests/support/StarPasswordEdits.h"
#include "tests/support/StrayDialogCloser.h"
#include "tests/app/FrameTestSupport.h"
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

// The dialogs run modeless from their templates: controls are set as a user
// sets them, buttons are pressed through WM_COMMAND, and what the dialog
// keeps is read back.
using namespace frametest;

namespace
{

// The entries of the dialog's list as "first|second|...".
std::string ListEntries(HWND dlg)
{
    std::string entries;
    char text[256];
    for (int i = 0; ::SendDlgItemMessageA(dlg, IDC_SELECT_LIST, CB_GETLBTEXT, i, (LPARAM)text) != CB_ERR; ++i)
        entries += (i ? "|" : "") + std::string(text);
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

std::string DateTimeText(const SYSTEMTIME& t)
{
    char text[32];
    sprintf(text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
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

TEST_F(AppDialogsTest, ProgressEndsByItselfOrByTheAbortQuestionAndANoticeClosedEarlyEndsAtOnce)
{
    int cancels = 0;
    CProgressDlg dlg(CProgressDlg::KIND_DOWNLOAD, 100, [&] { ++cancels; });
    Modeless<CProgressDlg> m(dlg);
    EXPECT_EQ("Reading Configuration", WindowText(m.hwnd()));
    dlg.SetProgress(40);
    EXPECT_EQ(40, (int)::SendDlgItemMessageA(m.hwnd(), IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
    EXPECT_EQ(0, dlg.GetResult());
    dlg.SetProgress(100);
    EXPECT_EQ("OK", ItemText(m.hwnd(), IDCANCEL));
    PumpFor(0);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_EQ(0, cancels);

    // The abort question: No leaves the operation running, Yes cancels it.
    CProgressDlg upload(CProgressDlg::KIND_UPLOAD, 100, [&] { ++cancels; });
    Modeless<CProgressDlg> u(upload);
    m_boxes.PushAnswer(IDNO);
    Press(u.hwnd(), IDCANCEL);
    ASSERT_EQ("strDataUploadAbort", BoxKeys(m_boxes));
    EXPECT_EQ("Abort", m_boxes.Last().caption);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND), m_boxes.Last().flags);
    EXPECT_EQ(0, cancels);
    EXPECT_EQ(0, upload.GetResult());
    EXPECT_TRUE(Enabled(u.hwnd(), IDCANCEL));
    m_boxes.PushAnswer(IDYES);
    Press(u.hwnd(), IDCANCEL);
    EXPECT_EQ(1, cancels);
    EXPECT_EQ(IDCANCEL, upload.GetResult());
    EXPECT_TRUE(upload.IsDone());

    // Yes after the operation ended cancels nothing.
    int lateCancels = 0;
    CProgressDlg ending(CProgressDlg::KIND_DOWNLOAD, 100, [&] { ++lateCancels; });
    Modeless<CProgressDlg> e(ending);
    s_endingDialog = &ending;
    MessageBoxHook previous = SetMessageBoxHook(AnswerYesAfterTheEnd);
    Press(e.hwnd(), IDCANCEL);
    SetMessageBoxHook(previous);
    EXPECT_FALSE(s_cancelWasEnabled) << "Cancel is disabled while the question is open";
    EXPECT_EQ(0, lateCancels);
    PumpFor(0);
    EXPECT_EQ(IDOK, ending.GetResult());

    // The device was back before the notice came up: a notice without
    // buttons must not stay on screen for good.
    CWaitDlg notice("strNotifyRestart");
    notice.Close();
    Modeless<CWaitDlg> w(notice);
    CProgressDlg progress(CProgressDlg::KIND_UPLOAD, 100, [] {});
    progress.Close();
    Modeless<CProgressDlg> p(progress);
    PumpFor(0);
    EXPECT_EQ(IDOK, notice.GetResult());
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
    CSysInfoDlg p(info), c(control);
    Modeless<CSysInfoDlg> mp(p), mc(c);
    EXPECT_EQ("System Information", WindowText(mp.hwnd()));
    auto shown = [](HWND dlg) {
        return ItemTexts(dlg, { IDC_SYSINFO_GROUP, IDC_SYSINFO_FIRMWARE, IDC_SYSINFO_LOADER, IDC_SYSINFO_NAME,
                                IDC_SYSINFO_DATA_VERSION, IDC_SYSINFO_DATA_PARTITION, IDC_SYSINFO_IP_ADDRESS,
                                IDC_SYSINFO_GATEWAY, IDC_SYSINFO_DHCP, IDC_SYSINFO_PORT });
    };
    EXPECT_EQ("Peripheral board 1|n/a|L 1.02|Gateway 7|n/a|n/a|192.168.1.20|n/a|Yes|n/a", shown(mp.hwnd()));
    EXPECT_EQ("Control board|n/a|L 1.02|Gateway 7|0x010203|0|192.168.1.20|n/a|No|1002", shown(mc.hwnd()));
    Press(mc.hwnd(), IDOK);
    EXPECT_EQ(IDOK, c.GetResult());
}

TEST_F(AppDialogsTest, DateAndTimeKeepTheirRangeAndSynchronise)
{
    CDateTimeDlg dlg;
    dlg.m_time = SYSTEMTIME{ 2024, 2, 0, 29, 13, 45, 10, 0 };
    dlg.m_lastSyncPresent = 1;
    dlg.m_lastSync[0] = 3, dlg.m_lastSync[1] = 7;
    dlg.m_lastSyncYear = 2023;
    Modeless<CDateTimeDlg> m(dlg);
    EXPECT_EQ("Last synchronisation: 03.07.2023", ItemText(m.hwnd(), IDC_DIALOG_TEXT));
    // The picker refuses dates before 2000; OK keeps the time shown.
    SYSTEMTIME early = dlg.m_time;
    early.wYear = 1999;
    ::SendDlgItemMessageA(m.hwnd(), IDC_DATE_PICKER, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&early);
    Press(m.hwnd(), IDOK);
    EXPECT_EQ(IDOK, dlg.GetResult());
    EXPECT_EQ("2024-02-29 13:45:10", DateTimeText(dlg.m_time));

    // The last day of the range is the device's date, not today's.
    CDateTimeDlg last;
    last.m_time = SYSTEMTIME{ 2099, 12, 0, 31, 23, 59, 0, 0 };
    Modeless<CDateTimeDlg> l(last);
    SYSTEMTIME shown = {};
    ::SendDlgItemMessageA(l.hwnd(), IDC_DATE_PICKER, DTM_GETSYSTEMTIME, 0, (LPARAM)&shown);
    EXPECT_EQ("2099-12-31", DateTimeText(shown).substr(0, 10));

    // Synchronise takes the computer's time.
    CDateTimeDlg sync;
    Modeless<CDateTimeDlg> s(sync);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    Press(s.hwnd(), IDC_DATETIME_SYNCHRONIZE);
    PumpFor(0);
    EXPECT_EQ(IDOK, sync.GetResult());
    EXPECT_EQ(DateTimeText(now).substr(0, 10), DateTimeText(sync.m_time).substr(0, 10));
}

// The last-synchronisation line says only what the device's date record
// tells: nothing without its last-synchronisation part, and no failure when
// that part is empty (a device that was never synchronised).
TEST_F(AppDialogsTest, DateAndTimeShowTheLastSynchronisationTheDeviceReports)
{
    const struct
    {
        BYTE present, day, month;
        WORD year;
        const char* shown;
    } cases[] = {
        { 0, 0, 0, 0, "" },
        { 0, 3, 7, 2023, "" },
        { 1, 0, 0, 0, "Last synchronisation: none recorded" },
        { 1, 3, 7, 0, "Last synchronisation: 03.07.0000" },
        { 1, 28, 2, 2024, "Last synchronisation: 28.02.2024" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.shown);
        CDateTimeDlg dlg;
        dlg.m_time = SYSTEMTIME{ 2024, 2, 0, 29, 13, 45, 10, 0 };
        dlg.m_lastSyncPresent = c.present;
        dlg.m_lastSync[0] = c.day, dlg.m_lastSync[1] = c.month;
        dlg.m_lastSyncYear = c.year;
        Modeless<CDateTimeDlg> m(dlg);
        EXPECT_EQ(c.shown, ItemText(m.hwnd(), IDC_DIALOG_TEXT));
    }
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

TEST_F(AppDialogsTest, CommunicationListsPortsMatchesTheWholeNameAndClampsThePortBox)
{
    FakePortScope ports;
    CCommunicationDlg dlg(0, "com1", "", 0);
    Modeless<CCommunicationDlg> m(dlg);
    HWND h = m.hwnd();
    EXPECT_EQ("COM1|COM10|COM3", ListEntries(h)) << "a port in use is listed";
    EXPECT_EQ(0, ListSelection(h)) << "COM1, not COM10";
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(h, IDC_LINK_USB));
    EXPECT_TRUE(Enabled(h, IDC_SELECT_LIST));
    EXPECT_FALSE(Enabled(h, IDC_TCP_ADDRESS) || Enabled(h, IDC_TCP_PORT));
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

    // A configured port that is absent stays; the port box is clamped.
    CCommunicationDlg tcp(1, "COM7", "10.0.0.1", 1002);
    Modeless<CCommunicationDlg> t(tcp);
    h = t.hwnd();
    EXPECT_EQ(-1, ListSelection(h));
    EXPECT_EQ("1002|10.0.0.1", ItemTexts(h, { IDC_TCP_PORT, IDC_TCP_ADDRESS }));
    EXPECT_FALSE(Enabled(h, IDC_SELECT_LIST));
    EXPECT_EQ(63, (int)::SendDlgItemMessageA(h, IDC_TCP_ADDRESS, EM_GETLIMITTEXT, 0, 0));
    ::SetDlgItemTextA(h, IDC_TCP_PORT, "70000");
    Press(h, IDOK);
    EXPECT_STREQ("COM7", tcp.m_portName);
    EXPECT_EQ(65535u, tcp.m_tcpPort);

    // A stored port outside 1..65535 is no port: the box stays empty and OK
    // keeps it unconfigured instead of inventing port 1 or 65535.
    for (DWORD stored : { 0xFFFFFFFFu, 70000u })
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

TEST_F(AppDialogsTest, LoginTakesThePasswordAndTheWaitEndsWithTheAttempt)
{
    CLoginDlg login;
    CStarPasswordEdits stars;
    Modeless<CLoginDlg> m(login);
    EXPECT_EQ(std::set<int>{ IDC_LOGIN_PASSWORD }, stars.Ids());
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
    CStarPasswordEdits stars;
    Modeless<CPasswordDlg> m(dlg);
    EXPECT_EQ((std::set<int>{ IDC_PASSWORD_OLD, IDC_PASSWORD_NEW, IDC_PASSWORD_CONFIRM }), stars.Ids());
    HWND h = m.hwnd();
    ::SetDlgItemTextA(h, IDC_PASSWORD_OLD, "old");
    ::SetDlgItemTextA(h, IDC_PASSWORD_NEW, "new1");
    ::SetDlgItemTextA(h, IDC_PASSWORD_CONFIRM, "new2");
    Press(h, IDOK);
    ASSERT_EQ("strPasswordConfirmFailed", BoxKeys(m_boxes));
    EXPECT_EQ("Error", m_boxes.Last().caption);
    EXPECT_EQ("old||", ItemTexts(h, { IDC_PASSWORD_OLD, IDC_PASSWORD_NEW, IDC_PASSWORD_CONFIRM }));
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
    EXPECT_EQ(std::make_pair(std::string("new"), std::string("old")), sent[1]);
    EXPECT_TRUE(dlg.IsWaiting());
    EXPECT_FALSE(Enabled(h, IDC_PASSWORD_OLD) || Enabled(h, IDOK));
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
class LanguageSwitchTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
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
        ASSERT_TRUE(OpenFrame());
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        m_lang.reset();
        EXPECT_EQ(0, m_net.Count()) << "a system message box bypassed the program's own";
    }
    // Runs the language command with the user choosing a language; a file to
    // remove disappears just before OK (another program, a network drive).
    void ChooseInTheDialog(int language, const char* fileToRemove = nullptr)
    {
        script.On<CLanguageDlg>([&](CLanguageDlg& dlg) {
            HWND list = ::GetDlgItem(dlg, IDC_SELECT_LIST);
            for (int i = 0; i < (int)::SendMessage(list, CB_GETCOUNT, 0, 0); ++i)
                if ((int)::SendMessage(list, CB_GETITEMDATA, i, 0) == language)
                    ::SendMessage(list, CB_SETCURSEL, i, 0);
            if (fileToRemove)
                ::DeleteFileA(fileToRemove);
            PressButton(dlg, IDOK);
        });
        Command(ID_OPTIONS_LANGUAGE);
        EXPECT_EQ(0u, script.Pending());
        EXPECT_EQ(0, script.Unexpected());
    }

    std::unique_ptr<CTestLanguage> m_lang;
    CStrayDialogCloser m_net;
};
}

TEST_F(LanguageSwitchTest, OnlyAUsableLanguageBecomesTheSettingAndRetranslatesTheWindow)
{
    // An unusable file keeps the language in use and saves nothing.
    std::string gone = m_lang->PathOf("Gone.lng");
    std::string upper = gone;
    ::CharUpperA(&upper[0]);
    for (const auto& [language, removed, message] : std::vector<std::tuple<int, const char*, std::string>>{
             { 2, nullptr, "Incompatible version of the language file!" },
             { 3, gone.c_str(), "Cannot find language file " + upper + "!" } })
    {
        SCOPED_TRACE(language);
        boxes.Clear();
        ChooseInTheDialog(language, removed);
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(message, boxes.Last().text);
        EXPECT_EQ(m_lang->PathOf("English.lng"), g_Language.GetLanguageFile()) << "back to the language in use";
        EXPECT_EQ("Velmotrex Configuration", LanguageText("strAppName"));
        EXPECT_EQ(1u, g_Settings.Language);
        EXPECT_EQ(0xDEADBEEF, StoredDword(nullptr, "Language")) << "the setting was not written";
        EXPECT_NE(std::string::npos, Title().find("Velmotrex Configuration"));
    }
    // Later message boxes still have their texts: the program stays usable.
    g_Language.MessageBoxKey("strAppName", nullptr, MB_OK);
    EXPECT_EQ("Velmotrex Configuration", boxes.Last().text);

    boxes.Clear();
    ChooseInTheDialog(4);
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_EQ("Zweite", LanguageText("strAppName"));
    EXPECT_EQ(4u, g_Settings.Language);
    EXPECT_EQ(4u, StoredDword(nullptr, "Language"));
    EXPECT_NE(std::string::npos, Title().find("Zweite"));
    char menu[64] = "";
    ::GetMenuStringA(m_frame.GetCommandBar().GetMenu(), 0, menu, sizeof(menu), MF_BYPOSITION);
    EXPECT_STREQ("&Datei", menu);
}
