#include "comm/UsbPort.h"
#include "comm/Link.h"
#include "comm/LinkLog.h"
#include "comm/CommLogCtrl.h"
#include "comm/LateBound.h"
#include "base/AppSettings.h"
#include "base/TextUtil.h"
#include <dbt.h>
#include <setupapi.h>
#include <cstdlib>
#include <cstring>

const char* const kUsbPortFriendlyName = "Stellaris USB serial port";

namespace
{
// {A5DCBF10-6530-11D2-901F-00C04FB951ED}
const GUID kUsbDeviceInterface = { 0xA5DCBF10, 0x6530, 0x11D2, { 0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED } };

// The device set functions the port look-up uses: the setup library is
// loaded when a USB device first comes or goes, not with the program.
struct SetupFunctions
{
    decltype(&::SetupDiGetClassDevsA) getClassDevs;
    decltype(&::SetupDiEnumDeviceInfo) enumDeviceInfo;
    decltype(&::SetupDiGetDeviceInstanceIdA) getInstanceId;
    decltype(&::SetupDiGetDeviceRegistryPropertyA) getProperty;
    decltype(&::SetupDiDestroyDeviceInfoList) destroyList;

    SetupFunctions()
    {
        const char library[] = "setupapi.dll";
        getClassDevs = LateBoundFunction<decltype(getClassDevs)>(library, "SetupDiGetClassDevsA");
        enumDeviceInfo = LateBoundFunction<decltype(enumDeviceInfo)>(library, "SetupDiEnumDeviceInfo");
        getInstanceId = LateBoundFunction<decltype(getInstanceId)>(library, "SetupDiGetDeviceInstanceIdA");
        getProperty = LateBoundFunction<decltype(getProperty)>(library, "SetupDiGetDeviceRegistryPropertyA");
        destroyList = LateBoundFunction<decltype(destroyList)>(library, "SetupDiDestroyDeviceInfoList");
    }
    bool Bound() const { return getClassDevs && enumDeviceInfo && getInstanceId && getProperty && destroyList; }
};

const SetupFunctions& Setup()
{
    static const SetupFunctions functions;
    return functions;
}

HDEVNOTIFY s_notification = NULL;
UsbPortLookupFn s_lookup = FindUsbSerialPort;

// Reads "VID_%x&PID_%x" from an upper-cased hardware id; both values needed.
bool ParseVidPid(const char* id, unsigned* vid, unsigned* pid)
{
    const char* v = strstr(id, "VID_");
    const char* p = strstr(id, "PID_");
    if (!v || !p)
        return false;
    char* end = NULL;
    unsigned long vv = strtoul(v + 4, &end, 16);
    if (end == v + 4)
        return false;
    unsigned long pp = strtoul(p + 4, &end, 16);
    if (end == p + 4)
        return false;
    *vid = (unsigned)vv;
    *pid = (unsigned)pp;
    return true;
}

// Copies the part of text up to (not including) the next '#' or the end into
// part; returns where the next part starts, NULL at the end of the text.
const char* NextPart(const char* text, char* part, size_t size)
{
    const char* hash = strchr(text, '#');
    size_t n = hash ? (size_t)(hash - text) : strlen(text);
    if (size)
    {
        size_t copy = n < size - 1 ? n : size - 1;
        memcpy(part, text, copy);
        part[copy] = '\0';
    }
    return hash ? hash + 1 : NULL;
}
}

UsbPortLookupFn SetUsbPortLookup(UsbPortLookupFn lookup)
{
    UsbPortLookupFn previous = s_lookup;
    s_lookup = lookup ? lookup : FindUsbSerialPort;
    return previous;
}

bool RegisterUsbNotification(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    s_notification = ::RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return s_notification != NULL;
}

void UnregisterUsbNotification()
{
    if (s_notification)
        ::UnregisterDeviceNotification(s_notification);
    s_notification = NULL;
}

int OnUsbDeviceChange(const char* path, int event)
{
    if (!path)
        return 0;
    char prefix[16], hardwareId[128], instance[128], classPart[128];
    const char* rest = NextPart(path, prefix, sizeof(prefix));
    if (!rest || _stricmp(prefix, "\\\\?\\USB") != 0)
        return 0;
    rest = NextPart(rest, hardwareId, sizeof(hardwareId));
    if (!rest)
        return 0;
    rest = NextPart(rest, instance, sizeof(instance));
    if (!rest)
        return 0;
    NextPart(rest, classPart, sizeof(classPart));
    CharUpperA(hardwareId);

    unsigned vid = 0, pid = 0;
    if (!ParseVidPid(hardwareId, &vid, &pid))
        return 0;
    LinkLogColorFormat(LOG_MAGENTA, event == 1 ? "USB device added (Vid: %#x, Pid: %#x, %s)"
                                               : "USB device removed (Vid: %#x, Pid: %#x, %s)",
                       vid, pid, instance);
    if (vid != USB_DEVICE_VID || pid != USB_DEVICE_PID)
        return 0;
    if (g_Settings.ComMode == LINK_TCP)
        return 1;

    char instanceId[260], description[260], friendlyName[260], portName[32];
    FormatText(instanceId, sizeof(instanceId), "USB\\%s\\%s", hardwareId, instance);
    s_lookup(instanceId, description, sizeof(description), friendlyName, sizeof(friendlyName));
    if (!ParseUsbPortName(friendlyName, portName, sizeof(portName)))
        return 1;
    if (_stricmp(portName, g_Settings.VirtualComPort) != 0)
        return 1;
    if (event == 2)
        CommSuspend();
    else if (event == 1)
        CommInit(CommGetNotifyWindow(), 1);
    return 1;
}

int FindUsbSerialPort(const char* instanceId, char* description, size_t descriptionSize,
                      char* friendlyName, size_t friendlyNameSize)
{
    if (description && descriptionSize)
        description[0] = '\0';
    if (friendlyName && friendlyNameSize)
        friendlyName[0] = '\0';
    const SetupFunctions& setup = Setup();
    if (!setup.Bound())
        return 0;
    HDEVINFO devices = setup.getClassDevs(NULL, "USB", NULL, DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE)
        return 0;
    int result = 1;
    SP_DEVINFO_DATA info = {};
    info.cbSize = sizeof(info);
    for (DWORD i = 0; setup.enumDeviceInfo(devices, i, &info); ++i)
    {
        char id[260] = "";
        if (!setup.getInstanceId(devices, &info, id, sizeof(id), NULL))
        {
            result = 0;
            break;
        }
        if (_stricmp(id, instanceId) != 0)
            continue;
        char buffer[260];
        DWORD type = 0;
        if (friendlyName && friendlyNameSize
            && setup.getProperty(devices, &info, SPDRP_FRIENDLYNAME, &type, (BYTE*)buffer, sizeof(buffer) - 1, NULL))
        {
            buffer[sizeof(buffer) - 1] = '\0';
            CopyText(friendlyName, friendlyNameSize, buffer);
        }
        if (description && descriptionSize
            && setup.getProperty(devices, &info, SPDRP_DEVICEDESC, &type, (BYTE*)buffer, sizeof(buffer) - 1, NULL))
        {
            buffer[sizeof(buffer) - 1] = '\0';
            CopyText(description, descriptionSize, buffer);
        }
        break;
    }
    setup.destroyList(devices);
    return result;
}

bool ParseUsbPortName(const char* friendlyName, char* portName, size_t portNameSize)
{
    if (!friendlyName || !portName || portNameSize == 0)
        return false;
    portName[0] = '\0';
    // The number follows the fixed name and one blank: "<name> (COM7)".
    size_t skip = strlen(kUsbPortFriendlyName) + 1;
    if (strnlen(friendlyName, skip + 1) <= skip)
        return false;
    const char* p = friendlyName + skip;
    if (strncmp(p, "(COM", 4) != 0)
        return false;
    p += 4;
    if (*p < '0' || *p > '9')
        return false;
    long number = 0;
    while (*p >= '0' && *p <= '9' && number < 100000)
        number = number * 10 + (*p++ - '0');
    if (number <= 0 || number >= 100000)
        return false;
    FormatText(portName, portNameSize, "COM%ld", number);
    return true;
}
