#pragma once
#include "pages/ConfigPage.h"
#include "pages/CharSetEdit.h"
#include "pages/NumericEdit.h"
#include "res/RoutingPagesIds.h"
#include <string>
#include <vector>

// Callers' numbers (CLIP) given to routing profiles: a list of number and
// profile pairs sorted by profile, then number. Deleting a profile's last
// entry drops that profile's routing rules from the page-edit copy.
class CLcrClipTabPage : public CConfigPage<CLcrClipTabPage>
{
public:
    enum { IDD = IDD_LCR_CLIP };
    explicit CLcrClipTabPage(ConfigRecord* record) : CConfigPage<CLcrClipTabPage>(record) {}

    // The table, written whole in list order.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->lcrClip));
    }

    // Row i of the list: the entry as it will be stored.
    const std::vector<LcrClipEntry>& Rows() const { return m_rows; }

    BEGIN_MSG_MAP(CLcrClipTabPage)
        CHAIN_MSG_MAP(CConfigPage<CLcrClipTabPage>)
        COMMAND_ID_HANDLER(IDC_LIST_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_LIST_CHANGE, OnChange)
        COMMAND_ID_HANDLER(IDC_LIST_DELETE, OnDelete)
        NOTIFY_HANDLER(IDC_LCR_CLIP_LIST, LVN_ITEMCHANGED, OnItemChanged)
    END_MSG_MAP()

protected:
    LayoutRules_t LayoutRules() const override;
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    CCharSetEdit m_number;
    CNumericEdit m_profile;
    std::vector<LcrClipEntry> m_rows;

    HWND List() const { return GetDlgItem(IDC_LCR_CLIP_LIST); }
    void SetColumns();
    int InsertRow(const LcrClipEntry& entry);
    int FindNumber(const char* number) const;
    // Reads and checks the edits; false after the message.
    bool ReadInput(LcrClipEntry& entry);
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
};

// The callers' numbers treated specially for calls from GSM: a sorted list.
class CClipGsmPage : public CConfigPage<CClipGsmPage>
{
public:
    enum { IDD = IDD_CLIP_GSM };
    explicit CClipGsmPage(ConfigRecord* record) : CConfigPage<CClipGsmPage>(record) {}

    // The table, written whole in list order.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->clipGsm));
    }

    const std::vector<std::string>& Numbers() const { return m_numbers; }

    BEGIN_MSG_MAP(CClipGsmPage)
        CHAIN_MSG_MAP(CConfigPage<CClipGsmPage>)
        COMMAND_ID_HANDLER(IDC_LIST_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_LIST_CHANGE, OnChange)
        COMMAND_ID_HANDLER(IDC_LIST_DELETE, OnDelete)
        COMMAND_HANDLER(IDC_CLIP_GSM_LIST, LBN_SELCHANGE, OnSelected)
    END_MSG_MAP()

protected:
    LayoutRules_t LayoutRules() const override;
    void OnInitControls() override;
    void OnStored() override;

private:
    CCharSetEdit m_number;
    std::vector<std::string> m_numbers; // line i of the list, in order

    HWND List() const { return GetDlgItem(IDC_CLIP_GSM_LIST); }
    int Insert(const std::string& number);
    int Find(const std::string& number) const;
    bool ReadInput(std::string& number);
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnSelected(WORD, WORD, HWND, BOOL&);
};
