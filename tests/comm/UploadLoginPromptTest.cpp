#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"

using namespace enginetest;

// An upload with several blocks in flight whose device asks for the password:
// one prompt only, whatever arrives while it is open, and the rewind after it
// sends again from the first unacknowledged block.

namespace
{
struct PromptScript
{
    Harness* h;
    std::vector<Bytes> sentDuringPrompt;
};

void AnswersAndTimeoutDuringPrompt(void* context)
{
    PromptScript* script = static_cast<PromptScript*>(context);
    Harness& h = *script->h;
    // The first block is acknowledged a pacing delay later: the full window
    // opens for one more.
    h.timer.nowUs += g_Settings.DataReadWriteRequestDelay * 1000ULL;
    h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE) } }));
    // Its time-out fires while the prompt is open, and the next block is
    // refused too.
    if (h.timer.armed)
        h.engine.OnTimeout(h.timer.armed);
    h.Deliver(Msg(MSG_TYPE_NEGATIVE, { { IE_CAUSE, { 0x92 } } }));
    script->sentDuringPrompt = h.TakeSent();
}
} // namespace

TEST(UploadLoginPrompt, SeveralRefusalsInFlightAskOnceAndTheRewindSendsAgain)
{
    Harness h(false);
    g_Settings.DataReadWriteMaxPendingRequests = 3;
    const Bytes record(ENGINE_IMAGE_SIZE, 0x00);
    ASSERT_EQ(1, h.engine.StartDataUpload(record.data(), FALSE));
    h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) } }));
    ASSERT_TRUE(h.Fire());
    ASSERT_TRUE(h.Fire());
    ASSERT_EQ(4u, h.TakeSent().size()); // the start and three blocks
    ASSERT_EQ(3u, h.engine.GetPendingRequests());

    PromptScript script{ &h, {} };
    h.frame.duringPrompt = &AnswersAndTimeoutDuringPrompt;
    h.frame.promptContext = &script;
    h.Deliver(Msg(MSG_TYPE_NEGATIVE, { { IE_CAUSE, { 0x92 } } }));
    h.frame.duringPrompt = nullptr;

    EXPECT_EQ(1, h.frame.passwordPrompts);
    // Inside the prompt only the block the acknowledgement made room for.
    ASSERT_EQ(1u, script.sentDuringPrompt.size());
    EXPECT_EQ(DEVICE_IMAGE_BASE + 3 * 208, SentAddress(script.sentDuringPrompt[0]));
    // After it, the rewind: the second block again, quietly counted.
    std::vector<Bytes> sent = h.TakeSent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(DEVICE_IMAGE_BASE + 208, SentAddress(sent[0]));
    EXPECT_EQ(ENGINE_UPLOAD_BLOCKS, h.engine.GetState());
    EXPECT_EQ(1, h.engine.GetRetries());
    EXPECT_TRUE(h.engine.IsTimerArmed());

    // The device now takes everything: the upload ends well.
    for (int step = 0; step < 20000 && h.engine.GetState() == ENGINE_UPLOAD_BLOCKS; ++step)
    {
        if (sent.empty() && !h.Fire())
            break;
        for (const Bytes& request : sent)
        {
            if (SentElement(request, IE_UPLOAD_STOP, nullptr))
                h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_UPLOAD_STOP, { 0 } } }));
            else
                h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_ADDRESS, Be32(SentAddress(request)) } }));
        }
        sent = h.TakeSent();
    }
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK));
    EXPECT_EQ(1, h.frame.passwordPrompts);
    g_Settings.SetDefaults();
}
