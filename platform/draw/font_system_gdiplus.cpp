#include "platform/draw/font_system_gdiplus.h"

#include <initializer_list>
#include <map>

#include "base/text_encoding.h"

namespace quillmar::draw::fonts {

namespace {

using FamilyPtr = std::shared_ptr<const FontFamily::Impl>;

// Families the program's pictures and settings name (Windows CJK names): each prefers its
// own face, then the faces a Chinese desktop draws with, so Chinese never shows as boxes.
const std::initializer_list<const wchar_t*> kSongCandidates = {L"SimSun",
                                                               L"NSimSun",
                                                               L"Microsoft YaHei UI",
                                                               L"Microsoft YaHei",
                                                               L"SimHei",
                                                               L"DengXian",
                                                               L"Microsoft JhengHei",
                                                               L"PMingLiU",
                                                               L"Noto Sans CJK SC",
                                                               L"Noto Sans SC",
                                                               L"Source Han Sans SC",
                                                               L"WenQuanYi Zen Hei",
                                                               L"WenQuanYi Micro Hei"};
const std::initializer_list<const wchar_t*> kHeiCandidates = {L"SimHei",
                                                              L"Microsoft YaHei",
                                                              L"Microsoft YaHei UI",
                                                              L"SimSun",
                                                              L"DengXian",
                                                              L"Microsoft JhengHei",
                                                              L"Noto Sans CJK SC",
                                                              L"Noto Sans SC",
                                                              L"Source Han Sans SC",
                                                              L"WenQuanYi Zen Hei",
                                                              L"WenQuanYi Micro Hei"};
// Any other unknown name: the system's CJK user-interface face first.
const std::initializer_list<const wchar_t*> kUiCandidates = {
    L"Microsoft YaHei UI", L"Microsoft YaHei",    L"SimSun",           L"SimHei",       L"DengXian",
    L"Microsoft JhengHei", L"PMingLiU",           L"Noto Sans CJK SC", L"Noto Sans SC", L"Source Han Sans SC",
    L"WenQuanYi Zen Hei",  L"WenQuanYi Micro Hei"};

const std::initializer_list<const wchar_t*>& CandidatesFor(const std::wstring& name) {
  for (const wchar_t* song : {L"宋体", L"SimSun", L"新宋体", L"NSimSun"}) {
    if (name == song) return kSongCandidates;
  }
  for (const wchar_t* hei : {L"黑体", L"SimHei", L"微软雅黑", L"Microsoft YaHei"}) {
    if (name == hei) return kHeiCandidates;
  }
  return kUiCandidates;
}

struct State {
  std::recursive_mutex mutex;  // guards everything here and all text work
  // Fonts the program loaded stay loaded for the whole process, their bytes with them.
  std::unique_ptr<Gdiplus::PrivateFontCollection> loaded;
  std::vector<std::vector<uint8_t>> loadedBytes;
  std::map<std::string, std::vector<FamilyPtr>> byContent;  // key: size and hash of loaded bytes
  std::map<std::u16string, FamilyPtr> resolved;
};

// Lives until the process ends; made after GDI+ started, so it goes before GDI+ stops.
State& Shared() {
  static State* state = [] {
    gdiplus::EnsureStarted();
    static State s;
    s.loaded = std::make_unique<Gdiplus::PrivateFontCollection>();
    return &s;
  }();
  return *state;
}

std::unique_ptr<Gdiplus::FontFamily> Find(const std::wstring& name, const Gdiplus::FontCollection* collection) {
  auto family = std::make_unique<Gdiplus::FontFamily>(name.c_str(), collection);
  if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) return nullptr;
  return family;
}

FamilyPtr Make(std::u16string asked, const std::wstring& face, std::unique_ptr<Gdiplus::FontFamily> family) {
  auto impl = std::make_shared<FontFamily::Impl>();
  impl->name = std::move(asked);
  impl->resolved = Utf16ToUtf8(std::u16string(face.begin(), face.end()));
  impl->family = std::move(family);
  return impl;
}

std::vector<std::wstring> FamilyNames(const Gdiplus::FontCollection& collection) {
  std::vector<std::wstring> names;
  const int count = collection.GetFamilyCount();
  if (count <= 0) return names;
  std::vector<Gdiplus::FontFamily> families(static_cast<size_t>(count));
  int found = 0;
  if (collection.GetFamilies(count, families.data(), &found) != Gdiplus::Ok) return names;
  for (int i = 0; i < found; ++i) {
    WCHAR face[LF_FACESIZE] = {};
    if (families[static_cast<size_t>(i)].GetFamilyName(face) != Gdiplus::Ok || face[0] == 0) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || n == face;
    if (!seen) names.emplace_back(face);
  }
  return names;
}

// Families a probe collection found, now looked up in the process-wide one.
std::vector<FamilyPtr> Register(State& s, const std::vector<std::wstring>& names) {
  std::vector<FamilyPtr> out;
  for (const auto& name : names) {
    auto family = Find(name, s.loaded.get());
    if (family) out.push_back(Make(std::u16string(name.begin(), name.end()), name, std::move(family)));
  }
  s.resolved.clear();  // names that fell back before may now be loaded
  return out;
}

std::string ContentKey(std::span<const uint8_t> bytes) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

}  // namespace

std::recursive_mutex& TextMutex() { return Shared().mutex; }

FamilyPtr ResolveFamily(std::u16string_view name) {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  const std::u16string key(name);
  if (auto it = s.resolved.find(key); it != s.resolved.end()) return it->second;
  const std::wstring wide = gdiplus::Wide(name);
  FamilyPtr result;
  if (auto family = Find(wide, s.loaded.get())) {
    result = Make(key, wide, std::move(family));
  } else if (auto installed = Find(wide, nullptr)) {
    result = Make(key, wide, std::move(installed));
  } else {
    for (const wchar_t* candidate : CandidatesFor(wide)) {
      if (auto family = Find(candidate, nullptr)) {
        result = Make(key, candidate, std::move(family));
        break;
      }
    }
  }
  if (!result) {
    // No CJK face at all: the desktop's own, else whatever GDI+ calls sans-serif.
    const std::wstring ui = gdiplus::Wide(DesktopUiFont().family);
    if (auto family = Find(ui, nullptr)) {
      result = Make(key, ui, std::move(family));
    } else if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif()) {
      WCHAR face[LF_FACESIZE] = {};
      generic->GetFamilyName(face);
      result = Make(key, face, std::unique_ptr<Gdiplus::FontFamily>(generic->Clone()));
    } else {
      result = Make(key, L"", nullptr);  // no font at all: fonts of it come out empty
    }
  }
  s.resolved.emplace(key, result);
  return result;
}

std::vector<FamilyPtr> AddFontFile(const std::wstring& path) {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  Gdiplus::PrivateFontCollection probe;
  if (probe.AddFontFile(path.c_str()) != Gdiplus::Ok) return {};
  const std::vector<std::wstring> names = FamilyNames(probe);
  if (names.empty() || s.loaded->AddFontFile(path.c_str()) != Gdiplus::Ok) return {};
  return Register(s, names);
}

std::vector<FamilyPtr> AddFontMemory(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return {};
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  const std::string key = ContentKey(bytes);
  if (auto it = s.byContent.find(key); it != s.byContent.end()) return it->second;
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  Gdiplus::PrivateFontCollection probe;
  std::vector<FamilyPtr> out;
  if (probe.AddMemoryFont(copy.data(), static_cast<INT>(copy.size())) == Gdiplus::Ok) {
    const std::vector<std::wstring> names = FamilyNames(probe);
    if (!names.empty() && s.loaded->AddMemoryFont(copy.data(), static_cast<INT>(copy.size())) == Gdiplus::Ok) {
      s.loadedBytes.push_back(std::move(copy));
      out = Register(s, names);
    }
  }
  s.byContent.emplace(key, out);
  return out;
}

UiFontSpec DesktopUiFont() {
  UiFontSpec spec{u"Segoe UI", 9};
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    const LOGFONTW& font = metrics.lfMessageFont;
    if (font.lfFaceName[0] != 0) {
      spec.family = std::u16string(font.lfFaceName, font.lfFaceName + wcsnlen(font.lfFaceName, LF_FACESIZE));
    }
    // Heights are pixels at the program's 96 pixels per inch.
    if (font.lfHeight != 0) spec.points = std::abs(font.lfHeight) * 72.0 / 96.0;
  }
  return spec;
}

std::string Utf16ToUtf8(std::u16string_view text) { return WideToMultiByte(text, kCodePageUtf8, true); }

std::u16string Utf8ToUtf16(std::string_view text) { return MultiByteToWide(text, kCodePageUtf8, true); }

}  // namespace quillmar::draw::fonts
