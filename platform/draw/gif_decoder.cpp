#include "platform/draw/gif_decoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillmar::draw::gif {

namespace {

// Every frame is kept as a whole picture: cap the total so a small hostile file
// cannot ask for gigabytes.
constexpr int64_t kMaxTotalPixels = kMaxDecodedPixels;
constexpr int kMaxSide = 16384;
constexpr int64_t kMaxFramePixels = int64_t{16} << 20;  // one frame's index raster
constexpr size_t kMaxFrames = 4096;
// A GIF's screen costs memory and time whatever its frames cover, so a few bytes could
// ask for 200 MB per frame. Pictures up to this many pixels are always read; beyond it
// the file must carry data in proportion (LZW gives at most a few thousand pixels a byte).
constexpr int64_t kFreePixels = int64_t{4} << 20;
constexpr int64_t kPixelsPerByte = 4096;

int64_t PixelBudget(size_t fileBytes) {
  const int64_t earned =
      static_cast<int64_t>(std::min<size_t>(fileBytes, kMaxTotalPixels / kPixelsPerByte)) * kPixelsPerByte;
  return std::clamp(earned, kFreePixels, kMaxTotalPixels);
}

struct Reader {
  std::span<const uint8_t> bytes;
  size_t position = 0;
};

int ReadBytes(GifFileType* file, GifByteType* out, int length) {
  auto* reader = static_cast<Reader*>(file->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), reader->bytes.size() - reader->position);
  std::memcpy(out, reader->bytes.data() + reader->position, n);
  reader->position += n;
  return static_cast<int>(n);
}

struct FileCloser {
  void operator()(GifFileType* file) const {
    int error = 0;
    DGifCloseFile(file, &error);
  }
};

struct Control {
  int delay = 0;
  int transparent = NO_TRANSPARENT_COLOR;
  int disposal = DISPOSAL_UNSPECIFIED;
};

bool ReadRaster(GifFileType* file, int width, int height, bool interlaced, std::vector<GifPixelType>& raster) {
  raster.assign(static_cast<size_t>(width) * height, 0);
  if (!interlaced) {
    for (int y = 0; y < height; ++y) {
      if (DGifGetLine(file, raster.data() + static_cast<size_t>(y) * width, width) != GIF_OK) return false;
    }
    return true;
  }
  static const int kOffsets[] = {0, 4, 2, 1};
  static const int kJumps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kOffsets[pass]; y < height; y += kJumps[pass]) {
      if (DGifGetLine(file, raster.data() + static_cast<size_t>(y) * width, width) != GIF_OK) return false;
    }
  }
  return true;
}

void Paint(Bitmap& canvas, const GifImageDesc& desc, const ColorMapObject* colors, int transparent,
           const std::vector<GifPixelType>& raster) {
  if (colors == nullptr || colors->Colors == nullptr) return;
  for (int y = 0; y < desc.Height; ++y) {
    const int cy = desc.Top + y;
    if (cy < 0 || cy >= canvas.Height()) continue;
    for (int x = 0; x < desc.Width; ++x) {
      const int cx = desc.Left + x;
      if (cx < 0 || cx >= canvas.Width()) continue;
      const int index = raster[static_cast<size_t>(y) * desc.Width + x];
      if (index == transparent || index >= colors->ColorCount) continue;
      const GifColorType c = colors->Colors[index];
      canvas.Row(cy)[cx] = 0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
    }
  }
}

void ClearArea(Bitmap& canvas, const GifImageDesc& desc) {
  for (int y = std::max(desc.Top, 0); y < std::min(desc.Top + desc.Height, canvas.Height()); ++y) {
    for (int x = std::max(desc.Left, 0); x < std::min(desc.Left + desc.Width, canvas.Width()); ++x) {
      canvas.Row(y)[x] = 0;
    }
  }
}

}  // namespace

bool LooksLikeGif(std::span<const uint8_t> bytes) {
  return bytes.size() >= 6 && std::memcmp(bytes.data(), "GIF8", 4) == 0 && (bytes[4] == '7' || bytes[4] == '9') &&
         bytes[5] == 'a';
}

Frames Decode(std::span<const uint8_t> bytes) {
  Frames out;
  Reader reader{bytes};
  int error = 0;
  std::unique_ptr<GifFileType, FileCloser> file(DGifOpen(&reader, ReadBytes, &error));
  if (!file) return out;
  const int width = file->SWidth;
  const int height = file->SHeight;
  // The screen is the canvas every frame is composed on: refuse it before it is allocated.
  const int64_t budget = PixelBudget(bytes.size());
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || int64_t{width} * height > budget) {
    return out;
  }
  Bitmap canvas(width, height);
  if (canvas.IsEmpty()) return out;
  const int64_t framePixels = int64_t{width} * height;
  Control control;
  std::vector<GifPixelType> raster;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(file.get(), &type) != GIF_OK || type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(file.get(), &code, &block) != GIF_OK) break;
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
          control = {gcb.DelayTime, gcb.TransparentColor, gcb.DisposalMode};
        }
      }
      bool ok = true;
      while (block != nullptr && (ok = DGifGetExtensionNext(file.get(), &block) == GIF_OK)) {
      }
      if (!ok) break;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) break;
    if (DGifGetImageDesc(file.get()) != GIF_OK) break;
    const GifImageDesc desc = file->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || int64_t{desc.Width} * desc.Height > kMaxFramePixels) break;
    if (out.pictures.size() >= kMaxFrames || framePixels * static_cast<int64_t>(out.pictures.size() + 1) > budget) {
      break;
    }
    if (!ReadRaster(file.get(), desc.Width, desc.Height, desc.Interlace, raster)) break;
    const ColorMapObject* colors = desc.ColorMap != nullptr ? desc.ColorMap : file->SColorMap;
    Bitmap previous;
    if (control.disposal == DISPOSE_PREVIOUS) previous = canvas.Clone();
    Paint(canvas, desc, colors, control.transparent, raster);
    out.pictures.push_back(canvas.Clone());
    out.delays.push_back(control.delay);
    if (control.disposal == DISPOSE_BACKGROUND) ClearArea(canvas, desc);
    if (control.disposal == DISPOSE_PREVIOUS && !previous.IsEmpty()) canvas = std::move(previous);
    control = Control();
  }
  return out;
}

}  // namespace quillmar::draw::gif
