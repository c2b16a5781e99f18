#include "pages/GroupPages.h"
#include "pages/PageMemories.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <new>
#include <cstring>

namespace
{
const char kDialChars[] = "0123456789*#";
constexpr int kModeWithSecondList = 8;
constexpr int kModeCount = 20;
constexpr uint8_t kFromFirst = 0;
constexpr uint8_t kCyclic = 1;
constexpr uint8_t kByCredit = 2;
constexpr int kMaxDdiDigits = 20;
constexpr size_t kCountedSize = 24;        // a number of up to 23 dial characters
constexpr size_t kFraudNumberOffset = 32; // in the second record of an incoming group

#define IN1(member) offsetof(InGroupRec1, member)
#define IN2(member) offsetof(InGroupRec2, member)

const FieldBinding kInGsmRows[] = {
    Field::OwnList(IDC_INGRP_MODE, IN1(mode)),
    Field::Number(IDC_INGRP_WAIT, IN1(waitTime), 1, 0, 60, 0, FB_NO_DEFAULT),
    Field::Number(IDC_INGRP_MIN, IN1(minDigits), 1, 1, 20, 0, FB_NO_DEFAULT),
    Field::Number(IDC_INGRP_MAX, IN1(maxDigits), 1, 1, 20, 0, FB_NO_DEFAULT),
    Field::Counted(IDC_INGRP_PREFIX, IN1(prefix), sizeof(InGroupRec1::prefix), kDialChars),
    Field::Number(IDC_INGRP_CB_CUT, IN1(callbackCut), 1, 0, 20, 0, FB_NO_DEFAULT),
    Field::Counted(IDC_INGRP_CB_PREFIX, IN1(callbackPrefix), sizeof(InGroupRec1::callbackPrefix), kDialChars),
    Field::Number(IDC_INGRP_DDI, IN1(ddiDigits), 1, 0, kMaxDdiDigits, 0, FB_NO_DEFAULT),
};
const FieldBinding kInGsmPart2Rows[] = {
    Field::Counted(IDC_INGRP_FRAUD, IN2(bytes0) + kFraudNumberOffset, kCountedSize, kDialChars),
};
const FieldBinding kInSubscriberRows[] = {
    Field::Number(IDC_INGRP_WAIT, IN1(waitTime), 1, 0, 60, 0, FB_NO_DEFAULT),
};
const FieldBinding kInAnalogRows[] = {
    Field::Number(IDC_INGRP_WAIT, IN1(waitTime), 1, 0, 60, 0, FB_NO_DEFAULT),
    Field::Number(IDC_INGRP_MIN, IN1(minDigits), 1, 1, 20, 0, FB_NO_DEFAULT),
    Field::Number(IDC_INGRP_MAX, IN1(maxDigits), 1, 1, 20, 0, FB_NO_DEFAULT),
    Field::Counted(IDC_INGRP_PREFIX, IN1(prefix), sizeof(InGroupRec1::prefix), kDialChars),
};
const FieldChoice kOutSelection[] = {
    { kFromFirst, nullptr, nullptr, IDC_OUTGRP_FIRST },
    { kCyclic, nullptr, nullptr, IDC_OUTGRP_CYCLIC },
    { kByCredit, nullptr, nullptr, IDC_OUTGRP_CREDIT },
};
const FieldBinding kOutGsmRows[] = {
    // A selection the device does not know is by credit: shown so, stored so.
    Field::RadioOr(offsetof(OutGroupRec, selection), kOutSelection, kByCredit),
    Field::Number(IDC_OUTGRP_DDI, offsetof(OutGroupRec, ddiDigits), 1, 0, kMaxDdiDigits, 0, FB_NO_DEFAULT),
};
#undef IN1
#undef IN2

// A DDI count has no default, so one typed or stored beyond the range is
// the range's end; a count never set (0xFF) shows no digits, as the device
// takes it.
void ShowUnsetDdiAsZero(CNumericEdit* edit, uint8_t stored)
{
    if (edit && stored == 0xFF)
        edit->SetValue(0);
}

bool Holds(const ModuleGroupAssign& m, int g, GroupDirection d)
{
    return d == GroupDirection::In ? m.inGroup == g : (m.outGroup == g || m.outGroup2 == g);
}

void AppendNumber(char* out, size_t size, int number)
{
    char one[16];
    FormatText(one, sizeof(one), "%d  ", number);
    AppendText(out, size, one);
}

// An extension list shows the set entries of five counted strings, up to
// the first empty one.
void ShowExtensions(HWND list, const uint8_t (*entries)[24])
{
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kMaxExtensions; ++i)
    {
        char text[24] = "";
        if (ReadCountedString(entries[i], 24, text) == 0)
            break;
        ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    }
}

// Writes the list's lines as the five entries; the rest are empty (length 0).
void StoreExtensions(HWND list, uint8_t (*entries)[24], bool withLines)
{
    memset(entries, 0xFF, kMaxExtensions * 24);
    int count = withLines ? (int)::SendMessageA(list, LB_GETCOUNT, 0, 0) : 0;
    for (int i = 0; i < kMaxExtensions; ++i)
    {
        char text[260] = "";
        if (i < count && ::SendMessageA(list, LB_GETTEXTLEN, i, 0) < (LRESULT)sizeof(text))
            ::SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
        WriteCountedString(text, entries[i], 24);
    }
}

// The four buttons of an extension list beside its input edit.
void ExtensionCommand(HWND tab, UINT command, UINT firstButton, UINT edit, UINT list)
{
    HWND hList = ::GetDlgItem(tab, (int)list);
    HWND hEdit = ::GetDlgItem(tab, (int)edit);
    switch (command - firstButton)
    {
    case 0:
    {
        char text[24] = "";
        ::GetWindowTextA(hEdit, text, sizeof(text));
        if (!text[0])
            return;
        AddExtension(hList, text);
        ::SendMessageA(hEdit, EM_SETSEL, 0, -1);
        ::SetFocus(hEdit);
        break;
    }
    case 1:
    {
        int sel = (int)::SendMessageA(hList, LB_GETCURSEL, 0, 0);
        if (sel >= 0)
            ::SendMessageA(hList, LB_DELETESTRING, sel, 0);
        break;
    }
    case 2: MoveExtension(hList, -1); break;
    case 3: MoveExtension(hList, +1); break;
    }
}

}

// --- member texts and extension lists -------------------------------------------

void FormatGroupModules(const ConfigRecord* rec, int g, GroupDirection d, char* out, size_t size)
{
    out[0] = '\0';
    for (int m = 0; m < (int)CFG_MODULE_COUNT; ++m)
        if (Holds(rec->moduleGroups[m], g, d))
            AppendNumber(out, size, m + (int)g_Settings.ChannelIndexOffset);
}

void FormatGroupBoards(const ConfigRecord* rec, int g, GroupDirection d, char* out, size_t size)
{
    out[0] = '\0';
    for (int s = 0; s < (int)CFG_CARD_SLOT_COUNT; ++s)
        if (Holds(rec->moduleGroups[4 * s], g, d))
            AppendNumber(out, size, s + (int)g_Settings.BoardIndexOffset);
}

void FormatGroupTrunks(const ConfigRecord* rec, int g, GroupDirection d, char* out, size_t size)
{
    out[0] = '\0';
    for (int t = 0; t < (int)CFG_SIP_TRUNK_COUNT; ++t)
    {
        const SipTrunkGroups& groups = rec->sipTrunkGroups[t];
        if ((d == GroupDirection::In ? groups.inGroup : groups.outGroup) != g)
            continue;
        char name[sizeof(SipAccount::name) + 1];
        ReadFieldText(reinterpret_cast<const uint8_t*>(rec->sipTrunks[t].name), sizeof(SipAccount::name), name);
        AppendText(out, size, name);
        AppendText(out, size, "\n");
    }
}

bool AddExtension(HWND list, const char* text)
{
    int count = (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count >= kMaxExtensions || ::SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text) != LB_ERR)
        return false;
    ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    return true;
}

void MoveExtension(HWND list, int by)
{
    int sel = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    int count = (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
    int to = sel + by;
    if (sel < 0 || to < 0 || to >= count)
        return;
    char text[260] = "";
    if (::SendMessageA(list, LB_GETTEXTLEN, sel, 0) >= (LRESULT)sizeof(text))
        return;
    ::SendMessageA(list, LB_GETTEXT, sel, (LPARAM)text);
    ::SendMessageA(list, LB_DELETESTRING, sel, 0);
    ::SendMessageA(list, LB_INSERTSTRING, to, (LPARAM)text);
    ::SendMessageA(list, LB_SETCURSEL, to, 0);
}

// --- incoming: GSM ----------------------------------------------------------------

const FieldTable CInGroupGsmTab::kFields =
    MakeFieldTable(kInGsmRows, CFG_OFS_IN_GROUPS_1, sizeof(InGroupRec1), CFG_GROUP_COUNT);
const FieldTable CInGroupGsmTab::kPart2Fields =
    MakeFieldTable(kInGsmPart2Rows, CFG_OFS_IN_GROUPS_2, sizeof(InGroupRec2), CFG_GROUP_COUNT);

void CInGroupGsmTab::OnBeforeTranslate()
{
    // A language without these texts has no such settings.
    m_ddiHidden = !HasLanguageText("strInGroupDdiDigits");
    m_fraudHidden = !HasLanguageText("strInGroupFraudProtectedCall");
    if (m_ddiHidden)
    {
        ::ShowWindow(Item(IDC_INGRP_DDI_LABEL), SW_HIDE);
        ::ShowWindow(Item(IDC_INGRP_DDI), SW_HIDE);
    }
    if (m_fraudHidden)
    {
        ::ShowWindow(Item(IDC_INGRP_FRAUD_LABEL), SW_HIDE);
        ::ShowWindow(Item(IDC_INGRP_FRAUD), SW_HIDE);
    }
}

void CInGroupGsmTab::FillModes()
{
    HWND list = Item(IDC_INGRP_MODE);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int n = 0; n < kModeCount; ++n)
    {
        char key[32], text[260] = "";
        FormatText(key, sizeof(key), "strInGroupMode%d", n);
        g_Language.GetString(key, text, sizeof(text));
        if (text[0])
            CFieldBinder::AddEntry(list, text, n);
    }
}

void CInGroupGsmTab::OnInitControls()
{
    FillModes();
    m_extEdits[0].SubclassWindow(Item(IDC_INGRP_EXT_EDIT));
    m_extEdits[0].SetCharSet(kDialChars, 23);
    m_extEdits[1].SubclassWindow(Item(IDC_INGRP_EXT2_EDIT));
    m_extEdits[1].SetCharSet(kDialChars, 23);
}

void CInGroupGsmTab::OnFilled()
{
    ShowUnsetDdiAsZero(m_binder.NumericEdit(m_hWnd, IDC_INGRP_DDI), m_pRecord->inGroups1[m_group].ddiDigits);
    ShowExtensions(Item(IDC_INGRP_EXT_LIST), m_pRecord->inGroups1[m_group].extensions);
    ShowExtensions(Item(IDC_INGRP_EXT2_LIST), m_pRecord->inGroups2[m_group].extensions);
    EnableSecondList();
    char members[260];
    FormatGroupModules(m_pRecord, m_group, GroupDirection::In, members, sizeof(members));
    ::SetWindowTextA(Item(IDC_MEMBERS), members);
}

void CInGroupGsmTab::EnableSecondList()
{
    bool on = CFieldBinder::SelectedCode(Item(IDC_INGRP_MODE)) == kModeWithSecondList;
    const UINT ids[] = { IDC_INGRP_EXT2_EDIT, IDC_INGRP_EXT2_LIST, IDC_INGRP_EXT2_ADD, IDC_INGRP_EXT2_ADD + 1,
                         IDC_INGRP_EXT2_ADD + 2, IDC_INGRP_EXT2_ADD + 3 };
    for (UINT id : ids)
        ::EnableWindow(Item(id), on);
}

void CInGroupGsmTab::OnStored()
{
    InGroupRec1& p1 = m_pRecord->inGroups1[m_group];
    InGroupRec2& p2 = m_pRecord->inGroups2[m_group];
    if (m_ddiHidden)
        p1.ddiDigits = 0;
    StoreExtensions(Item(IDC_INGRP_EXT_LIST), p1.extensions, true);

    // The group's second record holds only what this tab writes: the rest of
    // it is reset, the fraud-protected number the binding just stored kept.
    uint8_t* fraud = p2.bytes0 + kFraudNumberOffset;
    uint8_t number[kCountedSize];
    memcpy(number, fraud, sizeof(number));
    memset(&p2, 0xFF, sizeof(p2));
    if (m_fraudHidden)
        WriteCountedString("", fraud, kCountedSize);
    else
        memcpy(fraud, number, sizeof(number));
    // The second list counts only in its mode; a mode the list does not
    // offer keeps the stored byte and so decides as stored.
    StoreExtensions(Item(IDC_INGRP_EXT2_LIST), p2.extensions, p1.mode == kModeWithSecondList);
}

// The first extension list, the second part written whole, and the DDI
// count a language without its text stores as none.
void CInGroupGsmTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    const InGroupRec1& p1 = m_pRecord->inGroups1[m_group];
    runs.insert(runs.end(), { RunOf(m_pRecord, p1.extensions), RunOf(m_pRecord, m_pRecord->inGroups2[m_group]) });
    if (m_ddiHidden)
        runs.push_back(RunOf(m_pRecord, p1.ddiDigits));
}

void CInGroupGsmTab::OnLanguageChanged()
{
    HWND list = Item(IDC_INGRP_MODE);
    bool selected = ::SendMessageA(list, CB_GETCURSEL, 0, 0) >= 0;
    int mode = CFieldBinder::SelectedCode(list);
    FillModes();
    CFieldBinder::SelectByCode(list, selected ? mode : -1);
}

LRESULT CInGroupGsmTab::OnModeChanged(WORD, WORD, HWND, BOOL&)
{
    EnableSecondList();
    return 0;
}

LRESULT CInGroupGsmTab::OnExtensionCommand(WORD, WORD id, HWND, BOOL&)
{
    if (id >= IDC_INGRP_EXT2_ADD)
        ExtensionCommand(m_hWnd, id, IDC_INGRP_EXT2_ADD, IDC_INGRP_EXT2_EDIT, IDC_INGRP_EXT2_LIST);
    else
        ExtensionCommand(m_hWnd, id, IDC_INGRP_EXT_ADD, IDC_INGRP_EXT_EDIT, IDC_INGRP_EXT_LIST);
    return 0;
}

// --- incoming: VoIP and analog ------------------------------------------------------

void CInGroupVoipTab::OnFilled()
{
    char text[1024];
    FormatGroupTrunks(m_pRecord, m_group, GroupDirection::In, text, sizeof(text));
    ::SetWindowTextA(Item(IDC_TRUNKS), text);
    FormatGroupBoards(m_pRecord, m_group, GroupDirection::In, text, sizeof(text));
    ::SetWindowTextA(Item(IDC_MEMBERS), text);
}

const FieldTable CInGroupAnalogTab::kSubscriberFields =
    MakeFieldTable(kInSubscriberRows, CFG_OFS_IN_GROUPS_1, sizeof(InGroupRec1), CFG_GROUP_COUNT);
const FieldTable CInGroupAnalogTab::kFields =
    MakeFieldTable(kInAnalogRows, CFG_OFS_IN_GROUPS_1, sizeof(InGroupRec1), CFG_GROUP_COUNT);

CInGroupAnalogTab::CInGroupAnalogTab(ConfigRecord* record, int group, int cardType)
    : CGroupTab<CInGroupAnalogTab>(record, group),
      IDD(cardType == CARD_ANALOG_SUBSCRIBER ? IDD_IN_GROUP_FXS : IDD_IN_GROUP_FXO),
      m_cardType(cardType)
{
}

void CInGroupAnalogTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    const InGroupRec1& p1 = m_pRecord->inGroups1[m_group];
    runs.push_back(RunOf(m_pRecord, p1.mode));
    if (!IsSubscriber())
        runs.push_back(RunOf(m_pRecord, p1.extensions));
}

void CInGroupAnalogTab::OnInitControls()
{
    if (IsSubscriber())
        return;
    m_extEdit.SubclassWindow(Item(IDC_INGRP_EXT_EDIT));
    m_extEdit.SetCharSet(kDialChars, 23);
}

void CInGroupAnalogTab::OnFilled()
{
    if (!IsSubscriber())
        ShowExtensions(Item(IDC_INGRP_EXT_LIST), m_pRecord->inGroups1[m_group].extensions);
    char members[260];
    FormatGroupModules(m_pRecord, m_group, GroupDirection::In, members, sizeof(members));
    ::SetWindowTextA(Item(IDC_MEMBERS), members);
}

void CInGroupAnalogTab::OnStored()
{
    InGroupRec1& p1 = m_pRecord->inGroups1[m_group];
    p1.mode = 0;
    if (!IsSubscriber())
        StoreExtensions(Item(IDC_INGRP_EXT_LIST), p1.extensions, true);
}

LRESULT CInGroupAnalogTab::OnExtensionCommand(WORD, WORD id, HWND, BOOL&)
{
    ExtensionCommand(m_hWnd, id, IDC_INGRP_EXT_ADD, IDC_INGRP_EXT_EDIT, IDC_INGRP_EXT_LIST);
    return 0;
}

CInGroupsPage::CInGroupsPage(ConfigRecord* record) : CGroupsPage<CInGroupsPage>(record, &g_LastInGroup) {}

IBoundTab* CInGroupsPage::MakeTab(ConfigRecord* rec, int g)
{
    const int type = GetInGroupCardType(rec, g);
    switch (type)
    {
    case CARD_GSM: return new (std::nothrow) CInGroupGsmTab(rec, g);
    case CARD_VOIP: return new (std::nothrow) CInGroupVoipTab(rec, g);
    default: return new (std::nothrow) CInGroupAnalogTab(rec, g, type);
    }
}

// --- outgoing -------------------------------------------------------------------------

const FieldTable COutGroupGsmTab::kFields =
    MakeFieldTable(kOutGsmRows, CFG_OFS_OUT_GROUPS, sizeof(OutGroupRec), CFG_GROUP_COUNT);

void COutGroupGsmTab::OnBeforeTranslate()
{
    m_ddiHidden = !HasLanguageText("strOutGroupDdiDigits");
    if (m_ddiHidden)
    {
        ::ShowWindow(Item(IDC_OUTGRP_DDI_LABEL), SW_HIDE);
        ::ShowWindow(Item(IDC_OUTGRP_DDI), SW_HIDE);
    }
}

void COutGroupGsmTab::OnFilled()
{
    ShowUnsetDdiAsZero(m_binder.NumericEdit(m_hWnd, IDC_OUTGRP_DDI), m_pRecord->outGroups[m_group].ddiDigits);
    char members[260];
    FormatGroupModules(m_pRecord, m_group, GroupDirection::Out, members, sizeof(members));
    ::SetWindowTextA(Item(IDC_MEMBERS), members);
}

void COutGroupGsmTab::OnStored()
{
    if (m_ddiHidden)
        m_pRecord->outGroups[m_group].ddiDigits = 0;
}

void COutGroupGsmTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    if (m_ddiHidden)
        runs.push_back(RunOf(m_pRecord, m_pRecord->outGroups[m_group].ddiDigits));
}

void COutGroupVoipTab::OwnWrites(std::vector<ByteRun>& runs) const
{
    runs.push_back(RunOf(m_pRecord, m_pRecord->outGroups[m_group].selection));
}

void COutGroupVoipTab::OnFilled()
{
    char text[1024];
    FormatGroupTrunks(m_pRecord, m_group, GroupDirection::Out, text, sizeof(text));
    ::SetWindowTextA(Item(IDC_TRUNKS), text);
    FormatGroupBoards(m_pRecord, m_group, GroupDirection::Out, text, sizeof(text));
    ::SetWindowTextA(Item(IDC_MEMBERS), text);
}

void COutGroupVoipTab::OnStored()
{
    m_pRecord->outGroups[m_group].selection = kFromFirst;
}

template <int Idd>
void COutGroupAnalogTab<Idd>::OnFilled()
{
    bool cyclic = this->m_pRecord->outGroups[this->m_group].selection != kFromFirst;
    ::CheckRadioButton(this->m_hWnd, IDC_OUTGRP_FIRST, IDC_OUTGRP_CYCLIC, cyclic ? IDC_OUTGRP_CYCLIC : IDC_OUTGRP_FIRST);
    char members[260];
    FormatGroupModules(this->m_pRecord, this->m_group, GroupDirection::Out, members, sizeof(members));
    ::SetWindowTextA(this->Item(IDC_MEMBERS), members);
}

template <int Idd>
void COutGroupAnalogTab<Idd>::OnStored()
{
    this->m_pRecord->outGroups[this->m_group].selection = this->IsChecked(IDC_OUTGRP_FIRST) ? kFromFirst : kCyclic;
}

COutGroupsPage::COutGroupsPage(ConfigRecord* record) : CGroupsPage<COutGroupsPage>(record, &g_LastOutGroup) {}

IBoundTab* COutGroupsPage::MakeTab(ConfigRecord* rec, int g)
{
    switch (GetOutGroupCardType(rec, g))
    {
    case CARD_GSM: return new (std::nothrow) COutGroupGsmTab(rec, g);
    case CARD_VOIP: return new (std::nothrow) COutGroupVoipTab(rec, g);
    case CARD_ANALOG_SUBSCRIBER: return new (std::nothrow) COutGroupAnalogTab<IDD_OUT_GROUP_FXS>(rec, g);
    default: return new (std::nothrow) COutGroupAnalogTab<IDD_OUT_GROUP_FXO>(rec, g);
    }
}
