#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// A dotted version such as "3.0.5"; missing trailing parts count as zero.
class Version {
public:
    static std::optional<Version> parse(std::string_view text);

    bool operator<(const Version& other) const;
    const std::string& text() const { return text_; }

private:
    std::vector<unsigned> parts_;
    std::string text_;
};

}  // namespace lumora
