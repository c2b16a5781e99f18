#include <gtest/gtest.h>
#include "tools/devsim/DeviceSimulator.h"
#include <algorithm>
#include <string>
#include <vector>

using namespace devsim;

namespace
{
// A bare socket client: talks to the simulator without any of the program's
// link code, so the simulator is checked on its own.
class RawClient
{
public:
    RawClient() { WSADATA d; ::WSAStartup(MAKEWORD(2, 2), &d); }
    ~RawClient()
    {
        Close();
        ::WSACleanup();
    }
    bool Connect(int port)
    {
        Close();
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons((u_short)port);
        m_deframer.Reset();
        return ::connect(m_socket, (sockaddr*)&a, sizeof(a)) == 0;
    }
    void Close()
    {
        if (m_socket != INVALID_SOCKET)
            ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    void Send(const SimMessage& m)
    {
        Bytes wire = SimFrame(m.Encode());
        ::send(m_socket, (const char*)wire.data(), (int)wire.size(), 0);
    }
    // The next message from the device; false on time-out or closed link.
    bool Receive(SimMessage* out, DWORD ms = 2000)
    {
        DWORD deadline = ::GetTickCount() + ms;
        while (m_frames.empty())
        {
            DWORD now = ::GetTickCount();
            if ((LONG)(now - deadline) >= 0)
                return false;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(m_socket, &set);
            timeval tv = { 0, 20000 };
            if (::select(0, &set, NULL, NULL, &tv) <= 0)
                continue;
            BYTE buffer[512];
            int n = ::recv(m_socket, (char*)buffer, sizeof(buffer), 0);
            if (n <= 0)
            {
                m_closed = true;
                return false;
            }
            m_deframer.Feed(buffer, (size_t)n, &m_frames);
        }
        Bytes raw = m_frames.front();
        m_frames.erase(m_frames.begin());
        m_lastRaw = raw;
        return SimMessage::Decode(raw, out);
    }
    bool Closed() const { return m_closed; }
    const Bytes& LastRaw() const { return m_lastRaw; }

private:
    SOCKET m_socket = INVALID_SOCKET;
    SimDeframer m_deframer;
    std::vector<Bytes> m_frames;
    Bytes m_lastRaw;
    bool m_closed = false;
};

Bytes Address(DWORD offset)
{
    DWORD a = SIM_IMAGE_BASE + offset;
    return Bytes{ (BYTE)(a >> 24), (BYTE)(a >> 16), (BYTE)(a >> 8), (BYTE)a };
}

SimMessage Request(BYTE tag, const Bytes& data = Bytes())
{
    return SimMessage(SIM_REQUEST).Add(tag, data);
}

class SimulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port = sim.StartTcp();
        ASSERT_NE(0, port);
        ASSERT_TRUE(client.Connect(port));
    }
    void TearDown() override
    {
        client.Close();
        sim.Stop();
    }
    SimMessage Ask(const SimMessage& request)
    {
        client.Send(request);
        SimMessage answer;
        EXPECT_TRUE(client.Receive(&answer));
        return answer;
    }
    BYTE CauseOf(const SimMessage& m)
    {
        const Bytes* c = m.Find(TAG_CAUSE);
        return m.type == SIM_NEGATIVE && c && !c->empty() ? (*c)[0] : 0;
    }

    CDeviceSimulator sim;
    RawClient client;
    int port = 0;
};
}

TEST(SimMessageTest, EncodesInTagOrderWithChecksum)
{
    EXPECT_EQ((Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 }), Request(TAG_LOADER_VERSION).Encode());
    SimMessage m(SIM_REQUEST);
    m.Add(0xD1, Bytes{ 'a', 0 }).Add(0x46, Bytes{ 1 }).Add(0x42).Add(0x46, Bytes{ 2 });
    Bytes e = m.Encode();
    EXPECT_EQ((Bytes{ 0xA1, 0x0C, 0x42, 0x00, 0x46, 0x01, 0x01, 0x46, 0x01, 0x02, 0xD1, 0x02, 'a', 0x00 }),
              Bytes(e.begin(), e.end() - 1));
    unsigned sum = 0;
    for (BYTE b : e)
        sum += b;
    EXPECT_EQ(0u, sum & 0xFF);

    SimMessage back;
    EXPECT_TRUE(SimMessage::Decode(e, &back));
    e[3] ^= 1;
    EXPECT_FALSE(SimMessage::Decode(e, &back));
    // An element whose length runs past the area is refused.
    EXPECT_FALSE(SimMessage::Decode(Bytes{ 0xA1, 0x02, 0x15, 0x05, 0x44 }, &back));
}

TEST_F(SimulatorTest, SystemInformationTellsWhatRuns)
{
    SimMessage answer = Ask(Request(TAG_LOADER_VERSION));
    EXPECT_EQ(SIM_POSITIVE, answer.type);
    EXPECT_EQ((Bytes{ 'L', '1', '.', '0', '7' }), *answer.Find(TAG_LOADER_VERSION));
    EXPECT_EQ((Bytes{ '3', '.', '0', '.', '0', '.', '5' }), *answer.Find(TAG_FIRMWARE_VERSION));
    // Running 2, control board 0x83, partition 1, value 0x00030005 as two
    // little-endian words, low word first.
    EXPECT_EQ((Bytes{ 0x02, 0x83, 0x01, 0x05, 0x00, 0x03, 0x00 }), *answer.Find(TAG_SYSTEM_INFO));
    ASSERT_TRUE(answer.Has(TAG_VOIP_VERSION));

    SimIdentity loader;
    loader.running = 1;
    loader.boardKind = 0x84;
    loader.boardNumber = 2;
    sim.SetIdentity(loader);
    answer = Ask(Request(TAG_LOADER_VERSION));
    EXPECT_FALSE(answer.Has(TAG_FIRMWARE_VERSION));
    EXPECT_EQ((Bytes{ 0x01, 0x84, 0x02 }), *answer.Find(TAG_SYSTEM_INFO));
}

TEST_F(SimulatorTest, PasswordIsCheckedAndCausesAreGiven)
{
    sim.SetPassword("1234", true);
    SimMessage dateTime = Request(TAG_DATE_TIME);
    EXPECT_EQ(CAUSE_LOGIN_REQUIRED, CauseOf(Ask(dateTime)));
    SimMessage wrong = dateTime;
    wrong.AddText(TAG_PASSWORD, "4321", true);
    EXPECT_EQ(CAUSE_LOGIN_REQUIRED, CauseOf(Ask(wrong)));
    SimMessage right = dateTime;
    right.AddText(TAG_PASSWORD, "1234", true);
    EXPECT_EQ(SIM_POSITIVE, Ask(right).type);
    // System information needs no password.
    EXPECT_EQ(SIM_POSITIVE, Ask(Request(TAG_LOADER_VERSION)).type);

    sim.RefuseNext(TAG_DATE_TIME, 0x94);
    EXPECT_EQ(0x94, CauseOf(Ask(right)));
    EXPECT_EQ(SIM_POSITIVE, Ask(right).type);
    sim.RefuseNext(0, 0x9C, 2);
    EXPECT_EQ(0x9C, CauseOf(Ask(Request(TAG_LAN_INFO))));
    EXPECT_EQ(0x9C, CauseOf(Ask(Request(TAG_KEEPALIVE))));
    EXPECT_EQ(SIM_POSITIVE, Ask(Request(TAG_KEEPALIVE)).type);
    EXPECT_EQ(CAUSE_UNKNOWN_REQUEST, CauseOf(Ask(Request(0x77))));

    // The new password takes effect.
    SimMessage change = Request(TAG_NEW_PASSWORD, Bytes{ '9', '9', 0 });
    change.AddText(TAG_PASSWORD, "1234", true);
    EXPECT_EQ(SIM_POSITIVE, Ask(change).type);
    EXPECT_EQ(CAUSE_LOGIN_REQUIRED, CauseOf(Ask(right)));
}

TEST_F(SimulatorTest, ResetDropsTheLinkAndTheDeviceComesBackInItsLoader)
{
    sim.SetRestart(100, true);
    SimMessage answer = Ask(Request(TAG_RESET));
    EXPECT_EQ(SimMessage(SIM_POSITIVE).Add(TAG_RESET).Encode(), answer.Encode());
    SimMessage none;
    EXPECT_FALSE(client.Receive(&none, 1000));
    EXPECT_TRUE(client.Closed());

    ASSERT_TRUE(client.Connect(port));
    SimMessage event;
    ASSERT_TRUE(client.Receive(&event));
    EXPECT_EQ(SIM_REQUEST, event.type);
    EXPECT_EQ((Bytes{ 0x83, 0x01 }), *event.Find(TAG_LOADER_RESTART));
    EXPECT_EQ(1, Ask(Request(TAG_LOADER_VERSION)).Find(TAG_SYSTEM_INFO)->at(0));
    client.Send(SimMessage(SIM_POSITIVE).Add(TAG_EVENT_ACK));

    // Switch to the firmware: answered, link dropped, back with the firmware.
    answer = Ask(Request(TAG_SWITCH_TO_FIRMWARE));
    EXPECT_TRUE(answer.Has(TAG_SWITCH_TO_FIRMWARE));
    ASSERT_TRUE(sim.WaitForConnections(1, 100));
    ::Sleep(150);
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Receive(&event));
    EXPECT_TRUE(event.Has(TAG_FIRMWARE_RESTART));
    EXPECT_TRUE(event.Has(TAG_FIRMWARE_VERSION));
    EXPECT_EQ(1, sim.Acks());
}

TEST_F(SimulatorTest, DownloadBlocksComeFromTheImage)
{
    Bytes image(SIM_IMAGE_SIZE);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = (BYTE)(i * 7 + (i >> 8));
    sim.SetImage(image);
    auto block = [&](DWORD offset) {
        SimMessage r = Request(TAG_DOWNLOAD_DATA);
        r.Add(TAG_ADDRESS, Address(offset));
        return r;
    };
    SimMessage answer = Ask(block(128));
    EXPECT_EQ(Bytes(image.begin() + 128, image.begin() + 256), *answer.Find(TAG_DOWNLOAD_DATA));
    EXPECT_EQ(Address(128), *answer.Find(TAG_ADDRESS));
    // The last block holds the last 4 bytes only; behind the image: refused.
    answer = Ask(block(484864));
    EXPECT_EQ(Bytes(image.end() - 4, image.end()), *answer.Find(TAG_DOWNLOAD_DATA));
    EXPECT_EQ(CAUSE_REFUSED, CauseOf(Ask(block(SIM_IMAGE_SIZE))));

    // Faults: a lost block, a duplicate, two answers swapped, an address behind the image.
    SimFaults faults;
    faults.loseBlockAt = 256 + 1;
    faults.duplicateAnswer = 1;
    sim.SetFaults(faults);
    client.Send(block(256));
    client.Send(block(384));
    SimMessage a, b, c;
    ASSERT_TRUE(client.Receive(&a));
    ASSERT_TRUE(client.Receive(&b));
    EXPECT_EQ(Address(384), *a.Find(TAG_ADDRESS));
    EXPECT_EQ(Address(384), *b.Find(TAG_ADDRESS));
    faults = SimFaults();
    faults.swapAnswers = 1;
    faults.answerPastImage = 0;
    sim.SetFaults(faults);
    client.Send(block(0));
    client.Send(block(128));
    ASSERT_TRUE(client.Receive(&a));
    ASSERT_TRUE(client.Receive(&b));
    EXPECT_EQ(Address(128), *a.Find(TAG_ADDRESS));
    EXPECT_EQ(Address(0), *b.Find(TAG_ADDRESS));
    faults = SimFaults();
    faults.answerPastImage = 1;
    sim.SetFaults(faults);
    c = Ask(block(0));
    EXPECT_EQ(Address(SIM_IMAGE_SIZE + 128), *c.Find(TAG_ADDRESS));
}

TEST_F(SimulatorTest, UploadReplacesTheImageAndKeepsTheNetworkPartWhenAsked)
{
    Bytes before = sim.GetImage();
    auto start = [&](bool withoutNetwork) {
        SimMessage r = Request(TAG_UPLOAD_SIZE, Bytes{ 0x00, 0x07, 0x66, 0x04 });
        r.Add(TAG_ADDRESS, Address(0));
        if (withoutNetwork)
            r.Add(TAG_UPLOAD_FLAG, Bytes{ 1 });
        return r;
    };
    auto write = [&](DWORD offset, const Bytes& data) {
        SimMessage r = Request(TAG_UPLOAD_DATA, data);
        r.Add(TAG_ADDRESS, Address(offset));
        return Ask(r);
    };
    EXPECT_TRUE(Ask(start(true)).Has(TAG_UPLOAD_SIZE));
    EXPECT_EQ(Address(0), *write(0, Bytes(208, 0x11)).Find(TAG_ADDRESS));
    // The last block carries padding behind the image end.
    Bytes last(8, 0x22);
    EXPECT_EQ(Address(484864), *write(484864, last).Find(TAG_ADDRESS));
    sim.SetRestart(50, false);
    EXPECT_TRUE(Ask(Request(TAG_UPLOAD_STOP, Bytes{ 0 })).Has(TAG_UPLOAD_STOP));

    Bytes after = sim.GetImage();
    EXPECT_EQ(Bytes(4, 0x11), Bytes(after.begin(), after.begin() + 4));
    EXPECT_EQ(Bytes(before.begin() + 4, before.begin() + 256), Bytes(after.begin() + 4, after.begin() + 256))
        << "the network part stays";
    // What was not written is erased; the padding is dropped.
    EXPECT_EQ(Bytes(1000, 0xFF), Bytes(after.begin() + 256, after.begin() + 1256));
    EXPECT_EQ(Bytes(4, 0x22), Bytes(after.end() - 4, after.end()));
    EXPECT_EQ(SIM_IMAGE_SIZE, after.size());
}

TEST_F(SimulatorTest, LongAnswersAreSplitAt252BytesOfElementData)
{
    for (int i = 0; i < 32; ++i)
    {
        sim.data.cards[i].present = true;
        sim.data.cards[i].text = std::string(30, (char)('A' + i % 26));
    }
    SimMessage answer = Ask(Request(TAG_DIAG_CARD, Bytes{ 0 }));
    const Bytes* entries = answer.Find(TAG_DIAG_CARD);
    ASSERT_TRUE(entries);
    EXPECT_LE(entries->size(), 252u);
    // 35-byte entries: 7 fit; the program asks again from index 7.
    EXPECT_EQ(7u * 35u, entries->size());
    EXPECT_EQ(7, Ask(Request(TAG_DIAG_CARD, Bytes{ 7 })).Find(TAG_DIAG_CARD)->at(0));

    for (int i = 0; i < 30; ++i)
        sim.data.voipRows.push_back(Bytes(25, (BYTE)(i + 1)));
    client.Send(Request(TAG_DIAG_VOIP));
    size_t total = 0;
    for (;;)
    {
        SimMessage part;
        ASSERT_TRUE(client.Receive(&part));
        const Bytes* rows = part.Find(TAG_DIAG_VOIP);
        ASSERT_TRUE(rows);
        EXPECT_LE(rows->size(), 252u);
        EXPECT_EQ(0u, rows->size() % 25 == 0 ? 0u : (rows->size() - 13) % 25);
        total += rows->size();
        if (rows->size() >= 13 && (*rows)[rows->size() - 13] == 0)
            break;
    }
    EXPECT_EQ(30u * 25u + 13u, total);
}

TEST_F(SimulatorTest, LoaderWritesFlashAndStartsTheNewFirmware)
{
    sim.SetRestart(50, true);
    // The firmware cannot write flash: it restarts into its loader first.
    EXPECT_TRUE(Ask(Request(TAG_FLASH_START, Bytes{ 1 })).Has(TAG_RESET));
    ::Sleep(100);
    ASSERT_TRUE(client.Connect(port));
    SimMessage event;
    ASSERT_TRUE(client.Receive(&event));
    ASSERT_TRUE(event.Has(TAG_LOADER_RESTART));

    EXPECT_TRUE(Ask(Request(TAG_FLASH_START, Bytes{ 1 })).Has(TAG_FLASH_START));
    SimMessage block = Request(TAG_FLASH_DATA, Bytes(24, 0xAB));
    block.Add(TAG_FLASH_ADDRESS, Bytes{ 0x00, 0x01, 0x00, 0x00 });
    SimFaults faults;
    faults.eraseWaits = 1;
    sim.SetFaults(faults);
    EXPECT_TRUE(Ask(block).Has(TAG_FLASH_ERASE));
    EXPECT_EQ((Bytes{ 0x00, 0x01, 0x00, 0x00 }), *Ask(block).Find(TAG_FLASH_ADDRESS));
    EXPECT_TRUE(Ask(Request(TAG_FLASH_STOP)).Has(TAG_FLASH_STOP));
    sim.Lock();
    EXPECT_EQ(Bytes(24, 0xAB), sim.data.flash[0x10000]);
    sim.Unlock();

    ::Sleep(100);
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Receive(&event));
    EXPECT_TRUE(event.Has(TAG_FIRMWARE_RESTART));
}

TEST_F(SimulatorTest, AnnouncementIsStoredWithoutItsPadding)
{
    Bytes file(300, 0x55);
    const char riff[] = "RIFF";
    std::copy(riff, riff + 4, file.begin());
    file[4] = (300 - 8) & 0xFF;
    file[5] = (300 - 8) >> 8;
    file[6] = file[7] = 0;
    SimMessage start = Request(TAG_ANNOUNCEMENT_START, Bytes{ 2 });
    start.Add(TAG_ADDRESS, Bytes{ 0, 0, 0, 58 });
    EXPECT_TRUE(Ask(start).Has(TAG_ANNOUNCEMENT_START));
    for (DWORD pos = 0; pos < file.size(); pos += 208)
    {
        Bytes chunk(file.begin() + pos, file.begin() + std::min<size_t>(pos + 208, file.size()));
        chunk.resize((chunk.size() + 7) / 8 * 8, 0xFF);
        SimMessage block = Request(TAG_ANNOUNCEMENT_DATA, chunk);
        block.Add(TAG_ADDRESS, Bytes{ 0, 0, (BYTE)(pos >> 8), (BYTE)pos });
        SimMessage ack = Ask(block);
        EXPECT_TRUE(ack.Has(TAG_ANNOUNCEMENT_DATA));
        EXPECT_EQ((Bytes{ 0, 0, (BYTE)(pos >> 8), (BYTE)pos }), *ack.Find(TAG_ADDRESS));
    }
    EXPECT_TRUE(Ask(Request(TAG_ANNOUNCEMENT_STOP, Bytes{ 0 })).Has(TAG_ANNOUNCEMENT_STOP));
    sim.Lock();
    EXPECT_EQ(file, sim.data.announcements[2]);
    sim.Unlock();
}

TEST_F(SimulatorTest, CdrBlocksFollowTheRingAndABadRecordIsDropped)
{
    sim.Lock();
    for (int i = 0; i < 7; ++i)
        sim.data.cdrRecords.push_back(Bytes(SIM_CDR_RECORD, (BYTE)(i + 1)));
    sim.data.cdrPosition = 0x7FFFC0; // one record before the ring wraps
    sim.Unlock();
    auto follow = [&](BYTE count, DWORD position) {
        SimMessage r = Request(TAG_CDR_REQUEST, Bytes{ count });
        r.Add(TAG_CDR_POSITION, Bytes{ (BYTE)(position >> 24), (BYTE)(position >> 16), (BYTE)(position >> 8), (BYTE)position });
        return r;
    };
    SimMessage first = Ask(Request(TAG_CDR_REQUEST));
    EXPECT_EQ(192u, first.Find(TAG_CDR_REQUEST)->size());
    EXPECT_EQ((Bytes{ 0x00, 0x7F, 0xFF, 0xC0 }), *first.Find(TAG_CDR_POSITION));
    // Taking the block moves on, across the wrap.
    SimMessage second = Ask(follow(192, 0x7FFFC0));
    EXPECT_EQ((Bytes{ 0x00, 0x00, 0x00, 0x80 }), *second.Find(TAG_CDR_POSITION));
    EXPECT_EQ(4, second.Find(TAG_CDR_REQUEST)->at(0));
    // The program refuses record 2 of this block: record 1 is kept, 2 dropped.
    SimMessage refusal = follow(192, 0x80);
    refusal.type = SIM_NEGATIVE;
    refusal.Add(TAG_CAUSE, Bytes{ 0x99, 0x02 });
    SimMessage third = Ask(refusal);
    EXPECT_EQ((Bytes{ 0x00, 0x00, 0x01, 0x00 }), *third.Find(TAG_CDR_POSITION));
    EXPECT_EQ(6, third.Find(TAG_CDR_REQUEST)->at(0));
    EXPECT_EQ(128u, third.Find(TAG_CDR_REQUEST)->size());
    SimMessage last = Ask(follow(128, 0x100));
    EXPECT_TRUE(last.Find(TAG_CDR_REQUEST)->empty());
    EXPECT_FALSE(last.Has(TAG_CDR_POSITION));
}

TEST_F(SimulatorTest, MonitorTraceArrivesUnasked)
{
    ASSERT_TRUE(sim.WaitForConnections(1, 2000));
    std::string trace(300, 'x');
    ASSERT_TRUE(sim.SendTrace(trace));
    SimMessage a, b;
    ASSERT_TRUE(client.Receive(&a));
    ASSERT_TRUE(client.Receive(&b));
    EXPECT_EQ(252u, a.Find(TAG_MONITOR_START)->size());
    EXPECT_EQ(48u, b.Find(TAG_MONITOR_START)->size());
}
