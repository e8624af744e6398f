#include "Clipboard.h"

#include <cstring>
#include <memory>

namespace {

class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner)) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool Open() const { return open_; }

 private:
  bool open_;
};

struct GlobalFreer {
  void operator()(void* memory) const { GlobalFree(memory); }
};
using GlobalMemory = std::unique_ptr<void, GlobalFreer>;

// The text with its terminating NUL in movable memory, as the clipboard takes it.
GlobalMemory TextMemory(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return memory;
  void* at = GlobalLock(memory.get());
  if (!at) return GlobalMemory();
  std::memcpy(at, text.c_str(), bytes);
  GlobalUnlock(memory.get());
  return memory;
}

}  // namespace

bool PutOnClipboard(HWND owner, const std::wstring& text) {
  GlobalMemory memory = TextMemory(text);
  if (!memory) return false;
  const OpenedClipboard clipboard(owner);
  if (!clipboard.Open() || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.release();  // the clipboard's now
  return true;
}
