#include "MonitorEvent.h"

const wchar_t* EventName(MonitorEventKind kind) {
  switch (kind) {
    case MonitorEventKind::Started: return L"监控开始";
    case MonitorEventKind::Stopped: return L"监控停止";
    case MonitorEventKind::DropConfirmed: return L"确认断开";
    case MonitorEventKind::ReminderQueued: return L"提醒已排队";
    case MonitorEventKind::ReminderAcknowledged: return L"提醒已确认";
    case MonitorEventKind::ReminderRefused: return L"提醒被拒绝";
    case MonitorEventKind::ReminderNotDelivered: return L"提醒未送达";
    case MonitorEventKind::ServiceUnreachable: return L"服务无法连接";
    case MonitorEventKind::ServiceBack: return L"服务已恢复";
    case MonitorEventKind::SnapshotFailed: return L"连接列表读取失败";
  }
  return L"";
}
