#include "app/main_routine.h"

#include "app/home_page.h"
#include "platform/ws/window_system.h"

namespace quillmar {

int MainRoutine(MainWindowOptions options) {
  ws::WindowSystem& sys = ws::System();
  // The result is ignored: a missing browser must not stop the program.
  if (const std::string home = HomePageAddress(); !home.empty()) sys.OpenWithHandler(home);
  MainWindow window(std::move(options));
  if (window.Create()) sys.RunLoop();
  return 0;
}

}  // namespace quillmar
