#include <gtest/gtest.h>

#include <random>

#include "tests/net/fuzz/text_readers_fuzz.h"

namespace quillmar {
namespace {

// Random and mutated inputs through the fuzz step: any broken invariant aborts the test.
TEST(TextReadersFuzz, RandomInputsKeepEveryInvariant) {
  const std::string seeds[] = {
      "%e4%b8%ad%%zz%4",
      "HTTP/1.1 200 OK\nSet-Cookie: a=1; Path=/\r\nset-cookie: b=deleted\n\n",
      "User-Agent: x\r\nAccept: y\nCookie: a=1;;b = 2\xA1\xA1",
      "http://[::1]:8080/p?q=http://x/#f",
      "\xD6\xD0\x81\x61[\xB0\x5B]\x83\x36\x84\x33\xFF\xC0\xAF",
  };
  std::mt19937 rng(20261208);
  const std::string alphabet = "%0aF:;=/?#[] \r\n\x81\xA1\xD6\xFFSetCookie-";
  for (int round = 0; round < 3000; ++round) {
    std::string input = seeds[round % std::size(seeds)];
    int edits = static_cast<int>(rng() % 12);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = input.empty() ? 0 : rng() % input.size();
      char c = rng() % 3 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
      switch (rng() % 3) {
        case 0:
          input.insert(input.begin() + static_cast<long>(at), c);
          break;
        case 1:
          if (!input.empty()) input.erase(at, 1);
          break;
        default:
          if (!input.empty()) input[at] = c;
          break;
      }
    }
    fuzz::FuzzTextReaders(input);
  }
}

}  // namespace
}  // namespace quillmar
