#include "store/sqlite/sqlite_store.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "manual_clock.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;

const ComputerKey alice{"alice@qq.com", 1};
const ComputerKey bob{"bob@qq.com", 2};
const MailText text{"主题", "正文"};

struct StoreTest : ::testing::Test {
    testing::ManualClock clock;
    SqliteStore store{":memory:"};
};

// A database file of one test, gone with its log before and after it.
struct DatabaseFile {
    explicit DatabaseFile(const std::string& name)
        : path((std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".db"))
                   .string()) {
        remove();
    }
    ~DatabaseFile() { remove(); }
    void remove() const {
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
    }
    const std::string path;
};

TEST(StoreFile, QueuedMailSurvivesReopening) {
    const DatabaseFile file("lumora-store-test");
    const TimePoint t0 = from_unix_ms(1'700'000'000'000);
    {
        SqliteStore store(file.path);
        ASSERT_EQ(store.enqueue(alice, text, "v1", t0, Quota{}), Admission::queued);
        store.reschedule(store.next_due(t0)->id, 2, t0 + 5s);
        store.record_heartbeat(bob, t0);
    }
    SqliteStore reopened(file.path);
    const auto mail = reopened.next_due(t0 + 5s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->key, alice);
    EXPECT_EQ(mail->text.subject, "主题");
    EXPECT_EQ(mail->text.body, "正文");
    EXPECT_EQ(mail->attempts, 2);
    EXPECT_EQ(mail->created, t0);
    EXPECT_TRUE(reopened.is_monitored(bob));
}

// A computer heard all along costs one row write per grace, not one per check.
TEST(StoreFile, ANotedHeartbeatIsWrittenOnceItsRowWouldFallBeforeTheDeadline) {
    const DatabaseFile file("lumora-heard-test");
    const TimePoint t0 = from_unix_ms(1'700'000'000'000);
    SqliteStore store(file.path);
    store.record_heartbeat(alice, t0);
    store.record_heartbeat(alice, t0 + 30s);
    Database reader(file.path);
    const auto row = [&] {
        Statement select(reader, "SELECT last_heartbeat_ms FROM computers");
        select.step();
        return from_unix_ms(select.integer(0));
    };
    EXPECT_TRUE(store.take_newly_silent(t0).empty());
    EXPECT_EQ(row(), t0);
    EXPECT_TRUE(store.take_newly_silent(t0 + 1ms).empty());
    EXPECT_EQ(row(), t0 + 30s);
}

TEST(StoreFile, MailQueuedBeforeCodesWereBoundGoesWithTheFirstBoundCode) {
    const DatabaseFile file("lumora-store-orphan");
    const TimePoint t0 = from_unix_ms(1'700'000'000'000);
    {
        SqliteStore store(file.path);
        store.enqueue(alice, text, "v1", t0, Quota{});
        store.park_until_code(store.next_due(t0)->id);
    }
    {
        Database older(file.path);  // as a version that kept no verifiers left it
        older.exec("UPDATE mail_queue SET code_verifier = NULL", "test");
    }
    SqliteStore store(file.path);
    store.bind_code(alice, "v2", t0);
    EXPECT_EQ(store.unpark(alice, "v2", t0), 1);
    EXPECT_EQ(store.next_due(t0)->code_verifier, "v2");
}

TEST(StoreFile, MailQueuedAtOnceFromManyThreadsKeepsTheQuotaAndSurvives) {
    const DatabaseFile file("lumora-store-many");
    const TimePoint t0 = from_unix_ms(1'700'000'000'000);
    std::atomic<int> queued = 0;
    std::atomic<int> refused = 0;
    {
        SqliteStore store(file.path);
        std::vector<std::jthread> senders;
        for (int i = 0; i < 40; ++i)
            senders.emplace_back([&] {
                const Admission admission = store.enqueue(alice, text, "v1", t0, Quota{});
                ++(admission == Admission::queued ? queued : refused);
            });
    }
    EXPECT_EQ(queued, 30);
    EXPECT_EQ(refused, 10);
    EXPECT_EQ(SqliteStore(file.path).queued(), 30);
}

TEST(StoreFile, FileFromBeforeSchemaVersionsOpensAndANewerOneIsRefused) {
    const DatabaseFile file("lumora-store-old");
    {
        Database old(file.path);
        old.exec("CREATE TABLE mail_queue (id INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT NOT NULL, "
                 "computer_id INTEGER NOT NULL, subject TEXT NOT NULL, body TEXT NOT NULL, created_ms INTEGER NOT NULL, "
                 "attempts INTEGER NOT NULL DEFAULT 0, next_attempt_ms INTEGER NOT NULL, "
                 "waiting_for_code INTEGER NOT NULL DEFAULT 0);"
                 "INSERT INTO mail_queue (address, computer_id, subject, body, created_ms, next_attempt_ms) "
                 "VALUES ('alice@qq.com', 1, 's', 'b', 1, 1);",
                 "old schema");
    }
    EXPECT_EQ(SqliteStore(file.path).queued(), 1);
    Database(file.path).exec("PRAGMA user_version = 99", "newer schema");
    EXPECT_THROW(SqliteStore{file.path}, std::runtime_error);
}

TEST_F(StoreTest, QuotaCountsQueuedMailPerAddressForAnHour) {
    const Quota quota{.mails_per_address_per_hour = 3};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(store.enqueue(alice, text, "v1", clock.now, quota), Admission::queued);
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now, quota), Admission::over_quota);
    EXPECT_EQ(store.enqueue({"alice@qq.com", 5}, text, "v1", clock.now, quota), Admission::over_quota);
    EXPECT_EQ(store.enqueue(bob, text, "v1", clock.now, quota), Admission::queued);

    while (const auto mail = store.next_due(clock.now)) store.remove(mail->id);
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now + 59min, quota), Admission::over_quota)
        << "sending refunds nothing";
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now + 1h, quota), Admission::queued);
    EXPECT_EQ(store.queued(), 1);
}

TEST_F(StoreTest, QueueCapacityIsShared) {
    const Quota quota{.mails_per_address_per_hour = 10, .queue_capacity = 2};
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now, quota), Admission::queued);
    EXPECT_EQ(store.enqueue(bob, text, "v1", clock.now, quota), Admission::queued);
    EXPECT_EQ(store.enqueue(bob, text, "v1", clock.now, quota), Admission::queue_full);
}

TEST_F(StoreTest, RemovingAndDroppingMailFreesRoomInTheQueue) {
    const Quota quota{.mails_per_address_per_hour = 10, .queue_capacity = 2};
    store.enqueue(alice, text, "v1", clock.now, quota);
    store.enqueue(bob, text, "v1", clock.now + 1s, quota);
    const auto parked = store.next_due(clock.now);
    store.park_until_code(parked->id);
    store.park_until_code(parked->id);
    store.remove(parked->id);
    EXPECT_EQ(store.queued(), 1);
    EXPECT_EQ(store.unpark(alice, "v1", clock.now), 0);
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now + 2s, quota), Admission::queued);
    EXPECT_EQ(store.enqueue(alice, text, "v1", clock.now + 2s, quota), Admission::queue_full);
    EXPECT_EQ(store.drop_created_before(clock.now + 2s), 1);
    EXPECT_EQ(store.enqueue(bob, text, "v1", clock.now + 3s, quota), Admission::queued);
    EXPECT_EQ(store.queued(), 2);
}

TEST_F(StoreTest, DueOrderRescheduleAndParking) {
    store.enqueue(alice, text, "v1", clock.now, Quota{});
    store.enqueue(bob, text, "v1", clock.now + 1s, Quota{});
    const auto first = store.next_due(clock.now);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->key, alice);
    store.reschedule(first->id, 1, clock.now + 10s);
    EXPECT_FALSE(store.next_due(clock.now + 999ms));

    const auto second = store.next_due(clock.now + 1s);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->key, bob);
    store.park_until_code(second->id);
    EXPECT_FALSE(store.next_due(clock.now + 9s));
    EXPECT_EQ(store.next_attempt_time(), clock.now + 10s) << "parked mail sets no wake-up time";

    EXPECT_EQ(store.unpark(alice, "v1", clock.now + 5s), 0);
    EXPECT_EQ(store.unpark(bob, "v1", clock.now + 5s), 1);
    EXPECT_EQ(store.next_due(clock.now + 5s)->id, second->id);
    EXPECT_EQ(store.pending_for(bob), 1);
}

TEST_F(StoreTest, ACodeHoldsItsComputerUntilAnotherIsBound) {
    EXPECT_FALSE(store.code_verifier(alice));
    store.bind_code(alice, "v1", clock.now);
    EXPECT_EQ(store.code_verifier(alice), "v1");
    EXPECT_FALSE(store.is_monitored(alice)) << "bound, not yet monitored";
    EXPECT_FALSE(store.code_verifier(bob));

    store.record_heartbeat(alice, clock.now);
    store.bind_code(alice, "v2", clock.now);
    EXPECT_EQ(store.code_verifier(alice), "v2");
    EXPECT_TRUE(store.is_monitored(alice)) << "a new code keeps the monitoring";
    const auto silent = store.take_newly_silent(clock.now + 1s);
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_EQ(silent[0].code_verifier, "v2") << "the silence mail goes with the computer's code";
}

TEST_F(StoreTest, ParkedMailIsReleasedOnlyForItsOwnCode) {
    store.enqueue(alice, text, "v1", clock.now, Quota{});
    store.enqueue(alice, text, "v2", clock.now, Quota{});
    while (const auto mail = store.next_due(clock.now)) store.park_until_code(mail->id);
    EXPECT_EQ(store.unpark(alice, "v2", clock.now), 1);
    const auto released = store.next_due(clock.now);
    ASSERT_TRUE(released);
    EXPECT_EQ(released->code_verifier, "v2");
}

TEST_F(StoreTest, SilenceIsReportedOnceAndClearedByAHeartbeat) {
    EXPECT_FALSE(store.record_heartbeat(alice, clock.now));
    store.record_heartbeat(bob, clock.now);
    store.stop_monitoring(bob);

    EXPECT_TRUE(store.take_newly_silent(clock.now).empty());
    const auto silent = store.take_newly_silent(clock.now + 1ms);
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_EQ(silent[0].key, alice);
    EXPECT_EQ(silent[0].last_heartbeat, clock.now);
    EXPECT_TRUE(store.take_newly_silent(clock.now + 1h).empty());

    EXPECT_TRUE(store.record_heartbeat(alice, clock.now + 2h));
    EXPECT_FALSE(store.record_heartbeat(alice, clock.now + 2h));
}

// Heartbeats of known computers are noted in memory and written in batches by the check.
TEST_F(StoreTest, EveryHeartbeatCountsForTheCheck) {
    std::vector<ComputerKey> computers;
    for (int i = 0; i < 600; ++i) computers.push_back({"user" + std::to_string(i) + "@qq.com", 1});
    for (const auto& key : computers) store.record_heartbeat(key, clock.now);
    for (const auto& key : computers) store.record_heartbeat(key, clock.now + 30s);
    EXPECT_TRUE(store.take_newly_silent(clock.now + 10s).empty());
    store.record_heartbeat(computers[0], clock.now + 40s);
    const auto silent = store.take_newly_silent(clock.now + 31s);
    ASSERT_EQ(silent.size(), 599u);
    EXPECT_EQ(silent[0].last_heartbeat, clock.now + 30s);

    store.stop_monitoring(computers[0]);
    EXPECT_FALSE(store.record_heartbeat(computers[0], clock.now + 50s));
    EXPECT_TRUE(store.is_monitored(computers[0]));
    EXPECT_TRUE(store.record_heartbeat(computers[1], clock.now + 50s));
    EXPECT_FALSE(store.record_heartbeat(computers[1], clock.now + 51s));
}

TEST_F(StoreTest, RestartGivesMonitoredComputersAFreshGrace) {
    store.record_heartbeat(alice, clock.now);
    store.restart_heartbeats(clock.now + 1h);
    EXPECT_TRUE(store.take_newly_silent(clock.now + 1h).empty());
    EXPECT_EQ(store.take_newly_silent(clock.now + 1h + 1ms).size(), 1u);
}

TEST_F(StoreTest, DropsMailCreatedBeforeTheCutoff) {
    store.enqueue(alice, text, "v1", clock.now, Quota{});
    store.enqueue(bob, text, "v1", clock.now + 1s, Quota{});
    EXPECT_EQ(store.drop_created_before(clock.now + 1s), 1);
    EXPECT_EQ(store.pending_for(alice), 0);
    EXPECT_EQ(store.pending_for(bob), 1);
}

}  // namespace
}  // namespace lumora
