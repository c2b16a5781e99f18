// The main window's placement and bar layout across runs, in the registry
// and in the INI form.
#include <gtest/gtest.h>
#include "app/FrameSettings.h"
#include "base/AppSettings.h"
#include "tests/support/TestLanguage.h"
#include "tests/app/FrameTestSupport.h"
#include <string>

namespace
{
using frametest::StoreDword;

class FrameSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};
}

TEST_F(FrameSettingsTest, FirstRunThenTheStoredRectangleAndItsInvalidForms)
{
    CFrameSettings settings(CFrameSettings::StorageRegistry, kSettingsKey);
    settings.Load();
    EXPECT_FALSE(settings.HasStoredRect()) << "a first run uses the system's placement";
    EXPECT_EQ(CW_USEDEFAULT, settings.GetStoredRect().left);
    EXPECT_TRUE(!settings.m_maximized && settings.m_toolbar && settings.m_statusbar && settings.m_cmdbarFirst);
    EXPECT_FALSE(settings.m_oneLineRebar) << "both bars on two rows";

    const std::pair<const char*, DWORD> stored[] = { { "x", 10 },         { "y", 20 },       { "cx", 600 },
                                                     { "cy", 500 },       { "Maximized", 1 }, { "Toolbar", 0 },
                                                     { "CmdbarFirst", 0 }, { "OneLineRebar", 1 } };
    for (const auto& v : stored)
        StoreDword(v.first, v.second);
    settings.Load();
    const RECT expected = { 10, 20, 610, 520 };
    EXPECT_TRUE(settings.HasStoredRect() && ::EqualRect(&expected, &settings.GetStoredRect()));
    EXPECT_TRUE(settings.m_maximized && !settings.m_toolbar && !settings.m_cmdbarFirst && settings.m_oneLineRebar);

    // A window placed at x = -1, or one whose right edge comes to -1, starts
    // at the system's place; so does one without a height.
    for (DWORD x : { (DWORD)-1, (DWORD)-601 })
    {
        StoreDword("x", x);
        settings.Load();
        EXPECT_FALSE(settings.HasStoredRect()) << (int)x;
    }
    DeleteSettingsKey();
    StoreDword("x", 10);
    StoreDword("y", 20);
    StoreDword("cx", 600);
    settings.Load();
    EXPECT_FALSE(settings.HasStoredRect()) << "no height";
}

TEST_F(FrameSettingsTest, TheIniFormKeepsTheSameValuesInItsWindowSection)
{
    CTestLanguage dir; // a fresh current directory
    CFrameSettings settings(CFrameSettings::StorageIni, "frame.ini");
    EXPECT_EQ(dir.PathOf("frame.ini"), std::string(settings.m_storageName));
    settings.m_rect = RECT{ 5, 6, 405, 506 };
    settings.m_maximized = true;
    settings.m_toolbar = false;
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(400u, ::GetPrivateProfileIntA("window", "cx", -1, settings.m_storageName));
    EXPECT_EQ(0u, ::GetPrivateProfileIntA("window", "toolbar", -1, settings.m_storageName));
    // INI numbers count as true only above 0.
    ::WritePrivateProfileStringA("window", "statusbar", "-1", settings.m_storageName);
    CFrameSettings loaded(CFrameSettings::StorageIni, "frame.ini");
    loaded.Load();
    EXPECT_EQ(405, loaded.GetStoredRect().right);
    EXPECT_TRUE(loaded.m_maximized && !loaded.m_toolbar && !loaded.m_statusbar);
    EXPECT_EQ(0xDEADBEEF, frametest::StoredDword(nullptr, "x")) << "nothing in the registry";
}
