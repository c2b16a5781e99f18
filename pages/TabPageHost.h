#pragma once
#include "wcl/WindowImpl.h"
#include <vector>

// Turns a tab control into a host of child pages, one page window per tab,
// laid over the tab control's display area. A tab's page is either given to
// AddPage or made by the factory the first time its tab is selected. Before
// the selection changes the current page is asked with PSN_KILLACTIVE (a
// non-zero answer keeps it); the new page is told with PSN_SETACTIVE.
//
// The pages are children of the tab control's parent, which must reflect
// notifications (REFLECT_NOTIFICATIONS) so the host sees TCN_SELCHANGING and
// TCN_SELCHANGE. The host does not own page objects; it destroys page
// windows only when their tabs are removed.
class CTabPageHost : public CControlImpl<CTabPageHost>
{
public:
    // Makes the page of tab 'index'; returns its window or NULL.
    typedef HWND (*PageFactory)(int index, LPARAM param);

    CTabPageHost();
    ~CTabPageHost() override;

    void SetFactory(BOOL enabled, PageFactory factory, LPARAM param);

    // Appends a tab with an optional ready page. The first tab is always
    // selected; select asks for the new tab to be selected too.
    BOOL AddPage(HWND page, const char* title, int image = -1, LPARAM data = 0, BOOL select = FALSE);
    int InsertTab(const char* title, int image, LPARAM data);
    BOOL SetTabText(int index, const char* title);
    LPARAM GetTabData(int index) const;
    // Selects tab index; returns the previous current index (the unchanged
    // current index when index is out of range or already current).
    int SelectTab(int index);
    void RemoveTab(int index, BOOL destroy);
    void RemoveAll();
    RECT GetDisplayRect() const;

    int GetTabCount() const { return (int)SendMessage(TCM_GETITEMCOUNT); }
    int GetCurrentIndex() const { return m_currentIndex; }
    HWND GetCurrentPage() const { return m_currentPage; }
    HWND GetPage(int index) const;

    BEGIN_MSG_MAP(CTabPageHost)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        REFLECTED_NOTIFY_CODE_HANDLER(TCN_SELCHANGING, OnSelChanging)
        REFLECTED_NOTIFY_CODE_HANDLER(TCN_SELCHANGE, OnSelChange)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

private:
    std::vector<HWND> m_pages;
    int m_currentIndex;
    HWND m_currentPage;
    DWORD m_factoryEnabled;
    PageFactory m_factory;
    LPARAM m_factoryParam;

    void FitPage(HWND page) const;
    LRESULT SendPageNotify(HWND page, UINT code);

    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelChanging(int, LPNMHDR, BOOL&);
    LRESULT OnSelChange(int, LPNMHDR, BOOL&);
};
