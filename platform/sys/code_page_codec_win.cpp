#include <windows.h>

#include <climits>
#include <string>

#include "base/code_page_codec.h"
#include "base/gb18030_four_byte.h"
#include "base/text_encoding.h"

namespace quillmar {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kUtf16Le = 1200;
constexpr int kUtf16Be = 1201;

bool IsGb18030(int codePage) {
  return codePage == kCodePageSystem || codePage == kCodePageGbk || codePage == kCodePageGb18030;
}

// Windows converts GB18030 itself as code page 54936. A system without it (Wine 8 has only
// the GBK table) gets GB18030 as GBK plus the four-byte characters computed here.
bool SystemHasGb18030() {
  static const bool has = IsValidCodePage(54936) != FALSE;
  return has;
}

// The system's number for a code page, 0 when there is none.
UINT SystemCodePage(int codePage) {
  if (IsGb18030(codePage)) return SystemHasGb18030() ? 54936 : 936;
  if (codePage <= 0 || !IsValidCodePage(static_cast<UINT>(codePage))) return 0;
  return static_cast<UINT>(codePage);
}

void AppendCodePoint(char32_t cp, std::u16string* wide) {
  if (cp < 0x10000) {
    wide->push_back(static_cast<char16_t>(cp));
  } else {
    wide->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    wide->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  }
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

// GB18030 on a system that has only GBK: the text is cut where four-byte characters (and the
// few codes in which GBK and GB18030 differ) stand, runs between them go to the system's GBK
// conversion in one call, the rest is computed.
constexpr char16_t kEuro = 0x20AC;  // GBK's single byte 80, GB18030's A2 E3

void DecodeGb18030ViaGbk(std::string_view bytes, std::u16string* wide) {
  wide->clear();
  wide->reserve(bytes.size());
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t runStart = 0;
  std::u16string part;
  auto flush = [&](std::size_t end) {
    if (end > runStart && DecodeWith(936, bytes.substr(runStart, end - runStart), &part)) wide->append(part);
  };
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = b[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0x81 && c <= 0xFE && i + 1 < n) {
      const unsigned char next = b[i + 1];
      if (next >= 0x30 && next <= 0x39) {
        flush(i);
        const char32_t cp = i + 3 < n ? Gb18030FourByteToCodePoint(b + i) : 0;
        if (cp != 0) {
          AppendCodePoint(cp, wide);
          i += 4;
        } else {
          wide->push_back(kReplacement);
          ++i;
        }
        runStart = i;
        continue;
      }
      if (c == 0xA2 && next == 0xE3) {
        flush(i);
        wide->push_back(kEuro);
        i += 2;
        runStart = i;
        continue;
      }
      i += 2;  // a two-byte code; the GBK conversion judges it
      continue;
    }
    if (c == 0x80 || c == 0xFF) {  // GBK's euro byte and FF start nothing in GB18030
      flush(i);
      wide->push_back(kReplacement);
      runStart = ++i;
      continue;
    }
    ++i;  // a lead byte at the very end: the GBK conversion makes it U+FFFD
  }
  flush(n);
}

bool EncodeGb18030ViaGbk(std::u16string_view input, std::string* bytes) {
  const std::u16string wide = Prepared(input, true);
  bytes->clear();
  bytes->reserve(wide.size() * 2);
  std::size_t runStart = 0;
  std::string part;
  auto flush = [&](std::size_t end) {
    if (end > runStart && EncodeWith(936, std::u16string_view(wide).substr(runStart, end - runStart), &part)) {
      bytes->append(part);
    }
  };
  for (std::size_t i = 0; i < wide.size();) {
    const char16_t u = wide[i];
    if (u < 0x80) {
      ++i;
      continue;
    }
    const bool pair = IsHighSurrogate(u) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1]);
    const char32_t cp = pair ? 0x10000 + ((u - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u) : u;
    const std::size_t units = pair ? 2 : 1;
    unsigned char four[4];
    if (cp == kEuro) {
      flush(i);
      bytes->append("\xA2\xE3");
    } else if (CodePointToGb18030FourByte(cp, four)) {
      flush(i);
      bytes->append(reinterpret_cast<const char*>(four), 4);
    } else {
      i += units;
      continue;
    }
    i += units;
    runStart = i;
  }
  flush(wide.size());
  return true;
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
  if (IsGb18030(codePage) && !SystemHasGb18030()) {
    DecodeGb18030ViaGbk(bytes, wide);
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
  if (IsGb18030(codePage) && !SystemHasGb18030()) return EncodeGb18030ViaGbk(wide, bytes);
  const UINT cp = SystemCodePage(codePage);
  return cp != 0 && EncodeWith(cp, wide, bytes);
}

}  // namespace quillmar
