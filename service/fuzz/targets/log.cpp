// Log text taken from a request: the escaped form is one line of UTF-8 that shows no
// hidden control, and a cut value stays within its bound and on a character boundary.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "control_chars.hpp"
#include "log.hpp"
#include "utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string escaped = lumora::escape_control_characters(text);
    if (!lumora::is_valid_utf8(escaped)) std::abort();
    for (std::size_t pos = 0; pos < escaped.size();)
        if (lumora::is_hidden_control(*lumora::next_code_point(escaped, pos))) std::abort();
    const std::size_t most = size % 64;
    const std::string cut = lumora::bounded(text, most);
    if (cut.size() > most + 32) std::abort();
    if (lumora::is_valid_utf8(text) && !lumora::is_valid_utf8(cut)) std::abort();
    return 0;
}
