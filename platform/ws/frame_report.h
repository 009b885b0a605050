#pragma once
// Start-up and hover cost are measured from outside the process, the same way on
// every backend: when QUILLMAR_FRAME_REPORT names a file, the window core writes a
// line there for every present ("present N MICROS") and one for the first frame a
// window shows ("first-frame MICROS"), times in microseconds of the wall clock since
// 1970 so that a measurer outside (under Wine too) reads them on its own clock. When
// the variable is unset nothing is opened and every call returns at once.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace quillmar::ws {

class FrameReport {
 public:
  FrameReport() = default;
  // Truncates the file; the report stays off when it cannot be opened.
  explicit FrameReport(const std::string& path);
  static FrameReport FromEnvironment();

  bool Active() const { return file_ != nullptr; }
  // A present handed to the system; `count` is the process's presents so far.
  void Present(int64_t count);
  // A window shows a presented picture; only the first call of the process writes.
  void Shown();
  bool FirstFrameShown() const { return firstShown_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  void Line(const char* text, int64_t count);

  std::unique_ptr<std::FILE, FileCloser> file_;
  bool firstShown_ = false;
};

}  // namespace quillmar::ws
