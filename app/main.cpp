// The program's entry: choose the window system, run start-up, then the main
// routine, which returns when its message loop ends.

#include <cstdio>
#include <string>

#include "app/main_routine.h"
#include "net/site_search.h"
#include "app/startup.h"

int main() {
  std::string error;
  if (!quillmar::InstallDesktopWindowSystem(&error)) {
    std::fprintf(stderr, "quillmar needs a graphical desktop (X11): %s\n", error.c_str());
    return 1;
  }
  quillmar::InitModule();
  quillmar::MainWindowOptions options;
  options.site = quillmar::SearchSiteFromEnvironment();
  return quillmar::MainRoutine(std::move(options));
}
