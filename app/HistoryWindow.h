#pragma once

#include <memory>

#include "Form.h"
#include "HistoryLog.h"
#include "ucListView.h"

// "历史": the history's events, newest first, growing while it is open.
class HistoryWindow : public Form {
 public:
  static constexpr int kMaxRows = 1000;

  explicit HistoryWindow(const HistoryLog& log) : log_(log) {}
  // A record just written; shown at the top when the window is open.
  void Add(const HistoryRecord& record);
  // The rows, while the window is open.
  ucListView* List() { return hWnd() ? list_.get() : nullptr; }

 private:
  const wchar_t* Caption() const override { return L"历史"; }
  SIZE ClientTwips() const override { return {9600, 4800}; }
  void Load() override;
  void InsertRow(int at, const HistoryRecord& record);

  const HistoryLog& log_;
  // A closed window took the list's windows with it; each load makes a new one.
  std::unique_ptr<ucListView> list_;
};
