#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace lumora::testing {

// The desktop client's UrlEscape, written from its documented behaviour, so that tests
// send exactly what the client sends: one UTF-16 code unit at a time, "%XX" up to 254,
// "%uXXXX" from 255 on, letters, digits and -_.!~*'() as they are.
inline std::string client_escape(std::u16string_view text) {
    constexpr std::string_view raw_marks = "-_.!~*'()";
    std::string out;
    for (const char16_t unit : text) {
        const bool alnum = (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z') ||
                           (unit >= u'A' && unit <= u'Z');
        if (alnum || (unit < 0x80 && raw_marks.find(static_cast<char>(unit)) != std::string_view::npos)) {
            out += static_cast<char>(unit);
            continue;
        }
        char group[8];
        std::snprintf(group, sizeof group, unit <= 254 ? "%%%02X" : "%%u%04X", static_cast<unsigned>(unit));
        out += group;
    }
    return out;
}

}  // namespace lumora::testing
