#include "pages/SipCommonPage.h"
#include "record/SipAccount.h"
#include <cstring>

namespace
{
enum NatMode : uint8_t
{
    NAT_NONE = 0,
    NAT_PUBLIC_ADDRESS = 1,
    NAT_STUN = 2,
};

constexpr uint8_t kTransportUdp = 1;
constexpr uint8_t kOptionDnsSrv = 0x01;
constexpr uint8_t kOptionAuthReject = 0x02;
constexpr int kMaxNumber = 65534;

// What a zero (or a value the edit cannot show) stands for.
constexpr uint16_t kDefaultSipPort = 5060;
constexpr uint16_t kDefaultExpiryMin = 90;
constexpr uint16_t kDefaultExpiryMax = 3600;
constexpr uint16_t kDefaultRtpFirst = 8000;
constexpr uint16_t kDefaultRtpLast = 8099;
constexpr uint16_t kDefaultStunPort = 3478;

#define SIP(member) offsetof(ConfigRecord, sipCommon.member)
#define SIP_SIZE(member) (uint16_t)sizeof(((SipCommonSettings*)nullptr)->member)

const FieldChoice kTransports[] = { { kTransportUdp, nullptr, "UDP", 0 } };
const FieldChoice kNatModes[] = {
    { NAT_NONE, nullptr, nullptr, IDC_VOIPCOM_NAT_NONE },
    { NAT_PUBLIC_ADDRESS, nullptr, nullptr, IDC_VOIPCOM_NAT_PUBLIC },
    { NAT_STUN, nullptr, nullptr, IDC_VOIPCOM_NAT_STUN },
};

const FieldBinding kSipCommonFields[] = {
    Field::List(IDC_VOIPCOM_TRANSPORT, SIP(transport), kTransports),
    Field::Number(IDC_VOIPCOM_SIP_PORT, SIP(sipPort), 2, 0, kMaxNumber, kDefaultSipPort),
    Field::Number(IDC_VOIPCOM_EXPIRY_MIN, SIP(regExpiryMin), 2, 0, kMaxNumber, kDefaultExpiryMin),
    Field::Number(IDC_VOIPCOM_EXPIRY_MAX, SIP(regExpiryMax), 2, 0, kMaxNumber, kDefaultExpiryMax),
    Field::List(IDC_VOIPCOM_DSCP_SIP, SIP(dscpSignalling), g_DscpChoices),
    Field::Bit(IDC_VOIPCOM_AUTH_REJECT, SIP(options), kOptionAuthReject),
    Field::Bit(IDC_VOIPCOM_DNS_SRV, SIP(options), kOptionDnsSrv),
    Field::Number(IDC_VOIPCOM_RTP_FIRST, SIP(rtpPortFirst), 2, 0, kMaxNumber, kDefaultRtpFirst),
    Field::Number(IDC_VOIPCOM_RTP_LAST, SIP(rtpPortLast), 2, 0, kMaxNumber, kDefaultRtpLast),
    Field::List(IDC_VOIPCOM_DSCP_RTP, SIP(dscpMedia), g_DscpChoices),
    // A mode the device does not know shows as none, and is stored as none.
    Field::RadioOr(SIP(natMode), kNatModes, NAT_NONE),
    Field::Text(IDC_VOIPCOM_PUBLIC_ADDRESS, SIP(publicAddress), SIP_SIZE(publicAddress)),
    Field::Text(IDC_VOIPCOM_STUN_SERVER, SIP(stunServer), SIP_SIZE(stunServer)),
    Field::Number(IDC_VOIPCOM_STUN_PORT, SIP(stunPort), 2, 0, kMaxNumber, kDefaultStunPort),
};
#undef SIP
#undef SIP_SIZE

// A value no edit can show (above 65534) becomes the default.
void ValidOrDefault(uint16_t* value, uint16_t def)
{
    if (*value > kMaxNumber)
        *value = def;
}
}

const FieldChoice g_DscpChoices[21] = {
    { 0, nullptr, "CS0", 0 },   { 8, nullptr, "CS1", 0 },   { 16, nullptr, "CS2", 0 },  { 24, nullptr, "CS3", 0 },
    { 32, nullptr, "CS4", 0 },  { 40, nullptr, "CS5", 0 },  { 48, nullptr, "CS6", 0 },  { 56, nullptr, "CS7", 0 },
    { 10, nullptr, "AF11", 0 }, { 12, nullptr, "AF12", 0 }, { 14, nullptr, "AF13", 0 }, { 18, nullptr, "AF21", 0 },
    { 20, nullptr, "AF22", 0 }, { 22, nullptr, "AF23", 0 }, { 26, nullptr, "AF31", 0 }, { 28, nullptr, "AF32", 0 },
    { 30, nullptr, "AF33", 0 }, { 34, nullptr, "AF41", 0 }, { 36, nullptr, "AF42", 0 }, { 38, nullptr, "AF43", 0 },
    { 46, nullptr, "EF", 0 },
};

const FieldTable CVoipCommonPage::kFields = MakeFieldTable(kSipCommonFields);

void CorrectSipCommonSettings(SipCommonSettings* sip)
{
    ZeroToDefault(&sip->sipPort, kDefaultSipPort);
    ZeroToDefault(&sip->regExpiryMin, kDefaultExpiryMin);
    ZeroToDefault(&sip->regExpiryMax, kDefaultExpiryMax);
    if (sip->regExpiryMin > sip->regExpiryMax)
    {
        sip->regExpiryMin = kDefaultExpiryMin;
        sip->regExpiryMax = kDefaultExpiryMax;
    }
    ZeroToDefault(&sip->rtpPortFirst, kDefaultRtpFirst);
    ZeroToDefault(&sip->rtpPortLast, kDefaultRtpLast);
    if (sip->rtpPortFirst > sip->rtpPortLast)
    {
        uint16_t first = sip->rtpPortLast;
        sip->rtpPortLast = sip->rtpPortFirst;
        sip->rtpPortFirst = first;
    }
    ZeroToDefault(&sip->stunPort, kDefaultStunPort);
    if (sip->natMode == NAT_PUBLIC_ADDRESS && sip->publicAddress[0] == '\0')
        sip->natMode = NAT_NONE;
    if (sip->natMode == NAT_STUN && sip->stunServer[0] == '\0')
        sip->natMode = NAT_NONE;
}

void CVoipCommonPage::OnInitControls()
{
    // What the device cannot hold is put right in the page-edit copy when
    // the page opens; the commit then counts it as a change.
    SipCommonSettings& sip = m_pRecord->sipCommon;
    // UDP is the device's one transport: any other byte becomes UDP.
    sip.transport = kTransportUdp;
    ValidOrDefault(&sip.sipPort, kDefaultSipPort);
    ValidOrDefault(&sip.regExpiryMin, kDefaultExpiryMin);
    ValidOrDefault(&sip.regExpiryMax, kDefaultExpiryMax);
    ValidOrDefault(&sip.rtpPortFirst, kDefaultRtpFirst);
    ValidOrDefault(&sip.rtpPortLast, kDefaultRtpLast);
    ValidOrDefault(&sip.stunPort, kDefaultStunPort);
    if ((uint8_t)sip.publicAddress[0] == CFG_EMPTY)
        sip.publicAddress[0] = '\0';
    if ((uint8_t)sip.stunServer[0] == CFG_EMPTY)
        sip.stunServer[0] = '\0';
}

void CVoipCommonPage::OnFilled()
{
    EnableNatEdits(m_pRecord->sipCommon.natMode);
}

void CVoipCommonPage::OnStored()
{
    CorrectSipCommonSettings(&m_pRecord->sipCommon);
}

// Store puts right what the controls may show: zero ports and expiry
// times, ranges upside down, a NAT mode without its address.
void CVoipCommonPage::OwnWrites(std::vector<ByteRun>& runs) const
{
    const SipCommonSettings& sip = m_pRecord->sipCommon;
    runs.insert(runs.end(), { RunOf(m_pRecord, sip.sipPort), RunOf(m_pRecord, sip.regExpiryMin),
                              RunOf(m_pRecord, sip.regExpiryMax), RunOf(m_pRecord, sip.rtpPortFirst),
                              RunOf(m_pRecord, sip.rtpPortLast), RunOf(m_pRecord, sip.stunPort),
                              RunOf(m_pRecord, sip.natMode) });
}

void CVoipCommonPage::EnableNatEdits(int mode)
{
    ::EnableWindow(GetDlgItem(IDC_VOIPCOM_PUBLIC_ADDRESS), mode == NAT_PUBLIC_ADDRESS);
    ::EnableWindow(GetDlgItem(IDC_VOIPCOM_STUN_SERVER), mode == NAT_STUN);
    ::EnableWindow(GetDlgItem(IDC_VOIPCOM_STUN_PORT), mode == NAT_STUN);
}

LRESULT CVoipCommonPage::OnNatClicked(WORD code, WORD id, HWND, BOOL& bHandled)
{
    if (code != BN_CLICKED)
    {
        bHandled = FALSE;
        return 0;
    }
    EnableNatEdits(id == IDC_VOIPCOM_NAT_PUBLIC ? NAT_PUBLIC_ADDRESS : id == IDC_VOIPCOM_NAT_STUN ? NAT_STUN : NAT_NONE);
    return 0;
}
