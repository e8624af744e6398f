#pragma once

#include <memory>

#include "store/store.hpp"

namespace lumora::testing {

// A store that hands every call to another; a test overrides the calls it steers.
class ForwardingStore : public Store {
public:
    explicit ForwardingStore(std::unique_ptr<Store> inner) : inner_(std::move(inner)) {}

    using Store::enqueue;
    using Store::next_attempt_time;
    using Store::next_due;
    using Store::record_heartbeat;
    using Store::take_newly_silent;

    bool shared() const override { return inner_->shared(); }
    std::optional<std::string> code_verifier(const ComputerKey& key) override { return inner_->code_verifier(key); }
    void bind_code(const ComputerKey& key, const std::string& verifier, TimePoint now) override {
        inner_->bind_code(key, verifier, now);
    }
    std::optional<SilentComputer> record_return(const ComputerKey& key, TimePoint now, const FlagMail* mail) override {
        return inner_->record_return(key, now, mail);
    }
    void stop_monitoring(const ComputerKey& key) override { inner_->stop_monitoring(key); }
    bool is_monitored(const ComputerKey& key) override { return inner_->is_monitored(key); }
    std::vector<SilentComputer> take_newly_silent(TimePoint deadline, const FlagMail* mail) override {
        return inner_->take_newly_silent(deadline, mail);
    }
    void restart_heartbeats(TimePoint now) override { inner_->restart_heartbeats(now); }
    void clock_stepped(std::chrono::milliseconds step, TimePoint now) override { inner_->clock_stepped(step, now); }
    Admission enqueue(const ComputerKey& key, const MailText& text, const std::string& code_verifier, TimePoint now,
                      const Quota& quota, std::string_view idempotency_key) override {
        return inner_->enqueue(key, text, code_verifier, now, quota, idempotency_key);
    }
    std::optional<QueuedMail> next_due(TimePoint now, const MailFilter& only) override {
        return inner_->next_due(now, only);
    }
    std::optional<TimePoint> next_attempt_time(const MailFilter& only) override {
        return inner_->next_attempt_time(only);
    }
    void remove(std::int64_t id) override { inner_->remove(id); }
    void reschedule(std::int64_t id, int attempts, TimePoint at) override { inner_->reschedule(id, attempts, at); }
    void park_until_code(std::int64_t id) override { inner_->park_until_code(id); }
    int unpark(const ComputerKey& key, const std::string& code_verifier, TimePoint now) override {
        return inner_->unpark(key, code_verifier, now);
    }
    int pending_for(const ComputerKey& key) override { return inner_->pending_for(key); }
    int drop_created_before(TimePoint cutoff) override { return inner_->drop_created_before(cutoff); }
    int queued() override { return inner_->queued(); }

private:
    std::unique_ptr<Store> inner_;
};

}  // namespace lumora::testing
