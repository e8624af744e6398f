#include "ServiceAddress.h"

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <set>

#include "IdempotencyKey.h"
#include "ServiceSession.h"
#include "SystemProxy.h"

TEST(ServiceAddress, AcceptedAddressesAreWrittenInOneForm) {
  struct Case {
    const wchar_t* written;
    const wchar_t* text;
  } cases[] = {
      {L"https://reminder.example.com", L"https://reminder.example.com"},
      {L"  HTTPS://Reminder.Example.com:8443/ ", L"https://reminder.example.com:8443"},
      {L"https://10.0.0.5:443", L"https://10.0.0.5:443"},
      {L"https://[2001:db8::1]:8443", L"https://[2001:db8::1]:8443"},
      {L"http://127.0.0.1:8305", L"http://127.0.0.1:8305"},
      {L"http://127.9.8.7", L"http://127.9.8.7"},
      {L"http://LOCALHOST:18305", L"http://localhost:18305"},
      {L"http://[::1]:8305", L"http://[::1]:8305"},
  };
  for (const Case& c : cases) {
    const ServiceAddress address = ParseServiceAddress(c.written);
    EXPECT_EQ(address.fault, AddressFault::None) << c.written;
    EXPECT_EQ(address.text, c.text);
  }
}

TEST(ServiceAddress, RefusedAddressesNameTheirFault) {
  struct Case {
    const wchar_t* written;
    AddressFault fault;
  } cases[] = {
      {L"", AddressFault::Empty},
      {L"   ", AddressFault::Empty},
      {L"reminder.example.com", AddressFault::Scheme},
      {L"127.0.0.1:8305", AddressFault::Scheme},
      {L"ftp://reminder.example.com", AddressFault::Scheme},
      {L"https:/reminder.example.com", AddressFault::Scheme},
      {L"https://user@reminder.example.com", AddressFault::UserName},
      {L"https://user:pw@reminder.example.com", AddressFault::UserName},
      {L"https://reminder.example.com/velmor305", AddressFault::Path},
      {L"https://reminder.example.com?x=1", AddressFault::Path},
      {L"https://reminder.example.com#top", AddressFault::Path},
      {L"https://reminder.example.com//", AddressFault::Path},
      {L"https://reminder.example.com:", AddressFault::Port},
      {L"https://reminder.example.com:0", AddressFault::Port},
      {L"https://reminder.example.com:65536", AddressFault::Port},
      {L"https://reminder.example.com:84x3", AddressFault::Port},
      {L"https://", AddressFault::Host},
      {L"https://:8443", AddressFault::Host},
      {L"https://remind er.example", AddressFault::Host},
      {L"https://提醒.example", AddressFault::Host},
      {L"https://[::1", AddressFault::Host},
      {L"http://reminder.example.com", AddressFault::ClearText},
      {L"http://10.0.0.5:8305", AddressFault::ClearText},
      {L"http://128.0.0.1", AddressFault::ClearText},
      {L"http://127.0.0.1.example.com", AddressFault::ClearText},
      {L"http://localhost.example.com", AddressFault::ClearText},
  };
  for (const Case& c : cases) {
    const ServiceAddress address = ParseServiceAddress(c.written);
    EXPECT_EQ(address.fault, c.fault) << c.written;
    EXPECT_EQ(address.text, L"") << c.written;
    EXPECT_FALSE(AddressFaultText(c.fault).empty());
  }
}

TEST(ServiceAddress, LoopbackIsOnlyThisComputer) {
  for (const wchar_t* host : {L"localhost", L"LocalHost", L"127.0.0.1", L"127.255.0.9", L"::1", L"[::1]"}) {
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  }
  for (const wchar_t* host : {L"", L"10.0.0.1", L"127.0.0", L"127.0.0.1.5", L"127.0.0.256", L"localhost.",
                              L"mylocalhost", L"::2", L"0.0.0.0"}) {
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
  }
}

TEST(SystemProxy, LoopbackGoesDirectAndTheAutomaticProxyComesFirst) {
  using Way = ProxyPlan::Way;
  const UserProxySetting none;
  const UserProxySetting named{false, L"", L"proxy.corp:3128", L"<local>"};
  const UserProxySetting detect{true, L"", L"proxy.corp:3128", L""};
  const UserProxySetting script{false, L"http://wpad.corp/proxy.pac", L"", L""};
  struct Case {
    const wchar_t* host;
    const UserProxySetting& setting;
    Way way;
  } cases[] = {
      {L"127.0.0.1", named, Way::Direct},     {L"localhost", detect, Way::Direct},
      {L"reminder.example", none, Way::Direct}, {L"reminder.example", named, Way::Named},
      {L"reminder.example", detect, Way::Automatic}, {L"reminder.example", script, Way::Automatic},
  };
  for (const Case& c : cases) EXPECT_EQ(PlanProxy(c.host, c.setting).way, c.way) << c.host;
  const ProxyPlan plan = PlanProxy(L"reminder.example", named);
  EXPECT_EQ(plan.proxy, L"proxy.corp:3128");
  EXPECT_EQ(plan.bypass, L"<local>");
}

TEST(ServiceSession, WinHttpErrorsNameTheirCause) {
  struct Case {
    unsigned long error;
    FailureCause cause;
  } cases[] = {
      {ERROR_WINHTTP_SECURE_FAILURE, FailureCause::Certificate},
      {ERROR_WINHTTP_SECURE_INVALID_CA, FailureCause::Certificate},
      {ERROR_WINHTTP_SECURE_CERT_CN_INVALID, FailureCause::Certificate},
      {ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, FailureCause::Certificate},
      {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, FailureCause::Certificate},
      {ERROR_WINHTTP_NAME_NOT_RESOLVED, FailureCause::NameNotFound},
      {ERROR_WINHTTP_CANNOT_CONNECT, FailureCause::Refused},
      {ERROR_WINHTTP_TIMEOUT, FailureCause::TimedOut},
      {ERROR_WINHTTP_CONNECTION_ERROR, FailureCause::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(CauseOfError(c.error), c.cause) << c.error;
}

TEST(IdempotencyKey, IsFreshRandomHex) {
  std::set<std::wstring> keys;
  for (int i = 0; i < 100; ++i) {
    const std::wstring key = NewIdempotencyKey();
    ASSERT_EQ(key.size(), 32u);
    EXPECT_EQ(key.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << key;
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 100u);
  EXPECT_EQ(IdempotencyHeader(L"ab"), L"Idempotency-Key: ab\r\n");
}
