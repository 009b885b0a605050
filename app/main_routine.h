#pragma once
// The program's main routine: opens the home page, builds the main window and runs the
// message loop until the window is closed.
#include "app/main_window.h"

namespace quillmar {

// Returns 0 once the loop has ended and the window's objects are gone.
int MainRoutine(MainWindowOptions options);

}  // namespace quillmar
