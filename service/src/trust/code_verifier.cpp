#include "trust/code_verifier.hpp"

#include <stdexcept>

namespace lumora {
namespace {

void start_sodium() {
    if (sodium_init() < 0) throw std::runtime_error("cannot initialise libsodium");
}

}  // namespace

CodeVerifier::CodeVerifier(std::string_view hex_key) {
    start_sodium();
    std::size_t length = 0;
    const char* end = nullptr;
    if (hex_key.size() != 2 * key_bytes ||
        sodium_hex2bin(key_.data(), key_.size(), hex_key.data(), hex_key.size(), nullptr, &length, &end) != 0 ||
        length != key_bytes || end != hex_key.data() + hex_key.size())
        throw std::runtime_error("the code key must be " + std::to_string(2 * key_bytes) + " hexadecimal digits");
}

CodeVerifier::~CodeVerifier() { sodium_memzero(key_.data(), key_.size()); }

// The zero bytes keep the parts apart: no address, id and code run into another's.
std::string CodeVerifier::of(const ComputerKey& computer, std::string_view code) const {
    crypto_generichash_state state;
    crypto_generichash_init(&state, key_.data(), key_.size(), crypto_generichash_BYTES);
    const std::string id = std::to_string(computer.computer_id);
    const unsigned char separator = 0;
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(computer.address.data()),
                              computer.address.size());
    crypto_generichash_update(&state, &separator, 1);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(id.data()), id.size());
    crypto_generichash_update(&state, &separator, 1);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(code.data()), code.size());
    std::array<unsigned char, crypto_generichash_BYTES> digest{};
    crypto_generichash_final(&state, digest.data(), digest.size());
    sodium_memzero(&state, sizeof state);
    std::string hex(2 * digest.size() + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
    hex.pop_back();
    return hex;
}

bool CodeVerifier::same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string new_code_key() {
    start_sodium();
    std::array<unsigned char, CodeVerifier::key_bytes> key{};
    randombytes_buf(key.data(), key.size());
    std::string hex(2 * key.size() + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), key.data(), key.size());
    sodium_memzero(key.data(), key.size());
    hex.pop_back();
    return hex;
}

}  // namespace lumora
