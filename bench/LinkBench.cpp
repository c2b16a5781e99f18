// Times the device link: framing and deframing throughput in memory,
// request/answer round trips per second through the real link threads against
// the device simulator over loopback TCP, how long closing the link takes, the
// processor time of an idle serial reader on a pseudo-terminal COM port, and
// how fast the communication log view takes message dumps, and how much the
// communication log slows a configuration download at the default pacing.
// Prints one line per case; run under Wine by hand.
#include "bench/BenchSupport.h"
#include "comm/CommLogCtrl.h"
#include "comm/CommMessages.h"
#include "comm/DeviceProtocol.h"
#include "comm/EngineStatus.h"
#include "comm/LinkLog.h"
#include "comm/Framing.h"
#include "comm/Link.h"
#include "comm/SerialLink.h"
#include "comm/TcpLink.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "tools/devsim/DeviceSimulator.h"
#include "tools/devsim/PtyPair.h"
#include "wcl/Win.h"
#include <cstdio>
#include <vector>

namespace {

int CountBytes(const BYTE*, int length, void* context)
{
    *static_cast<long long*>(context) += length;
    return length;
}

int CopyBytes(const BYTE* bytes, int length, void* context)
{
    auto* out = static_cast<std::vector<BYTE>*>(context);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

long g_frames = 0;

LRESULT CALLBACK CounterProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WMU_FRAME_RECEIVED)
    {
        ++g_frames;
        FreeCommBuffer((void*)wParam);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

HWND CreateCounterWindow()
{
    return enginetest::CreateStandInWindow("VelLinkBenchCounter", CounterProc);
}

// Opens the link over loopback TCP to the simulator's port and waits up to
// 3 s for it, without handling messages.
void ConnectLoopback(HWND window, int port)
{
    g_Settings.ComMode = 1;
    CopyText(g_Settings.TcpAddress, sizeof(g_Settings.TcpAddress), "127.0.0.1");
    g_Settings.TcpPort = (DWORD)port;
    CommInit(window, 1);
    double deadline = Now() + 3000;
    while (CommState() != 2 && Now() < deadline)
        Sleep(1);
}

// Drains frames posted to this thread's windows until 'count' arrived.
bool PumpUntilFrames(long count, double timeoutMs)
{
    return PumpUntil([count] { return g_frames >= count; }, timeoutMs);
}

void BenchFraming()
{
    // A 128-byte configuration block answer, a typical large message, with
    // some bytes that need escaping.
    std::vector<BYTE> message(135);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = (BYTE)(i * 37);
    const int rounds = 20000;

    long long framedBytes = 0;
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
        WriteFramedMessage(message.data(), (int)message.size(), CountBytes, &framedBytes, 0);
    double framing = Now() - t0;

    std::vector<BYTE> wire;
    WriteFramedMessage(message.data(), (int)message.size(), CopyBytes, &wire, 0);
    HWND window = CreateCounterWindow();
    CommSetNotifyWindow(window);
    ResetReceiveState(true);
    g_frames = 0;
    t0 = Now();
    const int batch = 1000; // the posted queue holds at most 10000 messages
    for (int done = 0; done < rounds; done += batch)
    {
        for (int i = 0; i < batch; ++i)
            DeframeBytes(wire.data(), (int)wire.size());
        PumpUntilFrames(done + batch, 5000);
    }
    double deframing = Now() - t0;
    CommSetNotifyWindow(NULL);
    DestroyWindow(window);

    // The deframer alone: no window, each finished frame is freed at once.
    ResetReceiveState(true);
    t0 = Now();
    for (int i = 0; i < rounds; ++i)
        DeframeBytes(wire.data(), (int)wire.size());
    double deframingOnly = Now() - t0;

    double mb = (double)message.size() * rounds / (1024.0 * 1024.0);
    printf("framing:   %d messages of %u bytes in %.1f ms: %.1f MB/s of message bytes\n", rounds,
           (unsigned)message.size(), framing, mb / (framing / 1000.0));
    printf("deframing: %d frames of %u bytes in %.1f ms (with posting): %.1f MB/s, %ld delivered\n", rounds,
           (unsigned)wire.size(), deframing, mb / (deframing / 1000.0), g_frames);
    printf("deframing: %d frames without posting in %.1f ms: %.1f MB/s\n", rounds, deframingOnly,
           mb / (deframingOnly / 1000.0));
}

void BenchRoundTrips()
{
    devsim::CDeviceSimulator sim;
    int port = sim.StartTcp();
    if (!port)
    {
        printf("round trips: simulator did not start\n");
        return;
    }
    WinsockStartup();
    HWND window = CreateCounterWindow();
    ConnectLoopback(window, port);

    const BYTE keepAlive[] = { 0xA1, 0x02, 0x34, 0x00, 0x29 };
    const int rounds = 1000;
    g_frames = 0;
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
    {
        BYTE* m = (BYTE*)AllocCommBuffer(COMM_MESSAGE_SIZE, true);
        memcpy(m, keepAlive, sizeof(keepAlive));
        CommQueueSend(m, sizeof(keepAlive));
        if (!PumpUntilFrames(i + 1, 2000))
        {
            printf("round trips: answer %d missing\n", i + 1);
            break;
        }
    }
    double elapsed = Now() - t0;
    printf("round trips: %ld request/answer pairs over loopback TCP in %.1f ms: %.0f per second (%.2f ms each)\n",
           g_frames, elapsed, g_frames * 1000.0 / elapsed, elapsed / (g_frames ? g_frames : 1));
    t0 = Now();
    CommClose();
    printf("close: the TCP link closed in %.1f ms\n", Now() - t0);
    sim.Stop();
    WinsockCleanup();
    DestroyWindow(window);
}

ULONGLONG ProcessorTime()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& f) { return ((ULONGLONG)f.dwHighDateTime << 32) | f.dwLowDateTime; };
    return ticks(kernel) + ticks(user);
}

// An idle serial link on a pseudo terminal, where every wait for a port event
// ends at once: the processor time of the whole process (reader, writer and
// the simulator's own polling) over two seconds.
void BenchIdleSerialReader()
{
    devsim::CPtyPair pty;
    if (!pty.Start("COM45", "COM46"))
    {
        printf("idle serial reader: skipped (%s)\n", pty.SkipReason().c_str());
        return;
    }
    devsim::CDeviceSimulator sim;
    if (!sim.StartSerial("COM46"))
    {
        printf("idle serial reader: simulator did not open its port\n");
        return;
    }
    HWND window = CreateCounterWindow();
    g_Settings.ComMode = 0;
    CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), "COM45");
    if (CommInit(window, 1) != 1)
    {
        printf("idle serial reader: the port did not open\n");
        sim.Stop();
        return;
    }
    const double period = 2000;
    LONG passes = SerialReaderPasses();
    ULONGLONG cpu = ProcessorTime();
    double t0 = Now();
    while (Now() - t0 < period)
    {
        MSG msg;
        while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
    double elapsed = Now() - t0;
    double used = (double)(ProcessorTime() - cpu) / 10000.0;
    passes = SerialReaderPasses() - passes;
    printf("idle serial reader: %.0f ms of processor time in %.0f ms (%.1f%% of one core), %ld reader passes "
           "(%.0f per second)\n",
           used, elapsed, used * 100.0 / elapsed, passes, passes * 1000.0 / elapsed);
    t0 = Now();
    CommClose();
    printf("close: the serial link closed in %.1f ms\n", Now() - t0);
    sim.Stop();
    pty.Stop();
    DestroyWindow(window);
}

// Stands in for the main frame in the download: hands frames to the engine,
// reports the link ready, notes the end of the download.
CDeviceProtocol* g_engine = NULL;
int g_downloadResult = -1;
LRESULT CALLBACK EngineFrameProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WMU_FRAME_RECEIVED:
        g_engine->OnMessage(reinterpret_cast<CDeviceMessage*>(wParam), (int)lParam);
        return 0;
    case WMU_ENSURE_LOGIN:
        return CommState() == 2;
    case WMU_ENGINE_STATUS:
        if (wParam == ENGINE_STATUS_DOWNLOAD_ENDED)
            g_downloadResult = (int)lParam;
        else if (wParam == ENGINE_STATUS_OPERATION_FAILED)
            g_downloadResult = 0;
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

// One configuration download from the simulator over loopback TCP, with or
// without the communication log attached to the engine and the link.
double TimeDownload(HWND logWindow)
{
    devsim::CDeviceSimulator sim;
    int port = sim.StartTcp();
    if (!port)
        return -1;
    HWND frame = enginetest::CreateStandInWindow("VelLinkBenchFrame", EngineFrameProc);

    CDeviceProtocol engine(GetCommEngineLink(), GetThreadEngineTimer());
    g_engine = &engine;
    engine.SetNotifyWindow(frame);
    CCommLogCtrl log;
    if (logWindow)
    {
        log.Attach(logWindow);
        log.Init();
        log.SetMaxLines(200); // the default "CommunicationLogMaxLines"
        engine.SetCommLog(&log);
        CommSetLog(&log);
    }
    g_Settings.SetDefaults();
    ConnectLoopback(frame, port);

    g_downloadResult = -1;
    double t0 = Now();
    double elapsed = -1;
    if (engine.StartDataDownload() == 1)
    {
        const double deadline = Now() + 600000;
        while (g_downloadResult < 0 && Now() < deadline)
        {
            MSG msg;
            while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        }
        if (g_downloadResult == ENGINE_RESULT_OK)
            elapsed = Now() - t0;
    }
    engine.StopTimer();
    CommSetLog(NULL);
    engine.SetCommLog(NULL);
    CommClose();
    sim.Stop();
    DestroyWindow(frame);
    g_engine = NULL;
    return elapsed;
}

void BenchDownloadWithLog()
{
    WinsockStartup();
    LoadLibraryA("RICHED20.DLL");
    double plain = TimeDownload(NULL);
    HWND host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    HWND edit = CreateWindowExA(0, "RichEdit20A", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                0, 0, 780, 580, host, NULL, NULL, NULL);
    double logged = edit ? TimeDownload(edit) : -1;
    DestroyWindow(host);
    WinsockCleanup();
    if (plain <= 0 || logged <= 0)
    {
        printf("download: did not complete (%.0f ms without the log, %.0f ms with it)\n", plain, logged);
        return;
    }
    printf("download: configuration image at the default pacing in %.0f ms without the communication log, "
           "%.0f ms with it: ratio %.2f\n",
           plain, logged, logged / plain);
}

// The communication log view: message dumps of a 135-byte answer, trimmed to
// the default 200 lines, as the engine writes them for every message.
void BenchCommLog()
{
    LoadLibraryA("RICHED20.DLL");
    HWND host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
    HWND edit = CreateWindowExA(0, "RichEdit20A", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                0, 0, 780, 580, host, NULL, NULL, NULL);
    if (!edit)
    {
        printf("communication log: no rich edit control\n");
        return;
    }
    CCommLogCtrl log;
    log.Attach(edit);
    log.Init();
    log.SetMaxLines(200);
    std::vector<BYTE> message(135);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = (BYTE)(i * 37);
    const int rounds = 2000;
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
        log.AddFrameDump(message.data(), (int)message.size(), i & 1);
    log.FlushQueued();
    double elapsed = Now() - t0;
    printf("communication log: %d dumps of %u bytes (%d characters a line) in %.1f ms: %.0f per second "
           "(%.3f ms each)\n",
           rounds, (unsigned)message.size(), log.GetCharsPerLine(), elapsed, rounds * 1000.0 / elapsed,
           elapsed / rounds);
    DestroyWindow(host);
}
}

int main()
{
    BenchFraming();
    BenchRoundTrips();
    BenchIdleSerialReader();
    BenchCommLog();
    BenchDownloadWithLog();
    return 0;
}
