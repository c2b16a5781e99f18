#pragma once
// Answers the modal dialogs the main frame opens, the way a user does: when a
// dialog of the expected class comes up, a scripted action fills its fields
// and presses a button from inside the dialog's own modal loop. The system's
// file dialogs are answered by typing a path and pressing Open or Save.
#include "wcl/WindowImpl.h"
#include "base/AppSettings.h"
#include "base/PathSettings.h"
#include "app/ProgressDlg.h"
#include "app/WaitDlg.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace frametest
{
// A clean machine: no settings in the registry, every setting at its default,
// the shipped language selected. False when the language cannot be loaded.
inline bool StartWithDefaultSettings()
{
    DeleteSettingsKey();
    g_Settings.SetDefaults();
    g_PathSettings.SetDefaults();
    return SelectShippedLanguage();
}

// A frame destroyed by an earlier test asked the message loop to end; a modal
// dialog would end at once on that request, so the request is dropped.
inline void DropQuitRequest()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
    {
    }
}

// Handles messages until done() holds or ms pass; true when done.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    const DWORD deadline = ::GetTickCount() + ms;
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if ((LONG)(::GetTickCount() - deadline) >= 0)
            return false;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    }
}

// A number the program stored under its settings key (or the subkey named),
// missing when there is none.
inline DWORD StoredDword(const char* subKey, const char* name, DWORD missing = 0xDEADBEEF)
{
    HKEY key;
    std::string path = std::string(kSettingsKey) + (subKey ? std::string("\\") + subKey : "");
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return missing;
    DWORD value = missing, size = sizeof(value);
    ::RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size);
    ::RegCloseKey(key);
    return value;
}

inline std::string TempPath(const char* name)
{
    char dir[MAX_PATH] = "";
    ::GetTempPathA(sizeof(dir), dir);
    return std::string(dir) + name;
}

inline std::string ItemText(HWND dlg, int id)
{
    char text[512] = "";
    ::GetDlgItemTextA(dlg, id, text, sizeof(text));
    return text;
}

inline std::string WindowText(HWND wnd)
{
    char text[512] = "";
    ::GetWindowTextA(wnd, text, sizeof(text));
    return text;
}

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

inline void PressButton(HWND dlg, int id)
{
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dlg, id));
}

class CDialogScript
{
public:
    CDialogScript()
    {
        s_current = this;
        m_hook = ::SetWindowsHookExA(WH_CBT, &CDialogScript::CbtProc, NULL, ::GetCurrentThreadId());
    }
    ~CDialogScript()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }

    // The next dialog of class D gets the action (once).
    template <class D>
    void On(std::function<void(D&)> action)
    {
        m_steps.push_back(Step{ [action](HWND wnd) {
                                   D* dlg = dynamic_cast<D*>(CMessageMapWindow::FromHandle(wnd));
                                   if (!dlg)
                                       return false;
                                   action(*dlg);
                                   return true;
                               },
                                false });
    }

    // The next system file dialog gets path and OK; an empty path cancels it.
    void OnFileDialog(const std::string& path)
    {
        m_steps.push_back(Step{ [this, path](HWND wnd) {
                                   if (CMessageMapWindow::FromHandle(wnd) || !IsFileDialog(wnd))
                                       return false;
                                   m_fileDialogs.push_back(wnd);
                                   if (path.empty())
                                   {
                                       PressButton(wnd, IDCANCEL);
                                       return true;
                                   }
                                   ::SetDlgItemTextA(wnd, kFileNameCombo, path.c_str());
                                   ::SetDlgItemTextA(wnd, kFileNameEdit, path.c_str());
                                   PressButton(wnd, IDOK);
                                   return true;
                               },
                                false });
    }

    // The next dialog of the system's own (a file dialog's question box, the
    // Find dialog) gets the action.
    void OnSystemDialog(std::function<void(HWND)> action)
    {
        m_steps.push_back(Step{ [action](HWND wnd) {
                                   if (CMessageMapWindow::FromHandle(wnd))
                                       return false;
                                   action(wnd);
                                   return true;
                               },
                                false });
    }

    // Steps not yet used: a test expects 0 at its end.
    size_t Pending() const
    {
        size_t n = 0;
        for (const Step& s : m_steps)
            n += s.used ? 0 : 1;
        return n;
    }
    const std::vector<HWND>& FileDialogs() const { return m_fileDialogs; }
    // Dialogs that came while no step expected them (cancelled).
    int Unexpected() const { return m_unexpected; }

private:
    struct Step
    {
        std::function<bool(HWND)> run;
        bool used;
    };

    // The file name box of the explorer style dialog and of the old one.
    static const int kFileNameCombo = 0x47C;
    static const int kFileNameEdit = 0x480;
    static const UINT_PTR kTimerId = 0x5C41;

    static bool IsFileDialog(HWND wnd)
    {
        return ::GetDlgItem(wnd, kFileNameCombo) || ::GetDlgItem(wnd, kFileNameEdit);
    }

    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
    {
        CDialogScript* self = s_current;
        if (self && code == HCBT_ACTIVATE)
        {
            HWND wnd = (HWND)wParam;
            char cls[16] = "";
            ::GetClassNameA(wnd, cls, sizeof(cls));
            if (strcmp(cls, "#32770") == 0)
                ::SetTimer(wnd, kTimerId, 20, &CDialogScript::TimerProc);
        }
        return ::CallNextHookEx(self ? self->m_hook : NULL, code, wParam, lParam);
    }

    // Runs once the dialog's modal loop is up and it is filled.
    static void CALLBACK TimerProc(HWND wnd, UINT, UINT_PTR id, DWORD)
    {
        ::KillTimer(wnd, id);
        CDialogScript* self = s_current;
        if (!self)
            return;
        for (Step& step : self->m_steps)
        {
            if (step.used)
                continue;
            if (step.run(wnd))
            {
                step.used = true;
                return;
            }
            break;
        }
        // Steps are taken in order. A progress dialog or the restart notice
        // that is not the next step is left to the program; any other dialog
        // that comes unasked is cancelled, so that the test fails instead of
        // hanging.
        CMessageMapWindow* object = CMessageMapWindow::FromHandle(wnd);
        if (dynamic_cast<CProgressDlg*>(object) || dynamic_cast<CWaitDlg*>(object))
            return;
        ++self->m_unexpected;
        PressButton(wnd, IDCANCEL);
    }

    HHOOK m_hook;
    std::vector<Step> m_steps;
    std::vector<HWND> m_fileDialogs;
    int m_unexpected = 0;
    static CDialogScript* s_current;
};

inline CDialogScript* CDialogScript::s_current = nullptr;
} // namespace frametest
