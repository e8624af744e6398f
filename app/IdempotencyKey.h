#pragma once

#include <string>

// A random 128-bit value in 32 lower-case hex digits, from the system's
// random number generator. Every retry of one reminder carries the same key,
// so the service can tell a repeat from a new reminder.
std::wstring NewIdempotencyKey();

// The header line that carries a key, ending in CRLF.
std::wstring IdempotencyHeader(const std::wstring& key);
