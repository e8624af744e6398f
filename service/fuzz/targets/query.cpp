// The query of a request, as it comes on the wire: every outcome is a parsed query or a
// RequestError, and a parsed one holds only allowed keys with UTF-8 values.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "query.hpp"
#include "request_error.hpp"
#include "utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    try {
        const lumora::Query query = lumora::Query::parse(raw, {"wxid", "port", "cpid", "pwd"});
        for (const char* key : {"wxid", "port", "cpid", "pwd"}) {
            try {
                if (!lumora::is_valid_utf8(query.required(key))) std::abort();
            } catch (const lumora::RequestError& missing) {
                if (missing.status() != 400) std::abort();
            }
        }
        if (raw.size() > lumora::Query::max_raw_length) std::abort();
    } catch (const lumora::RequestError& refused) {
        if (refused.status() != 400 && refused.status() != 413) std::abort();
    }
    return 0;
}
