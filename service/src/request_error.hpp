#pragma once

#include <stdexcept>
#include <string>

namespace lumora {

// A request the service refuses. The message goes back to the desktop client, which may
// show it to the user, so it is Chinese and never repeats a submitted value.
class RequestError : public std::runtime_error {
public:
    RequestError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

}  // namespace lumora
