#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "store/store.hpp"

namespace lumora {

// A postgresql:// (or postgres://) URI names a database several instances may share;
// anything else is the path of a SQLite file.
bool names_shared_database(std::string_view target);

// `claim_lease` is how long a mail being sent stays claimed in a shared database.
std::unique_ptr<Store> open_store(const std::string& target, std::chrono::milliseconds claim_lease);

}  // namespace lumora
