#include "PostUrl.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "LoopbackHttpServer.h"

namespace {

using Server = LoopbackHttpServer;

Server::Responder Answer(int status, std::string contentType, std::string body) {
  return [=](const Server::Request&) { return Server::Reply(status, contentType, body); };
}

}  // namespace

TEST(PostUrl, SendsAnEmptyPostWithTheXmlHeader) {
  Server server(Answer(200, "text/plain", "ok"));
  const ServiceReply reply = PostUrl(server.Url(L"/velmor305/tx.asp?wxid=a%40qq.com&port=80%u5907%20x"));
  EXPECT_EQ(reply.kind, ReplyKind::Success);
  EXPECT_EQ(reply.status, 200u);
  EXPECT_EQ(reply.text, L"ok");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/velmor305/tx.asp?wxid=a%40qq.com&port=80%u5907%20x");
  EXPECT_EQ(requests[0].headers.at("content-type"), "text/xml; charset=UTF-8");
  EXPECT_EQ(requests[0].body, "");
  EXPECT_TRUE(!requests[0].headers.contains("content-length") || requests[0].headers.at("content-length") == "0");
}

TEST(PostUrl, DecodesTheReplyByItsCharset) {
  {
    Server server(Answer(200, "text/plain; charset=utf-8", "\xE6\x8F\x90\xE7\xA4\xBA"));
    EXPECT_EQ(PostUrl(server.Url(L"/")).text, L"提示");
  }
  {
    Server server(Answer(200, "text/plain; Charset=\"GBK\"", "\xCC\xE1\xCA\xBE"));
    EXPECT_EQ(PostUrl(server.Url(L"/")).text, L"提示");
  }
  {
    Server server(Answer(200, "", "\xEF\xBB\xBF\xE6\x8F\x90\xE7\xA4\xBA"));
    EXPECT_EQ(PostUrl(server.Url(L"/")).text, L"提示");
  }
}

TEST(PostUrl, ShortPlainTextClientErrorsAreRefusalsWithTheirReason) {
  for (int status : {400, 403, 404}) {
    Server server(Answer(status, "text/plain; charset=utf-8", "\xE5\x8F\x82\xE6\x95\xB0 cpid \xE6\x97\xA0\xE6\x95\x88"));
    const ServiceReply reply = PostUrl(server.Url(L"/"));
    EXPECT_EQ(reply.kind, ReplyKind::Refusal) << status;
    EXPECT_EQ(reply.status, static_cast<unsigned>(status));
    EXPECT_EQ(reply.text, L"参数 cpid 无效");
  }
}

TEST(PostUrl, EverythingElseIsAFailureWithoutText) {
  struct Case {
    int status;
    const char* contentType;
    std::string body;
  } cases[] = {
      {500, "text/plain", "服务内部错误"},
      {503, "text/plain", "提醒队列已满"},
      {400, "text/html", "<html><body>Bad Request</body></html>"},  // a proxy's page, not the service
      {400, "text/plain", ""},
      {400, "text/plain", std::string(4096, 'x')},
      {408, "text/plain", "slow"},
      {429, "text/plain", "over the quota"},  // "not now" is worth another try
  };
  for (const Case& c : cases) {
    Server server(Answer(c.status, c.contentType, c.body));
    const ServiceReply reply = PostUrl(server.Url(L"/"));
    EXPECT_EQ(reply.kind, ReplyKind::Failure) << c.status << " " << c.contentType;
    EXPECT_EQ(reply.status, static_cast<unsigned>(c.status));
    EXPECT_EQ(reply.text, L"");
  }
}

TEST(PostUrl, OversizedReplyGivesEmptyText) {
  Server server(Answer(200, "text/plain", std::string((1 << 20) + 1, 'x')));
  const ServiceReply reply = PostUrl(server.Url(L"/"));
  EXPECT_EQ(reply.kind, ReplyKind::Failure);
  EXPECT_EQ(reply.text, L"");
}

TEST(PostUrl, ReplyAtTheSizeLimitIsKept) {
  Server server(Answer(200, "text/plain", std::string(1 << 20, 'x')));
  EXPECT_EQ(PostUrl(server.Url(L"/")).text.size(), size_t{1 << 20});
}

TEST(PostUrl, UnusableAddressesGiveEmptyText) {
  unsigned short closedPort = 0;
  {
    Server server(Answer(200, "text/plain", "gone"));
    closedPort = server.Port();
  }
  for (const std::wstring& url :
       {L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/velmor305/tips.asp", std::wstring(L"not a url"),
        std::wstring()}) {
    const ServiceReply reply = PostUrl(url);
    EXPECT_EQ(reply.kind, ReplyKind::Failure);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.text, L"");
  }
}

TEST(PostUrl, ServerThatNeverAnswersIsGivenUpWithinTheBound) {
  Server server([](const Server::Request&) { return std::optional<std::string>(); });
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(PostUrl(server.Url(L"/")).kind, ReplyKind::Failure);
  EXPECT_LT(GetTickCount64() - start, 12000u);
}

TEST(PostUrl, AShorterBudgetEndsAHangingRequestSooner) {
  Server server([](const Server::Request&) { return std::optional<std::string>(); });
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(PostUrl(server.Url(L"/"), 500).kind, ReplyKind::Failure);
  EXPECT_LT(GetTickCount64() - start, 3000u);
}
