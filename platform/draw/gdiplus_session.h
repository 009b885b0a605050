#pragma once
// Internal to the drawing layer on Windows: the process's GDI+ start-up and the
// conversions every GDI+ file needs.

#include <windows.h>
// GDI+ needs the Windows types declared first.
#include <gdiplus.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/draw/bitmap.h"

namespace quillmar::draw::gdiplus {

// Starts GDI+ once for the process; call before making any GDI+ object. GDI+ stops when
// the process ends, after every static that was made later.
void EnsureStarted();

// A GDI+ bitmap over the picture's own memory (no copy), premultiplied like it. Null for
// an empty picture. GDI+ only reads the memory of a picture passed as const.
std::unique_ptr<Gdiplus::Bitmap> Wrap(const Bitmap& picture);

// Windows wide strings are UTF-16 in wchar_t.
inline std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace quillmar::draw::gdiplus
