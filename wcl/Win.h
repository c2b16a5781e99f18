#pragma once
// The one way every source of the program reaches the Windows headers:
// Winsock 2 must come before windows.h, and the common controls, rich edit
// and reflection codes are wanted nearly everywhere.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0600
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <olectl.h>
