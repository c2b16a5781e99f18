#pragma once
// Resource ids of the diag folder.

// The tree images of the configuration and diagnostics trees, named by
// their files (the image-list order is TreeImage's).
#define IDI_DIAG_DEVICE 202
#define IDI_DIAG_FOLDER 200
#define IDI_DIAG_FOLDER_OPEN 201
#define IDI_DIAG_NODE 213
#define IDI_DIAG_NODE_SELECTED 212

// The diagnostics tree of the diagnostics view.
#define IDC_DIAG_TREE 1101

// The modeless message box of the diagnostics pages.
#define IDD_DIAG_MESSAGE_BOX 279
#define IDC_DIAG_MESSAGE_TEXT 1121
#define IDC_DIAG_MESSAGE_ICON 1122

// The graph pages (GSM usage and statistics): a hidden static marks where
// the graph control is created.
#define IDD_DIAG_GRAPH_PAGE 275
#define IDC_DIAG_GRAPH_MARKER 1121
#define IDC_DIAG_GRAPH 1364
