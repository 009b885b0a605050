#include "platform/draw/com_stream.h"

#include <windows.h>
// Declares the memory stream after the Windows types.
#include <shlwapi.h>

#include <climits>

namespace quillmar::draw::gdiplus {

StreamPtr ReadStream(const uint8_t* bytes, size_t size) {
  if (size > UINT_MAX) return nullptr;
  return StreamPtr(SHCreateMemStream(bytes, static_cast<UINT>(size)));
}

StreamPtr WriteStream() { return StreamPtr(SHCreateMemStream(nullptr, 0)); }

std::vector<uint8_t> StreamBytes(IStream* stream) {
  std::vector<uint8_t> out;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > UINT_MAX) return out;
  out.resize(static_cast<size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER start{};
  ULONG read = 0;
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
      FAILED(stream->Read(out.data(), static_cast<ULONG>(out.size()), &read)) || read != out.size()) {
    out.clear();
  }
  return out;
}

}  // namespace quillmar::draw::gdiplus
