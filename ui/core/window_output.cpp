// Putting the composed picture on the screen, the window's update on demand,
// blur-behind, cursors and the open and close effects.

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
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
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

bool UiWindow::EffectBusy() const { return frame_ && frame_->EffectBusy(); }

void UiWindow::Present() {
  if (!frame_) return;
  UiEffect& open = frame_->OpenEffect();
  UiEffect& close = frame_->CloseEffect();
  if (open.Running() || close.Running() || close.Finished()) return;
  ws::WindowSystem& sys = ws::System();
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  if (sys.IsVisible(hwnd_) && !sys.IsIconic(hwnd_)) PresentLayered();
  FrameOutput& out = frame_->Output();
  if (!out.blurApplied && out.blurBehind != 0) {
    out.blurApplied = sys.SetBlurBehind(hwnd_, GetPadding());
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
  // The backend copies only what composition changed since the last present.
  std::vector<Rect> rects;
  ws::PresentDamage damage;
  if (frame_ && !frame_->Output().presentWhole) {
    rects = frame_->Output().unpresented.Rects();
    damage = ws::PresentDamage::Of(rects);
  }
  if (sys.PresentLayered(hwnd_, r.Origin(), rec->bounds.GetSize(), view,
                         static_cast<uint8_t>(std::clamp(GetWindowAlpha(), 0, 255)), damage) &&
      frame_) {
    frame_->Output().unpresented = draw::Region();
    frame_->Output().presentWhole = false;
  }
}

void UiWindow::RefreshBlur() {
  ws::WindowSystem& sys = ws::System();
  if (frame_ && frame_->Output().blurBehind != 0 && hwnd_ != 0 && sys.IsWindow(hwnd_)) {
    sys.SetPosition(hwnd_, 0, Rect{}, kFrameRefresh);
  }
}

void UiWindow::Tick() {
  // Only a framed window updates itself; after Detach nothing is left to do.
  if (!frame_ || !frame_->Painted()) return;
  ws::WindowSystem& sys = ws::System();
  const bool live = hwnd_ != 0 && sys.IsWindow(hwnd_);
  if (EffectBusy()) return;  // the effect shows the window meanwhile
  if (frame_->SettleOpenEffect()) {
    // Once per run: the window takes over showing its own picture again,
    // all of it, since the effect's frames are what the screen holds.
    frame_->Output().presentWhole = true;
    RefreshBlur();
    Invalidate();
  }
  if (frame_->CloseEffect().Finished()) {
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

void UiWindow::SetWindowAlpha(int32_t value) {
  if (!frame_ || frame_->Output().windowAlpha == value) return;
  frame_->Output().windowAlpha = value;
  Invalidate();
}

int32_t UiWindow::GetWindowAlpha() const { return frame_ ? frame_->Output().windowAlpha : 255; }

void UiWindow::SetBlurBehind(int32_t value) {
  if (!frame_ || frame_->Output().blurBehind == value) return;
  FrameOutput& out = frame_->Output();
  out.blurBehind = value;
  out.blurApplied = false;
  ws::WindowSystem& sys = ws::System();
  // Turning it off takes the blur away now; turning it on applies at the next present.
  if (value == 0 && hwnd_ != 0 && sys.IsWindow(hwnd_)) sys.SetBlurBehind(hwnd_, std::nullopt);
  Invalidate();
}

int32_t UiWindow::GetBlurBehind() const { return frame_ ? frame_->Output().blurBehind : 0; }

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
  if (!frame_ || hwnd_ == 0 || !sys.IsWindow(hwnd_)) return;
  const ElementRef self(key_);
  Repaint();
  if (!self || !frame_) return;
  // The effect's frames replace the window's picture on the screen.
  frame_->Output().presentWhole = true;
  ElementRecord* rec = self.get();
  // The end of an effect is what the window waits for to show itself again
  // (or to close); each frame keeps the blur region in step where there is one.
  auto finished = [done = std::move(done)] {
    if (done) done();
    PaintScheduler::Request();
  };
  auto frameShown = [this](const draw::Bitmap&) { RefreshBlur(); };
  if (hiding) {
    frame_->CloseEffect().Reset();
    frame_->CloseEffect().Setup(effectKind, nullptr, 0, 0, 0, 0, std::nullopt, false, std::move(finished), frameShown,
                                hwnd_);
    return;
  }
  frame_->OpenEffect().Reset();
  frame_->RearmOpenEffect();
  frame_->OpenEffect().Setup(effectKind, &rec->surfaces->dib, rec->bounds.x, rec->bounds.y, rec->bounds.width,
                             rec->bounds.height, std::nullopt, true, std::move(finished), frameShown, hwnd_);
}

}  // namespace quillmar
