#include "mime.hpp"

#include <algorithm>

#include "utf8.hpp"

namespace lumora {
namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// 45 bytes encode to 60 characters, which with "=?UTF-8?B?" and "?=" fits a folded line.
constexpr std::size_t max_word_bytes = 45;
constexpr std::size_t body_line_length = 76;

std::string crlf_lines(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string wrapped(std::string_view encoded, std::size_t width) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); i += width) out.append(encoded.substr(i, width)).append("\r\n");
    return out;
}

std::string_view domain_of(std::string_view address) { return address.substr(address.rfind('@') + 1); }

}  // namespace

std::string base64(std::string_view data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, data.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string encoded_header_value(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size()) {
            const std::size_t next =
                std::min(text.size(), end + utf8_sequence_length(static_cast<unsigned char>(text[end])));
            if (next - start > max_word_bytes) break;
            end = next;
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + base64(text.substr(start, end - start)) + "?=";
        start = end;
    }
    return out;
}

std::string render_message(const QueuedMail& mail) {
    const std::string& address = mail.key.address;
    std::string message;
    message += "Date: " + mail_date_text(mail.created) + "\r\n";
    message += "From: Lumora <" + address + ">\r\n";
    message += "To: <" + address + ">\r\n";
    message += "Subject: " + encoded_header_value(mail.text.subject) + "\r\n";
    message += "Message-ID: <lumora." + std::to_string(mail.id) + "." + std::to_string(to_unix_ms(mail.created)) + "@" +
               std::string(domain_of(address)) + ">\r\n";
    message += "MIME-Version: 1.0\r\n";
    message += "Content-Type: text/plain; charset=utf-8\r\n";
    message += "Content-Transfer-Encoding: base64\r\n\r\n";
    message += wrapped(base64(crlf_lines(mail.text.body)), body_line_length);
    return message;
}

}  // namespace lumora
