#include <gtest/gtest.h>
#include "wcl/Win.h"
#include <cstdio>

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
    char module[MAX_PATH] = "?";
    HMODULE owner = NULL;
    if (record && ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       (LPCSTR)record->ExceptionAddress, &owner))
        ::GetModuleFileNameA(owner, module, sizeof(module));
    fprintf(stdout, " in module %s, %s thread, during %s.%s\n", module,
            ::GetCurrentThreadId() == s_mainThread ? "the test" : "another", test ? test->test_suite_name() : "(no test)",
            test ? test->name() : "");
    fflush(stdout);
    fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Without this a failing test under Wine may wait on an error dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    s_mainThread = ::GetCurrentThreadId();
    ::SetUnhandledExceptionFilter(ReportCrash);
    return RUN_ALL_TESTS();
}
