// The desktop backend on Linux: GTK on X11.
#include "app/startup.h"
#include "platform/ws/gtk_window_system.h"

namespace quillmar {

bool InstallDesktopWindowSystem(std::string* error) {
  std::unique_ptr<ws::WindowSystem> backend = ws::CreateGtkWindowSystem(error);
  if (!backend) return false;
  ws::InstallSystem(std::move(backend));
  return true;
}

}  // namespace quillmar
