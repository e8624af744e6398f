#pragma once

#include <string>

// What the monitoring tells the user about and writes into its history.
enum class MonitorEventKind {
  Started,
  Stopped,
  DropConfirmed,
  ReminderQueued,
  ReminderAcknowledged,
  ReminderRefused,
  ReminderNotDelivered,
  ServiceUnreachable,
  ServiceBack,
  SnapshotFailed,
};

struct MonitorEvent {
  MonitorEventKind kind;
  std::wstring entry;    // the watch key, empty for events of the whole run
  std::wstring details;  // the service's reason, the HTTP status
};

// The event's name as the history shows it.
const wchar_t* EventName(MonitorEventKind kind);
