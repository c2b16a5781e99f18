#include <gtest/gtest.h>
#include "wcl/Win.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>

namespace
{
DWORD s_mainThread = 0;

// A crash must end the run with a message that names the test, not start
// Wine's debugger, which waits for input until the run's time-out.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    fprintf(stdout, "\n*** crash: exception 0x%08lx at %p", record ? (unsigned long)record->ExceptionCode : 0ul,
            record ? record->ExceptionAddress : nullptr);
    if (record && record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
        fprintf(stdout, " (%s of %p)", record->ExceptionInformation[0] ? "write" : "read",
                (void*)record->ExceptionInformation[1]);
    fprintf(stdout, " on %s thread, during %s.%s\n", ::GetCurrentThreadId() == s_mainThread ? "the test" : "another",
            test ? test->test_suite_name() : "(no test)", test ? test->name() : "");
    fflush(stdout);
    fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A test that runs far longer than any test should is stuck (a modal loop
// nobody ends, a message box left waiting): the run ends with its name and
// the windows on screen instead of waiting for the outer time-out.
const ::testing::TestInfo* volatile s_test = nullptr;
volatile LONG s_testStarted = 0;
DWORD s_hangLimitMs = 0;

class CTestStartListener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo& test) override
    {
        s_test = &test;
        ::InterlockedExchange(&s_testStarted, (LONG)::GetTickCount());
    }
    void OnTestEnd(const ::testing::TestInfo&) override { s_test = nullptr; }
};

BOOL CALLBACK PrintWindow(HWND wnd, LPARAM)
{
    char cls[64] = "", title[128] = "";
    ::GetClassNameA(wnd, cls, sizeof(cls));
    ::GetWindowTextA(wnd, title, sizeof(title));
    fprintf(stdout, "    window %p class \"%s\" title \"%s\"%s%s\n", (void*)wnd, cls, title,
            ::IsWindowVisible(wnd) ? " visible" : "", ::IsWindowEnabled(wnd) ? "" : " disabled");
    return TRUE;
}

// Runs until the process ends.
DWORD WINAPI WatchForHangs(void*)
{
    for (;;)
    {
        ::Sleep(1000);
        const ::testing::TestInfo* test = s_test;
        const DWORD ran = ::GetTickCount() - (DWORD)s_testStarted;
        if (!test || ran < s_hangLimitMs)
            continue;
        fprintf(stdout, "\n*** hang: %s.%s has run for %lu s; windows of the process:\n", test->test_suite_name(),
                test->name(), (unsigned long)(ran / 1000));
        ::EnumWindows(PrintWindow, 0);
        fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), 4);
    }
}
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Without this a failing test under Wine may wait on an error dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    s_mainThread = ::GetCurrentThreadId();
    // The control classes the program registers at start-up.
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES |
                                                            ICC_BAR_CLASSES | ICC_INTERNET_CLASSES | ICC_TAB_CLASSES };
    ::InitCommonControlsEx(&controls);
    ::SetUnhandledExceptionFilter(ReportCrash);
    // VEL_TEST_HANG_SECONDS changes the limit (0: no watch).
    const char* limit = getenv("VEL_TEST_HANG_SECONDS");
    long seconds = limit ? strtol(limit, nullptr, 10) : 60;
    if (seconds > 0)
    {
        s_hangLimitMs = (DWORD)seconds * 1000;
        ::testing::UnitTest::GetInstance()->listeners().Append(new CTestStartListener);
        ::CloseHandle(::CreateThread(NULL, 0, WatchForHangs, NULL, 0, NULL));
    }
    return RUN_ALL_TESTS();
}
