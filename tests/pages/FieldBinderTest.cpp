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
