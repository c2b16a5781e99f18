#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include "record/ConfigRecord.h"
#include <algorithm>
#include <set>

using namespace enginetest;

namespace
{
struct Block
{
    DWORD offset;
    Bytes data;
};

// The device's side of an upload: takes the start, stores each block at its
// address and acknowledges it, acknowledges the stop.
struct UploadDevice
{
    Bytes image = Bytes(ENGINE_IMAGE_SIZE + 16, 0xFF);
    std::vector<Block> blocks;
    int loseLastAcks = 0; // acknowledgements of the block at the image end to lose
    int resetAnswers = 0; // start requests answered with a restart
    int starts = 0;
    int stops = 0;
    Bytes startRequest;

    void Run(Harness& h, int maxSteps = 20000)
    {
        h.Drive(
            [&] {
                const int state = h.engine.GetState();
                return state == ENGINE_UPLOAD_START || state == ENGINE_UPLOAD_BLOCKS;
            },
            [&](const Bytes& request) { Answer(h, request); }, maxSteps);
    }

    void Answer(Harness& h, const Bytes& request)
    {
        Bytes data;
        if (SentElement(request, IE_UPLOAD_SIZE, nullptr))
        {
            ++starts;
            startRequest = request;
            if (resetAnswers > 0)
            {
                --resetAnswers;
                h.Positive({ { IE_RESET, {} } });
                return;
            }
            h.Positive({ { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) } });
            return;
        }
        if (SentElement(request, IE_UPLOAD_DATA, &data))
        {
            const DWORD offset = SentAddress(request) - DEVICE_IMAGE_BASE;
            if (offset > ENGINE_IMAGE_SIZE + 16 - data.size())
            {
                ADD_FAILURE() << "block outside the image at " << std::hex << SentAddress(request);
                return;
            }
            blocks.push_back({ offset, data });
            std::copy(data.begin(), data.end(), image.begin() + offset);
            if (loseLastAcks > 0 && offset + data.size() >= ENGINE_IMAGE_SIZE)
            {
                --loseLastAcks;
                return;
            }
            h.Positive({ { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE + offset) } });
            return;
        }
        if (SentElement(request, IE_UPLOAD_STOP, &data))
        {
            ++stops;
            EXPECT_EQ(Bytes{ 0 }, data);
            h.Positive({ { IE_UPLOAD_STOP, { 0 } } });
        }
    }

    bool ImageIs(const BYTE* expected) const { return memcmp(image.data(), expected, ENGINE_IMAGE_SIZE) == 0; }
};

// A document record: every byte set except an erased run.
Bytes SampleRecord()
{
    Bytes record(ENGINE_IMAGE_SIZE);
    for (DWORD i = 0; i < ENGINE_IMAGE_SIZE; ++i)
        record[i] = static_cast<BYTE>((i * 13 + 5) % 251);
    std::fill(record.begin() + 1003, record.begin() + 3001, 0xFF);
    return record;
}

Bytes FixedHeader(Bytes record)
{
    const DWORD word = ConfigFormatWord;
    memcpy(record.data(), &word, 4);
    record[4] = record[5] = 0xFF;
    return record;
}
} // namespace

TEST(TransferUpload, WholeImageArrivesByteExactInPageCutBlocks)
{
    Harness h(false);
    h.engine.SetPassword("pw");
    UploadDevice device;
    Bytes record = SampleRecord();
    EXPECT_EQ(0, h.engine.StartDataUpload(nullptr, FALSE)); // no record: nothing sent
    ASSERT_EQ(1, h.engine.StartDataUpload(record.data(), FALSE));
    device.Run(h);

    EXPECT_EQ((Bytes{ 0xA1, 0x11, 0x40, 0x04, 0x00, 0x07, 0x66, 0x04, 0x46, 0x04, 0x60, 0x00, 0x00, 0x00, 0xD1, 0x03,
                      'p', 'w', 0x00 }),
              Bytes(device.startRequest.begin(), device.startRequest.end() - 1));
    const Bytes expected = FixedHeader(record);
    EXPECT_TRUE(device.ImageIs(expected.data()));
    EXPECT_EQ(ENGINE_UPLOAD_RESTART_AFTER, h.engine.GetState());
    EXPECT_EQ(1, device.stops);

    for (const Block& block : device.blocks)
    {
        const DWORD address = DEVICE_IMAGE_BASE + block.offset;
        ASSERT_EQ(0u, block.offset % 8);
        ASSERT_EQ(address >> 16, (address + block.data.size() - 1) >> 16) << block.offset;
        ASSERT_LT(block.offset, ENGINE_IMAGE_SIZE);
        // The erased run is skipped on 8-byte bounds.
        ASSERT_FALSE(block.offset > 1008 && block.offset < 3000) << block.offset;
    }
    // A block is cut at the first 64 KiB page end.
    auto cut = std::find_if(device.blocks.begin(), device.blocks.end(),
                            [](const Block& b) { return b.offset + b.data.size() == 65536; });
    ASSERT_TRUE(cut != device.blocks.end());
    EXPECT_EQ(65536u, (cut + 1)->offset);
    // The last block ends with the image's last byte and four bytes of padding.
    const Block& last = device.blocks.back();
    EXPECT_EQ(ENGINE_IMAGE_SIZE + 4, last.offset + last.data.size());
    EXPECT_EQ((Bytes{ 0xFF, 0xFF, 0xFF, 0xFF }), Bytes(last.data.end() - 4, last.data.end()));
    EXPECT_EQ(record[ENGINE_IMAGE_SIZE - 1], *(last.data.end() - 5));

    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_PROGRESS, 100));
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK));
    h.frame.Take();

    // The device restarts with its new configuration; the link comes back.
    EXPECT_EQ(g_Settings.CommunicationTimeoutSwitchToFirmware, h.timer.armedMs);
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_LINK_STATE, 0, false }, { ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, false } }), h.frame.Take());
    EXPECT_EQ((Bytes{ 0xA1, 0x02, 0x15, 0x00, 0x48 }), h.OnlySent());
}

TEST(TransferUpload, ErasedTailIsNotSentAndLostLastAcknowledgementsAreRepeatedWithinTheImage)
{
    // An erased tail: the last acknowledgement leads to the stop. Lost
    // acknowledgements at the image end: the last block goes out again, and
    // after three repeats the upload fails.
    for (int lostAcks = 0; lostAcks <= 4; lostAcks += 2)
    {
        const bool fails = lostAcks > 3;
        Harness h(false);
        UploadDevice device;
        Bytes record = SampleRecord();
        if (!lostAcks)
            std::fill(record.begin() + 400000, record.end(), 0xFF);
        device.loseLastAcks = lostAcks;
        h.engine.StartDataUpload(record.data(), FALSE);
        device.Run(h);

        EXPECT_TRUE(device.ImageIs(FixedHeader(record).data()));
        EXPECT_EQ(fails ? 0 : 1, device.stops);
        EXPECT_TRUE(fails ? h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0)
                          : h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK)) << lostAcks;
        EXPECT_FALSE(fails && h.engine.IsTimerArmed());
        const DWORD end = lostAcks ? ENGINE_IMAGE_SIZE : 400000;
        const Block& last = device.blocks.back();
        EXPECT_GT(last.offset + last.data.size(), end - 200);
        int lastSends = 0;
        for (const Block& block : device.blocks)
        {
            ASSERT_LT(block.offset, end);
            lastSends += block.offset == last.offset;
        }
        EXPECT_EQ(fails ? 4 : lostAcks + 1, lastSends) << lostAcks;
    }
}

TEST(TransferUpload, WithoutNetworkPartFlagsTheStartAndErasesTheHeaderArea)
{
    Harness h(false);
    UploadDevice device;
    Bytes record = SampleRecord();
    h.engine.StartDataUpload(record.data(), TRUE);
    device.Run(h);

    Bytes flag;
    ASSERT_TRUE(SentElement(device.startRequest, IE_UPLOAD_FLAG, &flag));
    EXPECT_EQ(Bytes{ 1 }, flag);
    Bytes expected = FixedHeader(record);
    std::fill(expected.begin() + 4, expected.begin() + 256, 0xFF);
    EXPECT_TRUE(device.ImageIs(expected.data()));
    EXPECT_EQ(0x1A, device.image[0]);
}

TEST(TransferUpload, DeviceRestartBeforeTheUploadThenATimeOut)
{
    Harness h;
    UploadDevice device;
    device.resetAnswers = 1;
    Bytes record = SampleRecord();
    h.engine.StartDataUpload(record.data(), TRUE);
    device.Answer(h, h.TakeSent()[0]);
    EXPECT_EQ(ENGINE_UPLOAD_RESTART_BEFORE, h.engine.GetState());
    EXPECT_EQ(1, h.link.disconnects);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_LINK_STATE, 0));
    EXPECT_EQ(g_Settings.CommunicationTimeoutSwitchToLoader, h.timer.armedMs);

    // The link comes back and the start is repeated, still without network.
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(1, h.link.reconnects);
    EXPECT_EQ(ENGINE_UPLOAD_START, h.engine.GetState());
    EXPECT_TRUE(h.engine.GetBusy() & BUSY_UPLOAD_RESTARTED);
    EXPECT_TRUE(SentElement(h.OnlySent(), IE_UPLOAD_FLAG, nullptr));

    // A second restart answer ends the upload, without an old cause.
    h.engine.GetDateTime();
    h.Refuse({ 0x85 });
    ASSERT_STREQ("85", h.engine.GetCauseText());
    h.engine.StartDataUpload(record.data(), FALSE);
    for (int restart = 0; restart < 2; ++restart)
    {
        h.Fire(restart); // the wait after the first restart
        h.frame.Take();
        device.resetAnswers = 1;
        device.Answer(h, h.TakeSent().back());
    }
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_NEGATIVE));
    EXPECT_STRNE("85", h.engine.GetCauseText());
}

TEST(TransferUpload, LateVersionAnswerIsStoredAndTheUploadGoesOn)
{
    Harness h(false);
    UploadDevice device;
    Bytes record = SampleRecord();
    h.engine.StartDataUpload(record.data(), FALSE);
    device.Answer(h, h.TakeSent()[0]);
    ASSERT_EQ(ENGINE_UPLOAD_BLOCKS, h.engine.GetState());
    h.Positive({ { IE_FIRMWARE_VERSION, Text("3.0.0.6") } });
    EXPECT_STREQ("3.0.0.6", h.engine.GetFirmwareVersion());
    device.Run(h);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK));
    EXPECT_TRUE(device.ImageIs(FixedHeader(record).data()));
}

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
    h.Positive({ { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE) } });
    // Its time-out fires while the prompt is open, and the next block is
    // refused too.
    if (h.timer.armed)
        h.engine.OnTimeout(h.timer.armed);
    h.Refuse({ 0x92 });
    script->sentDuringPrompt = h.TakeSent();
}
} // namespace

TEST(UploadLoginPrompt, SeveralRefusalsInFlightAskOnceAndTheRewindSendsAgain)
{
    Harness h(false);
    g_Settings.DataReadWriteMaxPendingRequests = 3;
    const Bytes record(ENGINE_IMAGE_SIZE, 0x00);
    ASSERT_EQ(1, h.engine.StartDataUpload(record.data(), FALSE));
    h.Positive({ { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) } });
    ASSERT_TRUE(h.Fire(2));
    ASSERT_EQ(4u, h.TakeSent().size()); // the start and three blocks
    ASSERT_EQ(3u, h.engine.GetPendingRequests());

    PromptScript script{ &h, {} };
    h.frame.duringPrompt = &AnswersAndTimeoutDuringPrompt;
    h.frame.promptContext = &script;
    h.Refuse({ 0x92 });
    h.frame.duringPrompt = nullptr;

    EXPECT_EQ(1, h.frame.passwordPrompts);
    // Inside the prompt only the block the acknowledgement made room for.
    ASSERT_EQ(1u, script.sentDuringPrompt.size());
    EXPECT_EQ(DEVICE_IMAGE_BASE + 3 * 208, SentAddress(script.sentDuringPrompt[0]));
    // After it, the rewind: the second block again, quietly counted.
    const Bytes again = h.OnlySent();
    EXPECT_EQ(DEVICE_IMAGE_BASE + 208, SentAddress(again));
    EXPECT_EQ(ENGINE_UPLOAD_BLOCKS, h.engine.GetState());
    EXPECT_EQ(1, h.engine.GetRetries());
    EXPECT_TRUE(h.engine.IsTimerArmed());

    // The device now takes everything: the upload ends well.
    UploadDevice device;
    device.Answer(h, again);
    device.Run(h);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK));
    EXPECT_EQ(1, h.frame.passwordPrompts);
    g_Settings.SetDefaults();
}
