#pragma once

#include <gnutls/gnutls.h>

#include <cstddef>

namespace lumora {

// Sends a reply as one TLS record. The library hands a reply's head and its body to GnuTLS
// one after the other, which made two records: two encryptions here, and for the client
// two records to take in, often with a wait for the second in between. A queued reply
// corks the session, so both parts are kept together, and the library's end of the reply
// uncorks it.
//
// The library believes a corked reply sent and cannot wait for the socket on its behalf,
// so a reply is corked only when the socket has nothing unsent and the reply is small: its
// whole send buffer is then free, and one write of the record cannot fall short. Replies
// behind unread ones (a client reading pipelined replies late) go uncorked, as two records
// the library sends itself.
class TlsReplyCork {
public:
    TlsReplyCork(gnutls_session_t session, int fd) : session_(session), fd_(fd) {}
    TlsReplyCork(const TlsReplyCork&) = delete;
    TlsReplyCork& operator=(const TlsReplyCork&) = delete;

    // A reply with a body of `body_bytes` was queued.
    void reply_queued(std::size_t body_bytes);
    // The library has handed over the reply, or given it up.
    void reply_done();

private:
    // The library corks the socket at its first reply with a body and pushes every reply
    // by setting TCP_NODELAY, which does nothing for bytes written after it: a record sent
    // at the reply's end waited for the kernel's cork timeout. The socket is uncorked once
    // the library has corked it, which it does only once.
    void uncork_socket();

    gnutls_session_t session_;
    int fd_;
    bool corked_ = false;
    bool socket_uncorked_ = false;
};

}  // namespace lumora
