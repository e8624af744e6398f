#pragma once

#include <string>
#include <initializer_list>
#include <string_view>
#include <utility>

// "http://" + address, or the address itself when it already names its scheme.
std::wstring ServiceBase(std::wstring_view address);

// The reminder service's requests. Every query value is escaped, so an "&" or
// "#" in an address or authorisation code cannot cut or split the query.
class ServiceUrls {
 public:
  explicit ServiceUrls(std::wstring_view address);

  std::wstring Tips() const;
  std::wstring VersionCheck(std::wstring_view wxid) const;
  std::wstring MonitoringOn(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) const;
  std::wstring MonitoringOff(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) const;
  std::wstring Reminder(std::wstring_view wxid, std::wstring_view watchKey, std::wstring_view cpid,
                        std::wstring_view pwd) const;

 private:
  using Query = std::initializer_list<std::pair<std::wstring_view, std::wstring_view>>;
  std::wstring Url(std::wstring_view path, Query query) const;

  std::wstring base_;
};
