#pragma once

#include <array>
#include <string>

#include "ConnectionText.h"

class ucListView;

// Where the user is in the connection list: the selected connection and the
// connection in the first visible row, each known by its process id and its
// local and remote address and port, so that a refill can put the user back.
class ListPlace {
 public:
  // Reads the place from the list before the refill clears it.
  explicit ListPlace(const ucListView& list);

  // Tells the place that the refilled list holds these texts at item.
  void Seen(int item, const ConnectionTexts& texts);

  // Selects and focuses the same connection when the refill holds it, and
  // scrolls its first visible row to the same connection, or else to the same
  // position as near as the list allows.
  void Restore(ucListView& list) const;

 private:
  struct Mark {
    std::array<std::wstring, 5> key;
    int before = -1;  // the item before the refill, -1 for none
    int after = -1;   // the item in the refill, -1 until seen
  };

  static Mark Read(const ucListView& list, int item);
  static bool Matches(const Mark& mark, const ConnectionTexts& texts);

  Mark selected_;
  Mark top_;
};
