#pragma once

#include <windows.h>

#include <string>

// Sort orders and types for SortItems.
enum eSortOrder : long { SORT_KEEP = 0, SORT_ASCENDING = 1, SORT_DESCENDING = -1 };
enum eSortType : long {
  SORT_TEXT = 0,            // case-insensitive
  SORT_TEXT_CASE = 1,       // case-sensitive
  SORT_NUMBER = 2,          // by the user's locale; empty text and non-numbers count as 0
  SORT_DATE = 3,            // by the user's locale; non-dates count as 0
};

// Sorts the rows of a list-view window by one column (0 = item text). False,
// with the list untouched, for an unknown order or type or when the list refuses.
// The rows' item data (lParam) serves as a tag during the sort and is put back;
// the list's parent hears nothing of those changes. Rows added while the list
// sorts go last.
bool SortItems(HWND hListView, int Column, long Order, long Type);

// The full text of an item (SubItem 0) or sub-item; "" when there is none.
std::wstring ListViewItemText(HWND hListView, int Item, int SubItem);

// A row's item data (lParam), read and written.
LPARAM ItemParam(HWND hListView, int row);
void SetItemParam(HWND hListView, int row, LPARAM value);
