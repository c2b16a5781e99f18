#include "tests/support/PageFixture.h"
#include "pages/IsdnPages.h"
#include "pages/IsdnLinesPage.h"
#include "pages/AnalogPages.h"
#include "tests/support/StrayDialogCloser.h"
#include <cstring>
#include <tuple>

namespace
{
TEST(IsdnCommonRules, AlertingDelayThresholdFlashLengthAndSyncOrder)
{
    for (const auto& [typed, code, shown] : std::vector<std::tuple<const char*, uint8_t, std::string>>{
             { "99", 15, "15" }, { "2R", 'R', "R" }, { "", 0, "0" }, { "7", 7, "7" } })
    {
        char text[8];
        EXPECT_EQ(code, ParseAlertingDelay(typed)) << typed;
        FormatAlertingDelay(code, text, sizeof(text));
        EXPECT_EQ(shown, text);
    }
    // A threshold typed in dBm: shown rounded, stored as its code.
    for (const auto& [typed, shown, code] : std::vector<std::tuple<int, int, uint8_t>>{
             { -52, -53, 30 }, { -51, -51, 31 }, { -113, -113, 0 }, { -112, -113, 0 } })
    {
        EXPECT_EQ(shown, RoundThreshold(typed)) << typed;
        EXPECT_EQ(code, ThresholdCode(typed)) << typed;
    }
    EXPECT_EQ(-113, ThresholdDbm(0xFF));
    EXPECT_EQ(-51, ThresholdDbm(31));
    EXPECT_EQ(130, RoundFlashLength(133));
    EXPECT_EQ(26, FlashLengthCode(130));
    EXPECT_EQ(255, FlashLengthCode(1275));
    // The synchronisation order reads each link once and writes the rest unset.
    const uint8_t stored[8] = { 2, 7, 0, 2, 0xFF, 1, 1, 1 };
    int links[kSyncLinkCount];
    ASSERT_EQ(2, ReadSyncOrder(stored, links));
    EXPECT_EQ((std::vector<int>{ 2, 0 }), std::vector<int>(links, links + 2));
    uint8_t order[8];
    WriteSyncOrder(links, 2, order);
    EXPECT_EQ(std::string("\x02\x00\xFF\xFF\xFF\xFF\xFF\xFF", 8), std::string((char*)order, 8));
}

typedef PageFixture AnalogPageTest;

TEST_F(AnalogPageTest, NewRecordShowsItsDefaultsAndStoreClearsUnusedBits)
{
    rec->analogCommon.fxsWord = 0xFFFFFFEF;
    rec->analogCommon.fxoWordB |= 0x40;
    Open<CAnalogFxsPage>();
    EXPECT_TRUE(Checked(IDC_FXS_METERING_16KHZ));
    SetCheck(IDC_FXS_METERING_16KHZ, false);
    SetCheck(IDC_FXS_METERING_12KHZ, true);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0x10u, rec->analogCommon.fxsWord);

    Open<CAnalogFxoPage>();
    EXPECT_EQ("100", Text(IDC_FXO_FLASH_LENGTH));
    SetCheck(IDC_FXO_REVERSAL_START, true);
    Type(IDC_FXO_FLASH_LENGTH, "133");
    // Leaving the edit: it clamps, then the page hears of it.
    ::SendMessageA(Item(IDC_FXO_FLASH_LENGTH), WM_KILLFOCUS, 0, 0);
    ::SendMessageA(Wnd(), WM_COMMAND, MAKEWPARAM(IDC_FXO_FLASH_LENGTH, EN_KILLFOCUS), (LPARAM)Item(IDC_FXO_FLASH_LENGTH));
    EXPECT_EQ("130", Text(IDC_FXO_FLASH_LENGTH));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(26, rec->analogCommon.fxoFlashLength);
    EXPECT_EQ(0x1Eu, rec->analogCommon.fxoWordB) << "a word the page writes loses its unused bits";
    EXPECT_EQ(0x02u, rec->analogCommon.fxoWordA);
}

class IsdnLinesPageTest : public PageFixture
{
protected:
    // The tab of link, shown.
    HWND OpenTab(int link)
    {
        CIsdnLinesPage& lines = Open<CIsdnLinesPage>();
        lines.Tabs().SelectTab(link);
        return lines.Tab(link)->m_hWnd;
    }
};

TEST_F(IsdnLinesPageTest, UnknownLinkModeIsKeptAndQsigNamesTheSidesMasterAndSlave)
{
    rec->isdnLinks[2].linkMode = 7;
    rec->isdnLinks[1].linkMode = 3;
    EXPECT_EQ(-1, CurSel(IDC_LINK_PROTOCOL, OpenTab(2)));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(7, rec->isdnLinks[2].linkMode);
    EXPECT_EQ(2, g_LastIsdnLinesTab);
    EXPECT_EQ(2, Open<CIsdnLinesPage>().Tabs().GetCurrentIndex()) << "the page shows the tab it showed last";

    HWND tab = OpenTab(1);
    EXPECT_EQ("Master", Text(IDC_LINK_SIDE_NT, tab));
    EXPECT_TRUE(Checked(IDC_LINK_SIDE_NT, tab));
    g_Language.RetranslateWindow(Wnd());
    page->OnLanguageChanged();
    EXPECT_EQ("Master", Text(IDC_LINK_SIDE_NT, tab));
    EXPECT_EQ("Expert...", Text(IDC_LINK_EXPERT, tab));
    EXPECT_EQ(1, CurSel(IDC_LINK_PROTOCOL, tab));
}

TEST(LinkLayer, MovesTheSignallingMarkAndKeepsOtherFlags)
{
    IsdnLinkSettings link;
    memset(&link, 0, sizeof(link));
    link.flags = 0xF1; // CRC4 and other bits the dialog does not own
    link.timeslotState[16] = 0xF1;
    link.timeslotState[20] = 0xF4;
    LinkLayerValues v = ReadLinkLayer(link);
    EXPECT_EQ(16, v.signalling);
    v.signalling = 20;
    v.longHaul = true;
    v.wiring = WIRING_NT;
    v.tei = 5;
    ApplyLinkLayer(link, v);
    EXPECT_EQ(0xFB, link.flags);
    EXPECT_EQ(5, link.tei);
    EXPECT_EQ(0, link.timeslotState[16]);
    EXPECT_EQ(0xF1, link.timeslotState[20]);
}

// An unset credit record starts on day 1 with no credit; credits are typed
// in minutes; the expert dialog moves the signalling channel at once.
TEST_F(IsdnLinesPageTest, CreditsAreMinutesAndTheExpertDialogMovesTheSignallingChannel)
{
    memset(&rec->isdnCredit[0], 0xFF, sizeof(IsdnLinkCredit));
    OpenTab(0);
    const IsdnLinkCredit& c = rec->isdnCredit[0];
    EXPECT_EQ(1, c.creditRestoreCode);
    EXPECT_EQ(0u, c.credit[5]);
    EXPECT_EQ(1, c.nextUnit[5]);
    EXPECT_EQ(0xFF, c.bytes67[0]);

    rec->isdnCredit[0].credit[0] = 90;
    rec->isdnCredit[0].oldCredit[0] = 90;
    HWND tab = OpenTab(0);
    EXPECT_EQ("1", Text(IDC_LINK_CREDIT_0, tab));
    Type(IDC_LINK_CREDIT_0, "2", tab);
    {
        CModalDialogAnswerer answerer([](HWND dlg, void*) {
            ::SetDlgItemTextA(dlg, IDC_LAYER_SIGNALLING, "20");
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        }, nullptr);
        Command(IDC_LINK_EXPERT, tab);
        EXPECT_EQ(1, answerer.Answered());
    }
    EXPECT_TRUE(Enabled(IDC_LINK_TIMESLOT_HIGH + 0, tab));
    EXPECT_FALSE(Enabled(IDC_LINK_TIMESLOT_HIGH + 4, tab));
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]) << "written into the page-edit copy at once";
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(120u, c.credit[0]);
    EXPECT_EQ(90u, c.oldCredit[0]) << "an untouched credit keeps its seconds";
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]);
}
}
