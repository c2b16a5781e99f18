#include "pages/DiagMessageBox.h"
#include "wcl/CenterWindow.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <new>

namespace
{
CMessageBoxDlg* g_noResponseBox = nullptr;
HWND g_noResponseOwner = NULL;
}

CMessageBoxDlg::CMessageBoxDlg(UINT style, const char* caption, const char* text) : m_style(style)
{
    CopyText(m_caption, sizeof(m_caption), caption ? caption : "");
    CopyText(m_text, sizeof(m_text), text ? text : "");
}

LRESULT CMessageBoxDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    g_Language.TranslateWindow(m_hWnd, false);
    CenterOnOwner(m_hWnd);
    ::SetWindowTextA(m_hWnd, m_caption);
    ::SetDlgItemTextA(m_hWnd, IDC_DIAG_MESSAGE_TEXT, m_text);
    LPCSTR icon = nullptr;
    switch (m_style & MB_ICONMASK)
    {
    case MB_ICONEXCLAMATION:
        icon = IDI_EXCLAMATION;
        break;
    case MB_ICONINFORMATION:
        icon = IDI_ASTERISK;
        break;
    case MB_ICONQUESTION:
        icon = IDI_QUESTION;
        break;
    case MB_ICONSTOP:
        icon = IDI_HAND;
        break;
    }
    HICON h = icon ? ::LoadIconA(NULL, icon) : NULL;
    ::SendDlgItemMessageA(m_hWnd, IDC_DIAG_MESSAGE_ICON, STM_SETICON, (WPARAM)h, 0);
    return TRUE;
}

LRESULT CMessageBoxDlg::OnClose(WORD, WORD, HWND, BOOL&)
{
    ::DestroyWindow(m_hWnd);
    return 0;
}

void SetNoResponseBoxOwner(HWND owner)
{
    g_noResponseOwner = owner;
}

CMessageBoxDlg* GetNoResponseBox()
{
    return g_noResponseBox;
}

void ShowNoResponseBox()
{
    if (g_noResponseBox && g_noResponseBox->m_hWnd && ::IsWindow(g_noResponseBox->m_hWnd))
        return;
    char caption[CMessageBoxDlg::kTextSize] = "";
    char text[CMessageBoxDlg::kTextSize] = "";
    g_Language.GetString("strError", caption, sizeof(caption));
    g_Language.GetString("strDiagErrorNoResponse", text, sizeof(text));
    // A box the user closed is shown again with the texts of now.
    delete g_noResponseBox;
    g_noResponseBox = new (std::nothrow) CMessageBoxDlg(MB_ICONEXCLAMATION, caption, text);
    if (!g_noResponseBox)
        return;
    HWND owner = g_noResponseOwner && ::IsWindow(g_noResponseOwner) ? g_noResponseOwner : NULL;
    if (g_noResponseBox->Create(owner))
        ::ShowWindow(g_noResponseBox->m_hWnd, SW_SHOWNORMAL);
}

void CloseNoResponseBox()
{
    if (!g_noResponseBox)
        return;
    if (g_noResponseBox->m_hWnd && ::IsWindow(g_noResponseBox->m_hWnd))
        ::DestroyWindow(g_noResponseBox->m_hWnd);
    delete g_noResponseBox;
    g_noResponseBox = nullptr;
}
