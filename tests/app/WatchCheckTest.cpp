#include "WatchCheck.h"

#include <gtest/gtest.h>

TEST(WatchCheck, PortsCompareAsTheListWritesThem) {
  const std::vector<std::wstring> keys = {
      L"8080备注 a", L"80备注 b",   // a port inside another is not that port
      L"080备注 c",  L"65536备注 d", L"443备注 e", L"443备注 f",
      L"0备注 g",    L"备注 h",
  };
  const std::vector<bool> present = WatchedPortsPresent(keys, {8080, 443, 1, 0});
  EXPECT_EQ(present, (std::vector<bool>{true, false, false, false, true, true, true, false}));
  EXPECT_EQ(WatchedPortsPresent(keys, {}), std::vector<bool>(keys.size(), false));
}
