#pragma once
#include "pages/ConfigPage.h"
#include "res/VoipPagesIds.h"
#include <string>
#include <vector>

struct IWebBrowser2;
class CDispEventSink;

// The device's own web interface in the system web browser control, with
// back and forward, a host list, a port and a connect button. The hosts are
// those the virtual COM port redirector knows, or else the device's address
// from the network settings. The page stores nothing into the record.
class CWebPage : public CConfigPage<CWebPage>
{
public:
    enum { IDD = IDD_WEB_PAGE };
    explicit CWebPage(ConfigRecord* record);
    // The browser takes a while to start: the page is made under the wait cursor.
    HWND Create(HWND parent) override;

    // Nothing: it shows the device's own pages.
    void OwnWrites(std::vector<ByteRun>&) const override {}

    // Connects to the chosen host and port: the address the browser was sent
    // to ("about:blank" without a host), also when there is no browser.
    const std::string& Url() const { return m_url; }
    bool HasBrowser() const { return m_browser != nullptr; }

    BEGIN_MSG_MAP(CWebPage)
        CHAIN_MSG_MAP(CConfigPage<CWebPage>)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_HANDLER(IDC_WEB_CONNECT, BN_CLICKED, OnConnect)
        COMMAND_HANDLER(IDC_WEB_BACK, BN_CLICKED, OnBack)
        COMMAND_HANDLER(IDC_WEB_FORWARD, BN_CLICKED, OnForward)
    END_MSG_MAP()

protected:
    LayoutRules_t LayoutRules() const override;
    void OnInitControls() override;

private:
    IWebBrowser2* m_browser = nullptr;
    CDispEventSink* m_events = nullptr;
    std::string m_url;

    void Navigate(const char* url);
    void Connect();
    static void OnBrowserEvent(void* page, DISPID id, DISPPARAMS* params);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnConnect(WORD, WORD, HWND, BOOL&) { Connect(); return 0; }
    LRESULT OnBack(WORD, WORD, HWND, BOOL&);
    LRESULT OnForward(WORD, WORD, HWND, BOOL&);
};

// The host and port chosen last in this run (-1: none), shown again when the
// page is next opened; forgotten when the device's VoIP item is updated.
extern int g_LastWebPort;
extern int g_LastWebHost;
void ForgetWebPageChoice();

// A host the virtual COM port redirector knows.
struct RedirectorHost
{
    std::string host; // up to 31 characters
    std::string name; // up to 259 characters, may be empty
};
constexpr int kMaxRedirectorHosts = 100;

// The redirector's hosts for the COM port portName, read (never written)
// from its registry key; empty without a port name or a key. An entry
// without a host, and a value too long for its field, are left out.
std::vector<RedirectorHost> ReadRedirectorHosts(const char* portName);

// The web interface's address: "about:blank" without a host, "http://host/"
// for port 80, "http://host:port/" otherwise.
std::string BuildDeviceUrl(const char* host, int port);
