#include "tests/support/PageFixture.h"
#include "pages/CardSlotsPage.h"
#include "pages/VoipCardPage.h"
#include "pages/GsmCardPage.h"
#include "pages/AnalogCardPage.h"
#include "pages/IsdnLinesPage.h"
#include "tests/support/StarPasswordEdits.h"
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

TEST_F(CardPagesTest, VoipCardStoresWhatItShowsAndKeepsAGroupOrCodecItCannotShow)
{
    // An unset slot: the page writes what it shows at once where it must,
    // and everything it shows at Store.
    memset(&rec->voipModules[3], 0xFF, sizeof(VoipModuleRec));
    CStarPasswordEdits stars;
    Open<CVoipCardPage>(3);
    EXPECT_EQ(std::set<int>{ IDC_VOIP_SIP_PASSWORD }, stars.Ids()) << "the page asks for '*' itself";
    const VoipModuleRec& v = rec->voipModules[3];
    EXPECT_EQ(std::string("5060\0", 5), Bytes(v.sipPort, 5)) << "written on open, with its terminator";
    EXPECT_EQ("5060", Text(IDC_VOIP_SIP_PORT));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ("G.711 A-Law", Text(IDC_VOIP_CODEC_FIRST + i));
    EXPECT_TRUE(Checked(IDC_VOIP_USE_PROGRESS)) << "anything but ringing is progress";
    EXPECT_EQ(1, page->Store());
    const uint32_t base = CFG_OFS_VOIP_MODULES + 3 * sizeof(VoipModuleRec);
    for (uint32_t address = 0; address < 60; address += 12)
        EXPECT_EQ("000000000000", Bytes(At(base + address), 12)) << "address at " << address;
    EXPECT_EQ("05060", Bytes(v.sipPort, 5));
    EXPECT_EQ("\x01\x01\x01\x01", Bytes(v.codecs, 4));
    EXPECT_EQ(0, v.sipServer[0]);
    EXPECT_EQ(0, v.sipUser[0]);
    EXPECT_EQ(0, v.sipPassword[0]);
    EXPECT_EQ(65535, v.regExpiry);
    EXPECT_EQ(2, v.progressSignalling);
    EXPECT_EQ(0, v.symmetricRtp);

    // Slot 1: a codec and groups the lists cannot show are kept; a group a
    // list shows goes to all four module positions of the slot.
    VoipModuleRec& w = rec->voipModules[1];
    w.codecs[2] = 9;                               // a codec the page does not know
    w.progressSignalling = 7;
    memset(w.sipServer, 'a', sizeof(w.sipServer)); // no terminator in its field
    rec->moduleGroups[4].outGroup = 40;            // names no group
    rec->moduleGroups[5].outGroup = 41;
    rec->moduleGroups[4].outGroup2 = 3;            // shown on the page
    rec->moduleGroups[6].outGroup2 = 9;            // a position the page does not show
    Open<CVoipCardPage>(1);
    EXPECT_EQ(std::string(96, 'a'), Text(IDC_VOIP_SIP_ADDRESS));
    EXPECT_EQ(-1, Code(IDC_GROUP_OUT));
    Choose(IDC_GROUP_IN, 6);
    page->OnLanguageChanged();
    EXPECT_EQ(6, Code(IDC_GROUP_IN)) << "a language change keeps the choice";
    EXPECT_EQ(-1, Code(IDC_GROUP_OUT));
    Type(IDC_VOIP_SIP_NAME, std::string(30, 'u').c_str());
    Type(IDC_VOIP_SIP_PORT, "70000");
    Type(IDC_VOIP_SIP_EXPIRE, "3600");
    Click(IDC_VOIP_SYMMETRIC_RTP);
    EXPECT_EQ(1, page->Store());
    const uint32_t slot1 = CFG_OFS_VOIP_MODULES + sizeof(VoipModuleRec);
    EXPECT_EQ(std::string("\x10\x0E\x02\x01", 4), Bytes(At(slot1 + 228), 4)) << "expiry 3600, progress, symmetric RTP";
    EXPECT_EQ(std::string(23, 'u') + '\0', Bytes(w.sipUser, 24)) << "at most 23 characters and a terminator";
    EXPECT_EQ("65535", Bytes(w.sipPort, 5));
    EXPECT_EQ(9, w.codecs[2]);
    EXPECT_EQ(2, w.progressSignalling);
    EXPECT_EQ(std::string(95, 'a') + '\0', Bytes(w.sipServer, 96)) << "at most 95 characters and a terminator";
    for (int m = 4; m < 8; ++m)
    {
        EXPECT_EQ(6, rec->moduleGroups[m].inGroup) << m;
        EXPECT_EQ(3, rec->moduleGroups[m].outGroup2) << m;
    }
    EXPECT_EQ(40, rec->moduleGroups[4].outGroup);
    EXPECT_EQ(41, rec->moduleGroups[5].outGroup);
}

TEST_F(CardPagesTest, AnalogLineStoresItsStateNumberAndGroupsOnItsOwnRecords)
{
    rec->cardSlots[3].cardType = CARD_ANALOG_COMBINED;
    memset(rec->analogLines[14].number, 0x42, sizeof(AnalogLineRec::number));
    rec->moduleGroups[14] = { 40, 0xFF, 0xFF, 7 };
    CAnalogCardPage& card = Open<CAnalogCardPage>(12);
    card.Tabs().SelectTab(2);
    HWND t = card.Tab(2)->m_hWnd;
    ASSERT_TRUE(t != NULL);
    Type(IDC_LINE_NUMBER, "", t);
    Click(IDC_LINE_DISABLE, t);
    Choose(IDC_GROUP_IN, 4, t);
    Choose(IDC_GROUP_OUT2, 5, t);
    EXPECT_EQ(1, page->Store());
    g_LastAnalogCardTab[3] = 0; // kept across documents: not left to the next test

    EXPECT_EQ(std::string("\0", 1) + std::string(23, '\xFF'), Bytes(rec->analogLines[14].number, 24))
        << "an empty number is length 0 and 0xFF behind it";
    EXPECT_EQ(0xFF, rec->analogLines[14].state);
    const uint8_t* groups = At(CFG_OFS_MODULE_GROUPS + 14 * 4);
    EXPECT_EQ(std::string("\x28\x04\x05\x07", 4), Bytes(groups, 4)) << "a group the list cannot show is kept";
    EXPECT_EQ(1, rec->analogLines[13].state) << "the other lines are not touched";
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

TEST_F(GsmCardPageTest, ModuleTabStoresWhatTheUserSet)
{
    GsmModuleRec& sim1 = rec->gsmSim1[1];
    g_LastGsmCardTab[0] = 1;
    HWND t = Open<CGsmCardPage>(0).Tab(1)->m_hWnd;
    Click(IDC_GSM_ECHO_CANCEL, t);
    Click(IDC_GSM_DTMF, t);
    EXPECT_FALSE(Checked(IDC_GSM_ECHO_CANCEL, t)) << "DTMF retransmission clears echo cancellation";
    Click(IDC_GSM_ROAMING, t);
    Click(IDC_GSM_CLIR, t);
    Click(IDC_GSM_DISABLE, t);
    Type(IDC_GSM_VOLUME_TX, "12", t);
    Type(IDC_GSM_VOLUME_RX, "-6", t);
    Type(IDC_SIM1_OLD0, "2", t);
    Type(IDC_SIM1_PIN, "1234", t);
    Click(IDC_SIM1_WEEKDAY_RADIO, t);
    Type(IDC_SIM1_WEEK, "2", t);
    CFieldBinder::SelectByCode(Item(IDC_SIM1_WEEKDAY, t), 5);
    EXPECT_EQ(1, page->Store());

    EXPECT_EQ(0x1D, sim1.flags) << "AMR kept, DTMF, CLIR and roaming set, echo clear";
    EXPECT_EQ(0xFF, sim1.state) << "disabled";
    EXPECT_EQ(140, sim1.txVolume);
    EXPECT_EQ(122, sim1.rxVolume);
    EXPECT_EQ(120u, sim1.oldCredit0);
    EXPECT_EQ("1234\xFF\xFF\xFF\xFF", Bytes(sim1.pin, 8));
    EXPECT_EQ(0x95, sim1.creditRestoreCode);
    EXPECT_EQ(1, g_LastGsmCardTab[0]);
}

// Values the tab cannot show as stored are shown as the tab reads them and
// stored as shown; only a credit's seconds below the minute stay.
TEST_F(GsmCardPageTest, ModuleTabStoresWhatItShowsOfValuesItCannotShowAsStored)
{
    GsmModuleRec& sim1 = rec->gsmSim1[1];
    sim1.flags = 0xFF;            // both exclusive boxes, and bits without a box
    sim1.txVolume = 100;          // no level
    sim1.rxVolume = 0xFF;
    memcpy(sim1.pin, "1A34\xFF\xFF\xFF\xFF", 8);
    sim1.creditRestoreCode = 0;   // no day
    sim1.credit0 = 0xFFFFFFFF;    // beyond the edit's range
    sim1.oldCredit0 = 90;         // 1 minute 30
    sim1.credit1 = 0xFFFFFFFF;    // never set
    rec->moduleGroups[1] = { 0xFF, 40, 0xFF, 0xFF };
    g_LastGsmCardTab[0] = 1;
    HWND t = Open<CGsmCardPage>(0).Tab(1)->m_hWnd;
    EXPECT_EQ(0xFF, sim1.rxVolume) << "opening writes no volume";
    EXPECT_EQ(0u, sim1.credit1) << "a counter never set starts empty at once";
    EXPECT_TRUE(Checked(IDC_GSM_ECHO_CANCEL, t) && Checked(IDC_GSM_DTMF, t));
    EXPECT_EQ("0", Text(IDC_GSM_VOLUME_TX, t));
    EXPECT_EQ("1", Text(IDC_SIM1_PIN, t));
    EXPECT_TRUE(Checked(IDC_SIM1_DAY_RADIO, t));
    EXPECT_EQ("1", Text(IDC_SIM1_DAY, t));
    EXPECT_EQ("44640", Text(IDC_SIM1_CREDIT0, t));
    EXPECT_EQ("1", Text(IDC_SIM1_OLD0, t));
    EXPECT_EQ(-1, Code(IDC_GROUP_IN, t));
    EXPECT_EQ(CFG_NO_GROUP, Code(IDC_GROUP_OUT, t));
    EXPECT_EQ(1, page->Store());

    EXPECT_EQ(0x1F, sim1.flags);
    EXPECT_EQ(128, sim1.txVolume);
    EXPECT_EQ(128, sim1.rxVolume);
    EXPECT_EQ("1\xFF\xFF\xFF\xFF\xFF\xFF\xFF", Bytes(sim1.pin, 8));
    EXPECT_EQ(1, sim1.creditRestoreCode);
    EXPECT_EQ(44640u * 60u, sim1.credit0);
    EXPECT_EQ(90u, sim1.oldCredit0) << "seconds below the minute shown stay";
    EXPECT_EQ(40, rec->moduleGroups[1].inGroup) << "a group the list cannot show is kept";
}

// The controls of one SIM card on the module tab.
struct SimControls
{
    UINT pin, weeklyRadio, weekday;
    UINT credit[3], old[3], first[3], next[3], block[3];
};
const SimControls kSim1Controls = { IDC_SIM1_PIN, IDC_SIM1_WEEKLY_RADIO, IDC_SIM1_WEEKDAY,
                                    { IDC_SIM1_CREDIT0, IDC_SIM1_CREDIT1, IDC_SIM1_CREDIT2 },
                                    { IDC_SIM1_OLD0, IDC_SIM1_OLD1, IDC_SIM1_OLD2 },
                                    { IDC_SIM1_FIRST0, IDC_SIM1_FIRST1, IDC_SIM1_FIRST2 },
                                    { IDC_SIM1_NEXT0, IDC_SIM1_NEXT1, IDC_SIM1_NEXT2 },
                                    { IDC_SIM1_BLOCK0, IDC_SIM1_BLOCK1, IDC_SIM1_BLOCK2 } };
const SimControls kSim2Controls = { IDC_SIM2_PIN, IDC_SIM2_WEEKLY_RADIO, IDC_SIM2_WEEKDAY,
                                    { IDC_SIM2_CREDIT0, IDC_SIM2_CREDIT1, IDC_SIM2_CREDIT2 },
                                    { IDC_SIM2_OLD0, IDC_SIM2_OLD1, IDC_SIM2_OLD2 },
                                    { IDC_SIM2_FIRST0, IDC_SIM2_FIRST1, IDC_SIM2_FIRST2 },
                                    { IDC_SIM2_NEXT0, IDC_SIM2_NEXT1, IDC_SIM2_NEXT2 },
                                    { IDC_SIM2_BLOCK0, IDC_SIM2_BLOCK1, IDC_SIM2_BLOCK2 } };

// Every field of either SIM lands at its place in that SIM's record of the
// module, and shows again from there; the other SIM keeps its own.
TEST_F(GsmCardPageTest, SimFieldsRoundTripThroughTheirSimsRecord)
{
    struct Case
    {
        const char* what;
        const SimControls& controls;
        uint32_t table, otherTable;
    };
    const Case cases[] = { { "SIM 1", kSim1Controls, CFG_OFS_GSM_SIM1, CFG_OFS_GSM_SIM2 },
                           { "SIM 2", kSim2Controls, CFG_OFS_GSM_SIM2, CFG_OFS_GSM_SIM1 } };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetConfigDefaults(rec);
        memset(&rec->gsmSim2[6], 0xFF, sizeof(GsmModuleRec)); // SIM 2 never set
        const uint32_t at = c.table + 6 * sizeof(GsmModuleRec);
        const uint32_t other = c.otherTable + 6 * sizeof(GsmModuleRec);
        g_LastGsmCardTab[1] = 2;
        HWND t = Open<CGsmCardPage>(4).Tab(2)->m_hWnd; // module 6
        const std::string otherBefore = Bytes(At(other), sizeof(GsmModuleRec));
        if (&c.controls == &kSim2Controls)
        {
            EXPECT_FALSE(Enabled(IDC_SIM2_PIN, t));
            Click(IDC_GSM_SIM2_USED, t);
            EXPECT_TRUE(Enabled(IDC_SIM2_CREDIT2, t));
            EXPECT_TRUE(Checked(IDC_SIM2_BLOCK1, t)) << "a never set SIM 2 blocks calls without credit";
        }
        const SimControls& s = c.controls;
        Type(s.pin, "4321", t);
        Click(s.weeklyRadio, t);
        CFieldBinder::SelectByCode(Item(s.weekday, t), 3);
        for (int i = 0; i < 3; ++i)
        {
            Type(s.credit[i], std::to_string(10 + i).c_str(), t);
            Type(s.old[i], std::to_string(20 + i).c_str(), t);
            Type(s.first[i], std::to_string(2 + i).c_str(), t);
            Type(s.next[i], std::to_string(5 + i).c_str(), t);
            SetCheck(s.block[i], i != 1, t);
        }
        EXPECT_EQ(1, page->Store());

        // The record's bytes 4-45 as the device reads them.
        uint8_t want[42];
        auto u32 = [&want](int offset, uint32_t v) { memcpy(want + offset - 4, &v, 4); };
        memcpy(want, "4321\xFF\xFF\xFF\xFF", 8);
        u32(12, 600), u32(16, 1200), u32(24, 660), u32(28, 1260), u32(32, 720), u32(36, 1320);
        const uint8_t bytes20[] = { 0x83, 2, 5, 0xFF }; // weekly on weekday 3, counter 0's units, blocking
        memcpy(want + 16, bytes20, sizeof(bytes20));
        const uint8_t bytes40[] = { 0, 0xFF, 3, 6, 4, 7 }; // counters 1 and 2
        memcpy(want + 36, bytes40, sizeof(bytes40));
        EXPECT_EQ(Bytes(want, sizeof(want)), Bytes(At(at + 4), sizeof(want)));
        EXPECT_EQ(1, *At(at)) << "enabled, in use";
        EXPECT_EQ("\xFF\xFF", Bytes(At(at + 46), 2));
        const std::string otherAfter = Bytes(At(other), sizeof(GsmModuleRec));
        EXPECT_EQ(otherBefore.substr(4), otherAfter.substr(4)) << "the other SIM keeps its own";

        HWND again = Open<CGsmCardPage>(4).Tab(2)->m_hWnd;
        EXPECT_EQ("4321", Text(s.pin, again));
        EXPECT_TRUE(Checked(s.weeklyRadio, again));
        EXPECT_EQ(3, Code(s.weekday, again));
        EXPECT_EQ("11", Text(s.credit[1], again));
        EXPECT_EQ("22", Text(s.old[2], again));
        EXPECT_FALSE(Checked(s.block[1], again));
        EXPECT_EQ(1, page->Store());
        EXPECT_EQ(Bytes(want, sizeof(want)), Bytes(At(at + 4), sizeof(want))) << "a second visit stores the same";
    }
}

// A SIM 2 turned off is stored as not in use with its fields kept: the next
// visit shows those fields again and does not start the SIM over as one
// never set.
TEST_F(GsmCardPageTest, SimTwoTurnedOffKeepsItsFieldsOnTheNextVisit)
{
    GsmModuleRec& sim2 = rec->gsmSim2[1];
    sim2.state = 0xFF; // not in use
    sim2.creditRestoreCode = 15;
    sim2.credit0 = 600;
    sim2.firstUnit0 = 30;
    sim2.block0 = 0;
    const std::string before = Bytes(&sim2, sizeof(GsmModuleRec));
    g_LastGsmCardTab[0] = 1;
    HWND t = Open<CGsmCardPage>(0).Tab(1)->m_hWnd;
    EXPECT_EQ(before, Bytes(&sim2, sizeof(GsmModuleRec))) << "opening starts nothing over";
    EXPECT_FALSE(Checked(IDC_GSM_SIM2_USED, t));
    EXPECT_EQ("15", Text(IDC_SIM2_DAY, t));
    EXPECT_EQ("10", Text(IDC_SIM2_CREDIT0, t));
    EXPECT_EQ("30", Text(IDC_SIM2_FIRST0, t));
    EXPECT_FALSE(Checked(IDC_SIM2_BLOCK0, t));
    EXPECT_EQ(1, page->Store());
    EXPECT_EQ(15, sim2.creditRestoreCode);
    EXPECT_EQ(600u, sim2.credit0);
    EXPECT_EQ(0, sim2.block0);
}

// Both SIMs keep the restore rule of the ISDN link tab: a day or week beyond
// its range is stored as the range's end, as the ISDN tab stores it.
TEST_F(GsmCardPageTest, RestoreRuleOfEitherSimIsStoredAsTheIsdnTabStoresIt)
{
    struct Case
    {
        uint8_t code;
        uint8_t stored;
    };
    const std::vector<Case> cases = {
        { 15, 15 }, { 0, 1 }, { 50, 31 }, { 0x95, 0x95 }, { 0xAF, 0xA7 }, { 0xBF, 0xA7 }, { 0x83, 0x83 },
        // Never set: week 7 on day 7, shown as week 4. (The ISDN tab starts
        // a link whose counters were never set on day 1.)
        { 0xFF, 0xA7 },
    };
    // The ISDN tab, three links at a time.
    for (size_t first = 0; first + 1 < cases.size(); first += 3)
    {
        for (size_t k = 0; k < 3 && first + k + 1 < cases.size(); ++k)
            rec->isdnCredit[k].creditRestoreCode = cases[first + k].code;
        Open<CIsdnLinesPage>();
        ASSERT_EQ(1, page->Store());
        for (size_t k = 0; k < 3 && first + k + 1 < cases.size(); ++k)
            EXPECT_EQ(cases[first + k].stored, rec->isdnCredit[k].creditRestoreCode) << (int)cases[first + k].code;
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE((int)c.code);
        GsmModuleRec& sim1 = rec->gsmSim1[1];
        GsmModuleRec& sim2 = rec->gsmSim2[1];
        sim2.state = 1; // in use
        sim1.creditRestoreCode = sim2.creditRestoreCode = c.code;
        g_LastGsmCardTab[0] = 1;
        Open<CGsmCardPage>(0);
        ASSERT_EQ(1, page->Store());
        EXPECT_EQ(c.stored, sim1.creditRestoreCode) << "SIM 1";
        EXPECT_EQ(c.stored, sim2.creditRestoreCode) << "SIM 2";
    }
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
