#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "harness.hpp"

namespace lumora::testing {
namespace {

const std::string reminder_target =
    "/velmor305/tx.asp?wxid=10001@qq.com&cpid=1&pwd=Hq3Vt8Nw2Xc6Bz1K&port=8080%u5907%u6CE8%20x";

std::string tips_request() { return "GET /velmor305/tips.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"; }

// Ends the process within the time, as a system restart needs: 0 is a clean exit.
int stop_within(ServiceProcess& service, std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    const int status = service.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, limit);
    return status;
}

TEST(ConnectionCap, ConnectionPastTheCapIsTurnedAwayAtOnceAndTheServiceStillStops) {
    TempDir dir;
    ServiceProcess service(dir.path(), {"--transport", "outbox", "--outbox", (dir.path() / "outbox").string(),
                                        "--max-connections", "8"});
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 8; ++i) {
        held.push_back(std::make_unique<RawConnection>(service.port()));
        held.back()->send(tips_request());
        ASSERT_EQ(status_of(held.back()->reply()), 200);
    }

    RawConnection ninth(service.port());
    const auto start = std::chrono::steady_clock::now();
    ninth.send(tips_request());
    const std::string reply = ninth.reply(2s);
    // It used to wait in the listen backlog until the 5 s idle time-out freed a slot.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(status_of(reply), 503) << reply;
    EXPECT_TRUE(ninth.closed_by_peer());

    held.clear();
    EXPECT_TRUE(eventually([&] {
        RawConnection again(service.port());
        again.send(tips_request());
        return status_of(again.reply()) == 200;
    })) << "a slot frees when a connection ends";
    EXPECT_EQ(stop_within(service, 5s), 0) << service.log();
}

TEST(Stopping, SigtermEndsTheServiceWithConnectionsOpen) {
    TempDir dir;
    ServiceProcess service(dir.path(), smtp_flags(free_loopback_port()));
    RawConnection idle(service.port());
    RawConnection half(service.port());
    half.send("GET /velmor305/tips.asp HTTP/1.1\r\nHo");
    RawConnection kept(service.port());
    kept.send(tips_request());
    ASSERT_EQ(status_of(kept.reply()), 200);
    EXPECT_EQ(stop_within(service, 5s), 0) << service.log();
}

// A mail server that takes the connection and never says a word.
struct SilentServer {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;

    SilentServer() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen");
        port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd); }
};

TEST(Stopping, SigtermEndsTheServiceDuringASendAndTheMailStaysQueued) {
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, "Hq3Vt8Nw2Xc6Bz1K");
    const SilentServer mail_server;
    ServiceProcess service(dir.path(), smtp_flags(mail_server.port));
    ASSERT_EQ(service.post(reminder_target)->status, 200);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(stop_within(service, 5s), 0) << service.log();
    EXPECT_NE(service.log().find("1 mail(s) stay queued"), std::string::npos) << service.log();
}

}  // namespace
}  // namespace lumora::testing
