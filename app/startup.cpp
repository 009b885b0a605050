#include "app/startup.h"

#include "platform/ws/desktop_window_system.h"
#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"

namespace quillmar {

bool InstallDesktopWindowSystem(std::string* error) {
  std::unique_ptr<ws::WindowSystem> backend = ws::CreateDesktopWindowSystem(error);
  if (!backend) return false;
  ws::InstallSystem(std::move(backend));
  return true;
}

void InitModule() {
  ws::WindowSystem& system = ws::System();
  // The key counter is seeded from the clock, as from the tick count.
  InitProcessValues(system.OsVersionText(), static_cast<uint32_t>(system.NowMs()));
  RegisterSharedFrameClasses();
}

}  // namespace quillmar
