#pragma once
#include "pages/ConfigPage.h"
#include "pages/TabPageHost.h"
#include "record/LcrTables.h"
#include "res/RoutingPagesIds.h"
#include <memory>
#include <vector>

class CLcrRoutingPage;

// The rules of one routing profile: a list in rule order, each row holding
// its rule and companion record; the table changes only at Store.
class CLcrRoutingListTab : public CDialogImpl<CLcrRoutingListTab>
{
public:
    enum { IDD = IDD_LCR_ROUTING_TAB };
    CLcrRoutingListTab(CLcrRoutingPage* page, ConfigRecord* record, int profile);

    int Profile() const { return m_profile; }
    const std::vector<LcrRuleEntry>& Rows() const { return m_rows; }
    HWND List() const { return GetDlgItem(IDC_LCR_TAB_LIST); }

    // Writes the profile's block into both tables.
    int Store();
    void OnLanguageChanged();

    // The commands without their dialog: a new rule at its sorted place
    // (false when the page holds 1000 rules), a row replaced, a row deleted.
    bool AddRule(const LcrRuleEntry& entry);
    void ReplaceRule(int row, const LcrRuleEntry& entry);
    void DeleteRule(int row);

    BEGIN_MSG_MAP(CLcrRoutingListTab)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER(IDC_LCR_TAB_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_LCR_TAB_EDIT, OnEdit)
        COMMAND_ID_HANDLER(IDC_LCR_TAB_DELETE, OnDelete)
        NOTIFY_HANDLER(IDC_LCR_TAB_LIST, NM_DBLCLK, OnDoubleClick)
    END_MSG_MAP()

private:
    CLcrRoutingPage* m_page;
    ConfigRecord* m_pRecord;
    int m_profile;
    std::vector<LcrRuleEntry> m_rows; // row i of the list

    int SortedPlace(const LcrRuleEntry& entry) const;
    int InsertRow(const LcrRuleEntry& entry);
    void ShowRow(int row, bool insert);
    void SetColumns();
    bool RunDialog(LcrRuleEntry& entry, int editedRow);

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnEdit(WORD, WORD, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnDoubleClick(int, LPNMHDR, BOOL&);
};

// The routing rules, one tab per profile: the default profile and every
// profile the CLIP table names.
class CLcrRoutingPage : public CConfigPage<CLcrRoutingPage>
{
public:
    enum { IDD = IDD_LCR_ROUTING };
    explicit CLcrRoutingPage(ConfigRecord* record);
    ~CLcrRoutingPage() override;

    // The rules and their companions, written a profile at a time.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.insert(runs.end(), { RunOf(m_pRecord, m_pRecord->routingRules),
                                  RunOf(m_pRecord, m_pRecord->routingCompanion) });
    }

    CTabPageHost& Tabs() { return m_tabs; }
    // The tab of profile, once it was shown; null before.
    CLcrRoutingListTab* Tab(int profile) const { return m_tabPages[profile].get(); }
    // The rules of all profiles as they would be stored now.
    int RulesPageWide() const;

    BEGIN_MSG_MAP(CLcrRoutingPage)
        CHAIN_MSG_MAP(CConfigPage<CLcrRoutingPage>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

protected:
    LayoutRules_t LayoutRules() const override;
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    CTabPageHost m_tabs;
    std::unique_ptr<CLcrRoutingListTab> m_tabPages[LCR_PROFILE_MAX + 1];

    static HWND CreateTabPage(int index, LPARAM page);
};
