// The bound window's own messages: a map from message numbers to typed
// handlers, then the user routine and the previous window procedure.

#include <optional>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/process_values.h"
#include "ui/core/window.h"
#include "ui/gfx/effect.h"

namespace quillmar {
namespace {

// The signed point packed in a word pair (a client origin, a mouse position).
Point SignedPoint(LParam lParam) {
  return {SignedLowWord(static_cast<uint64_t>(lParam)), SignedHighWord(static_cast<uint64_t>(lParam))};
}

}  // namespace

int32_t UiWindow::ChildProc(Hwnd, int32_t key, uint32_t msg, WParam, LParam) {
  if (msg != Event::Click || hwnd_ == 0 || !frame_) return 1;
  frame_->CaptionClick(key);
  return 1;
}

int32_t UiWindow::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  ws::WindowSystem& sys = ws::System();
  const ElementRef self(key_);
  if (!self) return 1;
  // A window object without a system window of its own (not bound, or placed
  // inside another element) only turns resizing into its routine's WM_SIZE.
  if (hwnd_ == 0 || !sys.IsWindow(hwnd_)) {
    if (msg == Event::Resized) NotifyResize();
    return 1;
  }
  // The framework's own events carry no window: the routine hears them, but
  // they are not window messages for the sizing logic or the system.
  if (hwnd == 0) {
    if (key != key_) return 1;
    if (msg == Event::Resized) {
      NotifyResize();
      return 1;
    }
    if (EventRoutine routine = GetUserHandler(); routine && routine(hwnd, key, msg, wParam, lParam) == 0) return 0;
    return 1;
  }
  if (key != key_) {
    ChildProc(hwnd, key, msg, wParam, lParam);
    return 1;
  }
  if (GetResizable() != 0 || (sys.GetStyle(hwnd) & Style::ThickFrame) != 0) SizingHitTest(hwnd, msg);
  if (self.Lost()) return 0;
  WindowMessage m{hwnd, msg, wParam, lParam};
  switch (HandleOwnMessage(m)) {
    case MessageResult::Stop:
      return 0;
    case MessageResult::Done:
      return 1;
    case MessageResult::Continue:
      break;
  }
  // The handlers call out too (sizing, moving, the routine for WM_MOVE).
  if (self.Lost()) return 0;
  if (EventRoutine routine = GetUserHandler(); routine && routine(hwnd, key, msg, m.wParam, m.lParam) == 0) return 0;
  // The routine may have ended this object (closing a window often does).
  if (self.Lost()) return 0;
  if (msg == Msg::Close && StartCloseEffect(hwnd)) return 0;
  return sys.CallProc(prevWndProc_, hwnd, msg, m.wParam, m.lParam) != 0 ? 1 : 0;
}

UiWindow::MessageResult UiWindow::HandleOwnMessage(WindowMessage& m) {
  using R = MessageResult;
  struct Entry {
    uint32_t msg;
    R (*handle)(UiWindow& w, WindowMessage& m);
  };
  static constexpr Entry kMap[] = {
      {Msg::NcLButtonDown, [](UiWindow& w, WindowMessage& m) { return w.OnNcLButtonDown(m.hwnd); }},
      {Msg::KillFocus, [](UiWindow& w, WindowMessage& m) { return w.OnKillFocus(m.hwnd); }},
      {Msg::SetFocus, [](UiWindow& w, WindowMessage& m) { return w.OnSetFocus(m.hwnd); }},
      {Msg::Move, [](UiWindow& w, WindowMessage& m) { return w.OnMove(m.hwnd, SignedPoint(m.lParam)); }},
      {Event::DisabledChanged,
       [](UiWindow& w, WindowMessage& m) { return w.OnDisabledChanged(m.hwnd, (m.wParam & 1) != 0); }},
      {Msg::ShowWindow, [](UiWindow& w, WindowMessage& m) { return w.OnShowWindow(m.wParam == 1); }},
      {Msg::MouseMove, [](UiWindow& w, WindowMessage& m) { return w.OnMouseMove(m.hwnd); }},
      {Msg::SetCursor,
       [](UiWindow& w, WindowMessage& m) {
         return w.OnSetCursor(static_cast<HitTest>(LowWord(static_cast<uint64_t>(m.lParam))), m.lParam);
       }},
      {Msg::SysCommand, [](UiWindow& w, WindowMessage& m) { return w.OnSysCommand(m.hwnd, m.wParam); }},
      {Msg::LButtonDown, [](UiWindow& w, WindowMessage& m) { return w.OnLButtonDown(m.hwnd); }},
      {Msg::WorkAreaChanged, [](UiWindow& w, WindowMessage& m) { return w.OnWorkAreaChanged(m.hwnd); }},
      {Msg::GetMinMaxInfo,
       [](UiWindow& w, WindowMessage& m) { return w.OnGetMinMaxInfo(reinterpret_cast<ws::MinMaxInfo*>(m.lParam)); }},
      {Msg::Size, [](UiWindow& w, WindowMessage& m) { return w.OnSysSize(m.hwnd, static_cast<SizeKind>(m.wParam)); }},
      // The framework's requests to the window end here: the routine and the
      // system never see them. A repaint request with an lParam is not one.
      {Event::RepaintRequest,
       [](UiWindow& w, WindowMessage& m) {
         return m.lParam == 0 ? w.OnRepaintRequest(static_cast<RepaintKind>(m.wParam)) : R::Done;
       }},
      {Event::DeferredRepaint, [](UiWindow& w, WindowMessage& m) { return w.OnDeferredRepaint(m.hwnd); }},
      {Event::FocusRequest,
       [](UiWindow& w, WindowMessage& m) { return w.OnFocusRequest(static_cast<int32_t>(m.wParam)); }},
      {Event::UnfocusRequest, [](UiWindow& w, WindowMessage&) { return w.OnFocusRequest(0); }},
      {Msg::Destroy, [](UiWindow& w, WindowMessage& m) { return w.OnDestroy(m); }},
  };

  for (const Entry& entry : kMap) {
    if (entry.msg == m.msg) return entry.handle(*this, m);
  }
  return R::Continue;
}

UiWindow::MessageResult UiWindow::OnNcLButtonDown(Hwnd hwnd) {
  if (OsVersionCode() < 8 && ws::System().Placement(hwnd).showCmd == Show::Maximized) return MessageResult::Stop;
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnKillFocus(Hwnd hwnd) {
  ws::WindowSystem& sys = ws::System();
  const Hwnd focus = sys.Focus();
  if (frame_) frame_->RecheckTip();
  if (sys.IsVisible(hwnd) && sys.Owner(focus) != hwnd) InvalidateRect();
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnSetFocus(Hwnd hwnd) {
  if (ws::System().IsVisible(hwnd)) InvalidateRect();
  // Back in the window (a menu or another program had the keyboard): a reader
  // follows the keyboard to the element that still holds it.
  if (focusKey_ != 0) NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::Focus), focusKey_);
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnMove(Hwnd hwnd, Point clientOrigin) {
  if (EffectBusy()) return MessageResult::Continue;
  const Rect r = ws::System().WindowRect(hwnd);
  SetGeometry(r.x, r.y, std::nullopt, std::nullopt);
  if (EventRoutine routine = GetUserHandler()) {
    routine(hwnd, key_, Event::Moved, static_cast<WParam>(clientOrigin.x), static_cast<LParam>(clientOrigin.y));
  }
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnDisabledChanged(Hwnd hwnd, bool disabled) {
  ws::WindowSystem& sys = ws::System();
  const uint32_t style = sys.GetStyle(hwnd);
  sys.SetStyle(hwnd, disabled ? (style | Style::Disabled) : (style & ~Style::Disabled));
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnShowWindow(bool shown) {
  if (ElementRecord* r = Rec({})) r->visible = shown ? 1 : 0;
  // What changed while the window was hidden shows when it comes back.
  if (shown) PaintScheduler::Request(key_);
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnMouseMove(Hwnd hwnd) {
  ws::System().TrackMouse(hwnd, Track::Hover | Track::Leave, 1);
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnSetCursor(HitTest hit, LParam& lParam) {
  // The sizing band has chosen its cursor already.
  if (GetSizingCursorSet() != 0) return MessageResult::Stop;
  // An edge the band left alone goes on as the client (the edge in the high
  // word), so the default procedure shows the ordinary cursor.
  if (IsSizingEdge(hit)) lParam = static_cast<LParam>(MakeLong(ToWire(HitTest::Client), ToWire(hit)));
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnSysCommand(Hwnd hwnd, WParam command) {
  if (command < SysCmd::SizeLeft || command > SysCmd::SizeBottomRight) return MessageResult::Continue;
  SizingHitTest(hwnd, Msg::SysCommand);
  // A size command outside the sizing band moves the window instead.
  if (GetSizingCursorSet() == 0) ws::System().Send(hwnd, Msg::NcLButtonDown, ToWire(HitTest::Caption), 0);
  return MessageResult::Done;
}

UiWindow::MessageResult UiWindow::OnLButtonDown(Hwnd hwnd) {
  ws::WindowSystem& sys = ws::System();
  // A press that a control or the sizing band captured is not a window drag.
  if (GetDragAnywhere() != 0 && sys.Capture() != hwnd) sys.Send(hwnd, Msg::NcLButtonDown, ToWire(HitTest::Caption), 0);
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnWorkAreaChanged(Hwnd hwnd) {
  UpdateWorkArea(hwnd);
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnGetMinMaxInfo(ws::MinMaxInfo* info) {
  const std::optional<Rect> p = MaximizedRect();
  if (p && info != nullptr) {
    info->maxSize = {p->width, p->height};
    info->maxPosition = p->Origin();
  }
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnSysSize(Hwnd hwnd, SizeKind kind) {
  if (kind == SizeKind::Minimized && frame_) frame_->RecheckTip();
  if (kind != SizeKind::Restored && kind != SizeKind::Maximized) return MessageResult::Continue;
  // Coming back from the taskbar shows what changed while minimized.
  PaintScheduler::Request(key_);
  if (EffectBusy()) return MessageResult::Continue;
  const Rect r = ws::System().WindowRect(hwnd);
  ElementRecord* self = Rec({});
  if (self && r.GetSize() != self->bounds.GetSize()) {
    if (frame_) frame_->ShowMaximizeState(kind == SizeKind::Maximized);
    // The system may have moved the window too (maximizing does).
    Place(r.x, r.y, r.width, r.height);
  }
  return MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnRepaintRequest(RepaintKind kind) {
  if (kind == RepaintKind::Repaint) Repaint();
  if (kind == RepaintKind::Paint) Paint(key_, 1);
  return MessageResult::Done;
}

UiWindow::MessageResult UiWindow::OnDeferredRepaint(Hwnd hwnd) {
  ws::System().Post(hwnd, Event::RepaintRequest, ToWire(RepaintKind::Repaint), 0);
  return MessageResult::Done;
}

UiWindow::MessageResult UiWindow::OnFocusRequest(int32_t key) {
  SetFocusElement(0, key);
  return MessageResult::Done;
}

UiWindow::MessageResult UiWindow::OnDestroy(const WindowMessage& m) {
  const ElementRef self(key_);
  // The window goes whatever the user routine answers, so the binding and
  // the frame go with it; a routine that swallows the message only keeps
  // it from the previous procedure.
  const EventRoutine routine = GetUserHandler();
  const bool swallowed = routine && routine(m.hwnd, key_, m.msg, m.wParam, m.lParam) == 0;
  if (self.Lost()) return MessageResult::Stop;
  const ws::WindowProc previous = prevWndProc_;
  ReleaseWindow();
  if (swallowed) return MessageResult::Stop;
  const bool handled = ws::System().CallProc(previous, m.hwnd, m.msg, m.wParam, m.lParam) != 0;
  return handled ? MessageResult::Done : MessageResult::Stop;
}

bool UiWindow::StartCloseEffect(Hwnd hwnd) {
  ws::WindowSystem& sys = ws::System();
  UiEffect* close = frame_ ? &frame_->CloseEffect() : nullptr;
  if (!close || !close->Configured() || close->Running() || close->Finished() || !sys.IsWindow(hwnd)) return false;
  // The close effect plays first; the window closes when it has finished.
  const Rect r = sys.WindowRect(hwnd);
  close->SetTarget(r.x, r.y, r.width, r.height);
  if (const draw::Bitmap* picture = GetDib()) close->DrawBitmapToSnapshot(*picture);
  close->Start();
  return true;
}

}  // namespace quillmar
