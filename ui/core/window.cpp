#include "ui/core/window.h"

#include <algorithm>
#include <cmath>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/frame.h"
#include "ui/core/process_values.h"

namespace quillmar {

namespace {

// Objects handed to DeleteLater while a dispatch runs, and how deep dispatch is.
struct Dispatching {
  int depth = 0;
  std::vector<std::unique_ptr<UiWindow>> parked;
};

Dispatching& Dispatch() {
  static Dispatching state;  // UI thread only
  return state;
}

}  // namespace

UiWindow::DispatchScope::DispatchScope() { ++Dispatch().depth; }

UiWindow::DispatchScope::~DispatchScope() {
  Dispatching& d = Dispatch();
  if (d.depth > 1) {
    --d.depth;
    return;
  }
  // Outermost dispatch returns: delete what handlers asked to delete. Their
  // destructors may park more, so stay "inside" until the list stays empty.
  while (!d.parked.empty()) {
    std::vector<std::unique_ptr<UiWindow>> batch = std::move(d.parked);
    d.parked.clear();
    batch.clear();
  }
  --d.depth;
}

void UiWindow::DeleteLater(std::unique_ptr<UiWindow> object) {
  if (!object) return;
  if (Dispatch().depth == 0) return;  // nothing runs in it: it goes now
  // Gone from the tree at once; the object itself lives until dispatch returns,
  // so the handler that asked, and every frame above it, can finish.
  object->UnregisterDeferred();
  Dispatch().parked.push_back(std::move(object));
}

UiWindow::UiWindow() = default;

UiWindow::~UiWindow() {
  // From here on nothing reaches this object's handlers or user routine: its
  // subclass is already gone, and taking it out of the tree repaints later.
  if (ElementRecord* rec = Rec({})) {
    rec->handler = {};
    rec->userHandler = {};
    rec->owner = nullptr;
  }
  ReleaseWindow();
  UnregisterDeferred();
  // Timers started before registration, if any, must not outlive the object.
  for (int32_t id : timerIds_) ws::System().StopPeriodicTimer(static_cast<uint32_t>(id));
}

ElementRecord* UiWindow::Rec(OptKey key) { return Registry().Find(ResolveKey(key)); }

Hwnd UiWindow::WindowOf(int32_t key) {
  ElementRecord* top = Registry().Find(TopLevelKey(key));
  return top ? top->windowHandle : 0;
}

int32_t UiWindow::Register(int32_t x, int32_t y, int32_t width, int32_t height, std::string_view tag) {
  if (key_ != 0) return key_;
  auto record = std::make_unique<ElementRecord>();
  // A counter seeded again may hand out a key still in use: take the next free one.
  int32_t key = NextObjectId();
  while (key == 0 || Registry().Find(key)) key = NextObjectId();
  key_ = key;
  record->key = key_;
  record->tag = std::string(tag);
  record->owner = this;
  record->handler = [this](Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
    return ElementProc(hwnd, key, msg, wParam, lParam);
  };
  Registry().Add(std::move(record));
  SetGeometry(x, y, width, height);
  SetGeometryF(RectF::FromRect(Rect::FromXywh(x, y, width, height)));
  RecreateCanvas();
  return key_;
}

void UiWindow::Unregister() { Unregister(!InPaintPass(key_)); }

void UiWindow::UnregisterDeferred() { Unregister(false); }

void UiWindow::Unregister(bool repaintNow) {
  ElementRef rec(key_);
  if (!rec) return;
  // A bound window gives its procedure back and quiets its frame first, so
  // nothing of the system calls into an element that is going.
  if (bound_) Detach();
  rec->surfaces->Release();
  if (rec->parentKey != 0) TakeOut(key_, rec->parentKey, repaintNow);
  // The synchronous repaint may have run anything, this object's end included.
  if (!rec) return;
  rec->surfaces->invalidRegion.reset();
  StopTransition();
  // Transitions this object runs for other elements end with it.
  // (Only those it still runs: another object may have started a new one since.)
  for (const int32_t k : std::vector<int32_t>(transitions_)) {
    const ElementRecord* other = Registry().Find(k);
    if (other && other->surfaces->extra.starter == this) {
      StopTransition(k);
    } else {
      std::erase(transitions_, k);
    }
  }
  while (!timerIds_.empty()) StopTimer(timerIds_.back());
  Registry().Remove(key_);
  key_ = 0;
}

int32_t UiWindow::SetParent(int32_t childKey, OptKey parentKey) {
  const int32_t parent = ResolveKey(parentKey);
  if (childKey == parent) return 0;
  ElementRef child(childKey);
  ElementRef par(parent);
  if (!child || !par) return 0;
  // Under one of its own descendants the element would be its own ancestor.
  int32_t guard = Registry().Count();
  for (ElementRecord* up = par.get(); up && up->parentKey != 0 && guard > 0; --guard) {
    if (up->parentKey == childKey) return 0;
    up = Registry().Find(up->parentKey);
  }
  if (child->parentKey != 0 && child->parentKey != parent) {
    TakeOut(childKey, child->parentKey, !InPaintPass(childKey));
    if (!child || !par) return 0;
  }
  child->parentKey = parent;
  if (std::find(par->children.begin(), par->children.end(), childKey) != par->children.end()) return 1;
  par->children.push_back(childKey);
  child->MarkChanged();
  return 1;
}

int32_t UiWindow::RemoveChild(int32_t childKey, OptKey parentKey) {
  return TakeOut(childKey, ResolveKey(parentKey), !InPaintPass(childKey));
}

int32_t UiWindow::TakeOut(int32_t childKey, int32_t parent, bool repaintNow) {
  if (childKey == parent) return 0;
  ElementRef child(childKey);
  ElementRef par(parent);
  if (!child || !par) return 0;
  if (std::find(par->children.begin(), par->children.end(), childKey) == par->children.end()) return 0;
  if (child->visible != 0 && child->alpha != 0 && child->shown != 0) {
    if (repaintNow) {
      // Repaint the window once without the child so its area is cleared now.
      child->shown = 0;
      child->MarkChanged();
      const Hwnd hwnd = WindowOf(childKey);
      if (hwnd != 0) ws::System().Send(hwnd, Event::RepaintRequest, ToWire(RepaintKind::Paint), 0);
      // Anything may have run, this object's end included: only the references are used from here.
      if (!child || !par) return 0;
      child->shown = 1;
    } else {
      // The parent's next composition is whole, which clears where the child was.
      par->MarkChanged();
    }
  }
  auto it = std::find(par->children.begin(), par->children.end(), childKey);
  if (it != par->children.end()) par->children.erase(it);
  return 1;
}

int32_t UiWindow::SetZOrder(int32_t key, int32_t position) {
  ElementRecord* rec = Registry().Find(key);
  if (!rec) return 0;
  ElementRecord* par = Registry().Find(rec->parentKey);
  if (!par) return 0;
  auto& kids = par->children;
  auto it = std::find(kids.begin(), kids.end(), key);
  if (it == kids.end()) return 0;
  kids.erase(it);
  const int32_t count = static_cast<int32_t>(kids.size());
  const int32_t index = std::clamp(position, 1, count + 1) - 1;
  kids.insert(kids.begin() + index, key);
  par->needsCompose = 1;
  // The child's whole area must be recomposed, or the new order never shows.
  rec->MarkChanged();
  return 1;
}

int32_t UiWindow::GetZOrder(int32_t key) {
  ElementRecord* rec = Registry().Find(key);
  if (!rec) return -1;
  ElementRecord* par = Registry().Find(rec->parentKey);
  if (!par) return -1;
  auto it = std::find(par->children.begin(), par->children.end(), key);
  if (it == par->children.end()) return -1;
  return static_cast<int32_t>(it - par->children.begin()) + 1;
}

int32_t UiWindow::TopOf(int32_t key) {
  const ElementRecord* rec = Registry().Find(key);
  // A parent chain never has more links than the registry has records.
  for (int32_t guard = Registry().Count(); rec && rec->parentKey != 0 && guard > 0; --guard) {
    const ElementRecord* parent = Registry().Find(rec->parentKey);
    if (!parent) break;
    rec = parent;
  }
  return rec ? rec->key : 0;
}

int32_t UiWindow::TopLevelKey(OptKey key) {
  const int32_t top = TopOf(ResolveKey(key));
  return top == 0 ? -1 : top;
}

namespace {

// Compare-before-write: a real change stores the value and raises the repaint flags.
void SetWithFlags(ElementRecord* rec, int32_t ElementRecord::*field, int32_t value) {
  if (!rec || rec->*field == value) return;
  rec->*field = value;
  rec->MarkChanged();
}

int32_t GetOr(ElementRecord* rec, int32_t ElementRecord::*field, int32_t missing) {
  return rec ? rec->*field : missing;
}

}  // namespace

void UiWindow::SetAlpha(int32_t value, OptKey key) { SetWithFlags(Rec(key), &ElementRecord::alpha, value); }
int32_t UiWindow::GetAlpha(OptKey key) { return GetOr(Rec(key), &ElementRecord::alpha, -1); }
void UiWindow::SetAuxValue(int32_t value, OptKey key) { SetWithFlags(Rec(key), &ElementRecord::auxValue, value); }
int32_t UiWindow::GetAuxValue(OptKey key) { return GetOr(Rec(key), &ElementRecord::auxValue, -1); }
int32_t UiWindow::GetParentKey(OptKey key) { return GetOr(Rec(key), &ElementRecord::parentKey, -1); }
void UiWindow::SetForwardToWindow(int32_t value, OptKey key) {
  SetWithFlags(Rec(key), &ElementRecord::forwardToWindow, value);
}
int32_t UiWindow::GetForwardToWindow(OptKey key) { return GetOr(Rec(key), &ElementRecord::forwardToWindow, 0); }
void UiWindow::SetShown(int32_t value, OptKey key) { SetWithFlags(Rec(key), &ElementRecord::shown, value); }
int32_t UiWindow::GetShown(OptKey key) { return GetOr(Rec(key), &ElementRecord::shown, 0); }
int32_t UiWindow::GetVisible(OptKey key) { return GetOr(Rec(key), &ElementRecord::visible, 0); }
int32_t UiWindow::GetDisabled(OptKey key) { return GetOr(Rec(key), &ElementRecord::disabled, 0); }
int32_t UiWindow::GetPressed(OptKey key) { return GetOr(Rec(key), &ElementRecord::pressed, 0); }
int32_t UiWindow::GetFocused(OptKey key) { return GetOr(Rec(key), &ElementRecord::focused, 0); }
int32_t UiWindow::GetHovered(OptKey key) { return GetOr(Rec(key), &ElementRecord::hovered, 0); }
void UiWindow::SetKeepsFocus(int32_t value, OptKey key) { SetWithFlags(Rec(key), &ElementRecord::keepsFocus, value); }
int32_t UiWindow::GetKeepsFocus(OptKey key) { return GetOr(Rec(key), &ElementRecord::keepsFocus, 0); }
int32_t UiWindow::GetTipTime(OptKey key) { return GetOr(Rec(key), &ElementRecord::tipTime, -1); }
int32_t UiWindow::GetLeft(OptKey key) { return GetBounds(key).x; }
int32_t UiWindow::GetTop(OptKey key) { return GetBounds(key).y; }
int32_t UiWindow::GetWidth(OptKey key) { return GetBounds(key).width; }
int32_t UiWindow::GetHeight(OptKey key) { return GetBounds(key).height; }

std::string UiWindow::GetTag(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->tag : std::string();
}

std::vector<int32_t> UiWindow::GetChildren(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->children : std::vector<int32_t>{};
}

void UiWindow::SetUserHandler(EventRoutine routine, OptKey key) {
  if (ElementRecord* rec = Rec(key)) {
    rec->userHandler = std::move(routine);
    rec->MarkChanged();
  }
}

EventRoutine UiWindow::GetUserHandler(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->userHandler : EventRoutine{};
}

void UiWindow::SetTipText(std::string_view text, std::optional<int32_t> tipTime, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  if (tipTime && *tipTime >= 0) rec->tipTime = *tipTime;
  if (rec->tipText == text) return;
  rec->tipText = std::string(text);
  // The tip is what a reader gives as the element's description.
  NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::DescriptionChanged), rec->key);
}

std::string UiWindow::GetTipText(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->tipText : std::string();
}

void UiWindow::SetTipTime(int32_t value, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (rec && value >= 0) rec->tipTime = value;
}

void UiWindow::SetDisabled(int32_t value, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || rec->disabled == value) return;
  rec->disabled = value;
  rec->MarkChanged();
  NotifyAccessible(ws::AxEvent::State(ws::AxState::Enabled, value == 0), rec->key);
  const WParam bit = static_cast<WParam>(value & 1);
  // A bound window hears it as a window message, so its style follows.
  if (rec->IsTopLevelWindow() && rec->windowHandle != 0 && ws::System().IsWindow(rec->windowHandle)) {
    ws::System().Send(rec->windowHandle, Event::DisabledChanged, bit, 0);
  } else {
    SendEvent(rec->key, Event::DisabledChanged, bit, 0);
  }
}

void UiWindow::SetHoverSuspended(int32_t value) {
  if (ElementRecord* rec = Rec({})) rec->hoverSuspended = value;
}

void UiWindow::SetWindowHandle(Hwnd hwnd) {
  if (ElementRecord* rec = Rec({}); rec && rec->IsTopLevelWindow()) rec->windowHandle = hwnd;
}

Hwnd UiWindow::GetWindowHandle() {
  ElementRecord* rec = Rec({});
  if (!rec || !rec->IsTopLevelWindow()) return -1;
  return rec->windowHandle;
}

Rect UiWindow::GetBounds(OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return {-1, -1, -1, -1};
  return rec->bounds;
}

void UiWindow::SetGeometry(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                           std::optional<int32_t> height, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  rec->bounds = rec->Resolve(x, y, width, height);
}

void UiWindow::SetGeometryF(const RectF& bounds, OptKey key) {
  if (ElementRecord* rec = Rec(key)) rec->boundsF = bounds;
}

int32_t UiWindow::SendEvent(int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  ElementRecord* rec = Registry().Find(key);
  if (!rec || !rec->handler) return -1;
  DispatchScope scope;
  // Copy the handler: the call may unregister the element. Framework events
  // carry no window handle, which tells them apart from window messages.
  EventRoutine handler = rec->handler;
  return handler(0, key, msg, wParam, lParam);
}

int32_t UiWindow::StartTimer(int32_t intervalMs) {
  const uint32_t id =
      ws::System().StartPeriodicTimer(static_cast<uint32_t>(std::max(intervalMs, 1)),
                                      [this](uint32_t timer) { TimerEntry(static_cast<int32_t>(timer), 0); });
  if (id == 0) return 0;
  timerIds_.push_back(static_cast<int32_t>(id));
  return static_cast<int32_t>(id);
}

void UiWindow::StopTimer(int32_t id) {
  for (auto it = timerIds_.rbegin(); it != timerIds_.rend(); ++it) {
    if (*it == id) {
      ws::System().StopPeriodicTimer(static_cast<uint32_t>(id));
      timerIds_.erase(std::next(it).base());
      return;
    }
  }
}

void UiWindow::TimerEntry(int32_t id, uint32_t msg) {
  DispatchScope scope;
  OnTimer(id, msg);
}

void UiWindow::IdleEntry() {
  DispatchScope scope;
  Tick();
}

}  // namespace quillmar
