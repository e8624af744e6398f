#pragma once

#include <memory>
#include <vector>

#include "Form.h"
#include "HistoryLog.h"
#include "TableText.h"
#include "UserPrompts.h"
#include "ucListView.h"

// "历史": the history's events, newest first, growing while it is open, to
// be copied and exported as the connection list is.
class HistoryWindow : public Form, private ucListViewEvents {
 public:
  static constexpr int kMaxRows = 1000;
  enum Id { kList = 1, kMenuExport, kCmdCopy };

  HistoryWindow(const HistoryLog& log, UserPrompts& prompts) : log_(log), prompts_(prompts) {}
  // A record just written; shown at the top when the window is open.
  void Add(const HistoryRecord& record);
  // The rows, while the window is open.
  ucListView* List() { return hWnd() ? list_.get() : nullptr; }

 private:
  const wchar_t* Caption() const override { return L"历史"; }
  SIZE ClientTwips() const override { return {9600, 4800}; }
  std::optional<SIZE> MinimumClientTwips() const override { return SIZE{4800, 2400}; }
  HMENU CreateMenuBar() const override;
  void Load() override;
  void OnCommand(int id, int code) override;
  void OnSize(int width, int height) override;
  bool OnContextMenu(HWND window, POINT at) override;
  // Ctrl+C and the arrow keys work at once, without a click on a row first.
  HWND FocusControl() const override { return list_ ? list_->hListView() : nullptr; }
  void KeyDown(int& KeyCode, int& Shift) override;
  void InsertRow(int at, const HistoryRecord& record);
  void CopySelectedRows() const;
  void Export() const;
  TextTable RowsText(const std::vector<int>& items) const;

  const HistoryLog& log_;
  UserPrompts& prompts_;
  // A closed window took the list's windows with it; each load makes a new one.
  std::unique_ptr<ucListView> list_;
};
