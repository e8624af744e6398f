#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "store/sqlite/commit_group.hpp"
#include "store/sqlite/known_computers.hpp"
#include "store/sqlite/sqlite.hpp"
#include "store/sqlite/wal_checkpointer.hpp"
#include "store/sqlite/wal_sync.hpp"
#include "store/store.hpp"

namespace lumora {

// The embedded store of a single instance: one SQLite file, one connection behind one mutex.
// Mail needs no claims here, since no other instance sends from the same file.
class SqliteStore final : public Store {
public:
    explicit SqliteStore(const std::string& path);

    using Store::next_attempt_time;
    using Store::enqueue;
    using Store::next_due;
    using Store::record_heartbeat;
    using Store::take_newly_silent;

    bool shared() const override { return false; }
    std::optional<std::string> code_verifier(const ComputerKey& key) override;
    void bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) override;
    std::optional<SilentComputer> record_return(const ComputerKey& key, TimePoint now, const FlagMail* mail) override;
    void stop_monitoring(const ComputerKey& key) override;
    bool is_monitored(const ComputerKey& key) override;
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline, const FlagMail* mail) override;
    void restart_heartbeats(TimePoint now) override;
    void clock_stepped(std::chrono::milliseconds step, TimePoint now) override;
    // Returns once a queued mail is synced to disk; concurrent calls share one sync.
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

private:
    struct Admit;
    void admit_group(std::vector<Admit*>& jobs);
    Admission admit(const Admit& job, int queued);
    int queue_flag_mail(SilentComputer& computer, const FlagMail& mail, int added);
    void count_queue();
    std::vector<KnownComputers::Entry*> write_heard(TimePoint deadline, std::size_t most);
    void write_heard_in_batches(TimePoint deadline);

    std::mutex mutex_;
    Database db_;
    KnownComputers known_;
    int queued_ = 0;
    int parked_ = 0;
    WalSync wal_sync_;
    CommitGroup<Admit> admissions_;
    // Started once the schema exists, and stopped first.
    std::optional<WalCheckpointer> checkpointer_;
};

}  // namespace lumora
