#pragma once
// The GTK3 backend for users (X11): borderless RGBA windows fed from the
// presented picture, the desktop's input method, clipboard, cursors and
// link handler.

#include <memory>
#include <string>

#include "platform/ws/window_system.h"

namespace quillmar::ws {

// Opens the display and returns the backend, or null with a reason in *error
// when there is no usable display.
std::unique_ptr<WindowSystem> CreateGtkWindowSystem(std::string* error);

}  // namespace quillmar::ws
