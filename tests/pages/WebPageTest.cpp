#include <gtest/gtest.h>
#include "pages/WebPage.h"
#include "pages/ConfigItems.h"
#include "wcl/AxHost.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <memory>
#include <algorithm>
#include <string>
#include <vector>

namespace
{
const char kPortName[] = "COM7";
const char kRedirectorKey[] = "Software\\Perilink\\COM7";

HRESULT NoControl(REFCLSID, IUnknown** out)
{
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
}

void SetString(HKEY key, const char* name, const std::string& value)
{
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), (DWORD)value.size() + 1);
}

std::string ItemText(HWND dlg, int id)
{
    char text[300] = "";
    ::GetDlgItemTextA(dlg, id, text, sizeof(text));
    return text;
}

class WebPageTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        SelectShippedLanguage();
        ::OleInitialize(NULL);
    }

    void SetUp() override
    {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRedirectorKey);
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), kPortName);
        ForgetWebPageChoice();
        rec = GetPageEditRecord();
        SetConfigDefaults(rec);
        memcpy(rec->network.ipAddress, "010000000002", 12);
        host = testsupport::CreatePageHost();
    }
    void TearDown() override
    {
        ClosePage();
        ::DestroyWindow(host);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRedirectorKey);
        AxHostSetCreateFunction(nullptr);
        g_Settings.VirtualComPort[0] = '\0';
    }

    void WriteHosts(const std::vector<std::pair<std::string, std::string>>& hosts)
    {
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRedirectorKey, 0, NULL, 0, KEY_ALL_ACCESS,
                                                   NULL, &key, NULL));
        for (size_t i = 0; i < hosts.size(); ++i)
        {
            SetString(key, ("RemoteHost" + std::to_string(i + 1)).c_str(), hosts[i].first);
            SetString(key, ("RemoteName" + std::to_string(i + 1)).c_str(), hosts[i].second);
        }
        ::RegCloseKey(key);
    }

    CWebPage* OpenPage(bool pump = true)
    {
        const ConfigItem* item = FindConfigItem(CI_WEB_PAGE);
        page.reset(item->factory(*item, rec));
        page->Create(host);
        if (pump)
            testsupport::PumpMessages(50);
        return dynamic_cast<CWebPage*>(page.get());
    }
    void ClosePage()
    {
        if (page)
            page->Window().DestroyWindow();
        page.reset();
    }
    HWND PageWnd() { return page->Window().m_hWnd; }

    ConfigRecord* rec = nullptr;
    HWND host = NULL;
    std::unique_ptr<IConfigPage> page;
};
} // namespace

TEST(WebPageUrl, NamesTheHostAndAPortOtherThanHttps)
{
    struct Case
    {
        const char* host;
        int port;
        const char* url;
    };
    const Case cases[] = {
        { "", 80, "about:blank" },
        { "", 8080, "about:blank" },
        { "10.0.0.2", 80, "http://10.0.0.2/" },
        { "10.0.0.2", 8080, "http://10.0.0.2:8080/" },
        { "gw.example", 443, "http://gw.example:443/" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.url, BuildDeviceUrl(c.host, c.port)) << c.host << " " << c.port;
}

TEST_F(WebPageTest, RedirectorHostsAreReadBoundedAndOversizeValuesLeftOut)
{
    WriteHosts({ { "10.0.0.5", "Office" }, { "", "no host" }, { std::string(32, '9'), "too long a host" },
                 { "10.0.0.9", std::string(300, 'n') }, { std::string(31, '7'), "" } });
    std::vector<RedirectorHost> hosts = ReadRedirectorHosts(kPortName);
    ASSERT_EQ(3u, hosts.size());
    EXPECT_EQ("10.0.0.5", hosts[0].host);
    EXPECT_EQ("Office", hosts[0].name);
    EXPECT_EQ("10.0.0.9", hosts[1].host);
    EXPECT_EQ("", hosts[1].name);
    EXPECT_EQ(std::string(31, '7'), hosts[2].host);
    EXPECT_TRUE(ReadRedirectorHosts("").empty());
    EXPECT_TRUE(ReadRedirectorHosts("COM8").empty());
}

TEST_F(WebPageTest, TheChosenHostAndPortAreKeptUntilTheVoipItemChanges)
{
    AxHostSetCreateFunction(NoControl);
    WriteHosts({ { "10.0.0.5", "Office" }, { "10.0.0.9", "" } });
    CWebPage* web = OpenPage();
    ASSERT_TRUE(web);
    EXPECT_EQ("", web->Url()); // several hosts: the user picks one
    EXPECT_EQ("10.0.0.5 (Office)", ItemText(PageWnd(), IDC_WEB_HOST));
    ::SendDlgItemMessageA(PageWnd(), IDC_WEB_HOST, CB_SETCURSEL, 1, 0);
    ::SetDlgItemTextA(PageWnd(), IDC_WEB_PORT, "8080");
    ::SendMessageA(PageWnd(), WM_COMMAND, MAKEWPARAM(IDC_WEB_CONNECT, BN_CLICKED), 0);
    EXPECT_EQ("http://10.0.0.9:8080/", web->Url());
    ClosePage();

    web = OpenPage();
    EXPECT_EQ(1, ::SendDlgItemMessageA(PageWnd(), IDC_WEB_HOST, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("8080", ItemText(PageWnd(), IDC_WEB_PORT));
    ClosePage();

    ForgetWebPageChoice();
    web = OpenPage();
    EXPECT_EQ(0, ::SendDlgItemMessageA(PageWnd(), IDC_WEB_HOST, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("80", ItemText(PageWnd(), IDC_WEB_PORT));
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
class CLoopbackHttp
{
public:
    CLoopbackHttp()
    {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int len = sizeof(addr);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        ::listen(m_listener, 1);
        u_long nonBlocking = 1;
        ::ioctlsocket(m_listener, FIONBIO, &nonBlocking);
    }
    ~CLoopbackHttp()
    {
        if (m_client != INVALID_SOCKET)
            ::closesocket(m_client);
        ::closesocket(m_listener);
        ::WSACleanup();
    }
    int Port() const { return m_port; }

    // Pumps the UI while waiting for the request head; true once it is in.
    bool ServeOne(DWORD ms)
    {
        DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < ms)
        {
            testsupport::PumpMessages(10);
            if (m_client == INVALID_SOCKET)
            {
                m_client = ::accept(m_listener, nullptr, nullptr);
                continue;
            }
            char buf[1024];
            int n = ::recv(m_client, buf, sizeof(buf), 0);
            if (n > 0)
                m_request.append(buf, (size_t)n);
            if (m_request.find("\r\n\r\n") != std::string::npos)
            {
                const char reply[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello";
                ::send(m_client, reply, sizeof(reply) - 1, 0);
                ::shutdown(m_client, SD_SEND);
                return true;
            }
        }
        return false;
    }
    std::string RequestLine() const { return m_request.substr(0, m_request.find("\r\n")); }
    bool HasHeader(const std::string& line) const { return m_request.find("\r\n" + line + "\r\n") != std::string::npos; }

private:
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_client = INVALID_SOCKET;
    int m_port = 0;
    std::string m_request;
};
} // namespace

TEST_F(WebPageTest, TheBrowserAsksTheDeviceForItsPageAndShowsItsStatus)
{
    CLoopbackHttp device;
    memcpy(rec->network.ipAddress, "127000000001", 12);
    g_Settings.VirtualComPort[0] = '\0';
    g_LastWebPort = device.Port();
    CWebPage* web = OpenPage(false);
    ASSERT_TRUE(web);
    std::vector<std::string> statuses;
    ::SetWindowSubclass(::GetDlgItem(PageWnd(), IDC_WEB_STATUS), RecordTexts, 1, (DWORD_PTR)&statuses);
    testsupport::PumpMessages(50);
    ASSERT_TRUE(web->HasBrowser());
    const std::string url = "http://127.0.0.1:" + std::to_string(device.Port()) + "/";
    EXPECT_EQ(url, web->Url());
    ASSERT_TRUE(device.ServeOne(10000));
    EXPECT_EQ("GET / HTTP/1.1", device.RequestLine());
    EXPECT_TRUE(device.HasHeader("Host: 127.0.0.1:" + std::to_string(device.Port())));
    testsupport::PumpMessages(300);
    // The browser's status texts went to the status line as they came.
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Downloading " + url), statuses.end());

    // The browser follows the page as it grows.
    HWND browser = ::GetDlgItem(PageWnd(), IDC_WEB_BROWSER);
    RECT before, after, page;
    ::GetWindowRect(browser, &before);
    ::GetWindowRect(PageWnd(), &page);
    ::MoveWindow(PageWnd(), 0, 0, page.right - page.left + 100, page.bottom - page.top + 80, TRUE);
    testsupport::PumpMessages(50);
    ::GetWindowRect(browser, &after);
    EXPECT_EQ(before.right - before.left + 100, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top + 80, after.bottom - after.top);
    ClosePage();
    testsupport::PumpMessages(200);
}
