#include <gtest/gtest.h>
#include "comm/CommMessages.h"
#include "comm/Framing.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tools/devsim/SimMessage.h"
#include <string>
#include <vector>

using devsim::Bytes;

namespace
{
typedef std::vector<Bytes> Pieces;

int CapturePiece(const BYTE* bytes, int length, void* context)
{
    static_cast<Pieces*>(context)->push_back(Bytes(bytes, bytes + length));
    return length;
}

Pieces Frame(const Bytes& message)
{
    Pieces pieces;
    WriteFramedMessage(message.data(), (int)message.size(), CapturePiece, &pieces, 0);
    return pieces;
}

// The deframer posts to the link's notify window: a recorder stands in for
// the main frame.
class DeframerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetReceiveState(true);
        CommSetNotifyWindow(recorder.hwnd());
    }
    void TearDown() override
    {
        ResetReceiveState(true);
        CommSetNotifyWindow(NULL);
        CommSetLogSink(NULL, NULL);
    }
    void Feed(const Bytes& bytes) { DeframeBytes(bytes.data(), (int)bytes.size()); }
    std::vector<Bytes> Received()
    {
        CLinkMessageRecorder::Pump(0);
        return recorder.frames;
    }

    CLinkMessageRecorder recorder;
};
}

TEST(FramingTest, SpecialBytesAreEscapedAndLongMessagesLeaveInSixtyBytePieces)
{
    EXPECT_EQ((Pieces{ { 0x7E, 0xCD, 0x01, 0xCD, 0x10, 0xCD, 0xCD, 0x41, 0x7A } }), Frame(Bytes{ 0x7E, 0x7A, 0xCD, 0x41 }));

    // 61 plain bytes: start byte and 59 message bytes, then 2 bytes and the end.
    Pieces pieces = Frame(Bytes(61, 0x41));
    ASSERT_EQ(2u, pieces.size());
    EXPECT_EQ(60u, pieces[0].size());
    EXPECT_EQ((Bytes{ 0x41, 0x41, 0x7A }), pieces[1]);

    // Escapes never make a piece longer than 61 bytes, and the pieces
    // together are exactly what the device expects.
    Bytes worst;
    for (int i = 0; i < 258; ++i)
        worst.push_back(i % 2 ? 0x7E : 0xCD);
    Bytes joined;
    for (const Bytes& p : Frame(worst))
    {
        EXPECT_LE(p.size(), 61u);
        joined.insert(joined.end(), p.begin(), p.end());
    }
    EXPECT_EQ(devsim::SimFrame(worst), joined);
}

TEST_F(DeframerTest, StreamsBecomeWholeMessages)
{
    struct Case { const char* what; Bytes wire; std::vector<Bytes> messages; bool windowless; };
    const Case cases[] = {
        { "escaped start", { 0x7E, 0xCD, 0x01, 0x7A }, { { 0x7E } } },
        { "escaped end and escape", { 0x7E, 0xCD, 0x10, 0xCD, 0xCD, 0x7A }, { { 0x7A, 0xCD } } },
        { "escape before any byte dropped", { 0x7E, 0xCD, 0x55, 0x7A }, { { 0x55 } } },
        { "start inside a frame restarts it", { 0x7E, 0x11, 0x22, 0x7E, 0x33, 0x7A }, { { 0x33 } } },
        { "bytes outside frames ignored", { 0x00, 0x7A, 0xCD, 0x01, 0x41, 0x7E, 0x42, 0x7A, 0x7A, 0x10, 0xCD }, { { 0x42 } } },
        // An escape left open ends with its frame: the next frame's first
        // 0x01 or 0x10 is that byte, not a start or end byte.
        { "open escape before the end", { 0x7E, 0x41, 0xCD, 0x7A, 0x7E, 0x01, 0x10, 0x7A }, { { 0x41 }, { 0x01, 0x10 } } },
        { "open escape in a restarted frame", { 0x7E, 0x41, 0xCD, 0x7E, 0x01, 0x7A }, { { 0x01 } } },
        { "frame with no window freed, not kept", devsim::SimFrame(Bytes{ 1, 2, 3 }), {}, true },
    };
    for (const Case& c : cases)
    {
        recorder.frames.clear();
        CommSetNotifyWindow(c.windowless ? NULL : recorder.hwnd());
        Feed(c.wire);
        CommSetNotifyWindow(recorder.hwnd());
        std::vector<Bytes> got = Received();
        EXPECT_EQ(c.messages, got) << c.what;
    }
}

TEST_F(DeframerTest, LongestMessageIs257Bytes)
{
    Bytes longest(257, 0x44);
    Feed(devsim::SimFrame(Bytes(258, 0x45)));
    Feed(devsim::SimFrame(longest));
    // After an overlong frame the bytes up to the next start are ignored.
    Feed(Bytes{ 0x46, 0x7A });
    EXPECT_EQ((std::vector<Bytes>{ longest }), Received());
}

TEST_F(DeframerTest, StalledFrameIsDroppedAfterThreeTicks)
{
    ThreadLog log;
    CommSetLogSink(ThreadLog::Sink, &log);
    Feed(Bytes{ 0x7E, 0x01, 0x02 });
    ComTimer(NULL, WM_TIMER, 0, 0);
    ComTimer(NULL, WM_TIMER, 0, 0);
    // A byte resets the idle count.
    Feed(Bytes{ 0x03, 0xCD });
    ComTimer(NULL, WM_TIMER, 0, 0);
    ComTimer(NULL, WM_TIMER, 0, 0);
    EXPECT_TRUE(log.lines.empty());
    ComTimer(NULL, WM_TIMER, 0, 0);
    EXPECT_EQ((std::vector<std::string>{ "Communication timeout" }), log.lines);
    // The rest of the stalled frame is noise outside a frame, and its open
    // escape is gone with it.
    Feed(Bytes{ 0x04, 0x7A, 0x7E, 0x10, 0x7A });
    EXPECT_EQ((std::vector<Bytes>{ Bytes{ 0x10 } }), Received());
}
