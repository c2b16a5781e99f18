#include "pages/GsmCardPage.h"
#include "pages/GroupFunctions.h"
#include "pages/PageMemories.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
constexpr uint8_t kModuleEnabled = 1;
constexpr uint8_t kSim2InUse = 1;
constexpr int kVolumeZero = 128;
constexpr int kVolumeMin = -6;
constexpr int kVolumeMax = 12;
constexpr int kMaxCreditMinutes = 44640;
constexpr uint32_t kUnsetCredit = 0xFFFFFFFF;
constexpr uint8_t kUnsetRestoreCode = 0xFF;
constexpr size_t kPinSize = sizeof(GsmModuleRec::pin);
constexpr int kSims = 2;
// The flag bits the tab has boxes for; Store builds the byte from them alone.
constexpr uint8_t kModuleFlagBits = 0x1F;

#define SIM(member) offsetof(GsmModuleRec, member)

// Counter i's first and next count units and block flag, per SIM.
#define COUNTER_FIELDS(first, next, block, firstOfs, nextOfs, blockOfs)                      \
    Field::Number(first, SIM(firstOfs), 1, 1, 255, 1, FB_NO_DEFAULT),                        \
        Field::Number(next, SIM(nextOfs), 1, 1, 255, 1, FB_NO_DEFAULT),                      \
        Field::Check(block, SIM(blockOfs), 0xFF, 0xFF, 0)

const FieldBinding kSim1Rows[] = {
    Field::Check(IDC_GSM_DISABLE, SIM(state), 0xFF, 0xFF, kModuleEnabled),
    Field::Bit(IDC_GSM_ROAMING, SIM(flags), 0x01),
    Field::Bit(IDC_GSM_ECHO_CANCEL, SIM(flags), 0x02),
    Field::Bit(IDC_GSM_CLIR, SIM(flags), 0x04),
    Field::Bit(IDC_GSM_AMR, SIM(flags), 0x08),
    Field::Bit(IDC_GSM_DTMF, SIM(flags), 0x10),
    COUNTER_FIELDS(IDC_SIM1_FIRST0, IDC_SIM1_NEXT0, IDC_SIM1_BLOCK0, firstUnit0, nextUnit0, block0),
    COUNTER_FIELDS(IDC_SIM1_FIRST1, IDC_SIM1_NEXT1, IDC_SIM1_BLOCK1, firstUnit1, nextUnit1, block1),
    COUNTER_FIELDS(IDC_SIM1_FIRST2, IDC_SIM1_NEXT2, IDC_SIM1_BLOCK2, firstUnit2, nextUnit2, block2),
};
const FieldBinding kSim2Rows[] = {
    Field::Check(IDC_GSM_SIM2_USED, SIM(state), 0xFF, kSim2InUse, 0xFF),
    COUNTER_FIELDS(IDC_SIM2_FIRST0, IDC_SIM2_NEXT0, IDC_SIM2_BLOCK0, firstUnit0, nextUnit0, block0),
    COUNTER_FIELDS(IDC_SIM2_FIRST1, IDC_SIM2_NEXT1, IDC_SIM2_BLOCK1, firstUnit1, nextUnit1, block1),
    COUNTER_FIELDS(IDC_SIM2_FIRST2, IDC_SIM2_NEXT2, IDC_SIM2_BLOCK2, firstUnit2, nextUnit2, block2),
};
const FieldBinding kGroupRows[] = {
    Field::OwnList(IDC_GROUP_IN, offsetof(ModuleGroupAssign, inGroup)),
    Field::OwnList(IDC_GROUP_OUT, offsetof(ModuleGroupAssign, outGroup)),
    Field::OwnList(IDC_GROUP_OUT2, offsetof(ModuleGroupAssign, outGroup2)),
};
#undef COUNTER_FIELDS
#undef SIM

const UINT kGroupLists[] = { IDC_GROUP_IN, IDC_GROUP_OUT, IDC_GROUP_OUT2 };
const GroupDirection kGroupDirections[] = { GroupDirection::In, GroupDirection::Out, GroupDirection::Out };

// The controls of one SIM.
struct SimIds
{
    UINT pin;
    CreditRestoreIds restore;
    UINT credit[3], oldCredit[3], first[3], next[3], block[3];
};
const SimIds kSimIds[kSims] = {
    { IDC_SIM1_PIN,
      { IDC_SIM1_DAY_RADIO, IDC_SIM1_WEEKDAY_RADIO, IDC_SIM1_WEEKLY_RADIO, IDC_SIM1_DAY, IDC_SIM1_WEEK, IDC_SIM1_WEEKDAY },
      { IDC_SIM1_CREDIT0, IDC_SIM1_CREDIT1, IDC_SIM1_CREDIT2 },
      { IDC_SIM1_OLD0, IDC_SIM1_OLD1, IDC_SIM1_OLD2 }, { IDC_SIM1_FIRST0, IDC_SIM1_FIRST1, IDC_SIM1_FIRST2 },
      { IDC_SIM1_NEXT0, IDC_SIM1_NEXT1, IDC_SIM1_NEXT2 }, { IDC_SIM1_BLOCK0, IDC_SIM1_BLOCK1, IDC_SIM1_BLOCK2 } },
    { IDC_SIM2_PIN,
      { IDC_SIM2_DAY_RADIO, IDC_SIM2_WEEKDAY_RADIO, IDC_SIM2_WEEKLY_RADIO, IDC_SIM2_DAY, IDC_SIM2_WEEK, IDC_SIM2_WEEKDAY },
      { IDC_SIM2_CREDIT0, IDC_SIM2_CREDIT1, IDC_SIM2_CREDIT2 },
      { IDC_SIM2_OLD0, IDC_SIM2_OLD1, IDC_SIM2_OLD2 }, { IDC_SIM2_FIRST0, IDC_SIM2_FIRST1, IDC_SIM2_FIRST2 },
      { IDC_SIM2_NEXT0, IDC_SIM2_NEXT1, IDC_SIM2_NEXT2 }, { IDC_SIM2_BLOCK0, IDC_SIM2_BLOCK1, IDC_SIM2_BLOCK2 } },
};

uint32_t& Credit(GsmModuleRec& r, int i)
{
    return i == 0 ? r.credit0 : i == 1 ? r.credit1 : r.credit2;
}
uint32_t& OldCredit(GsmModuleRec& r, int i)
{
    return i == 0 ? r.oldCredit0 : i == 1 ? r.oldCredit1 : r.oldCredit2;
}

// A counter never set starts empty, counting in single units.
void InitCounter(GsmModuleRec& r, int i)
{
    Credit(r, i) = 0;
    OldCredit(r, i) = 0;
    uint8_t* first[] = { &r.firstUnit0, &r.firstUnit1, &r.firstUnit2 };
    uint8_t* next[] = { &r.nextUnit0, &r.nextUnit1, &r.nextUnit2 };
    *first[i] = 1;
    *next[i] = 1;
}

void SetEnabled(HWND w, bool on)
{
    if (w)
        ::EnableWindow(w, on ? TRUE : FALSE);
}
}

// --- apply dialog ---------------------------------------------------------------

uint32_t ApplyDialogOffered(const ConfigRecord* rec, int module)
{
    uint32_t offered = 0;
    for (int n = 0; n < (int)CFG_MODULE_COUNT; ++n)
        if (n != module && rec->cardSlots[n / 4].cardType == CARD_GSM)
            offered |= 1u << n;
    return offered;
}

uint32_t ApplyDialogChecked(const ConfigRecord* rec, int module, uint32_t selection)
{
    return ApplyDialogOffered(rec, module) & selection;
}

LRESULT CGsmModuleApplyDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    g_Language.TranslateWindow(m_hWnd, false);
    HWND parent = ::GetParent(m_hWnd);
    RECT rp, rc;
    if (parent && ::GetWindowRect(parent, &rp) && ::GetWindowRect(m_hWnd, &rc))
        ::SetWindowPos(m_hWnd, NULL, (rp.left + rp.right - (rc.right - rc.left)) / 2,
                       (rp.top + rp.bottom - (rc.bottom - rc.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    uint32_t offered = ApplyDialogOffered(m_pRecord, m_module);
    uint32_t checked = ApplyDialogChecked(m_pRecord, m_module, m_selection);
    for (int n = 0; n < (int)CFG_MODULE_COUNT; ++n)
    {
        char number[16];
        FormatText(number, sizeof(number), "%d", n + (int)g_Settings.ChannelIndexOffset);
        ::SetDlgItemTextA(m_hWnd, IDC_APPLY_LABEL_FIRST + n, number);
        bool onGsm = n == m_module || (offered & (1u << n));
        ::EnableWindow(GetDlgItem(IDC_APPLY_LABEL_FIRST + n), onGsm);
        ::EnableWindow(GetDlgItem(IDC_APPLY_BOX_FIRST + n), n != m_module && onGsm);
        ::CheckDlgButton(m_hWnd, IDC_APPLY_BOX_FIRST + n, (checked & (1u << n)) ? BST_CHECKED : BST_UNCHECKED);
    }
    return 1;
}

LRESULT CGsmModuleApplyDlg::OnSelectAll(WORD, WORD id, HWND, BOOL&)
{
    for (int n = 0; n < (int)CFG_MODULE_COUNT; ++n)
        if (::IsWindowEnabled(GetDlgItem(IDC_APPLY_BOX_FIRST + n)))
            ::CheckDlgButton(m_hWnd, IDC_APPLY_BOX_FIRST + n, id == IDC_APPLY_SELECT_ALL ? BST_CHECKED : BST_UNCHECKED);
    return 0;
}

LRESULT CGsmModuleApplyDlg::OnOk(WORD, WORD, HWND, BOOL&)
{
    m_selection = 1u << m_module;
    for (int n = 0; n < (int)CFG_MODULE_COUNT; ++n)
        if (::IsDlgButtonChecked(m_hWnd, IDC_APPLY_BOX_FIRST + n) == BST_CHECKED)
            m_selection |= 1u << n;
    EndDialog(IDOK);
    return 0;
}

LRESULT CGsmModuleApplyDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDCANCEL);
    return 0;
}

// --- module tab -----------------------------------------------------------------

const FieldTable CGsmModuleTab::kSim1Fields =
    MakeFieldTable(kSim1Rows, CFG_OFS_GSM_SIM1, sizeof(GsmModuleRec), CFG_MODULE_COUNT);
const FieldTable CGsmModuleTab::kSim2Fields =
    MakeFieldTable(kSim2Rows, CFG_OFS_GSM_SIM2, sizeof(GsmModuleRec), CFG_MODULE_COUNT);
const FieldTable CGsmModuleTab::kGroupFields =
    MakeFieldTable(kGroupRows, CFG_OFS_MODULE_GROUPS, sizeof(ModuleGroupAssign), CFG_MODULE_COUNT);

void CGsmModuleTab::FillGroupLists(bool keep)
{
    for (int i = 0; i < 3; ++i)
    {
        if (keep)
            RefillGroupList(Item(kGroupLists[i]), m_pRecord, kGroupDirections[i], CARD_GSM);
        else
            FillGroupList(Item(kGroupLists[i]), m_pRecord, kGroupDirections[i], CARD_GSM);
    }
}

void CGsmModuleTab::ShowSim2Title()
{
    // Room for the SIM 2 box that sits on the group box's title.
    char text[ENTITY_NAME_SIZE] = "";
    g_Language.GetString("strGsmModuleSim2", text, sizeof(text));
    char title[ENTITY_NAME_SIZE + 8];
    FormatText(title, sizeof(title), "      %s", text);
    ::SetWindowTextA(Item(IDC_GSM_SIM2_BOX), title);
}

void CGsmModuleTab::OnInitControls()
{
    for (int v = 0; v < 2; ++v)
    {
        m_volume[v].SubclassWindow(Item(v == 0 ? IDC_GSM_VOLUME_TX : IDC_GSM_VOLUME_RX));
        m_volume[v].SetRange(kVolumeMin, kVolumeMax, CNumericEdit::kNoDefault);
    }
    for (int s = 0; s < kSims; ++s)
    {
        const SimIds& ids = kSimIds[s];
        SimEdits& e = m_sim[s];
        e.restore.Attach(m_hWnd, ids.restore);
        for (int i = 0; i < kCounters; ++i)
        {
            e.credit[i].SubclassWindow(Item(ids.credit[i]));
            e.credit[i].SetRange(0, kMaxCreditMinutes, CNumericEdit::kNoDefault);
            e.oldCredit[i].SubclassWindow(Item(ids.oldCredit[i]));
            e.oldCredit[i].SetRange(0, kMaxCreditMinutes, CNumericEdit::kNoDefault);
        }
        ::SendMessageA(Item(ids.pin), EM_LIMITTEXT, kPinSize, 0);
    }
    FillGroupLists(false);
    ShowSim2Title();

    // A SIM 2 never set starts not in use, restored on day 1 with empty
    // counters that block calls; counters 1 and 2 of either SIM never set
    // start empty. The next commit carries them. "Not in use" alone is no
    // sign of a record never set: the tab stores it for a SIM 2 turned off,
    // whose fields it keeps, so the restore rule that no store leaves unset
    // tells the two apart.
    GsmModuleRec& sim2 = Sim(1);
    if (sim2.state == 0xFF && sim2.creditRestoreCode == kUnsetRestoreCode)
    {
        sim2.creditRestoreCode = 1;
        for (int i = 0; i < kCounters; ++i)
            InitCounter(sim2, i);
        sim2.block0 = sim2.block1 = sim2.block2 = 0xFF;
    }
    for (int s = 0; s < kSims; ++s)
        for (int i = 1; i < kCounters; ++i)
            if (Credit(Sim(s), i) == kUnsetCredit)
                InitCounter(Sim(s), i);
}

void CGsmModuleTab::ShowSim(int s)
{
    const SimIds& ids = kSimIds[s];
    SimEdits& e = m_sim[s];
    GsmModuleRec& r = Sim(s);

    char pin[kPinSize + 1] = "";
    size_t n = 0;
    while (n < kPinSize && r.pin[n] >= '0' && r.pin[n] <= '9')
    {
        pin[n] = (char)r.pin[n];
        ++n;
    }
    pin[n] = '\0';
    ::SetWindowTextA(Item(ids.pin), pin);

    e.restore.Show(r.creditRestoreCode);

    for (int i = 0; i < kCounters; ++i)
    {
        e.credit[i].SetValue((int)(Credit(r, i) / 60 > (uint32_t)kMaxCreditMinutes ? kMaxCreditMinutes : Credit(r, i) / 60));
        e.oldCredit[i].SetValue(
            (int)(OldCredit(r, i) / 60 > (uint32_t)kMaxCreditMinutes ? kMaxCreditMinutes : OldCredit(r, i) / 60));
    }
}

void CGsmModuleTab::OnFilled()
{
    GsmModuleRec& sim1 = Sim(0);
    uint8_t volume[2] = { sim1.txVolume, sim1.rxVolume };
    for (int v = 0; v < 2; ++v)
    {
        int level = volume[v] - kVolumeZero;
        m_volume[v].SetValue(level >= kVolumeMin && level <= kVolumeMax ? level : 0);
    }
    for (int s = 0; s < kSims; ++s)
        ShowSim(s);
    EnableSim2();
}

void CGsmModuleTab::EnableSim2()
{
    bool on = IsChecked(IDC_GSM_SIM2_USED);
    const SimIds& ids = kSimIds[1];
    SetEnabled(Item(ids.pin), on);
    m_sim[1].restore.Enable(on);
    for (int i = 0; i < kCounters; ++i)
    {
        const UINT counter[] = { ids.credit[i], ids.oldCredit[i], ids.first[i], ids.next[i], ids.block[i] };
        for (UINT id : counter)
            SetEnabled(Item(id), on);
    }
    for (UINT id = IDC_SIM2_LABEL_FIRST; id < IDC_SIM2_LABEL_FIRST + 10; ++id)
        SetEnabled(Item(id), on);
}

void CGsmModuleTab::StoreSim(int s)
{
    const SimIds& ids = kSimIds[s];
    SimEdits& e = m_sim[s];
    GsmModuleRec& r = Sim(s);

    char pin[kPinSize + 1] = "";
    ::GetWindowTextA(Item(ids.pin), pin, sizeof(pin));
    memset(r.pin, 0xFF, kPinSize);
    memcpy(r.pin, pin, strlen(pin));

    r.creditRestoreCode = e.restore.Code();

    for (int i = 0; i < kCounters; ++i)
    {
        Credit(r, i) = CreditSeconds(Credit(r, i), e.credit[i].GetValue());
        OldCredit(r, i) = CreditSeconds(OldCredit(r, i), e.oldCredit[i].GetValue());
    }
}

void CGsmModuleTab::OnStored()
{
    GsmModuleRec& sim1 = Sim(0);
    sim1.flags &= kModuleFlagBits;
    sim1.txVolume = (uint8_t)(m_volume[0].GetValue() + kVolumeZero);
    sim1.rxVolume = (uint8_t)(m_volume[1].GetValue() + kVolumeZero);
    for (int s = 0; s < kSims; ++s)
        StoreSim(s);
}

void CGsmModuleTab::Load()
{
    // Shows the records as they are now; records never set are not set
    // again (the copied ones were just stored).
    Fill();
    OnFilled();
}

// Per SIM the PIN, the restore rule and the credits built from their
// controls, with the counters a SIM never set starts with; SIM 1's volumes
// and the flag bits that have no box.
void CGsmModuleTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    const GsmModuleRec* sims[kSims] = { &m_pRecord->gsmSim1[m_module], &m_pRecord->gsmSim2[m_module] };
    runs.insert(runs.end(), { RunOf(m_pRecord, sims[0]->flags), RunOf(m_pRecord, sims[0]->txVolume),
                              RunOf(m_pRecord, sims[0]->rxVolume) });
    for (const GsmModuleRec* r : sims)
        runs.insert(runs.end(), { RunOf(m_pRecord, r->pin), RunOf(m_pRecord, r->creditRestoreCode),
                                  RunOf(m_pRecord, r->credit0), RunOf(m_pRecord, r->oldCredit0),
                                  RunOf(m_pRecord, r->credit1), RunOf(m_pRecord, r->oldCredit1),
                                  RunOf(m_pRecord, r->credit2), RunOf(m_pRecord, r->oldCredit2) });
}

void CGsmModuleTab::OnLanguageChanged()
{
    FillGroupLists(true);
    for (SimEdits& e : m_sim)
        e.restore.RefillWeekdays();
    ShowSim2Title();
}

LRESULT CGsmModuleTab::OnReload(UINT, WPARAM, LPARAM, BOOL&)
{
    Load();
    return 0;
}

LRESULT CGsmModuleTab::OnApply(WORD, WORD, HWND, BOOL&)
{
    Store();
    CGsmModuleApplyDlg dlg(m_module, m_pRecord, g_GsmApplySelection);
    if (dlg.DoModal(::GetActiveWindow()) != IDOK)
        return 0;
    g_GsmApplySelection = dlg.Selection();
    uint32_t changed = ApplyModuleSettings(m_pRecord, m_module, g_GsmApplySelection);
    m_owner->ReloadTabs(changed);
    return 0;
}

LRESULT CGsmModuleTab::OnSim2Used(WORD, WORD, HWND, BOOL&)
{
    EnableSim2();
    return 0;
}

LRESULT CGsmModuleTab::OnRestoreKind(WORD, WORD id, HWND, BOOL&)
{
    m_sim[id >= IDC_SIM2_DAY_RADIO ? 1 : 0].restore.ShowKindFields();
    EnableSim2();
    return 0;
}

LRESULT CGsmModuleTab::OnExclusiveBox(WORD, WORD id, HWND, BOOL&)
{
    // Echo cancellation and DTMF retransmission exclude each other.
    UINT other = id == IDC_GSM_ECHO_CANCEL ? IDC_GSM_DTMF : IDC_GSM_ECHO_CANCEL;
    if (IsChecked(id) && IsChecked(other))
        SetCheck(other, false);
    return 0;
}

// --- card page ------------------------------------------------------------------

CGsmCardPage::CGsmCardPage(ConfigRecord* record, int firstModule)
    : CCardTabsPage<CGsmCardPage, CGsmModuleTab>(record, firstModule, g_LastGsmCardTab, &GetModuleName)
{
}

void CGsmCardPage::ReloadTabs(uint32_t changed)
{
    for (int i = 0; i < kTabs; ++i)
    {
        CGsmModuleTab* tab = Tab(i);
        if (tab && tab->m_hWnd && (changed & (1u << tab->Module())))
            ::SendMessageA(tab->m_hWnd, WMU_GSM_TAB_RELOAD, 0, 0);
    }
}
