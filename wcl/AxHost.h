#pragma once
#include "wcl/Win.h"
#include <ole2.h>

// A window that hosts an ActiveX control: a dialog template names the
// control's CLSID (or ProgID) as the text of a control of class
// AX_HOST_CLASS. The host creates the control when the window is created,
// activates it in place, keeps it the size of the window and closes and
// releases it when the window goes. The control's object is reached with
// AxHostQueryControl; it exists only while the window does.
#define AX_HOST_CLASS "VelAxHost"

// Registers the host's window class (once per process; COM must be
// initialised on the thread before a host window is created).
bool AxHostRegister();

// Queries the hosted control of host window for iid. Fails (null in *out)
// when the window is no host or its control could not be made.
HRESULT AxHostQueryControl(HWND host, REFIID iid, void** out);

// How a host makes its control; tests replace it to act out a system
// without the control. Null restores the system's own way (CoCreateInstance).
typedef HRESULT (*AxCreateControlFn)(REFCLSID clsid, IUnknown** out);
void AxHostSetCreateFunction(AxCreateControlFn create);
