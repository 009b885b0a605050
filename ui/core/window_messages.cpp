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
      {Msg::KillFocus,
       [](UiWindow& w, WindowMessage& m) {
         w.OnKillFocus(m.hwnd);
         return R::Continue;
       }},
      {Msg::SetFocus,
       [](UiWindow& w, WindowMessage& m) {
         w.OnSetFocus(m.hwnd);
         return R::Continue;
       }},
      {Msg::Move,
       [](UiWindow& w, WindowMessage& m) {
         w.OnMove(m.hwnd,
                  {SignedLowWord(static_cast<uint64_t>(m.lParam)), SignedHighWord(static_cast<uint64_t>(m.lParam))});
         return R::Continue;
       }},
      {Event::DisabledChanged,
       [](UiWindow& w, WindowMessage& m) {
         w.OnDisabledChanged(m.hwnd, (m.wParam & 1) != 0);
         return R::Continue;
       }},
      {Msg::ShowWindow,
       [](UiWindow& w, WindowMessage& m) {
         w.OnShowWindow(m.wParam == 1);
         return R::Continue;
       }},
      {Msg::MouseMove,
       [](UiWindow& w, WindowMessage& m) {
         w.OnMouseMove(m.hwnd);
         return R::Continue;
       }},
      {Msg::SetCursor,
       [](UiWindow& w, WindowMessage& m) {
         const auto hit = static_cast<HitTest>(LowWord(static_cast<uint64_t>(m.lParam)));
         const R result = w.OnSetCursor(hit);
         // An edge the sizing band left alone goes on as the client, so the
         // default procedure shows the ordinary cursor.
         if (result == R::Continue && IsSizingEdge(hit)) {
           m.lParam = static_cast<LParam>(MakeLong(ToWire(HitTest::Client), ToWire(hit)));
         }
         return result;
       }},
      {Msg::SysCommand, [](UiWindow& w, WindowMessage& m) { return w.OnSysCommand(m.hwnd, m.wParam); }},
      {Msg::LButtonDown,
       [](UiWindow& w, WindowMessage& m) {
         w.OnLButtonDown(m.hwnd);
         return R::Continue;
       }},
      {Msg::WorkAreaChanged,
       [](UiWindow&, WindowMessage& m) {
         UpdateWorkArea(m.hwnd);
         return R::Continue;
       }},
      {Msg::GetMinMaxInfo,
       [](UiWindow& w, WindowMessage& m) {
         w.OnGetMinMaxInfo(reinterpret_cast<ws::MinMaxInfo*>(m.lParam));
         return R::Continue;
       }},
      {Msg::Size,
       [](UiWindow& w, WindowMessage& m) {
         w.OnSysSize(m.hwnd, static_cast<SizeKind>(m.wParam));
         return R::Continue;
       }},
      // The framework's requests to the window end here: the routine and the
      // system never see them.
      {Event::RepaintRequest,
       [](UiWindow& w, WindowMessage& m) {
         if (m.lParam == 0) w.OnRepaintRequest(static_cast<RepaintKind>(m.wParam));
         return R::Done;
       }},
      {Event::DeferredRepaint,
       [](UiWindow&, WindowMessage& m) {
         ws::System().Post(m.hwnd, Event::RepaintRequest, ToWire(RepaintKind::Repaint), 0);
         return R::Done;
       }},
      {Event::FocusRequest,
       [](UiWindow& w, WindowMessage& m) {
         w.SetFocusElement(0, static_cast<int32_t>(m.wParam));
         return R::Done;
       }},
      {Event::UnfocusRequest,
       [](UiWindow& w, WindowMessage&) {
         w.SetFocusElement(0, 0);
         return R::Done;
       }},
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

void UiWindow::OnKillFocus(Hwnd hwnd) {
  ws::WindowSystem& sys = ws::System();
  const Hwnd focus = sys.Focus();
  if (frame_) frame_->RecheckTip();
  if (sys.IsVisible(hwnd) && sys.Owner(focus) != hwnd) InvalidateRect();
}

void UiWindow::OnSetFocus(Hwnd hwnd) {
  if (ws::System().IsVisible(hwnd)) InvalidateRect();
}

void UiWindow::OnMove(Hwnd hwnd, Point clientOrigin) {
  if (EffectBusy()) return;
  const Rect r = ws::System().WindowRect(hwnd);
  SetGeometry(r.x, r.y, std::nullopt, std::nullopt);
  if (EventRoutine routine = GetUserHandler()) {
    routine(hwnd, key_, Event::Moved, static_cast<WParam>(clientOrigin.x), static_cast<LParam>(clientOrigin.y));
  }
}

void UiWindow::OnDisabledChanged(Hwnd hwnd, bool disabled) {
  ws::WindowSystem& sys = ws::System();
  const uint32_t style = sys.GetStyle(hwnd);
  sys.SetStyle(hwnd, disabled ? (style | Style::Disabled) : (style & ~Style::Disabled));
}

void UiWindow::OnShowWindow(bool shown) {
  if (ElementRecord* r = Rec({})) r->visible = shown ? 1 : 0;
  // What changed while the window was hidden shows when it comes back.
  if (shown) PaintScheduler::Request(key_);
}

void UiWindow::OnMouseMove(Hwnd hwnd) { ws::System().TrackMouse(hwnd, Track::Hover | Track::Leave, 1); }

UiWindow::MessageResult UiWindow::OnSetCursor(HitTest) {
  // The sizing band has chosen its cursor already.
  return GetSizingCursorSet() != 0 ? MessageResult::Stop : MessageResult::Continue;
}

UiWindow::MessageResult UiWindow::OnSysCommand(Hwnd hwnd, WParam command) {
  if (command < SysCmd::SizeLeft || command > SysCmd::SizeBottomRight) return MessageResult::Continue;
  SizingHitTest(hwnd, Msg::SysCommand);
  // A size command outside the sizing band moves the window instead.
  if (GetSizingCursorSet() == 0) ws::System().Send(hwnd, Msg::NcLButtonDown, ToWire(HitTest::Caption), 0);
  return MessageResult::Done;
}

void UiWindow::OnLButtonDown(Hwnd hwnd) {
  ws::WindowSystem& sys = ws::System();
  // A press that a control or the sizing band captured is not a window drag.
  if (GetDragAnywhere() != 0 && sys.Capture() != hwnd) sys.Send(hwnd, Msg::NcLButtonDown, ToWire(HitTest::Caption), 0);
}

void UiWindow::OnGetMinMaxInfo(ws::MinMaxInfo* info) {
  const std::optional<Rect> p = MaximizedRect();
  if (!p || info == nullptr) return;
  info->maxSize = {p->width, p->height};
  info->maxPosition = p->Origin();
}

void UiWindow::OnSysSize(Hwnd hwnd, SizeKind kind) {
  if (kind == SizeKind::Minimized && frame_) frame_->RecheckTip();
  if (kind != SizeKind::Restored && kind != SizeKind::Maximized) return;
  // Coming back from the taskbar shows what changed while minimized.
  PaintScheduler::Request(key_);
  if (EffectBusy()) return;
  const Rect r = ws::System().WindowRect(hwnd);
  ElementRecord* self = Rec({});
  if (self && r.GetSize() != self->bounds.GetSize()) {
    if (frame_) frame_->ShowMaximizeState(kind == SizeKind::Maximized);
    // The system may have moved the window too (maximizing does).
    Place(r.x, r.y, r.width, r.height);
  }
}

void UiWindow::OnRepaintRequest(RepaintKind kind) {
  if (kind == RepaintKind::Repaint) Repaint();
  if (kind == RepaintKind::Paint) Paint(key_, 1);
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
