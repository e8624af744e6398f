#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

#include "BlendedImages.h"
#include "cImageList.h"

// The small icon of a program's executable; none when the file holds no icon
// (a Linux program under Wine, a path that is no file).
IconHandle SmallProgramIcon(const std::wstring& path);

// The connection list's program icons: one image per executable, loaded the
// first time the program shows, in an image list keyed by its path. Programs
// without an icon of their own share the system's default program icon.
class ProgramIcons {
 public:
  using Loader = std::function<IconHandle(const std::wstring& path)>;
  explicit ProgramIcons(Loader load = SmallProgramIcon);

  // An empty list of small icons holding only the default one.
  bool Create();
  // The list stays this object's: a list view may share it, never destroy it.
  HIMAGELIST hIml() const { return images_.hIml(); }

  // The image of the program at path, loading its icon on first use; the
  // default image for an empty path and for a program without an icon.
  int IconIndex(const std::wstring& path);
  // Draws an image of IconIndex's at place's top left, cut to place, from a
  // copy made on its first draw (images are only ever appended).
  bool Draw(int index, HDC dc, const RECT& place) { return blended_.Draw(images_.hIml(), index, dc, place); }

 private:
  Loader load_;
  cImageList images_;
  BlendedImages blended_;
  // Every path asked for, with or without an icon of its own, so that none is
  // looked up twice; the image list's keys hold only its own images.
  std::unordered_map<std::wstring, int> index_;
  int default_ = -1;
};
