#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <thread>

#include "harness.hpp"

namespace lumora::testing {
namespace {

const std::string account = "wxid=10001@qq.com&cpid=1&pwd=Hq3Vt8Nw2Xc6Bz1K";
const std::string heartbeat = "/velmor305/checkon.asp?" + account;
const std::string reminder = "/velmor305/tx.asp?" + account + "&port=8080%u5907%u6CE8%20x";

// The test build whose wall clock is the real one plus an offset read from a file.
struct ClockStep : ::testing::Test {
    TempDir dir;
    ServiceProcess service = [this] {
        setenv("LUMORA_TEST_SEAMS", dir.path().c_str(), 1);
        BoundBeforeStart(dir.path(), {"10001@qq.com", 1}, "Hq3Vt8Nw2Xc6Bz1K");
        // The mail server is away, so the reminder stays queued and is retried.
        std::vector<std::string> flags = smtp_flags(free_loopback_port());
        flags.insert(flags.end(), {"--heartbeat-grace", "2s"});
        return ServiceProcess(dir.path(), flags, LUMORA_SEAMS_BINARY);
    }();

    void step_wall_clock(std::chrono::milliseconds offset) {
        const fs::path file = dir.path() / "wall-clock-offset-ms";
        std::ofstream(dir.path() / "offset.part") << offset.count();
        fs::rename(dir.path() / "offset.part", file);
        ASSERT_TRUE(eventually([&] { return count_of(service.log(), "the wall clock stepped by") == 1; }))
            << service.log();
    }

    void heartbeats_for(std::chrono::milliseconds span) {
        for (auto end = std::chrono::steady_clock::now() + span; std::chrono::steady_clock::now() < end;) {
            ASSERT_EQ(service.post(heartbeat)->status, 200);
            std::this_thread::sleep_for(400ms);
        }
    }
};

// Two days ahead is past the grace and the mail's 24 h: it used to mail "silent" and
// "back" and drop the queued reminder.
TEST_F(ClockStep, ForwardStepMailsNothingAndDropsNothing) {
    heartbeats_for(1s);
    ASSERT_EQ(service.post(reminder)->status, 200);
    step_wall_clock(48h);
    heartbeats_for(3s);
    const std::string log = service.log();
    EXPECT_EQ(count_of(log, "went silent"), 0u) << log;
    EXPECT_EQ(count_of(log, "is back"), 0u) << log;
    EXPECT_EQ(count_of(log, "could not be sent in time"), 0u) << log;
    EXPECT_EQ(service.stop(), 0);
    EXPECT_NE(service.log().find("1 mail(s) stay queued"), std::string::npos) << service.log();
}

// An hour back used to hide a real silence for the hour, and to hold back every retry
// for as long.
TEST_F(ClockStep, BackwardStepHidesNoSilenceAndHoldsNoRetry) {
    heartbeats_for(1s);
    ASSERT_EQ(service.post(reminder)->status, 200);
    ASSERT_TRUE(eventually([&] { return count_of(service.log(), " not sent (") >= 1; }));
    step_wall_clock(-1h);
    const std::size_t tries_before = count_of(service.log(), " not sent (");
    EXPECT_TRUE(eventually([&] { return count_of(service.log(), "went silent") == 1; })) << service.log();
    EXPECT_TRUE(eventually([&] { return count_of(service.log(), " not sent (") > tries_before + 3; })) << service.log();
}

}  // namespace
}  // namespace lumora::testing
