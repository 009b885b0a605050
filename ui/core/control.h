#pragma once
// UiControl: what every windowless control shares on top of UiWindow — the
// creation sequence, element-only placing and visibility, no tick and no
// presentation of its own — and the kit controls are written with: typed
// handlers decoded once from the message path, painting into a ready drawing
// context, raising the control's own events, and the typed signals an owner
// sets on a child control to hear it.

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "base/geometry.h"
#include "ui/core/window.h"

namespace quillmar {

// What a typed handler tells the message path: Stop is the routine's 0 (nothing
// after it runs: not the user routine, not the window's routine, not the
// default processing), Continue lets processing go on.
enum class Handled { Stop, Continue };

enum class MouseButton { None, Left, Right, Middle };

// Modifier keys held while the message was made.
struct Modifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
  friend bool operator==(const Modifiers&, const Modifiers&) = default;
};

struct MouseEvent {
  Point position;                          // relative to the control's top-left corner
  MouseButton button = MouseButton::None;  // the button that changed (down, up, double click)
  uint32_t buttons = 0;                    // buttons held (Mk:: bits)
  Modifiers modifiers;
  int32_t wheelDelta = 0;   // wheel only: +120 per notch away from the user
  bool horizontal = false;  // wheel only: the horizontal wheel
};

struct KeyEvent {
  int32_t virtualKey = 0;  // Vk:: code
  LParam flags = 0;        // repeat count and scan code as the message carried them
  Modifiers modifiers;
};

struct CharEvent {
  uint32_t code = 0;  // the character the key made (program text byte or UTF-16 unit)
  Modifiers modifiers;
};

class UiControl : public UiWindow {
 public:
  // Moves and resizes the element only: a resize raises Event::Resized, a pure move Event::Moved.
  void Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
             std::optional<int32_t> height, OptKey key = {}) override;
  // Stores visibility with the repaint flags; no operating-system call.
  void SetVisible(int32_t value, OptKey key = {}) override;
  void Tick() override {}
  void Present() override {}

  // Raises one of the control's own events through the normal path: the
  // control's hook and typed handlers (which run its owner's signal), its user
  // routine, its window's routine.
  // Returns the path's result (0 when stopped, -1 when not registered).
  int32_t RaiseEvent(uint32_t msg, WParam wParam = 0, LParam lParam = 0);

 protected:
  // Registers the element and, when adopt is set, makes it a child of parent.
  // The caller then stores its fields and invalidates (FinishCreate).
  int32_t CreateElement(UiWindow* parent, bool adopt, int32_t x, int32_t y, int32_t width, int32_t height,
                        std::string_view tag);
  void FinishCreate() { InvalidateRect(); }
  // The setters' convention: an equal value changes nothing; a real change is
  // stored and the whole control repaints. Returns whether it changed.
  template <typename T>
  bool Assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    InvalidateRect();
    return true;
  }

  // Typed handlers. Each runs once per message addressed to the control; the
  // defaults do nothing and continue. A left press has already captured the
  // mouse for the control when OnMouseDown runs, so it follows a drag outside.
  virtual Handled OnMouseDown(const MouseEvent&) { return Handled::Continue; }
  virtual Handled OnMouseUp(const MouseEvent&) { return Handled::Continue; }
  virtual Handled OnMouseMove(const MouseEvent&) { return Handled::Continue; }
  virtual Handled OnMouseWheel(const MouseEvent&) { return Handled::Continue; }
  virtual Handled OnDoubleClick(const MouseEvent&) { return Handled::Continue; }
  virtual Handled OnKeyDown(const KeyEvent&) { return Handled::Continue; }
  virtual Handled OnKeyUp(const KeyEvent&) { return Handled::Continue; }
  virtual Handled OnChar(const CharEvent&) { return Handled::Continue; }
  virtual Handled OnFocusGained() { return Handled::Continue; }
  virtual Handled OnFocusLost() { return Handled::Continue; }
  virtual Handled OnMouseEnter() { return Handled::Continue; }
  virtual Handled OnMouseLeave() { return Handled::Continue; }
  virtual Handled OnDisabledChanged(bool /*disabled*/) { return Handled::Continue; }
  virtual Handled OnClick() { return Handled::Continue; }
  // The press ended without a release: the window lost the mouse (another
  // window took it, the window was deactivated or disabled). A control that
  // follows a drag or repeats while pressed stops here.
  virtual Handled OnCaptureLost() { return Handled::Continue; }
  // A framework event without a handler above (a control's own event, such as
  // Event::ScrollChanged, raised with RaiseEvent or sent to it). A control runs
  // its owner's typed signal for it here, before the user routine hears it.
  virtual Handled OnOwnEvent(uint32_t /*msg*/, WParam, LParam) { return Handled::Continue; }
  // Draws the control's content into its canvas, already cleared (and clipped
  // to the invalid area) by the paint pass. size is the control's size.
  virtual void OnPaint(draw::Graphics& /*g*/, Size /*size*/) {}

  // Runs an owner's typed signal. The signal is a std::function member of the
  // control, and the owner may delete the control while it runs, so it runs
  // from a copy; the caller returns at once afterwards, touching nothing of
  // the control (the message path sees the element gone).
  template <typename Signal, typename... Args>
  static void Emit(const Signal& signal, Args&&... args) {
    if (!signal) return;
    const Signal copy = signal;
    copy(std::forward<Args>(args)...);
  }

  // Whether a left press captures the mouse for the control, so that it hears
  // the drag and the release outside itself. Controls that only take clicks
  // (a label, a picture) leave the mouse free.
  virtual bool TracksDrag() const { return true; }
  // Decodes the control's own messages into the typed handlers. A control that
  // needs raw messages overrides it and calls UiControl::MessageHook for the rest.
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  // Hands the canvas to OnPaint.
  void PaintEntry() override;

 private:
  Handled Dispatch(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam);
  MouseEvent DecodeMouse(uint32_t msg, WParam wParam, LParam lParam);
};

}  // namespace quillmar
