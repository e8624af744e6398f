#include "mail_worker.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>

#include "forwarding_store.hpp"
#include "manual_clock.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora {
namespace {

using namespace std::chrono_literals;

class ScriptedTransport : public MailTransport {
public:
    struct Attempt {
        OutgoingMail mail;
        std::string code;
    };

    bool code_needed = true;
    std::deque<Delivery> script;  // outcomes in order; sent once it runs out
    std::vector<Attempt> attempts;

    bool needs_code() const override { return code_needed; }
    CodeCheck check_code(const std::string&, const std::string&, bool) override { return CodeCheck::accepted; }
    SendResult send(const OutgoingMail& mail, const std::string& code, std::stop_token) override {
        attempts.push_back({mail, code});
        if (script.empty()) return {Delivery::sent, "ok"};
        const Delivery next = script.front();
        script.pop_front();
        return {next, "scripted"};
    }
};

// Runs a step of a request at a chosen point of the worker's, once: the request arrives
// just then.
class InterleavedStore : public testing::ForwardingStore {
public:
    InterleavedStore() : ForwardingStore(std::make_unique<SqliteStore>(":memory:")) {}

    std::function<void()> before_park;
    std::function<void()> after_pending_count;

    void park_until_code(std::int64_t id) override {
        run_once(before_park);
        ForwardingStore::park_until_code(id);
    }
    int pending_for(const ComputerKey& key) override {
        const int pending = ForwardingStore::pending_for(key);
        run_once(after_pending_count);
        return pending;
    }

private:
    static void run_once(std::function<void()>& step) {
        if (step) std::exchange(step, {})();
    }
};

struct WorkerTest : ::testing::Test {
    testing::ManualClock clock;
    InterleavedStore store;
    CredentialVault vault;
    ScriptedTransport transport;
    MailWorker worker{store, vault, transport, RetryPolicy{100ms, 400ms, 1h}, clock.fn()};
    const ComputerKey key{"10001@qq.com", 2};

    void queue_mail() { store.enqueue(key, {"主题", "正文"}, "v1", clock.now, Quota{}); }
};

TEST(RetryDelay, DoublesUpToTheCap) {
    const RetryPolicy policy{1s, 10s, 1h};
    EXPECT_EQ(retry_delay(policy, 1), 1s);
    EXPECT_EQ(retry_delay(policy, 2), 2s);
    EXPECT_EQ(retry_delay(policy, 4), 8s);
    EXPECT_EQ(retry_delay(policy, 5), 10s);
    EXPECT_EQ(retry_delay(policy, 10000), 10s);
}

TEST_F(WorkerTest, RetriesWithBackoffUntilSentThenForgetsTheMail) {
    vault.remember(key, "code-1", "v1");
    queue_mail();
    transport.script = {Delivery::retry, Delivery::retry, Delivery::retry};

    EXPECT_EQ(worker.deliver_due(), clock.now + 100ms);
    clock.now += 99ms;
    worker.deliver_due();
    EXPECT_EQ(transport.attempts.size(), 1u) << "not due yet";
    for (const auto wait : {1ms, 200ms, 400ms}) {
        clock.now += wait;
        worker.deliver_due();
    }
    ASSERT_EQ(transport.attempts.size(), 4u);
    EXPECT_EQ(store.queued(), 0);
    EXPECT_EQ(worker.deliver_due(), std::nullopt);
    for (const auto& attempt : transport.attempts) {
        EXPECT_EQ(attempt.code, "code-1");
        EXPECT_EQ(attempt.mail.address, "10001@qq.com");
        EXPECT_EQ(attempt.mail.message, transport.attempts[0].mail.message) << "a retry is the same message";
    }
}

TEST_F(WorkerTest, RefusedMailIsDroppedNotRetried) {
    vault.remember(key, "code", "v1");
    queue_mail();
    transport.script = {Delivery::rejected};
    worker.deliver_due();
    clock.now += 1h;
    worker.deliver_due();
    EXPECT_EQ(transport.attempts.size(), 1u);
    EXPECT_EQ(store.queued(), 0);
}

TEST_F(WorkerTest, MailWithoutCodeWaitsForTheCodeToReturn) {
    queue_mail();
    worker.deliver_due();
    clock.now += 30min;
    worker.deliver_due();
    EXPECT_TRUE(transport.attempts.empty());
    EXPECT_EQ(store.queued(), 1);

    vault.remember(key, "fresh", "v1");
    store.unpark(key, "v1", clock.now);
    worker.deliver_due();
    ASSERT_EQ(transport.attempts.size(), 1u);
    EXPECT_EQ(transport.attempts[0].code, "fresh");
}

// The request stores its code and releases parked mail after the worker found no code and
// before it parked the mail, so the release finds nothing parked.
TEST_F(WorkerTest, CodeArrivingJustBeforeTheMailIsParkedSendsIt) {
    queue_mail();
    store.before_park = [this] {
        vault.remember(key, "arrived", "v1");
        EXPECT_EQ(store.unpark(key, "v1", clock.now), 0);
    };
    worker.deliver_due();
    ASSERT_EQ(transport.attempts.size(), 1u);
    EXPECT_EQ(transport.attempts[0].code, "arrived");
}

// After the last mail of a computer no longer monitored the worker drops the code, while a
// reminder request of that computer stores its code and queues a mail.
TEST_F(WorkerTest, CodeStoredWhileTheWorkerAsksTheStoreIsKept) {
    vault.remember(key, "old", "v1");
    queue_mail();
    store.after_pending_count = [this] {
        vault.remember(key, "new", "v1");
        queue_mail();
    };
    worker.deliver_due();
    ASSERT_EQ(transport.attempts.size(), 2u);
    EXPECT_EQ(transport.attempts[1].code, "new");
    EXPECT_FALSE(vault.holds(key)) << "nothing needs it any more";
}

TEST_F(WorkerTest, CodeHeldByARequestIsKeptUntilItsMailIsQueued) {
    vault.remember(key, "old", "v1");
    queue_mail();
    {
        const auto hold = vault.remember(key, "new", "v1");
        worker.deliver_due();
        queue_mail();
    }
    worker.deliver_due();
    ASSERT_EQ(transport.attempts.size(), 2u);
    EXPECT_EQ(transport.attempts[1].code, "new");
}

TEST_F(WorkerTest, MailIsSentOnlyWithTheCodeItWasQueuedWith) {
    vault.remember(key, "taken-over", "v2");
    queue_mail();
    worker.deliver_due();
    EXPECT_TRUE(transport.attempts.empty());
    EXPECT_EQ(store.queued(), 1);
    EXPECT_EQ(store.unpark(key, "v2", clock.now), 0) << "parked for its own code";
}

TEST_F(WorkerTest, TransportWithoutLoginSendsWithoutCode) {
    transport.code_needed = false;
    queue_mail();
    worker.deliver_due();
    ASSERT_EQ(transport.attempts.size(), 1u);
    EXPECT_EQ(transport.attempts[0].code, "");
}

TEST_F(WorkerTest, CodeStaysWhileMonitoredOrMailIsPending) {
    store.record_heartbeat(key, clock.now);
    vault.remember(key, "code", "v1");
    queue_mail();
    worker.deliver_due();
    EXPECT_TRUE(vault.code_for(key)) << "still monitored";

    store.stop_monitoring(key);
    queue_mail();
    transport.script = {Delivery::retry};
    worker.deliver_due();
    EXPECT_TRUE(vault.code_for(key)) << "mail still pending";
    clock.now += 100ms;
    worker.deliver_due();
    EXPECT_FALSE(vault.code_for(key));
}

TEST_F(WorkerTest, MailNotSentInTimeIsDropped) {
    vault.remember(key, "code", "v1");
    queue_mail();
    transport.script.assign(100, Delivery::retry);
    for (int i = 0; i < 20 && store.queued() > 0; ++i) {
        clock.now += 5min;
        worker.deliver_due();
    }
    EXPECT_EQ(store.queued(), 0);
    EXPECT_LE(transport.attempts.size(), 13u);
}

}  // namespace
}  // namespace lumora
