#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <cstring>

const char* const kSettingsKey = "Software\\Orvand\\VelmotrexVoIP";

// The fields are addressed by their offset so that one loop serves the whole
// table; the record's only virtual is its destructor, which gcc lays out first.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace
{
const SettingValue kAppSettingValues[] = {
    {"Language", SETTING_NUMBER, offsetof(CAppSettings, Language), 4, 1, 0},
    {"ComMode", SETTING_NUMBER, offsetof(CAppSettings, ComMode), 4, 0, 0},
    {"VirtualComPort", SETTING_TEXT, offsetof(CAppSettings, VirtualComPort), 32, 0, 0},
    {"Baudrate", SETTING_NUMBER, offsetof(CAppSettings, Baudrate), 4, 115200, 0},
    {"TcpAddress", SETTING_TEXT, offsetof(CAppSettings, TcpAddress), 64, 0, 0},
    {"TcpPort", SETTING_NUMBER, offsetof(CAppSettings, TcpPort), 4, 1002, 0},
    {"CommunicationLog", SETTING_NUMBER, offsetof(CAppSettings, CommunicationLog), 4, 0, 0},
    {"CommunicationLogRawInput", SETTING_NUMBER, offsetof(CAppSettings, CommunicationLogRawInput), 4, 0, SETTING_READ_ONLY},
    {"CommunicationLogMaxLines", SETTING_NUMBER, offsetof(CAppSettings, CommunicationLogMaxLines), 4, 200, 0},
    {"MonitorLogMaxLines", SETTING_NUMBER, offsetof(CAppSettings, MonitorLogMaxLines), 4, 1000, 0},
    {"MonitorLogClearAtStart", SETTING_NUMBER, offsetof(CAppSettings, MonitorLogClearAtStart), 4, 1, 0},
    {"MonitorLogSaveAtEnd", SETTING_NUMBER, offsetof(CAppSettings, MonitorLogSaveAtEnd), 4, 1, 0},
    {"MonitorKeepAlive", SETTING_NUMBER, offsetof(CAppSettings, MonitorKeepAlive), 4, 20000, 0},
    {"CommunicationTimeout", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeout), 4, 5000, 0},
    {"CommunicationTimeoutFlashLoad", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutFlashLoad), 4, 5000, 0},
    {"CommunicationTimeoutFlashLoadStart", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutFlashLoadStart), 4, 5000, 0},
    {"CommunicationTimeoutFlashLoadEnd", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutFlashLoadEnd), 4, 10000, 0},
    {"CommunicationTimeoutDataRead", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutDataRead), 4, 5000, 0},
    {"CommunicationTimeoutDataWrite", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutDataWrite), 4, 5000, 0},
    {"CommunicationTimeoutDataWriteStart", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutDataWriteStart), 4, 5000, 0},
    {"CommunicationTimeoutReset", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutReset), 4, 5000, 0},
    {"CommunicationTimeoutReadCells", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutReadCells), 4, 10000, 0},
    {"CommunicationTimeoutSwitchToLoader", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutSwitchToLoader), 4, 5000, SETTING_READ_ONLY},
    {"CommunicationTimeoutSwitchToFirmware", SETTING_NUMBER, offsetof(CAppSettings, CommunicationTimeoutSwitchToFirmware), 4, 10000, SETTING_READ_ONLY},
    {"ChannelIndexOffset", SETTING_NUMBER, offsetof(CAppSettings, ChannelIndexOffset), 4, 0, 0},
    {"GroupIndexOffset", SETTING_NUMBER, offsetof(CAppSettings, GroupIndexOffset), 4, 0, 0},
    {"RoutingProfileIndexOffset", SETTING_NUMBER, offsetof(CAppSettings, RoutingProfileIndexOffset), 4, 0, 0},
    {"BoardIndexOffset", SETTING_NUMBER, offsetof(CAppSettings, BoardIndexOffset), 4, 0, 0},
    {"DiagnosticsRefresh", SETTING_NUMBER, offsetof(CAppSettings, DiagnosticsRefresh), 4, 5000, 0},
    {"StatisticsRefresh", SETTING_NUMBER, offsetof(CAppSettings, StatisticsRefresh), 4, 60000, 0},
    {"GSMUsageRefresh", SETTING_NUMBER, offsetof(CAppSettings, GSMUsageRefresh), 4, 5000, 0},
    {"CDRHeader", SETTING_NUMBER, offsetof(CAppSettings, CDRHeader), 4, 1, SETTING_CDR},
    {"CDRFieldDate", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldDate), 4, 0, SETTING_CDR},
    {"CDRFieldTime", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldTime), 4, 1, SETTING_CDR},
    {"CDRFieldType", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldType), 4, 2, SETTING_CDR},
    {"CDRFieldLength", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldLength), 4, 5, SETTING_CDR},
    {"CDRFieldInPort", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldInPort), 4, 6, SETTING_CDR},
    {"CDRFieldOutPort", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldOutPort), 4, 7, SETTING_CDR},
    {"CDRFieldCause", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldCause), 4, 8, SETTING_CDR},
    {"CDRFieldCallerId", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldCallerId), 4, 3, SETTING_CDR},
    {"CDRFieldCalledNumber", SETTING_NUMBER, offsetof(CAppSettings, CDRFieldCalledNumber), 4, 4, SETTING_CDR},
    {"DataReadWriteRequestDelay", SETTING_NUMBER, offsetof(CAppSettings, DataReadWriteRequestDelay), 4, 25, SETTING_READ_ONLY | SETTING_TRANSFER},
    {"DataReadWriteMaxPendingRequests", SETTING_NUMBER, offsetof(CAppSettings, DataReadWriteMaxPendingRequests), 4, 5, SETTING_READ_ONLY | SETTING_TRANSFER},
    {"CheckFirmwareVersion", SETTING_NUMBER, offsetof(CAppSettings, CheckFirmwareVersion), 4, 1, SETTING_READ_ONLY},
    {"CheckFirmwareAddrSpace", SETTING_NUMBER, offsetof(CAppSettings, CheckFirmwareAddrSpace), 4, 1, SETTING_READ_ONLY},
    {"Icon", SETTING_TEXT, offsetof(CAppSettings, Icon), 260, 0, SETTING_READ_ONLY},};

const size_t kAppSettingCount = sizeof(kAppSettingValues) / sizeof(kAppSettingValues[0]);

// Number fields are DWORD or int: copied as bytes, never through a cast pointer.
void SetNumberField(void* record, const SettingValue& v, DWORD value)
{
    memcpy(static_cast<char*>(record) + v.offset, &value, sizeof(value));
}

char* TextField(void* record, const SettingValue& v)
{
    return static_cast<char*>(record) + v.offset;
}

void SetDefault(void* record, const SettingValue& v)
{
    switch (v.type)
    {
    case SETTING_NUMBER:
        SetNumberField(record, v, v.defaultNumber);
        break;
    case SETTING_TEXT:
        memset(TextField(record, v), 0, v.size);
        break;
    case SETTING_TEXT_CURRENTDIR:
    {
        char* field = TextField(record, v);
        memset(field, 0, v.size);
        DWORD n = ::GetCurrentDirectoryA(v.size, field);
        if (n == 0 || n >= v.size)
            field[0] = '\0';
        break;
    }
    }
}

// A number must be a value of at most four bytes that is not text; shorter
// data is zero-extended, never mixed with what the field held.
bool QueryNumber(HKEY key, const char* name, DWORD* out)
{
    DWORD value = 0, type = 0, size = sizeof(value);
    if (::RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return false;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
        return false;
    *out = value;
    return true;
}

// A text must be string data that fits the field together with its
// terminator; anything else counts as missing.
bool QueryText(HKEY key, const char* name, char* field, DWORD fieldSize)
{
    memset(field, 0, fieldSize);
    DWORD type = 0, size = fieldSize;
    if (::RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(field), &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ)
        || (size == fieldSize && field[fieldSize - 1] != '\0'))
    {
        memset(field, 0, fieldSize);
        return false;
    }
    field[fieldSize - 1] = '\0';
    return true;
}
}

HKEY OpenSettingsKey()
{
    HKEY key = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          NULL, &key, NULL) != ERROR_SUCCESS)
        return NULL;
    return key;
}

void SetSettingDefaults(void* record, const SettingValue* table, size_t count, DWORD mask)
{
    for (size_t i = 0; i < count; ++i)
        if (!mask || (table[i].flags & mask))
            SetDefault(record, table[i]);
}

void LoadSettingValues(void* record, const SettingValue* table, size_t count)
{
    HKEY key = OpenSettingsKey();
    if (!key)
        return;
    for (size_t i = 0; i < count; ++i)
    {
        const SettingValue& v = table[i];
        bool found;
        if (v.type == SETTING_NUMBER)
        {
            DWORD number = 0;
            found = QueryNumber(key, v.name, &number);
            if (found)
                SetNumberField(record, v, number);
        }
        else
            found = QueryText(key, v.name, TextField(record, v), v.size);
        if (!found)
            SetDefault(record, v);
    }
    ::RegCloseKey(key);
}

void SaveSettingValues(const void* record, const SettingValue* table, size_t count)
{
    HKEY key = OpenSettingsKey();
    if (!key)
        return;
    for (size_t i = 0; i < count; ++i)
    {
        const SettingValue& v = table[i];
        if (v.flags & SETTING_READ_ONLY)
            continue;
        const BYTE* field = static_cast<const BYTE*>(record) + v.offset;
        if (v.type == SETTING_NUMBER)
            ::RegSetValueExA(key, v.name, 0, REG_DWORD, field, sizeof(DWORD));
        else
            ::RegSetValueExA(key, v.name, 0, REG_SZ, field,
                             (DWORD)strnlen(reinterpret_cast<const char*>(field), v.size - 1) + 1);
    }
    ::RegCloseKey(key);
}

CAppSettings::CAppSettings()
{
    SetDefaults();
}

CAppSettings::~CAppSettings() = default;

const SettingValue* CAppSettings::GetTable(size_t* count)
{
    if (count)
        *count = kAppSettingCount;
    return kAppSettingValues;
}

void CAppSettings::SetDefaults()
{
    SetSettingDefaults(this, kAppSettingValues, kAppSettingCount, 0);
}

void CAppSettings::SetCdrDefaults()
{
    SetSettingDefaults(this, kAppSettingValues, kAppSettingCount, SETTING_CDR);
}

void CAppSettings::SetDataReadWriteDefaults()
{
    SetSettingDefaults(this, kAppSettingValues, kAppSettingCount, SETTING_TRANSFER);
}

bool CAppSettings::Load()
{
    LoadSettingValues(this, kAppSettingValues, kAppSettingCount);
    return true;
}

bool CAppSettings::Save() const
{
    SaveSettingValues(this, kAppSettingValues, kAppSettingCount);
    return true;
}
