#include "app/WaitDlg.h"
#include "wcl/WaitCursor.h"

CWaitDlg::CWaitDlg(const char* key) : m_boldFont(NULL), m_closeRequested(false)
{
    m_text[0] = '\0';
    g_Language.GetString(key, m_text, sizeof(m_text));
}

CWaitDlg::~CWaitDlg()
{
    if (m_boldFont)
        ::DeleteObject(m_boldFont);
}

void CWaitDlg::SetText(const char* key)
{
    g_Language.GetString(key, m_text, sizeof(m_text));
    if (IsWindow())
        SetDlgItemText(IDC_DIALOG_TEXT, m_text);
}

void CWaitDlg::Close()
{
    m_closeRequested = true;
    if (IsWindow())
        PostMessage(WM_COMMAND, ID_DIALOG_CLOSE);
}

LRESULT CWaitDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    char title[128];
    g_Language.GetString("strAppName", title, sizeof(title));
    SetWindowText(title);
    HWND text = GetDlgItem(IDC_DIALOG_TEXT);
    LOGFONTA font;
    HFONT current = (HFONT)::SendMessage(text, WM_GETFONT, 0, 0);
    if (current && ::GetObjectA(current, sizeof(font), &font))
    {
        font.lfWeight = FW_BOLD;
        m_boldFont = ::CreateFontIndirectA(&font);
        if (m_boldFont)
            ::SendMessage(text, WM_SETFONT, (WPARAM)m_boldFont, FALSE);
    }
    ::SetWindowTextA(text, m_text);
    // A notice without buttons that nobody closes would hold the program.
    if (m_closeRequested)
        PostMessage(WM_COMMAND, ID_DIALOG_CLOSE);
    return TRUE;
}

LRESULT CWaitDlg::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&)
{
    ShowWaitCursor();
    return TRUE;
}

LRESULT CWaitDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    // The static must not keep a deleted font.
    ::SendMessage(GetDlgItem(IDC_DIALOG_TEXT), WM_SETFONT, 0, FALSE);
    if (m_boldFont)
        ::DeleteObject(m_boldFont);
    m_boldFont = NULL;
    handled = FALSE;
    return 0;
}

LRESULT CWaitDlg::OnCloseCommand(WORD, WORD, HWND, BOOL&)
{
    Finish(IDOK);
    return 0;
}
