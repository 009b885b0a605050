#include "ui/msgbox/window_modality.h"

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"

namespace quillmar {

void WindowModality::DisableOtherWindows(Hwnd keep) {
  ws::WindowSystem& sys = ws::System();
  for (Hwnd hwnd : sys.TopLevelWindows()) {
    if (hwnd == keep) continue;
    const uint32_t style = sys.GetStyle(hwnd);
    disabled_.push_back({hwnd, (style & Style::Disabled) == 0});
    sys.SetStyle(hwnd, style | Style::Disabled);
  }
}

void WindowModality::RestoreWindows() {
  ws::WindowSystem& sys = ws::System();
  for (const Entry& entry : disabled_) {
    // A window destroyed meanwhile is skipped; its handle may not be reused.
    if (!entry.wasEnabled || !sys.IsWindow(entry.hwnd)) continue;
    sys.SetStyle(entry.hwnd, sys.GetStyle(entry.hwnd) & ~Style::Disabled);
  }
  disabled_.clear();
}

}  // namespace quillmar
