#include "app/ProgressDlg.h"
#include "comm/DeviceProtocol.h"

namespace
{
struct ProgressKind
{
    int kind;
    const char* titleKey;
    const char* abortKey;
    bool closesAtEnd; // reaching the range ends the dialog by itself
};

const ProgressKind kProgressKinds[] = {
    {CProgressDlg::KIND_FIRMWARE, "strFlashWrite", "strFlashWriteAbort", false},
    {CProgressDlg::KIND_DOWNLOAD, "strDataDownload", "strDataDownloadAbort", true},
    {CProgressDlg::KIND_UPLOAD, "strDataUpload", "strDataUploadAbort", false},
    {CProgressDlg::KIND_CDR, "strCdrDownload", "strCdrDownloadAbort", true},
    {CProgressDlg::KIND_ANNOUNCEMENT, "strAnnouncementUpdate", "strAnnouncementUpdateAbort", false},
};

const ProgressKind* FindKind(int kind)
{
    for (const ProgressKind& k : kProgressKinds)
        if (k.kind == kind)
            return &k;
    return nullptr;
}
}

CProgressDlg::CProgressDlg(int kind, int range, std::function<void()> cancel)
    : m_kind(kind), m_range(range), m_done(0), m_textMode(kind == KIND_CDR), m_cancel(std::move(cancel))
{
    if (!m_cancel && kind == KIND_DOWNLOAD)
        m_cancel = [] { g_DeviceProtocol.CancelDataDownload(); };
    else if (!m_cancel && kind == KIND_UPLOAD)
        m_cancel = [] { g_DeviceProtocol.CancelDataUpload(); };
}

const char* CProgressDlg::GetTitleKey(int kind)
{
    const ProgressKind* k = FindKind(kind);
    return k ? k->titleKey : nullptr;
}

const char* CProgressDlg::GetAbortKey(int kind)
{
    const ProgressKind* k = FindKind(kind);
    return k ? k->abortKey : nullptr;
}

LRESULT CProgressDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    PrepareDialog();
    char text[MAX_PATH];
    g_Language.GetString(GetTitleKey(m_kind), text, sizeof(text));
    SetWindowText(text);
    HWND bar = GetDlgItem(IDC_PROGRESS_BAR);
    ::SendMessage(bar, PBM_SETRANGE32, 0, m_range);
    ::SendMessage(bar, PBM_SETPOS, 0, 0);
    if (m_textMode)
    {
        ::ShowWindow(bar, SW_HIDE);
        g_Language.GetString("strNotifyWait", text, sizeof(text));
        SetDlgItemText(IDC_DIALOG_TEXT, text);
        ::ShowWindow(GetDlgItem(IDC_DIALOG_TEXT), SW_SHOW);
    }
    // The operation ended before the dialog opened: nothing is left to wait for.
    if (m_done)
        PostMessage(WM_COMMAND, ID_DIALOG_CLOSE);
    return TRUE;
}

void CProgressDlg::SetProgress(int position)
{
    if (!IsWindow())
        return;
    HWND bar = GetDlgItem(IDC_PROGRESS_BAR);
    if (position < (int)m_range)
    {
        ::SendMessage(bar, PBM_SETPOS, position, 0);
        return;
    }
    ::SendMessage(bar, PBM_SETPOS, m_range, 0);
    const ProgressKind* k = FindKind(m_kind);
    if (!k || !k->closesAtEnd)
        return; // the engine's end report closes it
    // Let the user see the finished bar with an OK button for a moment.
    char ok[64];
    g_Language.GetString("strOK", ok, sizeof(ok));
    SetDlgItemText(IDCANCEL, ok);
    ::UpdateWindow(m_hWnd);
    ::Sleep(100);
    m_done = 0;
    PostMessage(WM_COMMAND, ID_DIALOG_CLOSE);
}

void CProgressDlg::Close()
{
    m_done = 1;
    if (IsWindow())
        PostMessage(WM_COMMAND, ID_DIALOG_CLOSE);
}

LRESULT CProgressDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    HWND button = GetDlgItem(IDCANCEL);
    if (!::IsWindowEnabled(button) || m_done)
        return 0;
    // While the question is open the operation may end; the button stays
    // disabled so that it cannot be asked twice, and only a still running
    // operation is cancelled.
    ::EnableWindow(button, FALSE);
    int answer = g_Language.MessageBoxKey(GetAbortKey(m_kind), "strAbort",
                                          MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    if (!IsWindow())
        return 0;
    ::EnableWindow(button, TRUE);
    if (answer != IDYES || m_done)
        return 0;
    m_done = 1;
    if (m_cancel)
        m_cancel();
    Finish(IDCANCEL);
    return 0;
}

LRESULT CProgressDlg::OnCloseCommand(WORD, WORD, HWND, BOOL&)
{
    Finish(IDOK);
    return 0;
}
