// The document side of the configuration view: new, open, save, close, the
// save question, adopting a downloaded record and the page commit.
#include "config/DataView.h"
#include "config/ConfigDataFile.h"
#include "app/Language.h"
#include "app/TextUtil.h"
#include <cstring>

int g_LastIsdnLinesTab = 0;
int g_LastGsmCardTab[CFG_CARD_SLOT_COUNT] = {};
int g_LastAnalogCardTab[CFG_CARD_SLOT_COUNT] = {};
int g_LastInGroup = 0;
int g_LastOutGroup = 0;
int g_LastRoutingProfile = 0;

void ResetLastTabMemories()
{
    g_LastIsdnLinesTab = 0;
    for (int& tab : g_LastGsmCardTab)
        tab = 0;
    g_LastInGroup = 0;
    g_LastOutGroup = 0;
    g_LastRoutingProfile = 0;
}

namespace
{
// Sections each page commit carries, by tree item id.
const CommitSection kGeneral[] = { { 0x6, 1 }, { 0x7, 32 }, { 0x4201C, 64 }, { 0x24F, 1 }, { 0x253, 1 },
                                   { 0x26A, 1 }, { 0x26C, 1 }, { 0x68, 1 } };
const CommitSection kNetwork[] = { { 0x27, 12 }, { 0x33, 12 }, { 0x44, 12 }, { 0x3F, 5 }, { 0x50, 12 }, { 0x5C, 12 } };
const CommitSection kAlarm[] = { { 0x23888, 512 } };
const CommitSection kCdr[] = { { 0x23B8C, 128 }, { 0x269, 1 } };
const CommitSection kSms[] = { { 0x23C0C, 128 }, { 0x25D8C, 256 } };
const CommitSection kHttp[] = { { 0x25C8C, 256 }, { 0x41BDC, 256 } };
const CommitSection kCredit[] = { { 0x41FDC, 64 } };
const CommitSection kIsdnCommon[] = { { 0x248, 2 }, { 0x24A, 1 }, { 0x24B, 1 }, { 0x24C, 1 }, { 0x24D, 1 },
                                      { 0x24E, 1 }, { 0x250, 1 }, { 0x26B, 1 }, { 0x251, 1 }, { 0x268, 1 },
                                      { 0x25C, 12 }, { 0x254, 8 }, { 0x252, 1 } };
const CommitSection kIsdnLines[] = { { 0x100, 320 }, { 0x41E5C, 384 } };
const CommitSection kIsdnSync[] = { { 0x240, 8 } };
const CommitSection kCardSlots[] = { { 0x4205C, 256 } };
const CommitSection kGsmCells[] = { { 0x23A88, 260 } };
const CommitSection kOutGroups[] = { { 0x348, 512 } };
const CommitSection kInGroups[] = { { 0x548, 6656 }, { 0x23C8C, 6656 } };
const CommitSection kLcrClip[] = { { 0x11F48, 36000 }, { 0x2548, 64000 } };
const CommitSection kLcrRouting[] = { { 0x2548, 64000 }, { 0x321DC, 64000 } };
const CommitSection kClipGsm[] = { { 0x1ABE8, 36000 } };
const CommitSection kMobility[] = { { 0x25E8C, 50000 } };
const CommitSection kWorkingHours[] = { { 0x41CDC, 384 } };
const CommitSection kAnalogCommon[] = { { 0x4415C, 256 } };
const CommitSection kSipCommon[] = { { 0x60000, 512 } };
const CommitSection kSipUsers[] = { { 0x61C00, 84480 } };
const CommitSection kSipTrunks[] = { { 0x60400, 6144 }, { 0x4625C, 32 } };
const CommitSection kGsmCard[] = { { 0x1F48, 1536 }, { 0x2568C, 1536 }, { 0x2C8, 128 } };
const CommitSection kVoipCard[] = { { 0x4215C, 8192 }, { 0x2C8, 128 } };
const CommitSection kAnalogCard[] = { { 0x4425C, 8192 }, { 0x2C8, 128 } };

struct IdSections
{
    int id;
    const CommitSection* sections;
    size_t count;
};
#define SECTIONS(id, table) { id, table, sizeof(table) / sizeof(table[0]) }
const IdSections kSectionsById[] = {
    SECTIONS(11, kGeneral), SECTIONS(13, kNetwork), SECTIONS(14, kAlarm), SECTIONS(15, kCdr),
    SECTIONS(16, kSms), SECTIONS(17, kHttp), SECTIONS(18, kCredit), SECTIONS(21, kIsdnCommon),
    SECTIONS(22, kIsdnLines), SECTIONS(23, kIsdnSync), SECTIONS(31, kCardSlots), SECTIONS(41, kGsmCells),
    SECTIONS(51, kOutGroups), SECTIONS(52, kInGroups), SECTIONS(61, kLcrClip), SECTIONS(62, kLcrRouting),
    SECTIONS(71, kClipGsm), SECTIONS(81, kMobility), SECTIONS(82, kWorkingHours), SECTIONS(101, kAnalogCommon),
    SECTIONS(102, kAnalogCommon), SECTIONS(111, kSipCommon), SECTIONS(112, kSipUsers), SECTIONS(113, kSipTrunks),
};
#undef SECTIONS

// Pages whose refusal stops the commit.
bool IsVetoingPage(int id)
{
    return (id >= 14 && id <= 18) || id == 82;
}

// The detail text of a failed open.
const char* OpenErrorKey(ConfigFileResult result)
{
    switch (result)
    {
    case CFGFILE_NO_FILE: return "strDataOpenErrorNoFile";
    case CFGFILE_OPEN_FAILED: return "strDataOpenErrorOpen";
    case CFGFILE_IS_FOLDER: return "strDataOpenErrorFolder";
    default: return "strDataOpenErrorFormat";
    }
}
}

size_t GetCommitSections(int id, const ConfigRecord* doc, const CommitSection** sections)
{
    *sections = nullptr;
    if (id >= 321 && id <= 328)
    {
        switch (doc->cardSlots[id - 321].cardType)
        {
        case CARD_GSM:
            *sections = kGsmCard;
            return sizeof(kGsmCard) / sizeof(kGsmCard[0]);
        case CARD_VOIP:
            *sections = kVoipCard;
            return sizeof(kVoipCard) / sizeof(kVoipCard[0]);
        case CARD_ANALOG_SUBSCRIBER:
        case CARD_ANALOG_TRUNK:
        case CARD_ANALOG_COMBINED:
            *sections = kAnalogCard;
            return sizeof(kAnalogCard) / sizeof(kAnalogCard[0]);
        default:
            return 0;
        }
    }
    for (const IdSections& row : kSectionsById)
    {
        if (row.id == id)
        {
            *sections = row.sections;
            return row.count;
        }
    }
    return 0;
}

void CDataView::SetModified(bool modified)
{
    if (modified)
        m_flags |= DV_MODIFIED;
    else
        m_flags &= ~DV_MODIFIED;
}

void CDataView::CommitSections(int id)
{
    uint8_t* doc = ConfigBytes(::GetConfigRecord());
    uint8_t* edit = ConfigBytes(GetPageEditRecord());
    const CommitSection* sections = nullptr;
    size_t count = GetCommitSections(id, ::GetConfigRecord(), &sections);
    for (size_t i = 0; i < count; ++i)
    {
        const CommitSection& s = sections[i];
        if (!IsModified() && memcmp(doc + s.offset, edit + s.offset, s.length) != 0)
            SetModified(true);
        if (id == 31)
        {
            // A slot whose card type changes loses the group assignments of
            // its four module positions, in both copies.
            ConfigRecord* d = ::GetConfigRecord();
            ConfigRecord* e = GetPageEditRecord();
            bool changed = false;
            for (uint32_t slot = 0; slot < CFG_CARD_SLOT_COUNT; ++slot)
            {
                if (d->cardSlots[slot].cardType != e->cardSlots[slot].cardType)
                {
                    memset(&d->moduleGroups[4 * slot], 0xFF, 4 * sizeof(ModuleGroupAssign));
                    changed = true;
                }
            }
            if (changed)
                memcpy(e->moduleGroups, d->moduleGroups, sizeof(d->moduleGroups));
        }
        memcpy(doc + s.offset, edit + s.offset, s.length);
    }
}

BOOL CDataView::CommitPage()
{
    int id = m_currentId;
    // Text pages and pages still shown by their title store nothing.
    bool storing = m_page && m_pageOps && m_pageOps->store;
    if (storing)
    {
        int ok = m_pageOps->store(m_page);
        if (!ok && IsVetoingPage(id))
            return FALSE;
        CommitSections(id);
        if (id == 11)
            RetitleItems();
        if (id == 31 && m_itemCards)
        {
            RetitleItems(m_itemCards);
        }
    }
    ConfigRecord* doc = ::GetConfigRecord();
    if (doc->commitMarker < CFG_COMMIT_MARKER_SET)
        doc->commitMarker = CFG_COMMIT_MARKER_SET;
    return TRUE;
}

void CDataView::StartDocument()
{
    FillRoutingGroupDefaults();
    m_flags &= ~(DV_MODIFIED | DV_NO_DOCUMENT);
    memcpy(GetPageEditRecord(), ::GetConfigRecord(), sizeof(ConfigRecord));
    ResetLastTabMemories();
    DestroyPage();
    BuildTree();
}

BOOL CDataView::OpenDocument(const char* path)
{
    if (path && path[0])
    {
        // The reader fills the record only when the whole file was accepted,
        // so a failed open leaves the document as it was.
        CConfigDataFile file;
        ConfigFileResult result = file.LoadFile(path, ::GetConfigRecord());
        if (result != CFGFILE_OK)
        {
            char detail[260];
            g_Language.GetString(OpenErrorKey(result), detail, sizeof(detail));
            g_Language.MessageBoxKeyFormat("strDataOpenError", "strError", MB_ICONEXCLAMATION, detail);
            return FALSE;
        }
        CopyText(m_path, sizeof(m_path), path);
    }
    else
    {
        SetConfigDefaults(::GetConfigRecord());
        m_path[0] = '\0';
    }
    StartDocument();
    return TRUE;
}

BOOL CDataView::SaveDocument(const char* path)
{
    if (!HasDocument())
        return FALSE;
    if (!CommitPage())
        return FALSE;
    const char* target = path && path[0] ? path : m_path;
    CConfigDataFile file;
    if (!target[0] || file.SaveFile(target, ::GetConfigRecord()) != CFGFILE_OK)
    {
        g_Language.MessageBoxKey("strDataSaveError", "strError", MB_ICONEXCLAMATION);
        return FALSE;
    }
    SetModified(false);
    if (path && path[0])
        CopyText(m_path, sizeof(m_path), path);
    return TRUE;
}

BOOL CDataView::CloseDocument()
{
    if (!HasDocument())
        return TRUE;
    ClearTree();
    DestroyPage();
    CreatePage(-1);
    m_currentId = -1;
    m_path[0] = '\0';
    m_flags |= DV_NO_DOCUMENT;
    m_flags &= ~DV_MODIFIED;
    return TRUE;
}

BOOL CDataView::SaveModified(HWND frame)
{
    if (!HasDocument())
        return TRUE;
    if (!CommitPage())
        return FALSE;
    if (!IsModified())
        return TRUE;
    int answer = g_Language.MessageBoxKeyFormat("strDataSaveQuestion", "strAppName",
                                                MB_YESNOCANCEL | MB_ICONQUESTION,
                                                m_path[0] ? m_path : "untitled");
    if (answer == IDNO)
        return TRUE;
    if (answer != IDYES)
        return FALSE;
    ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_CMD, 0), 0);
    return IsModified() ? FALSE : TRUE;
}

BOOL CDataView::AdoptRecord()
{
    FillRoutingGroupDefaults();
    if (!HasDocument())
    {
        // The downloaded record becomes an untitled document as it stands:
        // no defaults are written over it, so nothing needs to be kept aside.
        m_path[0] = '\0';
        StartDocument();
    }
    else
    {
        DestroyPage();
        memcpy(GetPageEditRecord(), ::GetConfigRecord(), sizeof(ConfigRecord));
        ResetLastTabMemories();
        HTREEITEM root = m_tree ? TreeView_GetRoot(m_tree) : NULL;
        if (m_currentId != 0 && root && TreeView_GetSelection(m_tree) != root)
            TreeView_SelectItem(m_tree, root);
        else
            CreatePage(0);
        RetitleItems();
    }
    SetModified(true);
    return TRUE;
}
