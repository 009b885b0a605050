// The frame report a measurer outside the process reads: one line per present and a
// single first-frame line, whatever order windows are presented and shown in.

#include "platform/ws/frame_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ws/headless_window_system.h"

namespace quillmar::ws {
namespace {

void SetReportVariable(const std::string& value) {
#ifdef _WIN32
  _putenv_s("QUILLMAR_FRAME_REPORT", value.c_str());
#else
  if (value.empty()) {
    unsetenv("QUILLMAR_FRAME_REPORT");
  } else {
    setenv("QUILLMAR_FRAME_REPORT", value.c_str(), 1);
  }
#endif
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Word(const std::string& line, int index) {
  std::istringstream in(line);
  std::string word;
  for (int i = 0; i <= index; ++i) in >> word;
  return word;
}

class FrameReportTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetReportVariable("");
    std::filesystem::remove(path);
  }
  WindowHandle Open(HeadlessWindowSystem& sys, uint32_t style, uint32_t exStyle = ExStyle::Layered) {
    WindowClass c;
    c.name = "Report";
    sys.AddWindowClass(c);
    WindowCreateParams p;
    p.className = "Report";
    p.width = 4;
    p.height = 2;
    p.style = style;
    p.exStyle = exStyle;
    return sys.OpenWindow(p);
  }
  bool Present(HeadlessWindowSystem& sys, WindowHandle h) {
    const std::vector<uint32_t> pixels(8, 0xFF102030);
    return sys.PresentLayered(h, {0, 0}, {4, 2}, PixelView{pixels.data(), 4, 2, 16}, 255);
  }

  // Named for the test and the moment: test programs may run side by side.
  std::string path =
      (std::filesystem::temp_directory_path() /
       ("quillmar-frame-report-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())))
          .string();
};

TEST_F(FrameReportTest, FirstFrameIsReportedOnceWhenAPresentedWindowShows) {
  SetReportVariable(path);
  {
    HeadlessWindowSystem sys;
    const WindowHandle hidden = Open(sys, Style::Popup);
    const WindowHandle plain = Open(sys, Style::Popup | Style::Visible, 0);
    EXPECT_FALSE(Present(sys, plain)) << "a window that is not layered presents nothing";
    ASSERT_TRUE(Present(sys, hidden));
    ASSERT_TRUE(Present(sys, hidden));
    EXPECT_FALSE(sys.FirstFrameShown()) << "presented while hidden: nobody saw it";
    sys.ShowWindow(hidden, Show::Normal);
    EXPECT_TRUE(sys.FirstFrameShown());
    ASSERT_TRUE(Present(sys, hidden));
    const WindowHandle second = Open(sys, Style::Popup | Style::Visible);
    ASSERT_TRUE(Present(sys, second));
    sys.ShowWindow(hidden, Show::Hide);
    sys.ShowWindow(hidden, Show::Normal);
  }
  const std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 5u);
  const std::vector<std::string> kinds = {"present", "present", "first-frame", "present", "present"};
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Word(lines[i], 0), kinds[i]) << lines[i];
  // The count is the process's presents (the refused one is none), the time the wall clock's.
  EXPECT_EQ(Word(lines[0], 1), "1");
  EXPECT_EQ(Word(lines[4], 1), "4");
  const long long first = std::stoll(Word(lines[2], 1));
  EXPECT_GE(first, std::stoll(Word(lines[1], 2)));
  EXPECT_LE(first, std::stoll(Word(lines[3], 2)));
  EXPECT_GT(first, 1'600'000'000'000'000LL) << "microseconds since 1970";
  std::ifstream raw(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(raw), {}};
  EXPECT_EQ(bytes.find('\r'), std::string::npos) << "lines end in LF alone, also on Windows";
}

TEST_F(FrameReportTest, VisibleWindowsFirstPresentIsTheFirstFrame) {
  SetReportVariable(path);
  {
    HeadlessWindowSystem sys;
    const WindowHandle h = Open(sys, Style::Popup | Style::Visible);
    ASSERT_TRUE(Present(sys, h));
    EXPECT_TRUE(sys.FirstFrameShown());
  }
  const std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Word(lines[1], 0), "first-frame");
}

TEST_F(FrameReportTest, OffWithoutTheVariableOrAWritableFile) {
  SetReportVariable((std::filesystem::path(path) / "missing-folder" / "report").string());
  HeadlessWindowSystem unwritable;
  const WindowHandle h = Open(unwritable, Style::Popup | Style::Visible);
  EXPECT_TRUE(Present(unwritable, h));
  EXPECT_TRUE(unwritable.FirstFrameShown());
  SetReportVariable("");
  EXPECT_FALSE(FrameReport::FromEnvironment().Active());
  HeadlessWindowSystem off;
  EXPECT_TRUE(Present(off, Open(off, Style::Popup | Style::Visible)));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillmar::ws
