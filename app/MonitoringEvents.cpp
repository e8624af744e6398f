// What the monitoring cycle tells as it happens. Every drop, every turn of a
// reminder, every snapshot and every answer of the service passes through one
// of these, so whatever else should hear of them is added here.
#include "frmMain.h"

#include <utility>

namespace {

// Three failed snapshots in a row are no passing flicker any more.
constexpr int kFailedSnapshotsShown = 3;

}  // namespace

void frmMain::OnDropConfirmed(const PendingReminder&) {
  ringon_ = true;
}

void frmMain::OnReminderQueued(const PendingReminder& reminder) {
  SetReminderLine(reminder.line, reminder.text, L"待服务确认");
}

void frmMain::OnReminderAcknowledged(const PendingReminder& reminder) {
  SetReminderLine(reminder.line, reminder.text, L"已提醒");
}

void frmMain::OnReminderRefused(const PendingReminder& reminder, const std::wstring& reason) {
  SetReminderLine(reminder.line, reminder.text, L"被拒绝（" + reason + L"）");
}

void frmMain::OnReminderNotDelivered(const PendingReminder& reminder) {
  SetReminderLine(reminder.line, reminder.text, L"未送达");
}

void frmMain::OnSnapshotFailed() {
  if (++failedSnapshots_ == kFailedSnapshotsShown) statusBar_.ShowSnapshotTrouble(true);
}

void frmMain::OnSnapshotRead() {
  if (std::exchange(failedSnapshots_, 0) >= kFailedSnapshotsShown) statusBar_.ShowSnapshotTrouble(false);
}

void frmMain::OnServiceAnswer(const ServiceReply& reply) {
  statusBar_.Report(reply);
}
