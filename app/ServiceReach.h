#pragma once

#include <optional>

#include "MonitorEvent.h"

// Whether the reminder service can be reached, judged by the ticks'
// heartbeats: three in a row that reach nothing make it unreachable, and the
// first one that reaches it again makes it back. A refusal reached it.
class ServiceReach {
 public:
  static constexpr int kMissedTicks = 3;

  // The event this heartbeat's answer makes, if any.
  std::optional<MonitorEventKind> Heartbeat(bool reached);

 private:
  int missed_ = 0;
  bool down_ = false;
};
