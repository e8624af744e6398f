#include "store/postgres/connection.hpp"

#include <libpq-fe.h>

#include <stdexcept>

namespace lumora {
namespace {

std::string first_line(const char* message) {
    std::string text = message ? message : "";
    text = text.substr(0, text.find('\n'));
    return text.empty() ? "unknown error" : text;
}

}  // namespace

void PgResult::Clearer::operator()(pg_result* result) const { PQclear(result); }

PgResult::PgResult(pg_result* result) : result_(result) {}

int PgResult::rows() const { return PQntuples(result_.get()); }

bool PgResult::is_null(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }

std::string PgResult::text(int row, int column) const {
    return std::string(PQgetvalue(result_.get(), row, column),
                       static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

std::int64_t PgResult::integer(int row, int column) const { return std::stoll(text(row, column)); }

bool PgResult::boolean(int row, int column) const { return text(row, column) == "t"; }

int PgResult::affected() const {
    const char* count = PQcmdTuples(result_.get());
    return count && *count ? std::stoi(count) : 0;
}

PgParams& PgParams::add(std::string_view value) {
    values_.emplace_back(value);
    return *this;
}

PgParams& PgParams::add(std::int64_t value) {
    values_.push_back(std::to_string(value));
    return *this;
}

void PgConnection::Closer::operator()(pg_conn* connection) const { PQfinish(connection); }

// A database that does not answer would otherwise hold a request, and the stop, for
// minutes: the connection gives up after 10 s, keepalives and a time-out on unacknowledged
// data notice a server or network gone silent within about 20 s, and no statement may run
// longer than 10 s. Settings in the URI still win, coming later; the statement time-out
// is set after connecting, so it always holds.
PgConnection::PgConnection(const std::string& uri) {
    const char* keywords[] = {"connect_timeout", "keepalives",        "keepalives_idle", "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout", "dbname",          nullptr};
    const char* values[] = {"10", "1", "10", "5", "2", "20000", uri.c_str(), nullptr};
    connection_.reset(PQconnectdbParams(keywords, values, 1));
    if (!connection_) throw std::runtime_error("database: out of memory");
    if (PQstatus(connection_.get()) != CONNECTION_OK)
        throw std::runtime_error("database: cannot connect: " + first_line(PQerrorMessage(connection_.get())));
    // Notices such as "already exists, skipping" are expected; errors come as errors.
    PQsetNoticeProcessor(connection_.get(), [](void*, const char*) {}, nullptr);
    run("statement time-out", "SET statement_timeout = 10000");
}

PgResult PgConnection::run(std::string_view what, const char* sql, const PgParams& params) {
    std::vector<const char*> values;
    for (const auto& value : params.values()) values.push_back(value.c_str());
    pg_result* raw = PQexecParams(connection_.get(), sql, static_cast<int>(values.size()), nullptr, values.data(),
                                  nullptr, nullptr, 0);
    PgResult result(raw);
    const auto status = PQresultStatus(raw);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error("database: " + std::string(what) + ": " +
                                 first_line(PQerrorMessage(connection_.get())));
    return result;
}

void PgConnection::run_script(std::string_view what, const char* sql) {
    pg_result* raw = PQexec(connection_.get(), sql);
    const PgResult result(raw);
    if (PQresultStatus(raw) != PGRES_COMMAND_OK)
        throw std::runtime_error("database: " + std::string(what) + ": " +
                                 first_line(PQerrorMessage(connection_.get())));
}

bool PgConnection::broken() const { return PQstatus(connection_.get()) != CONNECTION_OK; }

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
    connection_.run("begin", "BEGIN");
}

PgTransaction::~PgTransaction() {
    if (done_ || connection_.broken()) return;
    try {
        connection_.run("rollback", "ROLLBACK");
    } catch (const std::exception&) {
        // The connection is failing; the server rolls back when it goes.
    }
}

void PgTransaction::commit() {
    done_ = true;
    connection_.run("commit", "COMMIT");
}

std::string pg_text_array(const std::vector<std::string>& items) {
    std::string literal = "{";
    for (const auto& item : items) {
        if (literal.size() > 1) literal += ',';
        literal += '"';
        for (const char c : item) {
            if (c == '"' || c == '\\') literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    return literal + "}";
}

}  // namespace lumora
