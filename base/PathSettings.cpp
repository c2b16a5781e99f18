#include "base/PathSettings.h"

namespace
{
const SettingValue kPathSettingValues[] = {
    {"BrowsePathData", SETTING_TEXT_CURRENTDIR, offsetof(CPathSettings, BrowsePathData), MAX_PATH, 0, 0},
    {"BrowsePathCode", SETTING_TEXT_CURRENTDIR, offsetof(CPathSettings, BrowsePathCode), MAX_PATH, 0, 0},
    {"BrowsePathLog", SETTING_TEXT_CURRENTDIR, offsetof(CPathSettings, BrowsePathLog), MAX_PATH, 0, 0},
    {"BrowsePathCdr", SETTING_TEXT_CURRENTDIR, offsetof(CPathSettings, BrowsePathCdr), MAX_PATH, 0, 0},
    {"OpenSaveFilterData", SETTING_NUMBER, offsetof(CPathSettings, OpenSaveFilterData), 4, 1, 0},
    {"OpenSaveFilterCode", SETTING_NUMBER, offsetof(CPathSettings, OpenSaveFilterCode), 4, 1, 0},
    {"OpenSaveFilterLog", SETTING_NUMBER, offsetof(CPathSettings, OpenSaveFilterLog), 4, 1, 0},
    {"OpenSaveFilterCdr", SETTING_NUMBER, offsetof(CPathSettings, OpenSaveFilterCdr), 4, 1, 0},
    {"LastFlashWriteFile", SETTING_TEXT, offsetof(CPathSettings, LastFlashWriteFile), MAX_PATH, 0, 0},
    {"LastAnnouncementFile", SETTING_TEXT, offsetof(CPathSettings, LastAnnouncementFile), MAX_PATH, 0, 0},
    {"SplitterPos1", SETTING_NUMBER, offsetof(CPathSettings, SplitterPos1), 4, 200, 0},
    {"SplitterPos2", SETTING_NUMBER, offsetof(CPathSettings, SplitterPos2), 4, 0, 0},
};

const size_t kPathSettingCount = sizeof(kPathSettingValues) / sizeof(kPathSettingValues[0]);
}

const SettingValue* CPathSettings::GetTable(size_t* count)
{
    if (count)
        *count = kPathSettingCount;
    return kPathSettingValues;
}

void CPathSettings::SetDefaults()
{
    SetSettingDefaults(this, kPathSettingValues, kPathSettingCount, 0);
}

bool CPathSettings::Load()
{
    LoadSettingValues(this, kPathSettingValues, kPathSettingCount);
    return true;
}

bool CPathSettings::Save() const
{
    SaveSettingValues(this, kPathSettingValues, kPathSettingCount);
    return true;
}
