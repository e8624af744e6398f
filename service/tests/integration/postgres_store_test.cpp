#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "manual_clock.hpp"
#include "postgres_server.hpp"
#include "store/postgres/connection.hpp"
#include "store/postgres/connection_pool.hpp"
#include "store/postgres/postgres_store.hpp"

namespace lumora::testing {
namespace {

const ComputerKey alice{"alice@qq.com", 1};
const ComputerKey bob{"bob@qq.com", 2};
const MailText text{"主题", "正文"};
constexpr std::chrono::milliseconds lease = 10s;

// Two instances of the service on one database, seen through their stores.
struct SharedStoreTest : ::testing::Test {
    ManualClock clock;
    std::string uri = shared_postgres().create_database();
    PostgresStore first{uri, lease};
    PostgresStore second{uri, lease};
};

TEST_F(SharedStoreTest, MailIsClaimedByOneInstanceUntilItsLeaseLapses) {
    first.enqueue(alice, text, "v1", clock.now, Quota{});
    first.enqueue(bob, text, "v1", clock.now + 1ms, Quota{});
    const auto mine = first.next_due(clock.now + 1ms);
    const auto theirs = second.next_due(clock.now + 1ms);
    ASSERT_TRUE(mine && theirs);
    EXPECT_EQ(mine->key, alice);
    EXPECT_EQ(theirs->key, bob) << "claimed mail is not handed out twice";
    EXPECT_FALSE(first.next_due(clock.now + lease));
    second.remove(theirs->id);
    EXPECT_EQ(second.next_attempt_time(), clock.now + 1ms + lease) << "due again when the claim lapses";

    const auto taken_over = second.next_due(clock.now + 1ms + lease);
    ASSERT_TRUE(taken_over);
    EXPECT_EQ(taken_over->id, mine->id);
    first.reschedule(mine->id, 1, clock.now);
    EXPECT_FALSE(first.next_due(clock.now + 1ms + lease)) << "a lapsed holder cannot hand the mail back";

    second.reschedule(taken_over->id, 1, clock.now + 1h);
    EXPECT_EQ(first.next_due(clock.now + 1h)->id, mine->id) << "a rescheduled mail is free again";
    EXPECT_EQ(first.queued(), 1);
}

TEST_F(SharedStoreTest, OnlyMailOfTheGivenComputersIsHandedOut) {
    first.enqueue(alice, text, "v1", clock.now, Quota{});
    first.enqueue(bob, text, "v1", clock.now + 1s, Quota{});
    const MailFilter none = [](const ComputerKey&) { return false; };
    const MailFilter bob_only = [](const ComputerKey& key) { return key == bob; };
    EXPECT_FALSE(first.next_due(clock.now + 1h, none));
    EXPECT_EQ(first.next_attempt_time(none), std::nullopt);
    EXPECT_EQ(first.next_attempt_time(bob_only), clock.now + 1s);
    const auto mail = first.next_due(clock.now + 1h, bob_only);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->key, bob);
    EXPECT_FALSE(second.next_due(clock.now + 1h, bob_only));
    EXPECT_EQ(second.next_due(clock.now + 1h)->key, alice);
}

TEST_F(SharedStoreTest, QuotaHoldsWhenInstancesQueueAtOnce) {
    PostgresStore third{uri, lease};
    PostgresStore* stores[] = {&first, &second, &third};
    const Quota quota{.mails_per_address_per_hour = 30};
    std::atomic<int> admitted = 0;
    std::vector<std::jthread> clients;
    for (int i = 0; i < 9; ++i)
        clients.emplace_back([&, store = stores[i % 3]] {
            for (int n = 0; n < 10; ++n)
                if (store->enqueue(alice, text, "v1", clock.now, quota) == Admission::queued) ++admitted;
        });
    clients.clear();
    EXPECT_EQ(admitted, 30);
    EXPECT_EQ(third.queued(), 30);
    EXPECT_EQ(first.enqueue(bob, text, "v1", clock.now, quota), Admission::queued);
    EXPECT_EQ(second.enqueue(alice, text, "v1", clock.now + 1h, quota), Admission::queued) << "an hour later";
}

TEST_F(SharedStoreTest, SilenceAndReturnAreTakenOnceAcrossInstances) {
    first.record_heartbeat(alice, clock.now);
    second.record_heartbeat(bob, clock.now + 1s);
    PostgresStore third{uri, lease};
    PostgresStore* stores[] = {&first, &second, &third};
    std::atomic<int> reported = 0;
    {
        std::vector<std::jthread> checkers;
        for (auto* store : stores)
            checkers.emplace_back([&, store] {
                for (int round = 0; round < 20; ++round)
                    reported += static_cast<int>(store->take_newly_silent(clock.now + 1h).size());
            });
    }
    EXPECT_EQ(reported, 2);

    std::atomic<int> returns = 0;
    {
        std::vector<std::jthread> heartbeats;
        for (auto* store : stores)
            heartbeats.emplace_back([&, store] {
                for (int n = 0; n < 5; ++n) returns += store->record_heartbeat(alice, clock.now + 2h) ? 1 : 0;
            });
    }
    EXPECT_EQ(returns, 1);
}

TEST(SharedStoreStart, WholeServiceRestartGivesAFreshGrace) {
    const ManualClock clock;
    const std::string uri = shared_postgres().create_database();
    PostgresStore(uri, lease).record_heartbeat(alice, clock.now);
    {
        PostgresStore running(uri, lease);
        running.restart_heartbeats(clock.now);
        PostgresStore joining(uri, lease);
        joining.restart_heartbeats(clock.now + 1h);
        EXPECT_EQ(running.take_newly_silent(clock.now + 1ms).size(), 1u);
        running.record_heartbeat(alice, clock.now);
    }
    PostgresStore restarted(uri, lease);
    restarted.restart_heartbeats(clock.now + 1h);
    EXPECT_TRUE(restarted.take_newly_silent(clock.now + 1h).empty());
    EXPECT_EQ(restarted.take_newly_silent(clock.now + 1h + 1ms).size(), 1u);
}

// After an outage, instances starting together must not check for silence against the
// heartbeats from before it: whichever restarts the grace does so before any other
// instance's start-up returns.
TEST(SharedStoreStart, NoInstanceStartingAfterAnOutageSeesTheOldHeartbeats) {
    const ManualClock clock;
    const std::string uri = shared_postgres().create_database();
    PostgresStore(uri, lease).record_heartbeat(alice, clock.now);
    std::vector<std::unique_ptr<PostgresStore>> stores;
    for (int i = 0; i < 4; ++i) stores.push_back(std::make_unique<PostgresStore>(uri, lease));
    std::atomic<int> false_alarms = 0;
    {
        std::vector<std::jthread> starting;
        for (auto& store : stores)
            starting.emplace_back([&, store = store.get()] {
                store->restart_heartbeats(clock.now + 1h);
                false_alarms += static_cast<int>(store->take_newly_silent(clock.now + 1ms).size());
            });
    }
    EXPECT_EQ(false_alarms, 0);
}

// A killed instance, or one whose host lost power, leaves its row behind; it stops
// counting once the row expires, which the test makes happen at once.
TEST(SharedStoreStart, InstanceThatStoppedRefreshingItsRowCountsAsGone) {
    const ManualClock clock;
    const std::string uri = shared_postgres().create_database();
    PostgresStore(uri, lease).record_heartbeat(alice, clock.now);
    PostgresStore vanished(uri, lease);
    vanished.restart_heartbeats(clock.now);
    PostgresStore joining(uri, lease);
    joining.restart_heartbeats(clock.now + 1h);
    EXPECT_EQ(joining.take_newly_silent(clock.now + 1ms).size(), 1u) << "a live instance keeps the grace";
    joining.record_heartbeat(alice, clock.now);

    PgConnection(uri).run("test", "UPDATE instances SET alive_until = now() - interval '1 second'");
    PostgresStore restarted(uri, lease);
    restarted.restart_heartbeats(clock.now + 1h);
    EXPECT_TRUE(restarted.take_newly_silent(clock.now + 1h).empty()) << "alone again: a fresh grace";
}

TEST(SharedStorePool, CallerWaitsBoundedTimeForABusyConnection) {
    PgPool pool(shared_postgres().create_database(), 1, 200ms);
    {
        const auto held = pool.acquire();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(pool.acquire(), StoreBusy);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
        const PgResult timeout = held->run("test", "SHOW statement_timeout");
        EXPECT_EQ(timeout.text(0, 0), "10s") << "every connection has a statement time-out";
    }
    EXPECT_EQ(pool.acquire()->run("test", "SELECT 1").integer(0, 0), 1);
}

TEST(SharedStoreStart, InstancesStartingTogetherCreateTheSchemaOnceAndANewerOneIsRefused) {
    const std::string uri = shared_postgres().create_database();
    std::atomic<int> failures = 0;
    {
        std::vector<std::jthread> starting;
        for (int i = 0; i < 4; ++i)
            starting.emplace_back([&] {
                try {
                    PostgresStore store(uri, lease);
                } catch (const std::exception&) {
                    ++failures;
                }
            });
    }
    EXPECT_EQ(failures, 0);
    PgConnection(uri).run("test", "UPDATE lumora_schema SET version = 99");
    try {
        PostgresStore store(uri, lease);
        ADD_FAILURE() << "a schema from a newer service was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("schema version 99 is newer"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace lumora::testing
