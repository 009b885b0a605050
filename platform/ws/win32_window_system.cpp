// The Win32 backend: native windows, layered presents, timers and the loop.
#include "platform/ws/desktop_window_system.h"
#include "platform/ws/win32_window_system.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/ws/win32_backend.h"

namespace quillmar::ws {
namespace {

constexpr wchar_t kWindowClass[] = L"QuillmarWindow";
constexpr wchar_t kMessageClass[] = L"QuillmarMessages";
// Posted to the message-only window when the posted queue turns non-empty.
constexpr UINT kWakeMessage = WM_APP + 1;

// Scoped echo guard: native notices raised by our own calls are not input.
class Quiet {
 public:
  explicit Quiet(int& depth) : depth_(depth) { ++depth_; }
  ~Quiet() { --depth_; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int& depth_;
};

DWORD NativeExStyle(uint32_t ex) {
  // Every window is layered: ordinary ones show their opaque picture the same way.
  DWORD out = WS_EX_LAYERED;
  if ((ex & ExStyle::Topmost) != 0) out |= WS_EX_TOPMOST;
  if ((ex & ExStyle::ToolWindow) != 0) out |= WS_EX_TOOLWINDOW;
  if ((ex & ExStyle::NoActivate) != 0) out |= WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
  return out;
}

}  // namespace

std::unique_ptr<WindowSystem> CreateWin32WindowSystem(std::string* error) {
  auto system = std::make_unique<Win32WindowSystem>(GetModuleHandleW(nullptr));
  if (!system->Start(error)) return nullptr;
  return system;
}

// The desktop backend here: the system's own windows; its version text ("6.1" style) becomes the version code at
// module init, which decides the blur-behind and layered-tip defaults.
std::unique_ptr<WindowSystem> CreateDesktopWindowSystem(std::string* error) { return CreateWin32WindowSystem(error); }

Win32WindowSystem::Native::~Native() {
  if (hwnd != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
  }
  if (memDc != nullptr) {
    SelectObject(memDc, oldBitmap);
    DeleteDC(memDc);
  }
  if (dib != nullptr) DeleteObject(dib);
}

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance) : instance_(instance) {}

Win32WindowSystem::~Win32WindowSystem() {
  // The system destroys owned windows with their owner: what it says meanwhile is no input.
  ++quiet_;
  natives_.clear();
  for (auto& [h, cursor] : ownedCursors_) ::DestroyCursor(cursor);
  if (messageWindow_ != nullptr) {
    SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, 0);
    ::DestroyWindow(messageWindow_);
  }
  if (windowClass_ != 0) UnregisterClassW(kWindowClass, instance_);
  if (messageClass_ != 0) UnregisterClassW(kMessageClass, instance_);
}

bool Win32WindowSystem::Start(std::string* error) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;  // the program's class decides whether a second press is a double click
  wc.lpfnWndProc = &WindowProcedure;
  wc.hInstance = instance_;
  wc.lpszClassName = kWindowClass;
  windowClass_ = RegisterClassExW(&wc);
  WNDCLASSEXW mc{};
  mc.cbSize = sizeof(mc);
  mc.lpfnWndProc = &MessageProcedure;
  mc.hInstance = instance_;
  mc.lpszClassName = kMessageClass;
  messageClass_ = RegisterClassExW(&mc);
  // Another backend of this process (a test's) may hold the classes already:
  // they are the same, and the one that registered them takes them away.
  auto usable = [this](ATOM atom, const wchar_t* name) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    return atom != 0 || GetClassInfoExW(instance_, name, &existing) != 0;
  };
  if (!usable(windowClass_, kWindowClass) || !usable(messageClass_, kMessageClass)) {
    if (error != nullptr) *error = "the window classes could not be registered";
    return false;
  }
  messageWindow_ = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, nullptr);
  if (messageWindow_ == nullptr) {
    if (error != nullptr) *error = "the message window could not be created";
    return false;
  }
  SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

Win32WindowSystem::Native* Win32WindowSystem::NativeOf(WindowHandle hwnd) const {
  auto it = natives_.find(hwnd);
  return it == natives_.end() ? nullptr : it->second.get();
}

HWND Win32WindowSystem::NativeWindow(WindowHandle hwnd) const {
  const Native* n = NativeOf(hwnd);
  return n == nullptr ? nullptr : n->hwnd;
}

WindowHandle Win32WindowSystem::HandleOf(HWND hwnd) const {
  if (hwnd == nullptr) return 0;
  for (const auto& [h, n] : natives_) {
    if (n->hwnd == hwnd) return h;
  }
  return 0;
}

int64_t Win32WindowSystem::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Point Win32WindowSystem::CursorPos() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  return Point{p.x, p.y};
}

// --- Windows ---

void Win32WindowSystem::NativeCreate(WindowHandle hwnd) {
  auto native = std::make_unique<Native>();
  native->system = this;
  native->handle = hwnd;
  const Rect r = WindowRect(hwnd);
  const Native* owner = NativeOf(Owner(hwnd));
  Quiet quiet(quiet_);
  native->hwnd = CreateWindowExW(NativeExStyle(GetExStyle(hwnd)), kWindowClass, L"", WS_POPUP, r.x, r.y,
                                 std::max(1, r.width), std::max(1, r.height), owner != nullptr ? owner->hwnd : nullptr,
                                 nullptr, instance_, native.get());
  if (native->hwnd == nullptr) return;  // the record lives on without a native side
  natives_.emplace(hwnd, std::move(native));
  NativeTitle(hwnd);
}

void Win32WindowSystem::NativeDestroy(WindowHandle hwnd) {
  auto it = natives_.find(hwnd);
  if (it == natives_.end()) return;
  if (moveDrag_.hwnd == hwnd) moveDrag_ = MoveDrag{};
  Quiet quiet(quiet_);
  it->second->destroying = true;
  std::unique_ptr<Native> gone = std::move(it->second);
  natives_.erase(it);
  gone.reset();
}

void Win32WindowSystem::NativeShow(WindowHandle hwnd, bool visible) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  Quiet quiet(quiet_);
  // Activation is the focus call's business, so showing never takes it.
  ::ShowWindow(n->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32WindowSystem::NativeGeometry(WindowHandle hwnd, Rect rect) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  // A present moves and sizes the window together with its new picture.
  if (presenting_ == hwnd) return;
  RECT now{};
  GetWindowRect(n->hwnd, &now);
  if (now.left == rect.x && now.top == rect.y && now.right - now.left == rect.width &&
      now.bottom - now.top == rect.height) {
    return;
  }
  Quiet quiet(quiet_);
  SetWindowPos(n->hwnd, nullptr, rect.x, rect.y, std::max(1, rect.width), std::max(1, rect.height),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Win32WindowSystem::NativeMinimumSize(WindowHandle hwnd, Size size) {
  if (Native* n = NativeOf(hwnd)) n->minSize = size;
}

void Win32WindowSystem::NativeIconify(WindowHandle hwnd, bool iconic) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  Quiet quiet(quiet_);
  ::ShowWindow(n->hwnd, iconic ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
}

void Win32WindowSystem::NativeTitle(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  const std::u16string title = ShellLinkText(Title(hwnd));
  SetWindowTextW(n->hwnd, reinterpret_cast<const wchar_t*>(title.c_str()));
}

void Win32WindowSystem::NativeZOrder(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  const bool topmost = (GetExStyle(hwnd) & ExStyle::Topmost) != 0;
  Quiet quiet(quiet_);
  SetWindowPos(n->hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!topmost) SetWindowPos(n->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32WindowSystem::NativeFocus(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr || (GetExStyle(hwnd) & ExStyle::NoActivate) != 0 || !IsVisible(hwnd)) return;
  focusRequest_ = hwnd;
  focusRequestMs_ = NowMs();
  Quiet quiet(quiet_);
  if (GetForegroundWindow() != n->hwnd) SetForegroundWindow(n->hwnd);
  if (GetFocus() != n->hwnd) ::SetFocus(n->hwnd);
  // The input method places its windows in screen terms: tell it the caret again.
  const Rect caret = ImeCursor(hwnd);
  if (!caret.IsEmpty()) NativeImeCursor(hwnd, caret);
}

void Win32WindowSystem::NativeCapture(WindowHandle hwnd) {
  Quiet quiet(quiet_);
  if (hwnd == 0) {
    if (!moveDrag_.active) ::ReleaseCapture();
    return;
  }
  if (Native* n = NativeOf(hwnd)) ::SetCapture(n->hwnd);
}

void Win32WindowSystem::NativeBeginMoveDrag(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr || !IsVisible(hwnd)) return;
  if (Capture() != 0) ReleaseCapture();
  // Our own drag rather than the system's modal move loop: nothing nests
  // inside the press that started it, and the window follows every move.
  moveDrag_ = MoveDrag{true, hwnd, CursorPos() - WindowRect(hwnd).Origin()};
  Quiet quiet(quiet_);
  ::SetCapture(n->hwnd);
}

// --- Presentation ---

bool Win32WindowSystem::PresentLayered(WindowHandle hwnd, Point pos, Size size, const PixelView& picture,
                                       uint8_t constantAlpha, PresentDamage damage) {
  // Only this window's own geometry waits for its picture: a procedure
  // hearing the move may place other windows meanwhile.
  const WindowHandle outer = std::exchange(presenting_, hwnd);
  const bool ok = WindowSystemCore::PresentLayered(hwnd, pos, size, picture, constantAlpha, damage);
  presenting_ = outer;
  return ok;
}

bool Win32WindowSystem::EnsurePicture(Native& native, Size size) {
  if (native.dib != nullptr && native.dibSize == size) return true;
  if (native.memDc == nullptr) {
    native.memDc = CreateCompatibleDC(nullptr);
    if (native.memDc == nullptr) return false;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;  // top-down, as the picture's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(native.memDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr || bits == nullptr) return false;
  HGDIOBJ previous = SelectObject(native.memDc, dib);
  if (native.dib != nullptr) {
    DeleteObject(native.dib);
  } else {
    native.oldBitmap = previous;
  }
  native.dib = dib;
  native.bits = static_cast<uint32_t*>(bits);
  native.dibSize = size;
  return true;
}

bool Win32WindowSystem::NativePresent(WindowHandle hwnd, Point pos, Size size, const PixelView& picture, uint8_t alpha,
                                      PresentDamage damage) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return false;
  bool whole = damage.whole || n->dibSize != size || n->dib == nullptr;
  if (!EnsurePicture(*n, size)) return false;
  const Rect all{0, 0, size.width, size.height};
  const std::span<const Rect> rects = whole ? std::span<const Rect>(&all, 1) : damage.rects;
  const PixelView before{n->bits, size.width, size.height, size.width * 4};
  int64_t changed = 0;
  if (CountingChangedPixels()) {
    changed = whole ? int64_t{size.width} * size.height : ChangedPixels(picture, before, rects);
  }
  // The picture's 0xAARRGGBB words are premultiplied BGRA bytes in memory,
  // which is what a layered window with per-pixel alpha takes.
  GdiFlush();
  int64_t copied = 0;
  RECT dirty{size.width, size.height, 0, 0};
  for (const Rect& r : rects) {
    const int32_t right = std::clamp(picture.width, r.x, r.Right());
    for (int32_t y = r.y; y < r.Bottom(); ++y) {
      uint32_t* row = n->bits + static_cast<ptrdiff_t>(y) * size.width;
      const int32_t end = y < picture.height ? right : r.x;
      if (end > r.x) std::memcpy(row + r.x, picture.Row(y) + r.x, static_cast<size_t>(end - r.x) * sizeof(uint32_t));
      std::fill(row + end, row + r.Right(), 0u);
    }
    copied += static_cast<int64_t>(r.width) * r.height;
    dirty.left = std::min<LONG>(dirty.left, r.x);
    dirty.top = std::min<LONG>(dirty.top, r.y);
    dirty.right = std::max<LONG>(dirty.right, r.Right());
    dirty.bottom = std::max<LONG>(dirty.bottom, r.Bottom());
  }
  POINT dst{pos.x, pos.y};
  SIZE extent{size.width, size.height};
  POINT src{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  UPDATELAYEREDWINDOWINFO info{};
  info.cbSize = sizeof(info);
  info.pptDst = &dst;
  info.psize = &extent;
  info.hdcSrc = n->memDc;
  info.pptSrc = &src;
  info.pblend = &blend;
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = whole || rects.empty() ? nullptr : &dirty;
  bool ok = false;
  {
    Quiet quiet(quiet_);
    ok = UpdateLayeredWindowIndirect(n->hwnd, &info) != 0;
    if (!ok) {
      // Systems that refuse a dirty rectangle take the whole picture.
      ok = UpdateLayeredWindow(n->hwnd, nullptr, &dst, &extent, n->memDc, &src, 0, &blend, ULW_ALPHA) != 0;
    }
  }
  n->presented = n->presented || ok;
  const bool shapeSet = UpdateInputShape(*n, picture, rects, whole, alpha);
  NotePresent(copied, changed, shapeSet);
  return ok;
}

bool Win32WindowSystem::UpdateInputShape(Native& native, const PixelView& picture, std::span<const Rect> rects,
                                         bool reset, uint8_t alpha) {
  // The system lets clicks through transparent pixels of a layered window by
  // itself, but not every implementation of it does (Wine does not): the
  // window region follows the ink, and is set only when the ink changed.
  if (reset) native.shape.Reset(native.dibSize);
  bool changed = native.shape.Update(picture, rects) || reset;
  const bool transparent = alpha == 0;
  changed = changed || transparent != native.shapeTransparent;
  if (!changed) return false;
  native.shapeTransparent = transparent;
  std::vector<Rect> runs;
  if (!transparent) runs = native.shape.Runs();
  std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(runs.size());
  header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  header->rcBound = RECT{0, 0, native.dibSize.width, native.dibSize.height};
  auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
  for (size_t i = 0; i < runs.size(); ++i) out[i] = RECT{runs[i].x, runs[i].y, runs[i].Right(), runs[i].Bottom()};
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
  if (region == nullptr) return false;
  Quiet quiet(quiet_);
  // The window owns the region from here on, also when the call fails.
  if (SetWindowRgn(native.hwnd, region, FALSE) == 0) DeleteObject(region);
  return true;
}

// --- Timers and the loop ---

void Win32WindowSystem::NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) {
  SetTimer(messageWindow_, timerKey, std::max<UINT>(USER_TIMER_MINIMUM, intervalMs), nullptr);
}

void Win32WindowSystem::NativeTimerStop(uint32_t timerKey) { KillTimer(messageWindow_, timerKey); }

void Win32WindowSystem::WakeLoop() { PostMessageW(messageWindow_, kWakeMessage, 0, 0); }

bool Win32WindowSystem::WaitForWork(const std::function<bool()>& /*keepRunning*/) {
  MSG msg{};
  const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == -1) return false;
  if (got == 0) {
    // Someone else's quit (the system's, a library's) ends our loop the same way.
    PostQuit(static_cast<int>(msg.wParam));
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

LRESULT CALLBACK Win32WindowSystem::MessageProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case kWakeMessage:
      self->DrainPosted();
      // Work posted while draining found the queue non-empty and woke nobody.
      if (!self->QueueEmpty()) self->WakeLoop();
      return 0;
    case WM_TIMER:
      self->FireTimer(static_cast<uint32_t>(wParam));
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK Win32WindowSystem::WindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* native = reinterpret_cast<Native*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (native == nullptr || native->hwnd != hwnd || native->destroying) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return native->system->HandleWindowMessage(*native, msg, wParam, lParam);
}

LRESULT Win32WindowSystem::HandleWindowMessage(Native& native, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleInput(native, msg, wParam, lParam, &result)) return result;
  const WindowHandle handle = native.handle;
  switch (msg) {
    case WM_CLOSE:
      // The program's procedure decides (Alt+F4, the panel's close).
      InputCloseRequest(handle);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_RESTORE:
        case SC_CLOSE:
          // The panel's and the system's commands go through the program's
          // procedure, whose default does what the system would.
          Send(handle, Msg::SysCommand, wParam & 0xFFF0, lParam);
          return 0;
        default:
          break;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(native.hwnd, &ps);
      EndPaint(native.hwnd, &ps);
      return 0;
    }
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ApplyCursor();
        return TRUE;
      }
      break;
    case WM_MOUSEACTIVATE:
      if ((GetExStyle(handle) & ExStyle::NoActivate) != 0) return MA_NOACTIVATE;
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, native.minSize.width);
      info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, native.minSize.height);
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      // Handled here rather than through WM_SIZE and WM_MOVE, which the
      // default procedure would derive from it.
      if (quiet_ != 0) return 0;
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      const bool iconic = ::IsIconic(native.hwnd) != 0;
      if (iconic != IsIconic(handle)) {
        // Minimised from the panel or by another program, or restored from there.
        InputIconic(handle, iconic);
        return 0;
      }
      if (!iconic && (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        // Moved or sized from outside (another program, the system's snapping).
        RECT r{};
        GetWindowRect(native.hwnd, &r);
        const Rect now = Rect::FromLtrb(r.left, r.top, r.right, r.bottom);
        if (now != WindowRect(handle)) InputGeometry(handle, now);
      }
      return 0;
    }
    case WM_SETFOCUS: {
      SyncModifiers();
      // The system activates asynchronously (under X, through the window
      // manager): a late focus for a window we moved the focus away from is
      // stale, and a menu opened by the click that activated its owner stays.
      const bool stale = handle != focusRequest_ && NowMs() - focusRequestMs_ < 500;
      if (quiet_ == 0 && !stale && Focus() != handle && (GetExStyle(handle) & ExStyle::NoActivate) == 0) {
        InputFocus(handle);
      }
      return 0;
    }
    case WM_KILLFOCUS:
      // Focus leaving for a window that is not ours: the program lost it.
      if (quiet_ == 0 && HandleOf(reinterpret_cast<HWND>(wParam)) == 0 && Focus() == handle) InputFocus(0);
      return 0;
    case WM_CAPTURECHANGED:
      // The system took the mouse away (another program, a menu of the system's).
      if (quiet_ == 0 && !moveDrag_.active && Capture() == handle && HandleOf(reinterpret_cast<HWND>(lParam)) == 0) {
        ReleaseCapture();
      }
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETWORKAREA) Post(handle, Msg::WorkAreaChanged, 0, 0);
      break;
    case WM_DISPLAYCHANGE:
      Post(handle, Msg::WorkAreaChanged, 0, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(native.hwnd, msg, wParam, lParam);
}

}  // namespace quillmar::ws
