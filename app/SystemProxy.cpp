#include "SystemProxy.h"

#include "PostUrl.h"
#include "ServiceAddress.h"

namespace {

// Takes over a string WinHTTP allocated.
std::wstring Adopt(LPWSTR text) {
  if (!text) return L"";
  std::wstring copy(text);
  GlobalFree(text);
  return copy;
}

ProxyPlan Named(std::wstring proxy, std::wstring bypass) {
  if (proxy.empty()) return {};
  return {ProxyPlan::Way::Named, std::move(proxy), std::move(bypass)};
}

}  // namespace

UserProxySetting ReadUserProxySetting() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {};
  UserProxySetting setting;
  setting.autoDetect = config.fAutoDetect;
  setting.autoConfigUrl = Adopt(config.lpszAutoConfigUrl);
  setting.proxy = Adopt(config.lpszProxy);
  setting.bypass = Adopt(config.lpszProxyBypass);
  return setting;
}

ProxyPlan PlanProxy(std::wstring_view host, const UserProxySetting& setting) {
  if (IsLoopbackHost(host)) return {};
  if (setting.autoDetect || !setting.autoConfigUrl.empty()) return {ProxyPlan::Way::Automatic, L"", L""};
  return Named(setting.proxy, setting.bypass);
}

ProxyPlan ResolveProxy(const std::wstring& url, std::wstring_view host, const UserProxySetting& setting) {
  const ProxyPlan plan = PlanProxy(host, setting);
  if (plan.way != ProxyPlan::Way::Automatic) return plan;
  HINTERNET session = WinHttpOpen(L"Lumora/3.0.5", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  // Fetching a proxy script would otherwise wait on WinHTTP's own long time-outs.
  if (session) WinHttpSetTimeouts(session, kRequestBudgetMs, kRequestBudgetMs, kRequestBudgetMs, kRequestBudgetMs);
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (setting.autoDetect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (!setting.autoConfigUrl.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = setting.autoConfigUrl.c_str();
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  const bool found = session && WinHttpGetProxyForUrl(session, url.c_str(), &options, &info);
  if (session) WinHttpCloseHandle(session);
  if (!found) return Named(setting.proxy, setting.bypass);
  std::wstring proxy = Adopt(info.lpszProxy);
  std::wstring bypass = Adopt(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return {};
  return Named(std::move(proxy), std::move(bypass));
}
