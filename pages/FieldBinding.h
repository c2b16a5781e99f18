#pragma once
#include "wcl/Win.h"
#include "record/ConfigRecord.h"
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Field bindings: a page declares which control shows which bytes of the
// record, and one binder fills the controls from the page-edit copy and
// stores them back. A page writes code only for what it does beyond its
// table.
//
// The rules every binding keeps:
//   - a list or radio group whose stored value matches no entry shows no
//     selection, and storing it keeps the stored bits; a radio group made
//     with RadioOr shows such a value as the button it names instead, and
//     so stores that button's code;
//   - texts are read bounded by their field and written with at most as many
//     characters as the field holds;
//   - a control the page has hidden stores nothing;
//   - every other control stores what it shows, each time the page stores,
//     whether or not the user touched it: numbers clamped to their range,
//     boxes on or off, addresses as digits, texts bounded;
//   - only the bits of a binding's mask are written.

enum class FieldKind : uint8_t
{
    Number,     // CNumericEdit <-> u8 or u16 (size 1 or 2), clamped to its range
    Check,      // check box <-> the masked bits: on when checked, off when clear
    List,       // combo or list box <-> the masked bits, entry codes as item data
    Radio,      // radio buttons, one per entry <-> the masked bits
    IpDigits,   // IP address control <-> IpDigitsText (12 bytes)
    PortDigits, // CNumericEdit <-> digits without terminator (size bytes)
    Counted,    // edit <-> CountedString of size bytes
    Text,       // edit <-> text ending at its terminator or its field
};

enum FieldFlags : uint16_t
{
    FB_EMPTY_ALLOWED = 0x01, // Number, PortDigits: an empty edit stays empty
    FB_SHARED = 0x02,        // another binding of the page owns other bits of these bytes
    FB_REFUSE = 0x04,        // Number, PortDigits: out of range refuses instead of clamping
    FB_ZERO_FILL = 0x08,     // Text: the rest of the field is zeroed; Counted: padded with 0
    FB_CHECK_ANY = 0x10,     // Check: checked for any value but off and 0xFF
    FB_REQUIRED = 0x20,      // Text, Counted: an empty text refuses
    FB_SKIP_EMPTY = 0x40,    // List: entries without a text are left out
    FB_NO_DEFAULT = 0x80,    // Number, PortDigits: no default value is shown
    FB_UNKNOWN_SHOWN = 0x100, // Radio: a value matching no button shows the button of code defaultValue
};

// One entry of a list (its text a language key or a literal) or of a radio
// group (its button).
struct FieldChoice
{
    int code;
    const char* key;  // language key of the entry's text
    const char* text; // literal text when there is no key
    UINT control;     // the radio button
};

struct FieldBinding
{
    UINT control;
    FieldKind kind;
    uint32_t offset;   // record offset, relative to the table's base
    uint16_t size;     // bytes of the field
    uint8_t mask;      // Check, List, Radio: the bits the control owns
    uint16_t flags;    // FieldFlags
    int minimum;       // Number, PortDigits: range; Check: value when checked
    int maximum;       //                            Check: value when clear
    int defaultValue;
    const FieldChoice* choices; // List, Radio; a list without choices is filled by its page
    uint16_t choiceCount;
    const char* charSet;        // Text, Counted: characters an edit accepts (null: any)
    const char* refusalKey;     // message shown when the field refuses its input
};

// The fields of a page, or of one entry of a table: the bindings' offsets are
// relative to base + index * stride.
struct FieldTable
{
    const FieldBinding* rows;
    size_t count;
    uint32_t base;
    uint32_t stride;
    uint32_t entries; // 1 for a page's own fields
};

// A table as a page shows it: which entry of it.
struct BoundTable
{
    const FieldTable* table;
    uint32_t index;
    BoundTable(const FieldTable* t, uint32_t i = 0) : table(t), index(i) {}
};
typedef std::vector<BoundTable> FieldTables;

// A window of a page whose controls bound tables fill: the page itself, or
// one of its tabs.
struct BoundWindow
{
    HWND window;
    FieldTables tables;
};

template <size_t N>
constexpr FieldTable MakeFieldTable(const FieldBinding (&rows)[N], uint32_t base = 0, uint32_t stride = 0,
                                    uint32_t entries = 1)
{
    return FieldTable{ rows, N, base, stride, entries };
}

// The binding rows, written as the page's table reads.
namespace Field
{
constexpr int kNoDefault = INT_MIN;

constexpr FieldBinding Number(UINT id, uint32_t ofs, uint16_t size, int minimum, int maximum, int def,
                              uint16_t flags = 0, const char* refusalKey = nullptr)
{
    return { id, FieldKind::Number, ofs, size, 0xFF, flags, minimum, maximum, def, nullptr, 0, nullptr, refusalKey };
}
constexpr FieldBinding Check(UINT id, uint32_t ofs, uint8_t mask, int on, int off, uint16_t flags = 0)
{
    return { id, FieldKind::Check, ofs, 1, mask, flags, on, off, 0, nullptr, 0, nullptr, nullptr };
}
// A check box owning one bit (or several) of a shared byte.
constexpr FieldBinding Bit(UINT id, uint32_t ofs, uint8_t mask)
{
    return Check(id, ofs, mask, mask, 0, FB_SHARED);
}
template <size_t N>
constexpr FieldBinding List(UINT id, uint32_t ofs, const FieldChoice (&choices)[N], uint8_t mask = 0xFF,
                            uint16_t flags = 0)
{
    return { id, FieldKind::List, ofs, 1, mask, flags, 0, 0, 0, choices, (uint16_t)N, nullptr, nullptr };
}
// A list whose entries the page adds itself, each with its code as item data.
constexpr FieldBinding OwnList(UINT id, uint32_t ofs, uint8_t mask = 0xFF, uint16_t flags = 0)
{
    return { id, FieldKind::List, ofs, 1, mask, flags, 0, 0, 0, nullptr, 0, nullptr, nullptr };
}
template <size_t N>
constexpr FieldBinding Radio(uint32_t ofs, const FieldChoice (&choices)[N], uint8_t mask = 0xFF, uint16_t flags = 0)
{
    return { choices[0].control, FieldKind::Radio, ofs, 1, mask, flags, 0, 0, 0, choices, (uint16_t)N, nullptr, nullptr };
}
// A radio group owning its whole byte that shows a value the device does not
// know as the button of code unknownShowsAs, and so stores that code.
template <size_t N>
constexpr FieldBinding RadioOr(uint32_t ofs, const FieldChoice (&choices)[N], int unknownShowsAs)
{
    return { choices[0].control, FieldKind::Radio, ofs, 1, 0xFF, FB_UNKNOWN_SHOWN, 0, 0, unknownShowsAs,
             choices, (uint16_t)N, nullptr, nullptr };
}
constexpr FieldBinding Ip(UINT id, uint32_t ofs)
{
    return { id, FieldKind::IpDigits, ofs, 12, 0xFF, 0, 0, 0, 0, nullptr, 0, nullptr, nullptr };
}
constexpr FieldBinding Port(UINT id, uint32_t ofs, uint16_t size, int minimum, int maximum, int def,
                            uint16_t flags = 0, const char* refusalKey = nullptr)
{
    return { id, FieldKind::PortDigits, ofs, size, 0xFF, flags, minimum, maximum, def, nullptr, 0, nullptr, refusalKey };
}
constexpr FieldBinding Counted(UINT id, uint32_t ofs, uint16_t size, const char* charSet = nullptr,
                               uint16_t flags = 0, const char* refusalKey = nullptr)
{
    return { id, FieldKind::Counted, ofs, size, 0xFF, flags, 0, 0, 0, nullptr, 0, charSet, refusalKey };
}
constexpr FieldBinding Text(UINT id, uint32_t ofs, uint16_t size, const char* charSet = nullptr,
                            uint16_t flags = 0, const char* refusalKey = nullptr)
{
    return { id, FieldKind::Text, ofs, size, 0xFF, flags, 0, 0, 0, nullptr, 0, charSet, refusalKey };
}
} // namespace Field

// The record bytes a table binds, as [offset, offset + length) runs of every
// entry; used to check the commit sections of a page.
struct ByteRun
{
    uint32_t offset;
    uint32_t length;
};
void CollectBoundRuns(const FieldTable& table, std::vector<ByteRun>& runs);

// The text a Text or Counted binding's field holds, read bounded by the
// field.
std::string BoundFieldText(const FieldBinding& b, const uint8_t* field);

// The run of a member of record, by its place in the record.
template <class M>
ByteRun RunOf(const ConfigRecord* record, const M& member)
{
    return ByteRun{ (uint32_t)(reinterpret_cast<const uint8_t*>(&member) - ConfigBytes(record)), (uint32_t)sizeof(M) };
}

class CNumericEdit;
class CCharSetEdit;

// Fills and stores a page's controls from its tables. It owns the edit
// objects it subclasses, so it lives as long as the page window.
class CFieldBinder
{
public:
    CFieldBinder();
    ~CFieldBinder();

    // Sets up and fills the controls of entry index of table.
    void Fill(HWND page, const ConfigRecord* record, const FieldTable& table, uint32_t index = 0)
    {
        Fill(page, ConfigBytes(record), table, index);
    }
    // Stores the controls; returns the binding that refused its input (its
    // control is named for the message and the focus) or null.
    const FieldBinding* Store(HWND page, ConfigRecord* record, const FieldTable& table, uint32_t index = 0)
    {
        return Store(page, ConfigBytes(record), table, index);
    }
    // The same on a copy of a record part that a dialog edits (offsets
    // relative to bytes).
    void Fill(HWND page, const uint8_t* bytes, const FieldTable& table, uint32_t index = 0);
    const FieldBinding* Store(HWND page, uint8_t* bytes, const FieldTable& table, uint32_t index = 0);
    // Refills the lists whose entries are language texts, keeping each
    // list's selected code.
    void RefreshTexts(HWND page, const FieldTable& table);

    // The numeric edit the binder made of control id, or null.
    CNumericEdit* NumericEdit(HWND page, UINT id) const;

    // Selects the entry whose item data is code; none (-1) when no entry has it.
    static int SelectByCode(HWND list, int code);
    // The item data of the selected entry, or -1 with none selected.
    static int SelectedCode(HWND list);
    // Adds an entry with its code as item data; returns its index.
    static int AddEntry(HWND list, const char* text, int code);

private:
    std::vector<std::unique_ptr<CNumericEdit>> m_numbers;
    std::vector<std::unique_ptr<CCharSetEdit>> m_charSets;

    CNumericEdit* MakeNumericEdit(HWND control, const FieldBinding& b);
    void FillList(HWND list, const FieldBinding& b);
};
