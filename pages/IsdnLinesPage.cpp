#include "pages/IsdnLinesPage.h"
#include "wcl/WaitCursor.h"
#include "pages/PageMemories.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include <cstring>

namespace
{
constexpr uint8_t kTimeslotFree = 0x00;
constexpr uint8_t kTimeslotFraming = 0xF0;
constexpr uint8_t kTimeslotSignalling = 0xF1;
constexpr uint8_t kTimeslotBlocked = 0xF4;
constexpr int kTimeslotCount = 32;
constexpr int kTimeslotsLow = 16;

constexpr uint8_t kFlagCrc4 = 0x01;
constexpr uint8_t kFlagLongHaul = 0x02;
constexpr uint8_t kWiringMask = 0x0C;
constexpr int kWiringShift = 2;
constexpr uint8_t kHuntDownwards = 0x01;
constexpr uint8_t kHuntCyclic = 0x02;

// The link modes of the record and the protocol list's entries.
enum IsdnLinkMode : uint8_t
{
    MODE_DSS1_TE = 0,
    MODE_DSS1_NT = 1,
    MODE_QSIG_SLAVE = 2,
    MODE_QSIG_MASTER = 3,
    MODE_DISABLED = 0xFF,
};
enum LinkProtocol
{
    PROTOCOL_DSS1 = 0,
    PROTOCOL_QSIG = 1,
    PROTOCOL_DISABLED = 2,
};
const char* const kProtocolKeys[] = { "strIsdnLinkDss1", "strIsdnLinkQsig", "strIsdnLinkDisabled" };
constexpr uint32_t kSecondsPerMinute = 60;
constexpr int kCreditMaxMinutes = 44640; // 31 days

const UINT kCreditIds[kIsdnLinkCounters] = { IDC_LINK_CREDIT_0, IDC_LINK_CREDIT_1, IDC_LINK_CREDIT_2 };
const UINT kOldCreditIds[kIsdnLinkCounters] = { IDC_LINK_OLD_CREDIT_0, IDC_LINK_OLD_CREDIT_1, IDC_LINK_OLD_CREDIT_2 };

const FieldChoice kHunting[] = {
    { 0, nullptr, nullptr, IDC_LINK_UPWARDS },
    { kHuntDownwards, nullptr, nullptr, IDC_LINK_DOWNWARDS },
};
const FieldBinding kLinkRows[] = {
    Field::Bit(IDC_LINK_CRC4, offsetof(IsdnLinkSettings, flags), kFlagCrc4),
    Field::Radio(offsetof(IsdnLinkSettings, hunting), kHunting, kHuntDownwards, FB_SHARED),
    Field::Bit(IDC_LINK_CYCLIC, offsetof(IsdnLinkSettings, hunting), kHuntCyclic),
};

#define COUNTER(i, firstId, nextId, blockId) \
    Field::Number(firstId, offsetof(IsdnLinkCredit, firstUnit) + i, 1, 1, 255, 0, FB_NO_DEFAULT), \
    Field::Number(nextId, offsetof(IsdnLinkCredit, nextUnit) + i, 1, 1, 255, 0, FB_NO_DEFAULT), \
    Field::Check(blockId, offsetof(IsdnLinkCredit, block) + i, 0xFF, 0xFF, 0)
const FieldBinding kCreditRows[] = {
    COUNTER(0, IDC_LINK_FIRST_COUNT_0, IDC_LINK_NEXT_COUNT_0, IDC_LINK_BLOCK_0),
    COUNTER(1, IDC_LINK_FIRST_COUNT_1, IDC_LINK_NEXT_COUNT_1, IDC_LINK_BLOCK_1),
    COUNTER(2, IDC_LINK_FIRST_COUNT_2, IDC_LINK_NEXT_COUNT_2, IDC_LINK_BLOCK_2),
};
#undef COUNTER

UINT TimeslotBox(int timeslot)
{
    return timeslot < kTimeslotsLow ? IDC_LINK_TIMESLOT_LOW + timeslot
                                    : IDC_LINK_TIMESLOT_HIGH + (timeslot - kTimeslotsLow);
}

// The control's own disabled style; a tab that is not shown is disabled as
// a whole, its boxes are not.
bool BoxEnabled(HWND box)
{
    return !(::GetWindowLongA(box, GWL_STYLE) & WS_DISABLED);
}

int Checked(HWND page, UINT id)
{
    return ::IsDlgButtonChecked(page, (int)id) == BST_CHECKED;
}
}

const FieldTable CIsdnLinkTab::kLinkFields =
    MakeFieldTable(kLinkRows, offsetof(ConfigRecord, isdnLinks), sizeof(IsdnLinkSettings), kIsdnPageLinkCount);
const FieldTable CIsdnLinkTab::kCreditFields =
    MakeFieldTable(kCreditRows, offsetof(ConfigRecord, isdnCredit), sizeof(IsdnLinkCredit), kIsdnPageLinkCount);

int SignallingTimeslot(const IsdnLinkSettings& link)
{
    for (int t = 0; t < kTimeslotCount; ++t)
        if (link.timeslotState[t] == kTimeslotSignalling)
            return t;
    return -1;
}

LinkLayerValues ReadLinkLayer(const IsdnLinkSettings& link)
{
    LinkLayerValues v;
    v.longHaul = (link.flags & kFlagLongHaul) != 0;
    v.wiring = (link.flags & kWiringMask) >> kWiringShift;
    if (v.wiring > WIRING_NT)
        v.wiring = WIRING_BY_PROTOCOL;
    v.tei = link.tei;
    int signalling = SignallingTimeslot(link);
    v.signalling = signalling > 0 ? signalling : kDefaultSignallingTimeslot;
    return v;
}

void ApplyLinkLayer(IsdnLinkSettings& link, const LinkLayerValues& v)
{
    link.flags = (uint8_t)((link.flags & ~(kFlagLongHaul | kWiringMask)) | (v.longHaul ? kFlagLongHaul : 0) |
                           ((v.wiring << kWiringShift) & kWiringMask));
    link.tei = (uint8_t)v.tei;
    for (uint8_t& state : link.timeslotState)
        if (state == kTimeslotSignalling)
            state = kTimeslotFree;
    if (v.signalling > 0 && v.signalling < kTimeslotCount)
        link.timeslotState[v.signalling] = kTimeslotSignalling;
}

// --- expert dialog ------------------------------------------------------------

LRESULT CIsdnLinkLayerDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    g_Language.TranslateWindow(m_hWnd, true);
    char title[ENTITY_NAME_SIZE] = "";
    GetIsdnLinkName(m_index, title);
    SetWindowText(title);
    LinkLayerValues v = ReadLinkLayer(*m_link);
    ::CheckDlgButton(m_hWnd, IDC_LAYER_LONG_HAUL, v.longHaul ? BST_CHECKED : BST_UNCHECKED);
    ::CheckRadioButton(m_hWnd, IDC_LAYER_WIRING_PROTOCOL, IDC_LAYER_WIRING_NT, IDC_LAYER_WIRING_PROTOCOL + v.wiring);
    m_tei.SubclassWindow(GetDlgItem(IDC_LAYER_TEI));
    m_tei.SetRange(0, 127, CNumericEdit::kNoDefault);
    m_tei.SetValue(v.tei);
    m_signalling.SubclassWindow(GetDlgItem(IDC_LAYER_SIGNALLING));
    m_signalling.SetRange(1, kTimeslotCount - 1, kDefaultSignallingTimeslot);
    m_signalling.SetValue(v.signalling);
    return 1;
}

LRESULT CIsdnLinkLayerDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    g_Language.ReleaseWindowKeys(m_hWnd);
    bHandled = FALSE;
    return 0;
}

LRESULT CIsdnLinkLayerDlg::OnOk(WORD, WORD, HWND, BOOL&)
{
    LinkLayerValues v;
    v.longHaul = Checked(m_hWnd, IDC_LAYER_LONG_HAUL) != 0;
    v.wiring = Checked(m_hWnd, IDC_LAYER_WIRING_NT) ? WIRING_NT : Checked(m_hWnd, IDC_LAYER_WIRING_TE) ? WIRING_TE
                                                                                                  : WIRING_BY_PROTOCOL;
    v.tei = m_tei.GetValue();
    v.signalling = m_signalling.GetValue();
    ApplyLinkLayer(*m_link, v);
    EndDialog(IDOK);
    return 0;
}

LRESULT CIsdnLinkLayerDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDCANCEL);
    return 0;
}

// --- link tab -----------------------------------------------------------------

void CIsdnLinkTab::OnInitControls()
{
    IsdnLinkCredit& credit = m_pRecord->isdnCredit[m_link];
    if (credit.creditRestoreCode > 254)
    {
        // A link whose counters were never set starts restored on day 1,
        // with no credit and counting units of 1.
        credit.creditRestoreCode = 1;
        memset(credit.credit, 0, sizeof(credit.credit));
        memset(credit.oldCredit, 0, sizeof(credit.oldCredit));
        memset(credit.firstUnit, 1, sizeof(credit.firstUnit));
        memset(credit.nextUnit, 1, sizeof(credit.nextUnit));
    }
    FillProtocols();
    m_restore.Attach(m_hWnd, { IDC_LINK_RESTORE_DAY, IDC_LINK_RESTORE_WEEKDAY, IDC_LINK_RESTORE_WEEKLY,
                               IDC_LINK_RESTORE_DAY_VALUE, IDC_LINK_RESTORE_WEEK, IDC_LINK_RESTORE_WEEKDAY_LIST });
    for (int i = 0; i < kIsdnLinkCounters; ++i)
    {
        m_credit[i].SubclassWindow(GetDlgItem(kCreditIds[i]));
        m_credit[i].SetRange(0, kCreditMaxMinutes, CNumericEdit::kNoDefault);
        m_oldCredit[i].SubclassWindow(GetDlgItem(kOldCreditIds[i]));
        m_oldCredit[i].SetRange(0, kCreditMaxMinutes, CNumericEdit::kNoDefault);
    }
}

void CIsdnLinkTab::FillProtocols()
{
    HWND list = GetDlgItem(IDC_LINK_PROTOCOL);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int p = PROTOCOL_DSS1; p <= PROTOCOL_DISABLED; ++p)
    {
        char text[128];
        g_Language.GetString(kProtocolKeys[p], text, sizeof(text));
        CFieldBinder::AddEntry(list, text, p);
    }
}

void CIsdnLinkTab::SetSideTexts()
{
    bool qsig = CFieldBinder::SelectedCode(GetDlgItem(IDC_LINK_PROTOCOL)) == PROTOCOL_QSIG;
    char text[128];
    g_Language.GetString(qsig ? "strIsdnLinkMaster" : "strIsdnLinkNT", text, sizeof(text));
    SetDlgItemText(IDC_LINK_SIDE_NT, text);
    g_Language.GetString(qsig ? "strIsdnLinkSlave" : "strIsdnLinkTE", text, sizeof(text));
    SetDlgItemText(IDC_LINK_SIDE_TE, text);
}

void CIsdnLinkTab::OnFilled()
{
    const IsdnLinkSettings& link = m_pRecord->isdnLinks[m_link];
    const IsdnLinkCredit& credit = m_pRecord->isdnCredit[m_link];

    // A mode the page does not know selects no protocol and is kept.
    int protocol = -1;
    switch (link.linkMode)
    {
    case MODE_DSS1_TE:
    case MODE_DSS1_NT: protocol = PROTOCOL_DSS1; break;
    case MODE_QSIG_SLAVE:
    case MODE_QSIG_MASTER: protocol = PROTOCOL_QSIG; break;
    case MODE_DISABLED: protocol = PROTOCOL_DISABLED; break;
    default: break;
    }
    CFieldBinder::SelectByCode(GetDlgItem(IDC_LINK_PROTOCOL), protocol);
    bool nt = link.linkMode == MODE_DSS1_NT || link.linkMode == MODE_QSIG_MASTER;
    ::CheckRadioButton(m_hWnd, IDC_LINK_SIDE_NT, IDC_LINK_SIDE_TE, nt ? IDC_LINK_SIDE_NT : IDC_LINK_SIDE_TE);
    SetSideTexts();

    int signalling = SignallingTimeslot(link);
    for (int t = 0; t < kTimeslotCount; ++t)
    {
        HWND box = GetDlgItem(TimeslotBox(t));
        ::SendMessageA(box, BM_SETCHECK, link.timeslotState[t] == kTimeslotBlocked ? BST_CHECKED : BST_UNCHECKED, 0);
        ::EnableWindow(box, t != 0 && t != signalling);
    }

    m_restore.Show(credit.creditRestoreCode);

    for (int i = 0; i < kIsdnLinkCounters; ++i)
    {
        m_credit[i].SetValue((int)(credit.credit[i] / kSecondsPerMinute));
        m_oldCredit[i].SetValue((int)(credit.oldCredit[i] / kSecondsPerMinute));
    }
}

void CIsdnLinkTab::OnStored()
{
    IsdnLinkSettings& link = m_pRecord->isdnLinks[m_link];
    IsdnLinkCredit& credit = m_pRecord->isdnCredit[m_link];

    bool nt = Checked(m_hWnd, IDC_LINK_SIDE_NT) != 0;
    switch (CFieldBinder::SelectedCode(GetDlgItem(IDC_LINK_PROTOCOL)))
    {
    case PROTOCOL_DSS1: link.linkMode = nt ? MODE_DSS1_NT : MODE_DSS1_TE; break;
    case PROTOCOL_QSIG: link.linkMode = nt ? MODE_QSIG_MASTER : MODE_QSIG_SLAVE; break;
    case PROTOCOL_DISABLED: link.linkMode = MODE_DISABLED; break;
    default: break; // a mode no protocol stands for is kept until one is chosen
    }

    // The boxes the user cannot change (timeslot 0, the signalling channel)
    // keep their timeslots' states.
    link.timeslotState[0] = kTimeslotFraming;
    for (int t = 1; t < kTimeslotCount; ++t)
    {
        HWND box = GetDlgItem(TimeslotBox(t));
        if (BoxEnabled(box))
            link.timeslotState[t] =
                ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? kTimeslotBlocked : kTimeslotFree;
    }

    credit.creditRestoreCode = m_restore.Code();

    for (int i = 0; i < kIsdnLinkCounters; ++i)
    {
        credit.credit[i] = CreditSeconds(credit.credit[i], m_credit[i].GetValue());
        credit.oldCredit[i] = CreditSeconds(credit.oldCredit[i], m_oldCredit[i].GetValue());
    }
}

// The mode built from protocol and side, the timeslot states, the restore
// rule built from its controls, the credits in seconds, and the counters a
// link never set starts with.
void CIsdnLinkTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    const IsdnLinkSettings& link = m_pRecord->isdnLinks[m_link];
    const IsdnLinkCredit& credit = m_pRecord->isdnCredit[m_link];
    runs.insert(runs.end(), { RunOf(m_pRecord, link.linkMode), RunOf(m_pRecord, link.timeslotState),
                              RunOf(m_pRecord, credit.credit), RunOf(m_pRecord, credit.oldCredit),
                              RunOf(m_pRecord, credit.firstUnit), RunOf(m_pRecord, credit.nextUnit),
                              RunOf(m_pRecord, credit.creditRestoreCode) });
}

void CIsdnLinkTab::OnLanguageChanged()
{
    CBoundTab<CIsdnLinkTab>::OnLanguageChanged();
    HWND protocols = GetDlgItem(IDC_LINK_PROTOCOL);
    int protocol = CFieldBinder::SelectedCode(protocols);
    FillProtocols();
    CFieldBinder::SelectByCode(protocols, protocol);
    SetSideTexts();
    m_restore.RefillWeekdays();
}

void CIsdnLinkTab::BlockEnabledTimeslots(bool block)
{
    for (int t = 0; t < kTimeslotCount; ++t)
    {
        HWND box = GetDlgItem(TimeslotBox(t));
        if (BoxEnabled(box))
            ::SendMessageA(box, BM_SETCHECK, block ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

LRESULT CIsdnLinkTab::OnProtocolChanged(WORD, WORD, HWND, BOOL&)
{
    SetSideTexts();
    return 0;
}

LRESULT CIsdnLinkTab::OnBlockAll(WORD, WORD, HWND, BOOL&)
{
    BlockEnabledTimeslots(true);
    return 0;
}

LRESULT CIsdnLinkTab::OnUnblockAll(WORD, WORD, HWND, BOOL&)
{
    BlockEnabledTimeslots(false);
    return 0;
}

LRESULT CIsdnLinkTab::OnExpert(WORD, WORD, HWND, BOOL&)
{
    IsdnLinkSettings copy = m_pRecord->isdnLinks[m_link];
    CIsdnLinkLayerDlg dialog(&copy, m_link);
    if (dialog.DoModal(m_hWnd) != IDOK)
        return 0;
    m_pRecord->isdnLinks[m_link] = copy;
    int signalling = SignallingTimeslot(copy);
    for (int t = 1; t < kTimeslotCount; ++t)
    {
        HWND box = GetDlgItem(TimeslotBox(t));
        if (t == signalling)
        {
            ::SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
            ::EnableWindow(box, FALSE);
        }
        else if (!BoxEnabled(box))
        {
            ::EnableWindow(box, TRUE);
        }
    }
    return 0;
}

LRESULT CIsdnLinkTab::OnRestoreKind(WORD, WORD, HWND, BOOL&)
{
    m_restore.ShowKindFields();
    return 0;
}

// --- lines page ---------------------------------------------------------------

void CIsdnLinesPage::OnInitControls()
{
    m_host.SubclassWindow(GetDlgItem(IDC_ISDNLINES_TABS));
    CWaitCursor wait;
    int remembered = g_LastIsdnLinesTab >= 0 && g_LastIsdnLinesTab < kIsdnPageLinkCount ? g_LastIsdnLinesTab : 0;
    for (int k = 0; k < kIsdnPageLinkCount; ++k)
    {
        m_tabs[k].reset(new CIsdnLinkTab(m_pRecord, k));
        HWND tab = m_tabs[k]->Create(m_hWnd);
        char title[ENTITY_NAME_SIZE] = "";
        GetIsdnLinkName(k, title);
        m_host.AddPage(tab, title, -1, 0, k == remembered);
    }
}

void CIsdnLinesPage::OnStored()
{
    if (m_host.GetCurrentIndex() >= 0)
        g_LastIsdnLinesTab = m_host.GetCurrentIndex();
    StoreTabs();
}

void CIsdnLinesPage::OnTextsChanged()
{
    for (int k = 0; k < kIsdnPageLinkCount; ++k)
    {
        char title[ENTITY_NAME_SIZE] = "";
        GetIsdnLinkName(k, title);
        m_host.SetTabText(k, title);
        if (m_tabs[k] && ::IsWindow(m_tabs[k]->m_hWnd))
            m_tabs[k]->OnLanguageChanged();
    }
}
