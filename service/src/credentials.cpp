#include "credentials.hpp"

#include "store/store.hpp"

namespace lumora {

void CredentialVault::remember(const ComputerKey& key, std::string_view code, std::string_view verifier) {
    const std::lock_guard lock(mutex_);
    auto& slot = codes_[key];
    wipe(slot.code);
    slot.code.assign(code);
    slot.verifier.assign(verifier);
}

std::optional<HeldCode> CredentialVault::code_for(const ComputerKey& key) const {
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it == codes_.end()) return std::nullopt;
    return it->second;
}

void CredentialVault::forget(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it == codes_.end()) return;
    codes_.erase(it);
}

void CredentialVault::forget_if_unneeded(const ComputerKey& key, Store& store) {
    if (!store.is_monitored(key) && store.pending_for(key) == 0) forget(key);
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
