// The client's escapes: what decodes is UTF-8 no longer than its escaped form, and the
// client's own escaping of it decodes to the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "client_escape.hpp"
#include "unescape.hpp"
#include "utf8.hpp"

namespace {

std::u16string to_utf16(std::string_view text) {
    std::u16string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = *lumora::next_code_point(text, pos);
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const auto decoded = lumora::unescape_client_value(raw);
    if (!decoded) return 0;
    if (!lumora::is_valid_utf8(*decoded) || decoded->size() > raw.size()) std::abort();
    const auto again = lumora::unescape_client_value(lumora::testing::client_escape(to_utf16(*decoded)));
    if (!again || *again != *decoded) std::abort();
    return 0;
}
