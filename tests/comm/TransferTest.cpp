#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include "record/ConfigRecord.h"
#include <algorithm>
#include <map>
#include <set>

// The configuration image both ways, against a device played by the test.

using namespace enginetest;

namespace
{
const DWORD kRouting = 9544;
const DWORD kCompanion = 205276;

void Fill(Bytes& image, DWORD from, DWORD length, BYTE seed)
{
    for (DWORD i = 0; i < length; ++i)
        image[from + i] = static_cast<BYTE>((seed + i * 7) % 251); // never 0xFF
}

// A device image with three routing rules, ten companion entries, data in
// the fixed parts and in the unused space, and every other table empty.
Bytes SampleDeviceImage()
{
    Bytes image(ENGINE_IMAGE_SIZE, 0xFF);
    Fill(image, 0, kRouting, 1);
    Fill(image, kRouting, 3 * 64, 2);
    Fill(image, kCompanion, 10 * 64, 3);
    Fill(image, 145544, 155276 - 145544, 4);
    Fill(image, 269276, 287356 - 269276, 5);
    Fill(image, 287356, 393216 - 287356, 6); // unused space: never taken
    Fill(image, 393216, 512, 7);
    Fill(image, 484864, 4, 8);
    return image;
}

// The device's side of a download: answers each block request from its image
// at once, unless told to lose it.
struct DownloadDevice
{
    Bytes image = SampleDeviceImage();
    std::vector<DWORD> requested; // image offsets in request order
    std::multiset<DWORD> lose;    // offsets whose next answer is lost
    // Offsets whose next answer carries a data element of this many bytes:
    // the image's, then 0x22 behind the image end.
    std::map<DWORD, size_t> resize;

    Bytes Answer(DWORD offset)
    {
        Bytes data(image.begin() + offset, image.begin() + std::min<DWORD>(offset + DOWNLOAD_BLOCK_SIZE, ENGINE_IMAGE_SIZE));
        auto resized = resize.find(offset);
        if (resized != resize.end())
        {
            data.assign(image.begin() + offset, image.begin() + std::min<size_t>(offset + resized->second, ENGINE_IMAGE_SIZE));
            data.resize(resized->second, 0x22);
            resize.erase(resized);
        }
        return Msg(MSG_TYPE_POSITIVE, { { IE_DOWNLOAD_DATA, data }, { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE + offset) } });
    }

    // Answers what was sent; fires the timer when nothing was. Until the
    // download ends or the step limit.
    void Run(Harness& h, int maxSteps = 20000)
    {
        h.Drive([&] { return h.engine.GetState() == ENGINE_DOWNLOAD; },
                [&](const Bytes& request) {
                    const DWORD offset = SentAddress(request) - DEVICE_IMAGE_BASE;
                    requested.push_back(offset);
                    auto it = lose.find(offset);
                    if (it != lose.end())
                    {
                        lose.erase(it);
                        return;
                    }
                    h.Deliver(Answer(offset));
                },
                maxSteps);
    }
};

// What the program must end up with: the sample with the unread parts empty.
Bytes ExpectedDownload(const Bytes& device)
{
    Bytes expected = device;
    std::fill(expected.begin() + kCompanion + 4 * 64, expected.begin() + 269276, 0xFF);
    std::fill(expected.begin() + 287356, expected.begin() + 393216, 0xFF);
    return expected;
}

bool ImageEquals(const Bytes& expected)
{
    return memcmp(expected.data(), g_EngineImage, ENGINE_IMAGE_SIZE) == 0;
}
} // namespace

TEST(TransferDownload, BlockRequestIsExactBytes)
{
    Harness h;
    h.engine.SetPassword("pw");
    ASSERT_EQ(1, h.engine.StartDataDownload());
    EXPECT_EQ((std::vector<Bytes>{ Bytes{ 0xA1, 0x0D, 0x42, 0x00, 0x46, 0x04, 0x60, 0x00, 0x00, 0x00, 0xD1, 0x03, 'p', 'w', 0x00, 0xAB } }), h.TakeSent());
    EXPECT_EQ(g_Settings.DataReadWriteRequestDelay, h.timer.armedMs);
    EXPECT_TRUE(h.LogHas("Start data download"));
    EXPECT_EQ((std::vector<Status>{ { ENGINE_STATUS_TRANSFER_STARTED, 0, false }, { ENGINE_STATUS_DOWNLOAD_PROGRESS, 0, false } }), h.frame.Take());
}

TEST(TransferDownload, RequestsArePacedFromThePreviousRequestAndWithoutADelayFillTheWindow)
{
    Harness h(false);
    DownloadDevice device;
    const DWORD timeout = g_Settings.CommunicationTimeoutDataRead;

    // One request in flight, 25 ms pacing: an answer 10 ms after the request
    // waits the 15 ms left; one 30 ms after it is followed at once.
    g_Settings.DataReadWriteMaxPendingRequests = 1;
    ASSERT_EQ(1, h.engine.StartDataDownload());
    EXPECT_TRUE(h.timer.highResolution);
    h.OnlySent();
    h.timer.nowUs += 10000;
    h.Deliver(device.Answer(0));
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(15u, h.timer.armedMs);
    ASSERT_TRUE(h.Fire());
    h.OnlySent();
    EXPECT_EQ(timeout, h.timer.armedMs);
    h.timer.nowUs += 30000;
    h.Deliver(device.Answer(128));
    h.OnlySent();
    h.engine.CancelDataDownload();
    EXPECT_FALSE(h.timer.highResolution);

    // No delay: the window fills at once and every answer brings the next
    // request; the timer only times out answers.
    g_Settings.DataReadWriteMaxPendingRequests = 5;
    g_Settings.DataReadWriteRequestDelay = 0;
    ASSERT_EQ(1, h.engine.StartDataDownload());
    EXPECT_EQ(5u, h.TakeSent().size());
    EXPECT_EQ(timeout, h.timer.armedMs);
    h.Deliver(device.Answer(0));
    EXPECT_EQ(DEVICE_IMAGE_BASE + 5 * 128, SentAddress(h.OnlySent()));
    EXPECT_EQ(timeout, h.timer.armedMs);
    g_Settings.SetDefaults();
}

// Empty tables and the unused space are skipped: the routing table is read
// up to the block that shows rule 3 empty, then the CLIP table; of the
// unused space only the block at its second part's start.
TEST(TransferDownload, SkipsEmptyTablesAndReadsLostBlocksAgainWithoutAskingPastTheImage)
{
    struct Case { std::vector<DWORD> lost; std::vector<std::pair<DWORD, int>> asked; bool fails; };
    // After a lost block the next answers fail the address check: the block
    // after it is asked again too. The last block is repeated within the
    // image, and fails the download after three repeats.
    const Case cases[] = {
        { {}, { { 9728, 1 }, { 9856, 0 }, { 73472, 0 }, { 73544, 1 }, { 287452, 0 }, { 327680, 1 }, { 327808, 0 }, { 393088, 0 } }, false },
        { { 1280 }, { { 1280, 2 }, { 1408, 2 } }, false },
        { { 484864, 484864 }, { { 484864, 3 } }, false },
        { { 484864, 484864, 484864, 484864 }, { { 484864, 4 } }, true },
    };
    for (const Case& c : cases)
    {
        Harness h(false);
        memset(g_EngineImage, 0x11, ENGINE_IMAGE_SIZE); // an earlier transfer's bytes
        DownloadDevice device;
        device.lose.insert(c.lost.begin(), c.lost.end());
        h.engine.StartDataDownload();
        device.Run(h);
        if (c.fails)
        {
            EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0));
            EXPECT_FALSE(h.engine.IsTimerArmed());
        }
        else
        {
            EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK));
            EXPECT_TRUE(ImageEquals(ExpectedDownload(device.image)));
        }
        for (const auto& a : c.asked)
            EXPECT_EQ(a.second, std::count(device.requested.begin(), device.requested.end(), a.first)) << a.first;
        EXPECT_EQ(484864u, *std::max_element(device.requested.begin(), device.requested.end()));
    }
}

// A data element shorter or longer than the block is no block: nothing is
// taken, the download stays at the block and the time-out asks for it again.
// Only the last block may stop at the image end.
TEST(TransferDownload, BlockOfAnotherLengthIsMissingAndAskedAgainAndNegativeAnswersRewindThenFail)
{
    const struct
    {
        DWORD offset;
        size_t length;
        bool taken;
    } cases[] = {
        { 0, 100, false },      { 1024, 127, false },  { 0, 129, false },     { 1024, 200, false },
        { 484864, 3, false },   { 484864, 4, true },   { 484864, 128, true }, { 484864, 129, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.length);
        Harness h(false);
        memset(g_EngineImage, 0x11, ENGINE_IMAGE_SIZE); // what an earlier transfer left
        DownloadDevice device;
        device.resize[c.offset] = c.length;
        ASSERT_EQ(1, h.engine.StartDataDownload());
        device.Run(h);
        EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK));
        EXPECT_TRUE(ImageEquals(ExpectedDownload(device.image)));
        EXPECT_EQ(c.taken ? 1 : 2, std::count(device.requested.begin(), device.requested.end(), c.offset));
    }

    // The log names the length.
    Harness h;
    g_Settings.DataReadWriteMaxPendingRequests = 1;
    ASSERT_EQ(1, h.engine.StartDataDownload());
    h.Positive({ { IE_DOWNLOAD_DATA, Bytes(100, 0x22) }, { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE) } });
    h.Positive({ { IE_DOWNLOAD_DATA, Bytes(129, 0x22) }, { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE) } });
    EXPECT_TRUE(h.LogHas("Data IE too short (100)"));
    EXPECT_TRUE(h.LogHas("Data IE too long (129)"));
    EXPECT_EQ(0u, h.engine.GetExpectedOffset());
    g_Settings.SetDefaults();
    h.engine.CancelDataDownload();

    ASSERT_EQ(1, h.engine.StartDataDownload());
    // Refusals rewind three times, the fourth ends the download.
    for (int i = 0; i < 3; ++i)
        h.Refuse({ 0x8A });
    EXPECT_EQ(ENGINE_DOWNLOAD, h.engine.GetState());
    h.Refuse({ 0x8A });
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_NEGATIVE));
    EXPECT_STREQ("8A", h.engine.GetCauseText());
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
}

namespace
{
void RefuseAgainDuringPrompt(void* context)
{
    Harness* h = static_cast<Harness*>(context);
    h->Refuse({ 0x92 });
    h->engine.OnTimeout(h->timer.armed);
}
} // namespace

TEST(TransferDownload, RefusedPasswordWithSeveralRequestsInFlightAsksOnce)
{
    Harness h(false);
    DownloadDevice device;
    h.engine.StartDataDownload();
    h.Fire(2);
    h.TakeSent(); // three requests in flight
    h.frame.duringPrompt = &RefuseAgainDuringPrompt;
    h.frame.promptContext = &h;
    h.Refuse({ 0x92 });
    EXPECT_EQ(1, h.frame.passwordPrompts);

    // Accepted: the rewind asks again from the first block.
    EXPECT_EQ(DEVICE_IMAGE_BASE, SentAddress(h.OnlySent()));
    h.frame.duringPrompt = nullptr;
    h.Deliver(device.Answer(0));
    device.Run(h);
    EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK));
}

TEST(TransferImage, NextDownloadOffsetSkipRules)
{
    Bytes image(ENGINE_IMAGE_SIZE, 0x00);
    // Routing rule 3 empty: nothing to skip until record 4 begins to be read.
    std::fill(image.begin() + kRouting + 3 * 64, image.begin() + kRouting + 4 * 64, 0xFF);
    EXPECT_EQ(9800u, NextDownloadOffset(image.data(), 9800));
    EXPECT_EQ(73544u, NextDownloadOffset(image.data(), 9856));
    // The companion table follows the routing rules of the same index.
    EXPECT_EQ(269276u, NextDownloadOffset(image.data(), kCompanion + 4 * 64 + 1));
    // Unused space is always skipped, whole.
    EXPECT_EQ(327680u, NextDownloadOffset(image.data(), 287360));
    // Region starts and ends themselves are not inside.
    EXPECT_EQ(327680u, NextDownloadOffset(image.data(), 327680));
    EXPECT_EQ(9544u, NextDownloadOffset(image.data(), 9544));
    // A full table is read whole.
    EXPECT_EQ(400000u, NextDownloadOffset(image.data(), 400000));
}

TEST(TransferImage, ErasedRunsAndImageEnds)
{
    Bytes image(ENGINE_IMAGE_SIZE, 0x00);
    std::fill(image.begin() + 100, image.begin() + 140, 0xFF);
    EXPECT_EQ(136u, SkipErasedRun(image.data(), 100)); // last multiple of 8 inside the run
    EXPECT_EQ(139u, SkipErasedRun(image.data(), 139)); // no multiple of 8 inside the rest of the run
    std::fill(image.begin() + 484000, image.end(), 0xFF);
    EXPECT_EQ(ENGINE_IMAGE_SIZE, SkipErasedRun(image.data(), 484001));
    EXPECT_EQ(ENGINE_IMAGE_SIZE + 5, SkipErasedRun(image.data(), ENGINE_IMAGE_SIZE + 5));
    EXPECT_EQ(50u, SkipErasedRun(image.data(), 50));

    BYTE block[UPLOAD_BLOCK_SIZE];
    memset(image.data() + 484856, 0x5A, 12);
    EXPECT_EQ(16, CopyFromImage(image.data(), block, 484856, 208));
    EXPECT_EQ((Bytes{ 0x5A, 0xFF, 0xFF, 0xFF, 0xFF }), Bytes(block + 11, block + 16));
    EXPECT_EQ(8, CopyFromImage(image.data(), block, 484860, 208)) << "eight bytes are already a multiple of 8";
    EXPECT_EQ(4, CopyToImage(image.data(), block, 484864, 128));
}

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

TEST(TransferUpload, ErasedTailIsNotSentLostLastAcknowledgementsAreRepeatedAndWithoutNetworkErasesTheHeader)
{
    // An erased tail: the last acknowledgement leads to the stop. Lost
    // acknowledgements at the image end: the last block goes out again, and
    // after three repeats the upload fails. Without the network part (with
    // two lost acknowledgements) the start is flagged and the header area
    // after the format word erased.
    for (int lostAcks = 0; lostAcks <= 4; lostAcks += 2)
    {
        const bool fails = lostAcks > 3;
        const bool withoutNetwork = lostAcks == 2;
        Harness h(false);
        UploadDevice device;
        Bytes record = SampleRecord();
        if (!lostAcks)
            std::fill(record.begin() + 400000, record.end(), 0xFF);
        device.loseLastAcks = lostAcks;
        h.engine.StartDataUpload(record.data(), withoutNetwork);
        device.Run(h);

        Bytes expected = FixedHeader(record);
        if (withoutNetwork)
            std::fill(expected.begin() + 4, expected.begin() + 256, 0xFF);
        EXPECT_TRUE(device.ImageIs(expected.data())) << lostAcks;
        Bytes flag;
        EXPECT_EQ(withoutNetwork, SentElement(device.startRequest, IE_UPLOAD_FLAG, &flag) && flag == Bytes{ 1 });
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

// A version answer arriving inside a transfer is stored, and the transfer
// goes on to its end.
TEST(Transfer, LateVersionAnswerIsStoredAndTheTransferGoesOn)
{
    const Bytes record = SampleRecord();
    for (bool upload : { false, true })
    {
        Harness h(false);
        DownloadDevice download;
        UploadDevice device;
        ASSERT_EQ(1, upload ? h.engine.StartDataUpload(record.data(), FALSE) : h.engine.StartDataDownload());
        if (upload)
            device.Answer(h, h.TakeSent()[0]);
        else
            h.Deliver(download.Answer(0));
        h.Settle();
        h.Positive({ { IE_FIRMWARE_VERSION, Text("3.0.0.6") } });
        EXPECT_STREQ("3.0.0.6", h.engine.GetFirmwareVersion());
        EXPECT_EQ(upload ? ENGINE_UPLOAD_BLOCKS : ENGINE_DOWNLOAD, h.engine.GetState());
        if (upload)
            device.Run(h);
        else
            download.Run(h);
        EXPECT_TRUE(upload ? device.ImageIs(FixedHeader(record).data()) : ImageEquals(ExpectedDownload(download.image)));
    }
}
