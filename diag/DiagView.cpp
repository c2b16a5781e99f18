#include "diag/DiagView.h"
#include "pages/DiagMessageBox.h"
#include "pages/TextPage.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include "wcl/TreeItems.h"
#include "comm/DeviceProtocol.h"
#include "comm/EngineStatus.h"
#include <cstring>
#include <new>

namespace
{
void NodeTitle(int id, char* buf, size_t size)
{
    const DiagNode* node = FindDiagNode(id);
    g_Language.GetString(node ? node->titleKey : nullptr, buf, size);
}
}

int CEngineDiagRequests::RequestDiagnostics(DiagRequest request, int index)
{
    return m_engine.RequestDiagnostics(request, index);
}

int CEngineDiagRequests::GetModuleInfo(int module)
{
    return m_engine.GetModuleInfo(module);
}

CDiagView::CDiagView()
    : m_tree(NULL), m_images(NULL), m_page(nullptr), m_node(nullptr), m_currentKind(-1), m_pendingTreeHeight(0),
      m_active(false), m_programEngine(g_DeviceProtocol), m_engine(&m_programEngine),
      m_pausedPage(nullptr)
{
    m_answers.Clear();
    m_cxyMin = kMinPaneSize;
}

CDiagView::~CDiagView()
{
    if (m_page)
    {
        HWND wnd = m_page->Window().m_hWnd;
        if (wnd && ::IsWindow(wnd))
            ::DestroyWindow(wnd);
        delete m_page;
        m_page = nullptr;
    }
    for (IDiagPage* page : m_retired)
        delete page;
    m_retired.clear();
    // The box speaks for the pages, which end with the view.
    CloseNoResponseBox();
    if (m_images)
        ::ImageList_Destroy(m_images);
}

void CDiagView::SetEngine(IDiagEngine* engine)
{
    m_engine = engine ? engine : &m_programEngine;
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

    m_images = CreateTreeImageList(kTreeImageIcons, TI_COUNT);
    TreeView_SetImageList(m_tree, m_images, TVSIL_NORMAL);

    // The first row is the root, the others its children.
    size_t count = 0;
    const DiagNode* nodes = GetDiagNodes(&count);
    HTREEITEM root = count ? InsertNode(NULL, nodes[0]) : NULL;
    for (size_t i = 1; i < count; ++i)
        InsertNode(root, nodes[i]);
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

HTREEITEM CDiagView::InsertNode(HTREEITEM parent, const DiagNode& node)
{
    if (!m_tree)
        return NULL;
    char title[260];
    g_Language.GetString(node.titleKey, title, sizeof(title));
    return InsertTreeItem(m_tree, parent, title, node.id, node.image, node.selectedImage);
}

void CDiagView::RetitleNodes()
{
    if (m_tree)
        RetitleTreeItems(m_tree, TreeView_GetRoot(m_tree), NodeTitle);
}

HTREEITEM CDiagView::FindNode(int id) const
{
    return m_tree ? FindTreeItem(m_tree, id) : NULL;
}

// --- pages ------------------------------------------------------------------

HWND CDiagView::GetPageWindow() const
{
    return m_page ? m_page->Window().m_hWnd : NULL;
}

// Every dispatch goes through this: a node whose page could not be made has
// no page to start, stop or fill.
bool CDiagView::HasPage() const
{
    HWND wnd = GetPageWindow();
    return m_node && wnd && ::IsWindow(wnd);
}

void CDiagView::RedrawFromCache()
{
    if (HasPage() && m_node->Has(DNF_REDRAWS_FROM_CACHE))
        m_page->UpdateFromDevice(m_node->id, m_answers, true);
}

void CDiagView::SetPageText()
{
    if (!HasPage() || !m_node->textKey)
        return;
    char text[CTextPage::kTextSize];
    g_Language.GetString(m_node->textKey, text, sizeof(text));
    m_page->SetText(text);
}

HWND CDiagView::CreatePage(int id)
{
    if (m_page)
        DestroyPage();
    const DiagNode* node = FindDiagNode(id);
    IDiagPage* page = node && node->factory ? node->factory(*node, *m_engine) : nullptr;
    if (!page)
    {
        // An unknown node is current all the same, without a page; a page
        // that could not be allocated leaves the old node current, without
        // its page, so nothing reaches it.
        if (!node || !node->factory)
        {
            m_currentKind = id;
            m_node = node;
        }
        SetSplitterPane(SPLIT_PANE_TOP, NULL);
        return NULL;
    }
    m_currentKind = id;
    m_node = node;
    if (!page->Create(m_hWnd))
    {
        delete page;
        SetSplitterPane(SPLIT_PANE_TOP, NULL);
        return NULL;
    }
    m_page = page;
    RedrawFromCache();
    HWND wnd = page->Window().m_hWnd;
    SetSplitterPane(SPLIT_PANE_TOP, wnd);
    return wnd;
}

void CDiagView::DeletePageObject(IDiagPage* page)
{
    HWND wnd = page->Window().m_hWnd;
    if (wnd && ::IsWindow(wnd))
        ::DestroyWindow(wnd);
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
    IDiagPage* page = m_page;
    m_page = nullptr;
    m_pausedPage = nullptr;
    SetSplitterPane(SPLIT_PANE_TOP, NULL, false);
    DeletePageObject(page);
}

void CDiagView::ShowSelectedPage()
{
    if (!m_tree)
        return;
    int id;
    if (!GetTreeItemId(m_tree, TreeView_GetSelection(m_tree), &id))
        return;
    DestroyPage();
    CreatePage(id);
}

// --- the tab, the answers and the language ----------------------------------

void CDiagView::OnSetActive()
{
    m_active = true;
    // A page polling behind other tabs never stopped.
    if (!HasPage() || !m_node->Polls() || m_node->Has(DNF_POLLS_HIDDEN))
        return;
    m_page->StartPolling();
    RedrawFromCache();
}

void CDiagView::OnKillActive()
{
    m_active = false;
    if (HasPage() && !m_node->Has(DNF_POLLS_HIDDEN))
        m_page->StopPolling();
}

void CDiagView::OnDeviceData(int status)
{
    const DiagNode* answered = FindDiagNodeByAnswer(status);
    if (answered && HasPage())
        m_page->UpdateFromDevice(answered->id, m_answers, false);
}

void CDiagView::TakeDeviceData(int status, int result, const CDeviceProtocol& engine)
{
    static_assert(sizeof(DiagCardEntry) == DiagAnswers::MODULE_RECORD_SIZE, "a card entry is one module record");
    static_assert(DIAG_RECORD_SIZE == DiagAnswers::RECORD_SIZE, "one credit record");
    static_assert(DIAG_VOIP_ROW_SIZE == DiagAnswers::VOIP_ROW_SIZE, "one VoIP row");
    // The engine's buffer of each answer status.
    switch (status)
    {
    case ENGINE_STATUS_DIAG_ISDN_LINES:
        memcpy(m_answers.isdnLines, engine.GetIsdnLines(), sizeof(m_answers.isdnLines));
        break;
    case ENGINE_STATUS_DIAG_ISDN_CREDIT:
        for (int i = 0; i < DiagAnswers::ISDN_CREDIT_RECORDS; ++i)
            memcpy(m_answers.isdnCredit[i], engine.GetIsdnCredit(i), DIAG_RECORD_SIZE);
        break;
    case ENGINE_STATUS_DIAG_CARDS:
        memcpy(m_answers.modules, engine.GetCards(), sizeof(m_answers.modules));
        break;
    case ENGINE_STATUS_DIAG_GSM_CREDIT:
        for (int k = 0; k < DIAG_GSM_CREDIT_COUNT; ++k)
        {
            memcpy(m_answers.gsmCreditA[k], engine.GetGsmCreditA(k), DIAG_RECORD_SIZE);
            memcpy(m_answers.gsmCreditB[k], engine.GetGsmCreditB(k), DIAG_RECORD_SIZE);
        }
        break;
    case ENGINE_STATUS_DIAG_GSM_USAGE:
        m_answers.gsmUsage = result & 0xFF;
        break;
    case ENGINE_STATUS_DIAG_GSM_STATISTICS:
        memcpy(m_answers.gsmStatistics, engine.GetGsmStatistics(), sizeof(m_answers.gsmStatistics));
        break;
    case ENGINE_STATUS_DIAG_VOIP:
        for (int r = 0; r < DiagAnswers::VOIP_TRUNK_ROWS; ++r)
            memcpy(m_answers.voipTrunks[r], engine.GetVoipTrunkRow(r), DIAG_VOIP_ROW_SIZE);
        for (int r = 0; r < DiagAnswers::VOIP_USER_ROWS; ++r)
            memcpy(m_answers.voipUsers[r], engine.GetVoipUserRow(r), DIAG_VOIP_ROW_SIZE);
        break;
    default:
        return;
    }
    OnDeviceData(status);
}

void CDiagView::StopCardsPolling()
{
    if (!HasPage() || !m_node->Has(DNF_PAUSED_BY_MODULE_INFO))
        return;
    m_page->StopPolling();
    m_pausedPage = m_page;
}

void CDiagView::StartCardsPolling()
{
    // Only the page this pause stopped, and not on a hidden tab: leaving the
    // tab stopped it for good reason.
    const bool paused = m_pausedPage && m_pausedPage == m_page;
    m_pausedPage = nullptr;
    if (paused && HasPage() && m_active)
        m_page->StartPolling();
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
    SetPageText();
    m_page->OnLanguageChanged();
    // Redrawn as if a fresh answer had come.
    if (m_node->Has(DNF_OWN_TEXTS))
        m_page->UpdateFromDevice(m_node->id, m_answers, false);
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
    for (IDiagPage* page : m_retired)
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
