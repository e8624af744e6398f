#include "mListViewEx.h"

#include <commctrl.h>
#include <oleauto.h>

namespace {

// What one sort request compares; handed to the comparison through the sort
// parameter, so two lists never share it.
struct SortRequest {
  HWND hListView;
  int column;
  long type;
  int greater;  // when the first row sorts after the second
  int less;
};

template <typename Key>
int Ordered(const Key& a, const Key& b, const SortRequest& request) {
  return a < b ? request.less : b < a ? request.greater : 0;
}

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The conversions take writable text, hence the copies. Text that is not a
// number counts as 0, like empty text.
double NumberKey(std::wstring text) {
  double value = 0;
  return !text.empty() && SUCCEEDED(VarR8FromStr(text.data(), LOCALE_USER_DEFAULT, 0, &value)) ? value : 0;
}

double DateKey(std::wstring text) {
  DATE value = 0;
  return !text.empty() && SUCCEEDED(VarDateFromStr(text.data(), LOCALE_USER_DEFAULT, 0, &value)) ? value : 0;
}

int CALLBACK CompareByIndex(LPARAM row1, LPARAM row2, LPARAM param) {
  return Ordered(row1, row2, *reinterpret_cast<const SortRequest*>(param));
}

int CALLBACK CompareByText(LPARAM row1, LPARAM row2, LPARAM param) {
  const auto& request = *reinterpret_cast<const SortRequest*>(param);
  std::wstring a = ListViewItemText(request.hListView, static_cast<int>(row1), request.column);
  std::wstring b = ListViewItemText(request.hListView, static_cast<int>(row2), request.column);
  switch (request.type) {
    case SORT_TEXT: return Ordered(Lower(std::move(a)), Lower(std::move(b)), request);
    case SORT_TEXT_CASE: return Ordered(a, b, request);
    case SORT_NUMBER: return Ordered(NumberKey(std::move(a)), NumberKey(std::move(b)), request);
    default: return Ordered(DateKey(std::move(a)), DateKey(std::move(b)), request);
  }
}

}  // namespace

bool SortItems(HWND hListView, int Column, long Order, long Type) {
  SortRequest request{hListView, Column, Type, 1, -1};
  PFNLVCOMPARE compare = CompareByIndex;
  if (Order == SORT_ASCENDING || Order == SORT_DESCENDING) {
    if (Type < SORT_TEXT || Type > SORT_DATE) return false;
    request.greater = static_cast<int>(Order);
    request.less = -static_cast<int>(Order);
    compare = CompareByText;
  } else if (Order != SORT_KEEP) {
    return false;
  }
  return SendMessageW(hListView, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&request),
                      reinterpret_cast<LPARAM>(compare)) != 0;
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
