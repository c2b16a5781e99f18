#include "wcl/AppModule.h"

CAppModule g_Module;

BOOL CAppModule::Init(HINSTANCE instance)
{
    m_instance = instance ? instance : ::GetModuleHandle(NULL);
    return TRUE;
}

void CAppModule::Term()
{
    m_loops.clear();
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop)
{
    if (!loop)
        return FALSE;
    return m_loops.emplace(::GetCurrentThreadId(), loop).second;
}

BOOL CAppModule::RemoveMessageLoop()
{
    return m_loops.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const
{
    auto it = m_loops.find(threadId);
    return it == m_loops.end() ? nullptr : it->second;
}
