// The desktop backend on Windows: the system's own windows. Its version text
// ("6.1" style) becomes the version code at module init, which decides the
// blur-behind and layered-tip defaults.
#include "app/startup.h"
#include "platform/ws/win32_window_system.h"

namespace quillmar {

bool InstallDesktopWindowSystem(std::string* error) {
  std::unique_ptr<ws::WindowSystem> backend = ws::CreateWin32WindowSystem(error);
  if (!backend) return false;
  ws::InstallSystem(std::move(backend));
  return true;
}

}  // namespace quillmar
