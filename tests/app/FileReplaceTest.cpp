#include "FileReplace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"lumora-replace-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    target = folder + L"\\连接.csv";
  }
  void TearDown() override {
    for (const std::wstring& name : Names()) {
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
    }
    RemoveDirectoryW(folder.c_str());
  }

  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }
  static std::string Content(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  static void Write(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
  }

  std::wstring folder;
  std::wstring target;
};

TEST_F(FileReplaceTest, TheNewContentTakesTheOldFilesPlaceWhole) {
  Write(target, std::string(100000, 'o'));
  EXPECT_EQ(WriteFileReplacing(target, "new"), L"");
  EXPECT_EQ(Content(target), "new");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"连接.csv"});
}

TEST_F(FileReplaceTest, AFailedWriteSaysWhyAndLeavesTheOldFileAlone) {
  Write(target, "old");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW((folder + L"\\a folder").c_str(), nullptr);
  const struct {
    std::wstring path;
    const char* what;
  } cases[] = {{target, "a read-only file"}, {folder + L"\\a folder", "a folder"},
               {folder + L"\\missing\\x.csv", "a missing folder"}};
  for (const auto& c : cases) EXPECT_NE(WriteFileReplacing(c.path, "new"), L"") << c.what;
  EXPECT_EQ(Content(target), "old");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a folder", L"连接.csv"}));
}

}  // namespace
