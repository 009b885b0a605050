#include "app/startup.h"

#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"

namespace quillmar {

void InitModule() {
  ws::WindowSystem& system = ws::System();
  // The key counter is seeded from the clock, as from the tick count.
  InitProcessValues(system.OsVersionText(), static_cast<uint32_t>(system.NowMs()));
  RegisterSharedFrameClasses();
}

}  // namespace quillmar
