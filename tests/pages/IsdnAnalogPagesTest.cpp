#include "tests/support/PageFixture.h"
#include "pages/IsdnPages.h"
#include "pages/IsdnLinesPage.h"
#include "pages/AnalogPages.h"
#include "pages/PageMemories.h"
#include <cstring>

namespace
{
// Leaving an edit: its owner sees the focus go (the edit clamps) and then
// the page its notification.
void Leave(HWND page, HWND edit)
{
    ::SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(edit), EN_KILLFOCUS), (LPARAM)edit);
}

TEST(IsdnCommonRules, AlertingDelayAndThreshold)
{
    const struct
    {
        const char* typed;
        uint8_t code;
        const char* shown;
    } delays[] = { { "99", 15, "15" }, { "2R", 'R', "R" }, { "", 0, "0" }, { "7", 7, "7" } };
    for (const auto& d : delays)
    {
        char text[8];
        EXPECT_EQ(d.code, ParseAlertingDelay(d.typed)) << d.typed;
        FormatAlertingDelay(ParseAlertingDelay(d.typed), text, sizeof(text));
        EXPECT_STREQ(d.shown, text);
    }
    const struct
    {
        int typed, shown;
        uint8_t code;
    } thresholds[] = { { -52, -53, 30 }, { -51, -51, 31 }, { -113, -113, 0 }, { -112, -113, 0 } };
    for (const auto& t : thresholds)
    {
        EXPECT_EQ(t.shown, RoundThreshold(t.typed)) << t.typed;
        EXPECT_EQ(t.code, ThresholdCode(t.typed)) << t.typed;
    }
    EXPECT_EQ(-113, ThresholdDbm(0xFF));
    EXPECT_EQ(-51, ThresholdDbm(31));
}

TEST(IsdnSyncOrder, ReadsEachLinkOnceAndWritesTheRestUnset)
{
    const uint8_t stored[8] = { 2, 7, 0, 2, 0xFF, 1, 1, 1 };
    int links[kSyncLinkCount];
    ASSERT_EQ(2, ReadSyncOrder(stored, links));
    EXPECT_EQ(2, links[0]);
    EXPECT_EQ(0, links[1]);
    uint8_t order[8];
    WriteSyncOrder(links, 2, order);
    EXPECT_EQ(std::string("\x02\x00\xFF\xFF\xFF\xFF\xFF\xFF", 8), std::string((char*)order, 8));
}

TEST(AnalogRules, FlashLengthInFiveMillisecondUnits)
{
    EXPECT_EQ(130, RoundFlashLength(133));
    EXPECT_EQ(26, FlashLengthCode(130));
    EXPECT_EQ(255, FlashLengthCode(1275));
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

    CAnalogFxoPage& fxo = Open<CAnalogFxoPage>();
    EXPECT_EQ("100", Text(IDC_FXO_FLASH_LENGTH));

    SetCheck(IDC_FXO_REVERSAL_START, true);
    Type(IDC_FXO_FLASH_LENGTH, "133");
    Leave(fxo.m_hWnd, Item(IDC_FXO_FLASH_LENGTH));
    EXPECT_EQ("130", Text(IDC_FXO_FLASH_LENGTH));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(26, rec->analogCommon.fxoFlashLength);
    EXPECT_EQ(0x1Eu, rec->analogCommon.fxoWordB) << "a word the page writes loses its unused bits";
    EXPECT_EQ(0x02u, rec->analogCommon.fxoWordA);
}

class IsdnLinesPageTest : public PageFixture
{
protected:
    void TearDown() override
    {
        PageFixture::TearDown();
        ResetLastTabMemories();
    }
    CIsdnLinkTab& OpenTab(int link)
    {
        CIsdnLinesPage& lines = Open<CIsdnLinesPage>();
        lines.Tabs().SelectTab(link);
        tab = lines.Tab(link)->m_hWnd;
        return *lines.Tab(link);
    }
    HWND tab = NULL;
    HWND TabItem(UINT id) const { return ::GetDlgItem(tab, (int)id); }
    std::string TabText(UINT id) const
    {
        char text[128] = "";
        ::GetWindowTextA(TabItem(id), text, sizeof(text));
        return text;
    }
    bool TabChecked(UINT id) const { return ::SendMessageA(TabItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

TEST_F(IsdnLinesPageTest, UnsetCreditRecordStartsOnDayOneAndCreditsAreMinutes)
{
    memset(&rec->isdnCredit[0], 0xFF, sizeof(IsdnLinkCredit));
    OpenTab(0);
    EXPECT_EQ(1, rec->isdnCredit[0].creditRestoreCode);
    EXPECT_EQ(0u, rec->isdnCredit[0].credit[5]);
    EXPECT_EQ(1, rec->isdnCredit[0].nextUnit[5]);
    EXPECT_EQ(0xFF, rec->isdnCredit[0].bytes67[0]);
    Close();

    rec->isdnCredit[0].credit[0] = 90;
    rec->isdnCredit[0].oldCredit[0] = 90;
    OpenTab(0);
    EXPECT_EQ("1", TabText(IDC_LINK_CREDIT_0));
    ::SetWindowTextA(TabItem(IDC_LINK_CREDIT_0), "2");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(120u, rec->isdnCredit[0].credit[0]);
    EXPECT_EQ(90u, rec->isdnCredit[0].oldCredit[0]) << "an untouched credit keeps its seconds";
}

TEST_F(IsdnLinesPageTest, UnknownLinkModeIsKeptAndQsigNamesTheSidesMasterAndSlave)
{
    rec->isdnLinks[2].linkMode = 7;
    rec->isdnLinks[1].linkMode = 3;
    OpenTab(2);
    EXPECT_EQ(-1, ::SendMessageA(TabItem(IDC_LINK_PROTOCOL), CB_GETCURSEL, 0, 0));
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(7, rec->isdnLinks[2].linkMode);
    EXPECT_EQ(2, g_LastIsdnLinesTab);
    EXPECT_EQ(2, Open<CIsdnLinesPage>().Tabs().GetCurrentIndex()) << "the page shows the tab it showed last";

    OpenTab(1);
    EXPECT_EQ("Master", TabText(IDC_LINK_SIDE_NT));
    EXPECT_TRUE(TabChecked(IDC_LINK_SIDE_NT));
    g_Language.RetranslateWindow(page->Window().m_hWnd);
    page->OnLanguageChanged();
    EXPECT_EQ("Master", TabText(IDC_LINK_SIDE_NT));
    EXPECT_EQ("Expert...", TabText(IDC_LINK_EXPERT));
    EXPECT_EQ(1, ::SendMessageA(TabItem(IDC_LINK_PROTOCOL), CB_GETCURSEL, 0, 0));
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

// The expert dialog is modal: a timer inside its loop types into it and
// presses OK.
VOID CALLBACK AnswerExpertDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = ::FindWindowA("#32770", "ISDN link A");
    if (!dialog)
        return;
    ::KillTimer(NULL, id);
    ::SetDlgItemTextA(dialog, IDC_LAYER_SIGNALLING, "20");
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(IsdnLinesPageTest, ExpertDialogMovesTheSignallingChannel)
{
    OpenTab(0);
    UINT_PTR timer = ::SetTimer(NULL, 0, 20, AnswerExpertDialog);
    ::SendMessageA(tab, WM_COMMAND, MAKEWPARAM(IDC_LINK_EXPERT, BN_CLICKED), 0);
    ::KillTimer(NULL, timer);
    EXPECT_TRUE(::IsWindowEnabled(TabItem(IDC_LINK_TIMESLOT_HIGH + 0)));
    EXPECT_FALSE(::IsWindowEnabled(TabItem(IDC_LINK_TIMESLOT_HIGH + 4)));
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]) << "written into the page-edit copy at once";
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(0xF1, rec->isdnLinks[0].timeslotState[20]);
    EXPECT_EQ(0x00, rec->isdnLinks[0].timeslotState[16]);
}
}
