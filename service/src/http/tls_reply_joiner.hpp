#pragma once

#include <gnutls/gnutls.h>

#include <vector>

namespace lumora {

// Sends a reply's head and body records with one system call. The library hands a reply's
// head and its body to GnuTLS one after the other, which made two records and two sendmsg
// per reply. Once a reply is queued whose body the library sends straight after its head
// (hold_next_record), the next record is kept here, counted as sent, and leaves with the
// record after it. Bytes kept are never the last the library writes: when a write is
// short, GnuTLS is told to try again, so the library waits for the socket and calls back.
class TlsReplyJoiner {
public:
    // Becomes the push function of `session`, whose socket is `fd`; it must outlive the
    // session's writes.
    TlsReplyJoiner(gnutls_session_t session, int fd);
    TlsReplyJoiner(const TlsReplyJoiner&) = delete;
    TlsReplyJoiner& operator=(const TlsReplyJoiner&) = delete;

    // The next record pushed is a reply's head, and its body's record follows at once.
    void hold_next_record() { hold_next_ = true; }
    // The reply is out (or given up): nothing is held for it any more.
    void reply_done();

private:
    static ssize_t push(gnutls_transport_ptr_t self, const giovec_t* parts, int count);
    ssize_t send_after_held(const giovec_t* parts, int count);

    int fd_;
    bool hold_next_ = false;
    std::vector<char> held_;
};

}  // namespace lumora
