#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"
#include "test_authority.hpp"
#include "tls_client.hpp"

namespace lumora::testing {
namespace {

const std::string account = "wxid=10001@qq.com&cpid=3&pwd=Hq3Vt8Nw2Xc6Bz1K";
const std::string heartbeat_target = "/velmor305/checkon.asp?" + account;

// User and system time a process has used, in clock ticks.
long processor_ticks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) ticks += std::stol(field);
    }
    return ticks;
}

// The service serves whatever sits at live.crt and live.key; a test swaps them and sends
// SIGHUP. Mail goes to a closed port, so it stays queued.
struct TlsTest : ::testing::Test {
    TempDir dir;
    TestAuthority authority{dir.path() / "authority"};
    IssuedCertificate first = authority.issue("first");
    IssuedCertificate second = authority.issue("second");
    fs::path live_certificate = dir.path() / "live.crt";
    fs::path live_key = dir.path() / "live.key";
    std::unique_ptr<ServiceProcess> service;

    void SetUp() override {
        BoundBeforeStart(dir.path(), {"10001@qq.com", 3}, "Hq3Vt8Nw2Xc6Bz1K");
        serve(first);
        std::vector<std::string> flags = smtp_flags(free_loopback_port());
        flags.insert(flags.end(), {"--tls-cert", live_certificate.string(), "--tls-key", live_key.string()});
        service = std::make_unique<ServiceProcess>(dir.path(), flags);
    }

    void serve(const IssuedCertificate& pair) {
        fs::copy_file(pair.certificate, live_certificate, fs::copy_options::overwrite_existing);
        fs::copy_file(pair.key, live_key, fs::copy_options::overwrite_existing);
    }

    // SIGHUP, then waits for the log to report the outcome.
    void reload(const std::string& expected) {
        const std::size_t before = count_of(service->log(), expected);
        service->send_signal(SIGHUP);
        ASSERT_TRUE(eventually([&] { return count_of(service->log(), expected) > before; })) << service->log();
    }

    // curl's own reply body and exit status for a GET over HTTPS.
    std::pair<int, std::string> curl(const std::vector<std::string>& options, const std::string& target) {
        const fs::path body = dir.path() / "curl.body";
        fs::remove(body);
        std::vector<std::string> argv = {"/usr/bin/curl", "--silent", "--show-error", "--max-time", "10", "-o",
                                         body.string()};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("https://localhost:" + std::to_string(service->port()) + target);
        const int status = run_program(argv, dir.path() / "curl.log");
        return {status, read_file(body)};
    }
};

TEST_F(TlsTest, ServesTls12And13ToAClientThatTrustsTheAuthorityAndNothingOlder) {
    const std::string ca = authority.certificate().string();
    struct Case {
        std::vector<std::string> options;
        bool served;
    };
    const Case cases[] = {
        {{"--cacert", ca, "--tlsv1.2", "--tls-max", "1.2"}, true},
        {{"--cacert", ca, "--tlsv1.3"}, true},
        {{"--cacert", ca, "--tlsv1.1", "--tls-max", "1.1", "--ciphers", "DEFAULT@SECLEVEL=0"}, false},
        {{}, false},  // the system's authorities do not know the test one
    };
    for (const Case& c : cases) {
        const auto [status, body] = curl(c.options, heartbeat_target);
        EXPECT_EQ(status == 0 && body == "ok", c.served) << c.options.size() << " options: " << status << " " << body
                                                         << read_file(dir.path() / "curl.log");
    }
}

TEST_F(TlsTest, PlainHttpOnTheTlsPortGetsNoReplyAndIsDropped) {
    RawConnection connection(service->port());
    connection.send("GET " + heartbeat_target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_EQ(status_of(connection.reply(2s)), 0);
    EXPECT_TRUE(connection.closed_by_peer(1s) || status_of(connection.reply(1s)) == 0);
    EXPECT_FALSE(SqliteStore((dir.path() / "service.db").string()).is_monitored({"10001@qq.com", 3}));
}

TEST_F(TlsTest, SighupServesTheNewCertificateWhileKeptAliveConnectionsAndQueuedMailGoOn) {
    TlsConnection kept(service->port(), authority.certificate());
    ASSERT_EQ(kept.peer_name(), "first");
    ASSERT_EQ(status_of(kept.get("/velmor305/tx.asp?" + account + "&port=8080")), 200);

    serve(second);
    reload("TLS reloaded");

    EXPECT_EQ(TlsConnection(service->port(), authority.certificate()).peer_name(), "second");
    const std::string reply = kept.get(heartbeat_target);
    EXPECT_EQ(status_of(reply), 200) << "the kept-alive connection goes on";
    EXPECT_TRUE(reply.ends_with("\r\n\r\nok"));
    EXPECT_EQ(SqliteStore((dir.path() / "service.db").string()).queued(), 1);
}

TEST_F(TlsTest, BadNewFilesKeepTheLoadedCertificateAndTheLogSaysWhy) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"key missing", [&] { fs::remove(live_key); }, "cannot read"},
        {"certificate garbled", [&] { std::ofstream(live_certificate) << "-----BEGIN CERTIFICATE-----\nxx\n"; },
         "no certificate in"},
        {"key of another certificate",
         [&] {
             fs::copy_file(second.certificate, live_certificate, fs::copy_options::overwrite_existing);
             fs::copy_file(first.key, live_key, fs::copy_options::overwrite_existing);
         },
         "does not belong to the certificate"},
    };
    for (const Case& c : cases) {
        serve(first);
        c.spoil();
        reload("TLS reload failed, keeping the loaded certificate");
        EXPECT_NE(service->log().find(c.reason), std::string::npos) << c.what << "\n" << service->log();
        TlsConnection fresh(service->port(), authority.certificate());
        EXPECT_EQ(fresh.peer_name(), "first") << c.what;
        EXPECT_EQ(status_of(fresh.get(heartbeat_target)), 200) << c.what;
    }
}

// Replies are held until the library has handed over all of each: one without a body,
// and one that ends the connection, must not wait for more.
TEST_F(TlsTest, RepliesWithAndWithoutABodyArriveWholeOnAKeptAliveConnection) {
    struct Case {
        std::string method, target, ending;
    };
    const Case cases[] = {
        {"GET", heartbeat_target, "\r\n\r\nok"},
        {"GET", "/velmor305/config.asp?wxid=10001@qq.com&version=3.0.5", "Content-Length: 0\r\n\r\n"},
        {"GET", "/velmor305/none.asp", "\r\n\r\n未找到"},
        {"GET", heartbeat_target, "\r\n\r\nok"},
        {"HEAD", heartbeat_target, "\r\n\r\n"},  // last: its 405 ends the connection
    };
    TlsConnection kept(service->port(), authority.certificate());
    for (const Case& c : cases) {
        const std::string reply = kept.request(c.method, c.target, 2s);
        EXPECT_TRUE(reply.ends_with(c.ending)) << c.method << " " << c.target << ": " << reply;
    }
}

// A reply leaves as one record, so the client takes it in with one read. The library
// corks the socket at its first reply with a body, and a record written after its push
// waited 200 ms for the kernel.
TEST_F(TlsTest, EachReplyIsOneRecordAndLeavesAtOnce) {
    constexpr std::size_t replies = 20;
    TlsConnection kept(service->port(), authority.certificate());
    ASSERT_EQ(status_of(kept.get("/velmor305/config.asp?wxid=10001@qq.com&version=3.0.5")), 200);
    const std::size_t before = kept.records();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < replies; ++i) ASSERT_EQ(status_of(kept.get(heartbeat_target)), 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "20 replies";
    EXPECT_EQ(kept.records() - before, replies);
}

// The server's writes fill the socket while the client reads nothing; every reply must
// still come once it reads.
TEST_F(TlsTest, EveryPipelinedReplyReachesAClientThatReadsLate) {
    constexpr std::size_t requests = 4000;
    TlsConnection late(service->port(), authority.certificate(), "127.0.0.1", 16384);
    std::string pipelined;
    for (std::size_t i = 0; i < requests; ++i) pipelined += "GET " + heartbeat_target + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const std::string replies = late.pipeline(
        pipelined, 500ms, [](const std::string& got) { return count_of(got, "\r\n\r\nok") == requests; }, 20s);
    EXPECT_EQ(count_of(replies, "\r\n\r\nok"), requests);
}

// A handshake that stops half-way waits for its socket; it used to keep an event thread
// reading in a loop until the connection's time ran out.
TEST_F(TlsTest, HandshakesThatStopHalfWayCostNoProcessorTime) {
    std::vector<std::unique_ptr<RawConnection>> stalled;
    for (int i = 0; i < 8; ++i) {
        stalled.push_back(std::make_unique<RawConnection>(service->port()));
        ASSERT_TRUE(stalled.back()->send(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)));
    }
    std::this_thread::sleep_for(200ms);
    const long before = processor_ticks(service->pid());
    std::this_thread::sleep_for(1s);
    EXPECT_LT(processor_ticks(service->pid()) - before, 20) << "clock ticks in one second";
}

}  // namespace
}  // namespace lumora::testing
