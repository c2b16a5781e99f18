#pragma once
#include "pages/TabbedPage.h"
#include "wcl/WaitCursor.h"
#include "record/EntityNames.h"
#include "res/CardPagesIds.h"
#include <new>

// A card page with one tab per module or line of its slot (TTab, created
// when first shown), remembering the selected tab per slot. TTab gives
// Create(parent), Store(), OnLanguageChanged() and is constructed with
// (owner page, record, module or line index).
enum { kCardTabs = 4 };
template <class T, class TTab>
class CCardTabsPage : public CTabbedPage<T, TTab, kCardTabs>
{
    typedef CTabbedPage<T, TTab, kCardTabs> Base;

public:
    enum { kTabs = kCardTabs };
    typedef int (*NameOf)(int index, char* out);

    CCardTabsPage(ConfigRecord* record, int first, int* memories, NameOf nameOf)
        : Base(record), m_first(first), m_memories(memories), m_nameOf(nameOf)
    {
    }

    TTab* Tab(int i) const { return this->m_tabs[i].get(); }
    int FirstIndex() const { return m_first; }

    BEGIN_MSG_MAP(CCardTabsPage)
        CHAIN_MSG_MAP(Base)
    END_MSG_MAP()

protected:
    int Slot() const { return m_first / kTabs; }

    void OnInitControls() override
    {
        CTabPageHost& host = this->m_host;
        host.SubclassWindow(this->GetDlgItem(IDC_CARD_TABS));
        host.SetFactory(TRUE, &CCardTabsPage::CreateTabPage, (LPARAM)this);
        CWaitCursor wait;
        int remembered = m_memories[Slot()];
        for (int i = 0; i < kTabs; ++i)
        {
            char title[ENTITY_NAME_SIZE] = "";
            m_nameOf(m_first + i, title);
            host.AddPage(NULL, title, -1, 0, i == remembered);
        }
    }

    void OnStored() override
    {
        int current = this->m_host.GetCurrentIndex();
        m_memories[Slot()] = current < 0 ? 0 : current;
        this->StoreTabs();
    }

    void OnTextsChanged() override
    {
        for (int i = 0; i < kTabs; ++i)
        {
            char title[ENTITY_NAME_SIZE] = "";
            m_nameOf(m_first + i, title);
            this->m_host.SetTabText(i, title);
        }
        this->RetranslateTabs();
    }

private:
    int m_first;
    int* m_memories;
    NameOf m_nameOf;

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
};
