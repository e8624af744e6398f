#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "seams/seams.hpp"

// The test build's seams, steered through files in the folder LUMORA_TEST_SEAMS names:
// - wall-clock-offset-ms: milliseconds added to the real wall clock;
// - fail-bookkeeping: while it exists, taking a mail off the queue fails as a full
//   disk would.
// Files are read on every use; the tests that need them send little traffic.
namespace lumora {
namespace {

namespace fs = std::filesystem;

fs::path seam_folder() {
    const char* folder = std::getenv("LUMORA_TEST_SEAMS");
    return folder ? fs::path(folder) : fs::path();
}

std::int64_t wall_clock_offset_ms(const fs::path& folder) {
    std::ifstream in(folder / "wall-clock-offset-ms");
    std::int64_t offset = 0;
    return in >> offset ? offset : 0;
}

class FaultyStore final : public Store {
public:
    FaultyStore(std::unique_ptr<Store> inner, fs::path folder) : inner_(std::move(inner)), folder_(std::move(folder)) {}

    using Store::next_attempt_time;
    using Store::enqueue;
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
    void remove(std::int64_t id) override {
        if (fs::exists(folder_ / "fail-bookkeeping")) throw std::runtime_error("database: injected: disk is full");
        inner_->remove(id);
    }
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
    fs::path folder_;
};

}  // namespace

Seams make_seams() {
    const fs::path folder = seam_folder();
    if (folder.empty()) throw std::runtime_error("this test build wants LUMORA_TEST_SEAMS naming a folder");
    return {[folder] { return Clock::now() + std::chrono::milliseconds(wall_clock_offset_ms(folder)); },
            [folder](std::unique_ptr<Store> store) { return std::make_unique<FaultyStore>(std::move(store), folder); }};
}

}  // namespace lumora
