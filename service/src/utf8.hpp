#pragma once

#include <string>
#include <string_view>

namespace lumora {

void append_utf8(std::string& out, char32_t code_point);

// Strict check: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text);

// Length in bytes of the UTF-8 sequence that starts with this lead byte (1 for stray bytes).
std::size_t utf8_sequence_length(unsigned char lead);

}  // namespace lumora
