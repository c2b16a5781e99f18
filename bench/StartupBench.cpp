// Times the program's start-up against an empty Win32 program with the same
// menu, tab control and status bar (bench_EmptyWindow): from the process's
// creation to its first shown main window, and the working set once it waits
// for input. Both start in turn, in one run and one prefix, each round; the
// program keeps the settings a first start leaves.
//
//     bench_StartupBench [rounds] [program.exe ...]
//                                   the empty program and the program (or
//                                   the copies of it named), 5 rounds
//     bench_StartupBench phases     the program's start-up steps, timed in
//                                   this process in the program's order
//
// Run from the build's bin folder under Wine, by hand.
#include "bench/BenchSupport.h"
#include "app/MainFrame.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/PathSettings.h"
#include "comm/UsbPort.h"
#include "wcl/AppModule.h"
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct Start
{
    double shownMs = 0;      // creation to the first shown top-level window
    double idleMs = 0;       // creation to its first wait for input
    double workingSetMb = 0; // once idle
    double peakMb = 0;
    bool ok = false;
};

struct FindShown
{
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM param)
{
    FindShown* f = reinterpret_cast<FindShown*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->pid && ::IsWindowVisible(hwnd) && !::GetWindow(hwnd, GW_OWNER))
    {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string Beside(const char* name)
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, path, sizeof(path));
    char* slash = strrchr(path, '\\');
    std::string folder = slash ? std::string(path, slash + 1) : std::string();
    return folder + name;
}

Start Time(const std::string& program)
{
    Start s;
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    std::string folder = program.substr(0, program.find_last_of('\\') + 1);
    std::vector<char> command(program.begin(), program.end());
    command.push_back(0);
    const double t0 = Now();
    if (!::CreateProcessA(program.c_str(), command.data(), NULL, NULL, FALSE, 0, NULL, folder.c_str(), &si, &pi))
    {
        printf("cannot start %s (%lu)\n", program.c_str(), ::GetLastError());
        return s;
    }
    FindShown f = { pi.dwProcessId, NULL };
    while (!f.found && Now() - t0 < 20000)
    {
        ::EnumWindows(FindShownWindow, (LPARAM)&f);
        if (!f.found)
            ::Sleep(1);
    }
    s.shownMs = Now() - t0;
    if (f.found)
    {
        ::WaitForInputIdle(pi.hProcess, 10000);
        s.idleMs = Now() - t0;
        ::Sleep(300); // what the first paint and idle handlers leave behind
        PROCESS_MEMORY_COUNTERS pmc = { sizeof(pmc) };
        if (::GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof(pmc)))
        {
            s.workingSetMb = pmc.WorkingSetSize / 1048576.0;
            s.peakMb = pmc.PeakWorkingSetSize / 1048576.0;
            s.ok = true;
        }
        ::PostMessageA(f.found, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return s;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Report(const char* label, const std::vector<Start>& runs, double baseShown, double baseSet)
{
    std::vector<double> shown, idle, set, peak;
    for (const Start& s : runs)
    {
        if (!s.ok)
            continue;
        shown.push_back(s.shownMs);
        idle.push_back(s.idleMs);
        set.push_back(s.workingSetMb);
        peak.push_back(s.peakMb);
    }
    if (shown.empty())
    {
        printf("%-24s no run reached a shown window\n", label);
        return;
    }
    const double ws = Median(set);
    printf("%-24s shown %6.0f ms (%4.0f-%4.0f)  idle %6.0f ms  working set %5.1f MB (%.2fx)  peak %5.1f MB", label,
           Median(shown), *std::min_element(shown.begin(), shown.end()), *std::max_element(shown.begin(), shown.end()),
           Median(idle), ws, baseSet > 0 ? ws / baseSet : 1.0, Median(peak));
    if (baseShown > 0)
        printf("  +%.0f ms", Median(shown) - baseShown);
    printf("\n");
}

int Programs(int rounds, const std::vector<std::string>& names)
{
    const std::string empty = Beside("bench_EmptyWindow.exe");
    std::vector<std::string> programs;
    for (const std::string& name : names)
        programs.push_back(Beside(name.c_str()));
    std::vector<std::vector<Start>> runs(programs.size());
    std::vector<Start> emptyRuns;
    // One start of each first, untimed: the prefix's caches warm up and the
    // program writes the settings a first start leaves.
    Time(empty);
    for (const std::string& program : programs)
        Time(program);
    for (int i = 0; i < rounds; ++i)
    {
        emptyRuns.push_back(Time(empty));
        for (size_t p = 0; p < programs.size(); ++p)
            runs[p].push_back(Time(programs[p]));
    }
    std::vector<double> emptyShown, emptySet;
    for (const Start& s : emptyRuns)
        if (s.ok)
        {
            emptyShown.push_back(s.shownMs);
            emptySet.push_back(s.workingSetMb);
        }
    printf("%d rounds, medians (range of the shown times)\n", rounds);
    Report("empty program", emptyRuns, 0, Median(emptySet));
    for (size_t p = 0; p < programs.size(); ++p)
        Report(names[p].c_str(), runs[p], Median(emptyShown), Median(emptySet));
    return 0;
}

// The program's start-up steps in its order, each timed, in this process.
struct Phase
{
    const char* name;
    double ms;
};

int Phases()
{
    std::vector<Phase> phases;
    double t = Now();
    const double t0 = t;
    auto mark = [&](const char* name) {
        const double now = Now();
        phases.push_back({ name, now - t });
        t = now;
    };
    ::OleInitialize(NULL);
    mark("OLE");
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                            ICC_INTERNET_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES |
                                                            ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS };
    ::InitCommonControlsEx(&controls);
    mark("common controls");
    HMODULE richEdit = ::LoadLibraryA("RICHED20.DLL");
    mark("rich edit library");
    g_Module.Init(::GetModuleHandle(NULL));
    g_Settings.Load();
    g_PathSettings.Load();
    mark("settings");
    if (!g_Language.SelectLanguage((int)g_Settings.Language))
        return 1;
    mark("language file");
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    mark("Winsock");
    {
        CMessageLoop loop;
        g_Module.AddMessageLoop(&loop);
        CMainFrame frame;
        if (!frame.CreateFrame())
            return 1;
        mark("main window");
        RegisterUsbNotification(frame);
        mark("device notices");
        frame.ShowWindow(SW_SHOWNORMAL);
        frame.UpdateWindow();
        mark("shown");
        PumpUntil([] { return !::GetQueueStatus(QS_ALLINPUT); }, 5000);
        mark("first messages");
        frame.PostMessage(WM_CLOSE);
        loop.Run();
        g_Module.RemoveMessageLoop();
        UnregisterUsbNotification();
    }
    for (const Phase& p : phases)
        printf("%-20s %7.1f ms\n", p.name, p.ms);
    printf("%-20s %7.1f ms\n", "total", t - t0);
    ::WSACleanup();
    if (richEdit)
        ::FreeLibrary(richEdit);
    g_Module.Term();
    ::OleUninitialize();
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "phases") == 0)
        return Phases();
    int rounds = argc > 1 ? atoi(argv[1]) : 5;
    // Further arguments name other builds of the program beside this one
    // (a copy before a change), each timed in turn with the others.
    std::vector<std::string> names;
    for (int i = 2; i < argc; ++i)
        names.push_back(argv[i]);
    if (names.empty())
        names.push_back("VelmotrexConfig.exe");
    return Programs(std::max(1, std::min(rounds, 100)), names);
}
