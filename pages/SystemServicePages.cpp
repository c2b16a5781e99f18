#include "pages/SystemServicePages.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
constexpr uint8_t kCdrAnswered = 0x01;
constexpr uint8_t kCdrUnanswered = 0x02;
constexpr uint8_t kCdrSelectionBits = kCdrAnswered | kCdrUnanswered;
constexpr uint8_t kReportGsm = 0x01; // clear: reported
constexpr uint8_t kReportIsdn = 0x02;
constexpr uint8_t kReportUnusedBits = 0xFC; // always 1
constexpr int kHoursPerDay = 24;
constexpr int kSlotModules = 4;
constexpr int kModuleCount = (int)CFG_MODULE_COUNT;
constexpr size_t kHttpLinkByte = 3; // of the outgoing request's selection
constexpr char kUrlScheme[] = "http://";
const char kDigits[] = "0123456789";

const FieldChoice kCreditSendModes[] = {
    { 0xFF, "strSystemCreditDontSend", nullptr, 0 }, { 128, "strSystemCreditEveryDay", nullptr, 0 },
    { 129, "strSystemCreditEveryDay1", nullptr, 0 }, { 130, "strSystemCreditEveryDay2", nullptr, 0 },
    { 131, "strSystemCreditEveryDay3", nullptr, 0 }, { 132, "strSystemCreditEveryDay4", nullptr, 0 },
    { 133, "strSystemCreditEveryDay5", nullptr, 0 }, { 134, "strSystemCreditEveryDay6", nullptr, 0 },
    { 135, "strSystemCreditEveryDay7", nullptr, 0 },
};

#define ALARM(member) offsetof(ConfigRecord, alarm.member)
const FieldBinding kAlarmFields[] = {
    Field::Number(IDC_ALARM_SMTP_TIMEOUT, ALARM(smtpTimeout), 1, 10, 120, 30),
    Field::Text(IDC_ALARM_SMTP_USER, ALARM(smtpUser), sizeof(AlarmSettings::smtpUser)),
    Field::Text(IDC_ALARM_SMTP_PASSWORD, ALARM(smtpPassword), sizeof(AlarmSettings::smtpPassword)),
    Field::Text(IDC_ALARM_MAIL_SENDER, ALARM(mailSender), sizeof(AlarmSettings::mailSender)),
    Field::Text(IDC_ALARM_MAIL_RECIPIENT, ALARM(mailRecipient), sizeof(AlarmSettings::mailRecipient)),
};
#undef ALARM

const FieldBinding kCdrFields[] = {
    Field::Number(IDC_CDR_TIMEOUT, offsetof(ConfigRecord, cdr.timeout), 2, 1, 65534, 0, FB_NO_DEFAULT),
    Field::Bit(IDC_CDR_ANSWERED, CFG_OFS_CDR_OPTION, kCdrAnswered),
    Field::Bit(IDC_CDR_UNANSWERED, CFG_OFS_CDR_OPTION, kCdrUnanswered),
};

const FieldBinding kCreditFields[] = {
    Field::Check(IDC_CREDIT_GSM, offsetof(ConfigRecord, creditReport.reported), kReportGsm, 0, kReportGsm, FB_SHARED),
    Field::Check(IDC_CREDIT_ISDN, offsetof(ConfigRecord, creditReport.reported), kReportIsdn, 0, kReportIsdn,
                 FB_SHARED),
    Field::List(IDC_CREDIT_SEND, offsetof(ConfigRecord, creditReport.sendMode), kCreditSendModes),
    Field::OwnList(IDC_CREDIT_HOUR, offsetof(ConfigRecord, creditReport.hour)),
};

constexpr uint32_t kHttpLinkOffset = offsetof(ConfigRecord, httpOut.selection) + kHttpLinkByte;
const FieldBinding kHttpFields[] = {
    Field::Bit(IDC_HTTP_LINK_FIRST + 0, kHttpLinkOffset, 0x01),
    Field::Bit(IDC_HTTP_LINK_FIRST + 1, kHttpLinkOffset, 0x02),
    Field::Bit(IDC_HTTP_LINK_FIRST + 2, kHttpLinkOffset, 0x04),
    Field::Bit(IDC_HTTP_LINK_FIRST + 3, kHttpLinkOffset, 0x08),
};

void ShowError(const char* key)
{
    g_Language.MessageBoxKey(key, "strError", MB_OK | MB_ICONEXCLAMATION);
}

// The text of list box item index, bounded by size; empty when it does not fit.
void ListItemText(HWND list, int index, char* text, size_t size)
{
    text[0] = '\0';
    LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, (WPARAM)index, 0);
    if (length >= 0 && (size_t)length < size)
        ::SendMessageA(list, LB_GETTEXT, (WPARAM)index, (LPARAM)text);
}

// The list item showing text, other than except; -1 when there is none.
int FindListItem(HWND list, const char* text, int except)
{
    int count = (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
    {
        char item[CFG_COUNTED_24];
        ListItemText(list, i, item, sizeof(item));
        if (i != except && strcmp(item, text) == 0)
            return i;
    }
    return -1;
}

uint32_t ReadMask(const uint8_t* bytes)
{
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

void WriteMask(uint8_t* bytes, uint32_t mask)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = (uint8_t)(mask >> (8 * i));
}

// The module or channel grid: labels numbered by the settings' offset, boxes
// checked from the mask and enabled where usable says so.
void FillModuleGrid(HWND page, UINT firstBox, UINT firstLabel, uint32_t mask, const bool usable[])
{
    for (int m = 0; m < kModuleCount; ++m)
    {
        char number[16];
        FormatText(number, sizeof(number), "%d", m + (int)g_Settings.ChannelIndexOffset);
        ::SetDlgItemTextA(page, (int)(firstLabel + m), number);
        bool on = usable[m] && (mask & (1u << m));
        ::CheckDlgButton(page, (int)(firstBox + m), on ? BST_CHECKED : BST_UNCHECKED);
        ::EnableWindow(::GetDlgItem(page, (int)(firstLabel + m)), usable[m]);
        ::EnableWindow(::GetDlgItem(page, (int)(firstBox + m)), usable[m]);
    }
}

uint32_t CheckedModules(HWND page, UINT firstBox)
{
    uint32_t mask = 0;
    for (int m = 0; m < kModuleCount; ++m)
        if (::IsDlgButtonChecked(page, (int)(firstBox + m)) == BST_CHECKED)
            mask |= 1u << m;
    return mask;
}

void CheckUsableModules(HWND page, UINT firstBox, bool check)
{
    for (int m = 0; m < kModuleCount; ++m)
    {
        HWND box = ::GetDlgItem(page, (int)(firstBox + m));
        if (!check || ::IsWindowEnabled(box))
            ::SendMessageA(box, BM_SETCHECK, check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

// A text stored as its length and up to max characters; the bytes behind
// the characters are kept.
void ShowLengthText(HWND edit, uint8_t length, const char* chars, size_t max, const char* whenEmpty)
{
    char text[256];
    size_t shown = length < max ? length : max;
    memcpy(text, chars, shown);
    text[shown] = '\0';
    ::SendMessageA(edit, EM_LIMITTEXT, max, 0);
    ::SetWindowTextA(edit, shown ? text : whenEmpty);
}

void StoreLengthText(uint8_t& length, char* chars, const char* text, size_t max)
{
    size_t n = strlen(text);
    if (n > max)
        n = max;
    length = (uint8_t)n;
    memcpy(chars, text, n);
}
}

const FieldTable CSystemAlarmPage::kFields = MakeFieldTable(kAlarmFields);
const FieldTable CSystemCdrPage::kFields = MakeFieldTable(kCdrFields);
const FieldTable CSystemCreditPage::kFields = MakeFieldTable(kCreditFields);
const FieldTable CSystemHttpPage::kFields = MakeFieldTable(kHttpFields);

// What each page writes beyond its field table: the servers, lists, texts
// and masks its own code builds.
void CSystemAlarmPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    const AlarmSettings& a = m_pRecord->alarm;
    runs.insert(runs.end(), { RunOf(m_pRecord, a.smsNumbers), RunOf(m_pRecord, a.alarmServer),
                              RunOf(m_pRecord, a.smtpServer) });
}

void CSystemCdrPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    runs.insert(runs.end(), { RunOf(m_pRecord, m_pRecord->cdr.server), RunOf(m_pRecord, m_pRecord->cdr.zero28) });
}

void CSystemCreditPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    runs.push_back(RunOf(m_pRecord, m_pRecord->creditReport.server));
}

void CSystemSmsPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    const ConfigRecord* r = m_pRecord;
    runs.insert(runs.end(), { RunOf(r, r->sms1.server), RunOf(r, r->sms1.zero28), RunOf(r, r->sms2.textLength),
                              RunOf(r, r->sms2.text), RunOf(r, r->sms2.moduleMask) });
}

void CSystemHttpPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    for (const HttpRequestSettings* request : { &m_pRecord->httpOut, &m_pRecord->httpIn })
        runs.insert(runs.end(), { RunOf(m_pRecord, request->urlLength), RunOf(m_pRecord, request->url) });
    runs.push_back(RunOf(m_pRecord, m_pRecord->httpIn.selection));
}

RequestUrlCheck CheckRequestUrl(const char* text)
{
    const size_t schemeLength = sizeof(kUrlScheme) - 1;
    if (text[0] == '\0' || strcmp(text, kUrlScheme) == 0)
        return RequestUrlCheck::Clear;
    if (strncmp(text, kUrlScheme, schemeLength) != 0)
        return RequestUrlCheck::Refuse;
    const char* slash = strchr(text + schemeLength, '/');
    if (!slash || slash == text + schemeLength)
        return RequestUrlCheck::Refuse;
    const char* query = strchr(slash, '?');
    if (!query || !strstr(query, "=NUMBER"))
        return RequestUrlCheck::Refuse;
    return RequestUrlCheck::Accept;
}

// --- alarm --------------------------------------------------------------------

void CSystemAlarmPage::OnInitControls()
{
    // An unset text field would show as 0xFF characters: it becomes empty.
    AlarmSettings& a = m_pRecord->alarm;
    char* texts[] = { a.smtpUser, a.smtpPassword, a.mailSender, a.mailRecipient };
    for (char* t : texts)
        if ((uint8_t)t[0] > 254)
            t[0] = '\0';
    // The password shows as stars whatever the template says.
    ::SendDlgItemMessageA(m_hWnd, IDC_ALARM_SMTP_PASSWORD, EM_SETPASSWORDCHAR, '*', 0);
    m_number.SubclassWindow(GetDlgItem(IDC_ALARM_NUMBER));
    m_number.SetCharSet(kDigits, (int)CFG_COUNTED_24 - 1);
    m_alarmServer.Attach(m_hWnd, IDC_ALARM_SERVER_HOST, IDC_ALARM_SERVER_PORT);
    m_smtpServer.Attach(m_hWnd, IDC_ALARM_SMTP_HOST, IDC_ALARM_SMTP_PORT, 25);
}

void CSystemAlarmPage::OnFilled()
{
    HWND list = GetDlgItem(IDC_ALARM_NUMBERS);
    for (int i = 0; i < kMaxNumbers; ++i)
    {
        uint8_t* entry = m_pRecord->alarm.smsNumbers[i];
        if (entry[0] == 0 || entry[0] == 0xFF)
            break;
        char number[CFG_COUNTED_24];
        ReadCountedString(entry, CFG_COUNTED_24, number);
        ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)number);
    }
    m_alarmServer.Fill(m_pRecord->alarm.alarmServer);
    m_smtpServer.Fill(m_pRecord->alarm.smtpServer);
}

bool CSystemAlarmPage::OnValidate()
{
    if (m_alarmServer.PortMissing())
    {
        Refuse(m_alarmServer.PortControl(), "strSystemAlarmIpPortMissing", "strError");
        return false;
    }
    return true;
}

void CSystemAlarmPage::OnStored()
{
    AlarmSettings& a = m_pRecord->alarm;
    memset(a.smsNumbers, 0xFF, sizeof(a.smsNumbers));
    HWND list = GetDlgItem(IDC_ALARM_NUMBERS);
    int count = (int)::SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count && i < kMaxNumbers; ++i)
    {
        char number[CFG_COUNTED_24];
        ListItemText(list, i, number, sizeof(number));
        WriteCountedString24(number, a.smsNumbers[i]);
    }
    m_alarmServer.Store(a.alarmServer);
    m_smtpServer.Store(a.smtpServer);
}

bool CSystemAlarmPage::TakeNumber(char* number, size_t size, int except)
{
    m_number.GetWindowText(number, (int)size);
    if (number[0] == '\0')
    {
        ShowError("strSystemAlarmSmsNumberMissing");
        return false;
    }
    if (FindListItem(GetDlgItem(IDC_ALARM_NUMBERS), number, except) >= 0)
    {
        g_Language.MessageBoxKeyFormat("strSystemAlarmSmsNumberDuplicate", "strError", MB_OK | MB_ICONEXCLAMATION,
                                       number);
        return false;
    }
    return true;
}

void CSystemAlarmPage::FocusNumber()
{
    m_number.SendMessage(EM_SETSEL, 0, -1);
    m_number.SetFocus();
}

LRESULT CSystemAlarmPage::OnNumberSelected(WORD, WORD, HWND list, BOOL&)
{
    int sel = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel >= 0)
    {
        char number[CFG_COUNTED_24];
        ListItemText(list, sel, number, sizeof(number));
        m_number.SetWindowText(number);
        m_number.SendMessage(EM_SETSEL, 0, -1);
    }
    return 0;
}

LRESULT CSystemAlarmPage::OnAdd(WORD, WORD, HWND, BOOL&)
{
    HWND list = GetDlgItem(IDC_ALARM_NUMBERS);
    char number[CFG_COUNTED_24];
    m_number.GetWindowText(number, sizeof(number));
    // A full list takes nothing, and says nothing about the number either.
    bool full = ::SendMessageA(list, LB_GETCOUNT, 0, 0) >= kMaxNumbers;
    if (number[0] == '\0' || !full)
    {
        if (TakeNumber(number, sizeof(number), -1))
            ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)number);
    }
    FocusNumber();
    return 0;
}

LRESULT CSystemAlarmPage::OnChange(WORD, WORD, HWND, BOOL&)
{
    HWND list = GetDlgItem(IDC_ALARM_NUMBERS);
    int sel = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel < 0)
        return 0;
    char number[CFG_COUNTED_24];
    char current[CFG_COUNTED_24];
    m_number.GetWindowText(number, sizeof(number));
    ListItemText(list, sel, current, sizeof(current));
    if (strcmp(number, current) != 0 && TakeNumber(number, sizeof(number), sel))
    {
        ::SendMessageA(list, LB_DELETESTRING, (WPARAM)sel, 0);
        int added = (int)::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)number);
        ::SendMessageA(list, LB_SETCURSEL, (WPARAM)added, 0);
    }
    FocusNumber();
    return 0;
}

LRESULT CSystemAlarmPage::OnDelete(WORD, WORD, HWND, BOOL&)
{
    HWND list = GetDlgItem(IDC_ALARM_NUMBERS);
    int sel = (int)::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel >= 0)
        ::SendMessageA(list, LB_DELETESTRING, (WPARAM)sel, 0);
    ::SendMessageA(list, LB_SETCURSEL, (WPARAM)-1, 0);
    return 0;
}

// --- CDR ----------------------------------------------------------------------

void CSystemCdrPage::OnInitControls()
{
    // Fields never written show as the device's defaults and are written so.
    if (m_pRecord->cdr.timeout == 0 || m_pRecord->cdr.timeout == 0xFFFF)
        m_pRecord->cdr.timeout = 1;
    if (m_pRecord->isdnCommon.cdrOption > 254)
        m_pRecord->isdnCommon.cdrOption = kCdrAnswered;
    m_server.Attach(m_hWnd, IDC_CDR_HOST, IDC_CDR_PORT);
}

void CSystemCdrPage::OnFilled()
{
    m_server.Fill(m_pRecord->cdr.server);
}

bool CSystemCdrPage::OnValidate()
{
    if (m_server.PortMissing())
    {
        Refuse(m_server.PortControl(), "strSystemCdrIpPortMissing", "strError");
        return false;
    }
    return true;
}

void CSystemCdrPage::OnStored()
{
    m_server.Store(m_pRecord->cdr.server);
    m_pRecord->cdr.zero28 = 0;
    // The selection byte holds the two boxes and nothing else.
    m_pRecord->isdnCommon.cdrOption &= kCdrSelectionBits;
}

// --- credit report ------------------------------------------------------------

void CSystemCreditPage::OnInitControls()
{
    if (m_pRecord->creditReport.hour > 254)
        m_pRecord->creditReport.hour = 0;
    HWND hours = GetDlgItem(IDC_CREDIT_HOUR);
    for (int h = 0; h < kHoursPerDay; ++h)
    {
        char text[16];
        FormatText(text, sizeof(text), "%02d:00", h);
        CFieldBinder::AddEntry(hours, text, h);
    }
    m_server.Attach(m_hWnd, IDC_CREDIT_HOST, IDC_CREDIT_PORT);
}

void CSystemCreditPage::OnFilled()
{
    m_server.Fill(m_pRecord->creditReport.server);
}

bool CSystemCreditPage::OnValidate()
{
    if (m_server.PortMissing())
    {
        Refuse(m_server.PortControl(), "strSystemCreditIpPortMissing", "strError");
        return false;
    }
    return true;
}

void CSystemCreditPage::OnStored()
{
    m_server.Store(m_pRecord->creditReport.server);
    m_pRecord->creditReport.reported |= kReportUnusedBits;
}

// --- SMS ----------------------------------------------------------------------

void CSystemSmsPage::OnInitControls()
{
    if (m_pRecord->sms2.textLength > 254)
        m_pRecord->sms2.textLength = 0;
    m_server.Attach(m_hWnd, IDC_SMS_HOST, IDC_SMS_PORT);
}

void CSystemSmsPage::OnFilled()
{
    m_server.Fill(m_pRecord->sms1.server);
    const SmsSettings2& sms = m_pRecord->sms2;
    ShowLengthText(GetDlgItem(IDC_SMS_TEXT), sms.textLength, sms.text, kTextMax, "");
    bool usable[kModuleCount];
    for (int m = 0; m < kModuleCount; ++m)
        usable[m] = m_pRecord->cardSlots[m / kSlotModules].cardType == CARD_GSM;
    FillModuleGrid(m_hWnd, IDC_SMS_MODULE_FIRST, IDC_SMS_LABEL_FIRST, ReadMask(sms.moduleMask),
                   usable);
}

bool CSystemSmsPage::OnValidate()
{
    if (m_server.PortMissing())
    {
        Refuse(m_server.PortControl(), "strSystemSmsIpPortMissing", "strError");
        return false;
    }
    return true;
}

void CSystemSmsPage::OnStored()
{
    m_server.Store(m_pRecord->sms1.server);
    m_pRecord->sms1.zero28 = 0;
    char text[kTextMax + 1];
    GetDlgItemText(IDC_SMS_TEXT, text, sizeof(text));
    StoreLengthText(m_pRecord->sms2.textLength, m_pRecord->sms2.text, text, kTextMax);
    WriteMask(m_pRecord->sms2.moduleMask, CheckedModules(m_hWnd, IDC_SMS_MODULE_FIRST));
}

LRESULT CSystemSmsPage::OnSelectAll(WORD, WORD, HWND, BOOL&)
{
    CheckUsableModules(m_hWnd, IDC_SMS_MODULE_FIRST, true);
    return 0;
}

LRESULT CSystemSmsPage::OnDeselectAll(WORD, WORD, HWND, BOOL&)
{
    CheckUsableModules(m_hWnd, IDC_SMS_MODULE_FIRST, false);
    return 0;
}

// --- HTTP requests ------------------------------------------------------------

void CSystemHttpPage::OnInitControls()
{
    for (HttpRequestSettings* request : { &m_pRecord->httpOut, &m_pRecord->httpIn })
        if (request->urlLength > 254)
            request->urlLength = 0;
}

void CSystemHttpPage::OnFilled()
{
    const HttpRequestSettings& out = m_pRecord->httpOut;
    const HttpRequestSettings& in = m_pRecord->httpIn;
    ShowLengthText(GetDlgItem(IDC_HTTP_OUT_URL), out.urlLength, out.url, kUrlMax, kUrlScheme);
    ShowLengthText(GetDlgItem(IDC_HTTP_IN_URL), in.urlLength, in.url, kUrlMax, kUrlScheme);
    bool usable[kModuleCount];
    for (int m = 0; m < kModuleCount; ++m)
    {
        uint8_t type = m_pRecord->cardSlots[m / kSlotModules].cardType;
        usable[m] = type != CARD_NONE && type != CARD_NONE_EMPTY;
    }
    FillModuleGrid(m_hWnd, IDC_HTTP_CHANNEL_FIRST, IDC_HTTP_LABEL_FIRST,
                   ReadMask(in.selection), usable);
}

bool CSystemHttpPage::OnValidate()
{
    const UINT urls[] = { IDC_HTTP_OUT_URL, IDC_HTTP_IN_URL };
    for (UINT id : urls)
    {
        char url[kUrlMax + 1];
        GetDlgItemText((int)id, url, sizeof(url));
        if (CheckRequestUrl(url) == RequestUrlCheck::Refuse)
        {
            Refuse(id, "strSystemHttpRequestErr", "strError");
            return false;
        }
    }
    return true;
}

void CSystemHttpPage::OnStored()
{
    const struct
    {
        UINT id;
        HttpRequestSettings* request;
    } urls[] = { { IDC_HTTP_OUT_URL, &m_pRecord->httpOut }, { IDC_HTTP_IN_URL, &m_pRecord->httpIn } };
    for (const auto& u : urls)
    {
        char url[kUrlMax + 1];
        GetDlgItemText((int)u.id, url, sizeof(url));
        if (CheckRequestUrl(url) == RequestUrlCheck::Clear)
            u.request->urlLength = 0;
        else
            StoreLengthText(u.request->urlLength, u.request->url, url, kUrlMax);
    }
    WriteMask(m_pRecord->httpIn.selection, CheckedModules(m_hWnd, IDC_HTTP_CHANNEL_FIRST));
}

LRESULT CSystemHttpPage::OnSelectAll(WORD, WORD, HWND, BOOL&)
{
    CheckUsableModules(m_hWnd, IDC_HTTP_CHANNEL_FIRST, true);
    return 0;
}

LRESULT CSystemHttpPage::OnDeselectAll(WORD, WORD, HWND, BOOL&)
{
    CheckUsableModules(m_hWnd, IDC_HTTP_CHANNEL_FIRST, false);
    return 0;
}
