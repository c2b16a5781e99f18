#pragma once
// Answers the modal dialogs the main frame opens, the way a user does: when a
// dialog of the expected class comes up, a scripted action fills its fields
// and presses a button from inside the dialog's own modal loop. The system's
// file dialogs are answered by typing a path and pressing Open or Save.
#include <gtest/gtest.h>
#include "wcl/AppModule.h"
#include "wcl/WindowImpl.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/PathSettings.h"
#include "app/MainFrame.h"
#include "app/ProgressDlg.h"
#include "app/WaitDlg.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestLanguage.h"
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace frametest
{
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

// Stores a number under the program's settings key, as an earlier run did.
inline void StoreDword(const char* name, DWORD value)
{
    HKEY key = OpenSettingsKey();
    ::RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
    ::RegCloseKey(key);
}

inline std::string ItemText(HWND dlg, int id)
{
    char text[512] = "";
    ::GetDlgItemTextA(dlg, id, text, sizeof(text));
    return text;
}

// The keys of the message boxes shown so far, joined by '|'.
inline std::string BoxKeys(const CMessageBoxRecorder& boxes)
{
    std::string keys;
    for (const RecordedMessageBox& box : boxes.Calls())
        keys += (keys.empty() ? "" : "|") + box.key;
    return keys;
}

// The texts of a dialog's controls, joined by '|'.
inline std::string ItemTexts(HWND dlg, std::initializer_list<int> ids)
{
    std::string texts;
    for (int id : ids)
        texts += (texts.empty() ? "" : "|") + ItemText(dlg, id);
    return texts;
}

inline std::string WindowText(HWND wnd)
{
    std::string text(::GetWindowTextLengthA(wnd) + 1, '\0');
    text.resize(::GetWindowTextA(wnd, &text[0], (int)text.size()));
    return text;
}

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// The text of a key in the language in use.
inline std::string LanguageText(const char* key)
{
    char text[512] = "";
    g_Language.GetString(key, text, sizeof(text));
    return text;
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
        m_steps.push_back([action](HWND wnd) {
            D* dlg = dynamic_cast<D*>(CMessageMapWindow::FromHandle(wnd));
            if (dlg)
                action(*dlg);
            return dlg != nullptr;
        });
    }

    // The next system file dialog gets path and OK (an empty path cancels
    // it); a question it then asks (replace the file?) gets the answer.
    void OnFileDialog(const std::string& path, int answer = 0)
    {
        m_steps.push_back([path](HWND wnd) {
            const bool fileDialog = ::GetDlgItem(wnd, kFileNameCombo) || ::GetDlgItem(wnd, kFileNameEdit);
            if (CMessageMapWindow::FromHandle(wnd) || !fileDialog)
                return false;
            ::SetDlgItemTextA(wnd, kFileNameCombo, path.c_str());
            ::SetDlgItemTextA(wnd, kFileNameEdit, path.c_str());
            PressButton(wnd, path.empty() ? IDCANCEL : IDOK);
            return true;
        });
        if (answer)
            m_steps.push_back([answer](HWND wnd) {
                if (CMessageMapWindow::FromHandle(wnd))
                    return false;
                PressButton(wnd, answer);
                return true;
            });
    }

    // Steps not yet used: a test expects 0 at its end.
    size_t Pending() const { return m_steps.size() - m_next; }
    // Dialogs that came while no step expected them (cancelled).
    int Unexpected() const { return m_unexpected; }

private:
    // The file name box of the explorer style dialog and of the old one.
    static const int kFileNameCombo = 0x47C;
    static const int kFileNameEdit = 0x480;
    static const UINT_PTR kTimerId = 0x5C41;

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

    // Runs once the dialog's modal loop is up and it is filled. Steps are
    // taken in order. A progress dialog or the restart notice that is not the
    // next step is left to the program; any other dialog that comes unasked
    // is cancelled, so that the test fails instead of hanging.
    static void CALLBACK TimerProc(HWND wnd, UINT, UINT_PTR id, DWORD)
    {
        ::KillTimer(wnd, id);
        CDialogScript* self = s_current;
        if (!self)
            return;
        if (self->m_next < self->m_steps.size() && self->m_steps[self->m_next](wnd))
        {
            ++self->m_next;
            return;
        }
        CMessageMapWindow* object = CMessageMapWindow::FromHandle(wnd);
        if (dynamic_cast<CProgressDlg*>(object) || dynamic_cast<CWaitDlg*>(object))
            return;
        ++self->m_unexpected;
        PressButton(wnd, IDCANCEL);
    }

    HHOOK m_hook;
    std::vector<std::function<bool(HWND)>> m_steps;
    size_t m_next = 0;
    int m_unexpected = 0;
    static CDialogScript* s_current;
};

inline CDialogScript* CDialogScript::s_current = nullptr;

// The main window on a clean machine, with the message loop it joins and a
// scratch folder. A test sets what it needs and then opens the frame; the
// frame is destroyed and every setting forgotten after the test.
class FrameTest : public ::testing::Test
{
protected:
    // The log tabs are rich edit controls; the program loads the library at start.
    static void SetUpTestSuite() { ::LoadLibraryA("RICHED20.DLL"); }
    // A clean machine: no settings in the registry, every setting at its
    // default, the shipped language selected.
    void SetUp() override
    {
        DeleteSettingsKey();
        g_Settings.SetDefaults();
        g_PathSettings.SetDefaults();
        ASSERT_TRUE(SelectShippedLanguage());
        g_Module.AddMessageLoop(&m_loop);
        DropQuitRequest();
    }
    void TearDown() override
    {
        if (m_frame.IsWindow())
            m_frame.DestroyWindow();
        PumpFor(20);
        g_Module.RemoveMessageLoop();
        DeleteSettingsKey();
        g_Settings.SetDefaults();
        g_PathSettings.SetDefaults();
    }
    bool OpenFrame()
    {
        if (!m_frame.CreateFrame())
            return false;
        m_frame.ShowWindow(SW_SHOW);
        return true;
    }
    void Command(UINT id) { m_frame.SendMessage(WM_COMMAND, id); }
    void Status(int code, int result) { m_frame.SendMessage(WMU_ENGINE_STATUS, code, result); }
    std::string Title() { return WindowText(m_frame); }
    std::string NewFile(const char* name) { return m_scratch.Path(name); }

    CMessageLoop m_loop;
    CMainFrame m_frame;
    CScratchFolder m_scratch;
    // Every message box is recorded (answered OK unless the test says
    // otherwise); a dialog no step of the script expects is cancelled.
    CMessageBoxRecorder boxes;
    CDialogScript script;
};
} // namespace frametest
