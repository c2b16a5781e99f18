// The document side of the configuration view: new, open, save, close, the
// save question, adopting a downloaded record and the page commit.
#include "config/DataView.h"
#include "record/ConfigDataFile.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <cstring>

namespace
{
// The detail text of a failed open.
const char* OpenErrorKey(ConfigFileResult result)
{
    switch (result)
    {
    case CFGFILE_NO_FILE: return "strDataOpenErrorNoFile";
    case CFGFILE_OPEN_FAILED: return "strDataOpenErrorOpen";
    case CFGFILE_IS_FOLDER: return "strDataOpenErrorFolder";
    default: return "strDataOpenErrorFormat";
    }
}
}

void CDataView::SetModified(bool modified)
{
    if (modified)
        m_flags |= DV_MODIFIED;
    else
        m_flags &= ~DV_MODIFIED;
}

void CDataView::CommitSections(const DataTreeItem& item)
{
    ConfigRecord* doc = ::GetConfigRecord();
    ConfigRecord* edit = GetPageEditRecord();
    CommitSectionList list = GetCommitSections(item, doc);
    if (item.beforeCommit)
        item.beforeCommit(doc, edit);
    for (size_t i = 0; i < list.count; ++i)
    {
        const CommitSection& s = list.sections[i];
        uint8_t* to = ConfigBytes(doc) + s.offset;
        const uint8_t* from = ConfigBytes(edit) + s.offset;
        if (!IsModified() && memcmp(to, from, s.length) != 0)
            SetModified(true);
        memcpy(to, from, s.length);
    }
}

BOOL CDataView::CommitPage()
{
    const DataTreeItem* item = FindDataTreeItem(m_currentId);
    // Text pages store nothing.
    if (item && m_page && !m_page->IsTextPage())
    {
        int ok = m_page->Store();
        if (!ok && (item->flags & CIF_VETOES))
            return FALSE;
        CommitSections(*item);
        if (item->flags & CIF_RETITLES_TREE)
            RetitleItems();
        if ((item->flags & CIF_RETITLES_CARDS) && m_itemCards)
            RetitleItems(m_itemCards);
    }
    ConfigRecord* doc = ::GetConfigRecord();
    if (doc->commitMarker < CFG_COMMIT_MARKER_SET)
        doc->commitMarker = CFG_COMMIT_MARKER_SET;
    return TRUE;
}

void CDataView::StartDocument()
{
    FillRoutingGroupDefaults();
    m_flags &= ~(DV_MODIFIED | DV_NO_DOCUMENT);
    memcpy(GetPageEditRecord(), ::GetConfigRecord(), sizeof(ConfigRecord));
    ResetLastTabMemories();
    DestroyPage();
    BuildTree();
}

BOOL CDataView::OpenDocument(const char* path)
{
    if (path && path[0])
    {
        // The reader fills the record only when the whole file was accepted,
        // so a failed open leaves the document as it was.
        CConfigDataFile file;
        ConfigFileResult result = file.LoadFile(path, ::GetConfigRecord());
        if (result != CFGFILE_OK)
        {
            char detail[260];
            g_Language.GetString(OpenErrorKey(result), detail, sizeof(detail));
            g_Language.MessageBoxKeyFormat("strDataOpenError", "strError", MB_ICONEXCLAMATION, detail);
            return FALSE;
        }
        CopyText(m_path, sizeof(m_path), path);
    }
    else
    {
        SetConfigDefaults(::GetConfigRecord());
        m_path[0] = '\0';
    }
    StartDocument();
    return TRUE;
}

BOOL CDataView::SaveDocument(const char* path)
{
    if (!HasDocument())
        return FALSE;
    if (!CommitPage())
        return FALSE;
    const char* target = path && path[0] ? path : m_path;
    CConfigDataFile file;
    if (!target[0] || file.SaveFile(target, ::GetConfigRecord()) != CFGFILE_OK)
    {
        g_Language.MessageBoxKey("strDataSaveError", "strError", MB_ICONEXCLAMATION);
        return FALSE;
    }
    SetModified(false);
    if (path && path[0])
        CopyText(m_path, sizeof(m_path), path);
    return TRUE;
}

BOOL CDataView::CloseDocument()
{
    if (!HasDocument())
        return TRUE;
    ClearTree();
    DestroyPage();
    CreatePage(-1);
    m_currentId = -1;
    m_path[0] = '\0';
    m_flags |= DV_NO_DOCUMENT;
    m_flags &= ~DV_MODIFIED;
    return TRUE;
}

BOOL CDataView::SaveModified(HWND frame)
{
    if (!HasDocument())
        return TRUE;
    if (!CommitPage())
        return FALSE;
    if (!IsModified())
        return TRUE;
    int answer = g_Language.MessageBoxKeyFormat("strDataSaveQuestion", "strAppName",
                                                MB_YESNOCANCEL | MB_ICONQUESTION,
                                                m_path[0] ? m_path : "untitled");
    if (answer == IDNO)
        return TRUE;
    if (answer != IDYES)
        return FALSE;
    ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_CMD, 0), 0);
    return IsModified() ? FALSE : TRUE;
}

BOOL CDataView::AdoptRecord()
{
    FillRoutingGroupDefaults();
    if (!HasDocument())
    {
        // The downloaded record becomes an untitled document as it stands:
        // no defaults are written over it, so nothing needs to be kept aside.
        m_path[0] = '\0';
        StartDocument();
    }
    else
    {
        DestroyPage();
        memcpy(GetPageEditRecord(), ::GetConfigRecord(), sizeof(ConfigRecord));
        ResetLastTabMemories();
        HTREEITEM root = m_tree ? TreeView_GetRoot(m_tree) : NULL;
        if (m_currentId != 0 && root && TreeView_GetSelection(m_tree) != root)
            TreeView_SelectItem(m_tree, root);
        else
            CreatePage(0);
        RetitleItems();
    }
    SetModified(true);
    return TRUE;
}
