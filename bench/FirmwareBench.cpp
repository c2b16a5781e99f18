// Times the firmware update of a 1 MiB LmF image through the real TCP link
// against the device simulator, at the default settings: once with the device
// already in its loader and once starting from its firmware (which restarts
// into the loader first). Prints the time, the chunks sent and the ratio to
// the floor: one request/answer round trip per chunk (the update waits for
// each acknowledgment) plus the fixed wait for the loader; then the same
// update with the communication log on, as a ratio to it with the log off.
// Run under Wine by hand.
#include "bench/BenchSupport.h"
#include "comm/DeviceProtocol.h"
#include "comm/Link.h"
#include "comm/TcpLink.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "tests/support/EngineFrame.h"
#include "tools/devsim/DeviceSimulator.h"
#include "wcl/Win.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kImagePath[] = "bench_firmware.lmf";
const DWORD kImageAddress = 0x60100000;
const DWORD kImageSize = 0x100000;

CDeviceProtocol* g_engine = nullptr;
int g_updateResult = -1;
bool g_updateDone = false, g_firmwareBack = false;
long g_frames = 0; // frames received while the engine is not attached

// The main frame as the engine meets it.
LRESULT CALLBACK FrameProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WMU_FRAME_RECEIVED:
        if (g_engine)
        {
            g_engine->OnMessage(reinterpret_cast<CDeviceMessage*>(wParam), static_cast<int>(lParam));
        }
        else
        {
            ++g_frames;
            FreeMessage(reinterpret_cast<CDeviceMessage*>(wParam));
        }
        return 0;
    case WMU_ENGINE_STATUS:
        if (wParam == 52)
        {
            g_updateResult = (int)lParam;
            g_updateDone = true;
        }
        if (wParam == 4)
            g_firmwareBack = true;
        return 0;
    case WMU_ENSURE_LOGIN:
        if (wParam == 3)
            return enginetest::EnsureLinkWithoutPumping(hWnd);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

HWND CreateFrame()
{
    return enginetest::CreateStandInWindow("VelFirmwareBenchFrame", FrameProc);
}

bool WriteImage()
{
    std::vector<BYTE> file = { 'L', 'm', 'F', 1 };
    for (int i = 0; i < 4; ++i)
        file.push_back((BYTE)(kImageAddress >> (8 * i)));
    for (int i = 0; i < 4; ++i)
        file.push_back((BYTE)(kImageSize >> (8 * i)));
    size_t data = file.size();
    file.resize(data + kImageSize);
    for (DWORD i = 0; i < kImageSize; ++i)
        file[data + i] = (BYTE)(i * 7 + (i >> 9));
    memcpy(&file[data + 64], kLmfDeviceIdentification, strlen(kLmfDeviceIdentification) + 1);
    HANDLE f = CreateFileA(kImagePath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = WriteFile(f, file.data(), (DWORD)file.size(), &put, NULL) && put == file.size();
    CloseHandle(f);
    return ok;
}

// The chunks of the image: 208 bytes at most, never across 64 KiB.
long ChunkCount()
{
    long chunks = 0;
    for (DWORD at = 0; at < kImageSize;)
    {
        DWORD address = kImageAddress + at;
        DWORD n = 208;
        DWORD toBoundary = 0x10000 - address % 0x10000;
        if (n > toBoundary)
            n = toBoundary;
        if (n > kImageSize - at)
            n = kImageSize - at;
        at += n;
        ++chunks;
    }
    return chunks;
}

// One request/answer round trip with a chunk-sized request, without the
// engine: what each chunk costs at the least.
double RoundTripMs(devsim::CDeviceSimulator& sim)
{
    const int kTrips = 300;
    std::vector<BYTE> chunk(208, 0x5A);
    const long before = g_frames;
    double start = Now();
    for (int i = 0; i < kTrips; ++i)
    {
        CDeviceMessage* message = AllocMessage(MSG_TYPE_REQUEST);
        AddIE(message, IE_FLASH_DATA, (int)chunk.size(), chunk.data());
        BYTE address[4] = { 0x60, 0x10, 0, 0 };
        AddIE(message, IE_FLASH_ADDRESS, 4, address);
        SetChecksum(message);
        CommQueueSend(message->bytes, MessageLength(message));
        const long want = before + i + 1;
        if (!PumpUntil([want] { return g_frames >= want; }, 2000))
            return -1;
    }
    (void)sim;
    return (Now() - start) / kTrips;
}

// The update's time, for the comparison with the communication log on.
double RunUpdate(HWND frame, bool fromFirmware, bool withLog)
{
    double result = 0;
    devsim::CDeviceSimulator sim;
    int port = sim.StartTcp();
    devsim::SimIdentity id = sim.GetIdentity();
    id.running = fromFirmware ? 2 : 1;
    sim.SetIdentity(id);
    sim.SetRestart(200, true);
    g_Settings.SetDefaults();
    g_Settings.ComMode = 1;
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
    g_Settings.TcpPort = (DWORD)port;
    if (!port || CommInit(frame, 1) != 1 || !PumpUntil([] { return CommState() == 2; }, 3000))
    {
        printf("firmware update: cannot connect to the simulator\n");
        sim.Stop();
        return 0;
    }

    g_engine = nullptr;
    g_frames = 0;
    const double rtt = RoundTripMs(sim);

    CDeviceProtocol engine(GetCommEngineLink(), GetThreadEngineTimer());
    engine.SetNotifyWindow(frame);
    BenchLogView view;
    if (withLog)
        engine.SetCommLog(&view.log);
    g_engine = &engine;
    CLmfFile& lmf = engine.GetLmfFile();
    if (!lmf.Open(kImagePath, DISKFILE_READ | DISKFILE_SHARE_READ | DISKFILE_OPEN_EXISTING) ||
        lmf.Load() != LMF_LOAD_OK)
    {
        printf("firmware update: cannot load the image\n");
    }
    else
    {
        lmf.ResetProgress();
        sim.ClearReceived();
        g_updateDone = g_firmwareBack = false;
        g_updateResult = -1;
        const double start = Now();
        engine.StartFirmwareUpdate();
        bool done = PumpUntil([] { return g_updateDone; }, 120000);
        const double updateMs = Now() - start;
        bool back = done && PumpUntil([] { return g_firmwareBack; }, 30000);
        const double backMs = Now() - start;

        size_t chunks = 0;
        for (const devsim::SimMessage& m : sim.Received())
            if (m.Has(devsim::TAG_FLASH_DATA))
                ++chunks;
        const long expectedChunks = ChunkCount();
        const double waits = fromFirmware ? (double)g_Settings.CommunicationTimeoutSwitchToLoader : 0.0;
        const double floorMs = waits + (double)expectedChunks * rtt;
        result = done ? updateMs : 0;
        printf("firmware update of 1 MiB, log %s, device %s: %s in %.0f ms (result %d), %u chunks sent of %ld, "
               "round trip %.3f ms, floor %.0f ms (%.0f ms fixed waits), ratio %.2f; firmware back after %.0f ms%s\n",
               withLog ? "on" : "off", fromFirmware ? "in its firmware" : "in its loader", done ? "done" : "NOT DONE", updateMs,
               g_updateResult, (unsigned)chunks, expectedChunks, rtt, floorMs, waits,
               floorMs > 0 ? updateMs / floorMs : 0.0, backMs, back ? "" : " (NOT BACK)");
    }
    engine.StopTimer();
    engine.SetCommLog(nullptr);
    lmf.Close();
    g_engine = nullptr;
    CommClose();
    PumpUntil([] { return false; }, 50);
    sim.Stop();
    return result;
}

} // namespace

int main()
{
    if (!WinsockStartup())
        return 1;
    HWND frame = CreateFrame();
    if (!WriteImage())
    {
        printf("cannot write %s\n", kImagePath);
        return 1;
    }
    const double off = RunUpdate(frame, false, false);
    const double on = RunUpdate(frame, false, true);
    if (off > 0 && on > 0)
        printf("communication log on: %.2f x the update with it off (target 1.30)\n", on / off);
    RunUpdate(frame, true, false);
    DeleteFileA(kImagePath);
    DestroyWindow(frame);
    WinsockCleanup();
    return 0;
}
