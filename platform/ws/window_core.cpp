#include "platform/ws/window_core.h"

#include <algorithm>
#include <future>
#include <utility>

#include "platform/ws/window_core_internal.h"

namespace quillmar::ws {

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

bool WindowSystemCore::AddWindowClass(const WindowClass& cls) { return classes_.emplace(cls.name, cls).second; }

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
  record->rect = Rect::FromXywh(params.x, params.y, std::max(0, params.width), std::max(0, params.height));
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
  Deliver(hwnd, Msg::Size, ToWire(SizeKind::Restored),
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
  if (pointerWindow_ == hwnd) pointerWindow_ = 0;
  NotifyPointerWatchers();

  Deliver(hwnd, Msg::Destroy, 0, 0);
  Deliver(hwnd, Msg::NcDestroy, 0, 0);
  // After the destroy messages, so that a timer set while handling them
  // cannot outlive the window either.
  std::vector<uint32_t> ownTimers;
  for (const auto& [key, t] : timers_) {
    if (t->hwnd == hwnd) ownTimers.push_back(key);
  }
  for (uint32_t key : ownTimers) RemoveTimer(key);
  frameRequests_.erase(hwnd);
  fallbackWaiting_.erase(hwnd);
  // Whatever the owner left registered, nothing may read a destroyed window's nodes.
  axProviders_.erase(hwnd);
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

void WindowSystemCore::SetAxProvider(WindowHandle hwnd, AxProvider* provider) {
  if (provider == nullptr || Find(hwnd) == nullptr) {
    axProviders_.erase(hwnd);
    return;
  }
  axProviders_[hwnd] = provider;
}

AxProvider* WindowSystemCore::AxProviderOf(WindowHandle hwnd) const {
  auto it = axProviders_.find(hwnd);
  return it == axProviders_.end() ? nullptr : it->second;
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
  // A window presented while hidden shows its picture now.
  if (visible && r->presented) frameReport_.Shown();
  if (!visible) {
    if (capture_ == hwnd) ReleaseCapture();
    if (focus_ == hwnd) {
      const Record* owner = Find(r->owner);
      SetFocus(owner != nullptr && (owner->style & Style::Visible) != 0 ? r->owner : 0);
    }
    NotifyPointerWatchers();
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
        r->restoreMaximized = r->showState == Show::Maximized;
        r->showState = Show::Minimized;
        NativeIconify(hwnd, true);
        Deliver(hwnd, Msg::Size, ToWire(SizeKind::Minimized), 0);
      }
      if (focus_ == hwnd) SetFocus(0);
      break;
    case Show::Maximized:
      SetVisibleFlag(hwnd, true);
      if ((r = Find(hwnd)) != nullptr && r->showState == Show::Minimized) NativeIconify(hwnd, false);
      Maximize(hwnd);
      if (activate) SetFocus(hwnd);
      break;
    case Show::Normal:
    case Show::Restore:
      SetVisibleFlag(hwnd, true);
      if ((r = Find(hwnd)) != nullptr && r->showState == Show::Minimized) NativeIconify(hwnd, false);
      // Restoring a window minimised from maximised brings it back maximised.
      if (cmd == Show::Restore && r != nullptr && r->showState == Show::Minimized && r->restoreMaximized) {
        Maximize(hwnd);
      } else {
        Restore(hwnd);
      }
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
  const MonitorInfo monitor = MonitorOf(hwnd);
  const Rect work = monitor.workArea;
  MinMaxInfo info;
  info.maxSize = {work.width, work.height};
  info.maxPosition = work.Origin();
  info.maxTrackSize = {monitor.bounds.width, monitor.bounds.height};
  Deliver(hwnd, Msg::GetMinMaxInfo, 0, reinterpret_cast<LParam>(&info));
  r = Find(hwnd);
  if (r == nullptr) return;
  r->showState = Show::Maximized;
  ApplyGeometry(hwnd, Rect::FromXywh(info.maxPosition.x, info.maxPosition.y, info.maxSize.x, info.maxSize.y), false);
  Deliver(hwnd, Msg::Size, ToWire(SizeKind::Maximized),
          static_cast<LParam>(MakeLong(static_cast<uint32_t>(info.maxSize.x), static_cast<uint32_t>(info.maxSize.y))));
  Deliver(hwnd, Msg::Move, 0, PackPoint(info.maxPosition.x, info.maxPosition.y));
}

void WindowSystemCore::Restore(WindowHandle hwnd) {
  Record* r = Find(hwnd);
  if (r == nullptr || r->showState == Show::Normal) return;
  r->showState = Show::Normal;
  const Rect normal = r->normalRect;
  ApplyGeometry(hwnd, normal, false);
  Deliver(hwnd, Msg::Size, ToWire(SizeKind::Restored),
          static_cast<LParam>(MakeLong(static_cast<uint32_t>(normal.width), static_cast<uint32_t>(normal.height))));
  Deliver(hwnd, Msg::Move, 0, PackPoint(normal.x, normal.y));
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
  if (old.GetSize() != rect.GetSize()) {
    Deliver(hwnd, Msg::Size, ToWire(r->showState == Show::Maximized ? SizeKind::Maximized : SizeKind::Restored),
            static_cast<LParam>(MakeLong(static_cast<uint32_t>(rect.width), static_cast<uint32_t>(rect.height))));
  }
  if (old.Origin() != rect.Origin()) Deliver(hwnd, Msg::Move, 0, PackPoint(rect.x, rect.y));
}

bool WindowSystemCore::MoveWindow(WindowHandle hwnd, const Rect& rect) {
  if (Find(hwnd) == nullptr) return false;
  ApplyGeometry(hwnd, Rect::FromXywh(rect.x, rect.y, std::max(0, rect.width), std::max(0, rect.height)), true);
  return true;
}

void WindowSystemCore::SetMinimumSize(WindowHandle hwnd, Size size) {
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  r->minSize = {std::max(0, size.width), std::max(0, size.height)};
  NativeMinimumSize(hwnd, r->minSize);
}

bool WindowSystemCore::SetPosition(WindowHandle hwnd, WindowHandle insertAfter, const Rect& target, uint32_t flags) {
  Record* r = Find(hwnd);
  if (r == nullptr) return false;
  if ((flags & Swp::NoZOrder) == 0) {
    if (insertAfter == kInsertTopmost) r->exStyle |= ExStyle::Topmost;
    if (insertAfter == kInsertNoTopmost) r->exStyle &= ~ExStyle::Topmost;
    RaiseInZOrder(hwnd);
    NativeZOrder(hwnd);
  }
  Rect rect = r->rect;
  if ((flags & Swp::NoMove) == 0) rect.x = target.x, rect.y = target.y;
  if ((flags & Swp::NoSize) == 0) rect.width = std::max(0, target.width), rect.height = std::max(0, target.height);
  ApplyGeometry(hwnd, rect, true);
  if ((flags & Swp::ShowWindow) != 0)
    ShowWindow(hwnd, (flags & Swp::NoActivate) != 0 ? Show::NoActivateSame : Show::Shown);
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
      if (wParam == ToWire(HitTest::Caption) && IsKeyDown(Vk::LButton) && IsWindow(hwnd) && !IsZoomed(hwnd)) {
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
      const auto hit = static_cast<HitTest>(LowWord(static_cast<uint64_t>(lParam)));
      CursorHandle cursor = 0;
      if (hit == HitTest::Client) {
        cursor = ClassCursor(hwnd);
      } else if (hit == HitTest::Left || hit == HitTest::Right) {
        cursor = LoadSystemCursor(SystemCursor::SizeWe);
      } else if (hit == HitTest::Top || hit == HitTest::Bottom) {
        cursor = LoadSystemCursor(SystemCursor::SizeNs);
      } else if (hit == HitTest::TopLeft || hit == HitTest::BottomRight) {
        cursor = LoadSystemCursor(SystemCursor::SizeNwse);
      } else if (hit == HitTest::TopRight || hit == HitTest::BottomLeft) {
        cursor = LoadSystemCursor(SystemCursor::SizeNesw);
      }
      if (cursor == 0) return 0;
      SetCursor(cursor);
      return 1;
    }
    case Msg::NcHitTest:
      return ToWire(HitTest::Client);
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
  // One item at a time, so that a nested loop started by one of them runs
  // the rest, as it would with a real message queue.
  size_t count = 0;
  {
    std::lock_guard lock(queueMutex_);
    count = queue_.size();
  }
  bool any = false;
  for (size_t i = 0; i < count; ++i) {
    Posted p;
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) break;
      p = std::move(queue_.front());
      queue_.pop_front();
    }
    any = true;
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
  return any;
}

bool WindowSystemCore::QueueEmpty() {
  std::lock_guard lock(queueMutex_);
  return queue_.empty();
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

// --- Layered output ---

bool WindowSystemCore::PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture,
                                      uint8_t constantAlpha, PresentDamage damage) {
  Record* r = Find(hwnd);
  if (r == nullptr || (r->exStyle & ExStyle::Layered) == 0) return false;
  if (size.width <= 0 || size.height <= 0 || picture.data == nullptr) return false;
  if (picture.width < 0 || picture.height < 0 || picture.stride < picture.width * 4) return false;
  // A new size makes a new picture: nothing of the old one can stay.
  const bool resized = r->rect.GetSize() != size;
  ApplyGeometry(hwnd, Rect::FromOriginSize(pos, size), true);
  if (Find(hwnd) == nullptr) return false;
  std::vector<Rect> inside;
  if (!damage.whole && !resized) {
    const Rect bounds{0, 0, size.width, size.height};
    for (const Rect& rect : damage.rects) {
      const Rect clipped = rect.Intersected(bounds);
      if (!clipped.IsEmpty()) inside.push_back(clipped);
    }
    damage = PresentDamage::Of(inside);
  } else {
    damage = PresentDamage{};
  }
  ++stats_.presents;
  if (!NativePresent(hwnd, pos, size, picture, constantAlpha, damage)) return false;
  NotePresented(hwnd);
  return true;
}

void WindowSystemCore::NotePresented(WindowHandle hwnd) {
  frameReport_.Present(stats_.presents);
  Record* r = Find(hwnd);
  if (r == nullptr) return;
  r->presented = true;
  if ((r->style & Style::Visible) != 0) frameReport_.Shown();
}

void WindowSystemCore::NotePresent(int64_t copied, int64_t changed, bool shapeSet) {
  stats_.copiedPixels += copied;
  stats_.changedPixels += changed;
  if (shapeSet) ++stats_.shapeUpdates;
}

int64_t WindowSystemCore::ChangedPixels(const PixelView& now, const PixelView& before, std::span<const Rect> rects) {
  int64_t changed = 0;
  for (const Rect& r : rects) {
    const Rect in = r.Intersected(Rect{0, 0, std::min(now.width, before.width), std::min(now.height, before.height)});
    for (int32_t y = in.y; y < in.Bottom(); ++y) {
      const uint32_t* a = now.Row(y);
      const uint32_t* b = before.Row(y);
      for (int32_t x = in.x; x < in.Right(); ++x) changed += a[x] != b[x] ? 1 : 0;
    }
  }
  return changed;
}

// --- Frames ---

bool WindowSystemCore::RequestFrame(WindowHandle hwnd, FrameCallback callback) {
  const Record* r = Find(hwnd);
  if (r == nullptr || r->destroying || !callback) return false;
  frameRequests_[hwnd] = std::move(callback);
  NativeRequestFrame(hwnd);
  return true;
}

void WindowSystemCore::NativeRequestFrame(WindowHandle hwnd) {
  fallbackWaiting_.insert(hwnd);
  if (frameTimer_ != 0 || frameTaskPosted_) return;
  // The clock was quiet for a whole frame: this frame starts now, and the
  // timer paces the ones that follow.
  frameTaskPosted_ = true;
  PostTask([this] {
    frameTaskPosted_ = false;
    ServeFrames(NowMs());
  });
  TimerEntry entry;
  entry.kind = TimerEntry::Kind::Window;
  entry.intervalMs = kFallbackFrameMs;
  entry.callback = std::make_shared<const TimerCallback>([this](uint32_t) {
    if (fallbackWaiting_.empty() && !frameTaskPosted_) {
      // A frame with nothing to serve: the clock sleeps until the next request.
      RemoveTimer(std::exchange(frameTimer_, 0));
      return;
    }
    ServeFrames(NowMs());
  });
  entry.id = nextTimerKey_;
  frameTimer_ = AddTimer(std::move(entry));
}

void WindowSystemCore::ServeFrames(int64_t nowMs) {
  const std::set<WindowHandle> waiting = std::exchange(fallbackWaiting_, {});
  for (WindowHandle hwnd : waiting) ServeFrame(hwnd, nowMs);
}

FrameCallback WindowSystemCore::TakeFrameCallback(WindowHandle hwnd) {
  auto it = frameRequests_.find(hwnd);
  if (it == frameRequests_.end()) return {};
  FrameCallback callback = std::move(it->second);
  frameRequests_.erase(it);
  return callback;
}

void WindowSystemCore::ServeFrame(WindowHandle hwnd, int64_t nowMs) {
  // Taken out first: the callback may ask for the next frame.
  FrameCallback callback = TakeFrameCallback(hwnd);
  if (!callback) return;
  ++stats_.frames;
  callback(nowMs);
}

bool WindowSystemCore::PaintWindow(WindowHandle hwnd, const PixelView& picture) {
  const Record* r = Find(hwnd);
  if (r == nullptr || (r->exStyle & ExStyle::Layered) != 0 || picture.data == nullptr) return false;
  const Size size = r->rect.GetSize();
  if (size.width <= 0 || size.height <= 0) return false;
  std::vector<uint32_t> opaque(static_cast<size_t>(size.width) * size.height, 0xFF000000);
  for (int32_t y = 0; y < std::min(size.height, picture.height); ++y) {
    for (int32_t x = 0; x < std::min(size.width, picture.width); ++x) {
      opaque[static_cast<size_t>(y) * size.width + x] = picture.At(x, y) | 0xFF000000;
    }
  }
  if (!NativePresent(hwnd, r->rect.Origin(), size, PixelView{opaque.data(), size.width, size.height, size.width * 4},
                     255, PresentDamage{})) {
    return false;
  }
  NotePresented(hwnd);
  return true;
}

}  // namespace quillmar::ws
