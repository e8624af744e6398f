#include "store/postgres/connection_pool.hpp"

namespace lumora {

PgPool::PgPool(std::string uri, std::size_t size) : uri_(std::move(uri)), size_(size) {}

PgPool::Lease::Lease(PgPool& pool, std::unique_ptr<PgConnection> connection)
    : pool_(pool), connection_(std::move(connection)) {}

PgPool::Lease::~Lease() { pool_.give_back(std::move(connection_)); }

PgPool::Lease PgPool::acquire() {
    {
        std::unique_lock lock(mutex_);
        returned_.wait(lock, [this] { return !idle_.empty() || open_ < size_; });
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
