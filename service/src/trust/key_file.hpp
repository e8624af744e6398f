#pragma once

#include <filesystem>
#include <string>

namespace lumora {

// The code key kept in a file: read when it exists, else created with a fresh key, readable
// by its owner only. A file that others may read, or that does not hold a key, stops the
// start with std::runtime_error, since the key guards every verifier in the store.
std::string read_or_create_key_file(const std::filesystem::path& path);

}  // namespace lumora
