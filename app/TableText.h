#pragma once

#include <string>
#include <vector>

// Rows as the user copies or saves them: the column names, then one line of
// texts per row.
struct TextTable {
  std::vector<std::wstring> columns;
  std::vector<std::vector<std::wstring>> rows;
};

// Tab-separated lines, each ended by CR LF, the column names first, as
// spreadsheets and editors paste them. A tab or line break inside a text
// becomes a space, so that every row stays one line of the same columns.
std::wstring TabSeparatedText(const TextTable& table);

// The CSV file of the table: UTF-8 after a byte-order mark, so that
// spreadsheet programs read the Chinese, records ended by CR LF, and a field
// holding a comma, a quote or a line break quoted, its quotes doubled.
std::string CsvBytes(const TextTable& table);
