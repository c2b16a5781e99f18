#pragma once
#include <cstddef>
#include <cstdint>

// The device's whole configuration as one flat image of 484,868 bytes. The same
// bytes travel to and from the device, into configuration data files and
// through the configuration pages, so every offset below is part of the format.
// Numbers inside the record are little-endian. A byte 0xFF (a u16 0xFFFF) is the
// empty marker: the field is not set, or it ends a table.

constexpr uint32_t CFG_RECORD_SIZE = 484868;     // 0x76604
constexpr uint32_t ConfigFormatWord = 0x1801011A; // first u32 of every valid record
constexpr uint16_t CFG_COMMIT_MARKER_SET = 0xFFFF;
constexpr uint8_t CFG_EMPTY = 0xFF;

// ---------------------------------------------------------------------------
// Map of the record: offset, size of one entry and number of entries of every
// sub-record, in record order. The sub-records tile the record without gaps.
// ---------------------------------------------------------------------------
//  offset            entry x count  sub-record
constexpr uint32_t CFG_OFS_FORMAT_WORD = 0x00000;       // u32 ConfigFormatWord
constexpr uint32_t CFG_OFS_COMMIT_MARKER = 0x00004;     // u16, 0xFFFF after any commit
constexpr uint32_t CFG_OFS_ID_NAME_LENGTH = 0x00006;    // u8, 0-32, 0 = no name
constexpr uint32_t CFG_OFS_ID_NAME = 0x00007;           // 32 characters, 0xFF-padded
constexpr uint32_t CFG_SIZE_ID_NAME = 32;
constexpr uint32_t CFG_OFS_NETWORK = 0x00027;           // NetworkSettings, 65
constexpr uint32_t CFG_OFS_DEVICE_IP = 0x00027;         // IpDigitsText
constexpr uint32_t CFG_OFS_NETWORK_MASK = 0x00033;      // IpDigitsText
constexpr uint32_t CFG_OFS_TCP_PORT = 0x0003F;          // 5 digits
constexpr uint32_t CFG_OFS_DEFAULT_ROUTER = 0x00044;    // IpDigitsText
constexpr uint32_t CFG_OFS_DNS1 = 0x00050;              // IpDigitsText
constexpr uint32_t CFG_OFS_DNS2 = 0x0005C;              // IpDigitsText
constexpr uint32_t CFG_OFS_VOIP_OFF = 0x00068;          // u8, 0 VoIP enabled, 1 disabled
constexpr uint32_t CFG_OFS_RESERVED_069 = 0x00069;      // 151, carried unchanged
constexpr uint32_t CFG_SIZE_RESERVED_069 = 151;
constexpr uint32_t CFG_OFS_ISDN_LINKS = 0x00100;        // IsdnLinkSettings 80 x 4
constexpr uint32_t CFG_OFS_ISDN_SYNC_ORDER = 0x00240;   // IsdnSyncOrder 8
constexpr uint32_t CFG_OFS_ISDN_COMMON = 0x00248;       // IsdnCommonSettings 36
constexpr uint32_t CFG_OFS_MOBILITY_MODE = 0x0024F;     //   u8 inside it, edited by the general page
constexpr uint32_t CFG_OFS_PORTABILITY_TONE = 0x00253;  //   u8 inside it, general page
constexpr uint32_t CFG_OFS_CDR_OPTION = 0x00269;        //   u8 inside it, CDR page
constexpr uint32_t CFG_OFS_ANNOUNCEMENT_BITS = 0x0026A; //   u8 inside it, general page
constexpr uint32_t CFG_OFS_BEEP_TIME = 0x0026C;         // u8, general page
constexpr uint32_t CFG_OFS_RESERVED_26D = 0x0026D;      // 91, carried unchanged
constexpr uint32_t CFG_SIZE_RESERVED_26D = 91;
constexpr uint32_t CFG_OFS_MODULE_GROUPS = 0x002C8;     // ModuleGroupAssign 4 x 32
constexpr uint32_t CFG_OFS_OUT_GROUPS = 0x00348;        // OutGroupRec 16 x 32
constexpr uint32_t CFG_OFS_IN_GROUPS_1 = 0x00548;       // InGroupRec part 1, 208 x 32
constexpr uint32_t CFG_OFS_GSM_SIM1 = 0x01F48;          // GsmModuleRec part 1, 48 x 32
constexpr uint32_t CFG_OFS_ROUTING_RULES = 0x02548;     // LcrRoutingRule 64 x 1000
constexpr uint32_t CFG_OFS_LCR_CLIP = 0x11F48;          // LcrClipEntry 36 x 1000
constexpr uint32_t CFG_OFS_CLIP_GSM = 0x1ABE8;          // ClipGsmEntry 36 x 1000
constexpr uint32_t CFG_OFS_ALARM = 0x23888;             // AlarmSettings 512
constexpr uint32_t CFG_OFS_GSM_CELLS = 0x23A88;         // GsmCellSelect 260
constexpr uint32_t CFG_OFS_CDR = 0x23B8C;               // CdrSettings 128
constexpr uint32_t CFG_OFS_SMS_1 = 0x23C0C;             // SmsSettings part 1, 128
constexpr uint32_t CFG_OFS_IN_GROUPS_2 = 0x23C8C;       // InGroupRec part 2, 208 x 32
constexpr uint32_t CFG_OFS_GSM_SIM2 = 0x2568C;          // GsmModuleRec part 2, 48 x 32
constexpr uint32_t CFG_OFS_HTTP_OUT = 0x25C8C;          // HttpRequestSettings outgoing, 256
constexpr uint32_t CFG_OFS_SMS_2 = 0x25D8C;             // SmsSettings part 2, 256
constexpr uint32_t CFG_OFS_MOBILITY = 0x25E8C;          // MobilityExtEntry 100 x 500
constexpr uint32_t CFG_OFS_ROUTING_COMPANION = 0x321DC; // routing rule companion 64 x 1000
constexpr uint32_t CFG_OFS_HTTP_IN = 0x41BDC;           // HttpRequestSettings incoming, 256
constexpr uint32_t CFG_OFS_WORKING_HOURS = 0x41CDC;     // WorkingHours 384
constexpr uint32_t CFG_OFS_ISDN_CREDIT = 0x41E5C;       // IsdnLinkSettings part 2, 96 x 4
constexpr uint32_t CFG_OFS_CREDIT_REPORT = 0x41FDC;     // CreditReportSettings 64
constexpr uint32_t CFG_OFS_GENERAL_2 = 0x4201C;         // SystemGeneralSettings part 2, 64
constexpr uint32_t CFG_OFS_CARD_SLOTS = 0x4205C;        // CardSlotRec 32 x 8
constexpr uint32_t CFG_OFS_VOIP_MODULES = 0x4215C;      // VoipModuleRec 512 x 16
constexpr uint32_t CFG_OFS_ANALOG_COMMON = 0x4415C;     // AnalogCommonSettings 256
constexpr uint32_t CFG_OFS_ANALOG_LINES = 0x4425C;      // AnalogLineRec 256 x 32
constexpr uint32_t CFG_OFS_SIP_TRUNK_GROUPS = 0x4625C;  // SipTrunkGroups 4 x 8
constexpr uint32_t CFG_OFS_UNUSED_4627C = 0x4627C;      // 105,860 not used
constexpr uint32_t CFG_SIZE_UNUSED_4627C = 105860;
constexpr uint32_t CFG_OFS_SIP_COMMON = 0x60000;        // SipCommonSettings 512
constexpr uint32_t CFG_OFS_UNUSED_60200 = 0x60200;      // 512 not used
constexpr uint32_t CFG_SIZE_UNUSED_60200 = 512;
constexpr uint32_t CFG_OFS_SIP_TRUNKS = 0x60400;        // SipTrunkAccount 768 x 8
constexpr uint32_t CFG_OFS_SIP_USERS = 0x61C00;         // SipUserAccount 768 x 110
constexpr uint32_t CFG_OFS_TAIL = 0x76600;              // 4 not used, not in data files
constexpr uint32_t CFG_SIZE_TAIL = 4;

// Table sizes (entries) and entry sizes (bytes).
constexpr uint32_t CFG_ISDN_LINK_COUNT = 4;
constexpr uint32_t CFG_MODULE_COUNT = 32;        // module or line positions, 4 per card slot
constexpr uint32_t CFG_GROUP_COUNT = 32;         // incoming and outgoing groups each
constexpr uint32_t CFG_ROUTING_RULE_COUNT = 1000;
constexpr uint32_t CFG_LCR_CLIP_COUNT = 1000;
constexpr uint32_t CFG_CLIP_GSM_COUNT = 1000;
constexpr uint32_t CFG_MOBILITY_COUNT = 500;
constexpr uint32_t CFG_CARD_SLOT_COUNT = 8;
constexpr uint32_t CFG_VOIP_MODULE_COUNT = 16;
constexpr uint32_t CFG_ANALOG_LINE_COUNT = 32;
constexpr uint32_t CFG_SIP_TRUNK_COUNT = 8;
constexpr uint32_t CFG_SIP_USER_COUNT = 110;
constexpr uint32_t CFG_ROUTING_RULE_SIZE = 64;
constexpr uint32_t CFG_LCR_CLIP_SIZE = 36;
constexpr uint32_t CFG_CLIP_GSM_SIZE = 36;
constexpr uint32_t CFG_MOBILITY_SIZE = 100;
constexpr uint32_t CFG_SIP_ACCOUNT_SIZE = 768;

// CardType, byte 0 of a card slot record. Slot s owns module positions 4s..4s+3.
enum CardType : uint8_t
{
    CARD_NONE = 0,
    CARD_GSM = 1,
    CARD_VOIP = 2,
    CARD_ANALOG_SUBSCRIBER = 3, // FXS
    CARD_ANALOG_TRUNK = 4,      // FXO
    CARD_ANALOG_COMBINED = 5,
    CARD_ANALOG = 6,
    CARD_NONE_EMPTY = 0xFF,     // an empty slot as a new record has it
};

constexpr uint8_t CFG_NO_GROUP = 0xFF; // group numbers are 0-31, 0xFF none

// ---------------------------------------------------------------------------
// Sub-record structures. Fields are named where their meaning is fixed for the
// whole program; the pages that edit a sub-record name its other bytes.
// ---------------------------------------------------------------------------
#pragma pack(push, 1)

struct NetworkSettings // 65 bytes at 0x27
{
    char ipAddress[12];     // IpDigitsText
    char netMask[12];
    char tcpPort[5];        // "%05d", no terminator
    char defaultRouter[12];
    char dns1[12];
    char dns2[12];
};

// A routing profile number (0..254); 0xFF ends the routing table.
typedef uint8_t LcrProfile;
// A GSM signal level as the modules report it: (dBm + 113) / 2, 0..31.
typedef uint8_t GsmSignalCode;
// A clock source of the ISDN synchronisation order: link 0..2; 0xFF unused.
typedef uint8_t IsdnSyncSource;
// What the device does when a module is not on one of the listed cells.
enum GsmCellAction : uint8_t
{
    GSM_CELL_ACTION_ALARM = 1,
    GSM_CELL_ACTION_BLOCK = 2,
    GSM_CELL_ACTION_ALARM_AND_BLOCK = 3,
    GSM_CELL_ACTION_NONE = 255,
};

struct IsdnLinkSettings // 80 bytes, part 1 of an ISDN link
{
    uint8_t flags;          // bit 0 CRC4, bit 1 long haul, bits 2-3 wiring
    uint8_t linkMode;       // IsdnLinkMode
    uint8_t hunting;        // bit 0 downwards, bit 1 cyclic
    uint8_t reserved3;      // carried unchanged
    uint8_t tei;
    uint8_t bytes5[11];
    uint8_t timeslotState[32]; // TimeslotState per timeslot
    uint8_t bytes48[32];
};

struct IsdnCommonSettings // 36 bytes at 0x248
{
    uint16_t dialWait;
    uint8_t dialTone;
    uint8_t callbackSaveTime;
    uint8_t channelAssociation;
    uint8_t noAnswerTimeout;
    uint8_t progressTone;
    uint8_t mobilityExtMode;     // 0x24F, general page: 0 off, 1 users, 2 global
    uint8_t alertingDelay;
    uint8_t substituteIntlFormat;
    uint8_t gsmBusyCause;
    uint8_t portabilityTone;     // 0x253, general page
    uint8_t blockedNotLoggedIn;
    uint8_t blockedPoorSignal;
    GsmSignalCode gsmSignalCode;
    uint8_t bytes0F[5];          // 0x257-0x25B, other pages
    uint8_t countryPrefix[12];   // 12-byte CountedString
    uint8_t cutPrefix;
    uint8_t cdrOption;           // 0x269, CDR page
    uint8_t announcementBits;    // 0x26A, general page
    uint8_t connectWithAlerting;
};

struct ModuleGroupAssign // 4 bytes per module or line position
{
    uint8_t outGroup;
    uint8_t inGroup;
    uint8_t outGroup2;
    uint8_t spare;
};

struct OutGroupRec // 16 bytes
{
    uint8_t selection;      // OutGroupSelection
    uint8_t ddiDigits;
    uint8_t targetDefault;  // default of the routing rules' per-target bytes
    uint8_t spare3;
    uint8_t bytes4[12];
};

struct InGroupRec1 // 208 bytes, part 1 of an incoming group
{
    uint8_t mode;           // InGroupMode
    uint8_t waitTime;
    uint8_t minDigits;
    uint8_t maxDigits;
    uint8_t callbackCut;
    uint8_t ddiDigits;
    uint8_t reserved6;      // carried unchanged
    uint8_t byte7;
    uint8_t prefix[24];         // CountedString
    uint8_t callbackPrefix[24]; // CountedString
    uint8_t extensions[5][24];  // CountedString each
    uint8_t bytes176[32];
};

struct InGroupRec2 // 208 bytes, part 2 of an incoming group
{
    uint8_t bytes0[56];
    uint8_t extensions[5][24];  // second extension list
    uint8_t bytes176[32];
};

struct GsmModuleRec // 48 bytes, SIM 1 (part 1) or SIM 2 (part 2) of a GSM module
{
    uint8_t state;          // SIM 1: 1 enabled, 0xFF disabled; SIM 2: 1 in use
    uint8_t flags;          // roaming, echo cancellation, CLIR, AMR, DTMF retransmission
    uint8_t txVolume;       // 128 + level
    uint8_t rxVolume;
    uint8_t pin[8];
    uint32_t credit0;
    uint32_t oldCredit0;
    uint8_t creditRestoreCode;
    uint8_t firstUnit0;
    uint8_t nextUnit0;
    uint8_t block0;
    uint32_t credit1;
    uint32_t oldCredit1;
    uint32_t credit2;
    uint32_t oldCredit2;
    uint8_t block1;
    uint8_t block2;
    uint8_t firstUnit1;
    uint8_t nextUnit1;
    uint8_t firstUnit2;
    uint8_t nextUnit2;
    uint8_t bytes46[2];
};

struct LcrRoutingRule // 64 bytes; in use while profile is below 0xFF
{
    LcrProfile profile;
    uint8_t bytes1[3];
    uint8_t number[24];       // CountedString
    uint8_t bytes28[24];
    uint8_t targets[5];       // 0xFF ends the list; below 32 an outgoing group
    uint8_t targetValues[5];  // per-target values, see FillRoutingGroupDefaults
    uint8_t bytes62[2];
};

struct LcrClipEntry // 36 bytes; LCR CLIP and CLIP-from-GSM tables
{
    uint8_t number[24];       // CountedString
    uint8_t bytes24[12];
};
typedef LcrClipEntry ClipGsmEntry;

struct RoutingRuleCompanion // 64 bytes; entry i belongs to routing rule i
{
    uint8_t bytes[64];
};

struct AlarmSettings // 512 bytes at 0x23888
{
    uint8_t smsNumbers[5][24]; // CountedString each
    uint8_t bytes78[72];
    char alarmServer[40];      // ServerAddressText
    char mailRecipient[40];
    char mailSender[40];
    char smtpServer[40];       // ServerAddressText
    char smtpUser[40];
    char smtpPassword[40];
    uint8_t smtpTimeout;
    uint8_t bytes1B1[79];
};

struct GsmCellSelect // 260 bytes at 0x23A88
{
    uint8_t bytes[260];
};

struct CdrSettings // 128 bytes at 0x23B8C
{
    char server[40];           // ServerAddressText
    uint8_t zero28;            // the CDR page always writes 0
    uint8_t bytes29[3];
    uint16_t timeout;
    uint8_t bytes2E[82];
};

struct SmsSettings1 // 128 bytes at 0x23C0C
{
    char server[40];           // ServerAddressText
    uint8_t zero28;            // the SMS page always writes 0
    uint8_t bytes29[87];
};

struct SmsSettings2 // 256 bytes at 0x25D8C
{
    uint8_t textLength;        // notification text, 0-160 characters
    char text[160];            // without terminator
    uint8_t bytesA1[91];
    uint8_t moduleMask[4];     // u32: bit m, GSM module m handles SMS
};

struct HttpRequestSettings // 256 bytes, outgoing at 0x25C8C, incoming at 0x41BDC
{
    uint8_t urlLength;         // 0-128; 0 no request
    char url[128];             // without terminator
    uint8_t bytes81[123];
    uint8_t selection[4];      // incoming: u32, bit m channel m; outgoing: byte 3, bit k ISDN link k
};

struct MobilityExtEntry // 100 bytes
{
    uint8_t bytes0[4];
    uint8_t extension[24];     // CountedString; the entry is in use while it is set
    uint8_t bytes28[72];
};

struct WorkingHours // 384 bytes at 0x41CDC
{
    uint8_t weekDays[7][32];   // Monday to Sunday: +0/+1 start hour and minute, +4/+5 end
    uint8_t holidays[160];
};

struct IsdnLinkCredit // 96 bytes, part 2 of an ISDN link
{
    uint32_t credit[6];
    uint32_t oldCredit[6];
    uint8_t firstUnit[6];
    uint8_t nextUnit[6];
    uint8_t block[6];
    uint8_t creditRestoreCode;
    uint8_t bytes67[29];
};

struct CreditReportSettings // 64 bytes at 0x41FDC
{
    char server[40];           // ServerAddressText
    uint8_t reported;          // what is reported
    uint8_t sendMode;          // CreditSendMode
    uint8_t hour;
    uint8_t bytes2B[21];
};

struct SystemGeneralSettings2 // 64 bytes at 0x4201C
{
    uint8_t timeSyncMode;      // TimeSyncMode
    uint8_t timeZoneCode;      // TimeZoneCode
    uint8_t bytes2[62];
};

struct CardSlotRec // 32 bytes
{
    uint8_t cardType;          // CardType
    uint8_t bytes1[31];
};

struct VoipModuleRec // 512 bytes, one per card slot (the table holds 16)
{
    char ipAddress[12];        // IpDigitsText
    char netMask[12];
    char defaultRouter[12];
    char dns1[12];
    char dns2[12];
    uint8_t bytes60[16];
    char sipServer[96];        // NUL-terminated
    char sipPort[5];           // "%05d", no terminator
    uint8_t bytes177[3];
    char sipUser[24];          // NUL-terminated
    char sipPassword[24];      // NUL-terminated
    uint16_t regExpiry;
    uint8_t progressSignalling;
    uint8_t symmetricRtp;
    uint8_t codecs[4];
    uint8_t bytes236[276];
};

struct AnalogCommonSettings // 256 bytes at 0x4415C
{
    uint32_t fxsWord;
    uint32_t fxoWordA;
    uint32_t fxoWordB;
    uint8_t fxoFlashLength;    // 5 ms units
    uint8_t waitDialToneTime;
    uint8_t busyDetectStart;
    uint8_t busyMinLengthEnd;
    uint8_t bytes10[240];
};

struct AnalogLineRec // 256 bytes
{
    uint8_t number[24];        // CountedString
    uint8_t state;             // 1 enabled, 0xFF disabled
    uint8_t bytes25[231];
};

struct SipTrunkGroups // 4 bytes per SIP trunk
{
    uint8_t outGroup;
    uint8_t inGroup;
    uint8_t bytes2[2];
};

struct SipCommonSettings // 512 bytes at 0x60000
{
    uint8_t transport;
    uint8_t dscpSignalling;
    uint16_t sipPort;
    uint16_t regExpiryMax;
    uint16_t regExpiryMin;
    uint8_t reserved8;         // carried unchanged
    uint8_t options;
    uint8_t bytes0A[2];
    uint16_t rtpPortFirst;
    uint16_t rtpPortLast;
    uint8_t dscpMedia;
    uint8_t bytes11[11];
    uint8_t natMode;
    uint8_t bytes1D[3];
    char publicAddress[64];
    char stunServer[64];
    uint16_t stunPort;
    uint16_t reservedA2;       // carried unchanged
    uint8_t bytesA4[348];
};

struct SipAccount // 768 bytes; SIP trunks and SIP users (record/SipAccount.h)
{
    char name[24];             // account name; a user's is a copy of its extension
    char host[64];             // a user's host, a trunk's proxy
    char registrar[64];        // trunks; first byte 0: no registrar
    char outboundProxy[64];    // trunks; first byte 0: none
    uint16_t port;             // 0 means 5060
    uint16_t registrarPort;
    uint16_t outboundProxyPort;
    uint16_t regExpiry;        // trunks; 0 means 1800
    uint16_t regRetry;         // trunks, 5-300; 0 means 30
    uint8_t bytes226[2];
    char user[24];             // a user's extension, a trunk's user name
    char authName[24];
    char password[24];
    char displayName[64];      // users
    uint8_t bytes364[64];
    char fromName[24];         // trunks
    char fromDomain[64];       // trunks
    uint8_t byte516;
    uint8_t dtmfMode;          // DtmfMode
    uint8_t bytes518[2];
    uint8_t codecs[16];        // VoipCodec, in order of preference, the rest 0
    uint32_t accountFlags;     // SipAccountFlags
    uint8_t bytes540[12];
    uint32_t voiceFlags;       // SipVoiceFlags
    uint8_t jitterMin;         // 0-200
    uint8_t jitterMax;         // 0-200, not below the minimum
    uint8_t bytes558[210];
};
typedef SipAccount SipTrunkAccount;
typedef SipAccount SipUserAccount;

struct ConfigRecord
{
    uint32_t formatWord;                         // 0x00000
    uint16_t commitMarker;                       // 0x00004
    uint8_t idNameLength;                        // 0x00006
    char idName[32];                             // 0x00007
    NetworkSettings network;                     // 0x00027
    uint8_t voipOff;                             // 0x00068
    uint8_t reserved069[151];                    // 0x00069
    IsdnLinkSettings isdnLinks[4];               // 0x00100
    IsdnSyncSource isdnSyncOrder[8];             // 0x00240
    IsdnCommonSettings isdnCommon;               // 0x00248
    uint8_t beepTime;                            // 0x0026C
    uint8_t reserved26D[91];                     // 0x0026D
    ModuleGroupAssign moduleGroups[32];          // 0x002C8
    OutGroupRec outGroups[32];                   // 0x00348
    InGroupRec1 inGroups1[32];                   // 0x00548
    GsmModuleRec gsmSim1[32];                    // 0x01F48
    LcrRoutingRule routingRules[1000];           // 0x02548
    LcrClipEntry lcrClip[1000];                  // 0x11F48
    ClipGsmEntry clipGsm[1000];                  // 0x1ABE8
    AlarmSettings alarm;                         // 0x23888
    GsmCellSelect gsmCells;                      // 0x23A88
    CdrSettings cdr;                             // 0x23B8C
    SmsSettings1 sms1;                           // 0x23C0C
    InGroupRec2 inGroups2[32];                   // 0x23C8C
    GsmModuleRec gsmSim2[32];                    // 0x2568C
    HttpRequestSettings httpOut;                 // 0x25C8C
    SmsSettings2 sms2;                           // 0x25D8C
    MobilityExtEntry mobility[500];              // 0x25E8C
    RoutingRuleCompanion routingCompanion[1000]; // 0x321DC
    HttpRequestSettings httpIn;                  // 0x41BDC
    WorkingHours workingHours;                   // 0x41CDC
    IsdnLinkCredit isdnCredit[4];                // 0x41E5C
    CreditReportSettings creditReport;           // 0x41FDC
    SystemGeneralSettings2 general2;             // 0x4201C
    CardSlotRec cardSlots[8];                    // 0x4205C
    VoipModuleRec voipModules[16];               // 0x4215C
    AnalogCommonSettings analogCommon;           // 0x4415C
    AnalogLineRec analogLines[32];               // 0x4425C
    SipTrunkGroups sipTrunkGroups[8];            // 0x4625C
    uint8_t unused4627C[105860];                 // 0x4627C
    SipCommonSettings sipCommon;                 // 0x60000
    uint8_t unused60200[512];                    // 0x60200
    SipTrunkAccount sipTrunks[8];                // 0x60400
    SipUserAccount sipUsers[110];                // 0x61C00
    uint8_t tail[4];                             // 0x76600
};

#pragma pack(pop)

#define CFG_CHECK_OFFSET(member, ofs) \
    static_assert(offsetof(ConfigRecord, member) == (ofs), "record offset of " #member)
CFG_CHECK_OFFSET(formatWord, CFG_OFS_FORMAT_WORD);
CFG_CHECK_OFFSET(commitMarker, CFG_OFS_COMMIT_MARKER);
CFG_CHECK_OFFSET(idNameLength, CFG_OFS_ID_NAME_LENGTH);
CFG_CHECK_OFFSET(idName, CFG_OFS_ID_NAME);
CFG_CHECK_OFFSET(network, CFG_OFS_NETWORK);
CFG_CHECK_OFFSET(network.netMask, CFG_OFS_NETWORK_MASK);
CFG_CHECK_OFFSET(network.tcpPort, CFG_OFS_TCP_PORT);
CFG_CHECK_OFFSET(network.defaultRouter, CFG_OFS_DEFAULT_ROUTER);
CFG_CHECK_OFFSET(network.dns1, CFG_OFS_DNS1);
CFG_CHECK_OFFSET(network.dns2, CFG_OFS_DNS2);
CFG_CHECK_OFFSET(voipOff, CFG_OFS_VOIP_OFF);
CFG_CHECK_OFFSET(reserved069, CFG_OFS_RESERVED_069);
CFG_CHECK_OFFSET(isdnLinks, CFG_OFS_ISDN_LINKS);
CFG_CHECK_OFFSET(isdnSyncOrder, CFG_OFS_ISDN_SYNC_ORDER);
CFG_CHECK_OFFSET(isdnCommon, CFG_OFS_ISDN_COMMON);
CFG_CHECK_OFFSET(isdnCommon.mobilityExtMode, CFG_OFS_MOBILITY_MODE);
CFG_CHECK_OFFSET(isdnCommon.portabilityTone, CFG_OFS_PORTABILITY_TONE);
CFG_CHECK_OFFSET(isdnCommon.countryPrefix, 0x25C);
CFG_CHECK_OFFSET(isdnCommon.cdrOption, CFG_OFS_CDR_OPTION);
CFG_CHECK_OFFSET(isdnCommon.announcementBits, CFG_OFS_ANNOUNCEMENT_BITS);
CFG_CHECK_OFFSET(beepTime, CFG_OFS_BEEP_TIME);
CFG_CHECK_OFFSET(reserved26D, CFG_OFS_RESERVED_26D);
CFG_CHECK_OFFSET(moduleGroups, CFG_OFS_MODULE_GROUPS);
CFG_CHECK_OFFSET(outGroups, CFG_OFS_OUT_GROUPS);
CFG_CHECK_OFFSET(inGroups1, CFG_OFS_IN_GROUPS_1);
CFG_CHECK_OFFSET(gsmSim1, CFG_OFS_GSM_SIM1);
CFG_CHECK_OFFSET(routingRules, CFG_OFS_ROUTING_RULES);
CFG_CHECK_OFFSET(lcrClip, CFG_OFS_LCR_CLIP);
CFG_CHECK_OFFSET(clipGsm, CFG_OFS_CLIP_GSM);
CFG_CHECK_OFFSET(alarm, CFG_OFS_ALARM);
CFG_CHECK_OFFSET(alarm.alarmServer, 0x23948);
CFG_CHECK_OFFSET(alarm.smtpTimeout, 0x23A38);
CFG_CHECK_OFFSET(gsmCells, CFG_OFS_GSM_CELLS);
CFG_CHECK_OFFSET(cdr, CFG_OFS_CDR);
CFG_CHECK_OFFSET(cdr.zero28, 0x23BB4);
CFG_CHECK_OFFSET(cdr.timeout, 0x23BB8);
CFG_CHECK_OFFSET(sms1, CFG_OFS_SMS_1);
CFG_CHECK_OFFSET(sms1.zero28, 0x23C34);
CFG_CHECK_OFFSET(inGroups2, CFG_OFS_IN_GROUPS_2);
CFG_CHECK_OFFSET(gsmSim2, CFG_OFS_GSM_SIM2);
CFG_CHECK_OFFSET(httpOut, CFG_OFS_HTTP_OUT);
CFG_CHECK_OFFSET(httpOut.selection, 0x25D88);
CFG_CHECK_OFFSET(sms2, CFG_OFS_SMS_2);
CFG_CHECK_OFFSET(sms2.moduleMask, 0x25E88);
CFG_CHECK_OFFSET(mobility, CFG_OFS_MOBILITY);
CFG_CHECK_OFFSET(routingCompanion, CFG_OFS_ROUTING_COMPANION);
CFG_CHECK_OFFSET(httpIn, CFG_OFS_HTTP_IN);
CFG_CHECK_OFFSET(httpIn.selection, 0x41CD8);
CFG_CHECK_OFFSET(workingHours, CFG_OFS_WORKING_HOURS);
CFG_CHECK_OFFSET(isdnCredit, CFG_OFS_ISDN_CREDIT);
CFG_CHECK_OFFSET(creditReport, CFG_OFS_CREDIT_REPORT);
CFG_CHECK_OFFSET(creditReport.hour, 0x42006);
CFG_CHECK_OFFSET(general2, CFG_OFS_GENERAL_2);
CFG_CHECK_OFFSET(cardSlots, CFG_OFS_CARD_SLOTS);
CFG_CHECK_OFFSET(voipModules, CFG_OFS_VOIP_MODULES);
CFG_CHECK_OFFSET(analogCommon, CFG_OFS_ANALOG_COMMON);
CFG_CHECK_OFFSET(analogLines, CFG_OFS_ANALOG_LINES);
CFG_CHECK_OFFSET(sipTrunkGroups, CFG_OFS_SIP_TRUNK_GROUPS);
CFG_CHECK_OFFSET(unused4627C, CFG_OFS_UNUSED_4627C);
CFG_CHECK_OFFSET(sipCommon, CFG_OFS_SIP_COMMON);
CFG_CHECK_OFFSET(sipCommon.stunPort, 0x600A0);
CFG_CHECK_OFFSET(unused60200, CFG_OFS_UNUSED_60200);
CFG_CHECK_OFFSET(sipTrunks, CFG_OFS_SIP_TRUNKS);
CFG_CHECK_OFFSET(sipUsers, CFG_OFS_SIP_USERS);
CFG_CHECK_OFFSET(tail, CFG_OFS_TAIL);
#undef CFG_CHECK_OFFSET

static_assert(sizeof(ConfigRecord) == CFG_RECORD_SIZE, "configuration record size");
static_assert(sizeof(NetworkSettings) == 65, "NetworkSettings");
static_assert(sizeof(IsdnLinkSettings) == 80, "IsdnLinkSettings");
static_assert(sizeof(IsdnCommonSettings) == 36, "IsdnCommonSettings");
static_assert(sizeof(OutGroupRec) == 16, "OutGroupRec");
static_assert(sizeof(InGroupRec1) == 208 && sizeof(InGroupRec2) == 208, "InGroupRec");
static_assert(sizeof(GsmModuleRec) == 48, "GsmModuleRec");
static_assert(sizeof(LcrRoutingRule) == CFG_ROUTING_RULE_SIZE, "LcrRoutingRule");
static_assert(offsetof(LcrRoutingRule, targets) == 52 && offsetof(LcrRoutingRule, targetValues) == 57, "rule targets");
static_assert(sizeof(LcrClipEntry) == CFG_LCR_CLIP_SIZE, "LcrClipEntry");
static_assert(sizeof(AlarmSettings) == 512, "AlarmSettings");
static_assert(sizeof(CdrSettings) == 128 && sizeof(SmsSettings1) == 128, "CDR and SMS");
static_assert(sizeof(MobilityExtEntry) == CFG_MOBILITY_SIZE, "MobilityExtEntry");
static_assert(sizeof(WorkingHours) == 384, "WorkingHours");
static_assert(sizeof(IsdnLinkCredit) == 96 && offsetof(IsdnLinkCredit, creditRestoreCode) == 66, "IsdnLinkCredit");
static_assert(sizeof(CreditReportSettings) == 64, "CreditReportSettings");
static_assert(sizeof(VoipModuleRec) == 512 && offsetof(VoipModuleRec, codecs) == 232, "VoipModuleRec");
static_assert(offsetof(VoipModuleRec, sipPort) == 172 && offsetof(VoipModuleRec, regExpiry) == 228, "VoipModuleRec");
static_assert(sizeof(AnalogCommonSettings) == 256, "AnalogCommonSettings");
static_assert(sizeof(AnalogLineRec) == 256, "AnalogLineRec");
static_assert(sizeof(SipCommonSettings) == 512 && offsetof(SipCommonSettings, natMode) == 0x1C, "SipCommonSettings");
static_assert(sizeof(SipAccount) == CFG_SIP_ACCOUNT_SIZE, "SipAccount");
static_assert(offsetof(SipAccount, port) == 216 && offsetof(SipAccount, user) == 228, "SipAccount");
static_assert(offsetof(SipAccount, dtmfMode) == 517 && offsetof(SipAccount, codecs) == 520, "SipAccount");
static_assert(offsetof(SipAccount, accountFlags) == 536 && offsetof(SipAccount, voiceFlags) == 552, "SipAccount");
static_assert(offsetof(SipAccount, jitterMax) == 557, "SipAccount");

// One row of the record map: where a sub-record lies and what it holds.
struct ConfigSection
{
    const char* name;   // the sub-record's name
    uint32_t offset;    // record offset
    uint32_t entrySize; // size of one entry (the whole sub-record when count is 1)
    uint32_t count;     // number of entries
};

// The record map in record order; the rows tile the whole record.
extern const ConfigSection g_ConfigRecordMap[];
extern const size_t g_ConfigRecordMapCount;

// ---------------------------------------------------------------------------
// The two process-wide copies.
// ---------------------------------------------------------------------------

// The document copy: what is downloaded, uploaded, opened and saved.
ConfigRecord* GetConfigRecord();
// The page-edit copy: what the open configuration page edits.
ConfigRecord* GetPageEditRecord();

inline uint8_t* ConfigBytes(ConfigRecord* rec) { return reinterpret_cast<uint8_t*>(rec); }
inline const uint8_t* ConfigBytes(const ConfigRecord* rec) { return reinterpret_cast<const uint8_t*>(rec); }

// Fills the record with 0xFF and writes the defaults of a new configuration.
void SetConfigDefaults(ConfigRecord* rec);

// Completes the per-target values of the routing rules from their outgoing
// groups' defaults. The first form works on the document copy.
int FillRoutingGroupDefaults();
int FillRoutingGroupDefaults(ConfigRecord* rec);

// ---------------------------------------------------------------------------
// Text fields. The pages that edit them build and parse them; these are the
// stored forms.
// ---------------------------------------------------------------------------

// IpDigitsText: an IPv4 address as 12 digits, three per octet, no terminator
// ("255255255000" is 255.255.255.0); a port beside it as 5 digits.
constexpr size_t CFG_IP_DIGITS_SIZE = 12;
constexpr size_t CFG_PORT_DIGITS_SIZE = 5;
#define CFG_IP_DIGITS_FORMAT "%03d%03d%03d%03d"
#define CFG_PORT_DIGITS_FORMAT "%05d"

// ServerAddressText: a 40-byte NUL-terminated text naming a server and port;
// first byte 0 for none.
constexpr size_t CFG_SERVER_ADDRESS_SIZE = 40;
#define CFG_SERVER_NUMERIC_FORMAT "N%03d%03d%03d%03dP%d"
#define CFG_SERVER_HOST_FORMAT "S%s:%d"

// CountedString: byte 0 the length (0 or 255 empty), then the characters
// without terminator, the rest 0xFF. Read and written with the helpers of
// config/EntityNames.h.
constexpr size_t CFG_COUNTED_24 = 24; // up to 23 characters
constexpr size_t CFG_COUNTED_12 = 12; // up to 11 characters
