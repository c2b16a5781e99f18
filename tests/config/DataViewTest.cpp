#include <gtest/gtest.h>
#include "config/DataView.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include "pages/WebPage.h"
#include "res/ServicePagesIds.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/DataTreeItemsOverride.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The configuration view over the whole client area of a visible host, as
// the main window holds it: the tree is clicked and keyed as a user does it,
// test pages stand in for the configuration pages, and what lands in the two
// record copies and in a fresh folder's files is checked.
namespace
{
const int kFieldId = 1003;

// A page with one number field that it stores into one record byte.
class CFieldPage : public testsupport::CTestPage<CFieldPage>
{
public:
    enum { IDD = 9101 };
    static bool s_refuse;
    uint32_t m_offset;

    CFieldPage(ConfigRecord* rec, uint32_t offset) : CTestPage<CFieldPage>(rec), m_offset(offset) {}

    int Store() override
    {
        if (s_refuse)
        {
            ::SetFocus(GetDlgItem(kFieldId));
            return 0;
        }
        char text[16] = "";
        GetDlgItemText(kFieldId, text, sizeof(text));
        ConfigBytes(m_pRecord)[m_offset] = (uint8_t)atoi(text);
        return 1;
    }

    BEGIN_MSG_MAP(CFieldPage)
        CHAIN_MSG_MAP(CTestPage<CFieldPage>)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInit)
    END_MSG_MAP()

    LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&)
    {
        g_Language.TranslateWindow(m_hWnd, true);
        ::SetDlgItemInt(m_hWnd, kFieldId, ConfigBytes(m_pRecord)[m_offset], FALSE);
        PostSizeToSelf();
        return TRUE;
    }
};
bool CFieldPage::s_refuse = false;

// A page whose dialog template does not exist: its window is never made.
class CBrokenPage : public testsupport::CTestPage<CBrokenPage>
{
public:
    enum { IDD = 9199 };
    explicit CBrokenPage(ConfigRecord* rec) : CTestPage<CBrokenPage>(rec) {}
    // What a page without controls would store: a byte its commit carries.
    int Store() override
    {
        ConfigBytes(m_pRecord)[kIsdnLinesByte] = 0;
        return 1;
    }
    static const uint32_t kIsdnLinesByte = 0x100;
};

// A page that stores nothing of its own: its commit moves exactly the
// sections of its tree item.
class CQuietPage : public testsupport::CTestPage<CQuietPage>
{
public:
    enum { IDD = 9101 };
    explicit CQuietPage(ConfigRecord* rec) : CTestPage<CQuietPage>(rec) {}
};
bool g_quietPages = false;

const uint32_t kSlot2Type = CFG_OFS_CARD_SLOTS + 2 * 32;

testsupport::ScopedDataTreeItems* g_items = nullptr;

IConfigPage* TestPages(const DataTreeItem& item, ConfigRecord* edit)
{
    if (g_quietPages)
        return new CQuietPage(edit);
    switch (item.id)
    {
    case 21: return new CFieldPage(edit, (uint32_t)0x24B);
    case 22: return new CBrokenPage(edit);
    case 31: return new CFieldPage(edit, kSlot2Type);
    default:
    {
        const DataTreeItem* original = g_items->Original(item.id);
        return original && original->factory ? original->factory(item, edit) : nullptr;
    }
    }
}

// The frame's part in the save question: ID_FILE_SAVE saves to savePath.
class CFrameStandIn : public CWindowImpl<CFrameStandIn>
{
public:
    DECLARE_WND_CLASS("VelTestFrameStandIn")
    CDataView* view = nullptr;
    std::string savePath;
    int saves = 0;
    BEGIN_MSG_MAP(CFrameStandIn)
        COMMAND_ID_HANDLER(57603, OnSave)
    END_MSG_MAP()
    LRESULT OnSave(WORD, WORD, HWND, BOOL&)
    {
        ++saves;
        view->SaveDocument(savePath.c_str());
        return 0;
    }
};

using testsupport::Lang;

class DataViewTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    CDataView view;
    CScratchFolder folder;
    testsupport::ScopedDataTreeItems items;

    void SetUp() override
    {
        CFieldPage::s_refuse = false;
        g_quietPages = false;
        g_items = &items;
        for (DataTreeItem& row : items.rows)
            if (row.sections.count || row.sectionsOf)
                row.factory = &TestPages;
        items.Apply();
        ASSERT_TRUE(SelectShippedLanguage());
        host = testsupport::CreatePageHost(900, 600, true);
        RECT rc;
        ::GetClientRect(host, &rc);
        ASSERT_TRUE(view.Create(host, &rc) && view.OnCreate(0));
    }
    void TearDown() override
    {
        ::DestroyWindow(host);
        g_items = nullptr;
    }

    std::string PathOf(const char* name) const { return folder.Path(name); }
    HWND Tree() const { return view.GetTree(); }
    ConfigRecord* Doc() const { return ::GetConfigRecord(); }
    ConfigRecord* Edit() const { return GetPageEditRecord(); }
    uint8_t& DocByte(uint32_t ofs) { return ConfigBytes(Doc())[ofs]; }
    uint8_t& EditByte(uint32_t ofs) { return ConfigBytes(Edit())[ofs]; }
    int ItemId(HTREEITEM item) const { return testsupport::TreeItemData(Tree(), item); }
    std::string ItemTitle(int id) const { return testsupport::TreeItemTitle(Tree(), view.FindItem(id)); }
    int SelectedId() const { return ItemId(TreeView_GetSelection(Tree())); }
    std::string PageText() const { return testsupport::TextPageText(view.GetPageWindow()); }
    // The document as the user sees it: whether there is one, its path, whether
    // it is modified, and the item selected in the tree.
    std::string State() const
    {
        return std::string(view.HasDocument() ? "open '" : "none '") + view.GetPath() + "'" +
               (view.IsModified() ? " modified" : "") + " at " + std::to_string(SelectedId());
    }

    // A click on the item's text.
    void Click(int id)
    {
        HTREEITEM item = view.FindItem(id);
        ASSERT_TRUE(item) << id;
        testsupport::ClickTreeItem(Tree(), item);
    }

    void Walk(HTREEITEM item, std::vector<int>& ids) const
    {
        for (; item; item = TreeView_GetNextSibling(Tree(), item))
        {
            ids.push_back(ItemId(item));
            Walk(TreeView_GetChild(Tree(), item), ids);
        }
    }
    std::vector<int> TreeIds() const
    {
        std::vector<int> ids;
        Walk(TreeView_GetRoot(Tree()), ids);
        return ids;
    }

    // Both record copies, to show that a failed operation left them alone.
    std::vector<uint8_t> Copies() const
    {
        std::vector<uint8_t> bytes(ConfigBytes(Doc()), ConfigBytes(Doc()) + sizeof(ConfigRecord));
        bytes.insert(bytes.end(), ConfigBytes(Edit()), ConfigBytes(Edit()) + sizeof(ConfigRecord));
        return bytes;
    }

    // Types into the field of the test page.
    void TypeField(const char* keys)
    {
        HWND field = ::GetDlgItem(view.GetPageWindow(), kFieldId);
        ASSERT_TRUE(field);
        ::SendMessageA(field, EM_SETSEL, 0, -1);
        for (const char* k = keys; *k; ++k)
            ::SendMessageA(field, WM_CHAR, (unsigned char)*k, 1);
    }
};
}

TEST_F(DataViewTest, NewDocumentBuildsTheTreeInItsOrderAndShowsTheRoot)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    std::vector<int> want = { 0, 1, 11, 13, 14, 15, 18, 16, 17, 2, 21, 22, 23, 10, 101, 102, 3, 31, 32,
                              321, 322, 323, 324, 325, 326, 327, 328, 4, 41, 110, 111, 112, 113,
                              5, 52, 51, 6, 61, 62, 7, 71, 8, 81, 82 };
    EXPECT_EQ(want, TreeIds());
    EXPECT_EQ("open '' at 0", State());
    EXPECT_EQ(Lang("strDataRootDescr"), PageText());
    EXPECT_EQ(0, memcmp(Doc(), Edit(), sizeof(ConfigRecord)));
    EXPECT_EQ(Lang("strDataSystemGeneral"), ItemTitle(11));

    // Group items show their description.
    Click(3);
    EXPECT_EQ(Lang("strDataCardsDescr"), PageText());
}

TEST_F(DataViewTest, RootTitleCarriesTheIdentificationName)
{
    SetConfigDefaults(Doc());
    Doc()->idNameLength = 6;
    memcpy(Doc()->idName, "Hall A", 6);
    ASSERT_TRUE(view.AdoptRecord());
    // Built: with a trailing blank; re-set: without.
    EXPECT_EQ(Lang("strDataRoot") + " - Hall A ", ItemTitle(0));
    view.RetitleItems();
    EXPECT_EQ(Lang("strDataRoot") + " - Hall A", ItemTitle(0));
    // A length beyond the field shows its 32 characters; 0xFF means no name.
    Doc()->idNameLength = 40;
    memcpy(Doc()->idName, "0123456789abcdefghijABCDEFGHIJ++", 32);
    view.RetitleItems();
    EXPECT_EQ(Lang("strDataRoot") + " - 0123456789abcdefghijABCDEFGHIJ++", ItemTitle(0));
    Doc()->idNameLength = 0xFF;
    view.RetitleItems();
    EXPECT_EQ(Lang("strDataRoot"), ItemTitle(0));
}

// Every item's commit moves exactly the sections its row names, for card
// slots those of the card in the slot; the card slots page also clears the
// group bytes of slots whose card changes.
TEST_F(DataViewTest, EachItemsCommitMovesExactlyItsSections)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    uint8_t* doc = ConfigBytes(Doc());
    uint8_t* edit = ConfigBytes(Edit());
    for (const DataTreeItem& row : items.rows)
    {
        std::vector<uint8_t> cards = { 0 };
        if (row.flags & CIF_CARD_SLOT)
            cards = { CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK, CARD_ANALOG_COMBINED, CARD_ANALOG,
                      CARD_NONE };
        for (uint8_t card : cards)
        {
            SCOPED_TRACE(std::to_string(row.id) + " card " + std::to_string(card));
            memset(doc, 0x11, sizeof(ConfigRecord));
            memset(edit, 0x22, sizeof(ConfigRecord));
            uint32_t typeByte = CFG_OFS_CARD_SLOTS + (uint32_t)sizeof(CardSlotRec) * row.index;
            if (row.flags & CIF_CARD_SLOT)
                doc[typeByte] = edit[typeByte] = card;
            CommitSectionList sections = GetCommitSections(row, Doc());
            g_quietPages = sections.count > 0;
            view.CreatePage(row.id);
            ASSERT_EQ(row.id, view.GetCurrentId());
            view.SetModified(false);
            ASSERT_TRUE(view.CommitPage());
            EXPECT_EQ(0xFFFF, Doc()->commitMarker);
            EXPECT_EQ(sections.count > 0, view.IsModified());

            std::vector<bool> want(sizeof(ConfigRecord)), got(sizeof(ConfigRecord));
            for (size_t i = 0; i < sections.count; ++i)
                std::fill_n(want.begin() + sections.sections[i].offset, sections.sections[i].length, true);
            for (uint32_t i = 0; i < sizeof(ConfigRecord); ++i)
            {
                const bool marker = i == CFG_OFS_COMMIT_MARKER || i == CFG_OFS_COMMIT_MARKER + 1;
                if (marker || doc[i] == 0x11 || ((row.flags & CIF_CARD_SLOT) && i == typeByte))
                    continue;
                if (row.id == CI_CARD_SLOTS && i >= CFG_OFS_MODULE_GROUPS && i < CFG_OFS_OUT_GROUPS)
                    EXPECT_TRUE(doc[i] == 0xFF && edit[i] == 0xFF) << "group byte " << i;
                else
                    got[i] = true;
            }
            EXPECT_TRUE(want == got) << "first byte moved or left wrongly: 0x" << std::hex
                                     << std::mismatch(want.begin(), want.end(), got.begin()).first - want.begin();
        }
    }
}

// A page added by a row of the item table alone is in the tree, is made,
// commits its sections and may refuse to be left.
TEST_F(DataViewTest, AnItemOfTheTableAloneIsShownCommittedAndVetoed)
{
    static const CommitSection kSection[] = { { CFG_OFS_ALARM, 1 } };
    DataTreeItem& added = items.Row(999);
    added = DataTreeItem{ TreeItemId(999), CI_SYSTEM, "strDataSystemCdr", nullptr, TI_PAGE, TI_PAGE_SELECTED,
                        [](const DataTreeItem&, ConfigRecord* edit) -> IConfigPage* {
                            return new CFieldPage(edit, (uint32_t)CFG_OFS_ALARM);
                        },
                        Sections(kSection), nullptr, nullptr, CIF_VETOES, nullptr, nullptr, 0 };
    items.Apply();
    ASSERT_TRUE(view.OpenDocument(nullptr));
    ASSERT_TRUE(view.FindItem(999));
    EXPECT_EQ(CI_SYSTEM, ItemId(TreeView_GetParent(Tree(), view.FindItem(999))));
    Click(999);
    ASSERT_EQ(999, view.GetCurrentId());
    TypeField("42");
    ASSERT_TRUE(view.CommitPage());
    EXPECT_EQ(42, DocByte(CFG_OFS_ALARM));
    EXPECT_TRUE(view.IsModified());

    // Refused: the selection, the page and the focus on the refused field
    // stay after the click is over, and nothing reaches the document.
    CMessageBoxRecorder boxes(IDCANCEL);
    HWND page = view.GetPageWindow();
    TypeField("9");
    CFieldPage::s_refuse = true;
    Click(11);
    EXPECT_EQ(999, view.GetCurrentId());
    EXPECT_EQ(999, SelectedId());
    EXPECT_EQ(page, view.GetPageWindow());
    EXPECT_EQ(::GetDlgItem(page, kFieldId), ::GetFocus());
    EXPECT_EQ(42, DocByte(CFG_OFS_ALARM));
    EXPECT_FALSE(view.CommitPage());
    EXPECT_FALSE(view.SaveModified(host));
    CFieldPage::s_refuse = false;
    Click(11);
    EXPECT_EQ(11, view.GetCurrentId());
    EXPECT_EQ(11, SelectedId());
    EXPECT_EQ(9, DocByte(CFG_OFS_ALARM));
}

// The credit report page refuses to be left with a host and no port: the
// tree stays on it and nothing of it reaches the document.
TEST_F(DataViewTest, ARefusingCreditReportPageKeepsTheTreeAndCommitsNothing)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    Click(CI_SYSTEM_CREDIT);
    ASSERT_EQ(CI_SYSTEM_CREDIT, view.GetCurrentId());
    const std::vector<uint8_t> doc(ConfigBytes(Doc()), ConfigBytes(Doc()) + sizeof(ConfigRecord));
    CMessageBoxRecorder boxes(IDOK);
    HWND page = view.GetPageWindow();
    ::SendDlgItemMessageA(page, IDC_CREDIT_SEND, CB_SETCURSEL, 2, 0);
    ::SetDlgItemTextA(page, IDC_CREDIT_HOST, "10.1.1.1");
    Click(CI_SYSTEM_GENERAL);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strSystemCreditIpPortMissing", boxes.Last().key);
    EXPECT_EQ(CI_SYSTEM_CREDIT, view.GetCurrentId());
    EXPECT_EQ(CI_SYSTEM_CREDIT, SelectedId());
    EXPECT_EQ(page, view.GetPageWindow());
    EXPECT_EQ(::GetDlgItem(page, IDC_CREDIT_PORT), ::GetFocus());
    EXPECT_TRUE(doc == std::vector<uint8_t>(ConfigBytes(Doc()), ConfigBytes(Doc()) + sizeof(ConfigRecord)));
    EXPECT_EQ("open '' at 18", State());
}

TEST_F(DataViewTest, CardTypeChangeDropsThatSlotsGroupAssignments)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    for (int m = 8; m < 16; ++m)
        Doc()->moduleGroups[m] = ModuleGroupAssign{ 1, 2, 3, 0xFF };
    memcpy(Edit(), Doc(), sizeof(ConfigRecord));
    Click(31);
    TypeField("1");
    Click(0);
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(CARD_GSM, Doc()->cardSlots[2].cardType);
    // Slot 2's modules 8-11 lose their groups in both copies; 12-15 keep them.
    std::vector<uint8_t> want(16, 0xFF);
    for (int m = 12; m < 16; ++m)
        want.insert(want.end(), { 1, 2, 3, 0xFF });
    for (uint8_t* rec : { ConfigBytes(Doc()), ConfigBytes(Edit()) })
        EXPECT_EQ(want, std::vector<uint8_t>(rec + CFG_OFS_MODULE_GROUPS + 32, rec + CFG_OFS_MODULE_GROUPS + 64));
    EXPECT_EQ("Slot 2 - GSM", ItemTitle(323));
}

// Card slot items are titled with the card's number as the installer counts
// it (the slot plus "BoardIndexOffset"; the other offsets do not apply) and
// the full name of the slot's card type.
TEST_F(DataViewTest, CardSlotTitlesCountFromTheBoardOffset)
{
    const CAppSettings saved = g_Settings;
    g_Settings.BoardIndexOffset = 1;
    g_Settings.ChannelIndexOffset = 5;
    g_Settings.GroupIndexOffset = 7;
    SetConfigDefaults(Doc());
    Doc()->cardSlots[0].cardType = CARD_GSM;
    Doc()->cardSlots[5].cardType = CARD_ANALOG;
    Doc()->cardSlots[7].cardType = 9;
    ASSERT_TRUE(view.AdoptRecord());
    EXPECT_EQ("Slot 1 - GSM", ItemTitle(321));
    EXPECT_EQ("Slot 2 - Empty", ItemTitle(322));
    EXPECT_EQ("Slot 6 - Analog", ItemTitle(326));
    EXPECT_EQ("Slot 8 - Other", ItemTitle(328));
    g_Settings = saved;
}

TEST_F(DataViewTest, PageWithoutWindowIsDroppedAndStoresNothing)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    const uint32_t ofs = CBrokenPage::kIsdnLinesByte;
    DocByte(ofs) = 9;
    EditByte(ofs) = 9;
    Click(22);
    EXPECT_EQ(22, view.GetCurrentId());
    EXPECT_EQ(nullptr, view.GetPage());
    EXPECT_EQ(NULL, view.GetSplitterPane(CDataView::SPLIT_PANE_RIGHT));
    // The commit of item 22 carries this byte: a kept page object would
    // have written its empty value into the document here.
    ASSERT_TRUE(view.CommitPage());
    Click(0);
    EXPECT_EQ(9, DocByte(ofs));
    EXPECT_EQ(9, EditByte(ofs));
    EXPECT_EQ("open '' at 0", State());
    EXPECT_EQ(0, view.GetCurrentId());
    EXPECT_EQ(view.GetPageWindow(), view.GetSplitterPane(CDataView::SPLIT_PANE_RIGHT));
}

TEST_F(DataViewTest, PagesChosenByTheRecord)
{
    ASSERT_TRUE(view.OpenDocument(nullptr));
    Click(51);
    EXPECT_EQ(Lang("strDataGroupsOutgoingNone"), PageText());
    Click(52);
    EXPECT_EQ(Lang("strDataGroupsIncomingNone"), PageText());
    // An analog card of type 6 has a title but no page.
    Doc()->cardSlots[5].cardType = CARD_ANALOG;
    view.RetitleItems();
    Click(326);
    EXPECT_EQ(326, view.GetCurrentId());
    EXPECT_EQ(nullptr, view.GetPage());
    Click(321);
    EXPECT_EQ("", PageText());

    // Items 9 and 91 with VoIP on and an address other than 0.0.0.0.
    Doc()->voipOff = 0;
    EXPECT_FALSE(view.UpdateVoipItem());
    memcpy(Doc()->network.ipAddress, "192168000010", 12);
    g_LastWebPort = 8080; // chosen on the web page for the device as it was
    g_LastWebHost = 1;
    EXPECT_TRUE(view.UpdateVoipItem());
    EXPECT_EQ(-1, g_LastWebPort);
    EXPECT_EQ(-1, g_LastWebHost);
    ASSERT_TRUE(view.FindItem(9));
    EXPECT_TRUE(view.FindItem(91));
    EXPECT_EQ(9, ItemId(TreeView_GetParent(Tree(), view.FindItem(91))));
    Doc()->voipOff = 1;
    EXPECT_FALSE(view.UpdateVoipItem());
    EXPECT_EQ(NULL, view.FindItem(9));
}

// A page's commit moves only changes: leaving it unchanged sets the commit
// marker but leaves the document unmodified.
TEST_F(DataViewTest, EditSaveOpenAndCloseTheDocument)
{
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    Doc()->commitMarker = 0;
    Click(21);
    Click(13);
    EXPECT_FALSE(view.IsModified());
    EXPECT_EQ(0xFFFF, Doc()->commitMarker);
    Click(21);
    TypeField("7");
    Click(11);
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(7, DocByte(0x24B));

    std::string a = PathOf("a.cfg");
    ASSERT_TRUE(view.SaveDocument(a.c_str()));
    EXPECT_EQ("open '" + a + "' at 11", State());

    ASSERT_TRUE(view.OpenDocument(nullptr));
    ASSERT_TRUE(view.OpenDocument(a.c_str()));
    EXPECT_EQ(7, DocByte(0x24B));
    EXPECT_EQ(7, EditByte(0x24B));
    EXPECT_EQ("open '" + a + "' at 0", State());
    EXPECT_EQ(0u, boxes.Count());

    ASSERT_TRUE(view.CloseDocument());
    EXPECT_EQ("none '' at -100", State());
    EXPECT_EQ(-1, view.GetCurrentId());
    EXPECT_EQ(0u, TreeView_GetCount(Tree()));
    EXPECT_EQ("", PageText());
}

TEST_F(DataViewTest, SaveQuestionAnsweredNoCancelAndYes)
{
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    EXPECT_TRUE(view.SaveModified(host));
    EXPECT_EQ(0u, boxes.Count());

    view.SetModified(true);
    boxes.PushAnswer(IDNO);
    EXPECT_TRUE(view.SaveModified(host));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("strDataSaveQuestion", boxes.Last().key);
    EXPECT_NE(std::string::npos, boxes.Last().text.find("untitled"));
    EXPECT_EQ(Lang("strAppName"), boxes.Last().caption);
    EXPECT_EQ((UINT)(MB_YESNOCANCEL | MB_ICONQUESTION), boxes.Last().flags & (MB_TYPEMASK | MB_ICONMASK));
    EXPECT_TRUE(view.IsModified());

    boxes.PushAnswer(IDCANCEL);
    EXPECT_FALSE(view.SaveModified(host));

    CFrameStandIn frame;
    frame.view = &view;
    frame.savePath = PathOf("b.cfg");
    ASSERT_TRUE(frame.Create(NULL, nullptr, "frame", WS_OVERLAPPEDWINDOW));
    boxes.PushAnswer(IDYES);
    EXPECT_TRUE(view.SaveModified(frame));
    EXPECT_EQ(1, frame.saves);
    EXPECT_EQ("open '" + PathOf("b.cfg") + "' at 0", State());

    // A save that does not happen keeps the caller waiting.
    view.SetModified(true);
    frame.savePath = PathOf("no such folder\\b.cfg");
    boxes.PushAnswer(IDYES);
    EXPECT_FALSE(view.SaveModified(frame));
    EXPECT_NE(std::string::npos, boxes.Calls()[boxes.Count() - 2].text.find("b.cfg"));
    frame.DestroyWindow();
}

// An adopted download is the document, modified and shown from the root:
// without a document it has no path and resets the remembered tabs (not the
// analog cards' ones); with one it keeps the path and the tree.
TEST_F(DataViewTest, AnAdoptedRecordIsTheDocumentShownFromTheRoot)
{
    SetConfigDefaults(Doc());
    DocByte(0x24B) = 3;
    g_LastIsdnLinesTab = 2;
    g_LastInGroup = 4;
    g_LastAnalogCardTab[1] = 3;
    ASSERT_TRUE(view.AdoptRecord());
    EXPECT_EQ("open '' modified at 0", State());
    EXPECT_EQ(3, DocByte(0x24B));
    EXPECT_EQ(0, memcmp(Doc(), Edit(), sizeof(ConfigRecord)));
    EXPECT_EQ((std::vector<int>{ 0, 0, 3 }), (std::vector<int>{ g_LastIsdnLinesTab, g_LastInGroup, g_LastAnalogCardTab[1] }));

    std::string a = PathOf("a.cfg");
    ASSERT_TRUE(view.SaveDocument(a.c_str()));
    Click(21);
    std::vector<int> before = TreeIds();
    DocByte(0x24B) = 4;
    ASSERT_TRUE(view.AdoptRecord());
    EXPECT_EQ("open '" + a + "' modified at 0", State());
    EXPECT_EQ(Lang("strDataRootDescr"), PageText());
    EXPECT_EQ(4, EditByte(0x24B));
    EXPECT_EQ(before, TreeIds());

    // Adopting again while the root shows makes its page anew.
    ASSERT_TRUE(view.AdoptRecord());
    EXPECT_EQ(Lang("strDataRootDescr"), PageText());
}

// The document side of a save or an open that fails: the user is told, and
// the file on disk, both record copies, the path, the modified flag, the
// tree selection and the page shown are exactly what they were before.
TEST_F(DataViewTest, AFailedSaveOrOpenLeavesFileDocumentTreeAndPageAsTheyWere)
{
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(view.OpenDocument(nullptr));
    const std::string a = PathOf("a.cfg");
    ASSERT_TRUE(view.SaveDocument(a.c_str()));
    const std::vector<uint8_t> saved = ReadFileBytes(a);

    // A later change, not yet saved, with item 21 shown.
    DocByte(0x24B) = 10;
    EditByte(0x24B) = 10;
    view.SetModified(true);
    Click(21);
    ASSERT_TRUE(view.CommitPage());
    HWND page = view.GetPageWindow();
    const std::vector<uint8_t> copies = Copies();

    const std::string cut = PathOf("cut.cfg");
    ASSERT_TRUE(WriteWholeFile(cut, std::vector<uint8_t>(saved.begin(), saved.begin() + 300)));
    const std::string dir = PathOf("folder.cfg");
    ::CreateDirectoryA(dir.c_str(), NULL);
    const std::string missing = PathOf("missing.cfg");
    // Saves to a read-only file, to one another program holds open and as a
    // folder; opens of a missing file, a folder, a file held open, a cut one.
    const struct
    {
        bool open;
        std::string path;
        DWORD attributes;
        DWORD share; // of the other program's handle; ~0: none
        const char* key;
        const char* detailKey;
    } cases[] = {
        { false, "", FILE_ATTRIBUTE_READONLY, ~0u, "strDataSaveError", nullptr },
        { false, "", FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, "strDataSaveError", nullptr },
        { false, dir, FILE_ATTRIBUTE_NORMAL, ~0u, "strDataSaveError", nullptr },
        { true, missing, FILE_ATTRIBUTE_NORMAL, ~0u, "strDataOpenError", "strDataOpenErrorNoFile" },
        { true, dir, FILE_ATTRIBUTE_NORMAL, ~0u, "strDataOpenError", "strDataOpenErrorFolder" },
        { true, a, FILE_ATTRIBUTE_NORMAL, 0, "strDataOpenError", "strDataOpenErrorOpen" },
        { true, cut, FILE_ATTRIBUTE_NORMAL, ~0u, "strDataOpenError", "strDataOpenErrorFormat" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.key) + " " + c.path);
        ::SetFileAttributesA(a.c_str(), c.attributes);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.share != ~0u)
            lock = ::CreateFileA(a.c_str(), GENERIC_READ, c.share, NULL, OPEN_EXISTING, 0, NULL);
        boxes.Clear();
        EXPECT_FALSE(c.open ? view.OpenDocument(c.path.c_str()) : view.SaveDocument(c.path.c_str()));
        if (lock != INVALID_HANDLE_VALUE)
            ::CloseHandle(lock);

        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(c.key, boxes.Last().key);
        if (c.detailKey)
        {
            EXPECT_NE(std::string::npos, boxes.Last().text.find(Lang(c.detailKey)));
        }
        EXPECT_EQ(saved, ReadFileBytes(a));
        std::vector<std::string> files = folder.Files();
        std::sort(files.begin(), files.end());
        EXPECT_EQ((std::vector<std::string>{ "a.cfg", "cut.cfg" }), files) << "a file was left behind or made";
        EXPECT_TRUE(copies == Copies()) << "a record copy changed";
        EXPECT_EQ("open '" + a + "' modified at 21", State());
        EXPECT_EQ(page, view.GetPageWindow());
    }

    // Once the file can be written again, the same save goes through.
    boxes.Clear();
    EXPECT_TRUE(view.SaveDocument());
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_FALSE(view.IsModified());
    EXPECT_NE(saved, ReadFileBytes(a));
}
