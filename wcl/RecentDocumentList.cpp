#include "wcl/RecentDocumentList.h"
#include <shlwapi.h>
#include <cstring>

namespace
{
const char kSubKey[] = "Recent Document List";

bool SamePath(const std::string& a, const char* b)
{
    return ::lstrcmpiA(a.c_str(), b) == 0;
}
}

void CRecentDocumentList::SetMaxEntries(int count)
{
    int most = (int)(m_lastId - m_firstId + 1);
    m_maxEntries = count < 1 ? 1 : (count > most ? most : count);
    if ((int)m_entries.size() > m_maxEntries)
        m_entries.resize(m_maxEntries);
}

void CRecentDocumentList::SetMenuHandle(HMENU menu)
{
    m_menu = menu;
    m_placeholder.clear();
    if (menu)
    {
        char text[260] = "";
        if (::GetMenuStringA(menu, m_firstId, text, sizeof(text), MF_BYCOMMAND) > 0)
            m_placeholder = text;
    }
    UpdateMenu();
}

void CRecentDocumentList::AddToList(const char* path)
{
    if (!path || !*path)
        return;
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (SamePath(m_entries[i], path))
        {
            m_entries.erase(m_entries.begin() + i);
            break;
        }
    m_entries.insert(m_entries.begin(), std::string(path));
    if ((int)m_entries.size() > m_maxEntries)
        m_entries.resize(m_maxEntries);
    UpdateMenu();
}

bool CRecentDocumentList::GetFromList(UINT id, char* path, int size) const
{
    if (id < m_firstId || id - m_firstId >= m_entries.size())
        return false;
    const std::string& e = m_entries[id - m_firstId];
    if ((int)e.size() >= size)
        return false;
    ::lstrcpynA(path, e.c_str(), (int)size);
    return true;
}

bool CRecentDocumentList::MoveToTop(UINT id)
{
    if (id < m_firstId || id - m_firstId >= m_entries.size())
        return false;
    std::string e = m_entries[id - m_firstId];
    m_entries.erase(m_entries.begin() + (id - m_firstId));
    m_entries.insert(m_entries.begin(), e);
    UpdateMenu();
    return true;
}

bool CRecentDocumentList::RemoveFromList(UINT id)
{
    if (id < m_firstId || id - m_firstId >= m_entries.size())
        return false;
    m_entries.erase(m_entries.begin() + (id - m_firstId));
    UpdateMenu();
    return true;
}

bool CRecentDocumentList::ReadFromRegistry(HKEY root, const char* programKey)
{
    char keyPath[512];
    ::wnsprintfA(keyPath, (int)sizeof(keyPath), "%s\\%s", programKey, kSubKey);
    HKEY key;
    if (::RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD count = 0, size = sizeof(count), type = 0;
    if (::RegQueryValueExA(key, "DocumentCount", NULL, &type, (BYTE*)&count, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        count = 0;
    if ((int)count > m_maxEntries)
        count = m_maxEntries;
    m_entries.clear();
    for (DWORD i = 1; i <= count; ++i)
    {
        char name[32];
        char path[MAX_PATH + 1] = "";
        ::wnsprintfA(name, (int)sizeof(name), "Document%i", (int)i);
        DWORD len = MAX_PATH;
        if (::RegQueryValueExA(key, name, NULL, &type, (BYTE*)path, &len) != ERROR_SUCCESS || type != REG_SZ)
            continue;
        path[len < sizeof(path) ? len : sizeof(path) - 1] = 0;
        if (path[0])
            m_entries.push_back(path);
    }
    ::RegCloseKey(key);
    UpdateMenu();
    return true;
}

bool CRecentDocumentList::WriteToRegistry(HKEY root, const char* programKey) const
{
    char keyPath[512];
    ::wnsprintfA(keyPath, (int)sizeof(keyPath), "%s\\%s", programKey, kSubKey);
    HKEY key;
    if (::RegCreateKeyExA(root, keyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    // Entries beyond the new count would come back on a larger limit: remove them.
    for (UINT i = (UINT)m_entries.size() + 1; i <= m_lastId - m_firstId + 1; ++i)
    {
        char name[32];
        ::wnsprintfA(name, (int)sizeof(name), "Document%i", (int)i);
        ::RegDeleteValueA(key, name);
    }
    DWORD count = (DWORD)m_entries.size();
    bool ok = ::RegSetValueExA(key, "DocumentCount", 0, REG_DWORD, (const BYTE*)&count, sizeof(count)) ==
              ERROR_SUCCESS;
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        char name[32];
        ::wnsprintfA(name, (int)sizeof(name), "Document%i", (int)(i + 1));
        ok &= ::RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)m_entries[i].c_str(),
                               (DWORD)m_entries[i].size() + 1) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return ok;
}

void CRecentDocumentList::UpdateMenu()
{
    if (!m_menu)
        return;
    // Find where the list stands: the first of its items still in the menu.
    int count = ::GetMenuItemCount(m_menu);
    int position = -1;
    for (int i = 0; i < count; ++i)
    {
        UINT id = ::GetMenuItemID(m_menu, i);
        if (id >= m_firstId && id <= m_lastId)
        {
            if (position < 0)
                position = i;
            ::DeleteMenu(m_menu, i, MF_BYPOSITION);
            --i;
            --count;
        }
    }
    if (position < 0)
        return;
    if (m_entries.empty())
    {
        ::InsertMenuA(m_menu, position, MF_BYPOSITION | MF_STRING | MF_GRAYED, m_firstId,
                      m_placeholder.empty() ? "(empty)" : m_placeholder.c_str());
        return;
    }
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        char shortPath[MAX_PATH + 1];
        ::lstrcpynA(shortPath, m_entries[i].c_str(), (int)sizeof(shortPath));
        int limit = m_maxItemLength - 4;
        if (limit < 8)
            limit = 8;
        if ((int)strlen(shortPath) > limit)
            ::PathCompactPathExA(shortPath, m_entries[i].c_str(), (UINT)limit, 0);
        char text[MAX_PATH + 8];
        ::wnsprintfA(text, (int)sizeof(text), "&%d %s", (int)(i + 1), shortPath);
        ::InsertMenuA(m_menu, position + (int)i, MF_BYPOSITION | MF_STRING, m_firstId + (UINT)i, text);
    }
}
