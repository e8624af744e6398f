#include "ServiceUrls.h"

#include <gtest/gtest.h>

namespace {

const ServiceUrls urls(L"127.0.0.1:8305");
const std::wstring base = L"http://127.0.0.1:8305/velmor305/";

}  // namespace

TEST(ServiceUrls, BaseAddsHttpOnlyWhenNoSchemeIsGiven) {
  EXPECT_EQ(ServiceBase(L"127.0.0.1:8305"), L"http://127.0.0.1:8305");
  EXPECT_EQ(ServiceBase(L"reminders.example"), L"http://reminders.example");
  EXPECT_EQ(ServiceBase(L"https://reminders.example:8443"), L"https://reminders.example:8443");
  EXPECT_EQ(ServiceUrls(L"https://r.example").Tips(), L"https://r.example/velmor305/tips.asp");
}

TEST(ServiceUrls, EachRequestHasItsPathAndKeysInOrder) {
  EXPECT_EQ(urls.Tips(), base + L"tips.asp");
  EXPECT_EQ(urls.VersionCheck(L"me@qq.com"), base + L"config.asp?wxid=me%40qq.com&version=3.0.5");
  EXPECT_EQ(urls.MonitoringOn(L"me@qq.com", L"2", L"abc123"),
            base + L"checkon.asp?wxid=me%40qq.com&cpid=2&pwd=abc123");
  EXPECT_EQ(urls.MonitoringOff(L"me@qq.com", L"2", L"abc123"),
            base + L"checkoff.asp?wxid=me%40qq.com&cpid=2&pwd=abc123");
  EXPECT_EQ(urls.Reminder(L"me@qq.com", L"8080备注 mail", L"5", L"abc123"),
            base + L"tx.asp?wxid=me%40qq.com&port=8080%u5907%u6CE8%20mail&cpid=5&pwd=abc123");
}

TEST(ServiceUrls, ValuesThatWouldCutTheQueryAreEscaped) {
  EXPECT_EQ(urls.MonitoringOn(L"a&b@qq.com", L"1", L"x#y&z=1"),
            base + L"checkon.asp?wxid=a%26b%40qq.com&cpid=1&pwd=x%23y%26z%3D1");
  EXPECT_EQ(urls.Reminder(L"m@qq.com", L"80备注 a&b=c%d+e", L"1", L"p"),
            base + L"tx.asp?wxid=m%40qq.com&port=80%u5907%u6CE8%20a%26b%3Dc%25d%2Be&cpid=1&pwd=p");
}
