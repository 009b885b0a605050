// Fuzz target for the text readers of the network layer. With -DQUILLMAR_LIBFUZZER=ON and clang
// it is a libFuzzer binary; otherwise it runs each file named on its command line once.
#include <cstddef>
#include <cstdint>

#include "tests/net/fuzz/text_readers_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillmar::fuzz::FuzzTextReaders(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
