#include "ProgramIcons.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A loader that counts its calls and gives an icon only for paths it knows.
struct CountingLoader {
  std::map<std::wstring, int>* calls;
  IconHandle operator()(const std::wstring& path) const {
    ++(*calls)[path];
    if (path.find(L"noicon") != std::wstring::npos) return IconHandle();
    return IconHandle(static_cast<HICON>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(32516), IMAGE_ICON, 16, 16, 0)));  // the information icon
  }
};

TEST(ProgramIcons, EachProgramIsLoadedOnceAndThoseWithoutAnIconShareTheDefault) {
  std::map<std::wstring, int> calls;
  ProgramIcons icons(CountingLoader{&calls});
  ASSERT_TRUE(icons.Create());
  const int defaultIcon = icons.IconIndex(L"");
  ASSERT_GE(defaultIcon, 0);

  const std::wstring a = L"C:\\Programs\\a.exe", b = L"C:\\Programs\\b.exe", none = L"Z:\\usr\\bin\\noicon";
  const int first = icons.IconIndex(a);
  const int second = icons.IconIndex(b);
  EXPECT_NE(first, defaultIcon);
  EXPECT_NE(second, defaultIcon);
  EXPECT_NE(first, second);
  EXPECT_EQ(icons.IconIndex(none), defaultIcon);
  for (int again = 0; again < 3; ++again) {
    EXPECT_EQ(icons.IconIndex(a), first);
    EXPECT_EQ(icons.IconIndex(b), second);
    EXPECT_EQ(icons.IconIndex(none), defaultIcon);
  }
  EXPECT_EQ(calls, (std::map<std::wstring, int>{{a, 1}, {b, 1}, {none, 1}}));
  EXPECT_EQ(ImageList_GetImageCount(icons.hIml()), 3);
}

TEST(ProgramIcons, OnlyAnIconTheFileHoldsCounts) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_TRUE(SmallProgramIcon(std::wstring(system) + L"\\notepad.exe"));
  EXPECT_FALSE(SmallProgramIcon(self)) << "a program without icons of its own";
  EXPECT_FALSE(SmallProgramIcon(std::wstring(system) + L"\\no such program.exe"));
  EXPECT_FALSE(SmallProgramIcon(L""));
}

}  // namespace
