// The configuration tree's items: one row each, in build order, naming the
// page an item shows and the record sections its commit carries. Adding a
// page is adding (or completing) its row here.
#include "pages/DataTreeItems.h"
#include "pages/ConfigPage.h"
#include "pages/TextPage.h"
#include "pages/SystemPages.h"
#include "pages/GroupFunctions.h"
#include "pages/CardSlotsPage.h"
#include "pages/VoipCardPage.h"
#include "pages/AnalogCardPage.h"
#include "pages/GsmCardPage.h"
#include "pages/GroupPages.h"
#include "pages/SystemServicePages.h"
#include "pages/IsdnPages.h"
#include "pages/IsdnLinesPage.h"
#include "pages/AnalogPages.h"
#include "pages/LcrRoutingPage.h"
#include "pages/ClipPages.h"
#include "pages/GsmCellSelectPage.h"
#include "pages/MobilityPages.h"
#include "pages/SipCommonPage.h"
#include "pages/SipAccountPages.h"
#include "pages/WebPage.h"
#include "record/EntityNames.h"
#include "base/Language.h"
#include "res/DiagIds.h"
#include <cstring>
#include <new>

#define SECTION(member) { offsetof(ConfigRecord, member), sizeof(((ConfigRecord*)nullptr)->member) }
#define SECTION_RUN(first, length) { offsetof(ConfigRecord, first), length }

namespace
{
const CommitSection kGeneral[] = {
    SECTION_RUN(idNameLength, 1 + CFG_SIZE_ID_NAME), SECTION(general2), SECTION(isdnCommon.mobilityExtMode),
    SECTION(isdnCommon.portabilityTone), SECTION(isdnCommon.announcementBits), SECTION(beepTime), SECTION(voipOff),
};
const CommitSection kNetwork[] = {
    SECTION(network.ipAddress), SECTION(network.netMask), SECTION(network.defaultRouter),
    SECTION(network.tcpPort), SECTION(network.dns1), SECTION(network.dns2),
};
const CommitSection kAlarm[] = { SECTION(alarm) };
const CommitSection kCdr[] = { SECTION(cdr), SECTION(isdnCommon.cdrOption) };
const CommitSection kSms[] = { SECTION(sms1), SECTION(sms2) };
const CommitSection kHttp[] = { SECTION(httpOut), SECTION(httpIn) };
const CommitSection kCredit[] = { SECTION(creditReport) };
const CommitSection kIsdnCommon[] = {
    SECTION(isdnCommon.dialWait), SECTION(isdnCommon.dialTone), SECTION(isdnCommon.callbackSaveTime),
    SECTION(isdnCommon.channelAssociation), SECTION(isdnCommon.noAnswerTimeout), SECTION(isdnCommon.progressTone),
    SECTION(isdnCommon.alertingDelay), SECTION(isdnCommon.connectWithAlerting),
    SECTION(isdnCommon.substituteIntlFormat), SECTION(isdnCommon.cutPrefix), SECTION(isdnCommon.countryPrefix),
    SECTION_RUN(isdnCommon.blockedNotLoggedIn, 8), SECTION(isdnCommon.gsmBusyCause),
};
const CommitSection kIsdnLines[] = { SECTION(isdnLinks), SECTION(isdnCredit) };
const CommitSection kIsdnSync[] = { SECTION(isdnSyncOrder) };
const CommitSection kCardSlots[] = { SECTION(cardSlots) };
const CommitSection kGsmCells[] = { SECTION(gsmCells) };
const CommitSection kOutGroups[] = { SECTION(outGroups) };
const CommitSection kInGroups[] = { SECTION(inGroups1), SECTION(inGroups2) };
// Deleting a profile's last caller number drops its rules with their companions.
const CommitSection kLcrClip[] = { SECTION(lcrClip), SECTION(routingRules), SECTION(routingCompanion) };
const CommitSection kLcrRouting[] = { SECTION(routingRules), SECTION(routingCompanion) };
const CommitSection kClipGsm[] = { SECTION(clipGsm) };
const CommitSection kMobility[] = { SECTION(mobility) };
const CommitSection kWorkingHours[] = { SECTION(workingHours) };
const CommitSection kAnalogCommon[] = { SECTION(analogCommon) };
const CommitSection kSipCommon[] = { SECTION(sipCommon) };
const CommitSection kSipUsers[] = { SECTION(sipUsers) };
const CommitSection kSipTrunks[] = { SECTION(sipTrunks), SECTION(sipTrunkGroups) };
const CommitSection kGsmCard[] = { SECTION(gsmSim1), SECTION(gsmSim2), SECTION(moduleGroups) };
const CommitSection kVoipCard[] = { SECTION(voipModules), SECTION(moduleGroups) };
const CommitSection kAnalogCard[] = { SECTION(analogLines), SECTION(moduleGroups) };

CommitSectionList CardSlotSections(const ConfigRecord* doc, int slot)
{
    switch (doc->cardSlots[slot].cardType)
    {
    case CARD_GSM: return Sections(kGsmCard);
    case CARD_VOIP: return Sections(kVoipCard);
    case CARD_ANALOG_SUBSCRIBER:
    case CARD_ANALOG_TRUNK:
    case CARD_ANALOG_COMBINED: return Sections(kAnalogCard);
    default: return CommitSectionList{ nullptr, 0 };
    }
}

template <class P>
IConfigPage* Make(const DataTreeItem&, ConfigRecord* edit)
{
    return new (std::nothrow) P(edit);
}

IConfigPage* MakeTextPageOf(const char* key)
{
    char text[CTextPage::kTextSize];
    g_Language.GetString(key, text, sizeof(text));
    return new (std::nothrow) CTextPage(text);
}

// A group page has something to show only while some module position or SIP
// trunk of the document holds one of its groups (the pages' own rule).
bool HasAnyOutGroup(const ConfigRecord* rec)
{
    return COutGroupsPage::GetUsedOutGroups(rec) != 0;
}

bool HasAnyInGroup(const ConfigRecord* rec)
{
    return CInGroupsPage::GetUsedInGroups(rec) != 0;
}

IConfigPage* MakeOutGroupsPage(const DataTreeItem&, ConfigRecord* edit)
{
    if (!HasAnyOutGroup(::GetConfigRecord()))
        return MakeTextPageOf("strDataGroupsOutgoingNone");
    return new (std::nothrow) COutGroupsPage(edit);
}

IConfigPage* MakeInGroupsPage(const DataTreeItem&, ConfigRecord* edit)
{
    if (!HasAnyInGroup(::GetConfigRecord()))
        return MakeTextPageOf("strDataGroupsIncomingNone");
    return new (std::nothrow) CInGroupsPage(edit);
}

IConfigPage* MakeCardSlotPage(const DataTreeItem& item, ConfigRecord* edit)
{
    int slot = item.index;
    switch (::GetConfigRecord()->cardSlots[slot].cardType)
    {
    case CARD_GSM:
        return new (std::nothrow) CGsmCardPage(edit, 4 * slot);
    case CARD_VOIP:
        return new (std::nothrow) CVoipCardPage(edit, slot);
    case CARD_ANALOG_SUBSCRIBER:
    case CARD_ANALOG_TRUNK:
    case CARD_ANALOG_COMBINED:
        return new (std::nothrow) CAnalogCardPage(edit, 4 * slot);
    case CARD_NONE:
    case CARD_NONE_EMPTY:
        return new (std::nothrow) CTextPage("");
    default:
        return nullptr; // a card the program has no page for
    }
}

constexpr CommitSectionList kNoSections = { nullptr, 0 };

// Rows: id, parent, name, description, images, page, sections, sections by
// document, commit hook, flags, shown with texts, index.
#define GROUP(id, parent, name, descr) \
    { id, parent, name, descr, TI_GROUP, TI_GROUP_OPEN, nullptr, kNoSections, nullptr, nullptr, 0, nullptr, nullptr, 0 }
#define PAGE(id, parent, name, factory, sections, flags) \
    { id, parent, name, nullptr, TI_PAGE, TI_PAGE_SELECTED, factory, sections, nullptr, nullptr, flags, nullptr, nullptr, 0 }
#define SLOT(s) \
    { TreeItemId(CI_CARD_SLOT_FIRST + s), CI_CARD_LIST, nullptr, nullptr, TI_PAGE, TI_PAGE_SELECTED, MakeCardSlotPage, \
      kNoSections, CardSlotSections, nullptr, CIF_CARD_SLOT, nullptr, nullptr, s }

const DataTreeItem kDataTreeItems[] = {
    { CI_ROOT, CI_NONE, "strDataRoot", "strDataRootDescr", TI_ROOT, TI_ROOT, nullptr, kNoSections, nullptr, nullptr, 0,
      nullptr, nullptr, 0 },
    GROUP(CI_SYSTEM, CI_ROOT, "strDataSystem", "strDataSystemDescr"),
    PAGE(CI_SYSTEM_GENERAL, CI_SYSTEM, "strDataSystemGeneral", Make<CSystemGeneralPage>, Sections(kGeneral),
         CIF_RETITLES_TREE),
    PAGE(CI_SYSTEM_NETWORK, CI_SYSTEM, "strDataSystemNetwork", Make<CSystemNetworkPage>, Sections(kNetwork), 0),
    PAGE(CI_SYSTEM_ALARM, CI_SYSTEM, "strDataSystemAlarmIndication", Make<CSystemAlarmPage>, Sections(kAlarm), CIF_VETOES),
    PAGE(CI_SYSTEM_CDR, CI_SYSTEM, "strDataSystemCdr", Make<CSystemCdrPage>, Sections(kCdr), CIF_VETOES),
    PAGE(CI_SYSTEM_CREDIT, CI_SYSTEM, "strDataSystemCredit", Make<CSystemCreditPage>, Sections(kCredit), CIF_VETOES),
    PAGE(CI_SYSTEM_SMS, CI_SYSTEM, "strDataSystemSms", Make<CSystemSmsPage>, Sections(kSms), CIF_VETOES),
    { CI_SYSTEM_HTTP, CI_SYSTEM, "strDataSystemHttp", nullptr, TI_PAGE, TI_PAGE_SELECTED, Make<CSystemHttpPage>, Sections(kHttp),
      nullptr, nullptr, CIF_VETOES, "strDataSystemHttp", nullptr, 0 },
    GROUP(CI_ISDN, CI_ROOT, "strDataIsdn", "strDataIsdnDescr"),
    PAGE(CI_ISDN_COMMON, CI_ISDN, "strDataIsdnCommon", Make<CIsdnCommonPage>, Sections(kIsdnCommon), 0),
    PAGE(CI_ISDN_LINES, CI_ISDN, "strDataIsdnLines", Make<CIsdnLinesPage>, Sections(kIsdnLines), 0),
    PAGE(CI_ISDN_SYNC, CI_ISDN, "strDataIsdnSynchro", Make<CIsdnSynchroPage>, Sections(kIsdnSync), 0),
    GROUP(CI_ANALOG, CI_ROOT, "strDataAnalog", "strDataAnalogDescr"),
    PAGE(CI_ANALOG_FXS, CI_ANALOG, "strDataAnalogFxs", Make<CAnalogFxsPage>, Sections(kAnalogCommon), 0),
    PAGE(CI_ANALOG_FXO, CI_ANALOG, "strDataAnalogFxo", Make<CAnalogFxoPage>, Sections(kAnalogCommon), 0),
    GROUP(CI_CARDS, CI_ROOT, "strDataCards", "strDataCardsDescr"),
    { CI_CARD_SLOTS, CI_CARDS, "strDataCardsSelect", nullptr, TI_PAGE, TI_PAGE_SELECTED, Make<CCardsSelectPage>,
      Sections(kCardSlots),
      nullptr, ClearGroupsOfChangedSlots, CIF_RETITLES_CARDS, nullptr, nullptr, 0 },
    GROUP(CI_CARD_LIST, CI_CARDS, "strDataCardsList", "strDataCardsListDescr"),
    SLOT(0), SLOT(1), SLOT(2), SLOT(3), SLOT(4), SLOT(5), SLOT(6), SLOT(7),
    // A language set without both GSM texts has no GSM group.
    { CI_GSM, CI_ROOT, "strDataGsm", "strDataGsmDescr", TI_GROUP, TI_GROUP_OPEN, nullptr, kNoSections, nullptr, nullptr,
      0, "strDataGsm", "strDataGsmCellSelect", 0 },
    PAGE(CI_GSM_CELLS, CI_GSM, "strDataGsmCellSelect", Make<CGsmCellSelectPage>, Sections(kGsmCells), 0),
    GROUP(CI_VOIP2, CI_ROOT, "strDataVoip2", "strDataVoip2Descr"),
    PAGE(CI_SIP_COMMON, CI_VOIP2, "strDataVoip2Common", Make<CVoipCommonPage>, Sections(kSipCommon), 0),
    PAGE(CI_SIP_USERS, CI_VOIP2, "strDataVoip2Users", Make<CVoipUsersPage>, Sections(kSipUsers), 0),
    PAGE(CI_SIP_TRUNKS, CI_VOIP2, "strDataVoip2Trunks", Make<CVoipTrunksPage>, Sections(kSipTrunks), 0),
    GROUP(CI_GROUPS, CI_ROOT, "strDataGroups", "strDataGroupsDescr"),
    PAGE(CI_IN_GROUPS, CI_GROUPS, "strDataGroupsIncoming", MakeInGroupsPage, Sections(kInGroups), 0),
    PAGE(CI_OUT_GROUPS, CI_GROUPS, "strDataGroupsOutgoing", MakeOutGroupsPage, Sections(kOutGroups), 0),
    GROUP(CI_LCR, CI_ROOT, "strDataLcr", "strDataLcrDescr"),
    PAGE(CI_LCR_CLIP, CI_LCR, "strDataLcrClipTab", Make<CLcrClipTabPage>, Sections(kLcrClip), 0),
    PAGE(CI_LCR_ROUTING, CI_LCR, "strDataLcrRoutingTab", Make<CLcrRoutingPage>, Sections(kLcrRouting), 0),
    GROUP(CI_CLIP_GSM, CI_ROOT, "strDataClipGsm", "strDataClipGsmDescr"),
    PAGE(CI_CLIP_GSM_TABLE, CI_CLIP_GSM, "strDataClipGsm", Make<CClipGsmPage>, Sections(kClipGsm), 0),
    GROUP(CI_MOBILITY, CI_ROOT, "strDataMobilityExtension", "strDataMobilityExtensionDescr"),
    PAGE(CI_MOBILITY_NUMBERS, CI_MOBILITY, "strDataMobilityExtensionNumbers", Make<CMobilityExtPage>, Sections(kMobility), 0),
    PAGE(CI_WORKING_HOURS, CI_MOBILITY, "strDataMobilityExtensionWorkingHours", Make<CWorkingHoursPage>, Sections(kWorkingHours),
         CIF_VETOES),
    // The device web page comes and goes with the device's VoIP settings.
    { CI_WEB, CI_ROOT, "strDataVoip", "strDataVoipDescr", TI_GROUP, TI_GROUP_OPEN, nullptr, kNoSections, nullptr,
      nullptr, CIF_WEB, nullptr, nullptr, 0 },
    PAGE(CI_WEB_PAGE, CI_WEB, "strDataVoip", Make<CWebPage>, kNoSections, CIF_WEB | CIF_KEEPS_TEXTS),
};
#undef GROUP
#undef PAGE
#undef SLOT

const DataTreeItem* g_items = kDataTreeItems;
size_t g_itemCount = sizeof(kDataTreeItems) / sizeof(kDataTreeItems[0]);
}

const int kTreeImageIcons[TI_COUNT] = { IDI_DIAG_DEVICE, IDI_DIAG_FOLDER, IDI_DIAG_FOLDER_OPEN, IDI_DIAG_NODE,
                                        IDI_DIAG_NODE_SELECTED };

const DataTreeItem* GetDataTreeItems(size_t* count)
{
    *count = g_itemCount;
    return g_items;
}

const DataTreeItem* FindDataTreeItem(int id)
{
    for (size_t i = 0; i < g_itemCount; ++i)
        if (g_items[i].id == id)
            return &g_items[i];
    return nullptr;
}

void SetDataTreeItemsForTest(const DataTreeItem* items, size_t count)
{
    g_items = items ? items : kDataTreeItems;
    g_itemCount = items ? count : sizeof(kDataTreeItems) / sizeof(kDataTreeItems[0]);
}

CommitSectionList GetCommitSections(const DataTreeItem& item, const ConfigRecord* doc)
{
    if (item.sectionsOf)
        return item.sectionsOf(doc, item.index);
    return item.sections;
}
