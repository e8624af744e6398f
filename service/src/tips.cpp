#include "tips.hpp"

#include <fstream>
#include <iterator>

#include "log.hpp"
#include "utf8.hpp"

namespace lumora {
namespace {

constexpr std::uintmax_t max_tips_bytes = 64 * 1024;
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

std::string tips_reply_text(std::string_view content) {
    if (content.starts_with(byte_order_mark)) content.remove_prefix(byte_order_mark.size());
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) content.remove_suffix(1);
    std::string out;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') continue;
        if (c == '\r' || c == '\n')
            out += "chr(10)";
        else
            out += c;
    }
    return out;
}

std::string load_tips(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error) return {};
    if (size > max_tips_bytes) {
        log_line("tips file " + file.string() + " is larger than 64 KiB; serving no tips");
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!is_valid_utf8(content)) {
        log_line("tips file " + file.string() + " is not UTF-8; serving no tips");
        return {};
    }
    return tips_reply_text(content);
}

}  // namespace lumora
