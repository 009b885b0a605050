// The Win32 backend's input: pointer, wheel, keys, typed characters and the
// input method (IMM32), turned into the window system's own input calls.
// windows.h first: the headers below build on it.
#include <windows.h>

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "base/text_encoding.h"
#include "platform/ws/win32_backend.h"

namespace quillmar::ws {
namespace {

constexpr int kVkPacket = 0xE7;  // a character sent as a key (KEYEVENTF_UNICODE)

// The physical key behind a key message, for the left/right key state.
int StateKeyOf(int vk, LPARAM lParam) {
  const bool extended = (lParam & (1 << 24)) != 0;
  const UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
  switch (vk) {
    case VK_SHIFT:
      return MapVirtualKeyW(scan, MAPVK_VSC_TO_VK_EX) == VK_RSHIFT ? Vk::RShift : Vk::LShift;
    case VK_CONTROL:
      return extended ? Vk::RControl : Vk::LControl;
    case VK_MENU:
      return extended ? Vk::RMenu : Vk::LMenu;
    default:
      return vk;
  }
}

std::u16string CompositionString(HIMC imc, DWORD which) {
  const LONG bytes = ImmGetCompositionStringW(imc, which, nullptr, 0);
  if (bytes <= 0) return {};
  std::u16string text(static_cast<size_t>(bytes) / sizeof(char16_t), u'\0');
  ImmGetCompositionStringW(imc, which, text.data(), static_cast<DWORD>(bytes));
  return text;
}

}  // namespace

void Win32WindowSystem::SyncModifiers() {
  // A modifier released while another program had the focus must not stay
  // down here (Ctrl would turn typing into shortcuts).
  for (int vk : {Vk::LShift, Vk::RShift, Vk::LControl, Vk::RControl, Vk::LMenu, Vk::RMenu}) {
    SetKeyState(vk, (GetKeyState(vk) & 0x8000) != 0);
  }
}

WindowHandle Win32WindowSystem::WindowUnder(Point screen) const {
  // The system skips the transparent pixels of layered windows here.
  HWND hit = WindowFromPoint(POINT{screen.x, screen.y});
  const WindowHandle handle = HandleOf(hit != nullptr ? GetAncestor(hit, GA_ROOT) : nullptr);
  return handle != 0 && IsVisible(handle) && !IsIconic(handle) ? handle : 0;
}

bool Win32WindowSystem::HandleInput(Native& native, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      HandleMouse(native, msg, wParam, lParam);
      return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // Not to the default procedure: Alt alone would open a system menu,
      // Alt+F4 would close behind the program's back.
      HandleKey(native, msg, wParam, lParam);
      return true;
    case WM_CHAR:
      HandleChar(native, wParam, lParam);
      return true;
    case WM_SYSCHAR:
    case WM_IME_CHAR:
      return true;  // no menu beep; results arrive through the composition
    case WM_IME_SETCONTEXT:
      // The program draws the composition at its caret; the system's own
      // composition window stays hidden, its candidate window does not.
      *result = DefWindowProcW(native.hwnd, msg, wParam, lParam & ~static_cast<LPARAM>(ISC_SHOWUICOMPOSITIONWINDOW));
      return true;
    case WM_IME_STARTCOMPOSITION:
      return true;
    case WM_IME_COMPOSITION:
      HandleComposition(native, lParam);
      return true;
    case WM_IME_ENDCOMPOSITION:
      if (native.composing) {
        native.composing = false;
        InputImePreedit(u"", 0);
      }
      return true;
    default:
      return false;
  }
}

void Win32WindowSystem::HandleMouse(Native& native, UINT msg, WPARAM wParam, LPARAM lParam) {
  SyncModifiers();
  if (msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL) {
    const Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    InputWheel(screen, WindowUnder(screen), GET_WHEEL_DELTA_WPARAM(wParam), msg == WM_MOUSEHWHEEL,
               GET_KEYSTATE_WPARAM(wParam) & 0x1F);
    return;
  }
  if (msg == WM_MOUSELEAVE) {
    native.tracking = false;
    const Point screen = CursorPos();
    const WindowHandle under = WindowUnder(screen);
    if (under == native.handle || moveDrag_.active) return;
    // Whatever lies below now (another of our windows or none) takes the pointer.
    lastMove_ = screen;
    lastMoveUnder_ = under;
    InputMouseMove(screen, under, MouseKeyFlags());
    return;
  }
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(native.hwnd, &p);
  const Point screen{p.x, p.y};
  if (moveDrag_.active) {
    if (msg == WM_MOUSEMOVE) {
      const Rect r = WindowRect(moveDrag_.hwnd);
      MoveWindow(moveDrag_.hwnd,
                 Rect::FromXywh(screen.x - moveDrag_.grab.x, screen.y - moveDrag_.grab.y, r.width, r.height));
    } else if (msg == WM_LBUTTONUP) {
      const WindowHandle dragged = moveDrag_.hwnd;
      moveDrag_ = MoveDrag{};
      ::ReleaseCapture();
      SetKeyState(Vk::LButton, false);
      InputMoveDragEnded(dragged, screen);
    }
    return;
  }
  const WindowHandle under = WindowUnder(screen);
  if (msg == WM_MOUSEMOVE) {
    if (!native.tracking) {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, native.hwnd, 0};
      native.tracking = TrackMouseEvent(&track) != 0;
    }
    // The system repeats a move when windows change under a resting pointer.
    if (screen == lastMove_ && under == lastMoveUnder_) return;
    lastMove_ = screen;
    lastMoveUnder_ = under;
    InputMouseMove(screen, under, MouseKeyFlags());
    return;
  }
  int index = 0;
  bool down = false;
  bool doubleClick = false;
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      doubleClick = true;
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      down = true;
      [[fallthrough]];
    case WM_LBUTTONUP:
      index = 0;
      break;
    case WM_RBUTTONDBLCLK:
      doubleClick = true;
      [[fallthrough]];
    case WM_RBUTTONDOWN:
      down = true;
      [[fallthrough]];
    case WM_RBUTTONUP:
      index = 1;
      break;
    case WM_MBUTTONDBLCLK:
      doubleClick = true;
      [[fallthrough]];
    case WM_MBUTTONDOWN:
      down = true;
      [[fallthrough]];
    default:
      index = 2;
      break;
  }
  static constexpr int kVk[] = {Vk::LButton, Vk::RButton, Vk::MButton};
  SetKeyState(kVk[index], down);
  InputButton(screen, under, index, down, doubleClick, MouseKeyFlags());
}

void Win32WindowSystem::HandleKey(Native& /*native*/, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int vk = static_cast<int>(wParam);
  if (vk == kVkPacket) return;  // its character follows as WM_CHAR
  const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
  SyncModifiers();
  const uint32_t scan = (static_cast<uint32_t>(lParam) >> 16) & 0xFF;
  InputKey(vk, down, scan, StateKeyOf(vk, lParam));
}

void Win32WindowSystem::HandleChar(Native& native, WPARAM wParam, LPARAM lParam) {
  const auto unit = static_cast<char16_t>(wParam);
  if (IsHighSurrogate(unit)) {
    native.highSurrogate = unit;
    return;
  }
  if (IsLowSurrogate(unit)) {
    if (native.highSurrogate != 0) InputImeCommit(std::u16string{std::exchange(native.highSurrogate, u'\0'), unit});
    return;
  }
  native.highSurrogate = 0;
  // Beyond ASCII a character is text, as an input method's result is.
  if (unit >= 0x80) {
    InputImeCommit(std::u16string(1, unit));
    return;
  }
  InputChar(unit, lParam);
}

void Win32WindowSystem::HandleComposition(Native& native, LPARAM lParam) {
  HIMC imc = ImmGetContext(native.hwnd);
  if (imc == nullptr) return;
  std::u16string result;
  std::u16string composition;
  LONG cursor = 0;
  if ((lParam & GCS_RESULTSTR) != 0) result = CompositionString(imc, GCS_RESULTSTR);
  if ((lParam & GCS_COMPSTR) != 0) {
    composition = CompositionString(imc, GCS_COMPSTR);
    cursor = ImmGetCompositionStringW(imc, GCS_CURSORPOS, nullptr, 0);
  }
  ImmReleaseContext(native.hwnd, imc);
  if (!result.empty()) {
    native.composing = false;
    InputImeCommit(result);
  }
  if ((lParam & GCS_COMPSTR) != 0 && (native.composing || !composition.empty())) {
    native.composing = !composition.empty();
    InputImePreedit(composition, std::max<LONG>(0, cursor));
  }
}

void Win32WindowSystem::NativeImeCursor(WindowHandle hwnd, Rect clientRect) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  HIMC imc = ImmGetContext(n->hwnd);
  if (imc == nullptr) return;
  // The composition window at the caret, the candidates below the line and never over it.
  COMPOSITIONFORM composition{};
  composition.dwStyle = CFS_POINT;
  composition.ptCurrentPos = POINT{clientRect.x, clientRect.y};
  ImmSetCompositionWindow(imc, &composition);
  CANDIDATEFORM candidates{};
  candidates.dwIndex = 0;
  candidates.dwStyle = CFS_EXCLUDE;
  candidates.ptCurrentPos = POINT{clientRect.x, clientRect.Bottom()};
  candidates.rcArea = RECT{clientRect.x, clientRect.y, clientRect.Right(), clientRect.Bottom()};
  ImmSetCandidateWindow(imc, &candidates);
  ImmReleaseContext(n->hwnd, imc);
}

void Win32WindowSystem::NativeImeReset(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  HIMC imc = ImmGetContext(n->hwnd);
  if (imc == nullptr) return;
  ImmNotifyIME(imc, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
  ImmReleaseContext(n->hwnd, imc);
  n->composing = false;
}

}  // namespace quillmar::ws
