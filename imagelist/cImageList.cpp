#include "cImageList.h"

#include <algorithm>
#include <utility>

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
  ImageList_Copy(list_.get(), a, list_.get(), b, static_cast<UINT>(mode));
  ResizeKeys();
  std::swap(keys_[a], keys_[b]);
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
