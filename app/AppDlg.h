#pragma once
#include "wcl/WindowImpl.h"
#include "wcl/CenterWindow.h"
#include "base/Language.h"
#include "res/resource.h"

// Reads a control's text into buf, bounded by size.
void GetItemText(HWND dlg, int id, char* buf, size_t size);

// What the program's modal dialogs share: they translate their texts when
// they open and centre themselves on their owner; the button or command that
// ends them is kept, so that a test can run one modeless from its template and
// read the result without a modal loop.
template <class T>
class CAppDialog : public CDialogImpl<T>
{
public:
    // The result the dialog ended with; 0 while it is open.
    INT_PTR GetResult() const { return m_result; }

protected:
    void PrepareDialog(bool center = true)
    {
        g_Language.TranslateWindow(this->m_hWnd, false);
        if (center)
            CenterOnOwner(this->m_hWnd);
    }

    void Finish(INT_PTR result)
    {
        m_result = result;
        this->EndDialog(result);
    }

    INT_PTR m_result = 0;
};
