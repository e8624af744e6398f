// The main window's commands on the connection list: filter, copy, export,
// the rows' menu and their colours.
#include <windowsx.h>

#include "RowColours.h"
#include "TableCommands.h"
#include "frmMain.h"
#include "frmMainIds.h"

TextTable frmMain::RowsText(const std::vector<int>& items) const {
  TextTable table;
  for (int column = 0; column < lvInfo_.ColumnCount(); ++column) table.columns.push_back(lvInfo_.ColumnText(column));
  for (const int item : items) {
    const ConnectionTexts& texts = view_.Row(item).texts;
    table.rows.emplace_back(texts.begin(), texts.end());
  }
  return table;
}

void frmMain::ShowRowCounts() const {
  statusBar_.ShowRowCounts(view_.ShownRows(), view_.Model().Count());
}

void frmMain::FilterChanged() {
  view_.Filter(filter_.Text());
  ShowRowCounts();
}

void frmMain::CopySelectedRows() {
  const std::vector<int> items = view_.SelectedItems();
  if (items.empty()) return;
  CopyTable(hWnd_, RowsText(items));
}

// The rows the filter shows; connections that have closed are no longer
// part of the list they save.
void frmMain::Export_Click() {
  ExportTable(hWnd_, *services_.prompts, L"连接.csv", [this] {
    std::vector<int> items;
    for (int item = 0; item < view_.Count(); ++item) {
      if (view_.Age(item) != RowAge::Closed) items.push_back(item);
    }
    return RowsText(items);
  });
}

// The row a double-click or the row menu acts on: the focused one when it is
// selected, else the first selected.
int frmMain::CurrentItem() const {
  const int focused = lvInfo_.ItemFindState(-1, LVNI_FOCUSED);
  return focused >= 0 && lvInfo_.ItemSelected(focused) ? focused : lvInfo_.SelectionItem();
}

// Copy the selected rows, mark the current one, or open its program's
// folder; a closed connection cannot be marked.
void frmMain::ShowRowMenu(POINT at) {
  const int item = CurrentItem();
  const bool row = item >= 0 && item < view_.Count();
  const bool markable = row && view_.Age(item) != RowAge::Closed;
  const bool folder = row && !view_.ProgramPath(item).empty();
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | (row ? 0 : MF_GRAYED), kCmdCopy, kCopyCommandText);
  AppendMenuW(menu, MF_STRING | (markable ? 0 : MF_GRAYED), kCmdMark, L"备注...");
  AppendMenuW(menu, MF_STRING | (folder ? 0 : MF_GRAYED), kCmdShowFolder, L"打开所在文件夹");
  const int command = services_.prompts->PopupMenu(hWnd_, menu, at);
  DestroyMenu(menu);
  switch (command) {
    case kCmdCopy: CopySelectedRows(); break;
    case kCmdMark: lvInfo_DblClick(); break;
    case kCmdShowFolder:
      if (services_.folders) services_.folders->ShowInFolder(view_.ProgramPath(item));
      break;
  }
}

void frmMain::OnContextMenu(HWND window, POINT at) {
  if (const std::optional<POINT> point = ListMenuPoint(lvInfo_, window, at)) ShowRowMenu(*point);
}

void frmMain::OnSettingChange() {
  highContrast_ = HighContrastOn();
  InvalidateRect(lvInfo_.hListView(), nullptr, TRUE);
}

void frmMain::KeyDown(int& KeyCode, int& Shift) {
  if (IsCopyKey(KeyCode, Shift)) CopySelectedRows();
}

void frmMain::OnSubItemPrePaint(int Item, int, COLORREF& TextBackColor, COLORREF& TextForeColor, bool& Process) {
  if (Item < 0 || Item >= view_.Count()) return;
  const RowPaint paint = PaintFor(view_.Age(Item), highContrast_);
  if (!paint.custom) return;
  TextBackColor = paint.back;
  TextForeColor = paint.fore;
  Process = true;
}
