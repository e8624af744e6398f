#include "ConnectionColumns.h"

#include <iterator>

namespace {

struct Column {
  const wchar_t* header;
  int width;  // pixels at 96 dpi; 0 hides the column until the user widens it
  SortKind kind;
};

constexpr Column kColumns[] = {
    {L"PID", 70, SortKind::Number},       {L"进程", 100, SortKind::Text},
    {L"状态", 70, SortKind::Text},         {L"本地IP", 0, SortKind::Address},
    {L"本地端口", 70, SortKind::Number},   {L"远程IP", 0, SortKind::Address},
    {L"远程端口", 0, SortKind::Number},    {L"备注", 70, SortKind::Text},
};

}  // namespace

void ConnectionColumns::Add(ucListView& list, int dpi) {
  dpi_ = dpi;
  for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
    list.ColumnAdd(column, kColumns[column].header, MulDiv(kColumns[column].width, dpi, 96), 0);
  }
}

void ConnectionColumns::DpiChanged(ucListView& list, int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  for (int column = 0; column < list.ColumnCount(); ++column) {
    list.ColumnWidth(column, MulDiv(list.ColumnWidth(column), dpi, dpi_));
  }
  dpi_ = dpi;
}

std::vector<SortKind> ConnectionColumns::SortKinds() {
  std::vector<SortKind> kinds;
  for (const Column& column : kColumns) kinds.push_back(column.kind);
  return kinds;
}
