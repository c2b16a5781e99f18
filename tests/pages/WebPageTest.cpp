#include "tests/support/PageFixture.h"
#include "pages/WebPage.h"
#include "wcl/AxHost.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <algorithm>
#include <cstring>
#include <tuple>

namespace
{
const char kPortName[] = "COM7";
const char kRedirectorKey[] = "Software\\Perilink\\COM7";

class WebPageTest : public PageFixture
{
protected:
    static void SetUpTestSuite()
    {
        PageFixture::SetUpTestSuite();
        ::OleInitialize(NULL);
    }
    void SetUp() override
    {
        PageFixture::SetUp();
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRedirectorKey);
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), kPortName);
        ForgetWebPageChoice();
        memcpy(rec->network.ipAddress, "010000000002", 12);
    }
    void TearDown() override
    {
        PageFixture::TearDown();
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRedirectorKey);
        AxHostSetCreateFunction(nullptr);
        g_Settings.VirtualComPort[0] = '\0';
    }
    // The redirector's hosts: RemoteHost<n> and RemoteName<n> from 1.
    void WriteHosts(const std::vector<std::pair<std::string, std::string>>& hosts)
    {
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRedirectorKey, 0, NULL, 0, KEY_ALL_ACCESS,
                                                   NULL, &key, NULL));
        for (size_t i = 0; i < hosts.size(); ++i)
            for (const auto& v : { std::make_pair("RemoteHost", hosts[i].first), std::make_pair("RemoteName", hosts[i].second) })
                ::RegSetValueExA(key, (v.first + std::to_string(i + 1)).c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(v.second.c_str()), (DWORD)v.second.size() + 1);
        ::RegCloseKey(key);
    }
    CWebPage* OpenWeb()
    {
        CWebPage* web = dynamic_cast<CWebPage*>(OpenItem(CI_WEB_PAGE));
        testsupport::PumpMessages(50);
        return web;
    }
};
} // namespace

TEST(WebPageUrl, NamesTheHostAndAPortOtherThanHttps)
{
    for (const auto& [host, port, url] : std::vector<std::tuple<const char*, int, std::string>>{
             { "", 80, "about:blank" },
             { "", 8080, "about:blank" },
             { "10.0.0.2", 80, "http://10.0.0.2/" },
             { "10.0.0.2", 8080, "http://10.0.0.2:8080/" },
             { "gw.example", 443, "http://gw.example:443/" } })
        EXPECT_EQ(url, BuildDeviceUrl(host, port)) << host << " " << port;
}

// The redirector's hosts are read bounded, oversize values left out; the
// host and port chosen are kept until the VoIP item changes.
TEST_F(WebPageTest, RedirectorHostsAreReadBoundedAndTheChosenHostAndPortKept)
{
    AxHostSetCreateFunction([](REFCLSID, IUnknown** out) -> HRESULT {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    });
    WriteHosts({ { "10.0.0.5", "Office" }, { "", "no host" }, { std::string(32, '9'), "too long a host" },
                 { "10.0.0.9", std::string(300, 'n') }, { std::string(31, '7'), "" } });
    std::string shown;
    for (const RedirectorHost& h : ReadRedirectorHosts(kPortName))
        shown += std::string(h.host) + "=" + h.name + ";";
    EXPECT_EQ("10.0.0.5=Office;10.0.0.9=;" + std::string(31, '7') + "=;", shown);
    EXPECT_TRUE(ReadRedirectorHosts("").empty());
    EXPECT_TRUE(ReadRedirectorHosts("COM8").empty());

    CWebPage* web = OpenWeb();
    ASSERT_TRUE(web);
    EXPECT_EQ("", web->Url()); // several hosts: the user picks one
    EXPECT_EQ("10.0.0.5 (Office)", Text(IDC_WEB_HOST));
    Select(IDC_WEB_HOST, 1);
    Type(IDC_WEB_PORT, "8080");
    ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_WEB_CONNECT, BN_CLICKED), 0);
    EXPECT_EQ("http://10.0.0.9:8080/", web->Url());

    OpenWeb();
    EXPECT_EQ(1, CurSel(IDC_WEB_HOST));
    EXPECT_EQ("8080", Text(IDC_WEB_PORT));
    ForgetWebPageChoice();
    OpenWeb();
    EXPECT_EQ(0, CurSel(IDC_WEB_HOST));
    EXPECT_EQ("80", Text(IDC_WEB_PORT));
}

// The redirector's list ends at its hundredth host.
TEST_F(WebPageTest, RedirectorHostsAreReadUpToTheHundredth)
{
    std::vector<std::pair<std::string, std::string>> hosts;
    for (int n = 1; n <= kMaxRedirectorHosts + 1; ++n)
        hosts.push_back({ "10.0.0." + std::to_string(n), "" });
    WriteHosts(hosts);
    std::vector<RedirectorHost> read = ReadRedirectorHosts(kPortName);
    ASSERT_EQ((size_t)kMaxRedirectorHosts, read.size());
    EXPECT_EQ("10.0.0.1", read.front().host);
    EXPECT_EQ("10.0.0.100", read.back().host);
}

namespace
{
// Keeps every text a window is given.
LRESULT CALLBACK RecordTexts(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    // The subclass chain runs on the window's wide procedure.
    if (msg == WM_SETTEXT && lParam)
    {
        char text[300] = "";
        ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const WCHAR*>(lParam), -1, text, sizeof(text) - 1, NULL, NULL);
        reinterpret_cast<std::vector<std::string>*>(data)->push_back(text);
    }
    if (msg == WM_NCDESTROY)
        ::RemoveWindowSubclass(wnd, RecordTexts, 1);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// A one-shot HTTP listener on the loopback interface: takes one connection,
// keeps the request head and answers with a tiny page.
struct LoopbackHttp
{
    SOCKET listener = INVALID_SOCKET, client = INVALID_SOCKET;
    int port = 0;
    std::string request;
    LoopbackHttp()
    {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int len = sizeof(addr);
        ::bind(listener, reinterpret_cast<sockaddr*>(&addr), len);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        ::listen(listener, 1);
        u_long nonBlocking = 1;
        ::ioctlsocket(listener, FIONBIO, &nonBlocking);
    }
    ~LoopbackHttp()
    {
        ::closesocket(client);
        ::closesocket(listener);
        ::WSACleanup();
    }
    // Pumps the UI while waiting for the request head; true once it is in.
    bool ServeOne(DWORD ms)
    {
        char buf[1024];
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms;)
        {
            testsupport::PumpMessages(10);
            if (client == INVALID_SOCKET)
                client = ::accept(listener, nullptr, nullptr);
            else if (int n = ::recv(client, buf, sizeof(buf), 0); n > 0)
                request.append(buf, (size_t)n);
            if (request.find("\r\n\r\n") != std::string::npos)
            {
                const char reply[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello";
                ::send(client, reply, sizeof(reply) - 1, 0);
                ::shutdown(client, SD_SEND);
                return true;
            }
        }
        return false;
    }
};
} // namespace

TEST_F(WebPageTest, TheBrowserAsksTheDeviceForItsPageAndShowsItsStatus)
{
    LoopbackHttp device;
    memcpy(rec->network.ipAddress, "127000000001", 12);
    g_Settings.VirtualComPort[0] = '\0';
    g_LastWebPort = device.port;
    CWebPage* web = dynamic_cast<CWebPage*>(OpenItem(CI_WEB_PAGE));
    ASSERT_TRUE(web);
    std::vector<std::string> statuses;
    ::SetWindowSubclass(Item(IDC_WEB_STATUS), RecordTexts, 1, (DWORD_PTR)&statuses);
    testsupport::PumpMessages(50);
    ASSERT_TRUE(web->HasBrowser());
    const std::string hostPort = "127.0.0.1:" + std::to_string(device.port);
    EXPECT_EQ("http://" + hostPort + "/", web->Url());
    ASSERT_TRUE(device.ServeOne(10000));
    EXPECT_EQ("GET / HTTP/1.1\r\n", device.request.substr(0, device.request.find("\r\n") + 2));
    EXPECT_NE(std::string::npos, device.request.find("\r\nHost: " + hostPort + "\r\n"));
    testsupport::PumpMessages(300);
    // The browser's status texts went to the status line as they came.
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Downloading " + web->Url()), statuses.end());

    // The browser follows the page as it grows.
    RECT before, after, rc;
    ::GetWindowRect(Item(IDC_WEB_BROWSER), &before);
    ::GetWindowRect(Wnd(), &rc);
    ::MoveWindow(Wnd(), 0, 0, rc.right - rc.left + 100, rc.bottom - rc.top + 80, TRUE);
    testsupport::PumpMessages(50);
    ::GetWindowRect(Item(IDC_WEB_BROWSER), &after);
    EXPECT_EQ(before.right - before.left + 100, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top + 80, after.bottom - after.top);
    Close();
    testsupport::PumpMessages(200);
}
