#pragma once
#include "layout/LayoutPage.h"
#include "record/ConfigRecord.h"
#include "base/Language.h"
#include <type_traits>
#include <utility>

// The contract between a configuration page and the configuration view.
//
// A page is a layout page (CLayoutPage) constructed by the view's CreatePage
// with the page-edit copy of the record, then created as a child of the view.
// In its WM_INITDIALOG (after the template's) it translates its texts keeping
// the keys, subclasses its filtered edits, fills every control from the
// page-edit copy and posts itself WM_SIZE (PostSizeToSelf). WM_DESTROY
// releases the kept keys. The view commits it by calling
//     int Store();              // 1, or 0 after a validation message, with
//                               // the focus on the offending control
// and, after a language change, when the page has texts built from keys,
//     void OnLanguageChanged(); // refills them keeping the selections
// Neither is virtual: the view reaches them through PageOps below.
//
//     class CMyPage : public CConfigPage<CMyPage>
//     {
//     public:
//         enum { IDD = IDD_MY_PAGE };
//         explicit CMyPage(ConfigRecord* rec) : CConfigPage<CMyPage>(rec) {}
//         int Store();
//         BEGIN_MSG_MAP(CMyPage)
//             CHAIN_MSG_MAP(CConfigPage<CMyPage>)
//             MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
//         END_MSG_MAP()
//     };
template <class T>
class CConfigPage : public CLayoutPage<T>
{
public:
    explicit CConfigPage(ConfigRecord* record) : m_pRecord(record) {}

    BEGIN_MSG_MAP(CConfigPage)
        CHAIN_MSG_MAP(CLayoutPage<T>)
        MESSAGE_HANDLER(WM_DESTROY, OnConfigPageDestroy)
    END_MSG_MAP()

protected:
    ConfigRecord* m_pRecord; // the page-edit copy, borrowed

    // The first step of the page's own initialisation.
    void TranslatePage() { g_Language.TranslateWindow(this->m_hWnd, true); }

    LRESULT OnConfigPageDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        g_Language.ReleaseWindowKeys(this->m_hWnd);
        bHandled = FALSE;
        return 0;
    }
};

// What the view may ask of a page object it holds, whatever its class.
struct PageOps
{
    int (*store)(CMessageMapWindow* page);                       // null: stores nothing
    void (*languageChanged)(CMessageMapWindow* page);            // null: nothing to refill
    void (*setText)(CMessageMapWindow* page, const char* text);  // text pages only
};

namespace pageops_detail
{
template <class P, class = void> struct HasStore : std::false_type {};
template <class P>
struct HasStore<P, std::void_t<decltype(std::declval<P&>().Store())>> : std::true_type {};
template <class P, class = void> struct HasLanguageChanged : std::false_type {};
template <class P>
struct HasLanguageChanged<P, std::void_t<decltype(std::declval<P&>().OnLanguageChanged())>> : std::true_type {};
template <class P, class = void> struct HasSetText : std::false_type {};
template <class P>
struct HasSetText<P, std::void_t<decltype(std::declval<P&>().SetText((const char*)nullptr))>> : std::true_type {};

typedef int (*StoreFn)(CMessageMapWindow*);
typedef void (*LanguageChangedFn)(CMessageMapWindow*);
typedef void (*SetTextFn)(CMessageMapWindow*, const char*);

template <class P> StoreFn StoreOf()
{
    if constexpr (HasStore<P>::value)
        return [](CMessageMapWindow* p) { return static_cast<P*>(p)->Store() ? 1 : 0; };
    else
        return nullptr;
}
template <class P> LanguageChangedFn LanguageChangedOf()
{
    if constexpr (HasLanguageChanged<P>::value)
        return [](CMessageMapWindow* p) { static_cast<P*>(p)->OnLanguageChanged(); };
    else
        return nullptr;
}
template <class P> SetTextFn SetTextOf()
{
    if constexpr (HasSetText<P>::value)
        return [](CMessageMapWindow* p, const char* t) { static_cast<P*>(p)->SetText(t); };
    else
        return nullptr;
}
}

// The operations of page class P, found from the members it has.
template <class P>
const PageOps* GetPageOps()
{
    static const PageOps ops = {
        pageops_detail::StoreOf<P>(),
        pageops_detail::LanguageChangedOf<P>(),
        pageops_detail::SetTextOf<P>(),
    };
    return &ops;
}
