#include "ui/core/tool_tip.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/text_encoding.h"
#include "platform/draw/graphics.h"
#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"

namespace quillmar {
namespace {

constexpr std::string_view kTipClass = "QuillmarToolTip";
constexpr uint32_t kDelayTimerId = 1;
constexpr int32_t kPad = 4;            // between the border and the text
constexpr int32_t kBelowPointer = 20;  // the tip opens below the pointer's arrow
constexpr draw::Argb kBack = 0xFFFFFFE1;
constexpr draw::Argb kBorder = 0xFF767676;
constexpr draw::Argb kText = 0xFF000000;

}  // namespace

UiToolTip::~UiToolTip() { Destroy(); }

void UiToolTip::Create(ws::WindowHandle owner, std::string_view text, int32_t x, int32_t y, int32_t width,
                       int32_t height, int32_t maxWidth) {
  Destroy();
  ws::WindowSystem& system = ws::System();
  if (!system.IsWindow(owner)) return;
  ws::WindowClass cls;
  cls.name = std::string(kTipClass);
  cls.proc = defaultFrameProc;
  system.AddWindowClass(cls);
  // Layered from code 8 on; topmost when the owner is, so the tip is not hidden behind it.
  uint32_t exStyle = OsVersionCode() >= 8 ? ExStyle::Layered : 0u;
  if ((system.GetExStyle(owner) & ExStyle::Topmost) != 0) exStyle |= ExStyle::Topmost;
  exStyle |= ExStyle::ToolWindow | ExStyle::NoActivate;
  ws::WindowCreateParams p;
  p.className = cls.name;
  p.style = Style::Popup;
  p.exStyle = exStyle;
  // Owned, so it stays with its window on the desktop and goes when it goes.
  p.owner = owner;
  window_ = system.OpenWindow(p);
  if (window_ == 0) return;
  system.SetAxProvider(window_, this);
  owner_ = owner;
  tools_.push_back(Tool{GbkToWide(text), Rect::FromXywh(x, y, width, height)});
  if (maxWidth > 0) SetMaxWidth(maxWidth);
  watcher_ = system.WatchPointer([this](Point) { Follow(); });
  // The pointer may already rest on the rectangle.
  Follow();
}

void UiToolTip::AddRegion(std::string_view text, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (window_ == 0) return;
  tools_.push_back(Tool{GbkToWide(text), Rect::FromXywh(x, y, width, height)});
}

void UiToolTip::SetMaxWidth(int32_t pixels) {
  if (window_ == 0) return;
  maxWidth_ = pixels;
}

void UiToolTip::SetDelay(int32_t ms) { delayMs_ = std::max(0, ms); }

void UiToolTip::Destroy() {
  ws::WindowSystem* system = ws::SystemOrNull();
  if (system != nullptr && watcher_ != 0) system->UnwatchPointer(watcher_);
  watcher_ = 0;
  delayTimer_ = 0;  // a window timer: it goes with the window
  // Hidden first, so a reader hears the tip go; no longer watching, it cannot come back meanwhile.
  if (system != nullptr && window_ != 0) HideTip();
  const ws::WindowHandle window = std::exchange(window_, 0);
  if (system != nullptr && window != 0) {
    system->SetAxProvider(window, nullptr);
    system->DestroyWindow(window);
  }
  owner_ = 0;
  tools_.clear();
  maxWidth_ = -1;
  restingTool_ = -1;
  shownTool_ = -1;
}

void UiToolTip::Follow() {
  ws::WindowSystem& system = ws::System();
  if (window_ == 0) return;
  // A tip belongs to the active window: a minimised, hidden, deactivated or
  // disabled owner takes its tip away.
  if (!system.IsWindow(owner_) || !system.IsVisible(owner_) || system.IsIconic(owner_) || !system.IsEnabled(owner_) ||
      system.Focus() != owner_) {
    StopDelay();
    restingTool_ = -1;
    HideTip();
    return;
  }
  const Rect ownerRect = system.WindowRect(owner_);
  const Point cursor = system.CursorPos();
  const Point client = cursor - ownerRect.Origin();
  int over = -1;
  if (ownerRect.Contains(cursor)) {
    for (size_t i = 0; i < tools_.size(); ++i) {
      if (tools_[i].rect.Contains(client)) {
        over = static_cast<int>(i);
        break;
      }
    }
  }
  if (over != restingTool_) {
    restingTool_ = over;
    restingSince_ = system.NowMs();
    StopDelay();
    if (over != shownTool_) HideTip();
  }
  if (over < 0 || shownTool_ == over) return;
  const int64_t waited = system.NowMs() - restingSince_;
  if (waited >= delayMs_) {
    StopDelay();
    ShowTool(over);
  } else if (delayTimer_ == 0) {
    // One look when the delay is up; a move to another rectangle restarts it.
    delayTimer_ =
        system.SetWindowTimer(window_, kDelayTimerId, static_cast<uint32_t>(delayMs_ - waited), [this](uint32_t) {
          StopDelay();
          Follow();
        });
  }
}

void UiToolTip::StopDelay() {
  if (delayTimer_ == 0) return;
  delayTimer_ = 0;
  if (window_ != 0) ws::System().KillWindowTimer(window_, kDelayTimerId);
}

void UiToolTip::ShowTool(int index) {
  ws::WindowSystem& system = ws::System();
  const Tool& tool = tools_[static_cast<size_t>(index)];
  const draw::Font font = draw::Font::StockGui();
  draw::StringFormat format(maxWidth_ > 0 ? 0 : draw::StringFormat::kNoWrap);
  const float layoutWidth = maxWidth_ > 0 ? static_cast<float>(std::max(1, maxWidth_ - 2 * kPad - 2)) : 4096.0f;
  draw::Bitmap probe(1, 1);
  draw::Graphics measure(probe);
  const draw::TextMeasure m = measure.MeasureString(tool.text, font, RectF{0, 0, layoutWidth, 4096.0f}, &format);
  const int32_t width = static_cast<int32_t>(std::ceil(m.bounds.width)) + 2 * kPad + 2;
  const int32_t height = static_cast<int32_t>(std::ceil(m.bounds.height)) + 2 * kPad + 2;

  draw::Bitmap bitmap(width, height);
  {
    draw::Graphics g(bitmap);
    g.Clear(kBack);
    g.DrawRectangle(draw::Pen(kBorder), RectF{0.5f, 0.5f, width - 1.0f, height - 1.0f});
    g.DrawString(tool.text, font,
                 RectF{static_cast<float>(kPad + 1), static_cast<float>(kPad + 1), layoutWidth, 4096.0f}, &format,
                 draw::Brush(kText));
  }
  // Kept on the monitor under the pointer, wherever that monitor sits.
  const Point cursor = system.CursorPos();
  const Rect screen = system.MonitorAt(cursor).bounds;
  const int32_t x = std::clamp(cursor.x, screen.x, std::max(screen.x, screen.Right() - width));
  int32_t y = cursor.y + kBelowPointer;
  if (y + height > screen.Bottom()) y = cursor.y - height;  // no room below: above the pointer
  const ws::PixelView view{bitmap.Data(), width, height, bitmap.Stride()};
  // Set before the window shows: the desktop may report the pointer, and so
  // call Follow, while it does, and a reader reads the name as the tip appears.
  shownTool_ = index;
  if ((system.GetExStyle(window_) & ExStyle::Layered) != 0) {
    system.PresentLayered(window_, Point{x, y}, Size{width, height}, view, 255);
  } else {
    system.MoveWindow(window_, Rect{x, y, width, height});
    system.PaintWindow(window_, view);
  }
  system.ShowWindow(window_, Show::NoActivateSame);
  AnnounceShowing(true);
}

void UiToolTip::AnnounceShowing(bool on) const {
  // Tips are no children of the application on the desktop's tree: a reader
  // learns of one only as it starts and stops showing.
  ws::WindowSystem& system = ws::System();
  if (window_ == 0 || !system.AxActive()) return;
  ws::AxEvent showing = ws::AxEvent::State(ws::AxState::Showing, on);
  showing.node = kTipNode;
  system.AxNotify(window_, showing);
}

std::optional<ws::AxNode> UiToolTip::Node(ws::AxNodeId id) const {
  if (id != kTipNode || window_ == 0) return {};
  ws::WindowSystem& system = ws::System();
  ws::AxNode node;
  node.role = ws::AxRole::ToolTip;
  node.bounds = system.WindowRect(window_);
  node.states = ws::AxState::Enabled;
  if (shownTool_ >= 0) {
    node.name = WideToMultiByte(tools_[static_cast<size_t>(shownTool_)].text, kCodePageUtf8, true);
    node.states |= ws::AxState::Visible | ws::AxState::Showing;
  }
  return node;
}

void UiToolTip::HideTip() {
  if (shownTool_ < 0) return;
  shownTool_ = -1;
  if (window_ == 0) return;
  ws::System().ShowWindow(window_, Show::Hide);
  AnnounceShowing(false);
}

}  // namespace quillmar
