#include "ShownItems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestRows.h"

namespace {

constexpr uint8_t kAny[4] = {0, 0, 0, 0};

struct Listener {
  uint16_t port;
  uint32_t pid = 10;
};

ConnectionModel Listeners(const std::vector<Listener>& listeners) {
  std::vector<ConnectionRow> rows;
  for (const Listener& listener : listeners) {
    const TcpRow row = MakeRow(listener.pid, kAny, listener.port, kAny, 0, 2);
    rows.push_back({IdOf(row), RowTexts(row, L"p" + std::to_wstring(listener.pid) + L".exe")});
  }
  return ConnectionModel(std::move(rows));
}

// Snapshots shown one after the other, as the connection list shows them.
class ShownItemsTest : public testing::Test {
 protected:
  void Show(const std::vector<Listener>& listeners) {
    ConnectionModel newer = Listeners(listeners);
    items.Change(model, order, newer, shown++ > 0);
    model = std::move(newer);
    order.Apply(model);
    items.Build(model, order, filter);
  }

  // Each item as its port, with "+" for a new and "-" for a closed row.
  std::vector<std::wstring> Items() const {
    std::vector<std::wstring> texts;
    for (int item = 0; item < items.Count(); ++item) {
      const RowAge age = items.Age(item);
      texts.push_back(items.Row(item).texts[kLocalPortColumn] +
                      (age == RowAge::New ? L"+" : age == RowAge::Closed ? L"-" : L""));
    }
    return texts;
  }
  using Texts = std::vector<std::wstring>;

  int shown = 0;
  ConnectionModel model;
  ConnectionOrder order;
  RowFilter filter;
  ShownItems items;
};

TEST_F(ShownItemsTest, NewAndClosedRowsByIdentityForOneRefresh) {
  Show({{80}, {443}, {8080}});
  EXPECT_EQ(Items(), (Texts{L"80", L"443", L"8080"})) << "the first snapshot marks nothing";
  Show({{80}, {8080}, {443, 11}, {9000}});  // 443 now of another process
  EXPECT_EQ(Items(), (Texts{L"80", L"443-", L"8080", L"443+", L"9000+"}));
  EXPECT_EQ(items.ModelRow(1), -1);
  EXPECT_EQ(items.Find(Listeners({{443}}).Row(0).id), 1);
  Show({{80}, {8080}, {443, 11}, {9000}});
  EXPECT_EQ(Items(), (Texts{L"80", L"8080", L"443", L"9000"}));
  EXPECT_EQ(items.Find(Listeners({{443}}).Row(0).id), -1);
}

TEST_F(ShownItemsTest, AClosedRowFollowsTheRowBeforeItWhereverTheOrderPutsIt) {
  order.SortBy(model, kLocalPortColumn, false);
  Show({{9000}, {8080}, {443}, {80}});
  Show({{8080}, {80}, {22}});
  // 9000 had nothing before it; 443 came after 8080.
  EXPECT_EQ(Items(), (Texts{L"9000-", L"8080", L"443-", L"80", L"22+"}));
  order.SortBy(model, kLocalPortColumn, true);
  items.Build(model, order, filter);
  EXPECT_EQ(Items(), (Texts{L"9000-", L"22+", L"80", L"8080", L"443-"}));
}

TEST_F(ShownItemsTest, TheFilterNarrowsNewAndClosedRowsAlike) {
  Show({{80}, {443}, {8443}});
  filter = RowFilter(L"44");
  Show({{80}, {8443}, {4430}});
  EXPECT_EQ(Items(), (Texts{L"443-", L"8443", L"4430+"}));
  EXPECT_EQ(items.Find(model.Row(0).id), -1) << "port 80 is hidden";
  EXPECT_EQ(items.Find(model.Row(1).id), 1);
}

}  // namespace
