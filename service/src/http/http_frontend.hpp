#pragma once

#include <microhttpd.h>

#include <memory>

#include "http/connection_gate.hpp"
#include "http/connection_limits.hpp"
#include "http/listen_socket.hpp"
#include "http/refusal_log.hpp"
#include "http/request_deadlines.hpp"
#include "http/tls_credentials.hpp"
#include "http/tls_reply_cork.hpp"
#include "http/trusted_proxies.hpp"
#include "reminder_service.hpp"

namespace lumora {

// Serves the service's requests over HTTP, GET and POST alike, on a few event-driven
// threads, so slow or silent clients cost a socket each and delay nobody.
class HttpFrontend {
public:
    // Starts serving at once on threads of its own and takes the socket over; with `tls`
    // (which must outlive it) the port speaks HTTPS only. Requests from `proxies` speak
    // for the client their X-Forwarded-For names. Throws std::runtime_error when the
    // server cannot start.
    HttpFrontend(ReminderService& service, ListenSocket socket, ConnectionLimits limits,
                 const TlsCredentials* tls = nullptr, TrustedProxies proxies = {});
    // Stops taking requests and closes every connection.
    ~HttpFrontend();
    HttpFrontend(const HttpFrontend&) = delete;
    HttpFrontend& operator=(const HttpFrontend&) = delete;

private:
    struct Exchange;
    struct DaemonStopper {
        void operator()(MHD_Daemon* daemon) const { MHD_stop_daemon(daemon); }
    };

    static void* on_request_line(void* self, const char* uri, MHD_Connection* connection);
    static MHD_Result on_request(void* self, MHD_Connection* connection, const char* path, const char* method,
                                 const char* version, const char* body, std::size_t* body_size,
                                 void** request_context);
    static void on_completed(void* self, MHD_Connection* connection, void** request_context,
                             MHD_RequestTerminationCode reason);
    static void on_connection(void* self, MHD_Connection* connection, void** socket_context,
                              MHD_ConnectionNotificationCode event);

    // The address the request speaks for: the peer's, or the one a trusted front names.
    std::string client_of(MHD_Connection* connection, const Exchange& exchange) const;
    MHD_Result respond(MHD_Connection* connection, const std::string& client, const char* method, const char* path,
                       const Reply& reply, bool close);

    ReminderService& service_;
    const bool tls_;
    RequestDeadlines deadlines_;
    const TrustedProxies proxies_;
    RefusalLog refusals_;
    ConnectionGate gate_;
    // Last, so it stops before the members its callbacks use go away.
    std::unique_ptr<MHD_Daemon, DaemonStopper> daemon_;
};

}  // namespace lumora
