#pragma once
#include "base/AppSettings.h"

// Folders and filter indexes of the file dialogs, the last chosen firmware and
// announcement files, and the splitter positions. All zero until Load; saved
// once when the message loop has ended.
class CPathSettings
{
public:
    void SetDefaults();
    bool Load();
    bool Save() const;

    static const SettingValue* GetTable(size_t* count);

    char BrowsePathData[MAX_PATH];
    char BrowsePathCode[MAX_PATH];
    char BrowsePathLog[MAX_PATH];
    char BrowsePathCdr[MAX_PATH];
    DWORD OpenSaveFilterData;
    DWORD OpenSaveFilterCode;
    DWORD OpenSaveFilterLog;
    DWORD OpenSaveFilterCdr;
    char LastFlashWriteFile[MAX_PATH];
    char LastAnnouncementFile[MAX_PATH];
    int SplitterPos1;
    int SplitterPos2;
};

extern CPathSettings g_PathSettings;
