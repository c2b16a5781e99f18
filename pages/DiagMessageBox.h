#pragma once
#include "wcl/WindowImpl.h"
#include "res/DiagIds.h"

// A message box that does not stop the program: a modeless dialog with an
// icon, a centred text and OK. OK or Cancel destroys the window; the object
// stays with its owner.
class CMessageBoxDlg : public CDialogImpl<CMessageBoxDlg>
{
public:
    enum { IDD = IDD_DIAG_MESSAGE_BOX };
    enum { kTextSize = 260 };

    // style: the MB_ICON* part selects the icon (MB_ICONEXCLAMATION,
    // MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONSTOP; anything else: none).
    CMessageBoxDlg(UINT style, const char* caption, const char* text);

    UINT GetStyle() const { return m_style; }
    const char* GetCaption() const { return m_caption; }
    const char* GetText() const { return m_text; }

    BEGIN_MSG_MAP(CMessageBoxDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnClose)
        COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    END_MSG_MAP()

private:
    UINT m_style;
    char m_caption[kTextSize];
    char m_text[kTextSize];

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(WORD, WORD, HWND, BOOL&);
};

// The single no-response box of all diagnostics pages: "strDiagErrorNoResponse"
// under "strError". Showing it while it is up does nothing; the first answer
// of any page closes it.
void ShowNoResponseBox();
void CloseNoResponseBox();
// The box while it exists (its window may be closed already), or null.
CMessageBoxDlg* GetNoResponseBox();
// The owner of the box: the main window (the diagnostics view sets it).
void SetNoResponseBoxOwner(HWND owner);
