#include "tools/devsim/PtyPair.h"
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace devsim
{
namespace
{
std::string Lower(const char* text)
{
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(), ::tolower);
    return s;
}

std::string DosPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// True once the port opens as a serial port.
bool CanOpen(const std::string& port)
{
    std::string path = "\\\\.\\" + port;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    bool serial = ::GetCommState(h, &dcb) != FALSE;
    ::CloseHandle(h);
    return serial;
}

bool Run(const std::string& command, bool wait)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    if (wait)
        ::WaitForSingleObject(pi.hProcess, 3000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return true;
}

void SetPortKey(const std::string& port, const std::string& ptyPath)
{
    HKEY key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    if (ptyPath.empty())
        ::RegDeleteValueA(key, port.c_str());
    else
        ::RegSetValueExA(key, port.c_str(), 0, REG_SZ, (const BYTE*)ptyPath.c_str(), (DWORD)ptyPath.size() + 1);
    ::RegCloseKey(key);
}

} // namespace

bool CPtyPair::Start(const char* programPort, const char* devicePort)
{
    Stop();
    if (::GetFileAttributesA("Z:\\usr\\bin\\socat") == INVALID_FILE_ATTRIBUTES)
    {
        m_skipReason = "socat is not installed";
        return false;
    }
    char prefix[MAX_PATH] = "";
    if (!::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix)))
    {
        m_skipReason = "not running under Wine (WINEPREFIX unset)";
        return false;
    }
    m_programPort = programPort;
    m_devicePort = devicePort;
    // The pty ends themselves, and the port links the mount manager would
    // make of the registry mapping.
    std::string tag = std::to_string(::GetCurrentProcessId());
    m_programPty = std::string(prefix) + "/vel-pty-" + tag + "-" + Lower(programPort);
    m_devicePty = std::string(prefix) + "/vel-pty-" + tag + "-" + Lower(devicePort);
    m_programLink = std::string(prefix) + "/dosdevices/" + Lower(programPort);
    m_deviceLink = std::string(prefix) + "/dosdevices/" + Lower(devicePort);
    // Links left from an earlier run are replaced by the shell's ln -sf.

    // socat is a host program: Wine cannot end it, so a shell notes its
    // process id for Stop.
    m_pidFile = std::string(prefix) + "/vel-socat-" + tag + ".pid";
    ::DeleteFileA(DosPath(m_pidFile).c_str());
    std::string command = "Z:\\bin\\sh -c \"echo $$ > " + m_pidFile + "; ln -sf " + m_programPty + " " +
                          m_programLink + "; ln -sf " + m_devicePty + " " + m_deviceLink +
                          "; exec /usr/bin/socat pty,raw,echo=0,link=" + m_programPty +
                          " pty,raw,echo=0,link=" + m_devicePty + "\"";
    if (!Run(command, false))
    {
        m_skipReason = "socat could not be started";
        return false;
    }
    SetPortKey(m_programPort, m_programPty);
    SetPortKey(m_devicePort, m_devicePty);
    for (int i = 0; i < 300; ++i)
    {
        if (CanOpen(m_programPort) && CanOpen(m_devicePort))
            return true;
        ::Sleep(10);
    }
    m_skipReason = "socat made no pty pair";
    return false;
}

void CPtyPair::Stop()
{
    if (m_pidFile.empty())
        return;
    char pid[32] = "";
    HANDLE f = ::CreateFileA(DosPath(m_pidFile).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f != INVALID_HANDLE_VALUE)
    {
        DWORD got = 0;
        ::ReadFile(f, pid, sizeof(pid) - 1, &got, NULL);
        pid[got] = '\0';
        ::CloseHandle(f);
    }
    // The port links dangle once socat is gone, and Wine does not delete a
    // dangling link: the shell removes them.
    long id = strtol(pid, NULL, 10);
    std::string command = "Z:\\bin\\sh -c \"";
    if (id > 0)
        command += "kill " + std::to_string(id) + "; ";
    command += "rm -f " + m_programLink + " " + m_deviceLink + " " + m_pidFile + "\"";
    Run(command, true);
    m_pidFile.clear();
    SetPortKey(m_programPort, "");
    SetPortKey(m_devicePort, "");
    m_programLink.clear();
    m_deviceLink.clear();
}
} // namespace devsim
