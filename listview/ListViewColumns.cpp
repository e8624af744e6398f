#include "ucListView.h"

namespace {

wchar_t* TextOf(const std::wstring& Text) { return const_cast<wchar_t*>(Text.c_str()); }

// Marks the control's own column changes, which a fixed-width header lets through.
class OwnColumnChange {
 public:
  explicit OwnColumnChange(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
  ~OwnColumnChange() { m_flag = m_old; }
  OwnColumnChange(const OwnColumnChange&) = delete;
  OwnColumnChange& operator=(const OwnColumnChange&) = delete;

 private:
  bool& m_flag;
  bool m_old;
};

}  // namespace

bool ucListView::ColumnAdd(int Column, const std::wstring& Text, int Width, long Align, int Icon) {
  if (!m_hListView) return false;
  const OwnColumnChange own(m_bOwnColumnChange);
  const bool first = ColumnCount() == 0;
  const int justify = static_cast<int>(Align & LVCFMT_JUSTIFYMASK);
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  col.fmt = first || Column == 0 ? LVCFMT_LEFT : justify;  // an empty list puts any new column first
  col.cx = Width;
  col.pszText = TextOf(Text);
  const auto index = static_cast<int>(SendList(LVM_INSERTCOLUMNW, Column, reinterpret_cast<LPARAM>(&col)));
  if (index < 0) return false;
  // Where the column went decides its alignment, not where it was asked for.
  const int fmt = index == 0 ? LVCFMT_LEFT : justify;
  if (fmt != col.fmt) {
    col.mask = LVCF_FMT;
    col.fmt = fmt;
    SendList(LVM_SETCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
  }
  if (first) {
    m_hHeader = reinterpret_cast<HWND>(SendList(LVM_GETHEADER));
    SendHeader(HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(m_hImlHeader.get()));
  }
  // The header image list is the control's own, so the image goes to the header directly.
  HDITEMW item{};
  item.mask = HDI_FORMAT | HDI_IMAGE;
  item.fmt = HDF_STRING | HDF_BITMAP_ON_RIGHT | fmt | (Icon >= 0 ? HDF_IMAGE : 0);
  item.iImage = Icon;
  SendHeader(HDM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
  return true;
}

bool ucListView::ColumnRemove(int Column) {
  const bool removed = SendList(LVM_DELETECOLUMN, Column) != 0;
  if (ColumnCount() == 0) m_hHeader = nullptr;
  return removed;
}

bool ucListView::ColumnAutosize(int Column, long AutosizeType) {
  const OwnColumnChange own(m_bOwnColumnChange);
  return SendList(LVM_SETCOLUMNWIDTH, Column, AutosizeType) != 0;
}

int ucListView::ColumnCount() const {
  const auto header = reinterpret_cast<HWND>(SendList(LVM_GETHEADER));
  return header ? std::max(0, static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))) : 0;
}

bool ucListView::GetColumn(int Column, LVCOLUMNW& col) const {
  return HasColumns() && SendList(LVM_GETCOLUMNW, Column, reinterpret_cast<LPARAM>(&col)) != 0;
}

std::wstring ucListView::ColumnText(int Column) const {
  std::wstring text(128, L'\0');
  for (;;) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = text.data();
    col.cchTextMax = static_cast<int>(text.size());
    if (!GetColumn(Column, col)) return {};
    const size_t length = wcsnlen(text.c_str(), text.size());
    // A full buffer may mean the text was cut: read again with more room.
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.assign(text.size() * 2, L'\0');
  }
}

void ucListView::ColumnText(int Column, const std::wstring& Text) {
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = TextOf(Text);
  SetColumn(Column, col);
}

int ucListView::ColumnWidth(int Column) const {
  return HasColumns() ? static_cast<int>(SendList(LVM_GETCOLUMNWIDTH, Column)) : 0;
}

void ucListView::ColumnWidth(int Column, int Width) {
  if (!HasColumns()) return;
  const OwnColumnChange own(m_bOwnColumnChange);
  SendList(LVM_SETCOLUMNWIDTH, Column, Width);
}

long ucListView::ColumnAlign(int Column) const {
  LVCOLUMNW col{};
  col.mask = LVCF_FMT;
  return GetColumn(Column, col) ? (col.fmt & LVCFMT_JUSTIFYMASK) : 0;
}

void ucListView::ColumnAlign(int Column, long Align) {
  LVCOLUMNW col{};
  col.mask = LVCF_FMT;
  col.fmt = Column == 0 ? LVCFMT_LEFT : static_cast<int>(Align & LVCFMT_JUSTIFYMASK);  // column 0 stays left
  SetColumn(Column, col);
}

// Text and alignment change through the list, which draws the cells from its own
// record of the column. Some lists (Wine's) then rebuild the header item's format
// from that record, which knows nothing of the image the control gave the header
// directly; others keep it. Setting the header item's format and image again
// afterwards leaves the same header on both.
void ucListView::SetColumn(int Column, const LVCOLUMNW& col) {
  HDITEMW item{};
  item.mask = HDI_FORMAT | HDI_IMAGE;
  if (!HasColumns() || !SendHeader(HDM_GETITEMW, Column, reinterpret_cast<LPARAM>(&item))) return;
  const OwnColumnChange own(m_bOwnColumnChange);
  SendList(LVM_SETCOLUMNW, Column, reinterpret_cast<LPARAM>(&col));
  if (col.mask & LVCF_FMT) item.fmt = (item.fmt & ~HDF_JUSTIFYMASK) | (col.fmt & LVCFMT_JUSTIFYMASK);
  SendHeader(HDM_SETITEMW, Column, reinterpret_cast<LPARAM>(&item));
}

int ucListView::ColumnIcon(int Column) const {
  HDITEMW item{};
  item.mask = HDI_IMAGE;
  return HasColumns() && SendHeader(HDM_GETITEMW, Column, reinterpret_cast<LPARAM>(&item)) ? item.iImage : 0;
}

void ucListView::ColumnIcon(int Column, int Icon) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  if (!HasColumns() || !SendHeader(HDM_GETITEMW, Column, reinterpret_cast<LPARAM>(&item))) return;
  const OwnColumnChange own(m_bOwnColumnChange);
  const bool image = m_hImlHeader && Icon >= 0;
  item.fmt = HDF_STRING | HDF_BITMAP_ON_RIGHT | (item.fmt & HDF_JUSTIFYMASK) | (image ? HDF_IMAGE : 0);
  item.mask = HDI_FORMAT | (Icon >= 0 ? HDI_IMAGE : 0);
  item.iImage = Icon;
  SendHeader(HDM_SETITEMW, Column, reinterpret_cast<LPARAM>(&item));
}
