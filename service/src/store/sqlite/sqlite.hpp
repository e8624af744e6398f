#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace lumora {

// Owning handle of one SQLite connection; errors throw std::runtime_error.
class Database {
public:
    explicit Database(const std::string& path);

    // `what` names the statement in an error, which never quotes the SQL itself.
    void exec(const char* sql, std::string_view what);
    sqlite3* handle() const { return db_.get(); }
    int changes() const;

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

// One prepared statement, finalized on destruction. Parameters are numbered from 1,
// result columns from 0.
class Statement {
public:
    Statement(Database& db, std::string_view sql);

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view value);

    // True while a row is available.
    bool step();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool is_null(int column) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    Database& db_;
    std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
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
