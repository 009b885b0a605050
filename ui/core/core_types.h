#pragma once
// Window-message value types as the framework passes them around.

#include "platform/ws/types.h"

namespace quillmar {

using Hwnd = ws::WindowHandle;
using WParam = ws::WParam;
using LParam = ws::LParam;

}  // namespace quillmar
