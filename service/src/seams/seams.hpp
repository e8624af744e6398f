#pragma once

#include <functional>
#include <memory>

#include "store/store.hpp"
#include "time_text.hpp"

namespace lumora {

// Where a test build reaches into the running service: the wall clock it reads and the
// store it uses. The shipped binary passes both through untouched.
struct Seams {
    ClockFn wall_clock;
    std::function<std::unique_ptr<Store>(std::unique_ptr<Store>)> wrap_store;
};

Seams make_seams();

}  // namespace lumora
