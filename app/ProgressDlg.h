#pragma once
#include "app/AppDlg.h"
#include <functional>

// The progress of a long device operation, with an abort button. The frame
// shows it modally while the operation runs, feeds it SetProgress and calls
// Close when the engine reports the end.
class CProgressDlg : public CAppDialog<CProgressDlg>
{
public:
    enum { IDD = IDD_PROGRESS };

    enum Kind
    {
        KIND_FIRMWARE = 1,
        KIND_DOWNLOAD = 3,
        KIND_UPLOAD = 4,
        KIND_CDR = 5,          // shown as a wait text instead of a bar
        KIND_ANNOUNCEMENT = 6,
    };

    // cancel: what aborting does to the engine. Without one, a download or
    // upload cancels the engine's transfer; the other kinds need one given.
    CProgressDlg(int kind, int range, std::function<void()> cancel = nullptr);

    void SetProgress(int position);
    // The operation ended: close with result 1 (at once when the dialog is
    // not open yet).
    void Close();

    int GetKind() const { return m_kind; }
    bool IsDone() const { return m_done != 0; }
    bool IsTextMode() const { return m_textMode != 0; }
    // The title and abort question keys of a kind (NULL for an unknown kind).
    static const char* GetTitleKey(int kind);
    static const char* GetAbortKey(int kind);

    BEGIN_MSG_MAP(CProgressDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_ID_HANDLER(ID_DIALOG_CLOSE, OnCloseCommand)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
    LRESULT OnCloseCommand(WORD, WORD, HWND, BOOL&);

private:
    DWORD m_kind;
    DWORD m_range;
    DWORD m_done;
    DWORD m_textMode;
    std::function<void()> m_cancel;
};
