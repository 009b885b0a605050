// The paint pass: flagged elements redraw their canvases, parents blend their
// children's pictures into their own, and the window draws its frame.

#include <algorithm>

#include "platform/draw/blend.h"
#include "platform/draw/brush.h"
#include "platform/draw/graphics.h"
#include "platform/draw/path.h"
#include "platform/draw/pen.h"
#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_ref.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/frame.h"
#include "ui/core/paint_scheduler.h"
#include "ui/core/rounded_rect.h"
#include "ui/core/skin_image.h"
#include "ui/core/theme_defaults.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

Rect WholePicture(const ElementRecord& rec) { return {0, 0, rec.bounds.width + 1, rec.bounds.height + 1}; }

// Pixel-wise mix of two premultiplied pictures: from at 255 - t, to at t.
// Outside `area` (when given) the result is `to` alone.
void MixPictures(draw::Bitmap& out, const draw::Bitmap& from, const draw::Bitmap& to, int32_t t,
                 const std::optional<Rect>& area) {
  const int w = std::min({out.Width(), from.Width(), to.Width()});
  const int h = std::min({out.Height(), from.Height(), to.Height()});
  const uint32_t a = static_cast<uint32_t>(std::clamp(t, 0, 255));
  for (int y = 0; y < h; ++y) {
    const uint32_t* f = from.Row(y);
    const uint32_t* n = to.Row(y);
    uint32_t* o = out.Row(y);
    for (int x = 0; x < w; ++x) {
      if (area && !area->Contains({x, y})) {
        o[x] = n[x];
        continue;
      }
      uint32_t mixed = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t cf = (f[x] >> shift) & 0xFF;
        const uint32_t cn = (n[x] >> shift) & 0xFF;
        mixed |= ((cf * (255 - a) + cn * a + 127) / 255) << shift;
      }
      o[x] = mixed;
    }
  }
}

constexpr float kShadowRadius = 4.0f;

struct OutlineOption {
  bool on = false;
  draw::Argb color = 0;
};

// Top-level keys of the windows whose paint pass is running (UI thread only).
std::vector<int32_t>& PassesRunning() {
  static std::vector<int32_t> keys;
  return keys;
}

OutlineOption& Outline() {
  static OutlineOption option;
  return option;
}

}  // namespace

void UiWindow::InvalidateRect(OptKey key, std::optional<Rect> rect) {
  ElementRecord* rec = Rec(key);
  if (!rec || (rec->redrawEnabled & 1) == 0) return;
  ElementSurfaces& s = *rec->surfaces;
  const bool wholePending = rec->needsRepaint != 0 && !s.invalidRegion;
  rec->needsRepaint = 1;
  rec->needsCompose = 1;
  PaintScheduler::Request(rec->key);
  if (!rect || rect->IsEmpty()) {
    s.invalidRegion.reset();
  } else if (!wholePending) {
    // A pending whole-element repaint stays whole; only rectangles add up.
    if (s.invalidRegion) {
      s.invalidRegion->Union(*rect);
    } else {
      s.invalidRegion.emplace(*rect);
    }
  }
}

void UiWindow::Invalidate(OptKey key) {
  if (ElementRecord* rec = Rec(key)) {
    rec->needsCompose = 1;
    PaintScheduler::Request(rec->key);
  }
}

void UiWindow::SetRedrawEnabled(int32_t value, OptKey key) {
  if (ElementRecord* rec = Rec(key)) rec->redrawEnabled = value;
}

void UiWindow::RecreateCanvas(OptKey key) {
  if (ElementRecord* rec = Rec(key)) rec->surfaces->Recreate(rec->bounds.width, rec->bounds.height);
}

draw::Graphics* UiWindow::CanvasGraphics(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? rec->surfaces->graphics.get() : nullptr;
}

const draw::Bitmap* UiWindow::Canvas(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? &rec->surfaces->canvas : nullptr;
}

const draw::Bitmap* UiWindow::GetDib(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec ? &rec->surfaces->dib : nullptr;
}

void UiWindow::Repaint() { Paint(key_, 1); }

bool UiWindow::InPaintPass(int32_t key) {
  const std::vector<int32_t>& running = PassesRunning();
  return !running.empty() && std::find(running.begin(), running.end(), TopOf(key)) != running.end();
}

void UiWindow::Paint(OptKey key, int32_t topLevel) {
  const int32_t k = ResolveKey(key);
  const int32_t top = TopOf(k);
  if (top == 0) return;
  if (InPaintPass(k)) {
    // Never again from inside the pass (a handler asked for a synchronous
    // repaint): the flags stay raised and a pass after this one paints them.
    const ElementRecord* window = Registry().Find(top);
    if (window && window->windowHandle != 0)
      ws::System().Post(window->windowHandle, Event::RepaintRequest, ToWire(RepaintKind::Paint), 0);
    return;
  }
  const ElementRef self(key_);
  PassesRunning().push_back(top);
  PaintTree(k, topLevel, self);
  std::vector<int32_t>& running = PassesRunning();
  running.erase(std::find(running.begin(), running.end(), top));
}

void UiWindow::PaintTree(int32_t k, int32_t topLevel, const ElementRef& self) {
  // A handler may end the object running the pass: then nothing of it is touched.
  auto gone = [&self] { return self.Lost(); };
  const ElementRef rec(k);
  if (!rec) return;
  const std::vector<int32_t> children = rec->children;
  for (int32_t child : children) {
    PaintTree(child, topLevel, self);
    if (gone()) return;
    if (!rec || rec->children.size() != children.size()) break;
  }
  if (!rec) return;
  if (rec->needsRepaint != 0) {
    ElementSurfaces& s = *rec->surfaces;
    if (s.graphics) {
      // The invalid area bounds every clip while the element draws: a control
      // may narrow it but never widen or drop it, so translucent content
      // outside the area is not drawn twice over itself.
      s.graphics->ResetClip();
      s.graphics->SetClipBound(s.invalidRegion);
      s.graphics->Clear(0x00FFFFFF);
    }
    SendEvent(k, Event::Paint);
    if (gone() || !rec) return;
    if (draw::Graphics* g = rec->surfaces->graphics.get()) {
      g->SetClipBound(std::nullopt);
      g->ResetClip();
    }
    // Composition takes only what was redrawn as new.
    rec->surfaces->repainted = std::move(rec->surfaces->invalidRegion);
    rec->surfaces->invalidRegion.reset();
  }
  if (rec->needsCompose != 0) {
    ComposeElement(k);
    const bool window = rec->tag == ElementRecord::kWindowTag;
    if (window && rec->owner && rec->owner->frame_ && rec->surfaces->dirtyRegion) {
      rec->owner->frame_->Output().unpresented.Union(*rec->surfaces->dirtyRegion);
    }
    if (window && topLevel != 0 && rec->owner) rec->owner->Present();
    if (gone() || !rec) return;
    if (!(window && topLevel == 0)) rec->needsCompose = 0;
    rec->recomposed = 1;
    rec->needsRepaint = 0;
    rec->changed = 0;
    if (ElementRecord* parent = Registry().Find(rec->parentKey)) parent->needsCompose = 1;
  }
}

void UiWindow::ComposeElement(int32_t k) {
  ElementRecord* rec = Registry().Find(k);
  if (!rec) return;
  ElementSurfaces& s = *rec->surfaces;
  const Rect whole = WholePicture(*rec);
  if (rec->visible == 0 || rec->alpha == 0 || rec->shown == 0) {
    // The parent must clear everything this element covered, not only its last change.
    s.dirtyRegion.emplace(whole);
    s.leftOut = true;
    return;
  }
  draw::Region dirty;
  // Coming back after being left out, the whole picture is new to the parent;
  // a repaint of part of the element is new only there (a caret's blink).
  if (rec->changed != 0 || s.leftOut || (rec->needsRepaint != 0 && !s.repainted)) {
    dirty.Union(whole);
  } else if (rec->needsRepaint != 0) {
    dirty.Union(*s.repainted);
  }
  s.repainted.reset();
  s.leftOut = false;
  const int32_t pl = rec->padding.left;
  const int32_t pt = rec->padding.top;
  // Children live in the client area: nothing of theirs reaches the padding band.
  const Rect client{pl, pt, std::max(0, rec->bounds.width - pl - rec->padding.right),
                    std::max(0, rec->bounds.height - pt - rec->padding.bottom)};
  draw::Region fromChildren;
  for (int32_t childKey : rec->children) {
    ElementRecord* c = Registry().Find(childKey);
    if (!c || c->recomposed == 0) continue;
    if (c->surfaces->dirtyRegion) {
      draw::Region moved = *c->surfaces->dirtyRegion;
      moved.Offset(pl + c->bounds.x, pt + c->bounds.y);
      fromChildren.Union(moved);
    }
    const RectF now = RectF::FromRect(c->bounds);
    if (!NearlyEqual(now, c->boundsF)) {
      const Rect old = c->boundsF.Truncated();
      fromChildren.Union(Rect{pl + old.x, pt + old.y, old.width + 1, old.height + 1});
      c->boundsF = now;
    }
  }
  fromChildren.Intersect(client);
  dirty.Union(fromChildren);
  dirty.Intersect(whole);
  draw::ClearBitmap(s.dib, &dirty);
  if (!dirty.IsEmpty()) {
    ExtraLayers& extra = s.extra;
    if (extra.currentLayer > 0 && extra.layers.size() >= 2) {
      MixPictures(extra.layers[1], extra.layers[0], s.canvas, extra.progress, extra.area);
      // A third layer (a control's text) lies over the blend at full strength.
      if (extra.layers.size() >= 3) draw::BlendBitmap(extra.layers[1], 0, 0, extra.layers[2], 255);
      draw::BlendBitmap(s.dib, 0, 0, extra.layers[1], 255, &dirty);
    } else {
      draw::BlendBitmap(s.dib, 0, 0, s.canvas, 255, &dirty);
    }
  }
  for (int32_t childKey : rec->children) {
    ElementRecord* c = Registry().Find(childKey);
    if (!c) continue;
    if (c->visible != 0 && c->shown != 0 && !dirty.IsEmpty()) {
      const Rect at = c->bounds.Translated(pl, pt);
      draw::Region clip = dirty;
      clip.Intersect(at);
      clip.Intersect(client);
      draw::BlendBitmap(s.dib, at, c->surfaces->dib, Rect::FromOriginSize({}, c->bounds.GetSize()),
                        static_cast<uint8_t>(std::clamp(c->alpha, 0, 255)), &clip);
    }
    c->recomposed = 0;
  }
  if (Outline().on && !dirty.IsEmpty()) {
    draw::Graphics g(s.dib);
    g.DrawRectangle(draw::Pen(Outline().color, 1.0f, draw::Unit::Pixel),
                    {0, 0, static_cast<float>(rec->bounds.width - 1), static_cast<float>(rec->bounds.height - 1)});
  }
  s.dirtyRegion = std::move(dirty);
}

void UiWindow::SetOutline(bool on, draw::Argb color) { Outline() = {on, color}; }

void UiWindow::StartTransition(int32_t intervalMs, int32_t step, bool alt, OptKey key, std::optional<Rect> area) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  const int32_t k = rec->key;
  StopTransition(k);
  rec = Registry().Find(k);
  if (!rec) return;
  const int32_t w = rec->bounds.width + 1;
  const int32_t h = rec->bounds.height + 1;
  AddLayer(w, h, k);
  AddLayer(w, h, k);
  ExtraLayers& extra = rec->surfaces->extra;
  // Both layers start as the picture the element shows now.
  for (draw::Bitmap& layer : extra.layers) draw::BlendBitmap(layer, 0, 0, rec->surfaces->canvas, 255);
  extra.currentLayer = 1;
  extra.progress = 0;
  extra.area = area;
  // The quick form serves presses, which should answer at once.
  extra.step = alt ? std::max(step * 3, 1) : std::max(step, 1);
  extra.intervalMs = std::max(intervalMs, 1);
  ws::WindowSystem* sys = ws::SystemOrNull();
  extra.startMs = sys ? sys->NowMs() : 0;
  extra.starter = this;
  transitions_.push_back(k);
  // The window's frames advance it, together with every other fade of the window.
  PaintScheduler::Animate(k);
  InvalidateRect(k);
}

void UiWindow::StopTransition(OptKey key) {
  const int32_t k = ResolveKey(key);
  transitions_.erase(std::remove(transitions_.begin(), transitions_.end(), k), transitions_.end());
  ElementRecord* rec = Registry().Find(k);
  if (!rec) return;
  ExtraLayers& extra = rec->surfaces->extra;
  const bool drawnApart = extra.layers.size() >= 3;
  extra = ExtraLayers{};
  // The canvas held only what fades; the element paints its whole picture again.
  if (drawnApart) InvalidateRect(k);
}

UiWindow::TransitionPictures UiWindow::RunningTransition(OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || !rec->surfaces) return {};
  ExtraLayers& extra = rec->surfaces->extra;
  if (extra.currentLayer == 0 || extra.layers.size() < 2) return {};
  if (extra.layers.size() < 3) extra.layers.emplace_back(extra.layers[0].Width(), extra.layers[0].Height());
  return {&extra.layers[0], &extra.layers[2]};
}

void UiWindow::CancelTransition(OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  const int32_t k = rec->key;
  const bool running = rec->surfaces->extra.currentLayer > 0;
  StopTransition(k);
  // The half-faded picture must not stay on the screen.
  if (running) {
    if (ElementRecord* again = Registry().Find(k)) again->MarkChanged();
  }
}

bool UiWindow::TransitionRunning(OptKey key) {
  ElementRecord* rec = Rec(key);
  return rec && rec->surfaces->extra.currentLayer > 0;
}

int32_t UiWindow::AddLayer(int32_t width, int32_t height, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return -1;
  rec->surfaces->extra.layers.emplace_back(width, height);
  return static_cast<int32_t>(rec->surfaces->extra.layers.size());
}

void UiWindow::RemoveLayer(int32_t index, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  auto& layers = rec->surfaces->extra.layers;
  if (index >= 1 && index <= static_cast<int32_t>(layers.size())) layers.erase(layers.begin() + (index - 1));
}

void UiWindow::SetFrame(int32_t frameOn, int32_t borderOn, int32_t shadowOn) {
  frameOn_ = frameOn;
  borderOn_ = borderOn;
  shadowOn_ = shadowOn;
  InvalidateRect();
}

void UiWindow::SetBackColor(draw::Argb color, std::optional<draw::Argb> color2) {
  backColor_ = color;
  backColor2_ = color2;
  InvalidateRect();
}

void UiWindow::SetBackImage(ImageHandle image, int32_t mode) {
  backImage_ = std::move(image);
  backImageMode_ = mode;
  InvalidateRect();
}

void UiWindow::DrawSoftShadow(draw::Graphics& g, const RectF& r, float radius, draw::Argb color, int32_t alpha) {
  const RectF inner{r.x + 5, r.y + 5, r.width - 10, r.height - 10};
  draw::Path band(draw::FillMode::Alternate);
  AddRoundedRect(band, r, radius);
  AddRoundedRect(band, inner, radius);
  g.SetClip(band);
  draw::Path edge;
  AddRoundedRect(edge, inner, radius);
  // Wide faint strokes first, narrow dark ones last: darker towards the window.
  static constexpr std::array<std::pair<float, int32_t>, 5> kStrokes{
      {{10.f, 0}, {8.f, 2}, {6.f, 10}, {4.f, 15}, {2.f, 30}}};
  for (const auto& [width, extra] : kStrokes) {
    if (width == 10.f && alpha == 0) continue;
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha + extra, 0, 255));
    g.DrawPath(draw::Pen((a << 24) | (color & 0x00FFFFFF), width), edge);
  }
  g.ResetClip();
}

void UiWindow::DrawWindowFrame(draw::Graphics& g, int32_t w, int32_t h) {
  ws::WindowSystem& sys = ws::System();
  const Hwnd focus = (hwnd_ != 0) ? sys.Focus() : 0;
  const bool active = hwnd_ != 0 && (focus == hwnd_ || sys.Owner(focus) == hwnd_);
  if (shadowOn_ != 0) {
    DrawSoftShadow(g, {0, 0, static_cast<float>(w), static_cast<float>(h)}, kShadowRadius, 0xFF000000, active ? 5 : 0);
    g.SetClip(RectF{0, 0, 1, 1});
    g.SetClip(RectF{static_cast<float>(w - 1), static_cast<float>(h - 1), 1, 1}, draw::CombineMode::Union);
    g.Clear(0x00FFFFFF);
    g.ResetClip();
  }
  if (borderOn_ != 0) {
    g.SetSmoothingMode(draw::SmoothingMode::Default);
    const bool focused = hwnd_ != 0 && focus == hwnd_;
    const draw::Pen pen(makeArgb(0, focused ? 150 : 100, true), 1.0f, draw::Unit::Pixel);
    g.DrawRectangle(pen, {5, 5, static_cast<float>(w - 11), static_cast<float>(h - 11)});
  }
}

void UiWindow::PaintEntry() {
  ElementRecord* rec = Rec({});
  draw::Graphics* g = CanvasGraphics();
  if (!rec || !g) return;
  const int32_t w = rec->bounds.width;
  const int32_t h = rec->bounds.height;
  const Insets pad = rec->padding;
  if (frameOn_ != 0) DrawWindowFrame(*g, w, h);
  g->SetSmoothingMode(draw::SmoothingMode::Default);
  const RectF area{static_cast<float>(pad.left), static_cast<float>(pad.top), static_cast<float>(w - 2 * pad.left),
                   static_cast<float>(h - 2 * pad.top)};
  if (backImage_ && !backImage_->IsEmpty()) {
    DrawSkinImage(*g, *backImage_, area, backImageMode_, static_cast<int>(area.width), static_cast<int>(area.height));
  } else if (backColor2_) {
    g->FillRectangle(draw::Brush::LinearGradient(area, backColor_, *backColor2_, draw::LinearGradientMode::Vertical),
                     area);
  } else {
    g->FillRectangle(draw::Brush(backColor_), area);
  }
}

}  // namespace quillmar
