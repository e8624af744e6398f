// Version text: a parsed version keeps its text, parses again to an equal one, and
// compares as a strict order.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "version.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto version = lumora::Version::parse(text);
    if (!version) return 0;
    if (version->text() != text) std::abort();
    const auto again = lumora::Version::parse(version->text());
    if (!again || *version < *again || *again < *version) std::abort();
    const auto reference = lumora::Version::parse("3.0.5");
    if (*version < *reference && *reference < *version) std::abort();
    return 0;
}
