// The main window against the device simulator on the loopback: commands
// from the menus, dialogs answered as a user answers them, files on disk.
#include "app/SysInfoDlg.h"
#include "app/AnnouncementDlg.h"
#include "comm/CdrExportFile.h"
#include "comm/MonitorLog.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "record/ConfigRecord.h"
#include "pages/DiagPolling.h"
#include "tests/app/FrameTestSupport.h"
#include "tests/support/EngineFrame.h"
#include "tests/support/CommTestSupport.h"
#include <algorithm>
#include <string>
#include <vector>

using namespace frametest;

namespace
{
// Whether nothing holds the file open any more: it opens without sharing.
bool FileIsFree(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

// A firmware file of one data block.
std::vector<BYTE> FirmwareFile(DWORD address, const std::vector<BYTE>& data)
{
    return commtest::LmfImage().Block(0, address, data).bytes;
}

// A device CDR: 5 March 2024, 14:07:09, 3725 s, PBX port 2 to GSM port 3,
// from the caller to "456".
std::vector<BYTE> DeviceCdr(const std::string& caller)
{
    std::vector<BYTE> r = { 1, 1, 5, 3, 24, 14, 7, 9, 16, 2, (4 << 5) | 3, 0x00, 0x00, 0x0E, 0x8D, (BYTE)caller.size() };
    r.insert(r.end(), caller.begin(), caller.end());
    r.insert(r.end(), { 3, '4', '5', '6' });
    r.resize(64, 0xEE);
    return r;
}

void IgnoreLinkError(const char*, const char*, const char*) {}

// The main window with the device simulator behind its link; the link is
// configured, so the frame connects quietly at once.
class FrameDeviceTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        ASSERT_TRUE(WinsockStartup());
        const int port = m_sim.StartTcp();
        ASSERT_NE(0, port);
        m_sim.SetImage(enginetest::DefaultDeviceImage());
        enginetest::UseLoopbackTcp(port);
        g_Settings.DataReadWriteRequestDelay = 0;
        g_Settings.DataReadWriteMaxPendingRequests = 16;
        g_Settings.CommunicationTimeoutFlashLoad = 300;
        g_Settings.CommunicationTimeoutFlashLoadStart = 300;
        g_Settings.CommunicationTimeoutFlashLoadEnd = 600;
        g_Settings.CommunicationLog = 1;
        g_DeviceProtocol.SetPassword("");
        ASSERT_TRUE(OpenFrame());
        ASSERT_TRUE(PumpUntil([] { return CommState() == 2; }, 5000));
    }

    void TearDown() override
    {
        g_DeviceProtocol.StopTimer();
        FrameTest::TearDown();
        m_sim.Stop();
        WinsockCleanup();
    }

    // The frame is usable again: enabled, not busy, no progress dialog.
    bool FrameIdle() { return !m_frame.IsBusy() && !m_frame.GetProgressDialog() && m_frame.IsWindowEnabled(); }

    // The device answers the version question with this firmware version.
    void SetFirmwareVersion(const char* version)
    {
        devsim::SimIdentity identity = m_sim.GetIdentity();
        identity.firmwareVersion = version;
        m_sim.SetIdentity(identity);
    }

    size_t Requests(BYTE tag) { return enginetest::RequestsWithTag(m_sim, tag); }

    devsim::CDeviceSimulator m_sim;
};
}

TEST_F(FrameDeviceTest, DownloadSaveOpenAndUploadTheConfiguration)
{
    // The same major and minor version as the program's; the further parts
    // do not matter.
    SetFirmwareVersion("3.0.7.1");
    boxes.SetDefaultAnswer(IDYES);
    CDataView& view = m_frame.GetDataView();

    // Download: the version answer starts the transfer behind the progress dialog.
    Command(ID_FILE_DOWNLOAD);
    ASSERT_TRUE(PumpUntil([&] { return view.HasDocument() && FrameIdle(); }, 20000));
    EXPECT_EQ("", BoxKeys(boxes));
    const devsim::Bytes device = m_sim.GetImage();
    EXPECT_EQ(0, memcmp(device.data(), view.GetConfigRecord(), device.size()));
    EXPECT_TRUE(view.IsModified());

    // Save as: the file dialog gets the name; the file is the document.
    const std::string file = NewFile("frame-e2e.cfg");
    script.OnFileDialog(file);
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(0u, script.Pending());
    ASSERT_FALSE(ReadFileBytes(file).empty());
    EXPECT_FALSE(view.IsModified());
    char recent[MAX_PATH] = "";
    ASSERT_TRUE(m_frame.GetRecentList().GetFromList(ID_FILE_MRU_FIRST, recent, sizeof(recent)));
    EXPECT_STREQ(file.c_str(), recent);

    // Close, then open it again through the open dialog.
    Command(ID_FILE_CLOSE);
    script.OnFileDialog(file);
    Command(ID_FILE_OPEN);
    ASSERT_TRUE(view.HasDocument());
    EXPECT_STREQ(file.c_str(), view.GetPath());
    EXPECT_EQ(0, memcmp(device.data(), view.GetConfigRecord(), device.size()));

    // Upload onto a device that holds something else: it ends up holding the
    // document, with the format word and the commit marker.
    m_sim.SetImage(devsim::Bytes(devsim::SIM_IMAGE_SIZE, 0xFF));
    boxes.Clear();
    Command(ID_FILE_UPLOAD);
    ASSERT_TRUE(PumpUntil([&] { return m_sim.data.uploadsDone == 1 && FrameIdle(); }, 30000));
    EXPECT_EQ(0u, BoxKeys(boxes).find("strDataUploadConfirm")) << BoxKeys(boxes);
    const BYTE* record = ConfigBytes(view.GetConfigRecord());
    devsim::Bytes expected(record, record + devsim::SIM_IMAGE_SIZE);
    expected[4] = expected[5] = 0xFF;
    EXPECT_TRUE(m_sim.GetImage() == expected);
    EXPECT_FALSE(m_sim.data.uploadWithoutNetwork);

    // The same without the network part, once the device is back from the
    // restart that follows an upload.
    ASSERT_TRUE(PumpUntil(
        [] { return g_DeviceProtocol.GetState() == ENGINE_READY && !g_DeviceProtocol.IsTimerArmed(); }, 10000));
    boxes.Clear();
    Command(ID_FILE_UPLOAD_WITHOUT_NETWORK);
    ASSERT_TRUE(PumpUntil([&] { return m_sim.data.uploadsDone == 2 && FrameIdle(); }, 30000));
    EXPECT_TRUE(m_sim.data.uploadWithoutNetwork);
    EXPECT_EQ(0u, BoxKeys(boxes).find("strDataUploadConfirm")) << BoxKeys(boxes);
}

TEST_F(FrameDeviceTest, RefusedVersionQuestionDisconnectsWithoutTheDialog)
{
    SetFirmwareVersion("3.1.0.0");
    boxes.SetDefaultAnswer(IDNO);
    Command(ID_SERVICE_SYSINFO);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() > 0; }, 10000));
    PumpFor(300);
    ASSERT_EQ("strDataVersionConflict", BoxKeys(boxes));
    EXPECT_NE(std::string::npos, boxes.Last().text.find("3.1.0.0"));
    EXPECT_EQ(0, CommState());
    EXPECT_EQ(0u, Requests(devsim::TAG_LAN_INFO));
    EXPECT_EQ(1, DiagPollingSuspended) << "the diagnostics would connect again";
    EXPECT_EQ(0, script.Unexpected());
    EXPECT_TRUE(FrameIdle());
}

TEST_F(FrameDeviceTest, FirmwareIsWrittenThroughTheLoaderAndASilentLoaderEndsTheUpdate)
{
    g_Settings.CheckFirmwareVersion = g_Settings.CheckFirmwareAddrSpace = 0;
    m_sim.SetRestart(200, true);
    std::vector<BYTE> data(300);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (BYTE)(i * 7);
    const std::string path = NewFile("frame-e2e.lmf");
    WriteWholeFile(path, FirmwareFile(0x00020000, data));
    boxes.SetDefaultAnswer(IDYES); // Yes to writing the firmware
    auto writeFirmware = [&] {
        boxes.Clear();
        script.OnFileDialog(path);
        Command(ID_SERVICE_WRITE_FIRMWARE);
        return PumpUntil([&] { return boxes.Count() > 0 && FrameIdle() && !m_frame.GetRestartNotice(); }, 30000);
    };
    ASSERT_TRUE(writeFirmware());
    EXPECT_EQ("strFlashWriteOK", boxes.Last().key);
    EXPECT_FALSE(m_frame.IsFirmwareWriting());
    EXPECT_STREQ(path.c_str(), g_PathSettings.LastFlashWriteFile);
    m_sim.Lock();
    EXPECT_EQ(1, m_sim.data.flashUpdatesDone);
    devsim::Bytes written;
    for (const auto& block : m_sim.data.flash)
        written.insert(written.end(), block.second.begin(), block.second.end());
    EXPECT_EQ(0x00020000u, m_sim.data.flash.empty() ? 0 : m_sim.data.flash.begin()->first);
    m_sim.Unlock();
    // The last chunk is padded with erased bytes to 16.
    std::vector<BYTE> expected = data;
    expected.resize(304, 0xFF);
    EXPECT_TRUE(written == expected) << written.size() << " bytes written";
    EXPECT_TRUE(FileIsFree(path));

    // The loader stops answering: the update is over and the file released.
    ASSERT_TRUE(PumpUntil(
        [] { return g_DeviceProtocol.GetState() == ENGINE_READY && !g_DeviceProtocol.IsTimerArmed(); }, 10000));
    devsim::SimFaults faults;
    faults.flashSilent = -1;
    m_sim.SetFaults(faults);
    ASSERT_TRUE(writeFirmware());
    EXPECT_EQ("strErrorNoResponse", boxes.Last().key);
    EXPECT_FALSE(m_frame.IsFirmwareWriting()) << "an update ended by no answer is over";
    EXPECT_TRUE(FileIsFree(path));
}

TEST_F(FrameDeviceTest, SystemInformationCdrsAndAnAnnouncementGoThroughTheirDialogsAndFiles)
{
    // System information: its dialog after the version check, with the
    // device's values; the LAN information is asked for once.
    std::string shown;
    script.On<CSysInfoDlg>([&](CSysInfoDlg& dlg) {
        shown = ItemTexts(dlg, { IDC_SYSINFO_FIRMWARE, IDC_SYSINFO_NAME });
        PressButton(dlg, IDOK);
    });
    Command(ID_SERVICE_SYSINFO);
    ASSERT_TRUE(PumpUntil([&] { return script.Pending() == 0 && FrameIdle(); }, 10000));
    EXPECT_NE(std::string::npos, shown.find("3.0.0.5")) << shown;
    EXPECT_NE(std::string::npos, shown.find("VELMOTREX-TEST")) << shown;
    EXPECT_EQ(1u, Requests(devsim::TAG_LAN_INFO));

    // CDRs in blocks of three records go into the chosen file as text.
    m_sim.Lock();
    for (int i = 0; i < 4; ++i)
        m_sim.data.cdrRecords.push_back(DeviceCdr(i % 2 ? "0123" : "0777"));
    m_sim.data.cdrBlockRecords = 3;
    m_sim.Unlock();
    auto drained = [&] {
        m_sim.Lock();
        bool empty = m_sim.data.cdrRecords.empty();
        m_sim.Unlock();
        return empty;
    };
    const std::string text = NewFile("frame-e2e-cdr.csv");
    script.OnFileDialog(text);
    Command(ID_FILE_DOWNLOAD_CDR);
    ASSERT_TRUE(PumpUntil([&] { return drained() && FrameIdle(); }, 20000));
    const std::string content = ReadWholeFile(text.c_str());
    EXPECT_NE(std::string::npos, content.find("5.3.2024;14:07:09;Outgoing PBX->GSM;0777;456;1:02:05;PBX/2;GSM/3;16\r\n"))
        << content;
    EXPECT_NE(std::string::npos, content.find(";0123;456;"));
    EXPECT_TRUE(FileIsFree(text));
    EXPECT_EQ("", BoxKeys(boxes));

    // The announcement is stored as the whole file.
    const std::string path = NewFile("frame-e2e.wav");
    const std::vector<BYTE> wave = commtest::FactWave(500);
    WriteWholeFile(path, wave);
    script.On<CAnnouncementDlg>([](CAnnouncementDlg& dlg) { PressButton(dlg, IDOK); });
    script.OnFileDialog(path);
    Command(ID_SERVICE_LOAD_ANNOUNCEMENT);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() > 0 && FrameIdle(); }, 20000));
    EXPECT_EQ("strAnnouncementUpdateOK", BoxKeys(boxes));
    m_sim.Lock();
    const devsim::Bytes stored = m_sim.data.announcements[0];
    m_sim.Unlock();
    EXPECT_TRUE(stored == wave);
    EXPECT_TRUE(FileIsFree(path));
    EXPECT_EQ(0u, script.Pending());
}

TEST_F(FrameDeviceTest, MonitorAndCommunicationLogsShowTheTrafficAndAreSavedAsAsked)
{
    // The question whether to save the monitor log at the stop is answered No.
    boxes.SetDefaultAnswer(IDNO);
    Command(ID_SERVICE_MONITOR);
    Command(ID_SERVICE_COMMUNICATION);
    ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabMonitorLog)));
    CMonitorLog& monitor = m_frame.GetMonitorLog();
    EXPECT_TRUE(::IsWindowVisible(monitor));
    PressButton(monitor, IDC_MONITOR_START);
    ASSERT_TRUE(PumpUntil([&] { return monitor.IsMonitoring() && Requests(devsim::TAG_MONITOR_START) > 0; }, 5000));
    ASSERT_TRUE(m_sim.SendTrace("CALL 1 SETUP\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return WindowText(monitor.GetView()).find("CALL 1 SETUP") != std::string::npos; }, 5000));
    PressButton(monitor, IDC_MONITOR_STOP);
    ASSERT_TRUE(PumpUntil([&] { return !monitor.IsMonitoring() && Requests(devsim::TAG_MONITOR_STOP) > 0; }, 5000));
    ASSERT_EQ("strMonitorSaveLogRequest", BoxKeys(boxes));

    // The communication tab shows the frames both ways.
    ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabCommunicationLog)));
    EXPECT_TRUE(::IsWindowVisible(m_frame.GetCommLog()));
    const std::string log = WindowText(m_frame.GetCommLog());
    EXPECT_NE(std::string::npos, log.find("OUT:"));
    EXPECT_NE(std::string::npos, log.find(" IN:"));

    // Saved over a file another program holds: the replace question is
    // answered Yes, and the failed write is told.
    const std::string path = NewFile("frame-e2e-locked.txt");
    WriteWholeFile(path, std::vector<BYTE>{ 'x' });
    HANDLE locked = ::CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    script.OnFileDialog(path, IDYES);
    Command(ID_EDIT_SAVE_AS);
    ::CloseHandle(locked);
    EXPECT_EQ(0u, script.Pending());
    ASSERT_EQ("strMonitorSaveLogRequest|strLogSaveError", BoxKeys(boxes));
    EXPECT_NE(std::string::npos, boxes.Last().text.find("frame-e2e-locked.txt"));

    // The CDR export asks before it replaces a file; No keeps the file.
    const std::string cdr = NewFile("frame-e2e-old.csv");
    WriteWholeFile(cdr, std::vector<BYTE>{ 'o', 'l', 'd' });
    script.OnFileDialog(cdr, IDNO);
    script.OnFileDialog("");
    Command(ID_FILE_DOWNLOAD_CDR);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ("old", ReadWholeFile(cdr.c_str()));
}

TEST_F(FrameDeviceTest, DiagnosticsShownAreAskedForAndTheirAnswersReachTheView)
{
    g_Settings.DiagnosticsRefresh = 100;
    CDiagView& diag = m_frame.GetDiagView();
    ASSERT_TRUE(m_frame.SelectTab(m_frame.FindTab(CMainFrame::TabDiagnostics)));
    TreeView_SelectItem(diag.GetTree(), diag.FindNode(DiagNodeIsdnLines));
    ASSERT_TRUE(PumpUntil([&] { return Requests(devsim::TAG_DIAG_ISDN_LINES) >= 2; }, 5000));
    EXPECT_TRUE(PumpUntil(
        [&] {
            const BYTE* lines = diag.Answers().isdnLines;
            return std::any_of(lines, lines + DiagAnswers::ISDN_LINES_SIZE, [](BYTE b) { return b != 0; });
        },
        2000));
    EXPECT_EQ("", BoxKeys(boxes));
}

TEST_F(FrameDeviceTest, LinkDroppedDuringADownloadLeavesTheDocumentAndItsFileAsTheyWere)
{
    const std::string file = NewFile("frame-e2e-drop.cfg");
    CDataView& view = m_frame.GetDataView();
    ASSERT_TRUE(view.OpenDocument());
    ASSERT_TRUE(view.SaveDocument(file.c_str()));
    const std::vector<BYTE> saved = ReadFileBytes(file);
    ASSERT_FALSE(saved.empty());

    // The device goes away in the middle of the transfer, which runs behind
    // its modal progress dialog, and stays silent.
    g_Settings.DataReadWriteMaxPendingRequests = 1;
    devsim::SimFaults slow;
    slow.answerDelayMs = 5;
    m_sim.SetFaults(slow);
    script.On<CProgressDlg>([&](CProgressDlg&) {
        EXPECT_TRUE(PumpUntil([&] { return m_sim.data.downloadRequests > 20; }, 5000));
        devsim::SimFaults silent;
        silent.noAnswer = -1;
        m_sim.SetFaults(silent);
        m_sim.DropLink();
    });
    CommSetErrorBox(&IgnoreLinkError);
    Command(ID_FILE_DOWNLOAD);
    ASSERT_TRUE(PumpUntil([&] { return FrameIdle() && boxes.Count() > 0; }, 30000));
    CommSetErrorBox(nullptr);
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ("strErrorNoResponse", boxes.Last().key);
    EXPECT_TRUE(ReadFileBytes(file) == saved);
    ASSERT_TRUE(view.HasDocument());
    EXPECT_STREQ(file.c_str(), view.GetPath());
    EXPECT_FALSE(view.IsModified());
    EXPECT_EQ(0, script.Unexpected());
}

TEST_F(FrameDeviceTest, ServiceFilesThatCannotBeUsedAreRefusedAndReleasedBeforeAnythingIsSent)
{
    // Identification blocks without and with the identification.
    const std::vector<BYTE> identified = commtest::LmfImage().Block(1, 0x00020000, std::vector<BYTE>(64, 0x11)).bytes;
    const std::vector<BYTE> withId = commtest::LmfImage().Block(1, 0x00020000, commtest::IdData(8, "3.0.1.2")).bytes;
    const struct
    {
        const char* name;
        std::vector<BYTE> bytes;
        DWORD checkVersion, checkAddress;
        bool held; // another program holds the file open: unreadable, not missing
        const char* key;
        const char* detail; // the detail line, or a text the message holds
    } cases[] = {
        { "fw-empty.lmf", std::vector<BYTE>(), 0, 0, false, "strFlashWriteFileError", "strFlashWriteFileErrorEmpty" },
        { "fw-other.lmf", std::vector<BYTE>(40, 'x'), 0, 0, false, "strFlashWriteFileError",
          "strFlashWriteFileErrorFormat" },
        { "fw-held.lmf", FirmwareFile(0x00020000, std::vector<BYTE>(64, 0x5A)), 0, 0, true, "strFlashWriteFileError",
          "strFlashWriteFileErrorOpen" },
        { "held.wav", commtest::FactWave(100), 0, 0, true, "strAnnouncementFileError", "strAnnouncementFileErrorOpen" },
        { "fw-outside.lmf", FirmwareFile(0x10000000, std::vector<BYTE>(16, 1)), 0, 1, false,
          "strFlashWriteFileErrorAddrSpace", nullptr },
        { "fw-noid.lmf", identified, 1, 0, false, "strFlashWriteFileErrorVersion", nullptr },
        // No version to check: still asked before anything is written.
        { "fw-noid-unchecked.lmf", identified, 0, 0, false, "strFlashWriteFileVersion", nullptr },
        // Found, and the question whether to write this version is answered No.
        { "fw-id.lmf", withId, 1, 0, false, "strFlashWriteFileVersion", nullptr },
    };
    boxes.SetDefaultAnswer(IDNO);
    auto run = [&](const std::string& path) {
        const bool announcement = path.substr(path.size() - 4) == ".wav";
        if (announcement)
            script.On<CAnnouncementDlg>([](CAnnouncementDlg& dlg) { PressButton(dlg, IDOK); });
        script.OnFileDialog(path);
        Command(path.substr(path.size() - 4) == ".csv" ? ID_FILE_DOWNLOAD_CDR
                : announcement                         ? ID_SERVICE_LOAD_ANNOUNCEMENT
                                                       : ID_SERVICE_WRITE_FIRMWARE);
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_Settings.CheckFirmwareVersion = c.checkVersion;
        g_Settings.CheckFirmwareAddrSpace = c.checkAddress;
        const std::string path = NewFile(c.name);
        WriteWholeFile(path, c.bytes);
        HANDLE held = c.held ? ::CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : NULL;
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        boxes.Clear();
        run(path);
        if (held)
            ::CloseHandle(held);
        ASSERT_EQ(c.key, BoxKeys(boxes));
        if (c.detail)
        {
            EXPECT_NE(std::string::npos, boxes.Last().text.find(LanguageText(c.detail))) << boxes.Last().text;
        }
        EXPECT_TRUE(FileIsFree(path));
        EXPECT_FALSE(g_DeviceProtocol.GetLmfFile().IsOpen() || g_DeviceProtocol.GetWaveFile().IsOpen());
        EXPECT_FALSE(m_frame.IsFirmwareWriting());
        EXPECT_TRUE(FrameIdle());
    }
    EXPECT_NE(std::string::npos, boxes.Last().text.find("3.0.1.2")) << boxes.Last().text;
    EXPECT_EQ(UINT(MB_YESNO), boxes.Last().flags & MB_TYPEMASK);
    PumpFor(100);
    EXPECT_EQ(0u, Requests(devsim::TAG_SWITCH_TO_LOADER) + Requests(devsim::TAG_FLASH_START) +
                      Requests(devsim::TAG_ANNOUNCEMENT_START));

    // A link of no kind the program knows cannot be started: each operation
    // fails at once and lets its file go (Yes to writing the firmware).
    g_Settings.CheckFirmwareVersion = g_Settings.CheckFirmwareAddrSpace = 0;
    boxes.SetDefaultAnswer(IDYES);
    m_sim.Stop();
    Command(ID_CONNECTION_DISCONNECT);
    g_Settings.ComMode = 7;
    CommSetErrorBox(&IgnoreLinkError);
    for (const std::string& path : { NewFile("cdr.csv"), NewFile("fw-held.lmf"), NewFile("held.wav") })
    {
        run(path);
        EXPECT_TRUE(FileIsFree(path)) << path;
    }
    CommSetErrorBox(nullptr);
    EXPECT_FALSE(g_DeviceProtocol.GetCdrExportFile().IsOpen());
    EXPECT_FALSE(g_DeviceProtocol.GetLmfFile().IsOpen() || g_DeviceProtocol.GetWaveFile().IsOpen());
    EXPECT_FALSE(m_frame.IsFirmwareWriting());
    EXPECT_EQ(0u, script.Pending());
    EXPECT_EQ(0, script.Unexpected());
    EXPECT_TRUE(FrameIdle());
}
