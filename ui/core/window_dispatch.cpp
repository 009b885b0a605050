// Routing of window messages to elements: hover, focus, press and click
// tracking, and the window's own message handling.

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
  const int32_t baseX = originX + p->left + p->padding.left;
  const int32_t baseY = originY + p->top + p->padding.top;
  for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
    ElementRecord* c = Registry().Find(*it);
    if (!c || c->visible == 0 || c->alpha < 1 || (c->disabled & 1) != 0 || c->shown == 0) continue;
    const int32_t cx = baseX + c->left;
    const int32_t cy = baseY + c->top;
    if (cx <= x && x < cx + c->width && cy <= y && y < cy + c->height) return ElementAt(x, y, *it, baseX, baseY);
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

int32_t UiWindow::ChildProc(Hwnd, int32_t key, uint32_t msg, WParam, LParam) {
  if (msg != Event::Click || hwnd_ == 0 || !frame_) return 1;
  frame_->CaptionClick(key);
  return 1;
}

int32_t UiWindow::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  ws::WindowSystem& sys = ws::System();
  const ElementRef self(key_);
  if (!self) return 1;
  // A window object without a system window of its own (not bound, or placed
  // inside another element) only turns resizing into its routine's WM_SIZE.
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) {
    if (msg == Event::Resized) NotifyResize();
    return 1;
  }
  // The framework's own events carry no window: the routine hears them, but
  // they are not window messages for the sizing logic or the system.
  if (hwnd == 0) {
    if (key != key_) return 1;
    if (msg == Event::Resized) {
      NotifyResize();
      return 1;
    }
    if (EventRoutine routine = GetUserHandler(); routine && routine(hwnd, key, msg, wParam, lParam) == 0) return 0;
    return 1;
  }
  if (key != key_) {
    ChildProc(hwnd, key, msg, wParam, lParam);
    return 1;
  }
  if (GetResizable() != 0 || (sys.GetStyle(hwnd) & Style::ThickFrame) != 0) SizingHitTest(hwnd, msg);
  if (self.Lost()) return 0;
  switch (msg) {
    case Msg::NcLButtonDown:
      if (OsVersionCode() < 8 && sys.Placement(hwnd).showCmd == Show::Maximized) return 0;
      break;
    case Msg::KillFocus: {
      const Hwnd focus = sys.Focus();
      if (frame_) frame_->RecheckTip();
      if (sys.IsVisible(hwnd) && sys.Owner(focus) != hwnd) InvalidateRect();
      break;
    }
    case Msg::SetFocus:
      if (sys.IsVisible(hwnd)) InvalidateRect();
      // Back in the window (a menu or another program had the keyboard): a reader
      // follows the keyboard to the element that still holds it.
      if (focusKey_ != 0) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::Focus), focusKey_);
      break;
    case Msg::Move:
      if (!EffectBusy()) {
        const Rect r = sys.WindowRect(hwnd);
        SetGeometry(r.x, r.y, std::nullopt, std::nullopt);
        if (EventRoutine routine = GetUserHandler()) {
          routine(hwnd, key, Event::Moved, static_cast<WParam>(SignedLowWord(lParam)),
                  static_cast<LParam>(SignedHighWord(lParam)));
        }
      }
      break;
    case Event::DisabledChanged: {
      const uint32_t style = sys.GetStyle(hwnd);
      sys.SetStyle(hwnd, (wParam & 1) ? (style | Style::Disabled) : (style & ~Style::Disabled));
      break;
    }
    case Msg::ShowWindow:
      if (ElementRecord* r = Rec({})) r->visible = (wParam == 1) ? 1 : 0;
      // What changed while the window was hidden shows when it comes back.
      if (wParam == 1) PaintScheduler::Request(key_);
      break;
    case Msg::MouseMove:
      sys.TrackMouse(hwnd, Track::Hover | Track::Leave, 1);
      break;
    case Msg::SetCursor: {
      const uint32_t hit = LowWord(static_cast<uint64_t>(lParam));
      if (GetSizingCursorSet() != 0) return 0;
      if (hit >= Hit::Left && hit <= Hit::BottomRight) lParam = static_cast<LParam>(MakeLong(Hit::Client, hit));
      break;
    }
    case Msg::SysCommand:
      if (wParam >= SysCmd::SizeLeft && wParam <= SysCmd::SizeBottomRight) {
        SizingHitTest(hwnd, msg);
        // A size command outside the sizing band moves the window instead.
        if (GetSizingCursorSet() == 0) sys.Send(hwnd, Msg::NcLButtonDown, Hit::Caption, 0);
        return 1;
      }
      break;
    case Msg::LButtonDown:
      // A press that a control or the sizing band captured is not a window drag.
      if (GetDragAnywhere() != 0 && sys.Capture() != hwnd) sys.Send(hwnd, Msg::NcLButtonDown, Hit::Caption, 0);
      break;
    case Msg::WorkAreaChanged:
      UpdateWorkArea(hwnd);
      break;
    case Msg::GetMinMaxInfo: {
      const std::optional<Rect> p = MaximizedRect();
      if (p && lParam != 0) {
        auto* info = reinterpret_cast<ws::MinMaxInfo*>(lParam);
        info->maxSize = {p->width, p->height};
        info->maxPosition = p->Origin();
      }
      break;
    }
    case Msg::Size:
      if (wParam == SizeKind::Minimized && frame_) frame_->RecheckTip();
      // Coming back from the taskbar shows what changed while minimized.
      if (wParam == SizeKind::Restored || wParam == SizeKind::Maximized) PaintScheduler::Request(key_);
      if ((wParam == SizeKind::Restored || wParam == SizeKind::Maximized) && !EffectBusy()) {
        const Rect r = sys.WindowRect(hwnd);
        ElementRecord* self = Rec({});
        if (self && (r.width != self->width || r.height != self->height)) {
          if (frame_) frame_->ShowMaximizeState(wParam == SizeKind::Maximized);
          // The system may have moved the window too (maximizing does).
          Place(r.x, r.y, r.width, r.height);
        }
      }
      break;
    case Event::RepaintRequest:
      if (lParam == 0) {
        if (wParam == 0) Repaint();
        if (wParam == 1) Paint(key_, 1);
      }
      return 1;
    case Event::DeferredRepaint:
      sys.Post(hwnd, Event::RepaintRequest, 0, 0);
      return 1;
    case Event::FocusRequest:
      SetFocusElement(0, static_cast<int32_t>(wParam));
      return 1;
    case Event::UnfocusRequest:
      SetFocusElement(0, 0);
      return 1;
    case Msg::Destroy: {
      // The window goes whatever the user routine answers, so the binding and
      // the frame go with it; a routine that swallows the message only keeps
      // it from the previous procedure.
      const EventRoutine routine = GetUserHandler();
      const bool swallowed = routine && routine(hwnd, key, msg, wParam, lParam) == 0;
      if (self.Lost()) return 0;
      const ws::WindowProc previous = prevWndProc_;
      ReleaseWindow();
      if (swallowed) return 0;
      return sys.CallProc(previous, hwnd, msg, wParam, lParam) != 0 ? 1 : 0;
    }
    default:
      break;
  }
  // The cases above call out too (sizing, moving, the routine for WM_MOVE).
  if (self.Lost()) return 0;
  if (EventRoutine routine = GetUserHandler(); routine && routine(hwnd, key, msg, wParam, lParam) == 0) return 0;
  // The routine may have ended this object (closing a window often does).
  if (self.Lost()) return 0;
  UiEffect* close = frame_ ? &frame_->CloseEffect() : nullptr;
  if (msg == Msg::Close && close && close->Configured() && !close->Running() && !close->Finished() &&
      sys.IsWindow(hwnd)) {
    // The close effect plays first; the window closes when it has finished.
    const Rect r = sys.WindowRect(hwnd);
    close->SetTarget(r.x, r.y, r.width, r.height);
    if (const draw::Bitmap* picture = GetDib()) close->DrawBitmapToSnapshot(*picture);
    close->Start();
    return 0;
  }
  return sys.CallProc(prevWndProc_, hwnd, msg, wParam, lParam) != 0 ? 1 : 0;
}

}  // namespace quillmar
