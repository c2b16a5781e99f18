#include <gtest/gtest.h>
#include "base/AppSettings.h"
#include "comm/CdrExportFile.h"
#include "base/TextUtil.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "tests/support/EngineFrame.h"
#include "tests/support/TestFiles.h"
#include "tools/devsim/DeviceSimulator.h"
#include "tools/devsim/PtyPair.h"
#include <cstring>
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The service operations (firmware update through the loader, announcement
// update, CDR download) against the device simulator over the real TCP link,
// its threads and the engine's thread timers.

using devsim::Bytes;
using devsim::SimMessage;

namespace
{
typedef std::pair<int, int> Status;

using enginetest::EngineFrame;

// True when every status of want appears in got, in this order.
bool InOrder(const std::vector<Status>& want, const std::vector<Status>& got)
{
    size_t at = 0;
    for (const Status& s : got)
        if (at < want.size() && s == want[at])
            ++at;
    return at == want.size();
}

std::string Describe(const std::vector<Status>& statuses)
{
    std::string text;
    for (const Status& s : statuses)
        text += std::to_string(s.first) + "/" + std::to_string(s.second) + " ";
    return text;
}

Bytes Be32(DWORD v)
{
    return Bytes{ (BYTE)(v >> 24), (BYTE)(v >> 16), (BYTE)(v >> 8), (BYTE)v };
}

void Put32(Bytes& v, DWORD x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back((BYTE)(x >> (8 * i)));
}

class ServiceLinkTest : public ::testing::Test, protected enginetest::EngineOverTcp
{
protected:
    // The frame gives the device's password, and answers the link question
    // as the main frame does.
    ServiceLinkTest()
    {
        frame.password = "1234";
        frame.onEnsureLink = enginetest::EnsureLinkWithoutPumping;
    }

    void SetUp() override
    {
        sim.SetPassword("1234", true);
        sim.SetRestart(150, true);
        ASSERT_TRUE(Start());
        // The service operations' own time-outs.
        g_Settings.CommunicationTimeout = 400;
        g_Settings.CommunicationTimeoutFlashLoadStart = 600;
        g_Settings.CommunicationTimeoutFlashLoad = 400;
        g_Settings.CommunicationTimeoutFlashLoadEnd = 600;
        g_Settings.CommunicationTimeoutSwitchToLoader = 300;
        g_Settings.CommunicationTimeoutSwitchToFirmware = 400;
        g_Settings.CommunicationTimeoutDataWrite = 600;
        ASSERT_TRUE(sim.WaitForConnections(1, 2000));
        engine.SetPassword("1234");
    }

    void TearDown() override
    {
        engine.GetLmfFile().Close();
        engine.GetWaveFile().Close();
        engine.GetCdrExportFile().Close();
        Stop();
        ::DeleteFileA(kLmfPath);
        ::DeleteFileA(kWavePath);
        ::DeleteFileA(kCdrPath);
    }

    // The device's requests (type 0xA1) as encoded messages.
    std::vector<Bytes> Requests()
    {
        std::vector<Bytes> out;
        for (const SimMessage& m : sim.Received())
            if (m.type == devsim::SIM_REQUEST)
                out.push_back(m.Encode());
        return out;
    }

    size_t RequestCount(BYTE tag)
    {
        size_t n = 0;
        for (const SimMessage& m : sim.Received())
            if (m.Has(tag))
                ++n;
        return n;
    }

    void RunInLoader()
    {
        devsim::SimIdentity id = sim.GetIdentity();
        id.running = 1;
        sim.SetIdentity(id);
    }

    // ---- Firmware -------------------------------------------------------
    static constexpr const char* kLmfPath = "service_link.lmf";

    static Bytes BlockData(DWORD size, BYTE seed)
    {
        Bytes data(size);
        for (DWORD i = 0; i < size; ++i)
            data[i] = (BYTE)(seed + i * 3);
        return data;
    }

    // An identification block of 0xE0 bytes at 0x60100000 and a block of
    // 0x14 bytes at 0x6010FFF8 that crosses the 64 KiB boundary.
    static Bytes IdBlock()
    {
        Bytes data = BlockData(0xE0, 0x10);
        memcpy(&data[16], kLmfDeviceIdentification, strlen(kLmfDeviceIdentification) + 1);
        return data;
    }

    void OpenFirmware()
    {
        Bytes file;
        for (int b = 0; b < 2; ++b)
        {
            const Bytes data = b == 0 ? IdBlock() : BlockData(0x14, 0x80);
            file.insert(file.end(), { 'L', 'm', 'F', (BYTE)(b == 0 ? 1 : 0) });
            Put32(file, b == 0 ? 0x60100000 : 0x6010FFF8);
            Put32(file, (DWORD)data.size());
            file.insert(file.end(), data.begin(), data.end());
        }
        WriteWholeFile(kLmfPath, file);
        CLmfFile& lmf = engine.GetLmfFile();
        ASSERT_TRUE(lmf.Open(kLmfPath, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING));
        ASSERT_EQ(LMF_LOAD_OK, lmf.Load());
        lmf.ResetProgress();
    }

    // What the loader holds after the update: each chunk at its address,
    // the short last one padded to a multiple of 8.
    static std::map<DWORD, Bytes> ExpectedFlash()
    {
        const Bytes id = IdBlock();
        const Bytes data = BlockData(0x14, 0x80);
        Bytes tail(data.begin() + 8, data.end());
        tail.resize(16, 0xFF);
        return { { 0x60100000, Bytes(id.begin(), id.begin() + 208) },
                 { 0x601000D0, Bytes(id.begin() + 208, id.end()) },
                 { 0x6010FFF8, Bytes(data.begin(), data.begin() + 8) },
                 { 0x60110000, tail } };
    }

    static Bytes Encode(const SimMessage& m) { return m.Encode(); }

    static std::vector<Bytes> ExpectedBlocksAndStop()
    {
        std::vector<Bytes> out;
        for (const auto& chunk : ExpectedFlash())
            out.push_back(Encode(SimMessage(devsim::SIM_REQUEST)
                                     .Add(devsim::TAG_FLASH_DATA, chunk.second)
                                     .Add(devsim::TAG_FLASH_ADDRESS, Be32(chunk.first))));
        out.push_back(Encode(SimMessage(devsim::SIM_REQUEST).Add(devsim::TAG_FLASH_STOP)));
        return out;
    }

    static Bytes FlashStart()
    {
        return Encode(SimMessage(devsim::SIM_REQUEST)
                          .Add(devsim::TAG_FLASH_START, Bytes{ 1 })
                          .Add(devsim::TAG_PASSWORD, Bytes{ '1', '2', '3', '4', 0 }));
    }

    // ---- Announcement -----------------------------------------------------
    static constexpr const char* kWavePath = "service_link.wav";

    // A valid 500-byte announcement with the data chunk right after the
    // format (samples from offset 46).
    static Bytes Announcement()
    {
        Bytes v(500);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = (BYTE)(0xD5 ^ (i * 11));
        Bytes h;
        h.insert(h.end(), { 'R', 'I', 'F', 'F' });
        Put32(h, 500 - 8);
        h.insert(h.end(), { 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' });
        Put32(h, 18);
        h.insert(h.end(), { 6, 0, 1, 0 });
        Put32(h, 8000);
        Put32(h, 8000);
        h.insert(h.end(), { 1, 0, 8, 0, 0, 0, 'd', 'a', 't', 'a' });
        Put32(h, 500 - 46);
        std::copy(h.begin(), h.end(), v.begin());
        return v;
    }

    void OpenAnnouncement(const Bytes& file)
    {
        WriteWholeFile(kWavePath, file);
        CWaveFile& wave = engine.GetWaveFile();
        ASSERT_TRUE(wave.Open(kWavePath, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING));
        ASSERT_EQ(WAVE_OK, wave.Open());
    }

    static Bytes AnnouncementBlock(const Bytes& file, DWORD from)
    {
        Bytes data(file.begin() + from, file.begin() + std::min<size_t>(from + 208, file.size()));
        if (data.size() < 208)
            data.resize((data.size() + 7) / 8 * 8, 0xFF);
        return Encode(SimMessage(devsim::SIM_REQUEST)
                          .Add(devsim::TAG_ANNOUNCEMENT_DATA, data)
                          .Add(devsim::TAG_ADDRESS, Be32(from)));
    }

    // ---- CDR ----------------------------------------------------------------
    static constexpr const char* kCdrPath = "service_link.cdr";

    // A well-formed device record: outgoing PBX->GSM at 10:0n on 6.12.2026,
    // caller "12n", called "4n", 1:02:05 long, GSM port 2 to PBX port 3,
    // cause 16.
    static Bytes Record(int n)
    {
        Bytes r(64, 0);
        const BYTE head[] = { 1, 1, 6, 12, 26, 10, (BYTE)n, 0, 16, (4 << 5) | 2, 3, 0, 0, 0x0E, 0x8D,
                              3, '1', '2', (BYTE)('0' + n), 2, '4', (BYTE)('0' + n) };
        std::copy(head, head + sizeof(head), r.begin());
        return r;
    }

    static std::string Line(int n)
    {
        char line[128];
        FormatText(line, sizeof(line), "6.12.2026;10:%02d:00;Outgoing PBX->GSM;12%d;4%d;1:02:05;GSM/2;PBX/3;16\r\n", n,
                   n, n);
        return line;
    }

    static std::string Header()
    {
        return "Date;Time;Call Type;Caller Id;Called Number;Call Length;Input Port;Output Port;Cause\r\n";
    }

    void FillCdrRing(int count, DWORD position)
    {
        sim.Lock();
        for (int i = 0; i < count; ++i)
            sim.data.cdrRecords.push_back(Record(i));
        sim.data.cdrPosition = position;
        sim.data.cdrBlockRecords = 3;
        sim.Unlock();
    }

    void OpenCdrExport(DWORD format)
    {
        CCdrExportFile& file = engine.GetCdrExportFile();
        file.SetFormat(format);
        ASSERT_TRUE(file.Open(kCdrPath, DISKFILE_WRITE | DISKFILE_CREATE));
        file.BeginExport();
    }

    // The CDR messages of the program (requests and refusals) as encoded.
    std::vector<Bytes> CdrMessages()
    {
        std::vector<Bytes> out;
        for (const SimMessage& m : sim.Received())
            if (m.Has(devsim::TAG_CDR_REQUEST))
                out.push_back(m.Encode());
        return out;
    }

    static Bytes CdrRequest(int count, DWORD position)
    {
        SimMessage m(devsim::SIM_REQUEST);
        if (count >= 0)
            m.Add(devsim::TAG_CDR_REQUEST, Bytes{ (BYTE)count }).Add(devsim::TAG_CDR_POSITION, Be32(position));
        else
            m.Add(devsim::TAG_CDR_REQUEST);
        m.Add(devsim::TAG_PASSWORD, Bytes{ '1', '2', '3', '4', 0 });
        return m.Encode();
    }

};

// ---------------------------------------------------------------------------
// Firmware update

TEST_F(ServiceLinkTest, FirmwareGoesThroughTheLoaderAndTheDeviceComesBackWithIt)
{
    OpenFirmware();
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(52, 1, 10000)) << Describe(frame.statuses);
    ASSERT_TRUE(frame.WaitForStatus(4, 0, 10000)) << Describe(frame.statuses);

    // Started in the firmware: the device restarts into its loader (the link
    // closed by the program), announces it, is asked again, takes the chunks
    // and restarts with the new firmware.
    const std::vector<Status> want = { { 51, 0 },  { 500, 0 }, { 3, 0 },   { 51, 0 },  { 50, 0 },
                                       { 51, 0 },  { 50, 85 }, { 50, 91 }, { 50, 95 }, { 50, 100 },
                                       { 52, 1 },  { 500, 0 }, { 4, 0 } };
    EXPECT_TRUE(InOrder(want, frame.statuses)) << Describe(frame.statuses);
    EXPECT_FALSE(frame.Has(200));
    EXPECT_FALSE(frame.Has(210));

    const std::vector<Bytes> requests = Requests();
    ASSERT_GE(requests.size(), 7u);
    EXPECT_EQ(FlashStart(), requests[0]);
    size_t at = 1;
    while (at < requests.size() && requests[at] == FlashStart())
        ++at;
    EXPECT_GE(at, 2u); // asked again in the loader
    const std::vector<Bytes> blocks = ExpectedBlocksAndStop();
    ASSERT_GE(requests.size(), at + blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i], requests[at + i]) << i;
    // Nothing else but the program's question for the restarted device.
    for (size_t i = at + blocks.size(); i < requests.size(); ++i)
        EXPECT_EQ(Encode(SimMessage(devsim::SIM_REQUEST).Add(devsim::TAG_LOADER_VERSION)), requests[i]) << i;
    EXPECT_EQ(0u, RequestCount(devsim::TAG_SWITCH_TO_FIRMWARE));

    sim.Lock();
    EXPECT_EQ(ExpectedFlash(), sim.data.flash);
    EXPECT_EQ(1, sim.data.flashUpdatesDone);
    sim.Unlock();
    EXPECT_EQ(2, sim.GetIdentity().running);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_EQ(2, engine.GetRunningProgram());
    EXPECT_FALSE(engine.GetLmfFile().IsOpen());
}

TEST_F(ServiceLinkTest, ErasingLoaderDelaysTheChunkWhichGoesAgain)
{
    RunInLoader();
    devsim::SimFaults faults;
    faults.eraseWaits = 2;
    sim.SetFaults(faults);
    OpenFirmware();
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(52, 1, 10000)) << Describe(frame.statuses);

    const std::vector<Bytes> blocks = ExpectedBlocksAndStop();
    size_t firstChunk = 0;
    for (const Bytes& r : Requests())
        if (r == blocks[0])
            ++firstChunk;
    EXPECT_EQ(3u, firstChunk); // two erase notices, then taken
    EXPECT_EQ(1u, RequestCount(devsim::TAG_FLASH_START));
    sim.Lock();
    EXPECT_EQ(ExpectedFlash(), sim.data.flash);
    sim.Unlock();
    EXPECT_FALSE(frame.Has(200));
}

TEST_F(ServiceLinkTest, CancelDuringTheChunksLeavesTheFlashUntouched)
{
    RunInLoader();
    OpenFirmware();
    frame.onStatus = [this](int code, int result) {
        if (code == 50 && result > 0 && !(engine.GetBusy() & BUSY_FLASH_CANCEL))
            engine.CancelFirmwareUpdate(FALSE); // the progress dialog's abort
    };
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(52, 4, 10000)) << Describe(frame.statuses);
    frame.onStatus = nullptr;
    EngineFrame::Pump(100);

    EXPECT_FALSE(frame.Has(52, 1));
    EXPECT_EQ(1u, RequestCount(devsim::TAG_FLASH_CANCEL));
    EXPECT_EQ(0u, RequestCount(devsim::TAG_FLASH_STOP));
    sim.Lock();
    EXPECT_TRUE(sim.data.flash.empty());
    EXPECT_FALSE(sim.data.flashOpen);
    EXPECT_EQ(1, sim.data.flashCancels);
    sim.Unlock();
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_FALSE(engine.GetLmfFile().IsOpen());
    EXPECT_EQ(2, CommState()); // the device stays in its loader, the link up
}

TEST_F(ServiceLinkTest, SilentLoaderFailsAfterItsRepeats)
{
    RunInLoader();
    devsim::SimFaults faults;
    faults.flashSilent = -1;
    sim.SetFaults(faults);
    g_Settings.CommunicationTimeoutFlashLoadStart = 200;
    OpenFirmware();
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(200, 0, 5000)) << Describe(frame.statuses);
    EXPECT_EQ(4u, RequestCount(devsim::TAG_FLASH_START));
    EXPECT_EQ(0u, RequestCount(devsim::TAG_FLASH_DATA));
    EXPECT_FALSE(frame.Has(52));
    EXPECT_FALSE(engine.GetLmfFile().IsOpen());
    EXPECT_EQ(ENGINE_FAILED, engine.GetState());
}

TEST_F(ServiceLinkTest, LoaderWithoutFirmwareIsUpdatedOnlyWithAFileLoaded)
{
    RunInLoader();
    devsim::SimIdentity id = sim.GetIdentity();
    id.firmwareMissing = true;
    sim.SetIdentity(id);
    SimMessage noFirmware(devsim::SIM_REQUEST);
    noFirmware.Add(devsim::TAG_LOADER_RESTART, Bytes{ 0x83, 1 });
    noFirmware.AddText(devsim::TAG_LOADER_VERSION, id.loaderVersion);
    noFirmware.Add(devsim::TAG_CAUSE, Bytes{ 0x9F });

    // No file: the status says so, and no update starts.
    ASSERT_TRUE(sim.SendToProgram(noFirmware));
    ASSERT_TRUE(frame.WaitForStatus(210, 0, 3000));
    // The loader cannot switch to a firmware it lacks: the engine asks it
    // again after the link's reopening, and hears it is still the loader.
    ASSERT_TRUE(frame.WaitForStatus(4, 0, 5000)) << Describe(frame.statuses);
    for (int i = 0; i < 200 && CommState() != 2; ++i)
        EngineFrame::Pump(10);
    ASSERT_EQ(2, CommState());
    EXPECT_EQ(0u, RequestCount(devsim::TAG_FLASH_START));
    EXPECT_FALSE(frame.Has(51));
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_EQ(1, engine.GetRunningProgram());

    // With the file the user loaded, the update starts by itself and the
    // device ends up in its new firmware.
    OpenFirmware();
    frame.statuses.clear();
    sim.ClearReceived();
    ASSERT_TRUE(sim.SendToProgram(noFirmware));
    ASSERT_TRUE(frame.WaitForStatus(52, 1, 10000)) << Describe(frame.statuses);
    EXPECT_TRUE(InOrder({ { 3, 0 }, { 210, 0 }, { 51, 0 }, { 50, 0 }, { 50, 100 }, { 52, 1 } }, frame.statuses))
        << Describe(frame.statuses);
    sim.Lock();
    EXPECT_EQ(ExpectedFlash(), sim.data.flash);
    sim.Unlock();
    ASSERT_TRUE(frame.WaitForStatus(4, 0, 5000)) << Describe(frame.statuses);
    EXPECT_EQ(2, sim.GetIdentity().running);
    EXPECT_FALSE(sim.GetIdentity().firmwareMissing);
}
TEST_F(ServiceLinkTest, LoaderRefusingAChunkEndsTheUpdateWithItsCause)
{
    RunInLoader();
    sim.RefuseNext(devsim::TAG_FLASH_DATA, 0x86, -1);
    OpenFirmware();
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(52, 2, 5000)) << Describe(frame.statuses);
    // The chunk went four times in all, the same each time; no stop followed.
    const Bytes first = ExpectedBlocksAndStop()[0];
    std::vector<Bytes> chunks;
    for (const Bytes& r : Requests())
        if (r != FlashStart())
            chunks.push_back(r);
    EXPECT_EQ(std::vector<Bytes>(4, first), chunks);
    EXPECT_STREQ("86", engine.GetCauseText());
    EXPECT_FALSE(engine.GetLmfFile().IsOpen());
    EXPECT_EQ(ENGINE_READY, engine.GetState());

    // Not allowed at all: status 400, nothing more is sent.
    OpenFirmware();
    sim.ClearReceived();
    sim.RefuseNext(devsim::TAG_FLASH_START, 0x94);
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(frame.WaitForStatus(400, 0, 3000)) << Describe(frame.statuses);
    EngineFrame::Pump(100);
    EXPECT_EQ(std::vector<Bytes>{ FlashStart() }, Requests());
    EXPECT_FALSE(engine.GetLmfFile().IsOpen());
}

// The same update over a COM port: the program closes the port while the
// device restarts, and the port comes back as a USB port does (its arrival
// opens it again).
class ServiceSerialTest : public ServiceLinkTest
{
protected:
    void SetUp() override
    {
        if (!m_pty.Start("COM45", "COM46"))
            GTEST_SKIP() << "serial link over a pty pair skipped: " << m_pty.SkipReason();
        ASSERT_TRUE(sim.StartSerial("COM46"));
        sim.SetPassword("1234", true);
        sim.SetRestart(200, true);
        g_Settings.SetDefaults();
        g_Settings.ComMode = 0;
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), "COM45");
        g_Settings.Baudrate = 115200;
        g_Settings.CommunicationTimeout = 400;
        g_Settings.CommunicationTimeoutFlashLoadStart = 800;
        g_Settings.CommunicationTimeoutFlashLoad = 800;
        g_Settings.CommunicationTimeoutFlashLoadEnd = 800;
        g_Settings.CommunicationTimeoutSwitchToLoader = 300;
        g_Settings.CommunicationTimeoutSwitchToFirmware = 400;
        engine.SetNotifyWindow(frame.hwnd);
        ASSERT_EQ(1, CommInit(frame.hwnd, 1));
        ASSERT_EQ(2, CommState());
        engine.SetPassword("1234");
        m_started = true;
    }

    void TearDown() override
    {
        engine.StopTimer();
        engine.GetLmfFile().Close();
        if (m_started)
            CommClose();
        EngineFrame::Pump(20);
        sim.Stop();
        m_pty.Stop();
        g_Settings.SetDefaults();
        ::DeleteFileA(kLmfPath);
    }

    // Handles messages until the status arrives; a port the program closed
    // comes back once the device has restarted, as the USB arrival opens it.
    bool WaitReopening(int code, int result, DWORD ms)
    {
        const DWORD deadline = ::GetTickCount() + ms;
        while (!frame.Has(code, result))
        {
            if (static_cast<LONG>(::GetTickCount() - deadline) >= 0)
                return false;
            if (CommState() == 0 && !sim.Booting())
            {
                ++m_arrivals;
                CommInit(frame.hwnd, 1);
            }
            EngineFrame::Pump(5);
        }
        return true;
    }

    devsim::CPtyPair m_pty;
    bool m_started = false;
    int m_arrivals = 0;
};

TEST_F(ServiceSerialTest, FirmwareGoesThroughTheLoaderWhileThePortComesAndGoes)
{
    OpenFirmware();
    ASSERT_EQ(1, engine.StartFirmwareUpdate());
    ASSERT_TRUE(WaitReopening(52, 1, 15000)) << Describe(frame.statuses);
    ASSERT_TRUE(WaitReopening(4, 0, 15000)) << Describe(frame.statuses);
    EXPECT_GE(m_arrivals, 2); // after the switch to the loader and after the update

    const std::vector<Bytes> requests = Requests();
    ASSERT_GE(requests.size(), 7u);
    EXPECT_EQ(FlashStart(), requests[0]);
    const std::vector<Bytes> blocks = ExpectedBlocksAndStop();
    size_t at = 1;
    while (at < requests.size() && requests[at] == FlashStart())
        ++at;
    ASSERT_GE(requests.size(), at + blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i], requests[at + i]) << i;
    EXPECT_EQ(0u, RequestCount(devsim::TAG_SWITCH_TO_FIRMWARE));
    sim.Lock();
    EXPECT_EQ(ExpectedFlash(), sim.data.flash);
    sim.Unlock();
    EXPECT_EQ(2, sim.GetIdentity().running);
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    EXPECT_FALSE(frame.Has(200));
}

// ---------------------------------------------------------------------------
// Announcement update

TEST_F(ServiceLinkTest, AnnouncementGoesOutWholeAndTheDeviceStoresIt)
{
    const Bytes file = Announcement();
    OpenAnnouncement(file);
    engine.SetPassword("0000"); // wrong: the device asks for the password first
    ASSERT_EQ(1, engine.StartAnnouncementUpdate(1));
    ASSERT_TRUE(frame.WaitForStatus(72, 1, 10000)) << Describe(frame.statuses);

    const std::vector<Status> want = { { 71, 0 }, { 71, 0 }, { 70, 0 }, { 70, 41 }, { 70, 83 }, { 70, 100 }, { 72, 1 } };
    EXPECT_TRUE(InOrder(want, frame.statuses)) << Describe(frame.statuses);
    EXPECT_FALSE(frame.Has(200));
    auto start = [](const char* password) {
        Bytes pw(password, password + strlen(password) + 1);
        return Encode(SimMessage(devsim::SIM_REQUEST)
                          .Add(devsim::TAG_ANNOUNCEMENT_START, Bytes{ 1 })
                          .Add(devsim::TAG_ADDRESS, Be32(58))
                          .Add(devsim::TAG_PASSWORD, pw));
    };
    // The header goes as it is in the file, not as the check normalised it.
    const std::vector<Bytes> expected = { start("0000"),
                                          start("1234"),
                                          AnnouncementBlock(file, 0),
                                          AnnouncementBlock(file, 208),
                                          AnnouncementBlock(file, 416),
                                          Encode(SimMessage(devsim::SIM_REQUEST)
                                                     .Add(devsim::TAG_ANNOUNCEMENT_STOP, Bytes{ 0 })) };
    EXPECT_EQ(expected, Requests());
    sim.Lock();
    EXPECT_EQ(file, sim.data.announcements[1]);
    sim.Unlock();
    EXPECT_FALSE(engine.GetWaveFile().IsOpen());
    EXPECT_EQ(ENGINE_READY, engine.GetState());
}

TEST_F(ServiceLinkTest, AnnouncementRefusedByTheDeviceEndsWithTheFileClosed)
{
    const Bytes file = Announcement();
    OpenAnnouncement(file);
    sim.RefuseNext(devsim::TAG_ANNOUNCEMENT_START, 0x94);
    ASSERT_EQ(1, engine.StartAnnouncementUpdate(0));
    ASSERT_TRUE(frame.WaitForStatus(400, 0, 3000)) << Describe(frame.statuses);
    EXPECT_FALSE(engine.GetWaveFile().IsOpen());
    EXPECT_FALSE(frame.Has(72));

    // A block refused: the update ends at once with the device's cause.
    OpenAnnouncement(file);
    frame.statuses.clear();
    sim.RefuseNext(devsim::TAG_ANNOUNCEMENT_DATA, 0x85);
    ASSERT_EQ(1, engine.StartAnnouncementUpdate(0));
    ASSERT_TRUE(frame.WaitForStatus(72, 2, 3000)) << Describe(frame.statuses);
    EXPECT_STREQ("85", engine.GetCauseText());
    EXPECT_FALSE(engine.GetWaveFile().IsOpen());
    EXPECT_EQ(1u, RequestCount(devsim::TAG_ANNOUNCEMENT_DATA));
    EXPECT_EQ(0u, RequestCount(devsim::TAG_ANNOUNCEMENT_STOP));
    sim.Lock();
    EXPECT_TRUE(sim.data.announcements[0].empty());
    sim.Unlock();
}

// ---------------------------------------------------------------------------
// CDR download

TEST_F(ServiceLinkTest, CdrRecordsBecomeTextLinesAcrossTheRingsWrap)
{
    FillCdrRing(7, 0x7FFF80);
    OpenCdrExport(CDR_FORMAT_TEXT_SEMICOLON);
    ASSERT_EQ(1, engine.StartCdrDownload(FALSE));
    ASSERT_TRUE(frame.WaitForStatus(152, 1, 5000)) << Describe(frame.statuses);
    EXPECT_TRUE(InOrder({ { 10, 0 }, { 152, 1 } }, frame.statuses));

    const std::vector<Bytes> expected = { CdrRequest(-1, 0), CdrRequest(192, 0x7FFF80), CdrRequest(192, 0x40),
                                          CdrRequest(64, 0x100) };
    EXPECT_EQ(expected, CdrMessages());
    EXPECT_FALSE(engine.GetCdrExportFile().IsOpen());
    std::string text = Header();
    for (int i = 0; i < 7; ++i)
        text += Line(i);
    EXPECT_EQ(text, ReadWholeFile(kCdrPath));
    sim.Lock();
    EXPECT_TRUE(sim.data.cdrRecords.empty());
    EXPECT_EQ(0x140u, sim.data.cdrPosition);
    sim.Unlock();
}

TEST_F(ServiceLinkTest, CdrRawExportHoldsTheDeviceRecordsAsTheyAre)
{
    FillCdrRing(4, 0);
    OpenCdrExport(CDR_FORMAT_BINARY);
    ASSERT_EQ(1, engine.StartCdrDownload(FALSE));
    ASSERT_TRUE(frame.WaitForStatus(152, 1, 5000)) << Describe(frame.statuses);
    std::string raw;
    for (int i = 0; i < 4; ++i)
    {
        const Bytes r = Record(i);
        raw.append(r.begin(), r.end());
    }
    EXPECT_EQ(raw, ReadWholeFile(kCdrPath));
}

TEST_F(ServiceLinkTest, BadCdrRecordIsRefusedWithItsNumberAndTheDeviceDropsIt)
{
    FillCdrRing(7, 0);
    sim.Lock();
    sim.data.cdrRecords[4][0] = 2; // the second record of the second block
    sim.Unlock();
    OpenCdrExport(CDR_FORMAT_TEXT_SEMICOLON);
    ASSERT_EQ(1, engine.StartCdrDownload(FALSE));
    ASSERT_TRUE(frame.WaitForStatus(152, 1, 5000)) << Describe(frame.statuses);

    const Bytes refusal = Encode(SimMessage(devsim::SIM_NEGATIVE)
                                     .Add(devsim::TAG_CDR_REQUEST, Bytes{ 192 })
                                     .Add(devsim::TAG_CDR_POSITION, Be32(0xC0))
                                     .Add(devsim::TAG_CAUSE, Bytes{ 0x99, 0x02 })
                                     .Add(devsim::TAG_PASSWORD, Bytes{ '1', '2', '3', '4', 0 }));
    const std::vector<Bytes> expected = { CdrRequest(-1, 0), CdrRequest(192, 0), refusal, CdrRequest(128, 0x140) };
    EXPECT_EQ(expected, CdrMessages());
    // The record before the bad one was written; the bad one is gone.
    EXPECT_EQ(Header() + Line(0) + Line(1) + Line(2) + Line(3) + Line(5) + Line(6), ReadWholeFile(kCdrPath));
    sim.Lock();
    EXPECT_EQ(std::vector<int>{ 2 }, sim.data.cdrBadReports);
    EXPECT_TRUE(sim.data.cdrRecords.empty());
    sim.Unlock();
}

TEST_F(ServiceLinkTest, FullDiskEndsTheCdrDownloadAndTheDeviceKeepsItsRecords)
{
    FillCdrRing(5, 0x200);
    OpenCdrExport(CDR_FORMAT_TEXT_SEMICOLON);
    // A file that takes no more writes stands for a full disk.
    CCdrExportFile& file = engine.GetCdrExportFile();
    file.Close();
    ASSERT_TRUE(file.Open(kCdrPath, DISKFILE_READ | DISKFILE_OPEN_EXISTING));
    ASSERT_EQ(1, engine.StartCdrDownload(FALSE));
    ASSERT_TRUE(frame.WaitForStatus(152, 2, 5000)) << Describe(frame.statuses);
    EngineFrame::Pump(200);

    EXPECT_EQ(std::vector<Bytes>{ CdrRequest(-1, 0) }, CdrMessages());
    EXPECT_EQ(CDR_ERROR_WRITE, file.GetErrorCode());
    EXPECT_STREQ("", engine.GetCauseText()); // the frame reports the save error
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ENGINE_READY, engine.GetState());
    sim.Lock();
    EXPECT_EQ(5u, sim.data.cdrRecords.size());
    EXPECT_EQ(0x200u, sim.data.cdrPosition);
    EXPECT_TRUE(sim.data.cdrBadReports.empty());
    sim.Unlock();
}
} // namespace
