#include "IdempotencyKey.h"

#include <windows.h>
#include <bcrypt.h>

#include <random>

std::wstring NewIdempotencyKey() {
  unsigned char bytes[16] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring key;
  for (unsigned char byte : bytes) {
    key += kHex[byte >> 4];
    key += kHex[byte & 15];
  }
  return key;
}

std::wstring IdempotencyHeader(const std::wstring& key) {
  return L"Idempotency-Key: " + key + L"\r\n";
}
