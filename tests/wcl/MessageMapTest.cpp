#include <gtest/gtest.h>
#include "wcl/WindowImpl.h"

namespace
{
class CBaseHandlers
{
public:
    int baseSeen = 0;
    BEGIN_MSG_MAP(CBaseHandlers)
        MESSAGE_HANDLER(WM_USER + 1, OnUser1)
        MESSAGE_HANDLER(WM_USER + 2, OnUser2)
    END_MSG_MAP()
    LRESULT OnUser1(UINT, WPARAM, LPARAM, BOOL&) { ++baseSeen; return 11; }
    LRESULT OnUser2(UINT, WPARAM, LPARAM, BOOL&) { ++baseSeen; return 22; }
};

class CTestWindow : public CWindowImpl<CTestWindow>, public CBaseHandlers
{
public:
    DECLARE_WND_CLASS("WclTestWindow")
    int ownSeen = 0;
    bool finalSeen = false;

    BEGIN_MSG_MAP(CTestWindow)
        MESSAGE_HANDLER(WM_USER + 1, OnUser1Own)
        CHAIN_MSG_MAP(CBaseHandlers)
        COMMAND_ID_HANDLER(100, OnCommand100)
    END_MSG_MAP()

    // Lets the message go on to the chained map.
    LRESULT OnUser1Own(UINT, WPARAM, LPARAM, BOOL& handled) { ++ownSeen; handled = FALSE; return 0; }
    LRESULT OnCommand100(WORD, WORD, HWND, BOOL&) { return 100; }
    void OnFinalMessage(HWND) override { finalSeen = true; }
};
}

TEST(MessageMap, UnhandledFlagPassesToChainedMapAndUserDataStaysFree)
{
    CTestWindow w;
    ASSERT_TRUE(w.Create(NULL, nullptr, "t", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(0, ::GetWindowLongPtr(w, GWLP_USERDATA));
    EXPECT_EQ(11, w.SendMessage(WM_USER + 1));
    EXPECT_EQ(1, w.ownSeen);
    EXPECT_EQ(1, w.baseSeen);
    EXPECT_EQ(22, w.SendMessage(WM_USER + 2));
    EXPECT_EQ(100, w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0));
    EXPECT_EQ(&w, CMessageMapWindow::FromHandle(w));
    w.DestroyWindow();
    EXPECT_TRUE(w.finalSeen);
}
