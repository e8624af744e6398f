#include <gtest/gtest.h>

#include <cctype>

#include "harness.hpp"
#include "store/sqlite/sqlite_store.hpp"

namespace lumora::testing {
namespace {

const std::string reminder_target =
    "/velmor305/tx.asp?wxid=10001@qq.com&cpid=1&pwd=Zq8Xk2Lp9Wm4Rt7Y&port=8080%u5907%u6CE8%20x";

struct ReplyCase {
    const char* script;
    std::size_t delivered;  // mails the server stored in the end
    const char* logged;     // what the worker's log line says of the reply
};

// Each case scripts the mail server's first answers; retries come after 100 ms.
class SmtpReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SmtpReplies, ReplyDecidesBetweenRetryAndDrop) {
    const ReplyCase& c = GetParam();
    TempDir dir;
    const BoundBeforeStart bound(dir.path(), {"10001@qq.com", 1}, "Zq8Xk2Lp9Wm4Rt7Y");  // the script is for the send
    const SmtpSink sink(dir.path(), 0, {"--script", c.script});
    ServiceProcess service(dir.path(), smtp_flags(sink.port()));
    ASSERT_EQ(service.post(reminder_target)->status, 200);
    const auto settled = [&] {
        return SqliteStore((dir.path() / "service.db").string()).queued() == 0 &&
               count_of(service.log(), c.logged) >= 1;
    };
    ASSERT_TRUE(eventually(settled)) << service.log();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink.mails().size(), c.delivered) << service.log();
    EXPECT_EQ(count_of(service.log(), " sent: "), c.delivered) << service.log();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpReplies,
    ::testing::Values(ReplyCase{"AUTH=454", 1, "the server replied 454 to AUTH"},
                      ReplyCase{"AUTH=454,421", 1, "the server replied 421 to AUTH"},
                      ReplyCase{"AUTH=535", 0, "refused for good, dropped: Login denied (the server replied 535 to AUTH)"},
                      ReplyCase{"AUTH=534", 0, "the server replied 534 to AUTH"},
                      ReplyCase{"AUTH=504", 1, "the server replied 504 to AUTH"},
                      ReplyCase{"RCPT=450", 1, "the server replied 450 to RCPT"},
                      ReplyCase{"RCPT=550", 0, "refused for good, dropped"},
                      ReplyCase{"DATA=451", 1, "the server replied 451 to DATA"},
                      ReplyCase{"DATA=554", 1, "the server replied 554 to DATA"}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) {
        std::string name;
        for (const char c : std::string(info.param.script)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
}  // namespace lumora::testing
