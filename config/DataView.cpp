#include "config/DataView.h"
#include "record/EntityNames.h"
#include "record/FieldText.h"
#include "res/ConfigIds.h"
#include "pages/TextPage.h"
#include "pages/WebPage.h"
#include "res/DiagIds.h"
#include <new>
#include "base/Language.h"
#include "base/TextUtil.h"
#include "wcl/TreeItems.h"
#include <cstring>

namespace
{

bool HasLanguageText(const char* key)
{
    char text[260];
    g_Language.GetString(key, text, sizeof(text));
    return text[0] != '\0';
}

bool IsShown(const DataTreeItem& item)
{
    return (!item.shownWithKey || HasLanguageText(item.shownWithKey)) &&
           (!item.shownWithKey2 || HasLanguageText(item.shownWithKey2));
}
}

CDataView::CDataView()
    : m_tree(NULL), m_images(NULL), m_itemCards(NULL), m_itemVoip(NULL), m_currentId(-1), m_page(nullptr),
      m_flags(DV_NO_DOCUMENT), m_rebuilding(false), m_refusedFocus(NULL)
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
    m_images = CreateTreeImageList(kTreeImageIcons, TI_COUNT);
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
    const DataTreeItem* row = FindDataTreeItem(id);
    if (!row)
        return;
    if (row->flags & CIF_CARD_SLOT)
    {
        int slot = row->index;
        char card[ENTITY_NAME_SIZE] = "";
        char type[ENTITY_NAME_SIZE] = "";
        GetCardName(slot, card);
        GetCardTypeName(doc->cardSlots[slot].cardType, type, nullptr);
        FormatText(buf, size, "%s - %s", card, type);
        return;
    }
    g_Language.GetString(row->nameKey, buf, size);
    // 0 and 0xFF mean no name; a longer length than the field shows its 32 characters.
    uint8_t nameLength = doc->idNameLength;
    if (id == CI_ROOT && nameLength != 0 && nameLength != 0xFF)
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

// Inserts the items under parent (and theirs) that carry all of flagsWanted
// or, with none wanted, none of the web flag; returns the first inserted.
HTREEITEM CDataView::InsertItemsUnder(HTREEITEM parentItem, TreeItemId parent, unsigned flagsWanted)
{
    size_t count = 0;
    const DataTreeItem* items = GetDataTreeItems(&count);
    HTREEITEM first = NULL;
    for (size_t i = 0; i < count; ++i)
    {
        const DataTreeItem& row = items[i];
        if (row.parent != parent || !IsShown(row))
            continue;
        if (flagsWanted ? (row.flags & flagsWanted) != flagsWanted : (row.flags & CIF_WEB) != 0)
            continue;
        HTREEITEM item = InsertItem(parentItem, row.id);
        if (!first)
            first = item;
        if (row.id == CI_CARD_LIST)
            m_itemCards = item;
        InsertItemsUnder(item, row.id, flagsWanted);
        TreeView_Expand(m_tree, item, TVE_EXPAND);
    }
    return first;
}

void CDataView::BuildTree()
{
    if (!m_tree)
        return;
    m_rebuilding = true;
    if (TreeView_GetCount(m_tree) > 0)
        ClearTree();
    m_rebuilding = true;
    HTREEITEM root = InsertItemsUnder(TVI_ROOT, CI_NONE, 0);
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
    // VoIP is usable while it is on and the device has an address.
    bool usable = doc->voipOff == 0 && ParseIpDigits(doc->network.ipAddress) != 0;
    // The web page's host and port were chosen for the device as it was.
    ForgetWebPageChoice();
    if (usable && !m_itemVoip && m_tree)
        m_itemVoip = InsertItemsUnder(TreeView_GetRoot(m_tree), CI_ROOT, CIF_WEB);
    else if (!usable && m_itemVoip)
    {
        TreeView_DeleteItem(m_tree, m_itemVoip);
        m_itemVoip = NULL;
    }
    return usable ? TRUE : FALSE;
}

// --- pages ------------------------------------------------------------------

bool CDataView::ShowPage(IConfigPage* page)
{
    if (!page)
        return false;
    if (!page->Create(m_hWnd))
    {
        // A page whose window failed stores nothing.
        delete page;
        return false;
    }
    m_page = page;
    return true;
}

bool CDataView::MakePage(int id)
{
    if (id == CI_NONE)
        return ShowPage(new (std::nothrow) CTextPage(""));
    const DataTreeItem* row = FindDataTreeItem(id);
    if (!row)
        return false;
    if (row->factory)
        return ShowPage(row->factory(*row, GetPageEditRecord()));
    // Groups show their description; items whose page is not there show
    // their title.
    char text[CTextPage::kTextSize];
    if (row->descrKey)
        g_Language.GetString(row->descrKey, text, sizeof(text));
    else
        BuildItemTitle(id, text, sizeof(text), false);
    return ShowPage(new (std::nothrow) CTextPage(text));
}

HWND CDataView::CreatePage(int id)
{
    if (m_page)
        DestroyPage();
    // The id is current even without a page: its commit then only sets the
    // commit marker, and no empty controls reach the record.
    m_currentId = id;
    if (!MakePage(id))
    {
        SetSplitterPane(SPLIT_PANE_RIGHT, NULL);
        return NULL;
    }
    HWND page = GetPageWindow();
    SetSplitterPane(SPLIT_PANE_RIGHT, page);
    return page;
}

void CDataView::DestroyPage()
{
    if (!m_page)
        return;
    IConfigPage* page = m_page;
    m_page = nullptr;
    SetSplitterPane(SPLIT_PANE_RIGHT, NULL, false);
    HWND window = page->Window().m_hWnd;
    if (window && ::IsWindow(window))
        ::DestroyWindow(window);
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
    if (!::IsWindowVisible(m_hWnd) || !HasDocument() || !m_page || m_page->IsTextPage())
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
    const DataTreeItem* row = FindDataTreeItem(m_currentId);
    if (row && (row->flags & CIF_KEEPS_TEXTS))
        return;
    if (m_page->IsTextPage())
    {
        // A text page holds nothing to keep: it is made again in the new
        // language.
        DestroyPage();
        CreatePage(m_currentId);
        return;
    }
    g_Language.RetranslateWindow(GetPageWindow());
    m_page->OnLanguageChanged();
}
