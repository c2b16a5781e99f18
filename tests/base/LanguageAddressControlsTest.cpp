#include <gtest/gtest.h>
#include "base/Language.h"
#include "tests/support/TestLanguage.h"
#include <string>
#include <vector>

// The IP address controls (ids 1361 to 1365) and the web browser control
// (1369) keep their own texts and window data: translating, retranslating and
// releasing a dialog never touch them, even when their text looks like a key.

namespace
{
std::string TextOf(HWND wnd)
{
    char text[256] = "";
    ::GetWindowTextA(wnd, text, sizeof(text));
    return text;
}

// A dialog template in memory: caption, then STATIC controls with the given
// ids, each showing the text "strLabel".
std::vector<WORD> DialogTemplate(const char* caption, const std::vector<WORD>& ids)
{
    std::vector<WORD> t;
    auto dword = [&t](DWORD d) {
        t.push_back(LOWORD(d));
        t.push_back(HIWORD(d));
    };
    auto text = [&t](const char* s) {
        for (; *s; ++s)
            t.push_back(static_cast<unsigned char>(*s));
        t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION);
    dword(0);
    t.push_back(static_cast<WORD>(ids.size()));
    t.insert(t.end(), { 0, 0, 200, 100, 0, 0 }); // position, size; no menu, default class
    text(caption);
    for (WORD id : ids)
    {
        if (t.size() % 2)
            t.push_back(0); // DWORD alignment
        dword(WS_CHILD | WS_VISIBLE);
        dword(0);
        t.insert(t.end(), { 5, 5, 60, 12, id, 0xFFFF, 0x0082 }); // STATIC by atom
        text("strLabel");
        t.push_back(0);
    }
    return t;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}
} // namespace

TEST(LanguageAddressControls, AreNeverTranslatedNorTheirDataTouched)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strTitle=Title\r\nstrLabel=Label\r\n"));
    ASSERT_TRUE(lang.Select());

    const std::vector<WORD> ids = { 100, 1361, 1363, 1365, 1369 };
    const std::vector<WORD> tmpl = DialogTemplate("strTitle", ids);
    HWND dlg = ::CreateDialogIndirectParamA(::GetModuleHandle(NULL), reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                            NULL, PlainDialogProc, 0);
    ASSERT_TRUE(dlg);
    const size_t keptBefore = g_Language.GetKeptKeyCount();
    for (WORD id : { 1361, 1363, 1365, 1369 })
        ::SetWindowLongPtrA(::GetDlgItem(dlg, id), GWLP_USERDATA, 0x4000 + id);

    ASSERT_TRUE(g_Language.TranslateWindow(dlg, true));
    EXPECT_EQ("Title", TextOf(dlg));
    EXPECT_EQ("Label", TextOf(::GetDlgItem(dlg, 100)));
    EXPECT_EQ(keptBefore + 2, g_Language.GetKeptKeyCount()); // the dialog and control 100 only
    for (WORD id : { 1361, 1363, 1365, 1369 })
    {
        EXPECT_EQ("strLabel", TextOf(::GetDlgItem(dlg, id))) << id;
        EXPECT_EQ(0x4000 + id, ::GetWindowLongPtrA(::GetDlgItem(dlg, id), GWLP_USERDATA)) << id;
    }

    ASSERT_TRUE(g_Language.RetranslateWindow(dlg));
    ASSERT_TRUE(g_Language.ReleaseWindowKeys(dlg));
    EXPECT_EQ(keptBefore, g_Language.GetKeptKeyCount());
    for (WORD id : { 1361, 1363, 1365, 1369 })
    {
        EXPECT_EQ("strLabel", TextOf(::GetDlgItem(dlg, id))) << id;
        EXPECT_EQ(0x4000 + id, ::GetWindowLongPtrA(::GetDlgItem(dlg, id), GWLP_USERDATA)) << id;
    }
    ::DestroyWindow(dlg);
}
