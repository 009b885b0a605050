#include <windows.h>

#include <climits>
#include <string>

#include "base/code_page_codec.h"
#include "base/text_encoding.h"

namespace quillmar {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kUtf16Le = 1200;
constexpr int kUtf16Be = 1201;

// The system's number for a code page, 0 when there is none. GB18030 is 54936; a system
// without it (Wine 8 has only the GBK table) falls back to 936, where characters outside
// GBK become U+FFFD and "?".
UINT SystemCodePage(int codePage) {
  if (codePage == kCodePageSystem || codePage == kCodePageGbk || codePage == kCodePageGb18030) {
    static const UINT gb = IsValidCodePage(54936) ? 54936 : 936;
    return gb;
  }
  if (codePage <= 0 || !IsValidCodePage(static_cast<UINT>(codePage))) return 0;
  return static_cast<UINT>(codePage);
}

const wchar_t* Wide(const char16_t* units) { return reinterpret_cast<const wchar_t*>(units); }
wchar_t* Wide(char16_t* units) { return reinterpret_cast<wchar_t*>(units); }

// Strict conversion of a whole piece; 0 when any byte in it is not a valid character.
int DecodeStrict(UINT cp, const char* bytes, int size, char16_t* out, int room) {
  return MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes, size, Wide(out), room);
}

// The common case converts in one call. Text with bad bytes goes one character at a time:
// the shortest run of bytes (up to four, the longest character of any code page here) that
// converts is a character, and a byte that starts none becomes U+FFFD.
bool DecodeWith(UINT cp, std::string_view bytes, std::u16string* wide) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int size = static_cast<int>(bytes.size());
  if (int n = DecodeStrict(cp, bytes.data(), size, nullptr, 0); n > 0) {
    wide->resize(static_cast<std::size_t>(n));
    wide->resize(static_cast<std::size_t>(DecodeStrict(cp, bytes.data(), size, wide->data(), n)));
    return true;
  }
  wide->clear();
  wide->reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char16_t units[4];
    int got = 0;
    std::size_t length = 1;
    for (; length <= 4 && pos + length <= bytes.size(); ++length) {
      got = DecodeStrict(cp, bytes.data() + pos, static_cast<int>(length), units, 4);
      if (got > 0) break;
    }
    if (got > 0) {
      wide->append(units, static_cast<std::size_t>(got));
      pos += length;
    } else {
      wide->push_back(kReplacement);
      ++pos;
    }
  }
  return true;
}

// UTF-16 is not a code page of the conversion calls: its bytes are taken in pairs, a byte
// left over and a lone surrogate become U+FFFD.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    wide.push_back(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
  }
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(wide[i]) || IsLowSurrogate(wide[i])) {
      wide[i] = kReplacement;
    }
  }
  if (bytes.size() % 2 != 0) wide.push_back(kReplacement);
  return wide;
}

// What goes to the system: lone surrogates as U+FFFD (the target's own, or its default
// character), and, for targets without characters beyond U+FFFF, each pair as one "?".
std::u16string Prepared(std::u16string_view wide, bool fullUnicode) {
  std::u16string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t u = wide[i];
    if (IsHighSurrogate(u) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      if (fullUnicode) {
        out.push_back(u);
        out.push_back(wide[i + 1]);
      } else {
        out.push_back(u'?');
      }
      ++i;
    } else {
      out.push_back(IsHighSurrogate(u) || IsLowSurrogate(u) ? kReplacement : u);
    }
  }
  return out;
}

bool EncodeWith(UINT cp, std::u16string_view input, std::string* bytes) {
  if (input.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const std::u16string wide = Prepared(input, cp == 54936);
  const int size = static_cast<int>(wide.size());
  // Characters the target lacks become "?", never a look-alike ("best fit"). GB18030 takes
  // no flags and no default character (it encodes everything).
  DWORD flags = cp == 54936 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = cp == 54936 ? nullptr : "?";
  int n = WideCharToMultiByte(cp, flags, Wide(wide.data()), size, nullptr, 0, fallback, nullptr);
  if (n <= 0 && flags != 0) {  // code pages that refuse the flags (stateful ones)
    flags = 0;
    fallback = nullptr;
    n = WideCharToMultiByte(cp, flags, Wide(wide.data()), size, nullptr, 0, nullptr, nullptr);
  }
  if (n <= 0) return false;
  bytes->resize(static_cast<std::size_t>(n));
  n = WideCharToMultiByte(cp, flags, Wide(wide.data()), size, bytes->data(), n, fallback, nullptr);
  bytes->resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return n > 0;
}

}  // namespace

bool CodePageCodecSupports(int codePage) {
  return codePage == kUtf16Le || codePage == kUtf16Be || SystemCodePage(codePage) != 0;
}

bool DecodeCodePage(std::string_view bytes, int codePage, std::u16string* wide) {
  if (codePage == kUtf16Le || codePage == kUtf16Be) {
    *wide = DecodeUtf16(bytes, codePage == kUtf16Be);
    return true;
  }
  const UINT cp = SystemCodePage(codePage);
  return cp != 0 && DecodeWith(cp, bytes, wide);
}

bool EncodeCodePage(std::u16string_view wide, int codePage, std::string* bytes) {
  if (codePage == kUtf16Le || codePage == kUtf16Be) {
    const std::u16string units = Prepared(wide, true);
    bytes->clear();
    for (char16_t u : units) {
      const char hi = static_cast<char>(u >> 8);
      const char lo = static_cast<char>(u & 0xFF);
      bytes->push_back(codePage == kUtf16Be ? hi : lo);
      bytes->push_back(codePage == kUtf16Be ? lo : hi);
    }
    return true;
  }
  const UINT cp = SystemCodePage(codePage);
  return cp != 0 && EncodeWith(cp, wide, bytes);
}

}  // namespace quillmar
