#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <string_view>

// The proxy the user set for the system (Internet Options).
struct UserProxySetting {
  bool autoDetect = false;
  std::wstring autoConfigUrl;
  std::wstring proxy;
  std::wstring bypass;
};

UserProxySetting ReadUserProxySetting();

// How a session reaches a host.
struct ProxyPlan {
  enum class Way { Direct, Automatic, Named };
  Way way = Way::Direct;
  std::wstring proxy;   // Named only
  std::wstring bypass;  // Named only
};

// Loopback goes direct; otherwise the automatic proxy when the system offers
// one, else the user's own proxy, else direct.
ProxyPlan PlanProxy(std::wstring_view host, const UserProxySetting& setting);

// A named proxy or none, for WinHttpOpen. An automatic plan is resolved for
// url here; when that finds nothing it falls back to the user's own proxy.
ProxyPlan ResolveProxy(const std::wstring& url, std::wstring_view host, const UserProxySetting& setting);
