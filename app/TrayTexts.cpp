#include "TrayTexts.h"

std::wstring TrayTip(bool running, int watched, int dropped) {
  if (!running) return L"Lumora：未监控";
  if (dropped > 0) return L"Lumora：" + std::to_wstring(dropped) + L" 项已断开";
  return L"Lumora：监控中，" + std::to_wstring(watched) + L" 项";
}

std::wstring EntryLabel(const std::wstring& watchKey) {
  static constexpr std::wstring_view kSeparator = L"备注 ";
  const size_t at = watchKey.find(kSeparator);
  if (at == std::wstring::npos) return L"端口 " + watchKey;
  return L"端口 " + watchKey.substr(0, at) + L"（" + watchKey.substr(at + kSeparator.size()) + L"）";
}

std::optional<std::wstring> BalloonText(const MonitorEvent& event) {
  switch (event.kind) {
    case MonitorEventKind::DropConfirmed:
      return EntryLabel(event.entry) + L"已断开";
    case MonitorEventKind::ReminderRefused:
      return EntryLabel(event.entry) + L"的提醒被服务拒绝：" + event.details;
    case MonitorEventKind::ReminderNotDelivered:
      return EntryLabel(event.entry) + L"的提醒试了三次仍未送达";
    case MonitorEventKind::ServiceUnreachable:
      return std::wstring(L"提醒服务连续三次无法连接");
    case MonitorEventKind::ServiceBack:
      return std::wstring(L"提醒服务已恢复连接");
    default:
      return std::nullopt;
  }
}
