#include "ServiceSession.h"

#include <gtest/gtest.h>

#include <vector>

#include "FailureText.h"
#include "LoopbackHttpServer.h"
#include "SystemProxy.h"

namespace {

using Server = LoopbackHttpServer;

std::string Target(const Server::Request& request) { return request.target; }

}  // namespace

TEST(ServiceSession, RequestsShareOneKeptAliveConnection) {
  Server server([](const Server::Request&) { return Server::KeptAliveReply(200, "text/plain", "ok"); }, 0, true);
  ServiceSession session;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(session.Post(server.Url(L"/velmor305/checkon.asp"), L"", 5000).text, L"ok");
  EXPECT_EQ(session.Opened(), 1u);
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(ServiceSession, AFailureClosesTheSessionAndTheNextRequestOpensANewOne) {
  int count = 0;
  Server server(
      [&](const Server::Request&) {
        return ++count == 2 ? Server::Reply(500, "text/plain", "down") : Server::KeptAliveReply(200, "text/plain", "ok");
      },
      0, true);
  ServiceSession session;
  EXPECT_EQ(session.Post(server.Url(L"/a"), L"", 5000).kind, ReplyKind::Success);
  EXPECT_EQ(session.Post(server.Url(L"/b"), L"", 5000).kind, ReplyKind::Failure);
  EXPECT_EQ(session.Post(server.Url(L"/c"), L"", 5000).kind, ReplyKind::Success);
  EXPECT_EQ(session.Opened(), 2u);
  EXPECT_EQ(server.Connections(), 2);
}

TEST(ServiceSession, ExtraHeadersGoWithTheRequest) {
  Server server([](const Server::Request&) { return Server::Reply(200, "text/plain", "ok"); });
  ServiceSession session;
  session.Post(server.Url(L"/velmor305/tx.asp?wxid=a"), L"Idempotency-Key: 00ff\r\n", 5000);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].headers.at("idempotency-key"), "00ff");
  EXPECT_EQ(server.Requests()[0].headers.at("content-type"), "text/xml; charset=UTF-8");
}

// A portal or proxy in the way answers for the service: that is no delivery.
TEST(ServiceSession, RedirectsAndPagesAreFailuresThatSayWhat) {
  struct Case {
    int status;
    const char* contentType;
    const char* body;
    const char* extra;
    FailureCause cause;
    const wchar_t* text;
  } cases[] = {
      {302, "text/plain", "", "Location: /login\r\n", FailureCause::Redirect, L"应答是转向（302），不是提醒服务的应答"},
      {301, "text/html", "<a href=/x>", "Location: /x\r\n", FailureCause::Redirect, L"应答是转向（301），不是提醒服务的应答"},
      {200, "text/html; charset=utf-8", "<html>login</html>", "", FailureCause::NotPlainText,
       L"应答是网页，不是提醒服务的应答（200）"},
      {200, "", "  <!DOCTYPE html><html>", "", FailureCause::NotPlainText, L"应答是网页，不是提醒服务的应答（200）"},
      {204, "application/json", "", "", FailureCause::NotPlainText, L"应答是网页，不是提醒服务的应答（204）"},
      {503, "text/plain", "full", "", FailureCause::Status, L"服务出错（503）"},
  };
  for (const Case& c : cases) {
    Server server([&](const Server::Request&) { return Server::Reply(c.status, c.contentType, c.body, c.extra); });
    ServiceSession session;
    const ServiceReply reply = session.Post(server.Url(L"/velmor305/tx.asp"), L"", 5000);
    EXPECT_EQ(reply.kind, ReplyKind::Failure) << c.status;
    EXPECT_EQ(reply.cause, c.cause) << c.status;
    EXPECT_EQ(FailureText(reply), c.text);
    ASSERT_EQ(server.Requests().size(), 1u) << "a redirect is never followed";
    EXPECT_EQ(Target(server.Requests()[0]), "/velmor305/tx.asp");
  }
}

TEST(ServiceSession, TheServicesOwnRepliesAreSuccesses) {
  for (const char* body : {"ok", "", "欢迎chr(10)第二行"}) {
    Server server([&](const Server::Request&) { return Server::Reply(200, "text/plain; charset=utf-8", body); });
    EXPECT_EQ(ServiceSession().Post(server.Url(L"/"), L"", 5000).kind, ReplyKind::Success) << body;
  }
}

// Nothing leaves for a remote host in clear text: the request fails before
// a name is looked up or a connection opened.
TEST(ServiceSession, ClearTextToAnotherComputerSendsNothing) {
  ServiceSession session;
  for (const wchar_t* url : {L"http://reminder.example/velmor305/checkon.asp?wxid=a&cpid=1&pwd=secret",
                             L"http://10.0.0.5:8305/velmor305/tips.asp"}) {
    const ServiceReply reply = session.Post(url, L"", 5000);
    EXPECT_EQ(reply.kind, ReplyKind::Failure);
    EXPECT_EQ(reply.cause, FailureCause::ClearText);
    EXPECT_EQ(reply.error, 0u);
  }
  EXPECT_EQ(session.Opened(), 0u);
}

TEST(ServiceSession, RefusedAndSilentServicesAreToldApart) {
  unsigned short closedPort = 0;
  {
    Server gone([](const Server::Request&) { return Server::Reply(200, "text/plain", ""); });
    closedPort = gone.Port();
  }
  const ServiceReply refused =
      ServiceSession().Post(L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/", L"", 5000);
  EXPECT_EQ(refused.cause, FailureCause::Refused);
  EXPECT_EQ(FailureText(refused), L"服务拒绝连接");

  Server silent([](const Server::Request&) { return std::optional<std::string>(); });
  const ServiceReply late = ServiceSession().Post(silent.Url(L"/"), L"", 500);
  EXPECT_EQ(late.cause, FailureCause::TimedOut);
  EXPECT_EQ(FailureText(late), L"服务没有按时应答");
}

namespace {

// Sets the user's proxy (Internet Options' own record) for the test's length.
class UserProxy {
 public:
  explicit UserProxy(const std::string& proxy) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    DWORD size = 0;
    if (RegQueryValueExW(key_, kValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
      saved_.resize(size);
      RegQueryValueExW(key_, kValue, nullptr, nullptr, saved_.data(), &size);
      hadValue_ = true;
    }
    // Version 0x46, a change counter, the flags (direct, then a proxy), the
    // proxy, an empty bypass list and no script address.
    std::vector<BYTE> record;
    auto put = [&record](DWORD value) {
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
      record.insert(record.end(), bytes, bytes + sizeof(value));
    };
    put(0x46);
    put(1);
    put(0x1 | 0x2);
    put(static_cast<DWORD>(proxy.size()));
    record.insert(record.end(), proxy.begin(), proxy.end());
    put(0);
    put(0);
    record.resize(record.size() + 32, 0);
    RegSetValueExW(key_, kValue, 0, REG_BINARY, record.data(), static_cast<DWORD>(record.size()));
  }
  ~UserProxy() {
    if (hadValue_) {
      RegSetValueExW(key_, kValue, 0, REG_BINARY, saved_.data(), static_cast<DWORD>(saved_.size()));
    } else {
      RegDeleteValueW(key_, kValue);
    }
    RegCloseKey(key_);
  }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
  static constexpr wchar_t kValue[] = L"DefaultConnectionSettings";
  HKEY key_ = nullptr;
  std::vector<BYTE> saved_;
  bool hadValue_ = false;
};

}  // namespace

// The proxy is a loopback server, so nothing leaves this computer: the
// request for the remote host arrives there as a tunnel request.
TEST(ServiceSession, RemoteHostsGoThroughTheUsersProxyAndLoopbackGoesDirect) {
  Server proxy([](const Server::Request&) { return Server::Reply(502, "text/plain", "no tunnel"); });
  UserProxy setting("127.0.0.1:" + std::to_string(proxy.Port()));
  ASSERT_EQ(ReadUserProxySetting().proxy, L"127.0.0.1:" + std::to_wstring(proxy.Port()))
      << "the user's proxy setting was not read back; nothing sent";

  const ServiceReply reply = ServiceSession().Post(L"https://reminder.invalid:8443/velmor305/tips.asp", L"", 5000);
  EXPECT_EQ(reply.kind, ReplyKind::Failure);
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].method, "CONNECT");
  EXPECT_EQ(proxy.Requests()[0].target, "reminder.invalid:8443");

  Server service([](const Server::Request&) { return Server::Reply(200, "text/plain", "ok"); });
  EXPECT_EQ(ServiceSession().Post(service.Url(L"/velmor305/tips.asp"), L"", 5000).text, L"ok");
  EXPECT_EQ(proxy.Requests().size(), 1u);
}
