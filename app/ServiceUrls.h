#pragma once

#include <string>
#include <string_view>

// The reminder service's requests. Every query value is escaped, so an "&" or
// "#" in an address or authorisation code cannot cut or split the query.

// "http://" + address, or the address itself when it already names its scheme.
std::wstring ServiceBase(std::wstring_view address);

std::wstring TipsUrl();
std::wstring VersionCheckUrl(std::wstring_view wxid);
std::wstring MonitoringOnUrl(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd);
std::wstring MonitoringOffUrl(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd);
std::wstring ReminderUrl(std::wstring_view wxid, std::wstring_view watchKey, std::wstring_view cpid,
                         std::wstring_view pwd);
