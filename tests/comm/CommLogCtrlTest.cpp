#include <gtest/gtest.h>
#include "comm/CommLogCtrl.h"
#include "base/TextUtil.h"
#include "tests/support/LogView.h"
#include "tests/support/TestFiles.h"
#include <algorithm>
#include <string>
#include <vector>

namespace
{
// A real rich edit 2.0 log view under a hidden top-level window, created as
// the frame creates its log: read-only, multi-line, both scroll bars, lines
// never wrapped by the control.
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

    static void Pump()
    {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    CCommLogCtrl m_log;
    // Declared after the log object, so that the window goes before it.
    CLogViewWindow m_view;
};

TEST_F(CommLogTest, ShortSentMessageIsOneLineWithBluePrefixAndBlackBytes)
{
    m_log.SetCharsPerLine(40);
    const BYTE msg[] = { 0xA1, 0x05, 0x0F };
    m_log.AddFrameDump(msg, 3, FALSE);
    EXPECT_EQ("OUT: A1 05 0F\r\n", Text());
    EXPECT_EQ(LOG_BLUE, ColorOf(0, 0, 4));
    EXPECT_EQ(LOG_BLACK, ColorOf(0, 4, 13));
}

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
    m_log.AddText("alpha one", LOG_BLACK);
    m_log.AddText("beta", LOG_BLACK);
    m_log.AddText("Alpha two", LOG_BLACK);
    m_log.AddText("alphabet", LOG_BLACK);
    // The insertion point is at the end: nothing below it, the top has one.
    ASSERT_EQ(1, m_log.Find("alpha", TRUE, TRUE));
    EXPECT_EQ(5, Selection().cpMax);
    EXPECT_EQ(0, Selection().cpMin);

    // Match case skips "Alpha"; whole word skips "alphabet": back to the top.
    ASSERT_EQ(1, m_log.Find("alpha", TRUE, TRUE));
    EXPECT_EQ(0, Selection().cpMin);

    // Without whole word the next match is "alphabet" on the last line.
    ASSERT_EQ(1, m_log.Find("alpha", TRUE, FALSE));
    LONG lastLine = (LONG)m_log.SendMessage(EM_LINEINDEX, 3);
    EXPECT_EQ(lastLine, Selection().cpMin);

    // Without match case "Alpha two" comes next after the first line.
    CHARRANGE top = { 0, 5 };
    m_log.SendMessage(EM_EXSETSEL, 0, (LPARAM)&top);
    ASSERT_EQ(1, m_log.Find("ALPHA", FALSE, TRUE));
    EXPECT_EQ((LONG)m_log.SendMessage(EM_LINEINDEX, 2), Selection().cpMin);

    // Nothing anywhere: the selection stays.
    EXPECT_EQ(0, m_log.Find("gamma", FALSE, FALSE));
    EXPECT_EQ((LONG)m_log.SendMessage(EM_LINEINDEX, 2), Selection().cpMin);
}

TEST_F(CommLogTest, SaveReplacesALongerFileAndAppendAddsToIt)
{
    const char* path = "commlog_save.txt";
    WriteWholeFile(path, std::string(5000, 'x'));
    m_log.AddText("Start data download", LOG_TEAL);
    const BYTE msg[] = { 0xA2, 0x00 };
    m_log.SetCharsPerLine(40);
    m_log.AddFrameDump(msg, 2, TRUE);

    ASSERT_EQ(1, m_log.SaveToFile(path, FALSE));
    EXPECT_EQ("Start data download\r\n IN: A2 00\r\n", ReadWholeFile(path));

    ASSERT_EQ(1, m_log.SaveToFile(path, TRUE));
    EXPECT_EQ("Start data download\r\n IN: A2 00\r\nStart data download\r\n IN: A2 00\r\n", ReadWholeFile(path));
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

TEST_F(CommLogTest, LinesFromAnotherThreadArriveInOrderWhileTheUiThreadWaitsForIt)
{
    m_log.SetCharsPerLine(140);
    m_log.AddText("before", LOG_TEAL);
    ThreadLogArgs args = { &m_log, 100 };
    HANDLE thread = ::CreateThread(NULL, 0, LogFromThread, &args, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    // As a link close does: wait for the thread without pumping messages.
    DWORD waited = ::WaitForSingleObject(thread, 10000);
    ::CloseHandle(thread);
    ASSERT_EQ(WAIT_OBJECT_0, waited);

    // A line of the UI thread's own comes after all of the thread's.
    m_log.AddText("after", LOG_TEAL);
    Pump();

    std::vector<std::string> lines = Lines();
    ASSERT_EQ(202u, lines.size());
    EXPECT_EQ("before", lines[0]);
    for (int i = 0; i < 100; ++i)
    {
        char text[32];
        FormatText(text, sizeof(text), "reader %d", i);
        EXPECT_EQ(text, lines[1 + 2 * i]);
        FormatText(text, sizeof(text), "RAW INPUT >  %02X 7E", i);
        EXPECT_EQ(text, lines[2 + 2 * i]);
    }
    EXPECT_EQ("after", lines[201]);
    EXPECT_EQ(LOG_RED, ColorOf(1, 0, 8));
    EXPECT_EQ(LOG_MAGENTA, ColorOf(2, 0, 18));
}

TEST_F(CommLogTest, QueuedLinesAreWrittenByTheWakeUpAndDroppedWithTheWindow)
{
    ThreadLogArgs args = { &m_log, 3 };
    HANDLE thread = ::CreateThread(NULL, 0, LogFromThread, &args, 0, NULL);
    ::WaitForSingleObject(thread, 10000);
    ::CloseHandle(thread);
    Pump();
    EXPECT_EQ(6u, Lines().size());

    // Lines queued for a window that is then destroyed are freed, not written.
    thread = ::CreateThread(NULL, 0, LogFromThread, &args, 0, NULL);
    ::WaitForSingleObject(thread, 10000);
    ::CloseHandle(thread);
    ::DestroyWindow(m_view.host);
    m_view.host = NULL;
    Pump();
    thread = ::CreateThread(NULL, 0, LogFromThread, &args, 0, NULL);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
    ::CloseHandle(thread);

    // The view lets go of its window: later lines go nowhere.
    EXPECT_TRUE((HWND)m_log == NULL);
    m_log.AddText("late", LOG_RED);
    m_log.AppendPlain("late", 4);
    EXPECT_EQ(0, m_log.Find("late", FALSE, FALSE));
}
}
