#pragma once

#include <string>

// POSTs an empty body to url and returns the reply body as text. Any failure,
// a status other than 2xx, a body over 1 MiB or a request that takes longer
// than 10 s in all gives empty text; it never throws.
std::wstring PostUrl(const std::wstring& url);

// The reply body decoded by the charset named in a Content-Type value:
// GBK, GB2312 and GB18030 through code page 936, anything else as UTF-8.
std::wstring DecodeReply(const std::string& body, const std::wstring& contentType);
