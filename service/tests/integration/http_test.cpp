#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string code = "Hq3Vt8Nw2Xc6Bz1K";
const std::string account = "wxid=10001@qq.com&cpid=3&pwd=" + code;
const std::string heartbeat_target = "/velmor305/checkon.asp?" + account;
const std::string reminder_target = "/velmor305/tx.asp?" + account + "&port=8080%u5907%u6CE8%20x";

std::string request(const std::string& method, const std::string& target, const std::string& headers = "") {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

std::string chunked(std::size_t bytes) {
    std::string body;
    for (std::size_t left = bytes; left > 0;) {
        const std::size_t size = std::min<std::size_t>(left, 1000);
        std::ostringstream chunk;
        chunk << std::hex << size << "\r\n" << std::string(size, 'a') << "\r\n";
        body += chunk.str();
        left -= size;
    }
    return body + "0\r\n\r\n";
}

// Mail to a closed port stays queued, so the database shows what each request changed.
struct HttpTest : ::testing::Test {
    TempDir dir;
    BoundBeforeStart bound{dir.path(), {"10001@qq.com", 3}, code};
    ServiceProcess service{dir.path(), smtp_flags(free_loopback_port())};

    SqliteStore store() const { return SqliteStore((dir.path() / "service.db").string()); }
};

TEST_F(HttpTest, MethodsOtherThanGetAndPostChangeNothing) {
    for (const std::string method : {"HEAD", "PUT", "DELETE", "OPTIONS"}) {
        for (const auto& target : {heartbeat_target, reminder_target}) {
            RawConnection connection(service.port());
            const bool with_body = method == "PUT";
            connection.send(request(method, target, with_body ? "Content-Length: 2\r\n" : "") + (with_body ? "{}" : ""));
            const std::string reply = method == "HEAD" ? connection.reply_to_head() : connection.reply();
            EXPECT_EQ(status_of(reply), 405) << method << " " << reply;
            EXPECT_NE(reply.find("\r\nAllow: GET, POST\r\n"), std::string::npos) << reply;
        }
    }
    EXPECT_EQ(store().queued(), 0);
    EXPECT_FALSE(store().is_monitored({"10001@qq.com", 3}));

    ASSERT_EQ(service.get(heartbeat_target)->status, 200);
    EXPECT_TRUE(store().is_monitored({"10001@qq.com", 3})) << "the same target does count by GET";
}

TEST_F(HttpTest, BodyPastTheLimitIsRefusedInEveryEncodingAndClosesTheConnection) {
    {
        RawConnection connection(service.port());
        connection.send(request("POST", reminder_target, "Transfer-Encoding: chunked\r\n"));
        connection.send(chunked(64 * 1024));
        EXPECT_EQ(status_of(connection.reply()), 413);
        EXPECT_TRUE(connection.closed_by_peer());
    }
    {
        RawConnection connection(service.port());
        connection.send(request("POST", reminder_target, "Content-Length: 4097\r\n"));
        EXPECT_EQ(status_of(connection.reply()), 413);
        EXPECT_TRUE(connection.closed_by_peer());
    }
    EXPECT_EQ(store().queued(), 0);

    RawConnection connection(service.port());
    connection.send(request("POST", reminder_target, "Transfer-Encoding: chunked\r\n") + chunked(4096));
    EXPECT_EQ(status_of(connection.reply()), 200) << "a body within the limit is read and ignored";
    EXPECT_EQ(store().queued(), 1);
}

// Each connection's buffer is small; the longest request the client sends must still fit,
// with room for what a front adds.
TEST_F(HttpTest, LongestReminderTheClientSendsIsServed) {
    std::string remark;
    for (int i = 0; i < 512; ++i) remark += "%23";
    RawConnection connection(service.port());
    connection.send(request("GET", "/velmor305/tx.asp?" + account + "&port=" + remark,
                            "Idempotency-Key: " + std::string(128, 'k') + "\r\nX-Padding: " +
                                std::string(2048, 'p') + "\r\n"));
    EXPECT_EQ(status_of(connection.reply()), 200);
    EXPECT_EQ(store().queued(), 1);
}

TEST_F(HttpTest, SlowAndSilentClientsDelayNobody) {
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 8; ++i) {
        idle.push_back(std::make_unique<RawConnection>(service.port()));
        auto& slow = idle.emplace_back(std::make_unique<RawConnection>(service.port()));
        slow->send("GET /velmor305/tips.asp HTTP/1.1\r\nHo");
    }
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(service.post(heartbeat_target)->status, 200);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "one honest request";
        for (std::size_t slow = 1; slow < idle.size(); slow += 2) idle[slow]->send("s");
    }
}

TEST(HttpTimeLimit, ClientDribblingItsRequestIsCutOff) {
    TempDir dir;
    ServiceProcess service(dir.path(), {"--request-time", "1s"});
    RawConnection connection(service.port());
    const std::string head = request("GET", "/velmor305/tips.asp", "X-Padding: " + std::string(200, 'p') + "\r\n");
    const auto start = std::chrono::steady_clock::now();
    bool cut_off = false;
    for (std::size_t i = 0; i < head.size() && !cut_off; ++i) {
        cut_off = !connection.send(head.substr(i, 1)) || connection.closed_by_peer(50ms);
    }
    EXPECT_TRUE(cut_off);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(HttpTest, KeptAliveConnectionAnswersEveryRequestPromptly) {
    RawConnection connection(service.port());
    auto fastest = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 6; ++i) {
        const auto start = std::chrono::steady_clock::now();
        connection.send(request("GET", "/velmor305/tips.asp"));
        ASSERT_EQ(status_of(connection.reply()), 200) << "request " << i;
        if (i > 0) fastest = std::min(fastest, std::chrono::steady_clock::now() - start);
    }
    // A reply held back for the peer's delayed ACK takes 40 ms or more.
    EXPECT_LT(fastest, 20ms);
}

TEST_F(HttpTest, EscapesInThePathCannotForgeOrCutLogLines) {
    const std::string forged = "/velmor305/x%0A2026-01-01%2000:00:00%20forged%0D%00tail.asp";
    EXPECT_EQ(status_of([&] {
                  RawConnection connection(service.port());
                  connection.send(request("GET", forged));
                  return connection.reply();
              }()),
              404);
    EXPECT_EQ(service.get("/velmor305/tips.asp%00.txt")->status, 404) << "a zero byte does not end the path";

    ASSERT_TRUE(eventually([&] { return count_of(service.log(), "-> 404") == 2; })) << service.log();
    const std::regex line_start(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )");
    std::istringstream lines(service.log());
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(std::regex_search(line, line_start)) << line;
        if (line.find("forged") != std::string::npos) {
            EXPECT_NE(line.find("x\\x0A2026-01-01 00:00:00 forged\\x0D%00tail.asp -> 404"), std::string::npos)
                << line;
        }
    }
}

TEST_F(HttpTest, LongOrRepeatedRefusalsMakeFewShortLogLines) {
    const std::string long_path = "/velmor305/" + std::string(6000, 'a') + ".asp";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(service.get(long_path)->status, 404);
    EXPECT_EQ(service.get("/velmor305/%C2%9B%E2%80%AEpxe.asp")->status, 404);
    ASSERT_TRUE(eventually([&] { return count_of(service.log(), "-> 404") == 2; })) << service.log().substr(0, 2000);
    std::istringstream lines(service.log());
    for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 400u) << line.substr(0, 400);
    EXPECT_NE(service.log().find("...(6015 bytes) -> 404"), std::string::npos);
    EXPECT_NE(service.log().find("/velmor305/\\u009B\\u202Epxe.asp -> 404"), std::string::npos) << service.log();
}

TEST(SingleCopy, SecondCopyOnThePortOrTheDatabaseIsRefusedUntilTheFirstEnds) {
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 3}, code);
    const auto mail = smtp_flags(free_loopback_port());
    auto first = std::make_unique<ServiceProcess>(dir.path(), mail);
    ASSERT_EQ(first->post(heartbeat_target)->status, 200);

    const auto second_copy = [&](const std::string& listen, const std::string& database) {
        const fs::path output = dir.path() / "second.out";
        fs::remove(output);
        std::vector<std::string> argv = {LUMORA_SERVICE_BINARY, "--listen", listen, "--db", database};
        argv.insert(argv.end(), mail.begin(), mail.end());
        ChildProcess second(argv, output);
        const int status = second.wait(10s);
        return std::make_pair(status, read_file(output));
    };
    const auto [port_status, port_message] =
        second_copy("127.0.0.1:" + std::to_string(first->port()), (dir.path() / "other.db").string());
    EXPECT_NE(port_status, 0);
    EXPECT_EQ(count_of(port_message, "\n"), 1u) << port_message;
    EXPECT_NE(port_message.find("in use"), std::string::npos) << port_message;

    const auto [db_status, db_message] = second_copy("127.0.0.1:0", (dir.path() / "service.db").string());
    EXPECT_NE(db_status, 0);
    EXPECT_EQ(count_of(db_message, "\n"), 1u) << db_message;
    EXPECT_NE(db_message.find("in use by another lumora-service"), std::string::npos) << db_message;
    EXPECT_EQ(db_message.find("CREATE"), std::string::npos);

    EXPECT_EQ(first->post(heartbeat_target)->status, 200) << "the first copy serves on";
    first->crash();
    first.reset();
    ServiceProcess after_crash(dir.path(), mail);
    EXPECT_TRUE(SqliteStore((dir.path() / "service.db").string()).is_monitored({"10001@qq.com", 3}));
    EXPECT_EQ(after_crash.stop(), 0);
}

}  // namespace
}  // namespace lumora::testing
