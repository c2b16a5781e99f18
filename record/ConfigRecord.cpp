#include "record/ConfigRecord.h"
#include <cstring>

const ConfigSection g_ConfigRecordMap[] = {
    {"ConfigFormatWord", CFG_OFS_FORMAT_WORD, 4, 1},
    {"commit marker", CFG_OFS_COMMIT_MARKER, 2, 1},
    {"identification name (CountedString)", CFG_OFS_ID_NAME_LENGTH, 1 + CFG_SIZE_ID_NAME, 1},
    {"NetworkSettings", CFG_OFS_NETWORK, sizeof(NetworkSettings), 1},
    {"VoIP off flag", CFG_OFS_VOIP_OFF, 1, 1},
    {"reserved 0x69", CFG_OFS_RESERVED_069, CFG_SIZE_RESERVED_069, 1},
    {"IsdnLinkSettings part 1", CFG_OFS_ISDN_LINKS, sizeof(IsdnLinkSettings), CFG_ISDN_LINK_COUNT},
    {"IsdnSyncOrder", CFG_OFS_ISDN_SYNC_ORDER, 8, 1},
    {"IsdnCommonSettings", CFG_OFS_ISDN_COMMON, sizeof(IsdnCommonSettings), 1},
    {"beep time", CFG_OFS_BEEP_TIME, 1, 1},
    {"reserved 0x26D", CFG_OFS_RESERVED_26D, CFG_SIZE_RESERVED_26D, 1},
    {"ModuleGroupAssign", CFG_OFS_MODULE_GROUPS, sizeof(ModuleGroupAssign), CFG_MODULE_COUNT},
    {"OutGroupRec", CFG_OFS_OUT_GROUPS, sizeof(OutGroupRec), CFG_GROUP_COUNT},
    {"InGroupRec part 1", CFG_OFS_IN_GROUPS_1, sizeof(InGroupRec1), CFG_GROUP_COUNT},
    {"GsmModuleRec part 1", CFG_OFS_GSM_SIM1, sizeof(GsmModuleRec), CFG_MODULE_COUNT},
    {"LcrRoutingRule", CFG_OFS_ROUTING_RULES, CFG_ROUTING_RULE_SIZE, CFG_ROUTING_RULE_COUNT},
    {"LcrClipEntry", CFG_OFS_LCR_CLIP, CFG_LCR_CLIP_SIZE, CFG_LCR_CLIP_COUNT},
    {"ClipGsmEntry", CFG_OFS_CLIP_GSM, CFG_CLIP_GSM_SIZE, CFG_CLIP_GSM_COUNT},
    {"AlarmSettings", CFG_OFS_ALARM, sizeof(AlarmSettings), 1},
    {"GsmCellSelect", CFG_OFS_GSM_CELLS, sizeof(GsmCellSelect), 1},
    {"CdrSettings", CFG_OFS_CDR, sizeof(CdrSettings), 1},
    {"SmsSettings part 1", CFG_OFS_SMS_1, sizeof(SmsSettings1), 1},
    {"InGroupRec part 2", CFG_OFS_IN_GROUPS_2, sizeof(InGroupRec2), CFG_GROUP_COUNT},
    {"GsmModuleRec part 2", CFG_OFS_GSM_SIM2, sizeof(GsmModuleRec), CFG_MODULE_COUNT},
    {"HttpRequestSettings outgoing", CFG_OFS_HTTP_OUT, sizeof(HttpRequestSettings), 1},
    {"SmsSettings part 2", CFG_OFS_SMS_2, sizeof(SmsSettings2), 1},
    {"MobilityExtEntry", CFG_OFS_MOBILITY, CFG_MOBILITY_SIZE, CFG_MOBILITY_COUNT},
    {"routing rule companion", CFG_OFS_ROUTING_COMPANION, CFG_ROUTING_RULE_SIZE, CFG_ROUTING_RULE_COUNT},
    {"HttpRequestSettings incoming", CFG_OFS_HTTP_IN, sizeof(HttpRequestSettings), 1},
    {"WorkingHours", CFG_OFS_WORKING_HOURS, sizeof(WorkingHours), 1},
    {"IsdnLinkSettings part 2", CFG_OFS_ISDN_CREDIT, sizeof(IsdnLinkCredit), CFG_ISDN_LINK_COUNT},
    {"CreditReportSettings", CFG_OFS_CREDIT_REPORT, sizeof(CreditReportSettings), 1},
    {"SystemGeneralSettings part 2", CFG_OFS_GENERAL_2, sizeof(SystemGeneralSettings2), 1},
    {"CardSlotRec", CFG_OFS_CARD_SLOTS, sizeof(CardSlotRec), CFG_CARD_SLOT_COUNT},
    {"VoipModuleRec", CFG_OFS_VOIP_MODULES, sizeof(VoipModuleRec), CFG_VOIP_MODULE_COUNT},
    {"AnalogCommonSettings", CFG_OFS_ANALOG_COMMON, sizeof(AnalogCommonSettings), 1},
    {"AnalogLineRec", CFG_OFS_ANALOG_LINES, sizeof(AnalogLineRec), CFG_ANALOG_LINE_COUNT},
    {"SipTrunkGroups", CFG_OFS_SIP_TRUNK_GROUPS, sizeof(SipTrunkGroups), CFG_SIP_TRUNK_COUNT},
    {"not used 0x4627C", CFG_OFS_UNUSED_4627C, CFG_SIZE_UNUSED_4627C, 1},
    {"SipCommonSettings", CFG_OFS_SIP_COMMON, sizeof(SipCommonSettings), 1},
    {"not used 0x60200", CFG_OFS_UNUSED_60200, CFG_SIZE_UNUSED_60200, 1},
    {"SipTrunkAccount", CFG_OFS_SIP_TRUNKS, CFG_SIP_ACCOUNT_SIZE, CFG_SIP_TRUNK_COUNT},
    {"SipUserAccount", CFG_OFS_SIP_USERS, CFG_SIP_ACCOUNT_SIZE, CFG_SIP_USER_COUNT},
    {"tail", CFG_OFS_TAIL, CFG_SIZE_TAIL, 1},
};
const size_t g_ConfigRecordMapCount = sizeof(g_ConfigRecordMap) / sizeof(g_ConfigRecordMap[0]);

static ConfigRecord s_DocumentRecord;
static ConfigRecord s_PageEditRecord;

ConfigRecord* GetConfigRecord() { return &s_DocumentRecord; }
ConfigRecord* GetPageEditRecord() { return &s_PageEditRecord; }

// Copies a text into a fixed field without its terminator.
static void PutChars(char* field, const char* text)
{
    memcpy(field, text, strlen(text));
}

// The credit counters of a SIM: counter 0 and counters 1 and 2 start with no
// credit, count units of 1 and a restore on day 1 of the month; the block
// flags keep the 0xFF of the fill (block outgoing calls without credit).
static void SetSimCreditDefaults(GsmModuleRec& sim)
{
    sim.credit0 = 0;
    sim.oldCredit0 = 0;
    sim.creditRestoreCode = 1;
    sim.firstUnit0 = 1;
    sim.nextUnit0 = 1;
    sim.credit1 = 0;
    sim.oldCredit1 = 0;
    sim.credit2 = 0;
    sim.oldCredit2 = 0;
    sim.firstUnit1 = 1;
    sim.nextUnit1 = 1;
    sim.firstUnit2 = 1;
    sim.nextUnit2 = 1;
}

void SetConfigDefaults(ConfigRecord* rec)
{
    memset(rec, CFG_EMPTY, sizeof(*rec));

    rec->formatWord = ConfigFormatWord;
    rec->idNameLength = 0;
    PutChars(rec->network.ipAddress, "000000000000");
    PutChars(rec->network.netMask, "255255255000");
    PutChars(rec->network.tcpPort, "01002");
    PutChars(rec->network.defaultRouter, "000000000000");
    PutChars(rec->network.dns1, "000000000000");
    PutChars(rec->network.dns2, "000000000000");
    rec->voipOff = 1;

    // ISDN links: links 0 and 3 network side, hunting upwards; links 1 and 2
    // terminal side, hunting downwards.
    static const uint8_t linkMode[4] = {1, 0, 0, 1};
    static const uint8_t hunting[4] = {0xFC, 0xFD, 0xFD, 0xFC};
    for (int k = 0; k < 4; ++k)
    {
        IsdnLinkSettings& link = rec->isdnLinks[k];
        link.flags = 0xF1; // CRC4; no long haul; wiring by protocol
        link.linkMode = linkMode[k];
        link.hunting = hunting[k];
        link.reserved3 = 0;
        link.tei = 0;
        memset(link.timeslotState, 0, sizeof(link.timeslotState));
        link.timeslotState[0] = 0xF0;
        link.timeslotState[16] = 0xF1;
    }
    rec->isdnSyncOrder[0] = 1;
    rec->isdnSyncOrder[1] = 0;

    IsdnCommonSettings& common = rec->isdnCommon;
    common.dialWait = 6;
    common.dialTone = 0;
    common.callbackSaveTime = 0;
    common.channelAssociation = 0;
    common.noAnswerTimeout = 30;
    common.progressTone = 1;
    common.mobilityExtMode = 0;
    common.alertingDelay = 0;
    common.substituteIntlFormat = 1;
    common.gsmBusyCause = 3;
    common.portabilityTone = 0;
    common.blockedNotLoggedIn = 0;
    common.blockedPoorSignal = 0;
    common.gsmSignalCode = 0;
    common.countryPrefix[0] = 0;
    common.cutPrefix = 0;
    common.cdrOption = 1;
    common.announcementBits = 0;
    common.connectWithAlerting = 0;

    for (uint32_t g = 0; g < CFG_GROUP_COUNT; ++g)
    {
        OutGroupRec& out = rec->outGroups[g];
        out.selection = 0;
        out.ddiDigits = 0;
        out.targetDefault = 0;

        InGroupRec1& in = rec->inGroups1[g];
        in.mode = 0;
        in.waitTime = 0;
        in.minDigits = 3;
        in.maxDigits = 3;
        in.callbackCut = 0;
        in.ddiDigits = 0;
        in.reserved6 = 'A';
        in.prefix[0] = 0;
        in.callbackPrefix[0] = 0;
        for (int i = 0; i < 5; ++i)
        {
            in.extensions[i][0] = 0;
            rec->inGroups2[g].extensions[i][0] = 0;
        }
    }

    for (uint32_t m = 0; m < CFG_MODULE_COUNT; ++m)
    {
        GsmModuleRec& sim1 = rec->gsmSim1[m];
        sim1.state = 1;
        sim1.flags = 0x08; // AMR only
        sim1.txVolume = 0x80;
        sim1.rxVolume = 0x80;
        SetSimCreditDefaults(sim1);
        SetSimCreditDefaults(rec->gsmSim2[m]); // SIM 2 itself stays not in use
    }

    AlarmSettings& alarm = rec->alarm;
    alarm.alarmServer[0] = 0;
    alarm.mailRecipient[0] = 0;
    alarm.mailSender[0] = 0;
    alarm.smtpServer[0] = 0;
    alarm.smtpUser[0] = 0;
    alarm.smtpPassword[0] = 0;
    alarm.smtpTimeout = 30;

    rec->cdr.server[0] = 0;
    rec->cdr.zero28 = 0;
    rec->cdr.timeout = 1;
    rec->sms1.server[0] = 0;
    rec->sms1.zero28 = 0;
    rec->httpOut.urlLength = 0;
    rec->sms2.textLength = 0;
    rec->httpIn.urlLength = 0;

    // Monday to Friday 08:00-18:00; the weekend stays unset.
    for (int d = 0; d < 5; ++d)
    {
        uint8_t* day = rec->workingHours.weekDays[d];
        day[0] = 8;
        day[1] = 0;
        day[4] = 18;
        day[5] = 0;
    }

    for (int k = 0; k < 4; ++k)
    {
        IsdnLinkCredit& credit = rec->isdnCredit[k];
        for (int j = 0; j < 6; ++j)
        {
            credit.credit[j] = 0;
            credit.oldCredit[j] = 0;
            credit.firstUnit[j] = 1;
            credit.nextUnit[j] = 1;
        }
        credit.creditRestoreCode = 1;
    }

    rec->creditReport.server[0] = 0;
    rec->creditReport.hour = 0;
    rec->general2.timeZoneCode = 0;

    for (uint32_t v = 0; v < CFG_VOIP_MODULE_COUNT; ++v)
    {
        VoipModuleRec& voip = rec->voipModules[v];
        PutChars(voip.ipAddress, "000000000000");
        PutChars(voip.netMask, "255255255000");
        PutChars(voip.defaultRouter, "000000000000");
        PutChars(voip.dns1, "000000000000");
        PutChars(voip.dns2, "000000000000");
        voip.sipServer[0] = 0;
        memcpy(voip.sipPort, "5060", 5); // with its NUL, as the device expects
        voip.sipUser[0] = 0;
        voip.sipPassword[0] = 0;
        voip.regExpiry = 0;
        voip.progressSignalling = 1;
        voip.symmetricRtp = 0;
        voip.codecs[0] = 1; // G.711 A-Law
        voip.codecs[1] = 2; // G.711 u-Law
        voip.codecs[2] = 3; // G.726-32
        voip.codecs[3] = 4; // GSM
    }

    AnalogCommonSettings& analog = rec->analogCommon;
    analog.fxsWord = 0;
    analog.fxoWordA = 0x00000002;
    analog.fxoWordB = 0x0000001A;
    analog.fxoFlashLength = 20;
    analog.waitDialToneTime = 4;
    analog.busyDetectStart = 20;
    analog.busyMinLengthEnd = 3;
    for (uint32_t l = 0; l < CFG_ANALOG_LINE_COUNT; ++l)
    {
        rec->analogLines[l].number[0] = 0;
        rec->analogLines[l].state = 1;
    }

    SipCommonSettings& sip = rec->sipCommon;
    sip.transport = 1; // UDP
    sip.dscpSignalling = 0;
    sip.sipPort = 5060;
    sip.regExpiryMax = 3600;
    sip.regExpiryMin = 90;
    sip.reserved8 = 0;
    sip.options = 0xFC;
    sip.rtpPortFirst = 8000;
    sip.rtpPortLast = 8099;
    sip.dscpMedia = 0;
    sip.natMode = 0;
    sip.publicAddress[0] = 0;
    sip.stunServer[0] = 0;
    sip.stunPort = 3478;
    sip.reservedA2 = 300;
}

int FillRoutingGroupDefaults(ConfigRecord* rec)
{
    for (uint32_t i = 0; i < CFG_ROUTING_RULE_COUNT; ++i)
    {
        LcrRoutingRule& rule = rec->routingRules[i];
        if (rule.profile == CFG_EMPTY)
            break;
        for (int j = 0; j < 5; ++j)
        {
            uint8_t target = rule.targets[j];
            if (target == CFG_EMPTY)
                break;
            if (target < CFG_GROUP_COUNT && rule.targetValues[j] == CFG_EMPTY)
                rule.targetValues[j] = rec->outGroups[target].targetDefault;
        }
    }
    return 1;
}

int FillRoutingGroupDefaults()
{
    return FillRoutingGroupDefaults(GetConfigRecord());
}
