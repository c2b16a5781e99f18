#pragma once
// Resource ids of the comm folder.

// The monitor log: a child dialog of the main frame's tab area.
#define IDD_MONITOR_LOG 223
#define IDC_MONITOR_COMMAND 1003
#define IDC_MONITOR_OPTION1 1010 // the 16 event classes: 1010 + bit number
#define IDC_MONITOR_OPTION16 1025
#define IDC_MONITOR_VIEW 1030
#define IDC_MONITOR_START 1041
#define IDC_MONITOR_STOP 1042
#define IDC_MONITOR_EXECUTE 1043
#define IDC_MONITOR_OPTIONS 1121
