// What the main window tells the user for each status the engine reports:
// the message, its caption and icon, and whether the window stays busy.
#include "app/SysInfoDlg.h"
#include "app/PasswordDlg.h"
#include "app/LoginDlg.h"
#include "comm/MonitorLog.h"
#include "comm/CdrExportFile.h"
#include "comm/DeviceProtocol.h"
#include "record/ConfigRecord.h"
#include "pages/DiagPolling.h"
#include "tests/app/FrameTestSupport.h"
#include <string>
#include <tuple>
#include <vector>

using namespace frametest;

namespace
{
class EngineStatusMessagesTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        ASSERT_TRUE(OpenFrame());
    }
};
}

TEST_F(EngineStatusMessagesTest, EndsOfOperationsShowTheirMessageAndFreeTheWindow)
{
    struct End
    {
        int code, result;
        const char* key; // "": no message
        const char* caption;
        UINT icon;
    };
    std::vector<End> ends = {
        { 2, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 5, 3, "strErrorRestart", "strError", MB_ICONSTOP },
        { 12, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 22, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 31, 2, "strErrorResponse", "strError", MB_ICONEXCLAMATION },
        { 52, 1, "strFlashWriteOK", "strFinish", MB_ICONINFORMATION },
        { 52, 2, "strFlashWriteError", "strError", MB_ICONEXCLAMATION },
        { 61, 3, "strSysInfoError", "strError", MB_ICONEXCLAMATION },
        // The LAN information failed: told, and the system information shown anyway.
        { 63, 3, "strSysInfoErrorLan", "strError", MB_ICONEXCLAMATION },
        { 72, 1, "strAnnouncementUpdateOK", "strFinish", MB_ICONINFORMATION },
        { 72, 2, "strAnnouncementUpdateError", "strError", MB_ICONEXCLAMATION },
        { 91, 3, "strDateTimeGetError", "strError", MB_ICONEXCLAMATION },
        { 93, 2, "strDateTimeSetError", "strError", MB_ICONEXCLAMATION },
        { 114, 3, "strErrorNoResponse", "strError", MB_ICONSTOP },
        { 200, 3, "strErrorNoResponse", "strError", MB_ICONSTOP },
        { 200, 7, "strErrorDeviceRestarted", "strError", MB_ICONSTOP },
        { 210, 0, "strFlashNoFirmware", "strError", MB_ICONEXCLAMATION },
        { 400, 5, "strErrorNotAllowed", "strError", MB_ICONSTOP },
    };
    // Ends that show no message: a CDR end without its progress dialog only
    // closes the export; 999 is no status the window knows.
    const int silent[][2] = { { 1, 5 }, { 2, 3 }, { 4, 1 }, { 12, 3 }, { 22, 4 }, { 31, 1 }, { 52, 4 },
                              { 72, 4 }, { 93, 1 }, { 114, 2 }, { 116, 1 }, { 152, 1 }, { 999, 1 } };
    for (const auto& s : silent)
        ends.push_back(End{ s[0], s[1], "", "", 0 });
    script.On<CSysInfoDlg>([&](CSysInfoDlg& dlg) { PressButton(dlg, IDOK); });
    for (const End& e : ends)
    {
        SCOPED_TRACE(testing::Message() << "status " << e.code << " result " << e.result);
        boxes.Clear();
        // Every end arrives after its start made the window busy.
        m_frame.SetBusy(true);
        Status(e.code, e.result);
        EXPECT_FALSE(m_frame.IsBusy() && e.code != 999);
        ASSERT_EQ(e.key, BoxKeys(boxes));
        if (!*e.key)
            continue;
        EXPECT_EQ(LanguageText(e.caption), boxes.Last().caption) << "caption key " << e.caption;
        EXPECT_EQ(e.icon, boxes.Last().flags & MB_ICONMASK);
    }
    m_frame.SetBusy(false);
    EXPECT_TRUE(m_frame.IsWindowEnabled());
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(0, script.Unexpected());
}

TEST_F(EngineStatusMessagesTest, FailedCdrDownloadNamesTheExportFilesError)
{
    const std::string path = NewFile("status-cdr.csv");
    CCdrExportFile& file = g_DeviceProtocol.GetCdrExportFile();
    // A record of another format; a block that ends inside a record; a file
    // that takes no bytes (as a full disk).
    const std::tuple<char, size_t, const char*, bool> cases[] = { { 2, 64, "strCdrVersionError", true },
                                                                   { 1, 40, "strCdrRecSizeError", true },
                                                                   { 1, 64, "strCdrSaveError", false } };
    // The engine forgets an earlier refusal's cause when the export itself
    // failed: an empty cause element.
    const BYTE noCause[4] = {};
    g_DeviceProtocol.FormatCause(noCause, 0);
    ASSERT_STREQ("", g_DeviceProtocol.GetCauseText());
    for (const auto& [formatByte, length, key, writable] : cases)
    {
        SCOPED_TRACE(key);
        ASSERT_TRUE(file.Open(path.c_str(), writable ? DISKFILE_WRITE | DISKFILE_CREATE
                                                    : DISKFILE_READ | DISKFILE_OPEN_EXISTING));
        file.SetFormat(CDR_FORMAT_TEXT_SEMICOLON);
        file.BeginExport();
        const std::string block = formatByte + std::string(length - 1, '\0');
        EXPECT_EQ(0, file.WriteRecords((const BYTE*)block.data(), (DWORD)block.size()));
        boxes.Clear();
        m_frame.SetBusy(true);
        Status(152, 2);
        EXPECT_FALSE(m_frame.IsBusy());
        EXPECT_FALSE(file.IsOpen()) << "the export file is closed";
        ASSERT_EQ(key, BoxKeys(boxes));
    }
}

TEST_F(EngineStatusMessagesTest, WhileThePasswordDialogIsOpenItTellsTheAnswerAndARestartClosesIt)
{
    std::vector<std::string> keysWhileOpen;
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
    });
    Command(ID_OPTIONS_PASSWORD);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(0, script.Unexpected());
    EXPECT_EQ((std::vector<std::string>{ "strErrorNoResponse", "strErrorNoResponse" }), keysWhileOpen);
    // Once it is closed, the window's own message comes again.
    boxes.Clear();
    Status(400, 0);
    ASSERT_EQ("strErrorNotAllowed", BoxKeys(boxes));
}

TEST_F(EngineStatusMessagesTest, RefusedPasswordAsksForItAndACancelStopsTheRequest)
{
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
    ASSERT_EQ("strLoginStop", BoxKeys(boxes));
    EXPECT_EQ(LanguageText("strLoginError"), boxes.Last().caption);
    EXPECT_EQ(UINT(MB_ICONSTOP), boxes.Last().flags & MB_ICONMASK);
    EXPECT_EQ(0u, script.Pending());
    // Requests the frame does not know are not met.
    EXPECT_EQ(0, m_frame.SendMessage(WMU_ENSURE_LOGIN, 2, 0));
    g_DeviceProtocol.SetPassword("");
}

TEST_F(EngineStatusMessagesTest, NoAnswerStopsTheMonitorButARefusalDoesNot)
{
    // Without a device the monitor's request asks for the link: cancelled,
    // and the link's complaint is not what is looked at here.
    CMonitorLog& monitor = m_frame.GetMonitorLog();
    monitor.SetMonitoring(TRUE);
    ASSERT_TRUE(monitor.IsMonitoring());
    boxes.Clear();
    Status(400, 0);
    EXPECT_TRUE(monitor.IsMonitoring());
    Status(200, 3);
    EXPECT_FALSE(monitor.IsMonitoring());
    EXPECT_EQ("strErrorNotAllowed|strErrorNoResponse", BoxKeys(boxes));
}

TEST_F(EngineStatusMessagesTest, DownloadedImageGoesIntoTheOpenDocumentOrIsAdoptedOnlyOnRequest)
{
    // An image of another format: No leaves the window without a document,
    // Yes opens a new one with the defaults.
    BYTE* image = g_DeviceProtocol.GetImage();
    memset(image, 0, sizeof(DWORD));
    CDataView& view = m_frame.GetDataView();
    boxes.SetDefaultAnswer(IDNO);
    Status(12, 1);
    ASSERT_EQ("strDataInvalid", BoxKeys(boxes));
    EXPECT_EQ(UINT(MB_YESNO), boxes.Last().flags & MB_TYPEMASK);
    EXPECT_FALSE(view.HasDocument());
    boxes.SetDefaultAnswer(IDYES);
    Status(12, 1);
    ASSERT_TRUE(view.HasDocument());
    EXPECT_EQ(0u, Title().find("untitled")) << Title();

    // A document in a file takes the device's image and keeps its file.
    const std::string path = NewFile("status-adopt.cfg");
    ASSERT_TRUE(view.SaveDocument(path.c_str()));
    SetConfigDefaults(reinterpret_cast<ConfigRecord*>(image));
    image[CFG_OFS_ALARM] = 0x5A;
    boxes.Clear();
    m_frame.SetBusy(true);
    Status(12, 1);
    EXPECT_EQ("", BoxKeys(boxes));
    EXPECT_FALSE(m_frame.IsBusy());
    EXPECT_EQ(0x5A, ConfigBytes(view.GetConfigRecord())[CFG_OFS_ALARM]);
    EXPECT_STREQ(path.c_str(), view.GetPath());
    EXPECT_TRUE(view.IsModified()) << "the file does not hold the device's data yet";
    EXPECT_EQ(0u, Title().find("status-adopt.cfg")) << Title();
    view.SetModified(false);
}

TEST_F(EngineStatusMessagesTest, CardsPausedForModuleInformationPollAgainAfterADeviceRestartEndedIt)
{
    struct CountingEngine : IDiagEngine
    {
        int requests = 0;
        int RequestDiagnostics(DiagRequest, int) override { return ++requests, 1; }
        int GetModuleInfo(int) override { return 1; }
    } engine;
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
