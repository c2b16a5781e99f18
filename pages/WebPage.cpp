#include "pages/WebPage.h"
#include "wcl/AxHost.h"
#include "wcl/DispEventSink.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "wcl/WaitCursor.h"
#include <exdisp.h>
#include <exdispid.h>
#include <cstring>

int g_LastWebPort = -1;
int g_LastWebHost = -1;

void ForgetWebPageChoice()
{
    g_LastWebPort = -1;
    g_LastWebHost = -1;
}

namespace
{
constexpr int kHttpPort = 80;
constexpr size_t kHostSize = 32;
constexpr size_t kNameSize = 260;
const char kRedirectorKey[] = "Software\\Perilink\\%s";

// A string value of at most size - 1 characters; false when it is missing,
// no string, or too long for its field.
bool ReadBoundedString(HKEY key, const char* value, char* out, size_t size)
{
    out[0] = '\0';
    DWORD type = 0;
    DWORD bytes = (DWORD)size;
    if (::RegQueryValueExA(key, value, NULL, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
    {
        out[0] = '\0';
        return false;
    }
    // A stored string need not end in a terminator.
    if (bytes > 0 && out[bytes - 1] == '\0')
        return true;
    if (bytes < size)
    {
        out[bytes] = '\0';
        return true;
    }
    out[0] = '\0';
    return false;
}

std::string WideToText(const WCHAR* wide)
{
    char text[260] = "";
    if (wide)
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text) - 1, NULL, NULL);
    text[sizeof(text) - 1] = '\0';
    return text;
}
} // namespace

std::vector<RedirectorHost> ReadRedirectorHosts(const char* portName)
{
    std::vector<RedirectorHost> hosts;
    if (!portName || !portName[0])
        return hosts;
    char path[MAX_PATH];
    FormatText(path, sizeof(path), kRedirectorKey, portName);
    // Read access only: the key belongs to the redirector, and a normal
    // user may not open it for writing.
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return hosts;
    for (int n = 1; n <= kMaxRedirectorHosts; ++n)
    {
        char value[32];
        char host[kHostSize];
        FormatText(value, sizeof(value), "RemoteHost%d", n);
        if (!ReadBoundedString(key, value, host, sizeof(host)) || !host[0])
            continue;
        char name[kNameSize];
        FormatText(value, sizeof(value), "RemoteName%d", n);
        ReadBoundedString(key, value, name, sizeof(name));
        hosts.push_back(RedirectorHost{ host, name });
    }
    ::RegCloseKey(key);
    return hosts;
}

std::string BuildDeviceUrl(const char* host, int port)
{
    if (!host || !host[0])
        return "about:blank";
    char url[300];
    if (port == kHttpPort)
        FormatText(url, sizeof(url), "http://%s/", host);
    else
        FormatText(url, sizeof(url), "http://%s:%d/", host, port);
    return url;
}

CWebPage::CWebPage(ConfigRecord* record) : CConfigPage<CWebPage>(record)
{
    AxHostRegister();
}

HWND CWebPage::Create(HWND parent)
{
    CWaitCursor wait; // the browser control takes a while to come up
    return CConfigPage<CWebPage>::Create(parent);
}

CConfigPage<CWebPage>::LayoutRules_t CWebPage::LayoutRules() const
{
    return {
        { IDC_WEB_HOST, LE_LEFT, 0 },       { IDC_WEB_HOST, LE_RIGHT, 0 },
        { IDC_WEB_PORT_LABEL, LE_RIGHT, 0 }, { IDC_WEB_PORT, LE_RIGHT, 0 },
        { IDC_WEB_CONNECT, LE_RIGHT, 0 },   { IDC_WEB_BROWSER, LE_LEFT, 0 },
        { IDC_WEB_BROWSER, LE_RIGHT, 0 },   { IDC_WEB_BROWSER, LE_TOP, 0 },
        { IDC_WEB_BROWSER, LE_BOTTOM, 0 },  { IDC_WEB_STATUS, LE_LEFT, 0 },
        { IDC_WEB_STATUS, LE_RIGHT, 0 },    { IDC_WEB_STATUS, LE_BOTTOM, 0 },
    };
}

void CWebPage::OnInitControls()
{
    char port[16] = "80";
    if (g_LastWebPort >= 0)
        FormatText(port, sizeof(port), "%d", g_LastWebPort);
    ::SendDlgItemMessageA(m_hWnd, IDC_WEB_PORT, EM_LIMITTEXT, 5, 0);
    SetDlgItemText(IDC_WEB_PORT, port);

    if (SUCCEEDED(AxHostQueryControl(GetDlgItem(IDC_WEB_BROWSER), IID_IWebBrowser2,
                                     reinterpret_cast<void**>(&m_browser))) && m_browser)
    {
        m_events = CDispEventSink::Advise(m_browser, DIID_DWebBrowserEvents2, OnBrowserEvent, this);
        Navigate("about:blank");
    }
    else
    {
        m_browser = nullptr;
    }

    HWND hosts = GetDlgItem(IDC_WEB_HOST);
    std::vector<RedirectorHost> known = ReadRedirectorHosts(g_Settings.VirtualComPort);
    for (const RedirectorHost& h : known)
    {
        char text[kHostSize + kNameSize + 4];
        if (h.name.empty())
            CopyText(text, sizeof(text), h.host.c_str());
        else
            FormatText(text, sizeof(text), "%s (%s)", h.host.c_str(), h.name.c_str());
        ::SendMessageA(hosts, CB_ADDSTRING, 0, (LPARAM)text);
    }
    if (known.empty())
    {
        uint32_t ip = ParseIpDigits(m_pRecord->network.ipAddress);
        char text[20];
        FormatText(text, sizeof(text), "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF);
        ::SendMessageA(hosts, CB_ADDSTRING, 0, (LPARAM)text);
    }
    ::SendMessageA(hosts, CB_SETCURSEL, 0, 0);
    if (known.size() > 1)
    {
        if (g_LastWebHost >= 0 && g_LastWebHost < (int)known.size())
            ::SendMessageA(hosts, CB_SETCURSEL, (WPARAM)g_LastWebHost, 0);
    }
    else
    {
        // One host: the page connects at once.
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_WEB_CONNECT, BN_CLICKED), (LPARAM)GetDlgItem(IDC_WEB_CONNECT));
    }
}

void CWebPage::Connect()
{
    HWND hosts = GetDlgItem(IDC_WEB_HOST);
    char host[kHostSize + kNameSize + 4] = "";
    int sel = (int)::SendMessageA(hosts, CB_GETCURSEL, 0, 0);
    g_LastWebHost = sel;
    if (sel >= 0 && ::SendMessageA(hosts, CB_GETLBTEXTLEN, sel, 0) < (LRESULT)sizeof(host))
        ::SendMessageA(hosts, CB_GETLBTEXT, sel, (LPARAM)host);
    if (char* blank = strchr(host, ' '))
        *blank = '\0';

    int port = kHttpPort;
    char text[16] = "";
    ::GetDlgItemTextA(m_hWnd, IDC_WEB_PORT, text, sizeof(text));
    if (text[0])
    {
        port = (int)strtol(text, nullptr, 10);
        g_LastWebPort = port;
    }
    Navigate(BuildDeviceUrl(host, port).c_str());
}

void CWebPage::Navigate(const char* url)
{
    m_url = url;
    if (!m_browser)
        return;
    WCHAR wide[300] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, url, -1, wide, sizeof(wide) / sizeof(wide[0]) - 1);
    BSTR address = ::SysAllocString(wide);
    VARIANT empty;
    ::VariantInit(&empty);
    m_browser->Navigate(address, &empty, &empty, &empty, &empty);
    ::SysFreeString(address);
}

void CWebPage::OnBrowserEvent(void* context, DISPID id, DISPPARAMS* params)
{
    CWebPage* page = static_cast<CWebPage*>(context);
    if (id != DISPID_STATUSTEXTCHANGE || !params || params->cArgs < 1 || !page->m_hWnd)
        return;
    const VARIANT& arg = params->rgvarg[0];
    const WCHAR* text = arg.vt == VT_BSTR ? arg.bstrVal
                      : arg.vt == (VT_BSTR | VT_BYREF) && arg.pbstrVal ? *arg.pbstrVal : nullptr;
    page->SetDlgItemText(IDC_WEB_STATUS, WideToText(text).c_str());
}

LRESULT CWebPage::OnBack(WORD, WORD, HWND, BOOL&)
{
    if (m_browser)
        m_browser->GoBack();
    return 0;
}

LRESULT CWebPage::OnForward(WORD, WORD, HWND, BOOL&)
{
    if (m_browser)
        m_browser->GoForward();
    return 0;
}

LRESULT CWebPage::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // The browser goes with its host window, after the page's own end.
    if (m_events)
    {
        m_events->Unadvise();
        m_events = nullptr;
    }
    if (m_browser)
    {
        m_browser->Release();
        m_browser = nullptr;
    }
    bHandled = FALSE;
    return 0;
}
