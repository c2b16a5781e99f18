#include <gtest/gtest.h>
#include "comm/Framing.h"
#include "comm/Link.h"
#include "tests/support/LinkMessageRecorder.h"
#include <vector>

// An escape byte left open at the end of a frame (or of an abandoned one)
// never reaches into the next frame: its first 0x01 or 0x10 is that byte,
// not a start or end byte.

namespace
{
typedef std::vector<BYTE> Bytes;

std::vector<Bytes> Deframe(const Bytes& wire)
{
    CLinkMessageRecorder recorder;
    ResetReceiveState(true);
    CommSetNotifyWindow(recorder.hwnd());
    DeframeBytes(wire.data(), static_cast<int>(wire.size()));
    CLinkMessageRecorder::Pump(0);
    CommSetNotifyWindow(NULL);
    ResetReceiveState(true);
    return recorder.frames;
}
} // namespace

TEST(FrameEndEscape, OpenEscapeEndsWithItsFrame)
{
    // An escape just before the end byte: the frame ends there, without it.
    std::vector<Bytes> got = Deframe({ 0x7E, 0x41, 0xCD, 0x7A, 0x7E, 0x01, 0x10, 0x7A });
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(Bytes{ 0x41 }, got[0]);
    EXPECT_EQ((Bytes{ 0x01, 0x10 }), got[1]);

    // An escape in a frame that a start byte restarts.
    got = Deframe({ 0x7E, 0x41, 0xCD, 0x7E, 0x01, 0x7A });
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Bytes{ 0x01 }, got[0]);

    // An escape in a frame dropped after three silent ticks.
    CLinkMessageRecorder recorder;
    ResetReceiveState(true);
    CommSetNotifyWindow(recorder.hwnd());
    const Bytes stalled = { 0x7E, 0x41, 0xCD };
    DeframeBytes(stalled.data(), static_cast<int>(stalled.size()));
    for (int i = 0; i < 3; ++i)
        ComTimer(NULL, WM_TIMER, 0, 0);
    const Bytes next = { 0x7E, 0x10, 0x7A };
    DeframeBytes(next.data(), static_cast<int>(next.size()));
    CLinkMessageRecorder::Pump(0);
    CommSetNotifyWindow(NULL);
    ResetReceiveState(true);
    ASSERT_EQ(1u, recorder.frames.size());
    EXPECT_EQ(Bytes{ 0x10 }, recorder.frames[0]);
}
