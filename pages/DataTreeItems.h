#pragma once
#include "record/ConfigRecord.h"
#include <cstddef>
#include <cstdint>

class IConfigPage;
struct DataTreeItem;

// The items of the configuration tree. The numbers are the items' data in
// the tree and are kept as they are.
enum TreeItemId : int
{
    CI_NONE = -1,
    CI_ROOT = 0,
    CI_SYSTEM = 1,
    CI_ISDN = 2,
    CI_CARDS = 3,
    CI_GSM = 4,
    CI_GROUPS = 5,
    CI_LCR = 6,
    CI_CLIP_GSM = 7,
    CI_MOBILITY = 8,
    CI_WEB = 9,
    CI_ANALOG = 10,
    CI_SYSTEM_GENERAL = 11,
    CI_SYSTEM_NETWORK = 13,
    CI_SYSTEM_ALARM = 14,
    CI_SYSTEM_CDR = 15,
    CI_SYSTEM_SMS = 16,
    CI_SYSTEM_HTTP = 17,
    CI_SYSTEM_CREDIT = 18,
    CI_ISDN_COMMON = 21,
    CI_ISDN_LINES = 22,
    CI_ISDN_SYNC = 23,
    CI_CARD_SLOTS = 31,
    CI_CARD_LIST = 32,
    CI_GSM_CELLS = 41,
    CI_OUT_GROUPS = 51,
    CI_IN_GROUPS = 52,
    CI_LCR_CLIP = 61,
    CI_LCR_ROUTING = 62,
    CI_CLIP_GSM_TABLE = 71,
    CI_MOBILITY_NUMBERS = 81,
    CI_WORKING_HOURS = 82,
    CI_WEB_PAGE = 91,
    CI_ANALOG_FXS = 101,
    CI_ANALOG_FXO = 102,
    CI_VOIP2 = 110,
    CI_SIP_COMMON = 111,
    CI_SIP_USERS = 112,
    CI_SIP_TRUNKS = 113,
    CI_CARD_SLOT_FIRST = 321, // the card slots 0-7 are 321-328
    CI_CARD_SLOT_LAST = 328,
};

// The pictures of the tree's image list.
enum TreeImage : int
{
    TI_ROOT = 0,
    TI_GROUP = 1,
    TI_GROUP_OPEN = 2,
    TI_PAGE = 3,
    TI_PAGE_SELECTED = 4,
    TI_COUNT
};
// The icon resource of each tree image, in TreeImage order.
extern const int kTreeImageIcons[TI_COUNT];

// A record section a page commit carries from the page-edit copy into the
// document copy.
struct CommitSection
{
    uint32_t offset;
    uint32_t length;
};
struct CommitSectionList
{
    const CommitSection* sections;
    size_t count;
};
template <size_t N>
constexpr CommitSectionList Sections(const CommitSection (&s)[N])
{
    return CommitSectionList{ s, N };
}

enum DataTreeItemFlags : unsigned
{
    CIF_VETOES = 0x01,         // a refused Store stops the commit (and the change of item)
    CIF_RETITLES_TREE = 0x02,  // its commit re-sets every title (the root shows the name)
    CIF_RETITLES_CARDS = 0x04, // its commit re-sets the card slots' titles
    CIF_KEEPS_TEXTS = 0x08,    // not re-translated on a language change (the browser page)
    CIF_WEB = 0x10,            // shown only while the device's VoIP side is usable
    CIF_CARD_SLOT = 0x20,      // titled from the slot's card; index is the slot
};

// Makes the page of an item (not yet created); null when it has none.
typedef IConfigPage* (*ConfigPageFactory)(const DataTreeItem& item, ConfigRecord* edit);
// The sections of an item whose page depends on the document (card slots).
typedef CommitSectionList (*CommitSectionsOf)(const ConfigRecord* doc, int index);
// Work a commit does before the sections are copied.
typedef void (*CommitHook)(ConfigRecord* doc, ConfigRecord* edit);

struct DataTreeItem
{
    TreeItemId id;
    TreeItemId parent;     // CI_NONE for the root
    const char* nameKey;     // null for the card slots (titled from the record)
    const char* descrKey;    // group items: the text their page shows
    TreeImage image;
    TreeImage selectedImage;
    ConfigPageFactory factory; // null: a text page (the description, or the title)
    CommitSectionList sections;
    CommitSectionsOf sectionsOf;
    CommitHook beforeCommit;
    unsigned flags;            // DataTreeItemFlags
    const char* shownWithKey;  // shown only when these language texts exist
    const char* shownWithKey2;
    int index;                 // card slot number
};

// The tree's items in build order: each item after its parent.
const DataTreeItem* GetDataTreeItems(size_t* count);
const DataTreeItem* FindDataTreeItem(int id);
// Replaces the whole table (tests); null restores the program's own.
void SetDataTreeItemsForTest(const DataTreeItem* items, size_t count);

// The sections a commit of item carries (card slots by the document's card type).
CommitSectionList GetCommitSections(const DataTreeItem& item, const ConfigRecord* doc);
