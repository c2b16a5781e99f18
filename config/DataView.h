#pragma once
#include "wcl/Splitter.h"
#include "wcl/PaneContainer.h"
#include "record/ConfigRecord.h"
#include "pages/ConfigPage.h"
#include "pages/DataTreeItems.h"
#include "pages/PageMemories.h"
#include <new>
#include <utility>

// The configuration view, first tab of the main frame: the configuration
// tree in a titled pane on the left, the page of the selected tree item on
// the right, and the configuration document behind them (the document copy of
// the record, its file path, the modified and no-document flags).
//
// The main frame:
//   - creates the window (Create with the frame's tab area as parent) and then
//     calls OnCreate with the stored splitter position (0: the middle);
//   - offers its messages to PreTranslateMessage and routes ID_NEXT_PANE and
//     ID_PREV_PANE through ProcessWindowMessage(..., 1) (or calls SwitchPane);
//   - calls SaveModified before anything that replaces or closes the
//     document, OpenDocument(NULL) for New, OpenDocument(path) for Open,
//     SaveDocument(path or NULL) for Save and Save as, CloseDocument for
//     Close, CommitPage before an upload, AdoptRecord after copying a
//     downloaded image over GetConfigRecord(), UpdateVoipItem after an
//     adopted download or a successful upload, OnLanguageChanged after a new
//     language was selected.
class CDataView : public CSplitterWindowImpl<CDataView>
{
public:
    DECLARE_WND_CLASS_EX("VelDataView", CS_DBLCLKS, COLOR_BTNFACE)
    typedef CSplitterWindowImpl<CDataView> Splitter;

    enum { kKeyboardTimer = 1, kKeyboardDelay = 500, kMinPaneSize = 64 };
    enum : DWORD { DV_MODIFIED = 0x1, DV_NO_DOCUMENT = 0x2 };

    CDataView();
    ~CDataView() override;

    // --- set-up, called by the main frame ---------------------------------
    HWND Create(HWND parent, const RECT* rc = nullptr,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, UINT id = 0);
    // Builds the pane, the tree and the empty page; splitterPos 0 puts the bar
    // in the middle.
    BOOL OnCreate(int splitterPos);
    // Offers a message to the page as a dialog message; 1 when it took it.
    BOOL PreTranslateMessage(MSG* msg);
    void OnLanguageChanged();
    // F6: moves the focus between the tree and the page.
    void SwitchPane();

    // --- the document -----------------------------------------------------
    // 1 to go on, 0 to cancel; may ask the save question and send
    // ID_FILE_SAVE to frame.
    BOOL SaveModified(HWND frame);
    // With a path: open that file; without: a new document from defaults.
    BOOL OpenDocument(const char* path = nullptr);
    // Saves to path, or to the stored path when none is given.
    BOOL SaveDocument(const char* path = nullptr);
    BOOL CloseDocument();
    // Makes the document copy's current contents (a downloaded image) the
    // document, marked modified.
    BOOL AdoptRecord();
    // Moves the current page's edits into the document copy; 0 when the page
    // refused its input (its message was shown, the focus is on it).
    BOOL CommitPage();
    ConfigRecord* GetConfigRecord() const { return ::GetConfigRecord(); }

    bool HasDocument() const { return !(m_flags & DV_NO_DOCUMENT); }
    bool IsModified() const { return (m_flags & DV_MODIFIED) != 0; }
    void SetModified(bool modified);
    // The file of the document, empty when untitled.
    const char* GetPath() const { return m_path; }

    // --- tree and pages -----------------------------------------------------
    void BuildTree();
    void ClearTree();
    HTREEITEM InsertItem(HTREEITEM parent, int id);
    // Re-sets the titles of item and its following siblings with their children.
    void RetitleItems(HTREEITEM first = NULL);
    HWND CreatePage(int id);
    void DestroyPage();
    void ShowSelectedPage();
    // Shows or removes the device web page item; 1 when VoIP is usable.
    BOOL UpdateVoipItem();

    HWND GetTree() const { return m_tree; }
    HWND GetPageWindow() const { return m_page ? m_page->Window().m_hWnd : NULL; }
    IConfigPage* GetPage() const { return m_page; }
    int GetCurrentId() const { return m_currentId; }
    CPaneContainer& GetPane() { return m_pane; }
    HTREEITEM FindItem(int id) const;

    // Posted after a refused commit: the tree takes the focus back when a
    // click's handling ends, so the focus is put on the page once more then.
    enum { WM_DV_REFOCUS_PAGE = WM_USER + 0x101 };

    BEGIN_MSG_MAP(CDataView)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_DV_REFOCUS_PAGE, OnRefocusPage)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGINGA, OnSelChanging)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGEDA, OnSelChanged)
        CHAIN_MSG_MAP(Splitter)
    ALT_MSG_MAP(1)
        COMMAND_ID_HANDLER(ID_NEXT_PANE_CMD, OnNextPane)
        COMMAND_ID_HANDLER(ID_PREV_PANE_CMD, OnNextPane)
    END_MSG_MAP()

    // The frame's pane commands (the frame's ids header names them too).
    enum { ID_NEXT_PANE_CMD = 57680, ID_PREV_PANE_CMD = 57681, ID_FILE_SAVE_CMD = 57603 };

private:
    CPaneContainer m_pane;
    HWND m_tree;
    HIMAGELIST m_images;
    HTREEITEM m_itemCards;   // item 32, parent of the card slots
    HTREEITEM m_itemVoip;    // item 9 while present
    int m_currentId;
    IConfigPage* m_page;
    char m_path[MAX_PATH];
    DWORD m_flags;
    bool m_rebuilding;       // selection notifications of a tree being rebuilt are ignored
    HWND m_refusedFocus;     // the control a refusing page put the focus on

    void StartDocument();
    // Makes and creates the page of item id; false when there is none.
    bool MakePage(int id);
    bool ShowPage(IConfigPage* page);
    void BuildItemTitle(int id, char* buf, size_t size, bool inserting) const;
    void CommitSections(const DataTreeItem& item);
    HTREEITEM InsertItemsUnder(HTREEITEM parentItem, TreeItemId parent, unsigned flagsWanted);

    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnRefocusPage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelChanging(int, LPNMHDR, BOOL&);
    LRESULT OnSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnNextPane(WORD, WORD, HWND, BOOL&);
};

