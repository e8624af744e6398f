// The field rules on decoded values: each accepts or throws a 400, and what it accepts
// keeps its promise (a lower-case address of the domain, an id of 1 to 5, a code of
// visible ASCII, a watch key of bounded UTF-8 without hidden controls).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "control_chars.hpp"
#include "fields.hpp"
#include "request_error.hpp"
#include "utf8.hpp"

namespace {

template <typename Rule>
bool accepts(Rule&& rule) {
    try {
        rule();
        return true;
    } catch (const lumora::RequestError& refused) {
        if (refused.status() != 400) std::abort();
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    std::string address;
    if (accepts([&] { address = lumora::mail_address(value, "qq.com"); })) {
        if (!address.ends_with("@qq.com") || address.size() != value.size()) std::abort();
        for (const char c : address)
            if (c >= 'A' && c <= 'Z') std::abort();
    }
    int id = 0;
    if (accepts([&] { id = lumora::computer_id(value); }) && (id < 1 || id > 5)) std::abort();
    if (accepts([&] { lumora::check_authorisation_code(value); })) {
        if (value.empty() || value.size() > 64) std::abort();
        for (const char c : value)
            if (c <= ' ' || c >= 0x7F) std::abort();
    }
    if (lumora::is_valid_utf8(value) && accepts([&] { lumora::check_watch_key(value); })) {
        if (value.empty() || value.size() > 512) std::abort();
        for (std::size_t pos = 0; pos < value.size();)
            if (lumora::is_hidden_control(*lumora::next_code_point(value, pos))) std::abort();
    }
    return 0;
}
