#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "TcpTable.h"

// The port number held in a row's 32-bit port field: its low 16 bits with the
// two bytes swapped (network to host order); the upper 16 bits do not count.
uint16_t PortNumber(uint32_t field);

// The dotted decimal text of a row's address field, octets in memory order.
std::wstring AddressText(uint32_t address);

// The standard text of an IPv6 address (lower-case hex groups without leading
// zeros, the first longest run of two or more zero groups as "::"), with
// "%<scope>" after it when the scope id is not 0. An IPv4-mapped address
// (::ffff:a.b.c.d) gives the dotted text of its IPv4 address alone.
std::wstring Address6Text(const uint8_t (&address)[16], uint32_t scopeId);

// The short text of a table state number (1 closed ... 12 delete-tcb); empty
// for any other number.
std::wstring StateText(uint32_t state);

// The part of text after the last occurrence of separator; empty when the
// separator does not occur.
std::wstring TextAfterLast(const std::wstring& text, const std::wstring& separator);

// Whether the connection list shows the row: it needs an owning process, and a
// row whose local port, remote address and remote port are all zero is no
// connection at all.
bool IsShown(const TcpRow& row);
bool IsShown(const Tcp6Row& row);

// The rows of a table buffer that the connection list shows, in table order.
std::vector<TcpRow> ShownRows(const std::vector<unsigned char>& table);
std::vector<Tcp6Row> Shown6Rows(const std::vector<unsigned char>& table);

// The eight column texts of a row: PID, process, state, local address, local
// port, remote address, remote port, remark. Addresses read 127.0.0.1 as
// "localhost"; the remark stays empty.
using ConnectionTexts = std::array<std::wstring, 8>;
ConnectionTexts RowTexts(const TcpRow& row, const std::wstring& processName);
ConnectionTexts RowTexts(const Tcp6Row& row, const std::wstring& processName);
