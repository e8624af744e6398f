#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "computer_key.hpp"
#include "mail_text.hpp"
#include "time_text.hpp"

namespace lumora {

struct QueuedMail {
    std::int64_t id = 0;
    ComputerKey key;
    MailText text;
    TimePoint created;
    int attempts = 0;
    // Of the code the mail was queued with: only that code may send it.
    std::string code_verifier;
};

// `repeated`: a reminder with the same idempotency key was queued for the computer within
// the last 24 h, so nothing is queued again.
enum class Admission { queued, over_quota, queue_full, repeated };

// How long a reminder's idempotency key keeps a repeat from being queued.
constexpr std::chrono::hours idempotency_window{24};

struct SilentComputer {
    ComputerKey key;
    TimePoint last_heartbeat;
    std::string code_verifier;  // of the code that holds the computer
    // Of its mail, when one was to be queued with the flag (FlagMail).
    Admission admission = Admission::queued;
};

struct Quota {
    int mails_per_address_per_hour = 30;
    int queue_capacity = 10000;
};

// The store could not serve in time (every database connection busy); the request may
// be tried again.
class StoreBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Mail queued in the same transaction that flips a computer's silent flag, so that a crash
// never leaves a flag flipped and its mail unqueued. `text` is given the computer as it
// was found (for a return: its key, the new heartbeat and its code's verifier).
struct FlagMail {
    std::function<MailText(const SilentComputer&)> text;
    TimePoint now;
    Quota quota;
    // The code that may send it when not the one holding the computer: a heartbeat's own.
    const std::string* code_verifier = nullptr;

    const std::string& verifier_for(const SilentComputer& computer) const {
        return code_verifier ? *code_verifier : computer.code_verifier;
    }
};

// Which computers' mail an instance may take; empty means any.
using MailFilter = std::function<bool(const ComputerKey&)>;

// Everything that must survive a restart: monitoring state per computer, the mail queue
// and the recent mails counted by the quota. Authorisation codes never come here, only
// their verifiers (trust/code_verifier.hpp).
// Thread-safe. A shared store serves several instances of the service at once; the others
// serve one instance, which must then be the only one using them.
class Store {
public:
    virtual ~Store() = default;

    virtual bool shared() const = 0;

    // The verifier of the code that holds the computer; none while no code does.
    virtual std::optional<std::string> code_verifier(const ComputerKey& key) = 0;
    // Gives the computer to the code of this verifier; an unknown computer is recorded,
    // not monitored. Mail queued before its computer had a code goes with the code.
    virtual void bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) = 0;
    // The computer when it had been reported silent (the flag is cleared, and its return
    // mail queued with it when given); nothing otherwise.
    virtual std::optional<SilentComputer> record_return(const ComputerKey& key, TimePoint now,
                                                        const FlagMail* mail) = 0;
    // True when the computer had been reported silent (the flag is cleared).
    bool record_heartbeat(const ComputerKey& key, TimePoint now) { return record_return(key, now, nullptr).has_value(); }
    virtual void stop_monitoring(const ComputerKey& key) = 0;
    virtual bool is_monitored(const ComputerKey& key) = 0;
    // Marks monitored computers whose last heartbeat is before the deadline as silent
    // and returns them; a computer is returned once per silence, across all instances.
    // With `mail`, each one's silence mail is queued in the same transaction.
    virtual std::vector<SilentComputer> take_newly_silent(TimePoint deadline, const FlagMail* mail) = 0;
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline) { return take_newly_silent(deadline, nullptr); }
    // Called once at start: the service heard nothing while it was down, so the grace
    // starts again now. A shared store does so only when no other instance is running,
    // and counts this one as running from then on.
    virtual void restart_heartbeats(TimePoint now) = 0;
    // The wall clock jumped by `step`: every grace starts again now, whatever other
    // instances do, and queued mail and the quota's times move with the clock, so no
    // mail ages, falls due or expires by the jump alone. Claims are left as they are.
    virtual void clock_stepped(std::chrono::milliseconds step, TimePoint now) = 0;

    // A non-empty `idempotency_key` is kept with the computer, in the same transaction, so a
    // request repeated within the window on any instance queues nothing.
    virtual Admission enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier,
                              TimePoint now, const Quota& quota, std::string_view idempotency_key) = 0;
    Admission enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier, TimePoint now,
                      const Quota& quota) {
        return enqueue(key, text, code_verifier, now, quota, {});
    }
    // The earliest mail that is due, not waiting for an authorisation code and not claimed
    // by a live instance; it is claimed for this one until it is removed, rescheduled or
    // parked, or the claim lapses. A shared store hands out only mail of computers `only`
    // accepts, so mail waits for an instance that holds its code; a store of one instance
    // hands out any, and its worker parks what it cannot send.
    virtual std::optional<QueuedMail> next_due(TimePoint now, const MailFilter& only) = 0;
    std::optional<QueuedMail> next_due(TimePoint now) { return next_due(now, {}); }
    // When next_due() may next return something, under the same filter.
    virtual std::optional<TimePoint> next_attempt_time(const MailFilter& only) = 0;
    std::optional<TimePoint> next_attempt_time() { return next_attempt_time({}); }
    virtual void remove(std::int64_t id) = 0;
    virtual void reschedule(std::int64_t id, int attempts, TimePoint at) = 0;
    // Holds a mail back until its computer's authorisation code is known again.
    virtual void park_until_code(std::int64_t id) = 0;
    // Mail of the computer parked for want of the code of this verifier is due again.
    virtual int unpark(const ComputerKey& key, const std::string& code_verifier, TimePoint now) = 0;
    virtual int pending_for(const ComputerKey& key) = 0;
    virtual int drop_created_before(TimePoint cutoff) = 0;
    virtual int queued() = 0;
};

}  // namespace lumora
