#include "HistoryWindow.h"

#include <numeric>

#include "Layout.h"
#include "TableCommands.h"

namespace {

struct Column {
  const wchar_t* header;
  int width;  // pixels at 96 dpi
};
constexpr Column kColumns[] = {{L"时间", 160}, {L"事件", 100}, {L"监控项", 150}, {L"详情", 200}};

}  // namespace

HMENU HistoryWindow::CreateMenuBar() const {
  HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, kMenuExport, kExportCommandText);
  return menu;
}

void HistoryWindow::Load() {
  RECT client{};
  GetClientRect(hWnd(), &client);
  ucListViewEvents* events = this;
  list_ = std::make_unique<ucListView>(events);
  list_->Create(hWnd(), 0, 0, client.right, client.bottom, kList);
  list_->Initialize();
  list_->BorderStyle(BORDER_SUNKEN);
  list_->ViewMode(VIEWMODE_REPORT);
  list_->FullRowSelect(true);
  list_->MultiSelect(true);
  const int dpi = ScreenDpi();
  for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
    list_->ColumnAdd(c, kColumns[c].header, MulDiv(kColumns[c].width, dpi, 96));
  }
  const std::vector<HistoryRecord> records = log_.Recent(kMaxRows);
  for (size_t i = 0; i < records.size(); ++i) InsertRow(static_cast<int>(i), records[i]);
}

void HistoryWindow::Add(const HistoryRecord& record) {
  if (!List()) return;
  InsertRow(0, record);
  if (list_->Count() > kMaxRows) list_->ItemRemove(list_->Count() - 1);
}

void HistoryWindow::InsertRow(int at, const HistoryRecord& record) {
  list_->ItemAdd(at, record.time, 0, -1);
  list_->SubItemSet(at, 1, record.event, -1);
  list_->SubItemSet(at, 2, record.entry, -1);
  list_->SubItemSet(at, 3, record.details, -1);
}

void HistoryWindow::OnCommand(int id, int) {
  if (id == kMenuExport) Export();
}

void HistoryWindow::OnSize(int width, int height) {
  MoveWindow(list_->hWnd(), 0, 0, width, height, TRUE);
}

bool HistoryWindow::OnContextMenu(HWND window, POINT at) {
  const std::optional<POINT> point = ListMenuPoint(*list_, window, at);
  if (!point) return false;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | (list_->SelectedCount() > 0 ? 0 : MF_GRAYED), kCmdCopy, kCopyCommandText);
  const int command = prompts_.PopupMenu(hWnd(), menu, *point);
  DestroyMenu(menu);
  if (command == kCmdCopy) CopySelectedRows();
  return true;
}

void HistoryWindow::KeyDown(int& KeyCode, int& Shift) {
  if (IsCopyKey(KeyCode, Shift)) CopySelectedRows();
}

void HistoryWindow::CopySelectedRows() const {
  std::vector<int> items;
  for (int item = 0; item < list_->Count(); ++item) {
    if (list_->ItemSelected(item)) items.push_back(item);
  }
  if (!items.empty()) CopyTable(hWnd(), RowsText(items));
}

void HistoryWindow::Export() const {
  ExportTable(hWnd(), prompts_, L"历史.csv", [this] {
    std::vector<int> items(list_->Count());
    std::iota(items.begin(), items.end(), 0);
    return RowsText(items);
  });
}

TextTable HistoryWindow::RowsText(const std::vector<int>& items) const {
  TextTable table;
  for (const Column& column : kColumns) table.columns.push_back(column.header);
  for (const int item : items) {
    std::vector<std::wstring>& row = table.rows.emplace_back();
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) row.push_back(list_->SubItemText(item, c));
  }
  return table;
}
