#pragma once
#include "wcl/WindowImpl.h"
#include "pages/FieldBinding.h"
#include "base/Language.h"
#include <vector>

// What a tabbed page asks of each of its tabs, whatever the tab's class.
class IBoundTab
{
public:
    virtual ~IBoundTab() {}
    // The tab's window, null until it is created.
    virtual HWND TabWindow() const = 0;
    virtual HWND CreateTab(HWND parent) = 0;
    // Writes the tab's controls into the page-edit copy; tabs never refuse.
    virtual int Store() = 0;
    // After the page re-translated the tab: refills the lists built from keys.
    virtual void OnLanguageChanged() = 0;
    // The field tables the tab fills and stores, with the entry each shows.
    virtual FieldTables Fields() const = 0;
    // The record bytes the tab's own code writes beyond its tables; every
    // tab says, even when it is nothing.
    virtual void OwnWrites(std::vector<ByteRun>& runs) const = 0;
};

// A tab of a tabbed page: a plain child dialog (T::IDD) over the page's tab
// control that fills its bound fields from the page-edit copy when it is
// created and stores them when its page is stored. Only the page scrolls.
template <class T>
class CBoundTab : public CDialogImpl<T>, public IBoundTab
{
public:
    explicit CBoundTab(ConfigRecord* record) : m_pRecord(record) {}
    virtual ~CBoundTab() {}

    HWND Create(HWND parent) { return CDialogImpl<T>::Create(parent); }
    HWND TabWindow() const override { return this->m_hWnd; }
    HWND CreateTab(HWND parent) override { return Create(parent); }
    // The tab's own tables; a tab without bound controls has none.
    FieldTables Fields() const override { return {}; }

    int Store() override
    {
        for (const BoundTable& t : Fields())
            m_binder.Store(this->m_hWnd, m_pRecord, *t.table, t.index);
        OnStored();
        return 1;
    }

    void OnLanguageChanged() override
    {
        for (const BoundTable& t : Fields())
            m_binder.RefreshTexts(this->m_hWnd, *t.table);
    }

    BEGIN_MSG_MAP(CBoundTab)
        MESSAGE_HANDLER(WM_INITDIALOG, OnTabInit)
        MESSAGE_HANDLER(WM_DESTROY, OnTabDestroy)
    END_MSG_MAP()

protected:
    ConfigRecord* m_pRecord;
    CFieldBinder m_binder;

    // Before the dialog is translated (tests on the keys the labels carry).
    virtual void OnBeforeTranslate() {}
    virtual void OnInitControls() {}
    virtual void OnFilled() {}
    virtual void OnStored() {}

    void Fill()
    {
        for (const BoundTable& t : Fields())
            m_binder.Fill(this->m_hWnd, m_pRecord, *t.table, t.index);
    }

    bool IsChecked(UINT id) const { return ::IsDlgButtonChecked(this->m_hWnd, (int)id) == BST_CHECKED; }
    void SetCheck(UINT id, bool on) { ::CheckDlgButton(this->m_hWnd, (int)id, on ? BST_CHECKED : BST_UNCHECKED); }
    HWND Item(UINT id) const { return ::GetDlgItem(this->m_hWnd, (int)id); }

    LRESULT OnTabInit(UINT, WPARAM, LPARAM, BOOL&)
    {
        OnBeforeTranslate();
        g_Language.TranslateWindow(this->m_hWnd, true);
        OnInitControls();
        Fill();
        OnFilled();
        return 1;
    }

    LRESULT OnTabDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        g_Language.ReleaseWindowKeys(this->m_hWnd);
        bHandled = FALSE;
        return 0;
    }
};

// The tab of a language key's text is empty when the language has no text.
inline bool HasLanguageText(const char* key)
{
    char text[8] = "";
    g_Language.GetString(key, text, sizeof(text));
    return text[0] != '\0';
}
