#include "deadman.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "log.hpp"

namespace lumora {
namespace {

// Checking four times per grace keeps the silence mail within a quarter grace of due.
std::chrono::milliseconds check_interval(std::chrono::milliseconds grace) {
    return std::clamp(grace / 4, std::chrono::milliseconds(20), std::chrono::milliseconds(1000));
}

}  // namespace

DeadmanSwitch::DeadmanSwitch(Store& store, MailQueue& queue, std::chrono::milliseconds grace, ClockFn clock)
    : store_(store), queue_(queue), grace_(grace), clock_(std::move(clock)) {}

void DeadmanSwitch::heartbeat(const ComputerKey& key, const std::string& code_verifier) {
    const TimePoint now = clock_();
    if (!store_.record_heartbeat(key, now)) return;
    log_line(key.address + " computer " + std::to_string(key.computer_id) + " is back");
    queue_.push(key, recovery_mail(key.computer_id, now), code_verifier, now);
}

void DeadmanSwitch::check() {
    const TimePoint now = clock_();
    for (const auto& computer : store_.take_newly_silent(now - grace_)) {
        log_line(computer.key.address + " computer " + std::to_string(computer.key.computer_id) + " went silent");
        queue_.push(computer.key, silence_mail(computer.key.computer_id, computer.last_heartbeat, grace_),
                    computer.code_verifier, now);
    }
}

void DeadmanSwitch::run(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any sleeper;
    const auto interval = check_interval(grace_);
    while (!stop.stop_requested()) {
        try {
            check();
        } catch (const std::exception& error) {
            log_line(std::string("dead-man check: ") + error.what());
        }
        std::unique_lock lock(mutex);
        sleeper.wait_for(lock, stop, interval, [] { return false; });
    }
}

}  // namespace lumora
