#pragma once
#include <windows.h>
#include <string>

namespace devsim
{
// Two COM ports of the Wine prefix joined by a socat pseudo-terminal pair:
// what the program writes to one, the simulator reads from the other.
//
// The mapping is the one Wine keeps under HKLM\Software\Wine\Ports
// (COMn = pty path). Wine's mount manager reads that key only when the
// session starts, so the port links in the prefix's device folder are made
// directly as well; both go away in Stop.
class CPtyPair
{
public:
    CPtyPair() = default;
    ~CPtyPair() { Stop(); }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    // False (with a reason) when socat or the Wine prefix is missing or the
    // ports do not open as serial ports within 3 seconds.
    bool Start(const char* programPort, const char* devicePort);
    void Stop();
    const std::string& SkipReason() const { return m_skipReason; }

private:
    std::string m_pidFile;
    std::string m_programPort, m_devicePort;
    std::string m_programLink, m_deviceLink;
    std::string m_programPty, m_devicePty;
    std::string m_skipReason;
};
} // namespace devsim
