#pragma once
// Resource ids of the diag folder.

// The tree images of the configuration and diagnostics trees, in image-list
// order 0-4: root, closed group, open group, page, selected page.
#define IDI_TREE_ROOT 202
#define IDI_TREE_GROUP 200
#define IDI_TREE_GROUP_OPEN 201
#define IDI_TREE_PAGE 213
#define IDI_TREE_PAGE_SELECTED 212

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
