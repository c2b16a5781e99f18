#include <gtest/gtest.h>
#include "pages/ConfigItems.h"
#include "pages/ConfigPage.h"
#include "base/Language.h"
#include <commctrl.h>
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include "tests/support/TreeViewProbe.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Every page of the configuration tree held to its declaration: its bindings
// against the record map, its dialog template and the language file, and a
// visit without input against the record it was shown.
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

// One page as the tree shows it: an item, and for a card slot the card.
struct PageCase
{
    const ConfigItem* item;
    uint8_t cardType;
    std::string Name() const
    {
        return std::to_string(item->id) + (cardType ? " card " + std::to_string(cardType) : "");
    }
};

// The bytes a page corrects when it opens a new configuration's record.
bool IsWrittenOnOpen(const PageCase& c, uint32_t i)
{
    auto in = [i](size_t offset, size_t length) { return i >= offset && i < offset + length; };
    switch (c.item->id)
    {
    case CI_SYSTEM_GENERAL: return in(CFG_OFS_BEEP_TIME, 1);
    case CI_SYSTEM_SMS: return in(offsetof(ConfigRecord, sms2.moduleMask), 4);
    case CI_SYSTEM_HTTP: return in(offsetof(ConfigRecord, httpIn.selection), 4);
    case CI_CARD_SLOTS: // each slot's card type
        return in(CFG_OFS_CARD_SLOTS, CFG_CARD_SLOT_COUNT * sizeof(CardSlotRec)) &&
               (i - CFG_OFS_CARD_SLOTS) % sizeof(CardSlotRec) == 0;
    default: break;
    }
    return c.cardType == CARD_VOIP && in(CFG_OFS_VOIP_MODULES + c.item->index * sizeof(VoipModuleRec) +
                                             offsetof(VoipModuleRec, sipPort), 5);
}

std::vector<PageCase> Cases()
{
    // Each card in a slot of its own: the slot only moves the tables'
    // entries, and every slot is some card's.
    const uint8_t cards[] = { CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK,
                              CARD_ANALOG_COMBINED, CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER };
    std::vector<PageCase> cases;
    size_t count = 0;
    const ConfigItem* items = GetConfigItems(&count);
    for (size_t i = 0; i < count; ++i)
        if (items[i].factory)
            cases.push_back({ &items[i], (items[i].flags & CIF_CARD_SLOT) ? cards[items[i].index % 8] : (uint8_t)0 });
    return cases;
}

// The declaration of page's bindings against the record map, the commit
// sections of its item, its template and the language file.
void CheckDeclaration(const PageCase& c, IConfigPage& page)
{
    HWND wnd = page.Window().m_hWnd;
    CommitSectionList sections = GetCommitSections(*c.item, GetConfigRecord());
    std::vector<uint8_t> owners(sizeof(ConfigRecord), 0), shared(sizeof(ConfigRecord), 0);
    for (const BoundTable& t : page.Fields())
        for (size_t r = 0; r < t.table->count; ++r)
        {
            const FieldBinding& b = t.table->rows[r];
            SCOPED_TRACE("control " + std::to_string(b.control));
            HWND control = ::GetDlgItem(wnd, (int)b.control);
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
                EXPECT_TRUE(b.kind != FieldKind::Radio || ::GetDlgItem(wnd, (int)b.choices[k].control));
            }
            EXPECT_TRUE(!b.refusalKey || HasEnglishText(b.refusalKey)) << b.refusalKey;

            for (uint32_t e = 0; e < t.table->entries; ++e)
            {
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
                    bool isShared = (b.flags & FB_SHARED) != 0;
                    EXPECT_TRUE(!owners[i] || (isShared && shared[i])) << "byte " << i << " bound twice";
                    owners[i] = 1;
                    shared[i] = isShared ? 1 : 0;
                }
            }
        }
}
}

// Every page opened on a new record is held to its declaration. Opening a
// page on a new and on a patterned record and committing it without input
// changes nothing but the bytes the page corrects on open; numbers outside
// their range come back clamped.
TEST(PageRegistryTest, EveryPageKeepsToItsDeclarationAndAVisitWithoutInputKeepsTheRecord)
{
    ASSERT_TRUE(SelectShippedLanguage());
    HWND host = testsupport::CreatePageHost();
    std::unique_ptr<ConfigRecord> defaults(new ConfigRecord), pattern(new ConfigRecord);
    SetConfigDefaults(defaults.get());
    uint8_t* p = ConfigBytes(pattern.get());
    for (uint32_t i = 0; i < sizeof(ConfigRecord); ++i)
        p[i] = (uint8_t)(0x20 + i % 0x5F); // printable, never the empty marker
    int pages = 0;
    for (const ConfigRecord* record : { defaults.get(), pattern.get() })
    {
        const bool isDefault = record == defaults.get();
        for (const PageCase& c : Cases())
        {
            SCOPED_TRACE(c.Name() + (isDefault ? " defaults" : " pattern"));
            // Both copies hold the record; the slot holds the case's card.
            ConfigRecord* edit = GetPageEditRecord();
            memcpy(edit, record, sizeof(ConfigRecord));
            if (c.cardType)
                edit->cardSlots[c.item->index].cardType = c.cardType;
            memcpy(GetConfigRecord(), edit, sizeof(ConfigRecord));
            std::unique_ptr<IConfigPage> page(c.item->factory(*c.item, edit));
            if (!page || page->IsTextPage())
                continue;
            ASSERT_TRUE(page->Create(host) != NULL) << "the page's window was not made";
            testsupport::PumpMessages();
            if (isDefault)
            {
                ++pages;
                CheckDeclaration(c, *page);
            }
            std::vector<uint8_t> clamped(sizeof(ConfigRecord), 0);
            for (const BoundTable& t : page->Fields())
                for (size_t r = 0; r < t.table->count; ++r)
                {
                    const FieldBinding& b = t.table->rows[r];
                    if (b.kind == FieldKind::Number || b.kind == FieldKind::PortDigits)
                        for (uint32_t e = 0; e < t.table->entries; ++e)
                            std::fill_n(clamped.begin() + t.table->base + e * t.table->stride + b.offset, b.size, 1);
                }
            EXPECT_EQ(1, page->Store());
            const uint8_t* after = ConfigBytes(edit);
            int reported = 0;
            for (uint32_t i = 0; i < sizeof(ConfigRecord) && reported < 5; ++i)
            {
                if (after[i] == ConfigBytes(record)[i] ||
                    (c.cardType && i == CFG_OFS_CARD_SLOTS + (uint32_t)sizeof(CardSlotRec) * c.item->index) ||
                    (isDefault ? IsWrittenOnOpen(c, i) : clamped[i] != 0))
                    continue;
                ADD_FAILURE() << "byte " << i << " was " << (int)ConfigBytes(record)[i] << ", now " << (int)after[i];
                ++reported;
            }
            ::DestroyWindow(page->Window().m_hWnd);
        }
    }
    EXPECT_GE(pages, 2);
    ::DestroyWindow(host);
}
