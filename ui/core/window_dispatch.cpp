// Routing of window messages to elements: hover, focus, press and click
// tracking. The window's own handling of them is in window_messages.cpp.

#include <algorithm>
#include <vector>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/process_values.h"
#include "ui/core/window.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

bool IsFocusOrHoverEvent(uint32_t msg) {
  return msg == Event::FocusGained || msg == Event::FocusLost || msg == Event::MouseEnter || msg == Event::MouseLeave;
}

bool IsKeyboardMessage(uint32_t msg) {
  return msg == Msg::KeyDown || msg == Msg::KeyUp || msg == Msg::Char || msg == Msg::ImeComposition;
}

// Calls an element's handler with a real window message.
int32_t Deliver(int32_t key, Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  ElementRecord* rec = Registry().Find(key);
  if (!rec || !rec->handler) return 1;
  EventRoutine handler = rec->handler;
  return handler(hwnd, key, msg, wParam, lParam);
}

bool HoldsCapture(Hwnd hwnd) { return hwnd != 0 && ws::System().Capture() == hwnd; }

void CollectPressed(int32_t key, std::vector<int32_t>& out) {
  const ElementRecord* rec = Registry().Find(key);
  if (!rec) return;
  if (rec->pressed != 0) out.push_back(key);
  for (int32_t child : rec->children) CollectPressed(child, out);
}

// The window lost the mouse: no release will come, so every pressed element
// under `top` stops being pressed and hears the loss as Msg::CaptureChanged.
void EndPresses(int32_t top, Hwnd hwnd, LParam newHolder) {
  std::vector<int32_t> pressed;
  CollectPressed(top, pressed);
  for (int32_t key : pressed) {
    const ElementRef rec(key);
    if (!rec || rec->pressed == 0) continue;
    rec->pressed = 0;
    Deliver(key, hwnd, Msg::CaptureChanged, 0, newHolder);
  }
}

}  // namespace

// Every call below may run any handler, which may hide, move, re-parent or
// remove any element, or end this window object. After each one the code
// checks its ElementRef `self`: when the window's element is gone, so may be
// the object, and it returns without touching a member.

LParam UiWindow::WindowProc(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  DispatchScope scope;
  const ElementRef self(key_);
  if (!self) return 0;
  const int32_t w = key_;
  const bool topLevel = self->IsTopLevelWindow();
  // Controls may set a cursor of their own while they handle the mouse (the
  // edit's I-beam); a window at work shows its busy cursor over them all.
  struct BusyCursorKeeper {
    UiWindow* window;
    const ElementRef& self;
    bool active;
    ~BusyCursorKeeper() {
      if (active && !self.Lost()) window->BusyCursorShown(Msg::SetCursor);
    }
  } keeper{this, self, topLevel && msg >= Msg::MouseMove && msg <= Msg::MButtonDblClk};
  if (topLevel && msg == Msg::KillFocus && HoldsCapture(hwnd)) {
    // A deactivated window gives up the mouse; the loss below ends the press.
    ws::System().ReleaseCapture();
    if (self.Lost()) return 0;
  }
  if (topLevel && msg == Msg::CaptureChanged && static_cast<Hwnd>(lParam) != hwnd) {
    EndPresses(w, hwnd, lParam);
    if (self.Lost()) return 0;
    return ElementProc(hwnd, w, msg, wParam, lParam);
  }
  // The cursor request comes before the move that changes the hover: the
  // element under the pointer now answers it, not the one it just left.
  if ((msg == Msg::MouseMove || msg == Msg::SetCursor) && topLevel && self->hoverSuspended == 0) {
    const Point cursor = ws::System().CursorPos();
    UpdateHover(hwnd, ElementAt(cursor.x, cursor.y, w, 0, 0));
    if (self.Lost()) return 0;
  }
  if (self->hoverSuspended == 1) {
    UpdateHover(hwnd, 0);
    if (self.Lost()) return 0;
  }
  if (topLevel && (TabKey(hwnd, msg, wParam) || BusyCursorShown(msg))) return 0;
  if (self.Lost()) return 0;
  if (topLevel) {
    const int32_t before = focusKey_;
    TrackButtons(focusKey_, hwnd, msg, wParam, lParam);
    if (self.Lost()) return 0;
    if (before != 0 && focusKey_ != before && hoverKey_ == focusKey_) return ElementProc(hwnd, w, msg, wParam, lParam);
  }
  if (msg == Msg::LButtonUp && HoldsCapture(hwnd)) {
    ws::System().ReleaseCapture();
    if (self.Lost()) return 0;
    return ElementProc(hwnd, w, msg, wParam, lParam);
  }
  if (msg == Msg::LButtonDown) {
    SetFocusElement(hwnd, hoverKey_);
    if (self.Lost()) return 0;
  }
  const ElementRef hovered(hoverKey_);
  // Keys belong to the focused element alone; an element under the pointer
  // hears them only when it has the focus, or when nothing has.
  const ElementRef focused(focusKey_);
  const bool keysElsewhere =
      IsKeyboardMessage(msg) && focused && focused->focused != 0 && focused.Key() != hovered.Key();
  if (hovered && !IsFocusOrHoverEvent(msg) && hovered->hovered != 0 && !keysElsewhere) {
    if (!HoldsCapture(hwnd) || hovered->pressed != 0) {
      if (Deliver(hovered.Key(), hwnd, msg, wParam, lParam) == 0) return 0;
      if (self.Lost()) return 0;
    }
  }
  if (msg == Msg::MouseLeave) {
    UpdateHover(hwnd, 0);
    if (self.Lost()) return 0;
  }
  return ElementProc(hwnd, w, msg, wParam, lParam);
}

int32_t UiWindow::ElementProc(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  const ElementRef rec(key);
  if (!rec) return 0;
  // This object is alive while its own element is; for another key, while that is.
  const ElementRef self = key == key_ ? rec : ElementRef(key_);
  if (PreFilter(hwnd, key, msg, wParam, lParam) == 0) return 0;
  if (!rec || self.Lost()) return 0;
  if (MessageHook(hwnd, key, msg, wParam, lParam) == 0) return 0;
  if (!rec) return 0;
  if (rec->tag != ElementRecord::kWindowTag && rec->userHandler) {
    EventRoutine routine = rec->userHandler;
    if (routine(hwnd, key, msg, wParam, lParam) == 0) return 0;
    if (!rec) return 0;
  }
  if (rec->forwardToWindow != 0) {
    const ElementRef window(TopOf(key));
    if (window && window.Key() != key && window->IsTopLevelWindow() && window->userHandler) {
      EventRoutine routine = window->userHandler;
      if (routine(hwnd, key, msg, wParam, lParam) == 0) return 0;
    }
  }
  if (msg == Event::Paint && key == key_ && !self.Lost()) PaintEntry();
  return 1;
}

int32_t UiWindow::ElementAt(int32_t x, int32_t y, OptKey key, int32_t originX, int32_t originY) {
  const int32_t start = ResolveKey(key);
  ElementRecord* p = Registry().Find(start);
  const int32_t self = (start == key_) ? 0 : start;
  if (!p || p->children.empty()) return self;
  const int32_t baseX = originX + p->bounds.x + p->padding.left;
  const int32_t baseY = originY + p->bounds.y + p->padding.top;
  for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
    ElementRecord* c = Registry().Find(*it);
    if (!c || c->visible == 0 || c->alpha < 1 || (c->disabled & 1) != 0 || c->shown == 0) continue;
    if (c->bounds.Translated(baseX, baseY).Contains({x, y})) return ElementAt(x, y, *it, baseX, baseY);
  }
  return self;
}

void UiWindow::UpdateHover(Hwnd hwnd, int32_t k) {
  const ElementRef self(key_);
  const ElementRef rec(k);
  if (rec && rec->hovered == 0 && (!HoldsCapture(hwnd) || rec->pressed != 0)) {
    rec->hovered = 1;
    SendEvent(k, Event::MouseEnter);
    if (self.Lost()) return;
  }
  if (k != hoverKey_) {
    const ElementRef old(hoverKey_);
    if (old && old->hovered != 0) {
      old->hovered = 0;
      SendEvent(old.Key(), Event::MouseLeave);
      if (self.Lost()) return;
    }
  }
  hoverKey_ = k;
}

void UiWindow::SetFocusElement(Hwnd, int32_t k) {
  const ElementRef self(key_);
  bool keepOld = false;
  if (const ElementRef rec(k); rec) {
    if (k == savedFocusKey_) savedFocusKey_ = 0;
    if (rec->focused == 0) {
      rec->focused = 1;
      if (rec->keepsFocus == 0) {
        SendEvent(k, Event::FocusGained);
        if (self.Lost()) return;
      }
    }
    if (rec && rec->keepsFocus != 0) {
      // A focus-keeping element (a caption button) leaves the real focus where it
      // was. Focusing it again (its own press asks for focus) must not make it
      // its own saved element, or the focus would never come back.
      ElementRecord* saved = Registry().Find(savedFocusKey_);
      if (k != focusKey_ && (!saved || saved->keepsFocus == 0)) savedFocusKey_ = focusKey_;
      keepOld = true;
    }
  }
  if (!keepOld && k != focusKey_) {
    const ElementRef old(focusKey_);
    if (old && old->focused != 0) {
      old->focused = 0;
      if (old->keepsFocus != 0) {
        const ElementRef saved(savedFocusKey_);
        savedFocusKey_ = 0;
        if (saved && saved->focused != 0) {
          saved->focused = 0;
          SendEvent(saved.Key(), Event::FocusLost);
          if (self.Lost()) return;
        }
      } else {
        SendEvent(old.Key(), Event::FocusLost);
        if (self.Lost()) return;
      }
    }
  }
  const bool moved = k != focusKey_;
  focusKey_ = k;
  if (moved && k != 0) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::Focus), k);
}

int32_t UiWindow::TrackButtons(int32_t f, Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  const ElementRef self(key_);
  const ElementRef rec(f);
  if (!rec || rec->focused == 0) return 1;
  if (IsKeyboardMessage(msg)) {
    if (rec->hovered != 0) return 0;
    return Deliver(f, hwnd, msg, wParam, lParam);
  }
  if (rec->pressed != 0 && !IsFocusOrHoverEvent(msg)) {
    if (msg == Msg::LButtonUp) {
      rec->pressed = 0;
      // Releasing the capture tells the window at once, which runs handlers.
      ws::System().ReleaseCapture();
      if (self.Lost() || !rec) return 1;
    }
    // A pressed element keeps receiving the mouse while the pointer is outside it.
    if (rec->hovered == 0) {
      Deliver(f, hwnd, msg, wParam, lParam);
      if (self.Lost()) return 1;
    }
  }
  if (rec && rec->hovered != 0 && msg == Msg::LButtonUp) {
    SendEvent(f, Event::Click);
    if (self.Lost()) return 1;
    if (rec && rec->keepsFocus != 0) {
      rec->focused = 0;
      focusKey_ = savedFocusKey_;
      savedFocusKey_ = 0;
    }
  }
  return 1;
}

void UiWindow::Capture(OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  rec->pressed = 1;
  const Hwnd hwnd = WindowOf(rec->key);
  if (hwnd != 0) ws::System().SetCapture(hwnd);
}

void UiWindow::Focus(OptKey key) {
  const int32_t k = ResolveKey(key);
  ElementRecord* self = Rec({});
  if (self && self->IsTopLevelWindow()) {
    SetFocusElement(0, k);
    return;
  }
  const Hwnd hwnd = WindowOf(k);
  if (hwnd != 0) ws::System().Send(hwnd, Event::FocusRequest, static_cast<WParam>(k), 0);
}

void UiWindow::Unfocus(OptKey key) {
  ElementRecord* self = Rec({});
  if (self && self->IsTopLevelWindow()) {
    SetFocusElement(0, 0);
    return;
  }
  const Hwnd hwnd = WindowOf(ResolveKey(key));
  if (hwnd != 0) ws::System().Send(hwnd, Event::UnfocusRequest, 0, 0);
}

Point UiWindow::MousePosition(OptKey key) {
  const Point cursor = ws::System().CursorPos();
  const Point origin = PointToScreen({0, 0}, key);
  return {cursor.x - origin.x, cursor.y - origin.y};
}

}  // namespace quillmar
