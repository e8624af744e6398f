// UTF-8: the check agrees with decoding step by step, and every decoded code point
// encodes back to the very bytes it came from.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool all_decoded = true;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const auto cp = lumora::next_code_point(text, pos);
        if (pos <= start || pos > text.size()) std::abort();
        if (!cp) {
            all_decoded = false;
            continue;
        }
        std::string encoded;
        lumora::append_utf8(encoded, *cp);
        if (encoded != text.substr(start, pos - start)) std::abort();
    }
    if (all_decoded != lumora::is_valid_utf8(text)) std::abort();
    return 0;
}
