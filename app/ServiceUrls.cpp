#include "ServiceUrls.h"

#include "LumoraConfig.h"
#include "UrlEscape.h"

std::wstring ServiceBase(std::wstring_view address) {
  if (address.starts_with(L"http://") || address.starts_with(L"https://")) {
    return std::wstring(address);
  }
  return L"http://" + std::wstring(address);
}

ServiceUrls::ServiceUrls(std::wstring_view address) : base_(ServiceBase(address) + L"/velmor305/") {}

std::wstring ServiceUrls::Url(std::wstring_view path, Query query) const {
  std::wstring url = base_ + std::wstring(path);
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

std::wstring ServiceUrls::Tips() const {
  return Url(L"tips.asp", {});
}

std::wstring ServiceUrls::VersionCheck(std::wstring_view wxid) const {
  return Url(L"config.asp", {{L"wxid", wxid}, {L"version", kVersion}});
}

std::wstring ServiceUrls::MonitoringOn(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) const {
  return Url(L"checkon.asp", {{L"wxid", wxid}, {L"cpid", cpid}, {L"pwd", pwd}});
}

std::wstring ServiceUrls::MonitoringOff(std::wstring_view wxid, std::wstring_view cpid, std::wstring_view pwd) const {
  return Url(L"checkoff.asp", {{L"wxid", wxid}, {L"cpid", cpid}, {L"pwd", pwd}});
}

std::wstring ServiceUrls::Reminder(std::wstring_view wxid, std::wstring_view watchKey, std::wstring_view cpid,
                                   std::wstring_view pwd) const {
  return Url(L"tx.asp", {{L"wxid", wxid}, {L"port", watchKey}, {L"cpid", cpid}, {L"pwd", pwd}});
}
