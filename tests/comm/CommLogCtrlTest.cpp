#include <gtest/gtest.h>
#include "comm/CommLogCtrl.h"
#include "base/TextUtil.h"
#include "tests/support/LinkMessageRecorder.h"
#include "tests/support/LogView.h"
#include "tests/support/TestFiles.h"
#include <algorithm>
#include <string>
#include <vector>

namespace
{
// The communication log on a real rich edit view, created as the frame
// creates it.
class CommLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_view.edit != NULL);
        m_log.Attach(m_view.edit);
        m_log.Init();
    }

    std::string Text() { return WindowText(m_log); }

    // The view's lines, without their line ends.
    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        const std::string text = Text();
        for (size_t start = 0, end; start < text.size(); start = end + 2)
        {
            end = std::min(text.find("\r\n", start), text.size());
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    // The colour of characters [first, last) of a line; 0xFFFFFFFF when mixed.
    COLORREF ColorOf(int line, int first, int last)
    {
        LONG start = (LONG)m_log.SendMessage(EM_LINEINDEX, line);
        return RangeColor(m_log, start + first, start + last);
    }

    CHARRANGE Selection()
    {
        CHARRANGE cr = {};
        m_log.SendMessage(EM_EXGETSEL, 0, (LPARAM)&cr);
        return cr;
    }

    static void Pump() { CLinkMessageRecorder::Pump(0); }

    CCommLogCtrl m_log;
    // Declared after the log object, so that the window goes before it.
    CLogViewWindow m_view;
};

TEST_F(CommLogTest, TextLinesKeepTheirColourAndFormattedLinesAreBounded)
{
    m_log.AddText("Open port COM3 (115200 b/s)", LOG_RED);
    m_log.AddTextFormat("Timer timeout! (status: %d)", LOG_TEAL, 21);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("Timer timeout! (status: 21)", lines[1]);
    EXPECT_EQ(LOG_RED, ColorOf(0, 0, 27));
    EXPECT_EQ(LOG_TEAL, ColorOf(1, 0, 27));

    std::string path = "C:\\" + std::string(1000, 'p') + ".lmf";
    m_log.AddTextFormat("Load LmF file %s", LOG_OLIVE, path.c_str());
    lines = Lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(CCommLogCtrl::kMaxLineSize - 1, (int)lines[2].size());
    EXPECT_EQ(0u, lines[2].find("Load LmF file C:\\ppp"));
}

TEST_F(CommLogTest, NoLimitKeepsEverythingUntilALimitIsSet)
{
    m_log.SetMaxLines(0);
    // The view filled at once (faster than appending), then one more line.
    std::string text;
    for (int i = 0; i < 1100; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    ::SetWindowTextA(m_log, text.c_str());
    m_log.AddText("line 1100", LOG_TEAL);
    EXPECT_EQ(1102, (int)m_log.SendMessage(EM_GETLINECOUNT));
    m_log.SetMaxLines(10);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(10u, lines.size());
    EXPECT_EQ("line 1091", lines.front());
}

TEST_F(CommLogTest, FindRunsDownThenWrapsToTheTop)
{
    for (const char* line : { "alpha one", "beta", "Alpha two", "alphabet" })
        m_log.AddText(line, LOG_BLACK);
    // From the insertion point at the end; each search from the last match.
    // Match case skips "Alpha", whole word skips "alphabet"; nothing found
    // leaves the selection.
    const struct { const char* text; BOOL matchCase, wholeWord; int found, line; } finds[] = {
        { "alpha", TRUE, TRUE, 1, 0 }, { "alpha", TRUE, TRUE, 1, 0 }, { "alpha", TRUE, FALSE, 1, 3 },
        { "ALPHA", FALSE, TRUE, 1, 0 }, { "ALPHA", FALSE, TRUE, 1, 2 }, { "gamma", FALSE, FALSE, 0, 2 },
    };
    for (const auto& f : finds)
    {
        EXPECT_EQ(f.found, m_log.Find(f.text, f.matchCase, f.wholeWord)) << f.text;
        EXPECT_EQ((LONG)m_log.SendMessage(EM_LINEINDEX, f.line), Selection().cpMin) << f.text << " " << f.line;
    }
}

// Short messages are one line each, a sent one with its prefix blue and its
// bytes black.
TEST_F(CommLogTest, DumpsSaveReplacingALongerFileAndAppendAddsToIt)
{
    const char* path = "commlog_save.txt";
    WriteWholeFile(path, std::string(5000, 'x'));
    const BYTE sent[] = { 0xA1, 0x05, 0x0F };
    const BYTE received[] = { 0xA2, 0x00 };
    m_log.SetCharsPerLine(40);
    m_log.AddFrameDump(sent, 3, FALSE);
    m_log.AddFrameDump(received, 2, TRUE);
    EXPECT_EQ(LOG_BLUE, ColorOf(0, 0, 4));
    EXPECT_EQ(LOG_BLACK, ColorOf(0, 4, 13));

    ASSERT_EQ(1, m_log.SaveToFile(path, FALSE));
    EXPECT_EQ("OUT: A1 05 0F\r\n IN: A2 00\r\n", ReadWholeFile(path));
    ASSERT_EQ(1, m_log.SaveToFile(path, TRUE));
    EXPECT_EQ("OUT: A1 05 0F\r\n IN: A2 00\r\nOUT: A1 05 0F\r\n IN: A2 00\r\n", ReadWholeFile(path));
    ::DeleteFileA(path);

    EXPECT_EQ(0, m_log.SaveToFile("no_such_folder\\log.txt", FALSE));
}

TEST_F(CommLogTest, LinesWrittenInTheOwnersShortStepsArriveInOrderEachOnce)
{
    // As a paced transfer drives the log: a call after each request, lines
    // added between the calls, each step only long enough for a few lines.
    for (int i = 0; i < 40; ++i)
        m_log.AddTextFormat("first %d", LOG_TEAL, i);
    int added = 0;
    const DWORD deadline = ::GetTickCount() + 150;
    while (static_cast<LONG>(::GetTickCount() - deadline) < 0)
    {
        m_log.WriteCollectedWithin(1);
        Pump();
        m_log.AddTextFormat("second %d", LOG_TEAL, added++);
        ::Sleep(5);
    }
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(static_cast<size_t>(40 + added), lines.size());
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ("first " + std::to_string(i), lines[i]);
    for (int i = 0; i < added; ++i)
        EXPECT_EQ("second " + std::to_string(i), lines[40 + i]);
}

// The tick count the log reads in a test: the system's, moved by an offset,
// so that the log's timers still run in real time.
DWORD g_tickOffset = 0;

DWORD WINAPI ShiftedTickCount()
{
    return ::GetTickCount() + g_tickOffset;
}

void SetShiftedTick(DWORD tick)
{
    g_tickOffset = tick - ::GetTickCount();
}

// Lines are written soon at every tick count: on either side of half its
// range (24.9 days of uptime), when it wraps at 49.7 days while a paced
// writing is open, and long after a transfer; also when the owner's steps
// are long (a pacing delay set to minutes). The owner's hold on the writing
// is taken from the ticks of its own calls only, and lasts a moment.
TEST_F(CommLogTest, LinesAreWrittenSoonAtEveryTickCount)
{
    const DWORD kDay = 24 * 60 * 60 * 1000;
    const struct
    {
        const char* situation;
        DWORD tick;    // when the lines come (or the owner calls)
        UINT ownerStep; // not 0: a paced writing opens in steps of this many
                        // milliseconds, then the owner stops calling
    } cases[] = {
        { "just below 2^31 ms, no transfer yet", 0x80000000u - 30, 0 },
        { "10 minutes above 2^31 ms, no transfer yet", 0x80000000u + 10 * 60 * 1000, 0 },
        { "a writing opened 20 ms before the wrap", 0u - 20, 1 },
        { "25 days after that transfer", 25 * kDay, 0 },
        { "a writing opened in steps of 100 s", 30 * kDay, 100000 },
    };
    m_log.SetTickSource(ShiftedTickCount);
    int added = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.situation);
        SetShiftedTick(c.tick);
        for (int i = 0; i < 5; ++i)
            m_log.AddTextFormat("line %d", LOG_TEAL, added++);
        if (c.ownerStep)
        {
            // The owner calls after each request, every few milliseconds,
            // until the writing falls due and opens; then it stops calling.
            ASSERT_TRUE(CLinkMessageRecorder::PumpUntil(
                [&] {
                    SetShiftedTick(c.tick);
                    m_log.WriteCollectedWithin(c.ownerStep);
                    return m_log.IsWriting();
                },
                1000));
        }
        EXPECT_TRUE(CLinkMessageRecorder::PumpUntil(
            [&] { return !m_log.HoldsUnwrittenLines() && !m_log.IsWriting(); }, 1000))
            << "lines still unwritten, or their writing still open";
    }
    m_log.SetTickSource(nullptr);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(static_cast<size_t>(added), lines.size());
    EXPECT_EQ("line " + std::to_string(added - 1), lines.back());
}

struct ThreadLogArgs
{
    CCommLogCtrl* log;
    int count;
};

DWORD WINAPI LogFromThread(void* param)
{
    ThreadLogArgs* args = static_cast<ThreadLogArgs*>(param);
    for (int i = 0; i < args->count; ++i)
    {
        args->log->AddTextFormat("reader %d", LOG_RED, i);
        BYTE raw[2] = { (BYTE)i, 0x7E };
        args->log->AddRawInput(raw, 2);
    }
    return 0;
}

// Logs count lines and raw inputs from a thread of their own; waits for it
// without handling messages, as a link close does.
bool LogFromAThread(CCommLogCtrl* log, int count)
{
    ThreadLogArgs args = { log, count };
    HANDLE thread = ::CreateThread(NULL, 0, LogFromThread, &args, 0, NULL);
    const bool ended = thread && ::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    return ended;
}

TEST_F(CommLogTest, LinesFromAnotherThreadArriveInOrderWhileTheUiThreadWaitsAndGoWithTheWindow)
{
    m_log.SetCharsPerLine(140);
    m_log.AddText("before", LOG_TEAL);
    ASSERT_TRUE(LogFromAThread(&m_log, 100));

    // A line of the UI thread's own comes after all of the thread's.
    m_log.AddText("after", LOG_TEAL);
    Pump();

    std::vector<std::string> lines = Lines();
    ASSERT_EQ(202u, lines.size());
    EXPECT_EQ("before", lines[0]);
    for (int i = 0; i < 100; ++i)
    {
        char raw[32];
        FormatText(raw, sizeof(raw), "RAW INPUT >  %02X 7E", i);
        EXPECT_EQ("reader " + std::to_string(i) + "|" + raw, lines[1 + 2 * i] + "|" + lines[2 + 2 * i]);
    }
    EXPECT_EQ("after", lines[201]);
    EXPECT_EQ(LOG_RED, ColorOf(1, 0, 8));
    EXPECT_EQ(LOG_MAGENTA, ColorOf(2, 0, 18));

    // Lines queued for a window that is then destroyed are freed, not written.
    ASSERT_TRUE(LogFromAThread(&m_log, 3));
    ::DestroyWindow(m_view.host);
    m_view.host = NULL;
    Pump();
    EXPECT_TRUE(LogFromAThread(&m_log, 3));

    // The view lets go of its window: later lines go nowhere.
    EXPECT_TRUE((HWND)m_log == NULL);
    m_log.AddText("late", LOG_RED);
    m_log.AppendPlain("late", 4);
    EXPECT_EQ(0, m_log.Find("late", FALSE, FALSE));
}
}
