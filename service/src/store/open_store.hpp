#pragma once

#include <chrono>
#include <filesystem>
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

// The key of the code verifiers: from `key_file` when one is given; else kept in a shared
// database, or in a file beside a SQLite one ("<db>.key"), created on the first start.
std::string open_code_key(const std::string& target, Store& store, const std::filesystem::path& key_file);

}  // namespace lumora
