// The mail server's replies as the trace hands them over: lines the service sent start
// with ">", the server's others. Whatever comes, the dialogue keeps a known verb and a
// reply code of 2xx to 5xx or none, and the verdict needs a refused login or recipient to drop.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "smtp_reply.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view lines(reinterpret_cast<const char*>(data), size);
    lumora::SmtpDialogue dialogue;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        if (line.starts_with('>'))
            dialogue.sent(line.substr(1));
        else
            dialogue.received(line);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    const int reply = dialogue.reply();
    if (reply != 0 && (reply < 200 || reply > 599)) std::abort();
    if (lumora::classify_smtp(false, dialogue) == lumora::Delivery::rejected && dialogue.command() != "AUTH" &&
        dialogue.command() != "RCPT")
        std::abort();
    if (lumora::describe_reply(dialogue).empty()) std::abort();
    return 0;
}
