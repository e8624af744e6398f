#pragma once

#include <string>
#include <string_view>

#include "store/store.hpp"

namespace lumora {

std::string base64(std::string_view data);

// An RFC 2047 header value: UTF-8 text as "=?UTF-8?B?...?=" words, folded so that no
// word is cut inside a character and no line grows past the 78-column limit.
std::string encoded_header_value(std::string_view utf8);

// The complete message, CRLF line ends, from and to the user's own address. The
// Message-ID is fixed by the queue entry so a retried mail keeps its identity.
std::string render_message(const QueuedMail& mail);

}  // namespace lumora
