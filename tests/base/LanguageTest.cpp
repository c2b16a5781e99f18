#include <gtest/gtest.h>
#include "base/Language.h"
#include "base/TextUtil.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace
{
const char kTestStrings[] =
    "strAppName=Test App\r\nstrTitle=Dialog Title\r\nstrTwoLines=first\\nsecond\r\nstrlower=Lower Key\r\n"
    "strLabel=Label\\nText\r\nstrButton=Press\r\nstrCaption=Question\r\n"
    "strFormat=Port %s answered %d times\r\nstrOK=OK\r\nstrCancel=Cancel\r\nstrYes=Yes\r\nstrNo=No\r\n";

const char kTestMenus[] = "menuMainFile=&File\\Top\r\nmenuFileOpen=&Open...\\Ctrl+O\\x\r\n"
                          "menuFileRecent=Recent &files\r\nmenuRecentOne=One\r\n";

const char kTestTooltips[] = "ttipOpen=Open a data file\r\nttipAbout=About\r\n";

std::string WindowText(HWND wnd)
{
    char text[1024] = "";
    ::GetWindowTextA(wnd, text, sizeof(text));
    return text;
}

// The texts of a menu's items, in order.
std::vector<std::string> MenuTexts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
    {
        char text[256] = "";
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

// Ids of the test's dialog in LanguageTest.rc.
enum
{
    IddKeys = 9101,
    IdLabel = 100,
    IdButton = 101,
    IdLower = 102,
    IdPlain = 103,
    IdCombo = 104,
    IdAddress = 1361,
};
const int kUntouched[] = { 1363, 1365, 1369 };

HWND CreateTestDialog()
{
    return ::CreateDialogParamA(::GetModuleHandle(NULL), MAKEINTRESOURCEA(IddKeys), NULL, PlainDialogProc, 0);
}

class LanguageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_lang.WriteLanguage(kTestStrings, kTestMenus, kTestTooltips));
        ASSERT_TRUE(m_lang.Select());
    }
    CTestLanguage m_lang;
    CMessageBoxRecorder m_boxes;
};
}

TEST_F(LanguageTest, LanguageListLookups)
{
    EXPECT_EQ(1, g_Language.GetLanguageCount());
    char name[64], path[MAX_PATH];
    ASSERT_TRUE(g_Language.GetLanguageInfo(1, name, sizeof(name), path, sizeof(path)));
    EXPECT_STREQ("Test", name);
    EXPECT_EQ(m_lang.PathOf("Test.lng"), path);
    EXPECT_FALSE(g_Language.GetLanguageInfo(2, name, sizeof(name), nullptr, 0));

    m_lang.WriteFile("LANG.INI", "[general]\r\nnum_languages=2\r\ndirectory=C:\\lang\\\r\n"
                                 "[language files]\r\n1=Deutsch.lng\r\n2=Francais.lng\r\n"
                                 "[help files]\r\n2=francais.chm\r\n");
    ASSERT_TRUE(g_Language.GetLanguageInfo(1, nullptr, 0, path, sizeof(path)));
    EXPECT_STREQ("C:\\lang\\Deutsch.lng", path) << "no second backslash";
    char small[20];
    ASSERT_TRUE(g_Language.GetLanguageInfo(1, nullptr, 0, small, sizeof(small)));
    EXPECT_STREQ("C:\\lang\\", small) << "a path that does not fit is the directory alone";
    EXPECT_FALSE(g_Language.GetHelpFileName(1, path, sizeof(path)));
    ASSERT_TRUE(g_Language.GetHelpFileName(2, path, sizeof(path)));
    EXPECT_STREQ("francais.chm", path);
}

TEST_F(LanguageTest, TextsByKey)
{
    char text[64];
    ASSERT_TRUE(g_Language.GetString("strTwoLines", text, sizeof(text)));
    EXPECT_STREQ("first \nsecond", text);
    ASSERT_TRUE(g_Language.GetString("strMissing", text, sizeof(text)));
    EXPECT_STREQ("", text);
    char tiny[5];
    ASSERT_TRUE(g_Language.GetString("strTitle", tiny, sizeof(tiny)));
    EXPECT_STREQ("Dial", tiny);
    char longText[CLanguage::kLongTextSize];
    ASSERT_TRUE(g_Language.GetStringLong("strAppName", longText));
    EXPECT_STREQ("Test App", longText);

    ASSERT_TRUE(g_Language.GetTooltip(57601, text, sizeof(text)));
    EXPECT_STREQ("Open a data file", text);
    ASSERT_TRUE(g_Language.GetTooltip(32802, text, sizeof(text)));
    EXPECT_STREQ("", text) << "tooltip key missing from the file";
    EXPECT_FALSE(g_Language.GetTooltip(12345, text, sizeof(text)));

    ASSERT_TRUE(g_Language.GetButtonText(IDNO, text, sizeof(text)));
    EXPECT_STREQ("No", text);
    g_Language.GetButtonText(IDRETRY, text, sizeof(text));
    EXPECT_STREQ("", text);
}

TEST_F(LanguageTest, MessageBoxesByKey)
{
    m_boxes.PushAnswer(IDNO);
    EXPECT_EQ(IDNO, g_Language.MessageBoxKey("strTwoLines", nullptr, MB_YESNO | MB_ICONQUESTION));
    ASSERT_EQ(1u, m_boxes.Count());
    EXPECT_EQ("first \nsecond", m_boxes.Last().text);
    EXPECT_EQ("Test App", m_boxes.Last().caption);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND), m_boxes.Last().flags);
    EXPECT_EQ(NULL, m_boxes.Last().owner);

    EXPECT_EQ(IDOK, g_Language.MessageBoxKeyFormat("strFormat", "strCaption", MB_OK, "COM3", 4));
    EXPECT_EQ("Port COM3 answered 4 times", m_boxes.Last().text);
    EXPECT_EQ("Question", m_boxes.Last().caption);

    std::string huge(3000, 'x');
    g_Language.MessageBoxKeyFormat("strFormat", nullptr, MB_OK, huge.c_str(), 1);
    EXPECT_EQ(1024u, m_boxes.Last().text.size()) << "bounded and terminated";

    // Once the main window exists it owns the boxes.
    HWND owner = CreateTestDialog();
    HWND previousMain = g_hMainWnd;
    g_hMainWnd = owner;
    g_Language.MessageBoxKey("strTitle", "strCaption", MB_OK);
    g_hMainWnd = previousMain;
    EXPECT_EQ(owner, m_boxes.Last().owner);
    ::DestroyWindow(owner);
}

std::string Upper(std::string text)
{
    ::CharUpperA(&text[0]);
    return text;
}

TEST_F(LanguageTest, StartupErrorsLeaveTheModuleUnavailable)
{
    const char* ini = "[general]\r\nnum_languages=1\r\ndirectory=\r\n[language files]\r\n1=Test.lng\r\n";
    const char* lng = "[general]\r\nversion=3.0.0.5\r\n";
    // A folder so long that the file name no longer fits leaves the folder
    // alone as the path, which is no file.
    const std::string folder = "C:\\" + std::string(250, 'd');
    const std::string longIni = "[general]\r\nnum_languages=1\r\ndirectory=" + folder + "\r\n[language files]\r\n1=Test.lng\r\n";
    const std::string incompatible = "Incompatible version of the language file!";
    const std::string noSetting = "Cannot find language setting!";
    const struct
    {
        const char* ini; // nullptr: no LANG.INI
        const char* lng; // nullptr: no Test.lng
        int number;
        std::string message;
        const char* storedFile; // "Test.lng" as a full path; nullptr: not checked
    } cases[] = {
        { ini, "[general]\r\nversion=3.0.0.4\r\n[strings]\r\nstrAppName=Old\r\n", 1, incompatible, "Test.lng" },
        { ini, "[strings]\r\nstrAppName=No version\r\n", 1, incompatible, nullptr },
        { ini, nullptr, 1, "Cannot find language file " + Upper(m_lang.PathOf("TEST.LNG")) + "!", "" },
        { longIni.c_str(), lng, 1, "Cannot find language file " + Upper(folder) + "!", nullptr },
        // A number outside 1..count is no language, even with an entry of its own.
        { "[general]\r\nnum_languages=1\r\ndirectory=\r\n[language files]\r\n0=Test.lng\r\n1=Test.lng\r\n", lng, 0,
          noSetting, nullptr },
        // Without "num_languages" no language is offered, and a stray entry
        // with its file does not make one.
        { "[general]\r\ndirectory=\r\n[language files]\r\n1=Test.lng\r\n", lng, 1, noSetting, nullptr },
        { nullptr, lng, 1, noSetting, nullptr },
    };
    for (const auto& c : cases)
    {
        for (const char* name : { "LANG.INI", "Test.lng" })
            ::DeleteFileA(m_lang.PathOf(name).c_str());
        if (c.ini)
            m_lang.WriteFile("LANG.INI", c.ini);
        if (c.lng)
            m_lang.WriteFile("Test.lng", c.lng);
        m_boxes.Clear();
        EXPECT_FALSE(g_Language.SelectLanguage(c.number)) << c.message;
        ASSERT_EQ(1u, m_boxes.Count()) << c.message;
        EXPECT_EQ(c.message, m_boxes.Last().text);
        EXPECT_EQ("Error", m_boxes.Last().caption);
        EXPECT_EQ("", m_boxes.Last().key);
        EXPECT_TRUE(m_boxes.Last().flags & MB_ICONERROR);
        if (c.storedFile)
        {
            EXPECT_EQ(*c.storedFile ? m_lang.PathOf(c.storedFile) : "", g_Language.GetLanguageFile());
        }

        // Unavailable: no text, no box.
        EXPECT_FALSE(g_Language.IsAvailable());
        char text[32] = "stale";
        EXPECT_FALSE(g_Language.GetString("strAppName", text, sizeof(text)));
        EXPECT_STREQ("", text);
        EXPECT_EQ(0, g_Language.MessageBoxKey("strAppName", nullptr, MB_OK));
        EXPECT_EQ(1u, m_boxes.Count());
    }
}

TEST_F(LanguageTest, MenusTakeTheirTextsAndShortcutColumn)
{
    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    HMENU recent = ::CreatePopupMenu();
    ::AppendMenuA(recent, MF_STRING, 300, "menuRecentOne");
    ::AppendMenuA(file, MF_STRING, 200, "menuFileOpen");
    ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(file, MF_POPUP, (UINT_PTR)recent, "menuFileRecent");
    ::AppendMenuA(file, MF_STRING, 201, "menuNotInFile");
    ::AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "menuMainFile");

    ASSERT_TRUE(g_Language.TranslateMenu(bar));
    // No shortcut column in the menu bar; only the first backslash starts it.
    EXPECT_EQ(std::vector<std::string>{ "&File\\Top" }, MenuTexts(bar));
    EXPECT_EQ((std::vector<std::string>{ "&Open...\tCtrl+O\\x", "", "Recent &files", "" }), MenuTexts(file));
    EXPECT_EQ(std::vector<std::string>{ "One" }, MenuTexts(recent));
    EXPECT_EQ(file, ::GetSubMenu(bar, 0));
    EXPECT_EQ(recent, ::GetSubMenu(file, 2));
    EXPECT_EQ(200u, ::GetMenuItemID(file, 0));
    EXPECT_EQ(201u, ::GetMenuItemID(file, 3));
    ::DestroyMenu(bar);
}

// The address controls and the web browser control keep their own texts
// and window data, even when a text looks like a key; so do the user data of
// every other window.
TEST_F(LanguageTest, KeptKeysRetranslateAndAreAllReleased)
{
    HWND dlg = CreateTestDialog();
    ASSERT_TRUE(dlg);
    std::vector<HWND> owned = { ::GetDlgItem(dlg, IdPlain), ::GetWindow(::GetDlgItem(dlg, IdCombo), GW_CHILD),
                                ::GetWindow(::GetDlgItem(dlg, IdAddress), GW_CHILD) };
    for (int id : kUntouched)
        owned.push_back(::GetDlgItem(dlg, id));
    for (size_t i = 0; i < owned.size(); ++i)
        ::SetWindowLongPtrA(owned[i], GWLP_USERDATA, 0x1000 + i);

    ASSERT_TRUE(g_Language.TranslateWindow(dlg, true));
    EXPECT_EQ("Dialog Title", WindowText(dlg));
    EXPECT_EQ("Press", WindowText(::GetDlgItem(dlg, IdButton)));
    EXPECT_EQ(4u, g_Language.GetKeptKeyCount()); // dialog, label, button, lower

    m_lang.WriteLanguage("strTitle=Neuer Titel\r\nstrLabel=Beschriftung\r\nstrButton=Druecken\\njetzt\r\n"
                         "strlower=Klein\r\n");
    ASSERT_TRUE(m_lang.Select());
    ASSERT_TRUE(g_Language.RetranslateWindow(dlg));
    EXPECT_EQ("Neuer Titel", WindowText(dlg));
    EXPECT_EQ("Beschriftung", WindowText(::GetDlgItem(dlg, IdLabel)));
    EXPECT_EQ("Druecken \njetzt", WindowText(::GetDlgItem(dlg, IdButton)));
    EXPECT_EQ("plain text", WindowText(::GetDlgItem(dlg, IdPlain)));
    EXPECT_EQ(4u, g_Language.GetKeptKeyCount());

    // Translating again over kept keys frees them first: the texts are no
    // keys any more.
    ASSERT_TRUE(g_Language.TranslateWindow(dlg, true));
    EXPECT_EQ(0u, g_Language.GetKeptKeyCount());
    ASSERT_TRUE(g_Language.ReleaseWindowKeys(dlg));
    EXPECT_EQ(0u, g_Language.GetKeptKeyCount());

    for (size_t i = 0; i < owned.size(); ++i)
    {
        EXPECT_EQ(LONG_PTR(0x1000 + i), ::GetWindowLongPtrA(owned[i], GWLP_USERDATA)) << i;
    }
    for (int id : kUntouched)
        EXPECT_EQ("strLabel", WindowText(::GetDlgItem(dlg, id))) << id;
    EXPECT_EQ(0, ::GetWindowLongPtrA(dlg, GWLP_USERDATA));

    // A window destroyed without a release of its keys is forgotten on the
    // next use.
    HWND gone = CreateTestDialog();
    ASSERT_TRUE(g_Language.TranslateWindow(gone, true));
    ASSERT_EQ(4u, g_Language.GetKeptKeyCount());
    ::DestroyWindow(gone);
    g_Language.TranslateWindow(dlg, false);
    EXPECT_EQ(0u, g_Language.GetKeptKeyCount());
    ::DestroyWindow(dlg);
}

// The bounded text helpers every buffer of the program goes through.
TEST(TextUtil, ResultsAreCutAndAlwaysTerminated)
{
    char buf[8];
    memset(buf, 'x', sizeof(buf));
    EXPECT_EQ(7, FormatText(buf, sizeof(buf), "%s-%d", "COM", 12345));
    EXPECT_STREQ("COM-123", buf) << "cut at size - 1, terminated";
    buf[0] = 'y';
    EXPECT_EQ(0, FormatText(buf, 0, "%d", 1));
    EXPECT_EQ('y', buf[0]) << "a zero size writes nothing";

    EXPECT_EQ(7u, CopyText(buf, sizeof(buf), "123456789"));
    EXPECT_STREQ("1234567", buf);
    EXPECT_EQ(0u, CopyText(buf, sizeof(buf), nullptr));
    EXPECT_STREQ("", buf);

    CopyText(buf, sizeof(buf), "ab");
    EXPECT_EQ(7u, AppendText(buf, sizeof(buf), "cdefghij"));
    EXPECT_STREQ("abcdefg", buf);
    EXPECT_EQ(7u, AppendText(buf, sizeof(buf), "k")) << "a full buffer takes nothing more";
    EXPECT_STREQ("abcdefg", buf);
    // An unterminated buffer is terminated at its end, never read past it.
    char raw[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(3u, AppendText(raw, sizeof(raw), "e"));
    EXPECT_EQ('\0', raw[3]);
}

namespace
{
// The key=text lines of the shipped English file (the test runs beside it).
std::vector<std::pair<std::string, std::string>> ShippedEnglishTexts()
{
    std::vector<std::pair<std::string, std::string>> texts;
    std::ifstream file("English.lng");
    std::string line;
    while (std::getline(file, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != ';' && line[0] != '[')
            texts.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return texts;
}
}

// One thing has one name in the English texts: a technician reads two names
// as two things. Each row is a name that gave way to the one kept.
TEST(EnglishTexts, OneNameForOneThing)
{
    const auto texts = ShippedEnglishTexts();
    ASSERT_GT(texts.size(), 500u) << "English.lng beside the test";
    const struct
    {
        std::regex retired;
        const char* kept;
    } names[] = {
        { std::regex("network mask", std::regex::icase), "Subnet mask" },
        { std::regex("default router", std::regex::icase), "Default gateway" },
        { std::regex("^Change$"), "Edit (the button that edits the selected row)" },
        { std::regex("VoIP (users|trunks)", std::regex::icase), "SIP users, SIP trunks" },
        { std::regex("ISDN link [A-D]|^Link [0-9]", std::regex::icase), "ISDN-A to ISDN-D" },
        { std::regex("^Port %d"), "Module %d (the 32 module positions)" },
        { std::regex("synchroniz", std::regex::icase), "synchronis-" },
        { std::regex("\\(-?[0-9]+(-|\\.\\.)-?[0-9]+"), "ranges as (a to b)" },
        { std::regex("^Time-out:"), "a time-out with its range and unit" },
        { std::regex("^(GSM|VoIP|Analog) card \\("), "card types without repeating themselves" },
    };
    for (const auto& name : names)
    {
        std::string found;
        for (const auto& [key, text] : texts)
            if (std::regex_search(text, name.retired))
                found += "  " + key + "=" + text + "\n";
        EXPECT_EQ("", found) << "in place of: " << name.kept;
    }
}
