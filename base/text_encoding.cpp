#include "base/text_encoding.h"

#include "base/code_page_codec.h"
#include "base/utf8_text.h"

namespace quillmar {

bool IsCodePageSupported(int codePage) { return codePage == kCodePageUtf8 || CodePageCodecSupports(codePage); }

std::u16string GbkToWide(std::string_view text) { return MultiByteToWide(text, kCodePageGbk, true); }

std::u16string MultiByteToWide(std::string_view text, int codePage, bool useCodePage) {
  std::u16string wide;
  if (text.empty()) return wide;
  const int from = useCodePage ? codePage : kCodePageUtf8;
  if (from == kCodePageUtf8) return DecodeUtf8(text);
  if (!DecodeCodePage(text, from, &wide)) wide.clear();
  return wide;
}

std::string WideToMultiByte(std::u16string_view wide, int codePage, bool useCodePage) {
  std::string bytes;
  if (wide.empty()) return bytes;
  const int to = useCodePage ? codePage : kCodePageSystem;
  if (to == kCodePageUtf8) return EncodeUtf8(wide);
  if (!EncodeCodePage(wide, to, &bytes)) bytes.clear();
  return bytes;
}

std::string GbkToUtf8(std::string_view text) {
  return WideToMultiByte(MultiByteToWide(text, kCodePageGbk, true), kCodePageUtf8, true);
}

std::string Utf8ToGbk(std::string_view text) {
  return WideToMultiByte(MultiByteToWide(text, kCodePageUtf8, true), kCodePageGbk, true);
}

std::string WideToGbk(std::u16string_view wide) { return WideToMultiByte(wide, kCodePageGbk, true); }

std::u16string GbkToWideBytes(std::string_view text, bool dropTerminator) {
  std::u16string wide = GbkToWide(text);
  if (!dropTerminator && !wide.empty()) wide.push_back(u'\0');
  return wide;
}

}  // namespace quillmar
