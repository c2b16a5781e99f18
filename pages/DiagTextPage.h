#pragma once
#include "pages/TextPage.h"
#include "pages/DiagPage.h"

// The diagnostics page that shows one text: the root's description, and the
// title of a polled node whose own page does not exist yet. Such a node
// polls the device like every diagnostics page, so the view, the
// no-response box and the answers work as they will with its own page.
class CDiagTextPage : public CTextPage, public IDiagPage
{
public:
    CDiagTextPage(const DiagNode& node, IDiagEngine& engine, const char* text)
        : CTextPage(text), m_node(node), m_polling(node, engine)
    {
    }

    CMessageMapWindow& Window() override { return *this; }
    HWND Create(HWND parent) override { return CTextPage::Create(parent); }
    void UpdateFromDevice(DiagNodeKind answer, const DiagAnswers&, bool fromCache) override
    {
        if (answer == m_node.id && m_hWnd)
            m_polling.OnAnswer(fromCache);
    }
    int StartPolling() override { return m_polling.Start(m_hWnd); }
    void StopPolling() override { m_polling.Stop(); }
    void SetText(const char* text) override { CTextPage::SetText(text); }
    // The view sets the text of the new language.
    void OnLanguageChanged() override {}

    const CDiagPolling& Polling() const { return m_polling; }

    BEGIN_MSG_MAP(CDiagTextPage)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        CHAIN_MSG_MAP(CTextPage)
    END_MSG_MAP()

private:
    const DiagNode& m_node;
    CDiagPolling m_polling;

    LRESULT OnInitDialog(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&)
    {
        LRESULT result = 0;
        CTextPage::ProcessWindowMessage(m_hWnd, msg, wParam, lParam, result);
        StartPolling();
        return result;
    }

    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        m_polling.TakeMissedAnswer(wParam);
        m_polling.AskAgain(wParam);
        return 0;
    }
};
