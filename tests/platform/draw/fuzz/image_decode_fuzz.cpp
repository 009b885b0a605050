// Fuzz target for the picture decoders. With -DQUILLMAR_LIBFUZZER=ON and clang it is a
// libFuzzer binary; otherwise it runs each file named on its command line once.
#include <cstddef>
#include <cstdint>

#include "tests/platform/draw/fuzz/image_decode_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillmar::fuzz::FuzzImageDecode(std::span<const uint8_t>(data, size));
  return 0;
}
