#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "client_escape.hpp"
#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string code = "abcdwxyzabcdwxyz";
const std::string account = "wxid=10001@qq.com&cpid=2&pwd=" + code;

std::string reminder_target(std::u16string_view watch_key, const std::string& address = "10001@qq.com") {
    return "/velmor305/tx.asp?wxid=" + address + "&port=" + client_escape(watch_key) + "&cpid=2&pwd=" + code;
}

struct RequestsTest : ::testing::Test {
    TempDir dir;
    SmtpSink sink{dir.path()};

    ServiceProcess start(std::vector<std::string> flags = {}) {
        const auto smtp = smtp_flags(sink.port());
        flags.insert(flags.end(), smtp.begin(), smtp.end());
        return ServiceProcess(dir.path(), flags);
    }
};

TEST_F(RequestsTest, EveryRequestTypeAndAReminderThatArrivesAsTyped) {
    std::ofstream(dir.path() / "tips.txt") << "欢迎使用 Lumora\n新版本已发布\n";
    ServiceProcess service = start();

    const auto tips = service.post("/velmor305/tips.asp");
    ASSERT_TRUE(tips);
    EXPECT_EQ(tips->status, 200);
    EXPECT_EQ(tips->body, "欢迎使用 Lumorachr(10)新版本已发布");
    EXPECT_EQ(tips->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(service.get("/velmor305/tips.asp")->body, tips->body);

    EXPECT_EQ(service.post("/velmor305/config.asp?wxid=10001@qq.com&version=3.0.5")->body, "");
    const auto old = service.post("/velmor305/config.asp?wxid=10001@qq.com&version=3.0.4");
    EXPECT_NE(old->body.find("3.0.5"), std::string::npos) << old->body;

    EXPECT_EQ(service.get("/velmor305/checkon.asp?" + account)->status, 200);
    const std::u16string typed = u"8080备注 网银&证券=100%+1 😀";
    EXPECT_EQ(service.post(reminder_target(typed))->status, 200);

    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 1; })) << service.log();
    const ReceivedMail mail = sink.mails()[0];
    EXPECT_EQ(mail.fields.at("login"), "10001@qq.com");
    EXPECT_EQ(mail.fields.at("password"), code);
    EXPECT_EQ(mail.fields.at("rcpt-to"), "10001@qq.com");
    EXPECT_NE(mail.fields.at("subject").find("电脑2 端口 8080 的连接已断开"), std::string::npos);
    EXPECT_NE(mail.body.find("端口：8080\n备注：网银&证券=100%+1 😀\n"), std::string::npos) << mail.body;

    const auto off = service.post("/velmor305/checkoff.asp?" + account);
    EXPECT_EQ(off->status, 200);
    EXPECT_EQ(off->body, "电脑2 的监控已关闭");
    EXPECT_EQ(service.stop(), 0);
}

TEST_F(RequestsTest, MalformedRequestsAreRefusedAndChangeNothing) {
    ServiceProcess service = start();
    const std::vector<std::string> bad = {
        "/velmor305/checkon.asp?wxid=10001@qq.com&cpid=2",
        "/velmor305/checkon.asp?wxid=10001@163.com&cpid=2&pwd=" + code,
        "/velmor305/checkon.asp?wxid=10001@qq.com&cpid=9&pwd=" + code,
        "/velmor305/tx.asp?wxid=10001@qq.com&port=80%u5907%u6C&cpid=2&pwd=" + code,
        "/velmor305/tx.asp?wxid=10001@qq.com&port=80\xC3&cpid=2&pwd=" + code,
        "/velmor305/tx.asp?wxid=10001@qq.com&port=" + std::string(3000, 'x') + "&cpid=2&pwd=" + code,
        "/velmor305/tx.asp?wxid=10001@qq.com&port=" + std::string(9000, 'x') + "&cpid=2&pwd=" + code,
        "/velmor305/tx.asp?" + account,
        "/velmor305/config.asp?wxid=10001@qq.com",
        "/velmor305/unknown.asp?" + account,
    };
    for (const auto& target : bad) {
        const auto reply = service.post(target);
        ASSERT_TRUE(reply) << target.substr(0, 80);
        EXPECT_GE(reply->status, 400) << target.substr(0, 80);
        EXPECT_LT(reply->status, 500) << target.substr(0, 80);
        EXPECT_EQ(reply->body.find(code), std::string::npos);
    }

    {  // a request line that is not HTTP at all
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(service.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const std::string junk = "\x01\x02 GARBAGE\r\n\r\n";
        EXPECT_GT(write(fd, junk.data(), junk.size()), 0);
        close(fd);
    }

    EXPECT_EQ(service.post("/velmor305/tips.asp")->status, 200) << "still serving";
    SqliteStore store((dir.path() / "service.db").string());
    EXPECT_EQ(store.queued(), 0);
    EXPECT_FALSE(store.is_monitored({"10001@qq.com", 2}));
    EXPECT_EQ(service.stop(), 0);
    EXPECT_TRUE(sink.mails().empty());
}

TEST_F(RequestsTest, RateLimitCapsMailsPerAddress) {
    ServiceProcess service = start({"--rate-limit", "3"});
    std::vector<int> statuses;
    for (int i = 0; i < 5; ++i)
        statuses.push_back(service.post(reminder_target(u"80备注 " + std::u16string(1, u'a' + i)))->status);
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 429, 429}));
    EXPECT_EQ(service.post(reminder_target(u"80备注 x", "10002@qq.com"))->status, 200);

    ASSERT_TRUE(eventually([&] { return sink.mails().size() == 4; })) << service.log();
    EXPECT_EQ(service.stop(), 0);
    EXPECT_EQ(sink.mails().size(), 4u);
}

}  // namespace
}  // namespace lumora::testing
