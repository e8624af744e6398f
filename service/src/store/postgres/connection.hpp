#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace lumora {

// One query result, cleared on destruction. Rows and columns are numbered from 0.
class PgResult {
public:
    explicit PgResult(pg_result* result);

    int rows() const;
    bool is_null(int row, int column) const;
    std::string text(int row, int column) const;
    std::int64_t integer(int row, int column) const;
    bool boolean(int row, int column) const;
    // Rows touched by an INSERT, UPDATE or DELETE.
    int affected() const;

private:
    struct Clearer {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clearer> result_;
};

// Query parameters, all sent as text so PostgreSQL converts them to the column types.
class PgParams {
public:
    PgParams& add(std::string_view value);
    PgParams& add(std::int64_t value);
    PgParams& add(int value) { return add(static_cast<std::int64_t>(value)); }
    const std::vector<std::string>& values() const { return values_; }

private:
    std::vector<std::string> values_;
};

// Owning handle of one libpq connection, used by one thread at a time. Errors throw
// std::runtime_error naming the query's purpose and the server's first line; never the
// connection string, which may hold a password.
class PgConnection {
public:
    explicit PgConnection(const std::string& uri);

    // One statement; parameters are $1, $2, ...
    PgResult run(std::string_view what, const char* sql, const PgParams& params = {});
    // Several statements without parameters, such as a schema step.
    void run_script(std::string_view what, const char* sql);
    bool broken() const;

private:
    struct Closer {
        void operator()(pg_conn* connection) const;
    };
    std::unique_ptr<pg_conn, Closer> connection_;
};

// BEGIN on construction; rolled back unless commit() was called.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;

    void commit();

private:
    PgConnection& connection_;
    bool done_ = false;
};

// A PostgreSQL array literal of the texts, for "= ANY($n::text[])" and unnest().
std::string pg_text_array(const std::vector<std::string>& items);

}  // namespace lumora
