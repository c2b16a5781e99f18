#pragma once
// Resource ids of the app folder: the device operation dialogs and the
// connection and account dialogs.

#define IDD_ABOUT                       100
#define IDD_COMMUNICATION               200
#define IDD_LANGUAGE                    202
#define IDD_PASSWORD                    203
#define IDD_LOGIN                       204
#define IDD_PROGRESS                    207
#define IDD_WAIT                        209
#define IDD_SYSINFO                     253
#define IDD_DATETIME                    254
#define IDD_GSM_MODULE_INFO             270
#define IDD_GSM_MODULE_RESET            272
#define IDD_LOGIN_WAIT                  307
#define IDD_ANNOUNCEMENT                308

// Ends a progress or wait dialog from outside (posted, result 1).
#define ID_DIALOG_CLOSE                 57682

// Edits of the connection and account dialogs.
#define IDC_TCP_ADDRESS                 1003
#define IDC_TCP_PORT                    1004
#define IDC_LOGIN_PASSWORD              1003
#define IDC_PASSWORD_OLD                1003
#define IDC_PASSWORD_NEW                1004
#define IDC_PASSWORD_CONFIRM            1005

#define IDC_PROGRESS_BAR                1007
#define IDC_DATETIME_SYNCHRONIZE        1041
#define IDC_TIME_PICKER                 1115
#define IDC_DATE_PICKER                 1116

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif

// The first static of a dialog: progress and wait text, information group
// box, last synchronisation, USB port label.
#define IDC_DIALOG_TEXT                 1121
#define IDC_WAIT_NOTICE                 1122

// System information values.
#define IDC_SYSINFO_GROUP               1121
#define IDC_SYSINFO_FIRMWARE            1122
#define IDC_SYSINFO_LOADER              1123
#define IDC_SYSINFO_DATA_PARTITION      1124
#define IDC_SYSINFO_DATA_VERSION        1125
#define IDC_SYSINFO_NAME                1126
#define IDC_SYSINFO_IP_ADDRESS          1127
#define IDC_SYSINFO_NET_MASK            1128
#define IDC_SYSINFO_DHCP                1129
#define IDC_SYSINFO_PORT                1130
#define IDC_SYSINFO_GATEWAY             1131
#define IDC_SYSINFO_VOIP                1135

// GSM module information values.
#define IDC_GSM_GROUP                   1121
#define IDC_GSM_TYPE                    1122
#define IDC_GSM_IMEI                    1123
#define IDC_GSM_IMSI                    1124
#define IDC_GSM_NETWORK                 1125

// Communication settings.
#define IDC_USB_PORT_LABEL              1121
#define IDC_TCP_ADDRESS_LABEL           1122
#define IDC_TCP_PORT_LABEL              1123
#define IDC_LINK_USB                    1260
#define IDC_LINK_TCP                    1261

// The drop-down list of the selection dialogs.
#define IDC_SELECT_LIST                 1374
