#include <gtest/gtest.h>

#include "http/connection_limits.hpp"

namespace lumora {
namespace {

TEST(EventThreads, HttpsTakesOnePerCoreUpToThePlainCount) {
    struct Case {
        bool tls;
        unsigned cores;
        unsigned threads;
    };
    const Case cases[] = {
        {false, 2, http_event_threads},
        {false, 64, http_event_threads},
        {true, 2, 2},
        {true, 8, 8},
        {true, 1, 2},
        {true, 0, 2},  // the core count is unknown
        {true, 64, http_event_threads},
    };
    for (const Case& c : cases)
        EXPECT_EQ(event_threads_for(c.tls, c.cores), c.threads) << "tls " << c.tls << ", cores " << c.cores;
}

}  // namespace
}  // namespace lumora
