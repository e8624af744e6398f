#pragma once

#include <string>
#include <string_view>

// Percent-escapes every UTF-16 code unit outside the unreserved set:
// "%XX" up to 254, "%uXXXX" from 255 on. The reminder service decodes both.
std::wstring UrlEscape(std::wstring_view text);
