#include "mListViewEx.h"

#include <commctrl.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// One sort request: every row's key and item data, read before the list sorts
// and indexed by the row's position then. Each row is tagged with the address of
// its item-data slot, which no foreign item data is likely to equal, and which
// the comparison can check against the request's own bounds. Handed to the
// comparison through the sort parameter, so two lists never share it.
struct SortRequest {
  int greater = 1;  // when the first row sorts after the second
  int less = -1;
  std::vector<std::wstring> texts;  // text sorts
  std::vector<double> numbers;      // number, date and keep-order sorts
  std::vector<LPARAM> params;       // the rows' own item data

  LPARAM Tag(size_t row) const { return reinterpret_cast<LPARAM>(params.data() + row); }
  // The row a tag stands for; -1 for item data the sort did not write.
  ptrdiff_t RowOf(LPARAM tag) const {
    const auto offset = static_cast<uintptr_t>(tag) - reinterpret_cast<uintptr_t>(params.data());
    return offset % sizeof(LPARAM) == 0 && offset / sizeof(LPARAM) < params.size()
               ? static_cast<ptrdiff_t>(offset / sizeof(LPARAM))
               : -1;
  }
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

// Rows without a tag (added while the list sorts) go after the tagged ones.
int CALLBACK CompareRows(LPARAM tag1, LPARAM tag2, LPARAM param) {
  const auto& request = *reinterpret_cast<const SortRequest*>(param);
  const ptrdiff_t row1 = request.RowOf(tag1), row2 = request.RowOf(tag2);
  if (row1 < 0 || row2 < 0) return (row1 < 0) - (row2 < 0);
  return request.texts.empty() ? Ordered(request.numbers[row1], request.numbers[row2], request)
                               : Ordered(request.texts[row1], request.texts[row2], request);
}

// Keeps the list's notifications of item-data changes from its parent while the
// sort tags the rows and puts their data back: the tags are the sort's own
// business, a parent would otherwise hear of two changes per row each time, and
// one that refused them would leave rows the sort cannot tell apart.
class QuietItemData {
 public:
  explicit QuietItemData(HWND hListView) : m_hParent(GetParent(hListView)) {
    if (m_hParent) SetWindowSubclass(m_hParent, Proc, kId, reinterpret_cast<DWORD_PTR>(hListView));
  }
  ~QuietItemData() {
    if (m_hParent) RemoveWindowSubclass(m_hParent, Proc, kId);
  }
  QuietItemData(const QuietItemData&) = delete;
  QuietItemData& operator=(const QuietItemData&) = delete;

 private:
  static constexpr UINT_PTR kId = 1;

  static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR list) {
    if (uMsg == WM_NOTIFY) {
      const auto& nm = *reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (nm.hdr.hwndFrom == reinterpret_cast<HWND>(list) &&
          (nm.hdr.code == LVN_ITEMCHANGING || nm.hdr.code == LVN_ITEMCHANGED) && nm.uChanged == LVIF_PARAM)
        return FALSE;
    }
    return DefSubclassProc(hWnd, uMsg, wParam, lParam);
  }

  HWND m_hParent;
};

// Tags every row; false, with the tagged rows' own data back, when a row keeps
// its data (a list subclassed to refuse it).
bool TagRows(HWND hListView, SortRequest& request) {
  for (size_t row = 0; row < request.params.size(); ++row) {
    const int item = static_cast<int>(row);
    request.params[row] = ItemParam(hListView, item);
    SetItemParam(hListView, item, request.Tag(row));
    if (ItemParam(hListView, item) != request.Tag(row)) {
      for (int tagged = 0; tagged < item; ++tagged) SetItemParam(hListView, tagged, request.params[tagged]);
      return false;
    }
  }
  return true;
}

// Puts each tagged row's own data back, wherever the row went; a row that came
// in during the sort keeps its data.
void UntagRows(HWND hListView, const SortRequest& request) {
  const auto rows = static_cast<int>(SendMessageW(hListView, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    const ptrdiff_t tagged = request.RowOf(ItemParam(hListView, row));
    if (tagged >= 0) SetItemParam(hListView, row, request.params[tagged]);
  }
}

}  // namespace

// LVM_SORTITEMSEX would hand the comparison row positions, and Wine's list moves
// rows while it sorts, so those positions go stale and rows with equal keys end
// up out of order. Each row is tagged instead (its own item data is put back
// afterwards) and the list sorts by tag.
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
  request.params.resize(rows);

  const QuietItemData quiet(hListView);
  if (!TagRows(hListView, request)) return false;
  const bool sorted = SendMessageW(hListView, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&request),
                                   reinterpret_cast<LPARAM>(CompareRows)) != 0;
  UntagRows(hListView, request);
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
