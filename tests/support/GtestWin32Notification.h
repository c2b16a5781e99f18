#pragma once
// mingw-w64's win32 thread model has no std::mutex, which gtest's Notification
// uses; this stand-in on a Win32 event is force-included into gtest builds.
#ifdef __cplusplus
#include <winsock2.h>
#include <windows.h>
#define GTEST_HAS_NOTIFICATION_ 1
namespace testing {
namespace internal {
class Notification
{
public:
    Notification() : m_event(::CreateEventA(NULL, TRUE, FALSE, NULL)) {}
    ~Notification() { ::CloseHandle(m_event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { ::SetEvent(m_event); }
    void WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }
private:
    HANDLE m_event;
};
}
}
#endif
