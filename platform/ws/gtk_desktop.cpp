// The GTK backend's desktop services: cursors, clipboard, beep, screen and
// work area, and handing links to the desktop.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdlib>

#include "platform/ws/cursor_file.h"
#include "platform/ws/gtk_access_bridge.h"
#include "platform/ws/gtk_backend.h"
#include "platform/ws/gtk_window_system.h"

namespace quillmar::ws {
namespace {

const char* CursorName(SystemCursor which) {
  switch (which) {
    case SystemCursor::Arrow:
      return "default";
    case SystemCursor::IBeam:
      return "text";
    case SystemCursor::Wait:
      return "wait";
    case SystemCursor::Cross:
      return "crosshair";
    case SystemCursor::UpArrow:
      return "sb_up_arrow";
    case SystemCursor::SizeNwse:
      return "nwse-resize";
    case SystemCursor::SizeNesw:
      return "nesw-resize";
    case SystemCursor::SizeWe:
      return "ew-resize";
    case SystemCursor::SizeNs:
      return "ns-resize";
    case SystemCursor::SizeAll:
      return "move";
    case SystemCursor::No:
      return "not-allowed";
    case SystemCursor::Hand:
      return "pointer";
    case SystemCursor::AppStarting:
      return "progress";
    case SystemCursor::Help:
      return "help";
  }
  return "default";
}

MonitorInfo InfoOf(GdkMonitor* monitor) {
  GdkRectangle g{0, 0, 0, 0};
  GdkRectangle a{0, 0, 0, 0};
  gdk_monitor_get_geometry(monitor, &g);
  gdk_monitor_get_workarea(monitor, &a);
  MonitorInfo info{Rect::FromXywh(g.x, g.y, g.width, g.height), Rect::FromXywh(a.x, a.y, a.width, a.height), {}};
  info.taskbar = TaskbarOf(info.bounds, info.workArea);
  return info;
}

GdkMonitor* PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor != nullptr ? monitor : gdk_display_get_monitor(display, 0);
}

}  // namespace

std::string DesktopLinkText(std::string_view address) {
  std::string utf8(address);
  if (!g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) {
    gsize written = 0;
    gchar* converted =
        g_convert(utf8.data(), static_cast<gssize>(utf8.size()), "UTF-8", "GB18030", nullptr, &written, nullptr);
    if (converted == nullptr) return {};
    utf8.assign(converted, written);
    g_free(converted);
  }
  gchar* escaped = g_uri_escape_string(utf8.c_str(), "!#$&'()*+,/:;=?@[]~%", FALSE);
  std::string out(escaped);
  g_free(escaped);
  return out;
}

CursorHandle GtkWindowSystem::LoadSystemCursor(SystemCursor which) {
  auto it = systemCursors_.find(which);
  if (it != systemCursors_.end()) return it->second;
  GdkDisplay* display = gdk_display_get_default();
  GdkCursor* cursor = gdk_cursor_new_from_name(display, CursorName(which));
  if (cursor == nullptr) cursor = gdk_cursor_new_from_name(display, "default");
  if (cursor == nullptr) cursor = gdk_cursor_new_for_display(display, GDK_LEFT_PTR);
  const CursorHandle h = nextCursor_++;
  cursors_[h] = cursor;
  systemCursors_[which] = h;
  return h;
}

CursorHandle GtkWindowSystem::CreateCursorFromFile(std::span<const uint8_t> bytes) {
  const auto info = ParseCursorFile(bytes);
  if (!info) return 0;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  const bool fed = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr) != 0;
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr) != 0;
  GdkPixbuf* pixbuf = (fed && closed) ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  CursorHandle h = 0;
  if (pixbuf != nullptr) {
    int hx = info->hotspot.x;
    int hy = info->hotspot.y;
    if (const gchar* x = gdk_pixbuf_get_option(pixbuf, "x_hot")) hx = std::atoi(x);
    if (const gchar* y = gdk_pixbuf_get_option(pixbuf, "y_hot")) hy = std::atoi(y);
    hx = std::clamp(hx, 0, std::max(0, gdk_pixbuf_get_width(pixbuf) - 1));
    hy = std::clamp(hy, 0, std::max(0, gdk_pixbuf_get_height(pixbuf) - 1));
    if (GdkCursor* cursor = gdk_cursor_new_from_pixbuf(gdk_display_get_default(), pixbuf, hx, hy)) {
      h = nextCursor_++;
      cursors_[h] = cursor;
    }
  }
  g_object_unref(loader);
  return h;
}

void GtkWindowSystem::DestroyCursor(CursorHandle cursor) {
  for (const auto& [which, h] : systemCursors_) {
    if (h == cursor) return;  // shared, never destroyed
  }
  auto it = cursors_.find(cursor);
  if (it == cursors_.end()) return;
  if (currentCursor_ == cursor) {
    currentCursor_ = 0;
    ApplyCursor();
  }
  g_object_unref(it->second);
  cursors_.erase(it);
}

CursorHandle GtkWindowSystem::SetCursor(CursorHandle cursor) {
  const CursorHandle old = currentCursor_;
  currentCursor_ = cursor;
  if (old != cursor) ApplyCursor();
  return old;
}

void GtkWindowSystem::ApplyCursor() {
  auto it = cursors_.find(currentCursor_);
  GdkCursor* cursor = it == cursors_.end() ? nullptr : it->second;
  for (const auto& [h, n] : natives_) {
    if (GdkWindow* gw = gtk_widget_get_window(n->widget)) gdk_window_set_cursor(gw, cursor);
  }
}

bool GtkWindowSystem::SetClipboardText(std::u16string_view unicode, std::string_view /*multibyte*/) {
  // The desktop's line break is LF: other programs would show a stray CR.
  std::u16string lines;
  lines.reserve(unicode.size());
  for (size_t i = 0; i < unicode.size(); ++i) {
    if (unicode[i] == u'\r' && i + 1 < unicode.size() && unicode[i + 1] == u'\n') continue;
    lines.push_back(unicode[i]);
  }
  glong written = 0;
  gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(lines.data()), static_cast<glong>(lines.size()),
                                nullptr, &written, nullptr);
  if (utf8 == nullptr) return false;
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), utf8, static_cast<gint>(written));
  g_free(utf8);
  return true;
}

std::optional<std::u16string> GtkWindowSystem::ClipboardText() {
  // Spins a nested loop until the owner answers (possibly ourselves).
  gchar* utf8 = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  if (utf8 == nullptr) return std::nullopt;
  glong count = 0;
  gunichar2* units = g_utf8_to_utf16(utf8, -1, nullptr, &count, nullptr);
  g_free(utf8);
  if (units == nullptr) return std::nullopt;
  std::u16string out(reinterpret_cast<const char16_t*>(units), static_cast<size_t>(count));
  g_free(units);
  return out;
}

CaretBlink GtkWindowSystem::CaretBlinkSettings() const {
  CaretBlink blink;
  gboolean enabled = TRUE;
  gint cycleMs = 1200;
  gint timeoutS = 10;
  g_object_get(gtk_settings_get_default(), "gtk-cursor-blink", &enabled, "gtk-cursor-blink-time", &cycleMs,
               "gtk-cursor-blink-timeout", &timeoutS, nullptr);
  blink.enabled = enabled != 0;
  blink.cycleMs = std::max(cycleMs, 100);
  blink.timeoutMs = timeoutS > 0 ? timeoutS * 1000 : INT32_MAX;
  return blink;
}

void GtkWindowSystem::Beep(uint32_t /*kind*/) { gdk_display_beep(gdk_display_get_default()); }

bool GtkWindowSystem::AxActive() const { return GtkAccessBridge::Instance().Active(); }

void GtkWindowSystem::AxNotify(WindowHandle hwnd, const AxEvent& event) {
  GtkAccessBridge::Instance().Notify(hwnd, event);
}

Size GtkWindowSystem::ScreenSize() const { return Monitors().front().bounds.GetSize(); }

Rect GtkWindowSystem::WorkArea() const { return Monitors().front().workArea; }

TaskbarInfo GtkWindowSystem::Taskbar() const { return Monitors().front().taskbar; }

std::vector<MonitorInfo> GtkWindowSystem::Monitors() const {
  std::vector<MonitorInfo> out;
  GdkMonitor* primary = PrimaryMonitor();
  if (primary != nullptr) out.push_back(InfoOf(primary));
  GdkDisplay* display = gdk_display_get_default();
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkMonitor* m = gdk_display_get_monitor(display, i);
    if (m != nullptr && m != primary) out.push_back(InfoOf(m));
  }
  if (out.empty()) out.push_back({});
  return out;
}

MonitorInfo GtkWindowSystem::MonitorOf(WindowHandle hwnd) const {
  // The desktop knows best where a shown window is; before that, our rectangle decides.
  auto it = natives_.find(hwnd);
  GtkWidget* w = it != natives_.end() ? it->second->widget : nullptr;
  GdkWindow* gw = w != nullptr && gtk_widget_get_mapped(w) ? gtk_widget_get_window(w) : nullptr;
  GdkMonitor* m = gw != nullptr ? gdk_display_get_monitor_at_window(gdk_display_get_default(), gw) : nullptr;
  return m != nullptr ? InfoOf(m) : WindowSystem::MonitorOf(hwnd);
}

bool GtkWindowSystem::OpenWithHandler(std::string_view address) {
  const std::string uri = DesktopLinkText(address);
  if (uri.empty()) return false;
  GError* error = nullptr;
  const bool ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error) != 0;
  if (error != nullptr) g_error_free(error);
  return ok;
}

}  // namespace quillmar::ws
