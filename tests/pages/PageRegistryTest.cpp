#include <gtest/gtest.h>
#include "pages/DataTreeItems.h"
#include "pages/ConfigPage.h"
#include "pages/PageMemories.h"
#include "pages/TabPageHost.h"
#include "base/Language.h"
#include "record/FieldText.h"
#include <commctrl.h>
#include "tests/support/PageHostWindow.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Every page of the configuration tree held to its declaration: its bindings
// against the record map, its dialog template and the language file; and a
// visit without input, on an unset record and on one of unknown values,
// against what its controls show.
namespace
{
const ConfigSection* SectionOf(uint32_t offset)
{
    for (size_t i = 0; i < g_ConfigRecordMapCount; ++i)
    {
        const ConfigSection& s = g_ConfigRecordMap[i];
        if (offset >= s.offset && offset < s.offset + s.entrySize * s.count)
            return &s;
    }
    return nullptr;
}

bool IsCarriedOnly(const ConfigSection& s)
{
    std::string name = s.name;
    return name.find("reserved") == 0 || name.find("not used") == 0 || name == "tail";
}

// What each kind of binding is bound to: its control's window classes and
// the sizes its field may have.
struct KindRule
{
    FieldKind kind;
    const char* cls;
    const char* otherCls;
    uint32_t minSize, maxSize;
};
const KindRule kKindRules[] = {
    { FieldKind::Number, "Edit", nullptr, 1, 2 },
    { FieldKind::PortDigits, "Edit", nullptr, 1, 9 },
    { FieldKind::Counted, "Edit", nullptr, 2, 0xFFFF },
    { FieldKind::Text, "Edit", nullptr, 2, 0xFFFF },
    { FieldKind::Check, "Button", nullptr, 1, 1 },
    { FieldKind::Radio, "Button", nullptr, 1, 1 },
    { FieldKind::List, "ComboBox", "ListBox", 1, 1 },
    { FieldKind::IpDigits, WC_IPADDRESSA, nullptr, CFG_IP_DIGITS_SIZE, CFG_IP_DIGITS_SIZE },
};

// Why the binding does not fit its kind; empty when it does.
std::string KindMisfit(const FieldBinding& b, HWND control)
{
    char cls[64] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    for (const KindRule& k : kKindRules)
        if (k.kind == b.kind)
        {
            if (lstrcmpiA(cls, k.cls) && !(k.otherCls && !lstrcmpiA(cls, k.otherCls)))
                return std::string("class ") + cls;
            return b.size >= k.minSize && b.size <= k.maxSize ? "" : "size " + std::to_string(b.size);
        }
    return "unknown kind";
}

bool HasEnglishText(const char* key) { return !testsupport::Lang(key).empty(); }

// Each card in a slot of its own: the slot only moves the tables' entries,
// and every slot is some card's.
const uint8_t kSlotCards[CFG_CARD_SLOT_COUNT] = { CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK,
                                                  CARD_ANALOG_COMBINED, CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER };

// One page as the tree shows it: an item, and for a card slot the card.
// The group pages see every card in its slot, the first module or line of
// slot s serving incoming and outgoing group s, so that they show a tab of
// every kind.
struct PageCase
{
    const DataTreeItem* item;
    uint8_t cardType;
    std::string Name() const
    {
        return std::to_string(item->id) + (cardType ? " card " + std::to_string(cardType) : "");
    }
    bool HasGroups() const { return item->id == CI_IN_GROUPS || item->id == CI_OUT_GROUPS; }
    // What the visit starts from beside the record under test.
    void SetUp(ConfigRecord* edit) const
    {
        if (cardType)
            edit->cardSlots[item->index].cardType = cardType;
        if (!HasGroups())
            return;
        for (uint32_t slot = 0; slot < CFG_CARD_SLOT_COUNT; ++slot)
        {
            edit->cardSlots[slot].cardType = kSlotCards[slot];
            ModuleGroupAssign& first = edit->moduleGroups[4 * slot];
            first.inGroup = first.outGroup = (uint8_t)slot;
        }
    }
};

std::vector<PageCase> Cases()
{
    std::vector<PageCase> cases;
    size_t count = 0;
    const DataTreeItem* items = GetDataTreeItems(&count);
    for (size_t i = 0; i < count; ++i)
        if (items[i].factory)
            cases.push_back({ &items[i], (items[i].flags & CIF_CARD_SLOT) ? kSlotCards[items[i].index % 8] : (uint8_t)0 });
    return cases;
}

// The declaration of page's bindings against the record map, the commit
// sections of its item, its template and the language file.
void CheckDeclaration(const PageCase& c, IConfigPage& page)
{
    CommitSectionList sections = GetCommitSections(*c.item, GetConfigRecord());
    std::vector<uint8_t> owners(sizeof(ConfigRecord), 0), shared(sizeof(ConfigRecord), 0);
    std::vector<const FieldTable*> mapped; // tables already held to the record map
    for (const BoundWindow& w : page.BoundWindows())
        for (const BoundTable& t : w.tables)
        {
            const bool map = std::find(mapped.begin(), mapped.end(), t.table) == mapped.end();
            mapped.push_back(t.table);
            for (size_t r = 0; r < t.table->count; ++r)
            {
                const FieldBinding& b = t.table->rows[r];
                SCOPED_TRACE("control " + std::to_string(b.control));
                HWND control = ::GetDlgItem(w.window, (int)b.control);
                ASSERT_TRUE(control != NULL);
                EXPECT_EQ("", KindMisfit(b, control));
                if (b.kind == FieldKind::Number || b.kind == FieldKind::PortDigits)
                {
                    EXPECT_LE(b.minimum, b.maximum);
                    EXPECT_TRUE((b.flags & FB_NO_DEFAULT) || (b.defaultValue >= b.minimum && b.defaultValue <= b.maximum));
                }
                for (uint16_t k = 0; k < b.choiceCount; ++k)
                {
                    EXPECT_TRUE(!b.choices[k].key || HasEnglishText(b.choices[k].key)) << b.choices[k].key;
                    EXPECT_TRUE(b.kind != FieldKind::Radio || ::GetDlgItem(w.window, (int)b.choices[k].control));
                }
                EXPECT_TRUE(!b.refusalKey || HasEnglishText(b.refusalKey)) << b.refusalKey;

                // Every entry of the table lies in the map; the entry the
                // window shows owns its bytes.
                for (uint32_t e = 0; e < t.table->entries; ++e)
                {
                    if (!map && e != t.index)
                        continue;
                    uint32_t first = t.table->base + e * t.table->stride + b.offset;
                    const ConfigSection* s = SectionOf(first);
                    ASSERT_TRUE(s != nullptr);
                    EXPECT_FALSE(IsCarriedOnly(*s)) << s->name;
                    EXPECT_EQ(s, SectionOf(first + b.size - 1)) << "crosses out of " << s->name;
                    for (uint32_t i = first; i < first + b.size; ++i)
                    {
                        EXPECT_TRUE(std::any_of(sections.sections, sections.sections + sections.count,
                                                [i](const CommitSection& k) { return i >= k.offset && i < k.offset + k.length; }))
                            << "byte " << i << " is bound but not committed";
                        if (e != t.index)
                            continue;
                        bool isShared = (b.flags & FB_SHARED) != 0;
                        EXPECT_TRUE(!owners[i] || (isShared && shared[i])) << "byte " << i << " bound twice";
                        owners[i] = 1;
                        shared[i] = isShared ? 1 : 0;
                    }
                }
            }
        }
}

// Every byte the page may write: its bindings and what its own code
// declares.
std::vector<bool> WritableBytes(IConfigPage& page)
{
    std::vector<ByteRun> runs;
    for (const BoundWindow& w : page.BoundWindows())
        for (const BoundTable& t : w.tables)
            CollectBoundRuns(*t.table, runs);
    page.OwnWrites(runs);
    std::vector<bool> writable(sizeof(ConfigRecord), false);
    for (const ByteRun& r : runs)
        if (r.offset < sizeof(ConfigRecord) && r.length <= sizeof(ConfigRecord) - r.offset)
            std::fill_n(writable.begin() + r.offset, r.length, true);
    return writable;
}

// What the page declares it writes beyond its bindings lies in the record
// and in the sections its commit carries.
void CheckOwnWrites(const PageCase& c, IConfigPage& page)
{
    std::vector<ByteRun> runs;
    page.OwnWrites(runs);
    CommitSectionList sections = GetCommitSections(*c.item, GetConfigRecord());
    for (const ByteRun& r : runs)
    {
        bool carried = std::any_of(sections.sections, sections.sections + sections.count, [&r](const CommitSection& k) {
            return r.offset >= k.offset && r.offset + r.length <= k.offset + k.length;
        });
        EXPECT_TRUE(carried) << "declared run at " << r.offset << " of " << r.length << " is not committed";
    }
}

// The first changed byte outside what the page may write, as a message;
// empty when there is none.
std::string WriteOutside(const std::vector<bool>& writable, const uint8_t* before, const uint8_t* after)
{
    for (uint32_t i = 0; i < sizeof(ConfigRecord); ++i)
        if (before[i] != after[i] && !writable[i])
            return "byte " + std::to_string(i) + " was " + std::to_string(before[i]) + ", now " +
                   std::to_string(after[i]);
    return "";
}

std::string WindowText(HWND control)
{
    char text[1024] = "";
    ::GetWindowTextA(control, text, sizeof(text));
    return text;
}

// The code a list or radio group shows, -1 with none.
int ShownCode(HWND page, const FieldBinding& b)
{
    if (b.kind == FieldKind::List)
        return CFieldBinder::SelectedCode(::GetDlgItem(page, (int)b.control));
    for (uint16_t k = 0; k < b.choiceCount; ++k)
        if (::IsDlgButtonChecked(page, (int)b.choices[k].control) == BST_CHECKED)
            return b.choices[k].code;
    return -1;
}

// What the stored field, read through its binding, disagrees with in what
// its control shows; empty when they agree. A hidden control, and a list or
// radio group showing no entry, leave the field as the page opened it.
std::string Disagreement(HWND page, const FieldBinding& b, const uint8_t* field, const uint8_t* opened)
{
    HWND control = ::GetDlgItem(page, (int)b.control);
    if (!(::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE))
        return memcmp(field, opened, b.size) ? "hidden, yet written" : "";
    std::string shown = WindowText(control);
    switch (b.kind)
    {
    case FieldKind::Number:
    {
        int value = b.size == 2 ? (field[0] | field[1] << 8) : field[0];
        return shown == std::to_string(value) ? "" : "shows " + shown + ", stored " + std::to_string(value);
    }
    case FieldKind::PortDigits:
    {
        for (uint16_t i = 0; i < b.size; ++i)
            if (field[i] < '0' || field[i] > '9')
                return "not stored as digits";
        int value = ParseDigits(field, b.size);
        return shown == std::to_string(value) ? "" : "shows " + shown + ", stored " + std::to_string(value);
    }
    case FieldKind::Check:
    {
        bool on = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        int want = (on ? b.minimum : b.maximum) & b.mask;
        return (field[0] & b.mask) == want ? "" : std::string(on ? "checked" : "clear") + ", stored " +
                                                      std::to_string(field[0]);
    }
    case FieldKind::List:
    case FieldKind::Radio:
    {
        int code = ShownCode(page, b);
        if (code < 0)
            return (field[0] & b.mask) == (opened[0] & b.mask) ? "" : "no entry shown, yet written";
        return (field[0] & b.mask) == (code & b.mask) ? "" : "shows code " + std::to_string(code) + ", stored " +
                                                               std::to_string(field[0]);
    }
    case FieldKind::IpDigits:
    {
        for (uint16_t i = 0; i < b.size; ++i)
            if (field[i] < '0' || field[i] > '9')
                return "not stored as digits";
        DWORD address = 0;
        ::SendMessageA(control, IPM_GETADDRESS, 0, (LPARAM)&address);
        return address == ParseIpDigits((const char*)field) ? "" : "another address stored";
    }
    case FieldKind::Counted:
    case FieldKind::Text:
    {
        std::string text = BoundFieldText(b, field);
        std::string want = shown.substr(0, b.size > 0 ? b.size - 1u : 0u);
        return want == text ? "" : "shows '" + want + "', stored '" + text + "'";
    }
    }
    return "unknown kind";
}

// Every shown binding's bytes are what its control shows, but for bytes the
// page declares its own code writes (values its store corrects).
void CheckStoredAsShown(IConfigPage& page, const uint8_t* stored, const uint8_t* opened)
{
    std::vector<ByteRun> own;
    page.OwnWrites(own);
    for (const BoundWindow& w : page.BoundWindows())
        for (const BoundTable& t : w.tables)
            for (size_t r = 0; r < t.table->count; ++r)
            {
                const FieldBinding& b = t.table->rows[r];
                uint32_t at = t.table->base + t.index * t.table->stride + b.offset;
                if (std::any_of(own.begin(), own.end(),
                                [&](const ByteRun& k) { return at < k.offset + k.length && k.offset < at + b.size; }))
                    continue;
                std::string why = Disagreement(w.window, b, stored + at, opened + at);
                EXPECT_EQ("", why) << "control " << b.control << " at byte " << at;
            }
}

// No text a page shows holds the unset byte: a field never written shows
// empty, not as a row of 0xFF characters.
void CheckNoUnsetTextShown(IConfigPage& page)
{
    for (const BoundWindow& w : page.BoundWindows())
        for (const BoundTable& t : w.tables)
            for (size_t r = 0; r < t.table->count; ++r)
            {
                const FieldBinding& b = t.table->rows[r];
                if (b.kind != FieldKind::Text && b.kind != FieldKind::Counted)
                    continue;
                EXPECT_EQ(std::string::npos, WindowText(::GetDlgItem(w.window, (int)b.control)).find('\xFF'))
                    << "control " << b.control;
            }
}

// The page of case c made and opened on the page-edit copy, with every
// tab it has, on its first tab.
std::unique_ptr<IConfigPage> OpenPage(const PageCase& c, HWND host)
{
    ResetLastTabMemories();
    std::unique_ptr<IConfigPage> page(c.item->factory(*c.item, GetPageEditRecord()));
    if (page && !page->IsTextPage())
    {
        EXPECT_TRUE(page->Create(host) != NULL) << "the page's window was not made";
        // Every tab made, as the user makes it by showing it, then the
        // first shown again.
        if (CTabPageHost* tabs = page->TabHost())
        {
            for (int i = tabs->GetTabCount() - 1; i >= 0; --i)
                tabs->SelectTab(i);
        }
        testsupport::PumpMessages();
    }
    return page;
}
}

// Every page is held to its declaration, and a visit without input to what
// its controls show: opened on an unset record (every byte 0xFF) and on one
// of unknown values and stored at once, it writes only the bytes it binds or
// declares, every binding's bytes are exactly what its control shows, and a
// second visit changes nothing. A refused store writes nothing.
TEST(PageRegistryTest, EveryPageKeepsToItsDeclarationAndStoresWhatItShows)
{
    ASSERT_TRUE(SelectShippedLanguage());
    CMessageBoxRecorder boxes; // a page refusing its store says why
    HWND host = testsupport::CreatePageHost();
    std::unique_ptr<ConfigRecord> unset(new ConfigRecord), unknown(new ConfigRecord);
    memset(unset.get(), 0xFF, sizeof(ConfigRecord));
    uint8_t* p = ConfigBytes(unknown.get());
    for (uint32_t i = 0; i < sizeof(ConfigRecord); ++i)
        p[i] = (uint8_t)(0x20 + i % 0x5F); // printable, never the empty marker
    std::vector<uint8_t> before(sizeof(ConfigRecord)), opened(sizeof(ConfigRecord)), stored(sizeof(ConfigRecord));
    int pages = 0, tabWindows = 0;
    for (const ConfigRecord* record : { unset.get(), unknown.get() })
    {
        const bool isUnset = record == unset.get();
        for (const PageCase& c : Cases())
        {
            SCOPED_TRACE(c.Name() + (isUnset ? " unset" : " unknown values"));
            // Both copies hold the record; the slot holds the case's card.
            ConfigRecord* edit = GetPageEditRecord();
            uint8_t* bytes = ConfigBytes(edit);
            memcpy(edit, record, sizeof(ConfigRecord));
            c.SetUp(edit);
            memcpy(GetConfigRecord(), edit, sizeof(ConfigRecord));
            before.assign(bytes, bytes + sizeof(ConfigRecord));
            std::unique_ptr<IConfigPage> page = OpenPage(c, host);
            if (!page || page->IsTextPage())
                continue;
            ASSERT_TRUE(::IsWindow(page->Window().m_hWnd));
            if (CTabPageHost* tabs = page->TabHost())
            {
                EXPECT_TRUE(!c.HasGroups() || tabs->GetTabCount() == (int)CFG_CARD_SLOT_COUNT) << "a group per slot";
                EXPECT_EQ(1u + (size_t)tabs->GetTabCount(), page->BoundWindows().size()) << "every tab is held";
                tabWindows += tabs->GetTabCount();
            }
            if (isUnset)
            {
                ++pages;
                CheckDeclaration(c, *page);
                CheckOwnWrites(c, *page);
            }
            CheckNoUnsetTextShown(*page);
            std::vector<bool> writable = WritableBytes(*page);
            opened.assign(bytes, bytes + sizeof(ConfigRecord));
            EXPECT_EQ("", WriteOutside(writable, before.data(), opened.data())) << "on opening";
            if (page->Store() == 0)
            {
                EXPECT_TRUE(opened == std::vector<uint8_t>(bytes, bytes + sizeof(ConfigRecord)))
                    << "a refused store wrote";
                ::DestroyWindow(page->Window().m_hWnd);
                continue;
            }
            stored.assign(bytes, bytes + sizeof(ConfigRecord));
            EXPECT_EQ("", WriteOutside(writable, before.data(), stored.data())) << "on storing";
            CheckStoredAsShown(*page, stored.data(), opened.data());
            ::DestroyWindow(page->Window().m_hWnd);

            // What was stored is what the page shows and stores again. A visit
            // that changed nothing would only be repeated.
            if (stored == before)
                continue;
            page = OpenPage(c, host);
            ASSERT_TRUE(page && ::IsWindow(page->Window().m_hWnd));
            EXPECT_EQ(1, page->Store());
            EXPECT_EQ("", WriteOutside(std::vector<bool>(sizeof(ConfigRecord), false), stored.data(), bytes))
                << "a second visit";
            ::DestroyWindow(page->Window().m_hWnd);
        }
    }
    EXPECT_GE(pages, 2);
    EXPECT_GE(tabWindows, 2 * (3 + 8 + 8));
    ::DestroyWindow(host);
}
