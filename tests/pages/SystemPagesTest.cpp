#include <gtest/gtest.h>
#include "tests/support/PageFixture.h"
#include "pages/SystemPages.h"
#include "tests/support/PageHostWindow.h"
#include "tests/support/TestLanguage.h"
#include <commctrl.h>
#include <cstring>
#include <memory>
#include <string>

// The general and network pages as a user fills them in: what they show of
// the record, and what lands in it.
namespace
{
class SystemPagesTest : public PageFixture
{
protected:
    template <class P, class... A>
    std::unique_ptr<P> Open(A... args)
    {
        return OpenOwned<P>(args...);
    }
    static std::string Text(HWND w) { return WindowText(w); }
    static void Click(HWND page, int id)
    {
        ::SendMessageA(::GetDlgItem(page, id), BM_CLICK, 0, 0);
    }
    static bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
    static bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
};

TEST_F(SystemPagesTest, TimeZoneListOffersTheTwentyFiveZonesWithTheirCodes)
{
    rec->general2.timeZoneCode = 131;
    auto page = Open<CSystemGeneralPage>();
    HWND list = page->GetDlgItem(IDC_SYSGEN_TIME_ZONE);
    ASSERT_EQ(25, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 25; ++i)
    {
        int hour = i - 12;
        int code = hour < 0 ? 128 - hour : hour;
        char want[16];
        if (hour == 0)
            strcpy(want, "UTC");
        else
            snprintf(want, sizeof(want), hour < 0 ? "UTC%03d:00" : "UTC+%02d:00", hour);
        char text[32] = "";
        ::SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(want, text) << i;
        EXPECT_EQ(code, ::SendMessageA(list, CB_GETITEMDATA, i, 0)) << i;
    }
    EXPECT_EQ("UTC-03:00", Text(list));
}

TEST_F(SystemPagesTest, NameLongerThanItsFieldShowsAndStoresThirtyTwoCharacters)
{
    rec->idNameLength = 200;
    memcpy(rec->idName, "0123456789abcdefghijABCDEFGHIJ++", 32);
    memcpy(rec->network.ipAddress, "192168001001", 12);
    auto page = Open<CSystemGeneralPage>();
    HWND name = page->GetDlgItem(IDC_SYSGEN_NAME);
    EXPECT_EQ("0123456789abcdefghijABCDEFGHIJ++", Text(name));
    // A longer text set from outside the edit's limit is cut to the field.
    ::SetWindowTextA(name, "0123456789abcdefghijABCDEFGHIJ++tail");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(32, rec->idNameLength);
    EXPECT_EQ(0, memcmp("0123456789abcdefghijABCDEFGHIJ++", rec->idName, 32));
    EXPECT_EQ(0, memcmp("192168001001", rec->network.ipAddress, 12));
}

// The time setting is one byte behind two boxes: manual, automatic, or
// automatic with summer time; the zone waits for the automatic setting.
TEST_F(SystemPagesTest, TimeSettingFollowsItsTwoBoxes)
{
    rec->general2.timeSyncMode = 255;
    auto page = Open<CSystemGeneralPage>();
    HWND w = page->m_hWnd;
    for (int id : { IDC_SYSGEN_TIME_ZONE, IDC_SYSGEN_SUMMER_TIME, IDC_SYSGEN_TIME_ZONE_LABEL })
        EXPECT_FALSE(Enabled(w, id)) << id;
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(255, rec->general2.timeSyncMode);
    Click(w, IDC_SYSGEN_TIME_SYNC);
    EXPECT_TRUE(Enabled(w, IDC_SYSGEN_TIME_ZONE));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0, rec->general2.timeSyncMode);
    Click(w, IDC_SYSGEN_SUMMER_TIME);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(1, rec->general2.timeSyncMode);
}

TEST_F(SystemPagesTest, ValuesThePageCannotShowAreKept)
{
    rec->general2.timeZoneCode = 200;   // none of the 25 zones
    rec->isdnCommon.mobilityExtMode = 7; // none of the three modes
    rec->general2.timeSyncMode = 9;
    auto page = Open<CSystemGeneralPage>();
    HWND w = page->m_hWnd;
    EXPECT_EQ(-1, ::SendDlgItemMessageA(w, IDC_SYSGEN_TIME_ZONE, CB_GETCURSEL, 0, 0));
    EXPECT_FALSE(Checked(w, IDC_SYSGEN_MOBILITY_OFF) || Checked(w, IDC_SYSGEN_MOBILITY_USERS) ||
                 Checked(w, IDC_SYSGEN_MOBILITY_GLOBAL));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(200, rec->general2.timeZoneCode);
    EXPECT_EQ(7, rec->isdnCommon.mobilityExtMode);
    EXPECT_EQ(9, rec->general2.timeSyncMode);

    // An unset zone is UTC from the moment the page opens.
    rec->general2.timeZoneCode = 0xFF;
    auto again = Open<CSystemGeneralPage>();
    EXPECT_EQ(0, rec->general2.timeZoneCode);
    EXPECT_EQ("UTC", Text(again->GetDlgItem(IDC_SYSGEN_TIME_ZONE)));
}

TEST_F(SystemPagesTest, PortabilityToneGoesWithItsTextAndKeepsItsByte)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strSystemGeneralName=Name\r\n"));
    ASSERT_TRUE(lang.Select());
    rec->isdnCommon.portabilityTone = 0x37;
    auto page = Open<CSystemGeneralPage>();
    HWND tone = page->GetDlgItem(IDC_SYSGEN_PORTABILITY_TONE);
    EXPECT_FALSE(::GetWindowLongA(tone, GWL_STYLE) & WS_VISIBLE);
    ::SendMessageA(tone, BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0x37, rec->isdnCommon.portabilityTone);
}

TEST_F(SystemPagesTest, NetworkPageWritesAddressesAndPortAsDigits)
{
    memset(&rec->network, 0xFF, sizeof(rec->network));
    auto page = Open<CSystemNetworkPage>();
    HWND w = page->m_hWnd;
    DWORD shown = 1;
    ::SendDlgItemMessageA(w, IDC_SYSNET_GATEWAY, IPM_GETADDRESS, 0, (LPARAM)&shown);
    EXPECT_EQ(0u, shown);
    EXPECT_EQ("", Text(::GetDlgItem(w, IDC_SYSNET_PORT)));

    ::SendDlgItemMessageA(w, IDC_SYSNET_IP, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 2));
    ::SendDlgItemMessageA(w, IDC_SYSNET_MASK, IPM_SETADDRESS, 0, MAKEIPADDRESS(255, 255, 255, 0));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("010000000002", std::string(rec->network.ipAddress, 12));
    EXPECT_EQ("255255255000", std::string(rec->network.netMask, 12));
    // An empty port is taken as the lowest port.
    EXPECT_EQ("00001", std::string(rec->network.tcpPort, 5));

    ::SetDlgItemTextA(w, IDC_SYSNET_PORT, "80");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ("00080", std::string(rec->network.tcpPort, 5));
}
}
