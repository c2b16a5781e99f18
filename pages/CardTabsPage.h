#pragma once
#include "pages/ConfigPage.h"
#include "pages/BoundTab.h"
#include "pages/TabPageHost.h"
#include "record/EntityNames.h"
#include "res/CardPagesIds.h"
#include <memory>
#include <new>

// A card page with one tab per module or line of its slot (TTab, created
// when first shown), remembering the selected tab per slot. TTab gives
// Create(parent), Store(), OnLanguageChanged() and is constructed with
// (owner page, record, module or line index).
template <class T, class TTab>
class CCardTabsPage : public CConfigPage<T>
{
public:
    enum { kTabs = 4 };
    typedef int (*NameOf)(int index, char* out);

    CCardTabsPage(ConfigRecord* record, int first, int* memories, NameOf nameOf)
        : CConfigPage<T>(record), m_first(first), m_memories(memories), m_nameOf(nameOf)
    {
    }

    TTab* Tab(int i) const { return m_tabs[i].get(); }
    CTabPageHost& Tabs() { return m_host; }
    int FirstIndex() const { return m_first; }
    CTabPageHost* TabHost() override { return &m_host; }

    std::vector<BoundWindow> BoundWindows() override
    {
        std::vector<BoundWindow> windows = CConfigPage<T>::BoundWindows();
        AddTabWindows(m_tabs, windows);
        return windows;
    }
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        AddTabWrites(m_tabs, runs);
    }

    BEGIN_MSG_MAP(CCardTabsPage)
        MESSAGE_HANDLER(WM_DESTROY, OnTabsDestroy)
        CHAIN_MSG_MAP(CConfigPage<T>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

protected:
    int Slot() const { return m_first / kTabs; }

    void OnInitControls() override
    {
        m_host.SubclassWindow(this->GetDlgItem(IDC_CARD_TABS));
        m_host.SetFactory(TRUE, &CCardTabsPage::CreateTabPage, (LPARAM)this);
        HCURSOR old = ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
        int remembered = m_memories[Slot()];
        for (int i = 0; i < kTabs; ++i)
        {
            char title[ENTITY_NAME_SIZE] = "";
            m_nameOf(m_first + i, title);
            m_host.AddPage(NULL, title, -1, 0, i == remembered);
        }
        ::SetCursor(old);
    }

    void OnStored() override
    {
        m_memories[Slot()] = m_host.GetCurrentIndex() < 0 ? 0 : m_host.GetCurrentIndex();
        HCURSOR old = ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
        for (auto& tab : m_tabs)
            if (tab && tab->m_hWnd)
                tab->Store();
        ::SetCursor(old);
    }

    void OnTextsChanged() override
    {
        for (int i = 0; i < kTabs; ++i)
        {
            char title[ENTITY_NAME_SIZE] = "";
            m_nameOf(m_first + i, title);
            m_host.SetTabText(i, title);
            if (m_tabs[i] && m_tabs[i]->m_hWnd)
            {
                g_Language.RetranslateWindow(m_tabs[i]->m_hWnd);
                m_tabs[i]->OnLanguageChanged();
            }
        }
    }

private:
    int m_first;
    int* m_memories;
    NameOf m_nameOf;
    CTabPageHost m_host;
    std::unique_ptr<TTab> m_tabs[kTabs];

    static HWND CreateTabPage(int i, LPARAM param)
    {
        CCardTabsPage* page = reinterpret_cast<CCardTabsPage*>(param);
        if (i < 0 || i >= kTabs)
            return NULL;
        if (!page->m_tabs[i])
            page->m_tabs[i].reset(new (std::nothrow) TTab(static_cast<T*>(page), page->m_pRecord, page->m_first + i));
        TTab* tab = page->m_tabs[i].get();
        if (!tab)
            return NULL;
        if (!tab->m_hWnd)
            tab->Create(page->m_hWnd);
        return tab->m_hWnd;
    }

    LRESULT OnTabsDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        for (auto& tab : m_tabs)
        {
            if (tab && tab->m_hWnd)
                ::DestroyWindow(tab->m_hWnd);
            tab.reset();
        }
        bHandled = FALSE;
        return 0;
    }
};
