#pragma once
// Window classes and top-level windows with the framework's defaults, and the
// two plain window procedures of the shared classes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ws/window_system.h"

namespace quillmar {

inline constexpr std::string_view kFoundationClass = "OrvexFoundation";
inline constexpr std::string_view kComboBoxClass = "OrvexComboBox";
inline constexpr std::string_view kMenuClass = "OrvexMenu";
inline constexpr std::string_view kDialogBoxClass = "OrvexDialogBox";

inline constexpr uint32_t kFrameClassStyle = 11;  // horizontal and vertical redraw, double clicks
inline constexpr int32_t kProgramIconId = 129;
inline constexpr int32_t kButtonFaceBrush = 16;  // the button-face colour + 1

// Closes the window on Msg::Close; everything else goes to the default procedure.
ws::LResult defaultFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam);
// Also closes on losing the focus and on Escape, so a popup menu disappears.
ws::LResult menuFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam);

// Registers a window class; every argument left 0 (or empty) takes the default:
// defaultFrameProc, style 11, "OrvexFoundation", the program icon 129, the
// arrow cursor and the button-face brush. A name already taken is left as it is.
void registerFrameClass(ws::WindowProc windowProc = {}, uint32_t style = 0, std::string_view className = {},
                        int32_t instance = 0, int32_t icon = 0, ws::CursorHandle cursor = 0, int32_t background = 0);

struct FrameWindowArgs {
  std::string className;     // empty: "OrvexFoundation"
  std::optional<int32_t> x;  // not given: centred on the screen
  std::optional<int32_t> y;
  int32_t width = 0;
  int32_t height = 0;
  std::string title;
  std::optional<uint32_t> style;  // not given: visible, system menu, minimise box, popup or caption
  bool caption = false;           // the caption choice used by the default style
  uint32_t exStyle = 0;
  ws::WindowHandle parent = 0;  // the owner
  int32_t menu = 0;
  int32_t instance = 0;
  ws::LParam param = 0;
};

// Creates a top-level window; 0 when creation fails.
ws::WindowHandle createFrameWindow(const FrameWindowArgs& args);

// The position that centres a window of that size on the screen (halves in
// floating point, truncated toward zero).
Point CentredPosition(Size screen, int32_t width, int32_t height);

// Registers "OrvexComboBox", "OrvexMenu" and "OrvexDialogBox" (start-up step 4).
void RegisterSharedFrameClasses();

}  // namespace quillmar
