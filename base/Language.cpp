#include "base/Language.h"
#include "base/DiskFile.h"
#include "base/TextUtil.h"
#include <cstring>
#include <cstdio>

namespace
{
const char kLanguageVersion[] = "3.0.0.5";

MessageBoxHook s_messageBoxHook = nullptr;

struct TooltipKey
{
    UINT commandId;
    const char* key;
};

const TooltipKey kTooltipKeys[] = {
    {57600, "ttipNew"},
    {57601, "ttipOpen"},
    {57603, "ttipSave"},
    {32780, "ttipDownload"},
    {32781, "ttipUpload"},
    {32802, "ttipUploadWithoutNetwork"},
    {57664, "ttipAbout"},
};

struct ButtonKey
{
    int buttonId;
    const char* key;
};

const ButtonKey kButtonKeys[] = {
    {IDOK, "strOK"},
    {IDCANCEL, "strCancel"},
    {IDYES, "strYes"},
    {IDNO, "strNo"},
};

// The IP address controls keep their own texts and user data; the web browser
// control and its inner windows are not ours either (their user data belongs
// to the browser), whether translating or releasing.
bool IsUntouchedId(int id)
{
    return (id >= 1361 && id <= 1365) || id == 1369;
}

// True when wnd, or a window between it and root, is one the module leaves
// alone: the whole subtree of such a control is skipped.
bool InUntouchedSubtree(HWND wnd, HWND root)
{
    for (HWND w = wnd; w && w != root; w = ::GetParent(w))
        if (IsUntouchedId(::GetDlgCtrlID(w)))
            return true;
    return false;
}

bool IsChildKey(const char* text)
{
    return strncmp(text, "str", 3) == 0;
}

// The top window's caption must look like "strX...": a lower-case or
// double-byte fourth character is an ordinary caption.
bool IsTopKey(const char* text)
{
    if (!IsChildKey(text))
        return false;
    unsigned char c = (unsigned char)text[3];
    return c && !::IsDBCSLeadByte(c) && ::IsCharUpperA((char)c);
}

// "\n" (backslash, n) becomes a space and a line feed: same length, in place.
void ApplyLineBreaks(char* text)
{
    for (char* p = text; p[0] && p[1]; ++p)
        if (p[0] == '\\' && p[1] == 'n')
        {
            p[0] = ' ';
            p[1] = '\n';
            ++p;
        }
}

void GetCurrentDir(char* buf, size_t size)
{
    DWORD n = ::GetCurrentDirectoryA((DWORD)size, buf);
    if (n == 0 || n >= size)
        buf[0] = '\0';
}

void ShowStartupError(const char* text)
{
    ShowMessageBox(NULL, text, "Error", MB_OK | MB_ICONERROR, nullptr);
}
}

HWND g_hMainWnd = NULL;

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = s_messageBoxHook;
    s_messageBoxHook = hook;
    return previous;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags, const char* key)
{
    if (s_messageBoxHook)
        return s_messageBoxHook(owner, text, caption, flags, key);
    return ::MessageBoxA(owner, text, caption, flags);
}

struct CLanguage::TranslateContext
{
    CLanguage* language;
    HWND root;
    bool keepKeys;
};

CLanguage::CLanguage() : m_unavailable(0), m_htmlHelp(NULL), m_winHelpOpened(false)
{
    m_languageFile[0] = '\0';
    m_helpFile[0] = '\0';
}

CLanguage::~CLanguage()
{
    if (m_helpFile[0])
    {
        if (m_winHelpOpened)
            ::WinHelpA(NULL, m_helpFile, HELP_QUIT, 0);
        if (m_htmlHelp)
        {
            typedef HWND(WINAPI * HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);
            HtmlHelpFn htmlHelp = (HtmlHelpFn)(void*)::GetProcAddress(m_htmlHelp, "HtmlHelpA");
            if (htmlHelp)
                htmlHelp(NULL, NULL, 0x12 /* HH_CLOSE_ALL */, 0);
        }
    }
    if (m_htmlHelp)
        ::FreeLibrary(m_htmlHelp);
    for (auto& kept : m_keptKeys)
        delete[] kept.second;
}

bool CLanguage::GetIniPath(char* buf) const
{
    GetCurrentDir(buf, MAX_PATH);
    size_t n = strlen(buf);
    if (n == 0 || buf[n - 1] != '\\')
        AppendText(buf, MAX_PATH, "\\");
    AppendText(buf, MAX_PATH, "LANG.INI");
    return true;
}

int CLanguage::GetLanguageCount() const
{
    char ini[MAX_PATH];
    GetIniPath(ini);
    int n = (int)::GetPrivateProfileIntA("general", "num_languages", 0, ini);
    return n < 0 ? 0 : n;
}

bool CLanguage::GetLanguageInfo(int index, char* name, size_t nameSize, char* path, size_t pathSize) const
{
    char ini[MAX_PATH];
    GetIniPath(ini);
    char key[16];
    FormatText(key, sizeof(key), "%d", index);
    if (name && nameSize)
    {
        name[0] = '\0';
        ::GetPrivateProfileStringA("language names", key, "", name, (DWORD)nameSize, ini);
        if (!name[0])
            return false;
    }
    if (!path || !pathSize)
        return true;
    char file[64] = "";
    ::GetPrivateProfileStringA("language files", key, "", file, sizeof(file), ini);
    if (!file[0])
        return false;
    path[0] = '\0';
    ::GetPrivateProfileStringA("general", "directory", "", path, (DWORD)pathSize, ini);
    if (!path[0])
        GetCurrentDir(path, pathSize);
    size_t dirLength = strlen(path);
    // Room for the directory, a backslash, the name and the terminator; when
    // it does not fit, the directory alone is no file and is not found.
    if (dirLength + strlen(file) + 1 >= pathSize)
        return true;
    if (dirLength == 0 || path[dirLength - 1] != '\\')
        AppendText(path, pathSize, "\\");
    AppendText(path, pathSize, file);
    return true;
}

bool CLanguage::GetHelpFileName(int index, char* buf, size_t size) const
{
    if (!buf || !size)
        return false;
    char ini[MAX_PATH];
    GetIniPath(ini);
    char key[16];
    FormatText(key, sizeof(key), "%d", index);
    buf[0] = '\0';
    ::GetPrivateProfileStringA("help files", key, "", buf, (DWORD)size, ini);
    return buf[0] != '\0';
}

bool CLanguage::SelectLanguage(int index)
{
    m_helpFile[0] = '\0';
    // A number outside the list names no language, even where a stray entry
    // of that number is left in the file.
    if (index < 1 || index > GetLanguageCount()
        || !GetLanguageInfo(index, nullptr, 0, m_languageFile, sizeof(m_languageFile)))
    {
        ShowStartupError("Cannot find language setting!");
        m_languageFile[0] = '\0';
        m_unavailable = 1;
        return false;
    }
    if (!FileExists(m_languageFile))
    {
        ::CharUpperA(m_languageFile);
        char text[MAX_PATH + 64];
        FormatText(text, sizeof(text), "Cannot find language file %s!", m_languageFile);
        ShowStartupError(text);
        m_languageFile[0] = '\0';
        m_unavailable = 1;
        return false;
    }
    char version[32] = "";
    ::GetPrivateProfileStringA("general", "version", "0.0.0.0", version, sizeof(version), m_languageFile);
    if (strcmp(version, kLanguageVersion) != 0)
    {
        ShowStartupError("Incompatible version of the language file!");
        m_unavailable = 1;
        return false;
    }
    m_unavailable = 0;
    GetHelpFileName(index, m_helpFile, sizeof(m_helpFile));
    return true;
}

void CLanguage::ReadProfile(const char* section, const char* key, char* buf, size_t size) const
{
    if (!buf || !size)
        return;
    buf[0] = '\0';
    // Before the first selection there is no file: an empty path would
    // make the profile functions read the system's own INI file.
    if (m_unavailable || !key || !m_languageFile[0])
        return;
    ::GetPrivateProfileStringA(section, key, "", buf, (DWORD)size, m_languageFile);
    buf[size - 1] = '\0';
}

bool CLanguage::GetString(const char* key, char* buf, size_t size) const
{
    if (!buf || !size)
        return false;
    buf[0] = '\0';
    if (m_unavailable)
        return false;
    ReadProfile("strings", key, buf, size);
    ApplyLineBreaks(buf);
    return true;
}

bool CLanguage::GetStringLong(const char* key, char* buf) const
{
    return GetString(key, buf, kLongTextSize);
}

int CLanguage::MessageBoxKey(const char* textKey, const char* captionKey, UINT flags) const
{
    if (m_unavailable)
        return 0;
    char caption[128];
    GetString(captionKey ? captionKey : "strAppName", caption, sizeof(caption));
    char text[MAX_PATH];
    GetString(textKey, text, sizeof(text));
    return ShowMessageBox(g_hMainWnd, text, caption, flags | MB_SETFOREGROUND, textKey);
}

int CLanguage::MessageBoxKeyFormat(const char* textKey, const char* captionKey, UINT flags, ...) const
{
    if (m_unavailable)
        return 0;
    char caption[128];
    GetString(captionKey ? captionKey : "strAppName", caption, sizeof(caption));
    char format[MAX_PATH];
    GetString(textKey, format, sizeof(format));
    char text[kLongTextSize + 1];
    va_list args;
    va_start(args, flags);
    FormatTextV(text, sizeof(text), format, args);
    va_end(args);
    return ShowMessageBox(g_hMainWnd, text, caption, flags | MB_SETFOREGROUND, textKey);
}

bool CLanguage::TranslateMenu(HMENU bar) const
{
    if (m_unavailable || !bar)
        return false;
    int count = ::GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i)
    {
        HMENU popup = ::GetSubMenu(bar, i);
        if (popup)
            TranslatePopupMenu(popup);
        char key[MAX_PATH] = "";
        ::GetMenuStringA(bar, i, key, sizeof(key), MF_BYPOSITION);
        char text[MAX_PATH];
        ReadProfile("menus", key, text, sizeof(text));
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = text;
        ::SetMenuItemInfoA(bar, i, TRUE, &info);
    }
    return true;
}

bool CLanguage::TranslatePopupMenu(HMENU menu) const
{
    if (m_unavailable || !menu)
        return false;
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        HMENU sub = ::GetSubMenu(menu, i);
        if (sub)
            TranslatePopupMenu(sub);
        char key[MAX_PATH] = "";
        ::GetMenuStringA(menu, i, key, sizeof(key), MF_BYPOSITION);
        if (!key[0])
            continue; // separator
        char text[MAX_PATH];
        ReadProfile("menus", key, text, sizeof(text));
        // The first backslash separates the item from its shortcut text.
        if (char* tab = strchr(text, '\\'))
            *tab = '\t';
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = text;
        ::SetMenuItemInfoA(menu, i, TRUE, &info);
    }
    return true;
}

bool CLanguage::GetTooltip(UINT commandId, char* buf, size_t size) const
{
    if (!buf || !size)
        return false;
    buf[0] = '\0';
    if (m_unavailable)
        return false;
    for (const TooltipKey& t : kTooltipKeys)
        if (t.commandId == commandId)
        {
            ReadProfile("tooltips", t.key, buf, size);
            return true;
        }
    return false;
}

bool CLanguage::GetButtonText(int buttonId, char* buf, size_t size) const
{
    if (!buf || !size)
        return false;
    buf[0] = '\0';
    if (m_unavailable)
        return false;
    for (const ButtonKey& b : kButtonKeys)
        if (b.buttonId == buttonId)
            return GetString(b.key, buf, size);
    return true;
}

const char* CLanguage::OwnKey(HWND wnd) const
{
    auto it = m_keptKeys.find(wnd);
    if (it == m_keptKeys.end())
        return nullptr;
    // A window destroyed without ReleaseWindowKeys may have passed its handle
    // on: the entry counts only while the slot still holds our copy.
    if (::IsWindow(wnd) && (char*)::GetWindowLongPtrA(wnd, GWLP_USERDATA) == it->second)
        return it->second;
    delete[] it->second;
    m_keptKeys.erase(it);
    return nullptr;
}

void CLanguage::ReleaseKey(HWND wnd)
{
    if (!OwnKey(wnd))
        return;
    ::SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    delete[] m_keptKeys[wnd];
    m_keptKeys.erase(wnd);
}

void CLanguage::KeepKey(HWND wnd, const char* key)
{
    ReleaseKey(wnd);
    // A slot another owner uses (a combo box's edit, a hosted control) is
    // left alone: that window simply cannot be retranslated.
    if (::GetWindowLongPtrA(wnd, GWLP_USERDATA) != 0)
        return;
    size_t n = strlen(key);
    char* copy = new char[n + 1];
    memcpy(copy, key, n + 1);
    ::SetWindowLongPtrA(wnd, GWLP_USERDATA, (LONG_PTR)copy);
    m_keptKeys[wnd] = copy;
}

void CLanguage::ForgetDeadWindows()
{
    for (auto it = m_keptKeys.begin(); it != m_keptKeys.end();)
    {
        if (::IsWindow(it->first))
            ++it;
        else
        {
            delete[] it->second;
            it = m_keptKeys.erase(it);
        }
    }
}

BOOL CALLBACK CLanguage::TranslateChild(HWND child, LPARAM param)
{
    TranslateContext* ctx = reinterpret_cast<TranslateContext*>(param);
    if (InUntouchedSubtree(child, ctx->root))
        return TRUE;
    char key[MAX_PATH] = "";
    ::GetWindowTextA(child, key, sizeof(key));
    if (!IsChildKey(key))
    {
        ctx->language->ReleaseKey(child);
        return TRUE;
    }
    if (ctx->keepKeys)
        ctx->language->KeepKey(child, key);
    else
        ctx->language->ReleaseKey(child);
    char text[kLongTextSize];
    ctx->language->GetString(key, text, sizeof(text));
    ::SetWindowTextA(child, text);
    return TRUE;
}

bool CLanguage::TranslateWindow(HWND wnd, bool keepKeys)
{
    if (m_unavailable || !::IsWindow(wnd))
        return false;
    ForgetDeadWindows();
    char key[MAX_PATH] = "";
    ::GetWindowTextA(wnd, key, sizeof(key));
    if (!IsTopKey(key))
        ReleaseKey(wnd);
    else
    {
        if (keepKeys)
            KeepKey(wnd, key);
        else
            ReleaseKey(wnd);
        char text[kLongTextSize];
        ReadProfile("strings", key, text, sizeof(text));
        ::SetWindowTextA(wnd, text);
    }
    TranslateContext ctx = {this, wnd, keepKeys};
    ::EnumChildWindows(wnd, TranslateChild, (LPARAM)&ctx);
    return true;
}

BOOL CALLBACK CLanguage::RetranslateChild(HWND child, LPARAM param)
{
    TranslateContext* ctx = reinterpret_cast<TranslateContext*>(param);
    if (InUntouchedSubtree(child, ctx->root))
        return TRUE;
    const char* key = ctx->language->OwnKey(child);
    if (!key)
        return TRUE;
    char text[kLongTextSize];
    ctx->language->GetString(key, text, sizeof(text));
    ::SetWindowTextA(child, text);
    return TRUE;
}

bool CLanguage::RetranslateWindow(HWND wnd) const
{
    if (m_unavailable || !::IsWindow(wnd))
        return false;
    if (const char* key = OwnKey(wnd))
    {
        char text[kLongTextSize];
        ReadProfile("strings", key, text, sizeof(text));
        ::SetWindowTextA(wnd, text);
    }
    TranslateContext ctx = {const_cast<CLanguage*>(this), wnd, false};
    ::EnumChildWindows(wnd, RetranslateChild, (LPARAM)&ctx);
    return true;
}

BOOL CALLBACK CLanguage::ReleaseChild(HWND child, LPARAM param)
{
    TranslateContext* ctx = reinterpret_cast<TranslateContext*>(param);
    if (!InUntouchedSubtree(child, ctx->root))
        ctx->language->ReleaseKey(child);
    return TRUE;
}

bool CLanguage::ReleaseWindowKeys(HWND wnd)
{
    // Runs also while the module is unavailable: keys must not leak.
    if (!::IsWindow(wnd))
        return false;
    ReleaseKey(wnd);
    TranslateContext ctx = {this, wnd, false};
    ::EnumChildWindows(wnd, ReleaseChild, (LPARAM)&ctx);
    return true;
}

UINT CLanguage::GetWinHelpCommand(const char* helpFile)
{
    size_t n = helpFile ? strlen(helpFile) : 0;
    if (n > 4 && n < MAX_PATH && helpFile[n - 4] == '.')
    {
        char contents[MAX_PATH];
        CopyText(contents, sizeof(contents), helpFile);
        memcpy(contents + n - 3, "cnt", 3);
        if (FileExists(contents))
            return HELP_FINDER;
    }
    return HELP_CONTENTS;
}

bool CLanguage::ShowHelp(HWND owner)
{
    if (m_unavailable || !m_helpFile[0])
        return false;
    ::CharLowerA(m_helpFile);
    if (strstr(m_helpFile, ".chm"))
    {
        // The HTML Help viewer is loaded on first use only.
        if (!m_htmlHelp)
            m_htmlHelp = ::LoadLibraryA("hhctrl.ocx");
        typedef HWND(WINAPI * HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);
        HtmlHelpFn htmlHelp = m_htmlHelp ? (HtmlHelpFn)(void*)::GetProcAddress(m_htmlHelp, "HtmlHelpA") : nullptr;
        if (htmlHelp)
            htmlHelp(NULL, m_helpFile, 0 /* HH_DISPLAY_TOPIC */, 0);
        return true;
    }
    ::WinHelpA(owner, m_helpFile, GetWinHelpCommand(m_helpFile), 0);
    m_winHelpOpened = true;
    return true;
}
