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
  EXPECT_EQ(PostUrl(server.Url(L"/velmor305/tx.asp?wxid=a%40qq.com&port=80%u5907%20x")), L"ok");
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
    EXPECT_EQ(PostUrl(server.Url(L"/")), L"提示");
  }
  {
    Server server(Answer(200, "text/html; Charset=\"GBK\"", "\xCC\xE1\xCA\xBE"));
    EXPECT_EQ(PostUrl(server.Url(L"/")), L"提示");
  }
  {
    Server server(Answer(200, "", "\xEF\xBB\xBF\xE6\x8F\x90\xE7\xA4\xBA"));
    EXPECT_EQ(PostUrl(server.Url(L"/")), L"提示");
  }
}

TEST(PostUrl, ErrorStatusesGiveEmptyText) {
  for (int status : {301, 404, 500}) {
    Server server(Answer(status, "text/plain", "proxy error page"));
    EXPECT_EQ(PostUrl(server.Url(L"/")), L"") << status;
  }
}

TEST(PostUrl, OversizedReplyGivesEmptyText) {
  Server server(Answer(200, "text/plain", std::string((1 << 20) + 1, 'x')));
  EXPECT_EQ(PostUrl(server.Url(L"/")), L"");
}

TEST(PostUrl, ReplyAtTheSizeLimitIsKept) {
  Server server(Answer(200, "text/plain", std::string(1 << 20, 'x')));
  EXPECT_EQ(PostUrl(server.Url(L"/")).size(), size_t{1 << 20});
}

TEST(PostUrl, UnusableAddressesGiveEmptyText) {
  unsigned short closedPort = 0;
  {
    Server server(Answer(200, "text/plain", "gone"));
    closedPort = server.Port();
  }
  EXPECT_EQ(PostUrl(L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/velmor305/tips.asp"), L"");
  EXPECT_EQ(PostUrl(L"not a url"), L"");
  EXPECT_EQ(PostUrl(L""), L"");
}

TEST(PostUrl, ServerThatNeverAnswersIsGivenUpWithinTheBound) {
  Server server([](const Server::Request&) { return std::optional<std::string>(); });
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(PostUrl(server.Url(L"/")), L"");
  EXPECT_LT(GetTickCount64() - start, 12000u);
}
