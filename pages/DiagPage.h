#pragma once
#include "pages/DiagItems.h"
#include "pages/DiagPolling.h"
#include "layout/LayoutPage.h"
#include "base/Language.h"
#include <cstring>

// The device's last diagnostics answers as the diagnostics view keeps them,
// one buffer per kind; the layouts are the device's (little-endian).
struct DiagAnswers
{
    enum
    {
        ISDN_LINES_SIZE = 8,
        RECORD_SIZE = 24,      // an ISDN or GSM credit record
        ISDN_CREDIT_RECORDS = 4,
        MODULE_COUNT = 32,
        MODULE_RECORD_SIZE = 44,
        MODULE_SIGNAL_OFFSET = 2,
        MODULE_TEXT_OFFSET = 3,
        GSM_STATISTICS_SIZE = 24,
        VOIP_ROW_SIZE = 36,
        VOIP_TRUNK_ROWS = 8,
        VOIP_USER_ROWS = 110,
        NO_SIGNAL = 255,
    };

    BYTE isdnLines[ISDN_LINES_SIZE];
    BYTE isdnCredit[ISDN_CREDIT_RECORDS][RECORD_SIZE];
    BYTE modules[MODULE_COUNT][MODULE_RECORD_SIZE];
    BYTE gsmCreditA[MODULE_COUNT][RECORD_SIZE];
    BYTE gsmCreditB[MODULE_COUNT][RECORD_SIZE];
    BYTE gsmStatistics[GSM_STATISTICS_SIZE];
    BYTE voipTrunks[VOIP_TRUNK_ROWS][VOIP_ROW_SIZE];
    BYTE voipUsers[VOIP_USER_ROWS][VOIP_ROW_SIZE];
    int gsmUsage; // one byte sent by the device

    // All 0; no module shows a signal until the device tells one.
    void Clear()
    {
        memset(this, 0, sizeof(*this));
        for (BYTE* m : modules)
            m[MODULE_SIGNAL_OFFSET] = NO_SIGNAL;
    }
};

// The size of the labels the pages build.
enum { kDiagLabelSize = 260 };

// Little-endian values of the device's records.
inline WORD DiagWord(const BYTE* p)
{
    return (WORD)(p[0] | (p[1] << 8));
}
inline DWORD DiagDword(const BYTE* p)
{
    return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24);
}

// A credit counter's pair of values in seconds as the pages show it:
// "0 / 0" when both are 0, else minutes and seconds of each ("2:05 / 60:00").
void FormatCreditPair(DWORD first, DWORD second, char* out, size_t size);

// What a diagnostics page asks of the engine: the view holds one and hands
// it to every page it makes (the program's engine, or a test's counter).
class IDiagEngine
{
public:
    virtual ~IDiagEngine() {}
    // 1 when the request went out, 0 when refused (link down, engine busy).
    virtual int RequestDiagnostics(DiagRequest request, int index) = 0;
    // Asks for a GSM module's information (the cards page's double-click).
    virtual int GetModuleInfo(int module) = 0;
};

// What the diagnostics view asks of the page it shows, whatever its class.
class IDiagPage
{
public:
    virtual ~IDiagPage() {}
    // The page window's object (created by the view with Create).
    virtual CMessageMapWindow& Window() = 0;
    virtual HWND Create(HWND parent) = 0;
    // The answer of node answer is in answers: a fresh device answer
    // (fromCache false) or a redraw from the stored answers (true). A page
    // acts only on the answers of its own node.
    virtual void UpdateFromDevice(DiagNodeKind answer, const DiagAnswers& answers, bool fromCache) = 0;
    // Polling while the tab and the node are shown; StartPolling returns 1
    // when the first request went out.
    virtual int StartPolling() = 0;
    virtual void StopPolling() = 0;
    // A page that shows one text (the root) shows this one; others ignore it.
    virtual void SetText(const char* text) = 0;
    // After a language change: re-sets the texts the page built itself.
    virtual void OnLanguageChanged() = 0;
};

// The base of every polled diagnostics page: a layout page on its own
// template that polls the device under its node's row and hands the answers
// of its node to OnAnswer. A page gives OnAnswer and, where it does more,
// the hooks below.
//
//     class CMyPage : public CDiagPage<CMyPage>
//     {
//     public:
//         enum { IDD = IDD_MY_PAGE };
//         CMyPage(const DiagNode& node, IDiagEngine& engine) : CDiagPage<CMyPage>(node, engine) {}
//     protected:
//         void OnAnswer(const DiagAnswers& answers, bool fromCache) override;
//     };
template <class T>
class CDiagPage : public CLayoutPage<T>, public IDiagPage
{
public:
    CDiagPage(const DiagNode& node, IDiagEngine& engine) : m_node(node), m_engine(engine), m_polling(node, engine) {}

    CMessageMapWindow& Window() override { return *this; }
    HWND Create(HWND parent) override { return CLayoutPage<T>::Create(parent); }

    void UpdateFromDevice(DiagNodeKind answer, const DiagAnswers& answers, bool fromCache) final
    {
        if (answer != m_node.id || !this->m_hWnd)
            return;
        m_polling.OnAnswer(fromCache);
        OnAnswer(answers, fromCache);
    }
    int StartPolling() override { return m_polling.Start(this->m_hWnd); }
    void StopPolling() override { m_polling.Stop(); }
    void SetText(const char*) override {}
    void OnLanguageChanged() override
    {
        // The template's texts again from the keys kept at creation.
        if (m_node.Has(DNF_TRANSLATED))
            g_Language.RetranslateWindow(this->m_hWnd);
        OnTextsChanged();
    }

    const CDiagPolling& Polling() const { return m_polling; }
    const DiagNode& Node() const { return m_node; }

    BEGIN_MSG_MAP(CDiagPage)
        CHAIN_MSG_MAP(CLayoutPage<T>)
        MESSAGE_HANDLER(WM_INITDIALOG, OnDiagPageInit)
        MESSAGE_HANDLER(WM_TIMER, OnDiagPageTimer)
        MESSAGE_HANDLER(WM_DESTROY, OnDiagPageDestroy)
    END_MSG_MAP()

protected:
    const DiagNode& m_node;
    IDiagEngine& m_engine;
    CDiagPolling m_polling;

    // The node's answer: fill the controls.
    virtual void OnAnswer(const DiagAnswers& answers, bool fromCache) = 0;
    // At dialog initialisation, after the translation and before polling.
    virtual void OnInitControls() {}
    // After a language change: texts the page builds from keys.
    virtual void OnTextsChanged() {}
    // A tick found the last request unanswered (the box is up).
    virtual void OnNoAnswer() {}
    // Timers of the page's own beyond the polling timers.
    virtual void OnOwnTimer(UINT_PTR) {}

    LRESULT OnDiagPageInit(UINT, WPARAM, LPARAM, BOOL&)
    {
        if (m_node.Has(DNF_TRANSLATED))
            g_Language.TranslateWindow(this->m_hWnd, true);
        OnInitControls();
        this->PostSizeToSelf();
        StartPolling();
        return 1;
    }

    LRESULT OnDiagPageTimer(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        if (!CDiagPolling::IsPollingTimer(wParam))
        {
            OnOwnTimer(wParam);
            return 0;
        }
        // The miss first: the request may bring its answer in at once.
        if (m_polling.TakeMissedAnswer(wParam))
            OnNoAnswer();
        m_polling.AskAgain(wParam);
        return 0;
    }

    LRESULT OnDiagPageDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        m_polling.Stop();
        if (m_node.Has(DNF_TRANSLATED))
            g_Language.ReleaseWindowKeys(this->m_hWnd);
        bHandled = FALSE;
        return 0;
    }
};
