#pragma once
#include "pages/ConfigPage.h"
#include "record/SipAccount.h"
#include "res/VoipPagesIds.h"
#include <memory>
#include <string>
#include <vector>

// The two lists of SIP accounts: users (sorted by extension) and trunks (in
// the order of entry, each with its groups). The page keeps a copy of each
// row's record in list order; Store writes the whole table from the rows,
// with the empty marker after the last.
template <class T, class Row>
class CSipAccountListPage : public CConfigPage<T>
{
public:
    explicit CSipAccountListPage(ConfigRecord* record) : CConfigPage<T>(record) {}

    int RowCount() const { return (int)m_rows.size(); }
    const Row* RowAt(int index) const
    {
        return index >= 0 && index < RowCount() ? m_rows[(size_t)index].get() : nullptr;
    }
    // The rows' first-column names (extensions, account names), in list order.
    std::vector<std::string> RowNames() const;
    int SelectedRow() const;
    void SelectRow(int index);
    // Removes a row and its record.
    void DeleteRow(int index);

    BEGIN_MSG_MAP(CSipAccountListPage)
        CHAIN_MSG_MAP(CConfigPage<T>)
        COMMAND_HANDLER(IDC_VOIPLIST_ADD, BN_CLICKED, OnAdd)
        COMMAND_HANDLER(IDC_VOIPLIST_CHANGE, BN_CLICKED, OnChange)
        COMMAND_HANDLER(IDC_VOIPLIST_DELETE, BN_CLICKED, OnDelete)
        NOTIFY_HANDLER(IDC_VOIPLIST_LIST, NM_DBLCLK, OnDoubleClick)
    END_MSG_MAP()

protected:
    HWND m_list = NULL;
    std::vector<std::unique_ptr<Row>> m_rows; // each row's record, in list order

    typename CConfigPage<T>::LayoutRules_t LayoutRules() const override
    {
        return { { IDC_VOIPLIST_LIST, LE_RIGHT, 0 },  { IDC_VOIPLIST_LIST, LE_BOTTOM, 0 },
                 { IDC_VOIPLIST_LIST, LE_LEFT, 0 },   { IDC_VOIPLIST_LIST, LE_TOP, 0 },
                 { IDC_VOIPLIST_ADD, LE_BOTTOM, 0 },  { IDC_VOIPLIST_CHANGE, LE_BOTTOM, 0 },
                 { IDC_VOIPLIST_DELETE, LE_BOTTOM, 0 } };
    }
    void OnInitControls() override;
    void OnTextsChanged() override;

    // Inserts a row holding a copy of row at index (the end when -1);
    // returns its index.
    int InsertRow(int index, const Row& row);
    // Shows a row's three column texts again.
    void ShowRowTexts(int index);
    void SetTexts();

    Row* MutableRowAt(int index) { return const_cast<Row*>(RowAt(index)); }

private:
    int m_widths[3] = {};

    LRESULT OnAdd(WORD, WORD, HWND, BOOL&) { static_cast<T*>(this)->Add(); return 0; }
    LRESULT OnChange(WORD, WORD, HWND, BOOL&) { static_cast<T*>(this)->Change(); return 0; }
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&) { DeleteRow(SelectedRow()); return 0; }
    LRESULT OnDoubleClick(int, LPNMHDR, BOOL&) { static_cast<T*>(this)->Change(); return 0; }
};

// The SIP user accounts, sorted by extension.
class CVoipUsersPage : public CSipAccountListPage<CVoipUsersPage, SipAccount>
{
public:
    enum { IDD = IDD_VOIP_USERS };
    explicit CVoipUsersPage(ConfigRecord* record) : CSipAccountListPage(record) {}

    // The users, written whole in extension order.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->sipUsers));
    }

    // Adds a user at its sorted place; false when the table is full.
    bool AddUser(const SipAccount& user);
    // Replaces row index with user at its sorted place, selected and shown.
    void ReplaceUser(int index, const SipAccount& user);

    // The buttons: the user dialog on new-user defaults or on the selected row.
    void Add();
    void Change();
    // The three column texts of a row.
    static void RowTexts(const SipAccount& user, std::string texts[3]);
    static const char* HeaderKey() { return "strVoipUsersHeader"; }

protected:
    void OnInitControls() override;
    void OnStored() override;

private:
    int SortedPlace(const SipAccount& user) const;
};

// The SIP trunk accounts with the groups they serve, in the order of entry.
class CVoipTrunksPage : public CSipAccountListPage<CVoipTrunksPage, SipTrunkRow>
{
public:
    enum { IDD = IDD_VOIP_TRUNKS };
    explicit CVoipTrunksPage(ConfigRecord* record) : CSipAccountListPage(record) {}

    // The trunks and their groups, written whole in list order.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.insert(runs.end(), { RunOf(m_pRecord, m_pRecord->sipTrunks),
                                  RunOf(m_pRecord, m_pRecord->sipTrunkGroups) });
    }

    // Appends a trunk; false when the table is full.
    bool AddTrunk(const SipTrunkRow& trunk);
    void ReplaceTrunk(int index, const SipTrunkRow& trunk);

    void Add();
    void Change();
    static void RowTexts(const SipTrunkRow& trunk, std::string texts[3]);
    static const char* HeaderKey() { return "strVoipTrunksHeader"; }

protected:
    void OnInitControls() override;
    void OnStored() override;

private:
    bool m_inOffered[32] = {};
    bool m_outOffered[32] = {};

    bool RunTrunkDialog(SipTrunkRow* trunk, int index);
};
