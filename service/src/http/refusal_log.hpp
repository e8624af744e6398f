#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace lumora {

// Refusals come in runs: a client retrying a bad request, or a flood. The first of a kind
// (client and refusal) is logged at once; the same again within the interval is only
// counted, and the count goes with the first one logged after it. The kinds it tracks are
// bounded: when full, lapsed ones go, and failing that all of them.
class RefusalLog {
public:
    using Moment = std::chrono::steady_clock::time_point;

    explicit RefusalLog(std::chrono::milliseconds interval = std::chrono::seconds(60), std::size_t max_kinds = 10000);

    // The line to log for this refusal, or none while it repeats within the interval.
    std::optional<std::string> line_for(const std::string& client, const std::string& refusal, Moment now);

private:
    struct Run {
        Moment since;
        int repeats = 0;
    };

    const std::chrono::milliseconds interval_;
    const std::size_t max_kinds_;
    std::mutex mutex_;
    std::unordered_map<std::string, Run> runs_;
};

}  // namespace lumora
