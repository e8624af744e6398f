#include "store/open_store.hpp"

#include "store/postgres/postgres_store.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora {

bool names_shared_database(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::unique_ptr<Store> open_store(const std::string& target, std::chrono::milliseconds claim_lease) {
    if (names_shared_database(target)) return std::make_unique<PostgresStore>(target, claim_lease);
    return std::make_unique<SqliteStore>(target);
}

}  // namespace lumora
