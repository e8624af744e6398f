#include "http/refusal_log.hpp"

#include <utility>

namespace lumora {

RefusalLog::RefusalLog(std::chrono::milliseconds interval, std::size_t max_kinds)
    : interval_(interval), max_kinds_(max_kinds) {}

std::optional<std::string> RefusalLog::line_for(const std::string& client, const std::string& refusal, Moment now) {
    const std::string line = refusal + " (from " + client + ")";
    const std::lock_guard lock(mutex_);
    const std::string kind = client + '\n' + refusal;
    if (const auto it = runs_.find(kind); it != runs_.end()) {
        Run& run = it->second;
        if (now - run.since < interval_) {
            ++run.repeats;
            return std::nullopt;
        }
        const int repeats = std::exchange(run.repeats, 0);
        run.since = now;
        if (repeats == 0) return line;
        return line + "; " + std::to_string(repeats) + " more like it since the last line";
    }
    if (runs_.size() >= max_kinds_)
        std::erase_if(runs_, [&](const auto& entry) { return now - entry.second.since >= interval_; });
    if (runs_.size() >= max_kinds_) runs_.clear();
    runs_.emplace(kind, Run{now});
    return line;
}

}  // namespace lumora
