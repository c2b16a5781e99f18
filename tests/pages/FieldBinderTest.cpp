#include <gtest/gtest.h>
#include "pages/FieldBinding.h"
#include <memory>
#include <string>

// The binder between a page's controls and the record bytes, on plain edit
// controls: what the user sees of the bytes and what lands back in them.
TEST(FieldBinder, TwoByteNumbersAreLowByteFirstAndTextsKeepToTheirField)
{
    const FieldBinding rows[] = { Field::Number(100, 0x100, 2, 0, 65535, 0), Field::Text(101, 0x110, 8) };
    const FieldTable table = MakeFieldTable(rows);
    HWND page = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, NULL, NULL, NULL, NULL);
    for (int id : { 100, 101 })
        ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, page, (HMENU)(INT_PTR)id, NULL, NULL);
    auto text = [&](int id) {
        char t[64] = "";
        ::GetDlgItemTextA(page, id, t, sizeof(t));
        return std::string(t);
    };
    std::unique_ptr<ConfigRecord> record(new ConfigRecord);
    uint8_t* bytes = ConfigBytes(record.get());
    memset(bytes, 0, sizeof(ConfigRecord));
    memcpy(bytes + 0x100, "\x34\x12", 2);
    memcpy(bytes + 0x110, "abc", 4);

    CFieldBinder binder;
    binder.Fill(page, record.get(), table);
    EXPECT_EQ("4660 abc", text(100) + " " + text(101));
    // Seven characters and the terminator fill the eight bytes.
    EXPECT_EQ(7, (int)::SendDlgItemMessageA(page, 101, EM_GETLIMITTEXT, 0, 0));

    ::SetDlgItemTextA(page, 100, "513");
    ::SetDlgItemTextA(page, 101, "abcdefghij");
    EXPECT_EQ(nullptr, binder.Store(page, record.get(), table));
    EXPECT_EQ("\x01\x02", std::string((char*)bytes + 0x100, 2));
    EXPECT_EQ(std::string("abcdefg\0\0", 9), std::string((char*)bytes + 0x110, 9)) << "nothing past the field";
    ::DestroyWindow(page);
}

// A value no button stands for: a plain radio group shows no button and
// keeps the byte; one made with RadioOr shows its named button and stores it.
TEST(FieldBinder, RadioGroupsShowAnUnknownValueAsNoneOrAsTheirNamedButton)
{
    const FieldChoice choices[] = { { 0, nullptr, nullptr, 200 }, { 1, nullptr, nullptr, 201 }, { 2, nullptr, nullptr, 202 } };
    const FieldBinding plain[] = { Field::Radio(0x100, choices) };
    const FieldBinding named[] = { Field::RadioOr(0x100, choices, 2) };
    const struct
    {
        const FieldBinding* rows;
        uint8_t stored;
        int checked; // the button shown, 0 for none
        uint8_t storedAgain;
    } cases[] = {
        { plain, 1, 201, 1 }, { plain, 9, 0, 9 }, { named, 1, 201, 1 }, { named, 9, 202, 2 },
    };
    HWND page = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, NULL, NULL, NULL, NULL);
    for (int id : { 200, 201, 202 })
        ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON, 0, 0, 100, 20, page,
                          (HMENU)(INT_PTR)id, NULL, NULL);
    std::unique_ptr<ConfigRecord> record(new ConfigRecord);
    uint8_t* bytes = ConfigBytes(record.get());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.rows == plain ? "Radio" : "RadioOr") + " holding " + std::to_string(c.stored));
        const FieldTable table = { c.rows, 1, 0, 0, 1 };
        bytes[0x100] = c.stored;
        CFieldBinder binder;
        binder.Fill(page, record.get(), table);
        int checked = 0;
        for (int id : { 200, 201, 202 })
            if (::IsDlgButtonChecked(page, id) == BST_CHECKED)
                checked = checked ? -1 : id;
        EXPECT_EQ(c.checked, checked);
        EXPECT_EQ(nullptr, binder.Store(page, record.get(), table));
        EXPECT_EQ(c.storedAgain, bytes[0x100]);
    }
    ::DestroyWindow(page);
}
