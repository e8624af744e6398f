#include "ServiceUrls.h"

#include <initializer_list>
#include <utility>

#include "LumoraConfig.h"
#include "UrlEscape.h"

namespace {

using Query = std::initializer_list<std::pair<std::wstring_view, std::wstring_view>>;

std::wstring Url(std::wstring_view path, Query query) {
  std::wstring url = ServiceBase(kServiceAddress);
  url += L"/velmor305/";
  url += path;
  wchar_t separator = L'?';
  for (const auto& [key, value] : query) {
    url += separator;
    url += key;
    url += L'=';
    url += UrlEscape(value);
    separator = L'&';
  }
  return url;
}

}  // namespace

std::wstring ServiceBase(std::wstring_view address) {
  if (address.starts_with(L"http://") || address.starts_with(L"https://")) {
    return std::wstring(address);
  }
  return L"http://" + std::wstring(address);
}

std::wstring TipsUrl() {
  return Url(L"tips.asp", {});
}

std::wstring VersionCheckUrl(std::wstring_view wxid) {
  return Url(L"config.asp", {{L"wxid", wxid}, {L"version", kVersion}});
}

std::wstring MonitoringOnUrl(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) {
  return Url(L"checkon.asp", {{L"wxid", wxid}, {L"cpid", cpid}, {L"pwd", pwd}});
}

std::wstring MonitoringOffUrl(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) {
  return Url(L"checkoff.asp", {{L"wxid", wxid}, {L"cpid", cpid}, {L"pwd", pwd}});
}

std::wstring ReminderUrl(std::wstring_view wxid, std::wstring_view watchKey, std::wstring_view cpid,
                         std::wstring_view pwd) {
  return Url(L"tx.asp", {{L"wxid", wxid}, {L"port", watchKey}, {L"cpid", cpid}, {L"pwd", pwd}});
}
