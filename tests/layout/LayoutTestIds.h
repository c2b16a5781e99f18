#pragma once
// Ids of the test-only dialog templates of the layout tests.
#define IDD_LAYOUT_PROBE 9001
#define IDC_PROBE_EDIT 101
#define IDC_PROBE_BUTTON 102
