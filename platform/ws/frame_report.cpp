#include "platform/ws/frame_report.h"

#include <chrono>
#include <cinttypes>
#include <cstdlib>

namespace quillmar::ws {

namespace {

int64_t WallMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

FrameReport::FrameReport(const std::string& path) {
  // Binary: the same LF-ended lines on every system, for one reader on the Linux side.
  if (!path.empty()) file_.reset(std::fopen(path.c_str(), "wb"));
}

FrameReport FrameReport::FromEnvironment() {
  const char* path = std::getenv("QUILLMAR_FRAME_REPORT");
  return path != nullptr ? FrameReport(path) : FrameReport();
}

void FrameReport::Present(int64_t count) {
  if (file_) Line("present", count);
}

void FrameReport::Shown() {
  if (firstShown_) return;
  firstShown_ = true;
  if (file_) Line("first-frame", -1);
}

void FrameReport::Line(const char* text, int64_t count) {
  const int64_t now = WallMicros();
  if (count >= 0) {
    std::fprintf(file_.get(), "%s %" PRId64 " %" PRId64 "\n", text, count, now);
  } else {
    std::fprintf(file_.get(), "%s %" PRId64 "\n", text, now);
  }
  // One write per line, so a measurer reading while the program runs sees whole lines.
  std::fflush(file_.get());
}

}  // namespace quillmar::ws
