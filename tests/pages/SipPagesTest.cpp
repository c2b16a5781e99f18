#include "tests/support/PageFixture.h"
#include "pages/SipCommonPage.h"
#include "pages/SipAccountPages.h"
#include "pages/SipAccountDialogs.h"
#include "tests/support/StrayDialogCloser.h"
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
void SetText(HWND dlg, int id, const char* text) { ::SetDlgItemTextA(dlg, id, text); }
void CheckIn(HWND dlg, int id, bool on) { ::CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
void SelectIn(HWND dlg, int id, int code) { CFieldBinder::SelectByCode(::GetDlgItem(dlg, id), code); }
void ClickIn(HWND dlg, int id)
{
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dlg, id));
}

// The bytes of a text field: the text, its terminator, then zeros.
std::vector<std::pair<size_t, uint8_t>> TextBytes(size_t offset, const char* text)
{
    std::vector<std::pair<size_t, uint8_t>> bytes;
    for (size_t i = 0; text[i]; ++i)
        bytes.push_back({ offset + i, (uint8_t)text[i] });
    return bytes;
}

// Every byte of the account but the listed ones is 0.
void ExpectAccountBytes(const SipAccount& a, const std::vector<std::pair<size_t, uint8_t>>& set)
{
    std::vector<uint8_t> expected(sizeof(SipAccount), 0);
    for (const auto& b : set)
        expected[b.first] = b.second;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&a);
    for (size_t i = 0; i < sizeof(SipAccount); ++i)
        EXPECT_EQ(expected[i], bytes[i]) << "account offset " << i;
}

SipAccount NamedUser(const char* extension)
{
    SipAccount user;
    SetNewUserAccount(&user);
    strcpy(user.user, extension);
    strcpy(user.name, extension);
    return user;
}

SipTrunkRow NamedTrunk(const char* name)
{
    SipTrunkRow trunk;
    SetNewTrunkRow(&trunk);
    strcpy(trunk.account.name, name);
    return trunk;
}

class SipPagesTest : public PageFixture
{
protected:
    template <class P>
    P* Open(int id)
    {
        return dynamic_cast<P*>(OpenItem(id));
    }
    void ClosePage() { Close(); }
    HWND PageWnd() { return page->Window().m_hWnd; }
};

// --- SIP common settings --------------------------------------------------------------

TEST_F(SipPagesTest, CommonTextsWriteTheirTerminatorAndKeepTheRest)
{
    ASSERT_TRUE(Open<CVoipCommonPage>(CI_SIP_COMMON));
    SetText(PageWnd(), IDC_VOIPCOM_PUBLIC_ADDRESS, "1.2.3.4");
    ASSERT_EQ(1, page->Store());
    const uint8_t expected[10] = { '1', '.', '2', '.', '3', '.', '4', 0, 0xFF, 0xFF };
    EXPECT_EQ(0, memcmp(expected, rec->sipCommon.publicAddress, sizeof(expected)));
    EXPECT_EQ(0xFF, (uint8_t)rec->sipCommon.publicAddress[63]);
}

TEST_F(SipPagesTest, CommonValuesTheDeviceCannotHoldAreRepairedOnOpen)
{
    SipCommonSettings& s = rec->sipCommon;
    s.transport = 0xFF;
    s.sipPort = 0xFFFF;
    s.stunPort = 0xFFFF;
    s.publicAddress[0] = (char)0xFF;
    ASSERT_TRUE(Open<CVoipCommonPage>(CI_SIP_COMMON));
    EXPECT_EQ(1, s.transport);
    EXPECT_EQ(5060, s.sipPort);
    EXPECT_EQ(3478, s.stunPort);
    EXPECT_EQ(0, s.publicAddress[0]);
    EXPECT_EQ(0, ::SendDlgItemMessageA(PageWnd(), IDC_VOIPCOM_TRANSPORT, CB_GETCURSEL, 0, 0));
}

TEST_F(SipPagesTest, ValuesNoListOffersShowNoSelectionAndAreKept)
{
    rec->sipCommon.dscpSignalling = 5;   // no DSCP code point
    rec->sipCommon.dscpMedia = 46;       // EF
    rec->sipCommon.natMode = 7;          // no NAT mode
    rec->sipCommon.options = 0xF0;
    ASSERT_TRUE(Open<CVoipCommonPage>(CI_SIP_COMMON));
    HWND p = PageWnd();
    EXPECT_EQ(-1, ::SendDlgItemMessageA(p, IDC_VOIPCOM_DSCP_SIP, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(20, ::SendDlgItemMessageA(p, IDC_VOIPCOM_DSCP_RTP, CB_GETCURSEL, 0, 0));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(p, IDC_VOIPCOM_STUN_SERVER)));
    CheckIn(p, IDC_VOIPCOM_AUTH_REJECT, true);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(5, rec->sipCommon.dscpSignalling);
    EXPECT_EQ(46, rec->sipCommon.dscpMedia);
    EXPECT_EQ(7, rec->sipCommon.natMode);
    EXPECT_EQ(0xF2, rec->sipCommon.options);
}

// --- the account dialogs --------------------------------------------------------------

TEST_F(SipPagesTest, UserDialogWritesTheWholeAccount)
{
    SipAccount start;
    SetNewUserAccount(&start);
    strcpy(start.password, "an-old-long-password"); // its tail must not linger
    CVoipUserDlg dlg(start, -1, { "100" });
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_VOIPUSER_HOST))); // a new user is dynamic
    SetText(d, IDC_VOIPUSER_EXTENSION, "201");
    SetText(d, IDC_VOIPUSER_PASSWORD, "secret");
    SetText(d, IDC_VOIPUSER_DISPLAY_NAME, "Front desk");
    CheckIn(d, IDC_VOIPUSER_DYNAMIC, false);
    ClickIn(d, IDC_VOIPUSER_DYNAMIC);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_VOIPUSER_HOST)));
    SetText(d, IDC_VOIPUSER_HOST, "10.0.0.7");
    SetText(d, IDC_VOIPUSER_PORT, "");
    CheckIn(d, IDC_VOIPUSER_QUALIFY_ON, true);
    SetText(d, IDC_VOIPUSER_QUALIFY, "5");
    SelectIn(d, IDC_VOIPUSER_DTMF, DTMF_INFO);
    CheckIn(d, IDC_VOIPUSER_NAT, true);
    const int codecs[5] = { CODEC_G711_ULAW, CODEC_G711_ULAW, CODEC_NONE, CODEC_GSM, CODEC_NONE };
    for (int i = 0; i < 5; ++i)
        SelectIn(d, IDC_VOIPUSER_CODEC1 + i, codecs[i]);
    CheckIn(d, IDC_VOIPUSER_ECHO_CANCEL, false);
    CheckIn(d, IDC_VOIPUSER_VAD, true);
    CheckIn(d, IDC_VOIPUSER_AGC, true);
    CheckIn(d, IDC_VOIPUSER_JITTER_BUFFER, false);
    CheckIn(d, IDC_VOIPUSER_NOISE_SUPPRESS, true);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);

    std::vector<std::pair<size_t, uint8_t>> bytes;
    for (size_t at : { 0, 228, 252 }) // account name and authentication name: the extension
    {
        auto t = TextBytes(at, "201");
        bytes.insert(bytes.end(), t.begin(), t.end());
    }
    for (auto t : { TextBytes(276, "secret"), TextBytes(300, "Front desk"), TextBytes(24, "10.0.0.7") })
        bytes.insert(bytes.end(), t.begin(), t.end());
    bytes.insert(bytes.end(), {
        { 216, 0xC4 }, { 217, 0x13 },           // port 5060
        { 517, DTMF_INFO },
        { 520, CODEC_G711_ULAW }, { 521, CODEC_GSM },
        { 536, 0x09 }, { 537, 0x58 },           // user, authenticate INVITE; NAT, qualify 5
        { 552, 0x6E }, { 553, 0x06 },           // tail 64 ms, VAD, tuning 1, AGC, noise suppression
        { 557, 100 },                           // jitter 0-100
    });
    ExpectAccountBytes(dlg.Account(), bytes);
}

TEST_F(SipPagesTest, AccountValuesNoListOffersAreKept)
{
    SipAccount user = NamedUser("100");
    user.dtmfMode = 7;           // no DTMF mode
    user.codecs[1] = 13;         // no codec the program knows
    CVoipUserDlg dlg(user, 0, { "100" });
    ASSERT_TRUE(dlg.Create(host));
    EXPECT_EQ(-1, ::SendDlgItemMessageA(dlg.m_hWnd, IDC_VOIPUSER_DTMF, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(-1, ::SendDlgItemMessageA(dlg.m_hWnd, IDC_VOIPUSER_CODEC1 + 1, CB_GETCURSEL, 0, 0));
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(dlg.m_hWnd);
    EXPECT_EQ(7, dlg.Account().dtmfMode);
    const uint8_t codecs[5] = { CODEC_G711_ALAW, 13, CODEC_G729A, CODEC_G726_32, 0 };
    EXPECT_EQ(0, memcmp(codecs, dlg.Account().codecs, sizeof(codecs)));
}

TEST_F(SipPagesTest, UserDialogRefusesWhatCannotBeStored)
{
    struct Case
    {
        int index;
        const char* extension;
        bool dynamic;
        const char* host;
        const char* refusal; // null: accepted
        int focus;
    };
    const Case cases[] = {
        { -1, "", true, "", "strVoipUserErrExtension", IDC_VOIPUSER_EXTENSION },
        { -1, "200", true, "", "strVoipUserErrExtensionExist", IDC_VOIPUSER_EXTENSION },
        { 1, "200", true, "", nullptr, 0 }, // the edited user keeps its own extension
        { -1, "300", false, "", "strVoipUserErrHost", IDC_VOIPUSER_HOST },
    };
    for (const Case& c : cases)
    {
        boxes.Clear();
        SipAccount user;
        SetNewUserAccount(&user);
        CVoipUserDlg dlg(user, c.index, { "100", "200" });
        ASSERT_TRUE(dlg.Create(host));
        ::ShowWindow(dlg.m_hWnd, SW_SHOW);
        ::SetForegroundWindow(dlg.m_hWnd);
        ::SetActiveWindow(dlg.m_hWnd);
        SetText(dlg.m_hWnd, IDC_VOIPUSER_EXTENSION, c.extension);
        CheckIn(dlg.m_hWnd, IDC_VOIPUSER_DYNAMIC, c.dynamic);
        ClickIn(dlg.m_hWnd, IDC_VOIPUSER_DYNAMIC);
        SetText(dlg.m_hWnd, IDC_VOIPUSER_HOST, c.host);
        bool accepted = dlg.Accept();
        EXPECT_EQ(c.refusal == nullptr, accepted) << c.extension;
        if (c.refusal)
        {
            ASSERT_EQ(1u, boxes.Count()) << c.refusal;
            EXPECT_EQ(c.refusal, boxes.Last().key);
            EXPECT_EQ(::GetDlgItem(dlg.m_hWnd, c.focus), ::GetFocus()) << c.refusal;
        }
        ::DestroyWindow(dlg.m_hWnd);
    }
}

TEST_F(SipPagesTest, TrunkDialogWritesTheWholeAccountAndItsGroups)
{
    // Slot 0 holds a GSM card serving incoming group 1 and outgoing group 2.
    rec->cardSlots[0].cardType = CARD_GSM;
    rec->moduleGroups[0].inGroup = 1;
    rec->moduleGroups[0].outGroup = 2;
    bool in[32], out[32];
    GetGroupsOfferedToTrunks(rec, in, out);
    SipTrunkRow start;
    SetNewTrunkRow(&start);
    start.inGroup = 1; // no longer offered: kept as it is
    CVoipTrunkDlg dlg(start, -1, { "other" }, in, out);
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    HWND inList = ::GetDlgItem(d, IDC_VOIPTRUNK_IN_GROUP), outList = ::GetDlgItem(d, IDC_VOIPTRUNK_OUT_GROUP);
    EXPECT_EQ(32, ::SendMessageA(inList, CB_GETCOUNT, 0, 0)); // none and 31 groups
    EXPECT_EQ(-1, ::SendMessageA(inList, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, ::SendMessageA(outList, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(-1, CFieldBinder::SelectByCode(outList, 2)); // the GSM card's group is not offered
    CFieldBinder::SelectByCode(outList, 5);

    SetText(d, IDC_VOIPTRUNK_ACCOUNT, "provider");
    SetText(d, IDC_VOIPTRUNK_USER, "4930123");
    SetText(d, IDC_VOIPTRUNK_PASSWORD, "pw");
    SetText(d, IDC_VOIPTRUNK_PROXY, "sip.example");
    SetText(d, IDC_VOIPTRUNK_PORT, "5080");
    CheckIn(d, IDC_VOIPTRUNK_REGISTER, true);
    CheckIn(d, IDC_VOIPTRUNK_AUTH_INVITE, false);
    CheckIn(d, IDC_VOIPTRUNK_CLEAR_MODE, true);
    SelectIn(d, IDC_VOIPTRUNK_DTMF, DTMF_INBAND);
    const int codecs[5] = { CODEC_NONE, CODEC_NONE, CODEC_NONE, CODEC_NONE, CODEC_NONE };
    for (int i = 0; i < 5; ++i)
        SelectIn(d, IDC_VOIPTRUNK_CODEC1 + i, codecs[i]);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);

    std::vector<std::pair<size_t, uint8_t>> bytes;
    for (auto t : { TextBytes(0, "provider"), TextBytes(24, "sip.example"), TextBytes(228, "4930123"),
                    TextBytes(252, "4930123"), TextBytes(276, "pw") })
        bytes.insert(bytes.end(), t.begin(), t.end());
    bytes.insert(bytes.end(), {
        { 216, 0xD8 }, { 217, 0x13 },           // port 5080
        { 218, 0xC4 }, { 219, 0x13 }, { 220, 0xC4 }, { 221, 0x13 }, // registrar and outbound proxy ports
        { 222, 0x08 }, { 223, 0x07 }, { 224, 30 }, // expiry 1800, retry 30
        { 520, CODEC_G711_ALAW },               // no codec chosen: A-law alone
        { 536, 0x24 },                          // register, clear mode
        { 552, 0x4F }, { 553, 0x08 }, { 557, 100 },
    });
    ExpectAccountBytes(dlg.Row().account, bytes);
    EXPECT_EQ(1, dlg.Row().inGroup);
    EXPECT_EQ(5, dlg.Row().outGroup);
}

TEST_F(SipPagesTest, VoiceOptionsKeepAnUnknownTuningAndOrderTheJitterRange)
{
    SipAccount a;
    SetNewUserAccount(&a);
    a.voiceFlags = (a.voiceFlags & ~(uint32_t)SVF_VAD_TUNE_MASK) | (6u << SVF_VAD_TUNE_SHIFT) | SVF_G723_HIGH_RATE;
    CVoipVoiceAdvancedDlg dlg(a);
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_EQ(-1, ::SendDlgItemMessageA(d, IDC_VOIPVOICE_VAD_TUNING, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(7, ::SendDlgItemMessageA(d, IDC_VOIPVOICE_ECHO_TAIL, CB_GETCURSEL, 0, 0)); // 64 ms
    ::SendDlgItemMessageA(d, IDC_VOIPVOICE_ECHO_TAIL, CB_SETCURSEL, 15, 0); // 128 ms
    ::SendDlgItemMessageA(d, IDC_VOIPVOICE_G723_RATE, CB_SETCURSEL, 0, 0);
    SetText(d, IDC_VOIPVOICE_JITTER_MIN, "150");
    SetText(d, IDC_VOIPVOICE_JITTER_MAX, "40");
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);
    // Echo canceller, tail 15, VAD tuning 6 kept, jitter buffer; G.723 low rate.
    EXPECT_EQ(0x00000801u | (15u << 1) | (6u << 6), dlg.Account().voiceFlags);
    EXPECT_EQ(40, dlg.Account().jitterMin);
    EXPECT_EQ(150, dlg.Account().jitterMax);
}

// --- the lists ------------------------------------------------------------------------

TEST_F(SipPagesTest, DeletingTheFirstTrunkMovesTheSecondWithItsGroupsUp)
{
    SipTrunkRow first = NamedTrunk("first"), second = NamedTrunk("second");
    first.inGroup = 3;
    first.outGroup = 7;
    second.inGroup = 4;
    second.outGroup = 8;
    const SipTrunkRow* trunks[] = { &first, &second };
    WriteSipTrunks(rec, trunks, 2);
    CVoipTrunksPage* page = Open<CVoipTrunksPage>(CI_SIP_TRUNKS);
    ASSERT_TRUE(page);
    ASSERT_EQ((std::vector<std::string>{ "first", "second" }), page->RowNames());
    page->SelectRow(0);
    ClickIn(PageWnd(), IDC_VOIPLIST_DELETE);
    ASSERT_EQ(1, this->page->Store());
    EXPECT_EQ(0, memcmp(&second.account, &rec->sipTrunks[0], sizeof(SipAccount)));
    const uint8_t* after = ConfigBytes(rec);
    for (uint32_t b = 0; b < sizeof(SipAccount); ++b)
        ASSERT_EQ(0xFF, after[CFG_OFS_SIP_TRUNKS + sizeof(SipAccount) + b]) << b;
    const uint8_t groups[8] = { 8, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };
    EXPECT_EQ(0, memcmp(groups, after + CFG_OFS_SIP_TRUNK_GROUPS, sizeof(groups)));
}

void Unexpected(HWND dlg, void*)
{
    ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(SipPagesTest, AFullTableOpensNoDialog)
{
    struct Case
    {
        int item;
        int rows;
    };
    for (const Case& c : { Case{ CI_SIP_USERS, 110 }, Case{ CI_SIP_TRUNKS, 8 } })
    {
        SetConfigDefaults(rec);
        for (int i = 0; i < c.rows; ++i)
        {
            char name[8];
            sprintf(name, "%d", 100 + i);
            if (c.item == CI_SIP_USERS)
                rec->sipUsers[i] = NamedUser(name);
            else
                rec->sipTrunks[i] = NamedTrunk(name).account;
        }
        ASSERT_TRUE(OpenItem(c.item));
        CModalDialogAnswerer answerer(Unexpected, nullptr);
        ClickIn(PageWnd(), IDC_VOIPLIST_ADD);
        EXPECT_EQ(0, answerer.Answered()) << c.item;
        EXPECT_EQ(c.rows, ListView_GetItemCount(::GetDlgItem(PageWnd(), IDC_VOIPLIST_LIST)));
        ClosePage();
    }
}

} // namespace
