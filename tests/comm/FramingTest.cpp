#include <gtest/gtest.h>
#include "comm/CommMessages.h"
#include "comm/Framing.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tools/devsim/SimMessage.h"
#include <cstdlib>
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

Bytes Joined(const Pieces& pieces)
{
    Bytes all;
    for (const Bytes& p : pieces)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct LogLines
{
    std::vector<std::string> lines;
    static void Sink(const char* text, COLORREF color, void* context)
    {
        static_cast<LogLines*>(context)->lines.push_back(text + std::string(color == 0x0000FF ? "" : " (colour)"));
    }
};

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

TEST(FramingTest, SpecialBytesAreEscaped)
{
    Pieces pieces = Frame(Bytes{ 0x7E, 0x7A, 0xCD, 0x41 });
    ASSERT_EQ(1u, pieces.size());
    EXPECT_EQ((Bytes{ 0x7E, 0xCD, 0x01, 0xCD, 0x10, 0xCD, 0xCD, 0x41, 0x7A }), pieces[0]);
}

TEST(FramingTest, SystemInformationRequestGoesOutAsOneFrame)
{
    Pieces pieces = Frame(Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 });
    ASSERT_EQ(1u, pieces.size());
    EXPECT_EQ((Bytes{ 0x7E, 0xA1, 0x02, 0x15, 0x00, 0x48, 0x7A }), pieces[0]);
}

TEST(FramingTest, LongMessageLeavesInSixtyBytePieces)
{
    // 61 plain bytes: start byte and 59 message bytes, then 2 bytes and the end.
    Bytes message(61, 0x41);
    Pieces pieces = Frame(message);
    ASSERT_EQ(2u, pieces.size());
    EXPECT_EQ(60u, pieces[0].size());
    EXPECT_EQ(0x7E, pieces[0][0]);
    EXPECT_EQ((Bytes{ 0x41, 0x41, 0x7A }), pieces[1]);

    // Escapes never make a piece longer than 61 bytes, and the pieces
    // together are exactly what the device expects.
    Bytes worst;
    for (int i = 0; i < 258; ++i)
        worst.push_back(i % 2 ? 0x7E : 0xCD);
    Pieces escaped = Frame(worst);
    for (const Bytes& p : escaped)
        EXPECT_LE(p.size(), 61u);
    EXPECT_EQ(devsim::SimFrame(worst), Joined(escaped));
}

TEST_F(DeframerTest, UnescapesAndPostsWholeMessages)
{
    Feed(Bytes{ 0x7E, 0xCD, 0x01, 0x7A });
    Feed(Bytes{ 0x7E, 0xCD, 0x10, 0xCD, 0xCD, 0x7A });
    // An escape before any other byte is dropped.
    Feed(Bytes{ 0x7E, 0xCD, 0x55, 0x7A });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(Bytes{ 0x7E }, got[0]);
    EXPECT_EQ((Bytes{ 0x7A, 0xCD }), got[1]);
    EXPECT_EQ(Bytes{ 0x55 }, got[2]);
}

TEST_F(DeframerTest, StartByteInsideFrameRestartsIt)
{
    Feed(Bytes{ 0x7E, 0x11, 0x22, 0x7E, 0x33, 0x7A });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Bytes{ 0x33 }, got[0]);
}

TEST_F(DeframerTest, BytesOutsideFramesAreIgnored)
{
    Feed(Bytes{ 0x00, 0x7A, 0xCD, 0x01, 0x41, 0x7E, 0x42, 0x7A, 0x7A, 0x10, 0xCD });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Bytes{ 0x42 }, got[0]);
}

TEST_F(DeframerTest, FrameSplitAcrossChunksArrivesWhole)
{
    Bytes message{ 0xA2, 0x04, 0x15, 0x02, 0x7E, 0xCD, 0x00 };
    Bytes wire = devsim::SimFrame(message);
    for (BYTE b : wire)
        Feed(Bytes{ b });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(message, got[0]);
}

TEST_F(DeframerTest, LongestMessageIs257Bytes)
{
    Bytes longest(257, 0x44);
    Bytes overlong(258, 0x45);
    Feed(devsim::SimFrame(overlong));
    Feed(devsim::SimFrame(longest));
    // After an overlong frame the bytes up to the next start are ignored.
    Feed(Bytes{ 0x46, 0x7A });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(longest, got[0]);
}

TEST_F(DeframerTest, StalledFrameIsDroppedAfterThreeTicks)
{
    LogLines log;
    CommSetLogSink(LogLines::Sink, &log);
    Feed(Bytes{ 0x7E, 0x01, 0x02 });
    ComTimer(NULL, WM_TIMER, 0, 0);
    ComTimer(NULL, WM_TIMER, 0, 0);
    // A byte resets the idle count.
    Feed(Bytes{ 0x03 });
    ComTimer(NULL, WM_TIMER, 0, 0);
    ComTimer(NULL, WM_TIMER, 0, 0);
    EXPECT_TRUE(log.lines.empty());
    ComTimer(NULL, WM_TIMER, 0, 0);
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("Communication timeout", log.lines[0]);
    // The rest of the stalled frame is noise outside a frame.
    Feed(Bytes{ 0x04, 0x7A, 0x7E, 0x05, 0x7A });
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Bytes{ 0x05 }, got[0]);
}

TEST_F(DeframerTest, FrameWithNoWindowIsFreedNotLost)
{
    CommSetNotifyWindow(NULL);
    Feed(devsim::SimFrame(Bytes{ 1, 2, 3 }));
    CommSetNotifyWindow(recorder.hwnd());
    Feed(devsim::SimFrame(Bytes{ 4, 5 }));
    std::vector<Bytes> got = Received();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ((Bytes{ 4, 5 }), got[0]);
}

// Random and mutated streams: nothing crashes, nothing longer than 257 bytes
// is posted, and a good frame after the garbage arrives intact.
TEST_F(DeframerTest, GarbageNeverHidesTheNextGoodFrame)
{
    srand(1234);
    Bytes good{ 0xA2, 0x03, 0x16, 0x01, 0x7A, 0x6C };
    Bytes goodWire = devsim::SimFrame(good);
    for (int round = 0; round < 300; ++round)
    {
        Bytes noise;
        int n = rand() % 700;
        for (int i = 0; i < n; ++i)
        {
            int r = rand() % 10;
            noise.push_back(r == 0 ? 0x7E : r == 1 ? 0x7A : r == 2 ? 0xCD : (BYTE)rand());
        }
        if (round % 3 == 0)
        {
            // A mutated copy of a good frame, cut short.
            Bytes cut = goodWire;
            cut[rand() % cut.size()] ^= (BYTE)(1 + rand() % 255);
            cut.resize(1 + rand() % cut.size());
            noise.insert(noise.end(), cut.begin(), cut.end());
        }
        Feed(noise);
        // The good frame, fed in random chunk sizes.
        size_t pos = 0;
        while (pos < goodWire.size())
        {
            size_t chunk = 1 + rand() % 4;
            if (pos + chunk > goodWire.size())
                chunk = goodWire.size() - pos;
            DeframeBytes(goodWire.data() + pos, (int)chunk);
            pos += chunk;
        }
        std::vector<Bytes> got = Received();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(good, got.back()) << "round " << round;
        for (const Bytes& f : got)
            ASSERT_LE(f.size(), 257u);
        recorder.frames.clear();
    }
}
