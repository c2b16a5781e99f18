#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"
#include "tests/support/TestFiles.h"
#include <cstring>
#include <string>

using namespace enginetest;

namespace
{
const char kPath[] = "cdr_download.csv";

// A well-formed device record: format 1, call type 1, 6.12.2026 10:<n>,
// caller "12<n>", called number "4<n>".
Bytes Record(int n)
{
    const BYTE digit = (BYTE)('0' + n % 10);
    Bytes r = { 1, 1, 6, 12, 26, 10, (BYTE)n, 0, 0, 0, 0, 0, 0, 0, 0, 3, '1', '2', digit, 2, '4', digit };
    r.resize(64, 0);
    return r;
}

Bytes Records(int first, int count)
{
    Bytes block;
    for (int i = 0; i < count; ++i)
    {
        Bytes r = Record(first + i);
        block.insert(block.end(), r.begin(), r.end());
    }
    return block;
}

class CdrDownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h.engine.SetPassword("pw");
        CCdrExportFile& file = h.engine.GetCdrExportFile();
        file.SetFormat(CDR_FORMAT_TEXT_SEMICOLON);
        ASSERT_TRUE(file.Open(kPath, DISKFILE_WRITE | DISKFILE_CREATE));
        file.BeginExport();
    }

    void TearDown() override
    {
        h.engine.GetCdrExportFile().Close();
        ::DeleteFileA(kPath);
    }

    // The file the export writes for these records, with the settings' header.
    static std::string Expected(int first, int count)
    {
        CCdrExportFile writer;
        writer.SetFormat(CDR_FORMAT_TEXT_SEMICOLON);
        char line[512];
        std::string text;
        if (g_Settings.CDRHeader)
        {
            writer.BuildLine(nullptr, line, sizeof(line));
            text += line;
        }
        for (int i = 0; i < count; ++i)
        {
            Bytes r = Record(first + i);
            CdrRecord record;
            writer.DecodeRecord(r.data(), 64, &record);
            writer.BuildLine(&record, line, sizeof(line));
            text += line;
        }
        return text;
    }

    static Bytes Request(BYTE count, DWORD position)
    {
        return Msg(MSG_TYPE_REQUEST, { { IE_CDR_REQUEST, Bytes{ count } },
                                       { IE_CDR_POSITION, Be32(position) },
                                       { IE_PASSWORD, Bytes{ 'p', 'w', 0 } } });
    }

    void Answer(const Bytes& block, DWORD position)
    {
        h.Positive({ { IE_CDR_REQUEST, block }, { IE_CDR_POSITION, Be32(position) } });
    }

    void Start()
    {
        ASSERT_EQ(1, h.engine.StartCdrDownload(FALSE));
        h.Settle();
    }

    Harness h;
};

TEST_F(CdrDownloadTest, ARestartOfTheDeviceEndsTheDownloadWithItsFileClosed)
{
    Start();
    h.Deliver(Msg(MSG_TYPE_REQUEST, { { IE_LOADER_RESTART, { 0x83, 0x00 } } }));
    EXPECT_FALSE(h.engine.GetCdrExportFile().IsOpen());
    EXPECT_EQ((Status{ ENGINE_STATUS_OPERATION_FAILED, ENGINE_RESULT_DEVICE_RESTARTED, false }), h.frame.Take().at(0));
}

TEST_F(CdrDownloadTest, EachRequestAcknowledgesTheLastBlockByCountAndPosition)
{
    Start();
    for (int b = 0; b < 3; ++b)
    {
        Answer(Records(3 * b, 3), 192 * b);
        EXPECT_EQ((std::vector<Bytes>{ Request(192, 192 * b) }), h.TakeSent()) << b;
    }
    h.Positive({ { IE_CDR_REQUEST, Bytes() } });
    EXPECT_EQ((std::vector<Status>{ { 152, 1, false } }), h.frame.Take());
    EXPECT_TRUE(h.LogHas("Got 9 CDR records"));
    EXPECT_EQ(Expected(0, 9), ReadWholeFile(kPath));
    EXPECT_EQ(ENGINE_READY, h.engine.GetState());
}

TEST_F(CdrDownloadTest, OnlyTheRingsWrapMayGoBack)
{
    Start();
    Answer(Records(0, 1), 0x7FFFC0);
    EXPECT_EQ(Request(64, 0x7FFFC0), h.TakeSent().at(0));
    Answer(Records(1, 1), 0); // the wrap
    EXPECT_EQ(Request(64, 0), h.TakeSent().at(0));
    Answer(Records(2, 2), 0x100);
    EXPECT_EQ(Request(128, 0x100), h.TakeSent().at(0));

    Answer(Records(4, 1), 0x40); // lower and no wrap
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.LogHas("Invalid address (00000040)"));
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ(Request(128, 0x100), h.TakeSent().at(0));
    EXPECT_EQ(1, h.engine.GetRetries());
    Answer(Records(4, 1), 0x100); // the same block again
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.LogHas("Invalid address (00000100)"));
    Answer(Records(4, 1), 0x3FFFC0);
    EXPECT_EQ(Request(64, 0x3FFFC0), h.TakeSent().at(0));
    Answer(Records(5, 1), 0); // back half-way through the 8 MiB ring: no wrap
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.LogHas("Invalid address (00000000)"));

    // A block without its position is ignored too.
    h.Positive({ { IE_CDR_REQUEST, Records(4, 1) } });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_TRUE(h.LogHas("Address missing"));
    h.engine.GetCdrExportFile().Close();
    EXPECT_EQ(Expected(0, 5), ReadWholeFile(kPath));
}

TEST_F(CdrDownloadTest, ABadRecordIsRefusedWithItsNumberAndTheSamePosition)
{
    Start();
    Bytes block = Records(0, 2);
    block[64] = 2; // the second record's format is unknown
    Answer(block, 0x200);
    std::vector<Bytes> sent = h.TakeSent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(Msg(MSG_TYPE_NEGATIVE, { { IE_CDR_REQUEST, Bytes{ 128 } },
                                       { IE_CDR_POSITION, Be32(0x200) },
                                       { IE_CAUSE, Bytes{ 0x99, 0x02 } },
                                       { IE_PASSWORD, Bytes{ 'p', 'w', 0 } } }),
              sent[0]);
    EXPECT_TRUE(h.LogHas("CDR download error"));
    EXPECT_EQ(2u, h.engine.GetCdrBadRecord());
    EXPECT_EQ(1, h.engine.GetRetries());

    // The device goes on with the next block: acknowledged normally.
    Answer(Records(1, 1), 0x280);
    EXPECT_EQ(Request(64, 0x280), h.TakeSent().at(0));
    h.Positive({ { IE_CDR_REQUEST, Bytes() } });
    EXPECT_EQ(Expected(0, 2), ReadWholeFile(kPath));
}

TEST_F(CdrDownloadTest, AWriteFailureEndsAtOnceAndTellsTheDeviceNothing)
{
    // A file that takes no writes stands for a full disk.
    CCdrExportFile& file = h.engine.GetCdrExportFile();
    file.Close();
    ASSERT_TRUE(file.Open(kPath, DISKFILE_READ | DISKFILE_OPEN_EXISTING));
    Start();
    Answer(Records(0, 3), 0);
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ((std::vector<Status>{ { 152, 2, false } }), h.frame.Take());
    EXPECT_STREQ("", h.engine.GetCauseText());
    EXPECT_EQ(CDR_ERROR_WRITE, file.GetErrorCode());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(h.engine.IsTimerArmed());
}

TEST_F(CdrDownloadTest, ARestartFromNoPositionWithTheLinkGoneStillEnds)
{
    Start();
    Answer(Records(0, 1), 0x40);
    h.TakeSent();
    h.frame.linkReady = 0;
    // The device lost its place, and the first request cannot go out: the
    // timer still runs and repeats it until the download fails.
    h.Refuse({ 0x9A });
    EXPECT_TRUE(h.TakeSent().empty());
    EXPECT_EQ(ENGINE_CDR_DOWNLOAD, h.engine.GetState());
    EXPECT_EQ(0xFFFFFFFFu, h.engine.GetCdrPosition());
    EXPECT_TRUE(h.engine.IsTimerArmed());
    h.frame.linkReady = 1;
    ASSERT_TRUE(h.Fire());
    EXPECT_EQ((std::vector<Bytes>{ Msg(MSG_TYPE_REQUEST, { { IE_CDR_REQUEST, Bytes() }, { IE_PASSWORD, Bytes{ 'p', 'w', 0 } } }) }),
              h.TakeSent());
    EXPECT_EQ(1, h.engine.GetRetries());
    h.frame.linkReady = 0;
    ASSERT_TRUE(h.Fire(2));
    EXPECT_EQ(3, h.engine.GetRetries());
    h.frame.Take();
    ASSERT_TRUE(h.Fire());
    EXPECT_TRUE(h.frame.Has(200, 0));
    EXPECT_FALSE(h.engine.GetCdrExportFile().IsOpen());
    h.engine.GetCdrExportFile().Close();
    EXPECT_EQ(Expected(0, 1), ReadWholeFile(kPath)); // what was written stays
}
}
