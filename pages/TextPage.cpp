#include "pages/TextPage.h"
#include "base/TextUtil.h"

CTextPage::CTextPage(const char* text)
{
    m_text[0] = '\0';
    if (text)
        CopyText(m_text, sizeof(m_text), text);
}

void CTextPage::SetText(const char* text)
{
    if (!text)
        return;
    CopyText(m_text, sizeof(m_text), text);
    if (m_hWnd)
        ::SetDlgItemTextA(m_hWnd, IDC_TEXT_PAGE_TEXT, m_text);
}

void CTextPage::DefineLayout()
{
    AttachItemToDialog(IDC_TEXT_PAGE_TEXT, LE_TOP);
    AttachItemToDialog(IDC_TEXT_PAGE_TEXT, LE_BOTTOM);
    AttachItemToDialog(IDC_TEXT_PAGE_TEXT, LE_LEFT);
    AttachItemToDialog(IDC_TEXT_PAGE_TEXT, LE_RIGHT);
}

LRESULT CTextPage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    ::SetDlgItemTextA(m_hWnd, IDC_TEXT_PAGE_TEXT, m_text);
    PostSizeToSelf();
    // No default focus: the page has nothing to type into.
    return 0;
}
