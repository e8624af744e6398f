#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace lumora {

// At most `per_key` events per key within a sliding window (an hour unless told), in
// memory. The keys it tracks are bounded too: when they fill up, keys without an event in
// the window are dropped, and while it is still full, new keys are refused, so a flood of
// addresses can neither grow it nor get past it.
class HourlyLimit {
public:
    using Moment = std::chrono::steady_clock::time_point;

    explicit HourlyLimit(int per_key, std::size_t max_keys = 100000,
                         std::chrono::milliseconds window = std::chrono::hours(1));

    // Counts one event of the key; false, counting nothing, when it is over the limit.
    bool take(const std::string& key, Moment now);
    // Takes back one counted event of the key, one that turned out not to count.
    void give_back(const std::string& key);

private:
    void forget_quiet_keys(Moment now);

    const int per_key_;
    const std::size_t max_keys_;
    const std::chrono::milliseconds window_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::deque<Moment>> events_;
};

// One counted event that is given back unless kept, however the scope ends.
class LimitTicket {
public:
    LimitTicket() = default;
    LimitTicket(HourlyLimit& limit, std::string key) : limit_(&limit), key_(std::move(key)) {}
    ~LimitTicket() {
        if (limit_) limit_->give_back(key_);
    }
    LimitTicket(LimitTicket&& other) noexcept : limit_(std::exchange(other.limit_, nullptr)), key_(std::move(other.key_)) {}
    LimitTicket& operator=(LimitTicket&&) = delete;
    LimitTicket(const LimitTicket&) = delete;

    void keep() { limit_ = nullptr; }

private:
    HourlyLimit* limit_ = nullptr;
    std::string key_;
};

}  // namespace lumora
