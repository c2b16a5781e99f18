#pragma once
#include "wcl/MessageLoop.h"
#include <map>

// The application module: the instance handle and the message loop of each
// UI thread, so that windows can register their filters and idle handlers.
class CAppModule
{
public:
    BOOL Init(HINSTANCE instance);
    void Term();

    HINSTANCE GetModuleInstance() const { return m_instance; }
    HINSTANCE GetResourceInstance() const { return m_instance; }

    BOOL AddMessageLoop(CMessageLoop* loop);
    BOOL RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

private:
    HINSTANCE m_instance = NULL;
    std::map<DWORD, CMessageLoop*> m_loops;
};

extern CAppModule g_Module;
