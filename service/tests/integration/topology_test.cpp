#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>

#include "nginx_front.hpp"
#include "postgres_server.hpp"
#include "test_authority.hpp"
#include "tls_client.hpp"

namespace lumora::testing {
namespace {

const std::string code = "Vb6Nm1Qs8Ld3Hk5P";

std::string heartbeat(int computer_id) {
    return "/velmor305/checkon.asp?wxid=30001@qq.com&cpid=" + std::to_string(computer_id) + "&pwd=" + code;
}

std::string reminder(int watched_port) {
    return "/velmor305/tx.asp?wxid=30001@qq.com&port=" + std::to_string(watched_port) + "&cpid=1&pwd=" + code;
}

// The deployment the README describes, on loopback: nginx terminating TLS with a
// certificate of a private authority and balancing over two instances that speak TLS
// themselves and share one PostgreSQL database.
struct TopologyTest : ::testing::Test {
    TempDir dir;
    TestAuthority authority{dir.path() / "authority"};
    IssuedCertificate front_certificate = authority.issue("front");
    IssuedCertificate instance_certificate = authority.issue("instance");
    std::string uri = shared_postgres().create_database();
    SmtpSink sink{dir.path()};
    std::vector<std::unique_ptr<ServiceProcess>> instances;
    std::unique_ptr<NginxFront> front;

    void SetUp() override {
        std::vector<int> ports;
        for (int i = 1; i <= 2; ++i) {
            const fs::path folder = dir.path() / ("instance-" + std::to_string(i));
            fs::create_directories(folder);
            std::vector<std::string> flags = smtp_flags(sink.port());
            flags.insert(flags.end(), {"--db", uri, "--rate-limit", "4", "--new-computers-per-client", "2",
                                       "--trusted-proxy", "127.0.0.1", "--tls-cert",
                                       instance_certificate.certificate.string(), "--tls-key",
                                       instance_certificate.key.string()});
            ports.push_back(instances.emplace_back(std::make_unique<ServiceProcess>(folder, flags))->port());
        }
        front = std::make_unique<NginxFront>(dir.path() / "nginx", front_certificate, authority.certificate(), ports);
    }

    // The instances' ports that answered requests for `path` with `status`.
    std::set<std::string> instances_answering(const std::string& path, const std::string& status) const {
        std::set<std::string> answered;
        for (const std::string& line : front->requests()) {
            std::istringstream fields(line);
            std::string uri_path, instance, code;
            fields >> uri_path >> instance >> code;
            if (uri_path == path && code == status) answered.insert(instance.substr(instance.rfind(':') + 1));
        }
        return answered;
    }

    std::string logs() const { return instances[0]->log() + instances[1]->log(); }

    std::set<std::string> all_ports() const {
        std::set<std::string> ports;
        for (const auto& instance : instances) ports.insert(std::to_string(instance->port()));
        return ports;
    }
};

TEST_F(TopologyTest, ThroughNginxBothInstancesServeEachReminderIsMailedOnceAndTheQuotaHolds) {
    TlsConnection client(front->port(), authority.certificate());
    ASSERT_EQ(client.peer_name(), "front");
    for (int computer = 1; computer <= 2; ++computer)
        EXPECT_TRUE(client.get(heartbeat(computer)).ends_with("\r\n\r\nok")) << computer;
    std::vector<int> statuses;
    for (int i = 0; i < 6; ++i) statuses.push_back(status_of(client.get(reminder(8000 + i))));
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 200, 429, 429})) << "a quota of 4 across both instances";

    EXPECT_EQ(instances_answering("/velmor305/checkon.asp", "200"), all_ports());
    EXPECT_EQ(instances_answering("/velmor305/tx.asp", "200"), all_ports());
    ASSERT_TRUE(eventually([&] { return sink.mails().size() >= 4; })) << instances[0]->log() << instances[1]->log();
    std::this_thread::sleep_for(1500ms);  // room for a second copy, were one to be sent
    std::set<std::string> message_ids;
    for (const ReceivedMail& mail : sink.mails()) message_ids.insert(mail.fields.at("message-id"));
    EXPECT_EQ(sink.mails().size(), 4u);
    EXPECT_EQ(message_ids.size(), 4u);
}

// Every request reaches the instances from nginx's address; the limit on new computers
// per client must count the address nginx saw.
TEST_F(TopologyTest, PerClientLimitsSeeTheClientsAddressThroughNginx) {
    TlsConnection greedy(front->port(), authority.certificate(), "127.0.0.2");
    int added = 0;
    for (int i = 0; i < 8; ++i) {
        const std::string target = "/velmor305/checkon.asp?wxid=" + std::to_string(30010 + i) + "@qq.com&cpid=1&pwd=" + code;
        added += status_of(greedy.get(target)) == 200;
    }
    EXPECT_EQ(added, 4) << "two new computers per client on each of the two instances";
    EXPECT_NE(logs().find("127.0.0.2 reached its limit of new computers"), std::string::npos) << logs();
    EXPECT_EQ(logs().find("127.0.0.1 reached its limit"), std::string::npos) << "nginx's own address is no client";

    TlsConnection other(front->port(), authority.certificate(), "127.0.0.3");
    EXPECT_TRUE(other.get("/velmor305/checkon.asp?wxid=30020@qq.com&cpid=1&pwd=" + code).ends_with("\r\n\r\nok"));
}

}  // namespace
}  // namespace lumora::testing
