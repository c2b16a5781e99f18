#pragma once
#include "wcl/Win.h"
#include <commctrl.h>

// The few list-view operations the list pages share. Rows show texts made
// from the page's own row data; nothing here is read back as data.

// Sets the list's columns from a language text whose titles are separated by
// "|", with the given widths in pixels; existing columns are re-titled (after
// a language change) and keep their widths.
void SetListColumns(HWND list, const char* headerKey, const int* widths, int count);
// Sets the list's columns from one language key per column.
void SetListColumnKeys(HWND list, const char* const* keys, const int* widths, int count);
// Inserts a row at index with its column texts; returns its index.
int InsertListRow(HWND list, int index, const char* const* texts, int count);
// Re-sets the column texts of row index.
void SetListRow(HWND list, int index, const char* const* texts, int count);
// The selected row, or -1.
int SelectedListRow(HWND list);
// The row an item-changed notification reports as newly selected, or -1 when
// it reports anything else (a row losing its selection, a row selected
// again, a change of text or focus).
int NewlySelectedRow(const NMHDR* hdr);
// Selects and focuses row index and scrolls it into view.
void SelectListRow(HWND list, int index);
// The list's client width, for column widths.
int ListClientWidth(HWND list);
// Selects the whole text of an edit control and gives it the focus.
void FocusEditText(HWND edit);
