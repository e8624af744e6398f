#include "store/sqlite/known_computers.hpp"

#include <algorithm>

namespace lumora {

const std::string* KnownComputers::verifier(const ComputerKey& key) const {
    const auto found = known_.find(key);
    return found != known_.end() && found->second.verifier ? &*found->second.verifier : nullptr;
}

bool KnownComputers::note_heartbeat(const ComputerKey& key, TimePoint now) {
    const auto found = known_.find(key);
    if (found == known_.end() || !found->second.steady) return false;
    found->second.heard = now;
    return true;
}

void KnownComputers::steady(const ComputerKey& key, TimePoint now) {
    Known& known = known_[key];
    known.steady = true;
    known.written = now;
    known.heard.reset();
}

void KnownComputers::unsteady(const ComputerKey& key) {
    const auto found = known_.find(key);
    if (found == known_.end()) return;
    found->second.steady = false;
    found->second.heard.reset();
}

std::vector<KnownComputers::Entry*> KnownComputers::due(TimePoint deadline, std::size_t most) {
    std::vector<Entry*> due;
    for (auto& entry : known_) {
        if (due.size() == most) break;
        if (entry.second.heard && entry.second.written < deadline) due.push_back(&entry);
    }
    return due;
}

// The row keeps the later of the two, as a clock set back a little may have made the
// noted one earlier.
void KnownComputers::written(const std::vector<Entry*>& due) {
    for (Entry* entry : due) {
        entry->second.written = std::max(entry->second.written, *entry->second.heard);
        entry->second.heard.reset();
    }
}

void KnownComputers::all_written(TimePoint now) {
    for (auto& [key, known] : known_) {
        known.written = now;
        known.heard.reset();
    }
}

}  // namespace lumora
