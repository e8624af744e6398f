#include <gtest/gtest.h>

#include "fields.hpp"
#include "query.hpp"
#include "request_error.hpp"
#include "version.hpp"

namespace lumora {
namespace {

int status_of(auto&& action) {
    try {
        action();
    } catch (const RequestError& error) {
        return error.status();
    }
    return 200;
}

TEST(Query, DecodesAllowedKeys) {
    const Query query = Query::parse("wxid=1@qq.com&port=80%u5907&&cpid=1", {"wxid", "port", "cpid"});
    EXPECT_EQ(query.required("wxid"), "1@qq.com");
    EXPECT_EQ(query.required("port"), "80备");
    EXPECT_EQ(status_of([&] { query.required("pwd"); }), 400);
}

TEST(Query, RefusesMalformedQueries) {
    const auto parse = [](std::string_view raw) { return [raw] { Query::parse(raw, {"wxid", "cpid"}); }; };
    EXPECT_EQ(status_of(parse("wxid")), 400);
    EXPECT_EQ(status_of(parse("wxid=a&b@qq.com")), 400);
    EXPECT_EQ(status_of(parse("wxid=1&wxid=2")), 400);
    EXPECT_EQ(status_of(parse("other=1")), 400);
    EXPECT_EQ(status_of(parse("wxid=%u12")), 400);
    EXPECT_EQ(status_of(parse("wxid=" + std::string(Query::max_raw_length, 'a'))), 413);
}

TEST(Fields, MailAddressMustBelongToTheAcceptedDomain) {
    EXPECT_EQ(mail_address("User.Name+x@QQ.com", "qq.com"), "user.name+x@qq.com");
    for (const char* bad : {"", "qq.com", "@qq.com", "a@163.com", "a@qq.com.evil", "a@b@qq.com", ".a@qq.com",
                            "a..b@qq.com", "a b@qq.com", "a\n@qq.com"})
        EXPECT_EQ(status_of([&] { mail_address(bad, "qq.com"); }), 400) << bad;
    EXPECT_EQ(status_of([] { mail_address(std::string(65, 'a') + "@qq.com", "qq.com"); }), 400);
    EXPECT_EQ(mail_address("a@163.com", "163.com"), "a@163.com");
}

TEST(Fields, ComputerIdIsOneToFive) {
    EXPECT_EQ(computer_id("1"), 1);
    EXPECT_EQ(computer_id("5"), 5);
    for (const char* bad : {"", "0", "6", "01", "1 ", "a", "-1"})
        EXPECT_EQ(status_of([&] { computer_id(bad); }), 400) << bad;
}

TEST(Fields, CodeAndWatchKeyLimits) {
    EXPECT_EQ(status_of([] { check_authorisation_code("abcdEFGH1234!#"); }), 200);
    for (const std::string& bad : {std::string(), std::string("a b"), std::string(65, 'x'), std::string("码")})
        EXPECT_EQ(status_of([&] { check_authorisation_code(bad); }), 400);
    EXPECT_EQ(status_of([] { check_watch_key("8080备注 网银"); }), 200);
    for (const std::string& bad : {std::string(), std::string(513, 'x'), std::string("80\r\nBcc: x"),
                                   std::string("80备注 \xC2\x9B"), std::string("80备注 \xE2\x80\xAE" "exe.txt"),
                                   std::string("80备注 \xE2\x81\xA7")})
        EXPECT_EQ(status_of([&] { check_watch_key(bad); }), 400) << bad;
}

TEST(Version, ComparesNumericallyWithMissingPartsAsZero) {
    const auto v = [](std::string_view text) { return *Version::parse(text); };
    EXPECT_TRUE(v("3.0.4") < v("3.0.5"));
    EXPECT_TRUE(v("3.0.9") < v("3.0.10"));
    EXPECT_FALSE(v("3.0.5") < v("3.0.5"));
    EXPECT_FALSE(v("3.0") < v("3.0.0"));
    EXPECT_TRUE(v("3") < v("3.0.1"));
    for (const char* bad : {"", "3.", ".3", "3..0", "v3", "3.0.5-beta", "1.2.3.4.5", "1234567"})
        EXPECT_FALSE(Version::parse(bad).has_value()) << bad;
}

}  // namespace
}  // namespace lumora
