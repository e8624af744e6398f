#include "deadman.hpp"

#include <gtest/gtest.h>

#include "manual_clock.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;

struct DeadmanTest : ::testing::Test {
    testing::ManualClock clock;
    SqliteStore store{":memory:"};
    int wakes = 0;
    MailQueue queue{store, Quota{}, [this] { ++wakes; }};
    DeadmanSwitch deadman{store, queue, 60s, clock.fn()};
    const ComputerKey key{"10001@qq.com", 3};

    // Subjects of the queued mail, which is taken out of the queue.
    std::vector<std::string> take_mail() {
        std::vector<std::string> subjects;
        while (const auto mail = store.next_due(clock.now + 24h)) {
            EXPECT_EQ(mail->key, key);
            subjects.push_back(mail->text.subject);
            store.remove(mail->id);
        }
        return subjects;
    }
};

TEST_F(DeadmanTest, OneSilenceMailAfterTheGraceThenOneRecoveryMail) {
    deadman.heartbeat(key, "v1");
    clock.now += 60s;
    deadman.check();
    EXPECT_TRUE(take_mail().empty()) << "exactly the grace is not yet silence";

    clock.now += 1ms;
    deadman.check();
    const auto silence = take_mail();
    ASSERT_EQ(silence.size(), 1u);
    EXPECT_NE(silence[0].find("电脑3 已失去联系"), std::string::npos) << silence[0];
    EXPECT_EQ(wakes, 1);

    clock.now += 10min;
    deadman.check();
    EXPECT_TRUE(take_mail().empty());

    deadman.heartbeat(key, "v1");
    deadman.heartbeat(key, "v1");
    const auto recovery = take_mail();
    ASSERT_EQ(recovery.size(), 1u);
    EXPECT_NE(recovery[0].find("电脑3 已恢复联系"), std::string::npos) << recovery[0];
}

TEST_F(DeadmanTest, RegularHeartbeatsKeepItQuiet) {
    for (int tick = 0; tick < 10; ++tick) {
        deadman.heartbeat(key, "v1");
        clock.now += 20s;
        deadman.check();
    }
    EXPECT_TRUE(take_mail().empty());
}

TEST_F(DeadmanTest, StoppedComputerIsNotReported) {
    deadman.heartbeat(key, "v1");
    store.stop_monitoring(key);
    clock.now += 1h;
    deadman.check();
    deadman.heartbeat(key, "v1");
    EXPECT_TRUE(take_mail().empty());
}

}  // namespace
}  // namespace lumora
