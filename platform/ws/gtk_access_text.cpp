// AtkText and AtkEditableText of a node: the provider counts UTF-16 units,
// ATK counts characters (code points); every offset is converted here.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/ws/gtk_access_bridge.h"

namespace quillmar::ws::gtk_ax {
namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Code point at unit i, and how many units it takes.
std::pair<gunichar, int32_t> CodePointAt(const std::u16string& text, size_t i) {
  const char16_t u = text[i];
  if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
    return {0x10000 + ((static_cast<gunichar>(u) - 0xD800) << 10) + (static_cast<gunichar>(text[i + 1]) - 0xDC00), 2};
  }
  // A lone surrogate cannot be spoken: it reads as the replacement character.
  if (IsHigh(u) || IsLow(u)) return {0xFFFD, 1};
  return {u, 1};
}

struct Read {
  AxProvider* provider = nullptr;
  AxNodeId id = 0;
  std::optional<AxText> text;
};

Read ReadText(gpointer object) {
  auto* node = reinterpret_cast<GtkAxNode*>(object);
  Read read;
  read.provider = Provider(node);
  read.id = node->id;
  if (read.provider != nullptr) read.text = read.provider->Text(node->id);
  return read;
}

gchar* TextGet(AtkText* object, gint start, gint end) {
  const Read r = ReadText(object);
  if (!r.text) return g_strdup("");
  const int32_t count = CharCount(r.text->text);
  if (end < 0 || end > count) end = count;
  if (start < 0) start = 0;
  if (start > end) start = end;
  return g_strdup(ToUtf8(r.text->text, start, end).c_str());
}

gint TextCount(AtkText* object) {
  const Read r = ReadText(object);
  return r.text ? CharCount(r.text->text) : 0;
}

gint TextCaret(AtkText* object) {
  const Read r = ReadText(object);
  return r.text ? CharsBefore(r.text->text, r.text->caret) : 0;
}

gboolean TextSetCaret(AtkText* object, gint offset) {
  const Read r = ReadText(object);
  if (!r.text || offset < 0) return FALSE;
  return r.provider->SetCaret(r.id, UnitsBefore(r.text->text, offset));
}

gunichar TextCharAt(AtkText* object, gint offset) {
  const Read r = ReadText(object);
  if (!r.text || offset < 0) return 0;
  const auto at = static_cast<size_t>(UnitsBefore(r.text->text, offset));
  return at < r.text->text.size() ? CodePointAt(r.text->text, at).first : 0;
}

// The piece of text around offset that a granularity names, in characters.
gchar* TextPiece(AtkText* object, gint offset, AtkTextGranularity granularity, gint* startOut, gint* endOut) {
  const Read r = ReadText(object);
  std::u16string units = r.text ? r.text->text : std::u16string();
  // Work on code points so that every index below is an ATK offset.
  std::vector<gunichar> chars;
  for (size_t i = 0; i < units.size();) {
    const auto [cp, n] = CodePointAt(units, i);
    chars.push_back(cp);
    i += static_cast<size_t>(n);
  }
  const auto count = static_cast<gint>(chars.size());
  offset = std::clamp(offset, 0, count);
  gint start = offset;
  gint end = offset;
  auto isBreak = [&](gint i) { return chars[static_cast<size_t>(i)] == '\n'; };
  auto isSpace = [&](gint i) { return g_unichar_isspace(chars[static_cast<size_t>(i)]) != 0; };
  switch (granularity) {
    case ATK_TEXT_GRANULARITY_CHAR:
      end = std::min(offset + 1, count);
      break;
    case ATK_TEXT_GRANULARITY_WORD:
      while (start > 0 && !isSpace(start - 1)) --start;
      while (end < count && !isSpace(end)) ++end;
      while (end < count && isSpace(end)) ++end;
      break;
    default:  // lines, sentences and paragraphs: one line of text
      while (start > 0 && !isBreak(start - 1)) --start;
      while (end < count && !isBreak(end)) ++end;
      if (end < count) ++end;
      break;
  }
  if (startOut) *startOut = start;
  if (endOut) *endOut = end;
  return g_strdup(ToUtf8(units, start, end).c_str());
}

gchar* TextStringAt(AtkText* object, gint offset, AtkTextGranularity granularity, gint* start, gint* end) {
  return TextPiece(object, offset, granularity, start, end);
}

gchar* TextAtOffset(AtkText* object, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  AtkTextGranularity granularity = ATK_TEXT_GRANULARITY_LINE;
  if (boundary == ATK_TEXT_BOUNDARY_CHAR) granularity = ATK_TEXT_GRANULARITY_CHAR;
  if (boundary == ATK_TEXT_BOUNDARY_WORD_START || boundary == ATK_TEXT_BOUNDARY_WORD_END) {
    granularity = ATK_TEXT_GRANULARITY_WORD;
  }
  return TextPiece(object, offset, granularity, start, end);
}

gint TextSelectionCount(AtkText* object) {
  const Read r = ReadText(object);
  return (r.text && r.text->selectionStart != r.text->selectionEnd) ? 1 : 0;
}

gchar* TextSelection(AtkText* object, gint index, gint* start, gint* end) {
  const Read r = ReadText(object);
  if (!r.text || index != 0 || r.text->selectionStart == r.text->selectionEnd) {
    if (start) *start = 0;
    if (end) *end = 0;
    return nullptr;
  }
  const gint s = CharsBefore(r.text->text, r.text->selectionStart);
  const gint e = CharsBefore(r.text->text, r.text->selectionEnd);
  if (start) *start = s;
  if (end) *end = e;
  return g_strdup(ToUtf8(r.text->text, s, e).c_str());
}

gboolean TextSetSelection(AtkText* object, gint index, gint start, gint end) {
  const Read r = ReadText(object);
  if (!r.text || index != 0 || start < 0 || end < 0) return FALSE;
  return r.provider->SetTextSelection(r.id, UnitsBefore(r.text->text, start), UnitsBefore(r.text->text, end));
}

gboolean TextAddSelection(AtkText* object, gint start, gint end) { return TextSetSelection(object, 0, start, end); }

gboolean TextRemoveSelection(AtkText* object, gint index) {
  const Read r = ReadText(object);
  if (!r.text || index != 0) return FALSE;
  return r.provider->SetCaret(r.id, r.text->caret);
}

// --- AtkEditableText ---
void EditSetContents(AtkEditableText* object, const gchar* string) {
  const Read r = ReadText(object);
  if (!r.text || string == nullptr) return;
  r.provider->EditText(r.id, 0, static_cast<int32_t>(r.text->text.size()), FromUtf8(string, -1));
}

void EditInsert(AtkEditableText* object, const gchar* string, gint length, gint* position) {
  const Read r = ReadText(object);
  if (!r.text || string == nullptr || position == nullptr) return;
  const std::u16string units = FromUtf8(string, length);
  const int32_t at = UnitsBefore(r.text->text, std::max(*position, 0));
  if (r.provider->EditText(r.id, at, at, units)) *position += CharCount(units);
}

void EditDelete(AtkEditableText* object, gint start, gint end) {
  const Read r = ReadText(object);
  if (!r.text) return;
  const int32_t count = CharCount(r.text->text);
  if (end < 0 || end > count) end = count;
  if (start < 0 || start >= end) return;
  r.provider->EditText(r.id, UnitsBefore(r.text->text, start), UnitsBefore(r.text->text, end), u"");
}

}  // namespace

int32_t CharsBefore(const std::u16string& text, int32_t units) {
  int32_t chars = 0;
  const size_t limit = std::min(text.size(), static_cast<size_t>(std::max(units, 0)));
  for (size_t i = 0; i < limit;) {
    i += static_cast<size_t>(CodePointAt(text, i).second);
    ++chars;
  }
  return chars;
}

int32_t UnitsBefore(const std::u16string& text, int32_t chars) {
  size_t i = 0;
  for (int32_t c = 0; c < chars && i < text.size(); ++c) i += static_cast<size_t>(CodePointAt(text, i).second);
  return static_cast<int32_t>(std::min(i, text.size()));
}

int32_t CharCount(const std::u16string& text) { return CharsBefore(text, static_cast<int32_t>(text.size())); }

std::string ToUtf8(const std::u16string& text, int32_t fromChar, int32_t toChar) {
  std::string out;
  const auto end = static_cast<size_t>(UnitsBefore(text, toChar));
  for (auto i = static_cast<size_t>(UnitsBefore(text, fromChar)); i < end;) {
    const auto [cp, n] = CodePointAt(text, i);
    gchar bytes[6];
    out.append(bytes, static_cast<size_t>(g_unichar_to_utf8(cp, bytes)));
    i += static_cast<size_t>(n);
  }
  return out;
}

std::u16string FromUtf8(const char* utf8, gint bytes) {
  glong written = 0;
  gunichar2* units = g_utf8_to_utf16(utf8, bytes, nullptr, &written, nullptr);
  if (units == nullptr) return {};
  std::u16string out(reinterpret_cast<const char16_t*>(units), static_cast<size_t>(written));
  g_free(units);
  return out;
}

void InitText(AtkTextIface* iface) {
  iface->get_text = TextGet;
  iface->get_character_count = TextCount;
  iface->get_caret_offset = TextCaret;
  iface->set_caret_offset = TextSetCaret;
  iface->get_character_at_offset = TextCharAt;
  iface->get_string_at_offset = TextStringAt;
  iface->get_text_at_offset = TextAtOffset;
  iface->get_n_selections = TextSelectionCount;
  iface->get_selection = TextSelection;
  iface->set_selection = TextSetSelection;
  iface->add_selection = TextAddSelection;
  iface->remove_selection = TextRemoveSelection;
}

void InitEditableText(AtkEditableTextIface* iface) {
  iface->set_text_contents = EditSetContents;
  iface->insert_text = EditInsert;
  iface->delete_text = EditDelete;
}

}  // namespace quillmar::ws::gtk_ax
