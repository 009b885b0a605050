#pragma once
// The gallery's window: sections of controls laid out in two columns, each
// state in a cell of its own with a caption, and the list of cells the
// headless render saves as pictures. Tab and Shift+Tab move the focus through
// the controls that take it; Space or Enter presses the focused button.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "ui/core/window.h"

namespace quillmar {
class UiButton;
class UiLabel;
namespace ws {
class HeadlessWindowSystem;
}  // namespace ws
}  // namespace quillmar

namespace quillmar::gallery {

// A cell saved as its own picture, named for control and state ("button-hover").
struct GalleryShot {
  std::string name;
  Rect area;           // in the window's picture
  int32_t waitMs = 0;  // virtual time to let pass before the picture is taken
};

// A picture of a popup in a window of its own: stage opens it (and moves the
// mouse as needed) on the headless backend and returns the window to save; 0 skips it.
struct GalleryPopupShot {
  std::string name;
  std::function<Hwnd(ws::HeadlessWindowSystem& headless)> stage;
};

class GallerySheet {
 public:
  static constexpr int32_t kWidth = 800;
  static constexpr int32_t kHeight = 600;

  // Opens and binds the window (hidden until Show); quit is posted when it is destroyed.
  GallerySheet();
  ~GallerySheet();
  GallerySheet(const GallerySheet&) = delete;
  GallerySheet& operator=(const GallerySheet&) = delete;

  UiWindow& Window() { return *window_; }
  Hwnd WindowHandle() const { return hwnd_; }
  void Show();

  // Starts a section of the given content height under a title; returns its
  // content area in the window's client coordinates.
  Rect BeginSection(std::string_view title, int32_t height);
  // The rectangle of cell `index` in a row of cells of the given size inside `section`.
  static Rect Cell(const Rect& section, int32_t index, Size cell);

  // A control owned by the sheet for as long as the window lives.
  template <typename T>
  T& Make() {
    auto control = std::make_unique<T>();
    T& ref = *control;
    controls_.push_back(std::move(control));
    return ref;
  }
  // Captions a cell with its state (no caption when empty) and lists it for the headless render.
  void AddShot(std::string name, const Rect& cell, std::string_view caption, int32_t waitMs = 0);
  // Joins the Tab order; its key events reach the sheet.
  void AddFocusable(UiWindow& control);
  // Buttons pressed with Space or Enter while they have the focus.
  void AddKeyButton(UiButton& button);
  // Called on a right click anywhere in the window (one handler; a later call replaces it).
  void SetContextMenu(std::function<void()> open);
  void AddPopupShot(std::string name, std::function<Hwnd(ws::HeadlessWindowSystem&)> stage);
  void SetStatus(std::string_view text);
  std::string GetStatus() const;
  const std::vector<GalleryShot>& Shots() const { return shots_; }
  const std::vector<GalleryPopupShot>& PopupShots() const { return popupShots_; }

 private:
  class Frame;
  // Tab, Shift+Tab, Escape, and Space or Enter on a button; true when used.
  bool OnKey(uint32_t msg, int vk);
  int32_t OnEvent(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam);
  void MoveFocus(int step);
  UiButton* KeyButton(int32_t key) const;

  Hwnd hwnd_ = 0;
  std::unique_ptr<UiWindow> window_;
  std::vector<std::unique_ptr<UiWindow>> controls_;
  std::vector<GalleryShot> shots_;
  std::vector<GalleryPopupShot> popupShots_;
  std::function<void()> contextMenu_;
  std::vector<UiWindow*> focusOrder_;
  std::vector<UiButton*> keyButtons_;
  UiLabel* status_ = nullptr;
  int32_t columnBottom_[2] = {0, 0};
};

}  // namespace quillmar::gallery
