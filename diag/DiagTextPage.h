#pragma once
#include "pages/TextPage.h"
#include "diag/DiagPolling.h"

// The page of a polled diagnostics node whose own page does not exist yet:
// a text page showing the node's title that polls the device like every
// diagnostics page, so the view, the no-response box and the answers work
// as they will with the node's own page.
class CDiagTextPage : public CTextPage
{
public:
    CDiagTextPage(int kind, const char* text) : CTextPage(text), m_polling(kind) {}

    int StartPolling() { return m_polling.Start(m_hWnd); }
    void StopPolling() { m_polling.Stop(); }
    // A device answer (fromCache false) or a redraw from the view's stored
    // answer (fromCache true).
    void UpdateFromDevice(const void* data, bool fromCache)
    {
        (void)data;
        m_polling.OnAnswer(fromCache);
    }
    const CDiagPolling& GetPolling() const { return m_polling; }

    BEGIN_MSG_MAP(CDiagTextPage)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        CHAIN_MSG_MAP(CTextPage)
    END_MSG_MAP()

private:
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
        m_polling.OnTimer(wParam);
        return 0;
    }
};
