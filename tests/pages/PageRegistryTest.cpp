#include <gtest/gtest.h>
#include "pages/ConfigItems.h"
#include "pages/ConfigPage.h"
#include "base/Language.h"
#include <commctrl.h>
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// Every page of the configuration tree held to its declaration: its bindings
// against the record map, its dialog template and the language file, and a
// visit without input against the record it was shown.
namespace
{
struct Bytes
{
    uint32_t offset;
    uint32_t length;
};

// The bytes a page corrects when it opens a new configuration's record.
struct WrittenOnOpen
{
    int id;
    uint8_t cardType; // card slot pages: the card they show
    std::vector<Bytes> bytes;
};

std::vector<WrittenOnOpen> WrittenOnOpenTable()
{
    std::vector<WrittenOnOpen> table = {
        { CI_SYSTEM_GENERAL, 0, { { CFG_OFS_BEEP_TIME, 1 } } },
        { CI_SYSTEM_SMS, 0, { { offsetof(ConfigRecord, sms2.moduleMask), 4 } } },
        { CI_SYSTEM_HTTP, 0, { { offsetof(ConfigRecord, httpIn.selection), 4 } } },
    };
    WrittenOnOpen slots = { CI_CARD_SLOTS, 0, {} };
    for (uint32_t s = 0; s < CFG_CARD_SLOT_COUNT; ++s)
        slots.bytes.push_back({ CFG_OFS_CARD_SLOTS + s * (uint32_t)sizeof(CardSlotRec), 1 });
    table.push_back(slots);
    for (uint32_t s = 0; s < CFG_CARD_SLOT_COUNT; ++s)
        table.push_back({ CI_CARD_SLOT_FIRST + (int)s, CARD_VOIP,
                          { { (uint32_t)(CFG_OFS_VOIP_MODULES + s * sizeof(VoipModuleRec) +
                                         offsetof(VoipModuleRec, sipPort)), 5 } } });
    return table;
}

bool IsWrittenOnOpen(int id, uint8_t cardType, uint32_t offset)
{
    static const std::vector<WrittenOnOpen> table = WrittenOnOpenTable();
    for (const WrittenOnOpen& w : table)
        if (w.id == id && w.cardType == cardType)
            for (const Bytes& b : w.bytes)
                if (offset >= b.offset && offset < b.offset + b.length)
                    return true;
    return false;
}

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

std::string ClassOf(HWND control)
{
    char cls[64] = "";
    ::GetClassNameA(control, cls, sizeof(cls));
    return cls;
}

bool ClassFits(FieldKind kind, const std::string& cls)
{
    switch (kind)
    {
    case FieldKind::Number:
    case FieldKind::PortDigits:
    case FieldKind::Counted:
    case FieldKind::Text: return !lstrcmpiA(cls.c_str(), "Edit");
    case FieldKind::Check:
    case FieldKind::Radio: return !lstrcmpiA(cls.c_str(), "Button");
    case FieldKind::List: return !lstrcmpiA(cls.c_str(), "ComboBox") || !lstrcmpiA(cls.c_str(), "ListBox");
    case FieldKind::IpDigits: return !lstrcmpiA(cls.c_str(), WC_IPADDRESSA);
    }
    return false;
}

bool SizeFits(const FieldBinding& b)
{
    switch (b.kind)
    {
    case FieldKind::Number: return b.size == 1 || b.size == 2;
    case FieldKind::Check:
    case FieldKind::List:
    case FieldKind::Radio: return b.size == 1;
    case FieldKind::IpDigits: return b.size == CFG_IP_DIGITS_SIZE;
    case FieldKind::PortDigits: return b.size >= 1 && b.size <= 9;
    case FieldKind::Counted:
    case FieldKind::Text: return b.size >= 2;
    }
    return false;
}

bool HasEnglishText(const char* key)
{
    char text[260] = "";
    g_Language.GetString(key, text, sizeof(text));
    return text[0] != '\0';
}

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

class PageRegistryTest : public ::testing::Test
{
protected:
    HWND host = NULL;

    void SetUp() override
    {
        ASSERT_TRUE(SelectShippedLanguage());
        host = testsupport::CreatePageHost();
    }
    void TearDown() override { ::DestroyWindow(host); }

    static std::vector<PageCase> Cases()
    {
        std::vector<PageCase> cases;
        size_t count = 0;
        const ConfigItem* items = GetConfigItems(&count);
        for (size_t i = 0; i < count; ++i)
        {
            if (!items[i].factory)
                continue;
            // Each card in a slot of its own: the slot only moves the
            // tables' entries, and every slot is some card's.
            const uint8_t cards[] = { CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER, CARD_ANALOG_TRUNK,
                                      CARD_ANALOG_COMBINED, CARD_GSM, CARD_VOIP, CARD_ANALOG_SUBSCRIBER };
            if (items[i].flags & CIF_CARD_SLOT)
                cases.push_back({ &items[i], cards[items[i].index % 8] });
            else
                cases.push_back({ &items[i], 0 });
        }
        return cases;
    }

    // Both copies hold record; the page of c is made and shown on the host.
    IConfigPage* Open(const PageCase& c, const ConfigRecord& record)
    {
        ConfigRecord* edit = GetPageEditRecord();
        memcpy(edit, &record, sizeof(record));
        if (c.cardType)
            edit->cardSlots[c.item->index].cardType = c.cardType;
        memcpy(GetConfigRecord(), edit, sizeof(ConfigRecord));
        IConfigPage* page = c.item->factory(*c.item, edit);
        if (!page)
            return nullptr;
        if (page->IsTextPage())
        {
            delete page;
            return nullptr;
        }
        HWND wnd = page->Create(host);
        EXPECT_TRUE(wnd != NULL) << "the page's window was not made";
        if (!wnd)
        {
            delete page;
            return nullptr;
        }
        testsupport::PumpMessages();
        return page;
    }

    static void Close(IConfigPage* page)
    {
        ::DestroyWindow(page->Window().m_hWnd);
        delete page;
    }
};

TEST_F(PageRegistryTest, EveryBindingFitsTheRecordTheTemplateAndTheLanguage)
{
    ConfigRecord* defaults = new ConfigRecord;
    SetConfigDefaults(defaults);
    int pages = 0;
    for (const PageCase& c : Cases())
    {
        SCOPED_TRACE(c.Name());
        IConfigPage* page = Open(c, *defaults);
        if (!page)
            continue;
        ++pages;
        HWND wnd = page->Window().m_hWnd;
        CommitSectionList sections = GetCommitSections(*c.item, GetConfigRecord());
        std::vector<uint8_t> owners(sizeof(ConfigRecord), 0);
        std::vector<uint8_t> shared(sizeof(ConfigRecord), 0);
        for (const BoundTable& t : page->Fields())
        {
            for (size_t r = 0; r < t.table->count; ++r)
            {
                const FieldBinding& b = t.table->rows[r];
                SCOPED_TRACE("control " + std::to_string(b.control));
                EXPECT_TRUE(SizeFits(b));
                if (b.kind == FieldKind::Number || b.kind == FieldKind::PortDigits)
                {
                    EXPECT_LE(b.minimum, b.maximum);
                    if (!(b.flags & FB_NO_DEFAULT))
                    {
                        EXPECT_TRUE(b.defaultValue >= b.minimum && b.defaultValue <= b.maximum);
                    }
                }
                HWND control = ::GetDlgItem(wnd, (int)b.control);
                ASSERT_TRUE(control != NULL);
                EXPECT_TRUE(ClassFits(b.kind, ClassOf(control))) << ClassOf(control);
                for (uint16_t k = 0; k < b.choiceCount; ++k)
                {
                    if (b.choices[k].key)
                    {
                        EXPECT_TRUE(HasEnglishText(b.choices[k].key)) << b.choices[k].key;
                    }
                    if (b.kind == FieldKind::Radio)
                    {
                        EXPECT_TRUE(::GetDlgItem(wnd, (int)b.choices[k].control) != NULL);
                    }
                }
                if (b.refusalKey)
                {
                    EXPECT_TRUE(HasEnglishText(b.refusalKey)) << b.refusalKey;
                }

                for (uint32_t e = 0; e < t.table->entries; ++e)
                {
                    uint32_t first = t.table->base + e * t.table->stride + b.offset;
                    const ConfigSection* s = SectionOf(first);
                    ASSERT_TRUE(s != nullptr);
                    EXPECT_FALSE(IsCarriedOnly(*s)) << s->name;
                    EXPECT_EQ(s, SectionOf(first + b.size - 1)) << "crosses out of " << s->name;
                    for (uint32_t i = first; i < first + b.size; ++i)
                    {
                        bool committed = false;
                        for (size_t k = 0; k < sections.count; ++k)
                            committed |= i >= sections.sections[k].offset &&
                                         i < sections.sections[k].offset + sections.sections[k].length;
                        EXPECT_TRUE(committed) << "byte " << i << " is bound but not committed";
                        bool isShared = (b.flags & FB_SHARED) != 0;
                        if (owners[i])
                        {
                            EXPECT_TRUE(isShared && shared[i]) << "byte " << i << " bound twice";
                        }
                        owners[i] = 1;
                        shared[i] = isShared ? 1 : 0;
                    }
                }
            }
        }
        Close(page);
    }
    EXPECT_GE(pages, 2);
    delete defaults;
}

// Opening a page and committing it without input changes nothing but the
// bytes the page corrects on open; numbers outside their range come back
// clamped.
TEST_F(PageRegistryTest, AVisitWithoutInputKeepsTheRecord)
{
    ConfigRecord* defaults = new ConfigRecord;
    SetConfigDefaults(defaults);
    ConfigRecord* pattern = new ConfigRecord;
    uint8_t* p = ConfigBytes(pattern);
    for (uint32_t i = 0; i < sizeof(ConfigRecord); ++i)
        p[i] = (uint8_t)(0x20 + i % 0x5F); // printable, never the empty marker
    for (const ConfigRecord* record : { defaults, pattern })
    {
        bool isDefault = record == defaults;
        for (const PageCase& c : Cases())
        {
            SCOPED_TRACE(c.Name() + (isDefault ? " defaults" : " pattern"));
            IConfigPage* page = Open(c, *record);
            if (!page)
                continue;
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
            const uint8_t* after = ConfigBytes(GetPageEditRecord());
            int reported = 0;
            for (uint32_t i = 0; i < sizeof(ConfigRecord) && reported < 5; ++i)
            {
                if (c.cardType && i == CFG_OFS_CARD_SLOTS + (uint32_t)sizeof(CardSlotRec) * c.item->index)
                    continue; // the card the case puts in the slot
                if (after[i] == ConfigBytes(record)[i])
                    continue;
                if (isDefault && IsWrittenOnOpen(c.item->id, c.cardType, i))
                    continue;
                if (!isDefault && clamped[i])
                    continue;
                ADD_FAILURE() << "byte " << i << " was " << (int)ConfigBytes(record)[i] << ", now "
                              << (int)after[i];
                ++reported;
            }
            Close(page);
        }
    }
    delete pattern;
    delete defaults;
}
}
