#include "mListViewEx.h"

#include <commctrl.h>
#include <oleauto.h>

#include <vector>

namespace {

// One sort request: every row's key, read once before the list sorts, indexed
// by the row's position then. Handed to the comparison through the sort
// parameter, so two lists never share it.
struct SortRequest {
  int greater = 1;  // when the first row sorts after the second
  int less = -1;
  std::vector<std::wstring> texts;  // text sorts
  std::vector<double> numbers;      // number, date and keep-order sorts
};

template <typename Key>
int Ordered(const Key& a, const Key& b, const SortRequest& request) {
  return a < b ? request.less : b < a ? request.greater : 0;
}

// The conversions take writable text. Text that is not a number counts as 0, like empty text.
double NumberKey(std::wstring& text) {
  double value = 0;
  return !text.empty() && SUCCEEDED(VarR8FromStr(text.data(), LOCALE_USER_DEFAULT, 0, &value)) ? value : 0;
}

double DateKey(std::wstring& text) {
  DATE value = 0;
  return !text.empty() && SUCCEEDED(VarDateFromStr(text.data(), LOCALE_USER_DEFAULT, 0, &value)) ? value : 0;
}

void ReadKeys(HWND hListView, int rows, int Column, long Order, long Type, SortRequest& request) {
  for (int row = 0; row < rows; ++row) {
    if (Order == SORT_KEEP) {
      request.numbers.push_back(row);
      continue;
    }
    std::wstring text = ListViewItemText(hListView, row, Column);
    switch (Type) {
      case SORT_TEXT: CharLowerBuffW(text.data(), static_cast<DWORD>(text.size())); [[fallthrough]];
      case SORT_TEXT_CASE: request.texts.push_back(std::move(text)); break;
      case SORT_NUMBER: request.numbers.push_back(NumberKey(text)); break;
      default: request.numbers.push_back(DateKey(text)); break;
    }
  }
}

int CALLBACK CompareRows(LPARAM row1, LPARAM row2, LPARAM param) {
  const auto& request = *reinterpret_cast<const SortRequest*>(param);
  return request.texts.empty() ? Ordered(request.numbers[row1], request.numbers[row2], request)
                               : Ordered(request.texts[row1], request.texts[row2], request);
}

LPARAM ItemParam(HWND hListView, int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageW(hListView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

void SetItemParam(HWND hListView, int row, LPARAM value) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = value;
  SendMessageW(hListView, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

// LVM_SORTITEMSEX would hand the comparison row positions, and Wine's list moves
// rows while it sorts, so those positions go stale and rows with equal keys end
// up out of order. Each row is tagged with its position instead (its own item
// data is put back afterwards) and the list sorts by tag.
bool SortItems(HWND hListView, int Column, long Order, long Type) {
  if (Order != SORT_KEEP && Order != SORT_ASCENDING && Order != SORT_DESCENDING) return false;
  if (Order != SORT_KEEP && (Type < SORT_TEXT || Type > SORT_DATE)) return false;
  SortRequest request;
  if (Order != SORT_KEEP) {
    request.greater = static_cast<int>(Order);
    request.less = -static_cast<int>(Order);
  }
  const auto rows = static_cast<int>(SendMessageW(hListView, LVM_GETITEMCOUNT, 0, 0));
  ReadKeys(hListView, rows, Column, Order, Type, request);

  std::vector<LPARAM> params(rows);
  for (int row = 0; row < rows; ++row) {
    params[row] = ItemParam(hListView, row);
    SetItemParam(hListView, row, row);
  }
  const bool sorted = SendMessageW(hListView, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&request),
                                   reinterpret_cast<LPARAM>(CompareRows)) != 0;
  for (int row = 0; row < rows; ++row) SetItemParam(hListView, row, params[ItemParam(hListView, row)]);
  return sorted;
}

std::wstring ListViewItemText(HWND hListView, int Item, int SubItem) {
  std::wstring text(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = SubItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const auto n = static_cast<size_t>(SendMessageW(hListView, LVM_GETITEMTEXTW, Item, reinterpret_cast<LPARAM>(&item)));
    // A full buffer may mean the text was cut: read again with more room.
    if (n + 1 < text.size()) {
      text.resize(n);
      return text;
    }
    text.resize(text.size() * 2);
  }
}
