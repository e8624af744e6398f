#include "fields.hpp"

#include <algorithm>
#include <cctype>

#include "request_error.hpp"

namespace lumora {
namespace {

constexpr std::size_t max_address_length = 254;
constexpr std::size_t max_local_part_length = 64;
constexpr std::size_t max_code_length = 64;
constexpr std::size_t max_watch_key_length = 512;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string to_lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool is_local_part_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' || c == '+';
}

bool is_valid_local_part(std::string_view local) {
    return !local.empty() && local.size() <= max_local_part_length &&
           std::all_of(local.begin(), local.end(), is_local_part_char) && local.front() != '.' &&
           local.back() != '.' && local.find("..") == std::string_view::npos;
}

}  // namespace

std::string mail_address(std::string_view value, std::string_view accepted_domain) {
    const std::string message = "参数 wxid 必须是 @" + std::string(accepted_domain) + " 邮箱地址";
    const std::size_t at = value.rfind('@');
    if (value.size() > max_address_length || at == std::string_view::npos) throw RequestError(400, message);
    if (!is_valid_local_part(value.substr(0, at)) || to_lower(value.substr(at + 1)) != to_lower(accepted_domain))
        throw RequestError(400, message);
    return to_lower(value);
}

int computer_id(std::string_view value) {
    if (value.size() != 1 || value[0] < '1' || value[0] > '5') throw RequestError(400, "参数 cpid 必须是 1 到 5");
    return value[0] - '0';
}

void check_authorisation_code(std::string_view value) {
    const bool printable = std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 0x7F; });
    if (value.empty() || value.size() > max_code_length || !printable) throw RequestError(400, "参数 pwd 无效");
}

// The client sends a fresh random key per reminder; empty means it sent none.
void check_idempotency_key(std::string_view value) {
    constexpr std::size_t max_length = 128;
    const bool printable = std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 0x7F; });
    if (value.size() > max_length || !printable) throw RequestError(400, "请求头 Idempotency-Key 无效");
}

void check_watch_key(std::string_view value) {
    const bool has_control =
        std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (value.empty() || value.size() > max_watch_key_length || has_control)
        throw RequestError(400, "参数 port 无效");
}

}  // namespace lumora
