#include "store/postgres/connection_pool.hpp"

#include <string>

#include "store/store.hpp"

namespace lumora {

PgPool::PgPool(std::string uri, std::size_t size, std::chrono::milliseconds wait)
    : uri_(std::move(uri)), size_(size), wait_(wait) {}

PgPool::Lease::Lease(PgPool& pool, std::unique_ptr<PgConnection> connection)
    : pool_(pool), connection_(std::move(connection)) {}

PgPool::Lease::~Lease() { pool_.give_back(std::move(connection_)); }

PgPool::Lease PgPool::acquire() {
    {
        std::unique_lock lock(mutex_);
        if (!returned_.wait_for(lock, wait_, [this] { return !idle_.empty() || open_ < size_; }))
            throw StoreBusy("database: all " + std::to_string(size_) + " connections stayed busy for " +
                            std::to_string(wait_.count()) + " ms");
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
        ++open_;
    }
    try {
        return Lease(*this, std::make_unique<PgConnection>(uri_));
    } catch (...) {
        give_back(nullptr);
        throw;
    }
}

void PgPool::give_back(std::unique_ptr<PgConnection> connection) {
    {
        const std::lock_guard lock(mutex_);
        if (connection && !connection->broken())
            idle_.push_back(std::move(connection));
        else
            --open_;
    }
    returned_.notify_one();
}

}  // namespace lumora
