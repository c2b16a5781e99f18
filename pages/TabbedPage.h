#pragma once
#include "pages/ConfigPage.h"
#include "wcl/WaitCursor.h"
#include "pages/BoundTab.h"
#include "pages/TabPageHost.h"
#include <memory>

// A page whose bound controls sit on N tabs (TTab, an IBoundTab) over its
// tab control: it stores the tabs that exist, names their windows, tables
// and own writes as its own, and destroys them with itself.
template <class T, class TTab, size_t N>
class CTabbedPage : public CConfigPage<T>
{
public:
    explicit CTabbedPage(ConfigRecord* record) : CConfigPage<T>(record) {}

    CTabPageHost& Tabs() { return m_host; }
    CTabPageHost* TabHost() override { return &m_host; }

    std::vector<BoundWindow> BoundWindows() override
    {
        std::vector<BoundWindow> windows = CConfigPage<T>::BoundWindows();
        for (const IBoundTab* tab : ExistingTabs())
            windows.push_back(BoundWindow{ tab->TabWindow(), tab->Fields() });
        return windows;
    }
    // A tab never made writes nothing.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        for (const IBoundTab* tab : ExistingTabs())
            tab->OwnWrites(runs);
    }

    BEGIN_MSG_MAP(CTabbedPage)
        MESSAGE_HANDLER(WM_DESTROY, OnTabbedDestroy)
        CHAIN_MSG_MAP(CConfigPage<T>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

protected:
    CTabPageHost m_host;
    std::unique_ptr<TTab> m_tabs[N];

    // The tabs whose windows exist, in tab order.
    std::vector<IBoundTab*> ExistingTabs() const
    {
        std::vector<IBoundTab*> tabs;
        for (const auto& tab : m_tabs)
            if (tab && tab->TabWindow())
                tabs.push_back(tab.get());
        return tabs;
    }

    void StoreTabs()
    {
        CWaitCursor wait;
        for (IBoundTab* tab : ExistingTabs())
            tab->Store();
    }

    // After the page's texts changed: every existing tab translated again
    // and its lists refilled.
    void RetranslateTabs()
    {
        for (IBoundTab* tab : ExistingTabs())
        {
            g_Language.RetranslateWindow(tab->TabWindow());
            tab->OnLanguageChanged();
        }
    }

private:
    LRESULT OnTabbedDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        for (auto& tab : m_tabs)
        {
            if (tab && tab->TabWindow())
                ::DestroyWindow(tab->TabWindow());
            tab.reset();
        }
        bHandled = FALSE;
        return 0;
    }
};
