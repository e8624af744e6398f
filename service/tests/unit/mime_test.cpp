#include "mime.hpp"

#include <gtest/gtest.h>

#include "base64_decode.hpp"
#include "utf8.hpp"

namespace lumora {
namespace {

TEST(Mime, Base64KnownVectors) {
    EXPECT_EQ(base64(""), "");
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foo"), "Zm9v");
    EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64("\xFF\xFE"), "//4=");
}

// Long Chinese subjects must split between characters, each word within RFC 2047's 75.
TEST(Mime, LongSubjectSplitsBetweenCharacters) {
    std::string subject = "Lumora 提醒：";
    for (int i = 0; i < 30; ++i) subject += "电脑连接";
    const std::string header = encoded_header_value(subject);
    std::string joined;
    std::size_t start = 0;
    int words = 0;
    while (start < header.size()) {
        std::size_t end = header.find("\r\n ", start);
        if (end == std::string::npos) end = header.size();
        const std::string word = header.substr(start, end - start);
        ASSERT_LE(word.size(), 75u);
        ASSERT_TRUE(word.starts_with("=?UTF-8?B?") && word.ends_with("?="));
        const std::string text = testing::base64_decode(word.substr(10, word.size() - 12));
        EXPECT_TRUE(is_valid_utf8(text));
        joined += text;
        ++words;
        start = end + 3;
    }
    EXPECT_GT(words, 1);
    EXPECT_EQ(joined, subject);
}

TEST(Mime, MessageIsSelfAddressedWithStableIdAndWrappedBody) {
    QueuedMail mail;
    mail.id = 42;
    mail.key = {"10001@qq.com", 3};
    mail.text = {"主题", std::string(200, 'x') + "\n第二行\n"};
    mail.created = from_unix_ms(1700000000000);
    const std::string message = render_message(mail);

    EXPECT_NE(message.find("From: Lumora <10001@qq.com>\r\n"), std::string::npos);
    EXPECT_NE(message.find("To: <10001@qq.com>\r\n"), std::string::npos);
    EXPECT_NE(message.find("Message-ID: <lumora.42.1700000000000@qq.com>\r\n"), std::string::npos);
    EXPECT_NE(message.find("Content-Type: text/plain; charset=utf-8\r\n"), std::string::npos);
    for (std::size_t i = 0; i < message.size(); ++i)
        if (message[i] == '\n') {
            ASSERT_EQ(message[i - 1], '\r') << "bare LF at " << i;
        }

    const std::size_t body_at = message.find("\r\n\r\n") + 4;
    std::string encoded;
    for (std::size_t start = body_at; start < message.size();) {
        const std::size_t end = message.find("\r\n", start);
        EXPECT_LE(end - start, 76u);
        encoded += message.substr(start, end - start);
        start = end + 2;
    }
    EXPECT_EQ(testing::base64_decode(encoded), std::string(200, 'x') + "\r\n第二行\r\n");
}

}  // namespace
}  // namespace lumora
