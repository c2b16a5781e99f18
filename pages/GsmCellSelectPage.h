#pragma once
#include "pages/ConfigPage.h"
#include "pages/CharSetEdit.h"
#include "res/RoutingPagesIds.h"
#include <vector>

struct GsmCellRecord;

// One configured or reported cell as texts: MCC 3, MNC 2, LAC 4 and cell id
// 4 characters.
struct GsmCellText
{
    char mcc[4];
    char mnc[3];
    char lac[5];
    char cellId[5];
};
bool operator==(const GsmCellText& a, const GsmCellText& b);

constexpr int GSM_CELL_MAX = 16;

// Up to 16 GSM cells and what the device does about them; the cells a module
// sees now are read from the device to be copied into the list.
class CGsmCellSelectPage : public CConfigPage<CGsmCellSelectPage>
{
public:
    enum { IDD = IDD_GSM_CELLS };
    explicit CGsmCellSelectPage(ConfigRecord* record) : CConfigPage<CGsmCellSelectPage>(record, &kFields) {}

    // The cell table, written whole.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->gsmCells));
    }

    static const FieldTable kFields;

    const std::vector<GsmCellText>& Cells() const { return m_cells; }
    const std::vector<GsmCellText>& OnlineCells() const { return m_online; }

    // The engine's answer to Read: the reported cells (count of them) or a failure.
    void OnCellsRead(bool ok);
    void ShowOnlineCells(bool ok, const GsmCellRecord* cells, int count);

    BEGIN_MSG_MAP(CGsmCellSelectPage)
        CHAIN_MSG_MAP(CConfigPage<CGsmCellSelectPage>)
        COMMAND_ID_HANDLER(IDC_CELL_ADD, OnAdd)
        COMMAND_ID_HANDLER(IDC_CELL_CHANGE, OnChange)
        COMMAND_ID_HANDLER(IDC_CELL_DELETE, OnDelete)
        COMMAND_ID_HANDLER(IDC_CELL_READ, OnRead)
        COMMAND_ID_HANDLER(IDC_CELL_COPY, OnCopy)
        NOTIFY_HANDLER(IDC_CELL_LIST, LVN_ITEMCHANGED, OnItemChanged)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    CCharSetEdit m_edits[4];
    std::vector<GsmCellText> m_cells;  // row i of the configured list
    std::vector<GsmCellText> m_online; // row i of the online list

    HWND List() const { return GetDlgItem(IDC_CELL_LIST); }
    HWND Online() const { return GetDlgItem(IDC_CELL_ONLINE); }
    void SetColumns();
    void FillModules();
    void ShowCell(HWND list, const GsmCellText& cell, int row, bool insert);
    int FindCell(const GsmCellText& cell) const;
    // The four edits, each padded with '0' to its width; false after the
    // message of the first empty one.
    bool ReadCell(GsmCellText& cell);
    void ReadPaddedField(UINT id, char* out, int width);
    int ModuleIndex() const;
    LRESULT OnAdd(WORD, WORD, HWND, BOOL&);
    LRESULT OnChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnRead(WORD, WORD, HWND, BOOL&);
    LRESULT OnCopy(WORD, WORD, HWND, BOOL&);
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
};
