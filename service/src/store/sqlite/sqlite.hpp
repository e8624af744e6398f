#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace lumora {

// Owning handle of one SQLite connection; errors throw std::runtime_error. Statements
// are prepared once and kept for reuse, so a connection serves one thread at a time.
class Database {
public:
    explicit Database(const std::string& path);

    // `what` names the statement in an error, which never quotes the SQL itself.
    void exec(const char* sql, std::string_view what);
    sqlite3* handle() const { return db_.get(); }
    int changes() const;
    // Copies the write-ahead log into the database as far as readers allow, waiting for
    // no one. Once it has all been copied, the next commit starts the log afresh.
    void checkpoint();

private:
    friend class Statement;
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Prepared = std::unique_ptr<sqlite3_stmt, Finalizer>;
    struct TextHash : std::hash<std::string_view> {
        using is_transparent = void;
    };

    // A slot holds its statement while no Statement has borrowed it.
    Prepared& slot_for(std::string_view sql);

    std::unique_ptr<sqlite3, Closer> db_;
    // Declared after the connection, so the statements are finalized before it closes.
    std::unordered_map<std::string, Prepared, TextHash, std::equal_to<>> prepared_;
};

// One use of a statement: borrowed from the connection's prepared ones (prepared on first
// use), and given back reset and unbound. Parameters are numbered from 1, result columns
// from 0.
class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view value);

    // True while a row is available.
    bool step();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool is_null(int column) const;

private:
    Database& db_;
    Database::Prepared& slot_;
    Database::Prepared statement_;
};

// BEGIN IMMEDIATE on construction; rolled back unless commit() was called.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& db_;
    bool done_ = false;
};

}  // namespace lumora
