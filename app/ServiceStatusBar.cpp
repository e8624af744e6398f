#include "ServiceStatusBar.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "FailureText.h"

namespace {

constexpr int kOutcomeWidth = 300;  // pixels at 96 dpi: room for a failure's cause
constexpr int kSnapshotWidth = 130;
constexpr int kSnapshotPart = 2;
constexpr int kRowsWidth = 150;
constexpr int kRowsPart = 3;

std::wstring LocalTimeText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  return text;
}

// A reason is shown on one line.
std::wstring OneLine(std::wstring text) {
  for (wchar_t& c : text) {
    if (c < L' ') c = L' ';
  }
  return text;
}

std::wstring OutcomeText(const ServiceReply& reply, const std::wstring& time) {
  const std::wstring head = L"提醒服务 " + time + L"：";
  switch (reply.kind) {
    case ReplyKind::Success:
      return head + L"请求已送达";
    case ReplyKind::Refusal:
      return head + L"请求被拒绝";
    case ReplyKind::Failure:
      break;
  }
  return head + FailureText(reply);
}

std::wstring RefusalText(const ServiceReply& reply, const std::wstring& time) {
  return L"最近拒绝 " + time + L"：" + OneLine(reply.text);
}

}  // namespace

void ServiceStatusBar::Create(HWND parent, int id, int dpi) {
  dpi_ = dpi;
  hWnd_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  Resize();
  SetText(0, L"提醒服务：尚未联系");
}

int ServiceStatusBar::Height() const {
  RECT rect{};
  GetWindowRect(hWnd_, &rect);
  return rect.bottom - rect.top;
}

void ServiceStatusBar::Resize() const {
  SendMessageW(hWnd_, WM_SIZE, 0, 0);
  RECT client{};
  GetClientRect(hWnd_, &client);
  const int outcome = MulDiv(kOutcomeWidth, dpi_, 96);
  const int rows = std::max<int>(outcome, client.right - MulDiv(kRowsWidth, dpi_, 96));
  int parts[] = {outcome, std::max<int>(outcome, rows - MulDiv(kSnapshotWidth, dpi_, 96)), rows, -1};
  SendMessageW(hWnd_, SB_SETPARTS, std::size(parts), reinterpret_cast<LPARAM>(parts));
}

void ServiceStatusBar::Report(const ServiceReply& reply) {
  const std::wstring time = LocalTimeText();
  SetText(0, OutcomeText(reply, time));
  if (reply.kind == ReplyKind::Refusal) SetText(1, RefusalText(reply, time));
}

void ServiceStatusBar::Note(const std::wstring& text) {
  SetText(1, LocalTimeText() + L" " + OneLine(text));
}

std::wstring ServiceStatusBar::Text(int part) const {
  const LRESULT length = LOWORD(SendMessageW(hWnd_, SB_GETTEXTLENGTHW, part, 0));
  std::wstring text(length, L'\0');
  SendMessageW(hWnd_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
  return text;
}

void ServiceStatusBar::ShowSnapshotTrouble(bool failing) const {
  SetText(kSnapshotPart, failing ? L"连接列表读取失败" : L"");
}

void ServiceStatusBar::ShowRowCounts(int shown, int all) const {
  SetText(kRowsPart, L"显示 " + std::to_wstring(shown) + L" / 共 " + std::to_wstring(all));
}

void ServiceStatusBar::SetText(int part, const std::wstring& text) const {
  SendMessageW(hWnd_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
}
