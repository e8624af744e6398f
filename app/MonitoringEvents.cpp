// What the monitoring cycle tells as it happens. Every drop, every turn of a
// reminder, every snapshot and every answer of the service passes through one
// of these, so whatever else should hear of them is added here.
#include "frmMain.h"

#include <utility>

namespace {

// Three failed snapshots in a row are no passing flicker any more.
constexpr int kFailedSnapshotsShown = 3;
// A reminder that failed this often is told, once, while it goes on trying.
constexpr int kFailuresTold = 3;

// What the history keeps of an answer: the reason and the HTTP status.
std::wstring ReplyDetails(const ServiceReply& reply) {
  const std::wstring status = L"HTTP " + std::to_wstring(reply.status);
  switch (reply.kind) {
    case ReplyKind::Success: return status;
    case ReplyKind::Refusal: return reply.text + L"（" + status + L"）";
    case ReplyKind::Failure: break;
  }
  return reply.status == 0 ? L"无法连接或无应答" : status;
}

}  // namespace

void frmMain::OnDropConfirmed(const PendingReminder& reminder) {
  ringon_ = true;
  Notice({MonitorEventKind::DropConfirmed, reminder.key, L""});
}

// Every retry goes out as queued; the history keeps the first.
void frmMain::OnReminderQueued(const PendingReminder& reminder) {
  SetReminderLine(reminder.line, reminder.text, L"待服务确认");
  if (reminder.tries == 1) Notice({MonitorEventKind::ReminderQueued, reminder.key, L""});
}

void frmMain::OnReminderAcknowledged(const PendingReminder& reminder, const ServiceReply& reply) {
  SetReminderLine(reminder.line, reminder.text, L"已提醒");
  Notice({MonitorEventKind::ReminderAcknowledged, reminder.key, ReplyDetails(reply)});
}

void frmMain::OnReminderRefused(const PendingReminder& reminder, const ServiceReply& reply) {
  SetReminderLine(reminder.line, reminder.text, L"被拒绝（" + reply.text + L"）");
  Notice({MonitorEventKind::ReminderRefused, reminder.key, ReplyDetails(reply)});
}

// The run ended before the service took it; the user ended it, so no balloon.
void frmMain::OnReminderNotDelivered(const PendingReminder& reminder) {
  SetReminderLine(reminder.line, reminder.text, L"未送达");
  Notice({MonitorEventKind::ReminderNotDelivered, reminder.key, L"监控已停止"}, false);
}

void frmMain::OnReminderStillFailing(const PendingReminder& reminder, const ServiceReply& reply) {
  if (reminder.failures != kFailuresTold) return;
  Notice({MonitorEventKind::ReminderNotDelivered, reminder.key,
          L"已试 " + std::to_wstring(kFailuresTold) + L" 次：" + ReplyDetails(reply)});
}

// The history keeps the first failed snapshot of a series. Outside
// monitoring the status bar tells at once: no tick follows to mend it, and the
// list may still be empty.
void frmMain::OnSnapshotFailed() {
  if (++failedSnapshots_ == 1) Notice({MonitorEventKind::SnapshotFailed, L"", L""});
  if ((failedSnapshots_ >= kFailedSnapshotsShown || k_ != 1) && !std::exchange(troubleShown_, true)) {
    statusBar_.ShowSnapshotTrouble(true);
  }
}

void frmMain::OnSnapshotRead() {
  failedSnapshots_ = 0;
  if (std::exchange(troubleShown_, false)) statusBar_.ShowSnapshotTrouble(false);
}

void frmMain::OnServiceAnswer(const ServiceReply& reply) {
  statusBar_.Report(reply);
}

void frmMain::OnHeartbeatAnswer(const ServiceReply& reply) {
  OnServiceAnswer(reply);
  const auto kind = reach_.Heartbeat(reply.kind != ReplyKind::Failure);
  if (kind) Notice({*kind, L"", *kind == MonitorEventKind::ServiceUnreachable ? ReplyDetails(reply) : L""});
}
