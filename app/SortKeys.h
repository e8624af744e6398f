#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// How the texts of one connection-list column compare.
enum class SortKind { Number, Address, Text };

// An address as the list shows it: dotted IPv4, "localhost" for 127.0.0.1,
// or IPv6 text with an optional "%scope". IPv4 orders before IPv6.
struct AddressKey {
  int family = 4;                       // 4 or 6
  std::array<std::uint8_t, 16> bytes{};  // IPv4 in the first four
  unsigned long scope = 0;

  auto operator<=>(const AddressKey&) const = default;
};

std::optional<AddressKey> ParseAddress(const std::wstring& text);

// Plain decimal digits only; anything else is not a number.
std::optional<unsigned long long> ParseNumber(const std::wstring& text);

// Negative, zero or positive as a sorts before, with or after b. Texts that
// are not of the column's kind sort after every text that is, and among
// themselves as text; text compares by the user's locale, ignoring case.
int CompareSortTexts(SortKind kind, const std::wstring& a, const std::wstring& b);
