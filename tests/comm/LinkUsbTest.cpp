#include <gtest/gtest.h>
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/SerialLink.h"
#include "comm/UsbPort.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include "tests/support/TestLanguage.h"
#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_lines;
void RecordLine(const char* text, COLORREF, void*)
{
    g_lines.push_back(text);
}

struct BoxCall
{
    std::string key, arg1, arg2;
};
std::vector<BoxCall> g_boxes;
void RecordBox(const char* key, const char* arg1, const char* arg2)
{
    g_boxes.push_back(BoxCall{ key, arg1, arg2 });
}

DWORD g_openError = 0;
HANDLE FailingOpen(const char*)
{
    ::SetLastError(g_openError);
    return INVALID_HANDLE_VALUE;
}

class LinkPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_lines.clear();
        g_boxes.clear();
        CommSetLogSink(RecordLine, NULL);
        CommSetErrorBox(RecordBox);
        SetPortOpenFunction(FailingOpen);
        g_Settings.ComMode = 0;
        CopyText(g_Settings.VirtualComPort, sizeof(g_Settings.VirtualComPort), "COM7");
    }
    void TearDown() override
    {
        CommClose();
        SetPortOpenFunction(NULL);
        CommSetErrorBox(NULL);
        CommSetLogSink(NULL, NULL);
        g_Settings.SetDefaults();
    }
};
}

TEST(UsbPortNameTest, PortNumberFollowsTheFriendlyName)
{
    char port[32];
    EXPECT_TRUE(ParseUsbPortName("Stellaris USB serial port (COM7)", port, sizeof(port)));
    EXPECT_STREQ("COM7", port);
    EXPECT_TRUE(ParseUsbPortName("Stellaris USB serial port (COM123)", port, sizeof(port)));
    EXPECT_STREQ("COM123", port);

    // Short, empty or numberless names give false and read nothing past their end.
    const char* bad[] = { "", "COM7", "Stellaris USB serial port", "Stellaris USB serial port ",
                          "Stellaris USB serial port (COM)", "Stellaris USB serial port (LPT1)" };
    for (const char* name : bad)
    {
        EXPECT_FALSE(ParseUsbPortName(name, port, sizeof(port))) << name;
        EXPECT_STREQ("", port);
    }
    // A name that ends exactly at the skipped length, at the end of a page of
    // its own, must not be read beyond.
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    char* pages = (char*)::VirtualAlloc(NULL, si.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(pages);
    DWORD old;
    ::VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old);
    const char* name = "Stellaris USB serial port";
    size_t length = strlen(name) + 1;
    char* edge = pages + si.dwPageSize - length;
    memcpy(edge, name, length);
    EXPECT_FALSE(ParseUsbPortName(edge, port, sizeof(port)));
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(LinkPortTest, OpenFailuresShowTheirTexts)
{
    CTestLanguage lang;
    ASSERT_TRUE(lang.WriteLanguage("strComError2=Port not found\nstrComError3=Port in use\nstrComError5=Port error\n"));
    ASSERT_TRUE(lang.Select());

    g_openError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(0, CommInit(NULL, 0));
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ("strComError1", g_boxes[0].key);
    EXPECT_EQ("COM7", g_boxes[0].arg1);
    EXPECT_EQ("Port in use", g_boxes[0].arg2);
    EXPECT_EQ(OPEN_PORT_IN_USE, OpenPort());

    g_openError = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(0, CommInit(NULL, 0));
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ("Port not found", g_boxes[1].arg2);

    g_openError = ERROR_GEN_FAILURE;
    EXPECT_EQ(OPEN_PORT_FAILED, OpenPort());

    // Each attempt is logged with the system's text of its error, without
    // the line break the system ends it with.
    ASSERT_GE(g_lines.size(), 2u);
    EXPECT_EQ("Open port COM7 (115200 b/s)", g_lines[g_lines.size() - 2]);
    const std::string& error = g_lines.back();
    char prefix[32];
    FormatText(prefix, sizeof(prefix), "Error %lu - ", (unsigned long)ERROR_GEN_FAILURE);
    EXPECT_EQ(0u, error.find(prefix)) << error;
    EXPECT_GT(error.size(), strlen(prefix)) << error;
    EXPECT_EQ(std::string::npos, error.find_first_of("\r\n")) << error;

    // Quiet: no box, same result.
    EXPECT_EQ(0, CommInit(NULL, 1));
    EXPECT_EQ(2u, g_boxes.size());
    EXPECT_FALSE(CommThreadsRunning());
}
