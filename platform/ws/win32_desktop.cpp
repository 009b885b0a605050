// The Win32 backend's desktop services: cursors, clipboard, beep, monitors
// and work area, blur behind, the version text and handing links to the shell.
// windows.h first: the headers below build on it.
#include <windows.h>

#include <dwmapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "base/text_encoding.h"
#include "base/utf8_text.h"
#include "platform/ws/cursor_file.h"
#include "platform/ws/win32_backend.h"
#include "platform/ws/win32_window_system.h"

namespace quillmar::ws {
namespace {

bool IsValidUtf8(std::string_view text) {
  // Decoding marks every byte it cannot read with U+FFFD; so does a real
  // U+FFFD, which is rare enough in titles and links to be read again.
  const std::u16string wide = DecodeUtf8(text);
  return wide.find(u'\uFFFD') == std::u16string::npos || EncodeUtf8(wide) == text;
}

MonitorInfo InfoOf(HMONITOR monitor) {
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (!GetMonitorInfoW(monitor, &mi)) return {};
  MonitorInfo info;
  info.bounds = Rect::FromLtrb(mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom);
  info.workArea = Rect::FromLtrb(mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom);
  info.taskbar = TaskbarOf(info.bounds, info.workArea);
  return info;
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*rect*/, LPARAM data) {
  reinterpret_cast<std::vector<HMONITOR>*>(data)->push_back(monitor);
  return TRUE;
}

// A library of the system loaded for the backend's life, when the system has it.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name) : module_(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~SystemLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;
  template <typename F>
  F Get(const char* name) const {
    return module_ == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// RAII for an open clipboard; the system lets one window at a time hold it.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      open_ = OpenClipboard(owner) != 0;
      if (!open_) Sleep(5);
    }
  }
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

}  // namespace

std::u16string ShellLinkText(std::string_view address) {
  if (address.empty()) return {};
  return IsValidUtf8(address) ? DecodeUtf8(address) : GbkToWide(address);
}

// --- Cursors ---

CursorHandle Win32WindowSystem::LoadSystemCursor(SystemCursor which) {
  auto it = systemCursors_.find(which);
  if (it != systemCursors_.end()) return it->second;
  // The system cursors are numbered as their resource ids.
  HCURSOR cursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(which)));
  if (cursor == nullptr) cursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(SystemCursor::Arrow)));
  const CursorHandle h = nextCursor_++;
  cursors_[h] = cursor;
  systemCursors_[which] = h;
  return h;
}

CursorHandle Win32WindowSystem::CreateCursorFromFile(std::span<const uint8_t> bytes) {
  const auto info = ParseCursorFile(bytes);
  if (!info) return 0;
  // A cursor resource is the image with its hotspot in front (two 16-bit words).
  std::vector<BYTE> resource(4 + info->imageSize);
  const uint16_t hotspot[2] = {static_cast<uint16_t>(info->hotspot.x), static_cast<uint16_t>(info->hotspot.y)};
  std::memcpy(resource.data(), hotspot, 4);
  std::memcpy(resource.data() + 4, bytes.data() + info->imageOffset, info->imageSize);
  HICON cursor = CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), FALSE, 0x00030000,
                                          info->width, info->height, LR_DEFAULTCOLOR);
  if (cursor == nullptr) return 0;
  const CursorHandle h = nextCursor_++;
  cursors_[h] = cursor;
  ownedCursors_[h] = cursor;
  return h;
}

void Win32WindowSystem::DestroyCursor(CursorHandle cursor) {
  auto owned = ownedCursors_.find(cursor);
  if (owned == ownedCursors_.end()) return;  // system cursors are shared, never destroyed
  if (currentCursor_ == cursor) {
    currentCursor_ = 0;
    ApplyCursor();
  }
  ::DestroyCursor(owned->second);
  ownedCursors_.erase(owned);
  cursors_.erase(cursor);
}

HCURSOR Win32WindowSystem::NativeCursor(CursorHandle cursor) const {
  auto it = cursors_.find(cursor);
  return it == cursors_.end() ? nullptr : it->second;
}

CursorHandle Win32WindowSystem::SetCursor(CursorHandle cursor) {
  const CursorHandle old = currentCursor_;
  currentCursor_ = cursor;
  if (old != cursor) ApplyCursor();
  return old;
}

void Win32WindowSystem::ApplyCursor() {
  // Only while the pointer is over one of ours: elsewhere it is another program's.
  POINT p{};
  GetCursorPos(&p);
  if (WindowUnder(Point{p.x, p.y}) != 0 || Capture() != 0) ::SetCursor(NativeCursor(currentCursor_));
}

// --- Clipboard ---

bool Win32WindowSystem::SetClipboardText(std::u16string_view unicode, std::string_view /*multibyte*/) {
  // The system makes the code-page form from the Unicode one on request, in
  // the reader's code page, so the program's own bytes are not placed.
  // Lines end in CR LF here: a lone LF becomes the pair.
  std::u16string lines;
  lines.reserve(unicode.size() + 1);
  for (size_t i = 0; i < unicode.size(); ++i) {
    if (unicode[i] == u'\n' && (i == 0 || unicode[i - 1] != u'\r')) lines.push_back(u'\r');
    lines.push_back(unicode[i]);
  }
  const size_t bytes = (lines.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  if (void* data = GlobalLock(memory)) {
    std::memcpy(data, lines.c_str(), bytes);
    GlobalUnlock(memory);
  } else {
    GlobalFree(memory);
    return false;
  }
  OpenedClipboard clipboard(messageWindow_);
  if (!clipboard.IsOpen() || !EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
    GlobalFree(memory);  // still ours: the clipboard did not take it
    return false;
  }
  return true;
}

std::optional<std::u16string> Win32WindowSystem::ClipboardText() {
  OpenedClipboard clipboard(messageWindow_);
  if (!clipboard.IsOpen()) return std::nullopt;
  HANDLE memory = GetClipboardData(CF_UNICODETEXT);
  if (memory == nullptr) return std::nullopt;
  const auto* data = static_cast<const char16_t*>(GlobalLock(memory));
  if (data == nullptr) return std::nullopt;
  // Up to the terminating zero, never past the block another program gave.
  const size_t capacity = GlobalSize(memory) / sizeof(char16_t);
  size_t length = 0;
  while (length < capacity && data[length] != u'\0') ++length;
  std::u16string text(data, length);
  GlobalUnlock(memory);
  return text;
}

// --- Desktop facts ---

void Win32WindowSystem::Beep(uint32_t kind) { MessageBeep(kind); }

CaretBlink Win32WindowSystem::CaretBlinkSettings() const {
  CaretBlink blink;
  const UINT half = GetCaretBlinkTime();
  blink.enabled = half != INFINITE && half != 0;
  if (blink.enabled) blink.cycleMs = static_cast<int32_t>(std::clamp<UINT>(half * 2, 100, 10000));
  return blink;
}

std::vector<MonitorInfo> Win32WindowSystem::Monitors() const {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&handles));
  std::vector<MonitorInfo> out;
  HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (primary != nullptr) out.push_back(InfoOf(primary));
  for (HMONITOR m : handles) {
    if (m != primary) out.push_back(InfoOf(m));
  }
  if (out.empty()) out.push_back({});
  return out;
}

Size Win32WindowSystem::ScreenSize() const { return Monitors().front().bounds.GetSize(); }

Rect Win32WindowSystem::WorkArea() const { return Monitors().front().workArea; }

TaskbarInfo Win32WindowSystem::Taskbar() const {
  TaskbarInfo info = Monitors().front().taskbar;
  APPBARDATA bar{};
  bar.cbSize = sizeof(bar);
  if ((SHAppBarMessage(ABM_GETSTATE, &bar) & ABS_AUTOHIDE) != 0) info.autoHide = true;
  return info;
}

MonitorInfo Win32WindowSystem::MonitorOf(WindowHandle hwnd) const {
  // The system knows best where a shown window is; before that, our rectangle decides.
  const Native* n = NativeOf(hwnd);
  if (n != nullptr && IsWindowVisible(n->hwnd)) {
    if (HMONITOR m = MonitorFromWindow(n->hwnd, MONITOR_DEFAULTTONEAREST)) return InfoOf(m);
  }
  return WindowSystem::MonitorOf(hwnd);
}

bool Win32WindowSystem::OpenWithHandler(std::string_view address) {
  const std::u16string wide = ShellLinkText(address);
  if (wide.empty()) return false;
  // Values above 32 mean the shell found a handler and started it.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(wide.c_str()), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

std::string Win32WindowSystem::OsVersionText() const {
  // The version the system reports to programs (the "6.1" style).
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&version)) return {};
#pragma GCC diagnostic pop
  return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion);
}

bool Win32WindowSystem::SetBlurBehind(WindowHandle hwnd, std::optional<Insets> inset) {
  const Native* n = NativeOf(hwnd);
  if (n == nullptr) return false;
  // Loaded on demand: systems without the desktop compositor have no dwmapi.
  static const SystemLibrary dwm(L"dwmapi.dll");
  using IsEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using BlurFn = HRESULT(WINAPI*)(HWND, const DWM_BLURBEHIND*);
  const auto isEnabled = dwm.Get<IsEnabledFn>("DwmIsCompositionEnabled");
  const auto enableBlur = dwm.Get<BlurFn>("DwmEnableBlurBehindWindow");
  BOOL composited = FALSE;
  if (isEnabled == nullptr || enableBlur == nullptr || FAILED(isEnabled(&composited)) || !composited) return false;
  DWM_BLURBEHIND blur{};
  blur.dwFlags = DWM_BB_ENABLE;
  blur.fEnable = inset.has_value();
  HRGN region = nullptr;
  if (inset) {
    // Behind the window less its insets (the shadow stays unblurred).
    const Rect r = WindowRect(hwnd);
    region = CreateRectRgn(inset->left, inset->top, std::max(inset->left, r.width - inset->right),
                           std::max(inset->top, r.height - inset->bottom));
    blur.dwFlags |= DWM_BB_BLURREGION;
    blur.hRgnBlur = region;
  }
  const HRESULT hr = enableBlur(n->hwnd, &blur);
  if (region != nullptr) DeleteObject(region);
  return SUCCEEDED(hr);
}

}  // namespace quillmar::ws
