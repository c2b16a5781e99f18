#include "diag/DiagView.h"
#include "diag/DiagMessageBox.h"
#include "diag/DiagTextPage.h"
#include "pages/TextPage.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "wcl/TreeItems.h"
#include "comm/DeviceProtocol.h"
#include "comm/EngineStatus.h"
#include <cstring>
#include <new>

// The tree, in its build order: the root, then its children.
const DiagTreeNode g_DiagTreeNodes[] = {
    { DiagNodeRoot, "strDiagRoot" },
    { DiagNodeIsdnLines, "strDiagIsdnLines" },
    { DiagNodeIsdnCredit, "strDiagIsdnCredit" },
    { DiagNodeCards, "strDiagCards" },
    { DiagNodeGsmCredits, "strDiagGsmCredits" },
    { DiagNodeGsmUsage, "strDiagGsmUsage" },
    { DiagNodeGsmStatistics, "strDiagGsmStatistics" },
    { DiagNodeVoip, "strDiagVoip" },
};
const size_t g_DiagTreeNodeCount = sizeof(g_DiagTreeNodes) / sizeof(g_DiagTreeNodes[0]);

const DiagTreeNode* FindDiagTreeNode(int kind)
{
    for (const DiagTreeNode& node : g_DiagTreeNodes)
        if (node.kind == kind)
            return &node;
    return nullptr;
}

namespace
{
CDiagView::PageFactoryHook g_pageFactoryHook = nullptr;

// Icon resources of the tree images 0-4: root, closed and open group, node
// and selected node.
const int kTreeIcons[] = { IDI_TREE_ROOT, IDI_TREE_GROUP, IDI_TREE_GROUP_OPEN, IDI_TREE_PAGE, IDI_TREE_PAGE_SELECTED };
const int kRootImage = 0;
const int kNodeImage = 3;
const int kNodeSelectedImage = 4;

void NodeTitle(int kind, char* buf, size_t size)
{
    const DiagTreeNode* node = FindDiagTreeNode(kind);
    g_Language.GetString(node ? node->titleKey : nullptr, buf, size);
}

// Kinds whose page is redrawn from the stored answer when it is created or
// the tab is entered; the usage and statistics graphs keep their own.
bool RedrawsFromCache(int kind)
{
    switch (kind)
    {
    case DiagNodeIsdnLines:
    case DiagNodeIsdnCredit:
    case DiagNodeCards:
    case DiagNodeGsmCredits:
    case DiagNodeVoip:
        return true;
    default:
        return false;
    }
}

// Kinds whose page builds texts of its own, redrawn after a language change.
bool HasOwnTexts(int kind)
{
    return kind == DiagNodeIsdnCredit || kind == DiagNodeCards || kind == DiagNodeGsmCredits ||
           kind == DiagNodeVoip;
}
}

void CDiagView::SetPageFactoryHook(PageFactoryHook hook)
{
    g_pageFactoryHook = hook;
}

CDiagView::CDiagView()
    : m_tree(NULL), m_images(NULL), m_page(nullptr), m_currentKind(-1), m_pendingTreeHeight(0), m_active(false),
      m_gsmUsage(0)
{
    memset(m_isdnLines, 0, sizeof(m_isdnLines));
    memset(m_isdnCredit, 0, sizeof(m_isdnCredit));
    memset(m_modules, 0, sizeof(m_modules));
    // No signal to show until the device tells one.
    for (int k = 0; k < MODULE_COUNT; ++k)
        m_modules[k * MODULE_RECORD_SIZE + MODULE_SIGNAL_OFFSET] = 255;
    memset(m_gsmCreditA, 0, sizeof(m_gsmCreditA));
    memset(m_gsmCreditB, 0, sizeof(m_gsmCreditB));
    memset(m_gsmStatistics, 0, sizeof(m_gsmStatistics));
    memset(m_voipTrunks, 0, sizeof(m_voipTrunks));
    memset(m_voipUsers, 0, sizeof(m_voipUsers));
    m_cxyMin = kMinPaneSize;
}

CDiagView::~CDiagView()
{
    if (m_page)
    {
        if (m_page->m_hWnd && ::IsWindow(m_page->m_hWnd))
            ::DestroyWindow(m_page->m_hWnd);
        delete m_page;
        m_page = nullptr;
    }
    for (CMessageMapWindow* page : m_retired)
        delete page;
    m_retired.clear();
    // The box speaks for the pages, which end with the view.
    CloseNoResponseBox();
    if (m_images)
        ::ImageList_Destroy(m_images);
}

HWND CDiagView::Create(HWND parent, const RECT* rc, DWORD style, UINT id)
{
    return CWindowImpl<CDiagView>::Create(parent, rc, nullptr, style, 0, id);
}

BOOL CDiagView::CreateContents(int initialPosition)
{
    // The tree keeps its height when the view grows or shrinks.
    SetSplitterExtendedStyle(SPLIT_BOTTOMALIGNED);
    m_cxyMin = kMinPaneSize;
    SetNoResponseBoxOwner(::GetAncestor(m_hWnd, GA_ROOT));

    char text[260];
    g_Language.GetString("strDiagSystem", text, sizeof(text));
    m_tree = ::CreateWindowExA(WS_EX_STATICEDGE, WC_TREEVIEWA, text,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_HASBUTTONS |
                                   TVS_HASLINES | TVS_LINESATROOT,
                               0, 0, 0, 0, m_hWnd, (HMENU)(INT_PTR)IDC_DIAG_TREE, ::GetModuleHandle(NULL), NULL);
    if (!m_tree)
        return FALSE;
    SetSplitterPane(SPLIT_PANE_BOTTOM, m_tree, false);

    m_images = CreateTreeImageList(kTreeIcons, sizeof(kTreeIcons) / sizeof(kTreeIcons[0]));
    TreeView_SetImageList(m_tree, m_images, TVSIL_NORMAL);

    HTREEITEM root = InsertNode(NULL, DiagNodeRoot);
    for (const DiagTreeNode& node : g_DiagTreeNodes)
        if (node.kind != DiagNodeRoot)
            InsertNode(root, node.kind);
    TreeView_Expand(m_tree, root, TVE_EXPAND);
    TreeView_SelectItem(m_tree, root);

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (initialPosition)
        SetSplitterPos(initialPosition);
    else if (client.bottom > 0)
        SetSplitterPos(client.bottom - kDefaultTreeHeight);
    else
        m_pendingTreeHeight = kDefaultTreeHeight;   // placed at the first size
    m_nDefActivePane = SPLIT_PANE_BOTTOM;
    return TRUE;
}

BOOL CDiagView::PreTranslateMessage(MSG* msg)
{
    CMessageBoxDlg* box = GetNoResponseBox();
    if (box && box->m_hWnd && ::IsWindow(box->m_hWnd) &&
        (msg->hwnd == box->m_hWnd || ::IsChild(box->m_hWnd, msg->hwnd)))
        return ::IsDialogMessageA(box->m_hWnd, msg);
    return FALSE;
}

// --- the tree ---------------------------------------------------------------

HTREEITEM CDiagView::InsertNode(HTREEITEM parent, int kind)
{
    if (!m_tree || !FindDiagTreeNode(kind))
        return NULL;
    char title[260];
    NodeTitle(kind, title, sizeof(title));
    bool root = kind == DiagNodeRoot;
    return InsertTreeItem(m_tree, parent, title, kind, root ? kRootImage : kNodeImage,
                          root ? kRootImage : kNodeSelectedImage);
}

void CDiagView::RetitleNodes()
{
    if (m_tree)
        RetitleTreeItems(m_tree, TreeView_GetRoot(m_tree), NodeTitle);
}

HTREEITEM CDiagView::FindNode(int kind) const
{
    return m_tree ? FindTreeItem(m_tree, kind) : NULL;
}

// --- pages ------------------------------------------------------------------

HWND CDiagView::GetPageWindow() const
{
    return m_page ? m_page->m_hWnd : NULL;
}

bool CDiagView::HasPage() const
{
    return m_page && m_page->m_hWnd && ::IsWindow(m_page->m_hWnd);
}

const void* CDiagView::BufferOf(int kind)
{
    switch (kind)
    {
    case DiagNodeIsdnLines:
        return m_isdnLines;
    case DiagNodeIsdnCredit:
        return m_isdnCredit;
    case DiagNodeCards:
        return m_modules;
    case DiagNodeGsmCredits:
        return m_gsmCreditA;
    case DiagNodeGsmUsage:
        return &m_gsmUsage;
    case DiagNodeGsmStatistics:
        return m_gsmStatistics;
    case DiagNodeVoip:
        return m_voipTrunks;
    default:
        return nullptr;
    }
}

// Every dispatch by kind goes through these: a kind whose page could not be
// made has no page to start, stop or fill.
void CDiagView::UpdatePage(bool fromCache)
{
    if (!HasPage() || !FindDiagPolling(m_currentKind))
        return;
    static_cast<CDiagTextPage*>(m_page)->UpdateFromDevice(BufferOf(m_currentKind), fromCache);
}

int CDiagView::StartPagePolling()
{
    if (!HasPage() || !FindDiagPolling(m_currentKind))
        return 0;
    return static_cast<CDiagTextPage*>(m_page)->StartPolling();
}

void CDiagView::StopPagePolling()
{
    if (!HasPage() || !FindDiagPolling(m_currentKind))
        return;
    static_cast<CDiagTextPage*>(m_page)->StopPolling();
}

HWND CDiagView::CreatePage(int kind)
{
    if (m_page)
        DestroyPage();
    if (kind != DiagNodeRoot && !FindDiagPolling(kind))
    {
        // A kind without a page is current all the same.
        m_currentKind = kind;
        SetSplitterPane(SPLIT_PANE_TOP, NULL);
        return NULL;
    }
    CreateResult forced = g_pageFactoryHook ? g_pageFactoryHook(kind) : PAGE_NONE;
    char text[CTextPage::kTextSize];
    CTextPage* page = nullptr;
    if (forced != PAGE_NO_MEMORY && kind == DiagNodeRoot)
    {
        g_Language.GetString("strDiagRootDescr", text, sizeof(text));
        page = new (std::nothrow) CTextPage(text);
    }
    else if (forced != PAGE_NO_MEMORY)
    {
        // The nodes' own pages come later; till then they show their title.
        NodeTitle(kind, text, sizeof(text));
        page = new (std::nothrow) CDiagTextPage(kind, text);
    }
    if (!page)
    {
        // The old kind stays current; its page is gone, so nothing reaches it.
        SetSplitterPane(SPLIT_PANE_TOP, NULL);
        return NULL;
    }
    m_currentKind = kind;
    if (forced == PAGE_NO_WINDOW || !page->Create(m_hWnd))
    {
        delete page;
        SetSplitterPane(SPLIT_PANE_TOP, NULL);
        return NULL;
    }
    m_page = page;
    if (RedrawsFromCache(kind))
        UpdatePage(true);
    SetSplitterPane(SPLIT_PANE_TOP, page->m_hWnd);
    return page->m_hWnd;
}

void CDiagView::DeletePageObject(CMessageMapWindow* page)
{
    if (page->m_hWnd && ::IsWindow(page->m_hWnd))
        ::DestroyWindow(page->m_hWnd);
    // A page whose request is on its way into the engine (which may be
    // connecting and running a dialog) is deleted once that returned.
    if (CDiagPolling::IsSending())
    {
        m_retired.push_back(page);
        ::PostMessageA(m_hWnd, WMU_DELETE_RETIRED, 0, 0);
        return;
    }
    delete page;
}

void CDiagView::DestroyPage()
{
    if (!m_page)
        return;
    CMessageMapWindow* page = m_page;
    m_page = nullptr;
    SetSplitterPane(SPLIT_PANE_TOP, NULL, false);
    DeletePageObject(page);
}

void CDiagView::ShowSelectedPage()
{
    if (!m_tree)
        return;
    int kind;
    if (!GetTreeItemId(m_tree, TreeView_GetSelection(m_tree), &kind))
        return;
    DestroyPage();
    CreatePage(kind);
}

// --- the tab, the answers and the language ----------------------------------

void CDiagView::OnSetActive()
{
    m_active = true;
    if (m_currentKind == DiagNodeGsmStatistics)
        StartPagePolling();
    else if (RedrawsFromCache(m_currentKind))
    {
        StartPagePolling();
        UpdatePage(true);
    }
}

void CDiagView::OnKillActive()
{
    m_active = false;
    // The usage graph keeps sampling while another tab is shown.
    if (m_currentKind != DiagNodeGsmUsage)
        StopPagePolling();
}

void CDiagView::OnDeviceData(int status)
{
    int kind = DiagKindOfStatus(status);
    if (kind < 0 || kind != m_currentKind)
        return;
    UpdatePage(false);
}

void CDiagView::TakeDeviceData(int status, int result, const CDeviceProtocol& engine)
{
    static_assert(sizeof(DiagCardEntry) == MODULE_RECORD_SIZE, "a card entry is one module record");
    switch (status)
    {
    case ENGINE_STATUS_DIAG_ISDN_LINES:
        memcpy(m_isdnLines, engine.GetIsdnLines(), ISDN_LINES_SIZE);
        break;
    case ENGINE_STATUS_DIAG_ISDN_CREDIT:
        for (int i = 0; i < 4; ++i)
            memcpy(m_isdnCredit + i * DIAG_RECORD_SIZE, engine.GetIsdnCredit(i), DIAG_RECORD_SIZE);
        break;
    case ENGINE_STATUS_DIAG_CARDS:
        memcpy(m_modules, engine.GetCards(), sizeof(m_modules));
        break;
    case ENGINE_STATUS_DIAG_GSM_CREDIT:
        for (int k = 0; k < DIAG_GSM_CREDIT_COUNT; ++k)
        {
            memcpy(m_gsmCreditA + k * DIAG_RECORD_SIZE, engine.GetGsmCreditA(k), DIAG_RECORD_SIZE);
            memcpy(m_gsmCreditB + k * DIAG_RECORD_SIZE, engine.GetGsmCreditB(k), DIAG_RECORD_SIZE);
        }
        break;
    case ENGINE_STATUS_DIAG_GSM_USAGE:
        m_gsmUsage = result & 0xFF;
        break;
    case ENGINE_STATUS_DIAG_GSM_STATISTICS:
        memcpy(m_gsmStatistics, engine.GetGsmStatistics(), GSM_STATISTICS_SIZE);
        break;
    case ENGINE_STATUS_DIAG_VOIP:
        for (int r = 0; r < VOIP_TRUNK_ROWS; ++r)
            memcpy(m_voipTrunks + r * VOIP_ROW_SIZE, engine.GetVoipTrunkRow(r), VOIP_ROW_SIZE);
        for (int r = 0; r < VOIP_USER_ROWS; ++r)
            memcpy(m_voipUsers + r * VOIP_ROW_SIZE, engine.GetVoipUserRow(r), VOIP_ROW_SIZE);
        break;
    default:
        return;
    }
    OnDeviceData(status);
}

void CDiagView::StopCardsPolling()
{
    if (m_currentKind == DiagNodeCards)
        StopPagePolling();
}

void CDiagView::StartCardsPolling()
{
    // Not on a hidden tab: leaving the tab stopped it for good reason.
    if (m_currentKind == DiagNodeCards && m_active)
        StartPagePolling();
}

void CDiagView::SuspendPolling()
{
    DiagPollingSuspended = 1;
}

void CDiagView::ResumePolling()
{
    DiagPollingSuspended = 0;
}

void CDiagView::OnLanguageChanged()
{
    if (m_currentKind == -1)
        return;
    RetitleNodes();
    if (!HasPage())
        return;
    char text[CTextPage::kTextSize];
    if (m_currentKind == DiagNodeRoot)
    {
        g_Language.GetString("strDiagRootDescr", text, sizeof(text));
        static_cast<CTextPage*>(m_page)->SetText(text);
        return;
    }
    // The stand-in pages show their node's title.
    NodeTitle(m_currentKind, text, sizeof(text));
    static_cast<CDiagTextPage*>(m_page)->SetText(text);
    if (HasOwnTexts(m_currentKind))
        UpdatePage(false);
}

int CDiagView::GetSplitterPos() const
{
    return m_pendingTreeHeight ? 0 : Splitter::GetSplitterPos();
}

void CDiagView::SwitchPane()
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    HWND top = GetSplitterPane(SPLIT_PANE_TOP);
    if (::GetFocus() == m_tree && top)
        ::SetFocus(top);
    else
        ::SetFocus(m_tree);
}

// --- messages ---------------------------------------------------------------

LRESULT CDiagView::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
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

LRESULT CDiagView::OnSize(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    int height = HIWORD(lParam);
    if (m_pendingTreeHeight && height > 0)
    {
        m_xySplitterPos = height - m_pendingTreeHeight;
        m_pendingTreeHeight = 0;
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CDiagView::OnDeleteRetired(UINT, WPARAM, LPARAM, BOOL&)
{
    if (CDiagPolling::IsSending())
    {
        ::PostMessageA(m_hWnd, WMU_DELETE_RETIRED, 0, 0);
        return 0;
    }
    for (CMessageMapWindow* page : m_retired)
        delete page;
    m_retired.clear();
    return 0;
}

LRESULT CDiagView::OnSelChanging(int, LPNMHDR, BOOL&)
{
    return 0;
}

LRESULT CDiagView::OnSelChanged(int, LPNMHDR nmh, BOOL& bHandled)
{
    if (nmh->hwndFrom != m_tree)
    {
        bHandled = FALSE;
        return 0;
    }
    if (DeferKeyboardSelection(m_hWnd, kKeyboardTimer, kKeyboardDelay, nmh))
        ShowSelectedPage();
    return 0;
}

LRESULT CDiagView::OnSetActiveNotify(int, LPNMHDR, BOOL&)
{
    OnSetActive();
    return 0;
}

LRESULT CDiagView::OnKillActiveNotify(int, LPNMHDR, BOOL&)
{
    OnKillActive();
    return 0;
}

LRESULT CDiagView::OnNextPane(WORD, WORD, HWND, BOOL&)
{
    SwitchPane();
    return 0;
}
