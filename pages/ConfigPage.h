#pragma once
#include "layout/LayoutPage.h"
#include "pages/FieldBinding.h"
#include "record/ConfigRecord.h"
#include "base/Language.h"

class CTabPageHost;

// What the configuration view asks of the page it shows, whatever its class.
// Every page implements all of it, so a page that gets a signature wrong does
// not compile.
class IConfigPage
{
public:
    virtual ~IConfigPage() {}
    // The page window's object (created by the view with Create).
    virtual CMessageMapWindow& Window() = 0;
    virtual HWND Create(HWND parent) = 0;
    // Writes the controls into the page-edit copy: 1, or 0 after a validation
    // message with the focus on the refused control.
    virtual int Store() = 0;
    // After the view re-translated the dialog's own texts: refills the texts
    // the page built from language keys, keeping every selection.
    virtual void OnLanguageChanged() = 0;
    // A page that only shows a text stores nothing and takes no focus.
    virtual bool IsTextPage() const { return false; }
    // The field tables the page fills and stores, with the entry each shows.
    virtual FieldTables Fields() const { return {}; }
    // The record bytes the page's own code writes, when it opens or stores,
    // beyond its field tables: bytes it builds from several controls, lists
    // it writes whole, unset bytes it puts right, and what its tabs write.
    // Every page says, even when it is nothing.
    virtual void OwnWrites(std::vector<ByteRun>& runs) const = 0;
    // Every window of the page with bound controls, with its tables: the
    // page and those of its tabs that exist.
    virtual std::vector<BoundWindow> BoundWindows() { return { BoundWindow{ Window().m_hWnd, Fields() } }; }
    // The tab host of a page whose tabs hold bound controls; null for others.
    virtual CTabPageHost* TabHost() { return nullptr; }
};

// One rule of a page's layout: control's edge follows the same edge of the
// page (reference 0) or of the reference control.
struct LayoutRule
{
    UINT control;
    LayoutEdge edge;
    UINT reference;
};

// The base of every configuration page: a layout page that translates its
// texts, fills its bound fields from the page-edit copy when it opens and
// stores them on commit. A page gives its field tables and, where its
// behaviour goes beyond them, the hooks below.
//
//     class CMyPage : public CConfigPage<CMyPage>
//     {
//     public:
//         enum { IDD = IDD_MY_PAGE };
//         explicit CMyPage(ConfigRecord* rec) : CConfigPage<CMyPage>(rec, &kFields) {}
//         static const FieldTable kFields;
//     protected:
//         void OnFilled() override; // only where the page does more
//     };
template <class T>
class CConfigPage : public CLayoutPage<T>, public IConfigPage
{
public:
    // fields: the page's one field table, when it has one.
    explicit CConfigPage(ConfigRecord* record, const FieldTable* fields = nullptr)
        : m_pRecord(record), m_fields(fields)
    {
    }

    CMessageMapWindow& Window() override { return *this; }
    HWND Create(HWND parent) override { return CLayoutPage<T>::Create(parent); }
    // The table given at construction; pages with several override this.
    FieldTables Fields() const override { return m_fields ? FieldTables{ BoundTable(m_fields) } : FieldTables{}; }

    int Store() final
    {
        if (!OnValidate())
            return 0;
        for (const BoundTable& t : Fields())
        {
            if (const FieldBinding* refused = m_binder.Store(this->m_hWnd, m_pRecord, *t.table, t.index))
            {
                Refuse(refused->control, refused->refusalKey);
                return 0;
            }
        }
        OnStored();
        return 1;
    }

    void OnLanguageChanged() override
    {
        for (const BoundTable& t : Fields())
            m_binder.RefreshTexts(this->m_hWnd, *t.table);
        OnTextsChanged();
    }

    // The page's layout rules applied in order; pages without rules keep
    // their design positions.
    void DefineLayout()
    {
        for (const LayoutRule& r : LayoutRules())
        {
            if (r.reference)
                this->AttachToControl(::GetDlgItem(this->m_hWnd, (int)r.control), r.edge,
                                      ::GetDlgItem(this->m_hWnd, (int)r.reference));
            else
                this->AttachItemToDialog((int)r.control, r.edge);
        }
    }

    BEGIN_MSG_MAP(CConfigPage)
        CHAIN_MSG_MAP(CLayoutPage<T>)
        MESSAGE_HANDLER(WM_INITDIALOG, OnConfigPageInit)
        MESSAGE_HANDLER(WM_DESTROY, OnConfigPageDestroy)
    END_MSG_MAP()

protected:
    typedef std::vector<LayoutRule> LayoutRules_t;

    ConfigRecord* m_pRecord; // the page-edit copy, borrowed
    const FieldTable* m_fields;
    CFieldBinder m_binder;

    virtual LayoutRules_t LayoutRules() const { return {}; }
    // Before the fields are filled: the page's own lists, hidden controls.
    virtual void OnInitControls() {}
    // After the fields are filled: enabling rules, texts made from the record.
    virtual void OnFilled() {}
    // Before the fields are stored: cross-field checks; false after the
    // page called Refuse.
    virtual bool OnValidate() { return true; }
    // After the fields are stored: what the page writes beyond its tables.
    virtual void OnStored() {}
    // After a language change and the lists' refill: texts the page builds.
    virtual void OnTextsChanged() {}

    // Shows the field's refusal message and puts the focus on its control.
    void Refuse(UINT control, const char* key, const char* captionKey = nullptr)
    {
        if (key)
            g_Language.MessageBoxKey(key, captionKey, MB_OK | MB_ICONEXCLAMATION);
        HWND c = ::GetDlgItem(this->m_hWnd, (int)control);
        ::SetFocus(c ? c : this->m_hWnd);
    }

    LRESULT OnConfigPageInit(UINT, WPARAM, LPARAM, BOOL&)
    {
        g_Language.TranslateWindow(this->m_hWnd, true);
        OnInitControls();
        for (const BoundTable& t : Fields())
            m_binder.Fill(this->m_hWnd, m_pRecord, *t.table, t.index);
        OnFilled();
        this->PostSizeToSelf();
        return 1;
    }

    LRESULT OnConfigPageDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        // The address controls go before the page's keys are released: they
        // keep no keys of their own.
        for (const BoundTable& t : Fields())
            for (size_t i = 0; i < t.table->count; ++i)
                if (t.table->rows[i].kind == FieldKind::IpDigits)
                    if (HWND control = ::GetDlgItem(this->m_hWnd, (int)t.table->rows[i].control))
                        ::DestroyWindow(control);
        g_Language.ReleaseWindowKeys(this->m_hWnd);
        bHandled = FALSE;
        return 0;
    }
};
