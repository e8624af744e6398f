#include "cImageList.h"

#include <algorithm>
#include <utility>

namespace {

// One extra slot at the end of a list to park an image in while others move;
// removed again on every path.
class ScratchSlot {
 public:
  explicit ScratchSlot(HIMAGELIST list)
      : list_(list),
        index_(ImageList_GetImageCount(list)),
        made_(ImageList_SetImageCount(list, index_ + 1)) {}
  ~ScratchSlot() {
    if (made_) ImageList_Remove(list_, index_);
  }
  ScratchSlot(const ScratchSlot&) = delete;
  ScratchSlot& operator=(const ScratchSlot&) = delete;

  bool Made() const { return made_; }
  int Index() const { return index_; }

 private:
  HIMAGELIST list_;
  int index_;
  bool made_;
};

void MoveImage(HIMAGELIST list, int to, int from) {
  ImageList_Copy(list, to, list, from, ILCF_MOVE);
}

}  // namespace

bool cImageList::Create() {
  Destroy();
  list_.reset(ImageList_Create(sizeX_, sizeY_, static_cast<UINT>(depth_) | ILC_MASK, 4, 4));
  return list_ != nullptr;
}

void cImageList::Destroy() {
  list_.reset();
  keys_.clear();
}

void cImageList::Clear() { Create(); }

int cImageList::ImageCount() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }

bool cImageList::KeyExists(const std::wstring& key) const {
  if (IsBlankKey(key)) return false;
  // The list may have been changed through hIml, so only the first
  // ImageCount keys belong to images.
  const auto end = keys_.begin() + std::min<size_t>(ImageCount(), keys_.size());
  return std::find(keys_.begin(), end, key) != end;
}

int cImageList::ItemIndex(const ImageKey& key) const {
  const int count = ImageCount();
  if (key.IsPosition()) {
    if (key.Position() >= 1 && key.Position() <= count) return key.Position() - 1;
    throw cImageListError();
  }
  if (!IsBlankKey(key.Name())) {
    const int searched = std::min<int>(count, static_cast<int>(keys_.size()));
    for (int i = 0; i < searched; ++i) {
      if (keys_[i] == key.Name()) return i;
    }
  }
  throw cImageListError();
}

std::wstring cImageList::ItemKey(int position) const {
  if (position < 1 || position > ImageCount()) throw cImageListError();
  return static_cast<size_t>(position) <= keys_.size() ? keys_[position - 1] : std::wstring();
}

void cImageList::ItemKey(int position, const std::wstring& key) {
  if (position < 1 || position > ImageCount()) throw cImageListError();
  StoreKey(position - 1, key);
}

void cImageList::RemoveImage(const ImageKey& key) {
  if (!list_) return;
  const int index = ItemIndex(key);
  if (!ImageList_Remove(list_.get(), index)) return;
  if (static_cast<size_t>(index) < keys_.size()) keys_.erase(keys_.begin() + index);
  ResizeKeys();
}

void cImageList::SwapOrCopyImage(const ImageKey& source, const ImageKey& destination,
                                 ImageCopyMode mode) {
  if (!list_) return;
  const int a = ItemIndex(source);
  const int b = ItemIndex(destination);
  if (mode == ImageCopyMode::Swap) {
    if (!SwapImages(a, b)) return;
  } else if (!ImageList_Copy(list_.get(), a, list_.get(), b, ILCF_MOVE)) {
    return;
  }
  ResizeKeys();
  std::swap(keys_[a], keys_[b]);
}

// Reordering copies images with ILCF_MOVE through a scratch slot: Wine's
// ILCF_SWAP blackens the image it moves out of the source position.
bool cImageList::SwapImages(int a, int b) {
  const ScratchSlot scratch(list_.get());
  if (!scratch.Made()) return false;
  MoveImage(list_.get(), scratch.Index(), a);
  MoveImage(list_.get(), a, b);
  MoveImage(list_.get(), b, scratch.Index());
  return true;
}

bool cImageList::RotateImages(int first, int middle, int last) {
  const ScratchSlot scratch(list_.get());
  if (!scratch.Made()) return false;
  for (int from = middle, to = first; from < last; ++from, ++to) {
    MoveImage(list_.get(), scratch.Index(), from);
    for (int i = from; i > to; --i) MoveImage(list_.get(), i, i - 1);
    MoveImage(list_.get(), to, scratch.Index());
  }
  std::rotate(keys_.begin() + first, keys_.begin() + middle, keys_.begin() + last);
  return true;
}

void cImageList::StoreKey(int index, const std::wstring& key) {
  if (!list_) return;
  if (keys_.size() <= static_cast<size_t>(index)) keys_.resize(index + 1);
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (i != static_cast<size_t>(index) && !IsBlankKey(keys_[i]) && keys_[i] == key) return;
  }
  keys_[index] = key;
}

void cImageList::ResizeKeys() {
  if (list_) keys_.resize(ImageCount());
}
