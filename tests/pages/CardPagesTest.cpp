#include "tests/support/PageFixture.h"
#include "pages/CardSlotsPage.h"
#include "pages/VoipCardPage.h"
#include "pages/GsmCardPage.h"
#include "tests/support/StrayDialogCloser.h"
#include <cstring>

// The card slot and card pages as a user fills them in: what they show of
// the record, and what lands in it.
namespace
{
typedef PageFixture CardPagesTest;

TEST_F(CardPagesTest, SlotButtonsShowTheirCardsAndTheChosenCardIsStored)
{
    rec->cardSlots[6].cardType = CARD_ANALOG; // shown, but never offered
    Open<CCardsSelectPage>();
    EXPECT_EQ("1", Text(IDC_SLOT_FIRST));
    EXPECT_EQ("7\n\n\nAnalog", Text(IDC_SLOT_FIRST + 6));
    EXPECT_EQ(CARD_NONE, rec->cardSlots[0].cardType) << "an empty slot is 0 once seen";

    Click(IDC_SLOT_FIRST + 6);
    EXPECT_EQ(-1, Code(IDC_SLOT_TYPE));
    Click(IDC_SLOT_FIRST + 3);
    Choose(IDC_SLOT_TYPE, CARD_GSM);
    EXPECT_EQ("4\n\n\nGSM", Text(IDC_SLOT_FIRST + 3));
    memset(rec->cardSlots[3].bytes1, 0x42, sizeof(rec->cardSlots[3].bytes1));

    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(CARD_GSM, rec->cardSlots[3].cardType);
    EXPECT_EQ(CARD_ANALOG, rec->cardSlots[6].cardType);
    EXPECT_EQ(0xFF, rec->cardSlots[3].bytes1[30]) << "the rest of a slot record is written unset";
}

TEST_F(CardPagesTest, LanguageChangeReselectsTheSlotsCardNotItsPosition)
{
    rec->cardSlots[0].cardType = CARD_ANALOG_TRUNK;
    Open<CCardsSelectPage>();
    EXPECT_EQ(CARD_ANALOG_TRUNK, Code(IDC_SLOT_TYPE));

    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strCardNone=none\nstrCardGSM=gsm\nstrCardAnalogSubscriber=fxs\n"
                                   "strCardAnalogTrunk=fxo\nstrCardAnalogCombined=both\n"));
    ASSERT_TRUE(lang.Select());
    page->OnLanguageChanged();
    EXPECT_EQ(5, ::SendMessageA(Item(IDC_SLOT_TYPE), CB_GETCOUNT, 0, 0)) << "the VoIP card has no text";
    EXPECT_EQ(CARD_ANALOG_TRUNK, Code(IDC_SLOT_TYPE));
}

TEST_F(CardPagesTest, ChangingASlotsCardDropsOnlyItsModulesGroups)
{
    std::unique_ptr<ConfigRecord> doc(new ConfigRecord(*rec));
    for (int m = 0; m < 32; ++m)
        doc->moduleGroups[m] = rec->moduleGroups[m] = { (uint8_t)m, (uint8_t)m, (uint8_t)m, 7 };
    rec->cardSlots[2].cardType = CARD_GSM;
    ClearGroupsOfChangedSlots(doc.get(), rec);
    for (int m = 0; m < 32; ++m)
    {
        uint8_t expected = m / 4 == 2 ? 0xFF : (uint8_t)m;
        EXPECT_EQ(expected, doc->moduleGroups[m].inGroup) << m;
        EXPECT_EQ(expected, rec->moduleGroups[m].outGroup2) << m;
        EXPECT_EQ(m / 4 == 2 ? 0xFF : 7, rec->moduleGroups[m].spare) << m;
    }
}

TEST_F(CardPagesTest, VoipCardShowsAnUnsetSlotAsPort5060AndALawAndKeepsWhatItCannotShow)
{
    memset(&rec->voipModules[3], 0xFF, sizeof(VoipModuleRec));
    Open<CVoipCardPage>(3);
    EXPECT_EQ("5060", Text(IDC_VOIP_SIP_PORT));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ("G.711 A-Law", Text(IDC_VOIP_CODEC_FIRST + i));
    EXPECT_EQ(1, page->Store());
    const VoipModuleRec& v = rec->voipModules[3];
    EXPECT_EQ("05060", Bytes(v.sipPort, 5));
    EXPECT_EQ("\x01\x01\x01\x01", Bytes(v.codecs, 4));
    EXPECT_EQ(0, v.sipServer[0]);
    EXPECT_EQ(0, v.sipUser[0]);

    // Slot 1: what the page cannot show is kept; a group chosen is set on
    // all four module positions of the slot.
    VoipModuleRec& w = rec->voipModules[1];
    w.codecs[2] = 9;                      // a codec the page does not know
    memset(w.sipServer, 'a', sizeof(w.sipServer)); // no terminator in its field
    rec->moduleGroups[4].outGroup = 40;   // names no group
    rec->moduleGroups[5].outGroup = 41;
    Open<CVoipCardPage>(1);
    EXPECT_EQ(std::string(96, 'a'), Text(IDC_VOIP_SIP_ADDRESS));
    EXPECT_EQ(-1, Code(IDC_GROUP_OUT));
    Choose(IDC_GROUP_IN, 6);
    page->OnLanguageChanged();
    EXPECT_EQ(6, Code(IDC_GROUP_IN)) << "a language change keeps the choice";
    EXPECT_EQ(-1, Code(IDC_GROUP_OUT));
    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(9, w.codecs[2]);
    EXPECT_EQ('a', w.sipServer[95]);
    for (int m = 4; m < 8; ++m)
        EXPECT_EQ(6, rec->moduleGroups[m].inGroup) << m;
    EXPECT_EQ(40, rec->moduleGroups[4].outGroup);
    EXPECT_EQ(41, rec->moduleGroups[5].outGroup);
}

class GsmCardPageTest : public CardPagesTest
{
protected:
    void SetUp() override
    {
        CardPagesTest::SetUp();
        rec->cardSlots[0].cardType = CARD_GSM;
        rec->cardSlots[1].cardType = CARD_GSM;
        rec->cardSlots[2].cardType = CARD_VOIP;
        g_GsmApplySelection = 0xFFFFFFFF;
    }
};

TEST_F(GsmCardPageTest, ModuleTabStoresWhatTheUserSetAndKeepsWhatItCannotShow)
{
    GsmModuleRec& sim1 = rec->gsmSim1[1];
    sim1.credit0 = 90;     // 1 minute 30: shown as 1
    sim1.oldCredit0 = 90;
    sim1.txVolume = 0xFF;  // unset: level 0
    sim1.rxVolume = 0x20;  // no level: shown as 0
    sim1.creditRestoreCode = 0xFF;
    g_LastGsmCardTab[0] = 1;
    HWND t = Open<CGsmCardPage>(0).Tab(1)->m_hWnd;
    EXPECT_EQ("1", Text(IDC_SIM1_CREDIT0, t));
    EXPECT_EQ("0", Text(IDC_GSM_VOLUME_TX, t));
    EXPECT_EQ(128, sim1.txVolume) << "an unset volume is written as shown";
    EXPECT_EQ(1, sim1.creditRestoreCode) << "an unset restore rule is day 1";

    Click(IDC_GSM_ECHO_CANCEL, t);
    Click(IDC_GSM_DTMF, t);
    EXPECT_FALSE(Checked(IDC_GSM_ECHO_CANCEL, t)) << "DTMF retransmission clears echo cancellation";
    Type(IDC_SIM1_OLD0, "2", t);
    Type(IDC_SIM1_PIN, "1234", t);
    Click(IDC_SIM1_WEEKDAY_RADIO, t);
    Type(IDC_SIM1_WEEK, "2", t);
    CFieldBinder::SelectByCode(Item(IDC_SIM1_WEEKDAY, t), 5);
    EXPECT_EQ(1, page->Store());

    EXPECT_EQ(0x18, sim1.flags) << "AMR kept, DTMF set, echo clear";
    EXPECT_EQ(90u, sim1.credit0);
    EXPECT_EQ(120u, sim1.oldCredit0);
    EXPECT_EQ(0x20, sim1.rxVolume) << "a volume the tab cannot show is kept";
    EXPECT_EQ("1234\xFF\xFF\xFF\xFF", Bytes(sim1.pin, 8));
    EXPECT_EQ(0x95, sim1.creditRestoreCode);
    EXPECT_EQ(1, g_LastGsmCardTab[0]);
}

// The real dialog, driven from a timer once it runs modally: modules of the
// VoIP slot are not offered; module 5 itself is disabled.
void CALLBACK DriveApplyDialog(HWND dlg, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(dlg, id);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY_BOX_FIRST + 9)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY_BOX_FIRST + 5)));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg, IDC_APPLY_BOX_FIRST + 4));
    char label[16] = "";
    ::GetDlgItemTextA(dlg, IDC_APPLY_LABEL_FIRST + 31, label, sizeof(label));
    EXPECT_STREQ("31", label);
    for (int id : { IDC_APPLY_DESELECT_ALL, IDC_APPLY_BOX_FIRST + 4, IDC_APPLY_BOX_FIRST + 0, IDOK })
        ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}
void AnswerApplyDialog(HWND dlg, void*) { ::SetTimer(dlg, 1, 50, DriveApplyDialog); }

TEST_F(GsmCardPageTest, ApplyToModulesCopiesToTheCheckedModulesAndReloadsTheirTabs)
{
    CGsmCardPage& card = Open<CGsmCardPage>(4); // slot 1: modules 4-7
    card.Tabs().SelectTab(1);
    HWND t5 = card.Tab(1)->m_hWnd;
    HWND t4 = card.Tab(0)->m_hWnd;
    ASSERT_TRUE(t4 && t5);
    Type(IDC_SIM1_PIN, "9999", t5);
    rec->moduleGroups[5] = { 1, 2, 3, 0xFF };
    CModalDialogAnswerer answerer(AnswerApplyDialog, nullptr);
    Click(IDC_GSM_APPLY, t5);
    EXPECT_EQ(1, answerer.Answered());

    // The copy itself is held byte for byte by the group functions' test.
    EXPECT_EQ(Bytes(&rec->gsmSim1[5], sizeof(GsmModuleRec)), Bytes(&rec->gsmSim1[0], sizeof(GsmModuleRec)));
    EXPECT_EQ(0xFF, rec->gsmSim1[6].pin[0]) << "an unchecked module keeps its settings";
    EXPECT_EQ("9999", Text(IDC_SIM1_PIN, t4)) << "the sibling tab shows the copy";
    EXPECT_EQ((1u << 0) | (1u << 4) | (1u << 5), g_GsmApplySelection);
}
}
