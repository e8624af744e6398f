#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "TableText.h"
#include "UserPrompts.h"
#include "ucListView.h"

// What the program's lists offer on their rows: copy, export and a context
// menu. The connection list and the history share them, so that both name
// their commands alike and write the same text and files.

inline constexpr wchar_t kCopyCommandText[] = L"复制\tCtrl+C";
inline constexpr wchar_t kExportCommandText[] = L"导出...";

// Ctrl alone with C, in a list's KeyDown event.
bool IsCopyKey(int keyCode, int shift);

// The rows on the clipboard as tab-separated text under the column names.
void CopyTable(HWND owner, const TextTable& table);

// Asks where to save, suggesting the name, then saves the rows taken at that
// moment as CSV. A failed write is told with the system's reason and leaves
// the chosen file as it was.
void ExportTable(HWND owner, UserPrompts& prompts, const std::wstring& suggestedName,
                 const std::function<TextTable()>& rows);

// Where a context menu asked for on the list opens, in screen coordinates:
// at the mouse, or under the focused row when the keyboard asked for it.
// Nothing when the menu was asked for on another window.
std::optional<POINT> ListMenuPoint(const ucListView& list, HWND window, POINT at);
