#include "platform/draw/font_system.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace quillmar::draw::fonts {

namespace {

// Windows family names that pictures and settings of the program use: each prefers
// an installed CJK family, so Chinese text never falls back to boxes.
constexpr const char kAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>宋体</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family><family>Noto Serif CJK SC</family></prefer></alias>
  <alias binding="same"><family>SimSun</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>新宋体</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>NSimSun</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>黑体</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>SimHei</family>
    <prefer><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>微软雅黑</family>
    <prefer><family>WenQuanYi Micro Hei</family><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
  <alias binding="same"><family>Microsoft YaHei</family>
    <prefer><family>WenQuanYi Micro Hei</family><family>WenQuanYi Zen Hei</family><family>Noto Sans CJK SC</family></prefer></alias>
</fontconfig>
)";

struct State {
  PangoFontMap* map = nullptr;
  std::recursive_mutex mutex;  // guards the caches, fontconfig changes and all text work
  std::map<std::string, std::string> resolved;
};

// Lives for the whole process, like the font configuration it wraps.
State& Shared() {
  static State state;
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(kAliases), FcTrue);
    state.map = pango_cairo_font_map_new();
  });
  return state;
}

struct ThreadContextHolder {
  PangoContext* context = nullptr;
  ~ThreadContextHolder() {
    // Released at thread exit, while other threads may be laying out text.
    std::lock_guard lock(Shared().mutex);
    if (context != nullptr) g_object_unref(context);
  }
};

std::string FamilyOf(FcPattern* pattern) {
  FcChar8* family = nullptr;
  if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr) {
    return reinterpret_cast<const char*>(family);
  }
  return {};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

PangoFontMap* FontMap() { return Shared().map; }

std::recursive_mutex& TextMutex() { return Shared().mutex; }

PangoContext* ThreadContext() {
  thread_local ThreadContextHolder holder;
  if (holder.context == nullptr) holder.context = pango_font_map_create_context(FontMap());
  return holder.context;
}

std::string ResolveFamily(const std::string& name) {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  if (auto it = s.resolved.find(name); it != s.resolved.end()) return it->second;
  // The family itself wins when installed; an alias brings its preferred family; an
  // unknown name falls to the best font for Chinese.
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string family = match != nullptr ? FamilyOf(match) : std::string();
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  if (family.empty()) family = "Sans";
  s.resolved.emplace(name, family);
  return family;
}

std::vector<std::string> AddFontFile(const std::string& path) {
  State& s = Shared();
  std::vector<std::string> families;
  std::lock_guard lock(s.mutex);
  int count = 0;
  for (int index = 0;; ++index) {
    FcPattern* face = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.c_str()), index, nullptr, &count);
    if (face == nullptr) break;
    std::string family = FamilyOf(face);
    FcPatternDestroy(face);
    if (!family.empty()) {
      bool seen = false;
      for (const auto& f : families) seen = seen || f == family;
      if (!seen) families.push_back(family);
    }
    if (index + 1 >= count) break;
  }
  if (families.empty()) return families;
  if (!FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(path.c_str()))) return {};
  s.resolved.clear();
  pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(s.map));
  return families;
}

UiFontSpec DesktopUiFont() {
  // The toolkit's settings file names the desktop font as "Family [Style] Size".
  UiFontSpec spec{"Sans", 10};
  std::vector<std::string> files;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    files.push_back(std::string(xdg) + "/gtk-3.0/settings.ini");
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    files.push_back(std::string(home) + "/.config/gtk-3.0/settings.ini");
  }
  files.push_back("/etc/gtk-3.0/settings.ini");
  for (const auto& file : files) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq);
      while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
      if (key != "gtk-font-name") continue;
      PangoFontDescription* desc = pango_font_description_from_string(line.c_str() + eq + 1);
      const char* family = pango_font_description_get_family(desc);
      const int size = pango_font_description_get_size(desc);
      if (family != nullptr && *family != '\0') spec.family = family;
      if (size > 0 && !pango_font_description_get_size_is_absolute(desc)) {
        spec.points = static_cast<double>(size) / PANGO_SCALE;
      }
      pango_font_description_free(desc);
      return spec;
    }
  }
  return spec;
}

std::string Utf16ToUtf8(std::u16string_view text, std::vector<int>* offsets) {
  std::string out;
  out.reserve(text.size());
  if (offsets != nullptr) offsets->assign(text.size() + 1, 0);
  for (size_t i = 0; i < text.size();) {
    char32_t c = text[i];
    size_t units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    } else if (c == 0) {
      c = 0xFFFD;  // Pango refuses text with embedded NULs
    }
    if (offsets != nullptr) {
      for (size_t k = 0; k < units; ++k) (*offsets)[i + k] = static_cast<int>(out.size());
    }
    AppendUtf8(out, c);
    i += units;
  }
  if (offsets != nullptr) offsets->back() = static_cast<int>(out.size());
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  glong written = 0;
  gunichar2* utf16 = g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr);
  if (utf16 != nullptr) {
    out.assign(reinterpret_cast<const char16_t*>(utf16), static_cast<size_t>(written));
    g_free(utf16);
  }
  return out;
}

}  // namespace quillmar::draw::fonts
