#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include <string>

using namespace enginetest;

namespace
{
// A card entry: index, value (little-endian), state, text.
void AddCard(Bytes& data, BYTE index, WORD value, BYTE state, const char* text)
{
    data.insert(data.end(), { index, static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), state, static_cast<BYTE>(strlen(text)) });
    data.insert(data.end(), text, text + strlen(text));
}

// A VoIP row: name with its NUL, then 12 bytes; byte 6 of them bit 0 = user.
void AddVoipRow(Bytes& data, const char* name, bool user, BYTE tag)
{
    data.insert(data.end(), name, name + strlen(name) + 1);
    for (int i = 0; i < 12; ++i)
        data.push_back(i == 6 ? static_cast<BYTE>(user ? 1 : 0) : tag);
}

int CountStatus(Harness& h, int code)
{
    int count = 0;
    for (const Status& s : h.frame.Take())
        count += s.code == code ? 1 : 0;
    return count;
}
} // namespace

TEST(RequestDiagnostics, RequestsCarryTheirElements)
{
    Harness h;
    struct Case
    {
        int page;
        int index;
        Bytes body;
    } cases[] = {
        { 1, 0, { 0xA1, 0x02, 0x62, 0x00 } },
        { 2, 0, { 0xA1, 0x06, 0x6D, 0x04, 0x00, 0x01, 0x02, 0x03 } },
        { 10, 7, { 0xA1, 0x03, 0x63, 0x01, 0x07 } },
        { 10, 40, { 0xA1, 0x03, 0x63, 0x01, 0x00 } },
        { 11, 30, { 0xA1, 0x04, 0x64, 0x02, 0x1E, 0x1F } },
        { 11, 4, { 0xA1, 0x06, 0x64, 0x04, 0x04, 0x05, 0x06, 0x07 } },
        { 12, 0, { 0xA1, 0x02, 0x6F, 0x00 } },
        { 13, 0, { 0xA1, 0x02, 0x6E, 0x00 } },
        { 20, 0, { 0xA1, 0x02, 0x5F, 0x00 } },
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(1, h.engine.RequestDiagnostics(c.page, c.index));
        EXPECT_EQ(c.body, WithoutChecksum(h.OnlySent())) << c.page << " " << c.index;
    }
    EXPECT_EQ(0, h.engine.RequestDiagnostics(99, 0));
    EXPECT_FALSE(h.engine.IsTimerArmed());
    EXPECT_EQ(0u, h.engine.GetBusy());
    EXPECT_TRUE(h.frame.Take().empty());

    // Not during a transfer; with the link down the frame is asked to connect.
    h.engine.StartDataDownload();
    EXPECT_EQ(0, h.engine.RequestDiagnostics(1, 0));
    h.engine.CancelDataDownload();
    h.link.state = 0;
    h.TakeSent();
    EXPECT_EQ(0, h.engine.RequestDiagnostics(1, 0));
    EXPECT_EQ(1, h.frame.connectCommands);
    EXPECT_TRUE(h.TakeSent().empty());
}

TEST(RequestDiagnostics, ChainsContinueWhileTheDeviceMovesOnAndEndWhenItDoesNot)
{
    Harness h;
    h.engine.RequestDiagnostics(10, 0);
    h.TakeSent();
    Bytes first;
    for (BYTE i = 0; i <= 5; ++i)
        AddCard(first, i, static_cast<WORD>(0x0100 + i), i, "GSM");
    h.Positive({ { IE_DIAG_CARD, first } });
    EXPECT_EQ((Bytes{ 0xA1, 0x03, 0x63, 0x01, 0x06 }), WithoutChecksum(h.OnlySent()));
    EXPECT_EQ(0, CountStatus(h, ENGINE_STATUS_DIAG_CARDS));
    EXPECT_EQ(0x0105, h.engine.GetCards()[5].value);
    EXPECT_STREQ("GSM", h.engine.GetCards()[5].text);

    Bytes rest;
    AddCard(rest, 6, 6, 1, "");
    AddCard(rest, 31, 0x1234, 2, "last");
    h.Positive({ { IE_DIAG_CARD, rest } });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_CARDS));
    EXPECT_EQ(0x1234, h.engine.GetCards()[31].value);
    EXPECT_EQ(2, h.engine.GetCards()[31].state);
    EXPECT_EQ(0xFF, h.engine.GetCards()[20].state);

    // Only index 0: complete.
    Bytes zero;
    AddCard(zero, 0, 1, 1, "x");
    h.Positive({ { IE_DIAG_CARD, zero } });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_CARDS));

    // A chain that does not advance ends.
    h.engine.RequestDiagnostics(10, 0);
    h.TakeSent();
    Bytes answer;
    AddCard(answer, 1, 1, 1, "a");
    AddCard(answer, 2, 2, 1, "b");
    h.Positive({ { IE_DIAG_CARD, answer } }); // asks from 3
    EXPECT_EQ(1u, h.TakeSent().size());
    h.Positive({ { IE_DIAG_CARD, answer } }); // answers from 1 again
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_CARDS));

    // A device that answers one module at a time is followed to the end.
    h.engine.RequestDiagnostics(11, 0);
    h.TakeSent();
    for (BYTE index = 1; index < 31; ++index)
    {
        h.Positive({ { IE_DIAG_GSM_CREDIT, { index, 8, 1, 2, 3, 4, 5, 6, 7, 8 } } });
        Bytes modules;
        ASSERT_TRUE(SentElement(h.OnlySent(), IE_DIAG_GSM_CREDIT, &modules));
        ASSERT_EQ(index + 1, modules[0]);
    }
    h.Positive({ { IE_DIAG_GSM_CREDIT, { 31, 8, 1, 2, 3, 4, 5, 6, 7, 8 } } });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_GSM_CREDIT));
    EXPECT_EQ(8, h.engine.GetGsmCreditA(31)[7]);
}

TEST(RequestDiagnostics, CreditEntriesAndTruncatedWalks)
{
    Harness h;
    // Index 0 with 16 bytes, index 31 with 48, index 2 claiming 48 but cut.
    Bytes credit{ 0, 16 };
    for (int i = 0; i < 16; ++i)
        credit.push_back(static_cast<BYTE>(0x10 + i));
    credit.insert(credit.end(), { 31, 48 });
    for (int i = 0; i < 48; ++i)
        credit.push_back(static_cast<BYTE>(0x40 + i));
    credit.insert(credit.end(), { 2, 48, 0xEE });
    h.Positive({ { IE_DIAG_GSM_CREDIT, credit } });
    // Each half of an entry holds at most 24 bytes.
    const BYTE* a0 = h.engine.GetGsmCreditA(0);
    EXPECT_EQ((Bytes{ 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x00 }), Bytes(a0, a0 + 9));
    EXPECT_EQ((Bytes{ 0x18, 0x1F, 0x00 }), (Bytes{ h.engine.GetGsmCreditB(0)[0], h.engine.GetGsmCreditB(0)[7], h.engine.GetGsmCreditB(0)[8] }));
    EXPECT_EQ((Bytes{ 0x40, 0x57, 0x58, 0x00 }), (Bytes{ h.engine.GetGsmCreditA(31)[0], h.engine.GetGsmCreditA(31)[23], h.engine.GetGsmCreditB(31)[0], h.engine.GetGsmCreditA(2)[0] }));
    EXPECT_TRUE(h.TakeSent().empty()); // last index 31: complete
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_GSM_CREDIT));

    Bytes isdn{ 1, 24 };
    for (int i = 0; i < 24; ++i)
        isdn.push_back(static_cast<BYTE>(i + 1));
    isdn.insert(isdn.end(), { 7, 2, 0, 0 }); // index out of range, skipped
    h.Positive({ { IE_DIAG_ISDN_CREDIT, isdn } });
    EXPECT_EQ(24, h.engine.GetIsdnCredit(1)[23]);
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_ISDN_CREDIT));

    // A card entry whose text overruns the element ends the walk.
    Bytes cards;
    AddCard(cards, 3, 3, 1, "ok");
    cards.insert(cards.end(), { 4, 0, 0, 1, 200, 'x' });
    h.Positive({ { IE_DIAG_CARD, cards } });
    EXPECT_STREQ("ok", h.engine.GetCards()[3].text);
    EXPECT_EQ(0xFF, h.engine.GetCards()[4].state);
}

TEST(RequestDiagnostics, VoipRowsSplitOverMessages)
{
    Harness h;
    h.engine.RequestDiagnostics(20, 0);
    Bytes first;
    AddVoipRow(first, "trunk-1", false, 0x11);
    AddVoipRow(first, "user-100", true, 0x22);
    h.Positive({ { IE_DIAG_VOIP, first } });
    EXPECT_EQ(0, CountStatus(h, ENGINE_STATUS_DIAG_VOIP));

    Bytes second;
    const std::string longName(30, 'n');
    AddVoipRow(second, longName.c_str(), true, 0x33);
    second.push_back(0); // the end of the list
    h.Positive({ { IE_DIAG_VOIP, second } });
    EXPECT_EQ(1, CountStatus(h, ENGINE_STATUS_DIAG_VOIP));

    EXPECT_STREQ("trunk-1", reinterpret_cast<const char*>(h.engine.GetVoipTrunkRow(0)));
    EXPECT_EQ(0x11, h.engine.GetVoipTrunkRow(0)[24]);
    EXPECT_EQ(0, h.engine.GetVoipTrunkRow(1)[0]);
    EXPECT_STREQ("user-100", reinterpret_cast<const char*>(h.engine.GetVoipUserRow(0)));
    EXPECT_EQ(0x22, h.engine.GetVoipUserRow(0)[35]);
    EXPECT_EQ(std::string(23, 'n'), reinterpret_cast<const char*>(h.engine.GetVoipUserRow(1)));
    EXPECT_EQ(1, h.engine.GetVoipUserRow(1)[30]);

    // A new request clears both tables.
    h.engine.RequestDiagnostics(20, 0);
    EXPECT_EQ(0, h.engine.GetVoipTrunkRow(0)[0]);
}
