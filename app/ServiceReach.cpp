#include "ServiceReach.h"

std::optional<MonitorEventKind> ServiceReach::Heartbeat(bool reached) {
  if (reached) {
    missed_ = 0;
    if (!down_) return std::nullopt;
    down_ = false;
    return MonitorEventKind::ServiceBack;
  }
  if (down_ || ++missed_ < kMissedTicks) return std::nullopt;
  down_ = true;
  return MonitorEventKind::ServiceUnreachable;
}
