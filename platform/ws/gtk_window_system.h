#pragma once
// The GTK3 backend for users (X11): borderless RGBA windows fed from the
// presented picture, the desktop's input method, clipboard, cursors and
// link handler.

#include <memory>
#include <string>
#include <string_view>

#include "platform/ws/window_system.h"

namespace quillmar::ws {

// Opens the display and returns the backend, or null with a reason in *error
// when there is no usable display.
std::unique_ptr<WindowSystem> CreateGtkWindowSystem(std::string* error);

// The form an address takes on its way to the desktop's handler: program text
// (UTF-8, or GB18030 converted to UTF-8) with spaces and everything beyond
// ASCII percent-escaped, the address's own punctuation kept. Empty when the
// text cannot be converted.
std::string DesktopLinkText(std::string_view address);

}  // namespace quillmar::ws
