#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <memory>
#include <type_traits>

// Owning wrappers for the handles the image list makes or borrows. Each frees
// its handle the one way that fits it, so no path can leak one.

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct ImageListDestroyer {
  void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

template <class Handle, class Deleter>
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<Handle>, Deleter>;

using BitmapHandle = OwnedHandle<HBITMAP, GdiObjectDeleter>;
using BrushHandle = OwnedHandle<HBRUSH, GdiObjectDeleter>;
using DcHandle = OwnedHandle<HDC, DcDeleter>;
using IconHandle = OwnedHandle<HICON, IconDestroyer>;
using ImageListHandle = OwnedHandle<HIMAGELIST, ImageListDestroyer>;
using PicturePtr = std::unique_ptr<IPicture, ComReleaser>;

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (Selected()) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  bool Selected() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
