#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "computer_key.hpp"
#include "mail_text.hpp"
#include "sqlite.hpp"
#include "time_text.hpp"
#include "wal_checkpointer.hpp"
#include "wal_sync.hpp"

namespace lumora {

struct QueuedMail {
    std::int64_t id = 0;
    ComputerKey key;
    MailText text;
    TimePoint created;
    int attempts = 0;
};

struct SilentComputer {
    ComputerKey key;
    TimePoint last_heartbeat;
};

struct Quota {
    int mails_per_address_per_hour = 30;
    int queue_capacity = 10000;
};

enum class Admission { queued, over_quota, queue_full };

// Everything that must survive a restart: monitoring state per computer, the mail queue
// and the recent mails counted by the quota. Authorisation codes never come here.
// Thread-safe: one connection behind one mutex.
class Store {
public:
    explicit Store(const std::string& path);

    // Returns true when the computer had been reported silent (the flag is cleared).
    bool record_heartbeat(const ComputerKey& key, TimePoint now);
    void stop_monitoring(const ComputerKey& key);
    bool is_monitored(const ComputerKey& key);
    // Marks monitored computers whose last heartbeat is before the deadline as silent
    // and returns them; a computer is returned once per silence.
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline);
    // The service heard nothing while it was down, so the grace starts again now.
    void restart_heartbeats(TimePoint now);

    // Returns once a queued mail is synced to disk; concurrent calls share one sync.
    Admission enqueue(const ComputerKey& key, const MailText& text, TimePoint now, const Quota& quota);
    // The earliest mail that is due and not waiting for an authorisation code.
    std::optional<QueuedMail> next_due(TimePoint now);
    std::optional<TimePoint> next_attempt_time();
    void remove(std::int64_t id);
    void reschedule(std::int64_t id, int attempts, TimePoint at);
    // Holds a mail back until its computer's authorisation code is known again.
    void park_until_code(std::int64_t id);
    int unpark(const ComputerKey& key, TimePoint now);
    int pending_for(const ComputerKey& key);
    int drop_created_before(TimePoint cutoff);
    int queued();

private:
    Admission admit(const ComputerKey& key, const MailText& text, TimePoint now, const Quota& quota);

    std::mutex mutex_;
    Database db_;
    WalSync wal_sync_;
    // Started once the schema exists, and stopped first.
    std::optional<WalCheckpointer> checkpointer_;
};

}  // namespace lumora
