#include <gtest/gtest.h>
#include "pages/NumericEdit.h"
#include "pages/CharSetEdit.h"
#include "tests/support/PageHostWindow.h"
#include <string>
#include <tuple>
#include <vector>

// The filtered edits subclass a real EDIT control; keys arrive as WM_CHAR
// and leaving the field as WM_KILLFOCUS, as they do when a user types.
namespace
{
class EditTest : public ::testing::Test
{
protected:
    HWND host = NULL;
    HWND edit = NULL;
    void SetUp() override
    {
        host = testsupport::CreatePageHost();
        ASSERT_TRUE(host);
        edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 120, 20, host,
                                 (HMENU)1003, ::GetModuleHandle(NULL), NULL);
        ASSERT_TRUE(edit);
    }
    void TearDown() override { ::DestroyWindow(host); }

    std::string Text() const
    {
        char buf[64] = "";
        ::GetWindowTextA(edit, buf, sizeof(buf));
        return buf;
    }
    // Replaces the whole text by typing.
    void Type(const char* keys, bool replaceAll = true)
    {
        if (replaceAll)
            ::SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const char* k = keys; *k; ++k)
            ::SendMessageA(edit, WM_CHAR, (unsigned char)*k, 1);
    }
    void Leave() { ::SendMessageA(edit, WM_KILLFOCUS, 0, 0); }
};

}

// A value left outside the range falls back to the default, or to the
// crossed bound where the default lies outside the range (and is not shown).
TEST_F(EditTest, OutOfRangeEntryFallsBackWhenLeft)
{
    // Range and default, the edit's limit, the text shown at first, typed
    // and shown once left.
    for (const auto& [minimum, maximum, defaultValue, limit, shown, typed, left] :
         std::vector<std::tuple<int, int, int, int, std::string, const char*, std::string>>{
             { 1, 65534, 30, 5, "30", "70000", "30" }, { 1, 65534, 30, 5, "30", "0", "30" },
             { 1, 65534, 30, 5, "30", "1234", "1234" }, { 10, 120, 0, 3, "", "5", "10" },
             { 10, 120, 0, 3, "", "500", "120" } })
    {
        CNumericEdit num;
        ::SetWindowTextA(edit, "");
        ASSERT_TRUE(num.SubclassWindow(edit));
        num.SetRange(minimum, maximum, defaultValue);
        EXPECT_EQ(shown, Text());
        EXPECT_EQ(limit, (int)::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
        EXPECT_TRUE(::GetWindowLongA(edit, GWL_STYLE) & ES_NUMBER);
        Type(typed);
        Leave();
        EXPECT_EQ(left, Text()) << typed;
        num.UnsubclassWindow();
    }
}

TEST_F(EditTest, NegativeRangeAcceptsOneLeadingMinus)
{
    CNumericEdit num;
    ASSERT_TRUE(num.SubclassWindow(edit));
    num.SetRange(-113, -51, -80);
    EXPECT_EQ(4, (int)::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    EXPECT_FALSE(::GetWindowLongA(edit, GWL_STYLE) & ES_NUMBER);
    EXPECT_EQ("-80", Text());

    // One leading minus only: not a second one at the end, nor one at the
    // start of a text without it; other characters are refused.
    for (const auto& [before, caret, keys, after] : std::vector<std::tuple<const char*, int, const char*, std::string>>{
             { "", 0, "-9x0", "-90" }, { "-90", 3, "-", "-90" }, { "90", 1, "-", "90" } })
    {
        ::SetWindowTextA(edit, before);
        ::SendMessageA(edit, EM_SETSEL, caret, caret);
        Type(keys, false);
        EXPECT_EQ(after, Text()) << before << " + " << keys;
    }
    Leave();
    EXPECT_EQ("-80", Text());
}

TEST_F(EditTest, LongTextSaturatesInsteadOfWrapping)
{
    CNumericEdit num;
    ASSERT_TRUE(num.SubclassWindow(edit));
    num.SetRange(0, 100, 7);
    // 2^32 + 50 would wrap to 50, inside the range.
    for (const auto& [text, value] : std::vector<std::pair<const char*, int>>{
             { "4294967346", 7 }, { "-4294967246", 7 }, { "abc", 0 }, { "  42abc", 42 } })
    {
        ::SetWindowTextA(edit, text);
        EXPECT_EQ(value, num.GetValue()) << text;
    }
    EXPECT_EQ("42", Text());
}

TEST_F(EditTest, CharSetRefusesForeignCharactersAndBringsLettersToItsCase)
{
    CCharSetEdit chars;
    ASSERT_TRUE(chars.SubclassWindow(edit));
    chars.SetCharSet("0123456789*#", 20);
    EXPECT_EQ(20, (int)::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    Type("1a2*b#");
    EXPECT_EQ("12*#", Text());
    Type("\b", false);
    EXPECT_EQ("12*", Text());

    chars.SetCharSet("0123456789ABCDEF", 8);
    Type("0x1fE9");
    EXPECT_EQ("01FE9", Text());
    chars.SetCharSet("abc", 8);
    Type("ABz");
    EXPECT_EQ("ab", Text());
}
