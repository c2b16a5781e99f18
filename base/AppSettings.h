#pragma once
#include "wcl/Win.h"
#include <cstddef>

// The program's registry key under HKEY_LOCAL_MACHINE: the settings, the path
// settings and the main window's placement live there.
extern const char* const kSettingsKey;

// Opens (creating when missing) the settings key with full access; NULL when
// that fails. The caller closes the key.
HKEY OpenSettingsKey();

// One registry value of a settings record: its name, how it is stored, where
// its field lives in the record, and its default.
enum SettingType
{
    SETTING_NUMBER,         // REG_DWORD into a 32-bit field
    SETTING_TEXT,           // REG_SZ into a char field of 'size' bytes
    SETTING_TEXT_CURRENTDIR // as SETTING_TEXT; the default is the current directory
};

enum : DWORD
{
    SETTING_READ_ONLY = 0x1, // read at start, never written
    SETTING_CDR       = 0x2, // reset by SetCdrDefaults
    SETTING_TRANSFER  = 0x4, // reset by SetDataReadWriteDefaults
};

struct SettingValue
{
    const char* name;
    SettingType type;
    size_t offset;
    DWORD size;
    DWORD defaultNumber;
    DWORD flags;
};

// The table walkers both records use. 'mask' selects rows by flag (0: all).
void SetSettingDefaults(void* record, const SettingValue* table, size_t count, DWORD mask);
void LoadSettingValues(void* record, const SettingValue* table, size_t count);
void SaveSettingValues(const void* record, const SettingValue* table, size_t count);

// Link, logs, time-outs, display offsets, refresh periods, CDR export columns,
// transfer tuning and icon. Each field is named by its registry value.
class CAppSettings
{
public:
    CAppSettings();
    virtual ~CAppSettings();

    void SetDefaults();
    void SetCdrDefaults();
    void SetDataReadWriteDefaults();
    // Both return true; a key that cannot be opened leaves the record as it is
    // and writes nothing.
    bool Load();
    bool Save() const;

    // The value table, one row per registry value.
    static const SettingValue* GetTable(size_t* count);

    DWORD Language;
    DWORD ComMode;
    char VirtualComPort[32];
    DWORD Baudrate;
    char TcpAddress[64];
    DWORD TcpPort;
    DWORD CommunicationLog;
    DWORD CommunicationLogRawInput;
    DWORD CommunicationLogMaxLines;
    DWORD MonitorLogMaxLines;
    DWORD MonitorLogClearAtStart;
    DWORD MonitorLogSaveAtEnd;
    DWORD MonitorKeepAlive;
    DWORD CommunicationTimeout;
    DWORD CommunicationTimeoutFlashLoad;
    DWORD CommunicationTimeoutFlashLoadStart;
    DWORD CommunicationTimeoutFlashLoadEnd;
    DWORD CommunicationTimeoutDataRead;
    DWORD CommunicationTimeoutDataWrite;
    DWORD CommunicationTimeoutDataWriteStart;
    DWORD CommunicationTimeoutReset;
    DWORD CommunicationTimeoutReadCells;
    DWORD CommunicationTimeoutSwitchToLoader;
    DWORD CommunicationTimeoutSwitchToFirmware;
    DWORD ChannelIndexOffset;
    DWORD GroupIndexOffset;
    DWORD RoutingProfileIndexOffset;
    DWORD BoardIndexOffset;
    DWORD DiagnosticsRefresh;
    DWORD StatisticsRefresh;
    DWORD GSMUsageRefresh;
    DWORD CDRHeader;
    DWORD CDRFieldDate;
    DWORD CDRFieldTime;
    DWORD CDRFieldType;
    DWORD CDRFieldLength;
    DWORD CDRFieldInPort;
    DWORD CDRFieldOutPort;
    DWORD CDRFieldCause;
    DWORD CDRFieldCallerId;
    DWORD CDRFieldCalledNumber;
    DWORD DataReadWriteRequestDelay;
    DWORD DataReadWriteMaxPendingRequests;
    DWORD CheckFirmwareVersion;
    DWORD CheckFirmwareAddrSpace;
    char Icon[260];};

extern CAppSettings g_Settings;
