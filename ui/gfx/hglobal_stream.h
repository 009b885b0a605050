#pragma once
// An owner of a block of bytes that the image decoder reads as a stream and that
// can be read back whole. Copies share the block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace quillmar {

class HGlobalStream {
 public:
  using Block = std::shared_ptr<std::vector<uint8_t>>;

  // Replaces the held block by a copy of the bytes (size defaults to their length).
  // A size beyond the bytes gives a zero-filled tail instead of reading past them.
  const Block& FromBytes(std::span<const uint8_t> bytes, std::optional<size_t> size = {});
  // Gives the block back (it lives on while another holder shares it).
  void Release();
  size_t Size() const;
  // The stream on the block; empty when none is held.
  const Block& Stream() const { return block_; }
  const Block& Memory() const { return block_; }
  // Holds another stream's block; false (and empty) when it has none.
  bool Attach(const Block& stream);
  // A copy of the whole block.
  std::vector<uint8_t> ReadAll() const;
  // Forgets the block without giving it back.
  void Detach() { block_.reset(); }

 private:
  Block block_;
};

}  // namespace quillmar
