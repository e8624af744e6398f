#pragma once

#include <string>
#include <string_view>

// Why a written service address cannot be used.
enum class AddressFault {
  None,
  Empty,
  Scheme,     // neither https:// nor http://
  UserName,   // a user name or password before the host
  Path,       // a path, query or fragment after the host
  Port,       // a port that is no number from 1 to 65535
  Host,       // no host, or characters no host name has
  ClearText,  // http:// to a host other than this computer
};

struct ServiceAddress {
  AddressFault fault = AddressFault::Empty;
  std::wstring text;  // scheme and host in lower case, as "https://host[:port]"
};

// Reads an address as the user writes it: https://host[:port], or
// http://host[:port] when the host is this computer, nothing after the host.
ServiceAddress ParseServiceAddress(std::wstring_view written);

// localhost, 127.0.0.0/8 and ::1: the names that never leave this computer.
bool IsLoopbackHost(std::wstring_view host);

// The message that tells the user why the address was refused.
std::wstring AddressFaultText(AddressFault fault);
