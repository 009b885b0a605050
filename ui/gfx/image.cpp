#include "ui/gfx/image.h"

#include <algorithm>

namespace quillmar {

ImageHandle UiImage::Load(std::span<const uint8_t> bytes, std::string_view name) {
  HGlobalStream stream;
  const auto& block = stream.FromBytes(bytes);
  ImageHandle image;
  draw::Image decoded = draw::Image::Decode(*block);
  if (!decoded.IsEmpty()) image = std::make_shared<draw::Image>(std::move(decoded));
  streams_.push_back(std::move(stream));
  images_.push_back(image);
  names_.emplace_back(name);
  return image;
}

int UiImage::RemoveAt(size_t index) {
  streams_.erase(streams_.begin() + static_cast<ptrdiff_t>(index));
  images_.erase(images_.begin() + static_cast<ptrdiff_t>(index));
  names_.erase(names_.begin() + static_cast<ptrdiff_t>(index));
  return 1;
}

int UiImage::Remove(const ImageHandle& handle) {
  const auto it = std::find(images_.begin(), images_.end(), handle);
  if (it == images_.end()) return static_cast<int>(images_.size());
  return RemoveAt(static_cast<size_t>(it - images_.begin()));
}

int UiImage::RemoveByName(std::string_view name) {
  if (name.empty()) return 0;
  const auto it = std::find(names_.begin(), names_.end(), name);
  if (it == names_.end()) return static_cast<int>(images_.size());
  return RemoveAt(static_cast<size_t>(it - names_.begin()));
}

void UiImage::Clear() {
  streams_.clear();
  images_.clear();
  names_.clear();
}

std::vector<uint8_t> UiImage::GetBytes(const ImageHandle& handle) const {
  const auto it = std::find(images_.begin(), images_.end(), handle);
  if (it == images_.end()) return {};
  return streams_[static_cast<size_t>(it - images_.begin())].ReadAll();
}

std::vector<uint8_t> UiImage::GetBytesByName(std::string_view name) const {
  if (name.empty()) return {};
  const auto it = std::find(names_.begin(), names_.end(), name);
  if (it == names_.end()) return {};
  return streams_[static_cast<size_t>(it - names_.begin())].ReadAll();
}

ImageHandle UiImage::FindByName(std::string_view name) const {
  if (name.empty()) return nullptr;
  const auto it = std::find(names_.begin(), names_.end(), name);
  if (it == names_.end()) return nullptr;
  return images_[static_cast<size_t>(it - names_.begin())];
}

void LoadFrameInfo(const draw::Image* image, std::vector<int>& delays) {
  if (image == nullptr || image->FrameCount() == 0) return;
  delays = image->FrameDelays();
}

bool SelectActiveFrame(draw::Image* image, int frameIndex) {
  return image != nullptr && image->SelectActiveFrame(frameIndex);
}

}  // namespace quillmar
