#pragma once
// Process start-up steps that touch the window system: choosing the backend,
// the process values and the shared window classes.

#include <string>

#include "platform/ws/window_system.h"

namespace quillmar {

// Installs the desktop backend of the system the program was built for. False,
// with the reason in *error, when no display can be opened.
bool InstallDesktopWindowSystem(std::string* error);

// Module init for a process with an installed window system: version code
// from the system's version text, the key counter seeded from the clock, the
// theme defaults and the shared window classes. (Each top-level window owns
// its own tooltip, so there is no process-wide one to set up.)
void InitModule();

}  // namespace quillmar
