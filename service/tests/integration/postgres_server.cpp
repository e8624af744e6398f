#include "postgres_server.hpp"

#include <pwd.h>
#include <unistd.h>

#include <stdexcept>

#include "store/postgres/connection.hpp"

namespace lumora::testing {
namespace {

std::optional<Account> server_account() {
    if (geteuid() != 0) return std::nullopt;
    for (const char* name : {"postgres", "nobody"})
        if (const passwd* entry = getpwnam(name)) return Account{entry->pw_uid, entry->pw_gid};
    throw std::runtime_error("running as root, and no postgres or nobody account to run PostgreSQL under");
}

std::string bin(const char* program) { return std::string(LUMORA_PG_BINDIR) + "/" + program; }

}  // namespace

PostgresServer::PostgresServer() : port_(free_loopback_port()) {
    const auto account = server_account();
    if (account && chown(dir_.path().c_str(), account->uid, account->gid) != 0)
        throw std::runtime_error("cannot hand the test folder to PostgreSQL's account");
    const fs::path data = dir_.path() / "data";
    const fs::path log = dir_.path() / "postgres.log";
    ChildProcess init({bin("initdb"), "-D", data.string(), "-U", "lumora", "--auth=trust", "-E", "UTF8",
                       "--locale=C", "--no-sync", "--no-instructions"},
                      log, account);
    if (init.wait(60s) != 0) throw std::runtime_error("initdb failed:\n" + read_file(log));
    server_.emplace(std::vector<std::string>{bin("postgres"), "-D", data.string(), "-k", dir_.path().string(), "-p",
                                             std::to_string(port_), "-c", "listen_addresses=127.0.0.1", "-c",
                                             "fsync=off", "-c", "shared_buffers=16MB", "-c",
                                             "dynamic_shared_memory_type=mmap", "-c", "max_connections=200"},
                    log, account);
    const bool ready = eventually(
        [&] {
            try {
                PgConnection probe(uri("postgres"));
                return true;
            } catch (const std::exception&) {
                return false;
            }
        },
        30s);
    if (!ready) throw std::runtime_error("PostgreSQL did not start:\n" + read_file(log));
}

// Fast shutdown: sessions a test left open are ended rather than waited for.
PostgresServer::~PostgresServer() { server_->terminate(10s, SIGINT); }

std::string PostgresServer::create_database() {
    const std::string name = "lumora_test_" + std::to_string(++databases_);
    PgConnection(uri("postgres")).run("create test database", ("CREATE DATABASE " + name).c_str());
    return uri(name);
}

std::string PostgresServer::uri(const std::string& database) const {
    return "postgresql://lumora@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

PostgresServer& shared_postgres() {
    static PostgresServer server;
    return server;
}

}  // namespace lumora::testing
