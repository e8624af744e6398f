#include "TableCommands.h"

#include "Clipboard.h"
#include "FileReplace.h"

namespace {

constexpr int kCtrl = 2;  // in an event's Shift

}  // namespace

bool IsCopyKey(int keyCode, int shift) {
  return keyCode == 'C' && shift == kCtrl;
}

void CopyTable(HWND owner, const TextTable& table) {
  PutOnClipboard(owner, TabSeparatedText(table));
}

void ExportTable(HWND owner, UserPrompts& prompts, const std::wstring& suggestedName,
                 const std::function<TextTable()>& rows) {
  const std::wstring path = prompts.SaveFileName(owner, suggestedName);
  if (path.empty()) return;
  const std::wstring reason = WriteFileReplacing(path, CsvBytes(rows()));
  if (!reason.empty()) prompts.MsgBox(owner, L"导出失败：" + reason, L"提示", MB_OK);
}

std::optional<POINT> ListMenuPoint(const ucListView& list, HWND window, POINT at) {
  if (window != list.hListView() && window != list.hWnd()) return std::nullopt;
  if (at.x != -1 || at.y != -1) return at;
  RECT row{LVIR_LABEL, 0, 0, 0};
  const int focused = list.ItemFindState(-1, LVNI_FOCUSED);
  if (focused < 0 || !SendMessageW(list.hListView(), LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&row))) {
    row = {};
  }
  POINT below{row.left, row.bottom};
  ClientToScreen(list.hListView(), &below);
  return below;
}
