#pragma once
// A plain GTK window with ordinary GTK buttons, shown on the display the GTK
// backend uses: what measurements hold the program's own windows against
// (the same size, the buttons in the same places, the toolkit's own hover).

#include <memory>
#include <string>
#include <vector>

#include "base/geometry.h"

namespace quillmar::ws {

class GtkPlainWindow {
 public:
  // `frame` on the screen; `buttons` relative to the window's top-left.
  GtkPlainWindow(const Rect& frame, const std::vector<Rect>& buttons, const std::vector<std::string>& labels);
  ~GtkPlainWindow();
  GtkPlainWindow(const GtkPlainWindow&) = delete;
  GtkPlainWindow& operator=(const GtkPlainWindow&) = delete;

  // Draws the window received, for a rate to compare with.
  int Draws() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmar::ws
