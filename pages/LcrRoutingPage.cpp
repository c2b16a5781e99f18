#include "pages/LcrRoutingPage.h"
#include "wcl/WaitCursor.h"
#include "pages/LcrRoutingItemDlg.h"
#include "pages/ListViewRows.h"
#include "pages/PageMemories.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/TextUtil.h"
#include <cstring>
#include <new>

namespace
{
enum RoutingColumn { COL_LINE, COL_NUMBER, COL_CUT, COL_INSERT, COL_TARGETS, COL_DIAL, COL_COUNT };

}

// --- one profile's tab ----------------------------------------------------------

CLcrRoutingListTab::CLcrRoutingListTab(CLcrRoutingPage* page, ConfigRecord* record, int profile)
    : m_page(page), m_pRecord(record), m_profile(profile)
{
}

LRESULT CLcrRoutingListTab::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    g_Language.TranslateWindow(m_hWnd, true);
    const UINT dialogButtons[] = { IDC_LCR_TAB_ADD, IDC_LCR_TAB_EDIT };
    for (UINT id : dialogButtons)
    {
        char text[128] = "";
        GetDlgItemText((int)id, text, sizeof(text) - 4);
        AppendText(text, sizeof(text), "...");
        ::SetDlgItemTextA(m_hWnd, (int)id, text);
    }
    ListView_SetExtendedListViewStyle(List(), LVS_EX_FULLROWSELECT);
    SetColumns();

    // Listed targets without a credit counter count on counter 1 from now on.
    for (int i = 0; i < (int)CFG_ROUTING_RULE_COUNT; ++i)
    {
        LcrRoutingRule& rule = m_pRecord->routingRules[i];
        // The whole used table is read: one from a file or a device may
        // hold the profiles out of order.
        if (rule.profile > LCR_PROFILE_MAX)
            break;
        if (rule.profile != m_profile || RuleNumberEmpty(rule))
            continue;
        for (int t = 0; t < LCR_TARGET_COUNT; ++t)
            if (rule.targets[t] != CFG_EMPTY && m_pRecord->routingCompanion[i].bytes[t] == CFG_EMPTY)
                m_pRecord->routingCompanion[i].bytes[t] = LCR_CREDIT_1;
        LcrRuleEntry entry;
        entry.rule = rule;
        entry.companion = m_pRecord->routingCompanion[i];
        InsertRow(entry);
    }
    return 1;
}

LRESULT CLcrRoutingListTab::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    // The list fills the tab above the row of buttons.
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    RECT button = { 0, 0, 0, 0 };
    ::GetWindowRect(GetDlgItem(IDC_LCR_TAB_ADD), &button);
    const int buttonHeight = button.bottom - button.top;
    const int margin = 6;
    int listHeight = height - buttonHeight - 3 * margin;
    ::MoveWindow(List(), margin, margin, width - 2 * margin, listHeight > 0 ? listHeight : 0, TRUE);
    const UINT buttons[] = { IDC_LCR_TAB_ADD, IDC_LCR_TAB_EDIT, IDC_LCR_TAB_DELETE };
    int x = margin;
    for (UINT id : buttons)
    {
        HWND b = GetDlgItem((int)id);
        RECT rc;
        ::GetWindowRect(b, &rc);
        ::MoveWindow(b, x, height - margin - buttonHeight, rc.right - rc.left, buttonHeight, TRUE);
        x += rc.right - rc.left + margin;
    }
    return 0;
}

LRESULT CLcrRoutingListTab::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    g_Language.ReleaseWindowKeys(m_hWnd);
    bHandled = FALSE;
    return 0;
}

void CLcrRoutingListTab::SetColumns()
{
    const int w = ListClientWidth(List());
    const int widths[COL_COUNT] = { w / 8 + 4, w / 5, w / 12, w / 7, w / 3 - 10, w / 8 };
    SetListColumns(List(), "strLcrRoutingHeader", widths, COL_COUNT);
}

void CLcrRoutingListTab::OnLanguageChanged()
{
    SetColumns();
    for (int row = 0; row < (int)m_rows.size(); ++row)
        ShowRow(row, false); // link names are language texts
}

int CLcrRoutingListTab::SortedPlace(const LcrRuleEntry& entry) const
{
    int i = 0;
    while (i < (int)m_rows.size() && CompareRules(m_rows[i].rule, entry.rule) <= 0)
        ++i;
    return i;
}

int CLcrRoutingListTab::InsertRow(const LcrRuleEntry& entry)
{
    int row = SortedPlace(entry);
    m_rows.insert(m_rows.begin() + row, entry);
    ShowRow(row, true);
    return row;
}

void CLcrRoutingListTab::ShowRow(int row, bool insert)
{
    const LcrRuleEntry& e = m_rows[row];
    char line[ENTITY_NAME_SIZE], number[CFG_COUNTED_24], cut[16], insertDigits[CFG_COUNTED_24], dial[16];
    char targets[512];
    FormatRuleLine(RuleByte(e.rule, LCR_RULE_LINE), line, sizeof(line));
    ReadCountedString(e.rule.number, sizeof(e.rule.number), number);
    FormatText(cut, sizeof(cut), "%d", (int)RuleByte(e.rule, LCR_RULE_CUT));
    ReadCountedString(e.rule.bytes28, sizeof(e.rule.bytes28), insertDigits);
    LcrTargetText(e, targets, sizeof(targets));
    FormatText(dial, sizeof(dial), "%d", (int)RuleByte(e.rule, LCR_RULE_DIAL));
    const char* texts[COL_COUNT] = { line, number, cut, insertDigits, targets, dial };
    if (insert)
        InsertListRow(List(), row, texts, COL_COUNT);
    else
        SetListRow(List(), row, texts, COL_COUNT);
}

bool CLcrRoutingListTab::AddRule(const LcrRuleEntry& entry)
{
    if (m_page && m_page->RulesPageWide() >= (int)CFG_ROUTING_RULE_COUNT)
        return false;
    SelectListRow(List(), InsertRow(entry));
    return true;
}

void CLcrRoutingListTab::ReplaceRule(int row, const LcrRuleEntry& entry)
{
    if (row < 0 || row >= (int)m_rows.size())
        return;
    const LcrRuleEntry replacement = entry; // entry may be the row itself
    DeleteRule(row);
    SelectListRow(List(), InsertRow(replacement));
}

void CLcrRoutingListTab::DeleteRule(int row)
{
    if (row < 0 || row >= (int)m_rows.size())
        return;
    m_rows.erase(m_rows.begin() + row);
    ListView_DeleteItem(List(), row);
}

int CLcrRoutingListTab::Store()
{
    WriteProfileBlock(m_pRecord, m_profile, m_rows.data(), (int)m_rows.size());
    return 1;
}

bool CLcrRoutingListTab::RunDialog(LcrRuleEntry& entry, int editedRow)
{
    CLcrRoutingItemDlg dlg(entry, m_pRecord, &m_rows, editedRow);
    if (dlg.DoModal(m_hWnd) != IDOK)
        return false;
    entry = dlg.Result();
    return true;
}

LRESULT CLcrRoutingListTab::OnAdd(WORD, WORD, HWND, BOOL&)
{
    if (m_page && m_page->RulesPageWide() >= (int)CFG_ROUTING_RULE_COUNT)
        return 0; // the table is full
    LcrRuleEntry entry;
    memset(&entry.rule, 0, sizeof(entry.rule));
    memset(entry.rule.targets, CFG_EMPTY, sizeof(entry.rule.targets));
    memset(&entry.companion, CFG_EMPTY, sizeof(entry.companion));
    entry.rule.profile = (uint8_t)m_profile;
    if (RunDialog(entry, -1))
        AddRule(entry);
    return 0;
}

LRESULT CLcrRoutingListTab::OnEdit(WORD, WORD, HWND, BOOL&)
{
    int row = SelectedListRow(List());
    if (row < 0)
        return 0;
    LcrRuleEntry entry = m_rows[row];
    entry.rule.profile = (uint8_t)m_profile;
    if (RunDialog(entry, row))
        ReplaceRule(row, entry);
    return 0;
}

LRESULT CLcrRoutingListTab::OnDelete(WORD, WORD, HWND, BOOL&)
{
    DeleteRule(SelectedListRow(List()));
    return 0;
}

LRESULT CLcrRoutingListTab::OnDoubleClick(int, LPNMHDR, BOOL&)
{
    BOOL handled = TRUE;
    return OnEdit(0, 0, NULL, handled);
}

// --- the page -----------------------------------------------------------------

CLcrRoutingPage::CLcrRoutingPage(ConfigRecord* record) : CConfigPage<CLcrRoutingPage>(record)
{
}

CLcrRoutingPage::~CLcrRoutingPage()
{
    for (auto& tab : m_tabPages)
        if (tab && tab->m_hWnd)
            ::DestroyWindow(tab->m_hWnd);
}

CConfigPage<CLcrRoutingPage>::LayoutRules_t CLcrRoutingPage::LayoutRules() const
{
    return { { IDC_LCR_ROUTING_TABS, LE_LEFT, 0 },
             { IDC_LCR_ROUTING_TABS, LE_TOP, 0 },
             { IDC_LCR_ROUTING_TABS, LE_RIGHT, 0 },
             { IDC_LCR_ROUTING_TABS, LE_BOTTOM, 0 } };
}

void CLcrRoutingPage::OnInitControls()
{
    CWaitCursor wait;
    m_tabs.SubclassWindow(GetDlgItem(IDC_LCR_ROUTING_TABS));
    m_tabs.SetFactory(TRUE, CreateTabPage, (LPARAM)this);
    bool marks[256];
    MarkClipProfiles(m_pRecord, marks);
    marks[LCR_PROFILE_DEFAULT] = true;
    for (int p = 0; p <= LCR_PROFILE_MAX; ++p)
    {
        if (!marks[p])
            continue;
        char title[ENTITY_NAME_SIZE] = "";
        GetRoutingProfileName(p, title);
        m_tabs.AddPage(NULL, title, -1, (LPARAM)p, p == g_LastRoutingProfile);
    }
}

HWND CLcrRoutingPage::CreateTabPage(int index, LPARAM param)
{
    CLcrRoutingPage* page = reinterpret_cast<CLcrRoutingPage*>(param);
    if (!page)
        return NULL;
    const int profile = (int)page->m_tabs.GetTabData(index);
    if (profile < 0 || profile > LCR_PROFILE_MAX)
        return NULL;
    std::unique_ptr<CLcrRoutingListTab>& slot = page->m_tabPages[profile];
    if (!slot)
        slot.reset(new (std::nothrow) CLcrRoutingListTab(page, page->m_pRecord, profile));
    if (!slot)
        return NULL;
    return slot->m_hWnd ? slot->m_hWnd : slot->Create(page->m_hWnd);
}

int CLcrRoutingPage::RulesPageWide() const
{
    int total = CountUsedRules(m_pRecord);
    for (const auto& tab : m_tabPages)
        if (tab && tab->m_hWnd)
            total += (int)tab->Rows().size() - FindProfileBlock(m_pRecord, tab->Profile()).count;
    return total;
}

void CLcrRoutingPage::OnStored()
{
    CWaitCursor wait;
    int current = m_tabs.GetCurrentIndex();
    if (current >= 0)
        g_LastRoutingProfile = (int)m_tabs.GetTabData(current);
    // Every shown tab writes its profile's block from its rows; rules it
    // does not list (those without a number) are dropped with it. A table
    // from a file or a device may hold the profiles out of order: every
    // tab's block is written where its profile stands in order.
    SortRulesByProfile(m_pRecord);
    // Shrinking blocks first, so that every growing one finds its room.
    for (int pass = 0; pass < 2; ++pass)
        for (auto& tab : m_tabPages)
            if (tab && tab->m_hWnd)
            {
                bool shrinks = (int)tab->Rows().size() <= FindProfileBlock(m_pRecord, tab->Profile()).count;
                if ((pass == 0) == shrinks)
                    tab->Store();
            }
}

void CLcrRoutingPage::OnTextsChanged()
{
    for (int i = 0; i < m_tabs.GetTabCount(); ++i)
    {
        char title[ENTITY_NAME_SIZE] = "";
        GetRoutingProfileName((int)m_tabs.GetTabData(i), title);
        m_tabs.SetTabText(i, title);
    }
    for (auto& tab : m_tabPages)
        if (tab && tab->m_hWnd)
            tab->OnLanguageChanged();
}
