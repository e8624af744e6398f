#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "store/postgres/connection.hpp"

namespace lumora {

// Connections shared by the service's threads, opened when first needed, at most `size`.
// A connection that broke is dropped when returned, so the next user opens a fresh one.
class PgPool {
public:
    // A caller waits at most `wait` for a connection when all are in use.
    PgPool(std::string uri, std::size_t size, std::chrono::milliseconds wait);

    class Lease {
    public:
        Lease(PgPool& pool, std::unique_ptr<PgConnection> connection);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        PgConnection& operator*() const { return *connection_; }
        PgConnection* operator->() const { return connection_.get(); }

    private:
        PgPool& pool_;
        std::unique_ptr<PgConnection> connection_;
    };

    // Waits while all connections are in use; throws StoreBusy when none frees in time.
    Lease acquire();

private:
    void give_back(std::unique_ptr<PgConnection> connection);

    std::string uri_;
    std::size_t size_;
    std::chrono::milliseconds wait_;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::vector<std::unique_ptr<PgConnection>> idle_;
    std::size_t open_ = 0;
};

}  // namespace lumora
