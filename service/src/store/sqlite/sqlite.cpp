#include "store/sqlite/sqlite.hpp"

#include <sqlite3.h>

#include <stdexcept>

namespace lumora {
namespace {

constexpr int busy_timeout_ms = 2000;

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    throw std::runtime_error("database: " + std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

void Database::Closer::operator()(sqlite3* db) const { sqlite3_close(db); }

Database::Database(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) fail(raw, "cannot open " + path);
    sqlite3_busy_timeout(raw, busy_timeout_ms);
}

// The message names what went wrong, not the statement: that would spell out the schema.
void Database::exec(const char* sql, std::string_view what) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_.get(), what);
}

int Database::changes() const { return sqlite3_changes(db_.get()); }

// Busy means another connection is checkpointing right now, which does the same work.
void Database::checkpoint() {
    const int rc = sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) fail(db_.get(), "checkpoint");
}

void Database::Finalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

Database::Prepared& Database::slot_for(std::string_view sql) {
    if (const auto it = prepared_.find(sql); it != prepared_.end()) return it->second;
    return prepared_.emplace(std::string(sql), nullptr).first->second;
}

// A statement already borrowed, by a nested use of the same text, is prepared once more;
// the copy given back second is dropped.
Statement::Statement(Database& db, std::string_view sql) : db_(db), slot_(db.slot_for(sql)) {
    if (slot_) {
        statement_ = std::move(slot_);
        return;
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(db.handle(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                           nullptr) != SQLITE_OK)
        fail(db.handle(), "prepare");
    statement_.reset(raw);
}

Statement::~Statement() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
    if (!slot_) slot_ = std::move(statement_);
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_.get(), index, value) != SQLITE_OK) fail(db_.handle(), "bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
    if (sqlite3_bind_text(statement_.get(), index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        fail(db_.handle(), "bind");
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(statement_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_.handle(), "step");
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }

std::string Statement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column));
    return data ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)))
                : std::string();
}

bool Statement::is_null(int column) const { return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL; }

Transaction::Transaction(Database& db) : db_(db) { Statement(db_, "BEGIN IMMEDIATE").step(); }

Transaction::~Transaction() {
    if (!done_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    Statement(db_, "COMMIT").step();
    done_ = true;
}

}  // namespace lumora
