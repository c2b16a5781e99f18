#pragma once
#include "wcl/Win.h"
#include <map>

// The main frame's window: owner of the message boxes by key. NULL until the
// frame exists; the frame sets and clears it.
extern HWND g_hMainWnd;

// Every message box of the program goes through ShowMessageBox, which calls
// the installed hook (tests) or MessageBoxA. 'key' is the language key of the
// text, NULL for the three start-up errors that have no language yet.
typedef int (*MessageBoxHook)(HWND owner, const char* text, const char* caption, UINT flags, const char* key);
// Installs a hook (NULL: MessageBoxA again); returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags, const char* key = nullptr);

// The language module: texts by key from the selected language file, message
// boxes by key, translation of windows, menus and tooltips, and help.
// Lookups read the file through the profile functions each time; nothing is
// cached. While unavailable (the last selection failed) every text is empty
// and every operation returns false or 0.
class CLanguage
{
public:
    CLanguage();
    virtual ~CLanguage();

    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // Language list "LANG.INI" in the current directory.
    bool GetIniPath(char* buf) const; // buf of MAX_PATH
    int GetLanguageCount() const;
    bool GetLanguageInfo(int index, char* name, size_t nameSize, char* path, size_t pathSize) const;
    bool GetHelpFileName(int index, char* buf, size_t size) const;
    // Selects language 'index' (from 1). Failures show one of three fixed
    // English boxes and leave the module unavailable.
    bool SelectLanguage(int index);
    bool IsAvailable() const { return !m_unavailable; }
    const char* GetLanguageFile() const { return m_languageFile; }

    // "strings" text of key, "\n" turned into a space and a line feed.
    bool GetString(const char* key, char* buf, size_t size) const;
    bool GetStringLong(const char* key, char* buf) const; // buf of 1024
    int MessageBoxKey(const char* textKey, const char* captionKey, UINT flags) const;
    int MessageBoxKeyFormat(const char* textKey, const char* captionKey, UINT flags, ...) const;

    bool TranslateMenu(HMENU bar) const;
    bool TranslatePopupMenu(HMENU menu) const;
    bool GetTooltip(UINT commandId, char* buf, size_t size) const;
    bool GetButtonText(int buttonId, char* buf, size_t size) const;

    // Windows that outlive a language change translate with keepKeys and call
    // ReleaseWindowKeys when destroyed. Only keys this module allocated are
    // ever freed or replaced; a user-data slot holding anything else is left
    // alone.
    bool TranslateWindow(HWND wnd, bool keepKeys);
    bool RetranslateWindow(HWND wnd) const;
    bool ReleaseWindowKeys(HWND wnd);
    // Keys currently kept in windows' user-data slots.
    size_t GetKeptKeyCount() const { return m_keptKeys.size(); }

    bool ShowHelp(HWND owner);
    // The WinHelp command a help file opens with: HELP_FINDER when a contents
    // file (.cnt) lies beside it, else HELP_CONTENTS.
    static UINT GetWinHelpCommand(const char* helpFile);

    static const int kLongTextSize = 1024;

private:
    struct TranslateContext;
    static BOOL CALLBACK TranslateChild(HWND child, LPARAM param);
    static BOOL CALLBACK RetranslateChild(HWND child, LPARAM param);
    static BOOL CALLBACK ReleaseChild(HWND child, LPARAM param);

    void ReadProfile(const char* section, const char* key, char* buf, size_t size) const;
    const char* OwnKey(HWND wnd) const;
    void KeepKey(HWND wnd, const char* key);
    void ReleaseKey(HWND wnd);
    void ForgetDeadWindows();

    DWORD m_unavailable;
    char m_languageFile[MAX_PATH];
    char m_helpFile[MAX_PATH];
    // Heap copies of keys by window; the same pointer sits in the window's
    // GWLP_USERDATA slot. Mutable: a stale entry is dropped when found.
    mutable std::map<HWND, char*> m_keptKeys;
    HMODULE m_htmlHelp;
    bool m_winHelpOpened;
};

extern CLanguage g_Language;
