#include "config/DataView.h"
#include "record/EntityNames.h"
#include "res/ConfigIds.h"
#include "pages/TextPage.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "wcl/TreeItems.h"
#include <cstring>

// The fixed tree table, in its stored order; BuildTree gives the build order.
const DataTreeItem g_DataTreeItems[] = {
    { 0, "strDataRoot", "strDataRootDescr", 0, 0 },
    { 1, "strDataSystem", "strDataSystemDescr", 1, 2 },
    { 11, "strDataSystemGeneral", nullptr, 3, 4 },
    { 13, "strDataSystemNetwork", nullptr, 3, 4 },
    { 14, "strDataSystemAlarmIndication", nullptr, 3, 4 },
    { 15, "strDataSystemCdr", nullptr, 3, 4 },
    { 18, "strDataSystemCredit", nullptr, 3, 4 },
    { 16, "strDataSystemSms", nullptr, 3, 4 },
    { 17, "strDataSystemHttp", nullptr, 3, 4 },
    { 2, "strDataIsdn", "strDataIsdnDescr", 1, 2 },
    { 21, "strDataIsdnCommon", nullptr, 3, 4 },
    { 22, "strDataIsdnLines", nullptr, 3, 4 },
    { 23, "strDataIsdnSynchro", nullptr, 3, 4 },
    { 10, "strDataAnalog", "strDataAnalogDescr", 1, 2 },
    { 101, "strDataAnalogFxs", nullptr, 3, 4 },
    { 102, "strDataAnalogFxo", nullptr, 3, 4 },
    { 3, "strDataCards", "strDataCardsDescr", 1, 2 },
    { 31, "strDataCardsSelect", nullptr, 3, 4 },
    { 32, "strDataCardsList", "strDataCardsListDescr", 1, 2 },
    { 321, nullptr, nullptr, 3, 4 },
    { 322, nullptr, nullptr, 3, 4 },
    { 323, nullptr, nullptr, 3, 4 },
    { 324, nullptr, nullptr, 3, 4 },
    { 325, nullptr, nullptr, 3, 4 },
    { 326, nullptr, nullptr, 3, 4 },
    { 327, nullptr, nullptr, 3, 4 },
    { 328, nullptr, nullptr, 3, 4 },
    { 4, "strDataGsm", "strDataGsmDescr", 1, 2 },
    { 41, "strDataGsmCellSelect", nullptr, 3, 4 },
    { 5, "strDataGroups", "strDataGroupsDescr", 1, 2 },
    { 51, "strDataGroupsOutgoing", nullptr, 3, 4 },
    { 52, "strDataGroupsIncoming", nullptr, 3, 4 },
    { 6, "strDataLcr", "strDataLcrDescr", 1, 2 },
    { 61, "strDataLcrClipTab", nullptr, 3, 4 },
    { 62, "strDataLcrRoutingTab", nullptr, 3, 4 },
    { 7, "strDataClipGsm", "strDataClipGsmDescr", 1, 2 },
    { 71, "strDataClipGsm", nullptr, 3, 4 },
    { 8, "strDataMobilityExtension", "strDataMobilityExtensionDescr", 1, 2 },
    { 81, "strDataMobilityExtensionNumbers", nullptr, 3, 4 },
    { 82, "strDataMobilityExtensionWorkingHours", nullptr, 3, 4 },
    { 9, "strDataVoip", "strDataVoipDescr", 1, 2 },
    { 91, "strDataVoip", nullptr, 3, 4 },
    { 110, "strDataVoip2", "strDataVoip2Descr", 1, 2 },
    { 111, "strDataVoip2Common", nullptr, 3, 4 },
    { 112, "strDataVoip2Users", nullptr, 3, 4 },
    { 113, "strDataVoip2Trunks", nullptr, 3, 4 },
};
const size_t g_DataTreeItemCount = sizeof(g_DataTreeItems) / sizeof(g_DataTreeItems[0]);
static_assert(sizeof(g_DataTreeItems) / sizeof(g_DataTreeItems[0]) == 46, "the tree has 46 items");

const DataTreeItem* FindDataTreeItem(int id)
{
    for (const DataTreeItem& row : g_DataTreeItems)
        if (row.id == id)
            return &row;
    return nullptr;
}

namespace
{
CDataView::PageFactoryHook g_pageFactoryHook = nullptr;

// Icon resources of the tree images 0-4: root, closed and open group, page
// and selected page.
const int kTreeIcons[] = { 202, 200, 201, 213, 212 };

bool IsGroupTextId(int id)
{
    return (id >= 0 && id <= 10) || id == 32 || id == 110;
}

bool IsCardSlotId(int id)
{
    return id >= 321 && id <= 328;
}

bool HasLanguageText(const char* key)
{
    char text[260];
    g_Language.GetString(key, text, sizeof(text));
    return text[0] != '\0';
}

// The build order of the tree: the groups under the root, each with its
// items (0 ends a short row). The card slots 321-328 hang under item 32; the
// device web page (9 with 91) comes and goes with UpdateVoipItem.
struct DataTreeGroup
{
    int id;
    int items[7];
};
const DataTreeGroup kDataTreeGroups[] = {
    { 1, { 11, 13, 14, 15, 18, 16, 17 } },
    { 2, { 21, 22, 23 } },
    { 10, { 101, 102 } },
    { 3, { 31, 32 } },
    { 4, { 41 } },
    { 110, { 111, 112, 113 } },
    { 5, { 52, 51 } },
    { 6, { 61, 62 } },
    { 7, { 71 } },
    { 8, { 81, 82 } },
};
}

void CDataView::SetPageFactoryHook(PageFactoryHook hook)
{
    g_pageFactoryHook = hook;
}

CDataView::CDataView()
    : m_tree(NULL), m_images(NULL), m_itemCards(NULL), m_itemVoip(NULL), m_currentId(-1), m_page(nullptr),
      m_pageOps(nullptr), m_flags(DV_NO_DOCUMENT), m_rebuilding(false), m_refusedFocus(NULL)
{
    m_path[0] = '\0';
    m_cxyMin = kMinPaneSize;
}

CDataView::~CDataView()
{
    DestroyPage();
    if (m_images)
        ::ImageList_Destroy(m_images);
}

HWND CDataView::Create(HWND parent, const RECT* rc, DWORD style, UINT id)
{
    return CWindowImpl<CDataView>::Create(parent, rc, nullptr, style, 0, id);
}

BOOL CDataView::OnCreate(int splitterPos)
{
    SetSplitterExtendedStyle(0);
    m_cxyMin = kMinPaneSize;
    char title[260];
    g_Language.GetString("strDataStructure", title, sizeof(title));
    if (!m_pane.Create(m_hWnd, title))
        return FALSE;
    m_tree = ::CreateWindowExA(WS_EX_STATICEDGE, WC_TREEVIEWA, "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                   TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                               0, 0, 0, 0, m_pane, (HMENU)(INT_PTR)IDC_DATA_TREE, ::GetModuleHandle(NULL), NULL);
    if (!m_tree)
        return FALSE;
    m_images = CreateTreeImageList(kTreeIcons, sizeof(kTreeIcons) / sizeof(kTreeIcons[0]));
    TreeView_SetImageList(m_tree, m_images, TVSIL_NORMAL);
    m_pane.SetClient(m_tree);
    SetSplitterPane(SPLIT_PANE_LEFT, m_pane, false);
    CreatePage(-1);
    SetSplitterPos(splitterPos ? splitterPos : -1);
    return TRUE;
}

BOOL CDataView::PreTranslateMessage(MSG* msg)
{
    HWND page = GetPageWindow();
    if (page && ::IsWindow(page) && ::IsDialogMessageA(page, msg))
        return TRUE;
    return FALSE;
}

// --- the tree ---------------------------------------------------------------

void CDataView::BuildItemTitle(int id, char* buf, size_t size, bool inserting) const
{
    const ConfigRecord* doc = ::GetConfigRecord();
    buf[0] = '\0';
    if (IsCardSlotId(id))
    {
        int slot = id - 321;
        char card[ENTITY_NAME_SIZE] = "";
        char type[ENTITY_NAME_SIZE] = "";
        GetCardName(slot, card);
        GetCardTypeName(doc->cardSlots[slot].cardType, type, nullptr);
        FormatText(buf, size, "%s - %s", card, type);
        return;
    }
    const DataTreeItem* row = FindDataTreeItem(id);
    if (!row)
        return;
    g_Language.GetString(row->nameKey, buf, size);
    // 0 and 0xFF mean no name; a longer length than the field shows its 32 characters.
    uint8_t nameLength = doc->idNameLength;
    if (id == 0 && nameLength != 0 && nameLength != 0xFF)
    {
        char name[CFG_SIZE_ID_NAME + 1];
        size_t n = nameLength < CFG_SIZE_ID_NAME ? nameLength : CFG_SIZE_ID_NAME;
        memcpy(name, doc->idName, n);
        name[n] = '\0';
        char root[260];
        CopyText(root, sizeof(root), buf);
        FormatText(buf, size, inserting ? "%s - %s " : "%s - %s", root, name);
    }
}

HTREEITEM CDataView::InsertItem(HTREEITEM parent, int id)
{
    const DataTreeItem* row = FindDataTreeItem(id);
    if (!row || !m_tree)
        return NULL;
    char title[260];
    BuildItemTitle(id, title, sizeof(title), true);
    return InsertTreeItem(m_tree, parent, title, id, row->image, row->selectedImage);
}

void CDataView::ClearTree()
{
    if (!m_tree)
        return;
    ::KillTimer(m_hWnd, kKeyboardTimer);
    bool was = m_rebuilding;
    m_rebuilding = true;
    TreeView_DeleteAllItems(m_tree);
    m_rebuilding = was;
    m_itemCards = NULL;
    m_itemVoip = NULL;
}

void CDataView::BuildTree()
{
    if (!m_tree)
        return;
    m_rebuilding = true;
    if (TreeView_GetCount(m_tree) > 0)
        ClearTree();
    m_rebuilding = true;

    HTREEITEM root = InsertItem(NULL, 0);
    for (const DataTreeGroup& row : kDataTreeGroups)
    {
        // A language set without both GSM texts has no GSM group.
        if (row.id == 4 && !(HasLanguageText("strDataGsm") && HasLanguageText("strDataGsmCellSelect")))
            continue;
        HTREEITEM group = InsertItem(root, row.id);
        for (int id : row.items)
        {
            if (id == 0)
                break;
            // The HTTP page only with its text in the language set.
            if (id == 17 && !HasLanguageText("strDataSystemHttp"))
                continue;
            HTREEITEM item = InsertItem(group, id);
            if (id == 32)
            {
                m_itemCards = item;
                for (int slot = 321; slot <= 328; ++slot)
                    InsertItem(item, slot);
                TreeView_Expand(m_tree, item, TVE_EXPAND);
            }
        }
        TreeView_Expand(m_tree, group, TVE_EXPAND);
    }
    TreeView_Expand(m_tree, root, TVE_EXPAND);
    m_rebuilding = false;
    TreeView_SelectItem(m_tree, root);
}

void CDataView::RetitleItems(HTREEITEM first)
{
    if (!m_tree)
        return;
    RetitleTreeItems(m_tree, first ? first : TreeView_GetRoot(m_tree),
                     [this](int id, char* buf, size_t size) { BuildItemTitle(id, buf, size, false); });
}

HTREEITEM CDataView::FindItem(int id) const
{
    return m_tree ? FindTreeItem(m_tree, id) : NULL;
}

BOOL CDataView::UpdateVoipItem()
{
    const ConfigRecord* doc = ::GetConfigRecord();
    bool usable = false;
    if (doc->voipOff == 0)
    {
        const char* ip = doc->network.ipAddress;
        for (int g = 0; g < 4 && !usable; ++g)
        {
            int octet = 0;
            for (int i = 0; i < 3; ++i)
            {
                char c = ip[3 * g + i];
                octet = octet * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
            }
            usable = octet != 0;
        }
    }
    if (usable && !m_itemVoip && m_tree)
    {
        m_itemVoip = InsertItem(TreeView_GetRoot(m_tree), 9);
        InsertItem(m_itemVoip, 91);
        TreeView_Expand(m_tree, m_itemVoip, TVE_EXPAND);
    }
    else if (!usable && m_itemVoip)
    {
        TreeView_DeleteItem(m_tree, m_itemVoip);
        m_itemVoip = NULL;
    }
    return usable ? TRUE : FALSE;
}

// --- pages ------------------------------------------------------------------

bool CDataView::HasAnyOutGroup() const
{
    const ConfigRecord* doc = ::GetConfigRecord();
    for (const ModuleGroupAssign& m : doc->moduleGroups)
        if (m.outGroup != CFG_NO_GROUP || m.outGroup2 != CFG_NO_GROUP)
            return true;
    for (const SipTrunkGroups& t : doc->sipTrunkGroups)
        if (t.outGroup != CFG_NO_GROUP)
            return true;
    return false;
}

bool CDataView::HasAnyInGroup() const
{
    const ConfigRecord* doc = ::GetConfigRecord();
    for (const ModuleGroupAssign& m : doc->moduleGroups)
        if (m.inGroup != CFG_NO_GROUP)
            return true;
    for (const SipTrunkGroups& t : doc->sipTrunkGroups)
        if (t.inGroup != CFG_NO_GROUP)
            return true;
    return false;
}

CDataView::CreateResult CDataView::MakeTextPage(const char* text)
{
    return CreatePageOf<CTextPage>(text);
}

// Pages still to be built show the title of their item on a text page.
CDataView::CreateResult CDataView::MakeStandInPage(int id)
{
    char title[260];
    BuildItemTitle(id, title, sizeof(title), false);
    return MakeTextPage(title);
}

CDataView::CreateResult CDataView::MakePage(int id)
{
    ConfigRecord* edit = GetPageEditRecord();
    if (g_pageFactoryHook)
    {
        CreateResult r = g_pageFactoryHook(*this, id, edit);
        if (r != PAGE_NONE)
            return r;
    }
    char text[260];
    if (id == -1)
        return MakeTextPage("");
    if (IsGroupTextId(id))
    {
        g_Language.GetString(FindDataTreeItem(id)->descrKey, text, sizeof(text));
        return MakeTextPage(text);
    }
    if (id == 51 && !HasAnyOutGroup())
    {
        g_Language.GetString("strDataGroupsOutgoingNone", text, sizeof(text));
        return MakeTextPage(text);
    }
    if (id == 52 && !HasAnyInGroup())
    {
        g_Language.GetString("strDataGroupsIncomingNone", text, sizeof(text));
        return MakeTextPage(text);
    }
    if (IsCardSlotId(id))
    {
        uint8_t type = ::GetConfigRecord()->cardSlots[id - 321].cardType;
        switch (type)
        {
        case CARD_NONE:
        case CARD_NONE_EMPTY:
            return MakeTextPage("");
        case CARD_GSM:                // CGsmCardPage, first module 4s
        case CARD_VOIP:               // CVoipCardPage, slot s
        case CARD_ANALOG_SUBSCRIBER:  // CAnalogCardPage, first line 4s
        case CARD_ANALOG_TRUNK:
        case CARD_ANALOG_COMBINED:
            return MakeStandInPage(id);
        default:
            return PAGE_NONE;
        }
    }
    switch (id)
    {
    case 11:  // CSystemGeneralPage
    case 13:  // CSystemNetworkPage
    case 14:  // CSystemAlarmPage
    case 15:  // CSystemCdrPage
    case 16:  // CSystemSmsPage
    case 17:  // CSystemHttpPage
    case 18:  // CSystemCreditPage
    case 21:  // CIsdnCommonPage
    case 22:  // CIsdnLinesPage
    case 23:  // CIsdnSynchroPage
    case 31:  // CCardsSelectPage
    case 41:  // CGsmCellSelectPage
    case 51:  // COutGroupsPage
    case 52:  // CInGroupsPage
    case 61:  // CLcrClipTabPage
    case 62:  // CLcrRoutingPage
    case 71:  // CClipGsmPage
    case 81:  // CMobilityExtPage
    case 82:  // CWorkingHoursPage
    case 91:  // CWebPage, under the wait cursor
    case 101: // CAnalogFxsPage
    case 102: // CAnalogFxoPage
    case 111: // CVoipCommonPage
    case 112: // CVoipUsersPage
    case 113: // CVoipTrunksPage
        return MakeStandInPage(id);
    default:
        return PAGE_NONE;
    }
}

HWND CDataView::CreatePage(int id)
{
    if (m_page)
        DestroyPage();
    CreateResult r = MakePage(id);
    if (r == PAGE_NO_MEMORY)
        return NULL;
    // The id is current even without a page: its commit then only sets the
    // commit marker, and no empty controls reach the record.
    m_currentId = id;
    if (r != PAGE_CREATED)
    {
        SetSplitterPane(SPLIT_PANE_RIGHT, NULL);
        return NULL;
    }
    HWND page = m_page->m_hWnd;
    SetSplitterPane(SPLIT_PANE_RIGHT, page);
    return page;
}

void CDataView::DestroyPage()
{
    if (!m_page)
        return;
    CMessageMapWindow* page = m_page;
    m_page = nullptr;
    m_pageOps = nullptr;
    SetSplitterPane(SPLIT_PANE_RIGHT, NULL, false);
    if (page->m_hWnd && ::IsWindow(page->m_hWnd))
        ::DestroyWindow(page->m_hWnd);
    delete page;
}

void CDataView::ShowSelectedPage()
{
    if (!HasDocument() || !m_tree)
        return;
    int id;
    if (!GetTreeItemId(m_tree, TreeView_GetSelection(m_tree), &id))
        return;
    CommitPage();
    DestroyPage();
    CreatePage(id);
}

// --- messages ---------------------------------------------------------------

LRESULT CDataView::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != kKeyboardTimer)
    {
        bHandled = FALSE;
        return 0;
    }
    ::KillTimer(m_hWnd, kKeyboardTimer);
    ShowSelectedPage();
    return 0;
}

LRESULT CDataView::OnSelChanging(int, LPNMHDR nmh, BOOL& bHandled)
{
    if (nmh->hwndFrom != m_tree)
    {
        bHandled = FALSE;
        return 0;
    }
    if (m_rebuilding)
        return 0;
    if (!CommitPage())
    {
        HWND page = GetPageWindow();
        if (page)
        {
            // The page put the focus on the field it refused; keep it there.
            HWND focus = ::GetFocus();
            if (focus != page && !::IsChild(page, focus))
            {
                ::SetFocus(page);
                focus = ::GetFocus();
            }
            m_refusedFocus = focus;
            PostMessage(WM_DV_REFOCUS_PAGE, (WPARAM)page);
        }
        return 1;
    }
    return 0;
}

LRESULT CDataView::OnRefocusPage(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    HWND page = GetPageWindow();
    HWND target = m_refusedFocus;
    m_refusedFocus = NULL;
    // Only the page that refused, if it is still the one shown.
    if (!page || page != (HWND)wParam || !::IsWindow(page))
        return 0;
    HWND focus = ::GetFocus();
    if (focus == page || ::IsChild(page, focus))
        return 0;
    ::SetFocus(target && ::IsWindow(target) && (target == page || ::IsChild(page, target)) ? target : page);
    return 0;
}

LRESULT CDataView::OnSelChanged(int, LPNMHDR nmh, BOOL& bHandled)
{
    if (nmh->hwndFrom != m_tree)
    {
        bHandled = FALSE;
        return 0;
    }
    if (m_rebuilding)
        return 0;
    if (DeferKeyboardSelection(m_hWnd, kKeyboardTimer, kKeyboardDelay, nmh))
        ShowSelectedPage();
    return 0;
}

void CDataView::SwitchPane()
{
    if (!::IsWindowVisible(m_hWnd) || !HasDocument() || !m_page || IsTextPage())
        return;
    HWND focus = ::GetFocus();
    if (focus != m_tree)
        ::SetFocus(m_tree);
    else
        ::SetFocus(GetPageWindow());
}

LRESULT CDataView::OnNextPane(WORD, WORD, HWND, BOOL&)
{
    SwitchPane();
    return 0;
}

void CDataView::OnLanguageChanged()
{
    char text[260];
    g_Language.GetString("strDataStructure", text, sizeof(text));
    m_pane.SetTitle(text);
    if (m_currentId == -1)
        return;
    RetitleItems();
    if (!m_page)
        return;
    if (IsGroupTextId(m_currentId))
    {
        g_Language.GetString(FindDataTreeItem(m_currentId)->descrKey, text, sizeof(text));
        m_pageOps->setText(m_page, text);
        return;
    }
    if (m_currentId == 91)
        return;
    if (IsTextPage())
    {
        // The "none" notes of the group pages, empty slots and pages still
        // shown as their title.
        if (m_currentId == 51 && !HasAnyOutGroup())
            g_Language.GetString("strDataGroupsOutgoingNone", text, sizeof(text));
        else if (m_currentId == 52 && !HasAnyInGroup())
            g_Language.GetString("strDataGroupsIncomingNone", text, sizeof(text));
        else if (IsCardSlotId(m_currentId) && ((CTextPage*)m_page)->GetText()[0] == '\0')
            return;
        else
            BuildItemTitle(m_currentId, text, sizeof(text), false);
        m_pageOps->setText(m_page, text);
        return;
    }
    g_Language.RetranslateWindow(m_page->m_hWnd);
    if (m_pageOps->languageChanged)
        m_pageOps->languageChanged(m_page);
}
