#pragma once
#include "wcl/Win.h"

// The device's USB serial port: found by its friendly name, followed through
// device-interface arrival and removal notifications.

// The device as it shows on the USB bus.
const unsigned USB_DEVICE_VID = 0x1CBE;
const unsigned USB_DEVICE_PID = 0x0002;
// The start of the port's friendly name ("... (COM7)").
extern const char* const kUsbPortFriendlyName;

bool RegisterUsbNotification(HWND window);
void UnregisterUsbNotification();

// path: the device interface path of a WM_DEVICECHANGE arrival or removal;
// event 1 arrival, 2 removal. 0 when the path is not a USB device of
// interest, 1 otherwise.
int OnUsbDeviceChange(const char* path, int event);

// Looks the USB device with this instance id up: its description and friendly
// name (each up to 260 characters, empty when missing). 0 only when the
// device list cannot be read.
int FindUsbSerialPort(const char* instanceId, char* description, size_t descriptionSize,
                      char* friendlyName, size_t friendlyNameSize);

// "Stellaris USB serial port (COM7)" gives "COM7"; false when the name is too
// short or carries no port number. Never reads past the name.
bool ParseUsbPortName(const char* friendlyName, char* portName, size_t portNameSize);

// Replaces the friendly-name look-up (tests): same contract as FindUsbSerialPort.
typedef int (*UsbPortLookupFn)(const char* instanceId, char* description, size_t descriptionSize,
                               char* friendlyName, size_t friendlyNameSize);
UsbPortLookupFn SetUsbPortLookup(UsbPortLookupFn lookup);
