#include "wcl/WindowImpl.h"
#include "wcl/AppModule.h"

namespace
{
class CStandInFrame : public CWindowImpl<CStandInFrame>
{
public:
    DECLARE_WND_CLASS("VelmotrexFrame")

    BEGIN_MSG_MAP(CStandInFrame)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&)
    {
        ::PostQuitMessage(0);
        return 0;
    }
};
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    g_Module.Init(instance);
    CMessageLoop loop;
    g_Module.AddMessageLoop(&loop);
    CStandInFrame frame;
    if (!frame.Create(NULL, nullptr, "Velmotrex Configuration", WS_OVERLAPPEDWINDOW))
        return 0;
    frame.ShowWindow(show);
    int code = loop.Run();
    g_Module.RemoveMessageLoop();
    g_Module.Term();
    return code;
}
