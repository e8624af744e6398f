#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "computer_key.hpp"
#include "time_text.hpp"

namespace lumora {

// What the SQLite store keeps of each computer besides its row, one look-up per request:
// most requests are heartbeats of computers known to be monitored and not silent, and
// those need no database. The store's mutex guards it.
//
// Such a heartbeat is only noted, and written to the row when the row's own would
// otherwise fall before a dead-man's deadline: a computer heard all along costs one write
// per grace, not one per check. Losing the noted ones in a crash is harmless, since the
// grace starts afresh at every start.
class KnownComputers {
public:
    struct Known {
        std::optional<std::string> verifier;  // once read or bound
        bool steady = false;                  // the row says monitored and not silent
        TimePoint written{};                  // the row's heartbeat, while steady
        std::optional<TimePoint> heard;       // a later one, not yet written
    };
    using Entry = std::pair<const ComputerKey, Known>;

    const std::string* verifier(const ComputerKey& key) const;
    void set_verifier(const ComputerKey& key, const std::string& verifier) { known_[key].verifier = verifier; }
    // False unless the computer is steady: then the row must be read and written.
    bool note_heartbeat(const ComputerKey& key, TimePoint now);
    // The row now says monitored and not silent, heard at `now`.
    void steady(const ComputerKey& key, TimePoint now);
    // The row says silent or not monitored.
    void unsteady(const ComputerKey& key);
    // Up to `most` noted heartbeats whose rows are older than `deadline`.
    std::vector<Entry*> due(TimePoint deadline, std::size_t most);
    // The due heartbeats are in their rows.
    static void written(const std::vector<Entry*>& due);
    // Every steady row's heartbeat was set to `now`.
    void all_written(TimePoint now);

private:
    std::unordered_map<ComputerKey, Known, ComputerKeyHash> known_;
};

}  // namespace lumora
