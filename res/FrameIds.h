#pragma once
// Resource ids of the main frame: menus, commands, accelerators, bitmaps.

// The main menu, the accelerator table, the application icon and the toolbar
// strips (resting, hot and disabled).
#define IDR_MAINFRAME                   128
#define IDB_TOOLBAR                     128
#define IDB_TOOLBAR_HOT                 129
#define IDB_MENU_IMAGES                 130
#define IDB_TOOLBAR_DISABLED            131
#define IDR_CONTEXTMENU                 224

// The tab images, in the order of the tab kinds.
#define IDI_TAB_CONFIGURATION           140
#define IDI_TAB_COMMUNICATION           141
#define IDI_TAB_MONITOR                 142
#define IDI_TAB_DIAGNOSTICS             143

// File
#define ID_FILE_NEW                     57600
#define ID_FILE_OPEN                    57601
#define ID_FILE_CLOSE                   57602
#define ID_FILE_SAVE                    57603
#define ID_FILE_SAVE_AS                 57604
#define ID_FILE_MRU_FIRST               57616
#define ID_FILE_MRU_LAST                57631
#define ID_APP_EXIT                     57665
#define ID_FILE_DOWNLOAD                32780
#define ID_FILE_UPLOAD                  32781
#define ID_FILE_UPLOAD_WITHOUT_NETWORK  32802
#define ID_FILE_DOWNLOAD_CDR            32791

// View
#define ID_VIEW_TOOLBAR                 59392
#define ID_VIEW_STATUS_BAR              59393

// Connection
#define ID_CONNECTION_CONNECT           32792
#define ID_CONNECTION_DISCONNECT        32793

// Options
#define ID_OPTIONS_COMMUNICATION        32773
#define ID_OPTIONS_PASSWORD             32774
#define ID_OPTIONS_LANGUAGE             32775
#define ID_OPTIONS_DATETIME             32789

// Service
#define ID_SERVICE_RESET                32776
#define ID_SERVICE_WRITE_FIRMWARE       32777
#define ID_SERVICE_SYSINFO              32778
#define ID_SERVICE_MONITOR              32779
#define ID_SERVICE_COMMUNICATION        32787
#define ID_SERVICE_MODULE_RESET         32796
#define ID_SERVICE_LOAD_ANNOUNCEMENT    32800

// Help
#define ID_HELP_CONTENTS                57670
#define ID_APP_ABOUT                    57664

// Log context menu and editing keys
#define ID_EDIT_CLEAR                   57633
#define ID_EDIT_COPY                    57634
#define ID_EDIT_CUT                     57635
#define ID_EDIT_FIND                    57636
#define ID_EDIT_PASTE                   57637
#define ID_EDIT_SELECT_ALL              57642
#define ID_EDIT_UNDO                    57643
#define ID_EDIT_FIND_NEXT               32784
#define ID_EDIT_SAVE_AS                 32785

// Tabs and panes
#define ID_NEXT_TAB                     32794
#define ID_PREV_TAB                     32795
#ifndef ID_NEXT_PANE
#define ID_NEXT_PANE                    57680
#endif
#ifndef ID_PREV_PANE
#define ID_PREV_PANE                    57681
#endif
