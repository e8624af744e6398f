#include <gtest/gtest.h>

#include "http/trusted_proxies.hpp"

namespace lumora {
namespace {

TEST(TrustedProxies, OnlyATrustedPeersLastHopNamesTheClient) {
    const TrustedProxies proxies("127.0.0.1, 2001:db8::7");
    struct Case {
        const char* peer;
        const char* forwarded_for;
        const char* client;
    };
    const Case cases[] = {
        {"203.0.113.9", "198.51.100.1", "203.0.113.9"},           // anyone else may not speak for others
        {"127.0.0.1", "198.51.100.1", "198.51.100.1"},
        {"127.0.0.1", "10.6.6.6, 198.51.100.1", "198.51.100.1"},  // earlier hops are the client's own words
        {"127.0.0.1", "198.51.100.1 ,\t2001:DB8:0:0::1 ", "2001:db8::1"},
        {"2001:db8::7", "::ffff:198.51.100.1", "198.51.100.1"},
        {"127.0.0.1", "", "127.0.0.1"},
        {"127.0.0.1", "198.51.100.1, unknown", "127.0.0.1"},
        {"127.0.0.1", "198.51.100.1,", "127.0.0.1"},
        {"::ffff:127.0.0.1", "198.51.100.1", "198.51.100.1"},  // a peer on a dual-stack socket
    };
    for (const Case& c : cases)
        EXPECT_EQ(proxies.client_of(c.peer, c.forwarded_for), c.client) << c.peer << " / " << c.forwarded_for;
}

TEST(TrustedProxies, OnlyNumericAddressesAreAccepted) {
    for (const char* bad : {"", "localhost", "127.0.0.1,", "10.0.0.0/8", "127.0.0.1 10.0.0.1", "300.1.1.1"})
        EXPECT_THROW(TrustedProxies{bad}, std::invalid_argument) << bad;
}

TEST(CanonicalAddress, OneSpellingPerAddress) {
    EXPECT_EQ(canonical_address("::ffff:127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(canonical_address("2001:0DB8::0001"), "2001:db8::1");
    EXPECT_EQ(canonical_address(std::string(100, '1')), std::nullopt);
}

}  // namespace
}  // namespace lumora
