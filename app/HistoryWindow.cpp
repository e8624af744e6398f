#include "HistoryWindow.h"

#include "Layout.h"

namespace {

struct Column {
  const wchar_t* header;
  int width;  // pixels at 96 dpi
};
constexpr Column kColumns[] = {{L"时间", 160}, {L"事件", 100}, {L"监控项", 150}, {L"详情", 200}};

}  // namespace

void HistoryWindow::Load() {
  RECT client{};
  GetClientRect(hWnd(), &client);
  list_ = std::make_unique<ucListView>();
  list_->Create(hWnd(), 0, 0, client.right, client.bottom, 1);
  list_->Initialize();
  list_->BorderStyle(BORDER_SUNKEN);
  list_->ViewMode(VIEWMODE_REPORT);
  list_->FullRowSelect(true);
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
