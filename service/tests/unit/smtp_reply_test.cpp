#include <gtest/gtest.h>

#include "smtp_reply.hpp"

namespace lumora {
namespace {

struct Exchange {
    std::vector<std::pair<char, std::string>> lines;  // '>' sent, '<' received
    std::string command;
    int reply;
    Delivery delivery;
};

SmtpDialogue play(const Exchange& exchange) {
    SmtpDialogue dialogue;
    for (const auto& [direction, line] : exchange.lines) {
        if (direction == '>')
            dialogue.sent(line);
        else
            dialogue.received(line);
    }
    return dialogue;
}

TEST(SmtpDialogue, NamesTheAnsweredCommandAndDecidesFromItsReply) {
    const std::vector<Exchange> cases = {
        {{{'<', "220 ready\r"}, {'>', "EHLO x\r"}, {'<', "250-sink\r"}, {'<', "250 AUTH PLAIN\r"}},
         "EHLO", 250, Delivery::retry},
        {{{'>', "AUTH PLAIN AGNvZGU=\r"}, {'<', "454 4.7.0 try later\r"}}, "AUTH", 454, Delivery::retry},
        {{{'>', "AUTH PLAIN AGNvZGU=\r"}, {'<', "535 5.7.8 bad\r"}}, "AUTH", 535, Delivery::rejected},
        {{{'>', "AUTH PLAIN AGNvZGU=\r"}, {'<', "530 must\r"}}, "AUTH", 530, Delivery::rejected},
        {{{'>', "AUTH PLAIN AGNvZGU=\r"}, {'<', "534 weak\r"}}, "AUTH", 534, Delivery::rejected},
        {{{'>', "AUTH PLAIN AGNvZGU=\r"}, {'<', "504 unknown\r"}}, "AUTH", 504, Delivery::retry},
        // The encoded code after AUTH LOGIN is no command; the goodbye after a failure
        // does not hide the reply that failed.
        {{{'>', "AUTH LOGIN\r"}, {'<', "334 VXNlcm5hbWU6\r"}, {'>', "MTAwMDFAcXEuY29t\r"}, {'<', "535 no\r"},
          {'>', "QUIT\r"}, {'<', "221 bye\r"}},
         "AUTH", 535, Delivery::rejected},
        {{{'>', "RCPT TO:<a@qq.com>\r"}, {'<', "550 no such user\r"}}, "RCPT", 550, Delivery::rejected},
        {{{'>', "RCPT TO:<a@qq.com>\r"}, {'<', "452 full\r"}}, "RCPT", 452, Delivery::retry},
        {{{'>', "MAIL FROM:<a@qq.com>\r"}, {'<', "550 policy\r"}}, "MAIL", 550, Delivery::retry},
        {{{'>', "DATA\r"}, {'<', "354 go\r"}, {'<', "554 spam\r"}}, "DATA", 554, Delivery::retry},
        {{{'>', "DATA\r"}, {'<', "354 go\r"}}, "DATA", 354, Delivery::retry},
        {{{'>', "MAIL FROM:<a@qq.com>\r"}}, "MAIL", 0, Delivery::retry},
        {{}, "", 0, Delivery::retry},
    };
    for (const auto& exchange : cases) {
        const SmtpDialogue dialogue = play(exchange);
        const std::string where = exchange.lines.empty() ? "nothing" : exchange.lines.back().second;
        EXPECT_EQ(dialogue.command(), exchange.command) << where;
        EXPECT_EQ(dialogue.reply(), exchange.reply) << where;
        EXPECT_EQ(classify_smtp(false, dialogue), exchange.delivery) << where;
        EXPECT_EQ(classify_smtp(true, dialogue), Delivery::sent) << where;
        EXPECT_EQ(describe_reply(dialogue).find("AGNvZGU"), std::string::npos);
        EXPECT_EQ(describe_reply(dialogue).find("MTAwMDF"), std::string::npos);
    }
}

}  // namespace
}  // namespace lumora
