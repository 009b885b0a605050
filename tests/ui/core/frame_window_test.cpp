// Window classes and frame windows with the framework's defaults.

#include <gtest/gtest.h>

#include "platform/ws/headless_window_system.h"
#include "ui/core/frame_window.h"

namespace quillmar {
namespace {

TEST(FrameWindow, CentresOnTheScreenTruncatingHalves) {
  ws::ScopedHeadless hs;  // 1366 x 768
  registerFrameClass();
  FrameWindowArgs args;
  args.width = 544;
  args.height = 445;
  const ws::WindowHandle h = createFrameWindow(args);
  ASSERT_NE(h, 0);
  EXPECT_EQ(hs->WindowRect(h), (Rect{411, 161, 544, 445}));
  EXPECT_EQ(hs->ClassName(h), "OrvexFoundation");
  EXPECT_EQ(CentredPosition({1366, 768}, 1500, 801), (Point{-67, -16})) << "truncated toward zero";
}

TEST(FrameWindow, DefaultStyleIsAVisiblePopupOrCaptionWindow) {
  ws::ScopedHeadless hs;
  registerFrameClass();
  FrameWindowArgs args;
  args.x = 10;
  args.y = 20;
  args.width = 100;
  args.height = 50;
  args.exStyle = ExStyle::Layered;
  const ws::WindowHandle popup = createFrameWindow(args);
  EXPECT_EQ(hs->GetStyle(popup), Style::Visible | Style::SysMenu | Style::MinimizeBox | Style::Popup);
  EXPECT_EQ(hs->GetExStyle(popup), ExStyle::Layered);
  EXPECT_EQ(hs->WindowRect(popup).x, 10);
  args.caption = true;
  const ws::WindowHandle captioned = createFrameWindow(args);
  EXPECT_EQ(hs->GetStyle(captioned), Style::Visible | Style::SysMenu | Style::MinimizeBox | Style::Caption);
  args.style = Style::Popup;
  args.parent = popup;
  const ws::WindowHandle hidden = createFrameWindow(args);
  EXPECT_FALSE(hs->IsVisible(hidden));
  EXPECT_EQ(hs->Owner(hidden), popup);
  args.className = "NotRegistered";
  EXPECT_EQ(createFrameWindow(args), 0);
}

TEST(FrameWindow, ClassDefaultsForAnEmptyRegistration) {
  ws::ScopedHeadless hs;
  registerFrameClass();
  const auto cls = hs->WindowClassOf("OrvexFoundation");
  ASSERT_TRUE(cls.has_value());
  EXPECT_EQ(cls->style, 11u);
  EXPECT_EQ(cls->icon, 129);
  EXPECT_EQ(hs->SystemCursorOf(cls->cursor), ws::SystemCursor::Arrow);
  EXPECT_EQ(cls->background, 16);
  EXPECT_TRUE(static_cast<bool>(cls->proc));
  // The shared classes of start-up, with their procedures.
  RegisterSharedFrameClasses();
  for (auto name : {kComboBoxClass, kMenuClass, kDialogBoxClass}) {
    const auto shared = hs->WindowClassOf(name);
    ASSERT_TRUE(shared.has_value()) << name;
    EXPECT_EQ(shared->style, 11u);
  }
}

TEST(FrameWindow, DefaultFrameProcDestroysOnCloseOnly) {
  ws::ScopedHeadless hs;
  registerFrameClass();
  FrameWindowArgs args;
  args.width = 50;
  args.height = 50;
  const ws::WindowHandle h = createFrameWindow(args);
  hs->Send(h, Msg::KillFocus, 0, 0);
  hs->Send(h, Msg::KeyDown, Vk::Escape, 0);
  EXPECT_TRUE(hs->IsWindow(h));
  EXPECT_EQ(hs->Send(h, Msg::Close, 0, 0), 0);
  EXPECT_FALSE(hs->IsWindow(h));
}

TEST(FrameWindow, MenuFrameClosesOnFocusLossEscapeAndClose) {
  ws::ScopedHeadless hs;
  registerFrameClass();
  RegisterSharedFrameClasses();
  FrameWindowArgs mainArgs;
  mainArgs.width = 300;
  mainArgs.height = 200;
  const ws::WindowHandle main = createFrameWindow(mainArgs);
  auto openMenu = [&] {
    FrameWindowArgs menu;
    menu.className = std::string(kMenuClass);
    menu.x = 400;
    menu.y = 300;
    menu.width = 10;
    menu.height = 10;
    menu.style = Style::Popup | Style::Visible;
    menu.exStyle = ExStyle::ToolWindow | ExStyle::Topmost | ExStyle::Layered;
    menu.parent = main;
    const ws::WindowHandle h = createFrameWindow(menu);
    hs->SetForeground(h);
    return h;
  };
  ws::WindowHandle menu = openMenu();
  EXPECT_EQ(hs->Focus(), menu);
  hs->Click({533 + 20, 284 + 20});  // on the main window: the menu loses the focus
  EXPECT_FALSE(hs->IsWindow(menu));
  menu = openMenu();
  hs->PressKey(Vk::Escape);
  EXPECT_FALSE(hs->IsWindow(menu));
  menu = openMenu();
  hs->PressKey(Vk::Return);
  EXPECT_TRUE(hs->IsWindow(menu));
  hs->Send(menu, Msg::Close, 0, 0);
  EXPECT_FALSE(hs->IsWindow(menu));
  EXPECT_TRUE(hs->IsWindow(main));
}

}  // namespace
}  // namespace quillmar
