#include "ui/core/control.h"

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"

namespace quillmar {
namespace {

MouseButton ButtonOf(uint32_t msg) {
  switch (msg) {
    case Msg::LButtonDown:
    case Msg::LButtonUp:
    case Msg::LButtonDblClk:
      return MouseButton::Left;
    case Msg::RButtonDown:
    case Msg::RButtonUp:
    case Msg::RButtonDblClk:
      return MouseButton::Right;
    case Msg::MButtonDown:
    case Msg::MButtonUp:
    case Msg::MButtonDblClk:
      return MouseButton::Middle;
    default:
      return MouseButton::None;
  }
}

// Shift and Ctrl travel in a mouse message's key bits; Alt only in the key state.
Modifiers MouseModifiers(uint32_t keyBits) {
  return {(keyBits & Mk::Shift) != 0, (keyBits & Mk::Control) != 0, ws::System().IsKeyDown(Vk::Menu)};
}

Modifiers KeyModifiers() {
  const ws::WindowSystem& sys = ws::System();
  return {sys.IsKeyDown(Vk::Shift), sys.IsKeyDown(Vk::Control), sys.IsKeyDown(Vk::Menu)};
}

}  // namespace

int32_t UiControl::CreateElement(UiWindow* parent, bool adopt, int32_t x, int32_t y, int32_t width, int32_t height,
                                 std::string_view tag) {
  const int32_t key = Register(x, y, width, height, tag);
  if (adopt && parent != nullptr) parent->SetParent(key, parent->Key());
  return key;
}

void UiControl::Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                      std::optional<int32_t> height, OptKey key) {
  const ElementRef rec(ResolveKey(key));
  if (!rec) return;
  const int32_t k = rec.Key();
  const auto [nx, ny, nw, nh] = rec->Resolve(x, y, width, height);
  const Rect target{nx, ny, nw, nh};
  if (target.GetSize() != rec->bounds.GetSize()) {
    SetGeometry(nx, ny, nw, nh, k);
    RecreateCanvas(k);
    InvalidateRect(k);
    SendEvent(k, Event::Resized, static_cast<WParam>(nw), static_cast<LParam>(nh));
    // The handler may have ended this object: from here only the reference is used.
    if (!rec) return;
  }
  if (rec->bounds == target) return;
  rec->bounds = target;
  rec->MarkChanged();
  SendEvent(k, Event::Moved, static_cast<WParam>(nx), static_cast<LParam>(ny));
}

void UiControl::SetVisible(int32_t value, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || rec->visible == value) return;
  rec->visible = value;
  rec->MarkChanged();
  NotifyAccessible(ws::AxEvent::State(ws::AxState::Visible, value != 0), rec->key);
  NotifyAccessible(ws::AxEvent::State(ws::AxState::Showing, value != 0), rec->key);
}

int32_t UiControl::RaiseEvent(uint32_t msg, WParam wParam, LParam lParam) {
  return SendEvent(Key(), msg, wParam, lParam);
}

int32_t UiControl::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (key != Key()) return 1;
  if (hwnd != 0 && (msg == Msg::LButtonDown || msg == Msg::LButtonDblClk) && TracksDrag()) CaptureSelf();
  return Dispatch(hwnd, msg, wParam, lParam) == Handled::Stop ? 0 : 1;
}

MouseEvent UiControl::DecodeMouse(uint32_t msg, WParam wParam, LParam lParam) {
  MouseEvent e;
  e.button = ButtonOf(msg);
  const bool wheel = msg == Msg::MouseWheel || msg == Msg::MouseHWheel;
  const uint32_t keyBits = wheel ? LowWord(wParam) : static_cast<uint32_t>(wParam);
  e.buttons = keyBits & (Mk::LButton | Mk::RButton | Mk::MButton);
  e.modifiers = MouseModifiers(keyBits);
  const Point at{SignedLowWord(static_cast<uint64_t>(lParam)), SignedHighWord(static_cast<uint64_t>(lParam))};
  // Wheel messages carry a screen point, the others a point in the window.
  const Point origin = wheel ? PointToScreen({0, 0}) : PointToWindow({0, 0});
  e.position = {at.x - origin.x, at.y - origin.y};
  if (wheel) {
    e.wheelDelta = SignedHighWord(wParam);
    e.horizontal = msg == Msg::MouseHWheel;
  }
  return e;
}

Handled UiControl::Dispatch(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  // Window messages come with the window; the framework's events without one.
  if (hwnd != 0) {
    switch (msg) {
      case Msg::MouseMove:
        return OnMouseMove(DecodeMouse(msg, wParam, lParam));
      case Msg::LButtonDown:
      case Msg::RButtonDown:
      case Msg::MButtonDown:
        return OnMouseDown(DecodeMouse(msg, wParam, lParam));
      case Msg::LButtonUp:
      case Msg::RButtonUp:
      case Msg::MButtonUp:
        return OnMouseUp(DecodeMouse(msg, wParam, lParam));
      case Msg::LButtonDblClk:
      case Msg::RButtonDblClk:
      case Msg::MButtonDblClk:
        return OnDoubleClick(DecodeMouse(msg, wParam, lParam));
      case Msg::MouseWheel:
      case Msg::MouseHWheel:
        return OnMouseWheel(DecodeMouse(msg, wParam, lParam));
      case Msg::KeyDown:
        return OnKeyDown({static_cast<int32_t>(wParam), lParam, KeyModifiers()});
      case Msg::KeyUp:
        return OnKeyUp({static_cast<int32_t>(wParam), lParam, KeyModifiers()});
      case Msg::Char:
        return OnChar({static_cast<uint32_t>(wParam), KeyModifiers()});
      case Msg::CaptureChanged:
        return OnCaptureLost();
      default:
        return Handled::Continue;
    }
  }
  switch (msg) {
    case Event::FocusGained:
      return OnFocusGained();
    case Event::FocusLost:
      return OnFocusLost();
    case Event::MouseEnter:
      return OnMouseEnter();
    case Event::MouseLeave:
      return OnMouseLeave();
    case Event::DisabledChanged:
      return OnDisabledChanged((wParam & 1) != 0);
    case Event::Click:
      return OnClick();
    default:
      return msg > Event::Click ? OnOwnEvent(msg, wParam, lParam) : Handled::Continue;
  }
}

void UiControl::PaintEntry() {
  ElementRecord* rec = Rec({});
  if (!rec) return;
  const Size size = rec->bounds.GetSize();
  if (draw::Graphics* g = CanvasGraphics()) OnPaint(*g, size);
}

}  // namespace quillmar
