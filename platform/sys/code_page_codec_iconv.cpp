#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "base/code_page_codec.h"
#include "base/text_encoding.h"
#include "base/unit_scan.h"

namespace quillmar {
namespace {

// UTF-16 in the machine's own byte order, so that std::u16string can be filled directly.
constexpr const char* kWideCharset = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kReplacement = 0xFFFD;

// Owns one iconv conversion descriptor.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(cd_);
  }
  IconvHandle(IconvHandle&& other) noexcept : cd_(std::exchange(other.cd_, Invalid())) {}
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  IconvHandle& operator=(IconvHandle&&) = delete;

  bool Valid() const { return cd_ != Invalid(); }
  // Back to the initial shift state, so a descriptor can be reused for a new text.
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
  // One iconv step; returns errno of a failed step or 0.
  int Step(const char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
    // glibc takes char** for the input although it never writes through it.
    if (iconv(cd_, const_cast<char**>(in), inLeft, out, outLeft) == static_cast<std::size_t>(-1)) return errno;
    return 0;
  }

 private:
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

// Opening a descriptor costs a module lookup under a global lock; every thread keeps the
// few it has used. Descriptors are not shared between threads because they carry state.
IconvHandle* CachedHandle(const std::string& to, const std::string& from) {
  thread_local std::map<std::pair<std::string, std::string>, IconvHandle> cache;
  auto key = std::make_pair(to, from);
  auto it = cache.find(key);
  if (it == cache.end()) {
    IconvHandle handle(to.c_str(), from.c_str());
    if (!handle.Valid()) return nullptr;
    it = cache.emplace(std::move(key), std::move(handle)).first;
  }
  it->second.Reset();
  return &it->second;
}

// The iconv name of a code page, or empty when it has none.
std::string CharsetOf(int codePage) {
  switch (codePage) {
    case kCodePageSystem:
    case kCodePageGbk:
    case kCodePageGb18030:
      return "GB18030";
    case kCodePageUtf8:
      return "UTF-8";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 20127:
      return "ASCII";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28605) return "ISO-8859-" + std::to_string(codePage - 28590);
  if (codePage > 0) return "CP" + std::to_string(codePage);
  return {};
}

// How much input one iconv step sees at most. Bounded steps keep the cost of a text with many
// bad bytes linear wherever every step looks at all the input it is given.
constexpr std::size_t kStepInput = 4096;

struct BadInput {
  std::size_t skip;      // input bytes to step over
  std::string_view put;  // what goes out instead
};

// Converts `input` with `cd` into `out` from its start, growing it as needed, and returns the
// bytes written; `onBad` says what to do at each position the converter rejects (invalid,
// unencodable or cut short at the very end). `out` may be reused between calls.
template <typename OnBad>
std::size_t RunIconvInto(IconvHandle& cd, std::string_view input, OnBad onBad, std::string& out) {
  if (out.size() < input.size() * 2 + 16) out.resize(input.size() * 2 + 16);
  std::size_t used = 0;
  std::size_t pos = 0;
  while (pos < input.size()) {
    if (out.size() - used < 64) out.resize(out.size() * 2);
    const char* in = input.data() + pos;
    std::size_t stepLeft = std::min(kStepInput, input.size() - pos);
    const bool stepReachesEnd = pos + stepLeft == input.size();
    const std::size_t stepSize = stepLeft;
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    int err = cd.Step(&in, &stepLeft, &outPtr, &outLeft);
    used = static_cast<std::size_t>(outPtr - out.data());
    pos += stepSize - stepLeft;
    if (err == 0 || err == E2BIG) continue;
    if (err == EINVAL && !stepReachesEnd) continue;  // a character split by the step boundary
    BadInput bad = onBad(pos);
    if (out.size() - used < bad.put.size()) out.resize(out.size() * 2 + bad.put.size());
    std::memcpy(out.data() + used, bad.put.data(), bad.put.size());
    used += bad.put.size();
    pos += std::min(bad.skip, input.size() - pos);
    cd.Reset();
  }
  return used;
}

template <typename OnBad>
std::string RunIconv(IconvHandle& cd, std::string_view input, OnBad onBad) {
  std::string out;
  out.resize(RunIconvInto(cd, input, onBad, out));
  return out;
}

// Decodes bytes in `charset` to UTF-16; a byte that does not start a valid character becomes
// U+FFFD and decoding goes on with the next byte.
bool Decode(std::string_view bytes, const std::string& charset, std::u16string* wide) {
  IconvHandle* cd = CachedHandle(kWideCharset, charset);
  if (cd == nullptr) return false;
  const std::string_view fffd(reinterpret_cast<const char*>(&kReplacement), sizeof(char16_t));
  std::string out = RunIconv(*cd, bytes, [&](std::size_t) { return BadInput{1, fffd}; });
  wide->assign(reinterpret_cast<const char16_t*>(out.data()), out.size() / sizeof(char16_t));
  return true;
}

// The target's encoding of U+FFFD, or "?" when it cannot encode it.
std::string ReplacementIn(const std::string& charset) {
  IconvHandle cd(charset.c_str(), kWideCharset);
  char out[16];
  char* outPtr = out;
  std::size_t outLeft = sizeof(out);
  const char* in = reinterpret_cast<const char*>(&kReplacement);
  std::size_t inLeft = sizeof(kReplacement);
  if (!cd.Valid() || cd.Step(&in, &inLeft, &outPtr, &outLeft) != 0 || outPtr == out) return "?";
  return std::string(out, static_cast<std::size_t>(outPtr - out));
}

// Encodes UTF-16 in `charset`; a character the target lacks becomes "?", a lone surrogate
// becomes the target's U+FFFD (or "?" when it has none).
// Writes into `out` from its start and returns the bytes written.
std::size_t EncodeWith(IconvHandle& cd, std::u16string_view wide, const std::string& charset, std::string& out) {
  std::string replacement;  // computed on first need
  const std::string_view input(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
  return RunIconvInto(
      cd, input,
      [&](std::size_t pos) {
        std::size_t unit = pos / sizeof(char16_t);
        char16_t u = wide[unit];
        if (IsHighSurrogate(u) && unit + 1 < wide.size() && IsLowSurrogate(wide[unit + 1])) {
          return BadInput{2 * sizeof(char16_t), "?"};  // a whole character the target lacks
        }
        if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
          if (replacement.empty()) replacement = ReplacementIn(charset);
          return BadInput{sizeof(char16_t), replacement};
        }
        return BadInput{sizeof(char16_t), "?"};
      },
      out);
}

bool Encode(std::u16string_view wide, const std::string& charset, std::string* bytes) {
  IconvHandle* cd = CachedHandle(charset, kWideCharset);
  if (cd == nullptr) return false;
  bytes->resize(EncodeWith(*cd, wide, charset, *bytes));
  return true;
}

// ASCII is itself in the program's code page and never part of a longer character there,
// so runs of it are copied and only the rest goes through iconv.
bool EncodeGb18030(std::u16string_view wide, std::string* bytes) {
  // Most non-ASCII units take two bytes: sized for that, the buffer grows only for the rarer
  // four-byte characters (a doubling std::string growth would leave titles with twice the
  // memory they need). Runs of non-ASCII go through iconv into one reused piece.
  bytes->assign(wide.size() + CountNonAscii(wide), '\0');
  std::size_t used = 0;
  std::size_t i = 0;
  std::string piece;
  const std::string charset = "GB18030";
  IconvHandle* cd = nullptr;  // looked up at the first run that needs it
  while (i < wide.size()) {
    char* out = bytes->data() + used;
    const std::size_t from = i;
    for (const std::size_t end = AsciiRunEnd(wide, i); i < end; ++i) *out++ = static_cast<char>(wide[i]);
    used += i - from;
    if (i == wide.size()) break;
    std::size_t run = i;
    while (run < wide.size() && wide[run] >= 0x80) ++run;
    if (cd == nullptr && (cd = CachedHandle(charset, kWideCharset)) == nullptr) return false;
    const std::size_t written = EncodeWith(*cd, wide.substr(i, run - i), charset, piece);
    // Room for the piece and a byte for each unit still to come (ASCII is copied unchecked).
    if (const std::size_t need = used + written + (wide.size() - run); need > bytes->size()) {
      bytes->resize(need + (wide.size() - run));
    }
    std::memcpy(bytes->data() + used, piece.data(), written);
    used += written;
    i = run;
  }
  bytes->resize(used);
  return true;
}

}  // namespace

bool CodePageCodecSupports(int codePage) {
  std::string charset = CharsetOf(codePage);
  return !charset.empty() && CachedHandle(kWideCharset, charset) != nullptr &&
         CachedHandle(charset, kWideCharset) != nullptr;
}

bool DecodeCodePage(std::string_view bytes, int codePage, std::u16string* wide) {
  std::string charset = CharsetOf(codePage);
  return !charset.empty() && Decode(bytes, charset, wide);
}

bool EncodeCodePage(std::u16string_view wide, int codePage, std::string* bytes) {
  std::string charset = CharsetOf(codePage);
  if (charset == "GB18030") return EncodeGb18030(wide, bytes);
  return !charset.empty() && Encode(wide, charset, bytes);
}

}  // namespace quillmar
