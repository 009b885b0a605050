#pragma once
// The program's image store: decodes encoded picture bytes held in memory, keeps the
// bytes each picture came from, and finds, reads back and drops pictures by handle
// or by name. Also the frame query of animated pictures.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/image.h"
#include "ui/gfx/hglobal_stream.h"

namespace quillmar {

// A decoded picture shared by whoever shows it; null means none. A picture stays
// valid for every holder even after the store drops it.
using ImageHandle = std::shared_ptr<draw::Image>;

class UiImage {
 public:
  // Decodes a copy of the bytes; the entry is added even when decoding fails, and
  // the handle returned is then null.
  ImageHandle Load(std::span<const uint8_t> bytes, std::string_view name = {});
  // Drops the first entry holding the picture and returns 1; the entry count when none does.
  int Remove(const ImageHandle& handle);
  // As Remove for the first entry with this name (exact bytes); an empty name does nothing (0).
  int RemoveByName(std::string_view name);
  void Clear();
  // The encoded bytes of the first entry holding the picture (or with the name); empty when none.
  std::vector<uint8_t> GetBytes(const ImageHandle& handle) const;
  std::vector<uint8_t> GetBytesByName(std::string_view name) const;
  // The picture of the first entry with the name; null for an empty name or none.
  ImageHandle FindByName(std::string_view name) const;
  size_t Count() const { return images_.size(); }

  // Copies share the pictures and hold their own copies of the names and streams.
  UiImage Clone() const { return *this; }

 private:
  int RemoveAt(size_t index);

  std::vector<HGlobalStream> streams_;
  std::vector<ImageHandle> images_;
  std::vector<std::string> names_;
};

// Replaces delays by the picture's frame delays (hundredths of a second, one per
// frame) when it has frames along the time axis; otherwise, or for no picture,
// delays stay as they were.
void LoadFrameInfo(const draw::Image* image, std::vector<int>& delays);

// Makes a frame (0-based) the one drawn; an index out of range keeps the current one.
bool SelectActiveFrame(draw::Image* image, int frameIndex);

}  // namespace quillmar
