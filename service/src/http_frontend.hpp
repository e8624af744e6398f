#pragma once

#include <httplib.h>

#include <atomic>

#include "endpoint.hpp"
#include "reminder_service.hpp"

namespace lumora {

// Serves the service's requests over HTTP, GET and POST alike.
class HttpFrontend {
public:
    explicit HttpFrontend(ReminderService& service);

    // Binds the listening socket and returns the port (useful with port 0).
    // Throws std::runtime_error when the address cannot be bound.
    int bind(const Endpoint& endpoint);
    // Blocks until stop().
    void serve();
    // Safe from any thread, also before serve() has started.
    void stop();

private:
    void answer(const httplib::Request& request, httplib::Response& response);

    ReminderService& service_;
    httplib::Server server_;
    std::atomic<bool> finished_{false};
};

}  // namespace lumora
