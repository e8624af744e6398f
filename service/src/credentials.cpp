#include "credentials.hpp"

#include <string.h>

#include "store/store.hpp"

namespace lumora {
namespace {

void wipe(std::string& secret) { explicit_bzero(secret.data(), secret.size()); }

}  // namespace

CredentialVault::~CredentialVault() {
    for (auto& [key, code] : codes_) wipe(code);
}

void CredentialVault::remember(const ComputerKey& key, std::string_view code) {
    const std::lock_guard lock(mutex_);
    auto& slot = codes_[key];
    wipe(slot);
    slot.assign(code);
}

std::optional<std::string> CredentialVault::code_for(const ComputerKey& key) const {
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it == codes_.end()) return std::nullopt;
    return it->second;
}

void CredentialVault::forget(const ComputerKey& key) {
    const std::lock_guard lock(mutex_);
    const auto it = codes_.find(key);
    if (it == codes_.end()) return;
    wipe(it->second);
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
