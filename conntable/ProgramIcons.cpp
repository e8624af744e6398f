#include "ProgramIcons.h"

#include <shellapi.h>

#include <utility>

namespace {

// The key of the system's default program icon; no path looks like it.
constexpr wchar_t kDefaultKey[] = L"<program>";
constexpr WORD kApplicationIcon = 32512;  // IDI_APPLICATION as an OEM id

}  // namespace

// Only icons the file itself holds: the shell would answer with the generic
// icon of the file's type, which for a program without one says nothing.
IconHandle SmallProgramIcon(const std::wstring& path) {
  if (path.empty()) return IconHandle();
  HICON small = nullptr;
  if (ExtractIconExW(path.c_str(), 0, nullptr, &small, 1) == 0 || small == nullptr) return IconHandle();
  return IconHandle(small);
}

ProgramIcons::ProgramIcons(Loader load) : load_(std::move(load)) {}

bool ProgramIcons::Create() {
  index_.clear();
  default_ = -1;
  blended_.Clear();
  images_.ColourDepth(ImageColourDepth::Bits32);
  if (!images_.Create()) return false;
  if (!images_.AddFromResourceID(kApplicationIcon, nullptr, ImageType::Icon, kDefaultKey)) return false;
  default_ = images_.ItemIndex(ImageKey(std::wstring(kDefaultKey)));
  return true;
}

int ProgramIcons::IconIndex(const std::wstring& path) {
  if (path.empty()) return default_;
  const auto [entry, added] = index_.try_emplace(path, default_);
  if (!added) return entry->second;
  const IconHandle icon = load_(path);
  if (icon && images_.AddFromHandle(icon.get(), ImageType::Icon, path)) entry->second = images_.ImageCount() - 1;
  return entry->second;
}
