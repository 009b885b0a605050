#include "platform/draw/gdiplus_session.h"

namespace quillmar::draw::gdiplus {

namespace {

struct Session {
  ULONG_PTR token = 0;
  Session() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
  }
  ~Session() {
    if (token != 0) Gdiplus::GdiplusShutdown(token);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

}  // namespace

void EnsureStarted() { static Session session; }

std::unique_ptr<Gdiplus::Bitmap> Wrap(const Bitmap& picture) {
  if (picture.IsEmpty()) return nullptr;
  EnsureStarted();
  // GDI+ takes the memory as writable; a const picture is only ever read through it.
  auto* bits = reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.Data()));
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(picture.Width(), picture.Height(), picture.Stride(),
                                                  PixelFormat32bppPARGB, bits);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return bitmap;
}

}  // namespace quillmar::draw::gdiplus
