#include "query.hpp"

#include <algorithm>

#include "request_error.hpp"
#include "trust/wipe.hpp"
#include "unescape.hpp"

namespace lumora {

Query Query::parse(std::string_view raw, std::initializer_list<std::string_view> allowed_keys) {
    if (raw.size() > max_raw_length) throw RequestError(413, "请求过长");
    Query query;
    while (!raw.empty()) {
        const std::size_t amp = raw.find('&');
        const std::string_view pair = raw.substr(0, amp);
        raw = amp == std::string_view::npos ? std::string_view{} : raw.substr(amp + 1);
        if (pair.empty()) continue;

        const std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos) throw RequestError(400, "请求参数格式错误");
        const std::string_view key = pair.substr(0, eq);
        if (std::find(allowed_keys.begin(), allowed_keys.end(), key) == allowed_keys.end())
            throw RequestError(400, "请求含有未知参数");
        auto value = unescape_client_value(pair.substr(eq + 1));
        if (!value) throw RequestError(400, "参数 " + std::string(key) + " 编码错误");
        const WipeOnExit wipe_value(*value);  // a short value moves by copy and stays here
        if (!query.values_.try_emplace(std::string(key), std::move(*value)).second)
            throw RequestError(400, "参数 " + std::string(key) + " 重复");
    }
    return query;
}

Query::~Query() {
    for (auto& [key, value] : values_) wipe(value);
}

const std::string& Query::required(std::string_view key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) throw RequestError(400, "缺少参数 " + std::string(key));
    return it->second;
}

}  // namespace lumora
