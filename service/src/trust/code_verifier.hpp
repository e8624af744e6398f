#pragma once

#include <sodium.h>

#include <array>
#include <string>
#include <string_view>

#include "computer_key.hpp"

namespace lumora {

// What the store keeps in place of an authorisation code: a keyed hash (BLAKE2b) of the
// computer and its code. Without the key, the verifiers in a stolen database cannot be
// tried against guessed codes; with it, equal codes on different computers still give
// different verifiers.
class CodeVerifier {
public:
    static constexpr std::size_t key_bytes = crypto_generichash_KEYBYTES;

    // `hex_key` is 2 * key_bytes hexadecimal digits; throws std::runtime_error otherwise.
    explicit CodeVerifier(std::string_view hex_key);
    ~CodeVerifier();
    CodeVerifier(const CodeVerifier&) = delete;
    CodeVerifier& operator=(const CodeVerifier&) = delete;

    // 64 lower-case hexadecimal digits.
    std::string of(const ComputerKey& computer, std::string_view code) const;

    // Compares in constant time, so a reply's timing tells nothing about a stored verifier.
    static bool same(std::string_view a, std::string_view b);

private:
    std::array<unsigned char, key_bytes> key_{};
};

// A fresh random key as CodeVerifier takes it.
std::string new_code_key();

}  // namespace lumora
