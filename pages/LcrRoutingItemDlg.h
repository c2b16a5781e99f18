#pragma once
#include "wcl/WindowImpl.h"
#include "pages/CharSetEdit.h"
#include "pages/NumericEdit.h"
#include "record/LcrTables.h"
#include "res/RoutingPagesIds.h"
#include <vector>

// Edits one routing rule and its companion record: input line, number,
// digits to cut, insert and dial, and up to five targets with their AOC
// values and credit counters. The target list keeps each line's target as
// data; its texts are only shown.
class CLcrRoutingItemDlg : public CDialogImpl<CLcrRoutingItemDlg>
{
public:
    enum { IDD = IDD_LCR_ROUTING_ITEM };

    struct Target
    {
        uint8_t code;   // LcrLineCode, below 32 an outgoing group
        uint8_t aoc;    // group targets
        uint8_t credit; // LcrCreditCounter
    };

    // rows: the calling tab's rows, for the duplicate test; editedRow the
    // row being edited (-1 for a new rule). An edited rule's own incoming
    // group stays on offer when nothing uses it any more; a new rule's does
    // not.
    CLcrRoutingItemDlg(const LcrRuleEntry& entry, const ConfigRecord* record, const std::vector<LcrRuleEntry>* rows,
                       int editedRow);

    const LcrRuleEntry& Result() const { return m_entry; }
    const std::vector<Target>& Targets() const { return m_targets; }

    // The OK button's checks and writing; false (after its message, with the
    // focus on the refused control) keeps the dialog open.
    bool Accept();
    // The target buttons, as the user presses them.
    void AddTarget();
    void ChangeTarget();
    void DeleteTarget();
    void MoveTarget(int step);

    BEGIN_MSG_MAP(CLcrRoutingItemDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_ID_HANDLER(IDC_LCR_ITEM_ADD, OnTargetCommand)
        COMMAND_ID_HANDLER(IDC_LCR_ITEM_CHANGE, OnTargetCommand)
        COMMAND_ID_HANDLER(IDC_LCR_ITEM_DELETE, OnTargetCommand)
        COMMAND_ID_HANDLER(IDC_LCR_ITEM_UP, OnTargetCommand)
        COMMAND_ID_HANDLER(IDC_LCR_ITEM_DOWN, OnTargetCommand)
        COMMAND_HANDLER(IDC_LCR_ITEM_TARGETS, LBN_SELCHANGE, OnTargetSelected)
    END_MSG_MAP()

private:
    LcrRuleEntry m_entry;
    const ConfigRecord* m_pRecord;
    const std::vector<LcrRuleEntry>* m_rows;
    int m_editedRow;
    std::vector<Target> m_targets; // line i of the target list
    CCharSetEdit m_number;
    CCharSetEdit m_insert;
    CNumericEdit m_cut;
    CNumericEdit m_dial;
    CNumericEdit m_aoc;

    Target ChosenTarget(bool* chosen);
    int FindTarget(uint8_t code) const;
    void ShowTarget(int line, bool insert);
    void FillLineCombo();
    void FillTargetCombo();
    bool Refuse(UINT control, const char* key, const char* caption, const char* number = nullptr,
                const char* line = nullptr);

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
    LRESULT OnTargetCommand(WORD, WORD, HWND, BOOL&);
    LRESULT OnTargetSelected(WORD, WORD, HWND, BOOL&);
};
