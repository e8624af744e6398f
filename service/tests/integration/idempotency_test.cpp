#include <gtest/gtest.h>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string reminder_target =
    "/velmor305/tx.asp?wxid=10001@qq.com&cpid=1&pwd=Hq3Vt8Nw2Xc6Bz1K&port=8080%u5907%u6CE8%20x";

int post_reminder(int port, const std::string& key_header) {
    RawConnection connection(port);
    connection.send("POST " + reminder_target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n" +
                    key_header + "\r\n");
    return status_of(connection.reply());
}

struct KeyCase {
    const char* first;   // Idempotency-Key header line of the first request, or ""
    const char* second;  // of the second
    int second_status;
    int queued;
};

// A client that never saw the first "ok" sends the reminder again with the same key.
TEST(Idempotency, RepeatedKeyAnswersOkAndQueuesNothing) {
    const KeyCase cases[] = {
        {"Idempotency-Key: 7f3c9a\r\n", "Idempotency-Key: 7f3c9a\r\n", 200, 1},
        {"Idempotency-Key: 7f3c9a\r\n", "Idempotency-Key: 7f3c9b\r\n", 200, 2},
        {"", "", 200, 2},  // without a key, as before
        {"Idempotency-Key: 7f3c9a\r\n", "", 200, 2},
        {"", "Idempotency-Key: bad key\r\n", 400, 1},
        {"", ("Idempotency-Key: " + std::string(129, 'k') + "\r\n").c_str(), 400, 1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ServiceProcess service(dir.path(), {"--transport", "outbox", "--outbox", (dir.path() / "outbox").string()});
        ASSERT_EQ(post_reminder(service.port(), c.first), 200);
        EXPECT_EQ(post_reminder(service.port(), c.second), c.second_status) << c.first << " then " << c.second;
        ASSERT_TRUE(eventually([&] { return count_of(service.log(), " sent: ") >= static_cast<std::size_t>(c.queued); }))
            << service.log();
        EXPECT_EQ(service.stop(), 0);
        EXPECT_EQ(count_of(service.log(), " sent: "), static_cast<std::size_t>(c.queued))
            << c.first << " then " << c.second << "\n" << service.log();
    }
}

}  // namespace
}  // namespace lumora::testing
