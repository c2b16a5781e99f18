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

// A base with a default map and an alternate map: a class picks one when it
// chains.
class CTwoMaps
{
public:
    int defaultSeen = 0;
    int altSeen = 0;
    BEGIN_MSG_MAP(CTwoMaps)
        MESSAGE_HANDLER(WM_USER + 5, OnDefault)
    ALT_MSG_MAP(1)
        MESSAGE_HANDLER(WM_USER + 5, OnAlt)
    END_MSG_MAP()
    LRESULT OnDefault(UINT, WPARAM, LPARAM, BOOL&) { ++defaultSeen; return 1; }
    LRESULT OnAlt(UINT, WPARAM, LPARAM, BOOL&) { ++altSeen; return 2; }
};

class CTestWindow : public CWindowImpl<CTestWindow>, public CBaseHandlers, public CTwoMaps
{
public:
    DECLARE_WND_CLASS("WclTestWindow")
    int ownSeen = 0;
    bool finalSeen = false;

    BEGIN_MSG_MAP(CTestWindow)
        MESSAGE_HANDLER(WM_USER + 1, OnUser1Own)
        CHAIN_MSG_MAP(CBaseHandlers)
        CHAIN_MSG_MAP_ALT(CTwoMaps, 1)
        COMMAND_ID_HANDLER(100, OnCommand100)
    END_MSG_MAP()

    // Lets the message go on to the chained map.
    LRESULT OnUser1Own(UINT, WPARAM, LPARAM, BOOL& handled) { ++ownSeen; handled = FALSE; return 0; }
    LRESULT OnCommand100(WORD, WORD, HWND, BOOL&) { return 100; }
    void OnFinalMessage(HWND) override { finalSeen = true; }
};
}

TEST(MessageMap, UnhandledFlagPassesToChainedMapsAndUserDataStaysFree)
{
    CTestWindow w;
    ASSERT_TRUE(w.Create(NULL, nullptr, "t", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(0, ::GetWindowLongPtr(w, GWLP_USERDATA));
    EXPECT_EQ(11, w.SendMessage(WM_USER + 1));
    EXPECT_EQ(1, w.ownSeen);
    EXPECT_EQ(1, w.baseSeen);
    EXPECT_EQ(22, w.SendMessage(WM_USER + 2));
    EXPECT_EQ(100, w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0));
    // The chain picks the alternate map.
    EXPECT_EQ(2, w.SendMessage(WM_USER + 5));
    EXPECT_EQ(1, w.altSeen);
    EXPECT_EQ(0, w.defaultSeen);
    EXPECT_EQ(&w, CMessageMapWindow::FromHandle(w));
    w.DestroyWindow();
    EXPECT_TRUE(w.finalSeen);
}

namespace
{
// A button that handles its own click through reflection.
class CReflectedButton : public CControlImpl<CReflectedButton>
{
public:
    int clicks = 0;
    BEGIN_MSG_MAP(CReflectedButton)
        REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()
    LRESULT OnClicked(WORD, WORD, HWND, BOOL&) { ++clicks; return 0; }
};

class CReflectingParent : public CWindowImpl<CReflectingParent>
{
public:
    DECLARE_WND_CLASS("WclReflectingParent")
    BEGIN_MSG_MAP(CReflectingParent)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
};
}

TEST(MessageMap, ParentReflectsNotificationsToTheControl)
{
    CReflectingParent parent;
    RECT rc = {0, 0, 200, 100};
    ASSERT_TRUE(parent.Create(NULL, &rc, "parent", WS_OVERLAPPEDWINDOW));
    HWND button = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, parent, (HMENU)7,
                                    ::GetModuleHandle(NULL), NULL);
    CReflectedButton control;
    ASSERT_TRUE(control.SubclassWindow(button));
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), (LPARAM)button);
    EXPECT_EQ(1, control.clicks);
    // A notification the control does not handle gets the default answer.
    NMHDR nmh = {button, 7, (UINT)NM_CLICK};
    EXPECT_EQ(0, parent.SendMessage(WM_NOTIFY, 7, (LPARAM)&nmh));
    parent.DestroyWindow();
    EXPECT_FALSE(control.IsSubclassed());
}

TEST(WindowImpl, WindowOutlivingItsObjectAdoptsNoOtherObject)
{
    CTestWindow* first = new CTestWindow;
    HWND orphan = first->Create(NULL, nullptr, "orphan", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(orphan);
    delete first; // the window stays: default processing only
    EXPECT_EQ(nullptr, CMessageMapWindow::FromHandle(orphan));

    // A child window without a parent cannot be made: the creation fails
    // before its first message.
    CTestWindow failed;
    EXPECT_EQ(NULL, failed.Create(NULL, nullptr, "child", WS_CHILD));
    EXPECT_EQ(0, ::SendMessageA(orphan, WM_USER + 2, 0, 0)) << "no handler answers for the orphan";
    EXPECT_EQ(NULL, failed.m_hWnd);
    EXPECT_EQ(0, failed.baseSeen);
    // A window of the class made without an object adopts nothing either.
    HWND plain = ::CreateWindowExA(0, "WclTestWindow", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, NULL, NULL,
                                   ::GetModuleHandle(NULL), NULL);
    ASSERT_TRUE(plain);
    EXPECT_EQ(NULL, failed.m_hWnd);
    EXPECT_EQ(nullptr, CMessageMapWindow::FromHandle(plain));
    ::DestroyWindow(plain);

    // The next window gets its own object all the same.
    CTestWindow next;
    ASSERT_TRUE(next.Create(NULL, nullptr, "next", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(22, next.SendMessage(WM_USER + 2));
    EXPECT_EQ(&next, CMessageMapWindow::FromHandle(next));
    next.DestroyWindow();
    EXPECT_TRUE(::DestroyWindow(orphan));
}
