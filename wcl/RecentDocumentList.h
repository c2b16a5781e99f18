#pragma once
#include "wcl/Win.h"
#include <string>
#include <vector>

// The recent files of a File menu: the menu item with the first id stands for
// the list; the entries replace it, newest first, and are kept in the registry
// under "<program key>\Recent Document List" ("DocumentCount", "Document%i").
class CRecentDocumentList
{
public:
    CRecentDocumentList(UINT firstId = 57616, UINT lastId = 57631) : m_firstId(firstId), m_lastId(lastId) {}

    void SetMaxEntries(int count);
    int GetMaxEntries() const { return m_maxEntries; }
    void SetMaxItemLength(int length) { m_maxItemLength = length; }

    // The popup that holds the list (the File menu); the list is drawn into it.
    void SetMenuHandle(HMENU menu);
    HMENU GetMenuHandle() const { return m_menu; }

    void AddToList(const char* path);
    // index = command id - first id; false when there is no such entry.
    bool GetFromList(UINT id, char* path, int size) const;
    bool MoveToTop(UINT id);
    bool RemoveFromList(UINT id);
    int GetCount() const { return (int)m_entries.size(); }
    const char* GetEntry(int index) const { return m_entries[index].c_str(); }

    bool ReadFromRegistry(HKEY root, const char* programKey);
    bool WriteToRegistry(HKEY root, const char* programKey) const;

    void UpdateMenu();

private:
    UINT m_firstId;
    UINT m_lastId;
    int m_maxEntries = 6;
    int m_maxItemLength = 128;
    HMENU m_menu = NULL;
    std::string m_placeholder;
    std::vector<std::string> m_entries;
};
