#include <gtest/gtest.h>
#include "pages/FieldBinding.h"
#include <memory>
#include <string>

// The binder between a page's controls and the record bytes, on plain edit
// controls: what the user sees of the bytes and what lands back in them.
namespace
{
const uint32_t kNumberAt = 0x100;
const uint32_t kTextAt = 0x110;
const FieldBinding kRows[] = {
    Field::Number(100, kNumberAt, 2, 0, 65535, 0),
    Field::Text(101, kTextAt, 8),
};
const FieldTable kTable = MakeFieldTable(kRows);

std::string Text(HWND page, int id)
{
    char text[64] = "";
    ::GetDlgItemTextA(page, id, text, sizeof(text));
    return text;
}
}

TEST(FieldBinder, TwoByteNumbersAreLowByteFirstAndTextsKeepToTheirField)
{
    HWND page = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, NULL, NULL, NULL, NULL);
    for (int id : { 100, 101 })
        ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, id == 100 ? 0 : 30, 200, 20, page,
                          (HMENU)(INT_PTR)id, NULL, NULL);
    std::unique_ptr<ConfigRecord> record(new ConfigRecord);
    uint8_t* bytes = ConfigBytes(record.get());
    memset(bytes, 0, sizeof(ConfigRecord));
    bytes[kNumberAt] = 0x34, bytes[kNumberAt + 1] = 0x12;
    memcpy(bytes + kTextAt, "abc", 4);

    CFieldBinder binder;
    binder.Fill(page, record.get(), kTable);
    EXPECT_EQ("4660", Text(page, 100));
    EXPECT_EQ("abc", Text(page, 101));
    // Seven characters and the terminator fill the eight bytes.
    EXPECT_EQ(7, (int)::SendDlgItemMessageA(page, 101, EM_GETLIMITTEXT, 0, 0));

    ::SetDlgItemTextA(page, 100, "513");
    ::SetDlgItemTextA(page, 101, "abcdefghij");
    EXPECT_EQ(nullptr, binder.Store(page, record.get(), kTable));
    EXPECT_EQ(0x01, bytes[kNumberAt]);
    EXPECT_EQ(0x02, bytes[kNumberAt + 1]);
    EXPECT_EQ(0, memcmp(bytes + kTextAt, "abcdefg\0", 8));
    EXPECT_EQ(0, bytes[kTextAt + 8]) << "nothing past the field";
    ::DestroyWindow(page);
}
