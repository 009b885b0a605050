// PNG bytes through GDI+'s encoder. The encoder is handed straight colours made by the
// program's own rounding, so a picture read back premultiplies to the same values.
#include <cwchar>

#include "platform/draw/com_stream.h"
#include "platform/draw/gdiplus_session.h"
#include "platform/draw/png_encoder.h"

namespace quillmar::draw {

namespace {

bool PngEncoder(CLSID* out) {
  UINT count = 0, bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  // The encoder table and the strings it points to come in one block of this size.
  std::vector<uint64_t> block((bytes + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *out = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<uint8_t> EncodePng(const Bitmap& picture) {
  std::vector<uint8_t> out;
  if (picture.IsEmpty()) return out;
  gdiplus::EnsureStarted();
  CLSID png;
  if (!PngEncoder(&png)) return out;
  std::vector<uint32_t> straight(static_cast<size_t>(picture.Width()) * picture.Height());
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      straight[static_cast<size_t>(y) * picture.Width() + x] = Unpremultiply(row[x]);
    }
  }
  Gdiplus::Bitmap bitmap(picture.Width(), picture.Height(), picture.Stride(), PixelFormat32bppARGB,
                         reinterpret_cast<BYTE*>(straight.data()));
  gdiplus::StreamPtr stream = gdiplus::WriteStream();
  if (bitmap.GetLastStatus() != Gdiplus::Ok || !stream || bitmap.Save(stream.get(), &png, nullptr) != Gdiplus::Ok) {
    return out;
  }
  return gdiplus::StreamBytes(stream.get());
}

}  // namespace quillmar::draw
