#include "ui/gfx/hglobal_stream.h"

#include <algorithm>

namespace quillmar {

const HGlobalStream::Block& HGlobalStream::FromBytes(std::span<const uint8_t> bytes, std::optional<size_t> size) {
  Release();
  const size_t n = size.value_or(bytes.size());
  auto block = std::make_shared<std::vector<uint8_t>>(n, uint8_t{0});
  std::copy_n(bytes.begin(), std::min(n, bytes.size()), block->begin());
  block_ = std::move(block);
  return block_;
}

void HGlobalStream::Release() { block_.reset(); }

size_t HGlobalStream::Size() const { return block_ ? block_->size() : 0; }

bool HGlobalStream::Attach(const Block& stream) {
  Release();
  block_ = stream;
  return block_ != nullptr;
}

std::vector<uint8_t> HGlobalStream::ReadAll() const { return block_ ? *block_ : std::vector<uint8_t>(); }

}  // namespace quillmar
