#include "platform/draw/font_collection.h"

#include <sys/mman.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/draw/font_impl.h"
#include "platform/draw/font_system.h"

namespace quillmar::draw {

namespace {

// Fonts registered from memory stay registered for the whole process (the font
// engine has no way to forget one file), so their in-memory files stay open and
// the same bytes loaded again reuse the first file.
struct MemoryFonts {
  std::mutex mutex;
  std::map<std::string, std::vector<std::string>> byContent;  // key: size and hash of the bytes
};

MemoryFonts& Registered() {
  static MemoryFonts fonts;
  return fonts;
}

std::string ContentKey(std::span<const uint8_t> bytes) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

}  // namespace

struct FontCollection::Impl {
  std::vector<FontFamily> families;
  void Add(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      bool seen = false;
      for (const auto& f : families) seen = seen || f.ResolvedName() == name;
      if (seen) continue;
      // The family of an added file is installed now, so it resolves to itself.
      families.emplace_back(std::make_shared<const FontFamily::Impl>(FontFamily::Impl{fonts::Utf8ToUtf16(name), name}));
    }
  }
};

FontCollection::FontCollection() : impl_(std::make_unique<Impl>()) {}
FontCollection::~FontCollection() = default;
FontCollection::FontCollection(FontCollection&&) noexcept = default;
FontCollection& FontCollection::operator=(FontCollection&&) noexcept = default;

bool FontCollection::AddFile(const std::string& path) {
  const auto names = fonts::AddFontFile(path);
  impl_->Add(names);
  return !names.empty();
}

bool FontCollection::AddMemory(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return false;
  MemoryFonts& registered = Registered();
  std::lock_guard lock(registered.mutex);
  const std::string key = ContentKey(bytes);
  if (auto it = registered.byContent.find(key); it != registered.byContent.end()) {
    impl_->Add(it->second);
    return !it->second.empty();
  }
  // The font engine reads files: hand it an anonymous in-memory file.
  const int fd = memfd_create("quillmar-font", MFD_CLOEXEC);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  const auto names = fonts::AddFontFile("/proc/self/fd/" + std::to_string(fd));
  if (names.empty()) close(fd);
  registered.byContent.emplace(key, names);
  impl_->Add(names);
  return !names.empty();
}

std::vector<FontFamily> FontCollection::Families() const { return impl_->families; }

}  // namespace quillmar::draw
