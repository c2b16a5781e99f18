#include "pages/IsdnPages.h"
#include "record/EntityNames.h"
#include "base/TextUtil.h"
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int kAlertingDelayMax = 15;
constexpr int kThresholdMinimum = -113;
constexpr int kThresholdMaximum = -51;
constexpr int kThresholdBase = 113;
const char kAlertingDelayChars[] = "0123456789R";
const char kCountryPrefixChars[] = "0123456789+";

// The tone played to the ISDN side while it dials.
enum DialTone : uint8_t
{
    kDialToneNone = 0,
    kDialToneContinuous = 1,
    kDialToneMorseA = 2,
};

#define COMMON(member) offsetof(ConfigRecord, isdnCommon.member)
const FieldChoice kDialTones[] = {
    { kDialToneNone, nullptr, nullptr, IDC_ISDNCOM_NO_DIALTONE },
    { kDialToneContinuous, nullptr, nullptr, IDC_ISDNCOM_CONTINUOUS },
    { kDialToneMorseA, nullptr, nullptr, IDC_ISDNCOM_MORSE_A },
};
const FieldBinding kCommonFields[] = {
    Field::Number(IDC_ISDNCOM_DIAL_WAIT, COMMON(dialWait), 2, 1, 60, 0, FB_NO_DEFAULT),
    Field::Radio(COMMON(dialTone), kDialTones),
    Field::Number(IDC_ISDNCOM_CALLBACK_SAVE, COMMON(callbackSaveTime), 1, 0, 48, 0, FB_NO_DEFAULT),
    Field::Check(IDC_ISDNCOM_CHANNEL_ASSOC, COMMON(channelAssociation), 0xFF, 1, 0),
    Field::Number(IDC_ISDNCOM_NO_ANSWER, COMMON(noAnswerTimeout), 1, 0, 255, 0, FB_NO_DEFAULT),
    Field::Check(IDC_ISDNCOM_PROGRESS_TONE, COMMON(progressTone), 0xFF, 1, 0),
    Field::Check(IDC_ISDNCOM_INTL_FORMAT, COMMON(substituteIntlFormat), 0xFF, 1, 0, FB_CHECK_ANY),
    Field::Number(IDC_ISDNCOM_BUSY_CAUSE, COMMON(gsmBusyCause), 1, 1, 127, 3),
    Field::Number(IDC_ISDNCOM_NOT_LOGGED, COMMON(blockedNotLoggedIn), 1, 0, 32, 0),
    Field::Number(IDC_ISDNCOM_POOR_COUNT, COMMON(blockedPoorSignal), 1, 0, 32, 0),
    Field::Counted(IDC_ISDNCOM_COUNTRY_PREFIX, COMMON(countryPrefix), CFG_COUNTED_12, kCountryPrefixChars),
    Field::Check(IDC_ISDNCOM_CUT_PREFIX, COMMON(cutPrefix), 0xFF, 1, 0),
    Field::Check(IDC_ISDNCOM_CONNECT_ALERTING, COMMON(connectWithAlerting), 0xFF, 1, 0, FB_CHECK_ANY),
};
#undef COMMON

int ListCount(HWND list)
{
    return (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
}

int ListSelection(HWND list)
{
    return (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
}

int ListLink(HWND list, int index)
{
    return (int)::SendMessageA(list, LB_GETITEMDATA, (WPARAM)index, 0);
}

// Puts link into list at index (-1: at the end, or sorted in a sorted list).
int InsertLink(HWND list, int link, int index = -1)
{
    char name[ENTITY_NAME_SIZE] = "";
    GetIsdnLinkName(link, name);
    int at = (int)::SendMessageA(list, index < 0 ? LB_ADDSTRING : LB_INSERTSTRING, (WPARAM)index, (LPARAM)name);
    if (at >= 0)
        ::SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, (LPARAM)link);
    return at;
}

// Moves the selected item of from into to; false without a selection.
bool MoveSelectedLink(HWND from, HWND to)
{
    int sel = ListSelection(from);
    if (sel < 0)
        return false;
    int link = ListLink(from, sel);
    ::SendMessageA(from, LB_DELETESTRING, (WPARAM)sel, 0);
    InsertLink(to, link);
    return true;
}
}

const FieldTable CIsdnCommonPage::kFields = MakeFieldTable(kCommonFields);

uint8_t ParseAlertingDelay(const char* text)
{
    if (strchr(text, kAlertingDelayR))
        return kAlertingDelayR;
    long value = strtol(text, nullptr, 10);
    return (uint8_t)(value < 0 ? 0 : value > kAlertingDelayMax ? kAlertingDelayMax : value);
}

void FormatAlertingDelay(uint8_t code, char* text, size_t size)
{
    if (code == kAlertingDelayR)
        FormatText(text, size, "%c", kAlertingDelayR);
    else
        FormatText(text, size, "%d", code);
}

int ThresholdDbm(GsmSignalCode code)
{
    return code == 0xFF ? kThresholdMinimum : 2 * code - kThresholdBase;
}

int RoundThreshold(int dBm)
{
    return ((dBm + kThresholdBase) & ~1) - kThresholdBase;
}

GsmSignalCode ThresholdCode(int dBm)
{
    return (uint8_t)(((dBm + kThresholdBase) & 0xFF) / 2);
}

int ReadSyncOrder(const uint8_t* order, int links[kSyncOrderSize])
{
    int count = 0;
    for (int i = 0; i < kSyncOrderSize && order[i] != CFG_EMPTY; ++i)
        if (order[i] < kSyncLinkCount)
            links[count++] = order[i];
    return count;
}

void WriteSyncOrder(const int* links, int count, uint8_t* order)
{
    memset(order, CFG_EMPTY, kSyncOrderSize);
    for (int i = 0; i < count && i < kSyncOrderSize; ++i)
        order[i] = (uint8_t)links[i];
}

// --- ISDN common --------------------------------------------------------------

void CIsdnCommonPage::OnInitControls()
{
    IsdnCommonSettings& c = m_pRecord->isdnCommon;
    if (c.alertingDelay > 254)
        c.alertingDelay = 0;
    if (c.connectWithAlerting > 254)
        c.connectWithAlerting = 0;
    m_alertingDelay.SubclassWindow(GetDlgItem(IDC_ISDNCOM_ALERTING_DELAY));
    m_alertingDelay.SetCharSet(kAlertingDelayChars, 2);
    m_threshold.SubclassWindow(GetDlgItem(IDC_ISDNCOM_POOR_SIGNAL));
    m_threshold.SetRange(kThresholdMinimum, kThresholdMaximum, CNumericEdit::kNoDefault);
}

void CIsdnCommonPage::OnFilled()
{
    const IsdnCommonSettings& c = m_pRecord->isdnCommon;
    // Any value but 0 means the format is substituted, the unset one too.
    if (c.substituteIntlFormat == 0xFF)
        ::CheckDlgButton(m_hWnd, IDC_ISDNCOM_INTL_FORMAT, BST_CHECKED);
    char text[8];
    FormatAlertingDelay(c.alertingDelay, text, sizeof(text));
    m_alertingDelay.SetWindowText(text);
    m_threshold.SetValue(ThresholdDbm(c.gsmSignalCode));
}

void CIsdnCommonPage::OnStored()
{
    IsdnCommonSettings& c = m_pRecord->isdnCommon;
    // Without a tone chosen (a stored value the radios do not know) the
    // device gets the Morse tone, as when the last radio is checked.
    if (!::IsDlgButtonChecked(m_hWnd, IDC_ISDNCOM_NO_DIALTONE) && !::IsDlgButtonChecked(m_hWnd, IDC_ISDNCOM_CONTINUOUS))
        c.dialTone = kDialToneMorseA;
    char text[8];
    m_alertingDelay.GetWindowText(text, sizeof(text));
    c.alertingDelay = ParseAlertingDelay(text);
    c.gsmSignalCode = ThresholdCode(m_threshold.GetValue());
}

// The alerting delay and the threshold are written from their own edits; a
// dial tone the radios do not know is stored as the Morse tone.
void CIsdnCommonPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    const IsdnCommonSettings& c = m_pRecord->isdnCommon;
    runs.insert(runs.end(), { RunOf(m_pRecord, c.dialTone), RunOf(m_pRecord, c.alertingDelay),
                              RunOf(m_pRecord, c.gsmSignalCode) });
}

LRESULT CIsdnCommonPage::OnAlertingDelayLeft(WORD, WORD, HWND, BOOL&)
{
    char text[8];
    m_alertingDelay.GetWindowText(text, sizeof(text));
    FormatAlertingDelay(ParseAlertingDelay(text), text, sizeof(text));
    m_alertingDelay.SetWindowText(text);
    return 0;
}

LRESULT CIsdnCommonPage::OnThresholdLeft(WORD, WORD, HWND, BOOL&)
{
    int value = m_threshold.GetValue();
    if (RoundThreshold(value) != value)
        m_threshold.SetValue(RoundThreshold(value));
    return 0;
}

// --- ISDN synchronisation -----------------------------------------------------

void CIsdnSynchroPage::OnFilled()
{
    HWND order = GetDlgItem(IDC_SYNC_ORDER);
    HWND unused = GetDlgItem(IDC_SYNC_UNUSED);
    int links[kSyncOrderSize];
    int count = ReadSyncOrder(m_pRecord->isdnSyncOrder, links);
    bool inOrder[kSyncLinkCount] = {};
    for (int i = 0; i < count; ++i)
    {
        InsertLink(order, links[i]);
        inOrder[links[i]] = true;
    }
    for (int link = 0; link < kSyncLinkCount; ++link)
        if (!inOrder[link])
            InsertLink(unused, link);
}

void CIsdnSynchroPage::OnStored()
{
    HWND order = GetDlgItem(IDC_SYNC_ORDER);
    int links[kSyncOrderSize];
    int count = 0;
    for (int i = 0; i < ListCount(order) && count < kSyncOrderSize; ++i)
        links[count++] = ListLink(order, i);
    WriteSyncOrder(links, count, m_pRecord->isdnSyncOrder);
}

LRESULT CIsdnSynchroPage::OnAdd(WORD, WORD, HWND, BOOL&)
{
    MoveSelectedLink(GetDlgItem(IDC_SYNC_UNUSED), GetDlgItem(IDC_SYNC_ORDER));
    return 0;
}

LRESULT CIsdnSynchroPage::OnRemove(WORD, WORD, HWND, BOOL&)
{
    MoveSelectedLink(GetDlgItem(IDC_SYNC_ORDER), GetDlgItem(IDC_SYNC_UNUSED));
    return 0;
}

LRESULT CIsdnSynchroPage::OnUp(WORD, WORD, HWND, BOOL&)
{
    MoveOrderItem(-1);
    return 0;
}

LRESULT CIsdnSynchroPage::OnDown(WORD, WORD, HWND, BOOL&)
{
    MoveOrderItem(1);
    return 0;
}

void CIsdnSynchroPage::MoveOrderItem(int step)
{
    HWND order = GetDlgItem(IDC_SYNC_ORDER);
    int sel = ListSelection(order);
    int target = sel + step;
    if (sel < 0 || target < 0 || target >= ListCount(order))
        return;
    int link = ListLink(order, sel);
    ::SendMessageA(order, LB_DELETESTRING, (WPARAM)sel, 0);
    InsertLink(order, link, target);
    ::SendMessageA(order, LB_SETCURSEL, (WPARAM)target, 0);
}
