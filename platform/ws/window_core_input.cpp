// WindowSystemCore: input state (capture, tracking, focus, keys, IME), timers
// and the translation of raw input into window messages.

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/ws/window_core.h"
#include "platform/ws/window_core_internal.h"

namespace quillmar::ws {

// --- Input state ---

WindowHandle WindowSystemCore::SetCapture(WindowHandle hwnd) {
  if (Find(hwnd) == nullptr) return capture_;
  const WindowHandle old = std::exchange(capture_, hwnd);
  if (old != hwnd) {
    NativeCapture(hwnd);
    if (old != 0) Deliver(old, Msg::CaptureChanged, 0, static_cast<LParam>(hwnd));
  }
  return old;
}

bool WindowSystemCore::ReleaseCapture() {
  const WindowHandle old = std::exchange(capture_, 0);
  if (old == 0) return true;
  NativeCapture(0);
  Deliver(old, Msg::CaptureChanged, 0, 0);
  // The leave held back while the window had the mouse arrives now.
  if (pointerWindow_ != old) SendLeave(old);
  return true;
}

bool WindowSystemCore::TrackMouse(WindowHandle hwnd, uint32_t flags, uint32_t hoverMs) {
  Record* r = Find(hwnd);
  if (r == nullptr) return false;
  if ((flags & Track::Cancel) != 0) {
    r->trackFlags &= ~(flags & (Track::Hover | Track::Leave));
    if ((flags & Track::Hover) != 0) StopHover(hwnd);
    return true;
  }
  // Tracking only makes sense while the pointer is over the window.
  if (pointerWindow_ != hwnd && capture_ != hwnd) {
    if ((flags & Track::Leave) != 0) Post(hwnd, Msg::MouseLeave, 0, 0);
    return true;
  }
  r->trackFlags |= flags & (Track::Hover | Track::Leave);
  if ((flags & Track::Hover) != 0) {
    r->hoverMs = (hoverMs == 0 || hoverMs == 0xFFFFFFFF) ? 400 : hoverMs;
    RestartHover(hwnd);
  }
  return true;
}

void WindowSystemCore::RestartHover(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || (r->trackFlags & Track::Hover) == 0) return;
  StopHover(hwnd);
  TimerEntry entry;
  entry.kind = TimerEntry::Kind::Hover;
  entry.hwnd = hwnd;
  entry.intervalMs = r->hoverMs;
  r->hoverTimer = AddTimer(std::move(entry));
}

void WindowSystemCore::StopHover(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || r->hoverTimer == 0) return;
  RemoveTimer(std::exchange(r->hoverTimer, 0));
}

void WindowSystemCore::SendLeave(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  const bool wanted = (r->trackFlags & Track::Leave) != 0;
  r->trackFlags = 0;
  StopHover(hwnd);
  if (wanted) Deliver(hwnd, Msg::MouseLeave, 0, 0);
}

WindowHandle WindowSystemCore::SetFocus(WindowHandle hwnd) {
  if (hwnd != 0 && Find(hwnd) == nullptr) return 0;
  const WindowHandle old = focus_;
  if (old == hwnd) return old;
  focus_ = hwnd;
  if (hwnd != 0) RaiseInZOrder(hwnd);
  // Also with none of ours focused: the input method must let go of the window.
  NativeFocus(hwnd);
  if (old != 0) Deliver(old, Msg::KillFocus, static_cast<WParam>(hwnd), 0);
  if (hwnd != 0 && focus_ == hwnd) Deliver(hwnd, Msg::SetFocus, static_cast<WParam>(old), 0);
  if (focus_ == hwnd) NotifyFocusWatchers();
  return old;
}

bool WindowSystemCore::SetForeground(WindowHandle hwnd) {
  if (Find(hwnd) == nullptr) return false;
  if (focus_ == hwnd) {
    // Ours already, but the desktop may have activated another window meanwhile.
    RaiseInZOrder(hwnd);
    NativeFocus(hwnd);
  } else {
    SetFocus(hwnd);
  }
  NativeZOrder(hwnd);
  return true;
}

bool WindowSystemCore::IsKeyDown(int vk) const {
  if (vk == Vk::Control) return keysDown_.count(Vk::LControl) != 0 || keysDown_.count(Vk::RControl) != 0;
  if (vk == Vk::Shift) return keysDown_.count(Vk::LShift) != 0 || keysDown_.count(Vk::RShift) != 0;
  if (vk == Vk::Menu) return keysDown_.count(Vk::LMenu) != 0 || keysDown_.count(Vk::RMenu) != 0;
  return keysDown_.count(vk) != 0;
}

void WindowSystemCore::SetKeyState(int vk, bool down) {
  // The generic modifier keys stand for their left-hand key.
  if (vk == Vk::Control) vk = Vk::LControl;
  if (vk == Vk::Shift) vk = Vk::LShift;
  if (vk == Vk::Menu) vk = Vk::LMenu;
  if (down) {
    keysDown_.insert(vk);
  } else {
    keysDown_.erase(vk);
  }
}

uint32_t WindowSystemCore::MouseKeyFlags() const {
  uint32_t flags = 0;
  if (IsKeyDown(Vk::LButton)) flags |= Mk::LButton;
  if (IsKeyDown(Vk::RButton)) flags |= Mk::RButton;
  if (IsKeyDown(Vk::MButton)) flags |= Mk::MButton;
  if (IsKeyDown(Vk::Shift)) flags |= Mk::Shift;
  if (IsKeyDown(Vk::Control)) flags |= Mk::Control;
  return flags;
}

// --- Timers ---

uint32_t WindowSystemCore::AddTimer(TimerEntry entry) {
  const uint32_t key = nextTimerKey_++;
  const uint32_t interval = entry.intervalMs;
  timers_.emplace(key, std::make_unique<TimerEntry>(std::move(entry)));
  NativeTimerStart(key, interval);
  return key;
}

void WindowSystemCore::RemoveTimer(uint32_t key) {
  if (timers_.erase(key) != 0) NativeTimerStop(key);
}

uint32_t WindowSystemCore::SetWindowTimer(WindowHandle hwnd, uint32_t id, uint32_t intervalMs, TimerCallback callback) {
  if (hwnd != 0 && Find(hwnd) == nullptr) return 0;
  // The classic minimum: a faster request runs at 10 ms.
  const uint32_t interval = std::clamp<uint32_t>(intervalMs, 10, 0x7FFFFFFF);
  if (id != 0) {
    for (const auto& [key, t] : timers_) {
      if (t->kind == TimerEntry::Kind::Window && t->hwnd == hwnd && t->id == id) {
        RemoveTimer(key);
        break;
      }
    }
  }
  TimerEntry entry;
  entry.kind = TimerEntry::Kind::Window;
  entry.hwnd = hwnd;
  entry.intervalMs = interval;
  if (callback) entry.callback = std::make_shared<const TimerCallback>(std::move(callback));
  const uint32_t key = nextTimerKey_;
  entry.id = (hwnd != 0 && id != 0) ? id : key;
  const uint32_t resultId = entry.id;
  AddTimer(std::move(entry));
  return resultId;
}

bool WindowSystemCore::KillWindowTimer(WindowHandle hwnd, uint32_t id) {
  for (const auto& [key, t] : timers_) {
    if (t->kind == TimerEntry::Kind::Window && t->hwnd == hwnd && t->id == id) {
      RemoveTimer(key);
      return true;
    }
  }
  return false;
}

uint32_t WindowSystemCore::StartPeriodicTimer(uint32_t intervalMs, TimerCallback callback) {
  TimerEntry entry;
  entry.kind = TimerEntry::Kind::Periodic;
  entry.intervalMs = std::max<uint32_t>(1, intervalMs);
  entry.callback = std::make_shared<const TimerCallback>(std::move(callback));
  entry.id = nextTimerKey_;
  return AddTimer(std::move(entry));
}

bool WindowSystemCore::StopPeriodicTimer(uint32_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end() || it->second->kind != TimerEntry::Kind::Periodic) return false;
  RemoveTimer(id);
  return true;
}

void WindowSystemCore::FireTimer(uint32_t timerKey) {
  auto it = timers_.find(timerKey);
  if (it == timers_.end()) return;  // killed after it fell due
  const TimerEntry t = *it->second;
  switch (t.kind) {
    case TimerEntry::Kind::Hover: {
      RemoveTimer(timerKey);
      Record* r = Find(t.hwnd);
      if (r == nullptr) return;
      r->hoverTimer = 0;
      if ((r->trackFlags & Track::Hover) == 0) return;
      r->trackFlags &= ~Track::Hover;
      const Point p = CursorPos();
      Deliver(t.hwnd, Msg::MouseHover, MouseKeyFlags(), PackPoint(p.x - r->rect.x, p.y - r->rect.y));
      return;
    }
    case TimerEntry::Kind::Window:
      if (t.callback) {
        (*t.callback)(t.id);
      } else if (t.hwnd != 0) {
        Deliver(t.hwnd, Msg::Timer, t.id, 0);
      }
      return;
    case TimerEntry::Kind::Periodic:
      (*t.callback)(t.id);
      return;
  }
}

// --- Input ---

void WindowSystemCore::PointerEntered(WindowHandle hwnd, Point /*screen*/) {
  if (pointerWindow_ == hwnd) return;
  const WindowHandle old = std::exchange(pointerWindow_, hwnd);
  // While a window holds the mouse it is still "under" it for tracking.
  if (old != 0 && old != capture_) SendLeave(old);
}

uint32_t WindowSystemCore::WatchPointer(PointerWatcher watcher) {
  if (!watcher) return 0;
  const uint32_t id = nextWatcher_++;
  pointerWatchers_.emplace(id, std::make_shared<PointerWatcher>(std::move(watcher)));
  return id;
}

void WindowSystemCore::UnwatchPointer(uint32_t id) { pointerWatchers_.erase(id); }

void WindowSystemCore::NotifyPointerWatchers() {
  // A watcher may add or remove watchers (its own too) while it runs.
  std::vector<uint32_t> ids;
  for (const auto& [id, w] : pointerWatchers_) ids.push_back(id);
  for (uint32_t id : ids) {
    auto it = pointerWatchers_.find(id);
    if (it == pointerWatchers_.end()) continue;
    const std::shared_ptr<PointerWatcher> watcher = it->second;
    (*watcher)(CursorPos());
  }
}

void WindowSystemCore::InputMouseMove(Point screen, WindowHandle under, uint32_t keyFlags) {
  if (under != 0 && !IsEnabled(under)) under = 0;
  PointerEntered(under, screen);
  NotifyPointerWatchers();
  const WindowHandle target = capture_ != 0 ? capture_ : under;
  if (target == 0) return;
  if (capture_ == 0) {
    Deliver(target, Msg::SetCursor, static_cast<WParam>(target),
            static_cast<LParam>(MakeLong(ToWire(HitTest::Client), Msg::MouseMove)));
  }
  const Record* r = Find(target);
  if (r == nullptr) return;
  Deliver(target, Msg::MouseMove, keyFlags, PackPoint(screen.x - r->rect.x, screen.y - r->rect.y));
  RestartHover(target);
}

bool WindowSystemCore::PairPress(Point screen, WindowHandle under, int button, uint32_t timeMs,
                                 uint32_t desktopDoubleClickMs) {
  // The classic double-click time and half its 4-pixel box.
  constexpr uint32_t kMinDoubleClickMs = 500;
  constexpr int32_t kSlop = 2;
  const WindowHandle target = capture_ != 0 ? capture_ : under;
  const uint32_t limit = std::max(desktopDoubleClickMs, kMinDoubleClickMs);
  const std::optional<PressRecord> last = lastPress_;
  // Press times are 32-bit milliseconds that may wrap: the difference is taken in the same width.
  const bool second = last && !last->second && button == last->button && target == last->hwnd &&
                      static_cast<uint32_t>(timeMs - last->timeMs) <= limit &&
                      std::abs(screen.x - last->at.x) <= kSlop && std::abs(screen.y - last->at.y) <= kSlop;
  lastPress_ = PressRecord{timeMs, screen, button, target, second};
  return second;
}

void WindowSystemCore::InputButton(Point screen, WindowHandle under, int button, bool down, bool doubleClick,
                                   uint32_t keyFlags) {
  if (under != 0 && !IsEnabled(under)) {
    // A press on a window that a box of its own disables brings the box forward
    // with the keyboard; the disabled window itself stays inactive.
    if (down && capture_ == 0) {
      if (const WindowHandle popup = EnabledPopupOf(under); popup != 0) SetForeground(popup);
    }
    under = 0;
  }
  static constexpr uint32_t kDown[] = {Msg::LButtonDown, Msg::RButtonDown, Msg::MButtonDown};
  static constexpr uint32_t kUp[] = {Msg::LButtonUp, Msg::RButtonUp, Msg::MButtonUp};
  static constexpr uint32_t kDbl[] = {Msg::LButtonDblClk, Msg::RButtonDblClk, Msg::MButtonDblClk};
  button = std::clamp(button, 0, 2);
  PointerEntered(under, screen);
  const WindowHandle target = capture_ != 0 ? capture_ : under;
  if (target == 0) return;
  const Record* r = Find(target);
  if (r == nullptr) return;
  uint32_t msg = down ? kDown[button] : kUp[button];
  if (down && doubleClick) {
    auto cls = classes_.find(r->className);
    if (cls != classes_.end() && (cls->second.style & ClassStyle::DblClks) != 0) msg = kDbl[button];
  }
  if (down) {
    if ((r->exStyle & ExStyle::NoActivate) == 0 && focus_ != target && capture_ == 0) SetFocus(target);
    if ((r = Find(target)) == nullptr) return;
    if (capture_ == 0) {
      Deliver(target, Msg::SetCursor, static_cast<WParam>(target),
              static_cast<LParam>(MakeLong(ToWire(HitTest::Client), msg)));
      if ((r = Find(target)) == nullptr) return;
    }
  }
  Deliver(target, msg, keyFlags, PackPoint(screen.x - r->rect.x, screen.y - r->rect.y));
}

void WindowSystemCore::InputWheel(Point screen, WindowHandle under, int32_t delta, bool horizontal, uint32_t keyFlags) {
  if (under != 0 && !IsEnabled(under)) under = 0;
  const WindowHandle target = capture_ != 0 ? capture_ : (under != 0 ? under : focus_);
  if (target == 0) return;
  Deliver(target, horizontal ? Msg::MouseHWheel : Msg::MouseWheel,
          static_cast<WParam>(MakeLong(keyFlags, static_cast<uint32_t>(delta))), PackPoint(screen.x, screen.y));
}

void WindowSystemCore::InputKey(int vk, bool down, uint32_t scanCode, int stateVk) {
  if (stateVk == 0) stateVk = vk;
  const bool repeat = down && IsKeyDown(stateVk);
  SetKeyState(stateVk, down);
  keyWindow_ = down ? focus_ : 0;
  if (focus_ == 0 || !IsEnabled(focus_)) return;
  const bool alt = IsKeyDown(Vk::Menu) && !IsKeyDown(Vk::Control);
  uint32_t lParam = 1 | ((scanCode & 0xFF) << 16);
  if (alt) lParam |= 1u << 29;
  if (repeat) lParam |= 1u << 30;
  if (!down) lParam |= (1u << 30) | (1u << 31);
  const uint32_t msg = alt || vk == Vk::Menu || vk == Vk::LMenu || vk == Vk::RMenu
                           ? (down ? Msg::SysKeyDown : Msg::SysKeyUp)
                           : (down ? Msg::KeyDown : Msg::KeyUp);
  Deliver(focus_, msg, static_cast<WParam>(vk), static_cast<LParam>(lParam));
}

void WindowSystemCore::InputChar(uint32_t code, LParam lParam) {
  if (focus_ == 0 || !IsEnabled(focus_)) return;
  // A press that took the keyboard elsewhere (Space choosing an item of a menu,
  // which closes it) does not type its character into the window that gets it.
  if (keyWindow_ != 0 && keyWindow_ != focus_) return;
  Deliver(focus_, Msg::Char, code, lParam);
}

void WindowSystemCore::InputGeometry(WindowHandle hwnd, Rect rect) {
  const Record* r = Find(hwnd);
  if (r == nullptr) return;
  const Rect asked = rect;
  rect.width = std::max(rect.width, r->minSize.width);
  rect.height = std::max(rect.height, r->minSize.height);
  // The desktop already shows the refused size: take it back there too.
  if (rect != asked) NativeGeometry(hwnd, rect);
  ApplyGeometry(hwnd, rect, true);
}

void WindowSystemCore::InputMoveDragEnded(WindowHandle hwnd, Point screen) {
  // The drag swallowed the release; the window still has to hear that the
  // button is up (a caption drag ends with a non-client button-up).
  if (Find(hwnd) == nullptr) return;
  Deliver(hwnd, Msg::NcLButtonUp, ToWire(HitTest::Caption), PackPoint(screen.x, screen.y));
}

void WindowSystemCore::InputFocus(WindowHandle hwnd) {
  if (hwnd != 0 && !IsEnabled(hwnd)) {
    // The desktop activated a disabled window (a click, the panel): the box it
    // waits on takes the focus instead.
    if (const WindowHandle popup = EnabledPopupOf(hwnd); popup != 0 && popup != focus_) SetForeground(popup);
    return;
  }
  SetFocus(hwnd);
}

WindowHandle WindowSystemCore::EnabledPopupOf(WindowHandle hwnd) const {
  // Top of the z-order first: the newest box above the older ones.
  for (WindowHandle h : zOrder_) {
    const Record* r = Find(h);
    if (r == nullptr || r->destroying || (r->style & Style::Visible) == 0 || (r->style & Style::Disabled) != 0 ||
        (r->exStyle & ExStyle::NoActivate) != 0) {
      continue;
    }
    for (WindowHandle o = r->owner; o != 0; o = Find(o) != nullptr ? Find(o)->owner : 0) {
      if (o == hwnd) return h;
    }
  }
  return 0;
}

void WindowSystemCore::InputIconic(WindowHandle hwnd, bool iconic) {
  if (!IsWindow(hwnd) || IsIconic(hwnd) == iconic) return;
  ShowWindow(hwnd, iconic ? Show::MinNoActive : Show::Restore);
}

void WindowSystemCore::InputCloseRequest(WindowHandle hwnd) {
  if (IsWindow(hwnd)) Deliver(hwnd, Msg::SysCommand, SysCmd::Close, 0);
}

}  // namespace quillmar::ws
