#include "ConnectionModel.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "ConnectionOrder.h"
#include "TestRows.h"

namespace {

constexpr uint8_t kAny[4] = {0, 0, 0, 0};
constexpr uint8_t kHost[4] = {10, 0, 0, 5};
constexpr uint8_t kPeer[4] = {93, 184, 216, 34};

class Paths : public TcpRowSource {
 public:
  bool Fetch(std::vector<unsigned char>&) override { return false; }
  std::wstring ProcessPath(unsigned long pid) override {
    ++lookups;
    return L"C:\\bin\\p" + std::to_wstring(pid) + L".exe";
  }
  int lookups = 0;
};

ConnectionModel Model(const std::vector<TcpRow>& rows, const std::vector<Tcp6Row>& rows6 = {}) {
  Paths paths;
  return ConnectionModel::FromTables(TableBytes(rows), Table6Bytes(rows6), paths);
}

std::vector<std::wstring> Column(const ConnectionModel& model, const ConnectionOrder& order, int column) {
  std::vector<std::wstring> texts;
  for (int item = 0; item < order.Count(); ++item) texts.push_back(model.Row(order.Row(item)).texts[column]);
  return texts;
}

TEST(ConnectionModel, HoldsTheShownRowsTextsIPv4FirstLookingEachProcessUpOnce) {
  Paths paths;
  const std::vector<TcpRow> rows = {MakeRow(7, kHost, 443, kPeer, 50000), MakeRow(0, kHost, 1, kPeer, 2),
                                    MakeRow(7, kAny, 80, kAny, 0, 2)};
  const std::vector<Tcp6Row> rows6 = {MakeRow6(9, Address6{0, 0, 0, 0, 0, 0, 0, 1}, 8080, Address6{}, 0, 2)};
  const ConnectionModel model = ConnectionModel::FromTables(TableBytes(rows), Table6Bytes(rows6), paths);
  ASSERT_EQ(model.Count(), 3);
  EXPECT_EQ(model.Row(0).texts, RowTexts(rows[0], L"p7.exe"));
  EXPECT_EQ(model.Row(1).texts, RowTexts(rows[2], L"p7.exe"));
  EXPECT_EQ(model.Row(2).texts, RowTexts(rows6[0], L"p9.exe"));
  EXPECT_EQ(paths.lookups, 2);
  EXPECT_EQ(model.ProgramPath(7), L"C:\\bin\\p7.exe");
  EXPECT_EQ(model.ProgramPath(0), L"") << "no row of its own";
  EXPECT_EQ(model.LocalPorts(), (std::vector<uint16_t>{443, 80, 8080}));
}

TEST(ConnectionModel, AConnectionIsItsProcessFamilyAddressesAndPorts) {
  const TcpRow base = MakeRow(7, kHost, 443, kPeer, 50000);
  const ConnectionModel model = Model({base});
  struct Case {
    const char* what;
    std::function<void(TcpRow&)> change;
    bool same;
  };
  const Case cases[] = {
      {"its state", [](TcpRow& r) { r.state = 8; }, true},
      {"the upper half of a port field", [](TcpRow& r) { r.localPort |= 0xABCD0000u; }, true},
      {"the process", [](TcpRow& r) { r.pid = 8; }, false},
      {"the local address", [](TcpRow& r) { r.localAddr = AddressField(10, 0, 0, 6); }, false},
      {"the local port", [](TcpRow& r) { r.localPort = PortField(444); }, false},
      {"the remote address", [](TcpRow& r) { r.remoteAddr = AddressField(93, 184, 216, 35); }, false},
      {"the remote port", [](TcpRow& r) { r.remotePort = PortField(50001); }, false},
  };
  for (const Case& c : cases) {
    TcpRow row = base;
    c.change(row);
    EXPECT_EQ(model.Find(IdOf(row)) == 0, c.same) << c.what;
  }
  // The same addresses and ports over IPv6 (mapped) or in another scope are other connections.
  Tcp6Row mapped = MakeRow6(7, Address6{0, 0, 0, 0, 0, 0xFFFF, 0x0A00, 0x0005}, 443,
                            Address6{0, 0, 0, 0, 0, 0xFFFF, 0x5DB8, 0xD822}, 50000);
  EXPECT_EQ(model.Find(IdOf(mapped)), -1);
  const ConnectionModel model6 = Model({}, {mapped});
  EXPECT_EQ(model6.Find(IdOf(mapped)), 0);
  mapped.localScopeId = 3;
  EXPECT_EQ(model6.Find(IdOf(mapped)), -1);
}

TEST(ConnectionModel, RemarksStayWithTheirConnectionAndGoWithIt) {
  ConnectionModel older = Model({MakeRow(7, kAny, 80, kAny, 0, 2), MakeRow(7, kAny, 81, kAny, 0, 2),
                                 MakeRow(7, kAny, 82, kAny, 0, 2)});
  older.SetRemark(0, L"web");
  older.SetRemark(1, L"gone");
  ConnectionModel newer = Model({MakeRow(7, kAny, 79, kAny, 0, 2), MakeRow(7, kAny, 80, kAny, 0, 2),
                                 MakeRow(7, kAny, 82, kAny, 0, 2)});
  newer.TakeRemarks(older);
  EXPECT_EQ(newer.Row(0).texts[kRemarkColumn], L"");
  EXPECT_EQ(newer.Row(1).texts[kRemarkColumn], L"web");
  EXPECT_EQ(newer.Row(2).texts[kRemarkColumn], L"");
}

TEST(ConnectionModel, TheDiffFollowsEachConnectionAndNamesTheNewOnes) {
  const ConnectionModel older = Model({MakeRow(7, kAny, 80, kAny, 0, 2), MakeRow(7, kAny, 81, kAny, 0, 2),
                                       MakeRow(7, kAny, 82, kAny, 0, 2), MakeRow(7, kAny, 82, kAny, 0, 2)});
  // The same connections in another order, one gone, one listed twice.
  const ConnectionModel newer = Model({MakeRow(7, kAny, 82, kAny, 0, 2), MakeRow(7, kAny, 79, kAny, 0, 2),
                                       MakeRow(7, kAny, 80, kAny, 0, 2), MakeRow(8, kAny, 81, kAny, 0, 2),
                                       MakeRow(7, kAny, 79, kAny, 0, 2)});
  const ConnectionDiff diff = Diff(older, newer);
  EXPECT_EQ(diff.survivor, (std::vector<int>{2, -1, 0, 0}));
  EXPECT_EQ(diff.added, (std::vector<bool>{false, true, false, true, true}));
  EXPECT_EQ(newer.Find(newer.Row(4).id), 1) << "a connection listed twice is its first row";
  EXPECT_EQ(newer.Find(older.Row(1).id), -1);
  EXPECT_EQ(Diff(newer, newer).added, std::vector<bool>(5, false));
}

// Each column sorts by what it holds, not by its text.
TEST(ConnectionOrder, SortsEachColumnByItsKind) {
  const Address6 loop6{0, 0, 0, 0, 0, 0, 0, 1};
  const Address6 mapped{0, 0, 0, 0, 0, 0xFFFF, 0x0A00, 0x0009};
  Tcp6Row scoped = MakeRow6(10, Address6{0xFE80, 0, 0, 0, 0, 0, 0, 1}, 443, loop6, 2);
  scoped.localScopeId = 2;
  const ConnectionModel model = Model(
      {MakeRow(100, {10, 0, 0, 10}, 10, kPeer, 9, 5), MakeRow(9, {127, 0, 0, 1}, 9, kPeer, 100, 2),
       MakeRow(20, {10, 0, 0, 2}, 100, kPeer, 10, 8)},
      {MakeRow6(10, loop6, 65535, loop6, 1), MakeRow6(30, mapped, 2, loop6, 3),
       MakeRow6(10, Address6{0xFE80, 0, 0, 0, 0, 0, 0, 1}, 443, loop6, 2), scoped});
  struct Case {
    int column;
    std::vector<std::wstring> ascending;
  };
  const Case cases[] = {
      {kPidColumn, {L"9", L"10", L"10", L"10", L"20", L"30", L"100"}},
      {kLocalPortColumn, {L"2", L"9", L"10", L"100", L"443", L"443", L"65535"}},
      {kRemotePortColumn, {L"1", L"2", L"2", L"3", L"9", L"10", L"100"}},
      {kLocalAddressColumn, {L"10.0.0.2", L"10.0.0.9", L"10.0.0.10", L"localhost", L"::1", L"fe80::1", L"fe80::1%2"}},
      {kStateColumn, {StateText(2), StateText(5), StateText(5), StateText(5), StateText(5), StateText(5),
                      StateText(8)}},
  };
  for (const Case& c : cases) {
    ConnectionOrder order;
    order.SortBy(model, c.column, true);
    auto expected = c.ascending;
    if (c.column == kStateColumn) std::sort(expected.begin(), expected.end(), [&](auto& a, auto& b) {
      return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
    EXPECT_EQ(Column(model, order, c.column), expected) << "column " << c.column;
    order.SortBy(model, c.column, false);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Column(model, order, c.column), expected) << "column " << c.column << " descending";
  }
}

TEST(ConnectionOrder, TextComparesIgnoringCase) {
  ConnectionModel model = Model({MakeRow(1, kAny, 1, kAny, 0, 2), MakeRow(2, kAny, 2, kAny, 0, 2),
                                 MakeRow(3, kAny, 3, kAny, 0, 2)});
  model.SetRemark(0, L"b");
  model.SetRemark(1, L"A");
  model.SetRemark(2, L"a");
  ConnectionOrder order;
  order.SortBy(model, kRemarkColumn, true);
  EXPECT_EQ(Column(model, order, kRemarkColumn), (std::vector<std::wstring>{L"A", L"a", L"b"}));  // ties: table order
}

// Rows with equal keys keep the order of the earlier sort, also in the next
// snapshot, where new rows fall in by the same rules.
TEST(ConnectionOrder, TheEarlierSortBreaksTiesNowAndInLaterSnapshots) {
  const std::vector<TcpRow> rows = {MakeRow(20, kAny, 3, kAny, 0, 2), MakeRow(10, kAny, 1, kAny, 0, 2),
                                    MakeRow(20, kAny, 2, kAny, 0, 2), MakeRow(10, kAny, 4, kAny, 0, 2)};
  const ConnectionModel model = Model(rows);
  ConnectionOrder order;
  order.SortBy(model, kLocalPortColumn, false);
  order.SortBy(model, kPidColumn, true);
  EXPECT_EQ(Column(model, order, kLocalPortColumn), (std::vector<std::wstring>{L"4", L"1", L"3", L"2"}));

  std::vector<TcpRow> later = rows;
  later.push_back(MakeRow(10, kAny, 2, kAny, 0, 2));
  later.push_back(MakeRow(20, kAny, 9, kAny, 0, 2));
  const ConnectionModel next = Model(later);
  order.Apply(next);
  EXPECT_EQ(Column(next, order, kLocalPortColumn), (std::vector<std::wstring>{L"4", L"2", L"1", L"9", L"3", L"2"}));
  for (int item = 0; item < order.Count(); ++item) EXPECT_EQ(order.Item(order.Row(item)), item);

  order.SortBy(next, kPidColumn, false);  // the same column again: the port order still breaks its ties
  EXPECT_EQ(Column(next, order, kLocalPortColumn), (std::vector<std::wstring>{L"9", L"3", L"2", L"4", L"2", L"1"}));
}

// Keys whose values together need more than 64 bits order a new snapshot as
// they would one by one.
TEST(ConnectionOrder, WideKeysOrderANewSnapshotAsEachAlone) {
  constexpr uint32_t kWide = 4294967295u;
  constexpr uint8_t kOther[4] = {10, 0, 0, 1};
  const ConnectionModel model = Model({MakeRow(kWide, kAny, 65000, kAny, 65000, 2),
                                       MakeRow(kWide, kOther, 65000, kAny, 2, 2),
                                       MakeRow(10, kAny, 1, kAny, 65000, 2),
                                       MakeRow(kWide, kAny, 65000, kAny, 1, 2),
                                       MakeRow(kWide, kAny, 2, kAny, 3, 2)});
  ConnectionOrder order;
  order.SortBy(model, kRemotePortColumn, true);
  order.SortBy(model, kLocalAddressColumn, false);
  order.SortBy(model, kLocalPortColumn, false);
  order.SortBy(model, kPidColumn, true);
  const std::vector<std::wstring> sorted = Column(model, order, kRemotePortColumn);
  EXPECT_EQ(sorted, (std::vector<std::wstring>{L"65000", L"2", L"1", L"65000", L"3"}));
  order.Apply(model);
  EXPECT_EQ(Column(model, order, kRemotePortColumn), sorted);
}

}  // namespace
