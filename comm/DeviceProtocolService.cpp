#include "comm/DeviceProtocol.h"

// The service operations of the engine: firmware update, announcement update
// and CDR download. Each brings its state handlers into this table and its
// hooks below.
static const EngineStateHandler s_serviceHandlers[] = {
    { 0, nullptr, nullptr },
};

const EngineStateHandler* GetServiceStateHandlers(int* count)
{
    *count = 0; // no service operation yet
    return s_serviceHandlers;
}

// An operation failed for lack of an answer: close its files.
void CDeviceProtocol::OnServiceFailure()
{
}

// The loader restarted while a firmware update was starting.
void CDeviceProtocol::RestartFirmwareUpdate()
{
}

// The loader has no runnable firmware: the update starts by itself.
void CDeviceProtocol::StartFirmwareUpdateForNoFirmware()
{
}
