#include "ui/core/frame_window.h"

#include <cmath>

namespace quillmar {

ws::LResult defaultFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam) {
  if (msg == Msg::Close) {
    ws::System().DestroyWindow(hwnd);
    return 0;
  }
  return ws::System().DefaultProc(hwnd, msg, wParam, lParam);
}

ws::LResult menuFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam) {
  if (msg == Msg::Close || msg == Msg::KillFocus || (msg == Msg::KeyDown && wParam == Vk::Escape)) {
    ws::System().DestroyWindow(hwnd);
    return 0;
  }
  return ws::System().DefaultProc(hwnd, msg, wParam, lParam);
}

void registerFrameClass(ws::WindowProc windowProc, uint32_t style, std::string_view className, int32_t /*instance*/,
                        int32_t icon, ws::CursorHandle cursor, int32_t background) {
  ws::WindowSystem& system = ws::System();
  ws::WindowClass cls;
  cls.proc = windowProc ? std::move(windowProc) : ws::WindowProc(defaultFrameProc);
  cls.style = style != 0 ? style : kFrameClassStyle;
  cls.name = className.empty() ? std::string(kFoundationClass) : std::string(className);
  cls.icon = icon != 0 ? icon : kProgramIconId;
  cls.cursor = cursor != 0 ? cursor : system.LoadSystemCursor(ws::SystemCursor::Arrow);
  cls.background = background != 0 ? background : kButtonFaceBrush;
  // A second registration of a name fails and is ignored, as at start-up.
  system.AddWindowClass(cls);
}

Point CentredPosition(Size screen, int32_t width, int32_t height) {
  const double x = screen.width / 2.0 - width / 2.0;
  const double y = screen.height / 2.0 - height / 2.0;
  return Point{static_cast<int32_t>(std::trunc(x)), static_cast<int32_t>(std::trunc(y))};
}

ws::WindowHandle createFrameWindow(const FrameWindowArgs& args) {
  ws::WindowSystem& system = ws::System();
  const Point centre = CentredPosition(system.ScreenSize(), args.width, args.height);
  ws::WindowCreateParams p;
  p.className = args.className.empty() ? std::string(kFoundationClass) : args.className;
  p.title = args.title;
  p.x = args.x.value_or(centre.x);
  p.y = args.y.value_or(centre.y);
  p.width = args.width;
  p.height = args.height;
  p.style = args.style.value_or(Style::Visible | Style::SysMenu | Style::MinimizeBox |
                                (args.caption ? Style::Caption : Style::Popup));
  p.exStyle = args.exStyle;
  p.owner = args.parent;
  p.param = args.param;
  return system.OpenWindow(p);
}

void RegisterSharedFrameClasses() {
  registerFrameClass(defaultFrameProc, 0, kComboBoxClass);
  registerFrameClass(menuFrameProc, 0, kMenuClass);
  registerFrameClass(defaultFrameProc, 0, kDialogBoxClass);
}

}  // namespace quillmar
