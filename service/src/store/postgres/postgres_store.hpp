#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "store/postgres/connection_pool.hpp"
#include "store/store.hpp"

namespace lumora {

// The store several instances share: one PostgreSQL database. Mail is claimed row by row
// (FOR UPDATE SKIP LOCKED) for the lease time, so each mail goes out once while its
// instance lives and is taken over by another when it dies. Instances must keep their
// clocks in step, since heartbeat times, due times and claims are compared across them.
class PostgresStore final : public Store {
public:
    PostgresStore(const std::string& uri, std::chrono::milliseconds claim_lease);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    using Store::next_attempt_time;
    using Store::enqueue;
    using Store::next_due;
    using Store::record_heartbeat;
    using Store::take_newly_silent;

    bool shared() const override { return true; }
    std::optional<std::string> code_verifier(const ComputerKey& key) override;
    void bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) override;
    std::optional<SilentComputer> record_return(const ComputerKey& key, TimePoint now, const FlagMail* mail) override;
    void stop_monitoring(const ComputerKey& key) override;
    bool is_monitored(const ComputerKey& key) override;
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline, const FlagMail* mail) override;
    void restart_heartbeats(TimePoint now) override;
    void clock_stepped(std::chrono::milliseconds step, TimePoint now) override;
    Admission enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier, TimePoint now,
                      const Quota& quota, std::string_view idempotency_key) override;
    std::optional<QueuedMail> next_due(TimePoint now, const MailFilter& only) override;
    std::optional<TimePoint> next_attempt_time(const MailFilter& only) override;
    void remove(std::int64_t id) override;
    void reschedule(std::int64_t id, int attempts, TimePoint at) override;
    void park_until_code(std::int64_t id) override;
    int unpark(const ComputerKey& key, const std::string& code_verifier, TimePoint now) override;
    int pending_for(const ComputerKey& key) override;
    int drop_created_before(TimePoint cutoff) override;
    int queued() override;

    // The key of the code verifiers, kept in the database so that every instance uses the
    // same one; the first instance to ask stores `fresh`.
    std::string code_key(const std::string& fresh);

private:
    void refresh_presence(PgConnection& connection);
    Admission admit(PgConnection& connection, const ComputerKey& key, const MailText& text,
                    const std::string& code_verifier, TimePoint now, const Quota& quota,
                    std::string_view idempotency_key);

    std::string instance_;
    std::chrono::milliseconds claim_lease_;
    PgPool pool_;
    // From the start-up's restart_heartbeats() on, keeps this instance's row in
    // `instances` from expiring; stopped first.
    std::jthread presence_refresher_;
};

}  // namespace lumora
