#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include <algorithm>

using namespace enginetest;

// Transfers whose last block (or its acknowledgement) never arrives, and
// download blocks shorter than the block size: the transfer must end honestly
// without ever touching an address at or past the image end, and the image
// must hold nothing of an earlier transfer.

namespace
{
const DWORD kLastBlock = ENGINE_IMAGE_SIZE - ENGINE_IMAGE_SIZE % DOWNLOAD_BLOCK_SIZE; // 484864

Bytes DownloadAnswer(DWORD offset, const Bytes& data)
{
    return Msg(MSG_TYPE_POSITIVE, { { IE_DOWNLOAD_DATA, data }, { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE + offset) } });
}

// Runs a transfer against a device that answers every request at once,
// except the one at the image end, which it never answers. Returns the image
// offsets of every block request or block sent, in order.
std::vector<DWORD> RunLosingTheEnd(Harness& h, int transferState)
{
    std::vector<DWORD> offsets;
    h.Drive(
        [&] {
            const int state = h.engine.GetState();
            return state == transferState || state == ENGINE_UPLOAD_START;
        },
        [&](const Bytes& request) {
            if (SentElement(request, IE_UPLOAD_SIZE, nullptr))
            {
                h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_UPLOAD_SIZE, Be32(ENGINE_IMAGE_SIZE) } }));
                return;
            }
            const DWORD offset = SentAddress(request) - DEVICE_IMAGE_BASE;
            offsets.push_back(offset);
            Bytes data;
            if (SentElement(request, IE_UPLOAD_DATA, &data))
            {
                if (offset + data.size() >= ENGINE_IMAGE_SIZE)
                    return; // the acknowledgement of the last block is lost
                h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_ADDRESS, Be32(DEVICE_IMAGE_BASE + offset) } }));
                return;
            }
            if (offset == kLastBlock)
                return; // the answer to the last block is lost
            h.Deliver(DownloadAnswer(offset, Bytes(offset + DOWNLOAD_BLOCK_SIZE <= ENGINE_IMAGE_SIZE
                                                       ? DOWNLOAD_BLOCK_SIZE
                                                       : ENGINE_IMAGE_SIZE - offset,
                                                   0x00)));
        });
    return offsets;
}
} // namespace

TEST(ImageEndLoss, TransferWhoseLastBlockOrAcknowledgementNeverArrivesFailsAfterThreeRepeats)
{
    const Bytes record(ENGINE_IMAGE_SIZE, 0x00);
    for (int upload = 0; upload <= 1; ++upload)
    {
        Harness h(false);
        ASSERT_EQ(1, upload ? h.engine.StartDataUpload(record.data(), FALSE) : h.engine.StartDataDownload());
        const std::vector<DWORD> offsets = RunLosingTheEnd(h, upload ? ENGINE_UPLOAD_BLOCKS : ENGINE_DOWNLOAD);

        EXPECT_EQ(ENGINE_FAILED, h.engine.GetState()) << upload;
        EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_OPERATION_FAILED, 0)) << upload;
        EXPECT_FALSE(h.engine.IsTimerArmed()) << upload;
        // The first request and three repeats, nothing behind the image.
        ASSERT_FALSE(offsets.empty());
        const DWORD last = *std::max_element(offsets.begin(), offsets.end());
        EXPECT_EQ(upload ? last : kLastBlock, last);
        EXPECT_LT(last, ENGINE_IMAGE_SIZE);
        EXPECT_EQ(4, std::count(offsets.begin(), offsets.end(), last)) << upload;
    }
}

TEST(ImageEndLoss, ShortDownloadBlockLeavesNoBytesOfAnEarlierTransfer)
{
    Harness h;
    memset(g_EngineImage, 0x11, ENGINE_IMAGE_SIZE); // what an earlier transfer left
    ASSERT_EQ(1, h.engine.StartDataDownload());
    h.TakeSent();
    h.Deliver(DownloadAnswer(0, Bytes(100, 0x22)));

    EXPECT_TRUE(h.LogHas("Data IE too short (100)"));
    EXPECT_EQ(static_cast<DWORD>(DOWNLOAD_BLOCK_SIZE), h.engine.GetExpectedOffset());
    for (DWORD i = 0; i < 100; ++i)
        ASSERT_EQ(0x22, g_EngineImage[i]) << i;
    for (DWORD i = 100; i < ENGINE_IMAGE_SIZE; ++i)
        ASSERT_EQ(0xFF, g_EngineImage[i]) << i;
    h.engine.CancelDataDownload();
}
