#include "platform/ws/headless_window_system.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#include "platform/ws/cursor_file.h"
#include "platform/ws/key_codes.h"
#include "platform/ws/png_file.h"

namespace quillmar::ws {

namespace {

uint32_t ScanCodeFor(int vk) { return static_cast<uint32_t>(vk) & 0xFF; }

}  // namespace

struct HeadlessWindowSystem::State {
  int64_t now = 0;
  struct Scheduled {
    uint32_t intervalMs = 0;
    int64_t due = 0;
  };
  std::map<uint32_t, Scheduled> timers;
  std::function<bool()> idleScript;
  int64_t loopLimitMs = 60000;
  int64_t idleAdvanced = 0;
  std::map<WindowHandle, Picture> pictures;
  struct CursorRecord {
    std::optional<SystemCursor> system;
    Point hotspot;
  };
  std::map<CursorHandle, CursorRecord> cursors;
  std::map<SystemCursor, CursorHandle> systemCursors;
  CursorHandle nextCursor = 0x1000;
  std::optional<std::u16string> clipboard;
  std::mutex wakeMutex;
  std::condition_variable wake;
  bool woken = false;
};

HeadlessWindowSystem::HeadlessWindowSystem() : state_(std::make_unique<State>()) {}

HeadlessWindowSystem::~HeadlessWindowSystem() = default;

// --- Clock and queue ---

void HeadlessWindowSystem::FireDueTimers(int64_t until) {
  for (;;) {
    auto next = state_->timers.end();
    for (auto it = state_->timers.begin(); it != state_->timers.end(); ++it) {
      if (it->second.due <= until && (next == state_->timers.end() || it->second.due < next->second.due)) next = it;
    }
    if (next == state_->timers.end()) return;
    const uint32_t key = next->first;
    state_->now = std::max(state_->now, next->second.due);
    RunPending();
    auto it = state_->timers.find(key);
    if (it == state_->timers.end()) continue;  // stopped by a posted message
    it->second.due += it->second.intervalMs;
    FireTimer(key);
  }
}

void HeadlessWindowSystem::Advance(int64_t ms) {
  const int64_t until = state_->now + std::max<int64_t>(0, ms);
  RunPending();
  FireDueTimers(until);
  state_->now = until;
  RunPending();
}

void HeadlessWindowSystem::RunPending() {
  // Bounded so that a message that always re-posts itself cannot hang a test.
  for (int round = 0; round < 10000 && DrainPosted(); ++round) {
  }
}

bool HeadlessWindowSystem::RunUntil(const std::function<bool()>& done, int64_t realTimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realTimeoutMs);
  for (;;) {
    {
      std::lock_guard lock(state_->wakeMutex);
      state_->woken = false;
    }
    RunPending();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // Short waits: done() may also depend on other threads' own state.
    std::unique_lock lock(state_->wakeMutex);
    state_->wake.wait_for(lock, std::chrono::milliseconds(5), [this] { return state_->woken; });
  }
}

void HeadlessWindowSystem::SetIdleScript(std::function<bool()> step) {
  state_->idleScript = std::move(step);
  state_->idleAdvanced = 0;
}

void HeadlessWindowSystem::SetLoopLimit(int64_t virtualMs) { state_->loopLimitMs = virtualMs; }

void HeadlessWindowSystem::WakeLoop() {
  {
    std::lock_guard lock(state_->wakeMutex);
    state_->woken = true;
  }
  state_->wake.notify_all();
}

bool HeadlessWindowSystem::WaitForWork(const std::function<bool()>& /*keepRunning*/) {
  if (!QueueEmpty()) return true;
  if (state_->idleScript) {
    // Copy: the step may replace the script.
    auto step = state_->idleScript;
    if (step()) {
      state_->idleAdvanced = 0;
      return true;
    }
    state_->idleScript = nullptr;
  }
  int64_t nextDue = -1;
  for (const auto& [key, t] : state_->timers) {
    if (nextDue < 0 || t.due < nextDue) nextDue = t.due;
  }
  if (nextDue < 0 || state_->idleAdvanced >= state_->loopLimitMs) {
    loopGaveUp_ = true;
    return false;
  }
  const int64_t step = std::max<int64_t>(0, nextDue - state_->now);
  state_->idleAdvanced += std::max<int64_t>(1, step);
  Advance(step);
  return true;
}

int64_t HeadlessWindowSystem::NowMs() const { return state_->now; }

void HeadlessWindowSystem::NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) {
  state_->timers[timerKey] = State::Scheduled{intervalMs, state_->now + intervalMs};
}

void HeadlessWindowSystem::NativeTimerStop(uint32_t timerKey) { state_->timers.erase(timerKey); }

// --- Windows ---

void HeadlessWindowSystem::NativeCreate(WindowHandle /*hwnd*/) {}

void HeadlessWindowSystem::NativeDestroy(WindowHandle hwnd) {
  state_->pictures.erase(hwnd);
  if (moveDrag_.hwnd == hwnd) moveDrag_ = MoveDrag{};
}

void HeadlessWindowSystem::NativeShow(WindowHandle /*hwnd*/, bool /*visible*/) {}

void HeadlessWindowSystem::NativeGeometry(WindowHandle hwnd, Rect rect) {
  auto it = state_->pictures.find(hwnd);
  if (it != state_->pictures.end()) it->second.position = rect.Origin();
}

bool HeadlessWindowSystem::NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture,
                                         uint8_t alpha, PresentDamage damage) {
  Picture& shown = state_->pictures[hwnd];
  const bool whole = damage.whole || shown.size != size;
  shown.position = pos;
  shown.alpha = alpha;
  if (whole) {
    shown.size = size;
    shown.pixels.assign(static_cast<size_t>(size.width) * static_cast<size_t>(size.height), 0);
    shown.damage.assign(1, Rect{0, 0, size.width, size.height});
    shown.shape.Reset(size);
  } else {
    shown.damage.assign(damage.rects.begin(), damage.rects.end());
  }
  const PixelView before{shown.pixels.data(), size.width, size.height, size.width * 4};
  const int64_t changed = (!whole && CountingChangedPixels()) ? ChangedPixels(picture, before, shown.damage) : 0;
  int64_t copied = 0;
  for (const Rect& r : shown.damage) {
    // Whatever the picture does not cover stays transparent.
    const Rect in =
        r.Intersected(Rect{0, 0, std::min(size.width, picture.width), std::min(size.height, picture.height)});
    for (int32_t y = in.y; y < in.Bottom(); ++y) {
      for (int32_t x = in.x; x < in.Right(); ++x)
        shown.pixels[static_cast<size_t>(y) * size.width + x] = picture.At(x, y);
    }
    copied += static_cast<int64_t>(r.width) * r.height;
  }
  const bool shapeSet = shown.shape.Update(picture, shown.damage) || whole;
  shown.copiedPixels += copied;
  ++shown.presentCount;
  NotePresent(copied, whole && CountingChangedPixels() ? copied : changed, shapeSet);
  return true;
}

void HeadlessWindowSystem::NativeCapture(WindowHandle /*hwnd*/) {}

void HeadlessWindowSystem::NativeBeginMoveDrag(WindowHandle hwnd) {
  const Rect r = WindowRect(hwnd);
  moveDrag_ = MoveDrag{true, hwnd, cursor_ - r.Origin()};
}

const HeadlessWindowSystem::Picture* HeadlessWindowSystem::Presented(WindowHandle hwnd) const {
  auto it = state_->pictures.find(hwnd);
  return it == state_->pictures.end() ? nullptr : &it->second;
}

bool HeadlessWindowSystem::SavePresentedPng(WindowHandle hwnd, const std::string& path) const {
  const Picture* p = Presented(hwnd);
  if (p == nullptr || p->size.width <= 0 || p->size.height <= 0) return false;
  std::vector<uint32_t> faded(p->pixels.size());
  for (size_t i = 0; i < faded.size(); ++i) {
    const uint32_t px = p->pixels[i];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t c = (px >> shift) & 0xFF;
      out |= ((c * p->alpha + 127) / 255) << shift;
    }
    faded[i] = out;
  }
  return WritePremultipliedPng(path, p->size, faded.data());
}

WindowHandle HeadlessWindowSystem::WindowAt(Point screen) const {
  for (WindowHandle h : TopLevelWindows()) {
    if (!IsVisible(h) || IsIconic(h)) continue;
    const Rect r = WindowRect(h);
    if (!r.Contains(screen)) continue;
    if ((GetExStyle(h) & ExStyle::Layered) != 0) {
      // A layered window catches the mouse only where its picture has ink.
      const Picture* p = Presented(h);
      if (p == nullptr || p->alpha == 0 || !p->shape.Contains(screen - r.Origin())) continue;
    }
    return h;
  }
  return 0;
}

// --- Input ---

void HeadlessWindowSystem::MoveMouse(Point screen) {
  cursor_ = screen;
  if (moveDrag_.active) {
    // The desktop's move drag swallows the pointer while it runs.
    const Rect r = WindowRect(moveDrag_.hwnd);
    MoveWindow(moveDrag_.hwnd, Rect::FromOriginSize(screen - moveDrag_.grab, r.GetSize()));
    return;
  }
  InputMouseMove(screen, WindowAt(screen), MouseKeyFlags());
}

void HeadlessWindowSystem::ButtonEvent(MouseButton button, bool down, bool doubleClick) {
  static constexpr int kVk[] = {Vk::LButton, Vk::RButton, Vk::MButton};
  const int index = static_cast<int>(button);
  if (moveDrag_.active) {
    if (!down && button == MouseButton::Left) {
      const WindowHandle dragged = moveDrag_.hwnd;
      moveDrag_ = MoveDrag{};
      SetKeyState(Vk::LButton, false);
      InputMoveDragEnded(dragged, cursor_);
    }
    return;
  }
  SetKeyState(kVk[index], down);
  InputButton(cursor_, WindowAt(cursor_), index, down, doubleClick, MouseKeyFlags());
}

void HeadlessWindowSystem::PressButton(MouseButton button) {
  // The virtual clock stands for the desktop's press times.
  const bool isDouble =
      PairPress(cursor_, WindowAt(cursor_), static_cast<int>(button), static_cast<uint32_t>(state_->now));
  ButtonEvent(button, true, isDouble);
}

void HeadlessWindowSystem::ReleaseButton(MouseButton button) { ButtonEvent(button, false, false); }

void HeadlessWindowSystem::Click(Point screen, MouseButton button) {
  MoveMouse(screen);
  PressButton(button);
  ReleaseButton(button);
}

void HeadlessWindowSystem::DoubleClick(Point screen, MouseButton button) {
  // A fresh pair: an earlier click at the same spot must not pair with the first.
  ForgetPress();
  Click(screen, button);
  Click(screen, button);
}

void HeadlessWindowSystem::Wheel(int32_t delta, bool horizontal) {
  InputWheel(cursor_, WindowAt(cursor_), delta, horizontal, MouseKeyFlags());
}

void HeadlessWindowSystem::KeyDown(int vk) { InputKey(vk, true, ScanCodeFor(vk)); }

void HeadlessWindowSystem::KeyUp(int vk) { InputKey(vk, false, ScanCodeFor(vk)); }

void HeadlessWindowSystem::PressKey(int vk) {
  KeyDown(vk);
  uint32_t code = 0;
  const bool ctrl = IsKeyDown(Vk::Control);
  if (vk >= 'A' && vk <= 'Z') {
    code = ctrl ? static_cast<uint32_t>(vk - 'A' + 1) : static_cast<uint32_t>(IsKeyDown(Vk::Shift) ? vk : vk + 32);
  } else if (vk >= '0' && vk <= '9' && !ctrl) {
    code = static_cast<uint32_t>(vk);
  } else if (vk == Vk::Space || vk == Vk::Return || vk == Vk::Back || vk == Vk::Tab || vk == Vk::Escape) {
    code = static_cast<uint32_t>(vk);
  }
  if (code != 0) InputChar(code, static_cast<LParam>(1 | (ScanCodeFor(vk) << 16)));
  KeyUp(vk);
}

void HeadlessWindowSystem::TypeText(std::string_view ascii) {
  for (char c : ascii) {
    const auto stroke = StrokeForAscii(c);
    if (!stroke) continue;
    if (stroke->shift) KeyDown(Vk::Shift);
    KeyDown(stroke->vk);
    const uint32_t code = (c == '\n') ? '\r' : static_cast<uint32_t>(static_cast<unsigned char>(c));
    InputChar(code, static_cast<LParam>(1 | (ScanCodeFor(stroke->vk) << 16)));
    KeyUp(stroke->vk);
    if (stroke->shift) KeyUp(Vk::Shift);
  }
}

void HeadlessWindowSystem::CommitIme(std::u16string_view text) { InputImeCommit(text); }

void HeadlessWindowSystem::ComposeIme(std::u16string_view text, int32_t cursor) { InputImePreedit(text, cursor); }

void HeadlessWindowSystem::SetScreen(Size screen, Rect workArea, TaskbarInfo taskbar) {
  monitors_ = {MonitorInfo{Rect::FromOriginSize({}, screen), workArea, taskbar}};
}

// --- Cursors ---

CursorHandle HeadlessWindowSystem::LoadSystemCursor(SystemCursor which) {
  auto it = state_->systemCursors.find(which);
  if (it != state_->systemCursors.end()) return it->second;
  const CursorHandle h = state_->nextCursor++;
  state_->systemCursors.emplace(which, h);
  state_->cursors[h] = State::CursorRecord{which, {}};
  return h;
}

CursorHandle HeadlessWindowSystem::CreateCursorFromFile(std::span<const uint8_t> bytes) {
  const auto info = ParseCursorFile(bytes);
  if (!info) return 0;
  const CursorHandle h = state_->nextCursor++;
  state_->cursors[h] = State::CursorRecord{std::nullopt, info->hotspot};
  return h;
}

void HeadlessWindowSystem::DestroyCursor(CursorHandle cursor) {
  auto it = state_->cursors.find(cursor);
  if (it == state_->cursors.end() || it->second.system) return;
  state_->cursors.erase(it);
  if (currentCursor_ == cursor) currentCursor_ = 0;
}

CursorHandle HeadlessWindowSystem::SetCursor(CursorHandle cursor) {
  cursorHistory_.push_back(cursor);
  return std::exchange(currentCursor_, cursor);
}

std::optional<SystemCursor> HeadlessWindowSystem::SystemCursorOf(CursorHandle cursor) const {
  auto it = state_->cursors.find(cursor);
  return it == state_->cursors.end() ? std::nullopt : it->second.system;
}

std::optional<Point> HeadlessWindowSystem::CursorHotspot(CursorHandle cursor) const {
  auto it = state_->cursors.find(cursor);
  if (it == state_->cursors.end() || it->second.system) return std::nullopt;
  return it->second.hotspot;
}

// --- Clipboard and desktop ---

bool HeadlessWindowSystem::SetClipboardText(std::u16string_view unicode, std::string_view multibyte) {
  state_->clipboard = std::u16string(unicode);
  clipboardMultibyte_ = std::string(multibyte);
  return true;
}

std::optional<std::u16string> HeadlessWindowSystem::ClipboardText() { return state_->clipboard; }

bool HeadlessWindowSystem::OpenWithHandler(std::string_view address) {
  opened_.emplace_back(address);
  return openResult_;
}

// --- Scoped installation ---

ScopedHeadless::ScopedHeadless() {
  auto backend = std::make_unique<HeadlessWindowSystem>();
  system_ = backend.get();
  previous_ = InstallSystem(std::move(backend));
}

ScopedHeadless::~ScopedHeadless() { InstallSystem(std::move(previous_)); }

}  // namespace quillmar::ws
