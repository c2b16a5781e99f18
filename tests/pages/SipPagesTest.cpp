#include "tests/support/PageFixture.h"
#include "pages/SipCommonPage.h"
#include "pages/SipAccountPages.h"
#include "pages/SipAccountDialogs.h"
#include "tests/support/StrayDialogCloser.h"
#include <cstring>
#include <tuple>

namespace
{
// An account's bytes: zeros but for those put at their offsets.
struct AccountBytes
{
    std::string bytes = std::string(sizeof(SipAccount), '\0');
    AccountBytes& Put(size_t at, const std::string& b)
    {
        bytes.replace(at, b.size(), b);
        return *this;
    }
};
std::string BytesOf(const SipAccount& a) { return std::string((const char*)&a, sizeof(a)); }

SipAccount NewUser(const char* extension = "")
{
    SipAccount user;
    SetNewUserAccount(&user);
    strcpy(user.user, extension);
    strcpy(user.name, extension);
    return user;
}

SipTrunkRow NewTrunk(const char* name = "")
{
    SipTrunkRow trunk;
    SetNewTrunkRow(&trunk);
    strcpy(trunk.account.name, name);
    return trunk;
}

typedef PageFixture SipPagesTest;

// --- SIP common settings --------------------------------------------------------------

// Values the device cannot hold are repaired on open: any transport but UDP
// becomes UDP, a NAT mode the device does not know shows and stores as none;
// DSCP bytes no list offers show no selection and are kept; a text writes
// its terminator and keeps the rest of its field.
TEST_F(SipPagesTest, CommonPageRepairsKeepsAndWritesTextsWithTheirTerminator)
{
    SipCommonSettings& s = rec->sipCommon;
    s.transport = 2;
    s.sipPort = 0xFFFF;
    s.stunPort = 0xFFFF;
    memset(s.publicAddress, 0xFF, sizeof(s.publicAddress));
    s.dscpSignalling = 5;   // no DSCP code point
    s.dscpMedia = 46;       // EF
    s.natMode = 7;          // no NAT mode
    s.options = 0xF0;
    ASSERT_TRUE(OpenItem(CI_SIP_COMMON));
    EXPECT_EQ(std::string("\x01\x05\xC4\x13", 4), Bytes(&s, 4)) << "transport and port repaired, DSCP kept";
    EXPECT_EQ(3478, s.stunPort);
    EXPECT_EQ(0, s.publicAddress[0]);
    EXPECT_EQ(0, CurSel(IDC_VOIPCOM_TRANSPORT));
    EXPECT_EQ(-1, CurSel(IDC_VOIPCOM_DSCP_SIP));
    EXPECT_EQ(20, CurSel(IDC_VOIPCOM_DSCP_RTP));
    EXPECT_TRUE(Checked(IDC_VOIPCOM_NAT_NONE));
    EXPECT_FALSE(Enabled(IDC_VOIPCOM_STUN_SERVER));
    SetCheck(IDC_VOIPCOM_AUTH_REJECT, true);
    Type(IDC_VOIPCOM_PUBLIC_ADDRESS, "1.2.3.4");
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(std::string("1.2.3.4\0\xFF\xFF", 10), Bytes(s.publicAddress, 10));
    EXPECT_EQ(0xFF, (uint8_t)s.publicAddress[63]);
    EXPECT_EQ(5, s.dscpSignalling);
    EXPECT_EQ(46, s.dscpMedia);
    EXPECT_EQ(0, s.natMode);
    EXPECT_EQ(0xF2, s.options);
}

// Store puts right what the device cannot use: zeros take their defaults, an
// expiry range upside down is reset, an RTP range upside down turned round,
// a NAT mode without its address is off.
TEST_F(SipPagesTest, CommonSettingsArePutRightOnStore)
{
    struct Case
    {
        const char *port, *expiryMin, *expiryMax, *rtpFirst, *rtpLast, *stunPort;
        UINT nat;
        const char *publicAddress, *stunServer;
        uint16_t sipPort, storedMin, storedMax, storedFirst, storedLast, storedStun;
        uint8_t storedNat;
    };
    const Case cases[] = {
        { "5070", "4000", "100", "9000", "8500", "3479", IDC_VOIPCOM_NAT_NONE, "", "", 5070, 90, 3600, 8500, 9000, 3479, 0 },
        { "", "0", "0", "0", "0", "0", IDC_VOIPCOM_NAT_STUN, "", "", 5060, 90, 3600, 8000, 8099, 3478, 0 },
        { "65534", "1", "65534", "1", "2", "9", IDC_VOIPCOM_NAT_STUN, "", "stun.example", 65534, 1, 65534, 1, 2, 9, 2 },
        { "1", "5", "5", "7", "7", "1", IDC_VOIPCOM_NAT_PUBLIC, "", "", 1, 5, 5, 7, 7, 1, 0 },
    };
    for (const Case& c : cases)
    {
        SetConfigDefaults(rec);
        ASSERT_TRUE(OpenItem(CI_SIP_COMMON));
        Type(IDC_VOIPCOM_SIP_PORT, c.port);
        Type(IDC_VOIPCOM_EXPIRY_MIN, c.expiryMin);
        Type(IDC_VOIPCOM_EXPIRY_MAX, c.expiryMax);
        Type(IDC_VOIPCOM_RTP_FIRST, c.rtpFirst);
        Type(IDC_VOIPCOM_RTP_LAST, c.rtpLast);
        Type(IDC_VOIPCOM_STUN_PORT, c.stunPort);
        ::CheckRadioButton(Wnd(), IDC_VOIPCOM_NAT_NONE, IDC_VOIPCOM_NAT_STUN, (int)c.nat);
        Command(c.nat);
        EXPECT_EQ(c.nat == IDC_VOIPCOM_NAT_PUBLIC, Enabled(IDC_VOIPCOM_PUBLIC_ADDRESS));
        EXPECT_EQ(c.nat == IDC_VOIPCOM_NAT_STUN, Enabled(IDC_VOIPCOM_STUN_PORT));
        Type(IDC_VOIPCOM_PUBLIC_ADDRESS, c.publicAddress);
        Type(IDC_VOIPCOM_STUN_SERVER, c.stunServer);
        ASSERT_EQ(1, page->Store());
        const SipCommonSettings& s = rec->sipCommon;
        EXPECT_EQ(c.sipPort, s.sipPort) << c.port;
        EXPECT_EQ(c.storedMin, s.regExpiryMin) << c.expiryMin;
        EXPECT_EQ(c.storedMax, s.regExpiryMax) << c.expiryMax;
        EXPECT_EQ(c.storedFirst, s.rtpPortFirst) << c.rtpFirst;
        EXPECT_EQ(c.storedLast, s.rtpPortLast) << c.rtpLast;
        EXPECT_EQ(c.storedStun, s.stunPort) << c.stunPort;
        EXPECT_EQ(c.storedNat, s.natMode) << c.nat;
    }
}

// --- the account dialogs --------------------------------------------------------------

TEST_F(SipPagesTest, UserDialogWritesTheWholeAccount)
{
    SipAccount start = NewUser();
    strcpy(start.password, "an-old-long-password"); // its tail must not linger
    CVoipUserDlg dlg(start, -1, { "100" });
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_FALSE(Enabled(IDC_VOIPUSER_HOST, d)); // a new user is dynamic
    Type(IDC_VOIPUSER_EXTENSION, "201", d);
    Type(IDC_VOIPUSER_PASSWORD, "secret", d);
    Type(IDC_VOIPUSER_DISPLAY_NAME, "Front desk", d);
    Click(IDC_VOIPUSER_DYNAMIC, d);
    EXPECT_TRUE(Enabled(IDC_VOIPUSER_HOST, d));
    Type(IDC_VOIPUSER_HOST, "10.0.0.7", d);
    Type(IDC_VOIPUSER_PORT, "", d);
    SetCheck(IDC_VOIPUSER_QUALIFY_ON, true, d);
    Type(IDC_VOIPUSER_QUALIFY, "5", d);
    Choose(IDC_VOIPUSER_DTMF, DTMF_INFO, d);
    SetCheck(IDC_VOIPUSER_NAT, true, d);
    const int codecs[5] = { CODEC_G711_ULAW, CODEC_G711_ULAW, CODEC_NONE, CODEC_GSM, CODEC_NONE };
    for (int i = 0; i < 5; ++i)
        Choose(IDC_VOIPUSER_CODEC1 + i, codecs[i], d);
    for (UINT id : { IDC_VOIPUSER_ECHO_CANCEL, IDC_VOIPUSER_JITTER_BUFFER })
        SetCheck(id, false, d);
    for (UINT id : { IDC_VOIPUSER_VAD, IDC_VOIPUSER_AGC, IDC_VOIPUSER_NOISE_SUPPRESS })
        SetCheck(id, true, d);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);

    // Account name and authentication name are the extension; port 5060;
    // user, authenticate INVITE; NAT, qualify 5; tail 64 ms, VAD, tuning 1,
    // AGC, noise suppression; jitter 0-100.
    AccountBytes want;
    want.Put(0, "201").Put(228, "201").Put(252, "201").Put(276, "secret").Put(300, "Front desk").Put(24, "10.0.0.7");
    want.Put(216, "\xC4\x13").Put(517, { DTMF_INFO }).Put(520, { CODEC_G711_ULAW, CODEC_GSM });
    want.Put(536, "\x09\x58").Put(552, "\x6E\x06").Put(557, { 100 });
    EXPECT_EQ(want.bytes, BytesOf(dlg.Account()));
}

TEST_F(SipPagesTest, AccountValuesNoListOffersAreKept)
{
    SipAccount user = NewUser("100");
    user.dtmfMode = 7;           // no DTMF mode
    user.codecs[1] = 13;         // no codec the program knows
    CVoipUserDlg dlg(user, 0, { "100" });
    ASSERT_TRUE(dlg.Create(host));
    EXPECT_EQ(-1, CurSel(IDC_VOIPUSER_DTMF, dlg.m_hWnd));
    EXPECT_EQ(-1, CurSel(IDC_VOIPUSER_CODEC1 + 1, dlg.m_hWnd));
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(dlg.m_hWnd);
    EXPECT_EQ(7, dlg.Account().dtmfMode);
    EXPECT_EQ((std::string{ CODEC_G711_ALAW, 13, CODEC_G729A, CODEC_G726_32, 0 }), Bytes(dlg.Account().codecs, 5));
}

TEST_F(SipPagesTest, UserDialogRefusesWhatCannotBeStored)
{
    // The user edited (-1: a new one), its extension, dynamic or not, the
    // refusal (empty: accepted) and where the focus goes; the edited user
    // keeps its own extension.
    for (const auto& [index, extension, dynamic, refusal, focus] :
         std::vector<std::tuple<int, const char*, bool, std::string, int>>{
             { -1, "", true, "strVoipUserErrExtension", IDC_VOIPUSER_EXTENSION },
             { -1, "200", true, "strVoipUserErrExtensionExist", IDC_VOIPUSER_EXTENSION },
             { 1, "200", true, "", 0 },
             { -1, "300", false, "strVoipUserErrHost", IDC_VOIPUSER_HOST } })
    {
        boxes.Clear();
        CVoipUserDlg dlg(NewUser(), index, { "100", "200" });
        ASSERT_TRUE(dlg.Create(host));
        HWND d = dlg.m_hWnd;
        ::ShowWindow(d, SW_SHOW);
        ::SetForegroundWindow(d);
        ::SetActiveWindow(d);
        Type(IDC_VOIPUSER_EXTENSION, extension, d);
        SetCheck(IDC_VOIPUSER_DYNAMIC, dynamic, d);
        Command(IDC_VOIPUSER_DYNAMIC, d);
        Type(IDC_VOIPUSER_HOST, "", d);
        EXPECT_EQ(refusal.empty(), dlg.Accept()) << extension;
        EXPECT_EQ(refusal, boxes.Count() ? boxes.Last().key : "") << extension;
        EXPECT_TRUE(refusal.empty() || HasFocus(focus, d)) << extension;
        ::DestroyWindow(d);
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
    SipTrunkRow start = NewTrunk();
    start.inGroup = 1; // no longer offered: kept as it is
    CVoipTrunkDlg dlg(start, -1, { "other" }, in, out);
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_EQ(32, ::SendMessageA(Item(IDC_VOIPTRUNK_IN_GROUP, d), CB_GETCOUNT, 0, 0)); // none and 31 groups
    EXPECT_EQ(-1, CurSel(IDC_VOIPTRUNK_IN_GROUP, d));
    EXPECT_EQ(0, CurSel(IDC_VOIPTRUNK_OUT_GROUP, d));
    EXPECT_EQ(-1, CFieldBinder::SelectByCode(Item(IDC_VOIPTRUNK_OUT_GROUP, d), 2)) << "the GSM card's group is not offered";
    Choose(IDC_VOIPTRUNK_OUT_GROUP, 5, d);
    Type(IDC_VOIPTRUNK_ACCOUNT, "provider", d);
    Type(IDC_VOIPTRUNK_USER, "4930123", d);
    Type(IDC_VOIPTRUNK_PASSWORD, "pw", d);
    Type(IDC_VOIPTRUNK_PROXY, "sip.example", d);
    Type(IDC_VOIPTRUNK_PORT, "5080", d);
    SetCheck(IDC_VOIPTRUNK_REGISTER, true, d);
    SetCheck(IDC_VOIPTRUNK_AUTH_INVITE, false, d);
    SetCheck(IDC_VOIPTRUNK_CLEAR_MODE, true, d);
    Choose(IDC_VOIPTRUNK_DTMF, DTMF_INBAND, d);
    for (int i = 0; i < 5; ++i)
        Choose(IDC_VOIPTRUNK_CODEC1 + i, CODEC_NONE, d);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);

    // Port 5080, registrar and outbound proxy 5060, expiry 1800, retry 30;
    // no codec chosen: A-law alone; register, clear mode.
    AccountBytes want;
    want.Put(0, "provider").Put(24, "sip.example").Put(228, "4930123").Put(252, "4930123").Put(276, "pw");
    want.Put(216, "\xD8\x13\xC4\x13\xC4\x13\x08\x07\x1E").Put(520, { CODEC_G711_ALAW }).Put(536, "\x24");
    want.Put(552, "\x4F\x08").Put(557, { 100 });
    EXPECT_EQ(want.bytes, BytesOf(dlg.Row().account));
    EXPECT_EQ(1, dlg.Row().inGroup);
    EXPECT_EQ(5, dlg.Row().outGroup);
}

TEST_F(SipPagesTest, VoiceOptionsKeepAnUnknownTuningAndOrderTheJitterRange)
{
    SipAccount a = NewUser();
    a.voiceFlags = (a.voiceFlags & ~(uint32_t)SVF_VAD_TUNE_MASK) | (6u << SVF_VAD_TUNE_SHIFT) | SVF_G723_HIGH_RATE;
    CVoipVoiceAdvancedDlg dlg(a);
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_EQ(-1, CurSel(IDC_VOIPVOICE_VAD_TUNING, d));
    EXPECT_EQ(7, CurSel(IDC_VOIPVOICE_ECHO_TAIL, d)); // 64 ms
    Select(IDC_VOIPVOICE_ECHO_TAIL, 15, d);          // 128 ms
    Select(IDC_VOIPVOICE_G723_RATE, 0, d);
    Type(IDC_VOIPVOICE_JITTER_MIN, "150", d);
    Type(IDC_VOIPVOICE_JITTER_MAX, "40", d);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);
    // Echo canceller, tail 15, VAD tuning 6 kept, jitter buffer; G.723 low rate.
    EXPECT_EQ(0x00000801u | (15u << 1) | (6u << 6), dlg.Account().voiceFlags);
    EXPECT_EQ(40, dlg.Account().jitterMin);
    EXPECT_EQ(150, dlg.Account().jitterMax);
}

TEST_F(SipPagesTest, TrunkServersUncheckedAreEmptyAndZeroTimesTakeTheirDefaults)
{
    SipTrunkRow trunk = NewTrunk();
    strcpy(trunk.account.registrar, "registrar.example");
    trunk.account.registrarPort = 5099;
    strcpy(trunk.account.outboundProxy, "proxy.example");
    trunk.account.regRetry = 100;
    CVoipTrunkAdvancedDlg dlg(trunk.account);
    ASSERT_TRUE(dlg.Create(host));
    HWND d = dlg.m_hWnd;
    EXPECT_TRUE(Checked(IDC_VOIPTRADV_REGISTRAR_ON, d));
    EXPECT_TRUE(Enabled(IDC_VOIPTRADV_OUTBOUND_PROXY, d));
    SetCheck(IDC_VOIPTRADV_REGISTRAR_ON, false, d);
    Type(IDC_VOIPTRADV_OUTBOUND_PORT, "0", d);
    Type(IDC_VOIPTRADV_EXPIRY, "0", d);
    Type(IDC_VOIPTRADV_RETRY, "0", d);
    Type(IDC_VOIPTRADV_FROM_NAME, "Office", d);
    ASSERT_TRUE(dlg.Accept());
    ::DestroyWindow(d);
    // No registrar: empty, port 5060; outbound proxy port 0 becomes 5060,
    // expiry 0 becomes 1800, retry 0 becomes 30.
    AccountBytes want;
    want.bytes = BytesOf(trunk.account);
    want.Put(88, std::string(64, '\0')).Put(152, std::string("proxy.example", 13));
    want.Put(216, std::string("\xC4\x13\xC4\x13\xC4\x13\x08\x07\x1E\x00", 10)).Put(428, "Office");
    EXPECT_EQ(want.bytes, BytesOf(dlg.Account()));
}

// A server field the device never wrote (0xFF from its first byte) is no
// server: its box is unchecked, and the dialog stores the field empty with
// port 5060 rather than a host of 0xFF characters for the device to call.
TEST_F(SipPagesTest, TrunkServerNeverWrittenShowsAsNoneAndIsStoredEmpty)
{
    typedef char(SipAccount::*Host)[64];
    const struct
    {
        UINT check, edit;
        Host host;
        uint16_t SipAccount::*port;
    } servers[] = {
        { IDC_VOIPTRADV_REGISTRAR_ON, IDC_VOIPTRADV_REGISTRAR, &SipAccount::registrar, &SipAccount::registrarPort },
        { IDC_VOIPTRADV_OUTBOUND_ON, IDC_VOIPTRADV_OUTBOUND_PROXY, &SipAccount::outboundProxy,
          &SipAccount::outboundProxyPort },
    };
    for (const auto& s : servers)
    {
        SCOPED_TRACE(s.check);
        SipTrunkRow trunk = NewTrunk();
        memset(trunk.account.*s.host, 0xFF, sizeof(trunk.account.*s.host));
        trunk.account.*s.port = 0xFFFF;
        CVoipTrunkAdvancedDlg dlg(trunk.account);
        ASSERT_TRUE(dlg.Create(host));
        HWND d = dlg.m_hWnd;
        EXPECT_FALSE(Checked(s.check, d));
        EXPECT_FALSE(Enabled(s.edit, d));
        ASSERT_TRUE(dlg.Accept());
        ::DestroyWindow(d);
        EXPECT_EQ(std::string(64, '\0'), std::string(dlg.Account().*s.host, 64));
        EXPECT_EQ(SIP_DEFAULT_PORT, dlg.Account().*s.port);
    }
}

// --- the lists ------------------------------------------------------------------------

TEST_F(SipPagesTest, DeletingTheFirstTrunkMovesTheSecondWithItsGroupsUp)
{
    SipTrunkRow first = NewTrunk("first"), second = NewTrunk("second");
    first.inGroup = 3;
    first.outGroup = 7;
    second.inGroup = 4;
    second.outGroup = 8;
    const SipTrunkRow* trunks[] = { &first, &second };
    WriteSipTrunks(rec, trunks, 2);
    CVoipTrunksPage* list = dynamic_cast<CVoipTrunksPage*>(OpenItem(CI_SIP_TRUNKS));
    ASSERT_TRUE(list);
    ASSERT_EQ((std::vector<std::string>{ "first", "second" }), list->RowNames());
    list->SelectRow(0);
    Command(IDC_VOIPLIST_DELETE);
    ASSERT_EQ(1, page->Store());
    EXPECT_EQ(BytesOf(second.account), BytesOf(rec->sipTrunks[0]));
    EXPECT_EQ(std::string(sizeof(SipAccount), '\xFF'), BytesOf(rec->sipTrunks[1]));
    EXPECT_EQ("\x08\x04\xFF\xFF\xFF\xFF\xFF\xFF", Bytes(At(CFG_OFS_SIP_TRUNK_GROUPS), 8));
}

// A trunk changed in its dialog carries its account and both groups through
// Store and the commit into the document; the second trunk stays as it was.
TEST_F(SipPagesTest, TrunkGroupEditsSurviveTheCommit)
{
    SipTrunkRow first = NewTrunk("first"), second = NewTrunk("second");
    strcpy(first.account.host, "sip.example");
    second.inGroup = 4;
    second.outGroup = 8;
    const SipTrunkRow* trunks[] = { &first, &second };
    WriteSipTrunks(rec, trunks, 2);
    std::unique_ptr<ConfigRecord> doc(new ConfigRecord(*rec));
    CVoipTrunksPage* list = dynamic_cast<CVoipTrunksPage*>(OpenItem(CI_SIP_TRUNKS));
    ASSERT_TRUE(list);
    list->SelectRow(0);
    CModalDialogAnswerer answerer(
        [](HWND dlg, void*) {
            CFieldBinder::SelectByCode(::GetDlgItem(dlg, IDC_VOIPTRUNK_IN_GROUP), 6);
            CFieldBinder::SelectByCode(::GetDlgItem(dlg, IDC_VOIPTRUNK_OUT_GROUP), 9);
            ::SetDlgItemTextA(dlg, IDC_VOIPTRUNK_USER, "4930");
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        },
        nullptr);
    Command(IDC_VOIPLIST_CHANGE);
    ASSERT_EQ(1, answerer.Answered());
    ASSERT_EQ(1, page->Store());
    CommitSectionList sections = GetCommitSections(*FindDataTreeItem(CI_SIP_TRUNKS), doc.get());
    for (size_t i = 0; i < sections.count; ++i)
        memcpy(ConfigBytes(doc.get()) + sections.sections[i].offset, At(sections.sections[i].offset),
               sections.sections[i].length);
    EXPECT_EQ("\x09\x06\xFF\xFF\x08\x04\xFF\xFF\xFF", Bytes(ConfigBytes(doc.get()) + CFG_OFS_SIP_TRUNK_GROUPS, 9));
    EXPECT_STREQ("4930", doc->sipTrunks[0].user);
    EXPECT_EQ(BytesOf(second.account), BytesOf(doc->sipTrunks[1]));
    EXPECT_EQ(0, memcmp(doc.get(), rec, sizeof(ConfigRecord)));
}

// A visit stores the users in the list's order, by extension, with the empty
// marker behind the last.
TEST_F(SipPagesTest, AVisitStoresTheUsersInExtensionOrder)
{
    const char* stored[] = { "300", "1000", "200" };
    for (int i = 0; i < 3; ++i)
        rec->sipUsers[i] = NewUser(stored[i]);
    ASSERT_TRUE(OpenItem(CI_SIP_USERS));
    ASSERT_EQ(1, page->Store());
    for (const auto& [index, extension] : std::vector<std::pair<int, const char*>>{ { 0, "1000" }, { 1, "200" }, { 2, "300" } })
        EXPECT_EQ(BytesOf(NewUser(extension)), BytesOf(rec->sipUsers[index])) << index;
    EXPECT_EQ(std::string(sizeof(SipAccount), '\xFF'), BytesOf(rec->sipUsers[3]));
}

TEST_F(SipPagesTest, AFullTableOpensNoDialog)
{
    for (int item : { CI_SIP_USERS, CI_SIP_TRUNKS })
    {
        SetConfigDefaults(rec);
        int rows = item == CI_SIP_USERS ? 110 : 8;
        for (int i = 0; i < rows; ++i)
        {
            std::string name = std::to_string(100 + i);
            if (item == CI_SIP_USERS)
                rec->sipUsers[i] = NewUser(name.c_str());
            else
                rec->sipTrunks[i] = NewTrunk(name.c_str()).account;
        }
        ASSERT_TRUE(OpenItem(item));
        CModalDialogAnswerer answerer([](HWND dlg, void*) { ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }, nullptr);
        Command(IDC_VOIPLIST_ADD);
        EXPECT_EQ(0, answerer.Answered()) << item;
        EXPECT_EQ(rows, ListView_GetItemCount(Item(IDC_VOIPLIST_LIST)));
    }
}
} // namespace
