#pragma once
// Without libFuzzer, a fuzz target runs every file named on its command line
// once through its entry point: the kept corpus stays fixed as a plain test.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace quillmar::testing {

inline int RunFiles(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("ran %d input(s)\n", argc - 1);
  return 0;
}

}  // namespace quillmar::testing
