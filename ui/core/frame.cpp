#include "ui/core/frame.h"

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/accessible_tree.h"
#include "ui/core/caption_images.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/pic_button.h"
#include "ui/core/tool_tip.h"
#include "ui/core/window.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

// Tooltips of the caption buttons (program text).
constexpr const char* kTipClose = "\xB9\xD8\xB1\xD5";             // close
constexpr const char* kTipMaximize = "\xD7\xEE\xB4\xF3\xBB\xAF";  // maximize
constexpr const char* kTipRestore = "\xBB\xB9\xD4\xAD";           // restore
constexpr const char* kTipMinimize = "\xD7\xEE\xD0\xA1\xBB\xAF";  // minimize

size_t Slot(CaptionButtonId id) { return static_cast<size_t>(id); }

}  // namespace

UiFrame::UiFrame(UiWindow& window)
    : window_(window),
      openEffect_(std::make_unique<UiEffect>()),
      closeEffect_(std::make_unique<UiEffect>()),
      clock_(window),
      accessible_(std::make_unique<UiAccessibleTree>(window)) {
  // The window's frames carry its effects, in step with everything else it shows.
  openEffect_->DriveByFrames([this] { clock_.RequestForEffect(); });
  closeEffect_->DriveByFrames([this] { clock_.RequestForEffect(); });
  PaintScheduler::Add(this);
  painted_ = true;
}

UiFrame::~UiFrame() {
  Quiesce();
  for (auto& button : captionButtons_) button.reset();
}

void UiFrame::Quiesce() {
  PaintScheduler::Remove(this);
  clock_.Stop();
  painted_ = false;
  accessible_->Withdraw();
  tip_.reset();
  openEffect_->Reset();
  closeEffect_->Reset();
}

void UiFrame::CreateCaptionButtons(int32_t flags) {
  for (auto& button : captionButtons_) button.reset();
  const CaptionImages& images = BuiltInCaptionImages();
  auto make = [&](CaptionButtonId id, const std::array<ImageHandle, 3>& set, int32_t width, const char* tip) {
    auto button = std::make_unique<UiPicButton>();
    button->Create(&window_, true, 0, 0, width, FrameMetrics::kCaptionButtonHeight, set[0], set[1], set[2], tip);
    button->SetKeepsFocus(1);
    UiWindow* window = &window_;
    button->SetUserHandler([window](Hwnd h, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
      return window->ChildProc(h, key, msg, wParam, lParam);
    });
    captionButtons_[Slot(id)] = std::move(button);
  };
  if (flags & 1) make(CaptionButtonId::Close, images.close, FrameMetrics::kCloseButtonWidth, kTipClose);
  if (flags & 2) make(CaptionButtonId::Minimize, images.minimize, FrameMetrics::kCaptionButtonWidth, kTipMinimize);
  if (flags & 4) make(CaptionButtonId::Maximize, images.maximize, FrameMetrics::kCaptionButtonWidth, kTipMaximize);
}

UiPicButton* UiFrame::CaptionButton(CaptionButtonId id) const { return captionButtons_[Slot(id)].get(); }

UiPicButton* UiFrame::CaptionButton(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(captionButtons_.size())) return nullptr;
  return captionButtons_[static_cast<size_t>(index)].get();
}

void UiFrame::ShowMaximizeState(bool maximized) {
  UiPicButton* button = CaptionButton(CaptionButtonId::Maximize);
  if (!button) return;
  const CaptionImages& images = BuiltInCaptionImages();
  const auto& set = maximized ? images.restore : images.maximize;
  button->SetImages(set[0], set[1], set[2]);
  button->SetTipText(maximized ? kTipRestore : kTipMaximize);
  // A caption button is named by its tip.
  button->NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::NameChanged));
}

bool UiFrame::CaptionClick(int32_t key) {
  const Hwnd hwnd = window_.WindowHandle();
  auto is = [&](CaptionButtonId id) { return CaptionButton(id) && CaptionButton(id)->Key() == key; };
  ws::WindowSystem& sys = ws::System();
  if (is(CaptionButtonId::Close)) {
    sys.Send(hwnd, Msg::Close, 0, 0);
  } else if (is(CaptionButtonId::Minimize)) {
    sys.ShowWindow(hwnd, Show::Minimized);
  } else if (is(CaptionButtonId::Maximize)) {
    sys.ShowWindow(hwnd, sys.IsZoomed(hwnd) ? Show::Normal : Show::Maximized);
  } else {
    return false;
  }
  return true;
}

void UiFrame::SetCaptionOffset(Point offset) {
  captionOffset_ = offset;
  PlaceCaptionButtons();
}

int32_t UiFrame::CaptionInset() const {
  if (window_.GetFrameOn() == 0) return 0;
  return window_.GetShadowOn() != 0 ? sizing_.border : 1;
}

int32_t UiFrame::CaptionButtonPosition(std::string_view name, std::string_view axis) const {
  int index = -1;
  if (name == "Button1") index = 0;
  if (name == "Button2") index = 2;
  if (name == "Button3") index = 1;
  if (index < 0 || (axis != "x" && axis != "y")) return -1;
  if (axis == "y") return captionOffset_.y;
  const CaptionWidths widths{CaptionButton(CaptionButtonId::Close) ? FrameMetrics::kCloseButtonWidth : 0,
                             CaptionButton(CaptionButtonId::Maximize) ? FrameMetrics::kCaptionButtonWidth : 0,
                             CaptionButton(CaptionButtonId::Minimize) ? FrameMetrics::kCaptionButtonWidth : 0};
  const ElementRecord* rec = Registry().Find(window_.Key());
  const int32_t width = rec ? rec->bounds.width : 0;
  return CaptionButtonXs(width, widths, CaptionInset(), captionOffset_.x)[static_cast<size_t>(index)];
}

void UiFrame::PlaceCaptionButtons() {
  static constexpr std::array<const char*, 3> kNames{"Button1", "Button2", "Button3"};
  for (size_t i = 0; i < captionButtons_.size(); ++i) {
    if (!captionButtons_[i]) continue;
    captionButtons_[i]->Place(CaptionButtonPosition(kNames[i], "x"), CaptionButtonPosition(kNames[i], "y"),
                              std::nullopt, std::nullopt);
  }
}

void UiFrame::AdvanceEffects(int64_t nowMs) {
  openEffect_->Frame(nowMs);
  closeEffect_->Frame(nowMs);
}

bool UiFrame::EffectBusy() const { return openEffect_->Running() || closeEffect_->Running(); }

bool UiFrame::SettleOpenEffect() {
  if (openEffect_->Running()) openSettled_ = false;
  if (!openEffect_->Finished() || openSettled_) return false;
  openSettled_ = true;
  openEffect_->Reset();
  return true;
}

void UiFrame::ShowTip(UiWindow& element, std::string_view text) {
  if (text.empty()) {
    // Only the element's own tip: the pointer may already have brought the
    // next element's tip (its enter comes before this one's leave).
    if (tip_ && tipKey_ == element.Key()) tip_->Destroy();
    return;
  }
  const Hwnd hwnd = window_.WindowHandle();
  if (hwnd == 0 || !ws::System().IsWindow(hwnd)) return;
  if (!tip_) tip_ = std::make_unique<UiToolTip>();
  const Point at = element.PointToWindow({0, 0});
  tip_->SetDelay(element.GetTipTime());
  tip_->Create(hwnd, text, at.x, at.y, element.GetWidth(), element.GetHeight());
  tipKey_ = element.Key();
}

void UiFrame::RecheckTip() {
  if (tip_) tip_->Recheck();
}

}  // namespace quillmar
