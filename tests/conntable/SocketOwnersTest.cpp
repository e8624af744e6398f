#include "SocketOwners.h"

#include <gtest/gtest.h>

#include "FakeProcFs.h"

namespace {

TEST(SocketOwners, FindsTheProcessHoldingEachSocket) {
  FakeProcFs proc;
  proc.AddProcess(300, "sshd", {1001});
  proc.AddProcess(400, "curl", {1002, 1003});
  SocketOwners owners(proc);
  owners.Update({1001, 1002, 1003, 1004, 0});
  EXPECT_EQ(owners.Owner(1001), 300u);
  EXPECT_EQ(owners.Owner(1002), 400u);
  EXPECT_EQ(owners.Owner(1003), 400u);
  EXPECT_EQ(owners.Owner(1004), 0u);
  EXPECT_EQ(owners.Owner(0), 0u);
}

TEST(SocketOwners, ReadsTheDescriptorsAgainOnlyForSocketsNotMetBefore) {
  FakeProcFs proc;
  proc.AddProcess(300, "sshd", {1001});
  proc.AddProcess(400, "curl", {1002});
  SocketOwners owners(proc);
  owners.Update({1001, 1002, 5555});
  const int firstScan = proc.fdReads;
  EXPECT_EQ(firstScan, 2);

  owners.Update({1001, 1002, 5555});  // same sockets, one of them with no readable owner
  EXPECT_EQ(proc.fdReads, firstScan);

  proc.AddProcess(500, "wget", {1003});
  owners.Update({1001, 1002, 1003, 5555});
  EXPECT_EQ(proc.fdReads, firstScan + 3);
  EXPECT_EQ(owners.Owner(1003), 500u);
  EXPECT_EQ(owners.Owner(1001), 300u);

  // A closed socket is forgotten: should its inode come back, it is looked up afresh.
  owners.Update({1002, 1003});
  EXPECT_EQ(owners.Owner(1001), 0u);
}

TEST(SocketOwners, PrefersTheFirstHolderThatIsNotAWineServer) {
  FakeProcFs proc;
  proc.AddProcess(100, "wineserver32", {2001, 2002});
  proc.AddProcess(250, "app.exe", {2002});
  proc.AddProcess(260, "app.exe", {2002});
  SocketOwners owners(proc);
  owners.Update({2001, 2002});
  EXPECT_EQ(owners.Owner(2001), 100u);  // held by the server alone
  EXPECT_EQ(owners.Owner(2002), 250u);
}

TEST(SocketOwners, IgnoresFilesThatShareASocketsInodeNumber) {
  FakeProcFs proc;
  proc.AddProcess(100, "editor", {3001}, 27);  // a file on the root mount
  proc.AddProcess(200, "server", {3001});
  SocketOwners owners(proc);
  owners.Update({3001});
  EXPECT_EQ(owners.Owner(3001), 200u);
}

}  // namespace
