#pragma once
// Internal to the drawing layer on Windows: owners of COM streams over bytes.

#include <objidl.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace quillmar::draw::gdiplus {

struct StreamRelease {
  void operator()(IStream* stream) const { stream->Release(); }
};
using StreamPtr = std::unique_ptr<IStream, StreamRelease>;

// A read-only stream over a copy of the bytes; null when none could be made.
StreamPtr ReadStream(const uint8_t* bytes, size_t size);
// An empty stream in memory to write into, and what was written to it.
StreamPtr WriteStream();
std::vector<uint8_t> StreamBytes(IStream* stream);

}  // namespace quillmar::draw::gdiplus
