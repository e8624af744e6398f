#pragma once

#include <string>

#include "harness.hpp"

namespace lumora::testing {

// A real PostgreSQL server of its own, in a temporary folder on a free loopback port,
// stopped and removed with the object. PostgreSQL refuses to run as root, so a root test
// run starts it under the database's system account (or nobody).
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // A fresh, empty database on the server, as the URI the service takes.
    std::string create_database();

private:
    std::string uri(const std::string& database) const;

    TempDir dir_;
    int port_;
    std::optional<ChildProcess> server_;
    int databases_ = 0;
};

// One server for the whole test program, started on first use.
PostgresServer& shared_postgres();

}  // namespace lumora::testing
