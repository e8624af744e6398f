#include "credentials.hpp"

#include "store/store.hpp"

namespace lumora {

CredentialVault::Hold::~Hold() { vault_.release(slot_); }

CredentialVault::Hold CredentialVault::remember(const ComputerKey& key, std::string_view code,
                                                std::string_view verifier) {
    const std::lock_guard lock(mutex_);
    auto& slot = codes_[key];
    // Every heartbeat brings the code again; most bring the one already held.
    if (slot.held.code != code || slot.held.verifier != verifier) {
        wipe(slot.held.code);
        slot.held.code.assign(code);
        slot.held.verifier.assign(verifier);
    }
    ++slot.holds;
    slot.stored = ++stores_;
    return Hold(*this, slot);
}

void CredentialVault::release(Slot& slot) {
    const std::lock_guard lock(mutex_);
    --slot.holds;
}

std::optional<HeldCode> CredentialVault::code_for(const ComputerKey& key) const {
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it == codes_.end()) return std::nullopt;
    return it->second.held;
}

// The store is asked without the lock, so requests are not held up by it. A request that
// stores the code meanwhile either still holds it when the answer comes or has stored it
// after it was found unneeded; either way the code stays.
void CredentialVault::forget_if_unneeded(const ComputerKey& key, Store& store) {
    std::uint64_t stored = 0;
    {
        const std::lock_guard lock(mutex_);
        const auto it = codes_.find(key);
        if (it == codes_.end() || it->second.holds > 0) return;
        stored = it->second.stored;
    }
    if (store.is_monitored(key) || store.pending_for(key) > 0) return;
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it != codes_.end() && it->second.holds == 0 && it->second.stored == stored) codes_.erase(it);
}

std::size_t CredentialVault::size() const {
    const std::lock_guard lock(mutex_);
    return codes_.size();
}

bool CredentialVault::holds(const ComputerKey& key) const {
    const std::lock_guard lock(mutex_);
    return codes_.contains(key);
}

}  // namespace lumora
