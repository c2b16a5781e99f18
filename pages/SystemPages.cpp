#include "pages/SystemPages.h"

namespace
{
constexpr uint8_t kTimeSyncManual = 255;
constexpr uint8_t kTimeSyncAuto = 0;
constexpr uint8_t kTimeSyncAutoSummer = 1;
constexpr uint8_t kAnnouncementOutgoing = 0x01;
constexpr uint8_t kAnnouncementIncoming = 0x02;
constexpr uint8_t kAnnouncementToPbxUser = 0x04;
constexpr uint8_t kAnnouncementBits = kAnnouncementOutgoing | kAnnouncementIncoming | kAnnouncementToPbxUser;

const FieldChoice kMobilityModes[] = {
    { 0, nullptr, nullptr, IDC_SYSGEN_MOBILITY_OFF },
    { 1, nullptr, nullptr, IDC_SYSGEN_MOBILITY_USERS },
    { 2, nullptr, nullptr, IDC_SYSGEN_MOBILITY_GLOBAL },
};
const FieldChoice kPbxUserHears[] = {
    { 0, nullptr, nullptr, IDC_SYSGEN_PBX_SILENCE },
    { kAnnouncementToPbxUser, nullptr, nullptr, IDC_SYSGEN_PBX_ANNOUNCEMENT },
};

const FieldBinding kGeneralFields[] = {
    Field::Counted(IDC_SYSGEN_NAME, CFG_OFS_ID_NAME_LENGTH, 1 + CFG_SIZE_ID_NAME),
    Field::List(IDC_SYSGEN_TIME_ZONE, offsetof(ConfigRecord, general2.timeZoneCode), g_TimeZoneChoices),
    // A mode the device does not know is shown, and so stored, as off.
    Field::RadioOr(CFG_OFS_MOBILITY_MODE, kMobilityModes, 0),
    Field::Check(IDC_SYSGEN_PORTABILITY_TONE, CFG_OFS_PORTABILITY_TONE, 0xFF, 1, 0, FB_CHECK_ANY),
    Field::Bit(IDC_SYSGEN_ANNOUNCE_OUTGOING, CFG_OFS_ANNOUNCEMENT_BITS, kAnnouncementOutgoing),
    Field::Bit(IDC_SYSGEN_ANNOUNCE_INCOMING, CFG_OFS_ANNOUNCEMENT_BITS, kAnnouncementIncoming),
    Field::Radio(CFG_OFS_ANNOUNCEMENT_BITS, kPbxUserHears, kAnnouncementToPbxUser, FB_SHARED),
    Field::Number(IDC_SYSGEN_BEEP_TIME, CFG_OFS_BEEP_TIME, 1, 0, 240, 0),
    Field::Check(IDC_SYSGEN_VOIP, CFG_OFS_VOIP_OFF, 0xFF, 0, 1),
};

const FieldBinding kNetworkFields[] = {
    Field::Ip(IDC_SYSNET_IP, CFG_OFS_DEVICE_IP),
    Field::Ip(IDC_SYSNET_MASK, CFG_OFS_NETWORK_MASK),
    Field::Ip(IDC_SYSNET_GATEWAY, CFG_OFS_DEFAULT_ROUTER),
    Field::Port(IDC_SYSNET_PORT, CFG_OFS_TCP_PORT, CFG_PORT_DIGITS_SIZE, 1, 65535, 0, FB_EMPTY_ALLOWED | FB_NO_DEFAULT),
    Field::Ip(IDC_SYSNET_DNS1, CFG_OFS_DNS1),
    Field::Ip(IDC_SYSNET_DNS2, CFG_OFS_DNS2),
};
}

const FieldChoice g_TimeZoneChoices[25] = {
    { 140, nullptr, "UTC-12:00", 0 }, { 139, nullptr, "UTC-11:00", 0 }, { 138, nullptr, "UTC-10:00", 0 },
    { 137, nullptr, "UTC-09:00", 0 }, { 136, nullptr, "UTC-08:00", 0 }, { 135, nullptr, "UTC-07:00", 0 },
    { 134, nullptr, "UTC-06:00", 0 }, { 133, nullptr, "UTC-05:00", 0 }, { 132, nullptr, "UTC-04:00", 0 },
    { 131, nullptr, "UTC-03:00", 0 }, { 130, nullptr, "UTC-02:00", 0 }, { 129, nullptr, "UTC-01:00", 0 },
    { 0, nullptr, "UTC", 0 },
    { 1, nullptr, "UTC+01:00", 0 }, { 2, nullptr, "UTC+02:00", 0 }, { 3, nullptr, "UTC+03:00", 0 },
    { 4, nullptr, "UTC+04:00", 0 }, { 5, nullptr, "UTC+05:00", 0 }, { 6, nullptr, "UTC+06:00", 0 },
    { 7, nullptr, "UTC+07:00", 0 }, { 8, nullptr, "UTC+08:00", 0 }, { 9, nullptr, "UTC+09:00", 0 },
    { 10, nullptr, "UTC+10:00", 0 }, { 11, nullptr, "UTC+11:00", 0 }, { 12, nullptr, "UTC+12:00", 0 },
};

const FieldTable CSystemGeneralPage::kFields = MakeFieldTable(kGeneralFields);
const FieldTable CSystemNetworkPage::kFields = MakeFieldTable(kNetworkFields);

// --- general ------------------------------------------------------------------

void CSystemGeneralPage::OnInitControls()
{
    // Unset values are put right when the page opens; the commit then counts
    // them as a change.
    if (m_pRecord->general2.timeZoneCode == 0xFF)
        m_pRecord->general2.timeZoneCode = 0;
    if (m_pRecord->isdnCommon.announcementBits == 0xFF)
        m_pRecord->isdnCommon.announcementBits = 0;

    // A language without a text for the tone has no such setting: the box
    // goes and the stored byte stays as it is.
    HWND tone = GetDlgItem(IDC_SYSGEN_PORTABILITY_TONE);
    if (::GetWindowTextLengthA(tone) == 0)
    {
        ::ShowWindow(tone, SW_HIDE);
        m_toneHidden = true;
    }
}

void CSystemGeneralPage::OnFilled()
{
    uint8_t mode = m_pRecord->general2.timeSyncMode;
    ::CheckDlgButton(m_hWnd, IDC_SYSGEN_TIME_SYNC, mode != kTimeSyncManual ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_SYSGEN_SUMMER_TIME, mode == kTimeSyncAutoSummer ? BST_CHECKED : BST_UNCHECKED);
    EnableTimeZone();
}

void CSystemGeneralPage::OnStored()
{
    bool sync = ::IsDlgButtonChecked(m_hWnd, IDC_SYSGEN_TIME_SYNC) == BST_CHECKED;
    bool summer = ::IsDlgButtonChecked(m_hWnd, IDC_SYSGEN_SUMMER_TIME) == BST_CHECKED;
    m_pRecord->general2.timeSyncMode = !sync ? kTimeSyncManual : summer ? kTimeSyncAutoSummer : kTimeSyncAuto;
    // The byte holds the three announcement settings and nothing else.
    m_pRecord->isdnCommon.announcementBits &= kAnnouncementBits;
}

void CSystemGeneralPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    runs.push_back(RunOf(m_pRecord, m_pRecord->general2.timeSyncMode));
}

void CSystemGeneralPage::EnableTimeZone()
{
    BOOL on = ::IsDlgButtonChecked(m_hWnd, IDC_SYSGEN_TIME_SYNC) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDC_SYSGEN_SUMMER_TIME), on);
    ::EnableWindow(GetDlgItem(IDC_SYSGEN_TIME_ZONE_LABEL), on);
    ::EnableWindow(GetDlgItem(IDC_SYSGEN_TIME_ZONE), on);
}

LRESULT CSystemGeneralPage::OnTimeSyncClicked(WORD, WORD, HWND, BOOL&)
{
    EnableTimeZone();
    return 0;
}

// --- network ------------------------------------------------------------------

