#include "platform/ws/window_core.h"

#include <algorithm>
#include <future>
#include <utility>

namespace quillmar::ws {

struct WindowSystemCore::Record {
  std::string className;
  std::string title;
  Rect rect;
  Rect normalRect;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  WindowHandle owner = 0;
  // Shared so that a procedure replacing itself while it runs stays alive.
  std::shared_ptr<const WindowProc> proc;
  int showState = Show::Normal;  // Normal, Minimized or Maximized
  bool destroying = false;
  uint32_t trackFlags = 0;
  uint32_t hoverMs = 0;
  uint32_t hoverTimer = 0;
  Point imePoint;
};

struct WindowSystemCore::TimerEntry {
  enum class Kind { Window, Periodic, Hover };
  Kind kind = Kind::Window;
  WindowHandle hwnd = 0;
  uint32_t id = 0;
  uint32_t intervalMs = 0;
  std::shared_ptr<const TimerCallback> callback;
};

struct WindowSystemCore::Posted {
  WindowHandle hwnd = 0;
  uint32_t msg = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::function<void()> task;
};

namespace {

LParam PackPoint(int32_t x, int32_t y) {
  return static_cast<LParam>(MakeLong(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

}  // namespace

WindowSystemCore::WindowSystemCore() : uiThread_(std::this_thread::get_id()) {}

WindowSystemCore::~WindowSystemCore() = default;

WindowSystemCore::Record* WindowSystemCore::Find(WindowHandle hwnd) {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.get();
}

const WindowSystemCore::Record* WindowSystemCore::Find(WindowHandle hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.get();
}

// --- Classes ---

bool WindowSystemCore::AddWindowClass(const WindowClass& cls) {
  return classes_.emplace(cls.name, cls).second;
}

std::optional<WindowClass> WindowSystemCore::WindowClassOf(std::string_view name) const {
  auto it = classes_.find(name);
  if (it == classes_.end()) return std::nullopt;
  return it->second;
}

CursorHandle WindowSystemCore::ClassCursor(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  auto it = classes_.find(r->className);
  return it == classes_.end() ? 0 : it->second.cursor;
}

CursorHandle WindowSystemCore::SetClassCursor(WindowHandle hwnd, CursorHandle cursor) {
  const Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  auto it = classes_.find(r->className);
  if (it == classes_.end()) return 0;
  return std::exchange(it->second.cursor, cursor);
}

// --- Windows ---

WindowHandle WindowSystemCore::OpenWindow(const WindowCreateParams& params) {
  auto cls = classes_.find(params.className);
  if (cls == classes_.end()) return 0;
  const WindowHandle hwnd = nextHandle_++;
  auto record = std::make_unique<Record>();
  record->className = params.className;
  record->title = params.title;
  record->rect = Rect{params.x, params.y, params.x + std::max(0, params.width), params.y + std::max(0, params.height)};
  record->normalRect = record->rect;
  record->style = params.style & ~(Style::Visible | Style::Minimize | Style::Maximize);
  record->exStyle = params.exStyle;
  record->owner = Find(params.owner) != nullptr ? params.owner : 0;
  if (cls->second.proc) record->proc = std::make_shared<const WindowProc>(cls->second.proc);
  windows_.emplace(hwnd, std::move(record));
  zOrder_.push_back(hwnd);
  RaiseInZOrder(hwnd);
  NativeCreate(hwnd);

  WindowCreateParams copy = params;
  if (Deliver(hwnd, Msg::Create, 0, reinterpret_cast<LParam>(&copy)) == -1) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (!IsWindow(hwnd)) return 0;
  Deliver(hwnd, Msg::Size, SizeKind::Restored,
          static_cast<LParam>(MakeLong(static_cast<uint32_t>(std::max(0, params.width)),
                                       static_cast<uint32_t>(std::max(0, params.height)))));
  Deliver(hwnd, Msg::Move, 0, PackPoint(params.x, params.y));
  if (IsWindow(hwnd) && (params.style & Style::Visible) != 0) {
    ShowWindow(hwnd, (params.style & Style::Maximize) != 0 ? Show::Maximized : Show::Shown);
  }
  return IsWindow(hwnd) ? hwnd : 0;
}

bool WindowSystemCore::DestroyWindow(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || r->destroying) return false;
  r->destroying = true;
  // Owned windows go first, newest first.
  std::vector<WindowHandle> owned;
  for (const auto& [h, rec] : windows_) {
    if (rec->owner == hwnd) owned.push_back(h);
  }
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) DestroyWindow(*it);

  r = Find(hwnd);
  if (r == nullptr) return false;
  if ((r->style & Style::Visible) != 0) {
    r->style &= ~Style::Visible;
    NativeShow(hwnd, false);
  }
  if (focus_ == hwnd) {
    const Record* owner = Find(r->owner);
    WindowHandle next = (owner != nullptr && !owner->destroying && (owner->style & Style::Visible) != 0) ? r->owner : 0;
    focus_ = next;
    Deliver(hwnd, Msg::KillFocus, static_cast<WParam>(next), 0);
    if (next != 0 && focus_ == next) {
      NativeFocus(next);
      Deliver(next, Msg::SetFocus, static_cast<WParam>(hwnd), 0);
    }
  }
  if (capture_ == hwnd) {
    capture_ = 0;
    NativeCapture(0);
    Deliver(hwnd, Msg::CaptureChanged, 0, 0);
  }
  std::vector<uint32_t> ownTimers;
  for (const auto& [key, t] : timers_) {
    if (t->hwnd == hwnd) ownTimers.push_back(key);
  }
  for (uint32_t key : ownTimers) RemoveTimer(key);
  if (pointerWindow_ == hwnd) pointerWindow_ = 0;

  Deliver(hwnd, Msg::Destroy, 0, 0);
  Deliver(hwnd, Msg::NcDestroy, 0, 0);
  NativeDestroy(hwnd);
  windows_.erase(hwnd);
  std::erase(zOrder_, hwnd);
  // A nested loop waiting for this window must look again.
  WakeLoop();
  return true;
}

bool WindowSystemCore::IsWindow(WindowHandle hwnd) const { return Find(hwnd) != nullptr; }

std::vector<WindowHandle> WindowSystemCore::TopLevelWindows() const { return zOrder_; }

WindowHandle WindowSystemCore::FindWindowByTitle(std::string_view title) const {
  for (WindowHandle h : zOrder_) {
    if (Find(h)->title == title) return h;
  }
  return 0;
}

WindowHandle WindowSystemCore::Owner(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? 0 : r->owner;
}

std::string WindowSystemCore::ClassName(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? std::string() : r->className;
}

std::string WindowSystemCore::Title(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? std::string() : r->title;
}

void WindowSystemCore::SetTitle(WindowHandle hwnd, std::string_view title) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  r->title = std::string(title);
  NativeTitle(hwnd);
}

uint32_t WindowSystemCore::GetStyle(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  uint32_t style = r->style;
  if (r->showState == Show::Minimized) style |= Style::Minimize;
  if (r->showState == Show::Maximized) style |= Style::Maximize;
  return style;
}

uint32_t WindowSystemCore::SetStyle(WindowHandle hwnd, uint32_t style) {
  Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  const uint32_t old = GetStyle(hwnd);
  r->style = style & ~(Style::Minimize | Style::Maximize);
  // A window that becomes disabled while it holds the mouse loses it.
  if ((style & Style::Disabled) != 0 && capture_ == hwnd) ReleaseCapture();
  return old;
}

uint32_t WindowSystemCore::GetExStyle(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? 0 : r->exStyle;
}

uint32_t WindowSystemCore::SetExStyle(WindowHandle hwnd, uint32_t exStyle) {
  Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  const uint32_t old = std::exchange(r->exStyle, exStyle);
  if ((old ^ exStyle) & ExStyle::Topmost) {
    RaiseInZOrder(hwnd);
    NativeZOrder(hwnd);
  }
  return old;
}

bool WindowSystemCore::IsEnabled(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r != nullptr && (r->style & Style::Disabled) == 0;
}

bool WindowSystemCore::Enable(WindowHandle hwnd, bool enable) {
  Record* r = Find(hwnd);
  if (r == nullptr) return false;
  const bool wasDisabled = (r->style & Style::Disabled) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  SetStyle(hwnd, enable ? (r->style & ~Style::Disabled) : (r->style | Style::Disabled));
  if (!enable && focus_ == hwnd) SetFocus(0);
  Deliver(hwnd, Msg::Enable, enable ? 1 : 0, 0);
  return wasDisabled;
}

void WindowSystemCore::SetVisibleFlag(WindowHandle hwnd, bool visible) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  if (((r->style & Style::Visible) != 0) == visible) return;
  Deliver(hwnd, Msg::ShowWindow, visible ? 1 : 0, 0);
  r = Find(hwnd);
  if (r == nullptr) return;
  if (visible) {
    r->style |= Style::Visible;
  } else {
    r->style &= ~Style::Visible;
  }
  NativeShow(hwnd, visible);
  if (!visible) {
    if (capture_ == hwnd) ReleaseCapture();
    if (focus_ == hwnd) {
      const Record* owner = Find(r->owner);
      SetFocus(owner != nullptr && (owner->style & Style::Visible) != 0 ? r->owner : 0);
    }
  }
}

bool WindowSystemCore::ShowWindow(WindowHandle hwnd, int cmd) {
  Record* r = Find(hwnd);
  if (r == nullptr) return false;
  const bool wasVisible = (r->style & Style::Visible) != 0;
  const bool activate = (r->exStyle & ExStyle::NoActivate) == 0;
  switch (cmd) {
    case Show::Hide:
      SetVisibleFlag(hwnd, false);
      break;
    case Show::Minimized:
    case Show::Minimize:
    case Show::MinNoActive:
      SetVisibleFlag(hwnd, true);
      if ((r = Find(hwnd)) != nullptr && r->showState != Show::Minimized) {
        if (r->showState == Show::Normal) r->normalRect = r->rect;
        r->showState = Show::Minimized;
        Deliver(hwnd, Msg::Size, SizeKind::Minimized, 0);
      }
      if (focus_ == hwnd) SetFocus(0);
      break;
    case Show::Maximized:
      SetVisibleFlag(hwnd, true);
      Maximize(hwnd);
      if (activate) SetFocus(hwnd);
      break;
    case Show::Normal:
    case Show::Restore:
      SetVisibleFlag(hwnd, true);
      Restore(hwnd);
      if (activate) SetFocus(hwnd);
      break;
    case Show::Shown:
      SetVisibleFlag(hwnd, true);
      if (activate) SetFocus(hwnd);
      break;
    default:  // the no-activate forms
      SetVisibleFlag(hwnd, true);
      break;
  }
  return wasVisible;
}

void WindowSystemCore::Maximize(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || r->showState == Show::Maximized) return;
  if (r->showState == Show::Normal) r->normalRect = r->rect;
  const Rect work = WorkArea();
  MinMaxInfo info;
  info.maxSize = {work.Width(), work.Height()};
  info.maxPosition = {work.left, work.top};
  info.maxTrackSize = {ScreenSize().width, ScreenSize().height};
  Deliver(hwnd, Msg::GetMinMaxInfo, 0, reinterpret_cast<LParam>(&info));
  r = Find(hwnd);
  if (r == nullptr) return;
  r->showState = Show::Maximized;
  ApplyGeometry(hwnd, Rect{info.maxPosition.x, info.maxPosition.y, info.maxPosition.x + info.maxSize.x,
                           info.maxPosition.y + info.maxSize.y},
                false);
  Deliver(hwnd, Msg::Size, SizeKind::Maximized,
          static_cast<LParam>(MakeLong(static_cast<uint32_t>(info.maxSize.x), static_cast<uint32_t>(info.maxSize.y))));
  Deliver(hwnd, Msg::Move, 0, PackPoint(info.maxPosition.x, info.maxPosition.y));
}

void WindowSystemCore::Restore(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || r->showState == Show::Normal) return;
  r->showState = Show::Normal;
  const Rect normal = r->normalRect;
  ApplyGeometry(hwnd, normal, false);
  Deliver(hwnd, Msg::Size, SizeKind::Restored,
          static_cast<LParam>(MakeLong(static_cast<uint32_t>(normal.Width()), static_cast<uint32_t>(normal.Height()))));
  Deliver(hwnd, Msg::Move, 0, PackPoint(normal.left, normal.top));
}

bool WindowSystemCore::IsVisible(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r != nullptr && (r->style & Style::Visible) != 0;
}

bool WindowSystemCore::IsIconic(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r != nullptr && r->showState == Show::Minimized;
}

bool WindowSystemCore::IsZoomed(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r != nullptr && r->showState == Show::Maximized;
}

WindowPlacement WindowSystemCore::Placement(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  if (r == nullptr) return {};
  return WindowPlacement{r->showState, r->showState == Show::Normal ? r->rect : r->normalRect};
}

Rect WindowSystemCore::WindowRect(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? Rect{} : r->rect;
}

void WindowSystemCore::ApplyGeometry(WindowHandle hwnd, Rect rect, bool sendMessages) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  const Rect old = r->rect;
  r->rect = rect;
  if (r->showState == Show::Normal) r->normalRect = rect;
  if (old != rect) NativeGeometry(hwnd, rect);
  if (!sendMessages) return;
  if (old.Width() != rect.Width() || old.Height() != rect.Height()) {
    Deliver(hwnd, Msg::Size, r->showState == Show::Maximized ? SizeKind::Maximized : SizeKind::Restored,
            static_cast<LParam>(MakeLong(static_cast<uint32_t>(rect.Width()), static_cast<uint32_t>(rect.Height()))));
  }
  if (old.left != rect.left || old.top != rect.top) Deliver(hwnd, Msg::Move, 0, PackPoint(rect.left, rect.top));
}

bool WindowSystemCore::MoveWindow(WindowHandle hwnd, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (Find(hwnd) == nullptr) return false;
  ApplyGeometry(hwnd, Rect{x, y, x + std::max(0, width), y + std::max(0, height)}, true);
  return true;
}

bool WindowSystemCore::SetPosition(WindowHandle hwnd, WindowHandle insertAfter, int32_t x, int32_t y, int32_t width,
                                   int32_t height, uint32_t flags) {
  Record* r = Find(hwnd);
  if (r == nullptr) return false;
  if ((flags & Swp::NoZOrder) == 0) {
    if (insertAfter == kInsertTopmost) r->exStyle |= ExStyle::Topmost;
    if (insertAfter == kInsertNoTopmost) r->exStyle &= ~ExStyle::Topmost;
    RaiseInZOrder(hwnd);
    NativeZOrder(hwnd);
  }
  Rect rect = r->rect;
  if ((flags & Swp::NoMove) == 0) rect = Rect{x, y, x + rect.Width(), y + rect.Height()};
  if ((flags & Swp::NoSize) == 0) rect.right = rect.left + std::max(0, width), rect.bottom = rect.top + std::max(0, height);
  ApplyGeometry(hwnd, rect, true);
  if ((flags & Swp::ShowWindow) != 0) ShowWindow(hwnd, (flags & Swp::NoActivate) != 0 ? Show::NoActivateSame : Show::Shown);
  if ((flags & Swp::HideWindow) != 0) ShowWindow(hwnd, Show::Hide);
  return true;
}

void WindowSystemCore::RaiseInZOrder(WindowHandle hwnd) {
  const Record* r = Find(hwnd);
  if (r == nullptr) return;
  std::erase(zOrder_, hwnd);
  auto pos = zOrder_.begin();
  if ((r->exStyle & ExStyle::Topmost) == 0) {
    // Below every topmost window.
    while (pos != zOrder_.end() && (Find(*pos)->exStyle & ExStyle::Topmost) != 0) ++pos;
  }
  zOrder_.insert(pos, hwnd);
}

// --- Procedures and messages ---

WindowProc WindowSystemCore::GetWindowProc(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return (r == nullptr || !r->proc) ? WindowProc() : *r->proc;
}

WindowProc WindowSystemCore::ReplaceWindowProc(WindowHandle hwnd, WindowProc proc) {
  Record* r = Find(hwnd);
  if (r == nullptr) return {};
  WindowProc old = r->proc ? *r->proc : WindowProc();
  r->proc = proc ? std::make_shared<const WindowProc>(std::move(proc)) : nullptr;
  return old;
}

LResult WindowSystemCore::Deliver(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  const Record* r = Find(hwnd);
  if (r == nullptr) return 0;
  std::shared_ptr<const WindowProc> proc = r->proc;
  if (!proc) return DefaultProc(hwnd, msg, wParam, lParam);
  return (*proc)(hwnd, msg, wParam, lParam);
}

LResult WindowSystemCore::DefaultProc(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  switch (msg) {
    case Msg::Close:
      DestroyWindow(hwnd);
      return 0;
    case Msg::NcLButtonDown:
      if (wParam == Hit::Caption && IsKeyDown(Vk::LButton) && IsWindow(hwnd) && !IsZoomed(hwnd)) {
        NativeBeginMoveDrag(hwnd);
      }
      return 0;
    case Msg::SysCommand:
      switch (wParam & 0xFFF0) {
        case SysCmd::Minimize:
          ShowWindow(hwnd, Show::Minimize);
          return 0;
        case SysCmd::Maximize:
          ShowWindow(hwnd, Show::Maximized);
          return 0;
        case SysCmd::Restore:
          ShowWindow(hwnd, Show::Restore);
          return 0;
        case SysCmd::Close:
          Send(hwnd, Msg::Close, 0, 0);
          return 0;
        case SysCmd::Move:
          if (IsKeyDown(Vk::LButton)) NativeBeginMoveDrag(hwnd);
          return 0;
        default:
          return 0;
      }
    case Msg::SetCursor: {
      const uint32_t hit = LowWord(static_cast<uint64_t>(lParam));
      CursorHandle cursor = 0;
      if (hit == Hit::Client) {
        cursor = ClassCursor(hwnd);
      } else if (hit == Hit::Left || hit == Hit::Right) {
        cursor = LoadSystemCursor(SystemCursor::SizeWe);
      } else if (hit == Hit::Top || hit == Hit::Bottom) {
        cursor = LoadSystemCursor(SystemCursor::SizeNs);
      } else if (hit == Hit::TopLeft || hit == Hit::BottomRight) {
        cursor = LoadSystemCursor(SystemCursor::SizeNwse);
      } else if (hit == Hit::TopRight || hit == Hit::BottomLeft) {
        cursor = LoadSystemCursor(SystemCursor::SizeNesw);
      }
      if (cursor == 0) return 0;
      SetCursor(cursor);
      return 1;
    }
    case Msg::NcHitTest:
      return Hit::Client;
    case Msg::SysKeyDown:
      if (wParam == static_cast<WParam>(Vk::F1 + 3) && IsKeyDown(Vk::Menu)) {  // Alt+F4
        Send(hwnd, Msg::SysCommand, SysCmd::Close, 0);
      }
      return 0;
    default:
      return 0;
  }
}

LResult WindowSystemCore::Send(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  if (OnUiThread()) return Deliver(hwnd, msg, wParam, lParam);
  auto task = std::make_shared<std::packaged_task<LResult()>>(
      [this, hwnd, msg, wParam, lParam] { return Deliver(hwnd, msg, wParam, lParam); });
  std::future<LResult> result = task->get_future();
  PostTask([task] { (*task)(); });
  return result.get();
}

bool WindowSystemCore::Post(WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  bool wasEmpty = false;
  {
    std::lock_guard lock(queueMutex_);
    wasEmpty = queue_.empty();
    queue_.push_back(Posted{hwnd, msg, wParam, lParam, {}});
  }
  if (wasEmpty) WakeLoop();
  return true;
}

void WindowSystemCore::PostTask(std::function<void()> task) {
  bool wasEmpty = false;
  {
    std::lock_guard lock(queueMutex_);
    wasEmpty = queue_.empty();
    queue_.push_back(Posted{0, Msg::Null, 0, 0, std::move(task)});
  }
  if (wasEmpty) WakeLoop();
}

void WindowSystemCore::PostQuit(int exitCode) { Post(0, Msg::Quit, static_cast<WParam>(exitCode), 0); }

bool WindowSystemCore::DrainPosted() {
  std::deque<Posted> batch;
  {
    std::lock_guard lock(queueMutex_);
    batch.swap(queue_);
  }
  for (Posted& p : batch) {
    if (p.task) {
      p.task();
    } else if (p.hwnd == 0) {
      if (p.msg == Msg::Quit) {
        quitPending_ = true;
        quitCode_ = static_cast<int>(p.wParam);
      }
    } else {
      Deliver(p.hwnd, p.msg, p.wParam, p.lParam);
    }
  }
  return !batch.empty();
}

bool WindowSystemCore::LoopWhile(const std::function<bool()>& keepRunning) {
  ++loopDepth_;
  bool quit = false;
  for (;;) {
    DrainPosted();
    if (quitPending_) {
      quit = true;
      break;
    }
    if (!keepRunning()) break;
    if (!WaitForWork(keepRunning)) break;
  }
  --loopDepth_;
  return !quit;
}

int WindowSystemCore::RunLoop() {
  LoopWhile([] { return true; });
  if (!quitPending_) return 0;
  quitPending_ = false;
  return quitCode_;
}

bool WindowSystemCore::RunModalLoop(WindowHandle hwnd) {
  // The quit stays pending, which hands it on to the outer loop.
  return LoopWhile([this, hwnd] { return IsWindow(hwnd); });
}

bool WindowSystemCore::OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

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
  if (hwnd != 0) {
    RaiseInZOrder(hwnd);
    NativeFocus(hwnd);
  }
  if (old != 0) Deliver(old, Msg::KillFocus, static_cast<WParam>(hwnd), 0);
  if (hwnd != 0 && focus_ == hwnd) Deliver(hwnd, Msg::SetFocus, static_cast<WParam>(old), 0);
  return old;
}

bool WindowSystemCore::SetForeground(WindowHandle hwnd) {
  if (Find(hwnd) == nullptr) return false;
  SetFocus(hwnd);
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

void WindowSystemCore::SetImePosition(WindowHandle hwnd, Point clientPoint) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  r->imePoint = clientPoint;
  NativeImePosition(hwnd, clientPoint);
}

Point WindowSystemCore::ImePosition(WindowHandle hwnd) const {
  const Record* r = Find(hwnd);
  return r == nullptr ? Point{} : r->imePoint;
}

std::u16string WindowSystemCore::ImeResult(WindowHandle /*hwnd*/) const { return imeResult_; }

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

uint32_t WindowSystemCore::SetWindowTimer(WindowHandle hwnd, uint32_t id, uint32_t intervalMs,
                                          TimerCallback callback) {
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
      Deliver(t.hwnd, Msg::MouseHover, MouseKeyFlags(), PackPoint(p.x - r->rect.left, p.y - r->rect.top));
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

// --- Layered output ---

bool WindowSystemCore::PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture,
                                      uint8_t constantAlpha) {
  Record* r = Find(hwnd);
  if (r == nullptr || (r->exStyle & ExStyle::Layered) == 0) return false;
  if (size.width <= 0 || size.height <= 0 || picture.data == nullptr) return false;
  if (picture.width < 0 || picture.height < 0 || picture.stride < picture.width * 4) return false;
  ApplyGeometry(hwnd, Rect{pos.x, pos.y, pos.x + size.width, pos.y + size.height}, true);
  if (Find(hwnd) == nullptr) return false;
  return NativePresent(hwnd, pos, size, picture, constantAlpha);
}

bool WindowSystemCore::PaintWindow(WindowHandle hwnd, const PixelView& picture) {
  const Record* r = Find(hwnd);
  if (r == nullptr || (r->exStyle & ExStyle::Layered) != 0 || picture.data == nullptr) return false;
  const Size size{r->rect.Width(), r->rect.Height()};
  if (size.width <= 0 || size.height <= 0) return false;
  std::vector<uint32_t> opaque(static_cast<size_t>(size.width) * size.height, 0xFF000000);
  for (int32_t y = 0; y < std::min(size.height, picture.height); ++y) {
    for (int32_t x = 0; x < std::min(size.width, picture.width); ++x) {
      opaque[static_cast<size_t>(y) * size.width + x] = picture.At(x, y) | 0xFF000000;
    }
  }
  return NativePresent(hwnd, Point{r->rect.left, r->rect.top}, size,
                       PixelView{opaque.data(), size.width, size.height, size.width * 4}, 255);
}

// --- Input ---

void WindowSystemCore::PointerEntered(WindowHandle hwnd, Point /*screen*/) {
  if (pointerWindow_ == hwnd) return;
  const WindowHandle old = std::exchange(pointerWindow_, hwnd);
  // While a window holds the mouse it is still "under" it for tracking.
  if (old != 0 && old != capture_) SendLeave(old);
}

void WindowSystemCore::InputMouseMove(Point screen, WindowHandle under, uint32_t keyFlags) {
  if (under != 0 && !IsEnabled(under)) under = 0;
  PointerEntered(under, screen);
  const WindowHandle target = capture_ != 0 ? capture_ : under;
  if (target == 0) return;
  if (capture_ == 0) {
    Deliver(target, Msg::SetCursor, static_cast<WParam>(target), static_cast<LParam>(MakeLong(Hit::Client, Msg::MouseMove)));
  }
  const Record* r = Find(target);
  if (r == nullptr) return;
  Deliver(target, Msg::MouseMove, keyFlags, PackPoint(screen.x - r->rect.left, screen.y - r->rect.top));
  RestartHover(target);
}

void WindowSystemCore::InputButton(Point screen, WindowHandle under, int button, bool down, bool doubleClick,
                                   uint32_t keyFlags) {
  if (under != 0 && !IsEnabled(under)) under = 0;
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
      Deliver(target, Msg::SetCursor, static_cast<WParam>(target), static_cast<LParam>(MakeLong(Hit::Client, msg)));
      if ((r = Find(target)) == nullptr) return;
    }
  }
  Deliver(target, msg, keyFlags, PackPoint(screen.x - r->rect.left, screen.y - r->rect.top));
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
  Deliver(focus_, Msg::Char, code, lParam);
}

void WindowSystemCore::InputImeCommit(std::u16string_view text) {
  if (focus_ == 0 || !IsEnabled(focus_) || text.empty()) return;
  const WindowHandle target = focus_;
  imeResult_ = std::u16string(text);
  Deliver(target, Msg::ImeStartComposition, 0, 0);
  Deliver(target, Msg::ImeComposition, text.back(), Ime::ResultStr);
  Deliver(target, Msg::ImeEndComposition, 0, 0);
  imeResult_.clear();
}

void WindowSystemCore::InputGeometry(WindowHandle hwnd, Rect rect) { ApplyGeometry(hwnd, rect, true); }

void WindowSystemCore::InputFocus(WindowHandle hwnd) {
  if (hwnd != 0 && !IsEnabled(hwnd)) return;
  SetFocus(hwnd);
}

void WindowSystemCore::InputCloseRequest(WindowHandle hwnd) {
  if (IsWindow(hwnd)) Deliver(hwnd, Msg::SysCommand, SysCmd::Close, 0);
}

}  // namespace quillmar::ws
