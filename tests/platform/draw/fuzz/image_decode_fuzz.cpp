// Fuzz target for the picture decoders. With -DQUILLMAR_LIBFUZZER=ON and clang it is a
// libFuzzer binary; otherwise it runs each file named on its command line once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/platform/draw/fuzz/image_decode_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillmar::fuzz::FuzzImageDecode(std::span<const uint8_t>(data, size));
  return 0;
}

#ifndef QUILLMAR_LIBFUZZER
int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("ran %d input(s)\n", argc - 1);
  return 0;
}
#endif
