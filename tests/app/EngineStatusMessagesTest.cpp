// What the main window tells the user for each status the engine reports:
// the message, its caption and icon, and whether the window stays busy.
#include <gtest/gtest.h>
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "base/Language.h"
#include "app/SysInfoDlg.h"
#include "app/PasswordDlg.h"
#include "app/LoginDlg.h"
#include "comm/MonitorLog.h"
#include "res/AppIds.h"
#include "comm/CdrExportFile.h"
#include "comm/DeviceProtocol.h"
#include "record/ConfigRecord.h"
#include "wcl/AppModule.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestLanguage.h"
#include "tests/app/FrameTestSupport.h"
#include "pages/DiagPolling.h"
#include <string>
#include <vector>

using namespace frametest;

namespace
{
class EngineStatusMessagesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ::LoadLibraryA("RICHED20.DLL"); }

    void SetUp() override
    {
        ASSERT_TRUE(StartWithDefaultSettings());
        g_Module.AddMessageLoop(&m_loop);
        DropQuitRequest();
        ASSERT_TRUE(m_frame.CreateFrame());
        m_frame.ShowWindow(SW_SHOW);
    }

    void TearDown() override
    {
        if (m_frame.m_hWnd)
            m_frame.DestroyWindow();
        PumpFor(20);
        g_Module.RemoveMessageLoop();
        DeleteSettingsKey();
        g_Settings.SetDefaults();
        g_PathSettings.SetDefaults();
    }

    void Status(int code, int result) { m_frame.SendMessage(WMU_ENGINE_STATUS, code, result); }

    CMessageLoop m_loop;
    CMainFrame m_frame;
};

struct Expected
{
    int code;
    int result;
    const char* key; // nullptr: no message
    const char* caption;
    UINT icon;
};
}

TEST_F(EngineStatusMessagesTest, EndsOfOperationsShowTheirMessageAndFreeTheWindow)
{
    const Expected table[] = {
        { 1, 5, nullptr, nullptr, 0 },
        { 2, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 2, 3, nullptr, nullptr, 0 },
        { 4, 1, nullptr, nullptr, 0 },
        { 5, 3, "strErrorRestart", "strError", MB_ICONSTOP },
        { 12, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 12, 3, nullptr, nullptr, 0 },
        { 22, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 22, 4, nullptr, nullptr, 0 },
        { 31, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 31, 1, nullptr, nullptr, 0 },
        { 52, 1, "strFlashWriteOK", "strFinish", MB_ICONINFORMATION },
        { 52, 2, "strFlashWriteError", "strError", MB_ICONEXCLAMATION },
        { 52, 4, nullptr, nullptr, 0 },
        { 61, 3, "strSysInfoError", "strError", MB_ICONEXCLAMATION },
        { 72, 1, "strAnnouncementUpdateOK", "strFinish", MB_ICONINFORMATION },
        { 72, 2, "strAnnouncementUpdateError", "strError", MB_ICONEXCLAMATION },
        { 72, 4, nullptr, nullptr, 0 },
        { 91, 3, "strDateTimeGetError", "strError", MB_ICONEXCLAMATION },
        { 93, 2, "strDateTimeSetError", "strError", MB_ICONEXCLAMATION },
        { 93, 1, nullptr, nullptr, 0 },
        { 114, 3, "strErrorNoResponse", "strError", MB_ICONSTOP },
        { 114, 2, nullptr, nullptr, 0 },
        { 116, 1, nullptr, nullptr, 0 },
        { 200, 3, "strErrorNoResponse", "strError", MB_ICONSTOP },
        { 200, 7, "strErrorDeviceRestarted", "strError", MB_ICONSTOP },
        { 400, 5, "strErrorNotAllowed", "strError", MB_ICONSTOP },
        { 999, 1, nullptr, nullptr, 0 },
    };
    CMessageBoxRecorder boxes(IDOK);
    for (const Expected& e : table)
    {
        SCOPED_TRACE(testing::Message() << "status " << e.code << " result " << e.result);
        boxes.Clear();
        // Every end arrives after its start made the window busy.
        m_frame.SetBusy(true);
        Status(e.code, e.result);
        EXPECT_FALSE(m_frame.IsBusy() && e.code != 999);
        if (!e.key)
        {
            EXPECT_EQ(0u, boxes.Count()) << (boxes.Count() ? boxes.Last().key : "");
            continue;
        }
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(e.key, boxes.Last().key);
        char caption[128] = "";
        g_Language.GetString(e.caption, caption, sizeof(caption));
        EXPECT_EQ(std::string(caption), boxes.Last().caption) << "caption key " << e.caption;
        EXPECT_EQ(e.icon, boxes.Last().flags & MB_ICONMASK);
    }
    m_frame.SetBusy(false);
    EXPECT_TRUE(m_frame.IsWindowEnabled());
}

TEST_F(EngineStatusMessagesTest, FailedCdrDownloadNamesTheExportFilesError)
{
    const std::string path = TempPath("status-cdr.csv");
    CCdrExportFile& file = g_DeviceProtocol.GetCdrExportFile();
    struct Case
    {
        BYTE formatByte;
        size_t length;
        const char* key;
        bool writable;
    };
    // A record of another format; a block that ends inside a record; a file
    // that takes no bytes (as a full disk).
    const Case cases[] = { { 2, 64, "strCdrVersionError", true }, { 1, 40, "strCdrRecSizeError", true },
                           { 1, 64, "strCdrSaveError", false } };
    // The engine forgets an earlier refusal's cause when the export itself
    // failed: an empty cause element.
    const BYTE noCause[4] = {};
    g_DeviceProtocol.FormatCause(noCause, 0);
    ASSERT_STREQ("", g_DeviceProtocol.GetCauseText());
    CMessageBoxRecorder boxes(IDOK);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(file.Open(path.c_str(), c.writable ? DISKFILE_WRITE | DISKFILE_CREATE
                                                      : DISKFILE_READ | DISKFILE_OPEN_EXISTING));
        file.SetFormat(CDR_FORMAT_TEXT_SEMICOLON);
        file.BeginExport();
        std::string block(c.length, '\0');
        block[0] = (char)c.formatByte;
        EXPECT_EQ(0, file.WriteRecords((const BYTE*)block.data(), (DWORD)block.size()));
        boxes.Clear();
        m_frame.SetBusy(true);
        Status(152, 2);
        EXPECT_FALSE(m_frame.IsBusy());
        EXPECT_FALSE(file.IsOpen()) << "the export file is closed";
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(c.key, boxes.Last().key);
    }
    ::DeleteFileA(path.c_str());
}

TEST_F(EngineStatusMessagesTest, DownloadedImageOfAnotherFormatIsAdoptedOnlyOnRequest)
{
    BYTE* image = g_DeviceProtocol.GetImage();
    ASSERT_NE(nullptr, image);
    memset(image, 0, sizeof(DWORD));
    CDataView& view = m_frame.GetDataView();
    ASSERT_FALSE(view.HasDocument());

    CMessageBoxRecorder boxes(IDNO);
    Status(12, 1);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strDataInvalid", boxes.Last().key);
    EXPECT_EQ(UINT(MB_YESNO), boxes.Last().flags & MB_TYPEMASK);
    EXPECT_FALSE(view.HasDocument()) << "No leaves the window without a document";

    boxes.SetDefaultAnswer(IDYES);
    Status(12, 1);
    ASSERT_EQ(2u, boxes.Count());
    ASSERT_TRUE(view.HasDocument()) << "Yes opens a new document with the defaults";
    EXPECT_EQ(0u, WindowText(m_frame).find("untitled")) << WindowText(m_frame);
    EXPECT_FALSE(m_frame.IsBusy());
}

TEST_F(EngineStatusMessagesTest, LanInformationThatFailedIsToldAndTheSystemInformationShownAnyway)
{
    CMessageBoxRecorder boxes(IDOK);
    CDialogScript script;
    bool shown = false;
    script.On<CSysInfoDlg>([&](CSysInfoDlg& dlg) {
        shown = true;
        PressButton(dlg, IDOK);
    });
    m_frame.SetBusy(true);
    Status(63, 3);
    EXPECT_TRUE(shown);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strSysInfoErrorLan", boxes.Last().key);
    EXPECT_FALSE(m_frame.IsBusy());
    EXPECT_EQ(0u, script.Pending());
}

TEST_F(EngineStatusMessagesTest, WhileThePasswordDialogIsOpenItTellsTheAnswerAndARestartClosesIt)
{
    CMessageBoxRecorder boxes(IDOK);
    CDialogScript script;
    std::vector<std::string> keysWhileOpen;
    bool closedByRestart = false;
    script.On<CPasswordDlg>([&](CPasswordDlg& dlg) {
        // A refusal and then no answer: the dialog's own message, no box of
        // the window.
        Status(400, 0);
        Status(200, 3);
        for (const RecordedMessageBox& box : boxes.Calls())
            keysWhileOpen.push_back(box.key);
        EXPECT_TRUE(dlg.IsWindow());
        // The device restarts meanwhile: the dialog is closed.
        m_frame.PostMessage(WMU_ENGINE_STATUS, 4, 1);
        closedByRestart = true;
    });
    m_frame.SendMessage(WM_COMMAND, ID_OPTIONS_PASSWORD);
    EXPECT_TRUE(closedByRestart);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(0, script.Unexpected());
    ASSERT_EQ(2u, keysWhileOpen.size());
    EXPECT_EQ("strErrorNoResponse", keysWhileOpen[0]);
    EXPECT_EQ("strErrorNoResponse", keysWhileOpen[1]);
    // Once it is closed, the window's own message comes again.
    boxes.Clear();
    Status(400, 0);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strErrorNotAllowed", boxes.Last().key);
}

TEST_F(EngineStatusMessagesTest, RefusedPasswordAsksForItAndACancelStopsTheRequest)
{
    CMessageBoxRecorder boxes(IDOK);
    CDialogScript script;
    g_DeviceProtocol.SetPassword("");
    // The user types the password: the engine has it and repeats the request.
    script.On<CLoginDlg>([](CLoginDlg& dlg) {
        ::SetDlgItemTextA(dlg, IDC_LOGIN_PASSWORD, "secret");
        PressButton(dlg, IDOK);
    });
    m_frame.SetBusy(true);
    EXPECT_EQ(1, m_frame.SendMessage(WMU_ENSURE_LOGIN, 1, 0));
    EXPECT_STREQ("secret", g_DeviceProtocol.GetPassword());
    EXPECT_FALSE(m_frame.IsBusy()) << "the window is free while the user is asked";
    EXPECT_EQ(0u, boxes.Count());

    // Cancel: the user is told the request stops.
    script.On<CLoginDlg>([](CLoginDlg& dlg) { PressButton(dlg, IDCANCEL); });
    EXPECT_EQ(0, m_frame.SendMessage(WMU_ENSURE_LOGIN, 1, 0));
    EXPECT_STREQ("secret", g_DeviceProtocol.GetPassword());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strLoginStop", boxes.Last().key);
    char caption[64] = "";
    g_Language.GetString("strLoginError", caption, sizeof(caption));
    EXPECT_EQ(std::string(caption), boxes.Last().caption);
    EXPECT_EQ(UINT(MB_ICONSTOP), boxes.Last().flags & MB_ICONMASK);
    EXPECT_EQ(0u, script.Pending());
    // Requests the frame does not know are not met.
    EXPECT_EQ(0, m_frame.SendMessage(WMU_ENSURE_LOGIN, 2, 0));
    g_DeviceProtocol.SetPassword("");
}

TEST_F(EngineStatusMessagesTest, NoAnswerStopsTheMonitorButARefusalDoesNot)
{
    // Without a device the monitor's request asks for the link: cancelled.
    CDialogScript script;
    CMonitorLog& monitor = m_frame.GetMonitorLog();
    monitor.SetMonitoring(TRUE);
    ASSERT_TRUE(monitor.IsMonitoring());
    CMessageBoxRecorder boxes(IDOK);
    Status(400, 0);
    EXPECT_TRUE(monitor.IsMonitoring());
    Status(200, 3);
    EXPECT_FALSE(monitor.IsMonitoring());
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ("strErrorNoResponse", boxes.Last().key);
}

TEST_F(EngineStatusMessagesTest, DownloadedImageGoesIntoTheOpenDocumentWhichKeepsItsFile)
{
    m_frame.SendMessage(WM_COMMAND, ID_FILE_NEW);
    CDataView& view = m_frame.GetDataView();
    const std::string path = TempPath("status-adopt.cfg");
    ASSERT_TRUE(view.SaveDocument(path.c_str()));
    ASSERT_FALSE(view.IsModified());

    // The device holds the defaults with one alarm byte of its own.
    BYTE* image = g_DeviceProtocol.GetImage();
    SetConfigDefaults(reinterpret_cast<ConfigRecord*>(image));
    image[CFG_OFS_ALARM] = 0x5A;
    CMessageBoxRecorder boxes(IDOK);
    m_frame.SetBusy(true);
    Status(12, 1);
    EXPECT_EQ(0u, boxes.Count()) << (boxes.Count() ? boxes.Last().key : "");
    EXPECT_FALSE(m_frame.IsBusy());
    EXPECT_EQ(0x5A, ConfigBytes(view.GetConfigRecord())[CFG_OFS_ALARM]);
    EXPECT_STREQ(path.c_str(), view.GetPath());
    EXPECT_TRUE(view.IsModified()) << "the file does not hold the device's data yet";
    EXPECT_EQ(0u, WindowText(m_frame).find("status-adopt.cfg")) << WindowText(m_frame);
    view.SetModified(false);
    ::DeleteFileA(path.c_str());
}

TEST_F(EngineStatusMessagesTest, CardsPausedForModuleInformationPollAgainAfterADeviceRestartEndedIt)
{
    struct CountingEngine : IDiagEngine
    {
        int requests = 0;
        int RequestDiagnostics(DiagRequest, int) override { return ++requests, 1; }
        int GetModuleInfo(int) override { return 1; }
    } engine;
    CMessageBoxRecorder boxes(IDOK);
    CDiagView& diag = m_frame.GetDiagView();
    diag.SetEngine(&engine);
    ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabDiagnostics)));
    TreeView_SelectItem(diag.GetTree(), diag.FindNode(DiagNodeCards));
    ASSERT_EQ(1, engine.requests);

    Status(ENGINE_STATUS_MODULE_INFO_SENT, ENGINE_RESULT_NOTICE);
    EXPECT_FALSE(::KillTimer(diag.GetPageWindow(), CDiagPolling::kRequestTimer));
    // The device restarted meanwhile: the request ends as a failed operation.
    Status(ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_NO_ANSWER);
    EXPECT_EQ(2, engine.requests);
    EXPECT_TRUE(::KillTimer(diag.GetPageWindow(), CDiagPolling::kRequestTimer));
    EXPECT_EQ(1u, boxes.Count());
    diag.SetEngine(nullptr);
}
