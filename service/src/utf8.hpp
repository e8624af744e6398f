#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumora {

void append_utf8(std::string& out, char32_t code_point);

// Strict check: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text);

// The code point that starts at text[pos], moving pos past it; empty, moving pos past
// one byte, where the text is not strict UTF-8.
std::optional<char32_t> next_code_point(std::string_view text, std::size_t& pos);

// Length in bytes of the UTF-8 sequence that starts with this lead byte (1 for stray bytes).
std::size_t utf8_sequence_length(unsigned char lead);

}  // namespace lumora
