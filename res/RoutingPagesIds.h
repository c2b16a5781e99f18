#pragma once
// Resource ids of the routing, CLIP, GSM cell and mobility extension pages.

// Shared by the list pages: their number edit, list and buttons.
#define IDC_LIST_ADD 1041
#define IDC_LIST_CHANGE 1042
#define IDC_LIST_DELETE 1043

// LCR routing page and its profile tabs.
#define IDD_LCR_ROUTING 241
#define IDC_LCR_ROUTING_TABS 1031
#define IDD_LCR_ROUTING_TAB 242
#define IDC_LCR_TAB_LIST 1051
#define IDC_LCR_TAB_ADD 1041
#define IDC_LCR_TAB_EDIT 1042
#define IDC_LCR_TAB_DELETE 1043

// LCR routing rule dialog.
#define IDD_LCR_ROUTING_ITEM 243
#define IDC_LCR_ITEM_NUMBER 1003
#define IDC_LCR_ITEM_CUT 1004
#define IDC_LCR_ITEM_INSERT 1005
#define IDC_LCR_ITEM_DIAL 1006
#define IDC_LCR_ITEM_TARGETS 1049
#define IDC_LCR_ITEM_AOC 1101
#define IDC_LCR_ITEM_TARGET 1374
#define IDC_LCR_ITEM_LINE 1375
#define IDC_LCR_ITEM_CREDIT 1376
#define IDC_LCR_ITEM_ADD 1041
#define IDC_LCR_ITEM_DELETE 1042
#define IDC_LCR_ITEM_UP 1043
#define IDC_LCR_ITEM_DOWN 1044
#define IDC_LCR_ITEM_CHANGE 1045

// LCR CLIP table page.
#define IDD_LCR_CLIP 244
#define IDC_LCR_CLIP_NUMBER 1003
#define IDC_LCR_CLIP_PROFILE 1004
#define IDC_LCR_CLIP_LIST 1049

// CLIP from GSM page.
#define IDD_CLIP_GSM 239
#define IDC_CLIP_GSM_NUMBER 1003
#define IDC_CLIP_GSM_LIST 1049

// GSM cell selection page.
#define IDD_GSM_CELLS 277
#define IDC_CELL_MCC 1003
#define IDC_CELL_MNC 1004
#define IDC_CELL_LAC 1005
#define IDC_CELL_ID 1006
#define IDC_CELL_LIST 1049
#define IDC_CELL_ONLINE 1050
#define IDC_CELL_ADD 1042
#define IDC_CELL_CHANGE 1043
#define IDC_CELL_DELETE 1044
#define IDC_CELL_READ 1045
#define IDC_CELL_COPY 1046
#define IDC_CELL_ACTION 1374
#define IDC_CELL_MODULE 1375

// Mobility extension page.
#define IDD_MOBILITY 311
#define IDC_MOB_EXTENSION 1003
#define IDC_MOB_NUMBER1 1004
#define IDC_MOB_NUMBER2 1005
#define IDC_MOB_NUMBER3 1006
#define IDC_MOB_LIST 1049
#define IDC_MOB_INTERFACE 1374
#define IDC_MOB_MODE1 1375
#define IDC_MOB_MODE2 1376
#define IDC_MOB_MODE3 1377

// Working hours page: the time of day d, entry e is IDC_WH_TIME_FIRST + 4d + e.
#define IDD_WORKING_HOURS 290
#define IDC_WH_TIME_FIRST 1115
#define IDC_WH_TIME_LAST 1142
#define IDC_WH_HOLIDAY_DATE 1370
#define IDC_WH_HOLIDAY_FORMAT 1371
#define IDC_WH_HOLIDAYS 1049
