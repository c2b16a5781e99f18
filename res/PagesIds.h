#pragma once
// Resource ids of the pages folder.

// The text page: one static text that fills the page.
#define IDD_TEXT_PAGE 210
#define IDC_TEXT_PAGE_TEXT 1121
