#pragma once
// Resource ids of the diagnostics pages.

#define IDD_DIAG_ISDN_LINES 248
#define IDD_DIAG_GSM_CREDITS 256
#define IDD_DIAG_CARDS 273
#define IDD_DIAG_ISDN_CREDIT 292
#define IDD_DIAG_VOIP 319

// The lamps of the ISDN line states.
#define IDI_DIAG_LAMP_ALARM 264
#define IDI_DIAG_LAMP_SDI 265

// ISDN lines: the seven lamps of link k are 1121 + 7k to 1127 + 7k.
#define IDC_DIAG_LINE_LAMP 1121
// ISDN credit: the label of link k is 1121 + 4k, its counters 1122 + 4k + j.
#define IDC_DIAG_CREDIT_LABEL 1121
// Cards: module k has its label 1121 + 3k, state 1122 + 3k, level 1123 + 3k.
#define IDC_DIAG_MODULE_LABEL 1121
#define IDC_DIAG_MODULE_STATE 1122
#define IDC_DIAG_MODULE_LEVEL 1123
#define IDC_DIAG_MODULE_LAST 1216
// GSM credits: module k has its label 1121 + 4k, its counters 1122 + 4k + j.
#define IDC_DIAG_GSM_CREDIT_LABEL 1121
// Cards and GSM credits: the group boxes of cards 0-7.
#define IDC_DIAG_CARD_GROUP 1353
// VoIP: the two lists and the users' group box.
#define IDC_DIAG_VOIP_TRUNKS 1049
#define IDC_DIAG_VOIP_USERS 1050
#define IDC_DIAG_VOIP_USER_GROUP 1121
