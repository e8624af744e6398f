#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace lumora {

// The decoded query of one request. Parsing throws RequestError for a pair without "=",
// a key the request does not take, a repeated key, a broken escape or an oversized query.
class Query {
public:
    static constexpr std::size_t max_raw_length = 2048;

    static Query parse(std::string_view raw, std::initializer_list<std::string_view> allowed_keys);

    Query() = default;
    Query(Query&&) = default;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    // The values hold the authorisation code: wiped, not just freed.
    ~Query();

    // Throws RequestError when the key is missing.
    const std::string& required(std::string_view key) const;

private:
    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace lumora
