#include "pages/SipAccountDialogs.h"
#include "pages/GroupFunctions.h"
#include <cstring>

namespace
{
#define ACC(member) (uint32_t)offsetof(SipAccount, member)
#define ACC_SIZE(member) (uint16_t)sizeof(((SipAccount*)nullptr)->member)

constexpr int kMaxNumber = 65534;
constexpr uint16_t kExpiryShown = 600; // what an expiry the edit cannot show becomes

constexpr int LowestBit(uint32_t flag)
{
    int i = 0;
    while (flag && !(flag & 1u))
    {
        flag >>= 1;
        ++i;
    }
    return i;
}

// A check box owning one bit of a 32-bit flag word.
constexpr FieldBinding FlagBit(UINT id, uint32_t wordOffset, uint32_t flag)
{
    return Field::Bit(id, wordOffset + (uint32_t)LowestBit(flag) / 8, (uint8_t)(1u << (LowestBit(flag) % 8)));
}

// An edit of a zero-terminated text; the rest of the field is zeroed, so an
// old longer text leaves nothing behind.
constexpr FieldBinding AccountText(UINT id, uint32_t ofs, uint16_t size)
{
    return Field::Text(id, ofs, size, nullptr, FB_ZERO_FILL);
}

const FieldChoice kDtmfModes[] = {
    { DTMF_INBAND, nullptr, "Inband", 0 },
    { DTMF_RFC2833, nullptr, "RFC2833", 0 },
    { DTMF_INFO, nullptr, "INFO", 0 },
};

const FieldChoice kEchoTails[] = {
    { 0 << 1, nullptr, "8 ms", 0 },   { 1 << 1, nullptr, "16 ms", 0 },  { 2 << 1, nullptr, "24 ms", 0 },
    { 3 << 1, nullptr, "32 ms", 0 },  { 4 << 1, nullptr, "40 ms", 0 },  { 5 << 1, nullptr, "48 ms", 0 },
    { 6 << 1, nullptr, "56 ms", 0 },  { 7 << 1, nullptr, "64 ms", 0 },  { 8 << 1, nullptr, "72 ms", 0 },
    { 9 << 1, nullptr, "80 ms", 0 },  { 10 << 1, nullptr, "88 ms", 0 }, { 11 << 1, nullptr, "96 ms", 0 },
    { 12 << 1, nullptr, "104 ms", 0 }, { 13 << 1, nullptr, "112 ms", 0 }, { 14 << 1, nullptr, "120 ms", 0 },
    { 15 << 1, nullptr, "128 ms", 0 },
};
const FieldChoice kG723Rates[] = {
    { 0, "strVoipVoiceG723RateLo", nullptr, 0 },
    { 1 << (LowestBit(SVF_G723_HIGH_RATE) % 8), "strVoipVoiceG723RateHi", nullptr, 0 },
};
const char* const kVadTuningKeys[SVF_VAD_TUNE_OPTIONS] = {
    "strVoipVoiceVadTuneOption0", "strVoipVoiceVadTuneOption1", "strVoipVoiceVadTuneOption2",
    "strVoipVoiceVadTuneOption3", "strVoipVoiceVadTuneOption4",
};

const FieldBinding kVoiceFields[] = {
    Field::List(IDC_VOIPVOICE_ECHO_TAIL, ACC(voiceFlags), kEchoTails, (uint8_t)SVF_ECHO_TAIL_MASK, FB_SHARED),
    Field::List(IDC_VOIPVOICE_G723_RATE, ACC(voiceFlags) + LowestBit(SVF_G723_HIGH_RATE) / 8, kG723Rates,
                (uint8_t)(1u << (LowestBit(SVF_G723_HIGH_RATE) % 8)), FB_SHARED),
    Field::Number(IDC_VOIPVOICE_JITTER_MIN, ACC(jitterMin), 1, 0, 200, 0),
    Field::Number(IDC_VOIPVOICE_JITTER_MAX, ACC(jitterMax), 1, 0, 200, 100),
};

#define CODEC_LISTS(first) \
    Field::List(first, ACC(codecs) + 0, g_CodecChoices), Field::List(first + 1, ACC(codecs) + 1, g_CodecChoices), \
    Field::List(first + 2, ACC(codecs) + 2, g_CodecChoices), Field::List(first + 3, ACC(codecs) + 3, g_CodecChoices), \
    Field::List(first + 4, ACC(codecs) + 4, g_CodecChoices)

const FieldBinding kUserFields[] = {
    AccountText(IDC_VOIPUSER_EXTENSION, ACC(user), ACC_SIZE(user)),
    AccountText(IDC_VOIPUSER_AUTH_NAME, ACC(authName), ACC_SIZE(authName)),
    AccountText(IDC_VOIPUSER_PASSWORD, ACC(password), ACC_SIZE(password)),
    AccountText(IDC_VOIPUSER_DISPLAY_NAME, ACC(displayName), ACC_SIZE(displayName)),
    AccountText(IDC_VOIPUSER_HOST, ACC(host), ACC_SIZE(host)),
    Field::Number(IDC_VOIPUSER_PORT, ACC(port), 2, 0, kMaxNumber, SIP_DEFAULT_PORT),
    FlagBit(IDC_VOIPUSER_DYNAMIC, ACC(accountFlags), SAF_DYNAMIC),
    Field::List(IDC_VOIPUSER_DTMF, ACC(dtmfMode), kDtmfModes),
    FlagBit(IDC_VOIPUSER_NAT, ACC(accountFlags), SAF_NAT),
    CODEC_LISTS(IDC_VOIPUSER_CODEC1),
    FlagBit(IDC_VOIPUSER_ECHO_CANCEL, ACC(voiceFlags), SVF_ECHO_CANCEL),
    FlagBit(IDC_VOIPUSER_VAD, ACC(voiceFlags), SVF_VAD),
    FlagBit(IDC_VOIPUSER_AGC, ACC(voiceFlags), SVF_AGC),
    FlagBit(IDC_VOIPUSER_JITTER_BUFFER, ACC(voiceFlags), SVF_JITTER_BUFFER),
    FlagBit(IDC_VOIPUSER_NOISE_SUPPRESS, ACC(voiceFlags), SVF_NOISE_SUPPRESS),
};

const FieldBinding kTrunkAdvancedFields[] = {
    AccountText(IDC_VOIPTRADV_REGISTRAR, ACC(registrar), ACC_SIZE(registrar)),
    Field::Number(IDC_VOIPTRADV_REGISTRAR_PORT, ACC(registrarPort), 2, 0, kMaxNumber, SIP_DEFAULT_PORT),
    Field::Number(IDC_VOIPTRADV_EXPIRY, ACC(regExpiry), 2, 0, kMaxNumber, kExpiryShown),
    Field::Number(IDC_VOIPTRADV_RETRY, ACC(regRetry), 2, 5, 300, SIP_DEFAULT_REG_RETRY),
    AccountText(IDC_VOIPTRADV_OUTBOUND_PROXY, ACC(outboundProxy), ACC_SIZE(outboundProxy)),
    Field::Number(IDC_VOIPTRADV_OUTBOUND_PORT, ACC(outboundProxyPort), 2, 0, kMaxNumber, SIP_DEFAULT_PORT),
    AccountText(IDC_VOIPTRADV_FROM_NAME, ACC(fromName), ACC_SIZE(fromName)),
    AccountText(IDC_VOIPTRADV_FROM_DOMAIN, ACC(fromDomain), ACC_SIZE(fromDomain)),
};

// The trunk dialog edits a trunk row: the account first, then its groups.
static_assert(offsetof(SipTrunkRow, account) == 0, "the account opens a trunk row");
const FieldBinding kTrunkFields[] = {
    AccountText(IDC_VOIPTRUNK_ACCOUNT, ACC(name), ACC_SIZE(name)),
    AccountText(IDC_VOIPTRUNK_USER, ACC(user), ACC_SIZE(user)),
    AccountText(IDC_VOIPTRUNK_AUTH_NAME, ACC(authName), ACC_SIZE(authName)),
    AccountText(IDC_VOIPTRUNK_PASSWORD, ACC(password), ACC_SIZE(password)),
    AccountText(IDC_VOIPTRUNK_PROXY, ACC(host), ACC_SIZE(host)),
    Field::Number(IDC_VOIPTRUNK_PORT, ACC(port), 2, 0, kMaxNumber, SIP_DEFAULT_PORT),
    FlagBit(IDC_VOIPTRUNK_REGISTER, ACC(accountFlags), SAF_REGISTER),
    FlagBit(IDC_VOIPTRUNK_DYNAMIC, ACC(accountFlags), SAF_DYNAMIC),
    Field::List(IDC_VOIPTRUNK_DTMF, ACC(dtmfMode), kDtmfModes),
    FlagBit(IDC_VOIPTRUNK_NAT, ACC(accountFlags), SAF_NAT),
    FlagBit(IDC_VOIPTRUNK_AUTH_INVITE, ACC(accountFlags), SAF_AUTH_INVITE),
    CODEC_LISTS(IDC_VOIPTRUNK_CODEC1),
    FlagBit(IDC_VOIPTRUNK_CLEAR_MODE, ACC(accountFlags), SAF_CLEAR_MODE),
    FlagBit(IDC_VOIPTRUNK_ECHO_CANCEL, ACC(voiceFlags), SVF_ECHO_CANCEL),
    FlagBit(IDC_VOIPTRUNK_VAD, ACC(voiceFlags), SVF_VAD),
    FlagBit(IDC_VOIPTRUNK_AGC, ACC(voiceFlags), SVF_AGC),
    FlagBit(IDC_VOIPTRUNK_JITTER_BUFFER, ACC(voiceFlags), SVF_JITTER_BUFFER),
    FlagBit(IDC_VOIPTRUNK_NOISE_SUPPRESS, ACC(voiceFlags), SVF_NOISE_SUPPRESS),
    Field::OwnList(IDC_VOIPTRUNK_IN_GROUP, offsetof(SipTrunkRow, inGroup)),
    Field::OwnList(IDC_VOIPTRUNK_OUT_GROUP, offsetof(SipTrunkRow, outGroup)),
};
#undef CODEC_LISTS

bool IsEmptyHost(const char* field)
{
    return field[0] == '\0' || (uint8_t)field[0] == CFG_EMPTY;
}

// Fields of 24 bytes that take another's text: the whole field is copied,
// terminator and zero fill included.
void CopyAccountText(char (&to)[24], const char (&from)[24])
{
    memcpy(to, from, sizeof(to));
    to[sizeof(to) - 1] = '\0';
}

bool NameTaken(const std::vector<std::string>& names, int index, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if ((int)i != index && names[i] == name)
            return true;
    return false;
}
} // namespace

const FieldChoice g_CodecChoices[CODEC_COUNT] = {
    { CODEC_NONE, nullptr, "none", 0 },
    { CODEC_G711_ALAW, nullptr, "G.711 A-Law", 0 },
    { CODEC_G711_ULAW, nullptr, "G.711 \xB5-Law", 0 },
    { CODEC_G729A, nullptr, "G.729a", 0 },
    { CODEC_G723_1, nullptr, "G.723.1", 0 },
    { CODEC_G726_16, nullptr, "G.726-16", 0 },
    { CODEC_G726_24, nullptr, "G.726-24", 0 },
    { CODEC_G726_32, nullptr, "G.726-32", 0 },
    { CODEC_G726_40, nullptr, "G.726-40", 0 },
    { CODEC_G726_32_AAL2, nullptr, "G.726-32", 0 },
    { CODEC_GSM, nullptr, "GSM", 0 },
    { CODEC_ILBC20, nullptr, "iLBC20", 0 },
    { CODEC_ILBC30, nullptr, "iLBC30", 0 },
};

const FieldTable CVoipVoiceAdvancedDlg::kFields = MakeFieldTable(kVoiceFields);
const FieldTable CVoipUserDlg::kFields = MakeFieldTable(kUserFields);
const FieldTable CVoipTrunkAdvancedDlg::kFields = MakeFieldTable(kTrunkAdvancedFields);
const FieldTable CVoipTrunkDlg::kFields = MakeFieldTable(kTrunkFields);

// --- voice options --------------------------------------------------------------

void CVoipVoiceAdvancedDlg::OnInitControls()
{
    HWND list = GetDlgItem(IDC_VOIPVOICE_VAD_TUNING);
    for (int i = 0; i < SVF_VAD_TUNE_OPTIONS; ++i)
    {
        char text[260] = "";
        g_Language.GetString(kVadTuningKeys[i], text, sizeof(text));
        CFieldBinder::AddEntry(list, text, i);
    }
    // A stored value that is no option (5-7) shows no selection and is kept.
    CFieldBinder::SelectByCode(list, GetVadTuning(m_account));
}

void CVoipVoiceAdvancedDlg::OnStored()
{
    SetVadTuning(&m_account, CFieldBinder::SelectedCode(GetDlgItem(IDC_VOIPVOICE_VAD_TUNING)));
    if (m_account.jitterMin > m_account.jitterMax)
    {
        uint8_t minimum = m_account.jitterMax;
        m_account.jitterMax = m_account.jitterMin;
        m_account.jitterMin = minimum;
    }
}

// --- user -------------------------------------------------------------------------

void CVoipUserDlg::OnFilled()
{
    FillQualify(m_account, IDC_VOIPUSER_QUALIFY_ON, IDC_VOIPUSER_QUALIFY);
    EnableHost();
}

bool CVoipUserDlg::OnValidate()
{
    std::string extension = ItemText(IDC_VOIPUSER_EXTENSION).substr(0, ACC_SIZE(user) - 1);
    if (extension.empty())
    {
        Refuse(IDC_VOIPUSER_EXTENSION, "strVoipUserErrExtension");
        return false;
    }
    if (NameTaken(m_extensions, m_index, extension))
    {
        Refuse(IDC_VOIPUSER_EXTENSION, "strVoipUserErrExtensionExist");
        return false;
    }
    if (!IsChecked(IDC_VOIPUSER_DYNAMIC) && ::GetWindowTextLengthA(GetDlgItem(IDC_VOIPUSER_HOST)) == 0)
    {
        Refuse(IDC_VOIPUSER_HOST, "strVoipUserErrHost");
        return false;
    }
    return true;
}

void CVoipUserDlg::OnStored()
{
    m_account.accountFlags |= SAF_USER;
    CopyAccountText(m_account.name, m_account.user);
    if (m_account.password[0] && !m_account.authName[0])
        CopyAccountText(m_account.authName, m_account.user);
    ZeroToDefault(&m_account.port, SIP_DEFAULT_PORT);
    StoreQualify(&m_account, IDC_VOIPUSER_QUALIFY_ON);
    NormaliseCodecs(&m_account);
}

void CVoipUserDlg::EnableHost()
{
    bool fixed = !IsChecked(IDC_VOIPUSER_DYNAMIC);
    Enable(IDC_VOIPUSER_HOST_LABEL, fixed);
    Enable(IDC_VOIPUSER_HOST, fixed);
    Enable(IDC_VOIPUSER_PORT, fixed);
}

LRESULT CVoipUserDlg::OnDynamicClicked(WORD, WORD, HWND, BOOL&)
{
    EnableHost();
    return 0;
}

LRESULT CVoipUserDlg::OnQualifyClicked(WORD, WORD, HWND, BOOL&)
{
    Enable(IDC_VOIPUSER_QUALIFY, IsChecked(IDC_VOIPUSER_QUALIFY_ON));
    return 0;
}

LRESULT CVoipUserDlg::OnVoiceAdvanced(WORD, WORD, HWND, BOOL&)
{
    CVoipVoiceAdvancedDlg dlg(m_account);
    if (dlg.DoModal(m_hWnd) == IDOK)
        m_account = dlg.Account();
    return 0;
}

// --- trunk advanced ---------------------------------------------------------------

void CVoipTrunkAdvancedDlg::OnFilled()
{
    ::CheckDlgButton(m_hWnd, IDC_VOIPTRADV_REGISTRAR_ON, IsEmptyHost(m_account.registrar) ? BST_UNCHECKED : BST_CHECKED);
    ::CheckDlgButton(m_hWnd, IDC_VOIPTRADV_OUTBOUND_ON,
                     IsEmptyHost(m_account.outboundProxy) ? BST_UNCHECKED : BST_CHECKED);
    EnableServers();
}

void CVoipTrunkAdvancedDlg::OnStored()
{
    struct Server
    {
        int check;
        char* host;
        size_t size;
        uint16_t* port;
    };
    const Server servers[] = {
        { IDC_VOIPTRADV_REGISTRAR_ON, m_account.registrar, sizeof(m_account.registrar), &m_account.registrarPort },
        { IDC_VOIPTRADV_OUTBOUND_ON, m_account.outboundProxy, sizeof(m_account.outboundProxy),
          &m_account.outboundProxyPort },
    };
    for (const Server& s : servers)
    {
        if (IsChecked(s.check))
            ZeroToDefault(s.port, SIP_DEFAULT_PORT);
        else
        {
            memset(s.host, 0, s.size);
            *s.port = SIP_DEFAULT_PORT;
        }
    }
    ZeroToDefault(&m_account.regExpiry, SIP_DEFAULT_REG_EXPIRY);
    ZeroToDefault(&m_account.regRetry, SIP_DEFAULT_REG_RETRY);
}

void CVoipTrunkAdvancedDlg::EnableServers()
{
    bool registrar = IsChecked(IDC_VOIPTRADV_REGISTRAR_ON);
    Enable(IDC_VOIPTRADV_REGISTRAR, registrar);
    Enable(IDC_VOIPTRADV_REGISTRAR_PORT, registrar);
    bool outbound = IsChecked(IDC_VOIPTRADV_OUTBOUND_ON);
    Enable(IDC_VOIPTRADV_OUTBOUND_PROXY, outbound);
    Enable(IDC_VOIPTRADV_OUTBOUND_PORT, outbound);
}

LRESULT CVoipTrunkAdvancedDlg::OnServerClicked(WORD, WORD, HWND, BOOL&)
{
    EnableServers();
    return 0;
}

// --- trunk ------------------------------------------------------------------------

CVoipTrunkDlg::CVoipTrunkDlg(const SipTrunkRow& row, int index, const std::vector<std::string>& names,
                             const bool inOffered[32], const bool outOffered[32])
    : m_row(row), m_index(index), m_names(names)
{
    memcpy(m_inOffered, inOffered, sizeof(m_inOffered));
    memcpy(m_outOffered, outOffered, sizeof(m_outOffered));
}

void CVoipTrunkDlg::OnInitControls()
{
    FillGroupList(GetDlgItem(IDC_VOIPTRUNK_IN_GROUP), GroupDirection::In, m_inOffered);
    FillGroupList(GetDlgItem(IDC_VOIPTRUNK_OUT_GROUP), GroupDirection::Out, m_outOffered);
}

void CVoipTrunkDlg::OnFilled()
{
    FillQualify(m_row.account, IDC_VOIPTRUNK_QUALIFY_ON, IDC_VOIPTRUNK_QUALIFY);
    EnableProxy();
}

bool CVoipTrunkDlg::OnValidate()
{
    std::string name = ItemText(IDC_VOIPTRUNK_ACCOUNT).substr(0, ACC_SIZE(name) - 1);
    if (name.empty())
    {
        Refuse(IDC_VOIPTRUNK_ACCOUNT, "strVoipTrunkErrAccount");
        return false;
    }
    if (NameTaken(m_names, m_index, name))
    {
        Refuse(IDC_VOIPTRUNK_ACCOUNT, "strVoipTrunkErrAccountExist");
        return false;
    }
    if (!IsChecked(IDC_VOIPTRUNK_DYNAMIC) && ::GetWindowTextLengthA(GetDlgItem(IDC_VOIPTRUNK_PROXY)) == 0)
    {
        Refuse(IDC_VOIPTRUNK_PROXY, "strVoipTrunkErrProxy");
        return false;
    }
    return true;
}

void CVoipTrunkDlg::OnStored()
{
    SipAccount& a = m_row.account;
    a.accountFlags &= ~(uint32_t)SAF_USER;
    if (a.password[0] && !a.authName[0])
        CopyAccountText(a.authName, a.user);
    ZeroToDefault(&a.port, SIP_DEFAULT_PORT);
    StoreQualify(&a, IDC_VOIPTRUNK_QUALIFY_ON);
    NormaliseCodecs(&a);
}

void CVoipTrunkDlg::EnableProxy()
{
    bool fixed = !IsChecked(IDC_VOIPTRUNK_DYNAMIC);
    Enable(IDC_VOIPTRUNK_PROXY_LABEL, fixed);
    Enable(IDC_VOIPTRUNK_PROXY, fixed);
    Enable(IDC_VOIPTRUNK_PORT, fixed);
    Enable(IDC_VOIPTRUNK_REGISTER, fixed);
}

LRESULT CVoipTrunkDlg::OnDynamicClicked(WORD, WORD, HWND, BOOL&)
{
    EnableProxy();
    return 0;
}

LRESULT CVoipTrunkDlg::OnQualifyClicked(WORD, WORD, HWND, BOOL&)
{
    Enable(IDC_VOIPTRUNK_QUALIFY, IsChecked(IDC_VOIPTRUNK_QUALIFY_ON));
    return 0;
}

LRESULT CVoipTrunkDlg::OnAdvanced(WORD, WORD, HWND, BOOL&)
{
    CVoipTrunkAdvancedDlg dlg(m_row.account);
    if (dlg.DoModal(m_hWnd) == IDOK)
        m_row.account = dlg.Account();
    return 0;
}

LRESULT CVoipTrunkDlg::OnVoiceAdvanced(WORD, WORD, HWND, BOOL&)
{
    CVoipVoiceAdvancedDlg dlg(m_row.account);
    if (dlg.DoModal(m_hWnd) == IDOK)
        m_row.account = dlg.Account();
    return 0;
}
