// Putting the composed picture on the screen, the window tick, cursors and the
// open and close effects.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <span>

#include "platform/ws/cursor_file.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/cursor_bytes.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/window.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

// The cursor the framework created last and the class cursor it replaced first.
struct CursorState {
  ws::CursorHandle created = 0;
  ws::CursorHandle classFirst = 0;
  bool classFirstRead = false;
};

CursorState& Cursors() {
  static CursorState state;
  return state;
}

constexpr uint32_t kFrameRefresh = ws::Swp::NoSize | ws::Swp::NoMove | ws::Swp::NoZOrder | ws::Swp::FrameChanged;

}  // namespace

bool UiWindow::EffectBusy() const { return openEffect_->Running() || closeEffect_->Running(); }

void UiWindow::Present() {
  if (openEffect_->Running() || closeEffect_->Running() || closeEffect_->Finished()) return;
  ws::WindowSystem& sys = ws::System();
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  if (sys.IsVisible(hwnd_) && !sys.IsIconic(hwnd_)) PresentLayered();
  if (!blurApplied_ && blurBehind_ != 0) {
    blurApplied_ = sys.SetBlurBehind(hwnd_, GetPadding());
  }
}

void UiWindow::PresentLayered() {
  ws::WindowSystem& sys = ws::System();
  ElementRecord* rec = Rec({});
  if (!rec || hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  const draw::Bitmap& dib = rec->surfaces->dib;
  if (dib.IsEmpty()) return;
  const Rect r = sys.WindowRect(hwnd_);
  const ws::PixelView view{dib.Data(), dib.Width(), dib.Height(), dib.Stride()};
  sys.PresentLayered(hwnd_, r.Origin(), {rec->width, rec->height}, view,
                     static_cast<uint8_t>(std::clamp(windowAlpha_, 0, 255)));
}

void UiWindow::Tick() {
  ws::WindowSystem& sys = ws::System();
  const bool live = hwnd_ != 0 && sys.IsWindow(hwnd_);
  if (EffectBusy()) {
    if (live && blurBehind_ != 0) sys.SetPosition(hwnd_, 0, 0, 0, 0, 0, kFrameRefresh);
    return;
  }
  if (openEffect_->Running()) openSettled_ = false;
  if (openEffect_->Finished() && !openSettled_) {
    // Once per run: the window takes over showing its own picture again.
    openSettled_ = true;
    if (live && blurBehind_ != 0) sys.SetPosition(hwnd_, 0, 0, 0, 0, 0, kFrameRefresh);
    openEffect_->Reset();
    Invalidate();
  }
  if (closeEffect_->Finished()) {
    if (!live) return;
    const Hwnd hwnd = hwnd_;
    const ws::WindowProc previous = prevWndProc_;
    sys.CallProc(previous, hwnd, Msg::Close, 0, 0);
    if (sys.IsWindow(hwnd)) sys.DestroyWindow(hwnd);
    return;
  }
  ElementRecord* rec = Rec({});
  if (!rec) return;
  if (rec->parentKey != 0) {
    if (live) Detach();
    return;
  }
  if (live && sys.IsVisible(hwnd_) && !sys.IsIconic(hwnd_)) Repaint();
}

void UiWindow::StartTicking(int32_t intervalMs) {
  if (tickTimerId_ != 0) return;
  tickTimerId_ = ws::System().SetWindowTimer(0, 0, static_cast<uint32_t>(std::max(intervalMs, 1)),
                                             [this](uint32_t) { IdleEntry(); });
}

void UiWindow::StopTicking() {
  if (tickTimerId_ == 0) return;
  ws::System().KillWindowTimer(0, tickTimerId_);
  tickTimerId_ = 0;
}

void UiWindow::SetWindowAlpha(int32_t value) {
  if (windowAlpha_ == value) return;
  windowAlpha_ = value;
  Invalidate();
}

void UiWindow::SetBlurBehind(int32_t value) {
  if (blurBehind_ == value) return;
  blurBehind_ = value;
  blurApplied_ = false;
  ws::WindowSystem& sys = ws::System();
  // Turning it off takes the blur away now; turning it on applies at the next present.
  if (value == 0 && hwnd_ != 0 && sys.IsWindow(hwnd_)) sys.SetBlurBehind(hwnd_, std::nullopt);
  Invalidate();
}

void UiWindow::SetCursorShape(const CursorChoice& choice) {
  ws::WindowSystem& sys = ws::System();
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  CursorState& state = Cursors();
  if (state.created != 0) {
    sys.DestroyCursor(state.created);
    state.created = 0;
  }
  ws::CursorHandle chosen = choice.index ? CursorFromIndex(*choice.index) : 0;
  if (choice.handle) chosen = *choice.handle;
  if (choice.bytes) {
    chosen = CursorFromBytes(*choice.bytes);
    state.created = chosen;
  }
  if (choice.fileName) {
    if (chosen != 0 && chosen == state.created) sys.DestroyCursor(chosen);
    std::ifstream file(*choice.fileName, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    chosen = CursorFromBytes(bytes);
    state.created = chosen;
  }
  if (!state.classFirstRead) {
    state.classFirst = sys.ClassCursor(hwnd_);
    state.classFirstRead = true;
  }
  sys.SetClassCursor(hwnd_, chosen != 0 ? chosen : state.classFirst);
}

void UiWindow::ShowWithEffect(int32_t effectKind, bool hiding, std::function<void()> done) {
  ws::WindowSystem& sys = ws::System();
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  const ElementRef self(key_);
  Repaint();
  if (!self) return;
  ElementRecord* rec = self.get();
  if (hiding) {
    closeEffect_->Reset();
    closeEffect_->Setup(effectKind, nullptr, 0, 0, 0, 0, std::nullopt, false, std::move(done), {}, hwnd_);
    return;
  }
  openEffect_->Reset();
  openSettled_ = false;
  openEffect_->Setup(effectKind, &rec->surfaces->dib, rec->left, rec->top, rec->width, rec->height, std::nullopt, true,
                     std::move(done), {}, hwnd_);
}

}  // namespace quillmar
