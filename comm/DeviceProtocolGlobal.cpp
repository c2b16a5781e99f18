#include "comm/DeviceProtocol.h"

// The program's protocol engine. Its constructor reads no settings, so its
// place among the static objects does not matter.
CDeviceProtocol g_DeviceProtocol;
