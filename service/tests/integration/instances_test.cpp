#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "client_escape.hpp"
#include "harness.hpp"
#include "postgres_server.hpp"
#include "store/postgres/connection.hpp"

namespace lumora::testing {
namespace {

const std::string code = "Kp3Wn8Qz5Tr2Yx7M";

std::string heartbeat(const std::string& address, int computer_id) {
    return "/velmor305/checkon.asp?wxid=" + address + "&cpid=" + std::to_string(computer_id) + "&pwd=" + code;
}

std::string reminder(const std::string& address, std::u16string_view watch_key) {
    return "/velmor305/tx.asp?wxid=" + address + "&port=" + client_escape(watch_key) + "&cpid=1&pwd=" + code;
}

// A mail server that takes connections and never says a word, so a send hangs.
class SilentMailServer {
public:
    SilentMailServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 16) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(address.sin_port);
    }
    ~SilentMailServer() { close(fd_); }
    SilentMailServer(const SilentMailServer&) = delete;
    SilentMailServer& operator=(const SilentMailServer&) = delete;
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

std::vector<fs::path> files_with_extension(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    return files;
}

std::string header(const std::string& message, const std::string& name) {
    const std::size_t at = message.find("\r\n" + name + ": ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + name.size() + 4;
    return message.substr(start, message.find("\r\n", start) - start);
}

// Several service instances on one PostgreSQL database, each with its own folder and log.
struct InstancesTest : ::testing::Test {
    TempDir dir;
    std::string uri = shared_postgres().create_database();
    std::vector<std::unique_ptr<ServiceProcess>> instances;

    ServiceProcess& start(std::vector<std::string> flags) {
        const fs::path folder = dir.path() / ("instance-" + std::to_string(instances.size() + 1));
        fs::create_directories(folder);
        flags.insert(flags.end(), {"--db", uri});
        return *instances.emplace_back(std::make_unique<ServiceProcess>(folder, flags));
    }

    std::int64_t count(const char* sql) { return PgConnection(uri).run("test", sql).integer(0, 0); }

    std::string logs() const {
        std::string text;
        for (const auto& instance : instances) text += instance->log();
        return text;
    }
};

TEST_F(InstancesTest, RemindersSentRoundRobinAreMailedOnceAndTheQuotaHoldsAcrossInstances) {
    const fs::path outbox = dir.path() / "outbox";
    for (int i = 0; i < 3; ++i) start({"--transport", "outbox", "--outbox", outbox.string(), "--rate-limit", "10"});

    std::atomic<int> accepted = 0;
    std::atomic<int> refused_over_quota = 0;
    std::atomic<int> other = 0;
    const auto tally = [&](const httplib::Result& reply) {
        if (reply && reply->status == 200)
            ++accepted;
        else if (reply && reply->status == 429)
            ++refused_over_quota;
        else
            ++other;
    };
    {
        std::vector<std::jthread> clients;
        for (int t = 0; t < 6; ++t)
            clients.emplace_back([&, t] {
                const std::string address = std::to_string(20000 + t) + "@qq.com";
                for (int i = 0; i < 8; ++i) {
                    tally(instances[(t + i) % 3]->post(heartbeat(address, 1)));
                    tally(instances[(t + i + 1) % 3]->post(
                        reminder(address, u"80" + std::u16string(1, u'0' + i) + u"备注 round robin")));
                }
            });
        for (int t = 0; t < 3; ++t)
            clients.emplace_back([&, t] {
                for (int i = 0; i < 5; ++i)
                    tally(instances[(t + i) % 3]->post(reminder("29999@qq.com", u"443备注 busy")));
            });
    }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(refused_over_quota, 5) << "15 reminders for one address, 10 allowed";
    EXPECT_EQ(accepted, 6 * 8 * 2 + 10);

    const std::size_t mails = 6 * 8 + 10;
    ASSERT_TRUE(eventually([&] { return files_with_extension(outbox, ".eml").size() >= mails; })) << logs();
    ASSERT_TRUE(eventually([&] { return count("SELECT COUNT(*) FROM mail_queue") == 0; })) << logs();
    std::this_thread::sleep_for(1500ms);  // room for a second copy, were one to be sent
    const auto files = files_with_extension(outbox, ".eml");
    EXPECT_EQ(files.size(), mails);
    std::set<std::string> message_ids;
    for (const auto& file : files) message_ids.insert(header(read_file(file), "Message-ID"));
    EXPECT_EQ(message_ids.size(), mails);
    EXPECT_FALSE(message_ids.contains(""));
    for (auto& instance : instances) EXPECT_EQ(instance->stop(), 0);
}

// The repeat reaches the other instance, as a balancer may send it.
TEST_F(InstancesTest, ReminderRepeatedWithItsKeyOnAnotherInstanceIsMailedOnce) {
    const fs::path outbox = dir.path() / "outbox";
    for (int i = 0; i < 2; ++i) start({"--transport", "outbox", "--outbox", outbox.string()});
    const std::string target = reminder("10001@qq.com", u"8080备注 again");
    for (const auto& instance : instances) {
        RawConnection connection(instance->port());
        connection.send("POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n" +
                        "Idempotency-Key: 0c9e71d2\r\n\r\n");
        EXPECT_EQ(status_of(connection.reply()), 200) << logs();
    }
    ASSERT_TRUE(eventually([&] { return count("SELECT COUNT(*) FROM mail_queue") == 0; })) << logs();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(files_with_extension(outbox, ".eml").size(), 1u) << logs();
    EXPECT_EQ(count_of(logs(), "repeats an idempotency key"), 1u) << logs();
}

TEST_F(InstancesTest, MailClaimedByAnInstanceKilledMidSendIsSentByAnotherAfterTheLease) {
    const SilentMailServer silent;
    const SmtpSink sink(dir.path());
    auto hanging = smtp_flags(silent.port());
    auto working = smtp_flags(sink.port());
    for (auto* flags : {&hanging, &working}) flags->insert(flags->end(), {"--claim-lease", "8s"});
    ServiceProcess& doomed = start(hanging);
    ServiceProcess& survivor = start(working);

    ASSERT_EQ(survivor.post(heartbeat("10001@qq.com", 1))->status, 200) << "the survivor learns the code";
    for (const char16_t* key : {u"21备注 一", u"22备注 二", u"23备注 三"})
        ASSERT_EQ(doomed.post(reminder("10001@qq.com", key))->status, 200);
    // The doomed instance hangs on one mail it claimed; the survivor sends the others.
    ASSERT_TRUE(eventually([&] {
        return sink.mails().size() == 2 && count("SELECT COUNT(*) FROM mail_queue WHERE claimed_by IS NOT NULL") == 1;
    })) << logs();
    doomed.crash();

    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 3; }, 30s)) << logs();
    EXPECT_EQ(count("SELECT COUNT(*) FROM mail_queue"), 0);
    std::set<std::string> subjects;
    std::set<std::string> message_ids;
    for (const auto& mail : sink.mails()) {
        subjects.insert(mail.fields.at("subject"));
        message_ids.insert(mail.fields.at("message-id"));
        EXPECT_EQ(mail.fields.at("password"), code);
    }
    EXPECT_EQ(subjects.size(), 3u);
    EXPECT_EQ(message_ids.size(), 3u);
    EXPECT_EQ(survivor.stop(), 0);
}

// Computer 1 is heard by both instances, 2 and 3 by one each: whichever instance checks,
// one silence mail is queued where its code is not held and must be sent by the other.
TEST_F(InstancesTest, SilenceIsMailedOnceWhicheverInstancesHeardTheHeartbeats) {
    const SmtpSink sink(dir.path());
    auto flags = smtp_flags(sink.port());
    flags.insert(flags.end(), {"--heartbeat-grace", "1s"});
    ServiceProcess& first = start(flags);
    ServiceProcess& second = start(flags);

    for (int i = 0; i < 4; ++i) ASSERT_EQ((i % 2 ? second : first).post(heartbeat("10001@qq.com", 1))->status, 200);
    ASSERT_EQ(second.post(heartbeat("10001@qq.com", 2))->status, 200);
    ASSERT_EQ(first.post(heartbeat("10001@qq.com", 3))->status, 200);
    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 3; })) << logs();
    std::this_thread::sleep_for(2500ms);  // several checks by each instance
    ASSERT_EQ(sink.mails().size(), 3u) << logs();
    std::multiset<std::string> subjects;
    for (const auto& mail : sink.mails()) subjects.insert(mail.fields.at("subject"));
    for (const char* computer : {"电脑1 已失去联系", "电脑2 已失去联系", "电脑3 已失去联系"})
        EXPECT_EQ(std::count_if(subjects.begin(), subjects.end(),
                                [&](const std::string& subject) { return subject.find(computer) != std::string::npos; }),
                  1)
            << computer;

    ASSERT_EQ(second.post(heartbeat("10001@qq.com", 1))->status, 200);
    for (int computer = 1; computer <= 3; ++computer)
        ASSERT_EQ(first.post("/velmor305/checkoff.asp?wxid=10001@qq.com&cpid=" + std::to_string(computer) +
                             "&pwd=" + code)
                      ->status,
                  200);
    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 4; })) << logs();
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(sink.mails().size(), 4u) << logs();
    EXPECT_NE(sink.mails()[3].fields.at("subject").find("电脑1 已恢复联系"), std::string::npos);
    EXPECT_EQ(first.stop(), 0);
    EXPECT_EQ(second.stop(), 0);
}

TEST_F(InstancesTest, ACodeHoldsItsComputerOnEveryInstance) {
    const SmtpSink sink(dir.path());
    ServiceProcess& first = start(smtp_flags(sink.port()));
    ServiceProcess& second = start(smtp_flags(sink.port()));
    ASSERT_EQ(first.post(heartbeat("10001@qq.com", 1))->status, 200);
    const std::string stranger = "/velmor305/checkoff.asp?wxid=10001@qq.com&cpid=1&pwd=FAKEFAKEFAKEFAKE";
    EXPECT_EQ(second.post(stranger)->status, 403);
    EXPECT_EQ(count("SELECT COUNT(*) FROM computers WHERE monitoring"), 1) << "still monitored";
    EXPECT_EQ(second.post(heartbeat("10001@qq.com", 1))->status, 200);
    EXPECT_EQ(sink.logins().size(), 2u) << "the owner's code was checked once, by the first instance";
    EXPECT_EQ(count("SELECT COUNT(DISTINCT value) FROM lumora_secrets"), 1);
}

}  // namespace
}  // namespace lumora::testing
