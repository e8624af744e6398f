#include "version.hpp"

#include <algorithm>

namespace lumora {
namespace {

constexpr std::size_t max_parts = 4;
constexpr std::size_t max_part_digits = 6;

std::optional<unsigned> parse_part(std::string_view digits) {
    if (digits.empty() || digits.size() > max_part_digits) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

}  // namespace

std::optional<Version> Version::parse(std::string_view text) {
    Version version;
    version.text_ = std::string(text);
    std::string_view rest = text;
    while (true) {
        const std::size_t dot = rest.find('.');
        const auto part = parse_part(rest.substr(0, dot));
        if (!part || version.parts_.size() == max_parts) return std::nullopt;
        version.parts_.push_back(*part);
        if (dot == std::string_view::npos) break;
        rest = rest.substr(dot + 1);
    }
    return version;
}

bool Version::operator<(const Version& other) const {
    const std::size_t n = std::max(parts_.size(), other.parts_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned mine = i < parts_.size() ? parts_[i] : 0;
        const unsigned theirs = i < other.parts_.size() ? other.parts_[i] : 0;
        if (mine != theirs) return mine < theirs;
    }
    return false;
}

}  // namespace lumora
