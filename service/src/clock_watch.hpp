#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "time_text.hpp"

namespace lumora {

// The service's one clock. Stored times are wall-clock, but a step of the wall clock (an
// NTP step, a resumed virtual machine) must not pass for time gone by: every reading is
// compared with the monotonic clock, and a step is handed to `on_step` before the reading
// that saw it returns, so nobody acts on the new time before the step is dealt with.
// Drift below the tolerance (NTP slewing) is followed silently.
class ClockWatch {
public:
    // `step` is how far the wall clock jumped, negative when backwards.
    using StepHandler = std::function<void(std::chrono::milliseconds step, TimePoint now)>;

    ClockWatch(ClockFn wall, std::chrono::milliseconds tolerance);

    // Set once, before the clock is shared between threads.
    void on_step(StepHandler handler) { on_step_ = std::move(handler); }
    // The wall clock's time; safe from any thread.
    TimePoint now();

private:
    std::int64_t offset_of(TimePoint wall) const;

    ClockFn wall_;
    const std::int64_t tolerance_ms_;
    std::atomic<std::int64_t> offset_ms_;  // wall minus monotonic, as last accepted
    std::mutex step_mutex_;
    StepHandler on_step_;
};

}  // namespace lumora
