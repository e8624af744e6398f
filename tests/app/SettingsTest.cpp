#include "Settings.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::wstring ScratchPath(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"lumora-settings-test\\" + leaf;
}

TEST(Settings, KeepsUnicodeTextAcrossStoresAndMakesItsFolder) {
  const std::wstring path = ScratchPath(L"a.ini");
  DeleteFileW(path.c_str());
  const std::wstring address = L"用户.名@qq.com";
  ASSERT_TRUE(Settings(path).Write(L"Address", address));
  ASSERT_TRUE(Settings(path).Write(L"Computer", L"7"));
  ASSERT_TRUE(Settings(path).Write(L"Computer", L"12"));
  EXPECT_EQ(Settings(path).Read(L"Address"), address);
  EXPECT_EQ(Settings(path).Read(L"Computer"), L"12");
  EXPECT_EQ(Settings(path).Read(L"Missing"), L"");
  DeleteFileW(path.c_str());
}

TEST(Settings, ReadsLongValuesWhole) {
  const std::wstring path = ScratchPath(L"b.ini");
  DeleteFileW(path.c_str());
  const std::wstring value(1000, L'值');
  ASSERT_TRUE(Settings(path).Write(L"Long", value));
  EXPECT_EQ(Settings(path).Read(L"Long"), value);
  DeleteFileW(path.c_str());
}

TEST(Settings, WithoutAPathRemembersNothing) {
  EXPECT_FALSE(Settings().Write(L"Address", L"x"));
  EXPECT_EQ(Settings().Read(L"Address"), L"");
}

}  // namespace
