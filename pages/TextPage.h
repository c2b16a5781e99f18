#pragma once
#include "layout/LayoutPage.h"
#include "pages/ConfigPage.h"
#include "res/PagesIds.h"

// The page that shows one text: the root and group items of the
// configuration tree, the "none" notes of the group pages, empty card slots
// and the empty page shown before anything is selected. Its text fills the
// page as the pane grows.
class CTextPage : public CLayoutPage<CTextPage>, public IConfigPage
{
public:
    enum { IDD = IDD_TEXT_PAGE };
    enum { kTextSize = 260 };

    // Nothing: it only shows a text.
    void OwnWrites(std::vector<ByteRun>&) const override {}

    explicit CTextPage(const char* text = nullptr);

    CMessageMapWindow& Window() override { return *this; }
    HWND Create(HWND parent) override { return CLayoutPage<CTextPage>::Create(parent); }
    int Store() override { return 1; }
    void OnLanguageChanged() override {}
    bool IsTextPage() const override { return true; }

    // Shows a new text; none leaves the page as it is.
    void SetText(const char* text);
    const char* GetText() const { return m_text; }

    // Ties the text to all four edges of the page.
    void DefineLayout();

    BEGIN_MSG_MAP(CTextPage)
        CHAIN_MSG_MAP(CLayoutPage<CTextPage>)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    END_MSG_MAP()

private:
    char m_text[kTextSize];

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};
