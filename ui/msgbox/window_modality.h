#pragma once
// WindowModality: makes one window the only enabled top-level window of the
// process through the disabled style bit, remembering which windows were
// enabled before so that exactly those are enabled again.

#include <vector>

#include "ui/core/core_types.h"

namespace quillmar {

class WindowModality {
 public:
  // Sets the disabled bit on every top-level window but `keep`, recording for
  // each whether it was enabled.
  void DisableOtherWindows(Hwnd keep);
  // Clears the bit on the recorded windows that were enabled before, then
  // forgets them all. Windows disabled by someone else stay disabled.
  void RestoreWindows();
  bool Empty() const { return disabled_.empty(); }

 private:
  struct Entry {
    Hwnd hwnd = 0;
    bool wasEnabled = false;
  };
  std::vector<Entry> disabled_;
};

}  // namespace quillmar
