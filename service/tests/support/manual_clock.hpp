#pragma once

#include "time_text.hpp"

namespace lumora::testing {

// Time that moves only when a test moves it.
struct ManualClock {
    TimePoint now = from_unix_ms(1'700'000'000'000);

    ClockFn fn() {
        return [this] { return now; };
    }
};

}  // namespace lumora::testing
