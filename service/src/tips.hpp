#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumora {

// The reply text for a tips file's content: line breaks become the literal "chr(10)" the
// client turns back into new lines; a byte-order mark and trailing blank lines are dropped.
std::string tips_reply_text(std::string_view file_content);

// Reads the tips file on every request so that edits show without a restart.
// A missing, unreadable, oversized or non-UTF-8 file gives no tips.
std::string load_tips(const std::filesystem::path& file);

}  // namespace lumora
