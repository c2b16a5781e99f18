#pragma once
#include "pages/CardTabsPage.h"
#include "pages/BoundTab.h"
#include "pages/NumericEdit.h"
#include "pages/CreditRestoreControls.h"

class CGsmCardPage;

// Sent to a module tab after another tab copied its settings into the
// tab's module: the tab shows the record again. Only tab windows get it.
constexpr UINT WMU_GSM_TAB_RELOAD = WM_APP + 5;

// The modules the apply dialog offers (bit n: module n on a GSM card, the
// source module left out) and those it shows checked.
uint32_t ApplyDialogOffered(const ConfigRecord* rec, int module);
uint32_t ApplyDialogChecked(const ConfigRecord* rec, int module, uint32_t selection);

// The modal dialog choosing the modules that get one module's settings.
class CGsmModuleApplyDlg : public CDialogImpl<CGsmModuleApplyDlg>
{
public:
    enum { IDD = IDD_GSM_APPLY };
    CGsmModuleApplyDlg(int module, const ConfigRecord* record, uint32_t selection)
        : m_module(module), m_pRecord(record), m_selection(selection)
    {
    }
    // After OK: the checked modules, the source module included.
    uint32_t Selection() const { return m_selection; }

    BEGIN_MSG_MAP(CGsmModuleApplyDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_APPLY_SELECT_ALL, OnSelectAll)
        COMMAND_ID_HANDLER(IDC_APPLY_DESELECT_ALL, OnSelectAll)
        COMMAND_ID_HANDLER(IDOK, OnOk)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

private:
    int m_module;
    const ConfigRecord* m_pRecord;
    uint32_t m_selection;

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelectAll(WORD, WORD id, HWND, BOOL&);
    LRESULT OnOk(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};

// One GSM module: its settings, groups and both SIM cards.
class CGsmModuleTab : public CBoundTab<CGsmModuleTab>
{
public:
    enum { IDD = IDD_GSM_MODULE_TAB };
    CGsmModuleTab(CGsmCardPage* owner, ConfigRecord* record, int module)
        : CBoundTab<CGsmModuleTab>(record), m_owner(owner), m_module(module)
    {
    }

    static const FieldTable kSim1Fields, kSim2Fields, kGroupFields;

    // Shows the module's records again (after another module's settings
    // were copied here).
    void Load();
    void OnLanguageChanged() override;
    void OwnWrites(std::vector<ByteRun>& runs) const override;
    int Module() const { return m_module; }

    BEGIN_MSG_MAP(CGsmModuleTab)
        CHAIN_MSG_MAP(CBoundTab<CGsmModuleTab>)
        MESSAGE_HANDLER(WMU_GSM_TAB_RELOAD, OnReload)
        COMMAND_ID_HANDLER(IDC_GSM_APPLY, OnApply)
        COMMAND_ID_HANDLER(IDC_GSM_SIM2_USED, OnSim2Used)
        COMMAND_RANGE_HANDLER(IDC_SIM1_DAY_RADIO, IDC_SIM1_WEEKLY_RADIO, OnRestoreKind)
        COMMAND_RANGE_HANDLER(IDC_SIM2_DAY_RADIO, IDC_SIM2_WEEKLY_RADIO, OnRestoreKind)
        COMMAND_ID_HANDLER(IDC_GSM_ECHO_CANCEL, OnExclusiveBox)
        COMMAND_ID_HANDLER(IDC_GSM_DTMF, OnExclusiveBox)
    END_MSG_MAP()

protected:
    FieldTables Fields() const override
    {
        return { { &kSim1Fields, (uint32_t)m_module }, { &kSim2Fields, (uint32_t)m_module },
                 { &kGroupFields, (uint32_t)m_module } };
    }
    void OnInitControls() override;
    void OnFilled() override;
    void OnStored() override;

private:
    enum { kCounters = 3 };
    struct SimEdits
    {
        CCreditRestoreControls restore;
        CNumericEdit credit[kCounters], oldCredit[kCounters];
    };
    CGsmCardPage* m_owner;
    int m_module;
    CNumericEdit m_volume[2];
    SimEdits m_sim[2];

    GsmModuleRec& Sim(int s) { return s == 0 ? m_pRecord->gsmSim1[m_module] : m_pRecord->gsmSim2[m_module]; }
    void FillGroupLists(bool keep);
    void ShowSim(int sim);
    void StoreSim(int sim);
    void EnableSim2();
    void ShowSim2Title();

    LRESULT OnReload(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnApply(WORD, WORD, HWND, BOOL&);
    LRESULT OnSim2Used(WORD, WORD, HWND, BOOL&);
    LRESULT OnRestoreKind(WORD, WORD id, HWND, BOOL&);
    LRESULT OnExclusiveBox(WORD, WORD id, HWND, BOOL&);
};

// The GSM card of a slot, one tab per module.
class CGsmCardPage : public CCardTabsPage<CGsmCardPage, CGsmModuleTab>
{
public:
    enum { IDD = IDD_GSM_CARD };
    CGsmCardPage(ConfigRecord* record, int firstModule);

    // After module from's settings went to the modules of changed: the
    // shown tabs of those modules show them.
    void ReloadTabs(uint32_t changed);
};
