#include "trust/hourly_limit.hpp"

#include <algorithm>

namespace lumora {

HourlyLimit::HourlyLimit(int per_key, std::size_t max_keys, std::chrono::milliseconds window)
    : per_key_(per_key), max_keys_(max_keys), window_(window) {}

bool HourlyLimit::take(const std::string& key, Moment now) {
    const std::lock_guard lock(mutex_);
    auto it = events_.find(key);
    if (it == events_.end()) {
        if (events_.size() >= max_keys_) forget_quiet_keys(now);
        if (events_.size() >= max_keys_) return false;
        it = events_.emplace(key, std::deque<Moment>{}).first;
    }
    auto& times = it->second;
    while (!times.empty() && times.front() <= now - window_) times.pop_front();
    if (static_cast<int>(times.size()) >= per_key_) return false;
    times.push_back(now);
    return true;
}

void HourlyLimit::give_back(const std::string& key) {
    const std::lock_guard lock(mutex_);
    const auto it = events_.find(key);
    if (it == events_.end() || it->second.empty()) return;
    it->second.pop_back();
    if (it->second.empty()) events_.erase(it);
}

void HourlyLimit::forget_quiet_keys(Moment now) {
    std::erase_if(events_, [&](const auto& entry) {
        return entry.second.empty() || entry.second.back() <= now - window_;
    });
}

}  // namespace lumora
