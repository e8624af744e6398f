#pragma once

#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "store/sqlite/sqlite.hpp"

namespace lumora {

// Copies the write-ahead log back into the database on a connection and thread of its
// own. Left to the writing connection, the copy and its two syncs would run inside a
// commit, under the store's lock, and every request waiting on the store would stall.
// `writers` is the lock the writing connection is used under.
class WalCheckpointer {
public:
    WalCheckpointer(const std::string& database, std::mutex& writers);

private:
    void run(std::stop_token stop);

    Database db_;
    std::mutex& writers_;
    std::jthread thread_;
};

}  // namespace lumora
