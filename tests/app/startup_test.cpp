// Start-up of the window layer: module init, the shared classes, and the
// program's refusal to run without a display.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "platform/ws/headless_window_system.h"
#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {
namespace {

TEST(InitModule, FillsTheProcessValuesAndRegistersTheSharedClasses) {
  ws::ScopedHeadless hs;
  hs->SetOsVersion("6.1");
  InitModule();
  EXPECT_EQ(OsVersionCode(), 9u) << "the version text comes from the window system";
  EXPECT_GE(CurrentObjectId(), 100000);
  EXPECT_LE(CurrentObjectId(), 400000);
  EXPECT_EQ(Theme().fontSize, 12);
  for (auto name : {kComboBoxClass, kMenuClass, kDialogBoxClass}) EXPECT_TRUE(hs->WindowClassOf(name).has_value());
  InitProcessValues("", 1);
}

TEST(QuillmarProgram, ExitsWithAClearMessageWithoutADisplay) {
  std::array<char, 512> buffer{};
  std::string output;
  FILE* pipe = popen("env -u DISPLAY -u WAYLAND_DISPLAY ./quillmar 2>&1; echo \"exit=$?\"", "r");
  ASSERT_NE(pipe, nullptr);
  while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) output += buffer.data();
  pclose(pipe);
  EXPECT_NE(output.find("needs a graphical desktop"), std::string::npos) << output;
  EXPECT_NE(output.find("exit=1"), std::string::npos) << output;
}

}  // namespace
}  // namespace quillmar
