// Measuring, layout, scroll bars and painting of UiEdit.

#include <algorithm>

#include "base/text_encoding.h"
#include "platform/draw/brush.h"
#include "platform/draw/pen.h"
#include "platform/ws/window_system.h"
#include "ui/edit/edit_breaks.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

constexpr char16_t kWideSample = u'\u6211';  // every character above code 128 is as wide as this one
constexpr int32_t kMinBlinkMs = 50;
constexpr draw::Argb kTransparent = 0x00FFFFFF;

}  // namespace

void UiEdit::CreateFontObjects() {
  font_.FromName(fontName_, fontSize_, draw::FontStyleRegular, static_cast<int>(draw::Unit::Pixel));
  format_.Create(draw::StringFormat::kMeasureTrailingSpaces, 0);
  measureGraphics_.SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
  asciiAdvance_.fill(-1);
  clusterAdvance_.clear();
}

void UiEdit::DeleteFontObjects() {
  font_.Release();
  format_.Delete();
  asciiAdvance_.fill(-1);
  clusterAdvance_.clear();
}

void UiEdit::RequestFullRedraw() {
  fullRedraw_ = true;
  InvalidateRect();
}

RectF UiEdit::MeasureChar(std::u16string_view unit) {
  const draw::StringFormat* base = format_.GetHandle();
  if (!base || font_.GetFont().IsEmpty() || unit.empty()) return {};
  draw::StringFormat format = *base;
  format.SetMeasurableCharacterRanges({{0, static_cast<int>(unit.size())}});
  const auto boxes = measureGraphics_.MeasureCharacterRanges(unit, font_.GetFont(), layout_.TextRect(), format);
  if (boxes.empty()) return {};
  return {boxes[0].x, boxes[0].y, boxes[0].width, boxes[0].height};
}

int32_t UiEdit::ClusterAdvance(std::u16string_view cluster) {
  if (cluster.size() == 1) return AsciiAdvance(cluster[0]);
  // Shaped as one run: a letter with its accents, an emoji sequence, a flag.
  if (auto it = clusterAdvance_.find(std::u16string(cluster)); it != clusterAdvance_.end()) return it->second;
  // The width the shaped run takes when drawn (its parts' positions can split it).
  int32_t advance = 0;
  if (format_.GetHandle() && !font_.GetFont().IsEmpty()) {
    advance = static_cast<int32_t>(
        measureGraphics_.MeasureString(cluster, font_.GetFont(), layout_.TextRect(), format_.GetHandle()).bounds.width);
  }
  advance = std::max(advance, 0);
  if (clusterAdvance_.size() > 4096) clusterAdvance_.clear();
  clusterAdvance_.emplace(std::u16string(cluster), advance);
  return advance;
}

int32_t UiEdit::AsciiAdvance(char16_t unit) {
  // Each code is measured once per font: the result cannot change in between.
  int32_t& cached = asciiAdvance_[std::min<size_t>(unit, asciiAdvance_.size() - 1)];
  if (cached < 0) cached = std::max(static_cast<int32_t>(MeasureChar(std::u16string_view(&unit, 1)).width), 0);
  return cached;
}

RectF UiEdit::ComputeTextRect(bool reserveBars) {
  const float w = static_cast<float>(GetWidth() - inset_);
  const float h = static_cast<float>(GetHeight() - inset_);
  RectF r{static_cast<float>(inset_), static_cast<float>(inset_), w, h};
  if (reserveBars && vBar_.Shown()) r.width -= static_cast<float>(vBar_.rect.width);
  if (reserveBars && hBar_.Shown()) r.height -= static_cast<float>(hBar_.rect.height);
  return r;
}

void UiEdit::PlaceScrollBars() {
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const int32_t t = EditBar::kThickness;
  if (vBar_.exists) vBar_.rect = Rect::FromXywh(w - t, inset_, t, h - inset_ - (hBar_.Shown() ? 13 : 0));
  if (hBar_.exists) hBar_.rect = Rect::FromXywh(inset_, h - t, w - inset_ - (vBar_.Shown() ? 13 : 0), t);
  SyncBarControls();
}

void UiEdit::Layout() {
  if (layoutBusy_ && !layoutRestart_) return;
  layoutBusy_ = true;
  const bool restart = layoutRestart_;
  layout_.SetTextRect(ComputeTextRect(!autoHideScrollBars_ || restart));
  const RectF tr = layout_.TextRect();

  const RectF wide = MeasureChar(std::u16string_view(&kWideSample, 1));
  metrics_.wideCharWidth = static_cast<int32_t>(wide.width);
  metrics_.glyphHeight = static_cast<int32_t>(wide.height);
  metrics_.glyphLead = static_cast<int32_t>(wide.x);
  if (passwordMode_)
    metrics_.maskCharWidth = static_cast<int32_t>(MeasureChar(std::u16string_view(&passwordChar_, 1)).width);
  // (Text reaches a one-line box already cut at its first line break.)
  if (wrap_ == EditWrap::SingleLine) metrics_.lineGapAbove = metrics_.lineGapBelow = 0;
  layout_.SetAsciiWidths(asciiAdvance_.data());
  // One typed key in a long line walks only the stretch it changed.
  const Walked now{model_.Version(),       tr,
                   metrics_.wideCharWidth, metrics_.maskCharWidth,
                   metrics_.glyphHeight,   passwordMode_,
                   passwordChar_,          preedit_.empty()};
  Point caret;
  const EditModel::Change& change = model_.LastChange();
  const bool one =
      walked_.valid && walked_.version + 1 == now.version && walked_.SameSetting(now) && now.plain && !restart;
  if (!one || !layout_.WalkChange(Shown(), ShownCaret(), change.start, change.removed, change.inserted, &caret)) {
    caret = layout_.Walk(Shown(), ShownCaret(), wrap_, passwordMode_, metrics_, tr,
                         [this](std::u16string_view c) { return ClusterAdvance(c); });
  }
  walked_ = now;
  walked_.valid = now.plain;
  const int32_t cw = layout_.ContentWidth();
  const int32_t ch = layout_.ContentHeight();
  hBar_.SetMaximum(std::max(cw - static_cast<int32_t>(tr.width), 0));
  vBar_.SetMaximum(layout_.MultiLine() ? std::max(ch - static_cast<int32_t>(tr.height), 0) : 0);

  if (autoHideScrollBars_) {
    vBar_.visible = hBar_.visible = false;
    hBar_.visible = hBar_.exists && cw > tr.width;
    if (vBar_.exists && ch > tr.height) {
      vBar_.visible = true;
      if (wrap_ == EditWrap::Wrap && !restart) {
        // Lines wrap at the area's width: lay out again in the narrower area the bar leaves.
        PlaceScrollBars();
        layoutRestart_ = true;
        Layout();
        return;
      }
    }
    PlaceScrollBars();
  } else {
    vBar_.visible = vBar_.exists;
    hBar_.visible = hBar_.exists;
  }

  layout_.ScrollCaretIntoView(caret);
  if (!vBar_.Shown() && layout_.scrollY != 0) {
    layout_.scrollY = 0;
    redrawText_ = true;
  }
  SetBarPositions();
  layout_.BuildBoxes(Shown());
  layoutBusy_ = false;
  layoutRestart_ = false;
  const std::optional<RectF> band = fullRedraw_ || surface_.IsEmpty() ? std::nullopt : ChangedBand();
  RememberDrawn();
  if (band) {
    // Only the lines the change touched are drawn again; the rest of the layer stays.
    surface_.AddStale(*band, layout_.scrollX, layout_.scrollY);
    redrawText_ = true;
    InvalidateRect();
  } else {
    RequestFullRedraw();
  }
}

void UiEdit::RememberDrawn() {
  drawn_.valid = true;
  // One line is drawn again whole on any change: its text need not be kept.
  if (layout_.MultiLine()) {
    drawn_.text = Shown();
  } else {
    drawn_.text.clear();
  }
  drawn_.version = model_.Version();
  drawn_.preedit = preedit_;
  drawn_.lineCounts = layout_.LineCounts();
  drawn_.textRect = layout_.TextRect();
  drawn_.wideCharWidth = metrics_.wideCharWidth;
  drawn_.maskCharWidth = metrics_.maskCharWidth;
  drawn_.lineHeight = layout_.LineHeight();
  drawn_.scrollX = layout_.scrollX;
  drawn_.scrollY = layout_.scrollY;
  drawn_.password = passwordMode_;
  drawn_.mask = passwordChar_;
  drawn_.vBar = vBar_.Shown();
  drawn_.hBar = hBar_.Shown();
}

std::optional<RectF> UiEdit::ChangedBand() const {
  const Drawn& d = drawn_;
  const RectF tr = layout_.TextRect();
  if (!d.valid || !(d.textRect == tr) || d.wideCharWidth != metrics_.wideCharWidth ||
      d.maskCharWidth != metrics_.maskCharWidth || d.lineHeight != layout_.LineHeight() ||
      d.scrollX != layout_.scrollX || d.scrollY != layout_.scrollY || d.password != passwordMode_ ||
      d.mask != passwordChar_ || d.vBar != vBar_.Shown() || d.hBar != hBar_.Shown()) {
    return std::nullopt;
  }
  if (!layout_.MultiLine()) return d.version == model_.Version() && d.preedit == preedit_ ? RectF{} : tr;
  const std::u16string& now = Shown();
  const size_t shorter = std::min(now.size(), d.text.size());
  const size_t prefix =
      static_cast<size_t>(std::mismatch(now.begin(), now.begin() + shorter, d.text.begin()).first - now.begin());
  if (prefix == now.size() && prefix == d.text.size()) return RectF{};
  size_t suffix = 0;
  while (suffix < shorter - prefix && now[now.size() - 1 - suffix] == d.text[d.text.size() - 1 - suffix]) ++suffix;

  // The first line that can differ holds the unit before the first change.
  const std::vector<int32_t>& counts = layout_.LineCounts();
  const size_t lines = counts.size();
  const size_t target = prefix > 0 ? prefix - 1 : 0;
  size_t first = 0;
  for (size_t start = 0; first < lines; ++first) {
    start += static_cast<size_t>(counts[first]);
    if (start > target) break;
  }
  first = std::min(first, lines > 0 ? lines - 1 : 0);
  // Lines at the end that hold only unchanged units and break the same way stay.
  int64_t last = static_cast<int64_t>(lines) - 1;
  if (lines == d.lineCounts.size()) {
    size_t end = now.size();
    while (last > static_cast<int64_t>(first)) {
      const size_t count = static_cast<size_t>(counts[static_cast<size_t>(last)]);
      if (count != static_cast<size_t>(d.lineCounts[static_cast<size_t>(last)]) || end - count < now.size() - suffix) {
        break;
      }
      end -= count;
      --last;
    }
  }
  const float lh = static_cast<float>(layout_.LineHeight());
  const float top = tr.y + static_cast<float>(layout_.scrollY) + static_cast<float>(first) * lh;
  float bottom = tr.Bottom();
  if (lines == d.lineCounts.size())
    bottom = tr.y + static_cast<float>(layout_.scrollY) +
             static_cast<float>(std::max<int64_t>(last, static_cast<int64_t>(first)) + 1) * lh;
  const float y0 = std::max(top, tr.y);
  const float y1 = std::min(bottom, tr.Bottom());
  if (y1 <= y0) return RectF{};
  return RectF{tr.x, y0, tr.width, y1 - y0};
}

void UiEdit::SetBarPositions() {
  hBar_.SetPosition(-layout_.scrollX);
  vBar_.SetPosition(-layout_.scrollY);
  SyncBarControls();
}

int32_t UiEdit::PositionFromPoint(float x, float y, Point* outPoint) const {
  return layout_.PositionFromPoint(x, y, outPoint);
}

bool UiEdit::WindowFocused() {
  const Hwnd hwnd = WindowOf(Key());
  return focused_ && hwnd != 0 && ws::System().Focus() == hwnd;
}

void UiEdit::WatchWindowFocus() {
  if (focusWatch_ != 0) return;
  // The caret blinks only while the window has the keyboard focus: the edit
  // hears the window gain and lose it, not only its own element's focus.
  focusWatch_ = ws::System().WatchFocus([this](ws::WindowHandle) {
    if (!focused_) return;
    if (!WindowFocused()) DropPreedit(false);
    lastInputMs_ = ws::System().NowMs();
    caretShown_ = WindowFocused() && !browseOnly_;
    InvalidateRect();
  });
}

bool UiEdit::ShouldBlink() {
  if (!WindowFocused() || browseOnly_) return false;
  const ws::CaretBlink blink = ws::System().CaretBlinkSettings();
  // Without blinking, or a while after the last input, the caret stays shown and no timer runs.
  return blink.enabled && ws::System().NowMs() - lastInputMs_ < blink.timeoutMs;
}

void UiEdit::OnPaint(draw::Graphics&, Size) {
  if (blinkTimer_ != 0) {
    StopTimer(blinkTimer_);
    blinkTimer_ = 0;
  }
  const bool blink = ShouldBlink();
  if (!WindowFocused()) {
    caretShown_ = false;
  } else if (!blink && !browseOnly_) {
    caretShown_ = true;
  }
  Paint();
  // Every paint restarts the blink phase; an edit without the focus has no timer at all.
  if (blink) {
    const int32_t cycle = ws::System().CaretBlinkSettings().cycleMs;
    blinkTimer_ = StartTimer(static_cast<uint32_t>(std::max(cycle / 2, kMinBlinkMs)));
  }
}

void UiEdit::OnTimer(int32_t id, uint32_t) {
  if (id == 0 || id != blinkTimer_) return;
  caretShown_ = !caretShown_;
  const ws::CaretBlink blink = ws::System().CaretBlinkSettings();
  if (ws::System().NowMs() - lastInputMs_ >= blink.timeoutMs) {
    caretShown_ = true;  // blinking stops with the caret shown
    StopTimer(blinkTimer_);
    blinkTimer_ = 0;
  }
  // A blink changes the caret's column of pixels alone: only that is drawn
  // and presented again (a caret out of view needs nothing).
  if (caretPoint_ == EditLayout::kNoPoint) return;
  InvalidateRect({}, Rect{caretPoint_.x, caretPoint_.y, 1, metrics_.glyphHeight});
}

void UiEdit::Paint() {
  draw::Graphics* g = CanvasGraphics();
  const draw::Bitmap* canvas = Canvas();
  if (!g || !canvas || layoutBusy_) return;
  charsDrawn_ = 0;
  PaintBorder(*g);
  const RectF tr = layout_.TextRect();
  if (fullRedraw_ || surface_.IsEmpty()) {
    surface_.Create(tr, layout_.scrollX, layout_.scrollY);
    PaintBackground(*g);
    g->SetClip(tr);
    PaintText(false);
    g->ResetClip();
  } else {
    surface_.BlitShifted(*g, layout_.scrollX, layout_.scrollY);
    PaintBackground(*g);
    if (redrawText_) {
      PaintText(false);
      redrawText_ = false;
    }
    surface_.ResetClip(*g);
  }
  surface_.CaptureFrom(*canvas);
  caretPoint_ = layout_.PointFromPosition(ShownCaret());
  PaintScrollBarBacks(*g);
  PaintText(true);
  PaintCaret(*g);
  fullRedraw_ = false;
  UpdateImeCursor();
}

void UiEdit::PaintBackground(draw::Graphics& g) {
  if (backColor_ != 0) g.FillRectangle(draw::Brush(backColor_), surface_.ExposedBounds());
}

void UiEdit::PaintBorder(draw::Graphics& g) {
  const draw::Pen pen(hot_ ? borderHotColor_ : borderColor_, 1.0f, draw::Unit::Pixel);
  g.DrawRectangle(pen, {0, 0, static_cast<float>(GetWidth()), static_cast<float>(GetHeight())});
}

void UiEdit::PaintScrollBarBacks(draw::Graphics& g) {
  if (scrollBarMode_ == 0 || backColor_ == 0) return;
  const draw::Brush brush(backColor_);
  const float w = static_cast<float>(GetWidth());
  const float h = static_cast<float>(GetHeight());
  if (vBar_.Shown() && scrollBarMode_ != 2) {
    const Rect& r = vBar_.rect;
    g.FillRectangle(brush, {static_cast<float>(r.x), 1, static_cast<float>(r.width), h - 1});
  }
  if (hBar_.Shown()) {
    const Rect& r = hBar_.rect;
    float width = w - static_cast<float>(inset_);
    if (scrollBarMode_ == 3) width = static_cast<float>(r.width + (vBar_.Shown() ? 2 : 0));
    g.FillRectangle(brush, {1, static_cast<float>(r.y), width, static_cast<float>(r.height)});
  }
}

void UiEdit::PaintText(bool partial) {
  draw::Graphics* g = CanvasGraphics();
  if (!g || layoutBusy_) return;
  g->SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
  const std::u16string& text = Shown();
  if (!partial) {
    layout_.BuildBoxes(text);
    DrawChars(*g, text, draw::Brush(textColor_));
    return;
  }
  const RectF tr = layout_.TextRect();
  const float lead = static_cast<float>(metrics_.glyphLead / 2);
  const auto& boxes = layout_.Boxes();
  const int32_t first = layout_.FirstBoxIndex();
  if (!preedit_.empty()) {
    // The composition is underlined where it shows, as the desktop's own boxes do.
    const int32_t start = ToShown(model_.Caret());
    const int32_t end = start + static_cast<int32_t>(preedit_.size());
    const draw::Pen pen(textColor_, 1.0f, draw::Unit::Pixel);
    for (int32_t pos = std::max(start, first); pos < end && pos - first < static_cast<int32_t>(boxes.size()); ++pos) {
      const RectF b = boxes[static_cast<size_t>(pos - first)];
      if (b.width <= 0) continue;
      const float y = b.y + static_cast<float>(metrics_.glyphHeight) - 1.5f;
      g->SetClip(tr);
      g->DrawLine(pen, {b.x + lead, y}, {b.Right() + lead, y});
      g->ResetClip();
    }
  }
  if (!model_.HasSelection()) return;
  const int32_t start = ToShown(model_.SelectionStart());
  const int32_t end = ToShown(model_.SelectionEnd());
  const draw::Brush back(selBackColor_);
  const draw::Brush fore(selTextColor_);
  EditBreaks::Cursor clusters(text);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const int32_t pos = first + static_cast<int32_t>(i);
    if (pos < start || pos >= end) continue;
    const RectF b = boxes[i];
    const RectF shifted{b.x + lead, b.y, b.width, b.height};
    g->SetClip(shifted);
    g->Clear(kTransparent);
    g->FillRectangle(back, shifted);
    if (b.width > 0 && b.Right() > tr.x && b.x < tr.Right()) {
      g->SetClip(tr, draw::CombineMode::Intersect);
      const int32_t clusterEnd = clusters.EndOf(pos);
      const std::u16string glyph = passwordMode_
                                       ? std::u16string(1, passwordChar_)
                                       : text.substr(static_cast<size_t>(pos), static_cast<size_t>(clusterEnd - pos));
      g->DrawString(glyph, font_.GetFont(), {b.x, b.y, 0, 0}, nullptr, fore);
    }
    g->ResetClip();
  }
}

void UiEdit::DrawChars(draw::Graphics& g, std::u16string_view text, const draw::Brush& brush) {
  const RectF v = surface_.ExposedBounds();
  const auto& boxes = layout_.Boxes();
  const size_t first = static_cast<size_t>(layout_.FirstBoxIndex());
  if (first >= text.size()) return;
  const size_t count = std::min(text.size() - first, boxes.size());
  if (v.IsEmpty()) return;
  const float wide = static_cast<float>(metrics_.wideCharWidth);
  const float lh = static_cast<float>(layout_.LineHeight());
  EditBreaks::Cursor clusters(text);
  std::u16string glyph;
  for (size_t i = 0; i < count;) {
    // Boxes start at a line's start, so i is always the first unit of a cluster.
    const size_t end = std::min(static_cast<size_t>(clusters.EndOf(static_cast<int32_t>(first + i))) - first, count);
    const size_t at = i;
    i = std::max(end, at + 1);
    const RectF& b = boxes[at];
    if (b.x + std::max(wide, b.width) < v.x || b.x >= v.Right() || b.y + lh < v.y || b.y >= v.Bottom()) continue;
    const char16_t c = text[first + at];
    if (c == u'\r' || c == u'\n') continue;
    // A cluster is drawn as one run from its first unit's box.
    if (passwordMode_) {
      glyph.assign(1, passwordChar_);
    } else {
      glyph.assign(text.substr(first + at, i - at));
    }
    g.DrawString(glyph, font_.GetFont(), {b.x, b.y, 0, 0}, nullptr, brush);
    ++charsDrawn_;
  }
}

void UiEdit::PaintCaret(draw::Graphics& g) {
  const float x = static_cast<float>(caretPoint_.x);
  const float y = static_cast<float>(caretPoint_.y);
  const float gh = static_cast<float>(metrics_.glyphHeight);
  g.SetClip(layout_.TextRect());
  g.SetClip(RectF{x, y, 1, gh}, draw::CombineMode::Intersect);
  g.Clear(kTransparent);
  if (backColor_ != 0) g.DrawLine(draw::Pen(backColor_, 1.0f, draw::Unit::Pixel), {x, y}, {x, y + gh});
  if (caretShown_) g.DrawLine(draw::Pen(textColor_, 1.0f, draw::Unit::Pixel), {x, y}, {x, y + gh});
  g.ResetClip();
}

}  // namespace quillmar
