#pragma once
// The Win32 backend for users on Windows: layered top-level windows fed from
// the presented picture through UpdateLayeredWindow, the system's input
// method (IMM32), clipboard, cursors, monitors and link handler.

#include <memory>
#include <string>
#include <string_view>

#include "platform/ws/window_system.h"

namespace quillmar::ws {

// Registers the window classes and returns the backend, or null with a
// reason in *error.
std::unique_ptr<WindowSystem> CreateWin32WindowSystem(std::string* error);

// The form an address takes on its way to the shell: program text (UTF-8, or
// GB18030 when it is not valid UTF-8) as UTF-16. Empty for an empty address.
std::u16string ShellLinkText(std::string_view address);

}  // namespace quillmar::ws
