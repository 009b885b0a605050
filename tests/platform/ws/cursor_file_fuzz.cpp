// Fuzz harness for the cursor-file reader. Built with libFuzzer when the
// compiler offers it; otherwise a standalone driver mutates a valid file.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/ws/cursor_file.h"
#include "tests/fuzz/file_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto info = quillmar::ws::ParseCursorFile(std::span<const uint8_t>(data, size));
  if (info) {
    // Touch the whole image the reader promised to be inside the bytes.
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < info->imageSize; ++i) sink = sink ^ data[info->imageOffset + i];
  }
  return 0;
}

#ifndef QUILLMAR_LIBFUZZER
int main(int argc, char** argv) {
  // Files named on the command line (the kept corpus) run as they are.
  if (argc > 1) return quillmar::testing::RunFiles(argc, argv);
  std::mt19937 rng(4242);
  const std::vector<uint8_t> seed = {0, 0, 2, 0,  1, 0, 32, 32, 0, 0, 5, 0, 7, 0, 8,
                                     0, 0, 0, 22, 0, 0, 0,  1,  2, 3, 4, 5, 6, 7, 8};
  for (int round = 0; round < 200000; ++round) {
    std::vector<uint8_t> input = seed;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 3) {
        case 0:
          input[rng() % input.size()] = static_cast<uint8_t>(rng());
          break;
        case 1:
          input.resize(rng() % (seed.size() + 8));
          break;
        default:
          input.push_back(static_cast<uint8_t>(rng()));
          break;
      }
      if (input.empty()) input.push_back(0);
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  return 0;
}
#endif
