#include "clock_watch.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace lumora {
namespace {

using namespace std::chrono_literals;

TEST(ClockWatch, ReportsEachStepOnceAndFollowsSmallDrift) {
    struct Case {
        std::chrono::milliseconds offset;  // of the wall clock against the real one, from here on
        std::vector<long long> steps;      // reported so far, in ms (rounded to 100 ms), each
                                           // measured from the drift followed before it
    };
    const std::vector<Case> cases = {
        {0ms, {}},
        {900ms, {}},  // drift below the tolerance is followed
        {1800ms, {}},
        {2h, {7198200}},
        {2h, {7198200}},  // the same step is not reported again
        {-1h, {7198200, -10800000}},
    };
    std::chrono::milliseconds offset{0};
    std::vector<long long> steps;
    ClockWatch watch([&offset] { return Clock::now() + offset; }, 1s);
    watch.on_step([&steps](std::chrono::milliseconds step, TimePoint) {
        steps.push_back(std::llround(step.count() / 100.0) * 100);
    });
    for (const auto& c : cases) {
        offset = c.offset;
        const TimePoint read = watch.now();
        EXPECT_LT(std::chrono::abs(read - (Clock::now() + offset)), 100ms) << "the wall clock as it reads";
        EXPECT_EQ(steps, c.steps) << "offset " << c.offset.count();
    }
}

}  // namespace
}  // namespace lumora
