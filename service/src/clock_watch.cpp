#include "clock_watch.hpp"

#include <cstdlib>

namespace lumora {
namespace {

// Followed drift is written back only when it has grown this much, so readings on many
// threads do not all write the shared offset.
constexpr std::int64_t drift_step_ms = 50;

std::int64_t monotonic_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ClockWatch::ClockWatch(ClockFn wall, std::chrono::milliseconds tolerance)
    : wall_(std::move(wall)), tolerance_ms_(tolerance.count()), offset_ms_(offset_of(wall_())) {}

std::int64_t ClockWatch::offset_of(TimePoint wall) const { return to_unix_ms(wall) - monotonic_ms(); }

TimePoint ClockWatch::now() {
    const TimePoint wall = wall_();
    const std::int64_t offset = offset_of(wall);
    const std::int64_t accepted = offset_ms_.load(std::memory_order_acquire);
    const std::int64_t change = offset - accepted;
    if (std::llabs(change) < tolerance_ms_) {
        if (std::llabs(change) >= drift_step_ms) offset_ms_.store(offset, std::memory_order_release);
        return wall;
    }
    // Another reading may have dealt with this step meanwhile; the handler runs once.
    const std::lock_guard lock(step_mutex_);
    const std::int64_t step = offset - offset_ms_.load(std::memory_order_acquire);
    if (std::llabs(step) >= tolerance_ms_) {
        if (on_step_) on_step_(std::chrono::milliseconds(step), wall);
        offset_ms_.store(offset, std::memory_order_release);
    }
    return wall;
}

}  // namespace lumora
