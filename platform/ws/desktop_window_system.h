#pragma once
// The system's own windows on the machine the program was built for, so that the
// program opens its window without knowing which system that is.

#include <memory>
#include <string>

#include "platform/ws/window_system.h"

namespace quillmar::ws {

// The desktop backend, or null with a reason in *error when there is no usable display.
std::unique_ptr<WindowSystem> CreateDesktopWindowSystem(std::string* error);

}  // namespace quillmar::ws
