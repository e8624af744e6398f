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

// The flag and its mail change in one transaction: a crash between the two used to leave
// a computer flagged silent with no mail, never to be reported.
void DeadmanSwitch::heartbeat(const ComputerKey& key, const std::string& code_verifier) {
    const auto back = queue_.record_heartbeat(
        key, code_verifier,
        [](const SilentComputer& computer) { return recovery_mail(computer.key.computer_id, computer.last_heartbeat); },
        clock_());
    if (back) log_line(key.address + " computer " + std::to_string(key.computer_id) + " is back");
}

void DeadmanSwitch::check() {
    const TimePoint now = clock_();
    const auto silent = queue_.take_newly_silent(
        now - grace_,
        [this](const SilentComputer& computer) {
            return silence_mail(computer.key.computer_id, computer.last_heartbeat, grace_);
        },
        now);
    for (const auto& computer : silent)
        log_line(computer.key.address + " computer " + std::to_string(computer.key.computer_id) + " went silent");
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
