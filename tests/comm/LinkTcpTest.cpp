#include <gtest/gtest.h>
#include "comm/CommMessages.h"
#include "comm/EngineStatus.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/TcpLink.h"
#include "base/AppSettings.h"
#include "tests/support/EngineFrame.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tools/devsim/DeviceSimulator.h"
#include <string>
#include <vector>

// The TCP link against the device simulator, and its socket functions
// against a plain loopback peer.

using devsim::Bytes;
using devsim::CDeviceSimulator;
using devsim::SimMessage;

namespace
{

const Bytes kSystemInfoRequest{ 0xA1, 0x02, 0x15, 0x00, 0x48 };

class LinkTcpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WinsockStartup());
        g_boxes.clear();
        CommSetErrorBox(RecordBox);
        CommSetLogSink(ThreadLog::Sink, &log);
        port = sim.StartTcp();
        ASSERT_NE(0, port);
        enginetest::UseLoopbackTcp(port);
    }
    void TearDown() override
    {
        CommClose();
        CLinkMessageRecorder::Pump(0);
        sim.Stop();
        WinsockCleanup();
        CommSetLogSink(NULL, NULL);
        CommSetErrorBox(NULL);
        g_Settings.SetDefaults();
    }
    bool WaitForState(int state) { return CLinkMessageRecorder::PumpUntil([&] { return CommState() == state; }, 3000); }
    bool Connect() { return CommInit(recorder.hwnd(), 1) && WaitForState(2); }

    ThreadLog log;
    CDeviceSimulator sim;
    CLinkMessageRecorder recorder;
    int port = 0;
};
}

TEST_F(LinkTcpTest, RequestAndAnswerAreByteExactThenPeerCloseEndsTheLinkWithOneStatus)
{
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(CLinkMessageRecorder::Send(kSystemInfoRequest));
    ASSERT_TRUE(sim.WaitForReceived(1, 3000));
    EXPECT_EQ((Bytes{ 0x7E, 0xA1, 0x02, 0x15, 0x00, 0x48, 0x7A }), sim.RawReceived());
    ASSERT_TRUE(recorder.WaitForFrames(1, 3000));
    SimMessage answer;
    ASSERT_TRUE(SimMessage::Decode(recorder.frames[0], &answer));
    EXPECT_TRUE(answer.Has(devsim::TAG_FIRMWARE_VERSION));

    sim.DropLink();
    ASSERT_TRUE(recorder.WaitForStatus(ENGINE_STATUS_LINK_STATE, 3000));
    EXPECT_EQ(0, TcpState());
    EXPECT_TRUE(log.Has("Connection closed"));
    // Neither the reader's next poll nor closing the link closes anything again.
    CLinkMessageRecorder::Pump(200);
    CommClose();
    CLinkMessageRecorder::Pump(50);
    EXPECT_EQ(1u, recorder.CountStatus(ENGINE_STATUS_LINK_STATE));
    EXPECT_EQ(0, recorder.statuses[0].result);
}

TEST_F(LinkTcpTest, RefusedConnectionFails)
{
    sim.Stop();
    // Refused at once or reported by the reader's poll: either way closed,
    // with one status.
    CommInit(recorder.hwnd(), 1);
    ASSERT_TRUE(WaitForState(0));
    EXPECT_TRUE(recorder.WaitForStatus(ENGINE_STATUS_LINK_STATE, 1000));
    CLinkMessageRecorder::Pump(50);
    EXPECT_EQ(1u, recorder.CountStatus(ENGINE_STATUS_LINK_STATE));
    int error = TcpLastError();
    EXPECT_TRUE(error == TCP_ERROR_CONNECT || error == TCP_ERROR_EXCEPTION) << error;

    ShowTcpError();
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ("strTcpError1", g_boxes[0].key);
    EXPECT_EQ("127.0.0.1:" + std::to_string(port), g_boxes[0].arg1);
}

namespace
{
// A plain loopback peer for the socket functions alone (no link threads):
// the test decides when it reads.
class TcpSocketTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WinsockStartup());
        listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(INVALID_SOCKET, listener);
        // A small receive window on the peer side, so the program's socket
        // fills up soon.
        int window = 16 * 1024;
        ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, (const char*)&window, sizeof(window));
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(0, ::bind(listener, (sockaddr*)&address, sizeof(address)));
        ASSERT_EQ(0, ::listen(listener, 4));
        int size = sizeof(address);
        ::getsockname(listener, (sockaddr*)&address, &size);
        enginetest::UseLoopbackTcp(ntohs(address.sin_port));
    }
    void TearDown() override
    {
        TcpClose();
        if (peer != INVALID_SOCKET)
            ::closesocket(peer);
        if (listener != INVALID_SOCKET)
            ::closesocket(listener);
        CLinkMessageRecorder::Pump(0);
        WinsockCleanup();
        g_Settings.SetDefaults();
    }
    // Connects as the link does and accepts the connection on the peer side.
    bool Connect()
    {
        if (!TcpConnect(recorder.hwnd()))
        {
            for (int i = 0; i < 50 && TcpState() == TCP_CONNECTING; ++i)
                TcpPoll(100);
        }
        if (TcpState() != TCP_CONNECTED)
            return false;
        peer = ::accept(listener, NULL, NULL);
        return peer != INVALID_SOCKET;
    }

    CLinkMessageRecorder recorder;
    SOCKET listener = INVALID_SOCKET;
    SOCKET peer = INVALID_SOCKET;
};

struct DrainArgs
{
    SOCKET socket;
    size_t expected;
    std::vector<BYTE> got;
};

// Reads slowly, so the program's socket fills up and has to wait.
DWORD WINAPI DrainSlowly(LPVOID param)
{
    DrainArgs* args = static_cast<DrainArgs*>(param);
    char buffer[16384];
    while (args->got.size() < args->expected)
    {
        int n = ::recv(args->socket, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        args->got.insert(args->got.end(), buffer, buffer + n);
        ::Sleep(1);
    }
    return 0;
}

std::vector<BYTE> Pattern(size_t size)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (BYTE)(i * 7 + (i >> 12));
    return bytes;
}
} // namespace

// A send the socket cannot take at once is finished, not cut off; a peer
// that then takes nothing for a second makes the send give up on what is
// left but the connection stays; only a real error ends it.
TEST_F(TcpSocketTest, SendWaitsForASlowPeerAStalledOneIsNoDisconnectButAResetIs)
{
    ASSERT_TRUE(Connect());
    const std::vector<BYTE> data = Pattern(12 * 1024 * 1024);
    DrainArgs args = { peer, data.size(), {} };
    HANDLE drain = ::CreateThread(NULL, 0, DrainSlowly, &args, 0, NULL);
    ASSERT_TRUE(drain != NULL);
    EXPECT_EQ((int)data.size(), TcpSend(data.data(), (int)data.size()));
    ::WaitForSingleObject(drain, 20000);
    ::CloseHandle(drain);
    EXPECT_TRUE(data == args.got);

    const std::vector<BYTE> stalled = Pattern(32 * 1024 * 1024);
    int sent = TcpSend(stalled.data(), (int)stalled.size());
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, (int)stalled.size());
    EXPECT_EQ(TCP_CONNECTED, TcpState());
    CLinkMessageRecorder::Pump(20);
    EXPECT_EQ(0u, recorder.CountStatus(ENGINE_STATUS_LINK_STATE));

    // The peer resets the connection: the next send fails and disconnects,
    // with one status.
    LINGER abort = { 1, 0 };
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, (const char*)&abort, sizeof(abort));
    ::closesocket(peer);
    peer = INVALID_SOCKET;
    const BYTE frame[] = { 0x7E, 0xA1, 0x02, 0x15, 0x00, 0x48, 0x7A };
    int result = 1;
    for (int i = 0; i < 20 && result != 0; ++i)
        result = TcpSend(frame, sizeof(frame));
    EXPECT_EQ(0, result);
    EXPECT_EQ(TCP_CLOSED, TcpState());
    ASSERT_TRUE(recorder.WaitForStatus(ENGINE_STATUS_LINK_STATE, 1000));
    TcpClose();
    CLinkMessageRecorder::Pump(20);
    EXPECT_EQ(1u, recorder.CountStatus(ENGINE_STATUS_LINK_STATE));
}
