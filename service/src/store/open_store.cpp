#include "store/open_store.hpp"

#include "store/postgres/postgres_store.hpp"
#include "store/sqlite/sqlite_store.hpp"
#include "trust/code_verifier.hpp"
#include "trust/key_file.hpp"
#include "trust/wipe.hpp"

namespace lumora {

bool names_shared_database(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::unique_ptr<Store> open_store(const std::string& target, std::chrono::milliseconds claim_lease) {
    if (names_shared_database(target)) return std::make_unique<PostgresStore>(target, claim_lease);
    return std::make_unique<SqliteStore>(target);
}

std::string open_code_key(const std::string& target, Store& store, const std::filesystem::path& key_file) {
    if (!key_file.empty()) return read_or_create_key_file(key_file);
    if (!names_shared_database(target)) return read_or_create_key_file(target + ".key");
    auto* shared = dynamic_cast<PostgresStore*>(&store);
    if (!shared) throw std::logic_error("a shared database needs its own store");
    std::string fresh = new_code_key();
    const WipeOnExit wipe_fresh(fresh);
    return shared->code_key(fresh);
}

}  // namespace lumora
